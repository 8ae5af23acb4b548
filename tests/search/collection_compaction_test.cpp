// After a compaction the search collection names the same objects at their new positions, with
// the core wired as the program wires it. The new positions of the kept objects are the old ones
// of the deleted objects before them, so a collection that followed one object at a time would
// mix them up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/wiring.h"
#include "base/object_ids.h"
#include "edit/compaction.h"
#include "search/collection.h"
#include "store/compaction_files.h"
#include "store/map_lock.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class CollectionCompactionTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    WireCore();
    ResetCompactionFilesForTesting();
    ResetMapLocksForTesting();
  }

  int32_t Point(const std::string& name, int32_t x, ObjectID& id) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    return MakeObject(harbour, roads, kPointObject, name, &graphics,
                      {x, 130000000, x + 10, 130000010}, nullptr, &id);
  }
};

TEST_F(CollectionCompactionTest, TheCollectionFollowsItsObjectsToTheirNewPlaces) {
  ObjectID a, b, c, d;
  const int32_t pa = Point("Alpha", 190000000, a);
  const int32_t pb = Point("Bravo", 190000100, b);
  const int32_t pc = Point("Charlie", 190000200, c);
  const int32_t pd = Point("Delta", 190000300, d);
  ASSERT_EQ(CollectObject({harbour, roads, pc}), 1);
  ASSERT_EQ(CollectObject({harbour, roads, pd}), 1);
  ASSERT_EQ(CollectObject({harbour, roads, pa}), 1);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, pa, false, false, false), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, pb, false, false, false), 0);
  CloseBufferedFiles();
  ASSERT_EQ(CompactMapFiles(false, {}, nullptr), 0);

  std::vector<std::pair<std::string, int32_t>> now;  // ID text -> new position
  for (const SummaryRecord& r : Summaries(harbour, roads)) {
    now.emplace_back(ObjectIDText({r.idHigh, r.idLow}), r.position);
  }
  auto positionOf = [&](const ObjectID& id) {
    for (const auto& [text, position] : now) {
      if (text == ObjectIDText(id)) return position;
    }
    return -1;
  };
  std::vector<int32_t> collected;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) collected.push_back(e.position);
  std::sort(collected.begin(), collected.end());
  std::vector<int32_t> expected = {positionOf(c), positionOf(d)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(collected, expected) << "the deleted object left, the others followed";
  EXPECT_NE(positionOf(c), pc);
}

}  // namespace
}  // namespace tlv
