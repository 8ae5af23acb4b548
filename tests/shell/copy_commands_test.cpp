// The clipboard commands through the main window, off screen: the system clipboard gets Unicode
// text and the map area's picture, and a right click on a cross opens that cross's pop-up.
#include "shell/copy_commands.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>

#include <memory>

#include "base/headless_platform.h"
#include "geometry/geo_settings.h"
#include "geometry/screen.h"
#include "platform/qt/qt_platform.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"

namespace tlv {
namespace {

class CopyCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    ResetMapView();
    ResetDrawMapForTesting();
    InstallPlatform(&platform_);
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    RegisterCopyCommands(*window);
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(1000000, 101700000, 128600000);
    test::RunEventsUntil([&] { return !pane->Busy(); });
  }
  void TearDown() override {
    window.reset();
    InstallPlatform(&DefaultHeadlessPlatform());
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
    ResetDrawMapForTesting();
    ResetMapView();
  }

  // Right-clicks the map area at a world point and returns the pop-up that opened (closed again
  // at once), or null.
  QMenu* RightClickAt(WPoint p) {
    const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), p);
    const ScreenRect area = MapArea();
    const QPointF at(s.x - area.left, s.y - area.top);
    QMenu* opened = nullptr;
    QTimer::singleShot(50, [&opened] {
      opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (opened != nullptr) opened->close();
    });
    QWidget* map = window->MapWidget();
    QMouseEvent press(QEvent::MouseButtonPress, at, map->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(map, &press);
    test::RunEventsUntil([] { return false; }, 150);
    return opened;
  }

  QtPlatform platform_;
  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
};

TEST_F(CopyCommandsTest, CopyLatLongPutsUnicodeTextOnTheSystemClipboard) {
  SetCoordinateFormatSetting(kFormatDegMin);
  SetClickPoint({101700000, 128600000});  // 38.6 N, 78.3 W
  ASSERT_TRUE(window->DispatchCommand(20001));
  const QString text = QGuiApplication::clipboard()->text();
  EXPECT_EQ(text, QString::fromUtf8("38\u00b036.00\u2019N  78\u00b018.00\u2019W"))
      << text.toStdString();
  // The pRIGHTCLICK item copies the same.
  QGuiApplication::clipboard()->clear();
  ASSERT_TRUE(window->DispatchCommand(20626));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
}

TEST_F(CopyCommandsTest, CopyMapPicturePutsAnImageOfTheMapAreasSize) {
  ASSERT_TRUE(window->DispatchCommand(kCopyMapPictureCommand));
  const QImage image = QGuiApplication::clipboard()->image();
  const ScreenRect area = MapArea();
  EXPECT_EQ(image.width(), area.right - area.left);
  EXPECT_EQ(image.height(), area.bottom - area.top);
}

TEST_F(CopyCommandsTest, ARightClickOnACrossOpensItsPopUpAndElsewhereTheGeneralOne) {
  const WPoint click{101700000, 128600000};
  SetClickPoint(click);
  EXPECT_EQ(RightClickAt(click), window->PopUpMenu("20000"));
  const WPoint marked{101720000, 128610000};
  SetMarkedPoint(marked);
  EXPECT_EQ(RightClickAt(marked), window->PopUpMenu("20300"));
  EXPECT_EQ(RightClickAt({101650000, 128550000}), window->PopUpMenu("20600"));
  // Copy Marked Point's item is enabled only while a point is marked.
  ClearMarkedPoint();
  EXPECT_FALSE(window->DispatchCommand(20301));
}

}  // namespace
}  // namespace tlv
