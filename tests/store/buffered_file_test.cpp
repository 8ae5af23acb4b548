#include "store/buffered_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "base/errors.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using test::ReadWholeFile;
using test::WriteWholeFile;

std::string Counting(int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(i % 251));
  return bytes;
}

class BufferedFileTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    SetFileOpenMode(kOpenReadWrite);
    ASSERT_EQ(RegisterDirectory(temp.folderPath(), true, dirID), 0);
  }
  void TearDown() override {
    FSCloseBuf(file);
    SetFileOpenMode(kOpenReadWrite);
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }
  int32_t Open(const std::string& name, const std::string& bytes, int32_t window) {
    WriteWholeFile(temp / name, bytes);
    return FSOpenBuf(0, dirID, name.c_str(), file, window);
  }
  int32_t Position() {
    int32_t position = -1;
    GetFPosBuf(file, position);
    return position;
  }

  MemoryFileSystem& files() { return *testFiles.memory(); }

  test::TestFiles testFiles{test::FilesKind::kMemory};
  test::TempFolder temp;
  int32_t dirID = -1;
  BufferedFile file;
};

TEST_F(BufferedFileTest, ShortReadAtEndReturnsEofAndStopsAtTheEnd) {
  ASSERT_EQ(Open("a.bin", Counting(10), 16), 0);
  EXPECT_EQ(file.fileLength, 10);
  EXPECT_EQ(file.cursor, -1);
  ASSERT_EQ(SetFPosBuf(file, 8), 0);
  char bytes[4] = {};
  int32_t count = 4;
  EXPECT_EQ(FSReadBuf(file, count, bytes), kErrEndOfFile);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(bytes[0], 8);
  EXPECT_EQ(bytes[1], 9);
  EXPECT_EQ(Position(), 10);
  // The typed reads report the end the same way and leave their value alone.
  int32_t value = 77;
  EXPECT_EQ(FSReadLongBuf(file, value), kErrEndOfFile);
  EXPECT_EQ(value, 77);
}

TEST_F(BufferedFileTest, RequestLargerThanWindowFailsBeforeIO) {
  ASSERT_EQ(Open("a.bin", Counting(100), 8), 0);
  char bytes[16];
  int32_t count = 9;
  EXPECT_EQ(FSReadBuf(file, count, bytes), kErrGeneral);
  EXPECT_EQ(file.cursor, -1);
  EXPECT_EQ(FSWriteBuf(file, count, bytes), kErrGeneral);
  EXPECT_EQ(file.dirty, 0);
  WRect rect;
  EXPECT_EQ(FSReadWRectBuf(file, rect), kErrGeneral);
}

TEST_F(BufferedFileTest, WritingPastTheEndRaisesTheLength) {
  ASSERT_EQ(Open("a.bin", Counting(10), 16), 0);
  ASSERT_EQ(SetFPosBuf(file, 20), 0);
  EXPECT_EQ(Position(), 20);
  int32_t count = 4;
  ASSERT_EQ(FSWriteBuf(file, count, "WXYZ"), 0);
  EXPECT_EQ(file.fileLength, 24);
  EXPECT_EQ(Position(), 24);
  ASSERT_EQ(FSCloseBuf(file), 0);
  const std::string bytes = ReadWholeFile(temp / "a.bin");
  ASSERT_EQ(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(0, 10), Counting(10));
  EXPECT_EQ(bytes.substr(10, 10), std::string(10, '\0'));
  EXPECT_EQ(bytes.substr(20), "WXYZ");
}

TEST_F(BufferedFileTest, AppendingWithinTheWindowGrowsTheFile) {
  ASSERT_EQ(Open("a.bin", Counting(6), 64), 0);
  ASSERT_EQ(SetFPosBuf(file, 6), 0);
  for (int32_t i = 0; i < 10; ++i) ASSERT_EQ(FSWriteLongBuf(file, i), 0);
  EXPECT_EQ(file.fileLength, 46);
  ASSERT_EQ(FSCloseBuf(file), 0);
  const std::string bytes = ReadWholeFile(temp / "a.bin");
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(GetBig32(bytes.data() + 6 + 36), 9);
}

TEST_F(BufferedFileTest, WindowMovesKeepTheBytesAroundAWrite) {
  const std::string original = Counting(1000);
  ASSERT_EQ(Open("a.bin", original, 16), 0);
  // Writes land in several windows; the window always mirrors the file first.
  ASSERT_EQ(SetFPosBuf(file, 50), 0);
  ASSERT_EQ(FSWriteShortBuf(file, 0x4142), 0);
  ASSERT_EQ(SetFPosBuf(file, 63), 0);
  ASSERT_EQ(FSWriteLongBuf(file, 0x31323334), 0);  // crosses a window edge
  ASSERT_EQ(SetFPosBuf(file, 990), 0);
  ASSERT_EQ(FSWriteShortBuf(file, 0x5A5A), 0);
  // Reading back through the buffer sees the new bytes and the old ones around them.
  ASSERT_EQ(SetFPosBuf(file, 48), 0);
  char bytes[16];
  int32_t count = 16;
  ASSERT_EQ(FSReadBuf(file, count, bytes), 0);
  EXPECT_EQ(std::string(bytes, 4), std::string("\x30\x31"
                                               "AB",
                                               4));
  ASSERT_EQ(FSCloseBuf(file), 0);
  std::string expected = original;
  expected.replace(50, 2, "AB");
  expected.replace(63, 4, "1234");
  expected.replace(990, 2, "ZZ");
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), expected);
}

TEST_F(BufferedFileTest, PositionInsideTheWindowMovesOnlyTheCursor) {
  ASSERT_EQ(Open("a.bin", Counting(100), 32), 0);
  ASSERT_EQ(SetFPosBuf(file, 10), 0);
  int16_t value = 0;
  ASSERT_EQ(FSReadShortBuf(file, value), 0);
  EXPECT_EQ(file.bufferStart, 10);
  ASSERT_EQ(SetFPosBuf(file, 30), 0);
  EXPECT_EQ(file.bufferStart, 10);
  EXPECT_EQ(file.cursor, 20);
  ASSERT_EQ(SetFPosBuf(file, 5), 0);  // before the window: emptied
  EXPECT_EQ(file.cursor, -1);
  EXPECT_EQ(file.bufferStart, 5);
  ASSERT_EQ(SetFPosBuf(file, -9), 0);
  EXPECT_EQ(Position(), 0);
}

TEST_F(BufferedFileTest, TypedValuesAreBigEndianOnDisk) {
  ASSERT_EQ(Open("t.bin", "", 128), 0);
  SummaryRecord summary;
  summary.position = ~1234;
  summary.worldRect = {1, -2, 300000000, 170000000};
  summary.idHigh = 0x01020304;
  summary.idLow = -5;
  std::memcpy(summary.nameStart, "Ab\0\0", 4);
  ASSERT_EQ(FSWriteShortBuf(file, -2), 0);
  ASSERT_EQ(FSWriteLongBuf(file, 0x0A0B0C0D), 0);
  ASSERT_EQ(FSWriteTwoLongsBuf(file, 7, -8), 0);
  ASSERT_EQ(FSWriteWRectBuf(file, WRect{1, 2, 3, 4}), 0);
  ASSERT_EQ(FSWriteSummaryBuf(file, summary), 0);
  ASSERT_EQ(FSCloseBuf(file), 0);

  const std::string bytes = ReadWholeFile(temp / "t.bin");
  ASSERT_EQ(bytes.size(), 2u + 4 + 8 + 16 + 32);
  EXPECT_EQ(bytes.substr(0, 6), std::string("\xFF\xFE\x0A\x0B\x0C\x0D", 6));
  EXPECT_EQ(bytes.substr(14, 4), std::string("\0\0\0\x01", 4));
  EXPECT_EQ(bytes.substr(30 + 20, 4), std::string("\x01\x02\x03\x04", 4));

  ASSERT_EQ(FSOpenBuf(0, dirID, "t.bin", file, 100), 0);
  int16_t s = 0;
  int32_t l = 0, a = 0, b = 0;
  WRect rect;
  SummaryRecord back;
  ASSERT_EQ(FSReadShortBuf(file, s), 0);
  ASSERT_EQ(FSReadLongBuf(file, l), 0);
  ASSERT_EQ(FSReadTwoLongsBuf(file, a, b), 0);
  ASSERT_EQ(FSReadWRectBuf(file, rect), 0);
  ASSERT_EQ(FSReadSummaryBuf(file, back), 0);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(l, 0x0A0B0C0D);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, -8);
  EXPECT_EQ(rect, (WRect{1, 2, 3, 4}));
  EXPECT_EQ(back.position, ~1234);
  EXPECT_EQ(back.worldRect, summary.worldRect);
  EXPECT_EQ(back.idHigh, summary.idHigh);
  EXPECT_EQ(back.idLow, -5);
  EXPECT_EQ(std::memcmp(back.nameStart, "Ab\0\0", 4), 0);
}

TEST_F(BufferedFileTest, AtPositionWritesKeepThePosition) {
  ASSERT_EQ(Open("a.bin", Counting(200), 16), 0);
  ASSERT_EQ(SetFPosBuf(file, 3), 0);
  ASSERT_EQ(FSWriteLongBufAt(file, -1, 150), 0);
  EXPECT_EQ(Position(), 3);
  ASSERT_EQ(FSWriteWRectBufAt(file, WRect{9, 9, 9, 9}, 196), 0);  // passes the end
  EXPECT_EQ(Position(), 3);
  EXPECT_EQ(file.fileLength, 212);
  ASSERT_EQ(FSCloseBuf(file), 0);
  const std::string bytes = ReadWholeFile(temp / "a.bin");
  EXPECT_EQ(GetBig32(bytes.data() + 150), -1);
  EXPECT_EQ(GetBig32(bytes.data() + 208), 9);
}

TEST_F(BufferedFileTest, ResizeWritesBackAndKeepsThePosition) {
  ASSERT_EQ(Open("a.bin", Counting(100), 16), 0);
  ASSERT_EQ(SetFPosBuf(file, 40), 0);
  ASSERT_EQ(FSWriteLongBuf(file, 0x61626364), 0);
  ASSERT_EQ(FSResizeBuf(file, 64), 0);
  EXPECT_EQ(file.bufferSize, 64);
  EXPECT_EQ(file.cursor, -1);
  EXPECT_EQ(Position(), 44);
  EXPECT_EQ(ReadWholeFile(temp / "a.bin").substr(40, 4), "abcd");
  ASSERT_EQ(FSResizeBuf(file, 64), 0);  // same size: nothing happens

  SetAllocationCeilingForTesting(100);
  EXPECT_EQ(FSResizeBuf(file, 1000), kErrGeneral);
  EXPECT_EQ(file.buffer, nullptr);
  EXPECT_EQ(file.bufferSize, 0);
  ResetMemoryFailuresForTesting();
  ASSERT_EQ(FSResizeBuf(file, 32), 0);
  EXPECT_EQ(Position(), 44);
}

TEST_F(BufferedFileTest, FailedWriteBackIsReportedAndKeepsTheWindow) {
  ASSERT_EQ(Open("a.bin", "old!", 16), 0);
  files().SetCapacity(files().UsedBytes());  // the disk is full
  ASSERT_EQ(SetFPosBuf(file, 4), 0);
  ASSERT_EQ(FSWriteLongBuf(file, 0x6E657721), 0);  // "new!", in the window only
  EXPECT_EQ(FSWriteIfDirtyBuf(file), kErrDiskFull);
  EXPECT_EQ(file.dirty, 1);
  EXPECT_EQ(SetFPosBuf(file, 100), kErrDiskFull);
  EXPECT_EQ(FSResizeBuf(file, 64), kErrDiskFull);
  EXPECT_EQ(file.bufferSize, 16);
  // Closing keeps the file open with its edit: nothing is dropped while the disk is full.
  EXPECT_EQ(FSCloseBuf(file), kErrDiskFull);
  EXPECT_TRUE(file.IsOpen());
  EXPECT_EQ(file.dirty, 1);
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "old!");
  // Once there is room again the same close writes the edit.
  files().SetCapacity(-1);
  ASSERT_EQ(FSCloseBuf(file), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "old!new!");
}

TEST_F(BufferedFileTest, FailedWriteOrReadKeepsTheWindowAndTheNextTryWorks) {
  ASSERT_EQ(Open("a.bin", Counting(64), 16), 0);
  ASSERT_EQ(FSWriteLongBuf(file, -1), 0);
  files().FailNth(MemoryFileSystem::Operation::kWrite, 1);
  EXPECT_EQ(SetFPosBuf(file, 40), kErrIO);  // the write-back of the window failed
  EXPECT_EQ(file.dirty, 1);
  ASSERT_EQ(SetFPosBuf(file, 40), 0);  // the second try goes through
  files().FailNth(MemoryFileSystem::Operation::kRead, 1);
  int32_t value = 0;
  EXPECT_EQ(FSReadLongBuf(file, value), kErrIO);
  ASSERT_EQ(FSReadLongBuf(file, value), 0);
  EXPECT_EQ(value, GetBig32(Counting(64).data() + 40));
  ASSERT_EQ(FSCloseBuf(file), 0);
  EXPECT_EQ(GetBig32(ReadWholeFile(temp / "a.bin").data()), -1);
}

TEST_F(BufferedFileTest, ClosingMakesWhatWasWrittenDurable) {
  ASSERT_EQ(Open("a.bin", "abcd", 16), 0);
  files().SyncEverything();
  ASSERT_EQ(FSWriteLongBuf(file, 0x31323334), 0);
  ASSERT_EQ(FSWriteIfDirtyBuf(file), 0);
  // Written back but not synced: a loss of power now takes it away.
  const MemoryFileSystem::Snapshot before = files().Save();
  files().PowerLoss();
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "abcd");
  files().Restore(before);
  FSDiscardBuf(file);

  ASSERT_EQ(FSOpenBuf(0, dirID, "a.bin", file, 16), 0);
  ASSERT_EQ(FSWriteLongBuf(file, 0x31323334), 0);
  const int64_t syncs = files().Count(MemoryFileSystem::Operation::kSync);
  ASSERT_EQ(FSCloseBuf(file), 0);
  EXPECT_EQ(files().Count(MemoryFileSystem::Operation::kSync), syncs + 1);
  files().PowerLoss();
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "1234");

  // A file only read is closed without a sync.
  ASSERT_EQ(FSOpenBuf(0, dirID, "a.bin", file, 16), 0);
  int32_t value = 0;
  ASSERT_EQ(FSReadLongBuf(file, value), 0);
  ASSERT_EQ(FSCloseBuf(file), 0);
  EXPECT_EQ(files().Count(MemoryFileSystem::Operation::kSync), syncs + 1);
}

TEST_F(BufferedFileTest, PositionsNearTheLargestOffsetNeitherOverflowNorWrite) {
  ASSERT_EQ(Open("a.bin", Counting(100), 64), 0);
  // A position read from a damaged record, just below 2^31.
  const int32_t far = INT32_MAX - 10;
  ASSERT_EQ(SetFPosBuf(file, far), 0);
  EXPECT_EQ(Position(), far);
  int32_t value = 0;
  EXPECT_EQ(FSReadLongBuf(file, value), kErrEndOfFile);
  // Moving inside that window sums bufferStart and bufferSize.
  EXPECT_EQ(SetFPosBuf(file, INT32_MAX), 0);
  EXPECT_EQ(SetFPosBuf(file, far + 2), 0);
  SummaryRecord record;
  EXPECT_EQ(FSReadSummaryBuf(file, record), kErrEndOfFile);
  char bytes[64] = {};
  int32_t count = 64;
  EXPECT_EQ(FSReadBuf(file, count, bytes), kErrEndOfFile);
  EXPECT_EQ(count, 0);
  // A write that would end past the largest offset is refused, not wrapped.
  ASSERT_EQ(SetFPosBuf(file, far), 0);
  EXPECT_EQ(FSWriteSummaryBuf(file, record), kErrDiskFull);
  EXPECT_EQ(FSWriteLongBufAt(file, 7, INT32_MAX - 2), kErrDiskFull);
  EXPECT_EQ(file.dirty, 0);
  // Up to the very last offset is fine.
  ASSERT_EQ(SetFPosBuf(file, INT32_MAX - 4), 0);
  EXPECT_EQ(Position(), INT32_MAX - 4);
  BufferedFile to;
  ASSERT_EQ(FSOpenBuf(0, dirID, "", to, 16), 0);
  EXPECT_EQ(FSCopyRangeBuf(file, to, -5, 10), kErrBadLength);
  FSCloseBuf(to);
  EXPECT_EQ(file.fileLength, 100);
}

// Object records appended through a small window, with the write number k failing for good
// (the program is cut off there) and the power lost right after: the records synced before are
// all there, and the file holds either those alone or all the new ones too.
TEST_F(BufferedFileTest, InterruptionAtEveryWriteLosesNothingSynced) {
  std::string records;
  for (int32_t i = 0; i < 12; ++i) {
    std::string record(40, static_cast<char>('a' + i));
    PutBig32(record.data(), 36);
    records += record;
  }
  const std::string synced = records.substr(0, 160);  // four records made earlier
  WriteWholeFile(temp / "r.OBJ", synced);
  files().SyncEverything();
  const MemoryFileSystem::Snapshot start = files().Save();
  bool finished = false;
  for (int64_t k = 1; !finished && k < 100; ++k) {
    files().Restore(start);
    files().FailNth(MemoryFileSystem::Operation::kWrite, k, true);
    const int64_t writesBefore = files().Count(MemoryFileSystem::Operation::kWrite);
    int32_t err = FSOpenBuf(0, dirID, "r.OBJ", file, 64);
    ASSERT_EQ(err, 0);
    err = SetFPosBuf(file, 160);
    for (size_t at = 160; err == 0 && at < records.size(); at += 8) {
      int32_t count = 8;
      err = FSWriteBuf(file, count, records.data() + at);
    }
    const int32_t closeErr = FSCloseBuf(file);
    if (closeErr != 0) FSDiscardBuf(file);
    finished = err == 0 && closeErr == 0;
    EXPECT_EQ(finished, files().Count(MemoryFileSystem::Operation::kWrite) - writesBefore < k)
        << "write " << k;
    files().PowerLoss();
    files().FailNth(MemoryFileSystem::Operation::kWrite, 0);
    const std::string after = ReadWholeFile(temp / "r.OBJ");
    if (finished) {
      EXPECT_EQ(after, records) << "write " << k;
    } else {
      EXPECT_EQ(after, synced) << "write " << k;
    }
  }
  EXPECT_TRUE(finished);
}

// The same with a passing fault: the failed write is reported, the window is kept, and the
// close that follows writes everything.
TEST_F(BufferedFileTest, PassingWriteFaultLosesNoEdit) {
  const std::string records = Counting(480);
  WriteWholeFile(temp / "r.OBJ", records.substr(0, 160));
  files().SyncEverything();
  const MemoryFileSystem::Snapshot start = files().Save();
  // Five window write-backs: four as the window moves on, one at the close.
  for (int64_t k = 1; k <= 5; ++k) {
    files().Restore(start);
    files().FailNth(MemoryFileSystem::Operation::kWrite, k);
    ASSERT_EQ(FSOpenBuf(0, dirID, "r.OBJ", file, 64), 0);
    ASSERT_EQ(SetFPosBuf(file, 160), 0);
    int32_t failures = 0;
    for (size_t at = 160; at < records.size();) {
      int32_t count = 32;
      if (FSWriteBuf(file, count, records.data() + at) != 0) {
        ++failures;  // reported by the caller; the same bytes go again
        continue;
      }
      at += 32;
    }
    int32_t closeErr = FSCloseBuf(file);
    if (closeErr != 0) {
      ++failures;
      closeErr = FSCloseBuf(file);
    }
    ASSERT_EQ(closeErr, 0) << "write " << k;
    EXPECT_EQ(failures, 1) << "write " << k;
    files().PowerLoss();
    EXPECT_EQ(ReadWholeFile(temp / "r.OBJ"), records) << "write " << k;
  }
}

TEST_F(BufferedFileTest, ReadsLinesWithEveryKindOfLineEnd) {
  ASSERT_EQ(Open("l.txt", "one\r\ntwo\rthree\nfour\r\n\r\nlast", 64), 0);
  char line[32];
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 3);
  EXPECT_STREQ(line, "one");
  EXPECT_EQ(Position(), 5);
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 3);
  EXPECT_STREQ(line, "two");
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 5);
  EXPECT_STREQ(line, "three");
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 4);
  EXPECT_STREQ(line, "four");
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 4);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), -1);
}

TEST_F(BufferedFileTest, LineEndPairSplitByTheReadSizeIsOneLineEnd) {
  ASSERT_EQ(Open("l.txt", "abc\r\nxyz", 64), 0);
  char line[5];  // reads 4 bytes: "abc\r", the LF lies just behind
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 3);
  EXPECT_EQ(Position(), 5);
  EXPECT_EQ(FSReadLineBuf(file, line, sizeof line), 3);
  EXPECT_STREQ(line, "xyz");
  // A line longer than the buffer comes in pieces.
  ASSERT_EQ(SetFPosBuf(file, 0), 0);
  char tiny[3];
  EXPECT_EQ(FSReadLineBuf(file, tiny, sizeof tiny), 2);
  EXPECT_STREQ(tiny, "ab");
}

TEST_F(BufferedFileTest, CopiesARangeInPieces) {
  const std::string original = Counting(5000);
  ASSERT_EQ(Open("from.bin", original, 1024), 0);
  WriteWholeFile(temp / "to.bin", "HEAD");
  BufferedFile to;
  ASSERT_EQ(FSOpenBuf(0, dirID, "to.bin", to, 700), 0);
  ASSERT_EQ(SetFPosBuf(to, 4), 0);
  ASSERT_EQ(FSCopyRangeBuf(file, to, 3, 2503), 0);
  ASSERT_EQ(FSCloseBuf(to), 0);
  EXPECT_EQ(ReadWholeFile(temp / "to.bin"), "HEAD" + original.substr(3, 2500));

  // A source that ends early gives -39 after copying what it had.
  ASSERT_EQ(FSOpenBuf(0, dirID, "to.bin", to, 700), 0);
  ASSERT_EQ(SetFPosBuf(to, 0), 0);
  EXPECT_EQ(FSCopyRangeBuf(file, to, 4990, 5010), kErrEndOfFile);
  ASSERT_EQ(FSCloseBuf(to), 0);
  EXPECT_EQ(ReadWholeFile(temp / "to.bin").substr(0, 10), original.substr(4990));
}

TEST_F(BufferedFileTest, OpensTheNameWithVersionSuffix) {
  WriteWholeFile(temp / "ROADS.OBJ;1", "xyz");
  ASSERT_EQ(FSOpenBuf(0, dirID, "ROADS.OBJ", file, 16), 0);
  EXPECT_EQ(file.fileLength, 3);
  EXPECT_EQ(std::string(file.path), temp.folderPath() + "ROADS.OBJ;1");
}

TEST_F(BufferedFileTest, MissingFileLeavesTheRecordClosed) {
  EXPECT_EQ(FSOpenBuf(0, dirID, "none.obj", file, 16), kErrFileNotFound);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.buffer, nullptr);
  EXPECT_EQ(file.cursor, -1);
  EXPECT_EQ(FSOpenBuf(0, dirID + 16 * 40, "none.obj", file, 16), kErrFolderNotFound);
}

TEST_F(BufferedFileTest, WindowWithoutMemoryClosesTheFile) {
  WriteWholeFile(temp / "a.bin", "abc");
  SetAllocationCeilingForTesting(10);
  EXPECT_EQ(FSOpenBuf(0, dirID, "a.bin", file, 100), kErrGeneral);
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(BufferedFileTest, ReadOnlyModeAndAttributeRefuseWrites) {
  SetFileOpenMode(kOpenReadOnly);
  ASSERT_EQ(Open("a.bin", "abcd", 16), 0);
  EXPECT_FALSE(file.file.IsWritable());
  EXPECT_EQ(FSWriteLongBuf(file, 1), kErrWritePermission);
  EXPECT_EQ(file.dirty, 0);
  ASSERT_EQ(FSCloseBuf(file), 0);

  SetFileOpenMode(kOpenReadWrite);
  test::SetReadOnly(temp / "a.bin", true);
  ASSERT_EQ(FSOpenBuf(0, dirID, "a.bin", file, 16), 0);
  EXPECT_FALSE(file.file.IsWritable());
  int32_t value = 0;
  EXPECT_EQ(FSReadLongBuf(file, value), 0);
  EXPECT_EQ(value, 0x61626364);
}

TEST_F(BufferedFileTest, TruncatedSummaryFileStopsAtTheBrokenRecord) {
  std::string bytes(40, '\0');
  PutBig32(bytes.data(), 12);
  ASSERT_EQ(Open("s.SUM", bytes, 1024), 0);
  SummaryRecord record;
  ASSERT_EQ(FSReadSummaryBuf(file, record), 0);
  EXPECT_EQ(record.position, 12);
  record.position = 99;
  EXPECT_EQ(FSReadSummaryBuf(file, record), kErrEndOfFile);
  EXPECT_EQ(record.position, 99);
  EXPECT_EQ(Position(), 40);
}

}  // namespace
}  // namespace tlv
