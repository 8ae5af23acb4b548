// Picking under a click and inside a dragged area, through the real catalogue and object files.
#include "search/pick.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "edit/selection.h"
#include "render/map_view.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

constexpr int16_t kFilled = 1;  // solid black fill
constexpr int16_t kNoFill = 2;  // outline only
constexpr int32_t kCentreX = 190000000;
constexpr int32_t kCentreY = 130000000;
constexpr int32_t kScale = 24000;

class PickTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetSelectionForTesting();
    ResetPickForTesting();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(kScale, kCentreX, kCentreY);
  }
  void TearDown() override {
    ResetSelectionForTesting();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  // World units of y per pixel at the test's view.
  static int32_t Pixels(double n) { return static_cast<int32_t>(n * ViewUnitsPerPixel()); }

  ScreenPoint Screen(WPoint p) { return WorldToScreenPoint(CurrentViewMapping(), p); }
  WPoint World(ScreenPoint s) { return ScreenToWorldPoint(CurrentViewMapping(), s); }

  int32_t Line(int32_t overlayID, const std::vector<WPoint>& at, int16_t type = kPolylineObject,
               int16_t fill = kNoFill) {
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(at.size() * sizeof(WPoint))));
    WRect rect = kUnionStartRect;
    for (size_t i = 0; i < at.size(); ++i) {
      std::memcpy(*points.get() + i * sizeof(WPoint), &at[i], sizeof(WPoint));
      UnionWRect(rect, {at[i].x, at[i].y, at[i].x, at[i].y});
    }
    ObjectGraphics graphics;
    graphics.colour = 3;
    graphics.lineType = 1;
    graphics.fillPattern = fill;
    return MakeObject(harbour, overlayID, type, "Line", &graphics, rect, points.get());
  }
  int32_t Box(int32_t overlayID, int16_t type, const WRect& r, int16_t fill) {
    ObjectGraphics graphics;
    graphics.colour = 1;
    graphics.lineType = 1;
    graphics.fillPattern = fill;
    return MakeObject(harbour, overlayID, type, "Box", &graphics, r);
  }
  int32_t Symbol(int32_t overlayID, WPoint at) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    return MakeObject(harbour, overlayID, kPointObject, "Tower", &graphics,
                      {at.x, at.y - 10, at.x + 10, at.y});
  }

  bool PickAt(ScreenPoint s, ObjectRef& object) {
    bool found = false;
    EXPECT_EQ(PickObjectAt(World(s), kPickReachPixels, nullptr, object, found), 0);
    return found;
  }
  std::vector<int32_t> Selected() {
    std::vector<int32_t> positions;
    ObjectRef object;
    for (int32_t i = 0; GetSelectedObject(i, object); ++i) positions.push_back(object.position);
    return positions;
  }
  void Hide(int32_t overlayID) {
    LayerRecord layer = LayerAt(LayerIDToIndex(overlayID));
    layer.displayMode = kDisplayHide;
    SetLayerRecord(LayerIDToIndex(overlayID), layer);
  }
};

TEST_F(PickTest, AClickPicksALineThreePixelsAwayButNotSix) {
  const int32_t line =
      Line(roads, {{kCentreX - Pixels(100), kCentreY}, {kCentreX + Pixels(100), kCentreY}});
  const ScreenPoint on = Screen({kCentreX, kCentreY});
  ObjectRef object;
  ASSERT_TRUE(PickAt({on.x, on.y + 3}, object));
  EXPECT_EQ(object.position, line);
  EXPECT_EQ(object.overlayID, roads);
  EXPECT_EQ(object.mapID, harbour);
  EXPECT_FALSE(PickAt({on.x, on.y + 6}, object));
  EXPECT_FALSE(PickAt({on.x, on.y - 6}, object));
  // Past the end, three pixels along the line is still within reach of the end point.
  const ScreenPoint end = Screen({kCentreX + Pixels(100), kCentreY});
  EXPECT_TRUE(PickAt({end.x + 3, end.y}, object));
  EXPECT_FALSE(PickAt({end.x + 6, end.y}, object));
}

TEST_F(PickTest, TheTopMostObjectWinsLaterOverlaysAndLaterRecordsFirst) {
  const WRect r{kCentreX - Pixels(20), kCentreY - Pixels(20), kCentreX + Pixels(20),
                kCentreY + Pixels(20)};
  const int32_t under = Box(roads, kRectangleObject, r, kFilled);
  const int32_t over = Box(roads, kRectangleObject, r, kFilled);
  ObjectRef object;
  ASSERT_TRUE(PickAt(Screen({kCentreX, kCentreY}), object));
  EXPECT_EQ(object.position, over) << "the later record is drawn on top";
  EXPECT_NE(over, under);
  // Sites is drawn after Roads, so its object lies on top of both.
  const int32_t site = Box(sites, kRectangleObject, r, kFilled);
  ASSERT_TRUE(PickAt(Screen({kCentreX, kCentreY}), object));
  EXPECT_EQ(object.overlayID, sites);
  EXPECT_EQ(object.position, site);
  // A hidden overlay's objects are not on the map.
  Hide(sites);
  ASSERT_TRUE(PickAt(Screen({kCentreX, kCentreY}), object));
  EXPECT_EQ(object.overlayID, roads);
}

TEST_F(PickTest, AreasCountTheirInsideOnlyWhenFilled) {
  const WRect r{kCentreX - Pixels(40), kCentreY - Pixels(40), kCentreX + Pixels(40),
                kCentreY + Pixels(40)};
  Box(roads, kRectangleObject, r, kNoFill);
  ObjectRef object;
  EXPECT_FALSE(PickAt(Screen({kCentreX, kCentreY}), object)) << "the middle of an outline";
  EXPECT_TRUE(PickAt(Screen({r.x1, kCentreY}), object)) << "on its left side";
  const int32_t filled = Box(sites, kCircleObject, r, kFilled);
  ASSERT_TRUE(PickAt(Screen({kCentreX, kCentreY}), object));
  EXPECT_EQ(object.position, filled);
  // The corner of the circle's rectangle is outside the circle: only the outline's rectangle
  // lies there.
  ASSERT_TRUE(PickAt(Screen({r.x1, r.y2}), object));
  EXPECT_EQ(object.overlayID, roads);
  // A polygon drawn with a fill is hit anywhere inside.
  const int32_t poly = Line(sites,
                            {{kCentreX + Pixels(60), kCentreY},
                             {kCentreX + Pixels(120), kCentreY},
                             {kCentreX + Pixels(90), kCentreY + Pixels(60)}},
                            kPolygonObject, kFilled);
  ASSERT_TRUE(PickAt(Screen({kCentreX + Pixels(90), kCentreY + Pixels(20)}), object));
  EXPECT_EQ(object.position, poly);
}

TEST_F(PickTest, TheOverlaysDefaultFillDecidesInGraphicsOverrideMode) {
  const WRect r{kCentreX - Pixels(40), kCentreY - Pixels(40), kCentreX + Pixels(40),
                kCentreY + Pixels(40)};
  Box(roads, kRectangleObject, r, kFilled);
  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.graphicsOverride = 1;
  layer.graphics[4] = kNoFill;
  SetLayerRecord(LayerIDToIndex(roads), layer);
  ObjectRef object;
  EXPECT_FALSE(PickAt(Screen({kCentreX, kCentreY}), object));
}

TEST_F(PickTest, ASymbolIsHitOnItsGlyphUnlessDrawnAsADot) {
  const int32_t tower = Symbol(roads, {kCentreX, kCentreY});
  const ScreenPoint at = Screen({kCentreX, kCentreY});
  ObjectRef object;
  ASSERT_TRUE(PickAt({at.x + 9, at.y - 9}, object));
  EXPECT_EQ(object.position, tower);
  EXPECT_FALSE(PickAt({at.x + 16, at.y}, object));
  // From the dots scale outwards the symbol is a dot: only the 4-pixel reach counts.
  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.scales[3] = 1000;
  SetLayerRecord(LayerIDToIndex(roads), layer);
  EXPECT_FALSE(PickAt({at.x + 9, at.y - 9}, object));
  EXPECT_TRUE(PickAt({at.x + 2, at.y - 2}, object));
}

TEST_F(PickTest, ClicksReplaceToggleAndClearTheSelection) {
  const int32_t a =
      Line(roads, {{kCentreX - Pixels(100), kCentreY}, {kCentreX + Pixels(100), kCentreY}});
  const int32_t b = Line(roads, {{kCentreX - Pixels(100), kCentreY + Pixels(50)},
                                 {kCentreX + Pixels(100), kCentreY + Pixels(50)}});
  const ScreenPoint onA = Screen({kCentreX, kCentreY});
  const ScreenPoint onB = Screen({kCentreX, kCentreY + Pixels(50)});
  platform().fixedClock = true;
  platform().fixedTicks = 100;
  SelectClickResult result;
  ASSERT_EQ(SelectToolClick(onA, false, 30, result), 0);
  EXPECT_TRUE(result.picked);
  EXPECT_FALSE(result.repeated);
  EXPECT_EQ(Selected(), std::vector<int32_t>{a});
  EXPECT_EQ(ClickPoint().x, World(onA).x) << "the Click Point moves to the click";
  platform().fixedTicks = 200;
  SelectToolClick(onB, false, 30, result);
  EXPECT_EQ(Selected(), std::vector<int32_t>{b}) << "a plain click replaces";
  SelectToolClick(onA, true, 30, result);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{b, a})) << "Shift or Ctrl adds";
  platform().fixedTicks = 300;
  SelectToolClick(onB, true, 30, result);
  EXPECT_EQ(Selected(), std::vector<int32_t>{a}) << "and removes";
  EXPECT_FALSE(SelectionToggleMode()) << "toggle mode lasts one click";
  SelectToolClick({onA.x, onA.y + 20}, true, 30, result);
  EXPECT_EQ(Selected(), std::vector<int32_t>{a}) << "empty ground with a modifier keeps it";
  SelectToolClick({onA.x, onA.y + 20}, false, 30, result);
  EXPECT_TRUE(Selected().empty()) << "empty ground clears";
  EXPECT_FALSE(result.picked);
}

TEST_F(PickTest, TheSameObjectWithinTheDoubleClickTimeIsARepeat) {
  Line(roads, {{kCentreX - Pixels(100), kCentreY}, {kCentreX + Pixels(100), kCentreY}});
  const ScreenPoint on = Screen({kCentreX, kCentreY});
  platform().fixedClock = true;
  platform().fixedTicks = 1000;
  SelectClickResult result;
  SelectToolClick(on, false, 30, result);
  platform().fixedTicks = 1020;
  SelectToolClick(on, false, 30, result);
  EXPECT_TRUE(result.repeated);
  EXPECT_EQ(Selected().size(), 1u) << "the second click keeps the object selected";
  platform().fixedTicks = 1100;
  SelectToolClick(on, false, 30, result);
  EXPECT_FALSE(result.repeated) << "too late";
  platform().fixedTicks = 1110;
  SelectToolClick({on.x, on.y + 40}, false, 30, result);
  platform().fixedTicks = 1115;
  SelectToolClick(on, false, 30, result);
  EXPECT_FALSE(result.repeated) << "a click elsewhere in between";
}

TEST_F(PickTest, ARectangleSelectsWhatTouchesOrLiesInItOnTheChosenOverlays) {
  const int32_t crossing =
      Line(roads, {{kCentreX - Pixels(100), kCentreY}, {kCentreX + Pixels(100), kCentreY}});
  const int32_t inside = Symbol(roads, {kCentreX + Pixels(5), kCentreY + Pixels(5)});
  Line(roads, {{kCentreX - Pixels(100), kCentreY + Pixels(80)},
               {kCentreX + Pixels(100), kCentreY + Pixels(80)}});
  // A filled polygon holding the whole rectangle, and an outline that does.
  const int32_t holding = Line(sites,
                               {{kCentreX - Pixels(150), kCentreY - Pixels(50)},
                                {kCentreX + Pixels(150), kCentreY - Pixels(50)},
                                {kCentreX, kCentreY + Pixels(60)}},
                               kPolygonObject, kFilled);
  Line(sites,
       {{kCentreX - Pixels(150), kCentreY - Pixels(50)},
        {kCentreX + Pixels(150), kCentreY - Pixels(50)},
        {kCentreX, kCentreY + Pixels(60)}},
       kPolygonObject, kNoFill);
  const PickArea area =
      ScreenDragArea(Screen({kCentreX - Pixels(20), kCentreY + Pixels(20)}),
                     Screen({kCentreX + Pixels(20), kCentreY - Pixels(20)}), false);
  int32_t count = 0;
  ASSERT_EQ(SelectObjectsInArea(area, ShownOverlayIDs(), false, count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{crossing, inside, holding}));
  ASSERT_EQ(SelectObjectsInArea(area, {sites}, false, count), 0);
  EXPECT_EQ(Selected(), std::vector<int32_t>{holding}) << "only the chosen overlay";
  ASSERT_EQ(SelectObjectsInArea(area, {roads}, true, count), 0);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{holding, crossing, inside})) << "added";
}

TEST_F(PickTest, ACircleFromItsCentreSelectsWhatComesWithinItsRadius) {
  const int32_t near = Line(roads, {{kCentreX - Pixels(100), kCentreY + Pixels(30)},
                                    {kCentreX + Pixels(100), kCentreY + Pixels(30)}});
  Line(roads, {{kCentreX - Pixels(100), kCentreY + Pixels(50)},
               {kCentreX + Pixels(100), kCentreY + Pixels(50)}});
  const ScreenPoint centre = Screen({kCentreX, kCentreY});
  const PickArea area = ScreenDragArea(centre, {centre.x + 40, centre.y}, true);
  EXPECT_TRUE(area.circle);
  EXPECT_GT(area.radiusMiles, 0);
  std::vector<ObjectRef> found;
  ASSERT_EQ(FindObjectsInArea(area, nullptr, found), 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].position, near);
}

TEST_F(PickTest, AliasesAreNeverPicked) {
  const WRect r{kCentreX - Pixels(40), kCentreY - Pixels(40), kCentreX + Pixels(40),
                kCentreY + Pixels(40)};
  PickShape shape;
  shape.type = kAliasObject;
  shape.rect = r;
  EXPECT_FALSE(
      ShapeNearPoint(shape, {kCentreX, kCentreY}, ReachAround({kCentreX, kCentreY}, 1, 5), 100));
  PickArea area;
  area.rect = r;
  EXPECT_FALSE(ShapeTouchesArea(shape, area));
}

}  // namespace
}  // namespace tlv
