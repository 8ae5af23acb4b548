// Runs the built program off screen on a temporary program folder: one running copy, a second
// copy forwarding a command word, and the orderly end on a quit request.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    ASSERT_TRUE(fs::exists(binary)) << "the program was not built";
    program = folder.path() / "Program";
    fs::create_directories(program / "TolvaneMaps" / "BasemapFiles" / "Settings");
    test::WriteWholeFile(program / "TolvaneMaps" / "BasemapFiles" / "Settings" / "global.map",
                         "MAP\nEND\n");
    fs::create_directories(program / "fonts");
    for (const char* font : {"TOLVANED.ttf", "TOLVANEP.ttf", "TOLVANE2.ttf"}) {
      fs::copy_file(fs::path(TOLVANE_SOURCE_DIR) / "data" / "fonts" / font,
                    program / "fonts" / font);
    }
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "e2e");
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("e2e");
  }

  pid_t Start(const std::vector<std::string>& args) {
    return test::SpawnProgram(binary, args, environment);
  }
  bool Logged(const std::string& line, std::chrono::seconds timeout) {
    return !test::WaitForLogLine(log, line, timeout).empty();
  }

  test::TempFolder folder;
  fs::path binary, program, log;
  std::vector<std::string> environment;
  pid_t running = -1;
};

TEST_F(ProgramTest, SecondCopyForwardsItsWordAndQuitSavesTheSettings) {
  const auto started = Clock::now();
  running = Start({});
  ASSERT_GT(running, 0);
  ASSERT_TRUE(Logged("ready", std::chrono::seconds(60))) << "the first copy never got ready";
  const auto ready = Clock::now();
  std::printf("start-up to an idle window: %lld ms (sanitizer build)\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(ready - started).count()));

  const pid_t second = Start({"redraw"});
  ASSERT_GT(second, 0);
  EXPECT_EQ(test::WaitForExit(second, std::chrono::seconds(30)), 0);
  EXPECT_TRUE(Logged("notice 9998", std::chrono::seconds(30)));

  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(test::WaitForExit(running, std::chrono::seconds(30)), 0);
  running = -1;
  EXPECT_TRUE(Logged("shutdown", std::chrono::seconds(1)));
  const fs::path settings = program / "TolvaneMaps" / "Settings";
  EXPECT_EQ(fs::file_size(settings / "SETTING3.PLT"), 688u);
  EXPECT_TRUE(fs::is_directory(settings / "Views"));
  EXPECT_TRUE(fs::is_directory(program / "TolvaneMaps" / "OverlayMaps" / "UserMap"));
  const std::string ini = test::ReadWholeFile(folder.path() / "config" / "TOLVANE.INI");
  EXPECT_NE(ini.find("[window]\nposition="), std::string::npos) << ini;
}

TEST_F(ProgramTest, WordForARunningCopyStartsNothingWhenNoneRuns) {
  const pid_t pid = Start({"redraw"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(test::WaitForExit(pid, std::chrono::seconds(30)), 0);
  EXPECT_FALSE(fs::exists(log));
  EXPECT_FALSE(fs::exists(program / "TolvaneMaps" / "Settings"));
}

TEST_F(ProgramTest, FailedStartUpShowsItsAlertAndSavesNothing) {
  fs::remove_all(program / "TolvaneMaps");
  const pid_t pid = Start({});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(test::WaitForExit(pid, std::chrono::seconds(30)), 0);
  EXPECT_NE(
      test::ReadWholeFile(log).find("alert 8000 Unable to locate the \"TolvaneMaps\" folder."),
      std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(log).find("ready"), std::string::npos);
  EXPECT_FALSE(fs::exists(program / "userfolder.txt"));
  EXPECT_FALSE(fs::exists(folder.path() / "config" / "TOLVANE.INI"));
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

size_t LinesStartingWith(const fs::path& log, const std::string& start) {
  std::istringstream lines(test::ReadWholeFile(log));
  size_t n = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(start, 0) == 0) ++n;
  }
  return n;
}

TEST_F(ProgramTest, OfTwoCopiesStartedTogetherOneRunsAndTheOtherEnds) {
  running = Start({});
  const pid_t other = Start({});
  ASSERT_GT(running, 0);
  ASSERT_GT(other, 0);
  ASSERT_TRUE(Logged("ready", std::chrono::seconds(60)));
  // One of the two ends by itself, having handed its start to the other.
  pid_t ended = -1;
  int status = -1;
  const auto until = Clock::now() + std::chrono::seconds(30);
  while (ended < 0 && Clock::now() < until) {
    for (const pid_t pid : {running, other}) {
      int raw = 0;
      if (::waitpid(pid, &raw, WNOHANG) == pid) {
        ended = pid;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const pid_t survivor = ended == running ? other : running;
  running = survivor;
  ASSERT_GT(ended, 0) << "both copies still run";
  EXPECT_EQ(status, 0);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(LinesStartingWith(log, "ready"), 1u) << test::ReadWholeFile(log);
  EXPECT_EQ(::waitpid(survivor, nullptr, WNOHANG), 0) << "the running copy went on";

  ASSERT_EQ(::kill(survivor, SIGTERM), 0);
  EXPECT_EQ(test::WaitForExit(survivor, std::chrono::seconds(30)), 0);
  running = -1;
  EXPECT_EQ(LinesStartingWith(log, "shutdown"), 1u);
}

TEST_F(ProgramTest, ATerminationSignalKeepsTheTemporaryObjectsWithoutAsking) {
  // The User's Map with one object on the Temporary Overlay, made by tolvane-cli.
  const fs::path maps = program / "TolvaneMaps";
  fs::create_directories(maps / "Settings");
  fs::create_directories(maps / "OverlayMaps" / "UserMap");
  std::string nameDotMap(56, '\0');
  nameDotMap.replace(0, 10, "User's map");
  nameDotMap.replace(46, 5, "00000");
  test::WriteWholeFile(maps / "OverlayMaps" / "UserMap" / "NAME.MAP", nameDotMap);
  test::WriteWholeFile(folder.path() / "scratch.mie",
                       "\"\" \"\" \"\" \"\" 2 \"\" \"Sketch\" 0 \"Temporary Overlay\" \"\" POINT "
                       "\"\" 0 \"\" 0 ONLY 0\r\n1 1 1 -70.5 41.5\r\n");
  const std::string mapsOption = "--maps '" + maps.string() + "'";
  ASSERT_EQ(test::RunCli(mapsOption + " import '" + (folder.path() / "scratch.mie").string() + "'")
                .status,
            0);

  running = Start({});
  ASSERT_GT(running, 0);
  ASSERT_TRUE(Logged("ready", std::chrono::seconds(60)));
  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(test::WaitForExit(running, std::chrono::seconds(30)), 0);
  running = -1;
  EXPECT_TRUE(Logged("shutdown", std::chrono::seconds(1)));
  EXPECT_EQ(LinesStartingWith(log, "question"), 0u) << test::ReadWholeFile(log);
  const test::CliRun objects =
      test::RunCli(mapsOption + " objects \"User's Map\" 'Temporary Overlay'");
  ASSERT_EQ(objects.status, 0);
  EXPECT_EQ(objects.lines.size(), 1u);
}

}  // namespace
}  // namespace tlv
