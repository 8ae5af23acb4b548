#include "edit/undo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "edit/edit_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class UndoTest : public test::EditTest {};

TEST_F(UndoTest, DeletingThreeObjectsThenUndoThreeTimesTogglesThem) {
  const int32_t a = MakePoint(harbour, roads, "A", 1, 1000000);
  const int32_t b = MakePoint(harbour, roads, "B", 2, 2000000);
  const int32_t c = MakePoint(harbour, roads, "C", 3, 3000000);
  for (int32_t p : {a, b, c}) Select(harbour, roads, p);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  EXPECT_EQ(UndoKindNow(), kUndoDelete);
  EXPECT_EQ(UndoEntryCount(), 3);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads), (std::vector<int32_t>{a, b, c}));
  EXPECT_EQ(SelectedObjectCount(), 3) << "the undone objects stay selected";
  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  EXPECT_EQ(SelectedObjectCount(), 0);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads), (std::vector<int32_t>{a, b, c}));
  OverlayFileRecord entry;
  const int32_t m = MapIDToIndex(harbour);
  ASSERT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, roads), entry));
  EXPECT_EQ(entry.objectCount, 3);
}

TEST_F(UndoTest, UndoingAColourChangeRestoresEachObjectsOwnColourAndCustomColour) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  const int32_t b = MakePoint(harbour, roads, "B", 9, 2000000);
  ASSERT_EQ(SetObjectCustomColour(Objects(harbour, roads), b, 0x123456), 0);
  Select(harbour, roads, a);
  Select(harbour, roads, b);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, 12), 0);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 12);
  EXPECT_EQ(GraphicsOf(harbour, roads, b).colour, 12);
  bool present = false, active = true;
  uint32_t rgb = 0;
  GetObjectCustomColour(Objects(harbour, roads), b, present, active, rgb);
  EXPECT_FALSE(active) << "a plain colour switches the custom colour off";

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 4);
  EXPECT_EQ(GraphicsOf(harbour, roads, b).colour, 9);
  GetObjectCustomColour(Objects(harbour, roads), b, present, active, rgb);
  EXPECT_TRUE(present && active);
  EXPECT_EQ(rgb, 0x123456u);
}

// For the list kinds: Undo puts back the state before the edit, Undo again the state after it.
struct ListKindCase {
  const char* name;
  int32_t command;
  int32_t value;  // -1: the other overlay, -2: the other map
  int16_t kind;
};

class UndoListKindTest : public test::EditTest,
                         public ::testing::WithParamInterface<ListKindCase> {};

TEST_P(UndoListKindTest, UndoTwiceReturnsToTheEditAndOnceToBefore) {
  const ListKindCase& c = GetParam();
  const int32_t point = MakePoint(harbour, roads, "Pump", 5, 1000000);
  const int32_t line = MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 3000}});
  const int32_t other = MakePoint(harbour, roads, "Tank", 6, 5000000);
  MakeAlias(harbour, roads, point, "Pump alias");
  MakePoint(harbour, sites, "Resident", 7, 6000000);
  MakePoint(inland, roads, "Resident", 7, 6000000);
  Select(harbour, roads, point);
  Select(harbour, roads, line);
  (void)other;
  const auto before = Picture();

  int32_t value = c.value == -1 ? sites : c.value == -2 ? inland : c.value;
  if (c.kind == kUndoDelete) {
    ASSERT_EQ(DeleteSelectedObjects2(), 0);
  } else {
    ASSERT_EQ(ModifySelectedObjects(c.command, value), 0);
  }
  ASSERT_EQ(UndoKindNow(), c.kind);
  const auto after = Picture();
  ASSERT_NE(after, before) << "the edit changed something";

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_EQ(UndoKindNow(), c.kind);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
  EXPECT_TRUE(platform().alerts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UndoListKindTest,
    ::testing::Values(ListKindCase{"Delete", 0, 0, kUndoDelete},
                      ListKindCase{"Colour", kCommandColour, 11, kUndoColour},
                      ListKindCase{"Variant", kCommandVariant, 3, kUndoVariant},
                      ListKindCase{"Line", kCommandLine, 7, kUndoLine},
                      ListKindCase{"Fill", kCommandFill, 9, kUndoFill},
                      ListKindCase{"Symbol", kCommandSymbol, 44, kUndoSymbol},
                      ListKindCase{"MoveToOverlay", kCommandMoveToOverlay, -1, kUndoMoveToOverlay},
                      ListKindCase{"MoveToMap", kCommandMoveToMap, -2, kUndoMoveToMap},
                      ListKindCase{"PolySwap", kCommandPolySwap, kPolySwapValue, kUndoPolySwap}),
    [](const ::testing::TestParamInfo<ListKindCase>& info) { return info.param.name; });

TEST_F(UndoTest, CustomColourUndoesToThePlainColour) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  ModifyHooks hooks;
  hooks.chooseCustomColour = [](uint32_t& rgb) {
    rgb = 0xA0B0C0;
    return true;
  };
  SetModifyHooks(hooks);
  const auto before = Picture();
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, kCustomColourValue), 0);
  const auto after = Picture();
  ASSERT_NE(before, after);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
}

TEST_F(UndoTest, OwnerLockOnTheOldOverlayBlocksUndoingAMoveButAnApplicationMarkDoesNot) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
  const auto moved = Picture();
  for (int32_t lock : {1, 3}) {
    SetLock(roads, lock);
    platform().alerts.clear();
    EXPECT_EQ(Undo(), -1);
    EXPECT_TRUE(Alerted(144));
    EXPECT_EQ(Picture(), moved) << "nothing changed with lock kind " << lock;
  }
  SetLock(roads, 2);
  platform().alerts.clear();
  ASSERT_EQ(Undo(), 0);
  EXPECT_FALSE(Alerted(144));
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{a});
  EXPECT_TRUE(LivePositions(harbour, sites).empty());
  EXPECT_TRUE(IsSelected(harbour, roads, a));
}

TEST_F(UndoTest, UndoingACreationTwiceBringsTheObjectBackAtTheSamePosition) {
  MakePoint(harbour, roads, "First", 1, 1000000);
  const int32_t made = MakePoint(harbour, roads, "New", 2, 2000000);
  UndoObjectRecord record;
  record.object = {harbour, roads, made};
  record.before = record.object;
  SetUndoObject(kUndoCreate, record);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads).size(), 1u);
  EXPECT_EQ(UndoKindNow(), kUndoDelete);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads).back(), made);
  EXPECT_TRUE(IsSelected(harbour, roads, made));
}

TEST_F(UndoTest, AJoinUndoneRestoresTheJoinedObjectsAndASecondUndoDoesNothing) {
  const int32_t first = MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 2000}});
  const int32_t second = MakePoly(harbour, roads, kPolylineObject, {{2000, 2000}, {3000, 1000}});
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, first, true, false, true), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, second, true, false, true), 0);
  const int32_t joined =
      MakePoly(user, roads, kPolylineObject, {{1000, 1000}, {2000, 2000}, {3000, 1000}});
  UndoObjectRecord combined;
  combined.object = {user, roads, joined};
  combined.before = combined.object;
  const UndoEntry replaced[2] = {{harbour, roads, first, 0, 0}, {harbour, roads, second, 0, 0}};
  ASSERT_EQ(SetUndoJoin(combined, replaced, 2), 0);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads), (std::vector<int32_t>{first, second}));
  EXPECT_TRUE(LivePositions(user, roads).empty());
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  const auto undone = Picture();
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), undone);
}

TEST_F(UndoTest, AnOffsetMoveIsUndoneAndRedone) {
  const int32_t line = MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 3000}});
  const auto before = Picture();
  ASSERT_EQ(ChangeObjectWRect(harbour, roads, line, nullptr, 500, -200), 0);
  const auto after = Picture();
  ASSERT_EQ(BeginUndoList(kUndoOffset), 0);
  ASSERT_EQ(AppendUndoEntry({harbour, roads, line, 500, -200}), 0);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
}

TEST_F(UndoTest, AReshapeWritesTheSavedSegmentAndRectangleBackAndKeepsTheNewOnesForARedo) {
  const int32_t line =
      MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 3000}, {4000, 1000}});
  const auto before = Picture();
  UndoObjectRecord record;
  record.object = {harbour, roads, line};
  record.before = record.object;
  record.type = kPolylineObject;
  ASSERT_EQ(FSGetObjectWorldRect(Objects(harbour, roads), line, record.oldRect), 0);
  record.segmentNumbers[0] = 1;
  ASSERT_EQ(ReadStoredSegment(harbour, roads, line, 1, record.segments[0]), 0);
  SetUndoObject(kUndoReshapePoint, record);

  // The tool drags the middle point up and grows the rectangle.
  int32_t first = 0, end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(Objects(harbour, roads), line, first, end), 0);
  ASSERT_EQ(FSSetObjectSeg(Objects(harbour, roads), line, first + 10, 2000, 9000, false), 0);
  const WRect grown{1000, 1000, 4000, 9000};
  ASSERT_EQ(ChangeObjectWRect(harbour, roads, line, &grown, 0, 0), 0);
  const auto after = Picture();

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
}

TEST_F(UndoTest, AddingAndDeletingAPointSwapKindsAndKeepTheSegment) {
  // The record holds four points, the fourth having been added with its attributes.
  const int32_t line = MakePoly(harbour, roads, kPolylineObject,
                                {{1000, 1000}, {2000, 3000}, {3000, 1000}, {4000, 2000}});
  const auto withPoint = Picture();
  UndoObjectRecord record;
  record.object = {harbour, roads, line};
  record.before = record.object;
  record.oldRect = {1000, 1000, 3000, 3000};
  UndoSegmentRecord added;
  added.number = 3;
  SetUndoSegment(kUndoAddSegment, record, added);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(UndoKindNow(), kUndoDeleteSegment);
  int32_t count = 0;
  ASSERT_EQ(FSGetObjectNumSegs(Objects(harbour, roads), line, count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(UndoSegment().segment.x, 4000u);
  EXPECT_EQ(UndoSegment().segment.y, 2000);
  WRect rect;
  FSGetObjectWorldRect(Objects(harbour, roads), line, rect);
  EXPECT_EQ(rect.x2, 3000);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(UndoKindNow(), kUndoAddSegment);
  EXPECT_EQ(Picture(), withPoint);
}

TEST_F(UndoTest, ADialogEditIsUndoneAndRedone) {
  const int32_t a = MakePoint(harbour, roads, "Pump", 4, 1000000);
  UndoObjectRecord record;
  record.object = {harbour, roads, a};
  record.before = record.object;
  record.type = kPointObject;
  BufferedFile& file = Objects(harbour, roads);
  ASSERT_EQ(FSGetObjectName(file, a, record.prefix, record.name), 0);
  ASSERT_EQ(FSGetObjectGraphics(file, a, record.graphics), 0);
  ASSERT_EQ(FSGetObjectNolongerStateCounty(file, a, record.customColour), 0);
  ASSERT_EQ(FSGetObjectWorldRect(file, a, record.oldRect), 0);
  record.dx = 300;
  record.dy = 400;
  const auto before = Picture();
  SetUndoObject(kUndoDialogEdit, record);

  const std::string prefix, name = "Pu";
  ObjectGraphics changed = record.graphics;
  changed.colour = 13;
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.graphics = changed;
  ASSERT_EQ(UpdateObject(harbour, roads, a, contents, 300, 400), 0);
  const auto after = Picture();

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
}

TEST_F(UndoTest, ADialogEditThatMovedTheObjectToAnotherMapTakesItsAliasesBackAndForth) {
  const int32_t a = MakePoint(harbour, roads, "Pump", 4, 1000000);
  MakeAlias(harbour, roads, a, "Pump alias");
  const auto before = Picture();
  UndoObjectRecord record;
  record.object = {harbour, roads, a};
  record.before = record.object;
  record.type = kPointObject;

  // The dialog gives the object to another map; its alias goes along.
  ObjectRef object{harbour, roads, a};
  ObjectContents contents;
  contents.prefix = "";
  contents.name = "Pump house";
  ASSERT_EQ(ReplaceObjectContents(object, inland, nullptr, contents, 0, 0, &record.aliasesMoved),
            0);
  ASSERT_EQ(record.aliasesMoved.size(), 1u);
  record.object = object;
  SetUndoObject(kUndoDialogEdit, record);
  const auto after = Picture();
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  EXPECT_EQ(LivePositions(inland, roads).size(), 2u);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_TRUE(CountsMatchLiveRecords());
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(UndoTest, SegmentAttributeEditsAreUndoneFromTheAttributeList) {
  const int32_t line = MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 3000}});
  // Room for one attributed segment: the record is re-made with more segment bytes.
  int32_t bigger = -1;
  ASSERT_EQ(FSCopyObject({harbour, roads, line}, harbour, roads, 4, 0, 2, 80, bigger, false), 0);
  const auto before = Picture();
  BeginUndoAttributes({harbour, roads, bigger});
  StoredSegmentState plain;
  ASSERT_EQ(ReadStoredSegment(harbour, roads, bigger, 0, plain), 0);
  ASSERT_EQ(UpdateUndoAttributeList(0, plain), 0);
  ASSERT_EQ(UpdateUndoAttributeList(0, plain), 0);
  EXPECT_EQ(UndoAttributeCount(), 1) << "the same key is stored once";

  int32_t first = 0, end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(Objects(harbour, roads), bigger, first, end), 0);
  SegmentAttributes attributes;
  attributes.values[0] = 42;
  attributes.values[14] = -7;
  int32_t offset = first;
  ASSERT_EQ(FSSetObjectSegA(Objects(harbour, roads), bigger, offset, 1000, 1000, true, attributes),
            0);
  ASSERT_EQ(FSSetObjectSeg(Objects(harbour, roads), bigger, offset, 2000, 3000, false), 0);
  const auto after = Picture();
  ASSERT_NE(after, before);

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
}

TEST_F(UndoTest, TheAttributeListStopsQuietlyAt32001Entries) {
  BeginUndoAttributes({harbour, roads, 0});
  StoredSegmentState segment;
  for (int32_t key = 0; key < kMaxUndoAttributeEntries + 5; ++key) {
    ASSERT_EQ(UpdateUndoAttributeList(static_cast<int16_t>(key), segment), 0);
  }
  EXPECT_EQ(UndoAttributeCount(), kMaxUndoAttributeEntries);
  UndoAttributeEntry last;
  ASSERT_TRUE(GetUndoAttributeEntry(kMaxUndoAttributeEntries - 1, last));
  EXPECT_EQ(last.key, static_cast<int16_t>(kMaxUndoAttributeEntries - 1));
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(UndoTest, AnAttributeListThatCannotGrowIsReported) {
  BeginUndoAttributes({harbour, roads, 0});
  StoredSegmentState segment;
  SetAllocationCeilingForTesting(0);
  EXPECT_EQ(UpdateUndoAttributeList(5, segment), -1);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(UndoAttributeCount(), 0);
  ASSERT_FALSE(platform().alerts.empty());
}

TEST_F(UndoTest, SetUndoNothingEmptiesTheListAndUndoThenChangesNothing) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  SetUndoNothing();
  EXPECT_EQ(UndoEntryCount(), 0);
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
}

TEST_F(UndoTest, AMoveOfAnObjectAndItsAliasIsUndoneExactlyWhicheverWasSelectedFirst) {
  for (bool aliasFirst : {true, false}) {
    const int32_t object = MakePoint(harbour, roads, "Depot", 4, 1000000);
    const int32_t alias = MakeAlias(harbour, roads, object, "Depot alias");
    const auto before = Picture();
    if (aliasFirst) Select(harbour, roads, alias);
    Select(harbour, roads, object);
    if (!aliasFirst) Select(harbour, roads, alias);
    ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
    const auto after = Picture();
    EXPECT_EQ(LivePositions(harbour, sites).size(), 2u) << aliasFirst;
    EXPECT_TRUE(CountsMatchLiveRecords()) << aliasFirst;

    ASSERT_EQ(Undo(), 0);
    EXPECT_EQ(Picture(), before) << aliasFirst;
    EXPECT_TRUE(CountsMatchLiveRecords()) << aliasFirst;
    ASSERT_EQ(Undo(), 0);
    EXPECT_EQ(Picture(), after) << aliasFirst;
    EXPECT_TRUE(CountsMatchLiveRecords()) << aliasFirst;
    EXPECT_TRUE(platform().alerts.empty());
    // The next round starts from empty overlays.
    ASSERT_EQ(Undo(), 0);
    for (int32_t p : LivePositions(harbour, roads)) {
      ASSERT_EQ(DeleteObjectRecord(harbour, roads, p, false, false, false), 0);
    }
    RemoveAllSelectedObjects();
    SetUndoNothing();
  }
}

TEST_F(UndoTest, TheDeleteRuleDecidesWhetherADeleteCanBeUndone) {
  // Every overlay loads locked: on the user's own map that guards against changes only.
  const int32_t mine = MakePoint(user, roads, "Mine", 4, 1000000);
  SetLock(roads, 1);
  Select(user, roads, mine);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  ASSERT_EQ(Undo(), 0);
  EXPECT_FALSE(Alerted(144));
  EXPECT_EQ(LivePositions(user, roads), std::vector<int32_t>{mine});

  // On an application's map the lock that would refuse the delete refuses its Undo.
  SetLock(roads, 0);
  SetMap(harbour, 0, 0, "ZPHA");
  const int32_t theirs = MakePoint(harbour, roads, "Theirs", 4, 1000000);
  Select(harbour, roads, theirs);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  SetLock(roads, 2, kNoDeleteFlag);
  EXPECT_EQ(Undo(), -1);
  EXPECT_TRUE(Alerted(144));
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  SetLock(roads, 2);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{theirs});
}

TEST_F(UndoTest, AMoveBackThatCannotBringTheOldRecordBackLeavesTheObjectWhereItIs) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, inland), 0);
  ASSERT_EQ(LivePositions(inland, roads).size(), 1u);
  // The old summary file was cut short behind the program's back.
  CloseBufferedFiles();
  OverlayFileRecord entry;
  const int32_t m = MapIDToIndex(harbour);
  ASSERT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, roads), entry));
  fs::resize_file(harbourFolder / (std::string(entry.baseName) + ".SUM"), 0);

  EXPECT_NE(Undo(), 0);
  EXPECT_EQ(LivePositions(inland, roads).size(), 1u) << "the object is not lost in both places";
  EXPECT_EQ(CountOf(inland, roads), 1);
}

TEST_F(UndoTest, AnObjectBroughtBackIsFoundByAWalkOverItsIndexBlock) {
  // A full index block: the far object lies in it, among a thousand near ones.
  BeginObjectBatch();
  int32_t far = -1;
  for (int i = 0; i < 1000; ++i) {
    const int32_t p = MakePoint(harbour, roads, "P", 4, i == 5 ? 300000000 : 1000000 + i);
    if (i == 5) far = p;
  }
  ASSERT_EQ(EndObjectBatch(), 0);
  Select(harbour, roads, far);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  // The index is made while the far object is deleted, so its block does not reach there.
  const int32_t m = MapIDToIndex(harbour);
  bool written = false;
  ASSERT_EQ(WriteSM2File(m, OverlayFileIndexForID(m, roads), written), 0);
  ASSERT_TRUE(written);

  ASSERT_EQ(Undo(), 0);
  const WRect around{299999000, 89999000, 300001000, 90001000};
  std::vector<int32_t> seen;
  int32_t wm = -1, wf = -1;
  ASSERT_EQ(ForEachSummaryRecord(
                harbour, roads,
                [&seen](const SummaryRecord& r, int32_t) {
                  if (SummaryRecordLive(r)) seen.push_back(r.position);
                  return 0;
                },
                &wm, &wf, &around),
            0);
  EXPECT_NE(std::find(seen.begin(), seen.end(), far), seen.end());
}

TEST_F(UndoTest, DeletingObjectsByTheirIDsCannotBeUndoneAndClearsUndo) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  ObjectID id;
  NewObjectID(id);
  MakePoint(harbour, roads, "B", 4, 2000000, &id);
  Select(harbour, roads, a);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  ASSERT_EQ(UndoKindNow(), kUndoDelete);
  const std::string list = ObjectIDText(id) + "\r\n";
  ASSERT_EQ(DeleteObjectsOnLayer(harbour, roads, list.c_str()), 0);
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  const auto now = Picture();
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), now);
}

}  // namespace
}  // namespace tlv
