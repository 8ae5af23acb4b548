// Feeds arbitrary bytes to the readers of the symbol list and of the first font's background
// ranges. Whatever they accept must keep every answer inside the symbol numbers: a background
// glyph is a symbol of the same font, and no symbol outside 0..511 ever has a glyph.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "render/symbols.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetSymbolsForTesting();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte picks the reader; both see the rest.
  if (size > 0 && (data[0] & 1) != 0) {
    ParseSymbolList(bytes.substr(1));
  } else {
    int32_t badLines = 0;
    ParseSymbolBackgroundRanges(bytes.substr(size > 0 ? 1 : 0), badLines);
    Check(badLines >= 0);
  }
  for (int32_t symbol = -2; symbol < kSymbolCount + 2; ++symbol) {
    const int32_t background = SymbolBackground(symbol);
    SymbolGlyph glyph;
    const bool drawn = SymbolGlyphFor(symbol, DeviceKind::kScreen, false, glyph);
    if (symbol < 0 || symbol >= kSymbolCount) {
      Check(!drawn && background == -1 && SymbolDescription(symbol).empty());
      continue;
    }
    Check(background == -1 || (background >= 0 && background / 256 == symbol / 256));
    if (drawn) Check(glyph.code == (symbol & 0xFF) && glyph.hasBackground == (background >= 0));
  }
  return 0;
}
