// The search collection and the intersected objects: adding with and without the search
// bracket, the file order and the collection order with its lazy name sort, the lists' checks
// after catalogue changes, and the show-only-collection option, with the core wired as the
// program wires it.
#include "search/collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/wiring.h"
#include "base/strings.h"
#include "catalogue/maps.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "render/draw_map.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class CollectionTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    WireCore();
  }

  int32_t Named(int32_t mapID, int32_t overlayID, const std::string& name,
                const std::string& prefix = "") {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    ObjectID id;
    NewObjectID(id);
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.graphics = graphics;
    const WRect rect{190000000, 130000000, 190000010, 130000010};
    contents.rect = rect;
    int32_t position = -1;
    EXPECT_EQ(CreateObject(mapID, overlayID, kPointObject, id, contents, position), 0);
    return position;
  }
  void Collect(int32_t mapID, int32_t overlayID, int32_t position) {
    ASSERT_EQ(CollectObject({mapID, overlayID, position}), 1);
  }
  std::vector<int32_t> Positions() {
    std::vector<int32_t> out;
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) out.push_back(e.position);
    return out;
  }
  std::vector<int32_t> SelectedPositions() {
    std::vector<int32_t> out;
    ObjectRef object;
    for (int32_t i = 0; GetSelectedObject(i, object); ++i) out.push_back(object.position);
    return out;
  }
  static CollectionEntry Entry(int32_t mapID, int16_t overlayID, int16_t flags, int32_t position,
                               const char* key = "") {
    CollectionEntry e;
    e.mapID = mapID;
    e.overlayID = overlayID;
    e.flags = flags;
    e.position = position;
    for (int i = 0; i < 4 && key[i] != '\0'; ++i) e.key[i] = key[i];
    return e;
  }
};

TEST_F(CollectionTest, TheSameObjectTwiceOutsideASearchKeepsOneEntryInsideTheEndRemovesIt) {
  EXPECT_EQ(AddCollectedObject(harbour, roads, 100, "Main", 0), 1);
  EXPECT_EQ(AddCollectedObject(harbour, roads, 100, "Main", 0), 1);
  EXPECT_EQ(CollectedObjectCount(), 1);
  BeginCollecting();
  AddCollectedObject(harbour, roads, 300, "Oak ", 0);
  AddCollectedObject(harbour, roads, 200, "Elm ", 0);
  AddCollectedObject(harbour, roads, 300, "Oak ", 0);
  EXPECT_EQ(CollectedObjectCount(), 4) << "no duplicate check inside the bracket";
  ASSERT_EQ(EndCollecting(), 0);
  EXPECT_EQ(Positions(), (std::vector<int32_t>{100, 200, 300})) << "file order, once each";
  EXPECT_FALSE(Collecting());
}

TEST_F(CollectionTest, RemovingTheLastEntryLeavesAnEmptyValidList) {
  AddCollectedObject(harbour, roads, 100, "Main", 0);
  char key[4] = {};
  EXPECT_EQ(RemoveCollectedObject(harbour, roads, 100, key), 0);
  EXPECT_EQ(std::string(key, 4), "Main");
  EXPECT_EQ(CollectedObjectCount(), 0);
  ASSERT_NE(SearchCollection(), nullptr);
  EXPECT_NE(*SearchCollection(), nullptr) << "an empty Handle, never absent";
  EXPECT_EQ(RemoveCollectedObject(harbour, roads, 100), -1);
  EXPECT_EQ(RemoveCollectedObjectI(0), -1) << "past the end";
  EXPECT_EQ(AddCollectedObject(harbour, roads, 7, "A", 0), 1) << "and it takes entries again";
}

TEST_F(CollectionTest, IsSelectedWithWildcardsAsksAboutAWholeOverlay) {
  const int32_t a = Named(harbour, roads, "Main St");
  ASSERT_EQ(AddSelectedObject(harbour, roads, a), 1);
  EXPECT_TRUE(IsSelected(-1, roads, -1));
  EXPECT_FALSE(IsSelected(-1, sites, -1));
}

TEST_F(CollectionTest, FlagsInTheHighHalfOfTheOverlayWordDecideTheFileOrder) {
  // Overlay 5 without flags comes before overlay 3 with flag 1: the word is (flags << 16) | 3.
  EXPECT_LT(CompareCollectionFileOrder(Entry(1, 5, 0, 100), Entry(1, 3, 1, 50)), 0);
  // Flag bit 15 makes the word negative, so it sorts first.
  EXPECT_LT(
      CompareCollectionFileOrder(Entry(1, 9, static_cast<int16_t>(0x8000), 9), Entry(1, 3, 0, 1)),
      0);
  EXPECT_LT(CompareCollectionFileOrder(Entry(1, 900, 0, 1), Entry(2, 3, 0, 1)), 0) << "map first";
  EXPECT_LT(CompareCollectionFileOrder(Entry(1, 3, 0, 1), Entry(1, 3, 0, 2)), 0);
  EXPECT_EQ(CompareCollectionFileOrder(Entry(1, 3, 0, 1, "Ab"), Entry(1, 3, 0, 1, "Cd")), 0)
      << "the key plays no part";
  // Equal but for the flags, two entries are not duplicates.
  BeginCollecting();
  AddCollectedObject(1, 3, 50, "X", 1);
  AddCollectedObject(1, 5, 100, "X", 0);
  AddCollectedObject(1, 3, 50, "X", 0);
  EndCollecting();
  std::vector<std::pair<int32_t, int16_t>> got;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) got.emplace_back(e.overlayID, e.flags);
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, int16_t>>{{3, 0}, {5, 0}, {3, 1}}));
}

TEST_F(CollectionTest, NameKeysOrderCodesNumericallyAndEmptyKeysLast) {
  const char main[4] = {'M', 'a', 'i', 'n'};
  const char oak[4] = {'o', 'a', 'k', 0};
  const char none[4] = {0, 0, 0, 0};
  const char code2a[4] = {2, 1, 0, 0};
  const char code2b[4] = {2, 0, 9, 0};
  EXPECT_LT(CompareNameKeys(main, oak), 0) << "letter case is ignored";
  EXPECT_GT(CompareNameKeys(none, oak), 0);
  EXPECT_EQ(CompareNameKeys(none, none), 0);
  EXPECT_GT(CompareNameKeys(code2a, code2b), 0) << "the first three bytes as a number";
  const char word[4] = {'N', 'o', 'r', 't'};
  SetNameKeyCodeWord(2, word);
  EXPECT_GT(CompareNameKeys(code2a, main), 0) << "a code against a word compares as its word";
  EXPECT_LT(CompareNameKeys(code2a, oak), 0);
}

TEST_F(CollectionTest, SortingOrdersKeysAndTheLazySortSettlesOnlyTheRunShown) {
  const int32_t mainland = Named(harbour, roads, "Mainland");
  const int32_t oakB = Named(harbour, roads, "Oak B");
  const int32_t mainSt = Named(harbour, roads, "Main St");
  const int32_t oakA = Named(harbour, roads, "Oak A");
  const int32_t mainAve = Named(harbour, roads, "Main Ave");
  const int32_t untitled = Named(harbour, roads, "");
  for (int32_t p : {mainland, oakB, mainSt, oakA, mainAve, untitled}) Collect(harbour, roads, p);
  platform().messageLines.clear();
  ASSERT_EQ(SortCollection(), 0);
  EXPECT_EQ(Positions(), (std::vector<int32_t>{mainland, mainSt, mainAve, oakB, oakA, untitled}))
      << "by key only; equal keys keep their order until shown";
  EXPECT_EQ(platform().messageLines.front(), "Sorting search collection (6 objects).");
  int32_t first = -1, last = -1;
  ASSERT_EQ(CompleteLocalSCSort(1, &first, &last), 0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 2);
  EXPECT_EQ(Positions(), (std::vector<int32_t>{mainAve, mainSt, mainland, oakB, oakA, untitled}));
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
    EXPECT_EQ((e.flags & kCollectionSorted) != 0, i < 3) << "entry " << i;
  }
}

TEST_F(CollectionTest, TheLazySortReadsWholeNamesWhereTheCutOnesTie) {
  // Names equal in their first 24 characters, and names that differ only after " {".
  const int32_t longB = Named(harbour, roads, "Harbour Road Pumping StationB");
  const int32_t longA = Named(harbour, roads, "Harbour Road Pumping StationA");
  const int32_t suffixB = Named(harbour, sites, "Hall {b}");
  const int32_t suffixA = Named(harbour, sites, "Hall {a}");
  const int32_t prefixed = Named(harbour, sites, "Hall", "N");
  for (int32_t p : {longB, longA}) Collect(harbour, roads, p);
  for (int32_t p : {suffixB, suffixA, prefixed}) Collect(harbour, sites, p);
  SortCollection();
  ASSERT_EQ(CompleteLocalSCSort(0), 0);
  ASSERT_EQ(CompleteLocalSCSort(3), 0);
  const std::vector<int32_t> expected{suffixA, suffixB, prefixed, longA, longB};
  EXPECT_EQ(Positions(), expected)
      << "key 'Hall' before 'Harb'; cut 'Hall' ties break on the full names, then the prefix";
}

TEST_F(CollectionTest, ALongRunStoppedByEscapeStaysUnsorted) {
  for (int i = 0; i < 320; ++i) AddCollectedObject(harbour, roads, 1000 - i, "Same", 0);
  SortCollection();
  platform().escapeAtCheck = 2;
  EXPECT_EQ(CompleteLocalSCSort(5), kSortStopped);
  EXPECT_TRUE(CollectionStopped());
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.position, 1000);
  EXPECT_EQ(e.flags & kCollectionSorted, 0);
}

TEST_F(CollectionTest, AMemoryFailureLeavesTheListAsItWas) {
  AddCollectedObject(harbour, roads, 1, "A", 0);
  AddCollectedObject(harbour, roads, 2, "B", 0);
  SetAllocationCeilingForTesting(32);
  EXPECT_EQ(AddCollectedObject(harbour, roads, 3, "C", 0), 0);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(Positions(), (std::vector<int32_t>{1, 2}));
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_NE(platform().alerts.back().text.find("Not enough memory"), std::string::npos);
}

TEST_F(CollectionTest, AnOverlayIDTheEntryCannotHoldIsReportedNotTruncated) {
  EXPECT_EQ(AddCollectedObject(harbour, 40000, 1, "A", 0), 0);
  EXPECT_EQ(CollectedObjectCount(), 0);
  EXPECT_FALSE(platform().alerts.empty());
  EXPECT_EQ(FindCollectedObject(harbour, 40000 - 65536, 1), -1);
}

TEST_F(CollectionTest, HidingAnOverlayDropsItsSelectionAndRemovingAMapDropsEverything) {
  const int32_t road = Named(harbour, roads, "Main St");
  const int32_t site = Named(harbour, sites, "School");
  const int32_t inlandRoad = Named(inland, roads, "Canal");
  for (const auto& [m, o, p] : {std::tuple{harbour, roads, road}, std::tuple{harbour, sites, site},
                                std::tuple{inland, roads, inlandRoad}}) {
    Collect(m, o, p);
    ASSERT_EQ(AddSelectedObject(m, o, p), 1);
    AddIntersectedObject(m, o, p, "X", 0);
  }
  LayerRecord layer = LayerAt(LayerIDToIndex(sites));
  layer.displayMode = kDisplayHide;
  SetLayerRecord(LayerIDToIndex(sites), layer);
  ValidateObjectLists();
  EXPECT_EQ(SelectedPositions(), (std::vector<int32_t>{road, inlandRoad}));
  EXPECT_EQ(CollectedObjectCount(), 3) << "a hidden overlay keeps its collection entries";

  // The catalogue lets go of the map through the wiring's hook.
  ASSERT_EQ(RemoveMap(MapNameToIndex("Inland"), false), 0);
  EXPECT_EQ(SelectedPositions(), std::vector<int32_t>{road});
  EXPECT_EQ(Positions(), (std::vector<int32_t>{road, site}));
  EXPECT_EQ(IntersectedObjectCount(), 2);

  // A map taken out of use takes its entries with it.
  MapRecord map = MapAt(MapNameToIndex("Harbour"));
  map.inUse = 0;
  SetMapRecord(MapNameToIndex("Harbour"), map);
  ValidateObjectLists();
  EXPECT_EQ(CollectedObjectCount(), 0);
  EXPECT_EQ(IntersectedObjectCount(), 0);
  EXPECT_TRUE(SelectedPositions().empty());
}

TEST_F(CollectionTest, ShowOnlyCollectionDeselectsWhatItHidesAndAnswersTheDrawingPass) {
  const int32_t kept = Named(harbour, roads, "Main St");
  const int32_t hidden = Named(harbour, roads, "Oak St");
  const int32_t elsewhere = Named(harbour, sites, "School");
  Collect(harbour, roads, kept);
  for (int32_t p : {kept, hidden}) AddSelectedObject(harbour, roads, p);
  AddSelectedObject(harbour, sites, elsewhere);
  SetShowOnlyCollection(true);
  EXPECT_EQ(SelectedPositions(), (std::vector<int32_t>{kept, elsewhere}))
      << "an overlay without entries shows everything";
  const DrawMapHooks& hooks = CurrentDrawMapHooks();
  ASSERT_TRUE(hooks.showOnlyCollection && hooks.objectInCollection && hooks.overlayInCollection);
  EXPECT_TRUE(hooks.showOnlyCollection());
  EXPECT_TRUE(hooks.overlayInCollection(harbour, roads));
  EXPECT_FALSE(hooks.overlayInCollection(harbour, sites));
  EXPECT_TRUE(hooks.objectInCollection(harbour, roads, kept));
  EXPECT_FALSE(hooks.objectInCollection(harbour, roads, hidden));
  // The sets follow the collection.
  RemoveCollectedObject(harbour, roads, kept);
  EXPECT_FALSE(hooks.overlayInCollection(harbour, roads));
}

TEST_F(CollectionTest, TheListsFollowObjectsThroughTheLifeCycle) {
  const int32_t road = Named(harbour, roads, "Main St");
  Collect(harbour, roads, road);
  AddIntersectedObject(harbour, roads, road, "Main", 0);
  // A longer name does not fit the record: the object is made again at the end of the file.
  ObjectRef object{harbour, roads, road};
  const std::string prefix, longer = "Main Street North of the Old Harbour Bridge";
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = longer;
  ASSERT_EQ(ReplaceObjectContents(object, harbour, nullptr, contents, 0, 0), 0);
  ASSERT_NE(object.position, road);
  EXPECT_EQ(Positions(), std::vector<int32_t>{object.position});
  CollectionEntry e;
  ASSERT_TRUE(GetIntersectedObject(0, e));
  EXPECT_EQ(e.position, object.position);
  // Deleting it takes it out of both.
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, object.position, true, false, false), 0);
  EXPECT_EQ(CollectedObjectCount(), 0);
  EXPECT_EQ(IntersectedObjectCount(), 0);
}

TEST_F(CollectionTest, CollectingReadsFlagsAndTheKeyFromTheRecord) {
  const int32_t original = Named(harbour, roads, "Main St");
  // An alias of it in the same overlay file, which gives the original an alias count.
  BufferedFile& file = Objects(harbour, roads);
  ObjectID id;
  FSGetObjectID(file, original, id.high, id.low);
  FSSetObjectAliasCount(file, original, 1);
  const std::string prefix, name = "High St";
  const WRect idRect{id.high, id.low, 0, 0};
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.rect = idRect;
  ObjectID aliasID;
  NewObjectID(aliasID);
  int32_t alias = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, alias), 0);
  Collect(harbour, roads, original);
  Collect(harbour, roads, alias);
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.flags, kCollectionHasAliases);
  EXPECT_EQ(std::string(e.key, 4), "Main");
  ASSERT_TRUE(GetCollectedObject(1, e));
  EXPECT_EQ(e.flags, kCollectionAlias);
  EXPECT_EQ(std::string(e.key, 4), "High");
  // The second walk skips the alias.
  std::vector<int32_t> walked;
  ForEachCollectionEntry(SearchCollection(), [&](int32_t, int32_t, int32_t position,
                                                 const char(&)[4], int32_t, int16_t) {
    walked.push_back(position);
    return 0;
  });
  EXPECT_EQ(walked, std::vector<int32_t>{original});
}

TEST_F(CollectionTest, ClearingAllListsClearsUndoFirst) {
  const int32_t road = Named(harbour, roads, "Main St");
  Collect(harbour, roads, road);
  AddSelectedObject(harbour, roads, road);
  AddIntersectedObject(harbour, roads, road, nullptr, 0);
  ASSERT_EQ(BeginUndoList(2), 0);
  ASSERT_NE(UndoKindNow(), 0);
  ClearAllObjectLists();
  EXPECT_EQ(CollectedObjectCount(), 0);
  EXPECT_EQ(SelectedObjectCount(), 0);
  EXPECT_EQ(IntersectedObjectCount(), 0);
  EXPECT_EQ(UndoKindNow(), 0);
}

TEST_F(CollectionTest, TheFirstEntryOfAnOverlayIsCachedUntilTheCollectionChanges) {
  AddCollectedObject(harbour, roads, 1, "A", 0);
  AddCollectedObject(harbour, sites, 2, "B", 0);
  EXPECT_EQ(FirstCollectedEntryOfOverlay(sites), 1);
  EXPECT_EQ(FirstCollectedEntryOfOverlay(sites), 1);
  RemoveCollectedObjectI(0);
  EXPECT_EQ(FirstCollectedEntryOfOverlay(sites), 0);
  EXPECT_EQ(FirstCollectedEntryOfOverlay(roads), -1);
}

}  // namespace
}  // namespace tlv
