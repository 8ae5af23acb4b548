// The bitmap writer, checked byte by byte against the file layout readers expect (header
// fields, bottom-up rows, padding, resolution), read back through the decoder, and saved over an
// older file through failures that must leave that file whole.

#include "base/dib_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/replace_file.h"
#include "support/test_support.h"

namespace tlv {
namespace {

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b.at(at))) |
         static_cast<uint32_t>(static_cast<uint8_t>(b.at(at + 1))) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b.at(at + 2))) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b.at(at + 3))) << 24;
}

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b.at(at)) | static_cast<uint8_t>(b.at(at + 1))
                                                                    << 8);
}

// A width x height picture whose every pixel is different: red from x, green from y.
std::vector<uint32_t> Gradient(int32_t width, int32_t height) {
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      pixels.push_back(0xFF000000u | static_cast<uint32_t>(x % 256) << 16 |
                       static_cast<uint32_t>(y % 256) << 8 | static_cast<uint32_t>((x + y) % 256));
    }
  }
  return pixels;
}

DibSource SourceOf(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  DibSource source;
  source.width = width;
  source.height = height;
  source.argb = pixels.data();
  source.rowPixels = width;
  source.pixelsPerInch = 96;
  return source;
}

TEST(DibFile, FileHeaderAndInfoHeaderHoldTheFieldsReadersNeed) {
  const std::vector<uint32_t> pixels = Gradient(333, 7);
  std::string bytes;
  ASSERT_EQ(EncodeDibFile(SourceOf(pixels, 333, 7), bytes), 0);
  // 333 pixels take 999 bytes, padded to 1000.
  EXPECT_EQ(DibRowBytes(333), 1000);
  ASSERT_EQ(bytes.size(), 14u + 40u + 7u * 1000u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(U32(bytes, 2), bytes.size());
  EXPECT_EQ(U32(bytes, 10), 54u);
  EXPECT_EQ(U32(bytes, 14), 40u);
  EXPECT_EQ(U32(bytes, 18), 333u);
  EXPECT_EQ(U32(bytes, 22), 7u);  // positive: bottom-up
  EXPECT_EQ(U16(bytes, 26), 1);
  EXPECT_EQ(U16(bytes, 28), 24);
  EXPECT_EQ(U32(bytes, 30), 0u);
  EXPECT_EQ(U32(bytes, 34), 7000u);
  // 96 pixels per inch are 3780 per metre.
  EXPECT_EQ(U32(bytes, 38), 3780u);
  EXPECT_EQ(U32(bytes, 42), 3780u);
}

TEST(DibFile, RowsRunBottomUpInBlueGreenRedWithZeroPadding) {
  const std::vector<uint32_t> pixels = {0xFF102030, 0xFF405060,   // top row
                                        0xFFA0B0C0, 0xFFD0E0F0};  // bottom row
  std::string bytes;
  ASSERT_EQ(EncodePackedDib(SourceOf(pixels, 2, 2), bytes), 0);
  ASSERT_EQ(bytes.size(), 40u + 2u * 8u);
  const std::string rows = bytes.substr(40);
  const std::string expected("\xC0\xB0\xA0\xF0\xE0\xD0\0\0\x30\x20\x10\x60\x50\x40\0\0", 16);
  EXPECT_EQ(rows, expected);
}

TEST(DibFile, RowStrideOfTheSourceIsHonoured) {
  // Rows 4 pixels apart, of which 3 are the picture.
  const std::vector<uint32_t> pixels = {1, 2, 3, 0xDEAD, 4, 5, 6, 0xBEEF};
  std::string bytes;
  DibSource source = SourceOf(pixels, 3, 2);
  source.rowPixels = 4;
  ASSERT_EQ(EncodePackedDib(source, bytes), 0);
  DibImage image;
  ASSERT_EQ(DecodeDib(bytes, image), 0);
  EXPECT_EQ(image.argb, (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004,
                                               0xFF000005, 0xFF000006}));
}

TEST(DibFile, DecodingGivesBackEveryPixelAndTheResolution) {
  const std::vector<uint32_t> pixels = Gradient(61, 17);
  for (const bool file : {true, false}) {
    std::string bytes;
    DibSource source = SourceOf(pixels, 61, 17);
    source.pixelsPerInch = 120;
    ASSERT_EQ(file ? EncodeDibFile(source, bytes) : EncodePackedDib(source, bytes), 0);
    DibImage image;
    ASSERT_EQ(DecodeDib(bytes, image), 0);
    EXPECT_EQ(image.width, 61);
    EXPECT_EQ(image.height, 17);
    EXPECT_NEAR(image.pixelsPerInch, 120, 0.05);
    EXPECT_EQ(image.argb, pixels);
  }
}

TEST(DibFile, BadSourcesAndDamagedFilesAreRefused) {
  const std::vector<uint32_t> pixels = Gradient(4, 4);
  std::string bytes;
  EXPECT_EQ(EncodeDibFile(SourceOf(pixels, 0, 4), bytes), -3);
  EXPECT_EQ(EncodeDibFile(SourceOf(pixels, 4, -1), bytes), -3);
  EXPECT_EQ(EncodeDibFile(SourceOf(pixels, kDibMaxSide + 1, 1), bytes), -3);
  DibSource narrow = SourceOf(pixels, 4, 4);
  narrow.rowPixels = 3;
  EXPECT_EQ(EncodeDibFile(narrow, bytes), -3);
  EXPECT_EQ(EncodeDibFile(DibSource(), bytes), -3);
  EXPECT_TRUE(bytes.empty());

  ASSERT_EQ(EncodeDibFile(SourceOf(pixels, 4, 4), bytes), 0);
  DibImage image;
  EXPECT_EQ(DecodeDib(bytes.substr(0, bytes.size() - 1), image), -1);  // a row short
  EXPECT_EQ(DecodeDib(bytes.substr(0, 30), image), -1);                // header cut
  std::string huge = bytes;
  huge[22] = '\xFF';  // height 255 rows: far more than the bytes hold
  EXPECT_EQ(DecodeDib(huge, image), -1);
  std::string eightBit = bytes;
  eightBit[28] = 8;
  EXPECT_EQ(DecodeDib(eightBit, image), -1);
}

class ReplaceFileTest : public test::CoreTest {
 protected:
  test::TestFiles files_{test::FilesKind::kMemory};
  test::TempFolder folder_;

  // The folder's names other than the target's.
  std::vector<std::string> Leftovers(const std::string& keep) {
    std::vector<FolderEntry> items;
    EXPECT_EQ(ListFolder(folder_.folderPath(), items), 0);
    std::vector<std::string> names;
    for (const FolderEntry& item : items) {
      if (item.name != keep) names.push_back(item.name);
    }
    return names;
  }
};

TEST_F(ReplaceFileTest, SaveDibReplacesAnOlderFileWhole) {
  const std::string path = (folder_ / "map.bmp").string();
  test::WriteWholeFile(path, "an older picture");
  const std::vector<uint32_t> pixels = Gradient(5, 3);
  ASSERT_EQ(SaveDIB(path, SourceOf(pixels, 5, 3)), 0);
  DibImage image;
  ASSERT_EQ(DecodeDib(test::ReadWholeFile(path), image), 0);
  EXPECT_EQ(image.argb, pixels);
  EXPECT_TRUE(Leftovers("map.bmp").empty());
}

TEST_F(ReplaceFileTest, AFailedWriteSyncOrRenameKeepsTheOlderFileAndLeavesNoTemporary) {
  const std::string path = (folder_ / "map.bmp").string();
  const std::vector<uint32_t> pixels = Gradient(5, 3);
  for (const auto operation :
       {MemoryFileSystem::Operation::kWrite, MemoryFileSystem::Operation::kSync,
        MemoryFileSystem::Operation::kRename}) {
    test::WriteWholeFile(path, "an older picture");
    files_.memory()->FailNth(operation, 1);
    EXPECT_NE(SaveDIB(path, SourceOf(pixels, 5, 3)), 0);
    files_.memory()->FailNth(operation, 0);
    EXPECT_EQ(test::ReadWholeFile(path), "an older picture");
    EXPECT_TRUE(Leftovers("map.bmp").empty());
  }
}

TEST_F(ReplaceFileTest, AFullDiskKeepsTheOlderFile) {
  const std::string path = (folder_ / "map.bmp").string();
  test::WriteWholeFile(path, "an older picture");
  files_.memory()->SetCapacity(files_.memory()->UsedBytes() + 100);
  const std::vector<uint32_t> pixels = Gradient(50, 50);
  EXPECT_EQ(SaveDIB(path, SourceOf(pixels, 50, 50)), kErrDiskFull);
  files_.memory()->SetCapacity(-1);
  EXPECT_EQ(test::ReadWholeFile(path), "an older picture");
  EXPECT_TRUE(Leftovers("map.bmp").empty());
}

TEST_F(ReplaceFileTest, AStopBeforeTheRenameKeepsTheOlderFile) {
  const std::string path = (folder_ / "map.wmf").string();
  test::WriteWholeFile(path, "older");
  EXPECT_EQ(ReplaceFileContents(path, "newer", [] { return true; }), kReplaceStopped);
  EXPECT_EQ(test::ReadWholeFile(path), "older");
  EXPECT_TRUE(Leftovers("map.wmf").empty());
  EXPECT_EQ(ReplaceFileContents(path, "newer", [] { return false; }), 0);
  EXPECT_EQ(test::ReadWholeFile(path), "newer");
}

TEST_F(ReplaceFileTest, AFileNamedLikeTheOldWorkFileIsNotTouched) {
  // Saving once wrote through a fixed "temp.wmf" beside the picture; a user's file of that name
  // must survive.
  test::WriteWholeFile(folder_ / "temp.wmf", "the user's own");
  ASSERT_EQ(ReplaceFileContents((folder_ / "map.wmf").string(), "picture"), 0);
  EXPECT_EQ(test::ReadWholeFile(folder_ / "temp.wmf"), "the user's own");
}

TEST_F(ReplaceFileTest, AMissingFolderFailsWithoutCreatingAnything) {
  EXPECT_NE(ReplaceFileContents((folder_ / "no-such" / "map.bmp").string(), "x"), 0);
  EXPECT_FALSE(test::PathExists(folder_ / "no-such"));
}

}  // namespace
}  // namespace tlv
