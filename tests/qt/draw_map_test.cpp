// The drawing pass on objects made with the life cycle, drawn into images and checked pixel by
// pixel: pattern fills, the pattern fallback, NOT-XOR feedback, polygon rings, symbols, text
// boxes, the polyline label's segment, and interruption by a key press.
#include "render/draw_map.h"
#include "app/wiring.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include <string>
#include <vector>

#include "app/idle.h"
#include "edit/life_cycle.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/qt/qt_draw_port.h"
#include "render/qt/qt_rendering.h"
#include "render/qt/symbol_fonts.h"
#include "render/selection_tags.h"
#include "render/symbols.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int32_t kScale = 50000;
constexpr QRgb kMapColour = 0xFFC8A0F0;  // (200, 160, 240)

QApplication& App() {
  static int argc = 1;
  static char name[] = "draw_map_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

bool PatternBit(const uint8_t* rows, int x, int y) {
  return ((rows[y % 8] >> (7 - x % 8)) & 1) != 0;
}

class DrawMapTest : public CatalogueTest {
 protected:
  void SetUp() override {
    App();
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    ResetDrawMapForTesting();
    ResetSymbolsForTesting();
    int32_t registered = 0;
    RegisterSymbolFontFolder(QString(TOLVANE_SOURCE_DIR) + "/data/fonts", registered);
    MakeMap("Harbour", "Harbour");
    ASSERT_EQ(LoadAll(), 0);
    harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    std::string name = "Roads";
    ASSERT_EQ(AddLayer(name, false, false, false, roadsIndex), 0);
    roads = LayerAt(roadsIndex).layerID;
    ResetMapView();
    SetMapArea({0, 0, kWidth, kHeight});
    CentreViewOn(kScale, 190000000, 130000000);
    image = QImage(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kMapColour);
  }
  void TearDown() override {
    ResetDrawMapForTesting();
    ResetLifeCycleForTesting();
    ResetMapView();
    CatalogueTest::TearDown();
  }

  WPoint World(int x, int y) { return ScreenToWorldPoint(CurrentViewMapping(), {x, y}); }
  WRect WorldBox(int left, int top, int right, int bottom) {
    const WPoint a = World(left, top);
    const WPoint b = World(right, bottom);
    return {a.x, b.y, b.x, a.y};
  }

  int32_t Make(int16_t type, const WRect& rect, const ObjectGraphics& graphics,
               const std::string& name = "", Handle points = nullptr,
               const std::string* text = nullptr) {
    const std::string prefix;
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.graphics = graphics;
    contents.rect = rect;
    contents.points = points;
    if (text != nullptr) contents.textOrPicture = *text;
    ObjectID id;
    EXPECT_EQ(NewObjectID(id), 0);
    int32_t position = -1;
    EXPECT_EQ(CreateObject(harbour, roads, type, id, contents, position), 0);
    if (points != nullptr) MyDisposeHandle(points);
    return position;
  }
  Handle Points(const std::vector<WPoint>& list) {
    Handle h = MyNewHandle(static_cast<int32_t>(list.size() * sizeof(WPoint)));
    HandleArray<WPoint> view(h);
    for (size_t i = 0; i < list.size(); ++i) view.Set(static_cast<int32_t>(i), list[i]);
    return h;
  }
  int32_t Draw(InterruptCheck check = [] { return false; }) {
    EXPECT_EQ(FlushBufferedFiles(), 0);
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapRequest request;
    request.interrupted = std::move(check);
    return DrawMap(port, CurrentMapView(), {0, 0, kWidth, kHeight}, request);
  }
  void SetLayer(const std::function<void(LayerRecord&)>& change) {
    LayerRecord layer = LayerAt(roadsIndex);
    change(layer);
    ASSERT_TRUE(SetLayerRecord(roadsIndex, layer));
  }
  int CountPixels(QRect r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) n += image.pixel(x, y) == colour;
    }
    return n;
  }
  int ChangedPixels() { return kWidth * kHeight - CountPixels(image.rect(), kMapColour); }

  int32_t harbour = 0;
  int32_t roads = 0;
  int32_t roadsIndex = -1;
  QImage image;
};

// Graphics store colour codes; the tests name table colours.
ObjectGraphics Area(int16_t colourIndex, int16_t pattern, int16_t lineType = kLineNone) {
  ObjectGraphics g;
  g.colour = ColourCodeForIndex(colourIndex);
  g.variant = 1;
  g.lineType = lineType;
  g.fillPattern = pattern;
  return g;
}

TEST_F(DrawMapTest, PatternBitsTakeTheObjectColourByAndAndLeaveTheMap) {
  Make(kRectangleObject, WorldBox(100, 100, 200, 180), Area(kColourRed, 13));
  ASSERT_EQ(Draw(), 0);
  const uint8_t* rows = PatternRows(13, false);
  // Red AND (200, 160, 240) leaves (200, 0, 0) where the pattern's bit is 0.
  for (int y = 120; y < 160; ++y) {
    for (int x = 120; x < 180; ++x) {
      const QRgb expected = PatternBit(rows, x, y) ? kMapColour : qRgb(200, 0, 0);
      ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(image.pixel(50, 50), kMapColour);
  EXPECT_FALSE(DrawIncomplete());
}

TEST_F(DrawMapTest, PatternsOutsideTheTableDrawAsPatternFour) {
  // Stored patterns have four bits, so pattern 30 comes from the overlay's default graphics.
  Make(kRectangleObject, WorldBox(100, 100, 200, 180), Area(kColourBlack, 0));
  for (int16_t pattern : {0, 30}) {
    SetLayer([&](LayerRecord& l) {
      l.graphicsOverride = 1;
      l.graphics[1] = kColourBlack;
      l.graphics[3] = kLineNone;
      l.graphics[4] = pattern;
    });
    image.fill(Qt::white);
    ASSERT_EQ(Draw(), 0);
    const uint8_t* rows = PatternRows(4, false);
    for (int y = 120; y < 160; ++y) {
      for (int x = 120; x < 180; ++x) {
        const QRgb expected = PatternBit(rows, x, y) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        ASSERT_EQ(image.pixel(x, y), expected) << "pattern " << pattern << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(DrawMapTest, SingleObjectFeedbackDrawnTwiceRestoresTheMap) {
  const int32_t at = Make(kCircleObject, WorldBox(60, 60, 220, 200), Area(kColourBlue, 1, 1));
  Make(kRectangleObject, WorldBox(150, 100, 300, 250), Area(kColourGreen, 9));
  ASSERT_EQ(Draw(), 0);
  const QImage before = image.copy();
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_EQ(DrawSingleObject(port, CurrentMapView(), {0, 0, kWidth, kHeight}, harbour, roads, at),
              0);
  }
  EXPECT_NE(image, before);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_EQ(DrawSingleObject(port, CurrentMapView(), {0, 0, kWidth, kHeight}, harbour, roads, at),
              0);
  }
  EXPECT_EQ(image, before);
}

TEST_F(DrawMapTest, TwoPointRingsFillNothing) {
  IntegerMapping mapping;
  mapping.Setup(ViewWorldRect(), {0, 0, kWidth, kHeight});
  std::vector<ScreenPoint> screen;
  std::vector<int32_t> sizes;
  const std::vector<WPoint> rings = {World(10, 10), World(50, 50), World(100, 100), World(150, 100),
                                     World(150, 150)};
  RingsToScreen(mapping, rings, {0, 2}, screen, sizes);
  ASSERT_EQ(sizes, std::vector<int32_t>{4}) << "only the triangle, closed";
  EXPECT_EQ(screen.front(), screen.back());

  // A polygon whose only ring has two distinct points leaves the map as it was.
  const WPoint a = World(100, 100);
  const WPoint b = World(200, 200);
  Make(kPolygonObject, {a.x, b.y, b.x, a.y}, Area(kColourRed, 1), "",
       Points({a, b, a, {a.x, a.y}}));
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(ChangedPixels(), 0);
}

TEST_F(DrawMapTest, PolygonHolesStayUnfilled) {
  const std::vector<WPoint> ring = {World(50, 50), World(250, 50), World(250, 250), World(50, 250)};
  const std::vector<WPoint> hole = {World(120, 120), World(180, 120), World(180, 180),
                                    World(120, 180)};
  std::vector<WPoint> points = ring;
  WPoint first = hole[0];
  first.x = static_cast<int32_t>(static_cast<uint32_t>(first.x) | kNewPieceBit);
  points.push_back(first);
  points.insert(points.end(), hole.begin() + 1, hole.end());
  Make(kPolygonObject, {ring[0].x, ring[2].y, ring[2].x, ring[0].y}, Area(kColourBlue, 1, 1), "",
       Points(points));
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(image.pixel(80, 80), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(150, 150), kMapColour);
}

TEST_F(DrawMapTest, SymbolsOutsideTheRangeDrawNothing) {
  const WPoint p = World(200, 150);
  ObjectGraphics g;
  g.colour = kColourBlack;
  g.symbol = 51;
  Make(kPointObject, {p.x, p.y, p.x, p.y}, g);
  ASSERT_EQ(Draw(), 0);
  if (!SymbolFontInstalled(SymbolFontId::kScreenSymbols)) GTEST_SKIP() << "no symbol font";
  EXPECT_GT(ChangedPixels(), 10) << "symbol 51 draws";

  SetLayer([](LayerRecord& l) {
    l.graphicsOverride = 1;
    l.graphics[0] = 600;
  });
  image.fill(kMapColour);
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(ChangedPixels(), 0);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(DrawMapTest, DotsModeDrawsASquareOfTheLineWidth) {
  const WPoint p = World(200, 150);
  ObjectGraphics g;
  g.colour = ColourCodeForIndex(kColourRed);
  g.variant = 1;
  g.symbol = 51;
  Make(kPointObject, {p.x, p.y, p.x, p.y}, g);
  SetLayer([](LayerRecord& l) { l.scales[3] = kScale; });
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(ChangedPixels(), 1);
  EXPECT_EQ(CountPixels(QRect(196, 146, 9, 9), qRgb(255, 0, 0)), 1);
}

TEST_F(DrawMapTest, TextFitsItsBoxAndOversizedBoxesDrawNothing) {
  ObjectGraphics g;
  g.colour = kColourBlack;
  g.textValue = kFontArial;
  g.textCode = 1;
  const std::string text = "Harbour\rMaster";
  Make(kTextObject, WorldBox(100, 100, 220, 160), g, "", nullptr, &text);
  ASSERT_EQ(Draw(), 0);
  const int inside = CountPixels(QRect(100, 100, 120, 60), kMapColour);
  EXPECT_LT(inside, 120 * 60) << "text drawn in its box";
  EXPECT_EQ(ChangedPixels(), 120 * 60 - inside) << "and nowhere else";

  // A box wider than 30000 pixels: not even a frame or the fallback pattern.
  ResetDrawMapForTesting();
  image.fill(kMapColour);
  const WPoint left = World(-20000, 100);
  const WPoint right = World(10001, 160);
  g.textFlag = 1;
  SetLayer([](LayerRecord& l) { l.displayMode = kDisplayHide; });
  std::string other = "Other";
  ASSERT_EQ(AddLayer(other, false, false, false, roadsIndex), 0);
  roads = LayerAt(roadsIndex).layerID;
  Make(kTextObject, {left.x, right.y, right.x, left.y}, g, "", nullptr, &text);
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(ChangedPixels(), 0);
}

TEST_F(DrawMapTest, PolylineLabelFollowsTheBestSegment) {
  SetLayer([](LayerRecord& l) { l.displayMode = kDisplayShowNames; });
  // A short steep segment, then a long level one: the level one scores higher.
  const std::vector<WPoint> line = {World(100, 60), World(100, 100), World(320, 100)};
  Make(kPolylineObject, {line[0].x, line[2].y, line[2].x, line[0].y}, Area(kColourRed, 2, 1),
       "Harbour Road", Points(line));
  ASSERT_EQ(Draw(), 0);
  const QRect under(100, 104, 200, 16);
  const QRect beside(80, 60, 18, 36);
  EXPECT_GT(under.width() * under.height() - CountPixels(under, kMapColour), 40)
      << "label under the level segment";
  EXPECT_EQ(CountPixels(beside, kMapColour), beside.width() * beside.height())
      << "nothing beside the steep one";
  EXPECT_EQ(CountPixels(QRect(0, 0, kWidth, 58), kMapColour), kWidth * 58) << "nor above it";
}

TEST_F(DrawMapTest, KeyPressStopsThePassAndSetsTheMarker) {
  std::vector<int32_t> positions;
  for (int i = 0; i < 5; ++i) {
    positions.push_back(
        Make(kRectangleObject, WorldBox(20 + 60 * i, 20, 70 + 60 * i, 80), Area(kColourBlack, 1)));
  }
  // The key comes while the second object is about to be drawn (the first check is the pass's
  // own, before any object).
  QWidget target;
  int calls = 0;
  auto check = [&] {
    if (++calls == 3) {
      QCoreApplication::postEvent(&target,
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    }
    ResetInputCheckForTesting();
    return QtInputWaiting();
  };
  ASSERT_EQ(Draw(check), kDrawInterrupted);
  EXPECT_TRUE(DrawIncomplete());
  int32_t mapID = 0, overlayID = 0, position = -1;
  DrawStopPoint(mapID, overlayID, position);
  EXPECT_EQ(mapID, harbour);
  EXPECT_EQ(overlayID, roads);
  EXPECT_EQ(position, positions[1]);
  EXPECT_EQ(image.pixel(45, 50), qRgb(0, 0, 0)) << "the first object is drawn";
  EXPECT_EQ(image.pixel(105, 50), kMapColour) << "the second is not";

  // Drawn again, the same view stops at the same object; another view draws everything.
  image.fill(kMapColour);
  ASSERT_EQ(Draw(), kDrawInterrupted);
  EXPECT_EQ(image.pixel(105, 50), kMapColour);
  EXPECT_EQ(image.pixel(45, 50), qRgb(0, 0, 0));
  CentreViewOn(kScale + 1000, 190000000, 130000000);
  ASSERT_EQ(Draw(), 0);
  EXPECT_FALSE(DrawIncomplete());
  EXPECT_GT(ChangedPixels(), 0);
}

TEST_F(DrawMapTest, ThematicSlotDrawsOnlyItsObjectsWithTheirCodes) {
  const WRect a = WorldBox(20, 20, 80, 80);
  const WRect b = WorldBox(120, 20, 180, 80);
  Make(kRectangleObject, a, Area(kColourBlack, 1));
  Make(kRectangleObject, b, Area(kColourBlack, 1));
  std::array<char, kThematicRecordSize> record{};
  // Colour index 15 (Red) as "F", everything else kept.
  const char code[] = "FXXXX";
  std::copy_n(code, kThematicCodeLength, record.data() + kThematicCodeOffset);
  ASSERT_EQ(SetThematicSlot(3, {{b.x1, b.y1}}, {record}), 0);
  DrawMapHooks hooks;
  hooks.thematicNumber = [](int32_t, int32_t) { return -3; };
  SetDrawMapHooks(hooks);
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(image.pixel(50, 50), kMapColour) << "not in the slot";
  EXPECT_EQ(image.pixel(150, 50), qRgb(255, 0, 0));
}

TEST_F(DrawMapTest, PicturesAreScaledIntoTheirBoxOrStandInWithPatternFour) {
  InstallQtDrawing();
  QImage picture(10, 10, QImage::Format_RGB32);
  picture.fill(qRgb(0, 200, 0));
  ASSERT_TRUE(picture.save(
      QString::fromStdString((root / "OverlayMaps" / "Harbour" / "dock.png").string())));
  ObjectGraphics g;
  const std::string dock = "dock.png";
  const std::string missing = "gone.png";
  Make(kPictureObject, WorldBox(50, 50, 150, 150), g, "", nullptr, &dock);
  Make(kPictureObject, WorldBox(200, 50, 300, 150), g, "", nullptr, &missing);
  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(image.pixel(100, 100), qRgb(0, 200, 0));
  EXPECT_EQ(image.pixel(60, 140), qRgb(0, 200, 0));
  const uint8_t* rows = PatternRows(4, false);
  int matching = 0;
  for (int y = 70; y < 130; ++y) {
    for (int x = 220; x < 280; ++x) {
      const QRgb expected = PatternBit(rows, x, y) ? kMapColour : qRgb(0, 0, 0);
      matching += image.pixel(x, y) == expected;
    }
  }
  EXPECT_EQ(matching, 60 * 60) << "the missing picture's box";
  SetPictureReader({});
}

TEST_F(DrawMapTest, SelectionTagsSitOnCornersAndVerticesAndUndoThemselves) {
  const int32_t box = Make(kRectangleObject, WorldBox(100, 100, 200, 180), Area(kColourBlack, 2));
  const std::vector<WPoint> line = {World(250, 50), World(300, 60), World(300, 60),
                                    World(350, 120)};
  const int32_t path = Make(kPolylineObject, {line[0].x, line[3].y, line[3].x, line[0].y},
                            Area(kColourBlack, 2, 1), "", Points(line));
  ASSERT_EQ(FlushBufferedFiles(), 0);
  const QImage before = image.copy();
  const std::vector<ObjectRef> selected = {{harbour, roads, box}, {harbour, roads, path}};
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_EQ(DrawSelectionTags(port, CurrentMapView(), {0, 0, kWidth, kHeight}, selected, false),
              0);
  }
  // Four corners and three distinct vertices: seven 9 x 9 squares.
  EXPECT_EQ(ChangedPixels(), 7 * 81);
  EXPECT_NE(image.pixel(100, 100), kMapColour);
  EXPECT_NE(image.pixel(300, 60), kMapColour);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    ASSERT_EQ(DrawSelectionTags(port, CurrentMapView(), {0, 0, kWidth, kHeight}, selected, false),
              0);
  }
  EXPECT_EQ(image, before);
}

TEST_F(DrawMapTest, BadRecordsStopTheirOverlayFileAndTheRestStillDraws) {
  const int32_t odd = Make(kRectangleObject, WorldBox(20, 20, 60, 60), Area(kColourBlack, 1));
  const int32_t unreadable =
      Make(kRectangleObject, WorldBox(80, 20, 120, 60), Area(kColourBlack, 1));
  Make(kRectangleObject, WorldBox(140, 20, 180, 60), Area(kColourBlack, 1));
  std::string other = "Other";
  int32_t otherIndex = -1;
  ASSERT_EQ(AddLayer(other, false, false, false, otherIndex), 0);
  const int32_t roadsID = roads;
  roads = LayerAt(otherIndex).layerID;
  Make(kRectangleObject, WorldBox(200, 100, 260, 160), Area(kColourBlue, 1));
  ASSERT_EQ(FlushBufferedFiles(), 0);
  CloseBufferedFiles();
  // An unknown kind (9) in the first record and an unreadable second record.
  const int32_t mapIndex = MapNameToIndex("Harbour");
  OverlayFileRecord entry;
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, OverlayFileIndexForID(mapIndex, roadsID), entry));
  const fs::path objects =
      root / "OverlayMaps" / "Harbour" / (std::string(entry.baseName) + ".OBJ");
  std::string bytes = ReadWholeFile(objects);
  ASSERT_GT(bytes.size(), static_cast<size_t>(unreadable + 26));
  bytes[static_cast<size_t>(odd + kObjTypeOffset)] = 9;
  bytes[static_cast<size_t>(unreadable + kObjVersionFlagsOffset + 3)] = 2;
  WriteWholeFile(objects, bytes);

  ASSERT_EQ(Draw(), 0);
  EXPECT_EQ(image.pixel(40, 40), kMapColour) << "the unknown kind is not drawn";
  EXPECT_EQ(image.pixel(100, 40), kMapColour);
  EXPECT_EQ(image.pixel(160, 40), kMapColour) << "the overlay file stops at the bad record";
  EXPECT_EQ(image.pixel(230, 130), qRgb(0, 0, 255)) << "other overlays still draw";
  ASSERT_GE(platform().alerts.size(), 2u);
  EXPECT_EQ(
      platform().alerts[0].text,
      "Technical error while drawing: Unknown object type: 9\nOffset: " + std::to_string(odd));
  EXPECT_FALSE(DrawIncomplete());
}

TEST_F(DrawMapTest, DeferredLabelsAreDrawnOpaqueAfterTheirOverlay) {
  Make(kRectangleObject, WorldBox(100, 100, 300, 200), Area(kColourBlack, 1));
  const WPoint at = World(200, 150);
  DrawMapHooks hooks;
  // The thematic look-up runs inside the pass, where labels can be queued.
  hooks.thematicNumber = [at](int32_t, int32_t) {
    QueueDeferredLabel("Staging area", at, kColourRed);
    return 0;
  };
  SetDrawMapHooks(hooks);
  ASSERT_EQ(Draw(), 0);
  // On the black rectangle, the label's white background and red text show.
  const QRect around(150, 140, 100, 20);
  EXPECT_GT(CountPixels(around, qRgb(255, 255, 255)), 100);
  int reddish = 0;
  for (int y = around.top(); y <= around.bottom(); ++y) {
    for (int x = around.left(); x <= around.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      reddish += qRed(p) > 150 && qGreen(p) < 100;
    }
  }
  EXPECT_GT(reddish, 20);
  EXPECT_EQ(image.pixel(110, 110), qRgb(0, 0, 0)) << "away from the label the fill stays";
}

TEST_F(DrawMapTest, RequestOptionsPickPatternedOrOtherObjects) {
  Make(kRectangleObject, WorldBox(20, 20, 80, 80), Area(kColourBlack, 13));
  Make(kRectangleObject, WorldBox(120, 20, 180, 80), Area(kColourBlack, 1));
  const WPoint p = World(250, 50);
  ObjectGraphics g;
  g.colour = kColourBlack;
  g.variant = 3;
  Make(kPointObject, {p.x, p.y, p.x, p.y}, g);
  SetLayer([](LayerRecord& l) { l.scales[3] = kScale; });  // the symbol as a dot
  ASSERT_EQ(FlushBufferedFiles(), 0);
  auto drawWith = [&](bool patterned, bool others) {
    image.fill(kMapColour);
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapRequest request;
    request.options.patternedOnly = patterned;
    request.options.unpatternedOnly = others;
    request.interrupted = [] { return false; };
    return DrawMap(port, CurrentMapView(), {0, 0, kWidth, kHeight}, request);
  };
  ASSERT_EQ(drawWith(true, false), 0);
  EXPECT_LT(CountPixels(QRect(30, 30, 40, 40), kMapColour), 1600) << "the patterned area";
  EXPECT_EQ(image.pixel(150, 50), kMapColour);
  EXPECT_EQ(image.pixel(250, 50), kMapColour);
  ASSERT_EQ(drawWith(false, true), 0);
  EXPECT_EQ(CountPixels(QRect(30, 30, 40, 40), kMapColour), 1600);
  EXPECT_EQ(image.pixel(150, 50), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(250, 50), qRgb(0, 0, 0)) << "everything else";
}

TEST_F(DrawMapTest, LabelsGoUnderObjectsOnScreenAndBesideThemInPictureFiles) {
  SetLayer([](LayerRecord& l) { l.displayMode = kDisplayShowNames; });
  Make(kRectangleObject, WorldBox(100, 100, 160, 140), Area(kColourYellow, 2, 1), "Depot");
  ASSERT_EQ(Draw(), 0);
  // Yellow objects get black labels, 14 pixels under the bottom edge.
  const QRect under(100, 152, 60, 16);
  EXPECT_GT(CountPixels(under, qRgb(0, 0, 0)), 5);
  EXPECT_EQ(CountPixels(QRect(170, 100, 80, 40), kMapColour), 80 * 40);

  image.fill(kMapColour);
  {
    QtDrawPort port(image, DeviceKind::kBitmap);
    DrawMapRequest request;
    request.interrupted = [] { return false; };
    ASSERT_EQ(DrawMap(port, CurrentMapView(), {0, 0, kWidth, kHeight}, request), 0);
  }
  EXPECT_EQ(CountPixels(under, kMapColour), 60 * 16) << "not under it";
  EXPECT_GT(CountPixels(QRect(170, 100, 80, 40), qRgb(0, 0, 0)), 5) << "beside it";
}

TEST_F(DrawMapTest, LifeCycleHooksQueueRedrawsAndMeasureTexts) {
  WireCore();
  InstallQtDrawing();
  const LifeCycleHooks& hooks = CurrentLifeCycleHooks();
  ASSERT_TRUE(hooks.redrawArea && hooks.textRect && hooks.removeFromSelections);

  ResetIdleWorkForTesting();
  hooks.redrawArea({1, 1, 2, 2});
  EXPECT_EQ(QueuedChangeCount(), 0) << "a change outside the view asks for nothing";
  hooks.redrawArea(WorldBox(10, 10, 20, 20));
  EXPECT_EQ(QueuedChangeCount(), 1);
  EXPECT_EQ(RedrawCountdown(), kRedrawCountdownSteps);
  ResetIdleWorkForTesting();

  ObjectGraphics g;
  g.textValue = kFontArial;
  g.textCode = 1;
  const WRect given = WorldBox(100, 100, 101, 101);
  WRect one, wide, tall;
  ASSERT_TRUE(hooks.textRect("Pier", g, given, one));
  ASSERT_TRUE(hooks.textRect("Pier and ferry terminal", g, given, wide));
  ASSERT_TRUE(hooks.textRect("Pier\rFerry", g, given, tall));
  EXPECT_EQ(one.x1, given.x1);
  EXPECT_EQ(one.y2, given.y2);
  EXPECT_GT(wide.x2, one.x2);
  EXPECT_EQ(wide.y1, one.y1);
  EXPECT_LT(tall.y1, one.y1);
  SetLifeCycleHooks({});
}

}  // namespace
}  // namespace tlv::test
