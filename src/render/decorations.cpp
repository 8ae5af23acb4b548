#include "render/decorations.h"

namespace tlv {

namespace {

bool Holds(const ScreenRect& box, ScreenPoint point) {
  return point.x >= box.left && point.x < box.right && point.y >= box.top && point.y < box.bottom;
}

}  // namespace

DecorationLayouts LayOutMapDecorations(DrawPort& port, const DecorationFrame& frame,
                                       const DecorationSettings& settings) {
  DecorationLayouts layouts;
  if ((settings.shown & kDecorationScaleBar) != 0) {
    layouts.scaleBar = MeasureScaleBar(port, frame.area, frame.scale, settings.scaleBar);
    layouts.shown |= kDecorationScaleBar;
  }
  const PictureImage* picture = settings.compassPicture;
  if ((settings.shown & kDecorationCompass) != 0 && picture != nullptr && picture->width > 0 &&
      picture->height > 0) {
    const int32_t factor =
        CompassEnlargement(frame.area.right - frame.area.left, frame.windowWidth);
    layouts.compass =
        LayOutCompass(frame.area, picture->width, picture->height, factor, settings.compass);
    layouts.shown |= kDecorationCompass;
  }
  if ((settings.shown & kDecorationTimeStamp) != 0) {
    layouts.timeStamp = MeasureTimeStamp(port, frame.area, settings.timeStamp, frame.time);
    layouts.shown |= kDecorationTimeStamp;
  }
  return layouts;
}

void DrawMapDecorations(DrawPort& port, const DecorationFrame& frame,
                        const DecorationSettings& settings) {
  if ((settings.shown & kDecorationScaleBar) != 0) {
    DrawScaleBar(port, frame.area, frame.scale, settings.scaleBar);
  }
  if ((settings.shown & kDecorationCompass) != 0 && settings.compassPicture != nullptr) {
    const int32_t factor =
        CompassEnlargement(frame.area.right - frame.area.left, frame.windowWidth);
    DrawCompass(port, frame.area, *settings.compassPicture, factor, settings.compass);
  }
  if ((settings.shown & kDecorationTimeStamp) != 0) {
    DrawTimeStamp(port, frame.area, settings.timeStamp, frame.time);
  }
}

ScreenRect DecorationBox(const DecorationLayouts& layouts, uint32_t which) {
  if ((layouts.shown & which) == 0) return {};
  switch (which) {
    case kDecorationScaleBar:
      return layouts.scaleBar.box;
    case kDecorationCompass:
      return layouts.compass.box;
    case kDecorationTimeStamp:
      return layouts.timeStamp.box;
    default:
      return {};
  }
}

uint32_t DecorationAt(const DecorationLayouts& layouts, ScreenPoint point) {
  for (const uint32_t which : {kDecorationTimeStamp, kDecorationCompass, kDecorationScaleBar}) {
    if ((layouts.shown & which) != 0 && Holds(DecorationBox(layouts, which), point)) return which;
  }
  return 0;
}

}  // namespace tlv
