// tolvane-cli print and picture on the demo county, checked with the readers people open the
// files with: pdftotext and pdftoppm for the PDF pages (page count, header texts, a label as
// real text, a road crossing a page edge going on at the same height), PIL for the bitmap,
// wmf2svg and emf2svg-conv for the metafiles (size and a filled rectangle in place) and the
// office suite's converter for both. A reader that is missing fails the test: scripts/setup
// installs them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// A page rendered by pdftoppm (binary PPM), as 0xRRGGBB rows top to bottom.
struct Page {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

bool ReadPpm(const fs::path& path, Page& page) {
  const std::string bytes = test::ReadWholeFile(path);
  std::istringstream header(bytes);
  std::string magic;
  int maxValue = 0;
  header >> magic >> page.width >> page.height >> maxValue;
  if (magic != "P6" || maxValue != 255 || page.width <= 0 || page.height <= 0) return false;
  const size_t start = static_cast<size_t>(header.tellg()) + 1;
  if (bytes.size() < start + static_cast<size_t>(page.width) * page.height * 3) return false;
  page.rgb.resize(static_cast<size_t>(page.width) * page.height);
  for (size_t i = 0; i < page.rgb.size(); ++i) {
    const size_t p = start + i * 3;
    page.rgb[i] = static_cast<uint32_t>(static_cast<uint8_t>(bytes[p])) << 16 |
                  static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + 1])) << 8 |
                  static_cast<uint8_t>(bytes[p + 2]);
  }
  return true;
}

bool Reddish(uint32_t rgb) {
  return (rgb >> 16 & 0xFF) > 180 && (rgb >> 8 & 0xFF) < 110 && (rgb & 0xFF) < 110;
}

// One field of a JSON line as text ("" when missing).
std::string Field(const std::string& json, const std::string& key) {
  const std::regex pattern("\"" + key + "\":(\\[[^\\]]*\\]|\"[^\"]*\"|[-0-9.]+)");
  std::smatch match;
  return std::regex_search(json, match, pattern) ? match[1].str() : "";
}

class CliPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli = fs::path(TOLVANE_BINARY_DIR) / "src" / "tolvane-cli";
    ASSERT_TRUE(fs::exists(cli)) << "tolvane-cli was not built";
    for (const char* reader : {"/usr/bin/pdftotext", "/usr/bin/pdftoppm", "/usr/bin/wmf2svg",
                               "/usr/bin/emf2svg-conv", "/usr/bin/soffice", "/usr/bin/python3"}) {
      ASSERT_TRUE(fs::exists(reader)) << reader << " is missing; run scripts/setup";
    }
    ASSERT_EQ(test::RunShell("/usr/bin/python3 -c 'import PIL'").status, 0)
        << "python3-pil is missing; run scripts/setup";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    fs::create_directories(program);
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    fs::copy(kSourceDir / "data" / "fonts", program / "fonts", fs::copy_options::recursive);
    ASSERT_EQ(Cli("import " + Quoted(kSourceDir / "data" / "demo" / "Cassel_County.mie")).status,
              0);
  }

  test::Shell Cli(const std::string& arguments) {
    return test::RunShell(
        "env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "
        "TOLVANE_PROGRAM_FOLDER=" +
        Quoted(program) + " " + Quoted(cli) + " --maps " + Quoted(maps) + " " + arguments);
  }
  std::string PdfText(const fs::path& pdf, int page) {
    return test::RunShell("/usr/bin/pdftotext -layout -f " + std::to_string(page) + " -l " +
                          std::to_string(page) + " " + Quoted(pdf) + " -")
        .out;
  }
  int PdfPages(const fs::path& pdf) {
    const std::string info = test::RunShell("/usr/bin/pdfinfo " + Quoted(pdf)).out;
    std::smatch match;
    return std::regex_search(info, match, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(match[1])
                                                                          : -1;
  }

  test::TempFolder folder;
  fs::path cli, program, maps;
};

TEST_F(CliPrintTest, ASmallViewPrintsOnOnePageWithoutAPageNumber) {
  const fs::path pdf = folder.path() / "small.pdf";
  const test::Shell run =
      Cli("print --pdf " + Quoted(pdf) +
          " --fit 'Cassel County' --size 300x200 --image 3,2,in --title 'Cassel plan'");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Field(run.out, "pages"), "1");
  EXPECT_EQ(Field(run.out, "printable"), "[24,96,769,1099]") << "A4 at 96 pixels per inch";
  EXPECT_EQ(PdfPages(pdf), 1);
  const std::string text = PdfText(pdf, 1);
  EXPECT_NE(text.find("Cassel plan"), std::string::npos) << text;
  EXPECT_EQ(text.find("Page "), std::string::npos) << text;
}

TEST_F(CliPrintTest, TwoAndAHalfPrintableWidthsPrintThreeNumberedPagesThatJoin) {
  const fs::path pdf = folder.path() / "wide.pdf";
  // Letter paper: the printable rectangle is 768 pixels wide; 20 inches are 2.5 of it.
  const test::Shell run = Cli("print --pdf " + Quoted(pdf) +
                              " --paper Letter --view 38.62,-78.31,200000 --size 800x300"
                              " --image 20,7.5,in --title 'Cassel County roads' --dpi 300");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Field(run.out, "pages"), "3");
  EXPECT_EQ(Field(run.out, "across"), "3");
  EXPECT_EQ(Field(run.out, "down"), "1");
  EXPECT_EQ(Field(run.out, "image"), "[1920.00,720.00]");
  ASSERT_EQ(PdfPages(pdf), 3);
  std::string all;
  for (int page = 1; page <= 3; ++page) {
    const std::string text = PdfText(pdf, page);
    all += text;
    EXPECT_NE(text.find("Page " + std::to_string(page) + " of 3"), std::string::npos)
        << "page " << page << ": " << text;
    EXPECT_NE(text.find("Cassel County roads"), std::string::npos) << "page " << page << text;
  }
  // The county's labels are text in the PDF, not pictures of text.
  int labels = 0;
  for (const char* label : {"ALDERMOOR", "BRENNICK", "FENWICK", "MARLOW GAP", "Lake Merrow",
                            "Tessaly River", "COLDWATER"}) {
    labels += all.find(label) != std::string::npos;
  }
  EXPECT_GE(labels, 3) << all;

  // At 96 pixels per inch the pages show screen pixels one for one: page 1's printable
  // rectangle ends at x = 792, page 2's begins at x = 24. A road leaving page 1 enters page 2
  // at the same height.
  ASSERT_EQ(test::RunShell("/usr/bin/pdftoppm -r 96 -aa no -aaVector no -f 1 -l 2 " + Quoted(pdf) +
                           " " + Quoted(folder.path() / "page"))
                .status,
            0);
  Page first, second;
  ASSERT_TRUE(ReadPpm(folder.path() / "page-1.ppm", first));
  ASSERT_TRUE(ReadPpm(folder.path() / "page-2.ppm", second));
  ASSERT_EQ(first.width, 816);
  int crossings = 0, matched = 0;
  for (int y = 98; y < 96 + 718; ++y) {
    if (!Reddish(first.At(791, y))) continue;
    ++crossings;
    bool found = false;
    for (int dy = -2; dy <= 2 && !found; ++dy) found = Reddish(second.At(24, y + dy));
    matched += found;
  }
  ASSERT_GT(crossings, 0) << "no road crosses the edge between pages 1 and 2";
  EXPECT_EQ(matched, crossings);
}

TEST_F(CliPrintTest, ABitmapReadByPilEqualsThePngPixelForPixel) {
  const fs::path bmp = folder.path() / "view.bmp";
  const fs::path png = folder.path() / "view.png";
  const std::string view = " --fit 'Cassel County' --size 333x250";
  const test::Shell bitmap = Cli("picture --format bmp --out " + Quoted(bmp) + view);
  ASSERT_EQ(bitmap.status, 0) << bitmap.out;
  EXPECT_EQ(Field(bitmap.out, "width"), "333");
  EXPECT_EQ(Field(bitmap.out, "bytes"), std::to_string(54 + 250 * 1000));
  ASSERT_EQ(Cli("picture --format png --out " + Quoted(png) + view).status, 0);
  const test::Shell compare = test::RunShell(
      "/usr/bin/python3 -c 'import sys; from PIL import Image; "
      "a = Image.open(sys.argv[1]); b = Image.open(sys.argv[2]).convert(\"RGB\"); "
      "print(a.format, a.mode, a.size, round(a.info[\"dpi\"][0]), "
      "list(a.getdata()) == list(b.getdata()), "
      "sum(1 for p in a.getdata() if p != (255, 255, 255)))' " +
      Quoted(bmp) + " " + Quoted(png));
  ASSERT_EQ(compare.status, 0) << compare.out;
  std::istringstream words(compare.out);
  std::string format, mode, width, height, dpi, same;
  long inked = 0;
  words >> format >> mode >> width >> height >> dpi >> same >> inked;
  EXPECT_EQ(format, "BMP");
  EXPECT_EQ(mode, "RGB");
  EXPECT_EQ(width + height, "(333,250)");
  EXPECT_EQ(dpi, "96");
  EXPECT_EQ(same, "True") << compare.out;
  EXPECT_GT(inked, 2000) << "the county is drawn";
}

// A map with one solid red rectangle in the middle of a 400 x 300 view.
class CliMetafileTest : public CliPrintTest {
 protected:
  void SetUp() override {
    CliPrintTest::SetUp();
    const fs::path mie = folder.path() / "box.mie";
    std::ofstream(mie)
        << "\"\" \"\" \"\" \"11/15/2026\" 2 \"\" \"Red Box\" 0 \"BOXES\" \"Box Map\" RECT "
           "\"3E8A1C0000000999\" 0 \"\" 0 ONLY 0\n"
           "RED 2 RED 1 -77.51 38.49 -77.49 38.51\n";
    ASSERT_EQ(Cli("import " + Quoted(mie)).status, 0);
  }
  // 400 x 300 at 1:100,000 centred on the box, east of the county. libwmf sizes a metafile by
  // what its records draw, clipped or not, so county labels running past the edge would
  // squeeze its picture; here nothing else is near.
  std::string View() { return " --view 38.5,-77.5,100000 --size 400x300"; }
};

TEST_F(CliMetafileTest, MetafilesKeepTheViewsSizeAndTheRectangleInPlace) {
  const fs::path wmf = folder.path() / "view.wmf";
  const fs::path emf = folder.path() / "view.emf";
  const test::Shell wmfRun = Cli("picture --format wmf --out " + Quoted(wmf) + View());
  ASSERT_EQ(wmfRun.status, 0) << wmfRun.out;
  EXPECT_GT(std::stoi(Field(wmfRun.out, "records")), 5);
  const test::Shell emfRun = Cli("picture --format emf --out " + Quoted(emf) + View());
  ASSERT_EQ(emfRun.status, 0) << emfRun.out;
  EXPECT_EQ(Field(emfRun.out, "bytes"), std::to_string(fs::file_size(emf)));

  // Where the box is in the same view drawn as pixels: the columns and rows with a run of its
  // red (the county's red symbols are smaller).
  const fs::path png = folder.path() / "view.png";
  ASSERT_EQ(Cli("picture --format png --out " + Quoted(png) + View()).status, 0);
  const test::Shell box = test::RunShell(
      "/usr/bin/python3 -c 'import sys; from PIL import Image; "
      "a = Image.open(sys.argv[1]).convert(\"RGB\"); "
      "px = a.load(); red = lambda x, y: px[x, y] == (255, 0, 0); "
      "xs = [x for x in range(400) if sum(red(x, y) for y in range(300)) > 20]; "
      "ys = [y for y in range(300) if sum(red(x, y) for x in range(400)) > 20]; "
      "print(min(xs), min(ys), max(xs) + 1, max(ys) + 1)' " +
      Quoted(png));
  ASSERT_EQ(box.status, 0) << box.out;
  std::istringstream corners(box.out);
  double left = 0, top = 0, right = 0, bottom = 0;
  corners >> left >> top >> right >> bottom;
  ASSERT_GT(right - left, 20) << box.out;

  const test::Shell wmfSvg = test::RunShell("/usr/bin/wmf2svg " + Quoted(wmf));
  ASSERT_EQ(wmfSvg.status, 0) << wmfSvg.out;
  const test::Shell emfSvg =
      test::RunShell("/usr/bin/emf2svg-conv -i " + Quoted(emf) + " -o /dev/stdout");
  ASSERT_EQ(emfSvg.status, 0) << emfSvg.out;
  for (const test::Shell* svg : {&wmfSvg, &emfSvg}) {
    const std::string& text = svg->out;
    std::smatch size;
    ASSERT_TRUE(std::regex_search(
        text, size, std::regex("<svg[^>]*width=\"([0-9.]+)[a-z]*\"[^>]*height=\"([0-9.]+)")))
        << text.substr(0, 600);
    // emf2svg-conv sizes the picture from its bounds, which count their last pixel in (0 to
    // 399), one less than the 400 pixels they cover.
    const double extra = svg == &emfSvg ? 1 : 0;
    EXPECT_NEAR(std::stod(size[1]) + extra, 400, 0.01) << (svg == &emfSvg ? "EMF" : "WMF");
    EXPECT_NEAR(std::stod(size[2]) + extra, 300, 0.01) << (svg == &emfSvg ? "EMF" : "WMF");
    // The filled red rectangle at the box's place, within a pixel or two.
    const std::regex rect(
        "<rect x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([0-9.]+)\" "
        "height=\"([0-9.]+)\"[^>]*(fill=\"#FF0000\"|fill:red)");
    bool inPlace = false;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), rect);
         it != std::sregex_iterator(); ++it) {
      const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
      const double w = std::stod((*it)[3]), h = std::stod((*it)[4]);
      inPlace = inPlace || (std::abs(x - left) <= 2 && std::abs(y - top) <= 2 &&
                            std::abs(x + w - right) <= 2 && std::abs(y + h - bottom) <= 2);
    }
    EXPECT_TRUE(inPlace) << (svg == &emfSvg ? "EMF" : "WMF") << ": no red rectangle at " << left
                         << "," << top << " to " << right << "," << bottom;
  }
}

TEST_F(CliMetafileTest, TheOfficeConverterShowsTheRectangleInItsColour) {
  const fs::path wmf = folder.path() / "view.wmf";
  const fs::path emf = folder.path() / "view.emf";
  ASSERT_EQ(Cli("picture --format wmf --out " + Quoted(wmf) + View()).status, 0);
  ASSERT_EQ(Cli("picture --format emf --out " + Quoted(emf) + View()).status, 0);
  // The symbol faces are found through a fontconfig file that names the shipped fonts.
  const fs::path fontsConf = folder.path() / "fonts.conf";
  std::ofstream(fontsConf)
      << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
         "<fontconfig><include ignore_missing=\"yes\">/etc/fonts/fonts.conf"
         "</include><dir>"
      << (kSourceDir / "data" / "fonts").string() << "</dir></fontconfig>\n";
  const fs::path out = folder.path() / "office";
  // Each file goes to a folder of its own: both convert to view.png.
  for (const fs::path& file : {wmf, emf}) {
    const fs::path dir = out / file.extension().string().substr(1);
    ASSERT_EQ(test::RunShell("cd " + Quoted(folder.path()) + " && env HOME=" +
                             Quoted(folder.path()) + " FONTCONFIG_FILE=" + Quoted(fontsConf) +
                             " timeout 180 /usr/bin/soffice --headless --convert-to png --outdir " +
                             Quoted(dir) + " " + Quoted(file))
                  .status,
              0);
    const test::Shell red = test::RunShell(
        "/usr/bin/python3 -c 'import sys; from PIL import Image; "
        "a = Image.open(sys.argv[1]).convert(\"RGB\"); "
        "print(sum(1 for p in a.getdata() if p[0] > 200 and p[1] < 60 and p[2] < 60))' " +
        Quoted(dir / "view.png"));
    ASSERT_EQ(red.status, 0) << red.out;
    EXPECT_GT(std::stol(red.out), 50) << file << ": no red rectangle in the converted picture";
  }
}

TEST_F(CliPrintTest, BadOptionsEndWithUsageAndWriteNothing) {
  const fs::path pdf = folder.path() / "bad.pdf";
  const fs::path pic = folder.path() / "bad.bmp";
  const std::string view = " --fit 'Cassel County' --size 300x200";
  for (const std::string& bad : {"print --pdf " + Quoted(pdf) + " --size 0x200",
                                 "print --pdf " + Quoted(pdf) + " --size 300x",
                                 "print --pdf " + Quoted(pdf) + view + " --image 3,2,mm",
                                 "print --pdf " + Quoted(pdf) + view + " --image -3,2,in",
                                 "print --pdf " + Quoted(pdf) + view + " --image 3,abc,in",
                                 "print --pdf " + Quoted(pdf) + view + " --pages 0x2",
                                 "print --pdf " + Quoted(pdf) + view + " --pages 2",
                                 "print --pdf " + Quoted(pdf) + view + " --paper A3",
                                 "print --pdf " + Quoted(pdf) + view + " --scale 0",
                                 "print --pdf " + Quoted(pdf) + view + " --dpi 5",
                                 "print --pdf " + Quoted(pdf) + view + " --fit-page --scale 5000",
                                 "print --pdf " + Quoted(pdf) + view + " --colour red",
                                 "print" + view, "picture --format gif --out " + Quoted(pic) + view,
                                 "picture --format bmp --out " + Quoted(pic) + " --size 20000x10",
                                 "picture --format bmp" + view}) {
    EXPECT_EQ(Cli(bad).status, 64) << bad;
  }
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_FALSE(fs::exists(pic));
}

TEST_F(CliPrintTest, AnUnwritableTargetFailsOnceAndWritesNothing) {
  const fs::path missing = folder.path() / "missing";
  for (const char* format : {"bmp", "wmf", "emf", "png"}) {
    const test::Shell run = Cli(std::string("picture --format ") + format + " --out " +
                                Quoted(missing / "view") + " --fit 'Cassel County' --size 100x80");
    EXPECT_EQ(run.status, 1) << run.out;
  }
  const test::Shell print =
      Cli("print --pdf " + Quoted(missing / "view.pdf") + " --fit 'Cassel County' --size 100x80");
  EXPECT_EQ(print.status, 1) << print.out;
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace tlv
