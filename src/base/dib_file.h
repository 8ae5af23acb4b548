// Device-independent bitmaps written from pixels by our own code: the .BMP picture file, and the
// packed form (the same without the 14-byte file header) that thumbnails and the clipboard hold.
// Always 24 bits per pixel, uncompressed, rows bottom-up and each padded to four bytes, with the
// resolution stored in pixels per metre so readers print it at the size it had on screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlv {

constexpr int32_t kDibFileHeaderSize = 14;
constexpr int32_t kDibInfoHeaderSize = 40;
// The largest side a bitmap may have here; it keeps every size field in range.
constexpr int32_t kDibMaxSide = 32767;

// Pixels to write: rows top to bottom of 32-bit 0xAARRGGBB values (alpha is ignored), each row
// rowPixels values apart (at least width).
struct DibSource {
  int32_t width = 0;
  int32_t height = 0;
  const uint32_t* argb = nullptr;
  int32_t rowPixels = 0;
  double pixelsPerInch = 96.0;
};

// A bitmap read back, as ARGB rows top to bottom (alpha 0xFF).
struct DibImage {
  int32_t width = 0;
  int32_t height = 0;
  double pixelsPerInch = 0;
  std::vector<uint32_t> argb;
};

// The bytes of each row: three per pixel, rounded up to a multiple of four.
int32_t DibRowBytes(int32_t width);

// The packed form: the 40-byte information header and the rows. -3 for a source without pixels
// or a side outside 1 to kDibMaxSide.
int32_t EncodePackedDib(const DibSource& source, std::string& out);
// The .BMP file: the "BM" file header, then the packed form.
int32_t EncodeDibFile(const DibSource& source, std::string& out);

// Reads the packed form or a .BMP file (24 or 32 bits, uncompressed, rows either way up). -1 for
// anything else, or for sizes that do not fit the bytes.
int32_t DecodeDib(const std::string& bytes, DibImage& image);

// Writes a .BMP file, replacing an older file of that name only once the new one is complete.
int32_t SaveDIB(const std::string& path, const DibSource& source);

}  // namespace tlv
