// The program off screen on a copy of the demo county, greeted by wexo-peer playing a sibling:
// the greeting at start-up, the answer, the friend files, the sharing menu the window adds and the
// farewell that closes the program.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr const char* kZephaMenu =
    "sharingmenus &ZEPHA[Set &Source|Go to ZEPHA Ctrl+Shift+Z|-|Export ZEPHA Objects to KML]";

class FriendsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    peer = test::BuiltProgram("wexo-peer");
    ASSERT_TRUE(fs::exists(binary) && fs::exists(peer)) << "tolvane and wexo-peer were not built";
    program = folder.path() / "P";
    maps = program / "TolvaneMaps";
    fs::create_directories(program);
    fs::copy(fs::path(TOLVANE_SOURCE_DIR) / "data" / "TolvaneMaps", maps,
             fs::copy_options::recursive);
    fs::copy(fs::path(TOLVANE_SOURCE_DIR) / "data" / "fonts", program / "fonts",
             fs::copy_options::recursive);
    fs::copy_file(test::BuiltProgram("libWEXO_32.so"), program / "libWEXO_32.so");
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "friends");
  }
  void TearDown() override {
    for (const pid_t pid : {running, sibling}) {
      if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
    test::RemoveInstanceLock("friends");
  }

  fs::path Friends() const { return maps / "Settings" / "Friends"; }
  void StartProgram() {
    running = test::SpawnProgram(binary, {}, environment);
    ASSERT_GT(running, 0);
    ASSERT_FALSE(test::WaitForLogLine(log, "ready", seconds(90)).empty())
        << test::ReadWholeFile(log);
  }
  // Starts wexo-peer in the background, its standard output in out.
  pid_t StartPeer(const std::vector<std::string>& args, const fs::path& out) {
    const pid_t pid = test::SpawnProgram(peer, args, environment, out);
    EXPECT_GT(pid, 0);
    // Registered once "running" says so.
    for (int i = 0; i < 500; ++i) {
      int status = -1;
      if (Peer({"running", "ZPH5"}, status).find("true") != std::string::npos) break;
    }
    return pid;
  }
  std::string Peer(const std::vector<std::string>& args, int& status) {
    const fs::path out = folder.path() / ("peer" + std::to_string(++peerRuns) + ".out");
    const pid_t pid = test::SpawnProgram(peer, args, environment, out);
    status = pid > 0 ? test::WaitForExit(pid, seconds(30)) : -1;
    return test::ReadWholeFile(out);
  }
  void ExpectQuitOnFarewell() {
    int status = -1;
    Peer({"--sign", "ZPH5", "--psig", "ZPHA", "send", "TLV1", "BYE ", "OPTN=QUIT"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(test::WaitForLogLine(log, "shutdown", seconds(30)).empty())
        << test::ReadWholeFile(log);
    EXPECT_EQ(test::WaitForExit(running, seconds(30)), 0);
    running = -1;
  }

  test::TempFolder folder;
  fs::path binary, peer, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
  pid_t sibling = -1;
  int peerRuns = 0;
};

TEST_F(FriendsE2E, GreetMenuBye) {
  const fs::path heard = folder.path() / "heard.out";
  sibling = StartPeer({"--sign", "ZPH5", "--psig", "ZPHA", "listen", "--count", "1"}, heard);
  StartProgram();
  // The known sibling that runs is greeted at start-up.
  ASSERT_EQ(test::WaitForExit(sibling, seconds(30)), 0);
  sibling = -1;
  const std::string hola = test::ReadWholeFile(heard);
  EXPECT_NE(hola.find("{\"mssg\":\"HOLA\",\"sign\":\"TLV1\",\"psig\":\"TOLV\""), std::string::npos)
      << hola;
  EXPECT_NE(hola.find("[\"NAME\",\"TOLVANE\"]"), std::string::npos) << hola;
  EXPECT_NE(hola.find("[\"VERS\",\"2\"]"), std::string::npos) << hola;

  // Its greeting is answered and remembered.
  int status = -1;
  const std::string okhi = Peer({"--sign", "ZPH5", "--psig", "ZPHA", "send", "TLV1", "HOLA",
                                 "NAME=ZEPHA", "PATH=/x", "VERS=2", "--expect", "OKHI"},
                                status);
  EXPECT_EQ(status, 0) << okhi;
  EXPECT_NE(okhi.find("{\"mssg\":\"OKHI\",\"sign\":\"TLV1\""), std::string::npos) << okhi;
  EXPECT_EQ(test::ReadWholeFile(Friends() / "ZEPHA.VWR"), "ZPH5\r\nZPHA\r\nZEPHA\r\n/x\r\n\r\n");

  // Its menu is written and shown under "&Sharing".
  Peer({"--sign", "ZPH5", "--psig", "ZPHA", "send", "TLV1", "MENU", "NAME=ZEPHA", "PATH=/x",
        "VERS=2", "ITMS=Set &Source\\rGo to ZEPHA/Z\\r"},
       status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(test::WaitForLogLine(log, "sharingmenus &", seconds(30)), kZephaMenu)
      << test::ReadWholeFile(log);
  EXPECT_EQ(test::ReadWholeFile(Friends() / "ZEPHA.MNU"),
            "ZPH5\r\nZPHA\r\nZEPHA\r\nSet &Source\rGo to ZEPHA/Z\r\r\n");
  const test::CliRun listed = test::RunCli("--maps '" + maps.string() + "' friends");
  EXPECT_EQ(listed.status, 0);
  ASSERT_EQ(listed.lines.size(), 1u) << listed.out;
  EXPECT_EQ(listed.lines[0],
            "{\"file\":\"ZEPHA.VWR\",\"sign\":\"ZPH5\",\"psig\":\"ZPHA\",\"name\":\"ZEPHA\","
            "\"path\":\"/x\",\"doc\":\"\",\"menu\":\"&ZEPHA\",\"base\":30000,\"items\":["
            "{\"text\":\"Set &Source\",\"command\":30000,\"shortcut\":null},"
            "{\"text\":\"Go to ZEPHA\",\"command\":30001,\"shortcut\":\"Z\"},"
            "{\"separator\":true},"
            "{\"text\":\"Export ZEPHA Objects to KML\",\"command\":20805,\"shortcut\":null}]}");

  // The farewell asking to quit closes the program: nobody else is greeted.
  ExpectQuitOnFarewell();
  EXPECT_EQ(test::ReadWholeFile(log).find("alert"), std::string::npos) << test::ReadWholeFile(log);
}

TEST_F(FriendsE2E, SiblingAnswers) {
  // A sibling already running answers the start-up greeting with its own and its menu; at the
  // next start the menu comes back from the friend files.
  const fs::path heard = folder.path() / "sibling.out";
  sibling = StartPeer({"--sign", "ZPH5", "--psig", "ZPHA", "--name", "ZEPHA", "sibling", "--menu",
                       "Set &Source\\rGo to ZEPHA/Z\\r", "--path", "/x", "--count", "1"},
                      heard);
  StartProgram();
  EXPECT_EQ(test::WaitForLogLine(log, "sharingmenus &", seconds(30)), kZephaMenu)
      << test::ReadWholeFile(log);
  // It heard the greeting it answered.
  ASSERT_EQ(test::WaitForExit(sibling, seconds(30)), 0);
  sibling = -1;
  const std::string said = test::ReadWholeFile(heard);
  EXPECT_NE(said.find("\"mssg\":\"HOLA\""), std::string::npos) << said;
  EXPECT_EQ(test::ReadWholeFile(Friends() / "ZEPHA.VWR"), "ZPH5\r\nZPHA\r\nZEPHA\r\n/x\r\n\r\n");
  ExpectQuitOnFarewell();

  fs::remove(log);
  StartProgram();
  EXPECT_EQ(test::WaitForLogLine(log, "sharingmenus &", seconds(30)), kZephaMenu)
      << test::ReadWholeFile(log);
  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(test::WaitForExit(running, seconds(30)), 0);
  running = -1;
}

TEST_F(FriendsE2E, ForwardX11) {
  // On an X server of its own, "FRWD" finds another program's window by its class; a name no
  // window has gets the alert.
  const int display = 100 + static_cast<int>(::getpid() % 800);
  const std::string name = ":" + std::to_string(display);
  const pid_t server =
      test::SpawnProgram("/usr/bin/Xvfb", {name, "-nolisten", "tcp", "-screen", "0", "800x600x24"},
                         {}, folder.path() / "xvfb.out");
  ASSERT_GT(server, 0);
  const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 500 && !fs::exists(socket); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (std::string& entry : environment) {
    if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0) entry = "QT_QPA_PLATFORM=xcb";
  }
  environment.push_back("DISPLAY=" + name);
  const pid_t message = test::SpawnProgram("/usr/bin/xmessage", {"-name", "tlvfrwd", "here"},
                                           environment, folder.path() / "xmessage.out");
  StartProgram();
  int status = -1;
  Peer({"send", "TLV1", "FRWD", "WHO =XMSG", "NAME=Xmessage"}, status);
  EXPECT_EQ(status, 0);
  Peer({"send", "TLV1", "FRWD", "WHO =XMSG", "NAME=no such window", "HWND=12"}, status);
  EXPECT_EQ(status, 0);
  const std::string alert = "alert 8000 Unable to bring application forward.";
  EXPECT_EQ(test::WaitForLogLine(log, alert, seconds(30)), alert);
  ::kill(running, SIGTERM);
  EXPECT_EQ(test::WaitForExit(running, seconds(30)), 0);
  running = -1;
  const std::string said = test::ReadWholeFile(log);
  EXPECT_EQ(said.find(alert), said.rfind(alert)) << said;
  for (const pid_t pid : {message, server}) {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      test::WaitForExit(pid, seconds(10));
    }
  }
}

TEST_F(FriendsE2E, CliFriends) {
  // Without a Friends folder there is nobody to list.
  test::CliRun listed = test::RunCli("--maps '" + maps.string() + "' friends");
  EXPECT_EQ(listed.status, 0);
  EXPECT_TRUE(listed.lines.empty()) << listed.out;
  fs::create_directories(Friends());
  test::WriteWholeFile(Friends() / "DORVE.VWR", "DVFM\r\nDVFM\r\nDORVE\r\n/opt/DORVE\r\nx.db\r\n");
  test::WriteWholeFile(Friends() / "Broken.VWR", "BRKN\nBRKP\n");
  test::WriteWholeFile(Friends() / "DORVE.MNU", "DVFM\r\nDVFM\r\nDORVE\r\n(Tools\rGet &Info\r\r\n");
  listed = test::RunCli("--maps '" + maps.string() + "' friends");
  // The broken file is reported; the rest is still listed.
  EXPECT_EQ(listed.status, 1);
  ASSERT_EQ(listed.lines.size(), 1u) << listed.out;
  EXPECT_EQ(listed.lines[0],
            "{\"file\":\"DORVE.VWR\",\"sign\":\"DVFM\",\"psig\":\"DVFM\",\"name\":\"DORVE\","
            "\"path\":\"/opt/DORVE\",\"doc\":\"x.db\",\"menu\":\"&DORVE\",\"base\":30000,"
            "\"items\":[{\"separator\":true},"
            "{\"text\":\"Get &Info\",\"command\":30001,\"shortcut\":null}]}");
}

}  // namespace
}  // namespace tlv
