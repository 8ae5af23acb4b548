// Runs the built program off screen on a temporary program folder: one running copy, a second
// copy forwarding a command word, and the orderly end on a quit request.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
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
