// The drawing pass and the selection tags see live objects only: deleted records (which stay in
// the files until compaction) are passed over without a fault, thematic slots find their objects
// by location wherever the walk skips, and every tag position is drawn once.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue/walks.h"
#include "qt/draw_map_fixture.h"
#include "render/selection_tags.h"

namespace tlv::test {
namespace {

using DrawLiveObjectsTest = DrawMapTest;

TEST_F(DrawLiveObjectsTest, DeletedObjectsAreLeftOutAndTheRestOfTheOverlayStillDraws) {
  // The first and a middle object deleted: the walk meets a deleted record before live ones.
  const int32_t first = Make(kRectangleObject, WorldBox(20, 20, 60, 60), Area(kColourRed, 1));
  Make(kRectangleObject, WorldBox(80, 20, 120, 60), Area(kColourBlue, 1));
  const int32_t middle = Make(kRectangleObject, WorldBox(140, 20, 180, 60), Area(kColourRed, 1));
  Make(kRectangleObject, WorldBox(200, 20, 240, 60), Area(kColourGreen, 1));
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, first, true, false, false), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, middle, true, false, false), 0);

  ASSERT_EQ(Draw(), 0);
  EXPECT_TRUE(platform().alerts.empty())
      << (platform().alerts.empty() ? "" : platform().alerts.front().text);
  EXPECT_EQ(image.pixel(40, 40), kMapColour) << "deleted";
  EXPECT_EQ(image.pixel(100, 40), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(160, 40), kMapColour) << "deleted";
  EXPECT_EQ(image.pixel(220, 40), qRgb(0, 255, 0));
  EXPECT_FALSE(DrawIncomplete());
}

TEST_F(DrawLiveObjectsTest, ThematicSlotSkipsADeletedObjectAtItsLocation) {
  // An object re-made at the same place (as an import in Update mode does): the deleted record
  // comes first in the file and must not take the slot's entry.
  const WRect box = WorldBox(120, 20, 180, 80);
  const int32_t old = Make(kRectangleObject, box, Area(kColourBlack, 1));
  Make(kRectangleObject, box, Area(kColourBlack, 1));
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, old, true, false, false), 0);
  std::array<char, kThematicRecordSize> record{};
  std::copy_n("FXXXX", kThematicCodeLength, record.data() + kThematicCodeOffset);
  ASSERT_EQ(SetThematicSlot(2, {{box.x1, box.y1}}, {record}), 0);
  DrawMapHooks hooks;
  hooks.thematicNumber = [](int32_t, int32_t) { return -2; };
  SetDrawMapHooks(hooks);

  ASSERT_EQ(Draw(), 0);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(image.pixel(150, 50), qRgb(255, 0, 0)) << "the live object takes the slot's code";
}

TEST_F(DrawLiveObjectsTest, ThematicSlotFindsItsObjectsPastSkippedIndexBlocks) {
  // A first block of 1000 objects far from the view, its first one listed in the slot, then one
  // listed object in the view. The walk skips the whole first block through the index.
  const WRect away = WorldBox(-4000, -4000, -3990, -3990);
  BeginObjectBatch();
  for (int i = 0; i < kSM2BlockRecords; ++i) Make(kRectangleObject, away, Area(kColourBlack, 1));
  const WRect seen = WorldBox(120, 20, 180, 80);
  const WRect second = WorldBox(220, 20, 280, 80);
  Make(kRectangleObject, seen, Area(kColourBlack, 1));
  Make(kRectangleObject, second, Area(kColourBlack, 1));
  ASSERT_EQ(EndObjectBatch(), 0);
  const int32_t mapIndex = MapNameToIndex("Harbour");
  bool written = false;
  ASSERT_EQ(WriteSM2File(mapIndex, OverlayFileIndexForID(mapIndex, roads), written), 0);
  ASSERT_TRUE(written);

  std::array<char, kThematicRecordSize> red{}, blue{};
  std::copy_n("FXXXX", kThematicCodeLength, red.data() + kThematicCodeOffset);
  std::copy_n("BXXXX", kThematicCodeLength, blue.data() + kThematicCodeOffset);
  ASSERT_EQ(SetThematicSlot(1, {{away.x1, away.y1}, {seen.x1, seen.y1}, {second.x1, second.y1}},
                            {red, red, blue}),
            0);
  DrawMapHooks hooks;
  hooks.thematicNumber = [](int32_t, int32_t) { return -1; };
  SetDrawMapHooks(hooks);

  ASSERT_EQ(Draw(), 0);
  EXPECT_GE(LastSummaryWalkStats().blocksSkipped, 1) << "the first block was not read";
  EXPECT_EQ(image.pixel(150, 50), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(250, 50), qRgb(0, 0, 255)) << "each object takes its own entry's code";
}

// The pixels that differ between two images.
int Differing(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  }
  return n;
}

TEST_F(DrawLiveObjectsTest, SelectionTagsShowOnceAtEachPlaceAndNotForDeletedObjects) {
  // A symbol's rectangle is a point: its four corner tags fall on one place.
  const WPoint at = World(60, 60);
  ObjectGraphics g;
  g.colour = kColourBlack;
  g.symbol = 51;
  const int32_t symbol = Make(kPointObject, {at.x, at.y, at.x, at.y}, g);
  // A closed ring: its last vertex repeats its first.
  const std::vector<WPoint> ring = {World(200, 100), World(300, 100), World(300, 200),
                                    World(200, 100)};
  const int32_t polygon = Make(kPolygonObject, {ring[0].x, ring[2].y, ring[2].x, ring[0].y},
                               Area(kColourBlack, 2, 1), "", Points(ring));
  const int32_t gone = Make(kRectangleObject, WorldBox(100, 200, 150, 250), Area(kColourBlack, 2));
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, gone, true, false, false), 0);
  ASSERT_EQ(FlushBufferedFiles(), 0);
  const QImage before = image.copy();
  const std::vector<ObjectRef> selected = {
      {harbour, roads, symbol}, {harbour, roads, polygon}, {harbour, roads, gone}};
  auto drawTags = [&] {
    QtDrawPort port(image, DeviceKind::kScreen);
    return DrawSelectionTags(port, CurrentMapView(), {0, 0, kWidth, kHeight}, selected, false);
  };
  ASSERT_EQ(drawTags(), 0);
  EXPECT_TRUE(platform().alerts.empty());
  // One tag for the symbol and three for the triangle's corners.
  EXPECT_EQ(Differing(image, before), 4 * 81);
  EXPECT_NE(image.pixel(60, 60), kMapColour);
  EXPECT_NE(image.pixel(200, 100), kMapColour) << "the ring's first vertex";
  EXPECT_EQ(image.pixel(100, 200), kMapColour) << "no tag for the deleted object";
  ASSERT_EQ(drawTags(), 0);
  EXPECT_EQ(image, before) << "drawn again, the tags go";
}

}  // namespace
}  // namespace tlv::test
