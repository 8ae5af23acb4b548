// Draws a polygon on the demo county as a person would: the program started off screen plays a
// script of clicks and keys (TOLVANE_INPUT_SCRIPT), answers the Object Settings dialog, and
// quits keeping the Temporary Overlay's objects; tolvane-cli then lists the polygon with the
// vertices that were clicked, in world units, and verify finds nothing wrong on the map.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/preferences.h"
#include "base/memory.h"
#include "e2e/e2e_support.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

class DrawE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    cli = test::BuiltProgram("tolvane-cli");
    ASSERT_TRUE(fs::exists(binary) && fs::exists(cli)) << "tolvane and tolvane-cli were not built";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    fs::create_directories(program);
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    fs::copy(kSourceDir / "data" / "fonts", program / "fonts", fs::copy_options::recursive);
    // Every overlay loads locked; the configuration unlocks the Temporary Overlay for drawing.
    test::WriteWholeFile(maps / "Settings" / "MPCONFIG.TXT", "UNLOCKTEMPORARYLAYER YES\r\n");
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "draw-e2e");
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("draw-e2e");
  }

  test::CliRun Cli(const std::string& arguments) {
    return test::RunCli("--maps '" + maps.string() + "' " + arguments);
  }

  // The Home view fits the county, so the program opens on it.
  void SaveHomeView(const WRect& rect) {
    ASSERT_EQ(InitWindowsHandles(), 0);
    ASSERT_EQ(InitDirectoryTable(), 0);
    int32_t settingsID = -1;
    ASSERT_EQ(RegisterDirectory((maps / "Settings").string() + "/", true, settingsID), 0);
    SetDefaultPreferences();
    ViewRecord home = HomeView();
    home.rect = rect;
    home.scale = 0;
    SetHomeView(home);
    ASSERT_EQ(SaveSettings(0, settingsID), 0);
    ReleaseDirectoryTable();
  }

  std::vector<std::string> LogLines(const std::string& start) {
    return test::LogLinesStartingWith(log, start);
  }

  test::TempFolder folder;
  fs::path binary, cli, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
};

TEST_F(DrawE2eTest, AScriptedPolygonOnTheDemoCountyIsListedWithItsClickedVertices) {
  ASSERT_EQ(
      Cli("import '" + (kSourceDir / "data" / "demo" / "Cassel_County.mie").string() + "'").status,
      0);
  SaveHomeView({101380000, 128400000, 102000000, 128840000});

  const fs::path script = folder.path() / "draw.script";
  const fs::path picture = folder.path() / "drawing.png";
  test::WriteWholeFile(script,
                       "# a polygon of five vertices on the county\n"
                       "tool polygon\n"
                       "click 200 150\n"
                       "click 300 140\n"
                       "click 340 220\n"
                       "click 280 300\n"
                       "move 190 260\n"
                       "snapshot " +
                           picture.string() +
                           "\n"
                           "dblclick 190 260\n"
                           "field name Staging area\n"
                           "accept\n"
                           "wait 300\n"
                           "quit\n");
  std::vector<std::string> env = environment;
  env.push_back("TOLVANE_INPUT_SCRIPT=" + script.string());
  running = test::SpawnProgram(binary, {}, env, folder.path() / "tolvane.out");
  ASSERT_GT(running, 0);
  const int status = test::WaitForExit(running, std::chrono::seconds(120));
  running = -1;
  ASSERT_EQ(status, 0) << test::ReadWholeFile(log);
  EXPECT_TRUE(LogLines("scripterror").empty()) << test::ReadWholeFile(log);
  // Nothing the drawing did raised an alert (the message library is not staged here).
  for (const std::string& alert : LogLines("alert")) {
    EXPECT_NE(alert.find("libWEXO_32"), std::string::npos) << alert;
  }
  ASSERT_EQ(LogLines("created ").size(), 1u) << test::ReadWholeFile(log);
  EXPECT_TRUE(fs::exists(picture)) << "the rubber band was photographed";

  // The world points under the clicks, as the program logged them.
  std::vector<std::pair<long, long>> clicked;
  for (const std::string& line : LogLines("scriptpoint ")) {
    std::istringstream words(line.substr(std::string("scriptpoint ").size()));
    long px = 0, py = 0, wx = 0, wy = 0;
    words >> px >> py >> wx >> wy;
    clicked.emplace_back(wx, wy);
  }
  ASSERT_EQ(clicked.size(), 5u);

  const test::CliRun listed = Cli("objects \"User's Map\" \"Temporary Overlay\"");
  ASSERT_EQ(listed.status, 0);
  ASSERT_EQ(listed.lines.size(), 1u) << listed.out;
  const std::string& object = listed.lines[0];
  EXPECT_NE(object.find("\"type\":\"POLYGON\""), std::string::npos) << object;
  EXPECT_NE(object.find("\"name\":\"Staging area\""), std::string::npos) << object;
  const std::regex vertex(R"re(\{"x":([0-9]+),"y":([0-9]+),"newPiece":(true|false))re");
  std::vector<std::pair<long, long>> stored;
  for (auto it = std::sregex_iterator(object.begin(), object.end(), vertex);
       it != std::sregex_iterator(); ++it) {
    stored.emplace_back(std::stol((*it)[1]), std::stol((*it)[2]));
    EXPECT_EQ((*it)[3], stored.size() == 1 ? "true" : "false") << "one piece";
  }
  EXPECT_EQ(stored, clicked);
  // Inside the county's outline.
  for (const auto& [x, y] : stored) {
    EXPECT_GT(x, 101380000);
    EXPECT_LT(x, 102000000);
    EXPECT_GT(y, 128400000);
    EXPECT_LT(y, 128840000);
  }

  const test::CliRun verify = Cli("verify \"User's Map\"");
  EXPECT_EQ(verify.status, 0) << verify.out;
  EXPECT_EQ(verify.out.find("\"severity\":\"problem\""), std::string::npos) << verify.out;
}

}  // namespace
}  // namespace tlv
