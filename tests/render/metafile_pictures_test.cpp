// Pictures inside metafiles (the stretched-bitmap records of both formats), the enhanced
// metafile's frame, and the placement header a metafile gets before it is saved.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/dib_file.h"
#include "render/metafile/emf_writer.h"
#include "render/metafile/placeable.h"
#include "render/metafile/wmf_writer.h"

namespace tlv {
namespace {

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b.at(at)) |
                               (static_cast<uint8_t>(b.at(at + 1)) << 8));
}
int16_t I16(const std::string& b, size_t at) {
  return static_cast<int16_t>(U16(b, at));
}
uint32_t U32(const std::string& b, size_t at) {
  return U16(b, at) | (static_cast<uint32_t>(U16(b, at + 2)) << 16);
}
int32_t I32(const std::string& b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}

struct Record {
  uint32_t type = 0;
  std::string params;
};

// The records after the placement and metafile headers.
std::vector<Record> WmfRecords(const std::string& file) {
  std::vector<Record> records;
  size_t at = kPlaceableHeaderSize + 18;
  while (at + 6 <= file.size()) {
    const uint32_t words = U32(file, at);
    if (words < 3 || at + words * 2 > file.size()) break;
    records.push_back({U16(file, at + 4), file.substr(at + 6, words * 2 - 6)});
    at += words * 2;
  }
  return records;
}

std::vector<Record> EmfRecords(const std::string& file) {
  std::vector<Record> records;
  size_t at = 0;
  while (at + 8 <= file.size()) {
    const uint32_t size = U32(file, at + 4);
    if (size < 8 || at + size > file.size()) break;
    records.push_back({U32(file, at), file.substr(at + 8, size - 8)});
    at += size;
  }
  return records;
}

const Record* Find(const std::vector<Record>& records, uint32_t type) {
  for (const Record& r : records) {
    if (r.type == type) return &r;
  }
  return nullptr;
}

// A 3 x 2 picture: top row red, green, half-transparent blue; bottom row white, black, and a
// fully transparent pixel.
const std::vector<uint32_t> kPicture = {0xFFFF0000, 0xFF00FF00, 0x800000FF,
                                        0xFFFFFFFF, 0xFF000000, 0x00123456};

// The pixels of a packed bitmap, top row first.
std::vector<uint32_t> PixelsOf(const std::string& packed) {
  DibImage image;
  EXPECT_EQ(DecodeDib(packed, image), 0);
  return image.argb;
}

const std::vector<uint32_t> kOnWhite = {0xFFFF0000, 0xFF00FF00, 0xFF7F7FFF,
                                        0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF};

TEST(MetafilePictures, WmfStoresAPictureAsAStretchedBitmap) {
  WmfPort port(200, 100, 96, nullptr);
  ASSERT_TRUE(port.DrawPixels({10, 20, 70, 60}, 3, 2, kPicture.data()));
  const std::vector<Record> records = WmfRecords(port.Finish());
  const Record* stretch = Find(records, wmf::kStretchDib);
  ASSERT_NE(stretch, nullptr);
  const std::string& p = stretch->params;
  EXPECT_EQ(U32(p, 0), gdi::kRopSourceCopy);
  EXPECT_EQ(U16(p, 4), gdi::kDibRgbColours);
  EXPECT_EQ(I16(p, 6), 2);    // source height
  EXPECT_EQ(I16(p, 8), 3);    // source width
  EXPECT_EQ(I16(p, 10), 0);   // source y
  EXPECT_EQ(I16(p, 12), 0);   // source x
  EXPECT_EQ(I16(p, 14), 40);  // destination height
  EXPECT_EQ(I16(p, 16), 60);  // destination width
  EXPECT_EQ(I16(p, 18), 20);  // destination top
  EXPECT_EQ(I16(p, 20), 10);  // destination left
  // What is transparent is laid on white: no transparency survives in the record.
  EXPECT_EQ(PixelsOf(p.substr(22)), kOnWhite);
}

TEST(MetafilePictures, EmfStoresAPictureAsAStretchedBitmapWithConsistentOffsets) {
  EmfPort port(200, 100, 96, nullptr);
  ASSERT_TRUE(port.DrawPixels({10, 20, 70, 60}, 3, 2, kPicture.data()));
  const std::string file = port.Finish();
  const std::vector<Record> records = EmfRecords(file);
  EXPECT_EQ(U32(file, 52), records.size());  // the header counts every record
  const Record* stretch = Find(records, emf::kStretchDiBits);
  ASSERT_NE(stretch, nullptr);
  const std::string& p = stretch->params;  // offsets below count from the record's start (8 more)
  EXPECT_EQ(I32(p, 0), 10);                // bounds, inclusive
  EXPECT_EQ(I32(p, 4), 20);
  EXPECT_EQ(I32(p, 8), 69);
  EXPECT_EQ(I32(p, 12), 59);
  EXPECT_EQ(I32(p, 16), 10);  // destination
  EXPECT_EQ(I32(p, 20), 20);
  EXPECT_EQ(I32(p, 32), 3);  // source size
  EXPECT_EQ(I32(p, 36), 2);
  const uint32_t bmiAt = U32(p, 40), bmiSize = U32(p, 44), bitsAt = U32(p, 48),
                 bitsSize = U32(p, 52);
  EXPECT_EQ(bmiSize, 40u);
  EXPECT_EQ(bitsAt, bmiAt + bmiSize);
  EXPECT_EQ(bitsSize, 2u * 12u);
  EXPECT_EQ(bitsAt + bitsSize, p.size() + 8);
  EXPECT_EQ(U32(p, 56), gdi::kDibRgbColours);
  EXPECT_EQ(U32(p, 60), gdi::kRopSourceCopy);
  EXPECT_EQ(I32(p, 64), 60);
  EXPECT_EQ(I32(p, 68), 40);
  EXPECT_EQ(PixelsOf(p.substr(bmiAt - 8)), kOnWhite);
}

// The AND raster mode of a picture (the compass) is the records' own source-AND-destination
// operation in both formats; a copy stays a copy.
TEST(MetafilePictures, MaskedPicturesAreAndedInBothFormats) {
  WmfPort wmfPort(200, 100, 96, nullptr);
  ASSERT_TRUE(wmfPort.DrawPixels({10, 20, 70, 60}, 3, 2, kPicture.data(), RasterMode::kMask));
  ASSERT_TRUE(wmfPort.DrawPixels({80, 20, 90, 60}, 3, 2, kPicture.data(), RasterMode::kCopy));
  std::vector<uint32_t> wmfRops;
  for (const Record& r : WmfRecords(wmfPort.Finish())) {
    if (r.type == wmf::kStretchDib) wmfRops.push_back(U32(r.params, 0));
  }
  EXPECT_EQ(wmfRops, (std::vector<uint32_t>{gdi::kRopSourceAnd, gdi::kRopSourceCopy}));

  EmfPort emfPort(200, 100, 96, nullptr);
  ASSERT_TRUE(emfPort.DrawPixels({10, 20, 70, 60}, 3, 2, kPicture.data(), RasterMode::kMask));
  // A pen's NOT-XOR mode does not leak into pictures.
  emfPort.SetRasterMode(RasterMode::kNotXor);
  ASSERT_TRUE(emfPort.DrawPixels({80, 20, 90, 60}, 3, 2, kPicture.data()));
  std::vector<uint32_t> emfRops;
  for (const Record& r : EmfRecords(emfPort.Finish())) {
    if (r.type == emf::kStretchDiBits) emfRops.push_back(U32(r.params, 60));
  }
  EXPECT_EQ(emfRops, (std::vector<uint32_t>{gdi::kRopSourceAnd, gdi::kRopSourceCopy}));
  EXPECT_EQ(gdi::kRopSourceAnd, 0x008800C6u);
}

TEST(MetafilePictures, PicturesThatCannotBeStoredAreLeftToTheStandIn) {
  WmfPort port(100, 100, 96, nullptr);
  EXPECT_FALSE(port.DrawPixels({0, 0, 10, 10}, 0, 2, kPicture.data()));
  EXPECT_FALSE(port.DrawPixels({0, 0, 10, 10}, 3, 2, nullptr));
  const std::vector<uint32_t> wide(static_cast<size_t>(kDibMaxSide) + 1, 0xFF000000);
  EXPECT_FALSE(port.DrawPixels({0, 0, 10, 10}, kDibMaxSide + 1, 1, wide.data()));
  // An empty destination draws nothing, but the picture is not missing either.
  EXPECT_TRUE(port.DrawPixels({5, 5, 5, 9}, 3, 2, kPicture.data()));
  const std::string file = port.Finish();
  EXPECT_EQ(Find(WmfRecords(file), wmf::kStretchDib), nullptr);
  EXPECT_FALSE(port.DrawPixels({0, 0, 10, 10}, 3, 2, kPicture.data()));
}

TEST(MetafilePictures, EmfFrameFollowsTheDisplayWhenGiven) {
  EmfPort measured(400, 300, 96, nullptr);
  measured.SetFrameSize(12345, 6789);
  const std::string file = measured.Finish();
  EXPECT_EQ(I32(file, 24), 0);
  EXPECT_EQ(I32(file, 32), 12344);
  EXPECT_EQ(I32(file, 36), 6788);
  EmfPort fromResolution(400, 300, 96, nullptr);
  const std::string plain = fromResolution.Finish();
  EXPECT_EQ(I32(plain, 32), 10583 - 1);  // 400 pixels at 96 per inch: 105.83 mm
}

TEST(MetafilePictures, APlaceableMetafileStaysByteIdentical) {
  WmfPort port(640, 480, 96, nullptr);
  port.FillRect({10, 10, 100, 100});
  const std::string file = port.Finish();
  std::string bytes = file;
  ASSERT_EQ(MakePlaceableMetafile(bytes, 1, 1, 300), 0);
  EXPECT_EQ(bytes, file);
}

TEST(MetafilePictures, APlainMetafileGetsTheHeaderWithItsChecksum) {
  WmfPort port(640, 480, 96, nullptr);
  port.FillRect({10, 10, 100, 100});
  const std::string placeable = port.Finish();
  std::string plain = placeable.substr(kPlaceableHeaderSize);
  ASSERT_EQ(MakePlaceableMetafile(plain, 640, 480, 96), 0);
  // The header made for the plain file is the one the writer makes itself.
  EXPECT_EQ(plain, placeable);
  EXPECT_EQ(U32(plain, 0), kPlaceableKey);
  EXPECT_EQ(I16(plain, 10), 640);
  EXPECT_EQ(I16(plain, 12), 480);
  EXPECT_EQ(U16(plain, 14), 96);
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= U16(plain, i);
  EXPECT_EQ(U16(plain, 20), checksum);
  EXPECT_EQ(PlaceableChecksum(plain), checksum);
}

TEST(MetafilePictures, SizesBeyondTheHeaderAreRefusedAndLeaveTheBytes) {
  const std::string plain("\x01\x00\x09\x00\x00\x03", 6);
  for (const auto& [width, height, ppi] : std::vector<std::tuple<int32_t, int32_t, double>>{
           {40000, 10, 96}, {10, -1, 96}, {10, 10, 0}}) {
    std::string bytes = plain;
    EXPECT_EQ(MakePlaceableMetafile(bytes, width, height, ppi), -1);
    EXPECT_EQ(bytes, plain);
  }
}

}  // namespace
}  // namespace tlv
