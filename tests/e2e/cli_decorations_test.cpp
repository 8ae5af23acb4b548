// tolvane-cli render's decorations as a script uses them on the demo county: the compass, a
// saved view's inset with its marker (1 pixel wide as on screen, 2 in a picture file), the time
// stamp's texts at a fixed clock, and what is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;
// tolvane-cli's status for a word it does not take.
constexpr int kUsageStatus = 64;

class CliDecorationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
    maps = folder.path() / "TolvaneMaps";
    fs::copy(fs::path(TOLVANE_SOURCE_DIR) / "data" / "TolvaneMaps", maps,
             fs::copy_options::recursive);
    ASSERT_EQ(
        Run("import '" +
            (fs::path(TOLVANE_SOURCE_DIR) / "data" / "demo" / "Cassel_County.mie").string() + "'")
            .status,
        0);
  }
  CliRun Run(const std::string& arguments) {
    return RunCli("--maps '" + maps.string() + "' " + arguments);
  }
  std::string Out(const std::string& name) const { return (folder.path() / name).string(); }

  TempFolder folder;
  fs::path maps;
};

std::vector<int> Box(const std::string& json, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(json, m,
                         std::regex("\"" + key + "\":\\[(-?\\d+),(-?\\d+),(-?\\d+),(-?\\d+)\\]"))) {
    return {};
  }
  return {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
}

TEST_F(CliDecorationsTest, EverySwitchShowsInThePictureAndInTheAnswer) {
  ASSERT_EQ(Run("views save Whole --view 38.62,-78.31,400000 --size 640x480").status, 0);
  const std::string bmp = Out("all.bmp");
  CliRun run = Run("render --view 38.62,-78.31,100000 --size 640x480 --out '" + bmp +
                   "' --grid --scalebar --compass --timestamp --clock 2009-05-05T14:59"
                   " --reference Whole");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_EQ(run.lines.size(), 1u);
  const std::string& json = run.lines[0];
  EXPECT_NE(json.find(",\"decorations\":{\"grid\":{\"meridianEntry\":"), std::string::npos) << json;
  EXPECT_NE(json.find("\"timestamp\":{\"box\":"), std::string::npos);
  EXPECT_NE(json.find("\"lines\":[\"5/05/09\",\"2:59 PM\"]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"inset\":{\"view\":\"Whole\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"cross\":false,\"lineWidth\":1"), std::string::npos) << json;

  const std::vector<int> marker = Box(json, "marker");
  ASSERT_EQ(marker.size(), 4u) << json;
  const std::vector<int> compass = Box(json, "picture");
  ASSERT_EQ(compass.size(), 4u) << json;
  EXPECT_EQ((compass[0] + compass[2]) / 2, 128);  // 0.2 of 640
  EXPECT_EQ((compass[1] + compass[3]) / 2, 96);   // 0.2 of 480

  Pixels picture;
  ASSERT_TRUE(ReadBmp(bmp, picture));
  // The compass's black is drawn; the marker's red dashes lie on the inset.
  size_t black = 0;
  for (int y = compass[1]; y < compass[3]; ++y) {
    for (int x = compass[0]; x < compass[2]; ++x) {
      black += picture.rgb[static_cast<size_t>(y) * picture.width + x] == 0;
    }
  }
  EXPECT_GT(black, 100u);
  size_t red = 0;
  for (int x = marker[0]; x < marker[2]; ++x) {
    red += picture.rgb[static_cast<size_t>(marker[1]) * picture.width + x] == 0xFF0000;
  }
  EXPECT_GT(red, static_cast<size_t>(marker[2] - marker[0]) / 4) << "a dashed top edge";

  // Drawn as a picture file the marker is 2 pixels wide.
  run = Run("render --view 38.62,-78.31,100000 --size 640x480 --out '" + Out("p.bmp") +
            "' --reference Whole --as picture");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"lineWidth\":2"), std::string::npos) << run.out;
  // Without decorations the object is there and empty.
  run = Run("render --view 38.62,-78.31,100000 --size 64x48 --out '" + Out("n.bmp") + "'");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find(",\"decorations\":{}}"), std::string::npos) << run.out;
}

TEST_F(CliDecorationsTest, AViewOutsideTheReferenceTakesTheSmallestThatHoldsIt) {
  ASSERT_EQ(Run("views save Seat --view 38.62,-78.31,50000 --size 640x480").status, 0);
  ASSERT_EQ(Run("views save Wide --view 38.62,-78.31,800000 --size 640x480").status, 0);
  ASSERT_EQ(Run("views save Mid --view 38.62,-78.31,300000 --size 640x480").status, 0);
  // Seat does not hold a view at 1:100000; of Wide and Mid, Mid is the smaller.
  const CliRun run = Run("render --view 38.62,-78.31,100000 --size 640x480 --out '" + Out("r.bmp") +
                         "' --reference Seat");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"inset\":{\"view\":\"Mid\""), std::string::npos) << run.out;
}

TEST_F(CliDecorationsTest, BadSwitchesAreRefusedWithoutAPicture) {
  const std::string out = Out("bad.bmp");
  EXPECT_EQ(
      Run("render --view 38.62,-78.31,100000 --size 64x48 --out '" + out + "' --reference Nowhere")
          .status,
      1);
  EXPECT_EQ(
      Run("render --view 38.62,-78.31,100000 --size 64x48 --out '" + out + "' --as paper").status,
      1);
  EXPECT_EQ(Run("render --view 38.62,-78.31,100000 --size 64x48 --out '" + out + "' --as").status,
            1);
  EXPECT_FALSE(fs::exists(out));
}

// Picture files carry the compass as the window draws it: ANDed pixels in a bitmap at the same
// place, and a stretched bitmap with the source-AND operation in a metafile.
TEST_F(CliDecorationsTest, PictureFilesCarryTheCompass) {
  const std::string bmp = Out("c.bmp");
  ASSERT_EQ(Run("picture --format bmp --out '" + bmp +
                "' --view 38.62,-78.31,100000 --size 640x480 --compass")
                .status,
            0);
  Pixels picture;
  ASSERT_TRUE(ReadBmp(bmp, picture));
  size_t black = 0;
  for (int y = 96 - 20; y < 96 + 20; ++y) {
    for (int x = 128 - 15; x < 128 + 15; ++x) {
      black += picture.rgb[static_cast<size_t>(y) * picture.width + x] == 0;
    }
  }
  EXPECT_GT(black, 100u);
  const std::string wmf = Out("c.wmf");
  ASSERT_EQ(Run("picture --format wmf --out '" + wmf +
                "' --view 38.62,-78.31,100000 --size 640x480 --compass")
                .status,
            0);
  const std::string bytes = ReadWholeFile(wmf);
  // META_STRETCHDIB (0x0F43) whose operation is SRCAND (0x008800C6).
  EXPECT_NE(bytes.find(std::string("\x43\x0F\xC6\x00\x88\x00", 6)), std::string::npos);
  EXPECT_EQ(Run("picture --format wmf --out '" + wmf +
                "' --view 38.62,-78.31,100000 --size 640x480 --as picture")
                .status,
            kUsageStatus);
}

}  // namespace
}  // namespace tlv::test
