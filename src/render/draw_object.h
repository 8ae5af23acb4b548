// Drawing one object of an overlay file onto a DrawPort: rectangles, circles, symbols, polylines
// (with clipping, track lines and the label score), polygons, texts fitted to their boxes,
// pictures, and the name labels. The drawing pass (draw_map.h) sets up the state these read.
// DrawObject dispatches to one file per kind (draw_rect, draw_symbol, draw_polyline,
// draw_polygon, draw_text, draw_picture, draw_labels); draw_mapping holds what they share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/world_types.h"
#include "geometry/screen.h"
#include "render/draw_port.h"
#include "store/buffered_file.h"
#include "store/object_record.h"

namespace tlv {

// World to pixel mapping with integers only: the pixel extent is widened to a power of two and
// a coordinate is found by halving the world and pixel intervals together.
class IntegerAxis {
 public:
  // world0..world1 shows on pixels pixel0..pixel0 + pixels.
  void Setup(int32_t world0, int32_t world1, int32_t pixel0, int32_t pixels);
  // The same result as MapByHalving, from a table of the world values the halving compares
  // with, so a coordinate costs a guess and a step or two instead of a dozen halvings.
  int32_t Map(int32_t c) const;
  // The halving itself: both intervals are halved until one pixel is left.
  int32_t MapByHalving(int32_t c) const;
  int32_t Power() const { return power_; }

 private:
  void Shift(int32_t c, int64_t& steps) const;

  int64_t w0_ = 0;
  int64_t w1_ = 1;
  int64_t p0_ = 0;
  int32_t power_ = 2;
  double pixelsPerUnit_ = 1.0;  // for the first guess only
  // bounds_[m] is the world value the halving compares with when its pixel midpoint is m.
  std::vector<int64_t> bounds_;
};

class IntegerMapping {
 public:
  // world: x1 left, y1 bottom, x2 right, y2 top; area: the pixels that show it.
  void Setup(const WRect& world, const ScreenRect& area);
  ScreenPoint Map(WPoint p) const { return {MapX(p.x), MapY(p.y)}; }
  int32_t MapX(int32_t x) const { return x_.Map(x); }
  // Latitudes are mapped like longitudes and then flipped, y growing downward.
  int32_t MapY(int32_t y) const { return flip_ - y_.Map(y); }
  // Top-left from (x1, y2), bottom-right from (x2, y1).
  ScreenRect MapRect(const WRect& r) const;

 private:
  IntegerAxis x_;
  IntegerAxis y_;
  int32_t flip_ = 0;
};

// What DrawMap asks of the pass.
struct DrawOptions {
  bool patternedOnly = false;    // only area objects with a pattern other than solid or empty
  bool unpatternedOnly = false;  // everything except those
  bool fastMode = false;         // outlines only, polygons filled ring by ring
};

// Labels queued while an overlay draws and drawn after it, opaque, centred on their point.
constexpr int32_t kMaxDeferredLabels = 20;
constexpr size_t kDeferredLabelLength = 50;
struct DeferredLabel {
  std::string text;
  WPoint point;
  int16_t colourIndex = 1;
};

// The per-overlay drawing state that PrepareLayerDrawGlobals sets.
struct LayerDrawState {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  bool labels = false;
  bool dots = false;
  bool graphicsOverride = false;
  ObjectGraphics defaults;
  RGBColour overlayColour;
  WRect overlayRect;  // the overlay's rectangle on this map, outset by 100 world units
  std::string mapFolder;
};

// A thematic override of one object's graphics, decoded from its 5-character code.
struct ThematicOverride {
  bool hidden = false;
  bool customColour = false;
  RGBColour colour;
  int16_t colourCode = -1;  // -1: not overridden
  int16_t fillPattern = -1;
  int16_t lineType = -1;
  int16_t symbol = -1;
  int16_t lineWidth = -1;
};
// "R" + red, green, blue bytes + pattern character, or five field characters; "X" keeps a field
// and "0" anywhere hides the object.
ThematicOverride DecodeThematicCode(const char code[5]);

// Whether the user wants the pass to stop (a key or a click is waiting).
using InterruptCheck = std::function<bool()>;

// A picture file read into 32-bit ARGB pixels, rows top to bottom.
struct PictureImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};
using PictureReader = std::function<bool(const std::string& path, PictureImage& image)>;
void SetPictureReader(PictureReader reader);
// The reader in use (empty when none is installed), for other pictures drawn under the map.
const PictureReader& CurrentPictureReader();

struct DrawPass {
  DrawPort* port = nullptr;
  WRect view;       // the view's world rectangle (x1 left, y1 bottom, x2 right, y2 top)
  ScreenRect area;  // the pixels that show it
  IntegerMapping mapping;
  DrawOptions options;
  bool singleObject = false;  // highlight or drag feedback in NOT-XOR, not interruptible
  bool printerFont = false;
  bool fatLines = false;
  LayerDrawState layer;
  const ThematicOverride* thematic = nullptr;  // the current object's, when any
  std::vector<DeferredLabel> deferred;
  InterruptCheck interrupted;
  // Where an interrupted pass stopped.
  bool stopped = false;
  int32_t stopMapID = 0;
  int32_t stopOverlayID = 0;
  int32_t stopPosition = -1;
  // A stop point of an earlier interrupted pass of the same view: this pass stops there too.
  bool haveEarlierStop = false;
  int32_t earlierStopMapID = 0;
  int32_t earlierStopOverlayID = 0;
  int32_t earlierStopPosition = -1;
};

constexpr int32_t kDrawStopped = -1;
// Objects farther than this off the map are not drawn even as track lines' vertices.
constexpr int32_t kOverlayRectMargin = 100;
constexpr int32_t kMaxTextBoxPixels = 30000;
constexpr int32_t kTrackTickSpacing = 10;
constexpr int32_t kTrackTickReach = 5;
constexpr int32_t kDotMinimumSize = 1;

// Draws the object at position of the object file in slot 0 (made current by the caller).
// Returns 0, kDrawStopped when the interruption check fired (the stop point is recorded), or a
// read failure's code (already reported).
int32_t DrawObject(DrawPass& pass, BufferedFile& file, int32_t position);
// Fills all rings of a polygon (alternate filling) and finds the label point inside it.
int32_t DrawPolygon(DrawPass& pass, BufferedFile& file, int32_t position,
                    const ObjectGraphics& graphics, RGBColour colour, ScreenPoint& labelPoint,
                    bool& haveLabelPoint);

// The screen points of rings of world points, with duplicates dropped and rings of more than
// two points closed; rings left with fewer than three points are dropped. Exposed for tests.
void RingsToScreen(const IntegerMapping& mapping, const std::vector<WPoint>& points,
                   const std::vector<int32_t>& ringStarts, std::vector<ScreenPoint>& out,
                   std::vector<int32_t>& ringSizes);

// The label score of one drawn segment (higher is a better place for the label), given its
// stored ends a and b (not the ends clipped to the view) and their pixels.
int32_t SegmentLabelScore(const WRect& view, const ScreenRect& area, double pixelsPerInch, WPoint a,
                          WPoint b, ScreenPoint sa, ScreenPoint sb);
// Cuts a segment to a world rectangle; false when nothing of it lies inside.
bool ClipSegmentToWRect(const WRect& r, WPoint& a, WPoint& b);

// The font size at which lines fit a box of the given pixel size, 0 when none does.
int32_t FitTextSize(DrawPort& port, const std::vector<std::string>& lines, int16_t fontNumber,
                    int16_t style, int32_t boxWidth, int32_t boxHeight, bool pictureFile);
// Lines of a text object: carriage returns separate them (a following line feed is dropped).
std::vector<std::string> SplitTextLines(const std::string& text);

}  // namespace tlv
