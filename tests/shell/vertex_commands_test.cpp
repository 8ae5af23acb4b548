// The Vertex sub-menu and the Marked Point commands in a window shown off screen, driven as a user
// does: a select-tool click beside a line, then the keys and menu items.
#include "shell/vertex_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cstring>

#include "edit/selection.h"
#include "edit/stored_segments.h"
#include "edit/undo.h"
#include "edit/vertex_edit.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/edit_commands.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

// What a key press does first in a real window: the shortcut map has its say.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace tlv {
namespace {

constexpr int32_t kCentreX = 190000000;
constexpr int32_t kCentreY = 130000000;

class VertexCommandsTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetVertexEditForTesting();
    VertexEditHooks hooks;
    hooks.clickPoint = ClickPoint;
    hooks.viewMapping = CurrentViewMapping;
    hooks.markedPoint = [](WPoint& p) {
      if (!MarkedPointSet()) return false;
      p = MarkedPoint();
      return true;
    };
    hooks.setMarkedPoint = SetMarkedPoint;
    SetVertexEditHooks(hooks);
    LifeCycleHooks life;
    life.removeFromSelections = SelectionObjectRemoved;
    life.addToSelection = SelectionObjectAdded;
    life.objectMoved = SelectionObjectMoved;
    SetLifeCycleHooks(life);
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    window->activateWindow();
    pane = InstallMapArea(*window, {});
    RegisterEditCommands(*window);
    RegisterVertexCommands(*window, *pane);
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(24000, kCentreX, kCentreY);
    Settle();
    a = {kCentreX - Pixels(100), kCentreY};
    b = {kCentreX + Pixels(100), kCentreY};
    c = {kCentreX + Pixels(100), kCentreY + Pixels(80)};
    line = Line({a, b, c});
    window->InvalidateMap();
    Settle();
  }
  void TearDown() override {
    window.reset();
    ResetVertexEditForTesting();
    ResetUndoForTesting();
    ResetSelectionForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  void Settle() {
    test::RunEventsUntil([&] { return !pane->Busy(); });
  }
  static int32_t Pixels(double n) { return static_cast<int32_t>(n * ViewUnitsPerPixel()); }

  int32_t Line(const std::vector<WPoint>& at) {
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(at.size() * sizeof(WPoint))));
    WRect rect = kUnionStartRect;
    for (size_t i = 0; i < at.size(); ++i) {
      std::memcpy(*points.get() + i * sizeof(WPoint), &at[i], sizeof(WPoint));
      UnionWRect(rect, {at[i].x, at[i].y, at[i].x, at[i].y});
    }
    ObjectGraphics graphics;
    graphics.colour = 1;
    graphics.lineType = 1;
    return MakeObject(harbour, roads, kPolylineObject, "Main St", &graphics, rect, points.get());
  }
  QPoint Local(WPoint p) {
    const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), p);
    const ScreenRect area = MapArea();
    return {s.x - area.left, s.y - area.top};
  }
  void Click(QPoint at) {
    QWidget* map = window->MapWidget();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(map, &event);
    }
  }
  // A key pressed with Ctrl in the map area, as the window receives it.
  bool CtrlKey(int key) {
    const bool taken =
        qt_sendShortcutOverrideEvent(window->MapWidget(), 0, key, Qt::ControlModifier);
    Settle();
    return taken;
  }
  // The selected object's points (the object may have been made anew in a bigger record).
  std::vector<WPoint> SelectedPoints() {
    ObjectRef object;
    if (!GetSelectedObject(0, object)) return {};
    std::vector<StoredSegmentState> segments;
    int32_t room = 0;
    EXPECT_EQ(ReadSegments(object.mapID, object.overlayID, object.position, segments, room), 0);
    std::vector<WPoint> points;
    for (const auto& s : segments) points.push_back({s.X(), s.y});
    return points;
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
  WPoint a{}, b{}, c{};
  int32_t line = -1;
};

TEST_F(VertexCommandsTest, AClickBesideALineThenCtrlHInsertsAndCtrlJDeletes) {
  window->SetCurrentTool(kSelectRectangleTool);
  const QPoint beside = Local({kCentreX, kCentreY}) + QPoint(0, 3);
  Click(beside);
  ASSERT_EQ(SelectedObjectCount(), 1);
  ASSERT_TRUE(CtrlKey(Qt::Key_H)) << "Ctrl+H reaches Insert Vertex";
  auto points = SelectedPoints();
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(Local(points[1]), beside) << "the new point is where the click was";
  EXPECT_EQ(UndoKindNow(), kUndoAddSegment);

  ASSERT_TRUE(window->DispatchCommand(201));
  EXPECT_EQ(SelectedPoints().size(), 3u) << "Undo takes the point out";
  ASSERT_TRUE(window->DispatchCommand(201));
  EXPECT_EQ(SelectedPoints().size(), 4u) << "and Undo again puts it back";

  // A click on the new point's own place, then Ctrl+J takes it out again.
  Click(beside);
  ASSERT_EQ(SelectedObjectCount(), 1);
  ASSERT_TRUE(CtrlKey(Qt::Key_J)) << "Ctrl+J reaches Delete Vertex";
  points = SelectedPoints();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(Local(points[1]), Local(b));
  EXPECT_EQ(UndoKindNow(), kUndoDeleteSegment);
}

TEST_F(VertexCommandsTest, TheMenuFollowsTheSelectionAndTheMarkedPoint) {
  window->UpdateMenus();
  for (const int id : {23301, 23302, 23303, 23304, 20310, 23002, 23003, 23004, 23005}) {
    EXPECT_FALSE(window->CommandEnabled(id)) << id << " with nothing selected or marked";
  }
  EXPECT_TRUE(window->CommandEnabled(23001));
  window->SetCurrentTool(kSelectRectangleTool);
  Click(Local({kCentreX, kCentreY}));
  EXPECT_TRUE(window->CommandEnabled(23301));
  EXPECT_TRUE(window->CommandEnabled(23303));
  EXPECT_TRUE(window->CommandEnabled(23304));
  EXPECT_FALSE(window->CommandEnabled(23302)) << "no Marked Point yet";
  EXPECT_FALSE(window->CommandEnabled(20310));

  // Mark Vertex puts the Marked Point on the nearer end, draws its cross and names it below.
  Click(Local(b) + QPoint(-20, 2));
  const QImage before = pane->Image().copy();
  ASSERT_TRUE(window->DispatchCommand(23301));
  ASSERT_TRUE(MarkedPointSet());
  EXPECT_EQ(MarkedPoint().x, b.x);
  EXPECT_EQ(MarkedPoint().y, b.y);
  EXPECT_TRUE(window->CommandEnabled(23302));
  EXPECT_TRUE(window->CommandEnabled(20310));
  EXPECT_TRUE(window->MessageLine().startsWith(QStringLiteral("Marked Point ")));
  const QPoint at = Local(b);
  const QImage marked = pane->Image();
  for (const QPoint d : {QPoint(4, 4), QPoint(-4, 4), QPoint(3, -3), QPoint(0, 0)}) {
    EXPECT_EQ(marked.pixel(at + d) & 0xFFFFFF, ~before.pixel(at + d) & 0xFFFFFF)
        << "inverted at " << d.x() << "," << d.y();
  }
  EXPECT_EQ(marked.pixel(at + QPoint(5, 5)), before.pixel(at + QPoint(5, 5)));
  EXPECT_EQ(marked.pixel(at + QPoint(0, 2)), before.pixel(at + QPoint(0, 2)));

  // A new pass draws the cross again over the fresh picture.
  window->InvalidateMap();
  Settle();
  EXPECT_EQ(pane->Image().pixel(at + QPoint(4, 4)) & 0xFFFFFF,
            ~before.pixel(at + QPoint(4, 4)) & 0xFFFFFF);

  // Move Vertex to Marked Point from the pop-up: the click beside the line's first point.
  Click(Local(a) + QPoint(2, 1));
  ASSERT_TRUE(window->DispatchCommand(20310));
  auto points = SelectedPoints();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].x, b.x);
  EXPECT_EQ(points[0].y, b.y);
  EXPECT_EQ(UndoKindNow(), kUndoReshapePoint);

  // Clear Marked Point takes the cross off and the commands that need it are disabled.
  Settle();
  const QImage withCross = pane->Image().copy();
  ASSERT_TRUE(window->DispatchCommand(23005));
  EXPECT_FALSE(MarkedPointSet());
  EXPECT_EQ(pane->Image().pixel(at + QPoint(4, 4)) & 0xFFFFFF,
            ~withCross.pixel(at + QPoint(4, 4)) & 0xFFFFFF);
  EXPECT_FALSE(window->CommandEnabled(23302));
  EXPECT_TRUE(window->MessageLine().isEmpty());

  // Two selected objects: Delete Vertex needs exactly one.
  const int32_t other = Line({{kCentreX, kCentreY + Pixels(40)}, {kCentreX + 100, kCentreY}});
  AddSelectedObject(harbour, roads, other);
  EXPECT_FALSE(window->CommandEnabled(23304));
}

TEST_F(VertexCommandsTest, TheMarkedPointItemsMarkCentreMeasureAndRescale) {
  window->SetCurrentTool(kSelectRectangleTool);
  Click(Local(a));
  ASSERT_TRUE(window->DispatchCommand(20010));
  ASSERT_TRUE(MarkedPointSet());
  EXPECT_EQ(Local(MarkedPoint()), Local(a));
  Click(Local(c));
  ASSERT_TRUE(window->DispatchCommand(23003));
  EXPECT_TRUE(window->MessageLine().startsWith(QStringLiteral("distance ")));
  const int32_t scale = CurrentMapView().scale;
  ASSERT_TRUE(window->DispatchCommand(20307));
  EXPECT_LT(CurrentMapView().scale, scale) << "the two points fill the view";
  ASSERT_TRUE(window->DispatchCommand(20304));
  const WRect shown = ViewWorldRect();
  // The view's centre falls on a whole pixel.
  EXPECT_NEAR((shown.x1 + shown.x2) / 2.0, MarkedPoint().x, 3 * ViewUnitsPerPixel());
  EXPECT_NEAR((shown.y1 + shown.y2) / 2.0, MarkedPoint().y, 3 * ViewUnitsPerPixel());
  ASSERT_TRUE(window->DispatchCommand(20308));
  EXPECT_FALSE(MarkedPointSet());
}

}  // namespace
}  // namespace tlv
