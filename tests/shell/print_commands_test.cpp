// The "Print" dialog as a user works it: typed sizes follow the layout rules in the other
// fields, bad numbers give the last good value back, "Fit image to page" disables the size
// fields, and only "Print" hands the layout back.
#include "shell/print_commands.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include "geometry/geo_settings.h"
#include "qt_test_app.h"

namespace tlv {
namespace {

void WhenShown(const char* name, std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [name, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->objectName() != name) {
      WhenShown(name, act);
      return;
    }
    act(*dialog);
  });
}

void Press(QDialog& dialog, const QString& text) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text().remove(QLatin1Char('&')) == text) {
      button->click();
      return;
    }
  }
  ADD_FAILURE() << "no button " << text.toStdString();
  dialog.reject();
}

void Type(QDialog& dialog, const char* field, const QString& text) {
  auto* edit = dialog.findChild<QLineEdit*>(field);
  ASSERT_NE(edit, nullptr) << field;
  edit->setText(text);
  emit edit->editingFinished();
}

QString Text(QDialog& dialog, const char* field) {
  if (auto* edit = dialog.findChild<QLineEdit*>(field)) return edit->text();
  if (auto* label = dialog.findChild<QLabel*>(field)) return label->text();
  return QStringLiteral("(no field)");
}

class PrintDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestApplication(); }
  PrintContext context_ = [] {
    PrintContext c;
    c.viewWidth = 800;
    c.viewHeight = 600;
    c.viewScale = 100000;
    c.k = 0.25;
    c.viewWorldHeight = 0.25 * 600 * 100000;
    c.screenPixelsPerInch = 96;
    c.printable = {24, 96, 744, 1056};
    return c;
  }();
};

TEST_F(PrintDialogTest, TypedSizesFollowTheRulesAndBadNumbersAreUndone) {
  PrintLayout layout = OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context_);
  WhenShown("PrintDialog", [](QDialog& dialog) {
    EXPECT_EQ(Text(dialog, "width"), "8.33");
    EXPECT_EQ(Text(dialog, "height"), "6.25");
    EXPECT_EQ(Text(dialog, "pages"), "2 pgs");
    EXPECT_TRUE(dialog.findChild<QLineEdit*>("width")->isEnabled());
    Type(dialog, "width", "20");
    EXPECT_EQ(Text(dialog, "height"), "15.00");
    EXPECT_EQ(Text(dialog, "scale"), "41667");
    EXPECT_EQ(Text(dialog, "pages"), "6 pgs");
    for (const char* bad : {"abc", "0", "-4", ""}) {
      Type(dialog, "width", bad);
      EXPECT_EQ(Text(dialog, "width"), "20.00") << bad;
    }
    dialog.findChild<QRadioButton*>("centimeters")->click();
    EXPECT_EQ(Text(dialog, "width"), "20.00");
    EXPECT_EQ(Text(dialog, "pages"), "2 pgs");  // 756 x 567 pixels
    Type(dialog, "scale", "50000");
    EXPECT_EQ(Text(dialog, "height"), "31.75");  // 1200 pixels
    Press(dialog, "Print");
  });
  ASSERT_TRUE(ShowPrintDialog(nullptr, context_, layout));
  EXPECT_EQ(layout.unit, kPrintUnitCentimetres);
  EXPECT_EQ(layout.scale, 50000);
  EXPECT_EQ(layout.choice, PrintSizeChoice::kSpecify);
}

TEST_F(PrintDialogTest, FitDisablesTheSizeFieldsAndCancelKeepsTheLayout) {
  PrintLayout layout = OpeningPrintLayout(PrintSizeChoice::kSpecify, kUnitMiles, context_);
  const PrintLayout before = layout;
  WhenShown("PrintDialog", [](QDialog& dialog) {
    dialog.findChild<QRadioButton*>("fit")->click();
    EXPECT_FALSE(dialog.findChild<QLineEdit*>("width")->isEnabled());
    EXPECT_FALSE(dialog.findChild<QLineEdit*>("scale")->isEnabled());
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("inches")->isEnabled());
    EXPECT_EQ(Text(dialog, "width"), "7.50");  // 720 pixels
    EXPECT_EQ(Text(dialog, "pages"), "1 pgs");
    dialog.findChild<QRadioButton*>("specify")->click();
    EXPECT_TRUE(dialog.findChild<QLineEdit*>("width")->isEnabled());
    Press(dialog, "Cancel");
  });
  EXPECT_FALSE(ShowPrintDialog(nullptr, context_, layout));
  EXPECT_DOUBLE_EQ(layout.width, before.width);
  EXPECT_EQ(layout.choice, before.choice);
}

}  // namespace
}  // namespace tlv
