// The select tools in the map area of a window shown off screen, on objects made through the
// real catalogue: clicks near a line, Shift toggling, a double click, and a dragged rectangle
// answered through the pop-up "pARROWDRAG".
#include "shell/select_tool.h"

#include <gtest/gtest.h>

#include <QMouseEvent>

#include <cstring>

#include "edit/selection.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

constexpr int32_t kCentreX = 190000000;
constexpr int32_t kCentreY = 130000000;

class SelectToolTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    ResetSelectionForTesting();
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(24000, kCentreX, kCentreY);
    test::RunEventsUntil([&] { return !pane->Busy(); });
    line = Line({{kCentreX - Pixels(100), kCentreY}, {kCentreX + Pixels(100), kCentreY}});
    other = Line({{kCentreX - Pixels(100), kCentreY + Pixels(60)},
                  {kCentreX + Pixels(100), kCentreY + Pixels(60)}});
  }
  void TearDown() override {
    window.reset();
    ResetSelectionForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    ObjectsTest::TearDown();
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

  // The map widget's pixel of a world point.
  QPoint Local(WPoint p) {
    const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), p);
    const ScreenRect area = MapArea();
    return {s.x - area.left, s.y - area.top};
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers) {
    QWidget* map = window->MapWidget();
    QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      modifiers);
    QCoreApplication::sendEvent(map, &event);
  }
  void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, at, modifiers);
    Mouse(QEvent::MouseButtonRelease, at, modifiers);
  }
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from, Qt::NoModifier);
    Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoModifier);
    Mouse(QEvent::MouseMove, to, Qt::NoModifier);
    Mouse(QEvent::MouseButtonRelease, to, Qt::NoModifier);
  }
  std::vector<int32_t> Selected() {
    std::vector<int32_t> positions;
    ObjectRef object;
    for (int32_t i = 0; GetSelectedObject(i, object); ++i) positions.push_back(object.position);
    return positions;
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
  int32_t line = -1;
  int32_t other = -1;
};

TEST_F(SelectToolTest, AClickThreePixelsFromALineSelectsItAndSixPixelsAwayClears) {
  window->SetCurrentTool(kSelectRectangleTool);
  const QPoint on = Local({kCentreX, kCentreY});
  Click(on + QPoint(0, 3));
  EXPECT_EQ(Selected(), std::vector<int32_t>{line});
  Click(on + QPoint(0, 6));
  EXPECT_TRUE(Selected().empty());
}

TEST_F(SelectToolTest, ShiftTogglesObjectsInAndOutOfTheSelection) {
  window->SetCurrentTool(kSelectCircleTool);
  const QPoint onLine = Local({kCentreX - Pixels(50), kCentreY});
  const QPoint onOther = Local({kCentreX + Pixels(50), kCentreY + Pixels(60)});
  Click(onLine);
  Click(onOther, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{line, other}));
  Click(onLine, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int32_t>{other});
  Click(onLine, Qt::ControlModifier);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{other, line}));
  Click(onOther);
  EXPECT_EQ(Selected(), std::vector<int32_t>{other}) << "a plain click replaces";
}

TEST_F(SelectToolTest, ADoubleClickOnTheSameObjectOpensItsSettings) {
  window->SetCurrentTool(kSelectRectangleTool);
  int opened = 0;
  window->RegisterCommand(401, [&opened] { ++opened; });
  const QPoint on = Local({kCentreX, kCentreY});
  Click(on);
  Click(on);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(Selected(), std::vector<int32_t>{line});
}

TEST_F(SelectToolTest, ADraggedRectangleOffersThePopUpAndSelectsWhatTouchesIt) {
  window->SetCurrentTool(kSelectRectangleTool);
  std::vector<int32_t> offered;
  pane->Select().SetOverlayChooser([&offered](std::vector<int32_t>& ids) {
    offered = ids;
    return true;
  });
  int popUps = 0;
  pane->Select().SetPopUpRunner([&](const QPoint&) {
    ++popUps;
    EXPECT_FALSE(window->CommandEnabled(20703)) << "the database item waits for its Part";
    EXPECT_TRUE(window->DispatchCommand(20702));
  });
  // From empty ground below the line to above it: the line crosses the rectangle.
  Drag(Local({kCentreX - Pixels(20), kCentreY - Pixels(20)}),
       Local({kCentreX + Pixels(20), kCentreY + Pixels(20)}));
  EXPECT_EQ(popUps, 1);
  EXPECT_EQ(offered, ShownOverlayIDs()) << "the shown overlays, all checked";
  EXPECT_EQ(Selected(), std::vector<int32_t>{line});
  // A drag that starts on an object is a click on it.
  Drag(Local({kCentreX + Pixels(50), kCentreY + Pixels(60)}),
       Local({kCentreX + Pixels(90), kCentreY + Pixels(20)}));
  EXPECT_EQ(popUps, 1);
  EXPECT_EQ(Selected(), std::vector<int32_t>{other});
}

TEST_F(SelectToolTest, ZoomToSelectedAreaFitsTheDraggedRectangle) {
  window->SetCurrentTool(kSelectRectangleTool);
  pane->Select().SetPopUpRunner([&](const QPoint&) { window->DispatchCommand(20712); });
  const int32_t before = CurrentMapView().scale;
  Drag(Local({kCentreX - Pixels(40), kCentreY - Pixels(20)}),
       Local({kCentreX + Pixels(40), kCentreY - Pixels(40)}));
  EXPECT_LT(CurrentMapView().scale, before / 4);
  EXPECT_TRUE(Selected().empty());
}

}  // namespace
}  // namespace tlv
