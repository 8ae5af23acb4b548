// Picture objects: the picture file from the map's folder scaled into the object's box, pattern
// 4 when it cannot be drawn.
#include <string>
#include <utility>

#include "render/draw_kinds.h"

namespace tlv {
namespace {

PictureReader& Reader() {
  static PictureReader reader;
  return reader;
}

}  // namespace

void SetPictureReader(PictureReader reader) {
  Reader() = std::move(reader);
}

const PictureReader& CurrentPictureReader() {
  return Reader();
}

namespace draw_kinds {

void DrawPictureObject(DrawPass& pass, BufferedFile& file, int32_t position, const Look& look,
                       const ScreenRect& box, RGBColour colour) {
  DrawPort& port = *pass.port;
  if (look.graphics.textFlag != 0 && !BoxTooBig(box)) FillWhite(port, box);
  std::string name;
  bool drawn = false;
  if (FSGetObjectPICTFile(file, position, name) == 0 && !name.empty() && Reader() &&
      !pass.layer.mapFolder.empty()) {
    PictureImage image;
    std::string path = pass.layer.mapFolder;
    if (path.back() != '/') path += '/';
    path += name;
    if (Reader()(path, image) && image.width > 0 && image.height > 0 &&
        image.pixels.size() == static_cast<size_t>(image.width) * image.height) {
      drawn = port.DrawPixels(box, image.width, image.height, image.pixels.data());
    }
  }
  if (!drawn) FillWithFallbackPattern(pass, box, colour);
}

}  // namespace draw_kinds
}  // namespace tlv
