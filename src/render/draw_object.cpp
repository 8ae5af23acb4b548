// DrawObject: reads an object's kind and graphics, resolves its look (overlay defaults, custom
// colour, thematic code), filters it by the pass's options and hands it to the file that draws
// its kind; then its label. The pens and brushes all kinds share live here too.
#include "render/draw_object.h"

#include <string>

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/maps.h"
#include "geometry/wrect.h"
#include "render/draw_kinds.h"
#include "render/graphics_tables.h"

namespace tlv {
namespace {

constexpr const char* kUnknownTypeText = "Technical error while drawing: Unknown object type: %ld";
constexpr const char* kUnknownTypeOffsetText = "%sOffset: %ld";

// Which value of a thematic code character: digits are themselves, letters count on from 9.
int16_t ThematicDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<int16_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<int16_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'z') return static_cast<int16_t>(c - 'a' + 10);
  return -1;
}

}  // namespace

namespace draw_kinds {
namespace {

Look ResolveLook(const DrawPass& pass, const ObjectGraphics& own, bool customActive,
                 RGBColour customColour) {
  Look look;
  if (pass.layer.graphicsOverride) {
    look.graphics = pass.layer.defaults;
    look.colourCode = look.graphics.colour;
    look.custom = pass.layer.overlayColour;
  } else {
    look.graphics = own;
    look.colourCode = customActive ? kColourCustom : own.colour;
    look.custom = customColour;
  }
  if (const ThematicOverride* t = pass.thematic) {
    if (t->customColour) {
      look.colourCode = kColourCustom;
      look.custom = t->colour;
    } else if (t->colourCode >= 0) {
      look.colourCode = t->colourCode;
    }
    if (t->fillPattern >= 0) look.graphics.fillPattern = t->fillPattern;
    if (t->lineType >= 0) look.graphics.lineType = t->lineType;
    if (t->symbol >= 0) look.graphics.symbol = t->symbol;
    if (t->lineWidth >= 0) look.graphics.variant = t->lineWidth;
  }
  return look;
}

bool IsAreaKind(int16_t type) {
  return type == kRectangleObject || type == kCircleObject || type == kPolygonObject;
}

}  // namespace

void FillWithFallbackPattern(DrawPass& pass, const ScreenRect& rect, RGBColour colour) {
  DrawPort& port = *pass.port;
  port.SetRasterMode(RasterModeForPattern(kPatternFallback));
  port.SetBrush(BrushForPattern(kPatternFallback, colour, port.Kind()));
  port.FillRect(rect);
}

void FillWhite(DrawPort& port, const ScreenRect& rect) {
  port.SetRasterMode(RasterMode::kCopy);
  port.SetBrush(BrushForPattern(kPatternSolid, kWhiteColour, port.Kind()));
  port.FillRect(rect);
}

void SetLinePen(DrawPass& pass, const Look& look, RGBColour colour, bool keepVisible) {
  DrawPort& port = *pass.port;
  const int16_t style = look.graphics.lineType;
  port.SetPen(PenForLineStyle(style, look.graphics.variant, colour, pass.fatLines, keepVisible));
  if (pass.singleObject) {
    port.SetRasterMode(RasterMode::kNotXor);
  } else {
    // Track lines are plain one-pixel lines but combine with the map like every line that is
    // not solid; where a tick crosses the line, AND twice leaves what AND once did.
    port.SetRasterMode(RasterModeForLineStyle(style));
  }
}

void SetFillBrush(DrawPass& pass, int16_t pattern, RGBColour colour) {
  DrawPort& port = *pass.port;
  port.SetBrush(BrushForPattern(NormalizePattern(pattern), colour, port.Kind()));
  port.SetRasterMode(pass.singleObject ? RasterMode::kNotXor
                                       : RasterModeForPattern(NormalizePattern(pattern)));
}

}  // namespace draw_kinds

ThematicOverride DecodeThematicCode(const char code[5]) {
  ThematicOverride t;
  for (int i = 0; i < 5; ++i) {
    if (code[i] == '0' && !(code[0] == 'R' && i >= 1 && i <= 3)) t.hidden = true;
  }
  if (code[0] == 'R') {
    t.hidden = code[4] == '0';
    t.customColour = true;
    t.colour = {static_cast<uint8_t>(code[1]), static_cast<uint8_t>(code[2]),
                static_cast<uint8_t>(code[3])};
    if (code[4] != 'X') t.fillPattern = ThematicDigit(code[4]);
    return t;
  }
  if (code[0] != 'X') {
    const int16_t index = ThematicDigit(code[0]);
    if (index >= 0) t.colourCode = ColourCodeForIndex(index);
  }
  if (code[1] != 'X') t.fillPattern = ThematicDigit(code[1]);
  if (code[2] != 'X') t.lineType = ThematicDigit(code[2]);
  if (code[3] != 'X') t.symbol = static_cast<uint8_t>(code[3]);
  if (code[4] != 'X') t.lineWidth = ThematicDigit(code[4]);
  return t;
}

int32_t DrawObject(DrawPass& pass, BufferedFile& file, int32_t position) {
  using namespace draw_kinds;
  if (!pass.singleObject) {
    const bool atEarlierStop = pass.haveEarlierStop && pass.earlierStopMapID == pass.layer.mapID &&
                               pass.earlierStopOverlayID == pass.layer.overlayID &&
                               pass.earlierStopPosition == position;
    if (atEarlierStop || (pass.interrupted && pass.interrupted())) {
      pass.stopped = true;
      pass.stopMapID = pass.layer.mapID;
      pass.stopOverlayID = pass.layer.overlayID;
      pass.stopPosition = position;
      return kDrawStopped;
    }
  }
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  if (type == kAliasObject) return 0;
  WRect rect;
  err = FSGetObjectWorldRect(file, position, rect);
  if (err != 0) return err;
  if (pass.singleObject && !WRectsOverlap(rect, pass.view)) return 0;
  if (type < kRectangleObject || type > kPictureObject) {
    std::string text = FormatText(kUnknownTypeText, static_cast<long>(type));
    text += '\n';
    text += FormatText(kUnknownTypeOffsetText, "", static_cast<long>(position));
    ShowAlert(text, kStopAlert);
    return 0;
  }
  ObjectGraphics own;
  err = FSGetObjectGraphics(file, position, own);
  if (err != 0) return err;
  bool present = false, active = false;
  uint32_t rgb = 0;
  err = GetObjectCustomColour(file, position, present, active, rgb);
  if (err != 0) return err;
  const RGBColour custom{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                         static_cast<uint8_t>(rgb)};
  const Look look = ResolveLook(pass, own, present && active, custom);
  const RGBColour colour = ColourForCode(look.colourCode, look.custom);

  if (!pass.singleObject && IsAreaKind(type)) {
    const bool patterned = IsPatternedFill(NormalizePattern(look.graphics.fillPattern));
    if (pass.options.patternedOnly && !patterned) return 0;
    if (pass.options.unpatternedOnly && patterned) return 0;
  } else if (!pass.singleObject && pass.options.patternedOnly) {
    return 0;
  }

  const ScreenRect screen = pass.mapping.MapRect(rect);
  PolylineResult line;
  ScreenPoint labelPoint;
  bool haveLabelPoint = false;
  switch (type) {
    case kRectangleObject:
    case kCircleObject:
      DrawRectOrCircle(pass, type == kCircleObject, look, screen, colour);
      break;
    case kPointObject:
      DrawPointObject(pass, rect, look, colour);
      break;
    case kPolygonObject:
      err = DrawPolygonObject(pass, file, position, look, colour, labelPoint, haveLabelPoint);
      if (err != 0) return err;
      break;
    case kPolylineObject:
      err = DrawPolylineObject(pass, file, position, look, colour, line);
      if (err != 0) return err;
      break;
    case kTextObject:
      DrawTextObject(pass, file, position, look, screen, colour);
      break;
    case kPictureObject:
      DrawPictureObject(pass, file, position, look, screen, colour);
      break;
    default:
      break;
  }
  if (pass.layer.labels && !pass.singleObject) {
    DrawLabel(pass, file, position, type, look, screen, line, haveLabelPoint, labelPoint);
  }
  return 0;
}

}  // namespace tlv
