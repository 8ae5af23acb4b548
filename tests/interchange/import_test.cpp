#include "interchange/import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/layer_files.h"
#include "catalogue/open_files.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "interchange/coordinate_list.h"
#include "interchange/old_import.h"
#include "store/object_record.h"
#include "store/summary.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// One object read back through the record accessors.
struct ReadBack {
  int16_t type = 0;
  ObjectID id;
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  WRect rect;
  uint32_t modTime = 0;
  uint8_t aliasCount = 0;
  uint32_t customField = 0;
  std::string text;
  std::string picture;
  std::vector<WPoint> points;
  std::vector<bool> pieces;
  std::vector<SegmentAttributes> attributes;
};

class ImportTest : public test::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    ResetObjectRecordForTesting();
    ResetImportForTesting();
    MakeMap("Harbour", "Harbour");
    ASSERT_EQ(LoadAll(), 0);
    platform().fixedClock = true;
    platform().fixedSeconds1970 = 1700000000;
    importFolder = Register(root / "Program");
  }
  void TearDown() override {
    ResetImportForTesting();
    ResetLifeCycleForTesting();
    CatalogueTest::TearDown();
  }

  int32_t Import(const std::string& text, bool pass = false, ImportSummary* summary = nullptr) {
    test::WriteWholeFile(root / "Program" / "in.mie", text);
    ImportSummary local;
    const int32_t err = Import2(0, importFolder, "in.mie", pass, true, &local);
    if (summary != nullptr) *summary = local;
    return err;
  }

  int32_t MapID(const std::string& name) {
    const int32_t index = MapNameToIndex(name);
    return index < 0 ? 0 : MapAt(index).mapID;
  }
  int32_t LayerID(const std::string& name) {
    const int32_t index = LayerNameToIndex(name);
    return index < 0 ? 0 : LayerAt(index).layerID;
  }

  // The live objects of an overlay file, in file order.
  std::vector<ReadBack> Objects(int32_t mapID, int32_t layerID) {
    std::vector<int32_t> positions;
    int32_t wm = -1, wf = -1;
    EXPECT_EQ(ForEachSummaryRecord(
                  mapID, layerID,
                  [&](const SummaryRecord& r, int32_t) {
                    if (SummaryRecordLive(r)) positions.push_back(r.position);
                    return 0;
                  },
                  &wm, &wf),
              0);
    std::vector<ReadBack> objects;
    for (const int32_t position : positions) {
      int32_t mi = -1, fi = -1;
      EXPECT_EQ(AllocateSpaceForFile(mapID, layerID, kObjectFileKind, 1024, &mi, &fi), 0);
      BufferedFile& file = CurrentObjectFile();
      ReadBack o;
      EXPECT_EQ(FSGetObjectType(file, position, o.type), 0);
      FSGetObjectID(file, position, o.id.high, o.id.low);
      FSGetObjectName(file, position, o.prefix, o.name);
      FSGetObjectWorldRect(file, position, o.rect);
      FSGetObjectModTime(file, position, o.modTime);
      FSGetObjectAliasCount(file, position, o.aliasCount);
      FSGetObjectNolongerStateCounty(file, position, o.customField);
      if (o.type != kAliasObject) FSGetObjectGraphics(file, position, o.graphics);
      if (o.type == kTextObject) FSGetObjectText(file, position, o.text);
      if (o.type == kPictureObject) FSGetObjectPICTFile(file, position, o.picture);
      if (o.type == kPolylineObject || o.type == kPolygonObject) {
        int32_t count = 0, offset = 0, end = 0;
        FSGetObjectNumSegs(file, position, count);
        FSGetObjectSegmentRange(file, position, offset, end);
        for (int32_t i = 0; i < count; ++i) {
          WPoint p;
          bool piece = false;
          SegmentAttributes a;
          EXPECT_EQ(FSGetObjectSegA(file, position, offset, p.x, p.y, piece, a), 0);
          o.points.push_back(p);
          o.pieces.push_back(piece);
          o.attributes.push_back(a);
        }
      }
      objects.push_back(o);
    }
    return objects;
  }

  OverlayFileRecord FileOf(int32_t mapID, int32_t layerID) {
    const int32_t m = MapIDToIndex(mapID);
    OverlayFileRecord entry;
    EXPECT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, layerID), entry));
    return entry;
  }

  static std::string Record(const std::string& name, const std::string& layer,
                            const std::string& map, const std::string& kind, const std::string& id,
                            const std::string& body, const std::string& prefix = "",
                            const std::string& date = "", int aliases = 0,
                            const std::string& custom = "0") {
    return "\"\" \"\" \"\" \"" + date + "\" 2 \"" + prefix + "\" \"" + name + "\" " +
           std::to_string(aliases) + " \"" + layer + "\" \"" + map + "\" " + kind + " \"" + id +
           "\" 0 \"\" 0 ONLY " + custom + "\r\n" + body + "\r\n";
  }

  int32_t importFolder = -1;
};

TEST_F(ImportTest, RoundTripsEveryKindWithEveryField) {
  const std::string text =
      Record("Pier", "Marks", "Harbour", "RECT", "0000000100000001",
             "GREEN 2 DASHES DOWNSTRIPES -70.5 41.25 -70.25 41.5", "P1", "6/15/2020", 2) +
      Record("Buoy zone", "Marks", "Harbour", "CIRCLE", "0000000100000002",
             "BLUE 1 DOTS NONE -70.1 41.1 -70.0 41.2") +
      Record("Light", "Marks", "Harbour", "POINT", "0000000100000003", "R10G20B30 3 300 -70.3 41.3",
             "", "", 0) +
      Record("Channel", "Marks", "Harbour", "POLYLINE", "0000000100000004",
             "RED 2 RAILROAD NONE { { FROM -70.4 41.4 { TLID 77 } { CFCC \"A41\" } "
             "{ 4 9 } { INVIS 1 } } { TO -70.35 41.45 } { FROM -70.2 41.2 } { TO -70.1 41.3 } }") +
      Record("Shoal", "Marks", "Harbour", "POLYGON", "0000000100000005",
             "YELLOW 1 BLACK BLACK { { FROM -70 41 } { TO -69.9 41 } { TO -69.9 41.1 } "
             "{ TO -70 41 } }",
             "", "", 0, "50331903") +
      Record("", "Marks", "Harbour", "TEXT", "0000000100000006",
             "DARKBLUE YES 21 2 \"North Harbour\" -70.5 41.6 -70.3 41.55") +
      Record("Chart", "Marks", "Harbour", "PICTURE", "0000000100000007",
             "1 \"chart.png\" -70.5 41 -70 41.5") +
      Record("Light too", "Marks", "Harbour", "ALIAS", "0000000100000008", "\"0000000100000003\"");
  ImportSummary summary;
  ASSERT_EQ(Import(text, false, &summary), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  EXPECT_EQ(summary.created, 8);
  const auto objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 8u);

  const ReadBack& rect = objects[0];
  EXPECT_EQ(rect.type, kRectangleObject);
  EXPECT_EQ(rect.id, (ObjectID{1, 1}));
  EXPECT_EQ(rect.prefix, "P1");
  EXPECT_EQ(rect.name, "Pier");
  EXPECT_EQ(rect.rect, (WRect{109500000, 131250000, 109750000, 131500000}));
  EXPECT_EQ(rect.graphics.colour, 9);
  EXPECT_EQ(rect.graphics.variant, 2);
  EXPECT_EQ(rect.graphics.lineType, 9);
  EXPECT_EQ(rect.graphics.fillPattern, 9);
  EXPECT_EQ(rect.aliasCount, 2);
  uint32_t june15 = 0;
  ASSERT_TRUE(ImportDateToSeconds1904("6/15/2020", june15));
  EXPECT_EQ(rect.modTime, june15);

  EXPECT_EQ(objects[1].type, kCircleObject);
  EXPECT_EQ(objects[1].graphics.lineType, 6);
  EXPECT_EQ(objects[1].graphics.fillPattern, 2);

  const ReadBack& point = objects[2];
  EXPECT_EQ(point.type, kPointObject);
  EXPECT_EQ(point.graphics.symbol, 300);
  EXPECT_EQ(point.graphics.variant, 3);
  EXPECT_EQ(point.customField, 0x030A141Eu);
  EXPECT_EQ(point.rect, (WRect{109700000, 131300000, 109700000, 131300000}));
  // No date: the time of the import.
  EXPECT_EQ(point.modTime, 1700000000u + kObjectTime1970Offset);

  const ReadBack& line = objects[3];
  EXPECT_EQ(line.type, kPolylineObject);
  EXPECT_EQ(line.graphics.colour, 14);
  EXPECT_EQ(line.graphics.lineType, 10);
  ASSERT_EQ(line.points.size(), 4u);
  EXPECT_EQ(line.pieces, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(line.points[1], (WPoint{109650000, 131450000}));
  EXPECT_EQ(line.attributes[0].values[0], 77);
  EXPECT_EQ(line.attributes[0].values[1], ('A' << 24) | ('4' << 16) | ('1' << 8));
  EXPECT_EQ(line.attributes[0].values[4], 9);
  EXPECT_EQ(line.attributes[0].values[15], 1);
  EXPECT_EQ(line.attributes[1].mask, 0);
  EXPECT_EQ(line.rect, (WRect{109600000, 131200000, 109900000, 131450000}));

  const ReadBack& polygon = objects[4];
  EXPECT_EQ(polygon.graphics.fillPattern, 1);
  EXPECT_EQ(polygon.graphics.colour, 16);
  EXPECT_EQ(polygon.customField, 50331903u);
  EXPECT_EQ(polygon.points.size(), 4u);

  const ReadBack& label = objects[5];
  EXPECT_EQ(label.text, "North Harbour");
  EXPECT_EQ(label.graphics.colour, 15);
  EXPECT_EQ(label.graphics.textFlag, 1);
  EXPECT_EQ(label.graphics.textValue, 21);
  EXPECT_EQ(label.graphics.textCode, 2);
  EXPECT_EQ(label.rect, (WRect{109500000, 131550000, 109700000, 131600000}));

  EXPECT_EQ(objects[6].picture, "chart.png");
  EXPECT_EQ(objects[6].graphics.textFlag, 1);

  const ReadBack& alias = objects[7];
  EXPECT_EQ(alias.type, kAliasObject);
  EXPECT_EQ(alias.rect.x1, 1);
  EXPECT_EQ(alias.rect.y1, 3);

  // The overlay file's count and bounds follow the imported objects.
  const OverlayFileRecord file = FileOf(MapID("Harbour"), LayerID("Marks"));
  EXPECT_EQ(file.objectCount, 8);
  EXPECT_EQ(file.bounds.x1, 109500000);
  EXPECT_EQ(file.bounds.y2, 131600000);
}

TEST_F(ImportTest, CreatesMissingOverlaysMapsAndFilesWithBackslashesReplaced) {
  ASSERT_EQ(Import(Record("A", "New Overlay", "North\\East", "POINT", "", "1 1 1 -70 41")), 0);
  EXPECT_GE(LayerNameToIndex("New Overlay"), 0);
  EXPECT_GE(MapNameToIndex("North-East"), 0);
  const auto& lines = platform().messageLines;
  auto shown = [&lines](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  EXPECT_TRUE(shown("Creating overlay: \"New Overlay\"."));
  EXPECT_TRUE(shown("Creating map: \"North-East\"."));
  EXPECT_TRUE(shown("Creating overlay file \"New Overlay\" on map \"North-East\"."));
  // The same name with a backslash finds the map made before.
  ASSERT_EQ(Import(Record("B", "New Overlay", "North\\East", "POINT", "", "1 1 1 -70 41")), 0);
  EXPECT_EQ(MapCount(), 3);  // User's map, Harbour, North-East
  EXPECT_EQ(Objects(MapID("North-East"), LayerID("New Overlay")).size(), 2u);
}

TEST_F(ImportTest, EmptyIDsGetNewIDsAndTheModesDecideCollisions) {
  const std::string twice = Record("A", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41") +
                            Record("B", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41");
  ASSERT_EQ(Import(twice), 0);
  auto objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_FALSE(objects[0].id == objects[1].id);

  const std::string known =
      Record("Old", "Marks", "Harbour", "POINT", "00000000000000AA", "1 1 1 -70 41");
  const std::string again = Record("New", "Marks", "Harbour", "POINT", "AA", "RED 1 5 -71 42");
  ASSERT_EQ(Import(known), 0);
  ImportSummary summary;
  ASSERT_EQ(Import(again, false, &summary), 0);  // Update is the default
  EXPECT_EQ(summary.updated, 1);
  objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[2].name, "New");
  EXPECT_EQ(FileOf(MapID("Harbour"), LayerID("Marks")).objectCount, 3);

  SetImportMode(kImportSkip);
  ASSERT_EQ(Import(known, false, &summary), 0);
  EXPECT_EQ(summary.skipped, 1);
  EXPECT_EQ(ImportMode(), kImportUpdate);
  objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[2].name, "New");

  SetImportMode(kImportDuplicate);
  ASSERT_EQ(Import(known + known, false, &summary), 0);
  EXPECT_EQ(summary.created, 2);
  objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 5u);
  EXPECT_EQ(objects[3].id, (ObjectID{0, 0xAA}));
  EXPECT_EQ(objects[4].id, (ObjectID{0, 0xAA}));
  EXPECT_EQ(ImportMode(), kImportUpdate);
}

TEST_F(ImportTest, StopsAtTheFirstErrorAndKeepsWhatItMade) {
  const std::string text = Record("A", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41") +
                           Record("B", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41") +
                           "\"\" \"\" \"\" \"\" 3 \"\" \"C\"\r\n" +
                           Record("D", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41");
  ImportSummary summary;
  EXPECT_EQ(Import(text, false, &summary), -1);
  EXPECT_EQ(summary.created, 2);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text,
            "Format requires a newer version of TOLVANE.\n\nWhile importing line 5.");
  EXPECT_EQ(platform().alerts.back().kind, kStopAlert);
  EXPECT_EQ(Objects(MapID("Harbour"), LayerID("Marks")).size(), 2u);

  // Binary garbage: an import error at once, nothing made.
  const int32_t maps = MapCount();
  const int32_t layers = LayerCount();
  EXPECT_EQ(Import(std::string("\x01\x02\xFF\x00garbage", 11)), -1);
  EXPECT_EQ(platform().alerts.back().text, "Import error.\n\nWhile importing line 1.");
  EXPECT_EQ(MapCount(), maps);
  EXPECT_EQ(LayerCount(), layers);
}

TEST_F(ImportTest, LockedMapsAreSkippedAfterTheirSegmentsAreRead) {
  MakeMap("Vault", "Vault");
  ReleaseCatalogue();
  ASSERT_EQ(LoadAll(), 0);
  MapRecord vault = MapAt(MapNameToIndex("Vault"));
  vault.locked = 1;
  ASSERT_TRUE(SetMapRecord(MapNameToIndex("Vault"), vault));
  const std::string text = Record("Line", "Marks", "Vault", "POLYLINE", "",
                                  "1 1 1 1 { { FROM -70 41 } { TO -70.1 41.1 } }") +
                           Record("Free", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41");
  ImportSummary summary;
  ASSERT_EQ(Import(text, false, &summary), 0);
  EXPECT_EQ(summary.created, 1);
  EXPECT_EQ(summary.skipped, 1);
  EXPECT_EQ(platform().alerts.back().kind, kNoteAlert);
  EXPECT_NE(platform().alerts.back().text.find("were skipped"), std::string::npos);
}

TEST_F(ImportTest, PassFileListsEveryRecordsIDOrZeros) {
  MakeMap("Vault", "Vault");
  ReleaseCatalogue();
  ASSERT_EQ(LoadAll(), 0);
  MapRecord vault = MapAt(MapNameToIndex("Vault"));
  vault.locked = 1;
  ASSERT_TRUE(SetMapRecord(MapNameToIndex("Vault"), vault));
  const std::string text =
      "17 " + Record("A", "Marks", "Harbour", "POINT", "0000000500000006", "1 1 1 -70 41") + "18 " +
      Record("B", "Marks", "Vault", "POINT", "", "1 1 1 -70 41") +
      "19 -70.5\t41.5\tSimple\tMarks\tHarbour\n";
  ASSERT_EQ(Import(text, true), 0);
  const std::string pass = test::ReadWholeFile(root / "Program" / "in.OUT");
  const size_t third = pass.find("19 \"");
  ASSERT_NE(third, std::string::npos) << pass;
  EXPECT_EQ(pass.substr(0, third),
            "17 \"0000000500000006\" \"Marks\" \"Harbour\"\r18 \"0\" \"0\" \"0\"\r");
  EXPECT_NE(pass.find("\" \"Marks\" \"Harbour\"\r", third), std::string::npos);
  EXPECT_EQ(PassFilePath("/a/b.c/file"), "/a/b.c/file.OUT");
  EXPECT_EQ(PassFilePath("/a/b/file.mie"), "/a/b/file.OUT");
}

TEST_F(ImportTest, SimplePointsDefaultToTheUsersMapAndTheImportedObjectsOverlay) {
  // Not the first overlay of the list: on a fresh catalogue that is the Temporary Overlay, whose
  // objects are asked about and may be deleted at quit.
  ASSERT_EQ(LayerName(0), "Temporary Overlay");
  std::string other = "FACILITIES";
  int32_t position = -1;
  ASSERT_EQ(AddLayer(other, false, false, false, position), 0);
  ASSERT_EQ(Import("-77.5\t38.9\r\n" + Record("Pump", "", "", "POINT", "", "1 1 1 -70 41")), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  const int32_t userMap = MapIDToIndex(UserMapID());
  EXPECT_LT(OverlayFileIndexForID(userMap, LayerID("Temporary Overlay")), 0);
  EXPECT_LT(OverlayFileIndexForID(userMap, LayerID("FACILITIES")), 0);
  const auto objects = Objects(UserMapID(), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[1].name, "Pump");
  EXPECT_EQ(objects[0].type, kPointObject);
  EXPECT_EQ(objects[0].graphics.symbol, 212);
  EXPECT_EQ(objects[0].graphics.colour, 1);
  EXPECT_EQ(objects[0].name, ObjectIDText(objects[0].id));
}

TEST_F(ImportTest, ImportsTheDemoCounty) {
  const std::string demo =
      test::ReadWholeFile(fs::path(TOLVANE_SOURCE_DIR) / "data" / "demo" / "Cassel_County.mie");
  ASSERT_FALSE(demo.empty());
  ImportSummary summary;
  ASSERT_EQ(Import(demo, false, &summary), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  EXPECT_GT(summary.created, 250);
  EXPECT_EQ(summary.createdMapID, MapID("Cassel County"));
  EXPECT_GE(LayerNameToIndex("FIRE STATIONS"), 0);
  EXPECT_GE(Objects(MapID("Cassel County"), LayerID("HOSPITALS")).size(), 3u);
}

TEST_F(ImportTest, MacRomanNamesAreConvertedUnlessTheFlagIsOff) {
  const std::string text = Record("Caf\x8E", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41");
  ASSERT_EQ(Import(text), 0);
  SetImportCharacterSetRecognition(false);
  ASSERT_EQ(Import(text), 0);
  const auto objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].name, "Caf\xE9");
  EXPECT_EQ(objects[1].name, "Caf\x8E");
}

TEST_F(ImportTest, TheImportCommandAsksThroughThePlatform) {
  // Without a file dialog the command says so instead of doing nothing.
  EXPECT_NE(ChooseImportFile(), 0);
  EXPECT_NE(platform().alerts.back().text.find("not supported yet"), std::string::npos);

  std::string chosen;
  std::vector<std::string> filtersSeen;
  ImportHooks hooks;
  hooks.chooseFile = [&](const std::string& title, const std::vector<std::string>& filters,
                         std::string& path) {
    EXPECT_EQ(title, "Import");
    filtersSeen = filters;
    path = chosen;
    return !chosen.empty();
  };
  SetImportHooks(hooks);
  EXPECT_EQ(ChooseImportFile(), 0);  // Cancel
  ASSERT_EQ(filtersSeen.size(), 4u);
  EXPECT_NE(filtersSeen[0].find("*.mie"), std::string::npos);

  chosen = (root / "Program" / "empty.mie").string();
  test::WriteWholeFile(chosen, "");
  platform().alerts.clear();
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_EQ(platform().alerts.back().text, "The selected file is empty.");

  chosen = (root / "Program" / "roads.SHP").string();
  test::WriteWholeFile(chosen, "x");
  EXPECT_NE(ChooseImportFile(), 0);
  EXPECT_NE(platform().alerts.back().text.find("not supported yet"), std::string::npos);

  // A 1.x export file: Yes, then Cancel where it should go, imports nothing.
  chosen = (root / "Program" / "old.txt").string();
  test::WriteWholeFile(chosen, "1\r*1 ROADS\r");
  platform().answers = {0, 2};
  EXPECT_EQ(ChooseImportFile(), 0);
  ASSERT_GE(platform().questions.size(), 2u);
  EXPECT_EQ(platform().questions[platform().questions.size() - 2].text,
            "Is this a TOLVANE 1.0 export file?");
  EXPECT_LT(LayerNameToIndex("ROADS"), 0);

  chosen = (root / "Program" / "list.txt").string();
  test::WriteWholeFile(chosen, "1, -70, 41\r\nEND\r\n");
  platform().answers = {0};  // Update
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_EQ(platform().questions.back().title, "Import Options");
  EXPECT_EQ(Objects(UserMapID(), LayerID("IMPORTED OBJECTS")).size(), 1u);

  chosen = (root / "Program" / "good.mie").string();
  test::WriteWholeFile(
      chosen, Record("A", "Marks", "Harbour", "POINT", "00000000000000AB", "1 1 1 -70 41"));
  platform().answers = {2};  // Duplicate
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_EQ(platform().questions.back().title, "Import Options");
  platform().answers = {2};
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_EQ(Objects(MapID("Harbour"), LayerID("Marks")).size(), 2u);
  EXPECT_EQ(ImportMode(), kImportUpdate);
  platform().answers = {3};  // Cancel
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_EQ(Objects(MapID("Harbour"), LayerID("Marks")).size(), 2u);
}

TEST_F(ImportTest, AnOldExportFileGoesOntoAChosenMapOrOntoANewOneNamedAfterIt) {
  const std::string old = (root / "Program" / "Hydrants.txt").string();
  test::WriteWholeFile(old,
                       "1\r*7 Hydrants\r"
                       "00000000000000A1, 7, 5, 38.5 77.25 38.5 77.25 3 0 0 0 0 -1 4 51\r"
                       "Hydrant 1\r");
  std::vector<std::string> offered;
  std::string pick;
  std::vector<WRect> shown;
  int redraws = 0;
  ImportHooks hooks;
  hooks.chooseFile = [&](const std::string&, const std::vector<std::string>&, std::string& path) {
    path = old;
    return true;
  };
  hooks.chooseMap = [&](const std::string&, const std::vector<std::string>& names) {
    offered = names;
    const auto it = std::find(names.begin(), names.end(), pick);
    return it == names.end() ? -1 : static_cast<int32_t>(it - names.begin());
  };
  hooks.showExtent = [&](const WRect& extent) { shown.push_back(extent); };
  hooks.redraw = [&] { ++redraws; };
  SetImportHooks(hooks);

  // Cancel in the list of maps imports nothing.
  platform().answers = {0, 0};
  EXPECT_EQ(ChooseImportFile(), 0);
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Harbour"), offered.end());
  EXPECT_LT(LayerNameToIndex("Hydrants"), 0);

  pick = "Harbour";
  platform().answers = {0, 0};
  EXPECT_EQ(ChooseImportFile(), 0);
  ASSERT_EQ(Objects(MapID("Harbour"), LayerID("Hydrants")).size(), 1u);
  EXPECT_EQ(Objects(MapID("Harbour"), LayerID("Hydrants"))[0].name, "Hydrant 1");
  EXPECT_TRUE(shown.empty());  // an existing map keeps the view
  EXPECT_GE(redraws, 1);

  // New Map: a map named after the file takes the objects, and the view goes to its extent.
  platform().answers = {0, 1};
  EXPECT_EQ(ChooseImportFile(), 0);
  ASSERT_GT(MapID("Hydrants"), 0);
  const auto made = Objects(MapID("Hydrants"), LayerID("Hydrants"));
  ASSERT_EQ(made.size(), 1u);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(WRectInside(made[0].rect, shown[0]));
  // The overlay list was saved: a fresh load still knows the new overlay.
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_GE(LayerNameToIndex("Hydrants"), 0);
}

TEST_F(ImportTest, UpdateReplacesDuplicatesInTheOrderTheyWereMade) {
  const std::string known =
      Record("Old", "Marks", "Harbour", "POINT", "00000000000000AA", "1 1 1 -70 41");
  SetImportMode(kImportDuplicate);
  ASSERT_EQ(Import(known + known), 0);
  ASSERT_EQ(Import(Record("Other", "Marks", "Harbour", "POINT", "BB", "1 1 1 -70 41")), 0);
  // Two records with the ID replace the two objects one after the other; a third finds none
  // left of the old ones but the first new one, as a search by ID would.
  const std::string again = Record("New", "Marks", "Harbour", "POINT", "AA", "1 1 1 -71 42");
  ImportSummary summary;
  ASSERT_EQ(Import(again + again + again, false, &summary), 0);
  EXPECT_EQ(summary.updated, 3);
  const auto objects = Objects(MapID("Harbour"), LayerID("Marks"));
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].name, "Other");
  EXPECT_EQ(objects[1].name, "New");
  EXPECT_EQ(objects[2].name, "New");
  EXPECT_EQ(FileOf(MapID("Harbour"), LayerID("Marks")).objectCount, 3);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(ImportTest, AnImportClearsUndoSinceItCannotBeUndone) {
  ResetUndoForTesting();
  ASSERT_EQ(Import(Record("Pump", "Marks", "Harbour", "POINT", "0000000000000001", "1 1 1 -70 41")),
            0);
  const int32_t harbour = MapID("Harbour");
  const int32_t marks = LayerID("Marks");
  const auto before = Objects(harbour, marks);
  ASSERT_EQ(before.size(), 1u);
  int32_t position = -1;
  int32_t wm = -1, wf = -1;
  ForEachSummaryRecord(
      harbour, marks,
      [&](const SummaryRecord& r, int32_t) {
        if (SummaryRecordLive(r)) position = r.position;
        return 0;
      },
      &wm, &wf);
  // A change of colour is the last step; Update then replaces the object the step names.
  ASSERT_EQ(BeginUndoList(kUndoColour), 0);
  ASSERT_EQ(AppendUndoEntry({harbour, marks, position, 1, 0}), 0);
  ASSERT_EQ(
      Import(Record("Pump 2", "Marks", "Harbour", "POINT", "0000000000000001", "3 1 1 -70 41")), 0);
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  EXPECT_EQ(UndoEntryCount(), 0);
  EXPECT_EQ(Undo(), 0) << "nothing is left to undo";
  const auto after = Objects(harbour, marks);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].name, "Pump 2");
  EXPECT_EQ(after[0].graphics.colour, 3);
  ResetUndoForTesting();
}

TEST_F(ImportTest, TheLastImportedObjectIsTheEditTargetAndItsMapTakesItsExtent) {
  ResetEditTargetsForTesting();
  ASSERT_EQ(Import(Record("A", "Marks", "Harbour", "POINT", "", "1 1 1 -70 41") +
                   Record("B", "Wells", "Dunes", "POINT", "", "1 1 1 -71.5 42.25")),
            0);
  EXPECT_EQ(EditTargetMapID(), MapID("Dunes"));
  EXPECT_EQ(EditTargetOverlayID(), LayerID("Wells"));
  const WRect harbour = MapAt(MapNameToIndex("Harbour")).extent;
  EXPECT_EQ(harbour.x1, 110000000);
  EXPECT_EQ(harbour.y1, 131000000);
  EXPECT_EQ(harbour.x2, 110000000);
  const WRect dunes = MapAt(MapNameToIndex("Dunes")).extent;
  EXPECT_EQ(dunes.x1, 108500000);
  EXPECT_EQ(dunes.y2, 132250000);
}

// "Café Zürich" as today's editors save it, and as stored files hold it.
constexpr const char* kCafeUtf8 = "Caf\xC3\xA9 Z\xC3\xBCrich";
constexpr const char* kCafeWindows = "Caf\xE9 Z\xFCrich";

TEST_F(ImportTest, Utf8TextsAreConvertedAndWindowsTextsKept) {
  const std::string text =
      "\xEF\xBB\xBF" + Record(kCafeUtf8, "Caf\xC3\xA9s", "Harbour", "POINT", "", "1 1 1 -70 41") +
      Record(kCafeWindows, "Caf\xC3\xA9s", "Harbour", "POINT", "", "1 1 1 -70 41") +
      // A character Windows-1252 lacks leaves the whole text as its bytes.
      Record(
          "\xC5\x81\xC3\xB3"
          "d\xC5\xBA",
          "Caf\xC3\xA9s", "Harbour", "POINT", "", "1 1 1 -70 41") +
      Record("", "Caf\xC3\xA9s", "Harbour", "TEXT", "",
             "1 NO 12 1 \"\xE2\x82\xAC 5 \xE2\x80\x93 Stra\xC3\x9F"
             "e\" -70 41 -69 40") +
      // A simple point record's fields are recognised too.
      "-70.5\t41.5\t" + std::string(kCafeUtf8) + "\r\n";
  ASSERT_EQ(Import(text), 0) << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  EXPECT_GE(LayerNameToIndex("Caf\xE9s"), 0);
  const auto objects = Objects(MapID("Harbour"), LayerID("Caf\xE9s"));
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0].name, kCafeWindows) << "the byte-order mark is no part of the first record";
  EXPECT_EQ(objects[1].name, kCafeWindows);
  EXPECT_EQ(objects[2].name,
            "\xC5\x81\xC3\xB3"
            "d\xC5\xBA");
  EXPECT_EQ(objects[3].text,
            "\x80 5 \x96 Stra\xDF"
            "e");
  const auto simple = Objects(UserMapID(), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(simple.size(), 1u);
  EXPECT_EQ(simple[0].name, kCafeWindows);

  // Without the recognition every text keeps its bytes.
  SetImportCharacterSetRecognition(false);
  ASSERT_EQ(Import(Record(kCafeUtf8, "Raw", "Harbour", "POINT", "", "1 1 1 -70 41")), 0);
  const auto raw = Objects(MapID("Harbour"), LayerID("Raw"));
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_EQ(raw[0].name, kCafeUtf8);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

// Coordinate lists: the file ends with "END", attributes come from ".FLD" and ".DAT" beside it.
TEST_F(ImportTest, CoordinateListWithoutFieldsImportsGeometryWithDefaults) {
  ImportSummary summary;
  ASSERT_EQ(Import("1, -77.25, 38.5\n2 -77.0\t38.75 rest of the line\nEND\n", false, &summary), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  EXPECT_EQ(summary.created, 2);
  const auto objects = Objects(UserMapID(), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].type, kPointObject);
  EXPECT_EQ(objects[0].name, ObjectIDText(objects[0].id));
  EXPECT_EQ(objects[0].graphics.symbol, 212);
  EXPECT_EQ(objects[0].graphics.colour, 1);
  EXPECT_EQ(objects[0].rect, (WRect{102750000, 128500000, 102750000, 128500000}));
  EXPECT_EQ(objects[1].rect, (WRect{103000000, 128750000, 103000000, 128750000}));
}

TEST_F(ImportTest, CoordinateListFieldsKeepTheirColumnsAndAShortTableGivesDefaults) {
  // "FOO" is no field of the importer: its value is taken and stored nowhere.
  test::WriteWholeFile(root / "Program" / "in.fld", "index name foo symbol colour_is_long\r\n");
  test::WriteWholeFile(root / "Program" / "in.DAT",
                       "1\tWell,ignored 51 x\r\n2,Tank,\t0,RED\n3 Pipe");
  ASSERT_EQ(Import("a -70 41\nb -70.5 41.5\nc -71 42\nd -71 42\nEND\n"), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  const auto objects = Objects(UserMapID(), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0].name, "Well");
  EXPECT_EQ(objects[0].graphics.symbol, 51);
  // An empty value and "0" keep the defaults.
  EXPECT_EQ(objects[1].name, "Tank");
  EXPECT_EQ(objects[1].graphics.symbol, 212);
  // The table ran out in the third row and is empty for the fourth.
  EXPECT_EQ(objects[2].name, "Pipe");
  EXPECT_EQ(objects[2].graphics.symbol, 212);
  EXPECT_EQ(objects[3].name, ObjectIDText(objects[3].id));
  EXPECT_EQ(CoordinateListFieldNames("A B C D E F G H I J K L\n").size(), 10u);
  EXPECT_EQ(CoordinateListFieldNames("VERYLONGFIELDNAME")[0], "VERYLONGF");
}

TEST_F(ImportTest, CoordinateListObjectsAreChainsOrRingsAndTakeTheirRow) {
  test::WriteWholeFile(root / "Program" / "in.FLD", "NAME LAYER MAP COLOR ID\n");
  test::WriteWholeFile(
      root / "Program" / "in.DAT",
      "Road Roads Harbour BLUE 00000000000000AB\nLake\tWater\tHarbour\tR10G20B30\t\n");
  ASSERT_EQ(Import("1\n-70 41\n-70.5, 41.5\nEND\n2 1\n-71 42\n-72 42\n-72 43\nEND\nEND\n"), 0)
      << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  const auto roads = Objects(MapID("Harbour"), LayerID("Roads"));
  ASSERT_EQ(roads.size(), 1u);
  EXPECT_EQ(roads[0].type, kPolylineObject);
  EXPECT_EQ(roads[0].name, "Road");
  EXPECT_EQ(ObjectIDText(roads[0].id), "00000000000000AB");
  EXPECT_EQ(roads[0].graphics.colour, StoredColourForMenuPosition(11));
  ASSERT_EQ(roads[0].points.size(), 2u);
  EXPECT_TRUE(roads[0].pieces[0]);
  EXPECT_FALSE(roads[0].pieces[1]);
  EXPECT_EQ(roads[0].rect, (WRect{109500000, 131000000, 110000000, 131500000}));
  const auto water = Objects(MapID("Harbour"), LayerID("Water"));
  ASSERT_EQ(water.size(), 1u);
  EXPECT_EQ(water[0].type, kPolygonObject);
  EXPECT_EQ(water[0].points.size(), 3u);
  EXPECT_EQ(water[0].customField & kCustomColourRGBMask, 0x0A141Eu);
}

TEST_F(ImportTest, ABrokenCoordinateListKeepsWhatCameBeforeAndSaysWhere) {
  ImportSummary summary;
  EXPECT_EQ(Import("1 -70 41\n2 -70\n3 -70 41\nEND\n", false, &summary), -1);
  EXPECT_EQ(summary.created, 1);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_NE(platform().alerts.back().text.find("line 2"), std::string::npos)
      << platform().alerts.back().text;
  // An object whose pairs are not numbers, and one cut short before its END.
  EXPECT_EQ(Import("1\nx y\nEND\nEND\n"), -1);
  EXPECT_EQ(Import("1\n-70 41\n2\nEND\nEND"), -1);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

// The first version's text export.
class OldImportTest : public ImportTest {
 protected:
  OldImportSummary Old(const std::string& text, char mode = kOldImportNew, bool relative = false,
                       double lat = 0, double lon = 0, char unit = kOldUnitMiles) {
    OldImportSummary summary;
    std::string overlay;
    Handle list = OldImportObjects(&text, "", 0, mode, true, true, relative, lat, lon, unit,
                                   MapID("Harbour"), false, &overlay, &summary);
    if (list != nullptr) {
      listText = *list;
      MyDisposeHandle(list);
    }
    lastOverlay = overlay;
    return summary;
  }
  std::string listText;
  std::string lastOverlay;
};

constexpr const char* kOldHeader = "1\r*7 Hydrants\r";

TEST_F(OldImportTest, RecordsMakeObjectsOnTheirDefinedOverlay) {
  const std::string text = std::string(kOldHeader) +
                           "00000000000000A1, 7, 5, 38.5 77.25 38.5 77.25 3 0 0 0 0 -1 4 51\r"
                           "Hydrant 1\r"
                           "00000000000000A2\t7\t6\t0 0 0 0 -1 0 0 0 0 9 -1 -1\r"
                           "Loop\r3 38 77, 38.5 77.5\r 38 77\r";
  const OldImportSummary summary = Old(text);
  EXPECT_FALSE(summary.readError);
  EXPECT_EQ(summary.created, 2);
  EXPECT_EQ(summary.overlaysCreated, 1);
  EXPECT_EQ(lastOverlay, "Hydrants");
  EXPECT_EQ(LayerAt(LayerNameToIndex("Hydrants")).lockState, 1);
  const auto objects = Objects(MapID("Harbour"), LayerID("Hydrants"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].type, kPointObject);
  EXPECT_EQ(objects[0].name, "Hydrant 1");
  // Longitudes of the format are west positive.
  EXPECT_EQ(objects[0].rect, (WRect{102750000, 128500000, 102750000, 128500000}));
  EXPECT_EQ(objects[0].graphics.symbol, 51);
  EXPECT_EQ(objects[0].graphics.colour, 3);
  EXPECT_EQ(objects[0].graphics.variant, 3);  // size 4 becomes (4 + 2) / 2
  // Mode N gives new IDs; a closed kind-6 chain becomes a polygon.
  EXPECT_NE(ObjectIDText(objects[0].id), "00000000000000A1");
  EXPECT_EQ(objects[1].type, kPolygonObject);
  EXPECT_EQ(objects[1].points.size(), 3u);
  EXPECT_EQ(objects[1].graphics.fillPattern, 2);
  int16_t lineType = 0, width = 0;
  LineChoice(9, lineType, width);
  EXPECT_EQ(objects[1].graphics.lineType, lineType);
  EXPECT_EQ(SelectedObjectCount(), 2);
  EXPECT_EQ(listText, ObjectIDText(objects[0].id) + "\r" + ObjectIDText(objects[1].id) + "\r");
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
}

TEST_F(OldImportTest, BlanksAndCommasSeparateAlikeAndBadRecordsStopOnce) {
  Old("1\r\nA1 7 5 38.5 -77.2 38.5 -77.2 1 0 0 0 0 1 1 212\r\nOne\r\n"
      "A2,7,5,38.5,-77.2,38.5,-77.2,1,0,0,0,0,1,1,212\r\nTwo\r\n");
  auto objects = Objects(MapID("Harbour"), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].rect, objects[1].rect);
  const size_t alerts = platform().alerts.size();
  // Kind 9, a 10,000-character ID, a count beyond the text, a short record, a missing name line
  // and garbage after a good record: the good one stays and one alert is shown.
  for (const std::string& bad :
       {std::string("A 7 9 0 0 0 0 1 0 0 0 0 1 1 1\rX\r"),
        std::string(10000, '7') + " 7 5 0 0 0 0 1 0 0 0 0 1 1 1\rX\r",
        std::string("A 7 6 0 0 0 0 1 0 0 0 0 1 1 1\rX\r999999999 1 1\r"),
        std::string("A 7 5 0 0 0 0 1 0 0 0\r"), std::string("A 7 5 0 0 0 0 1 0 0 0 0 1 1 1"),
        std::string("garbage")}) {
    const OldImportSummary summary = Old("1\rB 7 5 1 1 1 1 1 0 0 0 0 1 1 1\rKept\r" + bad);
    EXPECT_TRUE(summary.readError) << bad.substr(0, 40);
    EXPECT_EQ(summary.created, 1) << bad.substr(0, 40);
  }
  EXPECT_EQ(platform().alerts.size(), alerts + 6);
  EXPECT_TRUE(Old("").readError);
  // An overlay line keeps its last letter with LF line ends; long names are cut to 31.
  Old("1\n*3 Wells\n*4 " + std::string(40, 'W') +
      "\nA 3 5 1 1 1 1 1 0 0 0 0 1 1 1\nX\n"
      "A 4 5 1 1 1 1 1 0 0 0 0 1 1 1\nX\n");
  EXPECT_GE(LayerNameToIndex("Wells"), 0);
  EXPECT_GE(LayerNameToIndex(std::string(31, 'W')), 0);
}

TEST_F(OldImportTest, NumbersInEveryAcceptedFormReadAsTheirPlainForm) {
  // Each tricky record is followed by its plain twin; both must make the same object. The forms
  // cover the quick plain reading (signs, leading zeros, a point at either end) and the general
  // one it leaves the rest to (exponents, more than 15 digits, a plus before a minus).
  const std::vector<std::pair<std::string, std::string>> twins = {
      {"+38.5 77.25 +38.5 77.25 +3 0 0 0 0 -1 +4 51", "38.5 77.25 38.5 77.25 3 0 0 0 0 -1 4 51"},
      {"0038.50 077.2500 38.5 77.25 003 0 0 0 0 -1 04 051",
       "38.5 77.25 38.5 77.25 3 0 0 0 0 -1 4 51"},
      {".5 -.25 0.5 -0.25 1 0 0 0 0 -1 1 1", "0.5 -0.25 0.5 -0.25 1 0 0 0 0 -1 1 1"},
      {"38. 77. 38 77 1 0 0 0 0 -1 1 1", "38 77 38 77 1 0 0 0 0 -1 1 1"},
      {"-0 -0.0 0 0 -0 0 0 0 0 -1 1 1", "0 0 0 0 0 0 0 0 0 -1 1 1"},
      {"3.85e1 7725E-2 38.5 77.25 1 0 0 0 0 -1 1 1", "38.5 77.25 38.5 77.25 1 0 0 0 0 -1 1 1"},
      {"38.5000000000000001 77.2500000000000000001 38.5 77.25 1 0 0 0 0 -1 1 1",
       "38.5 77.25 38.5 77.25 1 0 0 0 0 -1 1 1"},
      {"38.123456789012345 77.25 38.5 77.25 1 0 0 0 0 -1 1 1",
       "38.1234567890123450 77.25 38.5 77.25 1 0 0 0 0 -1 1 1"},
      {"1 1 1 1 +-3 0 0 0 0 -1 1 1", "1 1 1 1 -3 0 0 0 0 -1 1 1"},
      {"1 1 1 1 1 0 0 0 0 -1 999999999999 1", "1 1 1 1 1 0 0 0 0 -1 32767 1"},
  };
  for (size_t k = 0; k < twins.size(); ++k) {
    const auto& [tricky, plain] = twins[k];
    const OldImportSummary summary =
        Old(std::string(kOldHeader) + "A 7 5 " + tricky + "\rT\r  B\t7 , 5 " + plain + "\rP\r");
    EXPECT_FALSE(summary.readError) << tricky;
    const auto objects = Objects(MapID("Harbour"), LayerID("Hydrants"));
    ASSERT_EQ(objects.size(), 2 * (k + 1)) << tricky;
    const ReadBack& a = objects[2 * k];
    const ReadBack& b = objects[2 * k + 1];
    EXPECT_EQ(a.rect, b.rect) << tricky;
    EXPECT_EQ(a.graphics.colour, b.graphics.colour) << tricky;
    EXPECT_EQ(a.graphics.variant, b.graphics.variant) << tricky;
    EXPECT_EQ(a.graphics.symbol, b.graphics.symbol) << tricky;
  }
  // Text that is no number in either reading stops the import at that record.
  for (const std::string bad : {"38.5x", "--1", "1e", "+", "1.2.3", "0x10", "inf", "nan"}) {
    const OldImportSummary summary =
        Old(std::string(kOldHeader) + "A 7 5 " + bad + " 1 1 1 1 0 0 0 0 -1 1 1\rT\r");
    EXPECT_TRUE(summary.readError) << bad;
    EXPECT_EQ(summary.created, 0) << bad;
  }
}

TEST_F(OldImportTest, RelativeOffsetsAreTakenFromTheCentre) {
  Old("1\rA 7 5 0 0 0 0 1 0 0 0 0 1 1 1\rC\r", kOldImportNew, true, 38.5, 77.25, kOldUnitMiles);
  Old("1\rA 7 5 1609.344 0 1609.344 0 1 0 0 0 0 1 1 1\rN\r", kOldImportNew, true, 38.5, 77.25,
      kOldUnitMetres);
  const auto objects = Objects(MapID("Harbour"), LayerID("IMPORTED OBJECTS"));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].rect, (WRect{102750000, 128500000, 102750000, 128500000}));
  // One mile north is 1 / 69.0459911616 degree.
  EXPECT_EQ(objects[1].rect.x1, 102750000);
  EXPECT_NEAR(objects[1].rect.y1, 128500000 + 1e6 / 69.0459911616, 1.0);
}

TEST_F(OldImportTest, ReplaceChangesInPlaceAndModifyListsMissingIDs) {
  Old("1\r*7 Hydrants\r00000000000000B1 7 5 1 1 1 1 1 0 0 0 0 1 1 1\rFirst\r", kOldImportReplace);
  auto objects = Objects(MapID("Harbour"), LayerID("Hydrants"));
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(ObjectIDText(objects[0].id), "00000000000000B1");
  OldImportSummary summary = Old(
      "1\r*7 Hydrants\r00000000000000B1 7 5 2 2 2 2 1 0 0 0 0 1 1 1\rSecond\r", kOldImportReplace);
  EXPECT_EQ(summary.changed, 1);
  objects = Objects(MapID("Harbour"), LayerID("Hydrants"));
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].name, "Second");
  EXPECT_EQ(ObjectIDText(objects[0].id), "00000000000000B1");
  summary = Old("1\r*7 Hydrants\r00000000000000C9 7 5 2 2 2 2 1 0 0 0 0 1 1 1\rMissing\r",
                kOldImportModify);
  EXPECT_EQ(summary.listedOnly, 1);
  EXPECT_EQ(summary.created, 0);
  EXPECT_EQ(listText, "00000000000000C9\r");
  EXPECT_EQ(Objects(MapID("Harbour"), LayerID("Hydrants")).size(), 1u);
  // "-1" always gets a new ID.
  summary = Old("1\r*7 Hydrants\r-1 7 5 2 2 2 2 1 0 0 0 0 1 1 1\rNew\r", kOldImportReplace);
  EXPECT_EQ(summary.created, 1);
}

}  // namespace
}  // namespace tlv
