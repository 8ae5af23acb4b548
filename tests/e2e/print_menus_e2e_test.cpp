// File > Save as Picture and File > Print used through the window on the demo county: the program
// started off screen plays a script that saves the map as a bitmap (the kind chosen by default,
// the name typed without its ending), as a metafile and as an enhanced metafile through the file
// chooser, then prints through the "Print" dialog and the system's print dialog to a PDF file.
// The files are read back with the readers people use: the bitmap holds the map as the window
// shows it, the metafiles are recognised as such, and the PDF has one page with the header and
// the county's labels as text.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/dib_file.h"
#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

class PrintMenusE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("tolvane");
    ASSERT_TRUE(fs::exists(binary)) << "tolvane was not built";
    for (const char* reader :
         {"/usr/bin/pdftotext", "/usr/bin/pdfinfo", "/usr/bin/file", "/usr/bin/python3"}) {
      ASSERT_TRUE(fs::exists(reader)) << reader << " is missing; run scripts/setup";
    }
    ASSERT_EQ(test::RunShell("/usr/bin/python3 -c 'import PIL'").status, 0)
        << "python3-pil is missing; run scripts/setup";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    fs::create_directories(program);
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    fs::copy(kSourceDir / "data" / "fonts", program / "fonts", fs::copy_options::recursive);
    log = folder.path() / "events.log";
    environment = test::ProgramEnvironment(folder.path(), program, log, "print-menus");
    ASSERT_EQ(test::RunCli("--maps '" + maps.string() + "' import '" +
                           (kSourceDir / "data" / "demo" / "Cassel_County.mie").string() + "'")
                  .status,
              0);
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    test::RemoveInstanceLock("print-menus");
  }

  // Plays the script in the program and waits for it to quit.
  void Play(const std::string& script) {
    const fs::path file = folder.path() / "menus.script";
    test::WriteWholeFile(file, script);
    std::vector<std::string> env = environment;
    env.push_back("TOLVANE_INPUT_SCRIPT=" + file.string());
    running = test::SpawnProgram(binary, {}, env, folder.path() / "tolvane.out");
    ASSERT_GT(running, 0);
    const int status = test::WaitForExit(running, std::chrono::seconds(180));
    running = -1;
    ASSERT_EQ(status, 0) << test::ReadWholeFile(log);
    EXPECT_TRUE(test::LogLinesStartingWith(log, "scripterror").empty()) << test::ReadWholeFile(log);
    // Nothing was reported (the message library is not beside this copy of the program, which
    // it says once at start-up).
    for (const std::string& alert : test::LogLinesStartingWith(log, "alert")) {
      EXPECT_NE(alert.find("libWEXO_32.so"), std::string::npos) << alert;
    }
  }
  std::string Quoted(const fs::path& path) const { return "'" + path.string() + "'"; }

  test::TempFolder folder;
  fs::path binary, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
};

TEST_F(PrintMenusE2eTest, SavedPicturesAndThePrintedPageShowTheMapAsTheWindowDoes) {
  const fs::path out = folder.path() / "out";
  fs::create_directories(out);
  const fs::path shown = out / "shown.png";
  Play("snapshot " + shown.string() +
       "\n"
       "command 101\n"
       "field fileNameEdit " +
       (out / "county").string() +
       "\n"
       "accept\n"
       "wait 200\n"
       "command 101\n"
       "field fileTypeCombo Metafile (*.wmf)\n"
       "field fileNameEdit " +
       (out / "county.wmf").string() +
       "\n"
       "accept\n"
       "wait 200\n"
       "command 101\n"
       "field fileTypeCombo Enhanced metafile (*.emf)\n"
       "field fileNameEdit " +
       (out / "county").string() +
       "\n"
       "accept\n"
       "wait 200\n"
       "command 104\n"
       "button Print\n"
       "field filename " +
       (out / "county.pdf").string() +
       "\n"
       "accept\n"
       "wait 300\n"
       "quit\n");

  // The bitmap: the kind chosen by default, ".bmp" added to the typed name, the map area's size,
  // and the same drawing as the window's (labels placed where the window's pass put them may
  // differ by a few pixels; a wrong view or a missing overlay would differ everywhere).
  DibImage bitmap;
  ASSERT_EQ(DecodeDib(test::ReadWholeFile(out / "county.bmp"), bitmap), 0);
  const test::Shell compare = test::RunShell(
      "/usr/bin/python3 -c 'import sys; from PIL import Image, ImageChops\n"
      "a = Image.open(sys.argv[1]).convert(\"RGB\"); b = Image.open(sys.argv[2]).convert(\"RGB\")\n"
      "print(a.size[0], a.size[1], b.size[0], b.size[1],"
      " sum(1 for p in ImageChops.difference(a, b).getdata() if p != (0, 0, 0)),"
      " sum(1 for p in b.getdata() if p[0] > 200 and p[1] < 60 and p[2] < 60))' " +
      Quoted(shown) + " " + Quoted(out / "county.bmp"));
  ASSERT_EQ(compare.status, 0) << compare.out;
  int shownWidth = 0, shownHeight = 0, width = 0, height = 0, differing = 0, red = 0;
  ASSERT_EQ(std::sscanf(compare.out.c_str(), "%d %d %d %d %d %d", &shownWidth, &shownHeight, &width,
                        &height, &differing, &red),
            6)
      << compare.out;
  EXPECT_EQ(width, shownWidth);
  EXPECT_EQ(height, shownHeight);
  EXPECT_EQ(bitmap.width, width);
  EXPECT_LT(differing, width * height / 100) << "the bitmap is not the map the window shows";
  EXPECT_GT(red, 500) << "the county's red highway is missing";

  // The metafiles, each of its own kind whatever ending was typed.
  const std::string wmfType = test::RunShell("/usr/bin/file -b " + Quoted(out / "county.wmf")).out;
  EXPECT_NE(wmfType.find("Windows metafile"), std::string::npos) << wmfType;
  const std::string emfType = test::RunShell("/usr/bin/file -b " + Quoted(out / "county.emf")).out;
  EXPECT_NE(emfType.find("Enhanced Metafile"), std::string::npos) << emfType;

  // The printed page: one page (the map fits the paper at the dialog's opening size), the
  // header's logo text, and a town's name as real text.
  const std::string info = test::RunShell("/usr/bin/pdfinfo " + Quoted(out / "county.pdf")).out;
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+1\\n"))) << info;
  const std::string text =
      test::RunShell("/usr/bin/pdftotext -layout " + Quoted(out / "county.pdf") + " -").out;
  EXPECT_NE(text.find("TOLVANE"), std::string::npos) << text;
  EXPECT_NE(text.find("BRENNICK"), std::string::npos) << text;
}

}  // namespace
}  // namespace tlv
