// tolvane-cli georef as a script would use it: the rectangle of a picture from two control
// points given by position or by distance, refusals as JSON with status 1, and the picture's size
// read from the file, and a scanned picture put on the map where its control points say.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/dib_file.h"
#include "e2e/e2e_support.h"
#include "support/test_support.h"

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

// A 1000 x 500 scan, pale but for 3 x 3 red dots around the two control pixels.
void WriteScan(const fs::path& path) {
  constexpr int32_t kWidth = 1000;
  constexpr int32_t kHeight = 500;
  std::vector<uint32_t> pixels(static_cast<size_t>(kWidth * kHeight), 0xFFEBEBC8u);
  for (const auto& [cx, cy] : {std::pair{100, 200}, std::pair{900, 400}}) {
    for (int32_t y = cy - 1; y <= cy + 1; ++y) {
      for (int32_t x = cx - 1; x <= cx + 1; ++x) {
        pixels[(static_cast<size_t>(y) * kWidth) + static_cast<size_t>(x)] = 0xFFFF0000u;
      }
    }
  }
  ASSERT_EQ(SaveDIB(path.string(), DibSource{kWidth, kHeight, pixels.data(), kWidth, 96.0}), 0);
}

TEST_F(CliGeoRefTest, AnInsertedScanLiesWhereItsControlPointsSay) {
  ASSERT_EQ(
      RunCli("--maps '" + maps.string() + "' import '" +
             (fs::path(TOLVANE_SOURCE_DIR) / "data" / "demo" / "Cassel_County.mie").string() + "'")
          .status,
      0);
  const fs::path scan = folder.path() / "scan.bmp";
  WriteScan(scan);
  const std::string points = " --p1 100,200,38.7,-78.4 --p2 900,400,38.6,-78.2";
  const CliRun run =
      Run("--picture '" + scan.string() + "'" + points + " --insert 'Cassel County' PARKS");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.lines[0].find("\"object\":{\"position\":"), std::string::npos) << run.lines[0];
  EXPECT_NE(run.lines[0].find("\"type\":\"PICTURE\""), std::string::npos) << run.lines[0];
  const fs::path mapFolder = maps / "OverlayMaps" / "Cassel County";
  ASSERT_TRUE(fs::exists(mapFolder / "scan.bmp"));

  // The centre of a view on each control point is red.
  for (const char* centre : {"38.7,-78.4", "38.6,-78.2"}) {
    const fs::path out = folder.path() / "centre.bmp";
    ASSERT_EQ(RunCli("--maps '" + maps.string() + "' picture --format bmp --view " + centre +
                     ",20000 --size 201x201 --out '" + out.string() + "'")
                  .status,
              0);
    DibImage image;
    ASSERT_EQ(DecodeDib(ReadWholeFile(out), image), 0);
    bool red = false;
    for (int32_t y = 99; y <= 101; ++y) {
      for (int32_t x = 99; x <= 101; ++x) {
        const uint32_t pixel =
            image.argb[(static_cast<size_t>(y) * static_cast<size_t>(image.width)) +
                       static_cast<size_t>(x)];
        red = red || (pixel & 0xFFFFFFu) == 0xFF0000u;
      }
    }
    EXPECT_TRUE(red) << "no red within a pixel of the centre of the view on " << centre;
  }

  // A second insert of the same file takes a name of its own beside the first copy; a refusal
  // (a map that does not exist, a folder as the picture) leaves no copy and no object.
  ASSERT_EQ(
      Run("--picture '" + scan.string() + "'" + points + " --insert 'Cassel County' PARKS").status,
      0);
  EXPECT_TRUE(fs::exists(mapFolder / "scan1.bmp"));
  EXPECT_EQ(Run("--picture '" + scan.string() + "'" + points + " --insert Nowhere PARKS").status,
            1);
  EXPECT_EQ(Run("--size 1000x500" + points + " --insert 'Cassel County' PARKS").status, 1);
  const size_t files = static_cast<size_t>(
      std::distance(fs::directory_iterator(mapFolder), fs::directory_iterator()));
  EXPECT_EQ(
      Run("--picture '" + folder.path().string() + "'" + points + " --insert 'Cassel County' PARKS")
          .status,
      1);
  EXPECT_EQ(static_cast<size_t>(
                std::distance(fs::directory_iterator(mapFolder), fs::directory_iterator())),
            files);
}

}  // namespace
}  // namespace tlv::test
