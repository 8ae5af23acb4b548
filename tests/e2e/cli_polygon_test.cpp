// tolvane-cli polygon on a fresh copy of the default maps folder, as a script writer uses it:
// two overlapping squares and a line imported into the User's Map (which the command line makes
// as the program does on its first start), their union, intersection and difference worked out
// by hand, an envelope around the line, a refusal with the program's message, and --create
// storing the union on the Temporary Overlay where `objects` lists it and `verify` is content.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

// West: 70 to 69 W, 41 to 42 N; East: 69.5 to 68.5 W, 41.5 to 42.5 N; a road along 40 N.
constexpr const char* kObjects =
    "\"\" \"\" \"\" \"\" 2 \"\" \"West\" 0 \"Marks\" \"User's map\" POLYGON \"0000000100000001\" 0 "
    "\"\" 0 ONLY 0\r\nRED 1 BLACK BLACK { { FROM -70 41 } { TO -69 41 } { TO -69 42 } "
    "{ TO -70 42 } { TO -70 41 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"East\" 0 \"Marks\" \"User's map\" POLYGON \"0000000100000002\" 0 "
    "\"\" 0 ONLY 0\r\nBLUE 1 BLACK BLACK { { FROM -69.5 41.5 } { TO -68.5 41.5 } "
    "{ TO -68.5 42.5 } { TO -69.5 42.5 } { TO -69.5 41.5 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Road\" 0 \"Marks\" \"User's map\" POLYLINE \"0000000100000003\" "
    "0 "
    "\"\" 0 ONLY 0\r\nRED 2 BLACK NONE { { FROM -70 40 } { TO -69 40 } }\r\n";

class CliPolygonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    maps = folder.path() / "TolvaneMaps";
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    test::WriteWholeFile(folder.path() / "in.mie", kObjects);
    ASSERT_EQ(Cli("import '" + (folder.path() / "in.mie").string() + "'").status, 0);
    const test::CliRun listed = Cli("objects \"User's map\" Marks");
    ASSERT_EQ(listed.lines.size(), 3u) << listed.out;
    for (const std::string& line : listed.lines) {
      std::smatch match;
      ASSERT_TRUE(std::regex_search(line, match, std::regex("\"position\":([0-9]+)")));
      positions.push_back(match[1].str());
    }
  }
  test::CliRun Cli(const std::string& arguments) {
    return test::RunCli("--maps '" + maps.string() + "' " + arguments);
  }
  // The "points" of a result as "x,y,piece" texts.
  static std::vector<std::string> Points(const std::string& json) {
    std::vector<std::string> points;
    const std::regex point("\\[([0-9]+),([0-9]+),(true|false)\\]");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), point);
         it != std::sregex_iterator(); ++it) {
      points.push_back((*it)[1].str() + "," + (*it)[2].str() + ((*it)[3] == "true" ? ",new" : ""));
    }
    return points;
  }

  test::TempFolder folder;
  fs::path maps;
  std::vector<std::string> positions;  // West, East, Road
};

TEST_F(CliPolygonTest, CombinationsOfTwoSquaresFollowTheirOutlines) {
  const std::string pair = " \"User's map\" Marks " + positions[0] + " " + positions[1];
  // World units: longitude + 180 and latitude + 90, in millionths of a degree.
  const test::CliRun united = Cli("polygon union" + pair);
  ASSERT_EQ(united.status, 0) << united.out;
  EXPECT_EQ(Points(united.out),
            (std::vector<std::string>{
                "110000000,131000000,new", "111000000,131000000", "111000000,131500000",
                "111500000,131500000", "111500000,132500000", "110500000,132500000",
                "110500000,132000000", "110000000,132000000", "110000000,131000000"}));
  EXPECT_NE(united.out.find("\"worldRect\":[110000000,131000000,111500000,132500000]"),
            std::string::npos);

  const test::CliRun common = Cli("polygon intersection" + pair);
  ASSERT_EQ(common.status, 0) << common.out;
  EXPECT_EQ(Points(common.out),
            (std::vector<std::string>{"111000000,131500000,new", "111000000,132000000",
                                      "110500000,132000000", "110500000,131500000",
                                      "111000000,131500000"}));

  const test::CliRun rest = Cli("polygon difference" + pair);
  ASSERT_EQ(rest.status, 0) << rest.out;
  EXPECT_EQ(
      Points(rest.out),
      (std::vector<std::string>{"110000000,131000000,new", "111000000,131000000",
                                "111000000,131500000", "110500000,131500000", "110500000,132000000",
                                "110000000,132000000", "110000000,131000000"}));

  // Joining needs polylines: the program's own message, status 1, nothing stored.
  const test::CliRun join = Cli("polygon join" + pair);
  EXPECT_EQ(join.status, 1);
  EXPECT_TRUE(Cli("objects \"User's map\" \"Temporary Overlay\"").lines.empty());
}

TEST_F(CliPolygonTest, AnEnvelopeKeepsItsDistanceAndCreateStoresTheUnion) {
  const test::CliRun envelope = Cli("polygon envelope 1 km \"User's map\" Marks " + positions[2]);
  ASSERT_EQ(envelope.status, 0) << envelope.out;
  const std::vector<std::string> points = Points(envelope.out);
  ASSERT_GT(points.size(), 30u);
  // 1 km is 8,993 millionths of a degree of latitude: the zone reaches that far north and south
  // of the road along 40 N (130,000,000) and no farther.
  std::smatch rect;
  ASSERT_TRUE(std::regex_search(
      envelope.out, rect, std::regex("\"worldRect\":\\[([0-9]+),([0-9]+),([0-9]+),([0-9]+)\\]")));
  EXPECT_NEAR(std::stol(rect[2].str()), 130000000 - 8993, 20);
  EXPECT_NEAR(std::stol(rect[4].str()), 130000000 + 8993, 20);
  EXPECT_LT(std::stol(rect[1].str()), 110000000);
  EXPECT_GT(std::stol(rect[3].str()), 111000000);

  const test::CliRun made =
      Cli("polygon union \"User's map\" Marks " + positions[0] + " " + positions[1] + " --create");
  ASSERT_EQ(made.status, 0) << made.out;
  EXPECT_NE(made.out.find("\"name\":\"union\""), std::string::npos) << made.out;
  const test::CliRun stored = Cli("objects \"User's map\" \"Temporary Overlay\"");
  ASSERT_EQ(stored.lines.size(), 1u) << stored.out;
  EXPECT_NE(stored.out.find("\"worldRect\":[110000000,131000000,111500000,132500000]"),
            std::string::npos);
  const test::CliRun verified = Cli("verify");
  EXPECT_EQ(verified.status, 0);
  EXPECT_TRUE(verified.lines.empty()) << verified.out;
  // The User's Map is the one in its own folder, not a second map of that name.
  EXPECT_TRUE(fs::exists(maps / "OverlayMaps" / "UserMap" / "NAME.MAP"));
  EXPECT_FALSE(fs::exists(maps / "OverlayMaps" / "User's map"));
}

}  // namespace
}  // namespace tlv
