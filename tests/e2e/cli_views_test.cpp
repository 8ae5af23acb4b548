// tolvane-cli views as a script would use it on the demo county: saving views with their
// thumbnails, a second view of the same name refused, and the list with the Home view marked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

class CliViewsTest : public ::testing::Test {
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

  TempFolder folder;
  fs::path maps;
};

TEST_F(CliViewsTest, SavedViewsAreListedWithTheirThumbnails) {
  CliRun run = Run("views");
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(run.lines.empty());

  run = Run("views save 'County seat' --view 38.62,-78.31,200000 --size 640x480 --home");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(
      run.lines[0].rfind("{\"name\":\"County seat\",\"map\":\"\",\"file\":\"County seat.VEW\","
                         "\"folder\":1,",
                         0),
      0u)
      << run.lines[0];
  EXPECT_NE(run.lines[0].find("\"scale\":200000"), std::string::npos);
  EXPECT_NE(run.lines[0].find("\"thumbnail\":[150,113,24],\"home\":true"), std::string::npos)
      << run.lines[0];

  // The same name again is refused and changes nothing.
  const fs::path views = maps / "Settings" / "Views";
  const std::string before = ReadWholeFile(views / "County seat.VEW");
  EXPECT_EQ(Run("views save 'County seat' --view 38.7,-78.2,50000 --size 200x200").status, 1);
  EXPECT_EQ(ReadWholeFile(views / "County seat.VEW"), before);

  // A tall view gets a tall thumbnail; "/" never makes a path; the Home view stays the first.
  ASSERT_EQ(Run("views save 'North/river' --view 38.75,-78.31,100000 --size 300x600").status, 0);
  run = Run("views");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_NE(run.lines[1].find("\"file\":\"North_river.VEW\""), std::string::npos) << run.lines[1];
  EXPECT_NE(run.lines[1].find("\"thumbnail\":[75,150,24],\"home\":false"), std::string::npos)
      << run.lines[1];
  EXPECT_NE(run.lines[0].find("\"home\":true"), std::string::npos) << run.lines[0];
  EXPECT_EQ(Run("views save").status, 64);
}

}  // namespace
}  // namespace tlv::test
