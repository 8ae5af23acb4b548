// ZEPHA sends its threat zones to the running program off screen, as it does after a model run:
// "IMP2" from ZEPHA's signature, with ZEPHA known as a friend and its footprint file beside it.
// The zones arrive named after their colours; another sender's import keeps the names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

std::string Zone(const std::string& name, const char* id, double west) {
  const std::string w = std::to_string(west);
  const std::string e = std::to_string(west + 0.05);
  return "\"\" \"\" \"\" \"\" 2 \"\" \"" + name + "\" 0 \"ZEPHA\" \"\" POLYGON \"" + id +
         "\" 0 \"\" 0 ONLY 0\r\nRED 1 BLACK BLACK { { FROM " + w + " 38.55 } { TO " + e +
         " 38.55 } { TO " + e + " 38.6 } { TO " + w + " 38.6 } }\r\n";
}

class ZephaImp2 : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    peer = test::BuiltProgram("wexo-peer");
    ASSERT_TRUE(fs::exists(binary)) << "the program was not built";
    ASSERT_TRUE(fs::exists(peer)) << "wexo-peer was not built";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    fs::create_directories(program / "fonts");
    fs::copy(fs::path(TOLVANE_SOURCE_DIR) / "data" / "TolvaneMaps", maps,
             fs::copy_options::recursive);
    fs::create_directories(maps / "BasemapFiles" / "Settings");
    test::WriteWholeFile(maps / "BasemapFiles" / "Settings" / "global.map", "MAP\nEND\n");
    for (const char* font : {"TOLVANED.ttf", "TOLVANEP.ttf", "TOLVANE2.ttf"}) {
      fs::copy_file(fs::path(TOLVANE_SOURCE_DIR) / "data" / "fonts" / font,
                    program / "fonts" / font);
    }
    // ZEPHA installed somewhere of its own, known from its friend file.
    const fs::path zepha = folder.path() / "Model Programs" / "ZEPHA";
    fs::create_directories(zepha);
    test::WriteWholeFile(zepha / "ZEPHA", "#!/bin/sh\nexit 0\n");
    ::chmod((zepha / "ZEPHA").c_str(), 0755);
    test::WriteWholeFile(zepha / "zep_ftp.pas",
                         "FOOTPRINT 1 [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]\r\n"
                         "FOOTPRINT 2 [COLOR: LIGHT ORANGE] [LOC: 60 min (AEGL-2): 0.5 ppm]\r\n"
                         "FOOTPRINT 3 [COLOR: YELLOW] [LOC: 60 min (AEGL-1): 0.1 ppm]\r\n");
    fs::create_directories(maps / "Settings" / "Friends");
    test::WriteWholeFile(maps / "Settings" / "Friends" / "ZEPHA.VWR",
                         "ZPH5\r\nZPHA\r\nZEPHA\r\n" + (zepha / "ZEPHA").string() + "\r\n\r\n");
    zones = folder.path() / "zones.mie";
    test::WriteWholeFile(
        zones, Zone("ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm", "00000000000EE001", -78.30) +
                   Zone("ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm", "00000000000EE002", -78.35) +
                   Zone("ZEPHA Threat Zone 60 min (AEGL-1): 0.1 ppm", "00000000000EE003", -78.40) +
                   Zone("ZEPHA Threat Zone 10 min", "00000000000EE004", -78.45));
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "zepha");
    fs::copy_file(test::BuiltProgram("libWEXO_32.so"), program / "libWEXO_32.so");
    running = test::SpawnProgram(binary, {}, environment);
    ASSERT_GT(running, 0);
    ASSERT_FALSE(test::WaitForLogLine(log, "ready", seconds(60)).empty())
        << test::ReadWholeFile(log);
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("zepha");
  }

  std::string Peer(const std::vector<std::string>& args, int& status) {
    const fs::path out = folder.path() / ("peer" + std::to_string(++peerRuns) + ".out");
    const pid_t pid = test::SpawnProgram(peer, args, environment, out);
    status = pid > 0 ? test::WaitForExit(pid, seconds(30)) : -1;
    return test::ReadWholeFile(out);
  }

  // The names of the four zones, asked of the running program.
  std::string Names() {
    std::string list;
    for (const char* id :
         {"00000000000EE001", "00000000000EE002", "00000000000EE003", "00000000000EE004"}) {
      list += std::string(id) + "\\tZEPHA\\tUser's Map\\r";
    }
    int status = -1;
    return Peer({"send", "TLV1", "MYOD", "OPTN=IDS NAME", "LST2=" + list, "--expect", "YROD"},
                status);
  }

  test::TempFolder folder;
  fs::path binary, peer, program, maps, log, zones;
  std::vector<std::string> environment;
  pid_t running = -1;
  int peerRuns = 0;
};

TEST_F(ZephaImp2, NamedByColour) {
  int status = -1;
  const std::string answer = Peer({"--sign", "ZPH5", "--psig", "ZPHA", "send", "TLV1", "IMP2",
                                   "FILE=" + zones.string(), "FRWD=N", "--expect", "IMP!"},
                                  status);
  ASSERT_EQ(status, 0) << answer;
  EXPECT_NE(answer.find("[\"STAT\",\"Y\"]"), std::string::npos) << answer;
  const std::string names = Names();
  EXPECT_NE(names.find("\\tRed Threat Zone 60 min (AEGL-3): 2 ppm\\r"), std::string::npos) << names;
  EXPECT_NE(names.find("\\tOrange Threat Zone 60 min (AEGL-2): 0.5 ppm\\r"), std::string::npos)
      << names;
  EXPECT_NE(names.find("\\tYellow Threat Zone 60 min (AEGL-1): 0.1 ppm\\r"), std::string::npos)
      << names;
  EXPECT_NE(names.find("\\tZEPHA Threat Zone 10 min\\r"), std::string::npos) << names;
}

TEST_F(ZephaImp2, OtherSender) {
  int status = -1;
  const std::string answer = Peer(
      {"send", "TLV1", "IMP2", "FILE=" + zones.string(), "FRWD=N", "--expect", "IMP!"}, status);
  ASSERT_EQ(status, 0) << answer;
  const std::string names = Names();
  EXPECT_NE(names.find("\\tZEPHA Threat Zone 60 min (AEGL-3): 2 ppm\\r"), std::string::npos)
      << names;
}

}  // namespace
}  // namespace tlv
