// tolvane-cli select and collection on the demo county, run as a user would: a fresh copy of the
// default maps folder, the county imported, then clicks, areas and collection files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

// Two objects of the county: a hospital (a symbol) and the road US 317, whose first stretch runs
// from 78.59 W 38.79 N south-east.
constexpr const char* kHospitalID = "3E8A1C00000000A7";
constexpr const char* kHospitalLatLon = "38.635552,-78.297702";
constexpr const char* kView = "--view 38.635552,-78.297702,24000 --size 800x600";

class CliCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
    maps = folder.path() / "TolvaneMaps";
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    const CliRun imported =
        Run("import '" + (kSourceDir / "data" / "demo" / "Cassel_County.mie").string() + "'");
    ASSERT_EQ(imported.status, 0) << imported.out;
  }

  CliRun Run(const std::string& arguments) {
    return RunCli("--maps '" + maps.string() + "' " + arguments);
  }
  std::string Path(const std::string& name) { return (folder.path() / name).string(); }
  static std::string Line(const std::string& overlay, const std::string& id, long position,
                          int flags = 0) {
    return "\"Cassel County\" \"" + overlay + "\" \"" + id + "\" " + std::to_string(flags) + " " +
           std::to_string(position) + "\r\n";
  }

  TempFolder folder;
  fs::path maps;
};

TEST_F(CliCollectionTest, AClickPicksTheHospitalAndEmptyGroundNothing) {
  CliRun run = Run(std::string("select --click ") + kHospitalLatLon + " " + kView);
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 2u) << run.out;
  EXPECT_EQ(run.lines[0],
            "{\"map\":\"Cassel County\",\"overlay\":\"HOSPITALS\",\"position\":0,\"id\":\"" +
                std::string(kHospitalID) +
                "\",\"name\":\"Cassel Regional Medical Center\",\"key\":\"Cass\",\"flags\":0}");
  EXPECT_EQ(run.lines[1], "{\"count\":1,\"aliases\":0,\"notFound\":0}");
  // A hundred metres east, at 1:24000, is some 16 pixels away: nothing there.
  run = Run(std::string("select --click 38.635552,-78.29655 ") + kView);
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.lines, std::vector<std::string>{"{\"count\":0,\"aliases\":0,\"notFound\":0}"});
}

TEST_F(CliCollectionTest, AreasSelectWhatTheyTouchOnTheChosenOverlays) {
  CliRun run =
      Run("select --rect 38.6,-78.35,38.65,-78.25 --view 38.63,-78.3,100000 --size "
          "800x600 --overlays HOSPITALS,SCHOOLS");
  ASSERT_EQ(run.status, 0);
  ASSERT_FALSE(run.lines.empty());
  for (size_t i = 0; i + 1 < run.lines.size(); ++i) {
    EXPECT_TRUE(run.lines[i].find("\"overlay\":\"HOSPITALS\"") != std::string::npos ||
                run.lines[i].find("\"overlay\":\"SCHOOLS\"") != std::string::npos)
        << run.lines[i];
  }
  EXPECT_EQ(run.lines.back(), "{\"count\":" + std::to_string(run.lines.size() - 1) +
                                  ",\"aliases\":0,\"notFound\":0}");
  // A circle of half a mile round the hospital holds it; roads passing near it touch it too.
  run = Run(std::string("select --circle ") + kHospitalLatLon + ",0.5 " + kView);
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find(kHospitalID), std::string::npos);
  EXPECT_EQ(Run("select --click 1,2 " + std::string(kView) + " --overlays NOPE").status, 1);
  EXPECT_EQ(Run("select --click 1,2").status, 1) << "no view";
  EXPECT_EQ(Run("select --rect 38.7,-78.3,38.6,-78.2 " + std::string(kView)).status, 1)
      << "north below south";
}

TEST_F(CliCollectionTest, CollectionFilesLoadSaveAndNarrow) {
  // The hospital by ID, the second hospital by position only, and a line that finds nothing.
  WriteWholeFile(folder.path() / "a.msc", Line("HOSPITALS", kHospitalID, 0) +
                                              Line("HOSPITALS", "", 101) +
                                              Line("HOSPITALS", "00000000DEADBEEF", 0));
  CliRun run = Run("collection load '" + Path("a.msc") + "' --save '" + Path("out.msc") + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_EQ(run.lines.size(), 3u) << run.out;
  EXPECT_NE(run.lines[0].find("Brennick Community Hospital"), std::string::npos) << "by key";
  EXPECT_NE(run.lines[1].find("Cassel Regional Medical Center"), std::string::npos);
  EXPECT_EQ(run.lines[2], "{\"count\":2,\"aliases\":0,\"notFound\":1}");
  // The entries were listed, so each carries flag 1 (settled among its equal keys).
  EXPECT_EQ(ReadWholeFile(folder.path() / "out.msc"),
            Line("HOSPITALS", kHospitalID, 0, 1) + Line("HOSPITALS", "3E8A1C00000000A8", 101, 1));

  // The saved file loads back to the same collection.
  const CliRun again = Run("collection load '" + Path("out.msc") + "'");
  ASSERT_EQ(again.status, 0);
  EXPECT_EQ(again.lines[0], run.lines[0]);
  EXPECT_EQ(again.lines[1], run.lines[1]);

  WriteWholeFile(folder.path() / "b.msc", Line("HOSPITALS", kHospitalID, 0));
  run =
      Run("collection load '" + Path("b.msc") + "' --mode subset --base '" + Path("out.msc") + "'");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_NE(run.lines[0].find(kHospitalID), std::string::npos);
  run =
      Run("collection load '" + Path("b.msc") + "' --mode union --base '" + Path("out.msc") + "'");
  EXPECT_EQ(run.lines.back(), "{\"count\":2,\"aliases\":0,\"notFound\":0}");

  WriteWholeFile(folder.path() / "bad.msc", Line("HOSPITALS", kHospitalID, 0) + "\"x\" 7\r\n");
  EXPECT_EQ(Run("collection load '" + Path("bad.msc") + "'").status, 1);
  EXPECT_EQ(Run("collection load '" + Path("missing.msc") + "'").status, 1);
  EXPECT_EQ(Run("collection load '" + Path("b.msc") + "' --mode most").status, 1);
}

}  // namespace
}  // namespace tlv::test
