// The Overlay Manager used as a person would on the demo county: the program started off screen
// plays a script that opens View > Overlay Manager, hides an overlay and unlocks another through
// the Unlocking Overlay dialog, and presses OK; LAYERS2.PLT then holds both changes, tolvane-cli
// lists them, and the hidden overlay is gone from tolvane-cli's picture of the county.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

class OverlayManagerE2eTest : public ::testing::Test {
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
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "overlays-e2e");
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("overlays-e2e");
  }

  test::CliRun Cli(const std::string& arguments) {
    return test::RunCli("--maps '" + maps.string() + "' " + arguments);
  }
  // The overlays line of tolvane-cli for the name.
  std::string OverlayLine(const std::string& name) {
    const test::CliRun run = Cli("overlays");
    for (const std::string& line : run.lines) {
      if (line.find("\"name\":\"" + name + "\"") != std::string::npos) return line;
    }
    return std::string();
  }
  // The picture tolvane-cli draws of the county, as the file's bytes.
  std::string Render(const std::string& file) {
    const fs::path out = folder.path() / file;
    const test::CliRun run =
        Cli("render --fit 'Cassel County' --size 400x300 --out '" + out.string() + "'");
    EXPECT_EQ(run.status, 0) << run.out;
    return test::ReadWholeFile(out);
  }
  std::vector<std::string> LogLines(const std::string& start) {
    return test::LogLinesStartingWith(log, start);
  }

  test::TempFolder folder;
  fs::path binary, cli, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
};

TEST_F(OverlayManagerE2eTest, AHiddenOverlayLeavesThePictureAndAnUnlockedOneTakesObjects) {
  ASSERT_EQ(
      Cli("import '" + (kSourceDir / "data" / "demo" / "Cassel_County.mie").string() + "'").status,
      0);
  // Two overlays of the county that draw: one to hide, one to unlock.
  const test::CliRun overlays = Cli("overlays");
  std::vector<std::string> names;
  for (const std::string& line : overlays.lines) {
    const size_t at = line.find("\"name\":\"");
    const std::string name = line.substr(at + 8, line.find('"', at + 8) - at - 8);
    if (name != "Temporary Overlay") names.push_back(name);
  }
  ASSERT_GE(names.size(), 2u) << overlays.out;
  const std::string hidden = names[0];
  const std::string unlocked = names[1];
  EXPECT_NE(OverlayLine(unlocked).find("\"lockState\":1"), std::string::npos)
      << "overlays load locked";
  const std::string before = Render("before.png");

  const fs::path script = folder.path() / "overlays.script";
  test::WriteWholeFile(script,
                       "command 301\n"
                       "field overlays " +
                           hidden +
                           "\n"
                           "button Hide\n"
                           "field overlays " +
                           unlocked +
                           "|Locked|0\n"
                           "accept\n"
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

  EXPECT_NE(OverlayLine(hidden).find("\"displayMode\":0"), std::string::npos)
      << OverlayLine(hidden);
  // tolvane-cli loads as the program does, and loading locks every overlay again; the file holds
  // what OK wrote.
  const std::string layers2 = test::ReadWholeFile(maps / "Settings" / "LAYERS2.PLT");
  size_t record = 0;
  bool found = false;
  for (; record + 88 <= layers2.size(); record += 88) {
    if (layers2.compare(record, unlocked.size() + 1, unlocked + std::string(1, '\0')) == 0) {
      found = true;
      EXPECT_EQ(layers2[record + 55], 0) << "saved unlocked";
    }
  }
  EXPECT_TRUE(found);
  // The same drawing draws the same bytes: another picture means the hidden overlay is gone.
  EXPECT_EQ(Render("again.png"), Render("again2.png"));
  EXPECT_NE(Render("after.png"), before) << "the hidden overlay's objects are gone";
}

}  // namespace
}  // namespace tlv
