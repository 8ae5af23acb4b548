#include "base/files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory_files.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using test::FilesKind;
using test::ReadWholeFile;
using test::TempFolder;
using test::WriteWholeFile;
using Op = MemoryFileSystem::Operation;

// The file calls behave alike on the disk and in memory.
class FilesTest : public test::CoreTest, public ::testing::WithParamInterface<FilesKind> {
 protected:
  std::string P(const std::string& name) const { return temp.folderPath() + name; }

  test::TestFiles testFiles{GetParam()};
  TempFolder temp;
};

INSTANTIATE_TEST_SUITE_P(BothFileSystems, FilesTest,
                         ::testing::Values(FilesKind::kPosix, FilesKind::kMemory),
                         [](const ::testing::TestParamInfo<FilesKind>& info) {
                           return info.param == FilesKind::kPosix ? "Posix" : "Memory";
                         });

TEST_P(FilesTest, ReadWriteLengthAndShortReadAtEnd) {
  WriteWholeFile(temp / "a.bin", "abcdef");
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a.bin"), FileAccess::kReadWrite, file), 0);
  int32_t length = 0;
  ASSERT_EQ(file.GetLength(length), 0);
  EXPECT_EQ(length, 6);
  char buf[8] = {};
  int32_t got = 0;
  ASSERT_EQ(file.Read(4, 8, buf, got), 0);
  EXPECT_EQ(got, 2);
  EXPECT_EQ(std::string(buf, 2), "ef");
  ASSERT_EQ(file.Read(100, 8, buf, got), 0);
  EXPECT_EQ(got, 0);
  ASSERT_EQ(file.Write(8, 2, "XY"), 0);
  ASSERT_EQ(file.GetLength(length), 0);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), std::string("abcdef\0\0XY", 10));
  ASSERT_EQ(file.SetLength(3), 0);
  ASSERT_EQ(SyncFile(file), 0);
  ASSERT_EQ(file.Close(), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "abc");
  // Arguments are checked alike: negative counts and offsets, and growth past 2^31 - 1.
  ASSERT_EQ(OpenFile(P("a.bin"), FileAccess::kReadWrite, file), 0);
  EXPECT_EQ(file.Read(-1, 2, buf, got), kErrBadLength);
  EXPECT_EQ(file.Write(0, -2, "x"), kErrBadLength);
  EXPECT_EQ(file.Write(2147483647LL - 1, 2, "xy"), kErrDiskFull);
  EXPECT_EQ(file.SetLength(-1), kErrBadLength);
}

TEST_P(FilesTest, ReadOnlyOpenRefusesWrites) {
  WriteWholeFile(temp / "a.bin", "abc");
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a.bin"), FileAccess::kRead, file), 0);
  EXPECT_FALSE(file.IsWritable());
  EXPECT_NE(file.Write(0, 1, "x"), 0);
  EXPECT_NE(file.SetLength(0), 0);
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "abc");
}

TEST_P(FilesTest, MissingFileAndFolderCodes) {
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("none.bin"), FileAccess::kRead, file), kErrFileNotFound);
  EXPECT_EQ(OpenFile(P("nofolder/none.bin"), FileAccess::kRead, file), kErrFolderNotFound);
  EXPECT_EQ(DeleteFile(P("none.bin")), kErrFileNotFound);
  EXPECT_EQ(RenameFile(P("none.bin"), P("other.bin")), kErrFileNotFound);
  EXPECT_EQ(CreateFile(P("nofolder/new.bin")), kErrFolderNotFound);
  EXPECT_FALSE(FileExists(P("none.bin")));
  test::MakeFolders(temp / "sub");
  EXPECT_EQ(OpenFile(P("sub"), FileAccess::kRead, file), kErrPermission);
  EXPECT_FALSE(IsRegularFile(P("sub")));
}

TEST_P(FilesTest, NamesResolveCaseInsensitivelyWhenExactNameIsMissing) {
  test::MakeFolders(temp / "Maps" / "Harbour");
  WriteWholeFile(temp / "Maps" / "Harbour" / "ROADS.OBJ", "r");
  std::string resolved;
  ASSERT_EQ(ResolvePath(P("maps/harbour/roads.obj"), resolved), 0);
  EXPECT_EQ(resolved, P("Maps/Harbour/ROADS.OBJ"));
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("MAPS/HARBOUR/Roads.Obj"), FileAccess::kRead, file), 0);
  EXPECT_TRUE(IsFolder(P("maps/HARBOUR/")));
  EXPECT_TRUE(IsRegularFile(P("maps/harbour/roads.obj")));
  EXPECT_EQ(ResolvePath(P("maps/harbour/rails.obj"), resolved), kErrFileNotFound);
  EXPECT_EQ(ResolvePath(P("maps/dam/roads.obj"), resolved), kErrFolderNotFound);
  // A new file keeps its own spelling but lands in the folder as spelt on disk.
  ASSERT_EQ(CreateFile(P("maps/harbour/New.SUM")), 0);
  EXPECT_TRUE(test::PathExists(temp / "Maps" / "Harbour" / "New.SUM"));
  EXPECT_EQ(CreateFile(P("Maps/Harbour/new.sum")), kErrDuplicateName);
  // Names that differ only in case: the exact one wins, else the first in byte order.
  WriteWholeFile(temp / "Maps" / "Harbour" / "roads.obj", "lower");
  ASSERT_EQ(ResolvePath(P("Maps/Harbour/roads.obj"), resolved), 0);
  EXPECT_EQ(resolved, P("Maps/Harbour/roads.obj"));
  ASSERT_EQ(ResolvePath(P("maps/harbour/Roads.obj"), resolved), 0);
  EXPECT_EQ(resolved, P("Maps/Harbour/ROADS.OBJ"));
}

TEST_P(FilesTest, CreateRenameDeleteAndFolders) {
  ASSERT_EQ(MakeFolder(P("sub/")), 0);
  EXPECT_EQ(MakeFolder(P("sub")), kErrDuplicateName);
  EXPECT_EQ(MakeFolder(P("none/sub")), kErrFolderNotFound);
  EXPECT_TRUE(IsFolder(P("sub")));
  ASSERT_EQ(CreateFile(P("sub/x")), 0);
  WriteWholeFile(temp / "sub" / "y", "old");
  // Renaming replaces a file of the new name.
  ASSERT_EQ(RenameFile(P("sub/x"), P("sub/y")), 0);
  EXPECT_FALSE(FileExists(P("sub/x")));
  EXPECT_EQ(ReadWholeFile(temp / "sub" / "y"), "");
  std::vector<FolderEntry> items;
  WriteWholeFile(temp / "b", "");
  WriteWholeFile(temp / "A", "");
  ASSERT_EQ(ListFolder(temp.folderPath(), items), 0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].name, "A");
  EXPECT_EQ(items[1].name, "b");
  EXPECT_EQ(items[2].name, "sub");
  EXPECT_TRUE(items[2].isFolder);
  EXPECT_FALSE(items[0].isFolder);
  // A folder moves with what it holds.
  ASSERT_EQ(RenameFile(P("sub"), P("moved")), 0);
  EXPECT_EQ(ReadWholeFile(temp / "moved" / "y"), "");
  EXPECT_EQ(DeleteFile(P("moved/y")), 0);
  EXPECT_NE(DeleteFile(P("moved")), 0);  // a folder is not deleted as a file
  EXPECT_NE(ListFolder(P("nothing/"), items), 0);
  ASSERT_EQ(SyncFolder(temp.folderPath()), 0);
  EXPECT_EQ(SyncFolder(P("nothing/")), kErrFolderNotFound);
  int64_t free = 0;
  ASSERT_EQ(FreeSpace(P("not-made-yet.bin"), free), 0);
  EXPECT_GT(free, 0);
}

TEST_P(FilesTest, ReadOnlyAttributeIsMissingWritePermission) {
  WriteWholeFile(temp / "locked", "x");
  EXPECT_TRUE(IsWritable(P("locked")));
  test::SetReadOnly(temp / "locked", true);
  EXPECT_FALSE(IsWritable(P("locked")));
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("locked"), FileAccess::kReadWrite, file), kErrPermission);
  EXPECT_EQ(OpenFile(P("locked"), FileAccess::kRead, file), 0);

  test::MakeFolders(temp / "shut");
  test::SetReadOnly(temp / "shut", true);
  EXPECT_EQ(CreateFile(P("shut/new")), kErrPermission);
  EXPECT_EQ(MakeFolder(P("shut/inner")), kErrPermission);
  EXPECT_FALSE(test::PathExists(temp / "shut" / "new"));
  test::SetReadOnly(temp / "shut", false);
}

TEST(FilePathsTest, PathHelpers) {
  EXPECT_EQ(FolderOfPath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(FolderOfPath("c.txt"), "");
  EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
  EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
}

// What only the file system in memory does: fail on request, fill up and lose power.
class MemoryFilesTest : public test::CoreTest {
 protected:
  std::string P(const std::string& name) const { return temp.folderPath() + name; }
  MemoryFileSystem& files() { return *testFiles.memory(); }
  int32_t Put(const std::string& name, const std::string& bytes) {
    PlatformFile file;
    if (!FileExists(P(name))) {
      const int32_t err = CreateFile(P(name));
      if (err != 0) return err;
    }
    int32_t err = OpenFile(P(name), FileAccess::kReadWrite, file);
    if (err == 0) err = file.Write(0, static_cast<int32_t>(bytes.size()), bytes.data());
    return err;
  }
  std::string Get(const std::string& name) { return ReadWholeFile(temp / name); }

  test::TestFiles testFiles{FilesKind::kMemory};
  TempFolder temp;
};

TEST_F(MemoryFilesTest, TheNthWriteFailsAndWritesNothing) {
  PlatformFile file;
  ASSERT_EQ(CreateFile(P("a")), 0);
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, file), 0);
  const int64_t before = files().Count(Op::kWrite);
  files().FailNth(Op::kWrite, 2);
  EXPECT_EQ(file.Write(0, 2, "ab"), 0);
  EXPECT_EQ(file.Write(2, 2, "cd"), kErrIO);
  EXPECT_EQ(file.Write(4, 2, "ef"), 0);
  EXPECT_EQ(files().Count(Op::kWrite), before + 3);
  EXPECT_EQ(Get("a"), std::string("ab\0\0ef", 6));
  // With andAfter the disk stays gone.
  files().FailNth(Op::kWrite, 1, true);
  EXPECT_EQ(file.Write(0, 1, "x"), kErrIO);
  EXPECT_EQ(file.Write(0, 1, "x"), kErrIO);
  files().FailNth(Op::kWrite, 0);
  EXPECT_EQ(file.Write(0, 1, "x"), 0);
}

TEST_F(MemoryFilesTest, TheNthReadRenameAndSyncFail) {
  ASSERT_EQ(Put("a", "abc"), 0);
  files().SyncEverything();
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, file), 0);
  char bytes[3];
  int32_t got = 0;
  files().FailNth(Op::kRead, 1);
  EXPECT_EQ(file.Read(0, 3, bytes, got), kErrIO);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(file.Read(0, 3, bytes, got), 0);
  EXPECT_EQ(got, 3);

  files().FailNth(Op::kRename, 1);
  EXPECT_EQ(RenameFile(P("a"), P("b")), kErrIO);
  EXPECT_TRUE(FileExists(P("a")));
  EXPECT_FALSE(FileExists(P("b")));
  EXPECT_EQ(RenameFile(P("a"), P("b")), 0);

  // A failed sync makes nothing durable.
  ASSERT_EQ(file.Write(0, 3, "xyz"), 0);
  files().FailNth(Op::kSync, 1);
  EXPECT_EQ(SyncFile(file), kErrIO);
  EXPECT_EQ(SyncFolder(temp.folderPath() + "none/"), kErrFolderNotFound);
  files().FailNth(Op::kSync, 1);
  EXPECT_EQ(SyncFolder(temp.folderPath()), kErrIO);
  files().PowerLoss();
  EXPECT_EQ(Get("a"), "abc");  // the rename and the new bytes were never made durable
  EXPECT_FALSE(FileExists(P("b")));
}

TEST_F(MemoryFilesTest, AFullDiskRefusesGrowthWithTheDiskFullCode) {
  ASSERT_EQ(Put("a", "0123456789"), 0);
  files().SetCapacity(files().UsedBytes() + 4);
  int64_t free = 0;
  ASSERT_EQ(FreeSpace(P("a"), free), 0);
  EXPECT_EQ(free, 4);
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, file), 0);
  EXPECT_EQ(file.Write(0, 10, "ABCDEFGHIJ"), 0);  // overwriting takes no room
  EXPECT_EQ(file.Write(10, 5, "+++++"), kErrDiskFull);
  EXPECT_EQ(file.SetLength(15), kErrDiskFull);
  EXPECT_EQ(Get("a"), "ABCDEFGHIJ");
  EXPECT_EQ(file.Write(10, 4, "++++"), 0);
  ASSERT_EQ(FreeSpace(P("a"), free), 0);
  EXPECT_EQ(free, 0);
  // Taking a file away gives its room back.
  file.Close();
  ASSERT_EQ(Put("b", ""), 0);
  EXPECT_EQ(Put("b", "x"), kErrDiskFull);
  ASSERT_EQ(DeleteFile(P("a")), 0);
  EXPECT_EQ(Put("b", "x"), 0);
}

TEST_F(MemoryFilesTest, PowerLossDropsWhatWasNotSynced) {
  ASSERT_EQ(Put("kept", "synced"), 0);
  ASSERT_EQ(Put("gone", "x"), 0);
  files().SyncEverything();

  PlatformFile file;
  ASSERT_EQ(OpenFile(P("kept"), FileAccess::kReadWrite, file), 0);
  ASSERT_EQ(file.Write(0, 6, "SYNCED"), 0);
  ASSERT_EQ(SyncFile(file), 0);
  ASSERT_EQ(file.Write(0, 3, "new"), 0);      // after the sync: lost
  ASSERT_EQ(Put("made", "never synced"), 0);  // its folder was not synced: lost
  ASSERT_EQ(Put("synced-made", "data"), 0);
  PlatformFile made;
  ASSERT_EQ(OpenFile(P("synced-made"), FileAccess::kReadWrite, made), 0);
  ASSERT_EQ(DeleteFile(P("gone")), 0);  // the delete is lost too
  ASSERT_EQ(CreateFile(P("empty")), 0);
  ASSERT_EQ(SyncFolder(temp.folderPath()), 0);  // now "made", "empty" and the delete count
  ASSERT_EQ(SyncFile(made), 0);
  ASSERT_EQ(RenameFile(P("synced-made"), P("renamed")), 0);  // not followed by a folder sync
  ASSERT_EQ(MakeFolder(P("folder")), 0);

  files().PowerLoss();
  EXPECT_EQ(Get("kept"), "SYNCED");
  EXPECT_TRUE(FileExists(P("made")));
  EXPECT_EQ(Get("made"), "");  // the name was synced, the bytes were not
  EXPECT_FALSE(FileExists(P("gone")));
  EXPECT_TRUE(FileExists(P("empty")));
  EXPECT_EQ(Get("synced-made"), "data");
  EXPECT_FALSE(FileExists(P("renamed")));
  EXPECT_FALSE(FileExists(P("folder")));
  // Files that were open stop working, as the program that held them is gone.
  char byte = 0;
  int32_t got = 0;
  EXPECT_EQ(file.Read(0, 1, &byte, got), kErrIO);
  EXPECT_EQ(file.Write(0, 1, "x"), kErrIO);
  EXPECT_EQ(Get("kept"), "SYNCED");
}

TEST_F(MemoryFilesTest, APowerLossKeepsAnySubsetOfWhatWasNotSynced) {
  ASSERT_EQ(Put("a", "00000000"), 0);
  ASSERT_EQ(Put("r", "rename me"), 0);
  ASSERT_EQ(Put("t", std::string(4096, '.')), 0);
  files().SyncEverything();
  PlatformFile a, t;
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, a), 0);
  ASSERT_EQ(OpenFile(P("t"), FileAccess::kReadWrite, t), 0);
  ASSERT_EQ(a.Write(0, 1, "S"), 0);
  ASSERT_EQ(SyncFile(a), 0);  // durable whatever happens
  for (int i = 1; i < 8; ++i) ASSERT_EQ(a.Write(i, 1, std::to_string(i).c_str()), 0);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(Put("n" + std::to_string(i), "new"), 0);
  ASSERT_EQ(RenameFile(P("r"), P("s")), 0);
  ASSERT_EQ(t.Write(0, 4096, std::string(4096, 'x').data()), 0);
  const MemoryFileSystem::Snapshot cut = files().Save();

  std::set<std::string> seen;  // which bytes of "a" came through, over all seeds
  bool someMixed = false, someTorn = false, renameKept = false, renameDropped = false;
  std::string firstOfSeed7;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    files().Restore(cut);
    files().PowerLossKeeping(seed);
    const std::string got = Get("a");
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0], 'S') << seed;
    int kept = 0;
    for (int i = 1; i < 8; ++i) {
      EXPECT_TRUE(got[i] == '0' || got[i] == '0' + i) << seed << ": " << got;
      if (got[i] != '0') ++kept;
    }
    if (kept > 0 && kept < 7) someMixed = true;
    seen.insert(got);
    // A rename within a folder comes through whole or not at all.
    EXPECT_NE(FileExists(P("r")), FileExists(P("s"))) << seed;
    (FileExists(P("s")) ? renameKept : renameDropped) = true;
    for (int i = 0; i < 6; ++i) {
      const std::string name = "n" + std::to_string(i);
      if (FileExists(P(name))) {
        EXPECT_EQ(std::string("new").rfind(Get(name), 0), 0u) << name;
      }
    }
    const std::string torn = Get("t");
    ASSERT_EQ(torn.size(), 4096u);
    const size_t xs = torn.find_first_not_of('x');
    if (xs != std::string::npos && xs > 0) someTorn = true;
    EXPECT_EQ(torn.find('x', xs == std::string::npos ? torn.size() : xs), std::string::npos)
        << "a torn write keeps a beginning";
    // What survived is durable: a second loss of power takes nothing more.
    files().PowerLoss();
    EXPECT_EQ(Get("a"), got);
    if (seed == 7) firstOfSeed7 = got;
  }
  EXPECT_TRUE(someMixed) << "never a part of the writes";
  EXPECT_TRUE(someTorn) << "never a torn write";
  EXPECT_TRUE(renameKept && renameDropped);
  EXPECT_GT(seen.size(), 10u);
  files().Restore(cut);
  files().PowerLossKeeping(7);
  EXPECT_EQ(Get("a"), firstOfSeed7) << "the same seed, the same survivors";
  // Open files stop working.
  EXPECT_EQ(a.Write(0, 1, "x"), kErrIO);
}

TEST_F(MemoryFilesTest, TheDiskFillsUpAtTheNthWriteAndCreatesAndDeletesCanFail) {
  ASSERT_EQ(Put("a", "0123"), 0);
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, file), 0);
  files().FillUpAtWrite(2);
  EXPECT_EQ(file.Write(4, 2, "45"), 0);
  EXPECT_EQ(file.Write(6, 2, "67"), kErrDiskFull);
  EXPECT_EQ(file.Write(0, 2, "AB"), 0) << "overwriting takes no room";
  EXPECT_EQ(file.SetLength(5), 0);
  EXPECT_EQ(file.Write(5, 1, "5"), 0) << "the byte given back by the cut";
  EXPECT_EQ(file.Write(6, 1, "6"), kErrDiskFull);
  int64_t free = -1;
  ASSERT_EQ(FreeSpace(P("a"), free), 0);
  EXPECT_EQ(free, 0);
  EXPECT_EQ(Get("a"), "AB2345");
  file.Close();
  ASSERT_EQ(Put("b", ""), 0);
  ASSERT_EQ(DeleteFile(P("a")), 0);
  EXPECT_EQ(Put("b", "123456"), 0) << "a deleted file gives its room back";

  files().FailNth(Op::kCreate, 1);
  EXPECT_EQ(CreateFile(P("c")), kErrIO);
  EXPECT_FALSE(FileExists(P("c")));
  EXPECT_EQ(CreateFile(P("c")), 0);
  files().FailNth(Op::kDelete, 1);
  EXPECT_EQ(DeleteFile(P("c")), kErrIO);
  EXPECT_TRUE(FileExists(P("c")));
  EXPECT_EQ(DeleteFile(P("c")), 0);
}

TEST_F(MemoryFilesTest, SyncedFolderRenameKeepsWhatTheFolderHolds) {
  test::MakeFolders(temp / "Old");
  ASSERT_EQ(Put("Old/roads", "abc"), 0);
  files().SyncEverything();
  ASSERT_EQ(RenameFile(P("Old"), P("New")), 0);
  ASSERT_EQ(SyncFolder(temp.folderPath()), 0);
  files().PowerLoss();
  EXPECT_FALSE(IsFolder(P("Old")));
  EXPECT_EQ(Get("New/roads"), "abc");
  EXPECT_EQ(RenameFile(P("New"), P("New/inner")), kErrBadName);
}

TEST_F(MemoryFilesTest, SnapshotsComeBackWholeAndCloseOpenFiles) {
  ASSERT_EQ(Put("a", "one"), 0);
  const MemoryFileSystem::Snapshot saved = files().Save();
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a"), FileAccess::kReadWrite, file), 0);
  ASSERT_EQ(file.Write(0, 3, "two"), 0);
  ASSERT_EQ(Put("b", "more"), 0);
  files().Restore(saved);
  EXPECT_EQ(Get("a"), "one");
  EXPECT_FALSE(FileExists(P("b")));
  EXPECT_EQ(file.Write(0, 1, "x"), kErrIO);
  EXPECT_EQ(Get("a"), "one");
  EXPECT_EQ(files().UsedBytes(), 3);
}

}  // namespace
}  // namespace tlv
