#include "edit/modify.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "edit/edit_fixture.h"

namespace tlv {
namespace {

class ModifyTest : public test::EditTest {};

TEST_F(ModifyTest, LineChoicesFollowTheMenuPositions) {
  const int16_t expected[11][2] = {{1, 1}, {1, 1}, {2, 1}, {1, 2}, {1, 3}, {1, 4},
                                   {4, 1}, {5, 1}, {3, 1}, {7, 1}, {10, 1}};
  for (int32_t choice = 0; choice <= 10; ++choice) {
    int16_t lineType = 0, variant = 0;
    LineChoice(choice, lineType, variant);
    EXPECT_EQ(lineType, expected[choice][0]) << choice;
    EXPECT_EQ(variant, expected[choice][1]) << choice;
  }
  int16_t lineType = 0, variant = 0;
  LineChoice(11, lineType, variant);
  EXPECT_EQ(lineType, 1);
  EXPECT_EQ(variant, 1);

  const int32_t a =
      MakePoly(harbour, roads, kPolygonObject, {{1000, 1000}, {2000, 3000}, {3000, 1000}});
  Select(harbour, roads, a);
  ASSERT_EQ(ModifySelectedObjects(kCommandLine, 8), 0);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).lineType, 3);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).variant, 1);
  UndoEntry entry;
  ASSERT_TRUE(GetUndoEntry(0, entry));
  EXPECT_EQ(entry.oldValue, 0) << "the polygon had line type 0, variant 0";
}

TEST_F(ModifyTest, CustomColourIsAskedForAndACancelChangesNothing) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  const auto before = Picture();
  EXPECT_EQ(ModifySelectedObjects(kCommandColour, kCustomColourValue), -1)
      << "without a colour chooser nothing can be asked";
  int asked = 0;
  ModifyHooks hooks;
  hooks.chooseCustomColour = [&asked](uint32_t&) {
    ++asked;
    return false;
  };
  SetModifyHooks(hooks);
  EXPECT_EQ(ModifySelectedObjects(kCommandColour, kCustomColourValue), -1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Picture(), before);

  hooks.chooseCustomColour = [](uint32_t& rgb) {
    rgb = 0x00FF8800;
    return true;
  };
  SetModifyHooks(hooks);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, kCustomColourValue), 0);
  bool present = false, active = false;
  uint32_t rgb = 0;
  ASSERT_EQ(GetObjectCustomColour(Objects(harbour, roads), a, present, active, rgb), 0);
  EXPECT_TRUE(present && active);
  EXPECT_EQ(rgb, 0xFF8800u);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 4) << "only the custom colour is stored";
}

TEST_F(ModifyTest, ObjectsOfANewerVersionAreRefusedWithTheSingularOrPluralMessage) {
  const int32_t a =
      MakePoly(harbour, roads, kPolygonObject, {{1000, 1000}, {2000, 3000}, {3000, 1000}});
  const int32_t b =
      MakePoly(harbour, roads, kPolygonObject, {{1000, 1000}, {2000, 3000}, {3000, 1000}});
  ASSERT_EQ(FSSetObjectVersionFlags(Objects(harbour, roads), a, kVersionReadable), 0);
  Select(harbour, roads, a);
  ASSERT_EQ(ModifySelectedObjects(kCommandFill, 7), 0);
  EXPECT_TRUE(Alerted(585));
  EXPECT_EQ(GraphicsOf(harbour, roads, a).fillPattern, 0);
  EXPECT_EQ(UndoEntryCount(), 0);

  platform().alerts.clear();
  Select(harbour, roads, b);
  ASSERT_EQ(ModifySelectedObjects(kCommandFill, 7), 0);
  EXPECT_TRUE(Alerted(571));
  EXPECT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(GraphicsOf(harbour, roads, b).fillPattern, 7) << "a refusal never stops the batch";
  EXPECT_EQ(UndoEntryCount(), 1);
}

TEST_F(ModifyTest, LocksRefuseChangesAndAnApplicationLockOnlyRefusesMoves) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  SetLock(roads, 1);
  ASSERT_EQ(ModifySelectedObjects(kCommandSymbol, 30), 0);
  EXPECT_TRUE(Alerted(581));
  EXPECT_EQ(GraphicsOf(harbour, roads, a).symbol, 212);

  SetLock(roads, 2);
  platform().alerts.clear();
  ASSERT_EQ(ModifySelectedObjects(kCommandSymbol, 30), 0);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(GraphicsOf(harbour, roads, a).symbol, 30);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
  EXPECT_TRUE(Alerted(581));
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{a});
}

TEST_F(ModifyTest, MapAndThematicRefusals) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  SetMap(harbour, 0, 1);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, 2), 0);
  EXPECT_TRUE(Alerted(647));
  SetMap(harbour, 1, 0);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, 2), 0);
  EXPECT_TRUE(Alerted(583));
  SetMap(harbour, 0, 0);
  ModifyHooks hooks;
  hooks.thematicMode = [this](int32_t mapID, int32_t overlayID) {
    return mapID == harbour && overlayID == roads;
  };
  SetModifyHooks(hooks);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, 2), 0);
  EXPECT_TRUE(Alerted(584));
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 4);

  // Moving to a locked or indexed map is refused by the target's state.
  SetModifyHooks(ModifyHooks());
  platform().alerts.clear();
  SetMap(inland, 1, 0);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, inland), 0);
  EXPECT_TRUE(Alerted(583));
  SetMap(inland, 0, 1);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, inland), 0);
  EXPECT_TRUE(Alerted(647));
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{a});
}

TEST_F(ModifyTest, PolySwapNeedsItsMenuValueAndPassesOverOtherKinds) {
  const int32_t line = MakePoly(harbour, roads, kPolylineObject, {{1000, 1000}, {2000, 3000}});
  const int32_t area =
      MakePoly(harbour, roads, kPolygonObject, {{1000, 1000}, {2000, 3000}, {3000, 1000}});
  const int32_t point = MakePoint(harbour, roads, "P", 4, 1000000);
  for (int32_t p : {line, area, point}) Select(harbour, roads, p);
  const auto before = Picture();
  ASSERT_EQ(ModifySelectedObjects(kCommandPolySwap, 414), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_EQ(UndoEntryCount(), 0);

  ASSERT_EQ(ModifySelectedObjects(kCommandPolySwap, kPolySwapValue), 0);
  EXPECT_EQ(TypeOf(harbour, roads, line), kPolygonObject);
  EXPECT_EQ(TypeOf(harbour, roads, area), kPolylineObject);
  EXPECT_EQ(TypeOf(harbour, roads, point), kPointObject);
  EXPECT_EQ(UndoKindNow(), kUndoPolySwap);
}

TEST_F(ModifyTest, MovingToTheOverlayItIsOnDoesNothingAndRecordsNothing) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  const auto before = Picture();
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, roads), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_EQ(UndoKindNow(), kUndoMoveToOverlay);
  EXPECT_EQ(UndoEntryCount(), 0);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, harbour), 0);
  EXPECT_EQ(UndoEntryCount(), 0);
}

TEST_F(ModifyTest, MovingToAnotherOverlayTakesTheAliasesAndTheSelectionAlong) {
  const int32_t a = MakePoint(harbour, roads, "Pump", 4, 1000000);
  MakeAlias(harbour, roads, a, "Pump alias");
  std::vector<std::pair<int32_t, int32_t>> renamed;
  SelectionHooks selectionHooks;
  selectionHooks.renameCollected = [&renamed](const ObjectRef& from, const ObjectRef& to) {
    renamed.push_back({from.position, to.position});
  };
  SetSelectionHooks(selectionHooks);
  Select(harbour, roads, a);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);

  EXPECT_TRUE(LivePositions(harbour, roads).empty()) << "the object and its alias left";
  const auto moved = LivePositions(harbour, sites);
  ASSERT_EQ(moved.size(), 2u);
  UndoEntry entry;
  ASSERT_TRUE(GetUndoEntry(0, entry));
  EXPECT_EQ(entry.overlayID, sites);
  EXPECT_EQ(entry.oldValue, roads);
  EXPECT_EQ(entry.oldValue2, a);
  EXPECT_TRUE(IsSelected(harbour, sites, entry.position));
  EXPECT_FALSE(IsSelected(harbour, roads, a));
  ASSERT_EQ(renamed.size(), 1u);
  EXPECT_EQ(renamed[0].second, entry.position);
}

TEST_F(ModifyTest, AnObjectWhoseIDIsAlreadyAtTheTargetStaysAndMessage526IsShown) {
  ObjectID id;
  NewObjectID(id);
  const int32_t a = MakePoint(harbour, roads, "Pump", 4, 1000000, &id);
  MakePoint(inland, roads, "Pump copy", 4, 1000000, &id);
  Select(harbour, roads, a);
  const auto before = Picture();
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToMap, inland), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_TRUE(Alerted(526));
  EXPECT_EQ(UndoEntryCount(), 0);
}

TEST_F(ModifyTest, GraphicsOverrideOverlaysGiveOneNote) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  const int32_t b = MakePoint(harbour, roads, "B", 4, 2000000);
  SetLayerField(roads, 1, kDisplayShow);
  Select(harbour, roads, a);
  Select(harbour, roads, b);
  ASSERT_EQ(ModifySelectedObjects(kCommandColour, 6), 0);
  EXPECT_EQ(platform().alerts.size(), 1u);
  EXPECT_TRUE(Alerted(566));
  EXPECT_EQ(platform().alerts.back().kind, kNoteAlert);
}

TEST_F(ModifyTest, EscapeIsPolledEveryTenthObjectAndStopsTheBatch) {
  std::vector<int32_t> made;
  for (int i = 0; i < 12; ++i) {
    made.push_back(MakePoint(harbour, roads, "P", 4, 1000000 + 100 * i));
    Select(harbour, roads, made.back());
  }
  platform().escapeChecks = 0;
  platform().escapeAtCheck = 1;
  EXPECT_EQ(ModifySelectedObjects(kCommandColour, 9), -1);
  EXPECT_EQ(platform().escapeChecks, 1);
  EXPECT_EQ(UndoEntryCount(), 9) << "what was done before the stop stays undoable";
  EXPECT_EQ(GraphicsOf(harbour, roads, made[8]).colour, 9);
  EXPECT_EQ(GraphicsOf(harbour, roads, made[9]).colour, 4);
}

TEST_F(ModifyTest, AReadFailureStopsTheBatchWithItsCodeAndKeepsWhatWasDoneUndoable) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  const int32_t b = MakePoint(harbour, roads, "B", 4, 2000000);
  Select(harbour, roads, a);
  Select(harbour, roads, 900000);  // no record there
  Select(harbour, roads, b);
  EXPECT_NE(ModifySelectedObjects(kCommandColour, 10), 0);
  EXPECT_FALSE(platform().alerts.empty()) << "the accessor reported the failure";
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 10);
  EXPECT_EQ(GraphicsOf(harbour, roads, b).colour, 4) << "the batch stopped at the failure";
  EXPECT_EQ(UndoEntryCount(), 1);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(GraphicsOf(harbour, roads, a).colour, 4);
}

TEST_F(ModifyTest, LockedOverlaysDeleteOnTheUsersMapButNotOnAnApplicationsMap) {
  const int32_t mine = MakePoint(user, roads, "Mine", 4, 1000000);
  SetLock(roads, 1);
  Select(user, roads, mine);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(LivePositions(user, roads).empty());
  EXPECT_TRUE(platform().alerts.empty());

  SetMap(harbour, 0, 0, "ZPHA");
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  const int32_t b = MakePoint(harbour, roads, "B", 4, 2000000);
  Select(harbour, roads, a);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(Alerted(589));
  platform().alerts.clear();
  Select(harbour, roads, b);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_EQ(platform().alerts.size(), 1u);
  EXPECT_TRUE(Alerted(587));
  EXPECT_EQ(LivePositions(harbour, roads), (std::vector<int32_t>{a, b}));
  EXPECT_EQ(UndoEntryCount(), 0);

  // The owning application's lock refuses only with its no-delete flag, and then with code 4.
  platform().alerts.clear();
  SetLock(roads, 2);
  ASSERT_EQ(RemoveSelectedObject(harbour, roads, b, true), 0);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{b});
  SetLock(roads, 2, kNoDeleteFlag);
  Select(harbour, roads, b);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(Alerted(612));
}

TEST_F(ModifyTest, AnObjectAndItsSelectedAliasAreDeletedOnceAndComeBackTogether) {
  for (bool aliasFirst : {false, true}) {
    const int32_t object = MakePoint(harbour, roads, "Depot", 4, 1000000);
    const int32_t alias = MakeAlias(harbour, roads, object, "Depot alias");
    const auto before = Picture();
    const int32_t count = FileCount();
    if (aliasFirst) Select(harbour, roads, alias);
    Select(harbour, roads, object);
    if (!aliasFirst) Select(harbour, roads, alias);
    ASSERT_EQ(DeleteSelectedObjects2(), 0);
    const auto live = LivePositions(harbour, roads);
    EXPECT_EQ(std::count(live.begin(), live.end(), object), 0) << aliasFirst;
    EXPECT_EQ(std::count(live.begin(), live.end(), alias), 0) << aliasFirst;
    EXPECT_EQ(FileCount(), count - 2) << "each record leaves the count once";
    EXPECT_EQ(UndoEntryCount(), 2) << "the object and the alias that went with it";
    ASSERT_EQ(Undo(), 0);
    EXPECT_EQ(Picture(), before) << aliasFirst;
    EXPECT_EQ(FileCount(), count);
    RemoveAllSelectedObjects();
    SetUndoNothing();
  }
}

TEST_F(ModifyTest, AnAliasMovedWithItsObjectIsNotMovedAgain) {
  const int32_t object = MakePoint(harbour, roads, "Depot", 4, 1000000);
  const int32_t alias = MakeAlias(harbour, roads, object, "Depot alias");
  Select(harbour, roads, object);
  Select(harbour, roads, alias);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
  EXPECT_TRUE(platform().alerts.empty()) << "no duplicate ID for the alias that went along";
  EXPECT_EQ(LivePositions(harbour, sites).size(), 2u);
  EXPECT_EQ(UndoEntryCount(), 2) << "the object's move and its alias's";
}

TEST_F(ModifyTest, DeleteRefusesOnIndexedAndLockedMaps) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  Select(harbour, roads, a);
  SetMap(harbour, 0, 1);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(Alerted(644));
  SetMap(harbour, 1, 0);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(Alerted(597));
  EXPECT_EQ(LastRefusalCode(), kRefusedMapLocked);
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{a});
}

TEST_F(ModifyTest, MoreThanTenDeletionsRedrawTheMapOnceInsteadOfEachArea) {
  int mapRedraws = 0;
  ModifyHooks hooks;
  hooks.redrawMap = [&mapRedraws] { ++mapRedraws; };
  SetModifyHooks(hooks);
  for (int i = 0; i < 10; ++i) Select(harbour, roads, MakePoint(harbour, roads, "P", 4, 1000 + i));
  redraws = 0;
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_EQ(redraws, 10);
  EXPECT_EQ(mapRedraws, 0);

  for (int i = 0; i < 11; ++i) Select(harbour, roads, MakePoint(harbour, roads, "P", 4, 1000 + i));
  redraws = 0;
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_EQ(redraws, 0);
  EXPECT_EQ(mapRedraws, 1);
  EXPECT_EQ(UndoEntryCount(), 11);
  EXPECT_EQ(SelectedObjectCount(), 0);
}

TEST_F(ModifyTest, DeletingAnObjectLeavesAnAliasDeletedEarlierDeletedAndUndoBringsBackOnlyItsOwn) {
  const int32_t object = MakePoint(harbour, roads, "Depot", 4, 1000000);
  const int32_t north = MakeAlias(harbour, roads, object, "Depot north");
  const int32_t south = MakeAlias(harbour, roads, object, "Depot south");
  Select(harbour, roads, south);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  const auto before = Picture();

  Select(harbour, roads, object);
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_TRUE(LivePositions(harbour, roads).empty()) << "the south alias stays deleted";
  EXPECT_TRUE(CountsMatchLiveRecords());
  const auto after = Picture();

  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before) << "the object and its north alias, not the south one";
  EXPECT_TRUE(CountsMatchLiveRecords());
  EXPECT_TRUE(IsSelected(harbour, roads, object));
  EXPECT_FALSE(IsSelected(harbour, roads, north)) << "the alias only went along";
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), after);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(ModifyTest, AnAliasMovesOnlyWithItsObject) {
  const int32_t object = MakePoint(harbour, roads, "Depot", 4, 1000000);
  const int32_t alias = MakeAlias(harbour, roads, object, "Depot alias");
  const auto before = Picture();
  // Alone it would stand for nothing in the other overlay.
  Select(harbour, roads, alias);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
  EXPECT_TRUE(Alerted(586));
  EXPECT_EQ(Picture(), before);
  EXPECT_EQ(UndoEntryCount(), 0);

  // Selected before its object, it goes along with it and is not moved again.
  platform().alerts.clear();
  Select(harbour, roads, object);
  ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_TRUE(LivePositions(harbour, roads).empty());
  EXPECT_EQ(LivePositions(harbour, sites).size(), 2u);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(ModifyTest, ObjectsAreNotMovedIntoALockedOverlay) {
  const int32_t a = MakePoint(harbour, roads, "A", 4, 1000000);
  for (int32_t lock : {1, 2, 3}) {
    SetLock(sites, lock);
    platform().alerts.clear();
    Select(harbour, roads, a);
    ASSERT_EQ(ModifySelectedObjects(kCommandMoveToOverlay, sites), 0);
    EXPECT_TRUE(Alerted(581)) << "lock kind " << lock;
    EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{a});
    EXPECT_TRUE(LivePositions(harbour, sites).empty());
    EXPECT_EQ(UndoEntryCount(), 0);
  }
}

TEST_F(ModifyTest, AMoveWhosePictureCannotBeCopiedLeavesNothingAtTheTarget) {
  const std::string missing = "pier.png";  // never written to the Harbour folder
  ObjectContents contents;
  contents.prefix = "";
  contents.name = "Pier photo";
  contents.rect = WRect{7000, 7000, 7100, 7100};
  contents.textOrPicture = missing;
  ObjectID id;
  NewObjectID(id);
  int32_t picture = -1;
  ASSERT_EQ(CreateObject(harbour, sites, kPictureObject, id, contents, picture), 0);
  MakePoint(inland, sites, "Already there", 4, 1000000);
  const auto before = Picture();
  Select(harbour, sites, picture);
  EXPECT_NE(ModifySelectedObjects(kCommandMoveToMap, inland), 0);
  EXPECT_FALSE(platform().alerts.empty()) << "the failed copy was reported";
  EXPECT_EQ(Picture(), before) << "no half-made copy with the same ID stays live";
  EXPECT_TRUE(CountsMatchLiveRecords());
  EXPECT_EQ(UndoEntryCount(), 0);
}

TEST_F(ModifyTest, AnUnreadableObjectIsReportedAndTheDeleteBatchGoesOn) {
  const int32_t unreadable = MakePoint(harbour, roads, "Newer", 4, 1000000);
  const int32_t a = MakePoint(harbour, roads, "A", 4, 2000000);
  const int32_t b = MakePoint(harbour, roads, "B", 4, 3000000);
  ASSERT_EQ(FSSetObjectVersionFlags(Objects(harbour, roads), unreadable, 0), 0);
  for (int32_t p : {unreadable, a, b}) Select(harbour, roads, p);
  EXPECT_EQ(DeleteSelectedObjects2(), 0);
  EXPECT_EQ(AlertsContaining("cannot be read"), 1u);
  EXPECT_EQ(LivePositions(harbour, roads), std::vector<int32_t>{unreadable});
  EXPECT_EQ(UndoEntryCount(), 2);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(ModifyTest, LargeDeleteBatchesTellTheirProgressAndStopOnEscape) {
  const std::string processed = MessageText(632);
  for (int i = 0; i < 25; ++i) Select(harbour, roads, MakePoint(harbour, roads, "P", 4, 1000 + i));
  platform().messageLines.clear();
  ASSERT_EQ(DeleteSelectedObjects2(), 0);
  const auto& lines = platform().messageLines;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "10 " + processed), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "20 " + processed), lines.end());
  EXPECT_TRUE(LivePositions(harbour, roads).empty());

  // A new run of lookups, a while later; Escape is seen at the second check (the 20th object).
  platform().fixedTicks += 1000;
  for (int i = 0; i < 25; ++i) Select(harbour, roads, MakePoint(harbour, roads, "Q", 4, 1000 + i));
  platform().escapeChecks = 0;
  platform().escapeAtCheck = 2;
  EXPECT_EQ(DeleteSelectedObjects2(), -1);
  EXPECT_EQ(platform().escapeChecks, 2);
  EXPECT_EQ(LivePositions(harbour, roads).size(), 25u - 19u);
  EXPECT_EQ(UndoEntryCount(), 19) << "what was deleted before the stop stays undoable";
  EXPECT_TRUE(CountsMatchLiveRecords());
}

}  // namespace
}  // namespace tlv
