// A sibling program drives the running program off screen on a copy of the demo county: it
// shows hospitals, asks what is selected and where the view is, and moves the view, all through
// wexo-peer and the message library. tolvane-cli handles the same envelopes without a window.
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

constexpr const char* kHospitalA = "3E8A1C00000000A7";
constexpr const char* kHospitalB = "3E8A1C00000000A8";

fs::path DemoCounty() {
  return fs::path(TOLVANE_SOURCE_DIR) / "data" / "demo" / "Cassel_County.mie";
}

class ObjectMessagesProgramTest : public test::SiblingProgramTest {
 protected:
  void SetUp() override {
    SetUpProgram("iacobj");
    fs::create_directories(maps / "BasemapFiles" / "Settings");
    test::WriteWholeFile(maps / "BasemapFiles" / "Settings" / "global.map", "MAP\nEND\n");
    const test::CliRun imported =
        test::RunCli("--maps '" + maps.string() + "' import '" + DemoCounty().string() + "'");
    ASSERT_EQ(imported.status, 0) << imported.out;
  }
};

TEST_F(ObjectMessagesProgramTest, ShowsAndDescribes) {
  Start();
  const std::string list = std::string(kHospitalA) + "\\tHOSPITALS\\tCassel County\\r" +
                           kHospitalB + "\\tHOSPITALS\\tCassel County\\r";
  int status = -1;
  Peer({"send", "TLV1", "SHOW", "LST2=" + list, "OPTN=YESZOOM SELECT"}, status);
  ASSERT_EQ(status, 0);
  const std::string described =
      Peer({"send", "TLV1", "MYOD", "OPTN=SELECTED TYPE NAME", "--expect", "YROD"}, status);
  EXPECT_EQ(status, 0) << described;
  EXPECT_NE(described.find("[\"NUM \",\"2\"]"), std::string::npos) << described;
  EXPECT_NE(described.find(std::string(kHospitalA) +
                           "\\tHOSPITALS\\tCassel County\\tPOINT\\tCassel Regional Medical "
                           "Center\\r\\n"),
            std::string::npos)
      << described;
  // The view was zoomed onto the two hospitals, west of Greenwich.
  const std::string view = Peer({"send", "TLV1", "VEW?", "--expect", "VEW!"}, status);
  EXPECT_EQ(status, 0) << view;
  EXPECT_NE(view.find("[\"LLNG\",\"-78."), std::string::npos) << view;
  const std::string click = Peer({"send", "TLV1", "CPT?", "VERS=2", "--expect", "CPT!"}, status);
  EXPECT_NE(click.find("[\"LONG\",\"-78."), std::string::npos) << click;
  EXPECT_EQ(test::ReadWholeFile(log).find("alert"), std::string::npos) << test::ReadWholeFile(log);
}

TEST_F(ObjectMessagesProgramTest, CliHandlesTheSameEnvelopes) {
  const fs::path input = folder.path() / "messages.jsonl";
  test::WriteWholeFile(
      input, std::string("{\"mssg\":\"SHOW\",\"sign\":\"PEER\",\"psig\":\"PEER\",\"xtra\":\"\","
                         "\"params\":[[\"LST2\",\"") +
                 kHospitalA +
                 "\\tHOSPITALS\\tCassel County\\r\"],[\"OPTN\",\"SELECT\"]]}\n"
                 "{\"mssg\":\"MYOD\",\"sign\":\"PEER\",\"params\":[[\"OPTN\",\"SELECTED TYPE\"]]}\n"
                 "{\"mssg\":\"SHOW\",\"params\":[[\"LST2\",\"0000000000000001\\tHOSPITALS\\t"
                 "Cassel County\\r\"]]}\n");
  const test::CliRun run =
      test::RunCli("--maps '" + maps.string() + "' messages '" + input.string() + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_EQ(run.lines.size(), 5u) << run.out;
  EXPECT_EQ(run.lines[0], "{\"message\":\"SHOW\",\"result\":0,\"shown\":1,\"selected\":1}");
  EXPECT_EQ(run.lines[1],
            std::string("{\"mssg\":\"YROD\",\"sign\":\"TLV1\",\"psig\":\"TOLV\","
                        "\"xtra\":\"\",\"params\":[[\"NUM \",\"1\"],[\"LST2\",\"") +
                kHospitalA + "\\tHOSPITALS\\tCassel County\\tPOINT\\r\\n\"],[\"TYPE\",\"MYOD\"]]}");
  EXPECT_EQ(run.lines[2], "{\"message\":\"MYOD\",\"result\":0,\"shown\":1,\"selected\":1}");
  EXPECT_EQ(run.lines[3],
            "{\"alert\":\"One or more of the objects to be shown were not found.\",\"kind\":8000}");
  EXPECT_EQ(run.lines[4], "{\"message\":\"SHOW\",\"result\":0,\"shown\":0,\"selected\":1}");
  // A line that is not an envelope ends the run.
  test::WriteWholeFile(input, "{\"mssg\":\"SHOW\",\"params\":[[\"LST2\"]]}\n");
  EXPECT_NE(test::RunCli("--maps '" + maps.string() + "' messages '" + input.string() + "'").status,
            0);
}

TEST_F(ObjectMessagesProgramTest, CliImportsForSiblings) {
  // An old-format file onto the county, and an interchange file with one new hospital.
  const fs::path old = folder.path() / "hydrants.txt";
  test::WriteWholeFile(
      old,
      "1\r*7 Hydrants\r"
      "00000000000000A1, 7, 5, 38.5 78.25 38.5 78.25 3 0 0 0 0 -1 4 51\rHydrant 1\r");
  const fs::path mie = folder.path() / "one.mie";
  test::WriteWholeFile(mie,
                       "\"\" \"\" \"\" \"11/15/2026\" 2 \"\" \"Field Hospital\" 0 \"HOSPITALS\" "
                       "\"Cassel County\" POINT \"0000000000000ABC\" 0 \"\" 0 ONLY 0\r\n"
                       "RED 1 54 -78.3 38.6\r\n");
  const fs::path input = folder.path() / "imports.jsonl";
  test::WriteWholeFile(
      input,
      "{\"mssg\":\"IMPT\",\"params\":[[\"NAME\",\"" + old.string() +
          "\"],[\"VREF\",\"0\"],[\"MAP \",\"Cassel County\"],[\"SHOW\",\"N\"]]}\n"
          "{\"mssg\":\"IMP2\",\"params\":[[\"FILE\",\"" +
          mie.string() +
          "\"],[\"FRWD\",\"N\"]]}\n"
          "{\"mssg\":\"MYOD\",\"params\":[[\"OPTN\",\"IDS NAME\"],[\"LST2\",\"0000000000000ABC"
          "\\tHOSPITALS\\tCassel County\\r\"]]}\n");
  const test::CliRun run =
      test::RunCli("--maps '" + maps.string() + "' messages '" + input.string() + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  ASSERT_EQ(run.lines.size(), 7u) << run.out;
  EXPECT_EQ(run.lines[0].rfind("{\"mssg\":\"OBID\"", 0), 0u) << run.out;
  EXPECT_NE(run.lines[0].find("\\tHydrants\\tCassel County\\r\\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.lines[1],
            "{\"alert\":\"One or more new overlays were created during import.\",\"kind\":8001}");
  EXPECT_EQ(run.lines[2].rfind("{\"message\":\"IMPT\",\"result\":0", 0), 0u) << run.out;
  EXPECT_NE(run.lines[3].find("[\"STAT\",\"Y\"]"), std::string::npos) << run.out;
  EXPECT_NE(run.lines[5].find("0000000000000ABC\\tHOSPITALS\\tCassel County\\tField Hospital"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(test::RunCli("--maps '" + maps.string() + "' verify").status, 0);
}

}  // namespace
}  // namespace tlv
