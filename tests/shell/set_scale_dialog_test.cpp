// The Set Scale dialog: its field in each of the three scale display modes, the typed number
// parsed back to a scale that keeps the view's centre, a word refused with the dialog left open,
// and the three commands that open it.
#include "shell/set_scale_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class SetScaleDialogTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    test::TestApplication();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 190000000, 130000000);
  }
  void TearDown() override {
    ResetMapView();
    ResetGeometrySettings();
    test::CoreTest::TearDown();
  }
  static void Ok(SetScaleDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  }
};

TEST_F(SetScaleDialogTest, TheTextOfEachModeSplitsAroundItsNumber) {
  ScaleTextParts ratio = SplitScaleText("1:24000", 0);
  EXPECT_EQ(ratio.before, "1:");
  EXPECT_EQ(ratio.number, "24000");
  ScaleTextParts paper = SplitScaleText("1 in = 2.50 mi", 1);
  EXPECT_EQ(paper.before, "1 in =");
  EXPECT_EQ(paper.number, "2.50");
  EXPECT_EQ(paper.after, "mi");
  ScaleTextParts width = SplitScaleText("12.30 nautical miles", 2);
  EXPECT_EQ(width.number, "12.30");
  EXPECT_EQ(width.after, "nautical miles");
  EXPECT_EQ(SplitScaleText("", 1).number, "") << "an empty text (a negative scale) stays empty";
}

TEST_F(SetScaleDialogTest, TheTypedNumberBecomesTheScaleInTheDisplayMode) {
  const WRect before = ViewWorldRect();
  const int64_t centreX = (int64_t{before.x1} + before.x2) / 2;
  SetScaleDisplayModeSetting(0);
  {
    SetScaleDialog dialog(nullptr);
    EXPECT_EQ(dialog.Field()->text(), QStringLiteral("24000"));
    dialog.Field()->setText(QStringLiteral("50,000"));
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenScale, 50000);
  }
  SetScaleDisplayModeSetting(1);
  {
    SetScaleDialog dialog(nullptr);
    dialog.Field()->setText(QStringLiteral("2.5"));
    Ok(dialog);
    EXPECT_EQ(dialog.chosenScale, 158400) << "1 in = 2.50 mi";
  }
  {
    SetScaleDialog dialog(nullptr);
    dialog.Field()->setText(QStringLiteral("lots"));
    Ok(dialog);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(platform().alerts.size(), 1u);
    EXPECT_EQ(platform().alerts.back().text, "\"lots\" is not a scale.  Type a number.");
    dialog.Field()->setText(QStringLiteral("0.001"));
    Ok(dialog);
    EXPECT_EQ(dialog.chosenScale, 500) << "clamped to the view's limits";
  }
  SetScaleDisplayModeSetting(0);
  QTimer::singleShot(0, [] {
    auto* dialog = dynamic_cast<SetScaleDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->Field()->setText(QStringLiteral("100000"));
    Ok(*dialog);
  });
  EXPECT_TRUE(RunSetScale(nullptr));
  EXPECT_EQ(CurrentMapView().scale, 100000);
  const WRect after = ViewWorldRect();
  EXPECT_NEAR(static_cast<double>((int64_t{after.x1} + after.x2) / 2), static_cast<double>(centreX),
              2.0)
      << "the centre stays";
}

TEST_F(SetScaleDialogTest, ThreeCommandsOpenIt) {
  MainWindow window;
  RegisterSetScaleCommands(window);
  for (const int id : {315, 20108, 20605}) {
    EXPECT_TRUE(window.CommandEnabled(id)) << id;
  }
  bool opened = false;
  QTimer::singleShot(0, [&opened] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opened = dialog->windowTitle() == QStringLiteral("Set Scale");
    dialog->reject();
  });
  window.DispatchCommand(20605);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace tlv
