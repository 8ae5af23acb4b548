// The collating comparison used for every name of maps, overlays, folders, files and keywords:
// case never matters, accents only break ties between otherwise equal texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace tlv {

// Compares at most length characters (a negative length stands for 64000) of two NUL-terminated
// Windows-1252 texts; returns -1, 0 or 1. With stopAtReturn a carriage return ends a text.
int CollateCompare(const char* a, const char* b, int32_t length, bool stopAtReturn);
// The same over string views (the end of a view counts as its NUL).
int CollateCompare(std::string_view a, std::string_view b, int32_t length = -1,
                   bool stopAtReturn = false);
inline bool CollateEqual(std::string_view a, std::string_view b) {
  return CollateCompare(a, b) == 0;
}

struct CollationWeight {
  double primary;
  int16_t secondary;
};
CollationWeight CollationWeightOf(unsigned char code);

}  // namespace tlv
