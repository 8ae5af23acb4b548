// The copy commands against objects written through the life cycle, with the headless
// clipboard: exact bytes, refusals, and what stays on the clipboard when nothing is copied.
#include "interchange/copy_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "edit/selection.h"
#include "geometry/geo_settings.h"
#include "interchange/export.h"
#include "render/map_view.h"
#include "store/object_record.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

constexpr int32_t X(double longitude) {
  return static_cast<int32_t>(180000000 + longitude * 1000000);
}
constexpr int32_t Y(double latitude) {
  return static_cast<int32_t>(90000000 + latitude * 1000000);
}

class CopyTextTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetExportForTesting();
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
  }
  void TearDown() override {
    ResetExportForTesting();
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
    ObjectsTest::TearDown();
  }

  ObjectRef Make(int16_t type, const std::string& name, const WRect& rect,
                 const std::vector<WPoint>& points = {}) {
    Handle list = nullptr;
    if (!points.empty()) {
      list = MyNewHandle(static_cast<int32_t>(points.size() * sizeof(WPoint)));
      std::memcpy(*list, points.data(), points.size() * sizeof(WPoint));
    }
    ObjectGraphics graphics;
    graphics.symbol = 7;
    graphics.colour = 3;
    const int32_t position = MakeObject(harbour, sites, type, name, &graphics, rect, list);
    if (list != nullptr) MyDisposeHandle(list);
    return {harbour, sites, position};
  }
  void Select(const ObjectRef& object) {
    RemoveAllSelectedObjects();
    AddSelectedObject(object.mapID, object.overlayID, object.position);
  }
  std::string CopyOf(const ObjectRef& object, int32_t item) {
    Select(object);
    EXPECT_EQ(PopInfoCopyText(kObjectMenu, item), 0);
    return platform().clipboardText;
  }
  static WPoint Piece(int32_t x, int32_t y) {
    return {static_cast<int32_t>(static_cast<uint32_t>(x) | kNewPieceBit), y};
  }
};

TEST_F(CopyTextTest, CoordinatesAreTwentyTwoCharactersOrReportedAndNothingIsAdded) {
  Handle text = MyNewHandle(0);
  ASSERT_EQ(AddCoordToText(X(5), Y(40), false, text), 0);
  ASSERT_EQ(AddCoordToText(X(-123.123456), Y(-12.123456), true, text), 0);
  EXPECT_EQ(std::string(*text, static_cast<size_t>(MyGetHandleSize(text))),
            "   5.000000\t 40.000000-123.123456\t-12.123456\r\n");
  // Far outside the world the longitude needs 12 characters.
  EXPECT_NE(AddCoordToText(-2000000000, Y(0), true, text), 0);
  EXPECT_EQ(MyGetHandleSize(text), 22 + 24);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_NE(platform().alerts.back().text.find("strlen() returned 23 in AddCoordToText()."),
            std::string::npos)
      << platform().alerts.back().text;
  MyDisposeHandle(text);
}

TEST_F(CopyTextTest, EachKindListsItsCoordinatesAsStored) {
  const ObjectRef point = Make(kPointObject, "Buoy", {X(5), Y(40), X(5), Y(40)});
  EXPECT_EQ(CopyOf(point, kCopyObjectLatLongItem), "   5.000000\t 40.000000");

  const ObjectRef box = Make(kRectangleObject, "Yard", {X(1), Y(2), X(3), Y(4)});
  EXPECT_EQ(CopyOf(box, kCopyObjectLatLongItem),
            "   1.000000\t  2.000000\r\n   1.000000\t  4.000000\r\n"
            "   3.000000\t  4.000000\r\n   3.000000\t  2.000000\r\n");

  const ObjectRef line =
      Make(kPolylineObject, "Pipe", {X(1), Y(1), X(2), Y(2)}, {{X(1), Y(1)}, {X(2), Y(2)}});
  EXPECT_EQ(CopyOf(line, kCopyObjectLatLongItem),
            "   1.000000\t  1.000000\r\n   2.000000\t  2.000000\r\n");

  // Two rings: an empty line before the second; a ring stored closed keeps its closing point.
  const ObjectRef area = Make(kPolygonObject, "Lake", {X(0), Y(0), X(9), Y(9)},
                              {{X(0), Y(0)},
                               {X(9), Y(0)},
                               {X(9), Y(9)},
                               {X(0), Y(0)},
                               Piece(X(4), Y(4)),
                               {X(5), Y(4)},
                               {X(5), Y(5)}});
  EXPECT_EQ(CopyOf(area, kCopyObjectLatLongItem),
            "   0.000000\t  0.000000\r\n   9.000000\t  0.000000\r\n   9.000000\t  9.000000\r\n"
            "   0.000000\t  0.000000\r\n\r\n   4.000000\t  4.000000\r\n   5.000000\t  4.000000\r\n"
            "   5.000000\t  5.000000\r\n");
}

TEST_F(CopyTextTest, NamesRecordsAndAliasesOfTheFirstSelectedObject) {
  const ObjectRef unnamed = Make(kPointObject, "", {X(5), Y(40), X(5), Y(40)});
  EXPECT_EQ(CopyOf(unnamed, kCopyObjectNameItem), "untitled");

  const ObjectRef named = Make(kPointObject, "Pier 7", {X(5), Y(40), X(5), Y(40)});
  EXPECT_EQ(CopyOf(named, kCopyObjectNameItem), "Pier 7");

  // The record is the simple-text line with the export's field switches, the kind filter aside.
  MutableExportSettings().kindFilter = kExportPolylines;
  const std::string record = CopyOf(named, kCopyObjectRecordItem);
  EXPECT_EQ(record.rfind("   5.000000\t", 0), std::string::npos);  // not the coordinate list
  EXPECT_EQ(record.rfind("5.000000\t40.000000\tPier 7\tSites\tHarbour\t7\t", 0), 0u) << record;
  MutableExportSettings().fields[kFieldOverlay] = false;
  MutableExportSettings().fields[kFieldMap] = false;
  MutableExportSettings().fields[kFieldSymbol] = false;
  MutableExportSettings().fields[kFieldColour] = false;
  MutableExportSettings().fields[kFieldID] = false;
  EXPECT_EQ(CopyOf(named, kCopyObjectRecordItem), "5.000000\t40.000000\tPier 7\r\n");

  // A long prefix and name: the record is cut at 255 bytes.
  MutableExportSettings().fields[kFieldID] = true;
  {
    const std::string prefix(120, 'p');
    const std::string name(120, 'n');
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.rect = WRect{X(5), Y(40), X(5), Y(40)};
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    ASSERT_EQ(CreateObject(harbour, sites, kPointObject, id, contents, position), 0);
    const std::string cut = CopyOf({harbour, sites, position}, kCopyObjectRecordItem);
    EXPECT_EQ(cut.size(), kMaxCopiedRecordLength);
    EXPECT_EQ(cut.rfind("5.000000\t40.000000\t" + prefix + " nnn", 0), 0u);
  }

  // An alias copies nothing: the clipboard keeps what it held.
  platform().clipboardText = "earlier";
  ObjectID namedID;
  FSGetObjectID(Objects(harbour, sites), named.position, namedID.high, namedID.low);
  ASSERT_EQ(FSSetObjectAliasCount(Objects(harbour, sites), named.position, 1), 0);
  const std::string aliasName = "Pier 7 again";
  const std::string noPrefix;
  ObjectContents aliasContents;
  aliasContents.prefix = noPrefix;
  aliasContents.name = aliasName;
  aliasContents.rect = WRect{namedID.high, namedID.low, 0, 0};
  ObjectID aliasID;
  NewObjectID(aliasID);
  int32_t aliasPosition = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, aliasContents, aliasPosition), 0);
  const ObjectRef alias{harbour, roads, aliasPosition};
  for (const int32_t item : {kCopyObjectLatLongItem, kCopyObjectRecordItem}) {
    EXPECT_EQ(CopyOf(alias, item), "earlier") << item;
  }
}

TEST_F(CopyTextTest, PointsInTheCurrentFormatWhateverTheLocale) {
  SetClickPoint({X(-78.3), Y(38.6)});
  ASSERT_EQ(PopInfoCopyText(kClickPointMenu, kCopyClickPointItem), 0);
  EXPECT_EQ(platform().clipboardText, "38.600000\260N  78.300000\260W");

  // Degrees and minutes use the right single quote of the code page for minutes.
  SetCoordinateFormatSetting(kFormatDegMin);
  ASSERT_EQ(PopInfoCopyText(kClickPointMenu, kCopyClickPointItem), 0);
  EXPECT_NE(platform().clipboardText.find('\222'), std::string::npos) << platform().clipboardText;
  SetCoordinateFormatSetting(kFormatDecimalDegrees);

  // No Marked Point: nothing copied.
  ClearMarkedPoint();
  platform().clipboardText = "earlier";
  ASSERT_EQ(PopInfoCopyText(kMarkedPointMenu, kCopyMarkedPointItem), 0);
  EXPECT_EQ(platform().clipboardText, "earlier");

  const char* before = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = before != nullptr ? before : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.utf8") == nullptr) {
    GTEST_SKIP() << "no German locale on this machine";
  }
  SetMarkedPoint({X(-78.3), Y(38.6)});
  const int32_t err = PopInfoCopyText(kMarkedPointMenu, kCopyMarkedPointItem);
  const std::string marked = platform().clipboardText;
  Handle text = MyNewHandle(0);
  const int32_t coordErr = AddCoordToText(X(5), Y(40), false, text);
  const std::string coordinate(*text, static_cast<size_t>(MyGetHandleSize(text)));
  MyDisposeHandle(text);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(err, 0);
  EXPECT_EQ(marked, "38.600000\260N  78.300000\260W");
  EXPECT_EQ(coordErr, 0);
  EXPECT_EQ(coordinate, "   5.000000\t 40.000000");
}

TEST_F(CopyTextTest, ARefusingClipboardIsReportedAndNothingSelectedCopiesNothing) {
  RemoveAllSelectedObjects();
  platform().clipboardText = "earlier";
  EXPECT_EQ(PopInfoCopyText(kObjectMenu, kCopyObjectNameItem), 0);
  EXPECT_EQ(platform().clipboardSets, 0);

  platform().refuseClipboard = true;
  SetClickPoint({X(1), Y(1)});
  EXPECT_NE(PopInfoCopyText(kClickPointMenu, kCopyClickPointItem), 0);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_NE(platform().alerts.back().text.find("OpenClipboard()"), std::string::npos);
  EXPECT_NE(platform().alerts.back().text.find("PopInfoCopyText()"), std::string::npos);
  EXPECT_EQ(platform().clipboardText, "earlier");
}

}  // namespace
}  // namespace tlv
