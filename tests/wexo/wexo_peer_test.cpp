// wexo-peer end to end: built programs talking through the built library in a private runtime
// folder, as scripts drive the program with them.
#include <signal.h>

#include <cstdlib>

#include "e2e/e2e_support.h"
#include "wexo/wexo_paths.h"
#include "wexo_test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using test::Wexo;

struct PeerRun {
  int status = -1;
  std::vector<std::string> lines;
};

class WexoPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peer = test::BuiltProgram("wexo-peer");
    ASSERT_TRUE(fs::exists(peer)) << "wexo-peer was not built";
    ASSERT_NE(Wexo().IsRunning, nullptr);
    runtime = folder.path() / "rt";
    ::setenv("WEXO_RUNTIME_DIR", runtime.c_str(), 1);
    environment = {"WEXO_RUNTIME_DIR=" + runtime.string(), "LC_ALL=C.UTF-8"};
    if (const char* asan = std::getenv("ASAN_OPTIONS")) {
      environment.push_back(std::string("ASAN_OPTIONS=") + asan);
    }
  }
  void TearDown() override {
    for (const pid_t pid : background) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ::unsetenv("WEXO_RUNTIME_DIR");
  }

  // Starts a peer that keeps running; its output goes to the named file in the test folder.
  pid_t Start(const std::vector<std::string>& args, const std::string& output) {
    const pid_t pid = test::SpawnProgram(peer, args, environment, folder.path() / output);
    if (pid > 0) background.push_back(pid);
    return pid;
  }
  int Finish(pid_t pid) {
    const int status = test::WaitForExit(pid, std::chrono::seconds(20));
    std::erase(background, pid);
    return status;
  }
  PeerRun Run(const std::vector<std::string>& args) {
    static int runs = 0;
    const std::string output = "run" + std::to_string(++runs) + ".out";
    const pid_t pid = test::SpawnProgram(peer, args, environment, folder.path() / output);
    PeerRun run;
    run.status = test::WaitForExit(pid, std::chrono::seconds(20));
    run.lines = Lines(output);
    return run;
  }
  std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream stream(test::ReadWholeFile(folder.path() / output));
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }
  bool WaitRunning(const char* signature) {
    return test::Eventually([&] { return Wexo().IsRunning(signature) == 1; });
  }

  test::TempFolder folder;
  fs::path peer, runtime;
  std::vector<std::string> environment;
  std::vector<pid_t> background;
};

TEST_F(WexoPeerTest, ListenPrintsEachEnvelopeAsOneJsonLine) {
  const pid_t listener = Start({"--sign", "LSTN", "listen", "--count", "2"}, "listen.out");
  ASSERT_TRUE(WaitRunning("LSTN"));
  test::WriteWholeFile(folder.path() / "note.txt", "first line\nsecond \xC3\xA9");
  const PeerRun sent = Run({"--sign", "ZPHA", "--psig", "ZPHA", "--xtra", "R1", "send", "LSTN",
                            "HOLA", "NAME=Z\xC3\xA9pha \xE2\x82\xAC", "TEXT=a\\tb\\nc\\\\d",
                            "NOTE=@" + (folder.path() / "note.txt").string()});
  EXPECT_EQ(sent.status, 0);
  EXPECT_TRUE(sent.lines.empty());
  EXPECT_EQ(Run({"send", "LSTN", "BYE "}).status, 0);
  ASSERT_EQ(Finish(listener), 0);
  EXPECT_EQ(
      Lines("listen.out"),
      (std::vector<std::string>{
          "{\"mssg\":\"HOLA\",\"sign\":\"ZPHA\",\"psig\":\"ZPHA\",\"xtra\":\"R1\","
          "\"params\":[[\"NAME\",\"Z\xC3\xA9pha \xE2\x82\xAC\"],[\"TEXT\",\"a\\tb\\nc\\\\d\"],"
          "[\"NOTE\",\"first line\\nsecond \xC3\xA9\"]]}",
          "{\"mssg\":\"BYE \",\"sign\":\"PEER\",\"psig\":\"PEER\",\"xtra\":\"\",\"params\":[]}",
      }));
  // Its registration ended with it.
  EXPECT_FALSE(fs::exists(wexo::SocketPath(runtime.string(), "LSTN")));
}

TEST_F(WexoPeerTest, EchoAnswersTheSenderAndSendWaitsForTheExpectedCode) {
  const pid_t echo = Start({"--sign", "ECHO", "--psig", "ECHP", "echo"}, "echo.out");
  ASSERT_TRUE(WaitRunning("ECHO"));
  const PeerRun asked = Run(
      {"--sign", "ASKR", "--xtra", "R1", "send", "ECHO", "VER?", "VNUM=4.1.1", "--expect", "VER?"});
  EXPECT_EQ(asked.status, 0);
  EXPECT_EQ(asked.lines,
            (std::vector<std::string>{"{\"mssg\":\"VER?\",\"sign\":\"ECHO\",\"psig\":\"ECHP\","
                                      "\"xtra\":\"R1\",\"params\":[[\"VNUM\",\"4.1.1\"]]}"}));
  // Answers that are not the expected one are printed, and the wait ends without it.
  const PeerRun unanswered =
      Run({"--sign", "ASKR", "send", "ECHO", "VER?", "--wait", "1", "--expect", "VER!"});
  EXPECT_EQ(unanswered.status, 2);
  EXPECT_EQ(unanswered.lines.size(), 1u);
  // --wait alone prints what came and succeeds.
  EXPECT_EQ(Run({"--sign", "ASKR", "send", "ECHO", "FRWD", "--wait", "0.5"}).lines.size(), 1u);

  const PeerRun running = Run({"running", "ECHO"});
  EXPECT_EQ(running.status, 0);
  EXPECT_EQ(running.lines, (std::vector<std::string>{"{\"sign\":\"ECHO\",\"running\":true}"}));
  const PeerRun bench = Run({"--sign", "BNCH", "bench", "ECHO", "--count", "50", "--size", "64"});
  EXPECT_EQ(bench.status, 0);
  ASSERT_EQ(bench.lines.size(), 1u);
  EXPECT_EQ(bench.lines[0].rfind("{\"count\":50,\"size\":64,", 0), 0u) << bench.lines[0];

  // A stop signal ends the echo cleanly, registration and all.
  ::kill(echo, SIGTERM);
  EXPECT_EQ(Finish(echo), 0);
  EXPECT_EQ(Lines("echo.out").size(), 63u) << "every envelope it echoed, one line each";
  const PeerRun stopped = Run({"running", "ECHO"});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.lines, (std::vector<std::string>{"{\"sign\":\"ECHO\",\"running\":false}"}));
}

TEST_F(WexoPeerTest, FailuresAndUsageErrorsHaveTheirStatus) {
  EXPECT_EQ(Run({"send", "NONE", "VER?"}).status, 1);
  EXPECT_EQ(Run({"send", "NONE"}).status, 64);
  EXPECT_EQ(Run({"send", "NONE", "VERS"}).status, 1);
  EXPECT_EQ(Run({"send", "NONE", "VER"}).status, 64);
  EXPECT_EQ(Run({"--sign", "TOOLONG", "listen"}).status, 64);
  EXPECT_EQ(Run({"send", "NONE", "VER?", "NAME"}).status, 64);
  EXPECT_EQ(Run({"send", "NONE", "VER?", "NAME=\xE2\x98\x83"}).status, 64) << "no such character";
  EXPECT_EQ(Run({"send", "NONE", "VER?", "NAME=@/nonexistent/file"}).status, 64);
  EXPECT_EQ(Run({"listen", "--count", "x"}).status, 64);
  EXPECT_EQ(Run({"fly"}).status, 64);
  EXPECT_EQ(Run({}).status, 64);
}

TEST_F(WexoPeerTest, RawShowsHowAReceiverMeetsAnyBytes) {
  const pid_t listener = Start({"--sign", "LSTN", "listen", "--count", "1"}, "listen.out");
  ASSERT_TRUE(WaitRunning("LSTN"));
  const auto raw = [&](const std::string& bytes) {
    test::WriteWholeFile(folder.path() / "frame.bin", bytes);
    return Run({"raw", "LSTN", (folder.path() / "frame.bin").string()});
  };
  const PeerRun huge = raw(test::FrameHeader(1, 0x80000000u));
  EXPECT_EQ(huge.status, 1);
  EXPECT_EQ(huge.lines,
            (std::vector<std::string>{"{\"sent\":12,\"answers\":[3],\"closed\":true}"}));
  const PeerRun truncated = raw(test::MessageFrame(test::Envelope("VER?")).substr(0, 20));
  EXPECT_EQ(truncated.lines,
            (std::vector<std::string>{"{\"sent\":20,\"answers\":[],\"closed\":true}"}));
  const PeerRun two =
      raw(test::MessageFrame("MSSG\x0BVER?") + test::MessageFrame(test::Envelope("VER?", "RAW1")));
  EXPECT_EQ(two.status, 1);
  EXPECT_EQ(two.lines.size(), 1u);
  EXPECT_NE(two.lines[0].find("\"answers\":[4,0]"), std::string::npos) << two.lines[0];
  ASSERT_EQ(Finish(listener), 0);
  EXPECT_EQ(Lines("listen.out"),
            (std::vector<std::string>{"{\"mssg\":\"VER?\",\"sign\":\"RAW1\",\"psig\":\"RAW1\","
                                      "\"xtra\":\"\",\"params\":[]}"}));
}

}  // namespace
}  // namespace tlv
