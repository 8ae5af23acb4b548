#include "shell/map_area.h"
#include "app/draw_request.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>

#include "app/config.h"
#include "app/map_decorations.h"
#include "app/preferences.h"
#include "app/reference_views.h"
#include "edit/selection.h"
#include "platform/qt/text_codec.h"
#include "render/qt/qt_draw_port.h"
#include "render/qt/qt_rendering.h"
#include "render/selection_tags.h"
#include "search/pick.h"
#include "search/show_on_map.h"
#include "shell/commands.h"
#include "shell/draw_tools.h"
#include "shell/input_script.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/select_tool.h"

namespace tlv {
namespace {

// A press and release closer than this is a click, not a rectangle or a drag.
constexpr int kClickSlop = 3;
constexpr int kClickMarkReach = 6;
constexpr int kDeleteCommand = 202;
// A flash draws the object and takes it off twice.
constexpr int kFlashToggles = 4;
constexpr unsigned long kFlashPauseMs = 120;
// The reference view's marker steps its dashes every 3 ticks of 1/60 second.
constexpr int kMarkerStepMs = 50;

bool IsSelectTool(int tool) {
  return tool == kSelectRectangleTool || tool == kSelectCircleTool;
}

std::vector<ObjectRef> AllSelected() {
  std::vector<ObjectRef> objects;
  ObjectRef object;
  for (int32_t i = 0; GetSelectedObject(i, object); ++i) objects.push_back(object);
  return objects;
}

}  // namespace

MapPane::MapPane(MainWindow& window)
    : QObject(&window),
      window_(window),
      widget_(window.MapWidget()),
      select_(std::make_unique<SelectTool>(window)),
      draw_(std::make_unique<DrawTools>(window)) {
  widget_->installEventFilter(this);
  // The pointer's place shows in the information bar, and rubber bands follow it between clicks.
  widget_->setMouseTracking(true);
  draw_->SetRepaint([this] { ShowOnly(); });
  draw_->InstallToolChoices();
  window_.SetClickPointFlashHandler([this](bool shown) {
    markShown_ = shown;
    ShowOnly();
  });
  // The time stamp shows the minute: a new one is laid over the kept pass.
  window_.SetClockRepaintHandler([this] {
    if (GetPref(Pref::kTimeStampShown) != 0) Recompose();
  });
  auto* marker = new QTimer(this);
  marker->setInterval(kMarkerStepMs);
  QObject::connect(marker, &QTimer::timeout, this, [this] { MarkerStep(); });
  marker->start();
}

// The pane goes with its window, which takes the flash handler with it.
MapPane::~MapPane() = default;

void MapPane::ScheduleRedraw() {
  if (drawing_) {
    again_ = true;
    return;
  }
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    Redraw();
  });
}

int32_t MapPane::Redraw() {
  if (drawing_) {
    again_ = true;
    return 0;
  }
  drawing_ = true;
  int32_t result = 0;
  do {
    again_ = false;
    const QSize size = widget_->size();
    if (size.isEmpty()) break;
    if (pass_.size() != size) pass_ = QImage(size, QImage::Format_RGB32);
    DrawMapRequest request = StandardDrawRequest();
    request.interrupted = QtInputWaiting;
    request.decorations = false;
    result = RenderViewToImage(pass_, CurrentMapView(), request);
    ++passes_;
    passComplete_ = !DrawIncomplete();
    Compose();
    ShowIncomplete(DrawIncomplete());
    // A pass stopped by the user is not started again by the events that stopped it.
    if (result != 0) again_ = false;
  } while (again_);
  drawing_ = false;
  ShowOnly();
  return result;
}

void MapPane::Compose() {
  image_ = pass_.copy();
  layouts_ = DecorationLayouts();
  if (image_.isNull()) return;
  const ScreenRect area{0, 0, image_.width(), image_.height()};
  if (passComplete_) {
    QtDrawPort port(image_, DeviceKind::kScreen);
    DrawMapDecorationsOver(port, CurrentMapView(), area);
    const ViewMapping mapping{ViewWorldRectFor(CurrentMapView(), area, ViewScaleFactorK()), area};
    layouts_ = LayOutMapDecorations(port, DecorationFrameFor(mapping, CurrentMapView().scale),
                                    DecorationSettingsFromPreferences(DeviceKind::kScreen));
  }
  ToggleTagsOnImage(AllSelected());
  if (afterPass_) afterPass_(image_);
}

void MapPane::Recompose() {
  // A pass in progress composes when it ends.
  if (drawing_ || pass_.isNull()) return;
  Compose();
  ShowOnly();
}

void MapPane::MarkerStep() {
  if (drawing_ || !passComplete_ || pass_.isNull() || !widget_->isVisible() ||
      !window_.isActiveWindow() || !ReferenceInsetDrawn()) {
    return;
  }
  StepReferenceMarkerPhase();
  Recompose();
}

void MapPane::ToggleTagsOnImage(const std::vector<ObjectRef>& objects) {
  if (image_.isNull() || objects.empty()) return;
  QtDrawPort port(image_, DeviceKind::kScreen);
  DrawSelectionTags(port, CurrentMapView(), {0, 0, image_.width(), image_.height()}, objects, false,
                    ConfiguredTagColour(Config().selectionTagColor));
}

void MapPane::ToggleTags(const std::vector<ObjectRef>& objects) {
  ToggleTagsOnImage(objects);
  ShowOnly();
}

void MapPane::ToggleOnImage(const std::function<void(QImage& image)>& draw) {
  if (image_.isNull()) return;
  draw(image_);
  ShowOnly();
}

void MapPane::Flash(const ObjectRef& object) {
  if (image_.isNull()) return;
  for (int i = 0; i < kFlashToggles; ++i) {
    QtDrawPort port(image_, DeviceKind::kScreen);
    DrawSingleObject(port, CurrentMapView(), {0, 0, image_.width(), image_.height()}, object.mapID,
                     object.overlayID, object.position);
    ShowOnly();
    QThread::msleep(kFlashPauseMs);
  }
}

void MapPane::ShowIncomplete(bool incomplete) {
  auto* status = qobject_cast<QLabel*>(window_.Frame()->StatusLine());
  if (status == nullptr) return;
  QFont font = status->font();
  if (incomplete) {
    font.setBold(true);
    status->setFont(font);
    window_.ShowMessageLine(QString::fromLatin1(kDrawIncompleteText), false);
  } else if (font.bold()) {
    font.setBold(false);
    status->setFont(font);
    if (window_.MessageLine() == QString::fromLatin1(kDrawIncompleteText)) {
      window_.ShowMessageLine(QString(), false);
    }
  }
}

void MapPane::ShowOnly() {
  showOnly_ = true;
  widget_->repaint();
  showOnly_ = false;
}

void MapPane::Paint(QWidget* widget) {
  QPainter painter(widget);
  if (image_.isNull()) {
    painter.fillRect(widget->rect(), Qt::white);
  } else if (pressed_ && tool_ == kDragViewTool) {
    painter.fillRect(widget->rect(), Qt::white);
    painter.drawImage(dragAt_ - pressAt_, image_);
  } else {
    painter.drawImage(0, 0, image_);
  }
  if (pressed_ && tool_ == kZoomInTool && (dragAt_ - pressAt_).manhattanLength() > kClickSlop) {
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    if (draw_->FromCentre(kZoomInTool)) {
      const QPoint d(std::abs(dragAt_.x() - pressAt_.x()), std::abs(dragAt_.y() - pressAt_.y()));
      painter.drawRect(QRect(pressAt_ - d, pressAt_ + d));
    } else {
      painter.drawRect(QRect(pressAt_, dragAt_).normalized());
    }
  }
  if (pressed_ && IsSelectTool(tool_)) {
    const ScreenRect area = MapArea();
    select_->Paint(painter, {area.left, area.top});
  }
  if (draw_->Tool() == window_.CurrentTool()) {
    const ScreenRect area = MapArea();
    draw_->Paint(painter, {area.left, area.top});
  }
  if (markShown_) {
    // The Click Point flashes as an inverted cross.
    const ScreenRect area = MapArea();
    const ScreenPoint p = WorldToScreenPoint(CurrentViewMapping(), ClickPoint());
    const int x = p.x - area.left;
    const int y = p.y - area.top;
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(x - kClickMarkReach, y, x + kClickMarkReach, y);
    painter.drawLine(x, y - kClickMarkReach, x, y + kClickMarkReach);
  }
}

ScreenPoint MapPane::ToClient(const QPoint& local) const {
  const ScreenRect area = tlv::MapArea();
  return {local.x() + area.left, local.y() + area.top};
}

void MapPane::MousePress(const QPoint& at, Qt::KeyboardModifiers modifiers) {
  // The decorations float over the map: one under the pointer is taken whatever the viewing or
  // selecting tool, but not while a drawing tool is in use.
  if (!DrawTools::Handles(window_.CurrentTool())) {
    const uint32_t which = DecorationAt(layouts_, {at.x(), at.y()});
    if (which != 0) {
      const ScreenRect box = DecorationBox(layouts_, which);
      dragging_ = which;
      grab_ = at - QPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2);
      return;
    }
  }
  pressed_ = true;
  pressAt_ = at;
  dragAt_ = at;
  tool_ = window_.CurrentTool();
  if (DrawTools::Handles(tool_)) {
    draw_->Press(tool_, ToClient(at), (modifiers & Qt::ShiftModifier) != 0);
  } else if (IsSelectTool(tool_)) {
    select_->Press(ToClient(at), tool_ == kSelectCircleTool,
                   (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)) != 0);
  }
}

void MapPane::MouseMove(const QPoint& at) {
  if (dragging_ != 0) {
    int32_t x = 0, y = 0;
    const QPoint centre = at - grab_;
    DecorationPositionAt({0, 0, image_.width(), image_.height()}, {centre.x(), centre.y()}, x, y);
    SetDecorationPosition(dragging_, x, y);
    Recompose();
    return;
  }
  draw_->PointerMoved(ToClient(at));
  if (DrawTools::Handles(window_.CurrentTool())) {
    if (draw_->Tool() == window_.CurrentTool()) draw_->Move(ToClient(at));
    return;
  }
  if (!pressed_) return;
  dragAt_ = at;
  if (IsSelectTool(tool_)) select_->Move(ToClient(at));
  if (tool_ == kZoomInTool || tool_ == kDragViewTool || IsSelectTool(tool_)) ShowOnly();
}

void MapPane::MouseRelease(const QPoint& at) {
  if (dragging_ != 0) {
    // The place the decoration was let go of is kept (in the settings written at the end).
    MouseMove(at);
    dragging_ = 0;
    return;
  }
  if (!pressed_) return;
  pressed_ = false;
  dragAt_ = at;
  const bool click = (at - pressAt_).manhattanLength() <= kClickSlop;
  const ViewMapping mapping = CurrentViewMapping();
  if (DrawTools::Handles(tool_)) {
    draw_->Release(ToClient(at));
    return;
  }
  switch (tool_) {
    case kZoomInTool:
      if (click) {
        ZoomAtClick(ToClient(at), ZoomDirection::kIn);
      } else {
        ScreenPoint a = ToClient(pressAt_);
        ScreenPoint b = ToClient(at);
        if (draw_->FromCentre(kZoomInTool)) {
          // From the centre: the press is the middle of the rectangle.
          b = {a.x + std::abs(b.x - a.x), a.y + std::abs(b.y - a.y)};
          a = {2 * a.x - b.x, 2 * a.y - b.y};
        }
        const ScreenRect r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                           std::max(a.y, b.y)};
        FitWorldRect(ScreenRectToWorld(mapping, r));
      }
      break;
    case kZoomOutTool:
      ZoomAtClick(ToClient(at), ZoomDirection::kOut);
      break;
    case kDragViewTool: {
      if (click) {
        ShowOnly();
        break;
      }
      const WPoint from = ScreenToWorldPoint(mapping, ToClient(pressAt_));
      const WPoint to = ScreenToWorldPoint(mapping, ToClient(at));
      const MapView& view = CurrentMapView();
      SetView(view.scale, view.left + (from.x - to.x), view.top + (from.y - to.y));
      break;
    }
    case kSelectRectangleTool:
    case kSelectCircleTool:
      select_->Release(ToClient(at), widget_->mapToGlobal(at));
      ShowOnly();
      break;
    default:
      if (click) {
        SetClickPointFromScreen(ToClient(at));
        ShowOnly();
      }
      break;
  }
}

bool MapPane::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint:
      if (!showOnly_) ScheduleRedraw();
      Paint(widget_);
      return true;
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::RightButton) {
        RightClick(mouse->position().toPoint());
        return true;
      }
      if (mouse->button() != Qt::LeftButton) break;
      MousePress(mouse->position().toPoint(), mouse->modifiers());
      return true;
    }
    case QEvent::MouseMove:
      MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
      return true;
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      MouseRelease(mouse->position().toPoint());
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      if (DrawTools::Handles(window_.CurrentTool())) {
        // The release that follows belongs to the double click.
        pressed_ = true;
        tool_ = window_.CurrentTool();
        draw_->DoubleClick(ToClient(mouse->position().toPoint()));
        return true;
      }
      // Elsewhere the second click of a pair is a click of its own, as it has always been.
      MousePress(mouse->position().toPoint(), mouse->modifiers());
      return true;
    }
    case QEvent::KeyPress:
      if (draw_->Tool() != window_.CurrentTool()) draw_->Cancel();
      if (draw_->Key(static_cast<QKeyEvent*>(event)->key())) return true;
      // The Delete key deletes the selected objects, as the Edit menu's Delete shows.
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
          static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        window_.DispatchCommand(kDeleteCommand);
        return true;
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void MapPane::RightClick(const QPoint& at) {
  const ScreenPoint client = ToClient(at);
  SetClickPointFromScreen(client);
  ShowOnly();
  ObjectRef picked;
  bool found = false;
  constexpr int32_t kReachPixels = 4;
  PickObjectAt(ScreenToWorldPoint(CurrentViewMapping(), client), kReachPixels, nullptr, picked,
               found);
  const bool onSelected = found && IsSelected(picked.mapID, picked.overlayID, picked.position);
  window_.ShowPopUpMenu(onSelected ? "20400" : "20600", widget_->mapToGlobal(at));
}

namespace {

void ZoomAtCentre(ZoomDirection direction) {
  const ScreenRect a = MapArea();
  ZoomAtClick({(a.left + a.right) / 2, (a.top + a.bottom) / 2}, direction);
}

}  // namespace

MapPane* InstallMapArea(MainWindow& window, std::function<void(const std::string&)> log) {
  InstallQtDrawing();
  auto* pane = new MapPane(window);
  // The collection's members were installed by the core's wiring; the tags are the window's.
  SelectionHooks selection = CurrentSelectionHooks();
  selection.drawTags = [pane](const ObjectRef& object) { pane->ToggleTags({object}); };
  selection.eraseTags = [pane](const ObjectRef& object) { pane->ToggleTags({object}); };
  selection.eraseAllTags = [pane] { pane->ToggleTags(AllSelected()); };
  SetSelectionHooks(std::move(selection));
  SetShowOnMapHooks({[pane](const ObjectRef& object) { pane->Flash(object); }});
  window.RegisterCommand(20009, [] { CentreOnClickPoint(); });
  window.RegisterCommand(20111, [] { ZoomAtCentre(ZoomDirection::kIn); });
  window.RegisterCommand(20112, [] { ZoomAtCentre(ZoomDirection::kOut); });
  pane->Draw().SetCreatedHandler([log](const ObjectRef& made) {
    if (log) {
      log("created " + std::to_string(made.mapID) + " " + std::to_string(made.overlayID) + " " +
          std::to_string(made.position));
    }
  });
  // TOLVANE_INPUT_SCRIPT=FILE plays a script of clicks and keys once the map has been drawn.
  const char* script = std::getenv("TOLVANE_INPUT_SCRIPT");
  if (script != nullptr && script[0] != '\0' &&
      !StartInputScript(window, *pane, QString::fromUtf8(script), log) && log) {
    log(std::string("scripterror cannot read ") + script);
  }
  const char* snapshot = std::getenv("TOLVANE_MAP_SNAPSHOT");
  if (snapshot != nullptr && snapshot[0] != '\0') {
    const QString file = QString::fromUtf8(snapshot);
    // Saved once a pass of the shown view has finished and no other waits.
    auto* timer = new QTimer(pane);
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, pane, [pane, timer, file, log] {
      if (pane->Busy()) return;
      if (pane->PassCount() == 0) {
        pane->Redraw();
        return;
      }
      timer->stop();
      const MapView& view = CurrentMapView();
      const QImage& image = pane->Image();
      if (!image.isNull() && image.save(file) && log) {
        log("mapsnapshot " + file.toStdString() + " " + std::to_string(view.scale) + " " +
            std::to_string(view.left) + " " + std::to_string(view.top) + " " +
            std::to_string(image.width()) + " " + std::to_string(image.height()));
      }
    });
    QTimer::singleShot(300, timer, qOverload<>(&QTimer::start));
  }
  return pane;
}

}  // namespace tlv
