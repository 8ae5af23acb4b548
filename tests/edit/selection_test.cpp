#include "edit/selection.h"

#include <gtest/gtest.h>

#include <vector>

#include "edit/edit_fixture.h"

namespace tlv {
namespace {

class SelectionTest : public test::EditTest {
 protected:
  std::vector<ObjectRef> Entries() {
    std::vector<ObjectRef> entries;
    ForEachSelectedObject(
        [&entries](int32_t m, int32_t o, int32_t p) {
          entries.push_back({m, o, p});
          return 0;
        },
        false);
    return entries;
  }
};

TEST_F(SelectionTest, AddingTwiceKeepsOneEntryAndToggleModeRemovesIt) {
  int drawn = 0, erased = 0;
  SelectionHooks hooks;
  hooks.drawTags = [&drawn](const ObjectRef&) { ++drawn; };
  hooks.eraseTags = [&erased](const ObjectRef&) { ++erased; };
  SetSelectionHooks(hooks);
  EXPECT_EQ(AddSelectedObject(harbour, roads, 40), 1);
  EXPECT_EQ(AddSelectedObject(harbour, roads, 40), 1);
  EXPECT_EQ(SelectedObjectCount(), 1);
  EXPECT_EQ(drawn, 1);
  SetSelectionToggleMode(true);
  EXPECT_EQ(AddSelectedObject(harbour, roads, 40), 1);
  EXPECT_EQ(SelectedObjectCount(), 0);
  EXPECT_EQ(erased, 1);
}

TEST_F(SelectionTest, ObjectsOfHiddenOrUnknownOverlaysAreNotSelected) {
  SetLayerField(sites, 0, kDisplayHide);
  EXPECT_EQ(AddSelectedObject(harbour, sites, 0), 1);
  EXPECT_EQ(SelectedObjectCount(), 0);
  EXPECT_EQ(AddSelectedObject(harbour, 99999, 0), 0);
  EXPECT_EQ(SelectedObjectCount(), 0);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_NE(platform().alerts[0].text.find("LayerIDToIndex()"), std::string::npos);
  EXPECT_NE(platform().alerts[0].text.find("AddSelectedObject()"), std::string::npos);
}

TEST_F(SelectionTest, IsSelectedTakesMinusOneAsAWildcard) {
  Select(harbour, roads, 10);
  Select(inland, sites, 20);
  EXPECT_TRUE(IsSelected(-1, roads, -1)) << "anything of that overlay";
  EXPECT_TRUE(IsSelected(inland, -1, -1));
  EXPECT_FALSE(IsSelected(inland, roads, -1));
  EXPECT_FALSE(IsSelected(harbour, roads, 20));
  EXPECT_TRUE(IsSelected(-1, -1, 20));
}

TEST_F(SelectionTest, RemovingMovesLaterEntriesDownAndTheLastLeavesAnEmptyList) {
  Select(harbour, roads, 1);
  Select(harbour, roads, 2);
  Select(harbour, roads, 3);
  ASSERT_EQ(RemoveSelectedObject(harbour, roads, 2, false), 0);
  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].position, 1);
  EXPECT_EQ(entries[1].position, 3);
  ASSERT_EQ(RemoveSelectedObject(harbour, roads, 1, false), 0);
  ASSERT_EQ(RemoveSelectedObject(harbour, roads, 3, false), 0);
  EXPECT_EQ(SelectedObjectCount(), 0);
  EXPECT_NE(SelectionList(), nullptr) << "the list is an empty Handle, never absent";
  Select(harbour, roads, 4);
  EXPECT_EQ(SelectedObjectCount(), 1);
}

TEST_F(SelectionTest, TagsAreErasedOnlyForMapsAndOverlaysThatStillExist) {
  int erased = 0;
  SelectionHooks hooks;
  hooks.eraseTags = [&erased](const ObjectRef&) { ++erased; };
  SetSelectionHooks(hooks);
  Select(harbour, roads, 1);
  Select(harbour, roads, 2);
  RenameSelectedObject({harbour, roads, 2}, {5555, roads, 2});
  ASSERT_EQ(RemoveSelectedObject(harbour, roads, 1, true), 0);
  ASSERT_EQ(RemoveSelectedObject(5555, roads, 2, true), 0);
  EXPECT_EQ(erased, 1);
  EXPECT_EQ(SelectedObjectCount(), 0);
}

TEST_F(SelectionTest, InvalidEntriesAreDropped) {
  Select(harbour, roads, 1);
  Select(harbour, roads, 2);
  Select(harbour, roads, 3);
  RenameSelectedObject({harbour, roads, 1}, {-1, roads, 1});
  RenameSelectedObject({harbour, roads, 3}, {harbour, roads, -1});
  RemoveInvalidSelectedObjects();
  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].position, 2);
}

TEST_F(SelectionTest, AWalkOverACopyMayChangeTheSelectionAndANonZeroResultStopsIt) {
  for (int32_t p : {1, 2, 3, 4}) Select(harbour, roads, p);
  std::vector<int32_t> seen;
  EXPECT_EQ(ForEachSelectedObject(
                [&seen](int32_t m, int32_t o, int32_t p) {
                  seen.push_back(p);
                  RemoveSelectedObject(m, o, p, false);
                  return p == 3 ? 7 : 0;
                },
                true),
            7);
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(SelectedObjectCount(), 1);
}

TEST_F(SelectionTest, TheLifeCycleKeepsTheSelectionAndTheCollectionUpToDate) {
  std::vector<int32_t> removedFromCollection;
  std::vector<std::pair<int32_t, int32_t>> renamed;
  SelectionHooks hooks;
  hooks.removeCollected = [&](const ObjectRef& o) { removedFromCollection.push_back(o.position); };
  hooks.renameCollected = [&](const ObjectRef& from, const ObjectRef& to) {
    renamed.push_back({from.position, to.position});
  };
  SetSelectionHooks(hooks);
  // The life cycle's other members stay as they were installed.
  ASSERT_TRUE(static_cast<bool>(CurrentLifeCycleHooks().redrawArea));

  const int32_t a = MakePoint(harbour, roads, "Gate", 4, 1000000);
  Select(harbour, roads, a);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, a, true, false, true), 0);
  EXPECT_FALSE(IsSelected(harbour, roads, a));
  EXPECT_EQ(removedFromCollection, std::vector<int32_t>{a});
  ASSERT_EQ(UndeleteObjectRecord(harbour, roads, a), 0);
  EXPECT_TRUE(IsSelected(harbour, roads, a)) << "an object brought back is selected";

  ObjectRef object{harbour, roads, a};
  const std::string prefix, longer = "Gate house on the north pier";
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = longer;
  ASSERT_EQ(ReplaceObjectContents(object, harbour, nullptr, contents, 0, 0), 0);
  ASSERT_NE(object.position, a);
  EXPECT_TRUE(IsSelected(harbour, roads, object.position));
  EXPECT_FALSE(IsSelected(harbour, roads, a));
  ASSERT_EQ(renamed.size(), 1u);
  EXPECT_EQ(renamed[0], std::make_pair(a, object.position));
}

}  // namespace
}  // namespace tlv
