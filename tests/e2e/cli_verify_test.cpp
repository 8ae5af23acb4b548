// tolvane-cli verify on a copy of the default maps folder with the demo county imported through
// tolvane-cli import: clean after one import and after a second in Update mode, notes (or, when
// asked, problems) after a Duplicate-mode import, and the damaged file named when one is cut
// short or miscounted.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCli = BuiltProgram("tolvane-cli");
const fs::path kSource = TOLVANE_SOURCE_DIR;
constexpr size_t kDemoObjects = 296;

class CliVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    fs::copy(kSource / "data" / "TolvaneMaps", temp.path() / "TolvaneMaps",
             fs::copy_options::recursive);
    maps = "--maps '" + (temp.path() / "TolvaneMaps").string() + "'";
    county = temp.path() / "TolvaneMaps" / "OverlayMaps" / "Cassel County";
  }

  CliRun Import(const std::string& mode) {
    return RunCli(maps + " import '" + (kSource / "data" / "demo" / "Cassel_County.mie").string() +
                  "' --mode " + mode);
  }
  CliRun Verify(const std::string& arguments = "") { return RunCli(maps + " verify " + arguments); }

  TempFolder temp;
  std::string maps;
  fs::path county;
};

// The fields of a finding line, in the order they are written.
const std::regex kFinding(
    R"re(\{"map":"([^"]*)","overlay":"([^"]*)","baseName":"([^"]*)","position":(null|[0-9]+),)re"
    R"re("check":"([A-Za-z]+)","severity":"(problem|note)","message":"[^"]+"\})re");

struct Finding {
  std::string map, overlay, baseName, position, check, severity;
};

std::vector<Finding> Parse(const CliRun& run) {
  std::vector<Finding> findings;
  for (const std::string& line : run.lines) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, kFinding)) << line;
    if (m.empty()) continue;
    findings.push_back({m[1], m[2], m[3], m[4], m[5], m[6]});
  }
  return findings;
}

TEST_F(CliVerifyTest, TheDemoCountyVerifiesCleanAfterOneImportAndAfterASecondInUpdateMode) {
  ASSERT_EQ(Import("update").status, 0);
  CliRun verify = Verify();
  EXPECT_EQ(verify.status, 0);
  EXPECT_TRUE(verify.lines.empty()) << verify.out;

  const CliRun again = Import("update");
  ASSERT_EQ(again.status, 0);
  ASSERT_EQ(again.lines, std::vector<std::string>{"created 0, updated 296, skipped 0"});
  verify = Verify("--unique-ids");
  EXPECT_EQ(verify.status, 0);
  EXPECT_TRUE(verify.lines.empty()) << verify.out;
  verify = Verify("'Cassel County'");
  EXPECT_EQ(verify.status, 0);
  EXPECT_TRUE(verify.lines.empty()) << verify.out;
}

TEST_F(CliVerifyTest, ADuplicateImportGivesOneNotePerSharedIDAndProblemsOnlyWhenAsked) {
  ASSERT_EQ(Import("update").status, 0);
  ASSERT_EQ(Import("duplicate").status, 0);
  CliRun verify = Verify();
  EXPECT_EQ(verify.status, 0);
  std::vector<Finding> findings = Parse(verify);
  ASSERT_EQ(findings.size(), kDemoObjects);
  for (const Finding& f : findings) {
    EXPECT_EQ(f.check, "sharedID");
    EXPECT_EQ(f.severity, "note");
    EXPECT_EQ(f.map, "Cassel County");
    EXPECT_EQ(f.overlay, f.baseName);
  }
  verify = Verify("--unique-ids");
  EXPECT_EQ(verify.status, 1);
  findings = Parse(verify);
  ASSERT_EQ(findings.size(), kDemoObjects);
  EXPECT_EQ(findings[0].severity, "problem");
}

TEST_F(CliVerifyTest, ACutObjectFileAndAMiscountedHeaderAreNamedAndFailTheRun) {
  ASSERT_EQ(Import("update").status, 0);
  const fs::path roads = county / "ROADS.OBJ";
  fs::resize_file(roads, fs::file_size(roads) - 150);
  std::string parks = ReadWholeFile(county / "PARKS.LYR");
  ASSERT_EQ(parks.size(), 52u);
  parks[51] = static_cast<char>(parks[51] + 1);
  WriteWholeFile(county / "PARKS.LYR", parks);

  const CliRun verify = Verify();
  EXPECT_EQ(verify.status, 1);
  const std::vector<Finding> findings = Parse(verify);
  ASSERT_EQ(findings.size(), 3u) << verify.out;
  // Sorted by base name: PARKS, then ROADS, whose last two records lie past the new end.
  EXPECT_EQ(findings[0].baseName, "PARKS");
  EXPECT_EQ(findings[0].check, "objectCount");
  EXPECT_EQ(findings[0].position, "null");
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(findings[i].baseName, "ROADS");
    EXPECT_EQ(findings[i].overlay, "ROADS");
    EXPECT_EQ(findings[i].check, "recordPlace");
    EXPECT_NE(findings[i].position, "null");
  }
  // Asked for the map alone, the run finds the same.
  EXPECT_EQ(Verify("'Cassel County'").lines.size(), 3u);
}

TEST_F(CliVerifyTest, AMapLeftOutOfTheCatalogueIsReported) {
  ASSERT_EQ(Import("update").status, 0);
  fs::resize_file(county / "WATER.LYR", 30);
  const CliRun verify = Verify();
  EXPECT_EQ(verify.status, 1);
  const std::vector<Finding> findings = Parse(verify);
  ASSERT_EQ(findings.size(), 2u) << verify.out;
  EXPECT_EQ(findings[0].check, "unlistedMap");
  EXPECT_EQ(findings[0].map, "Cassel County");
  EXPECT_EQ(findings[1].check, "files");
  EXPECT_EQ(findings[1].baseName, "WATER");
}

TEST_F(CliVerifyTest, AnUnknownMapOrOptionEndsWithStatusOneAndNoFindings) {
  ASSERT_EQ(Import("update").status, 0);
  CliRun verify = Verify("'No Such Map'");
  EXPECT_EQ(verify.status, 1);
  EXPECT_TRUE(verify.lines.empty());
  verify = Verify("--everything");
  EXPECT_EQ(verify.status, 1);
  EXPECT_TRUE(verify.lines.empty());
}

}  // namespace
}  // namespace tlv::test
