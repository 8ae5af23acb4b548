#include "render/metafile/placeable.h"

#include <cmath>

#include "render/metafile/wmf_writer.h"

namespace tlv {

uint16_t PlaceableChecksum(const std::string& header) {
  uint16_t checksum = 0;
  for (size_t i = 0; i + 1 < header.size() && i < 20; i += 2) {
    checksum ^= static_cast<uint16_t>(static_cast<uint8_t>(header[i]) |
                                      (static_cast<uint8_t>(header[i + 1]) << 8));
  }
  return checksum;
}

int32_t MakePlaceableMetafile(std::string& bytes, int32_t width, int32_t height,
                              double pixelsPerInch) {
  if (bytes.size() >= 4) {
    const uint32_t key = static_cast<uint32_t>(static_cast<uint8_t>(bytes[0])) |
                         static_cast<uint32_t>(static_cast<uint8_t>(bytes[1])) << 8 |
                         static_cast<uint32_t>(static_cast<uint8_t>(bytes[2])) << 16 |
                         static_cast<uint32_t>(static_cast<uint8_t>(bytes[3])) << 24;
    if (key == kPlaceableKey) return 0;
  }
  const long unitsPerInch = std::lround(pixelsPerInch);
  if (width < 0 || height < 0 || width > 32767 || height > 32767 || unitsPerInch <= 0 ||
      unitsPerInch > 65535) {
    return -1;
  }
  std::string header;
  AppendU32(header, kPlaceableKey);
  AppendU16(header, 0);  // handle
  AppendI16(header, 0);  // bounds: left, top, right, bottom
  AppendI16(header, 0);
  AppendI16(header, static_cast<int16_t>(width));
  AppendI16(header, static_cast<int16_t>(height));
  AppendU16(header, static_cast<uint16_t>(unitsPerInch));
  AppendU32(header, 0);  // reserved
  AppendU16(header, PlaceableChecksum(header));
  bytes.insert(0, header);
  return 0;
}

}  // namespace tlv
