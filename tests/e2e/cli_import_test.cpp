// Imports interchange files with the built tolvane-cli and reads every object back with its
// objects command: each field as written, the collision modes, the pass file and the exit status
// of a failed import.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

const fs::path kCli = BuiltProgram("tolvane-cli");

class CliImportTest : public CatalogueTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    CatalogueTest::SetUp();
    MakeMap("Harbour", "Harbour");
    maps = "--maps '" + root.string() + "'";
  }

  CliRun Import(const std::string& text, const std::string& options = "") {
    WriteWholeFile(root / "in.mie", text);
    return RunCli(maps + " import '" + (root / "in.mie").string() + "' " + options);
  }
  CliRun Objects(const std::string& map, const std::string& overlay) {
    return RunCli(maps + " objects '" + map + "' '" + overlay + "'");
  }

  std::string maps;
};

constexpr const char* kEveryKind =
    "\"\" \"\" \"\" \"6/15/2020\" 2 \"P1\" \"Pier\" 2 \"Marks\" \"Harbour\" RECT "
    "\"0000000100000001\" 0 \"\" 0 ONLY 0\r\nGREEN 2 DASHES DOWNSTRIPES -70.5 41.25 -70.25 41.5\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Zone\" 0 \"Marks\" \"Harbour\" CIRCLE \"0000000100000002\" 0 "
    "\"\" "
    "0 ONLY 0\r\nBLUE 1 DOTS NONE -70.1 41.1 -70.0 41.2\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Light\" 0 \"Marks\" \"Harbour\" POINT \"0000000100000003\" 0 "
    "\"\" "
    "0 ONLY 0\r\nR10G20B30 3 300 -70.3 41.3\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Channel\" 0 \"Marks\" \"Harbour\" POLYLINE \"0000000100000004\" "
    "0 "
    "\"\" 0 ONLY 0\r\nRED 2 RAILROAD NONE { { FROM -70.4 41.4 { TLID 77 } { INVIS 1 } } "
    "{ TO -70.35 41.45 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Shoal\" 0 \"Marks\" \"Harbour\" POLYGON \"0000000100000005\" 0 "
    "\"\" "
    "0 ONLY 0\r\nYELLOW 1 BLACK BLACK { { FROM -70 41 } { TO -69.9 41 } { TO -70 41 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"\" 0 \"Marks\" \"Harbour\" TEXT \"0000000100000006\" 0 \"\" 0 "
    "ONLY "
    "0\r\nDARKBLUE YES 21 2 \"North Harbour\" -70.5 41.6 -70.3 41.55\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Chart\" 0 \"Marks\" \"Harbour\" PICTURE \"0000000100000007\" 0 "
    "\"\" "
    "0 ONLY 0\r\n1 \"chart.png\" -70.5 41 -70 41.5\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Light too\" 0 \"Marks\" \"Harbour\" ALIAS \"0000000100000008\" 0 "
    "\"\" 0 ONLY 0\r\n\"0000000100000003\"\r\n";

bool Has(const std::string& line, const std::string& part) {
  return line.find(part) != std::string::npos;
}

TEST_F(CliImportTest, EveryKindReadsBackAsWritten) {
  const CliRun import = Import(kEveryKind);
  ASSERT_EQ(import.status, 0);
  ASSERT_EQ(import.lines, (std::vector<std::string>{"created 8, updated 0, skipped 0"}));
  const CliRun objects = Objects("Harbour", "Marks");
  ASSERT_EQ(objects.status, 0);
  ASSERT_EQ(objects.lines.size(), 8u);
  const auto& o = objects.lines;
  EXPECT_TRUE(Has(o[0],
                  "\"type\":\"RECT\",\"id\":\"0000000100000001\",\"prefix\":\"P1\","
                  "\"name\":\"Pier\",\"worldRect\":[109500000,131250000,109750000,131500000]"))
      << o[0];
  EXPECT_TRUE(Has(o[0], "\"graphics\":[0,9,2,9,9,0,0,0]")) << o[0];
  EXPECT_TRUE(Has(o[0], "\"aliasCount\":2")) << o[0];
  EXPECT_TRUE(Has(o[0], "\"modTime\":3675024000")) << o[0];  // 2020-06-15 00:00
  EXPECT_TRUE(Has(o[1], "\"type\":\"CIRCLE\"")) << o[1];
  EXPECT_TRUE(Has(o[1], "\"graphics\":[0,11,1,6,2,0,0,0]")) << o[1];
  EXPECT_TRUE(Has(o[2], "\"graphics\":[300,1,3,")) << o[2];
  EXPECT_TRUE(Has(o[2], "\"customColour\":{\"present\":true,\"active\":true,\"rgb\":660510}"))
      << o[2];
  EXPECT_TRUE(Has(o[3],
                  "{\"x\":109600000,\"y\":131400000,\"newPiece\":true,\"mask\":65535,"
                  "\"attributes\":[77,0,0,0,0,0,0,0,0,0,0,0,0,0,0],\"flag\":true}"))
      << o[3];
  EXPECT_TRUE(Has(o[3], "{\"x\":109650000,\"y\":131450000,\"newPiece\":false,\"mask\":0")) << o[3];
  EXPECT_TRUE(Has(o[4], "\"graphics\":[0,16,1,1,1,0,0,0]")) << o[4];
  EXPECT_TRUE(Has(o[5], "\"text\":\"North Harbour\"")) << o[5];
  EXPECT_TRUE(Has(o[5], "\"graphics\":[0,15,")) << o[5];
  EXPECT_TRUE(Has(o[5], ",21,1,2]")) << o[5];
  EXPECT_TRUE(Has(o[6], "\"picture\":\"chart.png\"")) << o[6];
  EXPECT_TRUE(Has(o[7], "\"aliasOf\":\"0000000100000003\"")) << o[7];
}

TEST_F(CliImportTest, ModesPassFileAndFailures) {
  const std::string one =
      "\"\" \"\" \"\" \"\" 2 \"\" \"A\" 0 \"Marks\" \"Harbour\" POINT \"00000000000000AA\" 0 \"\" "
      "0 "
      "ONLY 0\r\n1 1 1 -70 41\r\n";
  ASSERT_EQ(Import(one).lines, (std::vector<std::string>{"created 1, updated 0, skipped 0"}));
  EXPECT_EQ(Import(one).lines, (std::vector<std::string>{"created 0, updated 1, skipped 0"}));
  EXPECT_EQ(Import(one, "--mode skip").lines,
            (std::vector<std::string>{"created 0, updated 0, skipped 1"}));
  EXPECT_EQ(Import(one, "--mode duplicate").lines,
            (std::vector<std::string>{"created 1, updated 0, skipped 0"}));
  EXPECT_EQ(Objects("Harbour", "Marks").lines.size(), 2u);

  EXPECT_EQ(Import("5 " + one, "--ids").status, 0);
  EXPECT_EQ(ReadWholeFile(root / "in.OUT"), "5 \"00000000000000AA\" \"Marks\" \"Harbour\"\r");

  const CliRun failed = Import("\"\" \"\" \"\" \"\" 3 \"\"");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.lines, (std::vector<std::string>{"created 0, updated 0, skipped 0"}));
  EXPECT_EQ(Import(one, "--mode sideways").status, 1);
}

}  // namespace
}  // namespace tlv::test

namespace tlv::test {
namespace {

TEST_F(CliImportTest, Utf8FilesImportTheirAccentsAndRecordsWithoutAnOverlayGetOne) {
  // As today's editors save a file: a byte-order mark, then UTF-8. One record names no overlay.
  const std::string utf8 =
      "\xEF\xBB\xBF\"\" \"\" \"\" \"\" 2 \"\" \"Caf\xC3\xA9 Z\xC3\xBCrich\" 0 \"Caf\xC3\xA9s\" "
      "\"Harbour\" POINT \"\" 0 \"\" 0 ONLY 0\r\n1 1 1 -70.5 41.5\r\n"
      "\"\" \"\" \"\" \"\" 2 \"\" \"Pump\" 0 \"\" \"Harbour\" POINT \"\" 0 \"\" 0 ONLY 0\r\n"
      "1 1 1 -70.25 41.25\r\n";
  const CliRun import = Import(utf8);
  ASSERT_EQ(import.status, 0);
  EXPECT_EQ(import.lines, (std::vector<std::string>{"created 2, updated 0, skipped 0"}));
  // Texts are printed as UTF-8: the name comes back as it was written.
  const CliRun cafes = Objects("Harbour", "Caf\xC3\xA9s");
  ASSERT_EQ(cafes.status, 0);
  ASSERT_EQ(cafes.lines.size(), 1u);
  EXPECT_TRUE(Has(cafes.lines[0], "\"name\":\"Caf\xC3\xA9 Z\xC3\xBCrich\"")) << cafes.lines[0];
  const CliRun imported = Objects("Harbour", "IMPORTED OBJECTS");
  ASSERT_EQ(imported.lines.size(), 1u);
  EXPECT_TRUE(Has(imported.lines[0], "\"name\":\"Pump\"")) << imported.lines[0];

  // A file stored in Windows-1252 imports as it always did.
  const CliRun windows = Import(
      "\"\" \"\" \"\" \"\" 2 \"\" \"Caf\xE9 Z\xFCrich\" 0 \"Caf\xC3\xA9s\" \"Harbour\" POINT "
      "\"\" 0 \"\" 0 ONLY 0\r\n1 1 1 -70.5 41.5\r\n");
  ASSERT_EQ(windows.status, 0);
  const CliRun both = Objects("Harbour", "Caf\xC3\xA9s");
  ASSERT_EQ(both.lines.size(), 2u);
  EXPECT_TRUE(Has(both.lines[1], "\"name\":\"Caf\xC3\xA9 Z\xC3\xBCrich\"")) << both.lines[1];
}

TEST_F(CliImportTest, ACommaLocaleChangesNoNumber) {
  // Numbers with an exponent and with degree marks take the general number reader.
  const char* saved = std::getenv("LC_ALL");
  const std::string before = saved != nullptr ? saved : "";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  const CliRun import = Import(
      "\"\" \"\" \"\" \"\" 2 \"\" \"A\" 0 \"Marks\" \"Harbour\" POINT \"\" 0 \"\" 0 ONLY 0\r\n"
      "1 1 1 -7.75e1 38.5\260\r\n");
  const CliRun objects = Objects("Harbour", "Marks");
  if (saved != nullptr) {
    setenv("LC_ALL", before.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  ASSERT_EQ(import.status, 0) << import.out;
  ASSERT_EQ(objects.lines.size(), 1u);
  EXPECT_TRUE(Has(objects.lines[0], "\"worldRect\":[102500000,128500000,102500000,128500000]"))
      << objects.lines[0];
  EXPECT_TRUE(Has(objects.lines[0], "\"west\":-77.500000")) << objects.lines[0];
}

}  // namespace
}  // namespace tlv::test
