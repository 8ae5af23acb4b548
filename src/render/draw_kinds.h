// What the files that each draw one kind of object share with DrawObject, which reads the
// object's graphics once and hands it to them. Not for use outside render/.
#pragma once

#include <cstdint>

#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/graphics_tables.h"
#include "store/buffered_file.h"
#include "store/object_record.h"

namespace tlv::draw_kinds {

// The object's graphics as drawn: the overlay's in override mode, a thematic code on top.
struct Look {
  ObjectGraphics graphics;
  int16_t colourCode = kColourBlack;
  RGBColour custom;
};

// Pens and brushes with the raster mode of the pass: NOT-XOR for single-object feedback,
// otherwise what the line style or fill pattern asks for.
void SetLinePen(DrawPass& pass, const Look& look, RGBColour colour, bool keepVisible);
void SetFillBrush(DrawPass& pass, int16_t pattern, RGBColour colour);
// Pattern 4 stands in for what cannot be drawn (a text too small, a missing picture).
void FillWithFallbackPattern(DrawPass& pass, const ScreenRect& rect, RGBColour colour);
void FillWhite(DrawPort& port, const ScreenRect& rect);
// Boxes of texts and pictures wider or taller than 30000 pixels (or turned inside out).
bool BoxTooBig(const ScreenRect& r);

// A track line: the segment and trunc(length / 10) cross ticks along it.
void DrawTrackLine(DrawPort& port, ScreenPoint a, ScreenPoint b);
// One cross tick centred on (cx, cy), perpendicular to the unit direction (ux, uy).
void DrawTrackTick(DrawPort& port, double cx, double cy, double ux, double uy);
// The ticks of a track line around the ellipse in box: trunc(circumference / 10) of them, 10
// pixels apart along it, across it; those away from area are left out.
void DrawEllipseTrackTicks(DrawPort& port, const ScreenRect& box, const ScreenRect& area);

// The drawn segment a polyline's label follows.
struct PolylineResult {
  bool haveSegment = false;
  ScreenPoint a;
  ScreenPoint b;
};
// Reads the points and draws each segment with the current pen, clipped to the view; finds the
// label segment when labels are on.
int32_t DrawPolylinePath(DrawPass& pass, BufferedFile& file, int32_t position, bool track,
                         PolylineResult& result);

// One function per kind; each returns 0 or a read failure's code.
void DrawRectOrCircle(DrawPass& pass, bool circle, const Look& look, const ScreenRect& screen,
                      RGBColour colour);
void DrawPointObject(DrawPass& pass, const WRect& rect, const Look& look, RGBColour colour);
int32_t DrawPolylineObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                           RGBColour colour, PolylineResult& line);
int32_t DrawPolygonObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                          RGBColour colour, ScreenPoint& labelPoint, bool& haveLabelPoint);
void DrawTextObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                    const ScreenRect& box, RGBColour colour);
void DrawPictureObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                       const ScreenRect& box, RGBColour colour);

// The object's name label: along the chosen segment of a polyline, at the inside point of a
// polygon, otherwise under the object (beside it in picture files).
void DrawLabel(DrawPass& pass, BufferedFile& file, int32_t position, int16_t type, const Look& look,
               const ScreenRect& screen, const PolylineResult& line, bool havePoint,
               ScreenPoint point);

}  // namespace tlv::draw_kinds
