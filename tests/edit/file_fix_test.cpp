#include "edit/file_fix.h"

#include <gtest/gtest.h>

#include <string>

#include "base/endian.h"
#include "support/byte_builder.h"
#include "support/test_support.h"

namespace tlv {
namespace {

// A record of kind type with the ID, rectangle and name given, padded with extra zero bytes.
std::string ObjectRecord(int8_t type, int32_t idHigh, int32_t idLow, const WRect& rect,
                         const std::string& name, size_t extra = 0) {
  test::ByteBuilder b;
  b.I32(0).Zeros(13).U32(0).I32(3).U8(static_cast<uint8_t>(type)).I32(idHigh).I32(idLow);
  b.Rect(rect).Zeros(16).U8(0).U8(0).U8(static_cast<uint8_t>(name.size())).Chars(name);
  b.Zeros(extra);
  std::string bytes = b.bytes();
  PutBig32(bytes.data(), static_cast<int32_t>(bytes.size()) - 4);
  return bytes;
}

class FileFixTest : public test::CoreTest {
 protected:
  std::string Read(const std::string& name) { return test::ReadWholeFile(temp / name); }
  test::TestFiles files{test::FilesKind::kMemory};
  test::TempFolder temp;
};

TEST_F(FileFixTest, SummaryDumpMatchesTheGoldenText) {
  const std::string sum = test::ByteBuilder()
                              .I32(0)
                              .Rect(180000000, 90000000, 181500000, 90250000)
                              .I32(0x1A)
                              .I32(2)
                              .Chars("Pump")
                              .I32(-78)
                              .Rect(0, 0, 0, 0)
                              .I32(-1)
                              .I32(static_cast<int32_t>(0xFFFFFFFF))
                              .Chars("AB")
                              .Zeros(2)
                              .bytes();
  test::WriteWholeFile(temp / "B.SUM", sum);
  FileFixOutcome outcome;
  ASSERT_EQ(SumFileToText((temp / "B.SUM").string(), outcome), 0);
  EXPECT_EQ(outcome.records, 2);
  EXPECT_EQ(Read("Sum.TXT"),
            "         0   Pump     0000001A00000002     0.000000     0.000000     1.500000     "
            "0.250000\r\n"
            "       -78     AB     FFFFFFFFFFFFFFFF  -180.000000   -90.000000  -180.000000   "
            "-90.000000\r\n");
}

TEST_F(FileFixTest, LayerDumpMatchesTheGoldenText) {
  test::WriteWholeFile(temp / "B.LYR", test::ByteBuilder()
                                           .Text("Roads", 32)
                                           .Rect(179000000, 89500000, 181000000, 91000000)
                                           .I32(12)
                                           .bytes());
  FileFixOutcome outcome;
  ASSERT_EQ(LyrFileToText((temp / "B.LYR").string(), outcome), 0);
  EXPECT_EQ(Read("Lyr.TXT"),
            "                         Roads         12    -1.000000    -0.500000     1.000000"
            "     1.000000\r\n");
}

TEST_F(FileFixTest, ObjectDumpWalksTheRecordsAndRebuildsASet) {
  const WRect a{180000000, 90000000, 180000010, 90000010};
  const WRect b{181000000, 91000000, 181000010, 91000010};
  const std::string obj = ObjectRecord(3, 1, 1, a, "Pump") + ObjectRecord(3, 1, 2, b, "Well") +
                          ObjectRecord(3, 1, 1, a, "Pump 2", 3);
  test::WriteWholeFile(temp / "B.OBJ", obj);
  FileFixOutcome outcome;
  ASSERT_EQ(ObjFileToText((temp / "B.OBJ").string(), true, outcome), 0);
  EXPECT_EQ(outcome.records, 3);
  EXPECT_EQ(outcome.stoppedAt, -1);
  EXPECT_TRUE(outcome.rebuilt);
  EXPECT_EQ(Read("Obj.TXT"),
            "         0 Pump                                         0000000100000001     69"
            "      POINT     0.000000     0.000000     0.000010     0.000010\r\n"
            "        73 Well                                         0000000100000002     69"
            "      POINT     1.000000     1.000000     1.000010     1.000010\r\n"
            "       146 Pump 2                                       0000000100000001     74"
            "      POINT     0.000000     0.000000     0.000010     0.000010\r\n");
  // The rebuilt summary: the older "Pump" record is deleted, the newest lives.
  const std::string sum = Read("Recovred.SUM");
  ASSERT_EQ(sum.size(), 96u);
  EXPECT_EQ(GetBig32(sum.data()), ~0);
  EXPECT_EQ(GetBig32(sum.data() + 32), 73);
  EXPECT_EQ(GetBig32(sum.data() + 64), 146);
  EXPECT_EQ(sum.substr(64 + 28, 4), "Pump");
  const std::string lyr = Read("Recovred.LYR");
  ASSERT_EQ(lyr.size(), 52u);
  EXPECT_EQ(lyr.substr(0, 10), std::string("recovered") + '\0');
  EXPECT_EQ(GetBig32(lyr.data() + 48), 2) << "two live records";
  EXPECT_EQ(GetBig32(lyr.data() + 32), a.x1);
  EXPECT_EQ(GetBig32(lyr.data() + 44), b.y2);
  EXPECT_EQ(Read("Recovred.OBJ"), obj);
}

TEST_F(FileFixTest, BadLengthsStopTheWalkAndBadFilesWriteNothing) {
  const WRect a{180000000, 90000000, 180000010, 90000010};
  std::string obj = ObjectRecord(3, 1, 1, a, "Pump");
  // A negative length would step back forever; the walk stops there.
  obj += test::ByteBuilder().I32(-8).Zeros(70).bytes();
  test::WriteWholeFile(temp / "B.OBJ", obj);
  FileFixOutcome outcome;
  ASSERT_EQ(ObjFileToText((temp / "B.OBJ").string(), false, outcome), 0);
  EXPECT_EQ(outcome.records, 1);
  EXPECT_EQ(outcome.stoppedAt, 73);
  // A length running past the end, and one too small for a record.
  for (const int32_t length : {1000, 10}) {
    test::WriteWholeFile(temp / "C.OBJ", test::ByteBuilder().I32(length).Zeros(80).bytes());
    test::RemoveFile(temp / "Obj.TXT");
    EXPECT_NE(ObjFileToText((temp / "C.OBJ").string(), false, outcome), 0) << length;
    EXPECT_FALSE(test::PathExists(temp / "Obj.TXT"));
  }
  // A header of the wrong size and a summary file cut inside a record.
  test::WriteWholeFile(temp / "B.LYR", std::string(51, '\0'));
  EXPECT_NE(LyrFileToText((temp / "B.LYR").string(), outcome), 0);
  EXPECT_FALSE(test::PathExists(temp / "Lyr.TXT"));
  test::WriteWholeFile(temp / "B.SUM", std::string(40, '\0'));
  EXPECT_NE(SumFileToText((temp / "B.SUM").string(), outcome), 0);
  EXPECT_FALSE(test::PathExists(temp / "Sum.TXT"));
  EXPECT_FALSE(outcome.error.empty());
  // A dump that cannot be written leaves the old text and no part file.
  test::WriteWholeFile(temp / "Sum.TXT", "old");
  test::WriteWholeFile(temp / "B.SUM", std::string(32, '\0'));
  test::MemoryFiles()->FailNth(MemoryFileSystem::Operation::kRename, 1);
  EXPECT_NE(SumFileToText((temp / "B.SUM").string(), outcome), 0);
  EXPECT_FALSE(test::PathExists(temp / "Sum.TXT.part"));
  EXPECT_EQ(Read("Sum.TXT"), "old");
}

}  // namespace
}  // namespace tlv
