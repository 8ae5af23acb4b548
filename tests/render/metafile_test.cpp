// The metafile writers, checked by reading back what they wrote: headers, record sizes and
// counts, the object table as a player keeps it (no record may use a deleted object, a saved
// state must not outlive its objects), and the content of the drawing records.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "render/graphics_tables.h"
#include "render/metafile/emf_writer.h"
#include "render/metafile/wmf_writer.h"

namespace tlv {
namespace {

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b.at(at)) |
                               (static_cast<uint8_t>(b.at(at + 1)) << 8));
}
int16_t I16(const std::string& b, size_t at) {
  return static_cast<int16_t>(U16(b, at));
}
uint32_t U32(const std::string& b, size_t at) {
  return U16(b, at) | (static_cast<uint32_t>(U16(b, at + 2)) << 16);
}
int32_t I32(const std::string& b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}

struct ParsedRecord {
  uint32_t type = 0;
  std::string params;  // the bytes after the record's size and type
};

// The objects a player holds while it plays the records, and the objects each kind of slot has
// selected; a saved state remembers the selection.
struct ObjectTable {
  std::map<uint32_t, char> live;  // object -> 'p' pen, 'b' brush, 'f' font
  std::map<char, uint32_t> selected;
  std::vector<std::map<char, uint32_t>> saved;
  int maxLive = 0;
  std::vector<std::string> faults;

  void Create(uint32_t object, char kind) {
    if (live.count(object) != 0) faults.push_back("object created over a live one");
    live[object] = kind;
    maxLive = std::max(maxLive, static_cast<int>(live.size()));
  }
  void Select(uint32_t object, bool stock, char stockKind) {
    if (stock) {
      selected[stockKind] = object;
      return;
    }
    auto it = live.find(object);
    if (it == live.end()) {
      faults.push_back("selected a deleted object " + std::to_string(object));
      return;
    }
    selected[it->second] = object;
  }
  void Delete(uint32_t object) {
    if (live.erase(object) == 0) faults.push_back("deleted a dead object");
  }
  void Save() { saved.push_back(selected); }
  void Restore() {
    if (saved.empty()) {
      faults.push_back("restore without save");
      return;
    }
    selected = saved.back();
    saved.pop_back();
    for (const auto& [kind, object] : selected) {
      if ((object & 0x80000000u) == 0 && live.count(object) == 0) {
        faults.push_back("a restored state holds a deleted object");
      }
    }
  }
};

struct ParsedWmf {
  std::vector<ParsedRecord> records;
  ObjectTable objects;
  int16_t right = 0, bottom = 0;
  uint16_t inch = 0;
  uint16_t numberOfObjects = 0;
};

::testing::AssertionResult ParseWmf(const std::string& file, ParsedWmf& out) {
  if (file.size() < 40) return ::testing::AssertionFailure() << "too short";
  if (U32(file, 0) != kPlaceableKey) return ::testing::AssertionFailure() << "key";
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= U16(file, i);
  if (checksum != U16(file, 20)) return ::testing::AssertionFailure() << "checksum";
  if (I16(file, 6) != 0 || I16(file, 8) != 0) return ::testing::AssertionFailure() << "origin";
  out.right = I16(file, 10);
  out.bottom = I16(file, 12);
  out.inch = U16(file, 14);
  const size_t h = 22;
  if (U16(file, h) != 1 || U16(file, h + 2) != 9 || U16(file, h + 4) != 0x0300) {
    return ::testing::AssertionFailure() << "metafile header";
  }
  if (U32(file, h + 6) * 2 != file.size() - h) {
    return ::testing::AssertionFailure() << "size in words " << U32(file, h + 6);
  }
  out.numberOfObjects = U16(file, h + 10);
  const uint32_t maxRecord = U32(file, h + 12);
  uint32_t largest = 0;
  std::vector<bool> slots;
  size_t at = h + 18;
  while (at < file.size()) {
    const uint32_t words = U32(file, at);
    if (words < 3 || at + words * 2 > file.size()) {
      return ::testing::AssertionFailure() << "record size at " << at;
    }
    largest = std::max(largest, words);
    ParsedRecord record;
    record.type = U16(file, at + 4);
    record.params = file.substr(at + 6, words * 2 - 6);
    // The player puts each new object into the lowest free slot.
    auto create = [&](char kind) {
      size_t slot = 0;
      while (slot < slots.size() && slots[slot]) ++slot;
      if (slot == slots.size()) slots.push_back(false);
      slots[slot] = true;
      out.objects.Create(static_cast<uint32_t>(slot), kind);
    };
    switch (record.type) {
      case wmf::kCreatePenIndirect:
        create('p');
        break;
      case wmf::kCreateBrushIndirect:
      case wmf::kDibCreatePatternBrush:
        create('b');
        break;
      case wmf::kCreateFontIndirect:
        create('f');
        break;
      case wmf::kSelectObject:
        out.objects.Select(U16(record.params, 0), false, 0);
        break;
      case wmf::kDeleteObject: {
        const uint16_t slot = U16(record.params, 0);
        out.objects.Delete(slot);
        if (slot < slots.size()) slots[slot] = false;
        break;
      }
      case wmf::kSaveDC:
        out.objects.Save();
        break;
      case wmf::kRestoreDC:
        out.objects.Restore();
        break;
      default:
        break;
    }
    out.records.push_back(record);
    at += words * 2;
  }
  if (out.records.empty() || out.records.back().type != wmf::kEof) {
    return ::testing::AssertionFailure() << "no end record";
  }
  if (largest != maxRecord) return ::testing::AssertionFailure() << "largest record";
  if (out.numberOfObjects < slots.size()) return ::testing::AssertionFailure() << "object count";
  if (!out.objects.faults.empty()) {
    return ::testing::AssertionFailure() << out.objects.faults.front();
  }
  if (!out.objects.saved.empty()) return ::testing::AssertionFailure() << "unbalanced save";
  return ::testing::AssertionSuccess();
}

struct ParsedEmf {
  std::vector<ParsedRecord> records;
  ObjectTable objects;
  ScreenRect bounds;
  int32_t deviceWidth = 0, millimetresWidth = 0;
};

::testing::AssertionResult ParseEmf(const std::string& file, ParsedEmf& out) {
  if (file.size() < emf::kHeaderSize + 20) return ::testing::AssertionFailure() << "too short";
  if (U32(file, 0) != emf::kHeader || U32(file, 4) != emf::kHeaderSize) {
    return ::testing::AssertionFailure() << "header record";
  }
  out.bounds = {I32(file, 8), I32(file, 12), I32(file, 16), I32(file, 20)};
  if (U32(file, 40) != kEmfSignature) return ::testing::AssertionFailure() << "signature";
  if (U32(file, 48) != file.size()) return ::testing::AssertionFailure() << "bytes";
  const uint32_t recordCount = U32(file, 52);
  const uint16_t handles = U16(file, 56);
  out.deviceWidth = I32(file, 72);
  out.millimetresWidth = I32(file, 80);
  uint32_t count = 1;
  uint32_t highestHandle = 0;
  size_t at = emf::kHeaderSize;
  while (at < file.size()) {
    const uint32_t size = U32(file, at + 4);
    if (size < 8 || size % 4 != 0 || at + size > file.size()) {
      return ::testing::AssertionFailure() << "record size at " << at;
    }
    ParsedRecord record;
    record.type = U32(file, at);
    record.params = file.substr(at + 8, size - 8);
    const uint32_t object = record.params.size() >= 4 ? U32(record.params, 0) : 0;
    const bool stock = (object & 0x80000000u) != 0;
    switch (record.type) {
      case emf::kCreatePen:
        out.objects.Create(object, 'p');
        highestHandle = std::max(highestHandle, object);
        break;
      case emf::kCreateBrushIndirect:
      case emf::kCreateDibPatternBrushPt:
        out.objects.Create(object, 'b');
        highestHandle = std::max(highestHandle, object);
        break;
      case emf::kExtCreateFontIndirectW:
        out.objects.Create(object, 'f');
        highestHandle = std::max(highestHandle, object);
        break;
      case emf::kSelectObject: {
        const char stockKind = object == emf::kStockNullPen     ? 'p'
                               : object == emf::kStockNullBrush ? 'b'
                                                                : 'f';
        out.objects.Select(object, stock, stockKind);
        break;
      }
      case emf::kDeleteObject:
        out.objects.Delete(object);
        break;
      case emf::kSaveDC:
        out.objects.Save();
        break;
      case emf::kRestoreDC:
        out.objects.Restore();
        break;
      default:
        break;
    }
    if (object == 0 &&
        (record.type == emf::kCreatePen || record.type == emf::kCreateBrushIndirect ||
         record.type == emf::kExtCreateFontIndirectW)) {
      return ::testing::AssertionFailure() << "object in handle 0";
    }
    out.records.push_back(record);
    ++count;
    at += size;
  }
  if (count != recordCount) return ::testing::AssertionFailure() << "record count";
  if (out.records.empty() || out.records.back().type != emf::kEof) {
    return ::testing::AssertionFailure() << "no end record";
  }
  if (handles <= highestHandle) return ::testing::AssertionFailure() << "handle count";
  if (!out.objects.faults.empty()) {
    return ::testing::AssertionFailure() << out.objects.faults.front();
  }
  if (!out.objects.saved.empty()) return ::testing::AssertionFailure() << "unbalanced save";
  return ::testing::AssertionSuccess();
}

template <typename Records>
std::vector<const ParsedRecord*> OfType(const Records& records, uint32_t type) {
  std::vector<const ParsedRecord*> found;
  for (const ParsedRecord& record : records) {
    if (record.type == type) found.push_back(&record);
  }
  return found;
}

constexpr RGBColour kRed{255, 0, 0};
constexpr RGBColour kBlue{0, 0, 255};

// A little of everything the drawing pass does, with clips set, changed and cleared between.
void DrawSample(DrawPort& port) {
  port.SetRasterMode(RasterModeForPattern(13));
  port.SetBrush(BrushForPattern(13, kRed, port.Kind()));
  port.FillRect({10, 20, 30, 40});
  port.SetClipRect({0, 0, 50, 50});
  port.SetRasterMode(RasterMode::kCopy);
  port.SetPen(PenForLineStyle(kLineSolid, 4, kBlue, true, false));
  port.FrameRect({10, 20, 30, 40});
  port.SetPen(PenForLineStyle(kLineDotted, 1, kRed, true, false));
  port.MoveTo(1, 2);
  port.LineTo(40, 2);
  port.SetClipRect({5, 5, 60, 60});
  port.SetBrush(BrushForPattern(kPatternSolid, kBlue, port.Kind()));
  // The second ring has only two points.
  const std::vector<ScreenPoint> points = {{0, 0},  {20, 0},  {20, 20}, {0, 0},  {5, 5},
                                           {10, 5}, {30, 30}, {40, 30}, {40, 40}};
  const std::vector<int32_t> rings = {4, 2, 3};
  port.FillRegion(points, rings);
  port.ClearClip();
  port.FillEllipse({50, 50, 70, 60});
  port.SetFont(MakeNumberedFont(kFontArial, 9, kFontBold, 30.0, port.Kind(), false));
  port.SetTextColour(kRed);
  port.DrawText(12, 34, "Caf\xE9 \x80");
  port.DrawSymbolGlyph(SymbolFontId::kPaperSymbols, 54, 100, 100, 24, kBlue);
  port.SetPen(PenForLineStyle(kLineSolid, 1, kBlue, true, false));
  port.Polyline(points);
}

TEST(MetafileTest, WmfReadsBackWithASoundObjectTable) {
  WmfPort port(200, 100, 96, nullptr);
  DrawSample(port);
  const std::string file = port.Finish();
  ParsedWmf wmf;
  ASSERT_TRUE(ParseWmf(file, wmf));
  EXPECT_EQ(wmf.right, 200);
  EXPECT_EQ(wmf.bottom, 100);
  EXPECT_EQ(wmf.inch, 96);
  // Only the objects kept for the whole file are left at the end.
  EXPECT_LE(wmf.objects.live.size(), 3u);
  EXPECT_LE(wmf.numberOfObjects, 7);
  EXPECT_EQ(port.Finish(), file) << "finishing twice gives the same file";
}

TEST(MetafileTest, WmfRecordsCarryTheDrawing) {
  WmfPort port(200, 100, 96, nullptr);
  DrawSample(port);
  ParsedWmf wmf;
  ASSERT_TRUE(ParseWmf(port.Finish(), wmf));

  const auto rops = OfType(wmf.records, wmf::kSetRop2);
  ASSERT_FALSE(rops.empty());
  EXPECT_EQ(U16(rops.front()->params, 0), gdi::kRopMaskPen);

  const auto patterns = OfType(wmf.records, wmf::kDibCreatePatternBrush);
  ASSERT_EQ(patterns.size(), 1u);
  const std::string& dib = patterns[0]->params;
  EXPECT_EQ(U32(dib, 4), 40u);     // bitmap header size
  EXPECT_EQ(U16(dib, 4 + 14), 1);  // one bit per pixel
  // Colour 0 is the object colour (blue, green, red order), colour 1 white.
  EXPECT_EQ(U32(dib, 4 + 40), 0x00FF0000u);
  EXPECT_EQ(U32(dib, 4 + 44), 0x00FFFFFFu);
  // Rows are stored bottom-up, four bytes each: pattern 13 is AA 55 ...
  EXPECT_EQ(static_cast<uint8_t>(dib[4 + 48]), 0x55);
  EXPECT_EQ(static_cast<uint8_t>(dib[4 + 48 + 28]), 0xAA);

  const auto rects = OfType(wmf.records, wmf::kRectangle);
  ASSERT_EQ(rects.size(), 2u);
  // A fill without a pen covers one more on the right and bottom; the frame does not.
  EXPECT_EQ(I16(rects[0]->params, 0), 41);
  EXPECT_EQ(I16(rects[0]->params, 2), 31);
  EXPECT_EQ(I16(rects[0]->params, 4), 20);
  EXPECT_EQ(I16(rects[0]->params, 6), 10);
  EXPECT_EQ(I16(rects[1]->params, 0), 40);
  EXPECT_EQ(I16(rects[1]->params, 2), 30);

  const auto pens = OfType(wmf.records, wmf::kCreatePenIndirect);
  bool fatPen = false;
  for (const ParsedRecord* pen : pens)
    fatPen |= U16(pen->params, 0) == 0 && I16(pen->params, 2) == 6;
  EXPECT_TRUE(fatPen) << "width 4 drawn 6 wide";

  // The two-point ring is left out of the region.
  const auto regions = OfType(wmf.records, wmf::kPolyPolygon);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(U16(regions[0]->params, 0), 2);
  EXPECT_EQ(U16(regions[0]->params, 2), 4);
  EXPECT_EQ(U16(regions[0]->params, 4), 3);
  EXPECT_EQ(I16(regions[0]->params, 6 + 4 * 4), 30);  // first point of the third ring

  const auto texts = OfType(wmf.records, wmf::kTextOut);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(I16(texts[0]->params, 0), 6);
  EXPECT_EQ(texts[0]->params.substr(2, 6), "Caf\xE9 \x80");
  EXPECT_EQ(I16(texts[0]->params, 8), 34);
  EXPECT_EQ(I16(texts[0]->params, 10), 12);
  EXPECT_EQ(I16(texts[1]->params, 0), 1);
  EXPECT_EQ(static_cast<uint8_t>(texts[1]->params[2]), 54);

  const auto fonts = OfType(wmf.records, wmf::kCreateFontIndirect);
  bool arial = false;
  bool symbols = false;
  for (const ParsedRecord* font : fonts) {
    const std::string face = font->params.substr(18, 32).c_str();
    if (face == "Arial" && I16(font->params, 0) == -12) {
      arial = true;
      EXPECT_EQ(I16(font->params, 4), 300);
      EXPECT_EQ(I16(font->params, 8), 700);
    }
    if (face == "TOLVANEP") {
      symbols = true;
      EXPECT_EQ(I16(font->params, 0), -24);
      EXPECT_EQ(static_cast<uint8_t>(font->params[13]), gdi::kSymbolCharset);
    }
  }
  EXPECT_TRUE(arial);
  EXPECT_TRUE(symbols);
  EXPECT_EQ(OfType(wmf.records, wmf::kSaveDC).size(), 2u);
  EXPECT_EQ(OfType(wmf.records, wmf::kIntersectClipRect).size(), 2u);
}

TEST(MetafileTest, WmfHoldsCoordinatesAtTheSixteenBitEnds) {
  WmfPort port(100, 100, 96, nullptr);
  port.SetPen({kBlackColour, 1, PenStyle::kSolid});
  const std::vector<ScreenPoint> line = {{-100000, 5}, {100000, 70000}};
  port.Polyline(line);
  ParsedWmf wmf;
  ASSERT_TRUE(ParseWmf(port.Finish(), wmf));
  const auto lines = OfType(wmf.records, wmf::kPolyline);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(I16(lines[0]->params, 2), -32768);
  EXPECT_EQ(I16(lines[0]->params, 6), 32767);
  EXPECT_EQ(I16(lines[0]->params, 8), 32767);
}

TEST(MetafileTest, EmfReadsBackWithASoundObjectTable) {
  EmfPort port(300, 150, 96, nullptr);
  DrawSample(port);
  ParsedEmf emfFile;
  ASSERT_TRUE(ParseEmf(port.Finish(), emfFile));
  EXPECT_EQ(emfFile.bounds, (ScreenRect{0, 0, 299, 149}));
  EXPECT_EQ(emfFile.deviceWidth, 300);
  EXPECT_EQ(emfFile.millimetresWidth, 79);  // 300 / 96 inch
  EXPECT_TRUE(emfFile.objects.live.empty()) << "every object is deleted at the end";
}

TEST(MetafileTest, EmfRecordsCarryTheDrawing) {
  EmfPort port(300, 150, 96, nullptr);
  DrawSample(port);
  ParsedEmf emfFile;
  ASSERT_TRUE(ParseEmf(port.Finish(), emfFile));

  const auto patterns = OfType(emfFile.records, emf::kCreateDibPatternBrushPt);
  ASSERT_EQ(patterns.size(), 1u);
  const std::string& brush = patterns[0]->params;
  const uint32_t bmiOffset = U32(brush, 8) - 8;  // offsets count from the record's start
  const uint32_t bitsOffset = U32(brush, 16) - 8;
  EXPECT_EQ(U32(brush, bmiOffset), 40u);
  EXPECT_EQ(U32(brush, 20), 32u);
  EXPECT_EQ(static_cast<uint8_t>(brush[bitsOffset]), 0x55);

  const auto texts = OfType(emfFile.records, emf::kExtTextOutW);
  ASSERT_EQ(texts.size(), 2u);
  const std::string& text = texts[0]->params;
  EXPECT_FLOAT_EQ(std::bit_cast<float>(U32(text, 20)), 2540.0f / 96.0f);
  EXPECT_EQ(I32(text, 28), 12);  // reference point
  EXPECT_EQ(I32(text, 32), 34);
  ASSERT_EQ(U32(text, 36), 6u);
  const uint32_t stringOffset = U32(text, 40) - 8;
  const char16_t expected[] = {u'C', u'a', u'f', 0x00E9, u' ', 0x20AC};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(U16(text, stringOffset + 2 * i), expected[i]) << i;
  const uint32_t dxOffset = U32(text, 64) - 8;
  ASSERT_LE(dxOffset + 6 * 4, text.size());
  for (size_t i = 0; i < 6; ++i) EXPECT_GT(I32(text, dxOffset + 4 * i), 0);

  const std::string& symbol = texts[1]->params;
  EXPECT_EQ(U16(symbol, U32(symbol, 40) - 8), 0xF000 + 54);
  EXPECT_EQ(I32(symbol, U32(symbol, 64) - 8), 24) << "a symbol advances one em";

  const auto regions = OfType(emfFile.records, emf::kPolyPolygon);
  ASSERT_EQ(regions.size(), 1u);
  EXPECT_EQ(U32(regions[0]->params, 16), 2u);
  EXPECT_EQ(U32(regions[0]->params, 20), 7u);

  const auto fonts = OfType(emfFile.records, emf::kExtCreateFontIndirectW);
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts[0]->params.size(), 4u + emf::kLogFontPanoseSize);
  EXPECT_EQ(I32(fonts[0]->params, 4), -12);
  EXPECT_EQ(U16(fonts[0]->params, 4 + 28), u'A');
}

TEST(MetafileTest, TextInASymbolFontIsWrittenAsSymbols) {
  EmfPort emfPort(100, 100, 96, nullptr);
  emfPort.SetFont(MakeNumberedFont(kFontSymbols, 18, 0, 0, DeviceKind::kMetafile, false));
  emfPort.DrawText(5, 5, "\x36");
  ParsedEmf emfFile;
  ASSERT_TRUE(ParseEmf(emfPort.Finish(), emfFile));
  const auto texts = OfType(emfFile.records, emf::kExtTextOutW);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(U16(texts[0]->params, U32(texts[0]->params, 40) - 8), 0xF036);
  EXPECT_EQ(I32(texts[0]->params, U32(texts[0]->params, 64) - 8), 24);
  const auto fonts = OfType(emfFile.records, emf::kExtCreateFontIndirectW);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(static_cast<uint8_t>(fonts[0]->params[4 + 23]), gdi::kSymbolCharset);
  EXPECT_EQ(U16(fonts[0]->params, 4 + 28), u'T');  // "TOLVANEP": picture files use paper
}

TEST(MetafileTest, NothingDrawnGivesAnEmptyButValidFile) {
  WmfPort wmfPort(10, 10, 72, nullptr);
  ParsedWmf wmf;
  ASSERT_TRUE(ParseWmf(wmfPort.Finish(), wmf));
  EXPECT_EQ(wmf.inch, 72);
  EmfPort emfPort(10, 10, 72, nullptr);
  ParsedEmf emfFile;
  ASSERT_TRUE(ParseEmf(emfPort.Finish(), emfFile));
  // Drawing after the end changes nothing.
  const std::string before = emfPort.Finish();
  emfPort.FillRect({0, 0, 5, 5});
  EXPECT_EQ(emfPort.Finish(), before);
}

}  // namespace
}  // namespace tlv
