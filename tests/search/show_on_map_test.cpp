// Showing objects on the map: the show list and its modes, the view each show mode leaves, the
// maps and overlays made visible or skipped, the notes, and the actions.
#include "search/show_on_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "app/wiring.h"
#include "base/strings.h"
#include "edit/selection.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

constexpr int32_t kCentreX = 190000000;
constexpr int32_t kCentreY = 130000000;

class ShowOnMapTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    WireCore();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, kCentreX, kCentreY);
  }
  void TearDown() override {
    ResetMapView();
    ObjectsTest::TearDown();
  }

  int32_t Rect(int32_t overlayID, const WRect& r, int32_t mapID = 0) {
    ObjectGraphics graphics;
    graphics.colour = 1;
    graphics.fillPattern = 2;
    return MakeObject(mapID == 0 ? harbour : mapID, overlayID, kRectangleObject, "Block", &graphics,
                      r);
  }
  int32_t Symbol(int32_t overlayID, WPoint at) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    return MakeObject(harbour, overlayID, kPointObject, "Tower", &graphics,
                      {at.x, at.y - 10, at.x + 10, at.y});
  }
  int32_t Line(int32_t overlayID, const std::vector<WPoint>& at) {
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(at.size() * sizeof(WPoint))));
    WRect rect = kUnionStartRect;
    for (size_t i = 0; i < at.size(); ++i) {
      std::memcpy(*points.get() + i * sizeof(WPoint), &at[i], sizeof(WPoint));
      UnionWRect(rect, {at[i].x, at[i].y, at[i].x, at[i].y});
    }
    ObjectGraphics graphics;
    graphics.colour = 1;
    return MakeObject(harbour, overlayID, kPolylineObject, "Road", &graphics, rect, points.get());
  }
  WPoint ViewCentre() { return WRectCentre(ViewWorldRect()); }
  bool Alerted(const std::string& text) { return AlertsContaining(text) > 0; }
  std::vector<int32_t> SelectedPositions() {
    std::vector<int32_t> out;
    ObjectRef object;
    for (int32_t i = 0; GetSelectedObject(i, object); ++i) out.push_back(object.position);
    return out;
  }
};

TEST_F(ShowOnMapTest, ZoomingToARectangleOfNoWidthCentresAtTheCloseUpScale) {
  const int32_t x = kCentreX + 40000000;  // far outside the view
  const int32_t flat = Rect(roads, {x, kCentreY, x, kCentreY + 5000});
  const ObjectRef object{harbour, roads, flat};
  ASSERT_EQ(ShowOnMap(&object, nullptr, kShowActionNone, kShowModeZoom, kShowListReplace), 0);
  EXPECT_EQ(CurrentMapView().scale, 4500);
  const WPoint centre = ViewCentre();
  EXPECT_NEAR(centre.x, x, 100);
  EXPECT_NEAR(centre.y, kCentreY + 2500, 100);
  EXPECT_EQ(ClickPoint().x, x) << "the Click Point moves to the show point";
  // A rectangle with an area is zoomed to itself.
  const int32_t block = Rect(roads, {x, kCentreY, x + 200000, kCentreY + 100000});
  const ObjectRef other{harbour, roads, block};
  ShowOnMap(&other, nullptr, kShowActionNone, kShowModeZoom, kShowListReplace);
  // The whole rectangle shows, to the rounding of a pixel.
  const int32_t pixel = static_cast<int32_t>(ViewUnitsPerPixel()) + 1;
  EXPECT_TRUE(WRectInWRect({x, kCentreY, x + 200000, kCentreY + 100000},
                           OutsetWRect(ViewWorldRect(), pixel, pixel)));
  EXPECT_GT(CurrentMapView().scale, 100000);
}

TEST_F(ShowOnMapTest, AListWithAnyListModeButAppendIsAProgrammerError) {
  const int32_t a = Symbol(roads, {kCentreX, kCentreY});
  const std::vector<ObjectRef> list{{harbour, roads, a}};
  EXPECT_EQ(ShowOnMap(nullptr, &list, kShowActionNone, kShowModeStay, kShowListRefresh), -1);
  EXPECT_TRUE(Alerted("programmer error in ShowOnMapHelper"));
  EXPECT_TRUE(ShowList().empty());
  EXPECT_EQ(ShowOnMap(nullptr, &list, kShowActionNone, kShowModeStay, kShowListReplace), -1);
}

TEST_F(ShowOnMapTest, ListModesClearReplaceAppendAndRefresh) {
  const int32_t a = Symbol(roads, {kCentreX, kCentreY});
  const int32_t b = Symbol(roads, {kCentreX + 1000, kCentreY});
  const ObjectRef first{harbour, roads, b};
  ShowOnMap(&first, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  const std::vector<ObjectRef> more{{harbour, roads, a}};
  ShowOnMap(nullptr, &more, kShowActionNone, kShowModeStay, kShowListAppend);
  ASSERT_EQ(ShowList().size(), 2u);
  EXPECT_EQ(ShowList()[0].position, a) << "the list out of order at its ends is sorted";
  EXPECT_EQ(ShowPoint().x, kCentreX + 1000) << "the show point stays the first object's";
  ShowOnMap(nullptr, nullptr, kShowActionSelect, kShowModeStay, kShowListRefresh);
  EXPECT_EQ(SelectedPositions(), (std::vector<int32_t>{a, b})) << "refresh shows the list again";
  ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
  EXPECT_TRUE(ShowList().empty());
}

TEST_F(ShowOnMapTest, TheShowPointDependsOnTheKindAndOnTheView) {
  const int32_t x = kCentreX + 30000000;
  const int32_t tower = Symbol(roads, {x, kCentreY});
  ObjectRef object{harbour, roads, tower};
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeKeepOrCentre, kShowListReplace);
  EXPECT_EQ(ShowPoint().x, x);
  EXPECT_EQ(ShowPoint().y, kCentreY);
  // A line outside the view shows at its first point; inside it at its rectangle's centre.
  const int32_t far = Line(roads, {{x + 5000, kCentreY}, {x + 9000, kCentreY + 4000}});
  object = {harbour, roads, far};
  CentreViewOn(24000, kCentreX, kCentreY);
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  EXPECT_EQ(ShowPoint().x, x + 5000);
  CentreViewOn(24000, x + 7000, kCentreY + 2000);
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  EXPECT_EQ(ShowPoint().x, x + 7000);
  EXPECT_EQ(ShowPoint().y, kCentreY + 2000);
}

TEST_F(ShowOnMapTest, KeepingTheViewWhenVisibleCentringWhenNot) {
  const int32_t near = Symbol(roads, {kCentreX + 1000, kCentreY});
  const MapView before = CurrentMapView();
  ObjectRef object{harbour, roads, near};
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeKeepOrFit, kShowListReplace);
  EXPECT_EQ(CurrentMapView().left, before.left);
  EXPECT_EQ(CurrentMapView().top, before.top);
  const int32_t far = Symbol(roads, {kCentreX + 2000000, kCentreY});
  object = {harbour, roads, far};
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeKeepOrCentre, kShowListReplace);
  EXPECT_EQ(CurrentMapView().scale, before.scale);
  EXPECT_NEAR(ViewCentre().x, kCentreX + 2000000, 100);
  // Mode 10 never moves.
  const MapView now = CurrentMapView();
  object = {harbour, roads, near};
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  EXPECT_EQ(CurrentMapView().left, now.left);
}

TEST_F(ShowOnMapTest, SeveralObjectsTooLargeForTheViewAreFittedWithTenPixels) {
  const int32_t west = Symbol(roads, {kCentreX - 3000000, kCentreY});
  const int32_t east = Symbol(roads, {kCentreX + 3000000, kCentreY + 1000000});
  const std::vector<ObjectRef> both{{harbour, roads, west}, {harbour, roads, east}};
  ShowOnMap(nullptr, &both, kShowActionNone, kShowModeKeepOrFit, kShowListAppend);
  const WRect view = ViewWorldRect();
  const double unitsPerPixel = ViewUnitsPerPixel();
  // The wider side fills the view less 10 pixels at each edge.
  const double marginX = (kCentreX - 3000000 - view.x1) *
                         std::cos((kCentreY / 1e6 - 90 + 0.5) * 3.14159265 / 180) / unitsPerPixel;
  EXPECT_NEAR(marginX, 10, 1.5);
  // Mode 6 only centres on the show point, however large the union.
  ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
  CentreViewOn(24000, kCentreX, kCentreY);
  ShowOnMap(nullptr, &both, kShowActionNone, kShowModeKeepOrCentre, kShowListAppend);
  EXPECT_EQ(CurrentMapView().scale, 24000);
  EXPECT_NEAR(ViewCentre().x, kCentreX - 3000000, 100);
}

TEST_F(ShowOnMapTest, MapsArePutInUseAndHiddenOverlaysShownOrSkipped) {
  const int32_t road = Symbol(roads, {kCentreX, kCentreY});
  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.displayMode = kDisplayHide;
  SetLayerRecord(LayerIDToIndex(roads), layer);
  ObjectRef object{harbour, roads, road};
  ShowOnMap(&object, nullptr, kShowActionSelect, kShowModeStay, kShowListReplace, true);
  EXPECT_EQ(ShowList()[0].mapID, -2) << "skipped";
  EXPECT_TRUE(SelectedPositions().empty());
  EXPECT_TRUE(Alerted(MessageText(574)));
  ShowOnMap(&object, nullptr, kShowActionSelect, kShowModeStay, kShowListReplace);
  EXPECT_EQ(LayerAt(LayerIDToIndex(roads)).displayMode, kDisplayShow);
  EXPECT_EQ(SelectedPositions(), std::vector<int32_t>{road});

  MapRecord map = MapAt(MapIDToIndex(harbour));
  map.inUse = 0;
  SetMapRecord(MapIDToIndex(harbour), map);
  platform().alerts.clear();
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeStay, kShowListReplace, true);
  EXPECT_TRUE(Alerted(MessageText(573)));
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  EXPECT_EQ(MapAt(MapIDToIndex(harbour)).inUse, 1);
}

TEST_F(ShowOnMapTest, AnOverlayOutOfRangeAtTheNewScaleIsNoted) {
  const int32_t road = Symbol(roads, {kCentreX, kCentreY});
  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.displayMode = kDisplayRange;
  layer.scales[0] = 10000;
  layer.scales[1] = 100000;
  SetLayerRecord(LayerIDToIndex(roads), layer);
  const ObjectRef object{harbour, roads, road};
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeCloseUp, kShowListReplace);
  EXPECT_TRUE(
      Alerted("Note: Object is not visible because its overlay is not shown at this scale."));
}

TEST_F(ShowOnMapTest, MissingObjectsAreNotedAndFlashingAsksTheWindow) {
  const int32_t road = Symbol(roads, {kCentreX, kCentreY});
  const ObjectRef gone{harbour + 77, roads, road};
  ShowOnMap(&gone, nullptr, kShowActionNone, kShowModeStay, kShowListReplace);
  EXPECT_TRUE(Alerted(MessageText(66)));
  std::vector<ObjectRef> flashed;
  SetShowOnMapHooks({[&flashed](const ObjectRef& o) { flashed.push_back(o); }});
  const ObjectRef object{harbour, roads, road};
  ShowOnMap(&object, nullptr, kShowActionFlash, kShowModeStay, kShowListReplace);
  ASSERT_EQ(flashed.size(), 1u);
  EXPECT_EQ(flashed[0].position, road);
}

TEST_F(ShowOnMapTest, ShowAllGoesThroughAliasesAndSelectsEverything) {
  const int32_t a = Symbol(roads, {kCentreX, kCentreY});
  const int32_t b = Symbol(sites, {kCentreX + 1000, kCentreY});
  // An alias of a, and one whose original is gone.
  BufferedFile& file = Objects(harbour, roads);
  ObjectID id;
  FSGetObjectID(file, a, id.high, id.low);
  const std::string prefix, name = "Mast";
  WRect idRect{id.high, id.low, 0, 0};
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.rect = idRect;
  ObjectID aliasID;
  NewObjectID(aliasID);
  int32_t alias = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, alias), 0);
  idRect = {12345, 678, 0, 0};
  contents.rect = idRect;
  NewObjectID(aliasID);
  int32_t orphan = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, orphan), 0);
  AddCollectedObject(harbour, sites, b, "Towe", 0);
  AddCollectedObject(harbour, roads, alias, "Mast", kCollectionAlias);
  AddCollectedObject(harbour, roads, orphan, "Mast", kCollectionAlias);
  ASSERT_EQ(ShowAllCollectedObjects(), 0);
  EXPECT_TRUE(Alerted("the orginal could not be found."));
  EXPECT_EQ(SelectedPositions(), (std::vector<int32_t>{a, b})) << "map, overlay, position order";
}

}  // namespace
}  // namespace tlv
