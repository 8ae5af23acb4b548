#include "shell/vertex_commands.h"

#include <QObject>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <optional>

#include "edit/selection.h"
#include "edit/vertex_edit.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/map_area.h"

namespace tlv {

namespace {

constexpr int kMarkVertexCommand = 23301;
constexpr int kMoveVertexCommand = 23302;
constexpr int kInsertVertexCommand = 23303;
constexpr int kDeleteVertexCommand = 23304;
constexpr int kMoveVertexPopUpCommand = 20310;
// The Extras menu's Marked Point sub-menu and the same items of the Marked Point pop-up.
constexpr int kMarkClickPointCommand = 23001;
constexpr int kCentreOnMarkedCommand = 23002;
constexpr int kDistanceCommand = 23003;
constexpr int kRescaleCommand = 23004;
constexpr int kClearMarkedCommand = 23005;
constexpr int kCentreOnMarkedPopUpCommand = 20304;
constexpr int kMarkClickPointPopUpCommand = 20305;
constexpr int kDistancePopUpCommand = 20306;
constexpr int kRescalePopUpCommand = 20307;
constexpr int kClearMarkedPopUpCommand = 20308;
// The Click Point pop-up's own Mark Click Point.
constexpr int kMarkClickPointClickPopUpCommand = 20010;
// Half the cross's 9 pixels.
constexpr int kCrossReach = 4;

// Where the Marked Point's cross stands on the pane's image, so that the next change takes it
// off there before drawing it at the new place.
class MarkedPointMark : public QObject {
 public:
  MarkedPointMark(MainWindow& window, MapPane& pane)
      : QObject(&window), window_(window), pane_(pane) {
    pane_.SetAfterPass([this](QImage& image) {
      drawn_.reset();
      DrawAt(image);
    });
  }

  // Brings the cross and the status line up to date with the Marked Point when it changed.
  void Follow() {
    const std::optional<WPoint> now = Current();
    const bool same = drawn_.has_value() == now.has_value() &&
                      (!now || (drawn_->x == now->x && drawn_->y == now->y));
    if (same) return;
    pane_.ToggleOnImage([this](QImage& image) {
      if (drawn_) Toggle(image, *drawn_);
      drawn_.reset();
      DrawAt(image);
    });
    window_.ShowMessageLine(FromWindows1252(MarkedPointStatusText()), false);
  }

 private:
  static std::optional<WPoint> Current() {
    if (!MarkedPointSet()) return std::nullopt;
    return MarkedPoint();
  }
  static void Toggle(QImage& image, WPoint p) {
    const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), p);
    const ScreenRect area = MapArea();
    ToggleMarkedPointCross(image, s.x - area.left, s.y - area.top);
  }
  void DrawAt(QImage& image) {
    drawn_ = Current();
    if (drawn_) Toggle(image, *drawn_);
  }

  MainWindow& window_;
  MapPane& pane_;
  std::optional<WPoint> drawn_;
};

// Whether the first selected object is a polyline or polygon. The menus are brought up to date
// from timers as well, and timers fire while a drawing pass looks for input: reading a record then
// would take the pass's open file from under it. So the answer is read between passes and, while
// one runs, the last answer for the same object is given.
class FirstSelectedKind {
 public:
  explicit FirstSelectedKind(const MapPane& pane) : pane_(pane) {}

  bool Poly() {
    ObjectRef first;
    if (!GetSelectedObject(0, first)) return false;
    const bool same = known_ && first.mapID == object_.mapID &&
                      first.overlayID == object_.overlayID && first.position == object_.position;
    if (pane_.Drawing()) return same && poly_;
    ObjectRef original;
    int16_t type = 0;
    object_ = first;
    known_ = true;
    poly_ = VertexTarget(original, type) == 0;
    return poly_;
  }

 private:
  const MapPane& pane_;
  bool known_ = false;
  ObjectRef object_;
  bool poly_ = false;
};

}  // namespace

void ToggleMarkedPointCross(QImage& image, int x, int y) {
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  painter.setPen(QPen(Qt::black, 1));
  for (int i = -kCrossReach; i <= kCrossReach; ++i) {
    painter.drawPoint(x + i, y + i);
    // The centre belongs to both lines but is inverted once.
    if (i != 0) painter.drawPoint(x + i, y - i);
  }
}

void RegisterVertexCommands(MainWindow& window, MapPane& pane) {
  auto* mark = new MarkedPointMark(window, pane);
  auto kind = std::make_shared<FirstSelectedKind>(pane);
  const auto FirstIsPoly = [kind] { return kind->Poly(); };
  // An edit changes the map: the whole pass draws it again, the cross and the tags with it.
  const auto edited = [&window, mark](int32_t result) {
    if (result == 0) window.InvalidateMap();
    mark->Follow();
  };
  window.RegisterCommand(
      kMarkVertexCommand,
      [mark] {
        MarkVertex();
        mark->Follow();
      },
      FirstIsPoly);
  const auto moveEnabled = [FirstIsPoly] { return MarkedPointSet() && FirstIsPoly(); };
  for (const int id : {kMoveVertexCommand, kMoveVertexPopUpCommand}) {
    window.RegisterCommand(
        id, [edited] { edited(MoveVertexToMarkedPoint()); }, moveEnabled);
  }
  window.RegisterCommand(
      kInsertVertexCommand, [edited] { edited(InsertVertexAtClickPoint()); }, FirstIsPoly);
  window.RegisterCommand(
      kDeleteVertexCommand, [edited] { edited(DeleteVertex()); },
      [] { return SelectedObjectCount() == 1; });

  for (const int id :
       {kMarkClickPointCommand, kMarkClickPointPopUpCommand, kMarkClickPointClickPopUpCommand}) {
    window.RegisterCommand(id, [mark] {
      SetMarkedPoint(ClickPoint());
      mark->Follow();
    });
  }
  const auto marked = [] { return MarkedPointSet(); };
  for (const int id : {kCentreOnMarkedCommand, kCentreOnMarkedPopUpCommand}) {
    window.RegisterCommand(
        id,
        [] {
          const WPoint p = MarkedPoint();
          CentreViewOn(CurrentMapView().scale, p.x, p.y);
        },
        marked);
  }
  for (const int id : {kDistanceCommand, kDistancePopUpCommand}) {
    window.RegisterCommand(
        id,
        [&window] {
          window.ShowMessageLine(FromWindows1252(DistanceReadout(MarkedPoint(), ClickPoint())),
                                 false);
        },
        marked);
  }
  for (const int id : {kRescaleCommand, kRescalePopUpCommand}) {
    window.RegisterCommand(
        id,
        [] {
          const WPoint a = MarkedPoint(), b = ClickPoint();
          FitWorldRect(
              {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
        },
        marked);
  }
  for (const int id : {kClearMarkedCommand, kClearMarkedPopUpCommand}) {
    window.RegisterCommand(
        id,
        [mark] {
          ClearMarkedPoint();
          mark->Follow();
        },
        marked);
  }
}

}  // namespace tlv
