// The system clipboard as another program sees it: tolvane-cli copies under a virtual X server
// (Xvfb) and holds the clipboard while xclip reads it; a copied record pasted into a file imports
// back onto the object's centre.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

bool OnPath(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

class ClipboardE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
    ASSERT_TRUE(OnPath("xvfb-run") && OnPath("xclip")) << "scripts/setup installs xvfb and xclip";
    maps = folder.path() / "TolvaneMaps";
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    const std::string demo = (kSourceDir / "data" / "demo" / "Cassel_County.mie").string();
    ASSERT_EQ(RunCli("--maps '" + maps.string() + "' import '" + demo + "'").status, 0);
    // The X libraries keep a few blocks for the life of the process.
    WriteWholeFile(folder.path() / "lsan.supp", "leak:libdbus-1.so\nleak:libxcb\nleak:libX11\n");
  }

  // Copies with --clipboard under Xvfb, reads the clipboard with xclip while the copy holds it,
  // and returns what xclip read.
  std::string CopyAndRead(const std::string& arguments) {
    const fs::path script = folder.path() / "copy.sh";
    const fs::path pasted = folder.path() / "pasted.bin";
    WriteWholeFile(script, "LSAN_OPTIONS=suppressions='" + (folder.path() / "lsan.supp").string() +
                               "' QT_QPA_PLATFORM=xcb '" + BuiltProgram("tolvane-cli").string() +
                               "' --maps '" + maps.string() + "' copy " + arguments +
                               " --clipboard --hold 120 > '" +
                               (folder.path() / "copy.json").string() +
                               "' 2>/dev/null &\n"
                               "copier=$!\n"
                               "for i in $(seq 1 900); do\n"
                               "  if xclip -o -selection clipboard > '" +
                               pasted.string() + "' 2>/dev/null && [ -s '" + pasted.string() +
                               "' ]; then break; fi\n"
                               "  sleep 0.1\n"
                               "done\n"
                               "kill $copier\n"
                               "wait $copier\n"
                               "exit 0\n");
    const int status =
        std::system(("xvfb-run -a sh '" + script.string() + "' >/dev/null 2>&1").c_str());
    EXPECT_EQ(status, 0);
    EXPECT_NE(ReadWholeFile(folder.path() / "copy.json").find("\"copied\":true"), std::string::npos)
        << ReadWholeFile(folder.path() / "copy.json");
    return ReadWholeFile(pasted);
  }

  TempFolder folder;
  fs::path maps;
};

TEST_F(ClipboardE2eTest, AnotherProgramReadsTheClickPointAsUtf8) {
  EXPECT_EQ(CopyAndRead("click 38.6,-78.3"), "38.600000\xC2\xB0N  78.300000\xC2\xB0W");
}

TEST_F(ClipboardE2eTest, APastedRecordImportsOntoTheObjectsCentre) {
  // The first road of the county: a polyline, whose record is written at its centre.
  const std::string pasted = CopyAndRead("object 'Cassel County' ROADS 0 record");
  ASSERT_NE(pasted.find("US 317"), std::string::npos) << pasted;
  const fs::path file = folder.path() / "pasted.txt";
  WriteWholeFile(file, pasted);
  const fs::path second = folder.path() / "Second";
  fs::copy(kSourceDir / "data" / "TolvaneMaps", second, fs::copy_options::recursive);
  ASSERT_EQ(RunCli("--maps '" + second.string() + "' import '" + file.string() + "'").status, 0);

  const auto rectOf = [](const std::string& line) {
    const size_t at = line.find("\"worldRect\":[");
    long r[4] = {0, 0, 0, 0};
    if (at != std::string::npos) {
      std::sscanf(line.c_str() + at + 13, "%ld,%ld,%ld,%ld", &r[0], &r[1], &r[2], &r[3]);
    }
    return std::vector<long>(r, r + 4);
  };
  const CliRun original = RunCli("--maps '" + maps.string() + "' objects 'Cassel County' ROADS");
  const CliRun back = RunCli("--maps '" + second.string() + "' objects 'Cassel County' ROADS");
  ASSERT_FALSE(original.lines.empty());
  ASSERT_EQ(back.lines.size(), 1u);
  const std::vector<long> road = rectOf(original.lines[0]);
  const std::vector<long> point = rectOf(back.lines[0]);
  EXPECT_LE(std::labs(point[0] - (road[0] + road[2]) / 2), 1);
  EXPECT_LE(std::labs(point[1] - (road[1] + road[3]) / 2), 1);
  EXPECT_NE(back.lines[0].find("\"name\":\"US 317\""), std::string::npos) << back.lines[0];
}

}  // namespace
}  // namespace tlv::test
