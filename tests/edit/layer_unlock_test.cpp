// What the Unlocking Overlay dialog is told about an overlay: the maps holding its objects and
// which of them still refuse edits once it is unlocked (locked, indexed, or owned by an
// application that refuses), and that unlocking keeps an application's ownership.
#include "edit/layer_unlock.h"

#include <gtest/gtest.h>

#include "catalogue/display_settings.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

class LayerUnlockTest : public test::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    const auto harbour = MakeMap("Harbour", "Harbour");
    MakeLayerFile(harbour, "ROADS", "Roads", 3);
    const auto plant = MakeMap("Plant", "Plant");
    test::WriteWholeFile(plant / "NAME.MAP", test::NameDotMapBytes("Plant", "ZPHA"));
    MakeLayerFile(plant, "ROADS", "Roads", 5);
    const auto archive = MakeMap("Archive", "Archive");
    MakeLayerFile(archive, "ROADS", "Roads", 1);
    MakeMap("Empty", "Empty");
    ASSERT_EQ(LoadAll(), 0);
  }
  static MapRecord& Edit(MapRecord& map, const char* name) {
    EXPECT_TRUE(GetMapRecord(MapNameToIndex(name), map));
    return map;
  }
};

TEST_F(LayerUnlockTest, ReportsEveryMapHoldingTheOverlayAndWhatStillRefuses) {
  MapRecord map;
  Edit(map, "Archive").locked = 1;
  SetMapRecord(MapNameToIndex("Archive"), map);
  UnlockReport report;
  const int32_t roads = LayerNameToIndex("Roads");
  ASSERT_EQ(CheckUnlockLayer(roads, report), 0);
  EXPECT_EQ(report.layerName, "Roads");
  EXPECT_TRUE(report.locked) << "every overlay loads locked";
  EXPECT_FALSE(report.ownedByApplication);
  ASSERT_EQ(report.maps.size(), 3u) << "the map without its files is not listed";
  int32_t objects = 0;
  for (const UnlockMapNote& note : report.maps) {
    objects += note.objectCount;
    if (note.mapName == "Archive") {
      EXPECT_TRUE(note.locked);
      EXPECT_FALSE(note.editable);
    } else if (note.mapName == "Plant") {
      EXPECT_EQ(note.owner, "ZPHA");
      EXPECT_TRUE(note.editable) << "an owner without policies from a message refuses nothing";
    } else {
      EXPECT_EQ(note.mapName, "Harbour");
      EXPECT_TRUE(note.owner.empty());
      EXPECT_TRUE(note.editable);
    }
  }
  EXPECT_EQ(objects, 9);
  EXPECT_EQ(report.editableMaps, 2);

  // An owner that refuses new objects and dragging leaves nothing to edit on its map.
  Edit(map, "Plant").policies[4] = 1;
  map.policies[3] = 1;
  SetMapRecord(MapNameToIndex("Plant"), map);
  ASSERT_EQ(CheckUnlockLayer(roads, report), 0);
  EXPECT_EQ(report.editableMaps, 1);
  EXPECT_EQ(CheckUnlockLayer(99, report), kErrGeneral);
}

TEST_F(LayerUnlockTest, UnlockingKeepsOwnershipAndSetsTheProgramWideFlag) {
  const int32_t roads = LayerNameToIndex("Roads");
  LayerRecord layer;
  ASSERT_TRUE(GetLayerRecord(roads, layer));
  layer.lockState = kLockedBit | kOwnedBit;
  layer.flags = kNoDeleteFlag;
  SetLayerRecord(roads, layer);
  for (int32_t i = 0; i < LayerCount(); ++i) LockLayer(i);
  EXPECT_FALSE(AnyLayerUnlocked());

  UnlockReport report;
  ASSERT_EQ(CheckUnlockLayer(roads, report), 0);
  EXPECT_TRUE(report.ownedByApplication);
  EXPECT_FALSE(report.deleteAllowed);

  ASSERT_EQ(UnlockLayer(roads), 0);
  ASSERT_TRUE(GetLayerRecord(roads, layer));
  EXPECT_EQ(layer.lockState, kOwnedBit) << "owned and unlocked";
  EXPECT_FALSE(SomeLayerUnlocked()) << "only lock state 0 lets the user add objects";

  const int32_t temporary = LayerNameToIndex("Temporary Overlay");
  ASSERT_EQ(UnlockLayer(temporary), 0);
  EXPECT_TRUE(SomeLayerUnlocked());
  ASSERT_EQ(LockLayer(temporary), 0);
  EXPECT_FALSE(SomeLayerUnlocked());
  EXPECT_EQ(UnlockLayer(-1), kErrGeneral);
}

}  // namespace
}  // namespace tlv
