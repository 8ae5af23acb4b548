// Random sequences of the editing commands from fixed seeds: objects and aliases made, deleted,
// moved to another overlay or map, recoloured and undone, in every order, with what must always
// hold checked after each step.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "edit/edit_fixture.h"

namespace tlv {
namespace {

class EditSequenceTest : public test::EditTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  struct Live {
    ObjectRef object;
    bool alias = false;
  };

  std::vector<Live> LiveObjects() {
    std::vector<Live> live;
    for (int32_t mapID : {harbour, inland}) {
      for (int32_t overlayID : {roads, sites}) {
        for (int32_t position : LivePositions(mapID, overlayID)) {
          live.push_back(
              {{mapID, overlayID, position}, TypeOf(mapID, overlayID, position) == kAliasObject});
        }
      }
    }
    return live;
  }

  // Every live alias stands for a live object of its own overlay file, and no two live records of
  // one overlay file share an ID.
  ::testing::AssertionResult AliasesAndIDsSound() {
    for (int32_t mapID : {harbour, inland}) {
      for (int32_t overlayID : {roads, sites}) {
        std::set<std::pair<int32_t, int32_t>> ids;
        for (const SummaryRecord& r : Summaries(mapID, overlayID)) {
          if (!SummaryRecordLive(r)) continue;
          if (!ids.insert({r.idHigh, r.idLow}).second) {
            return ::testing::AssertionFailure()
                   << "two live records with ID " << ObjectIDText({r.idHigh, r.idLow}) << " in map "
                   << mapID << " overlay " << overlayID;
          }
        }
        for (int32_t position : LivePositions(mapID, overlayID)) {
          if (TypeOf(mapID, overlayID, position) != kAliasObject) continue;
          WRect standsFor;
          EXPECT_EQ(FSGetObjectWorldRect(Objects(mapID, overlayID), position, standsFor), 0);
          if (ids.count({standsFor.x1, standsFor.y1}) == 0) {
            return ::testing::AssertionFailure()
                   << "the live alias at " << position << " in map " << mapID << " overlay "
                   << overlayID << " stands for no live object";
          }
        }
      }
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_P(EditSequenceTest, WhatMustHoldHoldsAfterEveryStepAndUndoTwiceGivesTheSameFiles) {
  std::mt19937 random(GetParam());
  auto pick = [&random](size_t n) {
    return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(random));
  };
  const int32_t maps[2] = {harbour, inland};
  const int32_t overlays[2] = {roads, sites};
  std::string last;
  for (int step = 0; step < 150; ++step) {
    std::vector<Live> live = LiveObjects();
    std::vector<Live> objects;
    for (const Live& l : live) {
      if (!l.alias) objects.push_back(l);
    }
    const size_t action = pick(8);
    RemoveAllSelectedObjects();
    auto selectSome = [&]() {
      // Aliases and objects alike, in a random order.
      for (size_t n = 1 + pick(3); n > 0 && !live.empty(); --n) {
        const ObjectRef& o = live[pick(live.size())].object;
        if (!IsSelected(o.mapID, o.overlayID, o.position)) Select(o.mapID, o.overlayID, o.position);
      }
    };
    if (action == 0 || objects.size() < 3) {
      last = "make";
      MakePoint(maps[pick(2)], overlays[pick(2)], "P" + std::to_string(step), 4,
                1000000 + static_cast<int32_t>(pick(1000)) * 1000);
      SetUndoNothing();
    } else if (action == 1) {
      last = "alias";
      const ObjectRef& o = objects[pick(objects.size())].object;
      MakeAlias(o.mapID, o.overlayID, o.position, "A" + std::to_string(step));
      SetUndoNothing();
    } else if (action == 2) {
      last = "delete";
      selectSome();
      ASSERT_EQ(DeleteSelectedObjects2(), 0) << step;
    } else if (action == 3) {
      last = "move to overlay";
      selectSome();
      ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, overlays[pick(2)]), 0) << step;
    } else if (action == 4) {
      last = "move to map";
      selectSome();
      ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, maps[pick(2)]), 0) << step;
    } else if (action == 5) {
      last = "colour";
      selectSome();
      ASSERT_EQ(ModifySelectedObjects(kCommandColour, 1 + static_cast<int32_t>(pick(16))), 0);
    } else {
      last = "undo twice";
      const auto before = Picture();
      ASSERT_EQ(Undo(), 0) << step;
      ASSERT_TRUE(CountsMatchLiveRecords()) << step << " after the first Undo";
      ASSERT_TRUE(AliasesAndIDsSound()) << step << " after the first Undo";
      ASSERT_EQ(Undo(), 0) << step;
      ASSERT_EQ(Picture(), before) << step;
      if (action == 7) {
        ASSERT_EQ(Undo(), 0) << step;
      }
    }
    ASSERT_TRUE(CountsMatchLiveRecords()) << "step " << step << " (" << last << ")";
    ASSERT_TRUE(AliasesAndIDsSound()) << "step " << step << " (" << last << ")";
    platform().alerts.clear();
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditSequenceTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace tlv
