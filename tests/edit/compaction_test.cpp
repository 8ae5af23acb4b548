#include "edit/compaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/endian.h"
#include "base/files.h"
#include "base/object_ids.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "edit/record_sort.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "store/compaction_files.h"
#include "store/map_lock.h"
#include "store/summary.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// ---- The spatial key, worked by hand --------------------------------------------------------

TEST(SpatialSortKeyTest, HandWorkedKeys) {
  // All zero: both intervals stay in the low half for all 16 levels.
  SpatialKey k = SpatialSortKey({0, 0, 0, 0});
  EXPECT_EQ(k.key, 0u);
  EXPECT_EQ(k.depth, 32);

  // The 180th meridian (x = 360,000,000) lies in the high half at every level of x: bits 30, 28,
  // ..., 0; y = 0 stays low.
  k = SpatialSortKey({360000000, 0, 360000000, 0});
  EXPECT_EQ(k.key, 0x55555555u);
  EXPECT_EQ(k.depth, 32);

  // y exactly on the first mid (90,000,000) lies within lo..mid (low, bit 31 clear), then in the
  // high half of every later level: bits 29, 27, ..., 1.
  k = SpatialSortKey({0, 90000000, 0, 90000000});
  EXPECT_EQ(k.key, 0x2AAAAAAAu);
  EXPECT_EQ(k.depth, 32);

  // y straddles the first mid: no level at all, so depth 0 and key 0 whatever x says.
  k = SpatialSortKey({300000000, 89000000, 300000000, 91000000});
  EXPECT_EQ(k.key, 0u);
  EXPECT_EQ(k.depth, 0);

  // y from 40,000,000 to 50,000,000: low at level 0, straddles 45,000,000 at level 1 (one
  // level). x at 300,000,000 is high at level 0 (bit 30). depth 2 keeps the top two bits: 01.
  k = SpatialSortKey({300000000, 40000000, 300000000, 50000000});
  EXPECT_EQ(k.key, 0x40000000u);
  EXPECT_EQ(k.depth, 2);

  // An interval that touches mid from above belongs to the high half.
  k = SpatialSortKey({0, 90000000, 0, 100000000});
  EXPECT_EQ(k.key >> 31, 1u);
}

TEST(SpatialSortKeyTest, TheOrderNumberAgreesWithTheComparison) {
  std::mt19937 random(5);
  std::vector<std::string> records;
  for (int i = 0; i < 500; ++i) {
    char r[32] = {};
    const int32_t x = static_cast<int32_t>(random() % 360000000);
    const int32_t y = static_cast<int32_t>(random() % 180000000);
    const int32_t size = static_cast<int32_t>(random() % 3 == 0 ? random() % 50000000 : 0);
    PutBig32(r + 4, x);
    PutBig32(r + 8, y);
    PutBig32(r + 12, std::min(x + size, 360000000));
    PutBig32(r + 16, std::min(y + size, 180000000));
    records.emplace_back(r, 32);
  }
  for (size_t i = 0; i + 1 < records.size(); ++i) {
    const char* a = records[i].data();
    const char* b = records[i + 1].data();
    const int byCompare = CompareSummaryBySpatialKey(a, b);
    const uint64_t ka = SummarySpatialOrder(a), kb = SummarySpatialOrder(b);
    EXPECT_EQ(byCompare < 0, ka < kb) << i;
    EXPECT_EQ(byCompare == 0, ka == kb) << i;
  }
}

TEST(SpatialSortKeyTest, OrdersByKeyThenDepth) {
  char a[32] = {}, b[32] = {};
  // a: depth 0 (key 0); b: all zero, depth 32 (key 0): a comes first.
  PutBig32(a + 8, 89000000);
  PutBig32(a + 16, 91000000);
  EXPECT_LT(CompareSummaryBySpatialKey(a, b), 0);
  EXPECT_GT(CompareSummaryBySpatialKey(b, a), 0);
  EXPECT_EQ(CompareSummaryBySpatialKey(b, b), 0);
  // A larger key comes later even with a smaller depth.
  char c[32] = {};
  PutBig32(c + 4, 300000000);
  PutBig32(c + 8, 40000000);
  PutBig32(c + 12, 300000000);
  PutBig32(c + 16, 50000000);
  EXPECT_GT(CompareSummaryBySpatialKey(c, b), 0);
}

// ---- The record-file sort --------------------------------------------------------------------

class RecordSortTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetRecordSortForTesting();
  }
  void TearDown() override {
    ResetRecordSortForTesting();
    CoreTest::TearDown();
  }
  test::TestFiles files{test::FilesKind::kMemory};
  test::TempFolder temp;
};

TEST_F(RecordSortTest, SplitAndMergeEqualAStableSortAndLeaveNoWorkFiles) {
  constexpr int32_t kCount = 40000;
  std::mt19937 random(31);
  std::string bytes(static_cast<size_t>(kCount) * 32, '\0');
  for (int32_t i = 0; i < kCount; ++i) {
    char* r = bytes.data() + static_cast<size_t>(i) * 32;
    PutBig32(r, static_cast<int32_t>(random() % 97));  // many ties
    PutBig32(r + 4, i);                                // the original order
  }
  const fs::path source = temp / "in.dat";
  const fs::path target = temp / "out.dat";
  test::WriteWholeFile(source, bytes);
  SetSortRunRecordsForTesting(1000);
  auto byFirst = [](const char* a, const char* b) {
    const int32_t x = GetBig32(a), y = GetBig32(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  };
  std::vector<std::string> texts;
  ASSERT_EQ(SortRecordFile(source.string(), 0, kCount, 0, target.string(), 0, 0, 32, byFirst,
                           [&](const std::string& t) { texts.push_back(t); }, {}),
            0);
  std::vector<std::string> expected;
  for (int32_t i = 0; i < kCount; ++i) expected.push_back(bytes.substr(i * 32u, 32));
  std::stable_sort(
      expected.begin(), expected.end(),
      [&](const std::string& a, const std::string& b) { return byFirst(a.data(), b.data()) < 0; });
  std::string want;
  for (const std::string& r : expected) want += r;
  EXPECT_TRUE(test::ReadWholeFile(target) == want) << "not the stable order";
  // 40,000 records in runs of at most 1000: 64 runs, 63 merges.
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind("Merging files", 0) == 0; }),
            63);
  EXPECT_NE(
      std::find(texts.begin(), texts.end(), "Sorting \"in.dat\" from record 1 to record 625."),
      texts.end());
  std::vector<FolderEntry> items;
  ASSERT_EQ(ListFolder(temp.folderPath(), items), 0);
  ASSERT_EQ(items.size(), 2u) << "work files left behind";

  // With an order number the result is the same.
  test::RemoveFile(target);
  ASSERT_EQ(SortRecordFile(source.string(), 0, kCount, 0, target.string(), 0, 0, 32, byFirst, {},
                           {}, [](const char* r) { return static_cast<uint64_t>(GetBig32(r)); }),
            0);
  EXPECT_TRUE(test::ReadWholeFile(target) == want) << "not the stable order with a key";
}

TEST_F(RecordSortTest, FilterKeepsWhatItIsToldAndAFailedSortCleansUp) {
  std::string bytes;
  for (int32_t i = 0; i < 10; ++i) {
    char r[8];
    PutBig32(r, i % 2 == 0 ? i : -i);
    PutBig32(r + 4, i);
    bytes.append(r, 8);
  }
  const fs::path source = temp / "in.dat";
  test::WriteWholeFile(source, bytes);
  int32_t kept = 0;
  std::vector<int32_t> percents;
  ASSERT_EQ(FilterRecordFile(
                source.string(), (temp / "f.dat").string(), 0, 0, 8,
                [](const char* r) { return GetBig32(r) >= 0; },
                [&](int32_t p) {
                  percents.push_back(p);
                  return false;
                },
                kept),
            0);
  EXPECT_EQ(kept, 5);
  const std::string filtered = test::ReadWholeFile(temp / "f.dat");
  ASSERT_EQ(filtered.size(), 40u);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(GetBig32(filtered.data() + i * 8 + 4), 2 * i);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);

  // A write that fails inside a merge: the error comes back and no work file stays.
  SetSortRunRecordsForTesting(2);
  test::MemoryFiles()->FailNth(MemoryFileSystem::Operation::kWrite, 5);
  EXPECT_NE(SortRecordFile(source.string(), 0, 10, 0, (temp / "s.dat").string(), 0, 0, 8,
                           [](const char* a, const char* b) {
                             return GetBig32(a) < GetBig32(b) ? -1 : GetBig32(a) > GetBig32(b);
                           },
                           {}, {}),
            0);
  test::MemoryFiles()->FailNth(MemoryFileSystem::Operation::kWrite, 0);
  std::vector<FolderEntry> items;
  ASSERT_EQ(ListFolder(temp.folderPath(), items), 0);
  for (const FolderEntry& item : items) {
    EXPECT_TRUE(item.name.rfind("srttemp", 0) != 0 && item.name.rfind("merge", 0) != 0)
        << item.name;
  }
}

// ---- Compaction through the command ----------------------------------------------------------

class CompactionTest : public test::ObjectsTest {
 protected:
  CompactionTest() : ObjectsTest(test::FilesKind::kMemory) {}

  void SetUp() override {
    ObjectsTest::SetUp();
    ResetModules();
  }
  void TearDown() override {
    ResetModules();
    ObjectsTest::TearDown();
  }
  static void ResetModules() {
    ResetCompactionForTesting();
    ResetRecordSortForTesting();
    ResetCompactionFilesForTesting();
    ResetMapLocksForTesting();
    ResetUndoForTesting();
    ResetSelectionForTesting();
  }

  MemoryFileSystem& memory() { return *testFiles.memory(); }

  // count points on the overlay, spread so that their spatial order differs from the order of
  // making; every deleteEvery-th is deleted (0: none). Returns the positions made.
  std::vector<int32_t> MakePoints(int32_t mapID, int32_t overlayID, int32_t count,
                                  int32_t deleteEvery, const std::string& prefix = "P") {
    std::vector<int32_t> positions;
    ObjectGraphics graphics;
    graphics.symbol = 212;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t x = 100000000 + ((i * 7919) % count) * 100000;
      const int32_t y = 50000000 + ((i * 104729) % count) * 50000;
      positions.push_back(MakeObject(mapID, overlayID, kPointObject, prefix + std::to_string(i),
                                     &graphics, {x, y, x + 10, y + 10}));
    }
    if (deleteEvery > 0) {
      for (int32_t i = 0; i < count; i += deleteEvery) {
        EXPECT_EQ(DeleteObjectRecord(mapID, overlayID, positions[static_cast<size_t>(i)], false,
                                     false, false),
                  0);
      }
    }
    CloseBufferedFiles();
    return positions;
  }

  std::string BaseOf(const std::string& mapName, const std::string& layerName) {
    const int32_t m = MapNameToIndex(mapName);
    const int32_t l = LayerNameToIndex(layerName);
    if (m < 0 || l < 0) return "";
    const int32_t f = OverlayFileIndexForID(m, LayerAt(l).layerID);
    OverlayFileRecord entry;
    if (f < 0 || !GetOverlayFileRecord(m, f, entry)) return "";
    return std::string(entry.baseName, strnlen(entry.baseName, sizeof entry.baseName));
  }

  // ID text -> the whole record, for the live records of a set on disk.
  std::map<std::string, std::string> LiveObjects(const std::string& base) {
    std::map<std::string, std::string> objects;
    const std::string sum = test::ReadWholeFile(harbourFolder / (base + ".SUM"));
    const std::string obj = test::ReadWholeFile(harbourFolder / (base + ".OBJ"));
    for (size_t at = 0; at + 32 <= sum.size(); at += 32) {
      const int32_t position = GetBig32(sum.data() + at);
      if (position < 0) continue;
      EXPECT_LE(static_cast<size_t>(position) + 4, obj.size());
      if (static_cast<size_t>(position) + 4 > obj.size()) continue;
      const int32_t length = GetBig32(obj.data() + position);
      const std::string id =
          ObjectIDText({GetBig32(sum.data() + at + 20), GetBig32(sum.data() + at + 24)});
      EXPECT_EQ(objects.count(id), 0u) << "two live records of " << id;
      objects[id] = obj.substr(static_cast<size_t>(position), 4 + static_cast<size_t>(length));
    }
    return objects;
  }

  struct SetBytes {
    std::string obj, sum, sm2;
    bool hasSm2 = false;
    bool operator==(const SetBytes& o) const {
      return obj == o.obj && sum == o.sum && hasSm2 == o.hasSm2 && sm2 == o.sm2;
    }
  };
  SetBytes BytesOf(const std::string& base) {
    SetBytes set;
    set.obj = test::ReadWholeFile(harbourFolder / (base + ".OBJ"));
    set.sum = test::ReadWholeFile(harbourFolder / (base + ".SUM"));
    set.hasSm2 = test::PathExists(harbourFolder / (base + ".SM2"));
    if (set.hasSm2) set.sm2 = test::ReadWholeFile(harbourFolder / (base + ".SM2"));
    return set;
  }

  // Every file of the map folder with its bytes: what "every byte as before" compares.
  std::map<std::string, std::string> FolderBytes() {
    std::map<std::string, std::string> files;
    std::vector<FolderEntry> items;
    EXPECT_EQ(ListFolder(harbourFolder.string() + "/", items), 0);
    for (const FolderEntry& item : items) {
      if (!item.isFolder) files[item.name] = test::ReadWholeFile(harbourFolder / item.name);
    }
    return files;
  }

  std::vector<std::string> WorkFilesLeft() {
    std::vector<std::string> left;
    std::vector<FolderEntry> items;
    EXPECT_EQ(ListFolder(harbourFolder.string() + "/", items), 0);
    for (const FolderEntry& item : items) {
      const std::string& n = item.name;
      const std::string ext = n.size() > 4 ? n.substr(n.size() - 4) : "";
      if (ext == ".CM1" || ext == ".CM2" || ext == ".CM3" || ext == ".CM4" || ext == ".CMX" ||
          n.rfind("srttemp", 0) == 0 || n.rfind("merge", 0) == 0 ||
          n.find(".part") != std::string::npos) {
        left.push_back(n);
      }
    }
    return left;
  }

  // A restart: everything in memory is dropped and the maps are loaded again from the files.
  void Reload() {
    ResetOpenFilesForTesting();
    ReleaseCatalogue();
    ResetLayersForTesting();
    ClearMapList();
    ResetWalksForTesting();
    ResetCompactionFilesForTesting();
    ASSERT_EQ(LoadAll(), 0);
    harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    const int32_t r = LayerNameToIndex("Roads");
    const int32_t s = LayerNameToIndex("Sites");
    if (r >= 0) roads = LayerAt(r).layerID;
    if (s >= 0) sites = LayerAt(s).layerID;
  }

  const CompactReport* ReportFor(const std::vector<CompactReport>& reports,
                                 const std::string& overlay) {
    for (const CompactReport& r : reports) {
      if (r.overlayName == overlay && r.mapName == "Harbour") return &r;
    }
    return nullptr;
  }

  size_t DiskErrorReports() { return AlertsContaining("Disk error while compacting:"); }
};

TEST_F(CompactionTest, KeepsEveryLiveObjectInSpatialOrderAndDropsTheDeleted) {
  MakePoints(harbour, roads, 30, 3);
  MakePoints(harbour, sites, 5, 0, "S");
  const std::string base = BaseOf("Harbour", "Roads");
  const auto before = LiveObjects(base);
  ASSERT_EQ(before.size(), 20u);
  const int64_t objBefore = test::FileSize(harbourFolder / (base + ".OBJ"));
  AddSelectedObject(harbour, roads, 0);

  std::vector<CompactReport> reports;
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  const CompactReport* r = ReportFor(reports, "Roads");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->result, CompactResult::kCompacted);
  EXPECT_EQ(r->live, 20);
  EXPECT_EQ(r->dropped, 10);
  EXPECT_EQ(r->objBytesBefore, objBefore);
  EXPECT_EQ(r->sumBytesBefore, 30 * 32);
  EXPECT_EQ(r->sumBytesAfter, 20 * 32);
  EXPECT_LT(r->objBytesAfter, r->objBytesBefore);
  ASSERT_NE(ReportFor(reports, "Sites"), nullptr);

  EXPECT_EQ(LiveObjects(base), before) << "a live object changed";
  const std::string sum = test::ReadWholeFile(harbourFolder / (base + ".SUM"));
  ASSERT_EQ(sum.size(), 20u * 32);
  int64_t expectedObj = 0;
  for (size_t at = 0; at < sum.size(); at += 32) {
    EXPECT_EQ(GetBig32(sum.data() + at), expectedObj) << "records follow each other";
    expectedObj += static_cast<int64_t>(
        before.at(ObjectIDText({GetBig32(sum.data() + at + 20), GetBig32(sum.data() + at + 24)}))
            .size());
    if (at > 0) {
      EXPECT_LE(CompareSummaryBySpatialKey(sum.data() + at - 32, sum.data() + at), 0);
    }
  }
  EXPECT_EQ(test::FileSize(harbourFolder / (base + ".OBJ")), expectedObj);
  EXPECT_FALSE(test::PathExists(harbourFolder / (base + ".SM2"))) << "fewer than 1000 records";
  EXPECT_TRUE(WorkFilesLeft().empty());
  // Undo held old positions, and the selection named them.
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  EXPECT_EQ(SelectedObjectCount(), 0);

  // The overlay still opens and reads through the catalogue.
  Reload();
  EXPECT_EQ(Summaries(harbour, roads).size(), 20u);
}

TEST_F(CompactionTest, AFileWithoutDeletionsIsSortedAndGetsAnIndex) {
  MakePoints(harbour, roads, 1200, 0);
  const std::string base = BaseOf("Harbour", "Roads");
  const auto before = LiveObjects(base);
  std::vector<CompactReport> reports;
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->dropped, 0);
  EXPECT_EQ(LiveObjects(base), before);
  const std::string sum = test::ReadWholeFile(harbourFolder / (base + ".SUM"));
  for (size_t at = 32; at < sum.size(); at += 32) {
    ASSERT_LE(CompareSummaryBySpatialKey(sum.data() + at - 32, sum.data() + at), 0) << at;
  }
  // One complete block of 1000: one entry holding exactly its records.
  const std::string sm2 = test::ReadWholeFile(harbourFolder / (base + ".SM2"));
  ASSERT_EQ(sm2.size(), 16u);
  WRect block = kUnionStartRect;
  for (size_t at = 0; at < 1000u * 32; at += 32) {
    UnionWRect(block, {GetBig32(sum.data() + at + 4), GetBig32(sum.data() + at + 8),
                       GetBig32(sum.data() + at + 12), GetBig32(sum.data() + at + 16)});
  }
  EXPECT_EQ(GetBig32(sm2.data()), block.x1);
  EXPECT_EQ(GetBig32(sm2.data() + 4), block.y1);
  EXPECT_EQ(GetBig32(sm2.data() + 8), block.x2);
  EXPECT_EQ(GetBig32(sm2.data() + 12), block.y2);
}

TEST_F(CompactionTest, CancelAtTheThirdProgressPointLeavesEveryByte) {
  MakePoints(harbour, roads, 40, 4);
  const std::string base = BaseOf("Harbour", "Roads");
  const SetBytes before = BytesOf(base);
  const std::string lyrBefore = test::ReadWholeFile(harbourFolder / (base + ".LYR"));
  std::vector<FolderEntry> namesBefore;
  ListFolder(harbourFolder.string() + "/", namesBefore);
  int32_t copyPoints = 0;
  std::vector<std::string> texts;
  CompactProgress progress;
  progress.status = [&](const std::string& t) { texts.push_back(t); };
  // Only the copy step's points can stop it; count those.
  progress.progress = [&](int32_t) {
    if (texts.back() != "Copying objects.") return false;
    return ++copyPoints == 3;
  };
  std::vector<CompactReport> reports;
  EXPECT_EQ(CompactMapFiles(false, progress, &reports,
                            [&](int32_t, int32_t overlay) { return overlay == roads; }),
            -1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].result, CompactResult::kCancelled);
  EXPECT_TRUE(BytesOf(base) == before);
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (base + ".LYR")), lyrBefore);
  std::vector<FolderEntry> namesAfter;
  ListFolder(harbourFolder.string() + "/", namesAfter);
  EXPECT_EQ(namesAfter.size(), namesBefore.size());
  EXPECT_TRUE(WorkFilesLeft().empty());
  EXPECT_EQ(DiskErrorReports(), 0u) << "a cancel is not an error";
  EXPECT_EQ(texts.front(), "Compacting overlay \"Roads\" (map \"Harbour\").");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Removing deleted objects."), texts.end());
}

TEST_F(CompactionTest, ACancelAtAnyUpdatePointLeavesEveryByte) {
  // Small runs, so that the sort splits and merges and each kind of update point comes.
  SetSortRunRecordsForTesting(10);
  MakePoints(harbour, roads, 30, 3);
  memory().SyncEverything();
  const MemoryFileSystem::Snapshot start = memory().Save();
  auto onlyRoads = [&](int32_t, int32_t overlay) { return overlay == roads; };
  // The update points of an undisturbed run, by the step shown at the time.
  std::vector<std::string> points;
  std::string step;
  CompactProgress counting;
  counting.status = [&](const std::string& t) { step = t; };
  counting.progress = [&](int32_t) {
    points.push_back(step);
    return false;
  };
  ASSERT_EQ(CompactMapFiles(false, counting, nullptr, onlyRoads), 0);
  auto pointsOf = [&](const std::string& prefix) {
    return std::count_if(points.begin(), points.end(),
                         [&](const std::string& p) { return p.rfind(prefix, 0) == 0; });
  };
  EXPECT_GT(pointsOf("Removing deleted objects."), 0) << "the filter";
  EXPECT_GT(pointsOf("Merging files"), 0) << "the merges";
  EXPECT_GT(pointsOf("Copying objects."), 0) << "the copy";

  for (size_t p = 1; p <= points.size(); ++p) {
    memory().Restore(start);
    Reload();
    platform().alerts.clear();
    const auto before = FolderBytes();
    size_t seen = 0;
    CompactProgress cancelling;
    cancelling.progress = [&](int32_t) { return ++seen == p; };
    std::vector<CompactReport> reports;
    const std::string context =
        "cancelled at update point " + std::to_string(p) + " (" + points[p - 1] + ")";
    EXPECT_EQ(CompactMapFiles(false, cancelling, &reports, onlyRoads), -1) << context;
    ASSERT_EQ(reports.size(), 1u) << context;
    EXPECT_EQ(reports[0].result, CompactResult::kCancelled) << context;
    EXPECT_EQ(seen, p) << "the run went on after the cancel; " << context;
    EXPECT_TRUE(FolderBytes() == before) << context;
    EXPECT_TRUE(WorkFilesLeft().empty()) << context;
    EXPECT_TRUE(platform().alerts.empty()) << "a cancel is not an error; " << context;
    if (HasFailure()) return;
  }
}

TEST_F(CompactionTest, LowDiskSkipsEveryFileAndCautionsOnce) {
  MakePoints(harbour, roads, 20, 2);
  MakePoints(harbour, sites, 20, 2, "S");
  const SetBytes roadsBefore = BytesOf(BaseOf("Harbour", "Roads"));
  const SetBytes sitesBefore = BytesOf(BaseOf("Harbour", "Sites"));
  memory().SetCapacity(memory().UsedBytes() + 1000);
  std::vector<CompactReport> reports;
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->result, CompactResult::kLowDisk);
  EXPECT_EQ(ReportFor(reports, "Sites")->result, CompactResult::kLowDisk);
  EXPECT_EQ(AlertsContaining("could not be compacted due to low disk space"), 1u);
  EXPECT_TRUE(BytesOf(BaseOf("Harbour", "Roads")) == roadsBefore);
  EXPECT_TRUE(BytesOf(BaseOf("Harbour", "Sites")) == sitesBefore);
}

TEST_F(CompactionTest, LockedAndInUseMapsAreLeftAlone) {
  MakePoints(harbour, roads, 10, 2);
  const std::string base = BaseOf("Harbour", "Roads");
  const SetBytes before = BytesOf(base);
  const int32_t m = MapNameToIndex("Harbour");
  MapRecord map = MapAt(m);
  map.locked = 1;
  SetMapRecord(m, map);
  std::vector<CompactReport> reports;
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->result, CompactResult::kLocked);
  map.locked = 0;
  SetMapRecord(m, map);
  SetForeignMapLockForTesting(harbourFolder.string() + "/", true);
  reports.clear();
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->result, CompactResult::kInUse);
  EXPECT_TRUE(BytesOf(base) == before);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(CompactionTest, ALoadLeavesTheWorkFilesOfACompactionRunningElsewhere) {
  MakePoints(harbour, roads, 10, 2);
  const std::string base = BaseOf("Harbour", "Roads");
  const std::string folder = harbourFolder.string() + "/";
  // Another process is half way through: its sorted summary file is there, no commit record.
  test::WriteWholeFile(harbourFolder / (base + ".CM2"), std::string(64, 'x'));
  ResetMapLocksForTesting();
  SetForeignMapLockForTesting(folder, true, true);
  Reload();
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (base + ".CM2")), std::string(64, 'x'))
      << "the running compaction's work file was taken from under it";
  EXPECT_EQ(Summaries(harbour, roads).size(), 10u) << "the set is read as it stands";
  // Once it is gone (killed, say), the next load undoes what it left.
  ResetMapLocksForTesting();
  Reload();
  EXPECT_FALSE(test::PathExists(harbourFolder / (base + ".CM2")));
}

TEST_F(CompactionTest, ADamagedFileIsReportedOnceAndLeftWhileTheOthersGoOn) {
  MakePoints(harbour, roads, 10, 2);
  MakePoints(harbour, sites, 10, 2, "S");
  const std::string roadsBase = BaseOf("Harbour", "Roads");
  // A summary record whose object carries another ID.
  std::string obj = test::ReadWholeFile(harbourFolder / (roadsBase + ".OBJ"));
  const std::string sum = test::ReadWholeFile(harbourFolder / (roadsBase + ".SUM"));
  const int32_t live = GetBig32(sum.data() + 32);  // record 1 is live (0, 2, 4 ... deleted)
  ASSERT_GE(live, 0);
  PutBig32(obj.data() + live + kObjIDOffset + 4, 12345);
  test::WriteWholeFile(harbourFolder / (roadsBase + ".OBJ"), obj);
  const SetBytes before = BytesOf(roadsBase);

  std::vector<CompactReport> reports;
  EXPECT_NE(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->result, CompactResult::kFailed);
  EXPECT_EQ(ReportFor(reports, "Sites")->result, CompactResult::kCompacted);
  EXPECT_EQ(DiskErrorReports(), 1u);
  EXPECT_TRUE(BytesOf(roadsBase) == before);
  EXPECT_TRUE(WorkFilesLeft().empty());

  // A summary file that is not a whole number of records.
  test::WriteWholeFile(harbourFolder / (roadsBase + ".SUM"), sum + "abc");
  platform().alerts.clear();
  reports.clear();
  EXPECT_NE(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_EQ(ReportFor(reports, "Roads")->result, CompactResult::kFailed);
  EXPECT_EQ(DiskErrorReports(), 1u);
  EXPECT_EQ(test::ReadWholeFile(harbourFolder / (roadsBase + ".SUM")), sum + "abc");
}

TEST_F(CompactionTest, ADeletedPictureGoesButANameStillInUseStays) {
  test::WriteWholeFile(harbourFolder / "a.bmp", "BMa");
  test::WriteWholeFile(harbourFolder / "b.bmp", "BMb");
  auto picture = [&](int32_t overlay, const std::string& name, const std::string& file) {
    ObjectContents contents;
    contents.name = name;
    contents.rect = WRect{100000000, 50000000, 100000100, 50000100};
    contents.textOrPicture = file;
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    EXPECT_EQ(CreateObject(harbour, overlay, kPictureObject, id, contents, position), 0);
    return position;
  };
  const int32_t a = picture(roads, "A", "a.bmp");
  const int32_t b = picture(roads, "B", "b.bmp");
  // b.bmp moves to the other overlay: its old record is deleted, the name lives on there.
  picture(sites, "B", "b.bmp");
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, a, false, false, false), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, b, false, false, false), 0);
  EXPECT_TRUE(test::PathExists(harbourFolder / "a.bmp")) << "deletion keeps the picture";
  std::vector<CompactReport> reports;
  ASSERT_EQ(CompactMapFiles(false, {}, &reports), 0);
  EXPECT_FALSE(test::PathExists(harbourFolder / "a.bmp"));
  EXPECT_TRUE(test::PathExists(harbourFolder / "b.bmp"));
  EXPECT_EQ(ReportFor(reports, "Roads")->picturesDeleted, std::vector<std::string>{"a.bmp"});
}

TEST_F(CompactionTest, AliasesStillResolveToTheirObject) {
  MakePoints(harbour, roads, 12, 2);
  ObjectID depotID;
  ObjectGraphics graphics;
  graphics.symbol = 212;
  const int32_t depot = MakeObject(harbour, roads, kPointObject, "Depot", &graphics,
                                   {200000000, 60000000, 200000010, 60000010}, nullptr, &depotID);
  ASSERT_EQ(FSSetObjectAliasCount(Objects(harbour, roads), depot, 1), 0);
  ObjectContents contents;
  contents.prefix = "";
  contents.name = "Depot north";
  contents.rect = WRect{depotID.high, depotID.low, 0, 0};
  ObjectID aliasID;
  NewObjectID(aliasID);
  int32_t alias = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, aliasID, contents, alias), 0);
  CloseBufferedFiles();
  ASSERT_EQ(CompactMapFiles(false, {}, nullptr), 0);

  int32_t newDepot = -1, newAlias = -1;
  for (const SummaryRecord& r : Summaries(harbour, roads)) {
    if (r.idHigh == depotID.high && r.idLow == depotID.low) newDepot = r.position;
    if (r.idHigh == aliasID.high && r.idLow == aliasID.low) newAlias = r.position;
  }
  ASSERT_GE(newDepot, 0);
  ASSERT_GE(newAlias, 0);
  EXPECT_NE(newDepot, depot) << "the deleted records before it are gone";
  int32_t resolved = -1;
  ASSERT_EQ(ResolveAlias(harbour, roads, newAlias, resolved, false), 0);
  EXPECT_EQ(resolved, newDepot);
}

// ---- Interruptions: every mutating call, killed, powered off, failing -----------------------

class CompactionCrashTest : public CompactionTest {
 protected:
  void SetUp() override {
    CompactionTest::SetUp();
    // 1000 live records: the new set gets an index; runs of 300 make the sort split and merge.
    SetSortRunRecordsForTesting(300);
    MakePoints(harbour, roads, 1500, 3);
    MakePoints(harbour, sites, 6, 2, "S");
    base = BaseOf("Harbour", "Roads");
    live = LiveObjects(base);
    ASSERT_EQ(live.size(), 1000u);
    old = BytesOf(base);
    memory().SyncEverything();
    start = memory().Save();
    // The reference: an undisturbed compaction from the same start.
    const int64_t before = memory().Mutations();
    std::vector<CompactReport> reports;
    EXPECT_EQ(CompactMapFiles(false, {}, &reports), 0);
    mutations = memory().Mutations() - before;
    reference = BytesOf(base);
    EXPECT_FALSE(reference == old);
    EXPECT_TRUE(reference.hasSm2);
    BackToStart();
  }

  void BackToStart() {
    memory().Restore(start);
    Reload();
    platform().alerts.clear();
  }

  // What a restart must find: the overlay opens, its live objects are byte-equal, the set is the
  // old one or the reference, no work file is left, and compacting again gives the reference.
  void ExpectSound(const std::string& context) {
    SCOPED_TRACE(context);
    Reload();
    ASSERT_GE(LayerNameToIndex("Roads"), 0);
    const auto records = Summaries(harbour, roads);
    EXPECT_EQ(std::count_if(records.begin(), records.end(), SummaryRecordLive),
              static_cast<std::ptrdiff_t>(live.size()));
    EXPECT_EQ(LiveObjects(base), live);
    const SetBytes now = BytesOf(base);
    EXPECT_TRUE(now == old || now == reference) << "a mixture of old and new";
    EXPECT_TRUE(WorkFilesLeft().empty());
    std::vector<CompactReport> reports;
    EXPECT_EQ(CompactMapFiles(false, {}, &reports), 0);
    EXPECT_TRUE(BytesOf(base) == reference);
  }

  std::string base;
  std::map<std::string, std::string> live;
  SetBytes old, reference;
  MemoryFileSystem::Snapshot start;
  int64_t mutations = 0;
};

TEST_F(CompactionCrashTest, AKillOrPowerLossAtAnyMutatingCallLosesNothing) {
  ASSERT_GT(mutations, 20);
  // 0: killed, every write the process made kept; 1: power lost, everything not synced
  // dropped; 2 to 4: power lost, a seeded random part of what was not synced written out.
  for (int64_t n = 1; n <= mutations; ++n) {
    for (int ending = 0; ending <= 4; ++ending) {
      BackToStart();
      memory().SetCrashPoint(n);
      std::vector<CompactReport> reports;
      CompactMapFiles(false, {}, &reports);
      MemoryFileSystem::Snapshot crashed;
      ASSERT_TRUE(memory().CrashState(crashed)) << n;
      memory().SetCrashPoint(0);
      memory().Restore(crashed);
      std::string how = ", kill";
      if (ending == 1) {
        memory().PowerLoss();
        how = ", power";
      } else if (ending >= 2) {
        const uint64_t seed = static_cast<uint64_t>(n) * 8 + static_cast<uint64_t>(ending);
        memory().PowerLossKeeping(seed);
        how = ", power keeping seed " + std::to_string(seed);
      }
      ExpectSound("crash at mutation " + std::to_string(n) + how);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(CompactionCrashTest, EveryFailingCallKeepsTheOldSetOrCompletesTheNew) {
  for (const auto operation :
       {MemoryFileSystem::Operation::kWrite, MemoryFileSystem::Operation::kSync,
        MemoryFileSystem::Operation::kRename, MemoryFileSystem::Operation::kCreate,
        MemoryFileSystem::Operation::kDelete}) {
    for (const bool persistent : {false, true}) {
      for (int64_t n = 1;; ++n) {
        BackToStart();
        const int64_t before = memory().Count(operation);
        memory().FailNth(operation, n, persistent);
        std::vector<CompactReport> reports;
        const int32_t err = CompactMapFiles(false, {}, &reports);
        const bool reached = memory().Count(operation) - before >= n;
        memory().FailNth(operation, 0);
        const std::string context = "operation " + std::to_string(static_cast<int>(operation)) +
                                    " call " + std::to_string(n) + (persistent ? " and after" : "");
        if (!reached) {
          EXPECT_EQ(err, 0) << context;
          break;
        }
        const CompactReport* r = ReportFor(reports, "Roads");
        ASSERT_NE(r, nullptr) << context;
        if (r->result != CompactResult::kCompacted) {
          EXPECT_EQ(r->result, CompactResult::kFailed) << context;
          // Once for each overlay file that failed (with a fault that stays, every one does).
          const auto failed = std::count_if(reports.begin(), reports.end(), [](const auto& x) {
            return x.result == CompactResult::kFailed;
          });
          std::string texts;
          for (const auto& alert : platform().alerts) texts += "\n  " + alert.text;
          EXPECT_EQ(platform().alerts.size(), static_cast<size_t>(failed)) << context << texts;
        }
        // Past the commit point the new set is the overlay file, whatever failed after it.
        const bool committed =
            !(BytesOf(base) == old) || test::PathExists(harbourFolder / (base + kCompactCommitExt));
        if (r->result == CompactResult::kCompacted) {
          EXPECT_TRUE(committed) << context;
        }
        if (committed) {
          Reload();
          EXPECT_TRUE(BytesOf(base) == reference) << "not the new set; " << context;
        } else {
          EXPECT_TRUE(BytesOf(base) == old) << context;
        }
        ExpectSound(context);
        if (HasFatalFailure()) return;
        ASSERT_LT(n, 500) << "the fault never stopped firing";
      }
    }
  }
}

TEST_F(CompactionCrashTest, AFullDiskAtAnyWriteLeavesEveryByteOfTheOldMaps) {
  auto onlyRoads = [&](int32_t, int32_t overlay) { return overlay == roads; };
  const int64_t first = memory().Count(MemoryFileSystem::Operation::kWrite);
  ASSERT_EQ(CompactMapFiles(false, {}, nullptr, onlyRoads), 0);
  const int64_t writes = memory().Count(MemoryFileSystem::Operation::kWrite) - first;
  ASSERT_GT(writes, 10);
  int64_t failed = 0;
  for (int64_t n = 1; n <= writes; ++n) {
    BackToStart();
    const std::string context = "the disk full at write " + std::to_string(n);
    const auto before = FolderBytes();
    memory().FillUpAtWrite(n);
    std::vector<CompactReport> reports;
    const int32_t err = CompactMapFiles(false, {}, &reports, onlyRoads);
    memory().FillUpAtWrite(0);
    memory().SetCapacity(-1);
    ASSERT_EQ(reports.size(), 1u) << context;
    if (reports[0].result == CompactResult::kCompacted) {
      // Only writes in place came after the disk filled up.
      EXPECT_EQ(err, 0) << context;
      EXPECT_TRUE(BytesOf(base) == reference) << context;
    } else {
      ++failed;
      EXPECT_EQ(reports[0].result, CompactResult::kFailed) << context;
      EXPECT_EQ(reports[0].error, kErrDiskFull) << context;
      EXPECT_EQ(err, kErrDiskFull) << context;
      EXPECT_EQ(DiskErrorReports(), 1u) << context;
      EXPECT_EQ(platform().alerts.size(), 1u) << "reported once; " << context;
      EXPECT_TRUE(FolderBytes() == before) << context;
      EXPECT_TRUE(WorkFilesLeft().empty()) << context;
    }
    ExpectSound(context);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(failed, writes / 2);
}

TEST_F(CompactionCrashTest, ACommitRecordWhoseFilesDoNotMatchBlocksTheSet) {
  // Killed just after the commit record, before any rename: the work files are complete and
  // the record valid. Walking back from the end finds that state.
  std::vector<CompactReport> reports;
  for (int64_t n = mutations; n > 0; --n) {
    BackToStart();
    memory().SetCrashPoint(n);
    CompactMapFiles(false, {}, &reports);
    MemoryFileSystem::Snapshot crashed;
    ASSERT_TRUE(memory().CrashState(crashed));
    memory().SetCrashPoint(0);
    memory().Restore(crashed);
    if (test::PathExists(harbourFolder / (base + ".CMX")) &&
        test::PathExists(harbourFolder / (base + ".CM2")) &&
        test::PathExists(harbourFolder / (base + ".CM3"))) {
      // The new object file lost its tail: renaming it in would lose objects.
      std::string cm3 = test::ReadWholeFile(harbourFolder / (base + ".CM3"));
      cm3.resize(cm3.size() - 10);
      test::WriteWholeFile(harbourFolder / (base + ".CM3"), cm3);
      Reload();
      EXPECT_EQ(BaseOf("Harbour", "Roads"), "") << "the blocked overlay file is left out";
      EXPECT_NE(BaseOf("Harbour", "Sites"), "") << "the others load";
      EXPECT_EQ(AlertsContaining("could not be finished"), 1u);
      EXPECT_TRUE(BytesOf(base) == old) << "nothing was touched";
      EXPECT_TRUE(test::PathExists(harbourFolder / (base + ".CMX")));
      return;
    }
  }
  FAIL() << "no crash point left the commit record beside the work files";
}

}  // namespace
}  // namespace tlv
