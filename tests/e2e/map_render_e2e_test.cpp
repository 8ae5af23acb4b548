// Draws the demo county twice: the program off screen saves its map area once the first pass is
// done, and tolvane-cli render draws the same view; both pictures must show the map and match
// pixel for pixel. Then tolvane-cli render as a user runs it: after the county is imported again
// in Update mode (which leaves the replaced objects' records behind, deleted) the picture is the
// one drawn after the first import, and a pass that raises an alert ends with a failure status
// and the alert's text on standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/preferences.h"
#include "base/memory.h"
#include "e2e/e2e_support.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::Count;
using test::Pixels;
using test::ReadBmp;

const fs::path kBinaryDir = fs::path(TOLVANE_BINARY_DIR) / "src";
const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

class MapRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = kBinaryDir / "tolvane";
    cli = kBinaryDir / "tolvane-cli";
    ASSERT_TRUE(fs::exists(binary) && fs::exists(cli)) << "tolvane and tolvane-cli were not built";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    fs::create_directories(program);
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    fs::copy(kSourceDir / "data" / "fonts", program / "fonts", fs::copy_options::recursive);
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "render-e2e");
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("render-e2e");
  }

  pid_t Spawn(const fs::path& exe, const std::vector<std::string>& args,
              const std::vector<std::string>& extraEnv, const fs::path& output) {
    std::vector<std::string> env = environment;
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return test::SpawnProgram(exe, args, env, output);
  }
  int Wait(pid_t pid, std::chrono::seconds timeout) { return test::WaitForExit(pid, timeout); }
  int RunCli(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(cli, args, {}, folder.path() / "cli.out");
    return pid > 0 ? Wait(pid, std::chrono::seconds(120)) : -1;
  }
  // Runs tolvane-cli on the maps folder, keeping what it prints on both streams.
  struct Printed {
    int status = -1;
    std::string out;
    std::string err;
  };
  Printed CliPrinting(const std::vector<std::string>& args) {
    const fs::path out = folder.path() / "cli.out";
    const fs::path err = folder.path() / "cli.err";
    std::vector<std::string> all = {"--maps", maps.string()};
    all.insert(all.end(), args.begin(), args.end());
    Printed printed;
    const pid_t pid = test::SpawnProgram(cli, all, environment, out, err);
    if (pid <= 0) return printed;
    printed.status = Wait(pid, std::chrono::seconds(120));
    printed.out = test::ReadWholeFile(out);
    printed.err = test::ReadWholeFile(err);
    return printed;
  }
  Printed ImportCounty() {
    return CliPrinting({"import", (kSourceDir / "data" / "demo" / "Cassel_County.mie").string(),
                        "--mode", "update"});
  }
  Printed RenderCounty(const fs::path& bmp) {
    return CliPrinting(
        {"render", "--fit", "Cassel County", "--size", "480x360", "--out", bmp.string()});
  }

  std::string LogLine(const std::string& start, std::chrono::seconds timeout) {
    return test::WaitForLogLine(log, start, timeout);
  }

  // The Home view fits the county, so the program opens on it.
  void SaveHomeView(const WRect& rect, const std::function<void()>& alsoSet = {}) {
    ASSERT_EQ(InitWindowsHandles(), 0);
    ASSERT_EQ(InitDirectoryTable(), 0);
    int32_t settingsID = -1;
    ASSERT_EQ(RegisterDirectory((maps / "Settings").string() + "/", true, settingsID), 0);
    SetDefaultPreferences();
    ViewRecord home = HomeView();
    home.rect = rect;
    home.scale = 0;
    SetHomeView(home);
    if (alsoSet) alsoSet();
    ASSERT_EQ(SaveSettings(0, settingsID), 0);
    ReleaseDirectoryTable();
  }

  test::TempFolder folder;
  fs::path binary, cli, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
};

TEST_F(MapRenderTest, WindowAndCliDrawTheDemoCountyAlike) {
  ASSERT_EQ(RunCli({"--maps", maps.string(), "import",
                    (kSourceDir / "data" / "demo" / "Cassel_County.mie").string()}),
            0);
  // The county's outline: 78.62 to 78.0 W, 38.4 to 38.84 N.
  SaveHomeView({101380000, 128400000, 102000000, 128840000});

  const fs::path window = folder.path() / "window.bmp";
  running =
      Spawn(binary, {}, {"TOLVANE_MAP_SNAPSHOT=" + window.string()}, folder.path() / "tolvane.out");
  ASSERT_GT(running, 0);
  const std::string line = LogLine("mapsnapshot ", std::chrono::seconds(60));
  ASSERT_FALSE(line.empty()) << test::ReadWholeFile(log);
  ::kill(running, SIGTERM);
  EXPECT_EQ(Wait(running, std::chrono::seconds(30)), 0);
  running = -1;

  std::istringstream words(line.substr(std::string("mapsnapshot ").size()));
  std::string file;
  long scale = 0, left = 0, top = 0, width = 0, height = 0;
  words >> file >> scale >> left >> top >> width >> height;
  ASSERT_GT(width, 100);
  ASSERT_GT(height, 100);
  EXPECT_LT(scale, 1000000) << "the Home view shows the county";

  const fs::path drawn = folder.path() / "cli.bmp";
  const std::string corner =
      std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(scale);
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  ASSERT_EQ(RunCli({"--maps", maps.string(), "render", "--corner", corner, "--size", size, "--out",
                    drawn.string()}),
            0);
  const fs::path png = folder.path() / "cli.png";
  ASSERT_EQ(RunCli({"--maps", maps.string(), "render", "--corner", corner, "--size", size, "--out",
                    png.string()}),
            0);
  EXPECT_EQ(test::ReadWholeFile(png).substr(1, 3), "PNG");

  Pixels a, b;
  ASSERT_TRUE(ReadBmp(window, a));
  ASSERT_TRUE(ReadBmp(drawn, b));
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  size_t differing = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) differing += a.rgb[i] != b.rgb[i];
  EXPECT_EQ(differing, 0u);
  // Roads (red and dark blue lines), the river (blue), black symbols and labels, and the lake's
  // light blue pattern are all there.
  EXPECT_GT(Count(a, 0xFF0000), 200u);
  EXPECT_GT(Count(a, 0x0000FF), 200u);
  EXPECT_GT(Count(a, 0x000000), 500u);
  EXPECT_GT(Count(a, 0x00FFFF), 100u);
  EXPECT_GT(Count(a, 0xFFFFFF), a.rgb.size() / 2) << "mostly white paper";
}

// The decorations a user switches on in the window (grid, scale bar, compass, time stamp at
// their default places) come out of tolvane-cli render with the same switches pixel for pixel,
// but for the time stamp, whose minute may differ.
TEST_F(MapRenderTest, WindowAndCliDrawTheDecorationsAlike) {
  ASSERT_EQ(ImportCounty().status, 0);
  fs::copy_file(kSourceDir / "data" / "compass.png", program / "compass.png");
  SaveHomeView({101380000, 128400000, 102000000, 128840000}, [] {
    SetPref(Pref::kGridShown, 1);
    SetPref(Pref::kScaleBarShown, 1);
    SetPref(Pref::kCompassShown, 1);
    SetPref(Pref::kTimeStampShown, 1);
    SetPref(Pref::kTimeStampDateKind, 1);
    SetPref(Pref::kTimeStampTimeKind, 1);
  });
  const fs::path window = folder.path() / "window.bmp";
  running =
      Spawn(binary, {}, {"TOLVANE_MAP_SNAPSHOT=" + window.string()}, folder.path() / "tolvane.out");
  ASSERT_GT(running, 0);
  const std::string line = LogLine("mapsnapshot ", std::chrono::seconds(60));
  ASSERT_FALSE(line.empty()) << test::ReadWholeFile(log);
  ::kill(running, SIGTERM);
  EXPECT_EQ(Wait(running, std::chrono::seconds(30)), 0);
  running = -1;
  std::istringstream words(line.substr(std::string("mapsnapshot ").size()));
  std::string file;
  long scale = 0, left = 0, top = 0, width = 0, height = 0;
  words >> file >> scale >> left >> top >> width >> height;
  ASSERT_GT(width, 100);

  const fs::path drawn = folder.path() / "cli.bmp";
  const Printed printed =
      CliPrinting({"render", "--corner",
                   std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(scale),
                   "--size", std::to_string(width) + "x" + std::to_string(height), "--out",
                   drawn.string(), "--grid", "--scalebar", "--compass", "--timestamp"});
  ASSERT_EQ(printed.status, 0) << printed.err;
  std::smatch stamp;
  ASSERT_TRUE(std::regex_search(
      printed.out, stamp, std::regex("\"timestamp\":\\{\"box\":\\[(\\d+),(\\d+),(\\d+),(\\d+)\\]")))
      << printed.out;
  std::smatch compass;
  ASSERT_TRUE(std::regex_search(
      printed.out, compass, std::regex("\"compass\":\\{\"box\":\\[(\\d+),(\\d+),(\\d+),(\\d+)\\]")))
      << printed.out;
  EXPECT_NE(printed.out.find("\"scalebar\":{\"box\":"), std::string::npos);
  EXPECT_NE(printed.out.find("\"grid\":{\"meridianEntry\":"), std::string::npos);

  Pixels a, b;
  ASSERT_TRUE(ReadBmp(window, a));
  ASSERT_TRUE(ReadBmp(drawn, b));
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  const int sl = std::stoi(stamp[1]), st = std::stoi(stamp[2]), sr = std::stoi(stamp[3]),
            sb = std::stoi(stamp[4]);
  size_t differing = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (x >= sl && x < sr && y >= st && y < sb) continue;
      const size_t i = static_cast<size_t>(y) * a.width + x;
      differing += a.rgb[i] != b.rgb[i];
    }
  }
  EXPECT_EQ(differing, 0u);
  // The compass is there: black inside its box, at (0.2, 0.2) of the map area.
  const int cl = std::stoi(compass[1]), ct = std::stoi(compass[2]), cr = std::stoi(compass[3]),
            cb = std::stoi(compass[4]);
  EXPECT_NEAR((cl + cr) / 2, width / 5, 1);
  EXPECT_NEAR((ct + cb) / 2, height / 5, 1);
  size_t black = 0;
  for (int y = ct; y < cb; ++y) {
    for (int x = cl; x < cr; ++x) black += a.rgb[static_cast<size_t>(y) * a.width + x] == 0;
  }
  EXPECT_GT(black, 100u);
}

TEST_F(MapRenderTest, CountyImportedAgainInUpdateModeDrawsAsAfterTheFirstImport) {
  ASSERT_EQ(ImportCounty().status, 0);
  const fs::path first = folder.path() / "first.bmp";
  const Printed once = RenderCounty(first);
  ASSERT_EQ(once.status, 0) << once.err;
  const Printed again = ImportCounty();
  ASSERT_EQ(again.status, 0) << again.err;
  ASSERT_NE(again.out.find("updated 296"), std::string::npos) << again.out;
  const fs::path second = folder.path() / "second.bmp";
  const Printed twice = RenderCounty(second);
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_EQ(twice.err.find("cannot be read"), std::string::npos) << twice.err;

  Pixels a, b;
  ASSERT_TRUE(ReadBmp(first, a));
  ASSERT_TRUE(ReadBmp(second, b));
  // Roads in red and the river in blue show, and both pictures agree pixel for pixel.
  EXPECT_GT(Count(b, 0xFF0000), 200u);
  EXPECT_GT(Count(b, 0x0000FF), 200u);
  EXPECT_TRUE(a.rgb == b.rgb);
}

TEST_F(MapRenderTest, AnAlertDuringThePassFailsTheRenderWithItsText) {
  ASSERT_EQ(ImportCounty().status, 0);
  // The first road's record gets a kind no drawing knows.
  const Printed listed = CliPrinting({"objects", "Cassel County", "ROADS"});
  ASSERT_EQ(listed.status, 0);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(listed.out, match, std::regex("\"position\":([0-9]+)")));
  const size_t position = std::stoul(match[1]);
  const fs::path objects = maps / "OverlayMaps" / "Cassel County" / "ROADS.OBJ";
  std::string bytes = test::ReadWholeFile(objects);
  ASSERT_GT(bytes.size(), position + kObjTypeOffset);
  bytes[position + kObjTypeOffset] = 9;
  test::WriteWholeFile(objects, bytes);

  const fs::path bmp = folder.path() / "broken.bmp";
  const Printed drawn = RenderCounty(bmp);
  EXPECT_NE(drawn.status, 0);
  EXPECT_NE(drawn.err.find("Technical error while drawing: Unknown object type: 9"),
            std::string::npos)
      << drawn.err;
  EXPECT_EQ(drawn.out, "") << "no success line";
  EXPECT_TRUE(fs::exists(bmp)) << "what did draw is kept for a look";
}

}  // namespace
}  // namespace tlv
