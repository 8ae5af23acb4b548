#include "base/endian.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace tlv {
namespace {

TEST(EndianTest, ValuesAreStoredMostSignificantByteFirst) {
  unsigned char bytes[4];
  PutBig32(bytes, -2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), std::string("\xFF\xFF\xFF\xFE", 4));
  EXPECT_EQ(GetBig32(bytes), -2);
  EXPECT_EQ(GetBigU32(bytes), 0xFFFFFFFEu);
  PutBigU16(bytes, 0x1234);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(GetBig16(bytes), 0x1234);
  PutBig16(bytes, -300);
  EXPECT_EQ(GetBig16(bytes), -300);
  EXPECT_EQ(FourCharCode(".OBJ"), 0x2E4F424Au);
}

TEST(EndianTest, CursorRefusesToReadPastTheEnd) {
  const unsigned char bytes[] = {0, 0, 0, 7, 0xFF, 0xFE, 'a', 'b', 0, 'z', 'x', 'y', 'w'};
  ByteCursor cursor(bytes, sizeof bytes);
  int32_t value = 0;
  int16_t small = 0;
  std::string text;
  ASSERT_TRUE(cursor.Read32(value));
  EXPECT_EQ(value, 7);
  ASSERT_TRUE(cursor.Read16(small));
  EXPECT_EQ(small, -2);
  ASSERT_TRUE(cursor.ReadText(text, 4));  // the text ends at its NUL, the field is consumed
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(cursor.Position(), 10u);
  EXPECT_FALSE(cursor.Failed());
  // Three bytes are left: a 32-bit read fails and moves nothing.
  value = 99;
  EXPECT_FALSE(cursor.Read32(value));
  EXPECT_EQ(value, 99);
  EXPECT_EQ(cursor.Position(), 10u);
  EXPECT_TRUE(cursor.Failed());
  ASSERT_TRUE(cursor.ReadText(text, 3));  // an unterminated field stops at its width
  EXPECT_EQ(text, "xyw");
  EXPECT_FALSE(cursor.Skip(1));
  EXPECT_FALSE(cursor.Seek(sizeof bytes + 1));
  EXPECT_TRUE(cursor.Seek(0));
}

TEST(EndianTest, MemoryAndFileSourcesGiveTheSameBytes) {
  test::TempFolder temp;
  const std::string contents = "header and body";
  test::WriteWholeFile(temp / "src.bin", contents);
  MemoryByteSource memory(contents.data(), contents.size());
  FileByteSource file(temp.folderPath() + "src.bin");
  ASSERT_EQ(file.OpenResult(), 0);
  for (ByteSource* source : {static_cast<ByteSource*>(&memory), static_cast<ByteSource*>(&file)}) {
    std::vector<unsigned char> all;
    ASSERT_EQ(source->ReadAll(all), 0);
    EXPECT_EQ(std::string(all.begin(), all.end()), contents);
    char part[8];
    int32_t got = 0;
    ASSERT_EQ(source->ReadAt(11, 8, part, got), 0);
    EXPECT_EQ(got, 4);
    EXPECT_EQ(std::string(part, 4), "body");
    ASSERT_EQ(source->ReadAt(100, 8, part, got), 0);
    EXPECT_EQ(got, 0);
  }
  FileByteSource missing(temp.folderPath() + "none.bin");
  EXPECT_NE(missing.OpenResult(), 0);
  int32_t size = 0;
  EXPECT_NE(missing.Size(size), 0);
}

}  // namespace
}  // namespace tlv
