#include "store/directory_table.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/memory.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class DirectoryTableTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
  }
  void TearDown() override {
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }
};

TEST_F(DirectoryTableTest, IDsCarryBucketAndSlot) {
  int32_t id = -1;
  ASSERT_EQ(RegisterDirectory("/short/", false, id), 0);  // 7 characters: bucket 0
  EXPECT_EQ(id, 0);
  ASSERT_EQ(RegisterDirectory("/other/", false, id), 0);
  EXPECT_EQ(id, 16);                                                // bucket 0, slot 1
  ASSERT_EQ(RegisterDirectory("/exactly-16-char/", false, id), 0);  // 17 characters: bucket 1
  EXPECT_EQ(id, 1);
  ASSERT_EQ(RegisterDirectory("/fifteen-chars/", false, id), 0);  // 15 characters: bucket 0
  EXPECT_EQ(id, 32);
  const std::string longer = "/" + std::string(40, 'x') + "/";
  ASSERT_EQ(RegisterDirectory(longer, false, id), 0);
  EXPECT_EQ(id, 2);
  const std::string longest = "/" + std::string(200, 'y') + "/";
  ASSERT_EQ(RegisterDirectory(longest, false, id), 0);
  EXPECT_EQ(id, 3);
  std::string path;
  ASSERT_EQ(DirectoryPath(3, path), 0);
  EXPECT_EQ(path, longest);
  ASSERT_EQ(DirectoryPath(32, path), 0);
  EXPECT_EQ(path, "/fifteen-chars/");
}

TEST_F(DirectoryTableTest, LookupCollatesAndRegistrationReusesTheSlot) {
  int32_t first = -1;
  int32_t second = -1;
  ASSERT_EQ(RegisterDirectory("/Maps/Harbour/", false, first), 0);
  ASSERT_EQ(RegisterDirectory("/maps/HARBOUR", false, second), 0);
  EXPECT_EQ(first, second);
  int32_t found = -1;
  EXPECT_EQ(LookupDirectory("/MAPS/harbour/", found), 0);
  EXPECT_EQ(found, first);
  EXPECT_EQ(LookupDirectory("/Maps/Harbor/", found), -1);
  EXPECT_EQ(found, -1);
}

TEST_F(DirectoryTableTest, RefusesTooLongMissingAndUnknown) {
  int32_t id = 7;
  EXPECT_NE(RegisterDirectory("/" + std::string(254, 'z') + "/", false, id), 0);  // 256 chars
  EXPECT_EQ(id, -1);
  EXPECT_EQ(RegisterDirectory("/" + std::string(253, 'z') + "/", false, id), 0);  // 255 chars
  EXPECT_NE(RegisterDirectory("", false, id), 0);

  test::TempFolder temp;
  EXPECT_EQ(RegisterDirectory(temp.folderPath() + "missing/", true, id), kErrFolderNotFound);
  EXPECT_EQ(RegisterDirectory(temp.folderPath(), true, id), 0);

  std::string path = "unchanged";
  EXPECT_EQ(DirectoryPath(-1, path), -1);
  EXPECT_EQ(DirectoryPath(16 * 50, path), -1);
  EXPECT_EQ(DirectoryPath(5, path), -1);  // no bucket 5
  std::string full;
  EXPECT_EQ(MakeFullPath(0, 16 * 50, "x", full), kErrFolderNotFound);
}

TEST_F(DirectoryTableTest, TemporarySlotsStayOutOfLookupsUntilTheModeEnds) {
  int32_t known = -1;
  ASSERT_EQ(RegisterDirectory("/known/", false, known), 0);
  BeginTemporaryRegistration();
  BeginTemporaryRegistration();
  int32_t a = -1;
  int32_t b = -1;
  ASSERT_EQ(RegisterDirectory("/walked/", false, a), 0);
  ASSERT_EQ(RegisterDirectory("/walked/", false, b), 0);
  EXPECT_NE(a, b);  // not searchable yet, so appended again
  int32_t found = -1;
  EXPECT_EQ(LookupDirectory("/walked/", found), -1);
  EXPECT_EQ(LookupDirectory("/known/", found), 0);
  std::string path;
  ASSERT_EQ(DirectoryPath(a, path), 0);  // the ID is usable at once
  EXPECT_EQ(path, "/walked/");
  EndTemporaryRegistration();
  EXPECT_TRUE(TemporaryRegistrationOn());
  EXPECT_EQ(LookupDirectory("/walked/", found), -1);
  EndTemporaryRegistration();
  EXPECT_FALSE(TemporaryRegistrationOn());
  EXPECT_EQ(LookupDirectory("/walked/", found), 0);
  EXPECT_EQ(found, a);
}

TEST_F(DirectoryTableTest, MemoryShortageFailsCleanly) {
  int32_t id = -1;
  FailAllocationsAfterForTesting(0);
  EXPECT_NE(RegisterDirectory("/nomem/", false, id), 0);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(LookupDirectory("/nomem/", id), -1);
  ASSERT_EQ(RegisterDirectory("/nomem/", false, id), 0);
  EXPECT_EQ(id, 0);
}

}  // namespace
}  // namespace tlv
