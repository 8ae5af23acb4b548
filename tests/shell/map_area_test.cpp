// The map area of the main window: the viewing tools by click, rectangle and drag, and the
// status line's incomplete marker after an interrupted pass.
#include "shell/map_area.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "base/errors.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"

namespace tlv {
namespace {

class MapAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    ResetMapView();
    ResetDrawMapForTesting();
    ArmAlerts();
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(1000000, 190000000, 130000000);
    test::RunEventsUntil([&] { return !pane->Busy(); });
  }
  void TearDown() override {
    window.reset();
    ResetDrawMapForTesting();
    ResetMapView();
  }

  void Mouse(QEvent::Type type, QPoint at) {
    QWidget* map = window->MapWidget();
    QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(map, &event);
  }
  void Click(QPoint at) {
    Mouse(QEvent::MouseButtonPress, at);
    Mouse(QEvent::MouseButtonRelease, at);
  }
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from);
    Mouse(QEvent::MouseMove, (from + to) / 2);
    Mouse(QEvent::MouseMove, to);
    Mouse(QEvent::MouseButtonRelease, to);
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
};

TEST_F(MapAreaTest, ZoomToolsHalveAndDoubleTheScaleAroundTheClick) {
  window->SetCurrentTool(kZoomInTool);
  Click({100, 100});
  EXPECT_EQ(CurrentMapView().scale, 500000);
  window->SetCurrentTool(kZoomOutTool);
  Click({100, 100});
  Click({100, 100});
  EXPECT_EQ(CurrentMapView().scale, 2000000);
}

TEST_F(MapAreaTest, ZoomInRectangleFitsItAndTheDragToolMovesTheView) {
  window->SetCurrentTool(kZoomInTool);
  const ScreenRect area = MapArea();
  const int32_t height = area.bottom - area.top;
  Drag({10, 10}, {110, 10 + height / 4});
  EXPECT_NEAR(CurrentMapView().scale, 250000, 2000) << "a quarter of the height fills it";

  window->SetCurrentTool(kDragViewTool);
  const MapView before = CurrentMapView();
  Drag({200, 100}, {250, 100});
  const MapView after = CurrentMapView();
  EXPECT_EQ(after.scale, before.scale);
  EXPECT_EQ(after.top, before.top);
  const double units =
      (ViewWorldRect().x2 - ViewWorldRect().x1) / static_cast<double>(area.right - area.left);
  EXPECT_NEAR(before.left - after.left, 50 * units, 2 * units) << "the map follows the mouse";
}

TEST_F(MapAreaTest, InterruptedPassShowsTheIncompleteMarkerInBold) {
  auto* status = qobject_cast<QLabel*>(window->Frame()->StatusLine());
  ASSERT_NE(status, nullptr);
  ResetInputCheckForTesting();
  QCoreApplication::postEvent(window->MapWidget(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
  EXPECT_EQ(pane->Redraw(), kDrawInterrupted);
  EXPECT_EQ(window->MessageLine(), QString::fromLatin1(kDrawIncompleteText));
  EXPECT_TRUE(status->font().bold());

  ResetInputCheckForTesting();
  EXPECT_EQ(pane->Redraw(), 0);
  EXPECT_FALSE(DrawIncomplete());
  EXPECT_FALSE(status->font().bold());
  EXPECT_TRUE(window->MessageLine().isEmpty());
}

}  // namespace
}  // namespace tlv
