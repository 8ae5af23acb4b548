// ZEPHA's threat zones exported to KML with the built tolvane-cli, the basemap package's
// zep2kml.php and tolvane-convert, and read back by readers that are not ours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

const fs::path kCli = BuiltProgram("tolvane-cli");

std::string Record(const std::string& name, const char* kind, const char* id,
                   const std::string& body) {
  return "\"\" \"\" \"\" \"\" 2 \"\" \"" + name + "\" 0 \"ZEPHA\" \"\" " + kind + " \"" + id +
         "\" 0 \"\" 0 ONLY 0\r\n" + body + "\r\n";
}

// Three zones (the orange one with a hole), confidence lines and the release point, named as
// ZEPHA names them.
const std::string kZones =
    Record("ZEPHA Threat Zone 60 min (AEGL-1): 0.1 ppm", "POLYGON", "0000000A00000003",
           "YELLOW 1 BLACK BLACK { { FROM -70.9 41.1 } { TO -70.1 41.1 } { TO -70.1 41.9 }"
           " { TO -70.9 41.9 } }") +
    Record("ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm", "POLYGON", "0000000A00000002",
           "ORANGE 1 BLACK BLACK { { FROM -70.8 41.2 } { TO -70.2 41.2 } { TO -70.2 41.8 }"
           " { TO -70.8 41.8 } { FROM -70.4 41.4 } { TO -70.3 41.4 } { TO -70.3 41.5 } }") +
    Record("ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm", "POLYGON", "0000000A00000001",
           "RED 1 BLACK BLACK { { FROM -70.6 41.4 } { TO -70.5 41.4 } { TO -70.5 41.6 }"
           " { TO -70.6 41.6 } }") +
    Record("ZEPHA Confidence Lines 60 min (AEGL-1): 0.1 ppm", "POLYLINE", "0000000A00000004",
           "BLACK 1 DASHES NONE { { FROM -71 41 } { TO -70 41.2 } { FROM -71 42 }"
           " { TO -70 41.8 } }") +
    Record("Release Point", "POINT", "0000000A00000005", "BLACK 3 212 -70.55 41.5");

constexpr char kFootprints[] =
    "ZEPHA 6.0 footprint\r\n"
    "FOOTPRINT 1 [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]\r\n"
    "FOOTPRINT 2 [COLOR: LIGHT ORANGE] [LOC: 60 min (AEGL-2): 0.5 ppm]\r\n"
    "FOOTPRINT 3 [COLOR: YELLOW] [LOC: 60 min (AEGL-1): 0.1 ppm]\r\n"
    "tModel Run: Gaussian\r\n"
    "tTime: June 3, 2024  1420 hours EDT (user specified)\r\n"
    "tChemical Name: CHLORINE\r\n"
    "tWind: 5 miles/hour from NW at 3 meters\r\n"
    "tTHREAT ZONE:\r\n"
    "tRed   : 1.2 miles --- (2 ppm = AEGL-3 [60 min])\r\n";

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pclose(pipe) != 0) out += "\n(failed)";
  return out;
}

class ZephaKmlTest : public CatalogueTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    CatalogueTest::SetUp();
    MakeFolders(root / "BasemapFiles" / "Settings");
    zepha = root / "ZEPHA";
    MakeFolders(zepha);
    WriteWholeFile(zepha / "zep_ftp.pas", kFootprints);
    WriteWholeFile(root / "zones.mie", kZones);
  }

  CliRun Cli(const std::string& arguments) {
    return RunCli("--maps '" + root.string() + "' " + arguments);
  }

  fs::path zepha;
};

TEST_F(ZephaKmlTest, LabelsAndNamesFromTheFootprintFile) {
  const std::string pas = (zepha / "zep_ftp.pas").string();
  CliRun run = Cli("zepha labels '" + pas + "'");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"yellow\":\"60 min (AEGL-1): 0.1 ppm\",\"orange\":\"60 min (AEGL-2): 0.5 ppm\","
            "\"red\":\"60 min (AEGL-3): 2 ppm\"}\n");
  run = Cli("zepha name 'ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm' --pas '" + pas + "'");
  EXPECT_EQ(run.out,
            "{\"in\":\"ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm\","
            "\"out\":\"Red Threat Zone 60 min (AEGL-3): 2 ppm\"}\n");
  EXPECT_EQ(Cli("zepha name x").status, 64);
}

TEST_F(ZephaKmlTest, NothingOnTheOverlayExportsNothing) {
  const CliRun run = Cli("zepha kml --zepha-folder '" + zepha.string() + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"objects\":0,\"exported\":0"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"message\":null"), std::string::npos) << run.out;
}

TEST_F(ZephaKmlTest, TheExportOpensInOtherReaders) {
  ASSERT_EQ(Cli("import '" + (root / "zones.mie").string() + "'").status, 0);
  const CliRun run = Cli("zepha kml --zepha-folder '" + zepha.string() + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  const fs::path exchange = root / "BasemapFiles" / "Temp";
  const std::string polygons = (exchange / "zepha_polygons.kml").string();
  const std::string points = (exchange / "zepha_points.kml").string();
  EXPECT_EQ(run.out,
            "{\"objects\":5,\"exported\":5,\"mie\":\"" + (exchange / "zepha.mie").string() +
                "\",\"summary\":true,\"kml\":{\"polygons\":\"" + polygons + "\",\"points\":\"" +
                points + "\"},\"placemarks\":{\"polygons\":4,\"points\":1},\"message\":null}\n");
  EXPECT_TRUE(fs::exists(exchange / "zepha_kml.hta"));
  const std::string kml = ReadWholeFile(polygons);
  // The summary went in as the document's description.
  EXPECT_NE(kml.find("<b>Wind:</b> 5 miles/hour"), std::string::npos);
  // Confidence lines first, then the zones by ID.
  const size_t lines = kml.find("ZEPHA Confidence Lines");
  const size_t red = kml.find("ZEPHA Threat Zone 60 min (AEGL-3)");
  const size_t yellow = kml.find("ZEPHA Threat Zone 60 min (AEGL-1)");
  EXPECT_LT(lines, red);
  EXPECT_LT(red, yellow);

  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    EXPECT_EQ(RunCommand("xmllint --noout '" + polygons + "' '" + points + "'"), "");
  }
  ASSERT_EQ(std::system("command -v ogrinfo >/dev/null 2>&1"), 0)
      << "ogrinfo is missing: scripts/setup installs gdal-bin";
  for (const char* skipped : {"LIBKML", "KML"}) {
    SCOPED_TRACE(skipped);
    const std::string info = RunCommand(std::string("ogrinfo --config OGR_SKIP ") + skipped +
                                        " -ro -al '" + polygons + "'");
    EXPECT_NE(info.find("Feature Count: 4"), std::string::npos) << info;
    // The orange zone's hole, counter-clockwise outside and clockwise inside.
    EXPECT_NE(info.find("((-70.8 41.2 0,-70.2 41.2 0,-70.2 41.8 0,-70.8 41.8 0,-70.8 41.2 0),"
                        "(-70.4 41.4 0,-70.3 41.5 0,-70.3 41.4 0,-70.4 41.4 0))"),
              std::string::npos)
        << info;
    const std::string pointInfo = RunCommand(std::string("ogrinfo --config OGR_SKIP ") + skipped +
                                             " -ro -al '" + points + "'");
    EXPECT_NE(pointInfo.find("Release Point"), std::string::npos) << pointInfo;
    EXPECT_NE(pointInfo.find("POINT Z (-70.55 41.5 0)"), std::string::npos) << pointInfo;
  }
}

TEST_F(ZephaKmlTest, ZonesOnlyOnAnotherMapGiveTheNote) {
  MakeMap("Harbour", "Harbour");
  std::string other = kZones;
  for (size_t at = other.find("\"ZEPHA\" \"\""); at != std::string::npos;
       at = other.find("\"ZEPHA\" \"\"", at + 1)) {
    other.replace(at, 10, "\"ZEPHA\" \"Harbour\"");
  }
  WriteWholeFile(root / "harbour.mie", other);
  ASSERT_EQ(Cli("import '" + (root / "harbour.mie").string() + "'").status, 0);
  const CliRun run = Cli("zepha kml --zepha-folder '" + zepha.string() + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"objects\":5,\"exported\":0"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("You must be have an ZEPHA Threat Zone on the map"), std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace tlv::test
