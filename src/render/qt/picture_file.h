// The map view saved as pixels: a .BMP file written by our own bitmap writer (or PNG, for
// scripts), drawn as the screen draws a picture file. Like the metafiles, the file is written
// beside its target and renamed over it, so a failure keeps an older file whole.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

#include "render/picture_request.h"
#include "render/qt/qt_draw_port.h"

namespace tlv {

// kind is kBitmap or kPng. Returns 0, kPictureCancelled, or the failing step's code.
int32_t SavePixelPicture(const std::string& path, PictureKind kind, const PictureRequest& request,
                         PictureOutcome& outcome);

// A saved view's thumbnail: the picture scaled smoothly into at most side x side pixels with the
// given shape (width over height), as a packed 24-bit bitmap. False when it cannot be made.
bool EncodeViewThumbnail(const QImage& shown, double aspect, int side, std::string& packed);

// The port that measures text for a metafile: the screen's fonts on a scratch image.
class PictureMeasurer {
 public:
  PictureMeasurer() : image_(8, 8, QImage::Format_RGB32), port_(image_, DeviceKind::kMetafile) {}
  DrawPort* Port() { return &port_; }

 private:
  QImage image_;
  QtDrawPort port_;
};

}  // namespace tlv
