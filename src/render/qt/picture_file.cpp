#include "render/qt/picture_file.h"

#include <QBuffer>
#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/dib_file.h"
#include "base/errors.h"
#include "base/replace_file.h"
#include "render/qt/qt_rendering.h"

namespace tlv {

int32_t SavePixelPicture(const std::string& path, PictureKind kind, const PictureRequest& picture,
                         PictureOutcome& outcome) {
  outcome = PictureOutcome();
  const char* failedCall = kind == PictureKind::kPng ? "SavePixelPicture()" : "SaveDIB()";
  if (!PictureSizeUsable(picture) || (kind != PictureKind::kBitmap && kind != PictureKind::kPng)) {
    outcome.failedCall = failedCall;
    return -3;
  }
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull()) {
    outcome.failedCall = failedCall;
    return kErrMemoryFull;
  }
  if (RenderViewToImage(image, picture.view, PictureDrawRequest(picture), DeviceKind::kBitmap) ==
          kDrawInterrupted &&
      picture.cancelled && picture.cancelled()) {
    return kPictureCancelled;
  }
  std::string bytes;
  if (kind == PictureKind::kPng) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
      outcome.failedCall = failedCall;
      return -1;
    }
    bytes.assign(encoded.constData(), static_cast<size_t>(encoded.size()));
  } else {
    DibSource source;
    source.width = image.width();
    source.height = image.height();
    source.argb = reinterpret_cast<const uint32_t*>(image.constBits());
    source.rowPixels = static_cast<int32_t>(image.bytesPerLine() / 4);
    source.pixelsPerInch = picture.screenPixelsPerInch;
    const int32_t err = EncodeDibFile(source, bytes);
    if (err != 0) {
      outcome.failedCall = failedCall;
      return err;
    }
  }
  const int32_t err = ReplaceFileContents(path, bytes);
  if (err != 0) {
    outcome.failedCall = failedCall;
    return err;
  }
  outcome.bytes = static_cast<int64_t>(bytes.size());
  return 0;
}

bool EncodeViewThumbnail(const QImage& shown, double aspect, int side, std::string& packed) {
  if (shown.isNull() || side < 1 || !(aspect > 0)) return false;
  int width = side;
  int height = side;
  if (aspect >= 1) {
    height = std::max(1, static_cast<int>(std::lround(side / aspect)));
  } else {
    width = std::max(1, static_cast<int>(std::lround(side * aspect)));
  }
  const QImage thumb = shown.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB32);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::memcpy(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width),
                thumb.constScanLine(y), static_cast<size_t>(width) * 4);
  }
  return EncodePackedDib({width, height, pixels.data(), width, 96.0}, packed) == 0;
}

}  // namespace tlv
