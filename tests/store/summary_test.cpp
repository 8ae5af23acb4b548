#include "catalogue/walks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/open_files.h"
#include "support/overlay_fixture.h"

namespace tlv {
namespace {

using test::Big32At;
using test::ByteBuilder;
using test::kTestMapID;
using test::kTestOverlayID;
using test::SummaryBytes;

// Block k of a test file lies in its own square, 1000 units a side, k squares east of the first.
WRect BlockSquare(int32_t block) {
  const int32_t x = 100000000 + block * 1000000;
  return {x, 50000000, x + 1000, 50001000};
}

// count records, record i a small rectangle inside the square of its block.
std::string SummaryFileOf(int32_t count) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(count) * 32);
  for (int32_t i = 0; i < count; ++i) {
    const WRect square = BlockSquare(i / 1000);
    const int32_t d = i % 1000;
    bytes +=
        SummaryBytes(i * 100, {square.x1 + d, square.y1 + d, square.x1 + d, square.y1 + d}, 1, i);
  }
  return bytes;
}

class SummaryTest : public test::OverlayFileTest {
 protected:
  std::vector<int32_t> Walk(const WRect* searchRect, int32_t distance = 0) {
    std::vector<int32_t> seen;
    const int32_t err = ForEachSummaryRecord(
        mapIndex, 0,
        [&](const SummaryRecord&, int32_t index) -> int32_t {
          seen.push_back(index);
          return 0;
        },
        nullptr, nullptr, searchRect, distance);
    EXPECT_EQ(err, 0);
    return seen;
  }
  int32_t BuildIndex(bool& written) { return WriteSM2File(mapIndex, 0, written); }
  std::vector<WRect> IndexEntries() {
    const std::string bytes = test::ReadWholeFile(PathOf("ROADS.SM2"));
    std::vector<WRect> rects;
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16) {
      rects.push_back({Big32At(bytes, at), Big32At(bytes, at + 4), Big32At(bytes, at + 8),
                       Big32At(bytes, at + 12)});
    }
    return rects;
  }
};

TEST_F(SummaryTest, RecordsAreReadAndWrittenAtTheirOffsets) {
  const std::string image = SummaryBytes(1234, {1, 2, 3, 4}, 0x11223344, -7, "Pier") +
                            SummaryBytes(~88, {}, 5, 6) + SummaryBytes(0, {9, 9, 9, 9}, 0, 0, "ab");
  WriteFile("ROADS.SUM", image + "xyz");  // trailing bytes short of a record are not one
  std::vector<SummaryRecord> records;
  ASSERT_EQ(ForEachSummaryRecord(
                mapIndex, 0,
                [&](const SummaryRecord& r, int32_t index) -> int32_t {
                  EXPECT_EQ(index, static_cast<int32_t>(records.size()));
                  records.push_back(r);
                  return 0;
                },
                nullptr, nullptr),
            0);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].position, 1234);
  EXPECT_EQ(records[0].worldRect, (WRect{1, 2, 3, 4}));
  EXPECT_EQ(records[0].idHigh, 0x11223344);
  EXPECT_EQ(records[0].idLow, -7);
  EXPECT_EQ(std::string(records[0].nameStart, 4), "Pier");
  EXPECT_FALSE(SummaryRecordLive(records[1]));
  EXPECT_EQ(records[1].position, ~88);
  EXPECT_EQ(std::string(records[2].nameStart, 4), std::string("ab\0\0", 4));

  // A visit's non-zero result ends the walk and is the walk's result.
  int32_t visits = 0;
  EXPECT_EQ(ForEachSummaryRecord(
                mapIndex, 0,
                [&](const SummaryRecord&, int32_t) -> int32_t { return ++visits == 2 ? 7 : 0; },
                nullptr, nullptr),
            7);
  EXPECT_EQ(visits, 2);

  SummaryRecord changed = records[1];
  changed.position = 88;
  changed.worldRect = {10, 20, 30, 40};
  std::memcpy(changed.nameStart, "Quay", 4);
  ASSERT_EQ(AllocateSpaceForFile(mapIndex, 0, kSummaryFileKind, kSmallWindowSize, nullptr, nullptr),
            0);
  EXPECT_EQ(FSSetSummaryRecord(CurrentSummaryFile(), 16, changed), -3);
  ASSERT_EQ(FSSetSummaryRecord(CurrentSummaryFile(), 32, changed), 0);
  EXPECT_EQ(FileBytes("ROADS.SUM"), image.substr(0, 32) +
                                        SummaryBytes(88, {10, 20, 30, 40}, 5, 6, "Quay") +
                                        image.substr(64) + "xyz");
}

TEST_F(SummaryTest, FindSummaryRecordFindsDeletedRecordsAndReportsMissingOnes) {
  WriteFile("ROADS.SUM",
            SummaryBytes(0, {}, 1, 1) + SummaryBytes(~500, {}, 2, 2) + SummaryBytes(900, {}, 3, 3));
  int32_t offset = -1;
  SummaryRecord record;
  int32_t foundMap = -1;
  int32_t foundFile = -1;
  ASSERT_EQ(FindSummaryRecord(kTestMapID, kTestOverlayID, 500, offset, record, &foundMap,
                              &foundFile, false),
            0);
  EXPECT_EQ(offset, 32);
  EXPECT_EQ(record.idHigh, 2);
  EXPECT_EQ(foundMap, mapIndex);
  EXPECT_EQ(foundFile, 0);
  EXPECT_EQ(
      FindSummaryRecord(kTestMapID, kTestOverlayID, 77, offset, record, nullptr, nullptr, false),
      -1);
  EXPECT_TRUE(AlertShown("Summary record not found."));
}

TEST_F(SummaryTest, FindSummaryRecordProgressCountsRunsAndStopsOnEscape) {
  WriteFile("ROADS.SUM", SummaryBytes(0, {}, 1, 1));
  auto& p = platform();
  p.fixedClock = true;
  p.fixedTicks = 1000;
  int32_t offset = 0;
  SummaryRecord record;
  for (int i = 0; i < 9; ++i) {
    ASSERT_EQ(
        FindSummaryRecord(kTestMapID, kTestOverlayID, 0, offset, record, nullptr, nullptr, true),
        0);
    p.fixedTicks += 30;
  }
  EXPECT_TRUE(p.messageLines.empty());
  EXPECT_EQ(p.escapeChecks, 0);
  ASSERT_EQ(
      FindSummaryRecord(kTestMapID, kTestOverlayID, 0, offset, record, nullptr, nullptr, true), 0);
  EXPECT_EQ(p.messageLine, "10 objects processed [ESC to stop]");
  EXPECT_TRUE(p.messageLineTemporary);
  EXPECT_EQ(p.escapeChecks, 1);

  // A pause of more than a second starts a new run.
  p.fixedTicks += 61;
  for (int i = 0; i < 9; ++i) {
    FindSummaryRecord(kTestMapID, kTestOverlayID, 0, offset, record, nullptr, nullptr, true);
  }
  EXPECT_EQ(p.escapeChecks, 1);
  p.escapeAtCheck = p.escapeChecks + 1;
  EXPECT_EQ(
      FindSummaryRecord(kTestMapID, kTestOverlayID, 0, offset, record, nullptr, nullptr, true), -1);
  EXPECT_EQ(p.messageLine, "10 objects processed [ESC to stop]");
  EXPECT_TRUE(p.alerts.empty());
}

TEST_F(SummaryTest, IndexHasOneEntryPerCompleteBlock) {
  bool written = true;
  WriteFile("ROADS.SUM", SummaryFileOf(999));
  ASSERT_EQ(BuildIndex(written), 0);
  EXPECT_FALSE(written);
  EXPECT_FALSE(test::PathExists(PathOf("ROADS.SM2")));

  WriteFile("ROADS.SUM", SummaryFileOf(1000));
  ASSERT_EQ(BuildIndex(written), 0);
  EXPECT_TRUE(written);
  ASSERT_EQ(IndexEntries().size(), 1u);
  const WRect s0 = BlockSquare(0);
  EXPECT_EQ(IndexEntries()[0], (WRect{s0.x1, s0.y1, s0.x1 + 999, s0.y1 + 999}));

  WriteFile("ROADS.SUM", SummaryFileOf(2500));
  ASSERT_EQ(BuildIndex(written), 0);
  ASSERT_EQ(IndexEntries().size(), 2u);
  const WRect s1 = BlockSquare(1);
  EXPECT_EQ(IndexEntries()[1], (WRect{s1.x1, s1.y1, s1.x1 + 999, s1.y1 + 999}));
}

TEST_F(SummaryTest, UnplacedAndDeletedRecordsDoNotWidenABlock) {
  std::string bytes = SummaryFileOf(1000);
  // Record 10: not placed yet; record 11: deleted far away.
  bytes.replace(10 * 32, 32, SummaryBytes(5000, {}, 1, 10));
  bytes.replace(11 * 32, 32, SummaryBytes(~6000, {1, 1, 2, 2}, 1, 11));
  WriteFile("ROADS.SUM", bytes);
  bool written = false;
  ASSERT_EQ(BuildIndex(written), 0);
  const WRect s0 = BlockSquare(0);
  ASSERT_EQ(IndexEntries().size(), 1u);
  EXPECT_EQ(IndexEntries()[0], (WRect{s0.x1, s0.y1, s0.x1 + 999, s0.y1 + 999}));
}

TEST_F(SummaryTest, SearchWalkSkipsBlocksButAlwaysReadsTheUncoveredTail) {
  WriteFile("ROADS.SUM", SummaryFileOf(2500));
  bool written = false;
  ASSERT_EQ(BuildIndex(written), 0);
  const WRect nearBlock1 = {BlockSquare(1).x1 + 10, BlockSquare(1).y1 + 10, BlockSquare(1).x1 + 20,
                            BlockSquare(1).y1 + 20};
  std::vector<int32_t> seen = Walk(&nearBlock1);
  ASSERT_EQ(seen.size(), 1500u);
  EXPECT_EQ(seen.front(), 1000);
  EXPECT_EQ(seen[999], 1999);
  EXPECT_EQ(seen[1000], 2000);
  EXPECT_EQ(seen.back(), 2499);
  EXPECT_EQ(LastSummaryWalkStats().blocksSkipped, 1);

  // Far from everything: only the tail is read; a search distance brings block 0 back.
  const WRect far = {10, 10, 20, 20};
  EXPECT_EQ(Walk(&far).size(), 500u);
  const WRect justWest = {BlockSquare(0).x1 - 50, BlockSquare(0).y1, BlockSquare(0).x1 - 40,
                          BlockSquare(0).y1};
  EXPECT_EQ(Walk(&justWest, 40).size(), 1500u);
  // Without a search rectangle everything is read.
  EXPECT_EQ(Walk(nullptr).size(), 2500u);
}

TEST_F(SummaryTest, MissingOrShortIndexMeansReadingTheRest) {
  WriteFile("ROADS.SUM", SummaryFileOf(3000));
  const WRect far = {10, 10, 20, 20};
  EXPECT_EQ(Walk(&far).size(), 3000u);  // no index file

  // An index of one entry covers block 0 only; a ragged tail byte count is ignored.
  WriteFile("ROADS.SM2", ByteBuilder().Rect(BlockSquare(0)).Zeros(7).bytes());
  ReleaseSM2Cache(mapIndex, 0);
  EXPECT_EQ(Walk(&far).size(), 2000u);

  // An index claiming more blocks than the summary file holds covers only complete blocks.
  WriteFile("ROADS.SUM", SummaryFileOf(1500));
  WriteFile("ROADS.SM2",
            ByteBuilder().Rect(BlockSquare(0)).Rect(BlockSquare(1)).Rect(1, 1, 2, 2).bytes());
  ReleaseSM2Cache(mapIndex, 0);
  EXPECT_EQ(Walk(&far).size(), 500u);
}

TEST_F(SummaryTest, IndexIsCachedUntilTheFileIsRewritten) {
  WriteFile("ROADS.SUM", SummaryFileOf(2000));
  bool written = false;
  ASSERT_EQ(BuildIndex(written), 0);
  const WRect far = {10, 10, 20, 20};
  EXPECT_EQ(Walk(&far).size(), 0u);
  OverlayFileRecord entry;
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_NE(entry.sm2Cache, nullptr);
  // The cache answers while it is held, even when the file goes away.
  test::RemoveFile(PathOf("ROADS.SM2"));
  EXPECT_EQ(Walk(&far).size(), 0u);
  ASSERT_EQ(BuildIndex(written), 0);
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_EQ(entry.sm2Cache, nullptr);
}

TEST_F(SummaryTest, MovingAnObjectOutOfItsBlockWidensTheEntry) {
  WriteFile("ROADS.SUM", SummaryFileOf(2000));
  bool written = false;
  ASSERT_EQ(BuildIndex(written), 0);
  const WRect far = {10, 10, 20, 20};
  Walk(&far);  // loads the cache
  const std::string before = test::ReadWholeFile(PathOf("ROADS.SM2"));

  // Inside block 1's rectangle: the file is not touched and the cache stays.
  const WRect inside = {BlockSquare(1).x1 + 5, BlockSquare(1).y1 + 5, BlockSquare(1).x1 + 6,
                        BlockSquare(1).y1 + 6};
  test::SetReadOnly(PathOf("ROADS.SM2"), true);  // a rewrite would fail
  ASSERT_EQ(GrowSM2ForMovedObject(mapIndex, 0, 1500 * 32, inside), 0);
  OverlayFileRecord entry;
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_NE(entry.sm2Cache, nullptr);
  test::SetReadOnly(PathOf("ROADS.SM2"), false);

  ASSERT_EQ(GrowSM2ForMovedObject(mapIndex, 0, 1500 * 32, far), 0);
  const std::vector<WRect> entries = IndexEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (WRect{Big32At(before, 0), Big32At(before, 4), Big32At(before, 8),
                               Big32At(before, 12)}));
  EXPECT_EQ(entries[1], (WRect{10, 10, BlockSquare(1).x1 + 999, BlockSquare(1).y1 + 999}));
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_EQ(entry.sm2Cache, nullptr);
  // The walk now finds block 1 for a search near the new place.
  EXPECT_EQ(Walk(&far).size(), 1000u);

  // Records after the last complete block have no entry to grow.
  const std::string now = test::ReadWholeFile(PathOf("ROADS.SM2"));
  ASSERT_EQ(GrowSM2ForMovedObject(mapIndex, 0, 2000 * 32, WRect{1, 1, 1, 1}), 0);
  EXPECT_EQ(test::ReadWholeFile(PathOf("ROADS.SM2")), now);
}

TEST_F(SummaryTest, CreateSM2FilesBuildsTheMissingIndexesOfTheChosenMap) {
  AddOverlayFile(mapIndex, kTestOverlayID + 1, "RAIL");
  AddOverlayFile(mapIndex, kTestOverlayID + 2, "SHORT");
  const int32_t other = AddMap("Inland", kTestMapID + 1);
  AddOverlayFile(other, kTestOverlayID, "ROADS");
  WriteFile("ROADS.SUM", SummaryFileOf(1000));
  WriteFile("RAIL.SUM", SummaryFileOf(1000));
  WriteFile("SHORT.SUM", SummaryFileOf(10));
  WriteFile("RAIL.SM2", "old!");  // present already: left alone
  WriteFile("ROADS.LYR", ByteBuilder().Text("Roads", 32).Rect(0, 0, 0, 0).I32(1000).bytes());
  platform().answers.push_back(0);  // the first map, "Harbour"
  ASSERT_EQ(CreateSM2Files(), 0);
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].buttons,
            (std::vector<std::string>{"Harbour", "Inland", "Cancel"}));
  EXPECT_EQ(IndexEntries().size(), 1u);
  EXPECT_EQ(test::ReadWholeFile(PathOf("RAIL.SM2")), "old!");
  EXPECT_FALSE(test::PathExists(PathOf("SHORT.SM2")));
  bool shown = false;
  for (const std::string& line : platform().messageLines) {
    shown |= line == "Creating .SM2 file for layer \"Roads\" (map \"Harbour\").";
  }
  EXPECT_TRUE(shown);
  EXPECT_EQ(platform().messageLine, "");
  EXPECT_TRUE(platform().alerts.empty());

  // A locked map is passed over; cancelling does nothing.
  test::RemoveFile(PathOf("ROADS.SM2"));
  MapRecord map;
  GetMapRecord(mapIndex, map);
  map.locked = 1;
  HandleArray<MapRecord>(MapList()).Set(mapIndex, map);
  platform().answers.push_back(0);
  ASSERT_EQ(CreateSM2Files(), 0);
  EXPECT_FALSE(test::PathExists(PathOf("ROADS.SM2")));
  platform().answers.push_back(2);
  ASSERT_EQ(CreateSM2Files(), 0);
}

TEST_F(SummaryTest, CreateSM2FilesGivesWindowMemoryBackWhenMemoryIsShort) {
  WriteFile("ROADS.SUM", SummaryFileOf(1000));
  platform().answers.push_back(0);
  ASSERT_EQ(CreateSM2Files(), 0);
  EXPECT_EQ(CurrentSummaryFile().bufferSize, 32000);  // memory enough: the window stays

  test::RemoveFile(PathOf("ROADS.SM2"));
  SetAllocationCeilingForTesting(50000);  // no block of 100,000 bytes can be had
  platform().answers.push_back(0);
  ASSERT_EQ(CreateSM2Files(), 0);
  EXPECT_TRUE(test::PathExists(PathOf("ROADS.SM2")));
  EXPECT_EQ(CurrentSummaryFile().bufferSize, kSmallWindowSize);
  EXPECT_TRUE(platform().alerts.empty());
}

// Visits on the entries themselves (copy clear) call what loads and releases the index cache of
// the same entry; the walk keeps what they changed and never brings a released Handle back.
TEST_F(SummaryTest, WalksOverFilesKeepWhatTheirVisitsChanged) {
  WriteFile("ROADS.SUM", SummaryFileOf(2000));
  bool written = false;
  ASSERT_EQ(BuildIndex(written), 0);
  const WRect far = {10, 10, 20, 20};
  OverlayFileRecord entry;

  ASSERT_EQ(ForEachFileInMap(
                kTestMapID,
                [&](OverlayFileRecord& e) -> int32_t {
                  Walk(&far);  // loads the cache into the list
                  e.objectCount = 5;
                  return 0;
                },
                false),
            0);
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_NE(entry.sm2Cache, nullptr);
  EXPECT_EQ(entry.objectCount, 5);

  ASSERT_EQ(ForEachFileInMap(
                kTestMapID,
                [&](OverlayFileRecord&) -> int32_t {
                  bool rebuilt = false;
                  return WriteSM2File(mapIndex, 0, rebuilt);  // releases the cache
                },
                false),
            0);
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_EQ(entry.sm2Cache, nullptr);
  EXPECT_EQ(entry.objectCount, 5);

  OverlayCatalogueAccess access;
  access.count = [] { return 1; };
  access.overlayIDAt = [](int32_t) { return kTestOverlayID; };
  SetOverlayCatalogueAccess(access);
  ASSERT_EQ(Walk(&far).size(), 0u);
  ASSERT_EQ(ForEachOverlayFile(
                [&](OverlayFileRecord&) -> int32_t {
                  bool rebuilt = false;
                  return WriteSM2File(mapIndex, 0, rebuilt);
                },
                kWalkForwards, true, false, false),
            0);
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_EQ(entry.sm2Cache, nullptr);
  ASSERT_EQ(ForEachOverlayFile(
                [&](OverlayFileRecord& e) -> int32_t {
                  Walk(&far);
                  e.objectCount = 7;
                  return 0;
                },
                kWalkForwards, true, false, false),
            0);
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, 0, entry));
  EXPECT_NE(entry.sm2Cache, nullptr);
  EXPECT_EQ(entry.objectCount, 7);
  EXPECT_EQ(Walk(&far).size(), 0u);
}

TEST_F(SummaryTest, SafeWalkSurvivesVisitsThatUseOtherSummaryFiles) {
  AddOverlayFile(mapIndex, kTestOverlayID + 1, "RAIL");
  WriteFile("ROADS.SUM", SummaryFileOf(5));
  WriteFile("RAIL.SUM", SummaryFileOf(3));
  int32_t foundMap = -1;
  int32_t foundFile = -1;
  std::vector<int32_t> seen;
  ASSERT_EQ(ForEachSummaryRecordSafe(
                kTestMapID, kTestOverlayID,
                [&](const SummaryRecord& r, int32_t) -> int32_t {
                  seen.push_back(r.idLow);
                  int32_t innerMap = 0;
                  int32_t innerFile = 0;
                  return ForEachSummaryRecord(
                      kTestMapID, kTestOverlayID + 1,
                      [](const SummaryRecord&, int32_t) -> int32_t { return 0; }, &innerMap,
                      &innerFile);
                },
                &foundMap, &foundFile),
            0);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(foundMap, mapIndex);
  EXPECT_EQ(foundFile, 0);
}

TEST_F(SummaryTest, WalksOverMapsFilesOverlaysAndObjectLists) {
  AddOverlayFile(mapIndex, kTestOverlayID + 1, "RAIL");
  const int32_t other = AddMap("Inland", kTestMapID + 1);
  AddOverlayFile(other, kTestOverlayID + 1, "RAIL");
  AddMap("Lost", 0);  // a remembered map whose folder was not found

  std::vector<std::string> names;
  ForEachMap([&](const MapRecord& m) -> int32_t { return names.emplace_back(m.name), 0; }, true);
  EXPECT_EQ(names, (std::vector<std::string>{"Harbour", "Inland"}));

  std::vector<int32_t> overlays;
  ForEachFileInMap(
      kTestMapID,
      [&](OverlayFileRecord& e) -> int32_t {
        overlays.push_back(e.overlayID);
        e.objectCount = 99;
        return 0;
      },
      false);
  EXPECT_EQ(overlays, (std::vector<int32_t>{kTestOverlayID, kTestOverlayID + 1}));
  OverlayFileRecord entry;
  GetOverlayFileRecord(mapIndex, 1, entry);
  EXPECT_EQ(entry.objectCount, 99);

  // Without an overlay catalogue there is nothing to walk.
  EXPECT_EQ(ForEachOverlayFile([](OverlayFileRecord&) -> int32_t { return 0; }, kWalkForwards, true,
                               false, true),
            -1);
  OverlayCatalogueAccess access;
  access.count = [] { return 2; };
  access.overlayIDAt = [](int32_t i) { return kTestOverlayID + i; };
  access.visibleAt = [](int32_t i) { return i == 1; };
  SetOverlayCatalogueAccess(access);
  std::vector<std::pair<int32_t, int32_t>> visited;
  auto record = [&](OverlayFileRecord& e) -> int32_t {
    visited.emplace_back(e.overlayID, e.mapID);
    return 0;
  };
  ASSERT_EQ(ForEachOverlayFile(record, kWalkForwards, true, false, true), 0);
  EXPECT_EQ(visited,
            (std::vector<std::pair<int32_t, int32_t>>{{kTestOverlayID, kTestMapID},
                                                      {kTestOverlayID + 1, kTestMapID},
                                                      {kTestOverlayID + 1, kTestMapID + 1}}));
  visited.clear();
  ASSERT_EQ(ForEachOverlayFile(record, 1, true, true, true), 0);
  EXPECT_EQ(visited, (std::vector<std::pair<int32_t, int32_t>>{{kTestOverlayID + 1, kTestMapID + 1},
                                                               {kTestOverlayID + 1, kTestMapID}}));

  const int32_t triples[] = {1000, 2000, 64, 1001, 2001, 128};
  ScopedHandle list(MyNewHandle(sizeof triples));
  std::memcpy(*list.get(), triples, sizeof triples);
  std::vector<int32_t> positions;
  ForEachObjectInList(list.get(), [&](int32_t m, int32_t o, int32_t p) -> int32_t {
    EXPECT_EQ(o, m + 1000);
    positions.push_back(p);
    return 0;
  });
  EXPECT_EQ(positions, (std::vector<int32_t>{64, 128}));
}

}  // namespace
}  // namespace tlv
