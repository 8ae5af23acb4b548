#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "base/platform.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using platform::Process;
using platform::ProcessOptions;

ProcessOptions Shell(const std::string& script, const fs::path& output = {}) {
  ProcessOptions options;
  options.argv = {"/bin/sh", "-c", script};
  options.outputPath = output.string();
  return options;
}

class ProcessTest : public test::CoreTest {
 protected:
  test::TempFolder temp;
};

TEST_F(ProcessTest, RunsHiddenInItsOwnSessionWithOnlyTheStandardDescriptors) {
  const fs::path log = temp / "out.txt";
  ProcessOptions options = Shell(
      "echo \"$1|$(pwd)\"; ls /proc/self/fd | tr '\\n' ' '; echo; "
      "readlink /proc/self/fd/0; echo \"sid=$(cut -d' ' -f6 /proc/$$/stat) pid=$$\"; exit 7",
      log);
  options.argv.push_back("sh");
  options.argv.push_back("a b \"c\" $(touch x)");
  options.workingFolder = temp.path().string();
  Process process;
  ASSERT_EQ(process.Start(options), 0) << process.StartError();
  EXPECT_EQ(process.WaitForExit(10, {}, 1000), 0);
  EXPECT_EQ(process.ExitStatus(), 7);
  const std::string out = test::ReadWholeFile(log);
  EXPECT_NE(out.find("a b \"c\" $(touch x)|" + temp.path().string()), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(temp / "x"));
  // ls itself opens one more descriptor for the listing.
  EXPECT_NE(out.find("0 1 2 3 \n"), std::string::npos) << out;
  EXPECT_NE(out.find("/dev/null"), std::string::npos) << out;
  const std::string pid = std::to_string(process.Id());
  EXPECT_NE(out.find("sid=" + pid + " pid=" + pid), std::string::npos) << out;
}

TEST_F(ProcessTest, AMissingProgramIsNotStarted) {
  ProcessOptions options;
  options.argv = {(temp / "missing").string()};
  Process process;
  EXPECT_EQ(process.Start(options), -1);
  EXPECT_NE(process.StartError().find("missing"), std::string::npos);
  EXPECT_FALSE(process.Running());
  EXPECT_EQ(process.ExitStatus(), -1);
  test::WriteWholeFile(temp / "plain", "not a program");
  options.argv = {(temp / "plain").string()};
  EXPECT_EQ(process.Start(options), -1);
  options.argv = {};
  EXPECT_EQ(process.Start(options), -1);
}

TEST_F(ProcessTest, CancellingAsksTheGroupToEndThenKillsWhatIgnoresIt) {
  Process polite;
  ASSERT_EQ(polite.Start(Shell("sleep 30")), 0);
  int polls = 0;
  EXPECT_EQ(polite.WaitForExit(
                5, [&] { return ++polls > 3; }, 4000),
            -2);
  EXPECT_FALSE(polite.Running());

  // A tool that ignores SIGTERM, with a child of its own in the group.
  const fs::path marker = temp / "child.pid";
  Process stubborn;
  ASSERT_EQ(stubborn.Start(Shell("trap '' TERM; sleep 30 & echo $! > " + marker.string() +
                                 "; while :; do sleep 1; done")),
            0);
  while (!fs::exists(marker) || test::ReadWholeFile(marker).empty()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(stubborn.WaitForExit(
                5, [] { return true; }, 300),
            -2);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(stubborn.ExitStatus(), 128 + SIGKILL);
  const std::string child = test::ReadWholeFile(marker);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(fs::exists("/proc/" + child.substr(0, child.find('\n')) + "/status") &&
               test::ReadWholeFile("/proc/" + child.substr(0, child.find('\n')) + "/status")
                       .find("State:\tS") != std::string::npos)
      << "the group's other process outlived the kill";
}

TEST_F(ProcessTest, AProcessStillRunningIsKilledAndReapedWhenItsOwnerGoes) {
  int32_t pid = -1;
  {
    Process process;
    ASSERT_EQ(process.Start(Shell("sleep 30")), 0);
    pid = process.Id();
    EXPECT_TRUE(process.Running());
  }
  EXPECT_FALSE(fs::exists("/proc/" + std::to_string(pid)));
}

}  // namespace
}  // namespace tlv
