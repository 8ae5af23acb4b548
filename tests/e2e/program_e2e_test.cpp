// Runs the built program off screen on a temporary program folder: one running copy, a second
// copy forwarding a command word, and the orderly end on a quit request.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

extern char** environ;

namespace tlv {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = fs::path(TOLVANE_BINARY_DIR) / "src" / "tolvane";
    if (!fs::exists(binary)) GTEST_SKIP() << "the program was not built";
    program = folder.path() / "Program";
    fs::create_directories(program / "TolvaneMaps" / "BasemapFiles" / "Settings");
    test::WriteWholeFile(program / "TolvaneMaps" / "BasemapFiles" / "Settings" / "global.map",
                         "MAP\nEND\n");
    fs::create_directories(program / "fonts");
    for (const char* font : {"TOLVANED.ttf", "TOLVANEP.ttf", "TOLVANE2.ttf"}) {
      fs::copy_file(fs::path(TOLVANE_SOURCE_DIR) / "data" / "fonts" / font, program / "fonts" / font);
    }
    log = folder.path() / "events.log";
    fs::create_directories(folder.path() / "runtime");
    fs::permissions(folder.path() / "runtime", fs::perms::owner_all);
    environment = {
        "QT_QPA_PLATFORM=offscreen",
        "TOLVANE_PROGRAM_FOLDER=" + program.string(),
        "TOLVANE_EVENT_LOG=" + log.string(),
        "TOLVANE_INSTANCE=tolvane-e2e-" + std::to_string(::getpid()),
        "XDG_CONFIG_HOME=" + (folder.path() / "config").string(),
        "XDG_DATA_HOME=" + (folder.path() / "data").string(),
        "XDG_RUNTIME_DIR=" + (folder.path() / "runtime").string(),
        "TOLVANE_UNATTENDED=1",
        "HOME=" + folder.path().string(),
        "ASAN_OPTIONS=detect_leaks=0",
    };
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
  }

  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> all = {binary.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
      return -1;
    }
    return pid;
  }
  // Waits for the process to end; its exit status, or -1 after the timeout.
  int Wait(pid_t pid, std::chrono::seconds timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  bool WaitForLogLine(const std::string& line, std::chrono::seconds timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
      if (test::ReadWholeFile(log).find(line + "\n") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
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
  ASSERT_TRUE(WaitForLogLine("ready", std::chrono::seconds(60))) << "the first copy never got ready";
  const auto ready = Clock::now();
  std::printf("start-up to an idle window: %lld ms (sanitizer build)\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(ready - started).count()));

  const pid_t second = Start({"redraw"});
  ASSERT_GT(second, 0);
  EXPECT_EQ(Wait(second, std::chrono::seconds(30)), 0);
  EXPECT_TRUE(WaitForLogLine("notice 9998", std::chrono::seconds(30)));

  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(Wait(running, std::chrono::seconds(30)), 0);
  running = -1;
  EXPECT_TRUE(WaitForLogLine("shutdown", std::chrono::seconds(1)));
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
  EXPECT_EQ(Wait(pid, std::chrono::seconds(30)), 0);
  EXPECT_FALSE(fs::exists(log));
  EXPECT_FALSE(fs::exists(program / "TolvaneMaps" / "Settings"));
}

TEST_F(ProgramTest, FailedStartUpShowsItsAlertAndSavesNothing) {
  fs::remove_all(program / "TolvaneMaps");
  const pid_t pid = Start({});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(Wait(pid, std::chrono::seconds(30)), 0);
  EXPECT_NE(test::ReadWholeFile(log).find("alert 8000 Unable to locate the \"TolvaneMaps\" folder."),
            std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(log).find("ready"), std::string::npos);
  EXPECT_FALSE(fs::exists(program / "userfolder.txt"));
  EXPECT_FALSE(fs::exists(folder.path() / "config" / "TOLVANE.INI"));
}

}  // namespace
}  // namespace tlv
