#include "edit/life_cycle.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/memory.h"
#include "store/object_record.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class LifeCycleTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    platform().fixedTicks = 4242;
  }

  // A point object with a name at a place.
  int32_t MakePoint(int32_t mapID, int32_t overlayID, const std::string& name, const WRect& rect,
                    ObjectID* idOut = nullptr) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 15;
    ObjectID id;
    const int32_t position =
        MakeObject(mapID, overlayID, kPointObject, name, &graphics, rect, nullptr, &id);
    if (idOut != nullptr) *idOut = id;
    return position;
  }

  OverlayFileRecord FileOf(int32_t mapID, int32_t overlayID) {
    const int32_t m = MapIDToIndex(mapID);
    OverlayFileRecord entry;
    EXPECT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, overlayID), entry));
    return entry;
  }

  int32_t scratchMap = -1, scratchFile = -1;
};

TEST_F(LifeCycleTest, IDsTakeTheTimeAndARunCounter) {
  ObjectID a, b;
  NewObjectID(a);
  NewObjectID(b);
  // 1700000000 + 2082816000 = 3782816000.
  EXPECT_EQ(static_cast<uint32_t>(a.high), 3782816000u);
  EXPECT_EQ(a.high, b.high);
  EXPECT_EQ(static_cast<uint32_t>(b.low) - static_cast<uint32_t>(a.low), 1u);
  EXPECT_EQ(static_cast<uint32_t>(a.low), 4242u * 65536u + 1u);
  EXPECT_EQ(ObjectIDText({0x1A, static_cast<int32_t>(0xFFFFFFFF)}), "0000001AFFFFFFFF");
}

TEST_F(LifeCycleTest, CreateObjectWritesRecordSummaryCountAndBounds) {
  const WRect rect{100000000, 120000000, 100000010, 120000010};
  ObjectID id;
  const int32_t at = MakePoint(harbour, roads, "Pump 7", rect, &id);
  ASSERT_EQ(at, 0) << "the first object starts the object file";

  // The overlay got its files on the map when its first object arrived.
  const OverlayFileRecord entry = FileOf(harbour, roads);
  EXPECT_EQ(entry.objectCount, 1);
  EXPECT_EQ(entry.bounds.x1, rect.x1);
  EXPECT_EQ(entry.bounds.y2, rect.y2);

  BufferedFile& file = Objects(harbour, roads);
  std::string prefix, name;
  int32_t freeRoom = -1;
  ASSERT_EQ(FSGetObjectName(file, at, prefix, name, &freeRoom), 0);
  EXPECT_EQ(name, "Pump 7");
  EXPECT_EQ(freeRoom, 0) << "a new record has no spare room";
  int32_t length = 0;
  FSGetObjectLength(file, at, length);
  EXPECT_EQ(length, 69 + 6 + 2 - 4);
  ObjectGraphics graphics;
  FSGetObjectGraphics(file, at, graphics);
  EXPECT_EQ(graphics.symbol, 212);
  WRect stored;
  FSGetObjectWorldRect(file, at, stored);
  EXPECT_EQ(stored.x2, rect.x2);
  uint32_t modTime = 0;
  FSGetObjectModTime(file, at, modTime);
  EXPECT_EQ(modTime, 3782816000u);

  const auto records = Summaries(harbour, roads);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].position, 0);
  EXPECT_EQ(records[0].worldRect.y1, rect.y1);
  EXPECT_EQ(records[0].idLow, id.low);
  EXPECT_EQ(std::string(records[0].nameStart, 4), "Pump");

  // The overlay file header on disk carries the count.
  const std::string header =
      test::ReadWholeFile(harbourFolder / (std::string(entry.baseName) + ".LYR"));
  ASSERT_EQ(header.size(), 52u);
  EXPECT_EQ(GetBig32(header.data() + 48), 1);
}

TEST_F(LifeCycleTest, DeletingAnObjectWithTwoAliasesMarksThreeRecordsAndUndeleteBringsThemBack) {
  ObjectID id;
  const int32_t original = MakePoint(harbour, roads, "Depot", {1000, 2000, 1010, 2010}, &id);
  BufferedFile& file = Objects(harbour, roads);
  ASSERT_EQ(FSSetObjectAliasCount(file, original, 2), 0);
  const std::string prefix;
  for (const char* aliasName : {"Depot north", "Depot south"}) {
    const std::string name = aliasName;
    const WRect idRect{id.high, id.low, 0, 0};
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.rect = idRect;
    int32_t alias = -1;
    ObjectID aliasID;
    NewObjectID(aliasID);
    ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, alias), 0);
  }
  std::vector<int32_t> seen;
  ASSERT_EQ(ForEachAliasOf(
                harbour, roads, original,
                [&seen](int32_t p, const SummaryRecord&, int32_t) {
                  seen.push_back(p);
                  return 0;
                },
                false),
            0);
  EXPECT_EQ(seen.size(), 2u);

  DeletedRecords done;
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, original, true, false, true, &done), 0);
  int deleted = 0;
  for (const auto& r : Summaries(harbour, roads)) deleted += SummaryRecordLive(r) ? 0 : 1;
  EXPECT_EQ(deleted, 3);
  EXPECT_TRUE(done.deleted);
  EXPECT_EQ(done.aliases, seen);
  EXPECT_EQ(FileOf(harbour, roads).objectCount, 0) << "each record leaves the count";

  ASSERT_EQ(UndeleteObjectRecord(harbour, roads, original, done.aliases), 0);
  for (const auto& r : Summaries(harbour, roads)) EXPECT_TRUE(SummaryRecordLive(r));
  EXPECT_EQ(FileOf(harbour, roads).objectCount, 3);
}

TEST_F(LifeCycleTest, LongerNameRecreatesTheRecordAtTheEndWithTheSameID) {
  ObjectID id;
  const int32_t first = MakePoint(harbour, roads, "Gate", {5000, 5000, 5010, 5010}, &id);
  MakePoint(harbour, roads, "Other", {6000, 6000, 6010, 6010});

  // The record has no room for more: changing the name in place is refused.
  const std::string longer = "Gate house on the north pier";
  EXPECT_NE(FSSetObjectName(Objects(harbour, roads), first, "", longer, 0), 0);
  ASSERT_FALSE(platform().alerts.empty());
  platform().alerts.clear();

  std::vector<std::pair<int32_t, int32_t>> moves;
  LifeCycleHooks hooks;
  hooks.objectMoved = [&moves](const ObjectRef& from, const ObjectRef& to) {
    moves.push_back({from.position, to.position});
  };
  SetLifeCycleHooks(hooks);
  ObjectRef object{harbour, roads, first};
  const std::string prefix;
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = longer;
  ASSERT_EQ(ReplaceObjectContents(object, harbour, nullptr, contents, 0, 0), 0);
  EXPECT_GT(object.position, first);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].second, object.position);

  BufferedFile& file = Objects(harbour, roads);
  std::string p, name;
  FSGetObjectName(file, object.position, p, name);
  EXPECT_EQ(name, longer);
  ObjectID copied;
  FSGetObjectID(file, object.position, copied.high, copied.low);
  EXPECT_EQ(copied, id);
  WRect rect;
  FSGetObjectWorldRect(file, object.position, rect);
  EXPECT_EQ(rect.x1, 5000);

  const auto records = Summaries(harbour, roads);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_FALSE(SummaryRecordLive(records[0]));
  EXPECT_EQ(records[2].position, object.position);
  EXPECT_EQ(std::string(records[2].nameStart, 4), "Gate");
  EXPECT_EQ(FileOf(harbour, roads).objectCount, 2);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(LifeCycleTest, ALongerNameWithAShorterTextIsReMadeWithRoomForTheOldAndTheNew) {
  ObjectID id;
  NewObjectID(id);
  ObjectContents contents;
  contents.prefix = "";
  contents.name = "Note";
  contents.rect = WRect{5000, 5000, 5100, 5100};
  contents.textOrPicture = "Water main closed between the pier and the gate";
  int32_t at = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kTextObject, id, contents, at), 0);

  // The copy carries the old name and text before the new ones are written into it.
  ObjectRef object{harbour, roads, at};
  ObjectContents changed;
  changed.prefix = "";
  changed.name = "Note on the north pier";
  changed.textOrPicture = "Open";
  ASSERT_EQ(ReplaceObjectContents(object, harbour, nullptr, changed, 0, 0), 0);
  EXPECT_TRUE(platform().alerts.empty());
  BufferedFile& file = Objects(harbour, roads);
  std::string prefix, name, text;
  ASSERT_EQ(FSGetObjectName(file, object.position, prefix, name), 0);
  EXPECT_EQ(name, "Note on the north pier");
  ASSERT_EQ(FSGetObjectText(file, object.position, text), 0);
  EXPECT_EQ(text, "Open");
  int live = 0;
  for (const auto& r : Summaries(harbour, roads)) live += SummaryRecordLive(r) ? 1 : 0;
  EXPECT_EQ(live, 1);
  EXPECT_EQ(FileOf(harbour, roads).objectCount, 1);
}

TEST_F(LifeCycleTest, MovingAPolylineMovesItsSegmentsAndKeepsTheirPieceBits) {
  ObjectID id;
  NewObjectID(id);
  ScopedHandle points(MyNewHandle(3 * 8));
  const int32_t xy[6] = {static_cast<int32_t>(0x80000000u | 1000u), 1000, 2000, 1500, 3000, 1000};
  std::memcpy(*points.get(), xy, sizeof xy);
  const WRect rect{1000, 1000, 3000, 1500};
  const std::string prefix, name = "Creek";
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.rect = rect;
  contents.points = points.get();
  int32_t at = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kPolylineObject, id, contents, at), 0);

  ASSERT_EQ(ChangeObjectWRect(harbour, roads, at, nullptr, 100, -50), 0);
  BufferedFile& file = Objects(harbour, roads);
  Handle moved = nullptr;
  int32_t count = 0;
  ASSERT_EQ(FSGetObjectPoints(file, at, moved, count, true), 0);
  ScopedHandle owner(moved);
  ASSERT_EQ(count, 3);
  const auto* p = reinterpret_cast<const int32_t*>(*moved);
  EXPECT_EQ(static_cast<uint32_t>(p[0]), 0x80000000u | 1100u) << "the piece bit stays";
  EXPECT_EQ(p[1], 950);
  EXPECT_EQ(p[4], 3100);
  WRect after;
  FSGetObjectWorldRect(file, at, after);
  EXPECT_EQ(after.x1, 1100);
  EXPECT_EQ(after.y2, 1450);
  EXPECT_EQ(Summaries(harbour, roads)[0].worldRect.x2, 3100);
}

TEST_F(LifeCycleTest, BoundsShrinkWhenTheObjectOnTheEdgeMovesIn) {
  MakePoint(harbour, roads, "A", {1000, 1000, 1010, 1010});
  const int32_t edge = MakePoint(harbour, roads, "B", {9000, 9000, 9010, 9010});
  EXPECT_EQ(FileOf(harbour, roads).bounds.x2, 9010);
  const WRect inside{2000, 2000, 2010, 2010};
  ASSERT_EQ(ChangeObjectWRect(harbour, roads, edge, &inside, 0, 0), 0);
  EXPECT_EQ(FileOf(harbour, roads).bounds.x2, 2010);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, edge, false, false, false), 0);
  EXPECT_EQ(FileOf(harbour, roads).bounds.x2, 1010);
  EXPECT_EQ(FileOf(harbour, roads).objectCount, 1);
}

TEST_F(LifeCycleTest, PictureNamesAreMadeUniqueInTheFolder) {
  const int32_t folder = MapAt(MapNameToIndex("Harbour")).dirID;
  std::string name = std::string(36, 'p') + ".bmp";
  ASSERT_EQ(GetUniquePictObjectFileName(0, folder, name), 0);
  EXPECT_EQ(name, std::string(27, 'p') + ".bmp");

  test::WriteWholeFile(harbourFolder / "river.jpg", "x");
  test::WriteWholeFile(harbourFolder / "river1.jpg", "x");
  name = "RIVER.JPG";
  ASSERT_EQ(GetUniquePictObjectFileName(0, folder, name), 0);
  EXPECT_EQ(name, "RIVER2.JPG") << "existing names match whatever their case";

  name = "maps/river.jpg";
  EXPECT_EQ(GetUniquePictObjectFileName(0, folder, name), -1);
  EXPECT_EQ(platform().alerts.back().text,
            "newFileName should not be a path in GetUniquePictObjectFileName");
}

TEST_F(LifeCycleTest, TooManyPicturesOfOneNameIsRefused) {
  const int32_t folder = MapAt(MapNameToIndex("Harbour")).dirID;
  test::WriteWholeFile(harbourFolder / "a.png", "x");
  for (int n = 1; n <= 999; ++n)
    test::WriteWholeFile(harbourFolder / ("a" + std::to_string(n) + ".png"), "");
  std::string name = "a.png";
  EXPECT_EQ(GetUniquePictObjectFileName(0, folder, name), -1);
  EXPECT_EQ(platform().alerts.back().text,
            "There are too many pictures with that name in this map's folder.");
}

TEST_F(LifeCycleTest, CopyingAPictureToAnotherMapCopiesItsFileUnderAFreeName) {
  test::WriteWholeFile(harbourFolder / "pier.png", "picture bytes");
  test::WriteWholeFile(root / "OverlayMaps" / "Inland" / "pier.png", "another picture");
  ObjectID id;
  NewObjectID(id);
  const std::string prefix, name = "Pier photo", file = "pier.png";
  const WRect rect{7000, 7000, 7100, 7100};
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.rect = rect;
  contents.textOrPicture = file;
  int32_t at = -1;
  ASSERT_EQ(CreateObject(harbour, sites, kPictureObject, id, contents, at), 0);

  int32_t copy = -1;
  ASSERT_EQ(FSCopyObject({harbour, sites, at}, inland, sites, 10, 0, 0, 0, copy, true), 0);
  std::string stored;
  ASSERT_EQ(FSGetObjectPICTFile(Objects(inland, sites), copy, stored), 0);
  EXPECT_EQ(stored, "pier1.png");
  EXPECT_EQ(test::ReadWholeFile(root / "OverlayMaps" / "Inland" / "pier1.png"), "picture bytes");
  ObjectID copiedID;
  FSGetObjectID(Objects(inland, sites), copy, copiedID.high, copiedID.low);
  EXPECT_EQ(copiedID, id);
  EXPECT_EQ(FileOf(inland, sites).bounds.x1, 7000);
}

TEST_F(LifeCycleTest, DeleteByIDListAndFindByID) {
  ObjectID a, b;
  MakePoint(harbour, roads, "A", {1000, 1000, 1010, 1010}, &a);
  const int32_t atB = MakePoint(inland, roads, "B", {2000, 2000, 2010, 2010}, &b);

  ObjectRef found;
  bool ok = false;
  // Short IDs are padded with zeros on the left; text after a blank is ignored.
  ASSERT_EQ(FindObjectByID(ObjectIDText(b) + " trailing", 0, 0, found, ok), 0);
  ASSERT_TRUE(ok);
  EXPECT_EQ(found.mapID, inland);
  EXPECT_EQ(found.position, atB);
  ASSERT_EQ(FindObjectByID(ObjectIDText(b), harbour, 0, found, ok), 0);
  EXPECT_FALSE(ok) << "another map's object is not found when a map is named";

  EXPECT_EQ(DeleteObjectsOnLayer(-1, roads, nullptr), -1);
  EXPECT_EQ(platform().alerts.back().text, "Programmer error in DeleteObjectsOnLayer.");
  const std::string list = ObjectIDText(a) + "\r\nnot an id\r" + ObjectIDText(b) + "\r\n";
  ASSERT_EQ(DeleteObjectsOnLayer(-1, roads, list.c_str()), 0);
  EXPECT_FALSE(SummaryRecordLive(Summaries(harbour, roads)[0]));
  EXPECT_FALSE(SummaryRecordLive(Summaries(inland, roads)[0]));
  ASSERT_EQ(FindObjectByID(ObjectIDText(b), 0, 0, found, ok), 0);
  EXPECT_FALSE(ok);
}

TEST_F(LifeCycleTest, AnIDListNamingAnObjectAndItsAliasDeletesEachRecordOnce) {
  ObjectID id;
  const int32_t object = MakePoint(harbour, roads, "Depot", {1000, 2000, 1010, 2010}, &id);
  ASSERT_EQ(FSSetObjectAliasCount(Objects(harbour, roads), object, 2), 0);
  std::vector<ObjectID> aliasIDs;
  for (const char* aliasName : {"Depot north", "Depot south"}) {
    ObjectContents contents;
    contents.prefix = "";
    contents.name = aliasName;
    contents.rect = WRect{id.high, id.low, 0, 0};
    ObjectID aliasID;
    NewObjectID(aliasID);
    aliasIDs.push_back(aliasID);
    int32_t alias = -1;
    ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, alias), 0);
  }
  MakePoint(harbour, roads, "Other", {3000, 3000, 3010, 3010});

  const std::string list = ObjectIDText(id) + "\r" + ObjectIDText(aliasIDs[0]) + "\r";
  ASSERT_EQ(DeleteObjectsOnLayer(harbour, roads, list.c_str()), 0);
  int live = 0;
  for (const auto& r : Summaries(harbour, roads)) live += SummaryRecordLive(r) ? 1 : 0;
  EXPECT_EQ(live, 1) << "the object took both its aliases along";
  EXPECT_EQ(FileOf(harbour, roads).objectCount, live);
}

TEST_F(LifeCycleTest, LockedMapKeepsItsObjects) {
  const int32_t at = MakePoint(harbour, roads, "Kept", {1000, 1000, 1010, 1010});
  const int32_t m = MapIDToIndex(harbour);
  MapRecord map = MapAt(m);
  map.locked = 1;
  SetMapRecord(m, map);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, at, true, false, true), 0);
  EXPECT_TRUE(SummaryRecordLive(Summaries(harbour, roads)[0]));
}

TEST_F(LifeCycleTest, BatchWritesTheSameFilesAsObjectByObject) {
  for (int i = 0; i < 20; ++i)
    MakePoint(harbour, roads, "P" + std::to_string(i), {i * 100, i * 50, i * 100 + 5, i * 50 + 5});
  BeginObjectBatch();
  for (int i = 0; i < 20; ++i)
    MakePoint(inland, roads, "P" + std::to_string(i), {i * 100, i * 50, i * 100 + 5, i * 50 + 5});
  ASSERT_EQ(EndObjectBatch(), 0);
  CloseBufferedFiles();
  const std::string a = FileOf(harbour, roads).baseName, b = FileOf(inland, roads).baseName;
  const fs::path inlandFolder = root / "OverlayMaps" / "Inland";
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (a + ".LYR")),
            test::ReadWholeFile(inlandFolder / (b + ".LYR")));
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (a + ".SUM")).size(), 20u * 32u);
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (a + ".OBJ")).size(),
            test::ReadWholeFile(inlandFolder / (b + ".OBJ")).size());
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(LifeCycleTest, RecordsOutOfOrderAreStillFound) {
  const int32_t first = MakePoint(harbour, roads, "First", {1000, 1000, 1010, 1010});
  const int32_t second = MakePoint(harbour, roads, "Second", {2000, 2000, 2010, 2010});
  const int32_t third = MakePoint(harbour, roads, "Third", {3000, 3000, 3010, 3010});
  // A summary file written by another program may list its objects in any order.
  auto records = Summaries(harbour, roads);
  ASSERT_EQ(records.size(), 3u);
  std::swap(records[0], records[2]);
  ASSERT_EQ(AllocateSpaceForFile(harbour, roads, kSummaryFileKind, 1024, &scratchMap, &scratchFile),
            0);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(FSSetSummaryRecord(CurrentSummaryFile(), i * 32, records[static_cast<size_t>(i)]), 0);
  }
  for (const int32_t position : {first, second, third}) {
    ASSERT_EQ(DeleteObjectRecord(harbour, roads, position, false, false, false), 0);
  }
  for (const auto& r : Summaries(harbour, roads)) EXPECT_FALSE(SummaryRecordLive(r));
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
