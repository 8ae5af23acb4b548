#include "tools/threat_zone.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/threat_zone_wiring.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/maps.h"
#include "interchange/import.h"
#include "support/objects_fixture.h"
#include "tools/basemap_bridge.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// A footprint file as ZEPHA leaves it: CR LF line ends, blanks before the line heads.
constexpr char kFootprints[] =
    "ZEPHA footprint file\r\n"
    "  FOOTPRINT 1 [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]\r\n"
    "  FOOTPRINT 2 [COLOR: LIGHT ORANGE] [LOC: 60 min (AEGL-2): 0.5 ppm]\r\n"
    "\tFOOTPRINT 3 [COLOR: YELLOW] [LOC: 60 min (AEGL-1): 0.1 ppm]\r\n";

// ---- Level-of-concern texts --------------------------------------------------------------------

TEST(ThreatZoneLabelsTest, EachColourTakesItsLocationText) {
  const ThreatZoneLabels labels = ParseThreatZoneLabels(kFootprints);
  EXPECT_EQ(labels.red, "60 min (AEGL-3): 2 ppm");
  EXPECT_EQ(labels.orange, "60 min (AEGL-2): 0.5 ppm");
  EXPECT_EQ(labels.yellow, "60 min (AEGL-1): 0.1 ppm");
  // The same file with plain LF ends reads the same.
  std::string lf = kFootprints;
  std::erase(lf, '\r');
  EXPECT_EQ(ParseThreatZoneLabels(lf), labels);
}

TEST(ThreatZoneLabelsTest, OutsideInputIsTakenApartSafely) {
  // Yellow decides before orange and red, whatever the line's order.
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: RED] [COLOR: YELLOW] [LOC: both]").yellow,
            "both");
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: RED] [COLOR: YELLOW] [LOC: both]").red, "");
  // No "]": the text runs to the end of the (trimmed) line.
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: RED] [LOC: open end   \n").red, "open end");
  // No location, or the head somewhere else than at the start: nothing.
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: RED]\nx FOOTPRINT [COLOR: YELLOW] [LOC: a]"),
            ThreatZoneLabels());
  // No colour: nothing.
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: BLUE] [LOC: a]"), ThreatZoneLabels());
  // A long location is cut to 99 characters; a line of 10,000 characters is read whole.
  const std::string longText(120, 'x');
  EXPECT_EQ(ParseThreatZoneLabels("FOOTPRINT [COLOR: RED] [LOC: " + longText + "]").red,
            std::string(99, 'x'));
  const std::string wide = "FOOTPRINT " + std::string(10000, 'y') + " [COLOR: RED] [LOC: far]";
  EXPECT_EQ(ParseThreatZoneLabels(wide).red, "far");
  // Binary bytes: a NUL ends the text, other bytes stay as they are.
  constexpr char kBinary[] =
      "FOOTPRINT [COLOR: RED] [LOC: a\xff\x01"
      "b\0c]";
  const std::string binary(kBinary, sizeof kBinary - 1);
  EXPECT_EQ(ParseThreatZoneLabels(binary).red,
            "a\xff\x01"
            "b");
  EXPECT_EQ(ParseThreatZoneLabels(std::string("\0\0\0", 3)), ThreatZoneLabels());
}

class ThreatZoneFileTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    zepha = temp.path() / "ZEPHA";
    test::MakeFolders(zepha);
  }
  test::TempFolder temp;
  fs::path zepha;
};

TEST_F(ThreatZoneFileTest, TheFootprintFileIsFoundBesideZephaInAnyCase) {
  ThreatZoneHooks hooks;
  hooks.zephaProgram = [this] { return (zepha / "ZEPHA").string(); };
  SetThreatZoneHooks(hooks);
  EXPECT_EQ(ThreatZoneFootprintPath(), "");
  EXPECT_EQ(ReadThreatZoneLabels(), 0);
  test::WriteWholeFile(zepha / "ZEP_FTP.PAS", kFootprints);
  EXPECT_EQ(ThreatZoneFootprintPath(), (zepha / "ZEP_FTP.PAS").string());
  EXPECT_EQ(ReadThreatZoneLabels(), 0);
  EXPECT_EQ(CurrentThreatZoneLabels().red, "60 min (AEGL-3): 2 ppm");
  // No ZEPHA: the texts are cleared, not kept from the last run.
  SetThreatZoneHooks(ThreatZoneHooks());
  EXPECT_EQ(ReadThreatZoneLabels(), 0);
  EXPECT_EQ(CurrentThreatZoneLabels(), ThreatZoneLabels());
}

// ---- Names -------------------------------------------------------------------------------------

std::string Named(std::string name) {
  NameThreatZoneObject(name);
  return name;
}

TEST_F(ThreatZoneFileTest, WithoutTextsNothingIsRenamed) {
  EXPECT_EQ(ReadThreatZoneLabels((zepha / "missing.pas").string()), 0);
  EXPECT_EQ(Named("ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm"),
            "ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm");
  // An empty text never matches the bare prefix.
  EXPECT_EQ(Named("ZEPHA Threat Zone "), "ZEPHA Threat Zone ");
}

class ThreatZoneNamingTest : public ThreatZoneFileTest {
 protected:
  void SetUp() override {
    ThreatZoneFileTest::SetUp();
    test::WriteWholeFile(zepha / "zep_ftp.pas", kFootprints);
    ReadThreatZoneLabels((zepha / "zep_ftp.pas").string());
  }
};

TEST_F(ThreatZoneNamingTest, OnlyAWholeLevelOfConcernTextRenames) {
  const std::string red = "60 min (AEGL-3): 2 ppm";
  EXPECT_EQ(Named("ZEPHA Threat Zone " + red), "Red Threat Zone " + red);
  EXPECT_EQ(Named("ZEPHA Confidence Lines 60 min (AEGL-1): 0.1 ppm"),
            "Yellow Confidence Lines 60 min (AEGL-1): 0.1 ppm");
  EXPECT_EQ(Named("ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm"),
            "Orange Threat Zone 60 min (AEGL-2): 0.5 ppm");
  // Another text, a longer one, the prefix without its blank, another head: unchanged.
  for (const std::string& kept :
       std::vector<std::string>{"ZEPHA Threat Zone other", "ZEPHA Threat Zone " + red + " ",
                                "ZEPHA Threat Zone" + red, "Red Threat Zone " + red,
                                "zepha Threat Zone " + red, std::string("ZEPHA Threat Zone ")}) {
    EXPECT_EQ(Named(kept), kept);
  }
  ForgetThreatZoneLabels();
  EXPECT_EQ(Named("ZEPHA Threat Zone " + red), "ZEPHA Threat Zone " + red);
}

TEST_F(ThreatZoneNamingTest, YellowIsTriedBeforeOrangeAndRed) {
  test::WriteWholeFile(zepha / "zep_ftp.pas",
                       "FOOTPRINT [COLOR: RED] [LOC: same]\nFOOTPRINT [COLOR: YELLOW] [LOC: same]\n"
                       "FOOTPRINT [COLOR: LIGHT ORANGE] [LOC: same]\n");
  ReadThreatZoneLabels((zepha / "zep_ftp.pas").string());
  EXPECT_EQ(Named("ZEPHA Threat Zone same"), "Yellow Threat Zone same");
}

TEST_F(ThreatZoneNamingTest, LongNamesStayAsTheyAre) {
  // Names of 500 characters or more never match a text of at most 99; none is touched, and
  // none grows past the name limits.
  for (const size_t length : {500u, 501u, 511u, 512u}) {
    const std::string name = "ZEPHA Threat Zone " + std::string(length - 18, 'z');
    EXPECT_EQ(Named(name), name) << length;
  }
}

// ---- Run summary -------------------------------------------------------------------------------

constexpr char kSummaryFile[] =
    "FOOTPRINT [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]\r\n"
    "  tModel Run: 1 of 1\r\n"
    "t   Time: June 3, 2024  1420 hours EDT (user specified) (using computer's clock)\r\n"
    "tChemical Name: CHLORINE\r\n"
    "tLocation: HARBOUR & <DOCK>\r\n"
    "tWind: 5 miles/hour from NW at 3 meters\r\n"
    "tTHREAT ZONE:\r\n"
    "tRed   : 1.2 miles --- (20 ppm = AEGL-3 [60 min])\r\n"
    "tOrange: 2.9 miles\r\n"
    "tYellow: 6.1 miles\r\n"
    "Time: not a summary line\r\n"
    "TStack: upper case is no summary line\r\n";

TEST(ThreatZoneSummaryTest, KeyLinesFirstWithTheirMarks) {
  const std::string red =
      "<span style=\"background-color: rgb(255, 0, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;";
  const std::string orange =
      "<span style=\"background-color: rgb(255, 153, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;";
  const std::string yellow =
      "<span style=\"background-color: rgb(255, 255, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;";
  EXPECT_EQ(ThreatZoneSummaryText(kSummaryFile),
            "<b>Time:</b> June 3, 2024  1420 hours EDT\n"
            "<b>Chemical Name:</b> CHLORINE\n"
            "<b>Wind:</b> 5 miles/hour from NW at 3 meters\n"
            "<small><br></small><b>THREAT ZONE:</b>\n" +
                red + "Red   : 1.2 miles --- (20 ppm = AEGL-3 [60 min])\n" + orange +
                "Orange: 2.9 miles\n" + yellow +
                "Yellow: 6.1 miles\n"
                "\n"
                "Model: ZEPHA 1 of 1\n"
                "Location: HARBOUR &amp; &lt;DOCK&gt;\n");
}

TEST(ThreatZoneSummaryTest, OnlyTheFirstParenthesesGoAndLongLinesStayPlain) {
  EXPECT_EQ(ThreatZoneSummaryText("tTime: a (user specified) b (user specified)"),
            "<b>Time:</b> a b (user specified)\n\n");
  // A "Model Run:" line elsewhere than at the start is not the model line.
  EXPECT_EQ(ThreatZoneSummaryText("tNote: Model Run: 2"), "\nNote: Model Run: 2\n");
  const std::string wind499 = "Wind:" + std::string(494, 'w');
  const std::string wind500 = "Wind:" + std::string(495, 'w');
  EXPECT_EQ(ThreatZoneSummaryText("t" + wind499), "<b>Wind:</b>" + wind499.substr(5) + "\n\n");
  EXPECT_EQ(ThreatZoneSummaryText("t" + wind500), wind500 + "\n\n");
  // No summary lines: only the empty line between the blocks.
  EXPECT_EQ(ThreatZoneSummaryText(""), "\n");
}

// ---- Order of the export -----------------------------------------------------------------------

TEST(ThreatZoneSortTest, ConfidenceThenZonesThenTheRestEachByID) {
  std::vector<ThreatZoneObject> objects = {
      {{0, 0, 1}, "Source", "0000000000000001"},
      {{0, 0, 2}, "Red Threat Zone a", "00000000000000B0"},
      {{0, 0, 3}, "Yellow Confidence Lines a", "00000000000000C0"},
      {{0, 0, 4}, "Orange Threat Zone a", "00000000000000A0"},
      {{0, 0, 5}, "Red Confidence Lines Threat Zone", "0000000000000009"},
      {{0, 0, 6}, "Release Point", "0000000000000001"},
      {{0, 0, 7}, "threat zone", "0000000000000000"},
  };
  SortThreatZoneObjects(objects);
  std::vector<int32_t> order;
  for (const ThreatZoneObject& object : objects) order.push_back(object.ref.position);
  // Equal IDs keep their order (stable); "threat zone" in lower case is of the rest.
  EXPECT_EQ(order, (std::vector<int32_t>{5, 3, 4, 2, 7, 1, 6}));
}

// ---- The KML export through the program's own path ------------------------------------------

// The package's PHP is a shell here; zep2kml.php records its arguments and makes the KML files
// unless told to fail.
constexpr char kFakePhp[] = "#!/bin/sh\nscript=\"$1\"\nshift\nexec /bin/sh \"$script\" \"$@\"\n";
constexpr char kFakeConverter[] =
    "dir=$(dirname \"$1\")\n"
    "printf '%s\\n' \"$@\" > \"$dir/args.txt\"\n"
    "cp \"$1\" \"$dir/seen.mie\"\n"
    "if [ -f \"$dir/fail\" ]; then exit 3; fi\n"
    "echo '<kml/>' > \"$dir/zepha_polygons.kml\"\n"
    "echo '<kml/>' > \"$dir/zepha_points.kml\"\n"
    "echo '<html/>' > \"$dir/zepha_kml.hta\"\n";

class ThreatZoneExportTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    test::ObjectsTest::SetUp();
    user = UserMapID();
    ASSERT_LT(user, 0);
    program = root / "Program";
    test::MakeFolders(program / "basemaptools" / "php");
    test::MakeFolders(root / "BasemapFiles" / "Settings");
    test::WriteWholeFile(root / "BasemapFiles" / "Settings" / "global.map", "MAP END\n");
    WriteTool("php/php", kFakePhp);
    WriteTool("zep2kml.php", kFakeConverter);
    SetBasemapFolders(program.string() + "/", root.string() + "/", true);
    ASSERT_EQ(StartBasemapBridge(), 0);
    PrepareBasemapExchange();
    exchange = root / "BasemapFiles" / "Temp";
    BasemapHooks basemap;
    basemap.openWindow = [this](const std::string& path) {
      opened.push_back(path);
      return int32_t{0};
    };
    SetBasemapHooks(basemap);
    WireThreatZones();
    zephaFolder = root / "ZEPHA";
    test::MakeFolders(zephaFolder);
    SetThreatZoneFolderOverride(zephaFolder.string());
    zones = AddOverlay("ZEPHA");
  }

  void WriteTool(const std::string& name, const std::string& text) {
    const fs::path path = program / "basemaptools" / name;
    test::WriteWholeFile(path, text);
    ::chmod(path.c_str(), 0755);
  }

  int32_t Rect(int32_t mapID, const std::string& name, int32_t idLow) {
    ObjectID id{0, idLow};
    return MakeObject(mapID, zones, kRectangleObject, name, nullptr,
                      WRect{101000000 + idLow, 128000000, 101100000 + idLow, 128100000}, nullptr,
                      &id);
  }

  std::vector<std::string> Alerts() {
    std::vector<std::string> texts;
    for (const auto& alert : platform().alerts) texts.push_back(alert.text);
    return texts;
  }

  // The names of the records in the interchange file the converter saw, in order (each on the
  // second line of its record, after the prefix).
  std::vector<std::string> NamesSeen() {
    const std::string mie = test::ReadWholeFile(exchange / "seen.mie");
    const std::regex head(R"re(^"[^"]*" "([^"]*)" \d+ "ZEPHA")re", std::regex::multiline);
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(mie.begin(), mie.end(), head); it != std::sregex_iterator();
         ++it) {
      names.push_back((*it)[1]);
    }
    return names;
  }

  int32_t user = 0;
  int32_t zones = 0;
  fs::path program;
  fs::path exchange;
  fs::path zephaFolder;
  std::vector<std::string> opened;
};

TEST_F(ThreatZoneExportTest, NoZephaObjectsAnywhereDoesNothing) {
  ThreatZoneExport result;
  EXPECT_EQ(ExportThreatZoneKml(&result), 0);
  EXPECT_EQ(result.objects, 0);
  EXPECT_EQ(result.message, 0);
  EXPECT_TRUE(Alerts().empty());
  EXPECT_FALSE(test::PathExists(exchange / "args.txt"));
}

TEST_F(ThreatZoneExportTest, ObjectsOnlyOnOtherMapsShowTheNote) {
  Rect(harbour, "Red Threat Zone a", 1);
  test::WriteWholeFile(exchange / "zepha.mie", "old");
  ThreatZoneExport result;
  EXPECT_EQ(ExportThreatZoneKml(&result), -1);
  EXPECT_EQ(result.objects, 1);
  EXPECT_EQ(result.message, 75);
  EXPECT_EQ(Alerts(), std::vector<std::string>{GetIndString(25600, 75)});
  EXPECT_FALSE(test::PathExists(exchange / "zepha.mie"));
  EXPECT_FALSE(test::PathExists(exchange / "args.txt"));
}

TEST_F(ThreatZoneExportTest, TheUsersZonesGoToTheConverterInOrderWithTheSummary) {
  test::WriteWholeFile(zephaFolder / "zep_ftp.pas", "tWind: 5 mph\r\ntModel Run: 1\r\n");
  Rect(user, "Source", 1);
  Rect(user, "Red Threat Zone a", 3);
  Rect(user, "Orange Threat Zone a", 2);
  Rect(user, "Red Confidence Lines a", 4);
  Rect(harbour, "Yellow Threat Zone other map", 5);
  test::WriteWholeFile(exchange / "zepha_points.kml", "stale");
  ThreatZoneExport result;
  ASSERT_EQ(ExportThreatZoneKml(&result), 0) << (Alerts().empty() ? "" : Alerts().back());
  EXPECT_EQ(result.objects, 5);
  EXPECT_EQ(result.exported, 4);
  EXPECT_TRUE(result.summary);
  EXPECT_TRUE(Alerts().empty());
  EXPECT_EQ(test::ReadWholeFile(exchange / "zep_ftp.txt"),
            "<b>Wind:</b> 5 mph\n\nModel: ZEPHA 1\n");
  EXPECT_EQ(NamesSeen(), (std::vector<std::string>{"Red Confidence Lines a", "Orange Threat Zone a",
                                                   "Red Threat Zone a", "Source"}));
  EXPECT_EQ(test::ReadWholeFile(exchange / "args.txt"), (exchange / "zepha.mie").string() + "\n");
  EXPECT_EQ(result.argv.back(), (exchange / "zepha.mie").string());
  EXPECT_EQ(result.polygons, (exchange / "zepha_polygons.kml").string());
  EXPECT_EQ(test::ReadWholeFile(exchange / "zepha_points.kml"), "<kml/>\n");
  EXPECT_EQ(opened, std::vector<std::string>{(exchange / "zepha_kml.hta").string()});
}

TEST_F(ThreatZoneExportTest, WithoutZephaThereIsNoSummaryButTheExportRuns) {
  test::WriteWholeFile(exchange / "zep_ftp.txt", "last run");
  Rect(user, "Red Threat Zone a", 1);
  ThreatZoneExport result;
  EXPECT_EQ(ExportThreatZoneKml(&result), 0);
  EXPECT_FALSE(result.summary);
  EXPECT_FALSE(test::PathExists(exchange / "zep_ftp.txt"));
  EXPECT_EQ(result.exported, 1);
}

TEST_F(ThreatZoneExportTest, AFailedConversionIsReported) {
  Rect(user, "Red Threat Zone a", 1);
  test::WriteWholeFile(exchange / "fail", "");
  test::WriteWholeFile(exchange / "zepha_polygons.kml", "last run");
  ThreatZoneExport result;
  EXPECT_EQ(ExportThreatZoneKml(&result), -1);
  EXPECT_EQ(result.message, 74);
  EXPECT_EQ(Alerts(), std::vector<std::string>{GetIndString(25600, 74)});
  // The last run's file is gone, so no reader opens it as this run's.
  EXPECT_FALSE(test::PathExists(exchange / "zepha_polygons.kml"));
  EXPECT_TRUE(opened.empty());
}

TEST_F(ThreatZoneExportTest, AnInterchangeFileThatCannotBeWrittenIsReported) {
  Rect(user, "Red Threat Zone a", 1);
  // A folder in the way of "zepha.mie" can be neither deleted nor replaced.
  test::MakeFolders(exchange / "zepha.mie");
  test::WriteWholeFile(exchange / "zepha.mie" / "inside", "");
  ThreatZoneExport result;
  EXPECT_EQ(ExportThreatZoneKml(&result), -1);
  EXPECT_EQ(result.exported, 0);
  EXPECT_EQ(result.message, 74);
  EXPECT_EQ(Alerts().back(), GetIndString(25600, 74));
  EXPECT_FALSE(test::PathExists(exchange / "args.txt"));
}

// ---- The import names the zones ----------------------------------------------------------------

TEST_F(ThreatZoneExportTest, TheImportHookIsInstalledByTheWiring) {
  ASSERT_TRUE(CurrentImportHooks().threatZoneName);
  test::WriteWholeFile(zephaFolder / "zep_ftp.pas", kFootprints);
  ReadThreatZoneLabels();
  std::string name = "ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm";
  CurrentImportHooks().threatZoneName(name);
  EXPECT_EQ(name, "Red Threat Zone 60 min (AEGL-3): 2 ppm");
}

}  // namespace
}  // namespace tlv
