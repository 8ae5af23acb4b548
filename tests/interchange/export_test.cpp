#include "interchange/export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "edit/selection.h"
#include "interchange/import.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// World units of a longitude and latitude given in millionths of a degree.
constexpr int32_t X(int32_t microLongitude) {
  return 180000000 + microLongitude;
}
constexpr int32_t Y(int32_t microLatitude) {
  return 90000000 + microLatitude;
}

struct ExportPointSpec {
  int32_t x = 0;
  int32_t y = 0;
  bool newPiece = false;
};

class ExportTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetExportForTesting();
    ResetImportForTesting();
    // 2 July 2024 at noon, so the date is the same whatever the zone.
    platform().fixedSeconds1970 = 1719921600;
    out = root / "Program";
  }
  void TearDown() override {
    ResetExportForTesting();
    ResetImportForTesting();
    ObjectsTest::TearDown();
  }

  ObjectRef Point(const std::string& name, int16_t symbol, int16_t colour, int32_t x, int32_t y,
                  const uint32_t* custom = nullptr, int32_t overlay = 0) {
    ObjectGraphics g;
    g.symbol = symbol;
    g.colour = colour;
    g.variant = 2;
    ObjectID id;
    const int32_t layer = overlay != 0 ? overlay : sites;
    const int32_t position =
        MakeObject(harbour, layer, kPointObject, name, &g, {x, y, x, y}, nullptr, &id);
    if (custom != nullptr) {
      SetObjectCustomColour(Objects(harbour, layer), position, *custom);
      FlushBufferedFiles();
    }
    return {harbour, layer, position};
  }

  // A polyline or polygon of the points; a point with newPiece set starts a ring.
  ObjectRef Shape(int16_t type, const std::string& name, const std::vector<ExportPointSpec>& spec) {
    Handle points = MyNewHandle(static_cast<int32_t>(spec.size() * sizeof(WPoint)));
    auto* p = reinterpret_cast<WPoint*>(*points);
    WRect rect = kUnionStartRect;
    for (size_t i = 0; i < spec.size(); ++i) {
      p[i].x = static_cast<int32_t>(static_cast<uint32_t>(spec[i].x) |
                                    (spec[i].newPiece ? kNewPieceBit : 0u));
      p[i].y = spec[i].y;
      rect = {std::min(rect.x1, spec[i].x), std::min(rect.y1, spec[i].y),
              std::max(rect.x2, spec[i].x), std::max(rect.y2, spec[i].y)};
    }
    ObjectGraphics g;
    g.colour = 15;
    g.variant = 1;
    g.lineType = 9;
    g.fillPattern = 2;
    const int32_t position = MakeObject(harbour, roads, type, name, &g, rect, points);
    MyDisposeHandle(points);
    return {harbour, roads, position};
  }

  void Select(const std::vector<ObjectRef>& objects) {
    RemoveAllSelectedObjects();
    for (const ObjectRef& o : objects) AddSelectedObject(o.mapID, o.overlayID, o.position);
    ASSERT_EQ(SelectedObjectCount(), static_cast<int32_t>(objects.size()));
  }

  std::string Record(int32_t format, const ObjectRef& object) {
    std::string sink;
    EXPECT_EQ(WriteObjectRecord(format, object, sink), 0);
    CloseBufferedFiles();
    return sink;
  }

  std::string ExportFile(int32_t format, const std::string& name, ExportResult* result = nullptr) {
    MutableExportSettings().format = format;
    const std::string path = (out / name).string();
    EXPECT_EQ(Export(ExportDefaultName(format), ExportFileKind(format), path, result), 0);
    return test::ReadWholeFile(path);
  }

  fs::path out;
};

TEST_F(ExportTest, PointRecordIsWrittenByteForByte) {
  const ObjectRef point = Point("Well 7", 54, 15, X(-78500000), Y(38250000));
  ObjectID id;
  FSGetObjectID(Objects(harbour, sites), point.position, id.high, id.low);
  const std::string expected =
      "\"\" \"\" \"\" \"07/02/24\" 2\r\n\"\" \"Well 7\" 0 \"Sites\" "
      "\"Harbour\" POINT \"" +
      ObjectIDText(id) +
      "\" 0 \"\" 0 ONLY 0\r\n"
      "DARKBLUE 2 54 -78.500000 38.250000\r\n\r\n";
  EXPECT_EQ(Record(kExportMIE, point), expected);
}

TEST_F(ExportTest, SimpleTextWritesTheSymbolOfPointsOnlyAndFillsSwitchedOffFieldsWithZero) {
  const ObjectRef point = Point("Well", 54, 1, X(1000000), Y(2000000));
  const ObjectRef line =
      Shape(kPolylineObject, "Road", {{X(0), Y(0), true}, {X(2000000), Y(4000000), false}});
  const std::vector<std::string> pointFields = [&] {
    std::vector<std::string> parts;
    std::string text = Record(kExportSimpleText, point);
    size_t start = 0;
    for (size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1) {
      parts.push_back(text.substr(start, tab - start));
    }
    parts.push_back(text.substr(start));
    return parts;
  }();
  ASSERT_EQ(pointFields.size(), 8u);
  EXPECT_EQ(pointFields[0], "1.000000");
  EXPECT_EQ(pointFields[1], "2.000000");
  EXPECT_EQ(pointFields[2], "Well");
  EXPECT_EQ(pointFields[5], "54");
  EXPECT_EQ(pointFields[6], "BLACK");
  // Other kinds: the centre of the rectangle and symbol 0.
  const std::string lineText = Record(kExportSimpleText, line);
  EXPECT_EQ(lineText.rfind("1.000000\t2.000000\tRoad\tRoads\tHarbour\t0\tDARKBLUE\t", 0), 0u)
      << lineText;

  for (bool& on : MutableExportSettings().fields) on = false;
  MutableExportSettings().fields[kFieldID] = true;
  ObjectID id;
  FSGetObjectID(Objects(harbour, sites), point.position, id.high, id.low);
  EXPECT_EQ(Record(kExportSimpleText, point),
            "1.000000\t2.000000\t0\t0\t0\t0\t0\t" + ObjectIDText(id) + "\r\n");
  for (bool& on : MutableExportSettings().fields) on = false;
  EXPECT_EQ(Record(kExportSimpleText, point), "1.000000\t2.000000\r\n");
}

TEST_F(ExportTest, PolygonRingsAreWrittenClosedAndClosedRingsAsStored) {
  const ObjectRef open = Shape(kPolygonObject, "Open",
                               {{X(0), Y(0), true},
                                {X(1000000), Y(0), false},
                                {X(1000000), Y(1000000), false},
                                // a second ring, stored closed
                                {X(5000000), Y(5000000), true},
                                {X(6000000), Y(5000000), false},
                                {X(6000000), Y(6000000), false},
                                {X(5000000), Y(5000000), false}});
  const std::string record = Record(kExportMIE, open);
  EXPECT_NE(record.find("DARKBLUE 1 DASHES WHITE { { FROM 0.000000 0.000000 } { TO 1.000000 "
                        "0.000000 } { TO 1.000000 1.000000 } { TO 0.000000 0.000000 } { FROM "
                        "5.000000 5.000000 } { TO 6.000000 5.000000 } { TO 6.000000 6.000000 } { "
                        "TO 5.000000 5.000000 } }\r\n\r\n"),
            std::string::npos)
      << record;
  // A polyline is never closed.
  const ObjectRef line =
      Shape(kPolylineObject, "Line",
            {{X(0), Y(0), true}, {X(1000000), Y(0), false}, {X(1000000), Y(1000000), false}});
  EXPECT_NE(Record(kExportMIE, line).find("{ TO 1.000000 1.000000 } }\r\n"), std::string::npos);
}

TEST_F(ExportTest, StoredColourFifteenIsDarkBlueAndCustomColoursFollowExportRGB) {
  const uint32_t custom = 0x0A14FF | kCustomColourPresent | kCustomColourActive;
  const ObjectRef point = Point("Tinted", 3, 15, X(0), Y(0), &custom);
  MutableExportSettings().exportRGB = true;
  EXPECT_NE(Record(kExportMIE, point).find("\r\nR10G20B255 2 3 "), std::string::npos);
  MutableExportSettings().exportRGB = false;
  const std::string plain = Record(kExportMIE, point);
  EXPECT_NE(plain.find("\r\nDARKBLUE 2 3 "), std::string::npos) << plain;
  // The custom colour field itself is written as stored either way.
  EXPECT_NE(plain.find("ONLY " + std::to_string(custom) + "\r\n"), std::string::npos);
  // Simple text always names the custom colour.
  EXPECT_NE(Record(kExportSimpleText, point).find("\tR10G20B255\t"), std::string::npos);
}

TEST_F(ExportTest, ObjectMIETextIsTheFileRecordWithBlanksForItsLineBreaks) {
  const ObjectRef point = Point("Well", 54, 1, X(0), Y(0));
  const std::string record = Record(kExportMIE, point);
  std::string text;
  ASSERT_EQ(ObjectMIEText(point, text), 0);
  std::string expected = record.substr(0, record.size() - 2);
  for (size_t at; (at = expected.find("\r\n")) != std::string::npos;) expected.replace(at, 2, " ");
  EXPECT_EQ(text, expected);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST_F(ExportTest, TextsAndPicturesGiveAnEmptyBNAFileAndShapesTheirRecords) {
  ObjectGraphics g;
  g.colour = 1;
  g.textCode = 1;
  const std::string words = "Harbour";
  ObjectContents contents;
  const std::string prefix;
  const std::string name = "Label";
  contents.prefix = prefix;
  contents.name = name;
  contents.graphics = g;
  const WRect rect{X(0), Y(0), X(100), Y(100)};
  contents.rect = rect;
  contents.textOrPicture = words;
  ObjectID id;
  NewObjectID(id);
  int32_t text = -1;
  ASSERT_EQ(CreateObject(harbour, sites, kTextObject, id, contents, text), 0);
  Select({{harbour, sites, text}});
  ExportResult result;
  EXPECT_EQ(ExportFile(kExportBNA, "texts.bna", &result), "");
  EXPECT_EQ(result.passedOver, 1);
  EXPECT_EQ(result.written, 0);

  const ObjectRef line =
      Shape(kPolylineObject, "Road \"A\"", {{X(0), Y(0), true}, {X(1500000), Y(-250000), false}});
  const ObjectRef area =
      Shape(kPolygonObject, "Lake",
            {{X(0), Y(0), true}, {X(1000000), Y(0), false}, {X(0), Y(1000000), false}});
  Select({line, area});
  EXPECT_EQ(ExportFile(kExportBNA, "shapes.bna"),
            "\"Road 'A'\",\"1\",-2\r\n0.000000 0.000000\r\n1.500000 -0.250000\r\n"
            "\"Lake\",\"1\",3\r\n0.000000 0.000000\r\n1.000000 0.000000\r\n0.000000 1.000000\r\n");
}

TEST_F(ExportTest, BNAPassesOverObjectsWithSeveralFromPointsAndSaysSoOnce) {
  const ObjectRef twoPieces =
      Shape(kPolylineObject, "Split",
            {{X(0), Y(0), true}, {X(1), Y(1), false}, {X(5), Y(5), true}, {X(6), Y(6), false}});
  const ObjectRef again = Shape(kPolylineObject, "Split too",
                                {{X(0), Y(0), true}, {X(1), Y(1), false}, {X(5), Y(5), true}});
  const ObjectRef whole =
      Shape(kPolylineObject, "Whole", {{X(0), Y(0), true}, {X(1), Y(1), false}});
  Select({twoPieces, whole, again});
  ExportResult result;
  const std::string bna = ExportFile(kExportBNA, "pieces.bna", &result);
  EXPECT_EQ(bna.rfind("\"Whole\",\"1\",-2\r\n", 0), 0u) << bna;
  EXPECT_EQ(result.written, 1);
  EXPECT_EQ(result.passedOver, 2);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "Error: This code cannot handle objects with more than one FROM point in an object");
}

TEST_F(ExportTest, TheBNACommandSortsNumberedNamesFirstThenOuterBeforeInnerAndPutsTheOrderBack) {
  const auto box = [&](const std::string& name, int32_t half) {
    return Shape(kPolygonObject, name,
                 {{X(-half), Y(-half), true},
                  {X(half), Y(-half), false},
                  {X(half), Y(half), false},
                  {X(-half), Y(half), false}});
  };
  const ObjectRef inner = box("inner", 10);
  const ObjectRef second = box("#2", 5);
  const ObjectRef outer = box("outer", 100);
  const ObjectRef first = box("#1 first", 1);
  Select({inner, second, outer, first});
  const std::string path = (out / "sorted.bna").string();
  ASSERT_EQ(ExportSelectionAsBNA(path), 0);
  const std::string bna = test::ReadWholeFile(path);
  std::vector<std::string> names;
  for (size_t at = 0; (at = bna.find("\",\"1\"", at)) != std::string::npos; ++at) {
    const size_t start = bna.rfind('"', at - 1);
    names.push_back(bna.substr(start + 1, at - start - 1));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"#1 first", "#2", "outer", "inner"}));
  ObjectRef entry;
  ASSERT_TRUE(GetSelectedObject(0, entry));
  EXPECT_EQ(entry.position, inner.position);
  ASSERT_TRUE(GetSelectedObject(3, entry));
  EXPECT_EQ(entry.position, first.position);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(platform().messageLine, "");
  EXPECT_NE(std::find(platform().messageLines.begin(), platform().messageLines.end(),
                      "Sorting search collection (4 objects)."),
            platform().messageLines.end());

  RemoveAllSelectedObjects();
  const int beeps = platform().beeps;
  EXPECT_EQ(ExportSelectionAsBNA(path), -1);
  EXPECT_EQ(platform().beeps, beeps + 1);
}

TEST_F(ExportTest, TheBNAOrderIsAStrictWeakOrderOverRandomRectangles) {
  std::mt19937 random(26);
  std::uniform_int_distribution<int32_t> coordinate(0, 1000);
  std::uniform_int_distribution<int32_t> numbered(0, 9);
  std::vector<BNASortKey> keys;
  for (int32_t i = 0; i < 10000; ++i) {
    int32_t x1 = coordinate(random), x2 = coordinate(random);
    int32_t y1 = coordinate(random), y2 = coordinate(random);
    if (i % 7 == 0) x2 = x1;  // empty and equal rectangles too
    const std::string name = numbered(random) == 0 ? "#" + std::to_string(i % 13) : "n";
    keys.push_back(MakeBNASortKey(name, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2),
                                  std::max(y1, y2), i % 3, i));
  }
  std::vector<BNASortKey> sorted = keys;
  std::sort(sorted.begin(), sorted.end(), BNASortsBefore);
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    ASSERT_FALSE(BNASortsBefore(sorted[i + 1], sorted[i])) << i;
    ASSERT_FALSE(BNASortsBefore(sorted[i], sorted[i]));
  }
  // A rectangle holding another comes first.
  const BNASortKey outer = MakeBNASortKey("a", 0, 0, 100, 100, 1, 9);
  const BNASortKey inside = MakeBNASortKey("b", 10, 10, 20, 20, 1, 1);
  EXPECT_TRUE(BNASortsBefore(outer, inside));
  EXPECT_FALSE(BNASortsBefore(inside, outer));
  EXPECT_TRUE(BNASortsBefore(MakeBNASortKey("#10", 0, 0, 1, 1, 1, 1),
                             MakeBNASortKey("x", 0, 0, 100, 100, 1, 1)));
  EXPECT_TRUE(BNASortsBefore(MakeBNASortKey("#2", 0, 0, 1, 1, 1, 1),
                             MakeBNASortKey("#10", 0, 0, 100, 100, 1, 1)));
}

TEST_F(ExportTest, CancellingOrFailingKeepsTheOldFile) {
  const ObjectRef a = Point("A", 1, 1, X(0), Y(0));
  const ObjectRef b = Point("B", 1, 1, X(0), Y(0));
  Select({a, b});
  const fs::path path = out / "kept.mie";
  test::WriteWholeFile(path, "old contents");
  platform().escapeAtCheck = 2;
  EXPECT_EQ(Export("export.MIE", ".MIE", path.string()), -1);
  EXPECT_EQ(test::ReadWholeFile(path), "old contents");
  EXPECT_FALSE(fs::exists(path.string() + ".work"));

  platform().escapeAtCheck = 0;
  platform().alerts.clear();
  EXPECT_NE(Export("export.MIE", ".MIE", (out / "no folder" / "x.mie").string()), 0);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_NE(platform().alerts[0].text.find("Export()"), std::string::npos);

  EXPECT_EQ(Export("export.MIE", ".MIE", path.string()), 0);
  EXPECT_EQ(test::ReadWholeFile(path).rfind("\"\" \"\" \"\" \"07/02/24\" 2\r\n", 0), 0u);
}

TEST_F(ExportTest, TheSaveDialogOffersTheDefaultNameAndItsCancelEndsTheExport) {
  Select({Point("A", 1, 1, X(0), Y(0))});
  std::string offered;
  ExportHooks hooks;
  bool choose = false;
  const std::string chosen = (out / "chosen.txt").string();
  hooks.chooseSaveFile = [&](const std::string& title, const std::string& name,
                             const std::string& kind, std::string& path) {
    offered = title + "|" + name + "|" + kind;
    path = chosen;
    return choose;
  };
  SetExportHooks(hooks);
  MutableExportSettings().format = kExportSimpleText;
  EXPECT_EQ(RunExportCommand(), -1);
  EXPECT_EQ(offered, "Export|export.TXT|.TXT");
  EXPECT_FALSE(fs::exists(chosen));
  choose = true;
  EXPECT_EQ(RunExportCommand(), 0);
  EXPECT_TRUE(fs::exists(chosen));
  // The shapefile format has its own path; Export itself refuses it.
  MutableExportSettings().format = kExportShapefile;
  EXPECT_EQ(Export("export.shp", ".SHP", chosen), -1);
  // The search collection is refused clearly until it can be walked.
  MutableExportSettings().format = kExportMIE;
  MutableExportSettings().source = kExportCollection;
  platform().alerts.clear();
  EXPECT_EQ(RunExportCommand(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
}

TEST_F(ExportTest, QuotesInNamesAndAGermanNumericLocaleStillImportBack) {
  // Object names and texts never hold a double quote (the record turns them into single
  // quotes); overlay names can.
  const int32_t quay = AddOverlay("Quay \"7\"");
  const ObjectRef point = Point("Bollard", 5, 1, X(-1500000), Y(2250000), nullptr, quay);
  Select({point});
  const char* before = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = before != nullptr ? before : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.utf8") == nullptr) {
    GTEST_SKIP() << "no German locale on this machine";
  }
  const std::string mie = ExportFile(kExportMIE, "german.mie");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_NE(mie.find("\"Quay '7'\" \"Harbour\" POINT"), std::string::npos) << mie;
  EXPECT_NE(mie.find(" 5 -1.500000 2.250000\r\n"), std::string::npos) << mie;

  // The file reads back whole: the object lands at its place under the overlay name as written.
  const int32_t folder = Register(out);
  SetImportMode(kImportDuplicate);
  ImportSummary summary;
  ASSERT_EQ(Import2(0, folder, "german.mie", false, false, &summary), 0);
  EXPECT_EQ(summary.created, 1);
  const int32_t index = LayerNameToIndex("Quay '7'");
  std::string names;
  for (int32_t i = 0; i < LayerCount(); ++i) names += "[" + LayerName(i) + "]";
  ASSERT_GE(index, 0) << names;
  const auto records = Summaries(harbour, LayerAt(index).layerID);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].worldRect, (WRect{X(-1500000), Y(2250000), X(-1500000), Y(2250000)}));
}

TEST_F(ExportTest, TheShapefileKindFollowsTheObjectsOrThePreviousChoice) {
  EXPECT_EQ(DefaultShapefileKind(3, 0, 0, kExportPolylines), kExportPoints);
  EXPECT_EQ(DefaultShapefileKind(3, 2, 0, kExportPolylines), kExportPolylines);
  EXPECT_EQ(DefaultShapefileKind(0, 2, 1, kExportPoints), kExportPolylines);
  EXPECT_EQ(DefaultShapefileKind(0, 0, 1, kExportPoints), kExportPolygonLike);
  EXPECT_EQ(DefaultShapefileKind(0, 0, 0, kExportPoints), 0);
}

TEST_F(ExportTest, MixedKindsAskWhichKindWithEmptyKindsDisabled) {
  const ObjectRef point = Point("P", 1, 1, X(0), Y(0));
  const ObjectRef line1 = Shape(kPolylineObject, "L1", {{X(0), Y(0), true}, {X(1), Y(1), false}});
  const ObjectRef line2 = Shape(kPolylineObject, "L2", {{X(0), Y(0), true}, {X(1), Y(1), false}});
  platform().answers.push_back(3);  // Cancel
  EXPECT_EQ(ExportShapefile({point, line1, line2}, (out / "x.shp").string()), -1);
  ASSERT_EQ(platform().questions.size(), 1u);
  const Question& asked = platform().questions[0];
  EXPECT_EQ(asked.title, "Choose Type of Object");
  EXPECT_EQ(asked.text, "Shapefiles can only contain one type of object.");
  EXPECT_EQ(asked.buttons, (std::vector<std::string>{"Points (1 object)", "Polylines (2 objects)",
                                                     "Polygons (0 objects)", "Cancel"}));
  EXPECT_EQ(asked.enabled, (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(asked.defaultButton, 0);
}

TEST_F(ExportTest, AConverterThatFailsGivesMessage671AndNoTargetFile) {
  const fs::path program = root / "Program";
  fs::create_directories(program / "basemaptools" / "php");
  test::WriteWholeFile(program / "basemaptools" / "php" / "php", "#!/bin/sh\nexit 3\n");
  fs::permissions(program / "basemaptools" / "php" / "php", fs::perms::owner_all);
  ExportHooks hooks;
  hooks.programFolder = [&] { return program.string() + "/"; };
  hooks.exchangeFolder = [&] { return (root / "Temp").string() + "/"; };
  SetExportHooks(hooks);
  const ObjectRef point = Point("P", 1, 1, X(0), Y(0));
  const fs::path target = out / "points.shp";
  EXPECT_NE(ExportShapefile({point}, target.string()), 0);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "There was a problem exporting the selected objects.");
  EXPECT_FALSE(fs::exists(target));
  // The work file holds the interchange records for the tool.
  EXPECT_NE(test::ReadWholeFile(root / "Temp" / "shapefileExport.mie").find(" POINT "),
            std::string::npos);
}

}  // namespace
}  // namespace tlv
