#include "shell/draw_tools.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "edit/edit_targets.h"
#include "geometry/coordinates.h"
#include "geometry/distance.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/object_settings_dialog.h"

namespace tlv {
namespace {

// A press and release closer than this is a click; a vertex this close to the last one is the
// same vertex clicked twice.
constexpr int kClickSlop = 3;
constexpr int kTextFieldWidth = 220;
constexpr int16_t kDrawTextsList = 26100;
constexpr int16_t kBearingText = 8;

bool Near(ScreenPoint a, ScreenPoint b) {
  return std::abs(a.x - b.x) + std::abs(a.y - b.y) <= kClickSlop;
}

WPoint Unflagged(WPoint p) {
  return {static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit), p.y};
}

bool StartsPiece(WPoint p) {
  return (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
}

QPoint Local(WPoint world, ScreenPoint origin) {
  const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), Unflagged(world));
  return {s.x - origin.x, s.y - origin.y};
}

// The text field's Escape cancels the text; its Enter is the field's own returnPressed.
class TextFieldKeys : public QObject {
 public:
  TextFieldKeys(QObject* parent, std::function<void()> cancel)
      : QObject(parent), cancel_(std::move(cancel)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      cancel_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> cancel_;
};

}  // namespace

double InitialBearingDegrees(WPoint a, WPoint b) {
  const LatLong from = WorldToLatLong(a);
  const LatLong to = WorldToLatLong(b);
  auto signedLat = [](const LatLong& l) { return l.latLetter == 'S' ? -l.latitude : l.latitude; };
  auto signedLong = [](const LatLong& l) {
    return l.longLetter == 'W' ? -l.longitude : l.longitude;
  };
  const double phi1 = signedLat(from) * kRadiansPerDegree;
  const double phi2 = signedLat(to) * kRadiansPerDegree;
  const double dLambda = (signedLong(to) - signedLong(from)) * kRadiansPerDegree;
  const double y = std::sin(dLambda) * std::cos(phi2);
  const double x =
      std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
  if (x == 0 && y == 0) return 0;
  double degrees = std::atan2(y, x) / kRadiansPerDegree;
  if (degrees < 0) degrees += 360;
  return degrees >= 360 ? 0 : degrees;
}

std::string MeasureReadout(WPoint a, WPoint b) {
  return FormatTextV(GetIndString(kDrawTextsList, kBearingText).c_str(),
                     DistanceReadout(a, b).c_str(), InitialBearingDegrees(a, b));
}

std::string PointerReadout(WPoint p) {
  std::string lat, lon;
  FormatLatLong(ClampMousePoint(p), lat, lon);
  return lat + "  " + lon;
}

DrawTools::DrawTools(MainWindow& window) : window_(window) {
  asker_ = [this](NewObject& object) { return EditNewObjectSettings(&window_, object); };
  // The readouts sit in the information bar beside the scale.
  QWidget* bar = window_.Frame()->InfoBar();
  info_ = new QLabel(bar);
  info_->setObjectName(QStringLiteral("PointerReadout"));
  info_->setTextFormat(Qt::PlainText);
  if (auto* layout = qobject_cast<QBoxLayout*>(bar->layout())) layout->addWidget(info_);
}

DrawTools::~DrawTools() {
  delete textField_.data();
}

bool DrawTools::Handles(int tool) {
  return tool >= kMeasureTool && tool <= kTextTool;
}

WPoint DrawTools::ToWorld(ScreenPoint at) const {
  return ScreenToWorldPoint(CurrentViewMapping(), at);
}

void DrawTools::SetFromCentre(int tool, bool centre) {
  if (tool == kRectangleTool) rectangleFromCentre_ = centre;
  if (tool == kCircleTool) circleFromCentre_ = centre;
  if (tool == kZoomInTool) zoomFromCentre_ = centre;
}

bool DrawTools::FromCentre(int tool) const {
  if (tool == kZoomInTool) return zoomFromCentre_;
  return tool == kCircleTool ? circleFromCentre_ : rectangleFromCentre_;
}

bool DrawTools::ChooseToolStyle(int tool) {
  const char* title = nullptr;
  QString first, second;
  bool secondChosen = false;
  switch (tool) {
    case kRectangleTool:
      title = "Rectangle Tool";
      first = QStringLiteral("Draw from a corner");
      second = QStringLiteral("Draw from the center");
      secondChosen = rectangleFromCentre_;
      break;
    case kCircleTool:
      title = "Circle Tool";
      first = QStringLiteral("Draw from a corner");
      second = QStringLiteral("Draw from the center");
      secondChosen = circleFromCentre_;
      break;
    case kZoomInTool:
      title = "Zoom Tool Selection";
      first = QStringLiteral("Rectangle from a corner");
      second = QStringLiteral("Rectangle from the center");
      secondChosen = zoomFromCentre_;
      break;
    case kSelectRectangleTool:
    case kSelectCircleTool:
      title = "Arrow Tool Selection";
      first = QStringLiteral("Rectangle from a corner");
      second = QStringLiteral("Circle from its center");
      secondChosen = tool == kSelectCircleTool;
      break;
    default:
      return false;
  }
  QDialog dialog(&window_);
  dialog.setWindowTitle(QString::fromLatin1(title));
  auto* layout = new QVBoxLayout(&dialog);
  auto* firstButton = new QRadioButton(first, &dialog);
  auto* secondButton = new QRadioButton(second, &dialog);
  firstButton->setObjectName(QStringLiteral("first"));
  secondButton->setObjectName(QStringLiteral("second"));
  (secondChosen ? secondButton : firstButton)->setChecked(true);
  layout->addWidget(firstButton);
  layout->addWidget(secondButton);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  const bool centre = secondButton->isChecked();
  if (tool == kSelectRectangleTool || tool == kSelectCircleTool) {
    window_.SetCurrentTool(centre ? kSelectCircleTool : kSelectRectangleTool);
  } else {
    SetFromCentre(tool, centre);
  }
  return true;
}

namespace {

// A double click on a palette button opens that tool's choice.
class ToolChoiceClicks : public QObject {
 public:
  ToolChoiceClicks(QObject* parent, DrawTools& tools, int tool)
      : QObject(parent), tools_(tools), tool_(tool) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      QTimer::singleShot(0, this, [this] { tools_.ChooseToolStyle(tool_); });
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  DrawTools& tools_;
  int tool_;
};

}  // namespace

void DrawTools::InstallToolChoices() {
  const QList<QToolButton*> buttons =
      window_.Frame()->Palette()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
  const std::vector<PaletteTool>& tools = PaletteTools();
  for (qsizetype i = 0; i < buttons.size() && static_cast<size_t>(i) < tools.size(); ++i) {
    const int tool = tools[static_cast<size_t>(i)].kind;
    if (tool == kRectangleTool || tool == kCircleTool || tool == kZoomInTool ||
        tool == kSelectRectangleTool || tool == kSelectCircleTool) {
      buttons[i]->installEventFilter(new ToolChoiceClicks(buttons[i], *this, tool));
    }
  }
}

bool DrawTools::Busy() const {
  return pressed_ || measuring_ || !vertices_.empty() || !textField_.isNull();
}

QString DrawTools::InfoText() const {
  return info_ ? info_->text() : QString();
}

void DrawTools::ShowInfo(const QString& text) {
  if (info_) info_->setText(text);
}

void DrawTools::Reset() {
  pressed_ = false;
  measuring_ = false;
  vertices_.clear();
  if (textField_) {
    textField_->hide();
    textField_->deleteLater();
    textField_.clear();
  }
  if (repaint_) repaint_();
}

void DrawTools::Cancel() {
  Reset();
  ignoreRelease_ = false;
}

void DrawTools::Press(int tool, ScreenPoint at, bool shift) {
  if (tool != tool_) {
    Cancel();
    tool_ = tool;
  }
  pressed_ = true;
  pressAt_ = at;
  dragAt_ = at;
  shiftAtPress_ = shift;
  if (tool_ == kMeasureTool) {
    measuring_ = true;
    measureFrom_ = ToWorld(at);
    ShowInfo(FromWindows1252(MeasureReadout(measureFrom_, measureFrom_)));
  }
}

void DrawTools::Move(ScreenPoint at) {
  dragAt_ = at;
  if (tool_ == kMeasureTool && pressed_) {
    ShowInfo(FromWindows1252(MeasureReadout(measureFrom_, ToWorld(at))));
  }
  if (repaint_ && (pressed_ || !vertices_.empty())) repaint_();
}

void DrawTools::PointerMoved(ScreenPoint at) {
  pointer_ = at;
  pointerKnown_ = true;
  if (!measuring_) ShowInfo(FromWindows1252(PointerReadout(ToWorld(at))));
}

void DrawTools::Release(ScreenPoint at) {
  if (ignoreRelease_) {
    ignoreRelease_ = false;
    pressed_ = false;
    return;
  }
  if (!pressed_) return;
  pressed_ = false;
  dragAt_ = at;
  switch (tool_) {
    case kMeasureTool:
      // The readout stays until Escape or the next measurement.
      ShowInfo(FromWindows1252(MeasureReadout(measureFrom_, ToWorld(at))));
      if (repaint_) repaint_();
      break;
    case kSymbolTool: {
      NewObject object;
      object.type = kPointObject;
      object.point = ToWorld(at);
      if (WorldPointInside(object.point)) {
        SetClickPointFromScreen(at);
        object.point = ClickPoint();
      }
      Finish(std::move(object));
      break;
    }
    case kRectangleTool:
    case kCircleTool: {
      NewObject object;
      object.type = tool_ == kCircleTool ? kCircleObject : kRectangleObject;
      object.rect = DraggedRect(pressAt_, at, tool_ == kCircleTool);
      if (repaint_) repaint_();
      Finish(std::move(object));
      break;
    }
    case kPolylineTool:
    case kPolygonTool: {
      WPoint p = ToWorld(at);
      if (!vertices_.empty()) {
        const ScreenPoint last =
            WorldToScreenPoint(CurrentViewMapping(), Unflagged(vertices_.back()));
        if (Near(last, at) && !shiftAtPress_) break;
        if (shiftAtPress_) p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kNewPieceBit);
      }
      vertices_.push_back(p);
      if (repaint_) repaint_();
      break;
    }
    case kTextTool:
      OpenTextField(at);
      break;
    default:
      break;
  }
}

void DrawTools::DoubleClick(ScreenPoint at) {
  dragAt_ = at;
  if (tool_ != kPolylineTool && tool_ != kPolygonTool) return;
  // The double click's first click placed the last vertex already.
  ignoreRelease_ = true;
  pressed_ = false;
  FinishPoly();
}

bool DrawTools::Key(int key) {
  switch (key) {
    case Qt::Key_Escape:
      if (!Busy()) return false;
      if (measuring_) ShowInfo(QString());
      Cancel();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (vertices_.empty()) return false;
      FinishPoly();
      return true;
    case Qt::Key_Backspace:
      if (vertices_.empty()) return false;
      vertices_.pop_back();
      if (repaint_) repaint_();
      return true;
    default:
      return false;
  }
}

WRect DrawTools::DraggedRect(ScreenPoint from, ScreenPoint to, bool circle) const {
  const int dx = std::abs(to.x - from.x);
  const int dy = std::abs(to.y - from.y);
  ScreenRect r;
  if (FromCentre(circle ? kCircleTool : kRectangleTool)) {
    int rx = dx, ry = dy;
    if (circle) rx = ry = static_cast<int>(std::lround(std::hypot(dx, dy)));
    r = {from.x - rx, from.y - ry, from.x + rx, from.y + ry};
  } else if (circle) {
    // From a corner, the circle fills the square of the larger side towards the pointer.
    const int side = std::max(dx, dy);
    const int sx = to.x < from.x ? -side : side;
    const int sy = to.y < from.y ? -side : side;
    r = {std::min(from.x, from.x + sx), std::min(from.y, from.y + sy),
         std::max(from.x, from.x + sx), std::max(from.y, from.y + sy)};
  } else {
    r = {std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x),
         std::max(from.y, to.y)};
  }
  return ScreenRectToWorld(CurrentViewMapping(), r);
}

void DrawTools::FinishPoly() {
  NewObject object;
  object.type = tool_ == kPolygonTool ? kPolygonObject : kPolylineObject;
  object.points = vertices_;
  // A polygon closes itself: a last click back on its piece's first vertex adds nothing.
  if (object.type == kPolygonObject && object.points.size() > 1) {
    size_t first = object.points.size() - 1;
    while (first > 0 && !StartsPiece(object.points[first])) --first;
    const ViewMapping mapping = CurrentViewMapping();
    if (first + 1 < object.points.size() &&
        Near(WorldToScreenPoint(mapping, Unflagged(object.points[first])),
             WorldToScreenPoint(mapping, object.points.back()))) {
      object.points.pop_back();
    }
  }
  vertices_.clear();
  if (repaint_) repaint_();
  Finish(std::move(object));
}

void DrawTools::OpenTextField(ScreenPoint at) {
  if (textField_) Reset();
  textAt_ = ToWorld(at);
  if (!WorldPointInside(textAt_)) {
    ShowAlert(NewObjectProblemText(NewObjectProblem::kOutsideWorld), kStopAlert);
    return;
  }
  QWidget* map = window_.MapWidget();
  const ScreenRect area = MapArea();
  auto* field = new QLineEdit(map);
  field->setObjectName(QStringLiteral("TextToolField"));
  field->setGeometry(at.x - area.left, at.y - area.top, kTextFieldWidth,
                     field->sizeHint().height());
  field->installEventFilter(new TextFieldKeys(
      field, [this] { QTimer::singleShot(0, window_.MapWidget(), [this] { Cancel(); }); }));
  QObject::connect(field, &QLineEdit::returnPressed, map, [this] {
    // The field goes away after its signal has returned.
    QTimer::singleShot(0, window_.MapWidget(), [this] { FinishText(); });
  });
  textField_ = field;
  field->show();
  field->setFocus();
}

void DrawTools::FinishText() {
  if (!textField_) return;
  NewObject object;
  object.type = kTextObject;
  object.text = ToWindows1252(textField_->text());
  object.rect = WRect{textAt_.x, textAt_.y, textAt_.x, textAt_.y};
  Reset();
  window_.MapWidget()->setFocus();
  Finish(std::move(object));
}

void DrawTools::Finish(NewObject object) {
  const NewObjectProblem problem = CheckNewObject(object);
  if (problem != NewObjectProblem::kNone) {
    ShowAlert(NewObjectProblemText(problem), kStopAlert);
    return;
  }
  // Nothing is asked when the object could not go anywhere.
  AnyLayerUnlocked();
  if (!CheckUnlockedLayerForAdd()) return;
  if (ChooseEditMap() < 0) return;
  object.overlayID = DefaultOverlayForNewObject();
  object.graphics = OverlayDefaultGraphics(object.overlayID);
  if (!asker_ || !asker_(object)) return;
  ObjectRef made;
  if (AddNewObject(object, made) != 0) return;
  window_.InvalidateMap();
  if (created_) created_(made);
}

void DrawTools::Paint(QPainter& painter, ScreenPoint origin) const {
  const bool poly = tool_ == kPolylineTool || tool_ == kPolygonTool;
  if (!pressed_ && !measuring_ && !(poly && !vertices_.empty())) return;
  painter.save();
  painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  const QPoint from(pressAt_.x - origin.x, pressAt_.y - origin.y);
  const QPoint to(dragAt_.x - origin.x, dragAt_.y - origin.y);
  if (tool_ == kMeasureTool && measuring_) {
    painter.drawLine(Local(measureFrom_, origin), pressed_ ? to : Local(measureFrom_, origin));
  } else if ((tool_ == kRectangleTool || tool_ == kCircleTool) && pressed_) {
    const WRect w = DraggedRect(pressAt_, dragAt_, tool_ == kCircleTool);
    const ScreenRect s = WorldRectToScreen(CurrentViewMapping(), w);
    const QRect r(QPoint(s.left - origin.x, s.top - origin.y),
                  QPoint(s.right - origin.x, s.bottom - origin.y));
    if (tool_ == kCircleTool) {
      painter.drawEllipse(r);
    } else {
      painter.drawRect(r);
    }
  } else if (poly && !vertices_.empty()) {
    painter.setPen(QPen(Qt::black, 1));
    size_t pieceStart = 0;
    for (size_t i = 1; i < vertices_.size(); ++i) {
      if (StartsPiece(vertices_[i])) {
        if (tool_ == kPolygonTool) {
          painter.drawLine(Local(vertices_[i - 1], origin), Local(vertices_[pieceStart], origin));
        }
        pieceStart = i;
        continue;
      }
      painter.drawLine(Local(vertices_[i - 1], origin), Local(vertices_[i], origin));
    }
    // The rubber band from the last vertex to the pointer, and back to the piece's start.
    const QPoint pointer(dragAt_.x - origin.x, dragAt_.y - origin.y);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawLine(Local(vertices_.back(), origin), pointer);
    if (tool_ == kPolygonTool) painter.drawLine(pointer, Local(vertices_[pieceStart], origin));
  }
  painter.restore();
}

}  // namespace tlv
