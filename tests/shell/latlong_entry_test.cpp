// Typing a latitude and longitude off screen: slips keep the dialog open with their message,
// Cancel changes nothing, the format chooser rewrites what was typed, and Go to Lat/Long centres
// the map on the typed point.
#include "shell/latlong_entry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

#include "base/headless_platform.h"
#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"

namespace tlv {
namespace {

const WPoint kStart = LatLongToWorld(38.6, 78.3, 'N', 'W');

class LatLongEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    platform.Reset();
    InstallPlatform(&platform);
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
  }
  void TearDown() override {
    InstallPlatform(&DefaultHeadlessPlatform());
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
  }

  // Runs steps against the dialog once it is open, each after the events of the last.
  static void WithDialog(std::function<void(QDialog&, LatLongEntry&)> steps) {
    QTimer::singleShot(0, [steps] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      auto* entry = dialog->findChild<LatLongEntry*>();
      ASSERT_NE(entry, nullptr);
      steps(*dialog, *entry);
    });
  }
  static void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
  }

  HeadlessPlatform platform;
};

TEST_F(LatLongEntryTest, ASlipKeepsTheDialogOpenAndOkTakesTheTypedPoint) {
  WPoint p = kStart;
  bool stayedOpen = false;
  WithDialog([&stayedOpen, this](QDialog& dialog, LatLongEntry& entry) {
    EXPECT_EQ(entry.Field(0, 0)->text(), QStringLiteral("38.600000"));
    entry.Field(0, 0)->setText(QStringLiteral("91"));
    Press(dialog, QDialogButtonBox::Ok);
    stayedOpen = dialog.isVisible();
    ASSERT_EQ(platform.alerts.size(), 1u);
    EXPECT_EQ(platform.alerts[0].text, "The latitude cannot be more than 90 degrees.");
    entry.Field(0, 0)->setText(QStringLiteral("38.75"));
    entry.Hemisphere(1)->setCurrentIndex(entry.Hemisphere(1)->findData(QChar('E')));
    Press(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(AskLatLong(nullptr, QStringLiteral("Set the Lat/Long for Point 1"), p));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(p, LatLongToWorld(38.75, 78.3, 'N', 'E'));

  WithDialog([](QDialog& dialog, LatLongEntry& entry) {
    entry.Field(0, 0)->setText(QStringLiteral("10"));
    Press(dialog, QDialogButtonBox::Cancel);
  });
  const WPoint before = p;
  EXPECT_FALSE(AskLatLong(nullptr, QStringLiteral("Set the Lat/Long for Point 1"), p));
  EXPECT_EQ(p, before);
}

TEST_F(LatLongEntryTest, TheFormatChooserRewritesWhatWasTyped) {
  LatLongEntry entry;
  entry.SetPoint(kStart);
  entry.Field(1, 0)->setText(QStringLiteral("78.5125"));
  entry.FormatChooser()->setCurrentIndex(entry.FormatChooser()->findData(int{kFormatDegMinSec}));
  EXPECT_EQ(entry.Format(), kFormatDegMinSec);
  EXPECT_EQ(entry.Field(1, 0)->text(), QStringLiteral("78"));
  EXPECT_EQ(entry.Field(1, 1)->text(), QStringLiteral("30"));
  EXPECT_EQ(entry.Field(1, 2)->text(), QStringLiteral("45.0"));
  EXPECT_FALSE(entry.Field(1, 2)->isHidden());
  entry.FormatChooser()->setCurrentIndex(
      entry.FormatChooser()->findData(int{kFormatDecimalDegrees}));
  EXPECT_EQ(entry.Field(1, 0)->text(), QStringLiteral("78.512500"));
  EXPECT_TRUE(entry.Field(1, 1)->isHidden());
  // Text that does not read stays as typed when the format changes.
  entry.Field(0, 0)->setText(QStringLiteral("north-ish"));
  entry.SetFormat(kFormatDegMin);
  EXPECT_EQ(entry.Field(0, 0)->text(), QStringLiteral("north-ish"));
  WPoint p;
  std::string problem;
  EXPECT_FALSE(entry.Point(p, problem));
}

TEST_F(LatLongEntryTest, GoToLatLongCentresTheMapOnThePoint) {
  ResetMapView();
  ResetDrawMapForTesting();
  auto window = std::make_unique<MainWindow>();
  window->resize(800, 600);
  window->show();
  MapPane* pane = InstallMapArea(*window, {});
  RegisterGoToLatLongCommand(*window);
  ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
  CentreViewOn(500000, kStart.x, kStart.y);
  const int32_t scale = CurrentMapView().scale;
  WithDialog([](QDialog& dialog, LatLongEntry& entry) {
    entry.Field(0, 0)->setText(QStringLiteral("38.45"));
    entry.Field(1, 0)->setText(QStringLiteral("78.05"));
    Press(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(window->DispatchCommand(308));
  const WPoint wanted = LatLongToWorld(38.45, 78.05, 'N', 'W');
  EXPECT_EQ(ClickPoint(), wanted);
  const WRect view = ViewWorldRect();
  EXPECT_LE(std::abs((view.x1 + view.x2) / 2 - wanted.x), 2000);
  EXPECT_LE(std::abs((view.y1 + view.y2) / 2 - wanted.y), 2000);
  EXPECT_EQ(CurrentMapView().scale, scale);
  window.reset();
  ResetDrawMapForTesting();
  ResetMapView();
}

}  // namespace
}  // namespace tlv
