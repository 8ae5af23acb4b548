#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"

namespace tlv {
namespace {

using test::ReadWholeFile;
using test::TempFolder;
using test::WriteWholeFile;

class FilesTest : public test::CoreTest {
 protected:
  TempFolder temp;
  std::string P(const std::string& name) const { return temp.folderPath() + name; }
};

TEST_F(FilesTest, ReadWriteLengthAndShortReadAtEnd) {
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
  ASSERT_EQ(file.Write(8, 2, "XY"), 0);
  ASSERT_EQ(file.GetLength(length), 0);
  EXPECT_EQ(length, 10);
  ASSERT_EQ(file.SetLength(3), 0);
  ASSERT_EQ(file.Close(), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "abc");
}

TEST_F(FilesTest, ReadOnlyOpenRefusesWrites) {
  WriteWholeFile(temp / "a.bin", "abc");
  PlatformFile file;
  ASSERT_EQ(OpenFile(P("a.bin"), FileAccess::kRead, file), 0);
  EXPECT_FALSE(file.IsWritable());
  EXPECT_NE(file.Write(0, 1, "x"), 0);
  EXPECT_NE(file.SetLength(0), 0);
  EXPECT_EQ(ReadWholeFile(temp / "a.bin"), "abc");
}

TEST_F(FilesTest, MissingFileAndFolderCodes) {
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("none.bin"), FileAccess::kRead, file), kErrFileNotFound);
  EXPECT_EQ(OpenFile(P("nofolder/none.bin"), FileAccess::kRead, file), kErrFolderNotFound);
  EXPECT_EQ(DeleteFile(P("none.bin")), kErrFileNotFound);
  EXPECT_FALSE(FileExists(P("none.bin")));
}

TEST_F(FilesTest, NamesResolveCaseInsensitivelyWhenExactNameIsMissing) {
  std::filesystem::create_directories(temp / "Maps" / "Harbour");
  WriteWholeFile(temp / "Maps" / "Harbour" / "ROADS.OBJ", "r");
  std::string resolved;
  ASSERT_EQ(ResolvePath(P("maps/harbour/roads.obj"), resolved), 0);
  EXPECT_EQ(resolved, P("Maps/Harbour/ROADS.OBJ"));
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("MAPS/HARBOUR/Roads.Obj"), FileAccess::kRead, file), 0);
  EXPECT_TRUE(IsFolder(P("maps/HARBOUR/")));
  // A new file keeps its own spelling but lands in the folder as spelt on disk.
  ASSERT_EQ(CreateFile(P("maps/harbour/New.SUM")), 0);
  EXPECT_TRUE(std::filesystem::exists(temp / "Maps" / "Harbour" / "New.SUM"));
  EXPECT_EQ(CreateFile(P("Maps/Harbour/new.sum")), kErrDuplicateName);
}

TEST_F(FilesTest, CreateRenameDeleteAndFolders) {
  ASSERT_EQ(MakeFolder(P("sub/")), 0);
  EXPECT_EQ(MakeFolder(P("sub")), kErrDuplicateName);
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
  EXPECT_EQ(DeleteFile(P("sub/y")), 0);
  EXPECT_NE(ListFolder(P("nothing/"), items), 0);
}

TEST_F(FilesTest, ReadOnlyAttributeIsMissingWritePermission) {
  WriteWholeFile(temp / "locked", "x");
  EXPECT_TRUE(IsWritable(P("locked")));
  ::chmod((temp / "locked").c_str(), 0444);
  EXPECT_FALSE(IsWritable(P("locked")));
  PlatformFile file;
  EXPECT_EQ(OpenFile(P("locked"), FileAccess::kReadWrite, file), kErrPermission);
  EXPECT_EQ(OpenFile(P("locked"), FileAccess::kRead, file), 0);

  std::filesystem::create_directories(temp / "shut");
  ::chmod((temp / "shut").c_str(), 0555);
  EXPECT_EQ(CreateFile(P("shut/new")), kErrPermission);
  EXPECT_FALSE(std::filesystem::exists(temp / "shut" / "new"));
  ::chmod((temp / "shut").c_str(), 0755);
}

TEST_F(FilesTest, FullDiskIsAnErrorNotAShortSuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  PlatformFile file;
  ASSERT_EQ(OpenFile("/dev/full", FileAccess::kReadWrite, file), 0);
  EXPECT_EQ(file.Write(0, 5, "abcde"), kErrDiskFull);
}

TEST_F(FilesTest, PathHelpers) {
  EXPECT_EQ(FolderOfPath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(FolderOfPath("c.txt"), "");
  EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
  EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
}

}  // namespace
}  // namespace tlv
