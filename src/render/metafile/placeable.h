// The placement header that lets other programs size a metafile (a .WMF file) on the page.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

constexpr int32_t kPlaceableHeaderSize = 22;

// The header's checksum: the exclusive-or of its first ten 16-bit words.
uint16_t PlaceableChecksum(const std::string& header);

// Gives a metafile its placement header: bytes that already start with the placement key are
// left exactly as they are; otherwise the 22-byte header (bounds 0, 0, width, height, units per
// inch the screen's pixels per inch) is put in front. -1 for a size outside the header's range.
int32_t MakePlaceableMetafile(std::string& bytes, int32_t width, int32_t height,
                              double pixelsPerInch);

}  // namespace tlv
