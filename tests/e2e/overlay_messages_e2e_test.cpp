// A sibling program manages its own overlay and map folder in the running program (off screen,
// on a copy of the default maps folder) through wexo-peer and the message library; tolvane-cli
// handles the same envelopes without a window and prints what they left.
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

// A map folder's NAME.MAP: name (42 bytes), an unused ID, owner code (6), universal mark, pad.
std::string NameDotMap(const std::string& name) {
  std::string bytes(56, '\0');
  bytes.replace(0, name.size(), name);
  bytes.replace(46, 5, "00000");
  return bytes;
}

// Short names: the test's folder name goes into the message library's socket paths.
class SiblingOverlaysTest : public test::SiblingProgramTest {
 protected:
  void SetUp() override {
    SetUpProgram("iacovl");
    // The sibling keeps its map outside OverlayMaps.
    plant = folder.path() / "Sibling" / "Plant";
    fs::create_directories(plant);
    test::WriteWholeFile(plant / "NAME.MAP", NameDotMap("Plant Site"));
    paths = folder.path() / "paths.txt";
    test::WriteWholeFile(paths, plant.string() + "/\n");
  }

  fs::path plant, paths;
};

TEST_F(SiblingOverlaysTest, OwnsMapAndOverlay) {
  Start();
  int status = -1;
  Peer({"--sign", "DVFM", "--psig", "DVFM", "send", "TLV1", "MAP ", "PSIG=DVFM",
        "PATH=@" + paths.string(), "OPTN=DELETEALERT"},
       status);
  ASSERT_EQ(status, 0);
  // The map's own file now names its owner; the answer below proves the message was handled.
  const std::string made =
      Peer({"--sign", "DVFM", "--psig", "DVFM", "send", "TLV1", "MKOV", "NAME=Plant Plumes",
            "FLAG=T", "ATBS=HIDEMODE", "--expect", "OVL!"},
           status);
  ASSERT_EQ(status, 0) << made;
  EXPECT_NE(made.find("[\"ANSR\",\"Y\"]"), std::string::npos) << made;
  EXPECT_NE(made.find("[\"ATBS\",\"\"]"), std::string::npos) << made;
  const std::string nameFile = test::ReadWholeFile(plant / "NAME.MAP");
  ASSERT_EQ(nameFile.size(), 56u);
  EXPECT_EQ(nameFile.substr(46, 4), "DVFM");
  const std::string found = Peer(
      {"--sign", "DVFM", "send", "TLV1", "OVX?", "NAME=plant plumes", "--expect", "OVL!"}, status);
  EXPECT_NE(found.find("[\"ANSR\",\"Y\"]"), std::string::npos) << found;
  const std::string missing =
      Peer({"--sign", "DVFM", "send", "TLV1", "OVX?", "NAME=Nothing", "--expect", "OVL!"}, status);
  EXPECT_NE(missing.find("[\"ANSR\",\"N\"]"), std::string::npos) << missing;
  EXPECT_NE(missing.find("[\"OVID\",\"\"]"), std::string::npos) << missing;
  EXPECT_EQ(test::ReadWholeFile(log).find("alert"), std::string::npos) << test::ReadWholeFile(log);
}

TEST_F(SiblingOverlaysTest, CliPrintsWhatIsLeft) {
  const fs::path input = folder.path() / "messages.jsonl";
  test::WriteWholeFile(input,
                       "{\"mssg\":\"MAP \",\"sign\":\"DVFM\",\"psig\":\"DVFM\",\"params\":"
                       "[[\"PATH\",\"" +
                           plant.string() +
                           "\"],[\"OPTN\",\"DELETEALERT\"]]}\n"
                           "{\"mssg\":\"LGND\",\"params\":[[\"LIST\",\"Wells\\t321A5\\rDry\"]]}\n");
  const test::CliRun run =
      test::RunCli("--maps '" + maps.string() + "' messages '" + input.string() + "' --then maps");
  ASSERT_EQ(run.status, 0) << run.out;
  bool plantListed = false;
  for (const std::string& line : run.lines) {
    if (line.find("\"name\":\"Plant Site\"") == std::string::npos) continue;
    plantListed = true;
    EXPECT_NE(line.find("\"owner\":\"DVFM\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"policies\":[3,1,1,1,2]"), std::string::npos) << line;
    EXPECT_NE(line.find("\"indexed\":false"), std::string::npos) << line;
  }
  EXPECT_TRUE(plantListed) << run.out;
  const test::CliRun legend = test::RunCli("--maps '" + maps.string() + "' messages '" +
                                           input.string() + "' --then legend");
  ASSERT_EQ(legend.status, 0) << legend.out;
  ASSERT_FALSE(legend.lines.empty());
  const std::string& state = legend.lines.back();
  EXPECT_NE(state.find("\"kind\":3"), std::string::npos) << state;
  EXPECT_NE(state.find("\"shown\":true"), std::string::npos) << state;
  EXPECT_NE(state.find("{\"name\":\"Wells\",\"marker\":100,\"symbol\":65,\"colour\":3,"
                       "\"variant\":5,\"lineType\":1,\"pattern\":2"),
            std::string::npos)
      << state;
}

}  // namespace
}  // namespace tlv
