#include "shell/select_tool.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

#include "catalogue/layers.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "tools/basemap_bridge.h"

namespace tlv {
namespace {

// A press and release closer than this is a click.
constexpr int kClickSlop = 3;
constexpr int kObjectSettingsCommand = 401;
constexpr int kSelectObjectsCommand = 20702;
constexpr int kZoomToAreaCommand = 20712;

uint32_t DoubleClickTicks() {
  return static_cast<uint32_t>(QApplication::doubleClickInterval()) * 60u / 1000u;
}

}  // namespace

SelectTool::SelectTool(MainWindow& window) : window_(window) {
  chooser_ = [this](std::vector<int32_t>& ids) { return ChooseOverlaysDialog(&window_, ids); };
  popUp_ = [this](const QPoint& globalAt) { window_.ShowPopUpMenu("20700", globalAt); };
  window_.RegisterCommand(kSelectObjectsCommand, [this] { SelectInArea(); });
  window_.RegisterCommand(kZoomToAreaCommand, [this] { FitWorldRect(PickAreaBounds(area_)); });
}

bool SelectTool::IsClick(ScreenPoint at) const {
  return std::abs(at.x - pressAt_.x) + std::abs(at.y - pressAt_.y) <= kClickSlop;
}

void SelectTool::Press(ScreenPoint at, bool circle, bool toggle) {
  pressed_ = true;
  circle_ = circle;
  toggle_ = toggle;
  pressAt_ = at;
  dragAt_ = at;
  onObject_ = ObjectUnderScreenPoint(at);
}

void SelectTool::Move(ScreenPoint at) {
  if (pressed_) dragAt_ = at;
}

void SelectTool::Release(ScreenPoint at, const QPoint& globalAt) {
  if (!pressed_) return;
  pressed_ = false;
  dragAt_ = at;
  // A drag that starts on an object is that object's click, not an area.
  if (IsClick(at) || onObject_) {
    SelectClickResult result;
    SelectToolClick(pressAt_, toggle_, DoubleClickTicks(), result);
    if (result.repeated && window_.CommandRegistered(kObjectSettingsCommand)) {
      window_.DispatchCommand(kObjectSettingsCommand);
    }
    return;
  }
  area_ = ScreenDragArea(pressAt_, at, circle_);
  areaToggle_ = toggle_;
  // The dragged area is also the basemap's query area, which its pop-up's commands look in.
  SetBasemapQuery({PickAreaBounds(area_), area_.circle});
  popUp_(globalAt);
}

void SelectTool::SelectInArea() {
  std::vector<int32_t> ids = ShownOverlayIDs();
  if (!chooser_(ids) || ids.empty()) return;
  int32_t count = 0;
  SelectObjectsInArea(area_, ids, areaToggle_, count);
}

void SelectTool::Paint(QPainter& painter, ScreenPoint origin) const {
  if (!Dragging()) return;
  painter.save();
  painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  const QPoint from(pressAt_.x - origin.x, pressAt_.y - origin.y);
  const QPoint to(dragAt_.x - origin.x, dragAt_.y - origin.y);
  if (circle_) {
    const QPoint d = to - from;
    const int radius = static_cast<int>(std::lround(std::hypot(d.x(), d.y())));
    painter.drawEllipse(from, radius, radius);
  } else {
    painter.drawRect(QRect(from, to).normalized());
  }
  painter.restore();
}

bool ChooseOverlaysDialog(QWidget* parent, std::vector<int32_t>& ids) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Select Objects"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  for (const int32_t id : ids) {
    auto* item = new QListWidgetItem(FromWindows1252(LayerName(LayerIDToIndex(id))), list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    item->setData(Qt::UserRole, id);
  }
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  ids.clear();
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->checkState() == Qt::Checked) {
      ids.push_back(list->item(i)->data(Qt::UserRole).toInt());
    }
  }
  return true;
}

}  // namespace tlv
