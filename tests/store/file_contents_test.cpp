#include "store/file_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using test::PathExists;
using test::ReadWholeFile;
using test::WriteWholeFile;
using Op = MemoryFileSystem::Operation;

constexpr uint32_t kCreator = FourCharCode("TLV1");
constexpr uint32_t kType = FourCharCode("TEXT");

class FileContentsTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    ASSERT_EQ(RegisterDirectory(temp.folderPath(), true, dirID), 0);
  }
  void TearDown() override {
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }
  MemoryFileSystem& files() { return *testFiles.memory(); }

  test::TestFiles testFiles{test::FilesKind::kMemory};
  test::TempFolder temp;
  int32_t dirID = -1;
};

TEST_F(FileContentsTest, ReadsWholeFileIntoAHandle) {
  WriteWholeFile(temp / "a.txt", "hello");
  Handle handle = nullptr;
  int32_t length = 0;
  ASSERT_EQ(ReadFileContents(0, dirID, "a.txt", nullptr, length, &handle, true), 0);
  ScopedHandle owner(handle);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(MyGetHandleSize(handle), 6);
  EXPECT_STREQ(*handle, "hello");

  Handle bare = nullptr;
  ASSERT_EQ(ReadFileContents(0, dirID, "a.txt", nullptr, length, &bare, false), 0);
  ScopedHandle bareOwner(bare);
  EXPECT_EQ(MyGetHandleSize(bare), 5);
}

TEST_F(FileContentsTest, ReadsIntoABufferWithinItsLength) {
  WriteWholeFile(temp / "a.txt", "0123456789");
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  int32_t length = 4;
  ASSERT_EQ(ReadFileContents(0, dirID, "a.txt", buffer, length, nullptr, false), 0);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(std::string(buffer, 5), "0123x");
  // The terminating NUL stays inside the buffer.
  length = sizeof buffer;
  ASSERT_EQ(ReadFileContents(0, dirID, "a.txt", buffer, length, nullptr, true), 0);
  EXPECT_EQ(length, 7);
  EXPECT_STREQ(buffer, "0123456");
  length = -1;
  EXPECT_EQ(ReadFileContents(0, dirID, "a.txt", buffer, length, nullptr, false), kErrBadLength);
}

TEST_F(FileContentsTest, MissingFileLeavesNoHandle) {
  Handle handle = reinterpret_cast<Handle>(&handle);
  int32_t length = 0;
  EXPECT_EQ(ReadFileContents(0, dirID, "none", nullptr, length, &handle, false), kErrFileNotFound);
  EXPECT_EQ(handle, nullptr);
  handle = reinterpret_cast<Handle>(&handle);
  EXPECT_EQ(ReadFileContents(0, dirID + 16 * 30, "none", nullptr, length, &handle, false),
            kErrFolderNotFound);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(FileContentsTest, NoMemoryForTheHandleIs108) {
  WriteWholeFile(temp / "big", std::string(5000, 'b'));
  SetAllocationCeilingForTesting(1000);
  Handle handle = nullptr;
  int32_t length = 0;
  EXPECT_EQ(ReadFileContents(0, dirID, "big", nullptr, length, &handle, false), kErrMemoryFull);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(FileContentsTest, EveryNameIsTriedWithVersionSuffix) {
  WriteWholeFile(temp / "NAME.MAP;1", "cd");
  int32_t length = 0;
  Handle handle = nullptr;
  ASSERT_EQ(ReadFileContents(0, dirID, "NAME.MAP", nullptr, length, &handle, false), 0);
  MyDisposeHandle(handle);
  char part[1];
  EXPECT_EQ(ReadFilePart(0, dirID, "NAME.MAP", 1, 1, part, nullptr), 0);
  EXPECT_EQ(part[0], 'd');
  // Writing goes to the file as it exists.
  ASSERT_EQ(WriteFileContents(0, dirID, "NAME.MAP", kCreator, kType, 3, "new"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "NAME.MAP;1"), "new");
  EXPECT_FALSE(PathExists(temp / "NAME.MAP"));
  ASSERT_EQ(CopyFileContents(0, dirID, "NAME.MAP", 0, dirID, "copy"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "copy"), "new");
}

TEST_F(FileContentsTest, ReadsAPartAndRefusesOneBeyondTheEnd) {
  WriteWholeFile(temp / "p", "abcdefgh");
  Handle handle = nullptr;
  ASSERT_EQ(ReadFilePart(0, dirID, "p", 2, 3, nullptr, &handle), 0);
  EXPECT_EQ(std::string(*handle, 3), "cde");
  MyDisposeHandle(handle);
  handle = nullptr;
  EXPECT_EQ(ReadFilePart(0, dirID, "p", 6, 4, nullptr, &handle), kErrEndOfFile);
  EXPECT_EQ(handle, nullptr);
  char buffer[4];
  EXPECT_EQ(ReadFilePart(0, dirID, "p", -1, 4, buffer, nullptr), kErrBadLength);
}

TEST_F(FileContentsTest, WriteReplacesTheWholeContents) {
  ASSERT_EQ(WriteFileContents(0, dirID, "w", kCreator, kType, 10, "0123456789"), 0);
  ASSERT_EQ(WriteFileContents(0, dirID, "w", kCreator, kType, 3, "abc"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "w"), "abc");
  ASSERT_EQ(WriteFileContents(0, dirID, "empty", kCreator, kType, 0, nullptr), 0);
  EXPECT_TRUE(PathExists(temp / "empty"));
}

TEST_F(FileContentsTest, AppendReturnsWhereTheBytesStart) {
  int32_t offset = -1;
  ASSERT_EQ(AppendFileContents(0, dirID, "log", kCreator, kType, 3, "abc", offset), 0);
  EXPECT_EQ(offset, 0);
  ASSERT_EQ(AppendFileContents(0, dirID, "log", kCreator, kType, 2, "de", offset), 0);
  EXPECT_EQ(offset, 3);
  EXPECT_EQ(ReadWholeFile(temp / "log"), "abcde");
}

TEST_F(FileContentsTest, UnwritableFolderAndFileAndFullDiskAreErrors) {
  test::MakeFolders(temp / "shut");
  int32_t shut = -1;
  ASSERT_EQ(RegisterDirectory(temp.folderPath() + "shut/", true, shut), 0);
  test::SetReadOnly(temp / "shut", true);
  EXPECT_NE(WriteFileContents(0, shut, "x", kCreator, kType, 1, "x"), 0);
  int32_t offset = 0;
  EXPECT_NE(AppendFileContents(0, shut, "x", kCreator, kType, 1, "x", offset), 0);
  EXPECT_NE(CopyFileContents(0, dirID, "none", 0, shut, "x"), 0);
  test::SetReadOnly(temp / "shut", false);

  WriteWholeFile(temp / "locked", "keep");
  test::SetReadOnly(temp / "locked", true);
  EXPECT_NE(WriteFileContents(0, dirID, "locked", kCreator, kType, 1, "x"), 0);
  EXPECT_NE(CutFileRange(0, dirID, "locked", 0, 1), 0);
  EXPECT_EQ(ReadWholeFile(temp / "locked"), "keep");

  // A full disk: every write is refused with its code and leaves the old bytes and no work file.
  WriteWholeFile(temp / "w", "old");
  WriteWholeFile(temp / "src", "source bytes");
  files().SetCapacity(files().UsedBytes() + 2);
  EXPECT_EQ(WriteFileContents(0, dirID, "w", kCreator, kType, 4, "abcd"), kErrDiskFull);
  EXPECT_EQ(ReadWholeFile(temp / "w"), "old");
  EXPECT_FALSE(PathExists(temp / "w.new~"));
  EXPECT_EQ(AppendFileContents(0, dirID, "w", kCreator, kType, 4, "abcd", offset), kErrDiskFull);
  EXPECT_EQ(ReadWholeFile(temp / "w"), "old");
  EXPECT_EQ(CopyFileContents(0, dirID, "src", 0, dirID, "copy"), kErrDiskFull);
  EXPECT_FALSE(PathExists(temp / "copy"));
  EXPECT_EQ(WriteFileContents(0, dirID, "w", kCreator, kType, 2, "ab"), 0);
}

TEST_F(FileContentsTest, WrittenFilesSurviveALossOfPower) {
  WriteWholeFile(temp / "w", "old");
  WriteWholeFile(temp / "c", "0123456789");
  WriteWholeFile(temp / "src", "source");
  files().SyncEverything();
  ASSERT_EQ(WriteFileContents(0, dirID, "w", kCreator, kType, 3, "new"), 0);
  ASSERT_EQ(WriteFileContents(0, dirID, "made", kCreator, kType, 4, "made"), 0);
  int32_t offset = 0;
  ASSERT_EQ(AppendFileContents(0, dirID, "log", kCreator, kType, 3, "abc", offset), 0);
  ASSERT_EQ(CopyFileContents(0, dirID, "src", 0, dirID, "copy"), 0);
  ASSERT_EQ(CutFileRange(0, dirID, "c", 0, 5), 0);
  files().PowerLoss();
  EXPECT_EQ(ReadWholeFile(temp / "w"), "new");
  EXPECT_EQ(ReadWholeFile(temp / "made"), "made");
  EXPECT_EQ(ReadWholeFile(temp / "log"), "abc");
  EXPECT_EQ(ReadWholeFile(temp / "copy"), "source");
  EXPECT_EQ(ReadWholeFile(temp / "c"), "56789");
}

// A settings or catalogue file rewritten with a failure at its write, sync or rename number k
// and the power lost right after: the file holds the old bytes or the new, never an empty or a
// half-written file, and the new ones whenever the write reported success.
TEST_F(FileContentsTest, InterruptedRewriteKeepsTheOldOrTheNewContents) {
  const std::string before(300, 'o');
  const std::string after(200, 'n');
  WriteWholeFile(temp / "LAYERS2.PLT", before);
  files().SyncEverything();
  const MemoryFileSystem::Snapshot start = files().Save();
  for (Op kind : {Op::kWrite, Op::kSync, Op::kRename}) {
    bool completed = false;
    for (int64_t k = 1; !completed && k < 10; ++k) {
      files().Restore(start);
      files().FailNth(kind, k, true);
      const int32_t err = WriteFileContents(0, dirID, "LAYERS2.PLT", kCreator, kType,
                                            static_cast<int32_t>(after.size()), after.data());
      files().FailNth(kind, 0);
      files().PowerLoss();
      const std::string found = ReadWholeFile(temp / "LAYERS2.PLT");
      EXPECT_TRUE(found == before || found == after) << static_cast<int>(kind) << " " << k;
      if (err == 0) {
        EXPECT_EQ(found, after) << static_cast<int>(kind) << " " << k;
      }
      completed = err == 0;
    }
    EXPECT_TRUE(completed) << static_cast<int>(kind);
  }
}

TEST_F(FileContentsTest, CopyReplacesTheTargetAndLeavesTheSourceAlone) {
  WriteWholeFile(temp / "src", std::string(200000, 'q') + "end");
  WriteWholeFile(temp / "dst", "old contents that are longer");
  ASSERT_EQ(CopyFileContents(0, dirID, "src", 0, dirID, "dst"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "dst"), ReadWholeFile(temp / "src"));
  // Copying a file onto itself must not destroy it.
  ASSERT_EQ(CopyFileContents(0, dirID, "src", 0, dirID, "SRC"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "src").size(), 200003u);
  EXPECT_EQ(CopyFileContents(0, dirID, "none", 0, dirID, "dst"), kErrFileNotFound);
  EXPECT_TRUE(PathExists(temp / "dst"));
}

TEST_F(FileContentsTest, CutsARangeThroughTheWorkFile) {
  WriteWholeFile(temp / "c", "0123456789");
  WriteWholeFile(temp / "trans.tmp", "stale");
  ASSERT_EQ(CutFileRange(0, dirID, "c", 2, 3), 0);
  EXPECT_EQ(ReadWholeFile(temp / "c"), "0156789");
  EXPECT_FALSE(PathExists(temp / "trans.tmp"));
  ASSERT_EQ(CutFileRange(0, dirID, "c", 5, 2), 0);  // the tail
  EXPECT_EQ(ReadWholeFile(temp / "c"), "01567");
  EXPECT_EQ(CutFileRange(0, dirID, "c", 4, 2), kErrBadLength);
  EXPECT_EQ(CutFileRange(0, dirID, "c", -1, 1), kErrBadLength);
  EXPECT_EQ(ReadWholeFile(temp / "c"), "01567");
  EXPECT_EQ(CutFileRange(0, dirID, "none", 0, 1), kErrFileNotFound);
}

struct Visit {
  int32_t dirID;
  std::string name;
  bool isFolder;
};

TEST_F(FileContentsTest, WalksAFolderByIDOrPath) {
  test::MakeFolders(temp / "Roads");
  test::MakeFolders(temp / ".hidden");
  WriteWholeFile(temp / "b.LYR", "");
  WriteWholeFile(temp / "a.LYR", "");
  WriteWholeFile(temp / ".DS", "");
  WriteWholeFile(temp / "skip.txt", "");
  std::vector<Visit> visits;
  const auto record = [&](int16_t, int32_t id, const std::string& name, bool isFolder) {
    visits.push_back({id, name, isFolder});
    return 0;
  };
  const auto filter = [](const std::string& path) {
    return path.find("skip") == std::string::npos;
  };
  ASSERT_EQ(ForEachItemInFolder(0, dirID, "", record, filter), 0);
  ASSERT_EQ(visits.size(), 3u);
  EXPECT_EQ(visits[0].name, "a.LYR");
  EXPECT_EQ(visits[0].dirID, dirID);
  EXPECT_EQ(visits[1].name, "b.LYR");
  EXPECT_TRUE(visits[2].isFolder);
  EXPECT_EQ(visits[2].name, temp.folderPath() + "Roads/");
  std::string registered;
  ASSERT_EQ(DirectoryPath(visits[2].dirID, registered), 0);
  EXPECT_EQ(registered, temp.folderPath() + "Roads/");

  // A file's path stands for its folder; the filter sees folders with their trailing "/".
  visits.clear();
  std::vector<std::string> seen;
  ASSERT_EQ(ForEachItemInFolder(0, -1, temp.folderPath() + "a.LYR", record,
                                [&](const std::string& path) {
                                  seen.push_back(path);
                                  return true;
                                }),
            0);
  EXPECT_EQ(visits.size(), 4u);
  EXPECT_NE(std::find(seen.begin(), seen.end(), temp.folderPath() + "Roads/"), seen.end());
}

TEST_F(FileContentsTest, WalkStopsAtTheFirstNonZeroResult) {
  WriteWholeFile(temp / "a", "");
  WriteWholeFile(temp / "b", "");
  int calls = 0;
  EXPECT_EQ(ForEachItemInFolder(0, dirID, "",
                                [&](int16_t, int32_t, const std::string&, bool) {
                                  ++calls;
                                  return 42;
                                }),
            42);
  EXPECT_EQ(calls, 1);
  // An ID the table does not hold calls nothing; a path that cannot be had is -1.
  EXPECT_EQ(ForEachItemInFolder(0, dirID + 16 * 70, "",
                                [&](int16_t, int32_t, const std::string&, bool) {
                                  ++calls;
                                  return 1;
                                }),
            0);
  EXPECT_EQ(ForEachItemInFolder(0, dirID, temp.folderPath() + "gone/x",
                                [&](int16_t, int32_t, const std::string&, bool) { return 1; }),
            -1);
  EXPECT_EQ(calls, 1);
}

TEST_F(FileContentsTest, WalkRefusesFolderPathsTooLongToRegister) {
  const std::string deep(256 - temp.folderPath().size(), 'd');
  test::MakeFolders(temp / deep);
  WriteWholeFile(temp / deep / "f", "");
  EXPECT_EQ(ForEachItemInFolder(0, dirID, "",
                                [](int16_t, int32_t, const std::string&, bool) { return 0; }),
            -3);
  // Walking inside it: the file's folder cannot be registered either.
  EXPECT_EQ(ForEachItemInFolder(0, -1, temp.folderPath() + deep + "/",
                                [](int16_t, int32_t, const std::string&, bool) { return 0; }),
            -5);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(FileContentsTest, RewriteReplacesTheFileWholeAndLeavesNoWorkFile) {
  WriteWholeFile(temp / "NAME.MAP", std::string(56, 'o'));
  // A stale work file from an earlier crash must not block the write or survive it as data.
  WriteWholeFile(temp / "other.new~", "stale");
  ASSERT_EQ(WriteFileContents(0, dirID, "name.map", kCreator, kType, 5, "fresh"), 0);
  EXPECT_EQ(ReadWholeFile(temp / "NAME.MAP"), "fresh") << "the existing spelling is kept";
  EXPECT_FALSE(PathExists(temp / "NAME.MAP.new~"));
  EXPECT_FALSE(PathExists(temp / "name.map"));
}

}  // namespace
}  // namespace tlv
