#include "edit/edit_targets.h"

#include <gtest/gtest.h>

#include "catalogue/display_settings.h"
#include "edit/life_cycle.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

constexpr const char* kNoEditableMap =
    "There must be at least one map in use and editable to add an object or perform other edits.";
constexpr const char* kOwnerNotRunning =
    "The selected object(s) cannot be deleted because the application associated with their map "
    "is not running.";

// The view of the tests: a small square around (10,000,000, 10,000,000).
WRect testView{9000000, 9000000, 11000000, 11000000};
WRect TestView() {
  return testView;
}
const WRect kHoldsView{0, 0, 20000000, 20000000};
const WRect kElsewhere{100000000, 100000000, 120000000, 120000000};

class EditTargetsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    ResetEditTargetsForTesting();
    ResetDisplaySettingsForTesting();
    ResetLifeCycleForTesting();
    SetEditViewSource(TestView);
    MakeMap("Alpha", "Alpha");
    MakeMap("Bravo", "Bravo");
    MakeMap("Charlie", "Charlie");
    ASSERT_EQ(LoadAll(), 0);
    ASSERT_EQ(MapCount(), 4);
    alpha = MapNameToIndex("Alpha");
    bravo = MapNameToIndex("Bravo");
    charlie = MapNameToIndex("Charlie");
    user = MapIDToIndex(UserMapID());
    ASSERT_GE(user, 0);
    platform().fixedClock = true;
    platform().fixedSeconds1970 = 1700000000;
  }
  void TearDown() override {
    ResetEditTargetsForTesting();
    ResetDisplaySettingsForTesting();
    ResetLifeCycleForTesting();
    CatalogueTest::TearDown();
  }

  void SetMap(int32_t index, int32_t inUse, int32_t locked, const WRect& extent) {
    MapRecord map = MapAt(index);
    map.inUse = inUse;
    map.locked = locked;
    map.extent = extent;
    ASSERT_TRUE(SetMapRecord(index, map));
  }
  void SetOwner(int32_t index, const char* owner, int16_t deletePolicy) {
    MapRecord map = MapAt(index);
    CopyToField(map.owner, owner);
    map.policies[0] = deletePolicy;
    ASSERT_TRUE(SetMapRecord(index, map));
  }

  int32_t AddOverlay(const std::string& wanted, bool deleteAtQuit) {
    std::string name = wanted;
    int32_t position = -1;
    EXPECT_EQ(AddLayer(name, false, false, deleteAtQuit, position), 0);
    return LayerAt(position).layerID;
  }
  int32_t MakePoint(int32_t mapID, int32_t overlayID) {
    ObjectID id;
    NewObjectID(id);
    const std::string prefix;
    const std::string name = "Spot";
    const WRect rect{10000000, 10000000, 10000000, 10000000};
    ObjectGraphics graphics;
    graphics.symbol = 212;
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.graphics = graphics;
    contents.rect = rect;
    int32_t position = -1;
    EXPECT_EQ(CreateObject(mapID, overlayID, kPointObject, id, contents, position), 0);
    return position;
  }
  int32_t LiveCount(int32_t mapID, int32_t overlayID) {
    int32_t count = 0;
    int32_t m = -1;
    int32_t f = -1;
    EXPECT_EQ(ForEachSummaryRecord(
                  mapID, overlayID,
                  [&count](const SummaryRecord& r, int32_t) {
                    if (SummaryRecordLive(r)) ++count;
                    return 0;
                  },
                  &m, &f),
              0);
    return count;
  }
  int32_t TemporaryID() { return LayerAt(TemporaryLayerIndex()).layerID; }

  int32_t alpha = -1;
  int32_t bravo = -1;
  int32_t charlie = -1;
  int32_t user = -1;
};

TEST_F(EditTargetsTest, TheTemporaryOverlayIsFoundByName) {
  ASSERT_GE(TemporaryLayerIndex(), 0);
  EXPECT_EQ(LayerName(TemporaryLayerIndex()), "Temporary Overlay");
}

TEST_F(EditTargetsTest, OnlyTheUsersMapInUseTakesEveryNewObject) {
  SetMap(user, 1, 0, kElsewhere);
  for (int32_t i : {alpha, bravo, charlie}) SetMap(i, 0, 0, kHoldsView);
  EXPECT_EQ(ChooseEditMap(), user);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(EditTargetsTest, FirstUnlockedMapHoldingTheViewWhenTheUsersMapIsNotInUse) {
  SetMap(user, 0, 0, kHoldsView);
  SetMap(alpha, 1, 0, kElsewhere);
  SetMap(bravo, 1, 0, kHoldsView);
  SetMap(charlie, 1, 0, kHoldsView);
  EXPECT_EQ(ChooseEditMap(), bravo);
  // A locked map is passed over even when it holds the view.
  SetMap(bravo, 1, 1, kHoldsView);
  EXPECT_EQ(ChooseEditMap(), charlie);
}

TEST_F(EditTargetsTest, TheRememberedMapComesFirstThenLast) {
  SetMap(user, 0, 0, kHoldsView);
  SetMap(alpha, 1, 0, kHoldsView);
  SetMap(bravo, 1, 0, kHoldsView);
  SetMap(charlie, 1, 0, kElsewhere);
  SetEditTarget(MapAt(bravo).mapID, 1000);
  EXPECT_EQ(ChooseEditMap(), bravo);
  // Outside its extent the first map holding the view wins; with none, the remembered map.
  SetEditTarget(MapAt(charlie).mapID, 1000);
  EXPECT_EQ(ChooseEditMap(), alpha);
  SetMap(alpha, 1, 0, kElsewhere);
  SetMap(bravo, 1, 0, kElsewhere);
  EXPECT_EQ(ChooseEditMap(), charlie);
  // Not in use: the first map in use and unlocked.
  SetMap(charlie, 0, 0, kElsewhere);
  EXPECT_EQ(ChooseEditMap(), alpha);
  EXPECT_EQ(EditTargetOverlayID(), 1000);
}

TEST_F(EditTargetsTest, ALockedUsersMapTakesNoObjects) {
  SetMap(user, 1, 1, kHoldsView);
  SetMap(alpha, 0, 0, kHoldsView);
  SetMap(bravo, 1, 0, kElsewhere);
  SetMap(charlie, 0, 0, kHoldsView);
  EXPECT_EQ(ChooseEditMap(), bravo);
}

TEST_F(EditTargetsTest, AllMapsLockedOrUnusedGivesString152) {
  SetMap(user, 1, 1, kHoldsView);
  SetMap(alpha, 1, 1, kHoldsView);
  SetMap(bravo, 0, 0, kHoldsView);
  SetMap(charlie, 1, 1, kElsewhere);
  EXPECT_EQ(ChooseEditMap(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, kNoEditableMap);
}

TEST_F(EditTargetsTest, OwnerCodesThatMakeAMapOwned) {
  EXPECT_FALSE(OwnerCodeIsApplication("00000"));
  EXPECT_TRUE(OwnerCodeIsApplication("ZPHA"));
  EXPECT_FALSE(OwnerCodeIsApplication("1234"));
  EXPECT_TRUE(OwnerCodeIsApplication("12A4"));
  EXPECT_FALSE(OwnerCodeIsApplication("ZPH"));
  EXPECT_FALSE(OwnerCodeIsApplication(""));
}

bool ownerRuns = false;

TEST_F(EditTargetsTest, DeletePolicyOfOwnedMaps) {
  // Not owned: allowed whatever the policies say.
  SetOwner(alpha, "1234", 1);
  EXPECT_EQ(MayDeleteOnMap(alpha, 2), MapDeleteCheck::kAllowed);
  // Owned and allowed: no question, no message.
  SetOwner(alpha, "ZPHA", 2);
  EXPECT_EQ(MayDeleteOnMap(alpha, 2), MapDeleteCheck::kAllowed);
  EXPECT_TRUE(platform().alerts.empty());
  SetOwner(alpha, "ZPHA", 1);
  EXPECT_EQ(MayDeleteOnMap(alpha, 1), MapDeleteCheck::kRefused);
  EXPECT_EQ(AlertsContaining("The selected object could not be deleted because the application"),
            1u);
  // Ask the owner: refused while it does not run, handed over when it does.
  SetOwner(alpha, "ZPHA", 3);
  EXPECT_EQ(MayDeleteOnMap(alpha, 3), MapDeleteCheck::kRefused);
  EXPECT_EQ(platform().alerts.back().text, kOwnerNotRunning);
  ownerRuns = true;
  SetOwnerRunningTest([](std::string_view owner) { return ownerRuns && owner == "ZPHA"; });
  EXPECT_EQ(MayDeleteOnMap(alpha, 3), MapDeleteCheck::kAskOwner);
}

TEST_F(EditTargetsTest, IndexedAndLockedMapsRefuseBeforeThePolicy) {
  MapRecord map = MapAt(bravo);
  map.indexed = 1;
  map.locked = 1;
  ASSERT_TRUE(SetMapRecord(bravo, map));
  EXPECT_EQ(MayDeleteOnMap(bravo, 1), MapDeleteCheck::kRefused);
  EXPECT_EQ(platform().alerts.back().text,
            "The selected object could not be deleted because its map is an indexed map or "
            "CDMap.");
  map.indexed = 0;
  ASSERT_TRUE(SetMapRecord(bravo, map));
  EXPECT_EQ(MayDeleteOnMap(bravo, 5), MapDeleteCheck::kRefused);
  EXPECT_EQ(platform().alerts.back().text,
            "The selected objects could not be deleted because their map is locked.");
}

TEST_F(EditTargetsTest, TemporaryObjectsOnTheUsersMapAreCountedAndDeleted) {
  int32_t count = -1;
  ASSERT_EQ(CountTemporaryObjectsOnUserMap(count), 0);
  EXPECT_EQ(count, 0);
  const int32_t userID = UserMapID();
  const int32_t temporary = TemporaryID();
  MakePoint(userID, temporary);
  const int32_t second = MakePoint(userID, temporary);
  MakePoint(userID, temporary);
  // Objects elsewhere do not count.
  MakePoint(MapAt(alpha).mapID, temporary);
  ASSERT_EQ(DeleteObjectRecord(userID, temporary, second, false, false, false), 0);
  ASSERT_EQ(CountTemporaryObjectsOnUserMap(count), 0);
  EXPECT_EQ(count, 2);

  ASSERT_EQ(DeleteTemporaryObjectsOnUserMap(), 0);
  ASSERT_EQ(CountTemporaryObjectsOnUserMap(count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(LiveCount(MapAt(alpha).mapID, temporary), 1);
  const int32_t file = OverlayFileIndexForID(user, temporary);
  OverlayFileRecord entry;
  ASSERT_TRUE(GetOverlayFileRecord(user, file, entry));
  EXPECT_EQ(entry.objectCount, 0);
}

TEST_F(EditTargetsTest, DeleteAtQuitSparesTheTemporaryOverlayAndOtherMaps) {
  const int32_t userID = UserMapID();
  const int32_t scratch = AddOverlay("Scratch", true);
  const int32_t kept = AddOverlay("Kept", false);
  MakePoint(userID, scratch);
  MakePoint(userID, scratch);
  MakePoint(userID, kept);
  MakePoint(userID, TemporaryID());
  MakePoint(MapAt(alpha).mapID, scratch);
  ASSERT_EQ(DeleteObjectsAtQuit(), 0);
  EXPECT_EQ(LiveCount(userID, scratch), 0);
  EXPECT_EQ(LiveCount(userID, kept), 1);
  EXPECT_EQ(LiveCount(userID, TemporaryID()), 1);
  EXPECT_EQ(LiveCount(MapAt(alpha).mapID, scratch), 1);
}

TEST_F(EditTargetsTest, ALockedUsersMapHasNoTemporaryObjectsToAskAbout) {
  MakePoint(UserMapID(), TemporaryID());
  SetMap(user, 1, 1, kUnionStartRect);
  int32_t count = -1;
  ASSERT_EQ(CountTemporaryObjectsOnUserMap(count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(EditTargetsTest, UnlockingTheTemporaryOverlayRaisesTheUnlockedFlag) {
  EXPECT_FALSE(AnyLayerUnlocked());
  EXPECT_EQ(LayerAt(TemporaryLayerIndex()).lockState, 1);
  UnlockTemporaryLayer();
  EXPECT_EQ(LayerAt(TemporaryLayerIndex()).lockState, 0);
  EXPECT_TRUE(SomeLayerUnlocked());
}

}  // namespace
}  // namespace tlv::test

namespace tlv::test {
namespace {

TEST_F(EditTargetsTest, ExtentsComeFromTheOverlayFilesAndFollowNewObjects) {
  // Bravo's objects cover the view; Charlie has an overlay file without placed objects.
  WriteWholeFile(root / "OverlayMaps" / "Bravo" / "WELLS.LYR",
                 LayerHeaderBytes("Wells", 4, kHoldsView));
  WriteWholeFile(root / "OverlayMaps" / "Bravo" / "WELLS.OBJ", "");
  WriteWholeFile(root / "OverlayMaps" / "Bravo" / "WELLS.SUM", "");
  MakeLayerFile(root / "OverlayMaps" / "Charlie", "WELLS", "Wells", 0);
  WriteWholeFile(root / "OverlayMaps" / "Charlie" / "WELLS.LYR",
                 LayerHeaderBytes("Wells", 0, kUnionStartRect));
  ReleaseCatalogue();
  ASSERT_EQ(LoadAll(), 0);
  alpha = MapNameToIndex("Alpha");
  bravo = MapNameToIndex("Bravo");
  charlie = MapNameToIndex("Charlie");
  user = MapIDToIndex(UserMapID());
  const WRect extent = MapAt(bravo).extent;
  EXPECT_EQ(extent.x1, kHoldsView.x1);
  EXPECT_EQ(extent.y2, kHoldsView.y2);
  EXPECT_FALSE(MapExtentKnown(MapAt(charlie).extent)) << "no placed object, no extent";

  // With the User's Map not in use, the map whose objects hold the view takes new objects.
  MapRecord userMap = MapAt(user);
  userMap.inUse = 0;
  ASSERT_TRUE(SetMapRecord(user, userMap));
  EXPECT_EQ(ChooseEditMap(), bravo);

  // An object made on Charlie becomes the edit target, and Charlie's extent takes it in.
  const int32_t wells = LayerAt(LayerNameToIndex("Wells")).layerID;
  MakePoint(MapAt(charlie).mapID, wells);
  NoteObjectAddedOrChanged(MapAt(charlie).mapID, wells);
  EXPECT_EQ(EditTargetMapID(), MapAt(charlie).mapID);
  EXPECT_EQ(EditTargetOverlayID(), wells);
  const WRect grown = MapAt(charlie).extent;
  EXPECT_EQ(grown.x1, 10000000);
  EXPECT_EQ(grown.y1, 10000000);
  EXPECT_EQ(grown.x2, 10000000);
  EXPECT_EQ(grown.y2, 10000000);
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv::test
