#include "base/collate.h"

#include <cstring>

namespace tlv {

namespace {

struct CollationTable {
  CollationWeight weights[256];

  CollationTable() {
    for (int c = 0; c < 256; ++c) weights[c] = {static_cast<double>(c), 1};
    for (int c = 'a'; c <= 'z'; ++c) weights[c] = {static_cast<double>(c - 32), 1};
    auto set = [this](int code, double primary, int16_t secondary) {
      weights[code] = {primary, secondary};
    };
    set(138, 83, 2), set(154, 83, 2);
    set(140, 140, 2), set(156, 140, 2);
    set(145, 39, 2), set(146, 39, 1);
    set(147, 34, 4), set(148, 34, 5);
    set(159, 89, 2), set(255, 89, 2);
    set(160, 32, 2);
    set(171, 34, 2), set(187, 34, 3);
    // Each accented letter pairs an upper-case code with the lower-case code 32 above it.
    auto pairs = [&set](int firstUpper, int lastUpper, double primary, int16_t firstSecondary) {
      for (int c = firstUpper; c <= lastUpper; ++c) {
        const auto secondary = static_cast<int16_t>(firstSecondary + (c - firstUpper));
        set(c, primary, secondary);
        set(c + 32, primary, secondary);
      }
    };
    pairs(192, 198, 65, 2);                // A
    pairs(199, 199, 67, 2);                // C
    pairs(200, 203, 69, 2);                // E
    pairs(204, 207, 73, 2);                // I
    pairs(208, 208, 68, 2);                // D
    set(209, 78.5, 1), set(241, 78.5, 1);  // a letter of its own between N and O
    pairs(210, 214, 79, 2);                // O
    set(216, 79, 7), set(248, 79, 7);
    pairs(217, 220, 85, 2);  // U
    set(221, 89, 3), set(253, 89, 3);
    set(222, 80, 2), set(254, 80, 2);
    set(223, 83, 3);
  }
};

const CollationTable& Table() {
  static const CollationTable table;
  return table;
}

template <typename CharAt>
int Compare(CharAt charA, CharAt charB, int32_t length, bool stopAtReturn) {
  const CollationTable& table = Table();
  if (length < 0) length = 64000;
  int tie = 0;
  for (int32_t i = 0; i < length; ++i) {
    unsigned char ca = charA(i);
    unsigned char cb = charB(i);
    if (stopAtReturn) {
      if (ca == 13) ca = 0;
      if (cb == 13) cb = 0;
    }
    const CollationWeight& wa = table.weights[ca];
    const CollationWeight& wb = table.weights[cb];
    if (wa.primary < wb.primary) return -1;
    if (wa.primary > wb.primary) return 1;
    if (wa.primary == 0) return tie;
    if (tie == 0) {
      if (wa.secondary < wb.secondary) tie = -1;
      if (wa.secondary > wb.secondary) tie = 1;
    }
  }
  return 0;
}

}  // namespace

int CollateCompare(const char* a, const char* b, int32_t length, bool stopAtReturn) {
  auto at = [](const char* text) {
    return [text](int32_t i) { return static_cast<unsigned char>(text[i]); };
  };
  return Compare(at(a), at(b), length, stopAtReturn);
}

int CollateCompare(std::string_view a, std::string_view b, int32_t length, bool stopAtReturn) {
  auto at = [](std::string_view text) {
    return [text](int32_t i) {
      return static_cast<size_t>(i) < text.size() ? static_cast<unsigned char>(text[i])
                                                  : static_cast<unsigned char>(0);
    };
  };
  return Compare(at(a), at(b), length, stopAtReturn);
}

CollationWeight CollationWeightOf(unsigned char code) {
  return Table().weights[code];
}

}  // namespace tlv
