// Decorations dragged in the map window: the compass, scale bar and time stamp follow the mouse
// over the kept pass (no new pass is drawn), their places are stored in the settings on release,
// and a hidden one is never taken.
#include <gtest/gtest.h>

#include <QMouseEvent>

#include "app/map_decorations.h"
#include "app/preferences.h"
#include "base/errors.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"

namespace tlv {
namespace {

// A black square with a white border: the AND leaves the map under the border.
PictureImage SquarePicture() {
  PictureImage picture;
  picture.width = 20;
  picture.height = 20;
  picture.pixels.assign(400, 0xFFFFFFFF);
  for (int y = 5; y < 15; ++y) {
    for (int x = 5; x < 15; ++x) picture.pixels[static_cast<size_t>(y) * 20 + x] = 0xFF000000;
  }
  return picture;
}

class DecorationDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    ResetMapView();
    ResetDrawMapForTesting();
    ResetMapDecorationsForTesting();
    SetDefaultPreferences();
    ArmAlerts();
    DrawMapHooks hooks;
    hooks.drawDecorations = DrawShownDecorations;
    SetDrawMapHooks(hooks);
    SetCompassPicture(SquarePicture());
    SetPref(Pref::kCompassShown, 1);
    SetPref(Pref::kScaleBarShown, 1);
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(100000, 190000000, 130000000);
    test::RunEventsUntil([&] { return !pane->Busy(); });
  }
  void TearDown() override {
    window.reset();
    ResetDrawMapForTesting();
    ResetMapDecorationsForTesting();
    SetDefaultPreferences();
    ResetMapView();
  }

  void Mouse(QEvent::Type type, QPoint at) {
    QWidget* map = window->MapWidget();
    QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(map, &event);
  }
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from);
    Mouse(QEvent::MouseMove, (from + to) / 2);
    Mouse(QEvent::MouseMove, to);
    Mouse(QEvent::MouseButtonRelease, to);
  }
  QPoint Centre(uint32_t which) const {
    const ScreenRect box = DecorationBox(pane->Decorations(), which);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
};

TEST_F(DecorationDragTest, TheCompassFollowsTheMouseWithoutAPassAndKeepsItsPlace) {
  const QImage& image = pane->Image();
  const QPoint from = Centre(kDecorationCompass);
  // At (0.2, 0.2) of the map area, its black square drawn there.
  EXPECT_NEAR(from.x(), image.width() / 5, 1);
  EXPECT_NEAR(from.y(), image.height() / 5, 1);
  EXPECT_EQ(image.pixel(from), qRgb(0, 0, 0));
  const int32_t passes = pane->PassCount();
  const QPoint to(image.width() / 2, image.height() / 2);
  window->SetCurrentTool(kZoomInTool);
  Drag(from + QPoint(3, -2), to + QPoint(3, -2));
  EXPECT_EQ(pane->PassCount(), passes) << "the kept pass was composed again, not redrawn";
  EXPECT_EQ(CurrentMapView().scale, 100000) << "the zoom tool did not take the press";
  EXPECT_NEAR(GetPref(Pref::kCompassX), 16000, 50);
  EXPECT_NEAR(GetPref(Pref::kCompassY), 16000, 60);
  EXPECT_EQ(pane->Image().pixel(to + QPoint(1, 1)), qRgb(0, 0, 0));
  EXPECT_NE(pane->Image().pixel(from), qRgb(0, 0, 0)) << "nothing is left at the old place";
  // A new pass draws it where it was left.
  pane->Redraw();
  EXPECT_EQ(pane->Image().pixel(to + QPoint(1, 1)), qRgb(0, 0, 0));
  EXPECT_NEAR(Centre(kDecorationCompass).x(), to.x(), 1);
  EXPECT_NEAR(Centre(kDecorationCompass).y(), to.y(), 1);
}

TEST_F(DecorationDragTest, DraggedPastTheEdgeTheScaleBarStaysWhole) {
  const QImage& image = pane->Image();
  const QPoint from = Centre(kDecorationScaleBar);
  Drag(from, QPoint(image.width() + 200, image.height() + 200));
  EXPECT_EQ(GetPref(Pref::kScaleBarX), 32000);
  EXPECT_EQ(GetPref(Pref::kScaleBarY), 32000);
  const ScreenRect box = DecorationBox(pane->Decorations(), kDecorationScaleBar);
  EXPECT_EQ(box.right, image.width());
  EXPECT_EQ(box.bottom, image.height());
  // Taken again from where it shows, it comes back in.
  Drag(Centre(kDecorationScaleBar), QPoint(100, 100));
  EXPECT_EQ(Centre(kDecorationScaleBar).x(), std::max(100, (box.right - box.left) / 2));
}

TEST_F(DecorationDragTest, HiddenDecorationsAreNotTaken) {
  const QPoint at = Centre(kDecorationCompass);
  // The zoom tool takes a drag nothing is under (the selection tool's would open its menu).
  window->SetCurrentTool(kZoomInTool);
  SetPref(Pref::kCompassShown, 0);
  pane->Recompose();
  EXPECT_EQ(DecorationBox(pane->Decorations(), kDecorationCompass).right, 0);
  Drag(at, at + QPoint(100, 100));
  EXPECT_EQ(GetPref(Pref::kCompassX), kDecorationUnset);
  // Shown again, it is taken from where it shows.
  SetPref(Pref::kCompassShown, 1);
  pane->Recompose();
  Drag(at, at + QPoint(100, 100));
  EXPECT_NE(GetPref(Pref::kCompassX), kDecorationUnset);
}

}  // namespace
}  // namespace tlv
