#include "render/symbols.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "base/memory.h"
#include "store/file_contents.h"

namespace tlv {
namespace {

struct SymbolRange {
  int32_t first;
  int32_t last;
  int32_t background;
};

// The second font's frames are built to match these, so they live with the drawing code.
constexpr SymbolRange kSecondFontBackgrounds[] = {
    {288, 336, 294}, {381, 382, 382}, {416, 498, 382},
    {349, 375, 372}, {384, 415, 372}, {501, 511, 372},
};

constexpr int32_t kFirstFontSymbols = 256;

struct SymbolState {
  SymbolState() { index.fill(-1); }
  bool listLoaded = false;
  // Per symbol number, the position of its description in descriptions, or -1.
  std::array<int32_t, kSymbolCount> index;
  std::vector<std::string> descriptions;
  std::vector<SymbolRange> firstFontBackgrounds;
};

SymbolState state;

// The lines of a text file, accepting LF and CR LF line ends.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

// A whole field of decimal digits (an optional sign allowed).
bool ParseNumber(std::string_view field, int32_t& value) {
  if (field.empty()) return false;
  const char* end = field.data() + field.size();
  const auto [stop, error] = std::from_chars(field.data(), end, value);
  return error == std::errc() && stop == end;
}

int32_t ReadWholeFile(int16_t volume, int32_t dirID, const char* name, std::string& bytes) {
  int32_t length = 0;
  Handle handle = nullptr;
  const int32_t err = ReadFileContents(volume, dirID, name, nullptr, length, &handle, false);
  if (err != 0) return err;
  ScopedHandle owner(handle);
  bytes.assign(*handle, static_cast<size_t>(length));
  return 0;
}

}  // namespace

void ResetSymbolsForTesting() {
  state = SymbolState();
}

void ParseSymbolList(std::string_view bytes) {
  state.index.fill(-1);
  state.descriptions.clear();
  for (std::string_view line : SplitLines(bytes)) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    int32_t number = 0;
    if (!ParseNumber(line.substr(0, tab), number) || number < 0 || number >= kSymbolCount) {
      continue;
    }
    state.index[static_cast<size_t>(number)] = static_cast<int32_t>(state.descriptions.size());
    state.descriptions.emplace_back(line.substr(tab + 1));
  }
  state.listLoaded = true;
}

int32_t LoadSymbolList(int16_t volume, int32_t dirID) {
  std::string bytes;
  const int32_t err = ReadWholeFile(volume, dirID, kSymbolListFileName, bytes);
  if (err != 0) return err;
  ParseSymbolList(bytes);
  return 0;
}

bool SymbolListLoaded() {
  return state.listLoaded;
}

bool SymbolInList(int32_t symbol) {
  if (symbol < 0 || symbol >= kSymbolCount) return false;
  return !state.listLoaded || state.index[static_cast<size_t>(symbol)] >= 0;
}

std::string SymbolDescription(int32_t symbol) {
  if (!state.listLoaded || symbol < 0 || symbol >= kSymbolCount) return {};
  const int32_t line = state.index[static_cast<size_t>(symbol)];
  return line < 0 ? std::string() : state.descriptions[static_cast<size_t>(line)];
}

void ParseSymbolBackgroundRanges(std::string_view bytes, int32_t& badLines) {
  badLines = 0;
  state.firstFontBackgrounds.clear();
  for (std::string_view line : SplitLines(bytes)) {
    if (line.empty() || line.front() == '#') continue;
    int32_t values[3] = {};
    int32_t fields = 0;
    bool good = true;
    while (good) {
      const size_t tab = line.find('\t');
      if (fields == 3 || !ParseNumber(line.substr(0, tab), values[fields])) {
        good = false;
        break;
      }
      ++fields;
      if (tab == std::string_view::npos) break;
      line.remove_prefix(tab + 1);
    }
    const SymbolRange range{values[0], values[1], values[2]};
    good = good && fields == 3 && range.first >= 0 && range.first <= range.last &&
           range.last < kFirstFontSymbols && range.background >= 0 &&
           range.background < kFirstFontSymbols;
    if (!good) {
      ++badLines;
      continue;
    }
    state.firstFontBackgrounds.push_back(range);
  }
}

int32_t LoadSymbolBackgroundRanges(int16_t volume, int32_t dirID) {
  std::string bytes;
  const int32_t err = ReadWholeFile(volume, dirID, kSymbolBackgroundFileName, bytes);
  if (err != 0) return err;
  int32_t badLines = 0;
  ParseSymbolBackgroundRanges(bytes, badLines);
  return 0;
}

int32_t SymbolBackground(int32_t symbol) {
  if (symbol < 0 || symbol >= kSymbolCount) return -1;
  if (symbol < kFirstFontSymbols) {
    for (const SymbolRange& range : state.firstFontBackgrounds) {
      if (range.first <= symbol && symbol <= range.last) return range.background;
    }
    return -1;
  }
  for (const SymbolRange& range : kSecondFontBackgrounds) {
    if (range.first <= symbol && symbol <= range.last) return range.background;
  }
  return -1;
}

bool SymbolGlyphFor(int32_t symbol, DeviceKind device, bool printerFont, SymbolGlyph& glyph) {
  if (symbol < 0 || symbol >= kSymbolCount || !SymbolInList(symbol)) return false;
  glyph = SymbolGlyph();
  if (symbol >= kFirstFontSymbols) {
    glyph.font = SymbolFontId::kSecondSymbols;
  } else {
    const bool paper = printerFont || device == DeviceKind::kPrinter || IsPictureDevice(device);
    glyph.font = paper ? SymbolFontId::kPaperSymbols : SymbolFontId::kScreenSymbols;
  }
  glyph.code = static_cast<uint8_t>(symbol & 0xFF);
  const int32_t background = SymbolBackground(symbol);
  if (background >= 0) {
    glyph.hasBackground = true;
    glyph.backgroundCode = static_cast<uint8_t>(background & 0xFF);
  }
  return true;
}

ScreenRect SymbolBox(ScreenPoint centre, int32_t pixelSize) {
  const int32_t half = pixelSize / 2;
  return {centre.x - half, centre.y - half, centre.x - half + pixelSize,
          centre.y - half + pixelSize};
}

void DrawSymbol(DrawPort& port, int32_t symbol, const ScreenRect& box, RGBColour colour,
                bool printerFont) {
  SymbolGlyph glyph;
  if (!SymbolGlyphFor(symbol, port.Kind(), printerFont, glyph)) return;
  if (!port.HasSymbolFont(glyph.font)) return;
  const int64_t width = static_cast<int64_t>(box.right) - box.left;
  const int64_t height = static_cast<int64_t>(box.bottom) - box.top;
  const int64_t side = std::min(width, height);
  if (side <= 0 || side > INT32_MAX) return;
  const int32_t x = static_cast<int32_t>(box.left + (width - side) / 2);
  const int32_t y = static_cast<int32_t>(box.top + (height - side) / 2);
  const int32_t size = static_cast<int32_t>(side);
  if (glyph.hasBackground) {
    port.DrawSymbolGlyph(glyph.font, glyph.backgroundCode, x, y, size, kWhiteColour);
  }
  port.DrawSymbolGlyph(glyph.font, glyph.code, x, y, size, colour);
}

}  // namespace tlv
