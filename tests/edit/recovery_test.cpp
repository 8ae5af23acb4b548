#include "edit/recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/object_ids.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class RecoveryTest : public test::ObjectsTest {
 protected:
  RecoveryTest() : ObjectsTest(test::FilesKind::kMemory) {}

  int32_t Point(int32_t overlay, const std::string& name, ObjectID* id = nullptr) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    return MakeObject(harbour, overlay, kPointObject, name, &graphics,
                      {100000000, 50000000, 100000010, 50000010}, nullptr, id);
  }

  // The live objects of an overlay on Harbour: (ID text, name).
  std::vector<std::pair<std::string, std::string>> LiveNames(int32_t overlay) {
    std::vector<std::pair<std::string, std::string>> names;
    for (const SummaryRecord& r : Summaries(harbour, overlay)) {
      if (!SummaryRecordLive(r)) continue;
      BufferedFile& file = Objects(harbour, overlay);
      std::string prefix, name;
      EXPECT_EQ(FSGetObjectName(file, r.position, prefix, name), 0);
      names.emplace_back(ObjectIDText({r.idHigh, r.idLow}), name);
    }
    return names;
  }

  int32_t RecoveryID() {
    const int32_t index = LayerNameToIndex("Roads (undeleted)");
    return index < 0 ? -1 : LayerAt(index).layerID;
  }

  RecoverOutcome Recover(const std::string& layer) {
    RecoverOutcome outcome;
    EXPECT_EQ(RecoverDeletedObjectsFromLayer(LayerNameToIndex(layer), outcome), 0)
        << (platform().alerts.empty() ? std::string() : platform().alerts.front().text);
    return outcome;
  }
};

TEST_F(RecoveryTest, NamesAreCutTo19CharactersBeforeTheSuffix) {
  EXPECT_EQ(RecoveryOverlayName("Roads"), "Roads (undeleted)");
  EXPECT_EQ(RecoveryOverlayName("A very long overlay name here"),
            "A very long overlay (undeleted)");
  EXPECT_EQ(RecoveryOverlayName("A very long overlay name here").size(), 31u);
}

TEST_F(RecoveryTest, BringsBackTheNewestVersionOnceAndLeavesLiveObjects) {
  ObjectID first, changed, kept;
  const int32_t atZero = Point(roads, "First", &first);
  ASSERT_EQ(atZero, 0) << "the object at offset 0, whose deleted position is -1";
  const int32_t c = Point(roads, "Old name", &changed);
  Point(roads, "Kept", &kept);
  // Changed and still live: its old record is deleted, but the newest is live.
  ObjectRef edited{harbour, roads, Point(roads, "Edited")};
  ObjectContents longer;
  longer.prefix = "";
  longer.name = "Edited with a name too long for its room";
  ASSERT_EQ(ReplaceObjectContents(edited, harbour, nullptr, longer, 0, 0), 0);
  // Changed so that its record is made anew (the old one stays behind deleted), then deleted.
  ObjectRef ref{harbour, roads, c};
  ObjectContents contents;
  contents.prefix = "";
  contents.name = "A much longer new name that cannot fit";
  ASSERT_EQ(ReplaceObjectContents(ref, harbour, nullptr, contents, 0, 0), 0);
  ASSERT_NE(ref.position, c);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, ref.position, false, false, false), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, atZero, false, false, false), 0);

  const RecoverOutcome outcome = Recover("Roads");
  EXPECT_EQ(outcome.recovered, 2);
  EXPECT_EQ(outcome.recoveryOverlay, "Roads (undeleted)");
  EXPECT_EQ(outcome.message,
            "2 objects were recovered.\r\n\r\nRecovered objects are on the\r\n\"Roads "
            "(undeleted)\" layer.\r\nMove the objects you wish to keep and delete those you do "
            "not wish to keep.");
  const auto back = LiveNames(RecoveryID());
  ASSERT_EQ(back.size(), 2u);
  std::vector<std::pair<std::string, std::string>> expected = {
      {ObjectIDText(first), "First"},
      {ObjectIDText(changed), "A much longer new name that cannot fit"}};
  std::sort(expected.begin(), expected.end());
  auto sorted = back;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, expected);
  // The source overlay is as it was: "Kept" and "Edited" are live there.
  EXPECT_EQ(LiveNames(roads).size(), 2u);

  // Twice: refused until the recovery overlay is emptied.
  const RecoverOutcome again = Recover("Roads");
  EXPECT_EQ(again.recovered, 0);
  EXPECT_EQ(again.message,
            "You must delete the objects on the \"Roads (undeleted)\" layer before you can "
            "recover deleted objects from the \"Roads\" layer.");
  EXPECT_EQ(LiveNames(RecoveryID()).size(), 2u);
  // And never from a recovery overlay.
  EXPECT_EQ(Recover("Roads (undeleted)").message,
            "You cannot recover deleted objects from the \"Roads (undeleted)\" layer.");
}

TEST_F(RecoveryTest, AMovedObjectIsSkippedAndSaidSo) {
  const int32_t moved = Point(roads, "Moved");
  int32_t copy = -1;
  ASSERT_EQ(FSCopyObject({harbour, roads, moved}, harbour, sites, 5, 0, 0, 0, copy, false), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, moved, false, false, false), 0);
  const RecoverOutcome outcome = Recover("Roads");
  EXPECT_EQ(outcome.recovered, 0);
  EXPECT_EQ(outcome.skipped, 1);
  EXPECT_EQ(outcome.message.rfind("No objects were recovered.", 0), 0u);
  EXPECT_NE(outcome.message.find("1 deleted objects were not recovered"), std::string::npos);
  EXPECT_LT(RecoveryID(), 0) << "the empty recovery overlay is removed again";
}

TEST_F(RecoveryTest, AHiddenOverlayYieldsNothing) {
  const int32_t gone = Point(roads, "Gone");
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, gone, false, false, false), 0);
  const int32_t index = LayerNameToIndex("Roads");
  LayerRecord layer = LayerAt(index);
  layer.displayMode = kDisplayHide;
  ASSERT_TRUE(SetLayerRecord(index, layer));
  const RecoverOutcome outcome = Recover("Roads");
  EXPECT_EQ(outcome.recovered, 0);
  EXPECT_EQ(outcome.message, "No objects were recovered.");
  EXPECT_LT(RecoveryID(), 0);
  EXPECT_EQ(AlertsContaining("No objects were recovered."), 1u);
}

TEST_F(RecoveryTest, AnOverlayWithoutFilesYieldsNothing) {
  const RecoverOutcome outcome = Recover("Sites");
  EXPECT_EQ(outcome.recovered, 0);
  EXPECT_EQ(outcome.message, "No objects were recovered.");
  EXPECT_LT(LayerNameToIndex("Sites (undeleted)"), 0);
}

}  // namespace
}  // namespace tlv
