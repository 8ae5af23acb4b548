// "Go to Map": the rectangle of a map's objects from its overlay files, and the note when none
// of them would be seen.
#include "catalogue/map_extent.h"

#include <gtest/gtest.h>

#include "catalogue/display_settings.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

class MapExtentTest : public test::CatalogueTest {};

TEST_F(MapExtentTest, BoundsUniteTheFilesThatHoldObjects) {
  const auto harbour = MakeMap("Harbour", "Harbour");
  test::WriteWholeFile(harbour / "ROADS.LYR",
                       test::LayerHeaderBytes("Roads", 2, {100, 200, 300, 400}));
  test::WriteWholeFile(harbour / "ROADS.OBJ", "");
  test::WriteWholeFile(harbour / "ROADS.SUM", "");
  test::WriteWholeFile(harbour / "SITES.LYR",
                       test::LayerHeaderBytes("Sites", 1, {50, 250, 150, 900}));
  test::WriteWholeFile(harbour / "SITES.OBJ", "");
  test::WriteWholeFile(harbour / "SITES.SUM", "");
  // An empty overlay file's stale bounds do not stretch the map.
  test::WriteWholeFile(harbour / "WELLS.LYR",
                       test::LayerHeaderBytes("Wells", 0, {0, 0, 99999, 99999}));
  test::WriteWholeFile(harbour / "WELLS.OBJ", "");
  test::WriteWholeFile(harbour / "WELLS.SUM", "");
  MakeMap("Empty", "Empty");
  ASSERT_EQ(LoadAll(), 0);
  WRect bounds;
  ASSERT_TRUE(MapObjectBounds(MapNameToIndex("Harbour"), bounds));
  EXPECT_EQ(bounds, (WRect{50, 200, 300, 900}));
  EXPECT_FALSE(MapObjectBounds(MapNameToIndex("Empty"), bounds));
  EXPECT_FALSE(MapObjectBounds(99, bounds));
}

TEST_F(MapExtentTest, TheNoteSaysWhyNothingWouldShow) {
  const auto harbour = MakeMap("Harbour", "Harbour");
  MakeLayerFile(harbour, "ROADS", "Roads", 2);
  ASSERT_EQ(LoadAll(), 0);
  const int32_t map = MapNameToIndex("Harbour");
  EXPECT_EQ(GoToMapNote(map, 24000), 0);
  const int32_t roads = LayerNameToIndex("Roads");
  LayerRecord layer = LayerAt(roads);
  layer.displayMode = kDisplayRange;
  layer.scales[0] = 500;
  layer.scales[1] = 10000;
  SetLayerRecord(roads, layer);
  EXPECT_EQ(GoToMapNote(map, 24000), 574);
  EXPECT_EQ(GoToMapNote(map, 5000), 0);
  MapRecord record = MapAt(map);
  record.inUse = 0;
  SetMapRecord(map, record);
  EXPECT_EQ(GoToMapNote(map, 5000), 573);
}

}  // namespace
}  // namespace tlv
