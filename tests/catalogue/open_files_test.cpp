#include "catalogue/open_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/errors.h"
#include "catalogue/map_list.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using test::ReadWholeFile;
using test::WriteWholeFile;

constexpr int32_t kMapID = 1000;
constexpr int32_t kFirstOverlayID = 2000;
constexpr int32_t kOverlayCount = 7;

class OpenFilesTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    ResetOpenFilesForTesting();
    ClearMapList();
    ASSERT_EQ(RegisterDirectory(temp.folderPath(), true, dirID), 0);
    MapRecord map;
    std::strcpy(map.name, "Harbour");
    map.mapID = kMapID;
    map.dirID = dirID;
    int32_t index = -1;
    ASSERT_EQ(AppendMapRecord(map, index), 0);
    for (int32_t i = 0; i < kOverlayCount; ++i) {
      OverlayFileRecord file;
      file.mapID = kMapID;
      file.overlayID = kFirstOverlayID + i;
      file.dirID = dirID;
      std::snprintf(file.baseName, sizeof file.baseName, "L%d", static_cast<int>(i));
      ASSERT_EQ(AppendOverlayFileRecord(index, file), 0);
      WriteWholeFile(temp / (std::string(file.baseName) + ".OBJ"), std::string(4000, 'o'));
      WriteWholeFile(temp / (std::string(file.baseName) + ".SUM"), std::string(320, 's'));
    }
  }
  void TearDown() override {
    ResetOpenFilesForTesting();
    ClearMapList();
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }

  int32_t Allocate(int32_t overlayIndex, uint32_t kind, int32_t bytes) {
    int32_t mapIndex = -1;
    int32_t fileIndex = -1;
    return AllocateSpaceForFile(kMapID, kFirstOverlayID + overlayIndex, kind, bytes, &mapIndex,
                                &fileIndex);
  }
  // The slot of the object-file array holding the overlay's file, or -1.
  int32_t SlotOf(int32_t overlayIndex) {
    for (int32_t slot = 0; slot < kOpenFileSlots; ++slot) {
      int32_t mapID = 0;
      int32_t overlayID = 0;
      OpenFileSlotKey(kObjectFileKind, slot, mapID, overlayID);
      if (mapID == kMapID && overlayID == kFirstOverlayID + overlayIndex) return slot;
    }
    return -1;
  }
  bool LastAlertContains(const std::string& text) {
    return !platform().alerts.empty() &&
           platform().alerts.back().text.find(text) != std::string::npos;
  }

  MemoryFileSystem& files() { return *testFiles.memory(); }

  test::TestFiles testFiles{test::FilesKind::kMemory};
  test::TempFolder temp;
  int32_t dirID = -1;
};

TEST_F(OpenFilesTest, ResolvesIDsAndIndexes) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  ASSERT_EQ(AllocateSpaceForFile(kMapID, kFirstOverlayID + 3, kSummaryFileKind, 1024, &mapIndex,
                                 &fileIndex),
            0);
  EXPECT_EQ(mapIndex, 0);
  EXPECT_EQ(fileIndex, 3);
  EXPECT_EQ(std::string(CurrentSummaryFile().path), temp.folderPath() + "L3.SUM");
  EXPECT_EQ(CurrentSummaryFile().fileLength, 320);
  // By position: the same file, no reopen.
  ASSERT_EQ(AllocateSpaceForFile(0, 3, kSummaryFileKind, 1024, nullptr, nullptr), 0);
  int32_t mapID = 0;
  int32_t overlayID = 0;
  OpenFileSlotKey(kSummaryFileKind, 0, mapID, overlayID);
  EXPECT_EQ(mapID, kMapID);
  EXPECT_EQ(overlayID, kFirstOverlayID + 3);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(OpenFilesTest, BadIDsAndIndexesAreRefused) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  EXPECT_EQ(AllocateSpaceForFile(999, kFirstOverlayID, kObjectFileKind, 0, &mapIndex, &fileIndex),
            -1);
  EXPECT_TRUE(LastAlertContains("MapIDToIndex()"));
  ArmAlerts();
  EXPECT_EQ(AllocateSpaceForFile(kMapID, 1, kObjectFileKind, 0, &mapIndex, &fileIndex), -1);
  EXPECT_TRUE(LastAlertContains("Layer ID not found."));
  ArmAlerts();
  EXPECT_EQ(AllocateSpaceForFile(1, 0, kObjectFileKind, 0, nullptr, nullptr), -1);
  EXPECT_TRUE(LastAlertContains("mIndex out of range in AllocateSpaceForFile"));
  ArmAlerts();
  EXPECT_EQ(AllocateSpaceForFile(0, kOverlayCount, kObjectFileKind, 0, nullptr, nullptr), -1);
  EXPECT_TRUE(LastAlertContains("fIndex out of range in AllocateSpaceForFile"));
  EXPECT_EQ(AllocateSpaceForFile(0, 0, FourCharCode(".LYR"), 0, nullptr, nullptr), -1);
  EXPECT_FALSE(CurrentObjectFile().IsOpen());
}

TEST_F(OpenFilesTest, MissingOverlayFileShowsMessage100) {
  test::RemoveFile(temp / "L2.OBJ");
  EXPECT_EQ(Allocate(2, kObjectFileKind, 1024), kErrFileNotFound);
  ASSERT_FALSE(platform().alerts.empty());
  const std::string text = platform().alerts.back().text;
  EXPECT_NE(text.find("Could not find/open overlay file"), std::string::npos) << text;
  EXPECT_NE(text.find(temp.folderPath() + "L2.OBJ"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Harbour\""), std::string::npos) << text;
  EXPECT_EQ(SlotOf(2), -1);
}

TEST_F(OpenFilesTest, SixthFileEvictsTheVictimAfterWritingItsWindowBack) {
  for (int32_t i = 0; i < kOpenFileSlots; ++i) ASSERT_EQ(Allocate(i, kObjectFileKind, 1024), 0);
  for (int32_t i = 0; i < kOpenFileSlots; ++i) EXPECT_GE(SlotOf(i), 0) << i;
  EXPECT_EQ(SlotOf(4), 0);
  EXPECT_EQ(VictimCounter(kObjectFileKind), 0);

  // The victim slot (0) holds overlay 4; give it unwritten bytes.
  ASSERT_EQ(SetFPosBuf(CurrentObjectFile(), 100), 0);
  ASSERT_EQ(FSWriteLongBuf(CurrentObjectFile(), 0x41424344), 0);
  EXPECT_EQ(ReadWholeFile(temp / "L4.OBJ").substr(100, 4), "oooo");

  ASSERT_EQ(Allocate(5, kObjectFileKind, 1024), 0);
  EXPECT_EQ(SlotOf(5), 0);
  EXPECT_EQ(SlotOf(4), -1);
  EXPECT_EQ(VictimCounter(kObjectFileKind), 1);
  EXPECT_EQ(ReadWholeFile(temp / "L4.OBJ").substr(100, 4), "ABCD");

  // The next newcomer takes slot 1's file out and the counter moves on.
  int32_t mapID = 0;
  int32_t evicted = 0;
  OpenFileSlotKey(kObjectFileKind, 1, mapID, evicted);
  ASSERT_EQ(Allocate(6, kObjectFileKind, 1024), 0);
  EXPECT_EQ(SlotOf(evicted - kFirstOverlayID), -1);
  EXPECT_EQ(SlotOf(6), 0);
  EXPECT_EQ(SlotOf(5), 1);  // swapped out of slot 0
  EXPECT_EQ(VictimCounter(kObjectFileKind), 2);
  // Summary files have their own array and counter.
  EXPECT_EQ(VictimCounter(kSummaryFileKind), 0);
  EXPECT_FALSE(CurrentSummaryFile().IsOpen());
}

// A full disk at the moment a file leaves the table (pushed out, or closed after a command): the
// file stays in its slot with its unwritten window and its key, the failure is reported, and
// the edit reaches the disk, durably, once there is room.
TEST_F(OpenFilesTest, AFullDiskKeepsTheEditsOfFilesLeavingTheTable) {
  for (int32_t i = 0; i < kOpenFileSlots; ++i) ASSERT_EQ(Allocate(i, kObjectFileKind, 1024), 0);
  ASSERT_EQ(SetFPosBuf(CurrentObjectFile(), 4000), 0);  // overlay 4, in slot 0: grows its file
  ASSERT_EQ(FSWriteLongBuf(CurrentObjectFile(), 0x41424344), 0);
  files().SyncEverything();
  files().SetCapacity(files().UsedBytes());

  EXPECT_EQ(Allocate(5, kObjectFileKind, 1024), kErrDiskFull);
  EXPECT_TRUE(LastAlertContains("FSCloseBuf() returned -34 in AllocateSpaceForFile()"));
  EXPECT_EQ(SlotOf(4), 0);
  EXPECT_EQ(CurrentObjectFile().dirty, 1);
  EXPECT_EQ(SlotOf(5), -1);
  // With room again the newcomer takes the next victim; overlay 4 keeps its edit in the table.
  ArmAlerts();
  files().SetCapacity(-1);
  ASSERT_EQ(Allocate(5, kObjectFileKind, 1024), 0);
  EXPECT_EQ(SlotOf(5), 0);
  EXPECT_GT(SlotOf(4), 0);

  // The same at the close after a command.
  ASSERT_EQ(SetFPosBuf(CurrentObjectFile(), 4000), 0);  // overlay 5
  ASSERT_EQ(FSWriteLongBuf(CurrentObjectFile(), 0x45464748), 0);
  files().SetCapacity(files().UsedBytes());
  platform().alerts.clear();
  CloseBufferedFiles();
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_NE(platform().alerts[0].text.find("FSCloseBuf() returned -34 in CloseBufferedFiles()"),
            std::string::npos);
  EXPECT_EQ(SlotOf(5), 0);
  EXPECT_GT(SlotOf(4), 0);
  for (int32_t i : {0, 1, 2, 3, 6}) EXPECT_EQ(SlotOf(i), -1) << i;  // the others closed
  EXPECT_EQ(ReadWholeFile(temp / "L4.OBJ").size(), 4000u);
  ArmAlerts();
  files().SetCapacity(-1);
  CloseBufferedFiles();
  EXPECT_EQ(platform().alerts.size(), 2u);
  EXPECT_FALSE(CurrentObjectFile().IsOpen());
  EXPECT_EQ(SlotOf(4), -1);
  EXPECT_EQ(SlotOf(5), -1);
  files().PowerLoss();
  EXPECT_EQ(ReadWholeFile(temp / "L4.OBJ").substr(4000), "ABCD");
  EXPECT_EQ(ReadWholeFile(temp / "L5.OBJ").substr(4000), "EFGH");
}

TEST_F(OpenFilesTest, AskingAgainForSlotZeroDoesNotReopen) {
  ASSERT_EQ(Allocate(1, kObjectFileKind, 1024), 0);
  ASSERT_EQ(SetFPosBuf(CurrentObjectFile(), 10), 0);
  ASSERT_EQ(FSWriteLongBuf(CurrentObjectFile(), 7), 0);
  // With the name gone from the folder only the open file can serve the request.
  test::RemoveFile(temp / "L1.OBJ");
  ASSERT_EQ(Allocate(1, kObjectFileKind, 2048), 0);
  EXPECT_TRUE(CurrentObjectFile().IsOpen());
  EXPECT_EQ(CurrentObjectFile().bufferSize, 2048);
  int32_t position = 0;
  GetFPosBuf(CurrentObjectFile(), position);
  EXPECT_EQ(position, 14);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(OpenFilesTest, WindowSizesFollowTheRequest) {
  ASSERT_EQ(Allocate(0, kObjectFileKind, -100), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 100);
  ASSERT_EQ(Allocate(0, kObjectFileKind, -50000), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 4000);  // capped at the file's length
  ASSERT_EQ(Allocate(0, kObjectFileKind, 0), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 4000);
  ASSERT_EQ(Allocate(0, kObjectFileKind, 99999), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 99999);
  ASSERT_EQ(Allocate(0, kObjectFileKind, 100001), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 100000);
  ASSERT_EQ(Allocate(0, kObjectFileKind, 250000), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 100000);
  // The old current file keeps its window until the next request shrinks every slot but 0.
  ASSERT_EQ(Allocate(1, kObjectFileKind, 5000), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 5000);
  EXPECT_EQ(OpenFileSlot(kObjectFileKind, SlotOf(0)).bufferSize, 100000);
  ASSERT_EQ(Allocate(2, kObjectFileKind, 1024), 0);
  EXPECT_EQ(OpenFileSlot(kObjectFileKind, SlotOf(0)).bufferSize, 1024);
  EXPECT_EQ(OpenFileSlot(kObjectFileKind, SlotOf(1)).bufferSize, 5000);
}

TEST_F(OpenFilesTest, ShrinksItsRequestUnderMemoryPressure) {
  WriteWholeFile(temp / "L0.SUM", std::string(200000, 's'));
  SetAllocationCeilingForTesting(20000);
  ASSERT_EQ(Allocate(0, kSummaryFileKind, 0), 0);
  // 100000 and 50000 fail, 25000 fails, 12500 fits.
  EXPECT_EQ(CurrentSummaryFile().bufferSize, 12500);
  EXPECT_TRUE(platform().alerts.empty());
  SummaryRecord record;
  EXPECT_EQ(FSReadSummaryBuf(CurrentSummaryFile(), record), 0);
}

TEST_F(OpenFilesTest, GivesUpAboveOneThousandBytes) {
  SetAllocationCeilingForTesting(900);
  EXPECT_EQ(Allocate(0, kObjectFileKind, 1024), -1);
  EXPECT_TRUE(LastAlertContains("MySetHandleSize()") ||
              platform().alerts.back().text.find("memory") != std::string::npos)
      << platform().alerts.back().text;
  int32_t mapID = 0;
  int32_t overlayID = 0;
  OpenFileSlotKey(kObjectFileKind, 0, mapID, overlayID);
  EXPECT_EQ(overlayID, -1);
  ResetMemoryFailuresForTesting();
  ArmAlerts();
  ASSERT_EQ(Allocate(0, kObjectFileKind, 1024), 0);
  EXPECT_EQ(CurrentObjectFile().bufferSize, 1024);
}

TEST_F(OpenFilesTest, ReadOnlySectionsNest) {
  ASSERT_EQ(Allocate(0, kObjectFileKind, 1024), 0);  // opened for writing
  BeginReadOnlyFiles();
  BeginReadOnlyFiles();
  EXPECT_EQ(GetFileOpenMode(), kOpenReadOnly);
  EXPECT_EQ(ReadOnlyNesting(), 2);
  ASSERT_EQ(Allocate(1, kObjectFileKind, 1024), 0);
  EXPECT_FALSE(CurrentObjectFile().file.IsWritable());
  // The file opened before the section keeps its mode.
  ASSERT_EQ(Allocate(0, kObjectFileKind, 1024), 0);
  EXPECT_TRUE(CurrentObjectFile().file.IsWritable());

  EndReadOnlyFiles(CloseBufferedFiles);
  EXPECT_EQ(ReadOnlyNesting(), 1);
  EXPECT_EQ(GetFileOpenMode(), kOpenReadOnly);
  EXPECT_TRUE(CurrentObjectFile().IsOpen());
  EndReadOnlyFiles(CloseBufferedFiles);
  EXPECT_EQ(ReadOnlyNesting(), 0);
  EXPECT_EQ(GetFileOpenMode(), kOpenReadWrite);
  EXPECT_FALSE(CurrentObjectFile().IsOpen());
  EXPECT_EQ(SlotOf(0), -1);
  ASSERT_EQ(Allocate(1, kObjectFileKind, 1024), 0);
  EXPECT_TRUE(CurrentObjectFile().file.IsWritable());

  // An unmatched end changes nothing; a null "then" ends all sections without closing.
  EndReadOnlyFiles(CloseBufferedFiles);
  EXPECT_TRUE(CurrentObjectFile().IsOpen());
  BeginReadOnlyFiles();
  BeginReadOnlyFiles();
  EndReadOnlyFiles(nullptr);
  EXPECT_EQ(ReadOnlyNesting(), 0);
  EXPECT_EQ(GetFileOpenMode(), kOpenReadWrite);
  EXPECT_TRUE(CurrentObjectFile().IsOpen());
}

TEST_F(OpenFilesTest, FlushCloseAndCloseMapFiles) {
  ASSERT_EQ(Allocate(0, kObjectFileKind, 1024), 0);
  ASSERT_EQ(FSWriteLongBuf(CurrentObjectFile(), 0x30313233), 0);
  ASSERT_EQ(Allocate(0, kSummaryFileKind, 1024), 0);
  ASSERT_EQ(FSWriteLongBuf(CurrentSummaryFile(), 0x34353637), 0);
  ASSERT_EQ(FlushBufferedFiles(), 0);
  EXPECT_EQ(ReadWholeFile(temp / "L0.OBJ").substr(0, 4), "0123");
  EXPECT_EQ(ReadWholeFile(temp / "L0.SUM").substr(0, 4), "4567");
  EXPECT_EQ(CurrentObjectFile().dirty, 0);

  ASSERT_EQ(CloseMapFiles(kMapID), 0);
  EXPECT_FALSE(CurrentObjectFile().IsOpen());
  EXPECT_FALSE(CurrentSummaryFile().IsOpen());

  ASSERT_EQ(Allocate(2, kObjectFileKind, 1024), 0);
  ASSERT_EQ(Allocate(3, kObjectFileKind, 1024), 0);
  CloseBufferedFiles();
  for (int32_t slot = 0; slot < kOpenFileSlots; ++slot) {
    EXPECT_FALSE(OpenFileSlot(kObjectFileKind, slot).IsOpen());
  }
  EXPECT_EQ(SlotOf(2), -1);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(OpenFilesTest, TruncatedSummaryFileReadsUpToItsLastWholeRecord) {
  std::string bytes(70, '\0');  // two records and six stray bytes
  PutBig32(bytes.data() + 32, 64);
  WriteWholeFile(temp / "L4.SUM", bytes);
  ASSERT_EQ(Allocate(4, kSummaryFileKind, 0), 0);
  BufferedFile& file = CurrentSummaryFile();
  const int32_t count = file.fileLength / kSummaryRecordSize;
  EXPECT_EQ(count, 2);
  SummaryRecord record;
  for (int32_t i = 0; i < count; ++i) ASSERT_EQ(FSReadSummaryBuf(file, record), 0);
  EXPECT_EQ(record.position, 64);
  EXPECT_EQ(FSReadSummaryBuf(file, record), kErrEndOfFile);
}

}  // namespace
}  // namespace tlv
