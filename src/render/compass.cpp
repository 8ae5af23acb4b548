#include "render/compass.h"

#include <algorithm>
#include <cmath>

namespace tlv {

namespace {

constexpr double kDefaultX = 0.2;
constexpr double kDefaultY = 0.2;

}  // namespace

int32_t CompassEnlargement(int32_t areaWidth, int32_t windowWidth) {
  if (areaWidth <= 0 || windowWidth <= 0) return 1;
  return std::max<int32_t>(1, static_cast<int32_t>(std::lround(double(areaWidth) / windowWidth)));
}

CompassLayout LayOutCompass(const ScreenRect& area, int32_t width, int32_t height, int32_t factor,
                            const CompassOptions& options) {
  factor = std::max<int32_t>(1, factor);
  const int32_t w = std::max<int32_t>(0, width) * factor;
  const int32_t h = std::max<int32_t>(0, height) * factor;
  CompassLayout layout;
  layout.picture =
      PlaceDecorationBox(area, options.positionX, options.positionY, kDefaultX, kDefaultY, w, h);
  const ScreenRect& p = layout.picture;
  layout.box = {p.left - kDecorationBoxGrowth, p.top - kDecorationBoxGrowth,
                p.right + kDecorationBoxGrowth, p.bottom + kDecorationBoxGrowth};
  return layout;
}

bool DrawCompass(DrawPort& port, const ScreenRect& area, const PictureImage& picture,
                 int32_t factor, const CompassOptions& options) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() <
          static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
    return false;
  }
  const CompassLayout layout = LayOutCompass(area, picture.width, picture.height, factor, options);
  return port.DrawPixels(layout.picture, picture.width, picture.height, picture.pixels.data(),
                         RasterMode::kMask);
}

}  // namespace tlv
