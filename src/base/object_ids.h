// How an object is named: its ID, kept in the object record for good, and its reference, valid
// for one run (map and overlay IDs are handed out at load time).
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

struct ObjectID {
  int32_t high = 0;
  int32_t low = 0;
};
inline bool operator==(const ObjectID& a, const ObjectID& b) {
  return a.high == b.high && a.low == b.low;
}

// (map ID, overlay ID, object position): one object of one overlay file.
struct ObjectRef {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int32_t position = -1;
};

// "%08lX%08lX": 16 upper-case hexadecimal digits, high value first.
std::string ObjectIDText(const ObjectID& id);

}  // namespace tlv
