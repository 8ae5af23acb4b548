// tolvane-cli georef as a script would use it: the rectangle of a picture from two control
// points given by position or by distance, refusals as JSON with status 1, and the picture's size
// read from the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

class CliGeoRefTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
    maps = folder.path() / "TolvaneMaps";
    fs::copy(fs::path(TOLVANE_SOURCE_DIR) / "data" / "TolvaneMaps", maps,
             fs::copy_options::recursive);
  }
  CliRun Run(const std::string& arguments) {
    return RunCli("--maps '" + maps.string() + "' georef " + arguments);
  }

  TempFolder folder;
  fs::path maps;
};

TEST_F(CliGeoRefTest, TwoPointsOrADistanceGiveTheRectangle) {
  CliRun run = Run("--size 1000x500 --p1 100,200,38.5,-78.5 --p2 900,200,38.5,-78.1");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.lines[0].find("\"scale\":{\"sx\":500.000,\"sy\":391.304}"), std::string::npos)
      << run.lines[0];
  EXPECT_NE(run.lines[0].find("\"rect\":[101450000,128382608,101950000,128578260]"),
            std::string::npos)
      << run.lines[0];
  run = Run("--size 1000x500 --p1 100,200,38.5,-78.5 --p2 600,200 --distance 10 --unit mi");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.lines[0].find("\"p2\":{\"col\":600,\"row\":200,\"x\":101685062,\"y\":128500000"),
            std::string::npos)
      << run.lines[0];
}

TEST_F(CliGeoRefTest, RefusalsAndBadInput) {
  CliRun run = Run("--size 1000x500 --p1 100,200,38.5,-78.5 --p2 100,200,38.6,-78.4");
  EXPECT_EQ(run.status, 1);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0],
            "{\"error\":\"You seem to have placed the two points at the exact same location.  "
            "Please reposition one or both of them.\",\"check\":1}");
  EXPECT_EQ(Run("--size 1000x500 --p1 100,200,91,-78.5 --p2 900,200,38.5,-78.1").status, 1);
  EXPECT_EQ(Run("--size 1000x500 --p1 100,200,38.5,-78.5 --p2 600,200 --distance 0").status, 1);
  EXPECT_EQ(Run("--size 0x500 --p1 100,200,38.5,-78.5 --p2 900,200,38.5,-78.1").status, 1);
  const CliRun missing = Run("--picture '" + (folder.path() / "none.png").string() +
                             "' --p1 1,1,38.5,-78.5 --p2 9,9,38.4,-78.4");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.lines.empty());
}

TEST_F(CliGeoRefTest, ThePicturesSizeComesFromTheFile) {
  const fs::path png = folder.path() / "view.png";
  ASSERT_EQ(RunCli("--maps '" + maps.string() +
                   "' render --view 38.6,-78.3,200000 --size 640x480 "
                   "--out '" +
                   png.string() + "'")
                .status,
            0);
  const CliRun run =
      Run("--picture '" + png.string() + "' --p1 0,0,38.7,-78.4 --p2 639,479,38.5,-78.2");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.lines[0].rfind("{\"pictureSize\":[640,480],", 0), 0u) << run.lines[0];
}

}  // namespace
}  // namespace tlv::test
