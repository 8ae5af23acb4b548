#include "shell/copy_commands.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/draw_request.h"
#include "base/errors.h"
#include "base/platform.h"
#include "edit/selection.h"
#include "geometry/screen.h"
#include "interchange/copy_text.h"
#include "render/map_view.h"
#include "render/qt/qt_rendering.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

bool Near(const ScreenPoint& a, const ScreenPoint& b) {
  return std::abs(a.x - b.x) <= kCrossHitPixels && std::abs(a.y - b.y) <= kCrossHitPixels;
}

// Opens the Click Point or Marked Point pop-up for a right click on its cross; other clicks go
// on to the map area.
class CrossPopUps : public QObject {
 public:
  explicit CrossPopUps(MainWindow& window) : QObject(&window), window_(window) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return QObject::eventFilter(watched, event);
    const QPoint local = mouse->position().toPoint();
    const ScreenRect area = MapArea();
    const ScreenPoint at{local.x() + area.left, local.y() + area.top};
    const ViewMapping mapping = CurrentViewMapping();
    const auto* widget = static_cast<QWidget*>(watched);
    if (MarkedPointSet() && Near(at, WorldToScreenPoint(mapping, MarkedPoint()))) {
      window_.ShowPopUpMenu("20300", widget->mapToGlobal(local));
      return true;
    }
    if (Near(at, WorldToScreenPoint(mapping, ClickPoint()))) {
      window_.ShowPopUpMenu("20000", widget->mapToGlobal(local));
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  MainWindow& window_;
};

void CopyMapPicture() {
  const QImage picture = MapAreaPicture();
  std::vector<uint32_t> pixels(static_cast<size_t>(picture.width()) *
                               static_cast<size_t>(picture.height()));
  const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < argb.height(); ++row) {
    const auto* line = reinterpret_cast<const uint32_t*>(argb.constScanLine(row));
    std::copy(line, line + argb.width(),
              pixels.begin() + static_cast<std::ptrdiff_t>(row) * argb.width());
  }
  if (picture.isNull() ||
      !Platform().SetClipboardImage(picture.width(), picture.height(), pixels)) {
    ShowAlert("Unable to open the clipboard.", kStopAlert);
  }
}

bool SomethingSelected() {
  return SelectedObjectCount() > 0;
}

}  // namespace

QImage MapAreaPicture() {
  const ScreenRect area = MapArea();
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  DrawMapRequest request = StandardDrawRequest();
  request.interrupted = [] { return false; };
  RenderViewToImage(image, CurrentMapView(), request);
  return image;
}

void RegisterCopyCommands(MainWindow& window) {
  const auto copyClickPoint = [] { PopInfoCopyText(kClickPointMenu, kCopyClickPointItem); };
  window.RegisterCommand(kCopyClickPointItem, copyClickPoint);
  window.RegisterCommand(20626, copyClickPoint);
  window.RegisterCommand(
      kCopyMarkedPointItem, [] { PopInfoCopyText(kMarkedPointMenu, kCopyMarkedPointItem); },
      [] { return MarkedPointSet(); });
  for (const int32_t item : {kCopyObjectNameItem, kCopyObjectLatLongItem, kCopyObjectRecordItem}) {
    window.RegisterCommand(
        item, [item] { PopInfoCopyText(kObjectMenu, item); }, SomethingSelected);
  }
  window.RegisterCommand(kCopyMapPictureCommand, CopyMapPicture);
  if (QWidget* map = window.MapWidget()) map->installEventFilter(new CrossPopUps(window));
}

}  // namespace tlv
