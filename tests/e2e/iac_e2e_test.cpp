// Runs the built program off screen with its own copy of the message library, and talks to it
// with wexo-peer as a sibling program would.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

class IacProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    peer = test::BuiltProgram("wexo-peer");
    ASSERT_TRUE(fs::exists(binary)) << "the program was not built";
    ASSERT_TRUE(fs::exists(peer)) << "wexo-peer was not built";
    program = folder.path() / "Program";
    const fs::path settings = program / "TolvaneMaps" / "BasemapFiles" / "Settings";
    fs::create_directories(settings);
    test::WriteWholeFile(settings / "global.map", "MAP\nEND\n");
    fs::create_directories(program / "fonts");
    for (const char* font : {"TOLVANED.ttf", "TOLVANEP.ttf", "TOLVANE2.ttf"}) {
      fs::copy_file(fs::path(TOLVANE_SOURCE_DIR) / "data" / "fonts" / font,
                    program / "fonts" / font);
    }
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "iac");
  }
  void TearDown() override {
    for (const pid_t pid : {running, second}) {
      if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
  }

  void GiveTheProgramItsLibrary() {
    fs::copy_file(test::BuiltProgram("libWEXO_32.so"), program / "libWEXO_32.so");
  }
  void StartAndWaitUntilReady() {
    running = test::SpawnProgram(binary, {}, environment);
    ASSERT_GT(running, 0);
    ASSERT_FALSE(test::WaitForLogLine(log, "ready", seconds(60)).empty())
        << test::ReadWholeFile(log);
  }
  // Runs wexo-peer with the program's environment; its standard output, and its status.
  std::string Peer(const std::vector<std::string>& args, int& status) {
    const fs::path out = folder.path() / ("peer" + std::to_string(++peerRuns) + ".out");
    const pid_t pid = test::SpawnProgram(peer, args, environment, out);
    status = pid > 0 ? test::WaitForExit(pid, seconds(30)) : -1;
    return test::ReadWholeFile(out);
  }

  test::TempFolder folder;
  fs::path binary, peer, program, log;
  std::vector<std::string> environment;
  pid_t running = -1;
  pid_t second = -1;
  int peerRuns = 0;
};

// Test names stay short: the library's socket path under the test's folder must fit.
TEST_F(IacProgramTest, AnswersVersionQuery) {
  GiveTheProgramItsLibrary();
  StartAndWaitUntilReady();
  int status = -1;
  const std::string answer =
      Peer({"--xtra", "R1", "send", "TLV1", "VER?", "--expect", "VER!"}, status);
  EXPECT_EQ(status, 0) << answer;
  EXPECT_EQ(answer,
            "{\"mssg\":\"VER!\",\"sign\":\"TLV1\",\"psig\":\"TOLV\",\"xtra\":\"R1\","
            "\"params\":[[\"VNUM\",\"4.1.1\"]]}\n");
  // The copy the program loaded is remembered for the next program that starts.
  EXPECT_EQ(test::ReadWholeFile(folder.path() / "data" / "WEXO_32" / "WEXO_32_path.txt"),
            (program / "libWEXO_32.so").string());
  EXPECT_EQ(test::ReadWholeFile(log).find("alert"), std::string::npos) << test::ReadWholeFile(log);

  // A quit request ends the registration with the program.
  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(test::WaitForExit(running, seconds(30)), 0);
  running = -1;
  EXPECT_EQ(Peer({"running", "TLV1"}, status), "{\"sign\":\"TLV1\",\"running\":false}\n");
  EXPECT_EQ(status, 1);
}

TEST_F(IacProgramTest, SecondCopyEndsQuietly) {
  GiveTheProgramItsLibrary();
  StartAndWaitUntilReady();
  // Another one-running-copy name, so only the message library can tell the copies apart.
  std::vector<std::string> other = environment;
  const fs::path otherLog = folder.path() / "second.log";
  for (std::string& entry : other) {
    if (entry.rfind("TOLVANE_INSTANCE=", 0) == 0) entry += "-second";
    if (entry.rfind("TOLVANE_EVENT_LOG=", 0) == 0) entry = "TOLVANE_EVENT_LOG=" + otherLog.string();
  }
  second = test::SpawnProgram(binary, {}, other);
  ASSERT_GT(second, 0);
  const int status = test::WaitForExit(second, seconds(60));
  EXPECT_EQ(status, 0);
  if (status >= 0) second = -1;
  const std::string said = test::ReadWholeFile(otherLog);
  EXPECT_EQ(said.find("ready"), std::string::npos) << said;
  EXPECT_EQ(said.find("alert"), std::string::npos) << said;
  // The first copy still answers.
  int answered = -1;
  Peer({"send", "TLV1", "VER?", "--expect", "VER!"}, answered);
  EXPECT_EQ(answered, 0);
}

TEST_F(IacProgramTest, RunsOnWithoutLibrary) {
  if (fs::exists("/usr/local/lib/libWEXO_32.so")) {
    GTEST_SKIP() << "a system copy of the library is installed";
  }
  StartAndWaitUntilReady();
  EXPECT_NE(test::ReadWholeFile(log).find("alert 8000 libWEXO_32.so is not available."),
            std::string::npos)
      << test::ReadWholeFile(log);
}

}  // namespace
}  // namespace tlv
