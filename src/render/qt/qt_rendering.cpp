#include "render/qt/qt_rendering.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImageReader>

#include <algorithm>
#include <chrono>

#include "render/qt/qt_draw_port.h"

namespace tlv {
namespace {

constexpr auto kInputCheckInterval = std::chrono::milliseconds(20);

std::chrono::steady_clock::time_point lastInputCheck;
bool inputChecked = false;
bool checkingInput = false;

// Takes key presses and clicks that arrive while a pass looks for them.
class InputCatcher : public QObject {
 public:
  bool seen = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        seen = true;
        return true;
      case QEvent::KeyRelease:
      case QEvent::MouseButtonRelease:
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }
};

}  // namespace

bool QtInputWaiting() {
  if (checkingInput || QCoreApplication::instance() == nullptr) return false;
  const auto now = std::chrono::steady_clock::now();
  if (inputChecked && now - lastInputCheck < kInputCheckInterval) return false;
  inputChecked = true;
  lastInputCheck = now;
  checkingInput = true;
  InputCatcher catcher;
  QCoreApplication::instance()->installEventFilter(&catcher);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::instance()->removeEventFilter(&catcher);
  checkingInput = false;
  return catcher.seen;
}

void ResetInputCheckForTesting() {
  inputChecked = false;
  checkingInput = false;
}

bool ReadPictureWithQt(const std::string& path, PictureImage& image) {
  QImageReader reader(QString::fromLocal8Bit(path.c_str()));
  reader.setAutoTransform(true);
  QImage read = reader.read();
  if (read.isNull()) return false;
  read = read.convertToFormat(QImage::Format_ARGB32);
  image.width = read.width();
  image.height = read.height();
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(read.constScanLine(y));
    std::copy(row, row + image.width,
              image.pixels.begin() + static_cast<ptrdiff_t>(y) * image.width);
  }
  return true;
}

void InstallQtDrawing() {
  SetPictureReader(ReadPictureWithQt);
  SetTextMetricsPort([]() -> DrawPort* {
    // Text rectangles are measured with the fonts the screen draws them with.
    static QImage metricsImage(8, 8, QImage::Format_RGB32);
    static QtDrawPort port(metricsImage, DeviceKind::kScreen);
    return &port;
  });
}

int32_t RenderViewToImage(QImage& image, const MapView& view, const DrawMapRequest& request,
                          DeviceKind kind) {
  image.fill(Qt::white);
  QtDrawPort port(image, kind);
  return DrawMap(port, view, {0, 0, image.width(), image.height()}, request);
}

}  // namespace tlv
