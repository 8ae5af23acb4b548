#include "store/compaction_files.h"

#include <gtest/gtest.h>

#include <string>

#include "base/files.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class CompactionFilesTest : public test::CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ResetCompactionFilesForTesting();
    folder = temp.folderPath();
    for (const char* ext : {".OBJ", ".SUM", ".SM2", ".NN2", ".NN3", ".NNX"}) {
      test::WriteWholeFile(temp / (std::string("B") + ext), std::string("old") + ext);
    }
  }
  void TearDown() override {
    ResetCompactionFilesForTesting();
    CoreTest::TearDown();
  }
  std::string Read(const std::string& name) { return test::ReadWholeFile(temp / name); }
  bool Has(const std::string& name) { return test::PathExists(temp / name); }

  test::TestFiles files{test::FilesKind::kMemory};
  test::TempFolder temp;
  std::string folder;
};

TEST_F(CompactionFilesTest, TheCommitRecordRefusesEveryDamage) {
  CompactionCommit commit{64, 1000, 16};
  const std::string bytes = EncodeCompactionCommit(commit);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kCompactionCommitSize));
  CompactionCommit read;
  ASSERT_TRUE(DecodeCompactionCommit(bytes, read));
  EXPECT_EQ(read.summaryBytes, 64);
  EXPECT_EQ(read.objectBytes, 1000);
  EXPECT_EQ(read.indexBytes, 16);
  EXPECT_FALSE(DecodeCompactionCommit(bytes.substr(0, 23), read)) << "torn";
  EXPECT_FALSE(DecodeCompactionCommit(bytes + "x", read));
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::string damaged = bytes;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x10);
    EXPECT_FALSE(DecodeCompactionCommit(damaged, read)) << "byte " << i;
  }
  // The checksum is the usual CRC-32.
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
}

TEST_F(CompactionFilesTest, WithoutAValidRecordTheWorkFilesGo) {
  test::WriteWholeFile(temp / "B.CM2", "new sum");
  test::WriteWholeFile(temp / "B.CM3", "new obj");
  test::WriteWholeFile(temp / "B.CMX", EncodeCompactionCommit({32, 7, -1}).substr(0, 10));
  EXPECT_TRUE(CompactionPending(folder, "B"));
  CompactionRecovery recovery = CompactionRecovery::kNone;
  ASSERT_EQ(FinishCompaction(folder, "B", recovery), 0);
  EXPECT_EQ(recovery, CompactionRecovery::kRolledBack);
  EXPECT_EQ(LastCompactionRecovery(folder, "B"), CompactionRecovery::kRolledBack);
  EXPECT_FALSE(CompactionPending(folder, "B"));
  EXPECT_EQ(Read("B.OBJ"), "old.OBJ");
  EXPECT_EQ(Read("B.SUM"), "old.SUM");
  EXPECT_EQ(Read("B.SM2"), "old.SM2");
  EXPECT_TRUE(Has("B.NN2"));
  // Nothing pending: nothing done.
  ASSERT_EQ(FinishCompaction(folder, "B", recovery), 0);
  EXPECT_EQ(recovery, CompactionRecovery::kNone);
}

TEST_F(CompactionFilesTest, AValidRecordPutsTheNewSetInPlaceEvenHalfRenamed) {
  // The summary file was renamed before the cut: only CM3 is left, and no new index.
  test::WriteWholeFile(temp / "B.SUM", std::string(32, 'n'));
  test::WriteWholeFile(temp / "B.CM3", "new obj");
  ASSERT_EQ(WriteCompactionCommit(folder, "B", {32, 7, -1}), 0);
  CompactionRecovery recovery = CompactionRecovery::kNone;
  ASSERT_EQ(FinishCompaction(folder, "B", recovery), 0);
  EXPECT_EQ(recovery, CompactionRecovery::kRolledForward);
  EXPECT_EQ(Read("B.OBJ"), "new obj");
  EXPECT_EQ(Read("B.SUM"), std::string(32, 'n'));
  EXPECT_FALSE(Has("B.SM2")) << "the new set has no index";
  EXPECT_FALSE(Has("B.NN2"));
  EXPECT_FALSE(Has("B.NN3"));
  EXPECT_EQ(Read("B.NNX"), "old.NNX") << "the name index stays";
  EXPECT_FALSE(CompactionPending(folder, "B"));
}

TEST_F(CompactionFilesTest, AWorkFileOfTheWrongSizeBlocksAndTouchesNothing) {
  test::WriteWholeFile(temp / "B.CM2", std::string(64, 's'));
  test::WriteWholeFile(temp / "B.CM3", "short");
  ASSERT_EQ(WriteCompactionCommit(folder, "B", {64, 7, -1}), 0);
  CompactionRecovery recovery = CompactionRecovery::kNone;
  ASSERT_EQ(FinishCompaction(folder, "B", recovery), 0);
  EXPECT_EQ(recovery, CompactionRecovery::kBlocked);
  EXPECT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(Read("B.OBJ"), "old.OBJ");
  EXPECT_EQ(Read("B.SUM"), "old.SUM");
  EXPECT_TRUE(Has("B.CM2"));
  EXPECT_TRUE(Has("B.CMX"));
}

TEST_F(CompactionFilesTest, ARenameThatFailsCanBeFinishedLater) {
  test::WriteWholeFile(temp / "B.CM2", std::string(32, 's'));
  test::WriteWholeFile(temp / "B.CM3", "new obj");
  ASSERT_EQ(WriteCompactionCommit(folder, "B", {32, 7, -1}), 0);
  CompactionCommit commit{32, 7, -1};
  test::MemoryFiles()->FailNth(MemoryFileSystem::Operation::kRename, 2);
  EXPECT_NE(ApplyCompactionCommit(folder, "B", commit), 0);
  EXPECT_EQ(Read("B.SUM"), std::string(32, 's')) << "the first rename was done";
  EXPECT_EQ(Read("B.OBJ"), "old.OBJ");
  RefuseOverlayFile(folder, "B");
  EXPECT_TRUE(OverlayFileRefused(folder, "B"));
  CompactionRecovery recovery = CompactionRecovery::kNone;
  ASSERT_EQ(FinishCompaction(folder, "B", recovery), 0);
  EXPECT_EQ(recovery, CompactionRecovery::kRolledForward);
  EXPECT_EQ(Read("B.OBJ"), "new obj");
  AcceptOverlayFile(folder, "B");
  EXPECT_FALSE(AnyOverlayFileRefused());
}

}  // namespace
}  // namespace tlv
