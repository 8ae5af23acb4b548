// The basemap package as shipped (data/basemap, beside the built programs as basemaptools/), run
// through tolvane-cli and runtool on a copy of the default maps folder whose path has blanks,
// quotes and "$" in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

// A PNG's width and height from its header; 0 x 0 for anything else.
std::pair<uint32_t, uint32_t> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
  const auto word = [&bytes](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3]));
  };
  return {word(16), word(20)};
}

// A path as one shell word: in single quotes, with the quote itself spelt out.
std::string ShellWord(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

class BasemapE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    maps = temp.path() / "maps \"q\" 'x' $HOME" / "TolvaneMaps";
    fs::create_directories(maps.parent_path());
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    exchange = maps / "BasemapFiles" / "Temp";
  }

  std::string MapsArg() const { return "--maps " + ShellWord(maps.string()); }

  test::CliRun Tool(const std::string& arguments) {
    return test::RunCli(MapsArg() + " basemap tool " + arguments);
  }

  test::TempFolder temp;
  fs::path maps;
  fs::path exchange;
};

TEST_F(BasemapE2ETest, RendersTheDemoCountysBasemapAsAPicture) {
  const fs::path out = temp.path() / "basemap.png";
  const test::CliRun run = test::RunCli(MapsArg() +
                                        " basemap render --view 38.65,-78.35,250000 --size "
                                        "640x480 --out '" +
                                        out.string() + "' --query rect -78.5,38.5,-78.2,38.8");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.out.find("\"ok\":true"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"phpError\":\"\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("php/php\""), std::string::npos) << run.out;
  EXPECT_EQ(PngSize(test::ReadWholeFile(out)), (std::pair<uint32_t, uint32_t>{640, 480}));
  const std::string makemap = test::ReadWholeFile(exchange / "makemap.php");
  EXPECT_NE(makemap.find("$basemapOn = 1;"), std::string::npos);
  EXPECT_NE(makemap.find("query_rect"), std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(exchange / "rect.map").substr(0, 21), "-78.500000 38.800000\r");
  EXPECT_FALSE(fs::exists(exchange / "php_error.txt"));
}

TEST_F(BasemapE2ETest, TheWindowsDrawingPassShowsTheBasemapUnderTheOverlaysWhenItsButtonIsOn) {
  const fs::path without = temp.path() / "without.png";
  const fs::path with = temp.path() / "with.png";
  const std::string view = " render --view 38.65,-78.35,250000 --size 320x240 --out '";
  ASSERT_EQ(test::RunCli(MapsArg() + view + without.string() + "'").status, 0);
  fs::create_directories(exchange);
  test::WriteWholeFile(exchange / "mapbuttons.txt", "1000   ");
  ASSERT_EQ(test::RunCli(MapsArg() + view + with.string() + "'").status, 0);
  EXPECT_NE(test::ReadWholeFile(with), test::ReadWholeFile(without));
  EXPECT_TRUE(fs::exists(exchange / "MapServer.png"));
}

TEST_F(BasemapE2ETest, LooksUpAddressesPlacesAndElevationOffline) {
  test::CliRun run = Tool("address --click 38.7,-78.1");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("Rappahannock County"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Virginia"), std::string::npos) << run.out;

  run = Tool("find_address --text 22747");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("\"click\":[38.7078,-78.1566]"), std::string::npos) << run.out;

  // Nothing found: the Click Point stays and the package's reason is the result.
  run = Tool("find_address --text '1 Main St' --click 38.1,-78.2");
  EXPECT_NE(run.out.find("\"click\":[38.1,-78.2]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("street addresses need an online service"), std::string::npos);

  run = Tool("elevation --click 38.7,-78.1");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("No elevation data is installed."), std::string::npos) << run.out;

  run = Tool("population_in_radius --click 38.7,-78.1");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("population.hta"), std::string::npos) << run.out;
  const std::string page = test::ReadWholeFile(exchange / "population.hta");
  EXPECT_NE(page.find("<title>TOLVANE - Population</title>"), std::string::npos);
  EXPECT_NE(page.find("Washington"), std::string::npos) << page;
  // The radius circle is left for the map to draw: a closed ring of 101 points.
  const std::string ring = test::ReadWholeFile(exchange / "circle.map");
  EXPECT_EQ(std::count(ring.begin(), ring.end(), '\n'), 101);
  EXPECT_EQ(ring.substr(0, ring.find('\n')),
            ring.substr(ring.rfind('\n', ring.size() - 2) + 1, ring.find('\n')));

  run = Tool("info_in_area --area -78.6,38.4,-78.0,38.9");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string info = test::ReadWholeFile(exchange / "MapServerData.hta");
  EXPECT_NE(info.find("Rappahannock"), std::string::npos);
  EXPECT_NE(info.find("22747 Washington"), std::string::npos);
  EXPECT_NE(info.find("runtool:get_elevation.php?"), std::string::npos);

  run = Tool("weather");
  EXPECT_NE(run.out.find("not installed: this basemap package works offline"), std::string::npos);
}

TEST_F(BasemapE2ETest, RuntoolStartsAPackageToolThatWritesIntoTheExchangeFolder) {
  // The program's start-up makes the exchange folder and tells its tools where it is.
  ASSERT_EQ(Tool("redraw").status, 0);
  ASSERT_TRUE(fs::exists(exchange));
  const fs::path program = temp.path() / "program";
  fs::create_directories(program);
  fs::create_directory_symlink(test::BuiltProgram("basemaptools"), program / "basemaptools");
  const std::string command =
      "cd " + ShellWord(program.string()) + " && TOLVANE_EXCHANGE=" + ShellWord(exchange.string()) +
      " " + ShellWord(test::BuiltProgram("runtool").string()) + " get_elevation.php 38.7 -78.1";
  ASSERT_EQ(std::system(command.c_str()), 512) << "runtool's status for a started tool is 2";
  const fs::path answer = exchange / "elevation.txt";
  for (int i = 0; i < 100 && test::ReadWholeFile(answer).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(test::ReadWholeFile(answer), "No elevation data is installed.\n");
}

}  // namespace
}  // namespace tlv
