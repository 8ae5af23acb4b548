#include "base/dib_file.h"

#include <cmath>
#include <cstddef>

#include "base/replace_file.h"

namespace tlv {
namespace {

constexpr double kMetresPerInch = 0.0254;

void PutU16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, static_cast<uint16_t>(value & 0xFFFF));
  PutU16(out, static_cast<uint16_t>(value >> 16));
}

uint32_t GetU32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

uint16_t GetU16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

bool SourceUsable(const DibSource& source) {
  return source.argb != nullptr && source.width > 0 && source.height > 0 &&
         source.width <= kDibMaxSide && source.height <= kDibMaxSide &&
         source.rowPixels >= source.width;
}

}  // namespace

int32_t DibRowBytes(int32_t width) {
  return (width * 3 + 3) / 4 * 4;
}

int32_t EncodePackedDib(const DibSource& source, std::string& out) {
  if (!SourceUsable(source)) return -3;
  const int32_t rowBytes = DibRowBytes(source.width);
  const uint32_t imageBytes =
      static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(source.height);
  const double ppi = source.pixelsPerInch > 0 ? source.pixelsPerInch : 96.0;
  const uint32_t perMetre = static_cast<uint32_t>(std::lround(ppi / kMetresPerInch));
  out.reserve(out.size() + kDibInfoHeaderSize + imageBytes);
  PutU32(out, kDibInfoHeaderSize);
  PutU32(out, static_cast<uint32_t>(source.width));
  PutU32(out, static_cast<uint32_t>(source.height));  // positive: rows bottom-up
  PutU16(out, 1);                                     // planes
  PutU16(out, 24);                                    // bits per pixel
  PutU32(out, 0);                                     // no compression
  PutU32(out, imageBytes);
  PutU32(out, perMetre);
  PutU32(out, perMetre);
  PutU32(out, 0);  // no colour table
  PutU32(out, 0);
  const int32_t padding = rowBytes - source.width * 3;
  for (int32_t y = source.height - 1; y >= 0; --y) {
    const uint32_t* row = source.argb + static_cast<std::ptrdiff_t>(y) * source.rowPixels;
    for (int32_t x = 0; x < source.width; ++x) {
      const uint32_t pixel = row[x];
      out.push_back(static_cast<char>(pixel & 0xFF));
      out.push_back(static_cast<char>((pixel >> 8) & 0xFF));
      out.push_back(static_cast<char>((pixel >> 16) & 0xFF));
    }
    out.append(static_cast<size_t>(padding), '\0');
  }
  return 0;
}

int32_t EncodeDibFile(const DibSource& source, std::string& out) {
  if (!SourceUsable(source)) return -3;
  const uint32_t offset = kDibFileHeaderSize + kDibInfoHeaderSize;
  const uint32_t total = offset + static_cast<uint32_t>(DibRowBytes(source.width)) *
                                      static_cast<uint32_t>(source.height);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, total);
  PutU32(out, 0);  // reserved
  PutU32(out, offset);
  return EncodePackedDib(source, out);
}

int32_t DecodeDib(const std::string& bytes, DibImage& image) {
  size_t at = 0;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') at = kDibFileHeaderSize;
  if (bytes.size() < at + kDibInfoHeaderSize) return -1;
  if (GetU32(bytes, at) < static_cast<uint32_t>(kDibInfoHeaderSize)) return -1;
  const int32_t width = static_cast<int32_t>(GetU32(bytes, at + 4));
  const int32_t rawHeight = static_cast<int32_t>(GetU32(bytes, at + 8));
  const uint16_t bits = GetU16(bytes, at + 14);
  const uint32_t compression = GetU32(bytes, at + 16);
  const uint32_t perMetre = GetU32(bytes, at + 24);
  if (width <= 0 || width > kDibMaxSide || rawHeight == 0 || rawHeight < -kDibMaxSide ||
      rawHeight > kDibMaxSide || (bits != 24 && bits != 32) ||
      (compression != 0 && !(bits == 32 && compression == 3))) {
    return -1;
  }
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  const size_t bytesPerPixel = bits / 8;
  const size_t rowBytes = (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  size_t pixelsAt = at + GetU32(bytes, at);
  if (compression == 3) pixelsAt += 12;  // the three colour masks
  if (at == kDibFileHeaderSize) pixelsAt = GetU32(bytes, 10);
  if (pixelsAt > bytes.size() ||
      (bytes.size() - pixelsAt) / rowBytes < static_cast<size_t>(height)) {
    return -1;
  }
  image.width = width;
  image.height = height;
  image.pixelsPerInch = perMetre * kMetresPerInch;
  image.argb.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int32_t y = 0; y < height; ++y) {
    const size_t stored = bottomUp ? static_cast<size_t>(height - 1 - y) : static_cast<size_t>(y);
    const size_t rowAt = pixelsAt + stored * rowBytes;
    for (int32_t x = 0; x < width; ++x) {
      const size_t p = rowAt + static_cast<size_t>(x) * bytesPerPixel;
      const uint32_t blue = static_cast<uint8_t>(bytes[p]);
      const uint32_t green = static_cast<uint8_t>(bytes[p + 1]);
      const uint32_t red = static_cast<uint8_t>(bytes[p + 2]);
      image.argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          0xFF000000u | red << 16 | green << 8 | blue;
    }
  }
  return 0;
}

int32_t SaveDIB(const std::string& path, const DibSource& source) {
  std::string bytes;
  const int32_t err = EncodeDibFile(source, bytes);
  if (err != 0) return err;
  return ReplaceFileContents(path, bytes);
}

}  // namespace tlv
