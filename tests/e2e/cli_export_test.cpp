// Exports with the built tolvane-cli and reads the results back as a user of them would: the
// interchange file imported into an empty maps folder shows the same objects, simple text lands
// where the objects are, and shapefiles open in a reader that is not ours (ogrinfo).
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

const fs::path kCli = BuiltProgram("tolvane-cli");

// Every kind, a custom colour, segment attributes, a polygon with a hole and a name with "é".
constexpr const char* kEveryKind =
    "\"\" \"\" \"\" \"6/15/2020\" 2 \"P1\" \"Pier\" 2 \"Marks\" \"Harbour\" RECT "
    "\"0000000100000001\" 0 \"\" 0 ONLY 0\r\nGREEN 2 DASHES DOWNSTRIPES -70.5 41.25 -70.25 41.5\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Zone\" 0 \"Marks\" \"Harbour\" CIRCLE \"0000000100000002\" 0 "
    "\"\" "
    "0 ONLY 0\r\nBLUE 1 DOTS NONE -70.1 41.1 -70.0 41.2\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Light \xe9t\xe9\" 0 \"Marks\" \"Harbour\" POINT "
    "\"0000000100000003\" 0 \"\" 0 ONLY 0\r\nR10G20B30 3 300 -70.3 41.3\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Channel\" 0 \"Marks\" \"Harbour\" POLYLINE \"0000000100000004\" "
    "0 "
    "\"\" 0 ONLY 0\r\nRED 2 RAILROAD NONE { { FROM -70.4 41.4 { TLID 77 } { INVIS 1 } } "
    "{ TO -70.35 41.45 } { FROM -70.3 41.4 } { TO -70.31 41.42 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Shoal\" 0 \"Marks\" \"Harbour\" POLYGON \"0000000100000005\" 0 "
    "\"\" 0 ONLY 0\r\nYELLOW 1 BLACK BLACK { { FROM -70 41 } { TO -69 41 } { TO -69 42 } "
    "{ TO -70 42 } { TO -70 41 } { FROM -69.8 41.2 } { TO -69.8 41.8 } { TO -69.2 41.8 } { TO "
    "-69.2 41.2 } "
    "{ TO -69.8 41.2 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"\" 0 \"Marks\" \"Harbour\" TEXT \"0000000100000006\" 0 \"\" 0 "
    "ONLY 0\r\nDARKBLUE YES 21 2 \"North Harbour\" -70.5 41.6 -70.3 41.55\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Chart\" 0 \"Marks\" \"Harbour\" PICTURE \"0000000100000007\" 0 "
    "\"\" 0 ONLY 0\r\n1 \"chart.png\" -70.5 41 -70 41.5\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Light too\" 0 \"Marks\" \"Harbour\" ALIAS \"0000000100000008\" 0 "
    "\"\" 0 ONLY 0\r\n\"0000000100000003\"\r\n";

class CliExportTest : public CatalogueTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    CatalogueTest::SetUp();
    MakeMap("Harbour", "Harbour");
    WriteWholeFile(root / "in.mie", kEveryKind);
    ASSERT_EQ(Cli(root, "import '" + (root / "in.mie").string() + "'").status, 0);
    second = root / "second";
    fs::create_directories(second / "Settings");
    fs::create_directories(second / "OverlayMaps" / "UserMap");
    WriteWholeFile(second / "OverlayMaps" / "UserMap" / "NAME.MAP", NameDotMapBytes("User's map"));
  }

  static CliRun Cli(const fs::path& maps, const std::string& arguments) {
    return RunCli("--maps '" + maps.string() + "' " + arguments);
  }

  // The objects as tolvane-cli prints them, without what an import may change: the record's
  // place in the file and the time of day.
  static std::vector<std::string> Comparable(const fs::path& maps, const std::string& overlay) {
    const CliRun run = Cli(maps, "objects Harbour '" + overlay + "'");
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines;
    const std::regex position("\"position\":[0-9]+,");
    const std::regex modTime("\"modTime\":([0-9]+)");
    for (const std::string& line : run.lines) {
      std::string kept = std::regex_replace(line, position, "");
      std::smatch found;
      if (std::regex_search(kept, found, modTime)) {
        const long day = std::stol(found[1].str()) / 86400;
        kept = std::regex_replace(kept, modTime, "\"day\":" + std::to_string(day));
      }
      lines.push_back(kept);
    }
    return lines;
  }

  std::string Export(const std::string& options) {
    const CliRun run = Cli(root, "export " + options);
    EXPECT_EQ(run.status, 0) << options;
    return run.lines.empty() ? std::string() : run.lines[0];
  }

  fs::path second;
};

TEST_F(CliExportTest, EveryKindRoundTripsThroughTheInterchangeFormat) {
  const fs::path file = root / "out.mie";
  const std::string printed =
      Export("--format mie --out '" + file.string() + "' --overlay Harbour Marks");
  EXPECT_NE(printed.find("\"format\":\"mie\",\"objects\":8,\"written\":8,\"passedOver\":0"),
            std::string::npos)
      << printed;
  ASSERT_EQ(Cli(second, "import '" + file.string() + "'").lines,
            (std::vector<std::string>{"created 8, updated 0, skipped 0"}));
  const std::vector<std::string> before = Comparable(root, "Marks");
  ASSERT_EQ(before.size(), 8u);
  EXPECT_EQ(Comparable(second, "Marks"), before);
}

TEST_F(CliExportTest, SimpleTextLandsWithinOneWorldUnitOfTheObjects) {
  const fs::path file = root / "out.txt";
  const std::string printed =
      Export("--format text --out '" + file.string() + "' --overlay Harbour Marks");
  // The alias is not written.
  EXPECT_NE(printed.find("\"objects\":8,\"written\":7,\"passedOver\":1"), std::string::npos)
      << printed;
  ASSERT_EQ(Cli(second, "import '" + file.string() + "'").status, 0);
  const CliRun original = Cli(root, "objects Harbour Marks");
  const CliRun points = Cli(second, "objects Harbour Marks");
  ASSERT_EQ(points.lines.size(), 7u);
  const std::regex rect("\"worldRect\":\\[([0-9]+),([0-9]+),([0-9]+),([0-9]+)\\]");
  const std::regex name("\"name\":\"([^\"]*)\"");
  for (size_t i = 0; i < points.lines.size(); ++i) {
    std::smatch a;
    std::smatch b;
    ASSERT_TRUE(std::regex_search(original.lines[i], a, rect));
    ASSERT_TRUE(std::regex_search(points.lines[i], b, rect));
    const long cx = (std::stol(a[1]) + std::stol(a[3])) / 2;
    const long cy = (std::stol(a[2]) + std::stol(a[4])) / 2;
    EXPECT_LE(std::abs(std::stol(b[1]) - cx), 1) << points.lines[i];
    EXPECT_LE(std::abs(std::stol(b[2]) - cy), 1) << points.lines[i];
  }
  std::smatch named;
  ASSERT_TRUE(std::regex_search(points.lines[0], named, name));
  EXPECT_EQ(named[1].str(), "P1 Pier");
}

TEST_F(CliExportTest, MIETextOfOneObjectHasNoLineBreaks) {
  const CliRun run = Cli(root, "export --mie-text Harbour Marks 100000003");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  // The object has no date of its own; everything after the date is fixed.
  const std::string& line = run.lines[0];
  EXPECT_EQ(
      line.rfind("{\"id\":\"0000000100000003\",\"text\":\"\\\"\\\" \\\"\\\" \\\"\\\" \\\"", 0), 0u)
      << line;
  const std::string tail =
      " 2 \\\"\\\" \\\"Light \xc3\xa9t\xc3\xa9\\\" 0 \\\"Marks\\\" \\\"Harbour\\\" POINT "
      "\\\"0000000100000003\\\" 0 \\\"\\\" 0 ONLY 50992158 R10G20B30 3 300 -70.300000 "
      "41.300000 \"}";
  ASSERT_GT(line.size(), tail.size());
  EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
}

TEST_F(CliExportTest, BNAKeepsOnlyShapesOfOneChain) {
  const fs::path file = root / "out.bna";
  const std::string printed =
      Export("--format bna --out '" + file.string() + "' --overlay Harbour Marks");
  // The channel has two chains (refused); the shoal has a hole, so two rings (refused too).
  EXPECT_NE(printed.find("\"written\":0,\"passedOver\":8"), std::string::npos) << printed;
  EXPECT_EQ(ReadWholeFile(file), "");
}

class OgrInfo {
 public:
  static bool Present() { return std::system("command -v ogrinfo >/dev/null 2>&1") == 0; }
  static std::string Run(const fs::path& file) {
    std::string out;
    FILE* pipe = popen(("ogrinfo -ro -al '" + file.string() + "' 2>&1").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
  }
};

TEST_F(CliExportTest, ShapefilesOpenInAnotherReader) {
  ASSERT_TRUE(OgrInfo::Present()) << "ogrinfo is missing: scripts/setup installs gdal-bin";
  const fs::path points = root / "points.shp";
  std::string printed = Export("--format shapefile --kind points --out '" + points.string() +
                               "' --overlay Harbour Marks");
  EXPECT_NE(printed.find("\"written\":1,\"passedOver\":7"), std::string::npos) << printed;
  for (const char* part : {".shx", ".dbf", ".prj"}) {
    EXPECT_TRUE(fs::exists(root / (std::string("points") + part))) << part;
  }
  std::string info = OgrInfo::Run(points);
  EXPECT_NE(info.find("Geometry: Point"), std::string::npos) << info;
  EXPECT_NE(info.find("Feature Count: 1"), std::string::npos) << info;
  EXPECT_NE(info.find("NAME (String) = Light \xc3\xa9t\xc3\xa9"), std::string::npos) << info;
  EXPECT_NE(info.find("COLOR (String) = R10G20B30"), std::string::npos) << info;
  EXPECT_NE(info.find("SYMBOL (Integer) = 300"), std::string::npos) << info;
  EXPECT_NE(info.find("POINT (-70.3 41.3)"), std::string::npos) << info;
  EXPECT_NE(info.find("WGS 84"), std::string::npos) << info;

  const fs::path areas = root / "areas.SHP";
  printed = Export("--format shapefile --kind polygons --out '" + areas.string() +
                   "' --overlay Harbour Marks");
  EXPECT_NE(printed.find("\"written\":3"), std::string::npos) << printed;
  info = OgrInfo::Run(root / "areas.shp");
  EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
  // The shoal's hole is inside its outer ring; the rectangle is a closed five-point ring.
  EXPECT_NE(info.find("POLYGON ((-70 41,-70 42,-69 42,-69 41,-70 41),(-69.8 41.2,-69.2 41.2,"
                      "-69.2 41.8,-69.8 41.8,-69.8 41.2))"),
            std::string::npos)
      << info;
  EXPECT_NE(info.find("POLYGON ((-70.5 41.25,-70.5 41.5,-70.25 41.5,-70.25 41.25,-70.5 41.25))"),
            std::string::npos)
      << info;

  const fs::path lines = root / "lines.shp";
  Export("--format shapefile --kind polylines --out '" + lines.string() +
         "' --overlay Harbour Marks");
  info = OgrInfo::Run(lines);
  EXPECT_NE(info.find("MULTILINESTRING ((-70.4 41.4,-70.35 41.45),(-70.3 41.4,-70.31 41.42))"),
            std::string::npos)
      << info;
}

TEST_F(CliExportTest, ByIDsExportsOnlyThoseAndRefusesUnknownOnes) {
  const fs::path file = root / "two.mie";
  const std::string printed = Export("--format mie --out '" + file.string() +
                                     "' --ids Harbour Marks 100000001,0000000100000005");
  EXPECT_NE(printed.find("\"objects\":2,\"written\":2"), std::string::npos) << printed;
  EXPECT_EQ(Cli(root, "export --format mie --out x.mie --ids Harbour Marks 123").status, 1);
  EXPECT_EQ(Cli(root, "export --format nothing --out x.mie --overlay Harbour Marks").status, 1);
}

}  // namespace
}  // namespace tlv::test
