// The name parts and alias count of an object record in one read of its head, for the walks
// that test a million names: the field-by-field accessors seek and copy five times per record
// and allocate two strings. Only a record that is whole and consistent is answered here; for
// any other the caller asks the field-by-field accessors, which report what is wrong exactly as
// before.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/buffered_file.h"

namespace tlv {

// The length word, the fixed head, both name lengths and both name rooms at their largest.
constexpr int32_t kObjectHeadMaxBytes = 69 + 255 + 255;

struct ObjectHead {
  // Up to the first NUL of each room, as FSGetObjectName reads them. They point into the file's
  // window or into bytes; either stays valid until the file or bytes is next used.
  std::string_view prefix;
  std::string_view name;
  uint8_t aliasCount = 0;
  char bytes[kObjectHeadMaxBytes];
};

// True when the record at position was read whole and its name rooms lie inside it; false (and
// nothing reported) for anything else: a position outside the file, a bad length, a read error.
bool ReadObjectHead(BufferedFile& file, int32_t position, ObjectHead& head);

}  // namespace tlv
