#include "shell/export_command.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>

#include <functional>

#include "edit/selection.h"
#include "interchange/export.h"
#include "qt_test_app.h"
#include "shell/main_window.h"

namespace tlv {
namespace {

// Acts on the modal dialog of that object name once it shows.
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
    if (button->text() == text) {
      button->click();
      return;
    }
  }
  ADD_FAILURE() << "no button " << text.toStdString();
  dialog.reject();
}

class ExportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    ResetExportForTesting();
    ResetSelectionForTesting();
  }
  void TearDown() override {
    ResetExportForTesting();
    ResetSelectionForTesting();
  }
};

TEST_F(ExportCommandTest, TheDialogChangesTheKeptSettingsOnlyOnExport) {
  bool collectionEnabled = true;
  WhenShown("ExportDialog", [&](QDialog& dialog) {
    collectionEnabled = dialog.findChild<QRadioButton*>("searchCollection")->isEnabled();
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("selectedObjects")->isChecked());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("formatMIE")->isChecked());
    dialog.findChild<QRadioButton*>("formatText")->setChecked(true);
    WhenShown("SimpleTextExportFields", [&dialog](QDialog& fields) {
      const auto boxes = fields.findChildren<QCheckBox*>();
      ASSERT_EQ(boxes.size(), 6);
      EXPECT_EQ(boxes[5]->text(), "ID");
      boxes[0]->setChecked(false);
      boxes[4]->setChecked(false);
      fields.accept();
      QTimer::singleShot(0, [&dialog] { Press(dialog, "Export"); });
    });
    dialog.findChild<QPushButton*>("fields")->click();
  });
  ASSERT_TRUE(ShowExportDialog(nullptr, true, false));
  EXPECT_FALSE(collectionEnabled);
  const ExportSettings& settings = CurrentExportSettings();
  EXPECT_EQ(settings.format, kExportSimpleText);
  EXPECT_EQ(settings.source, kExportSelection);
  EXPECT_FALSE(settings.fields[kFieldName]);
  EXPECT_TRUE(settings.fields[kFieldOverlay]);
  EXPECT_FALSE(settings.fields[kFieldColour]);

  WhenShown("ExportDialog", [](QDialog& dialog) {
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("formatText")->isChecked());
    dialog.findChild<QRadioButton*>("formatShapefile")->setChecked(true);
    dialog.reject();
  });
  EXPECT_FALSE(ShowExportDialog(nullptr, true, false));
  EXPECT_EQ(CurrentExportSettings().format, kExportSimpleText);
}

TEST_F(ExportCommandTest, AnEmptySourceGivesWayToTheOther) {
  MutableExportSettings().source = kExportSelection;
  WhenShown("ExportDialog", [](QDialog& dialog) {
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("selectedObjects")->isEnabled());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("searchCollection")->isChecked());
    Press(dialog, "Export");
  });
  ASSERT_TRUE(ShowExportDialog(nullptr, false, true));
  EXPECT_EQ(CurrentExportSettings().source, kExportCollection);
}

TEST_F(ExportCommandTest, TheBNACommandWaitsForASelection) {
  MainWindow window;
  RegisterExportCommands(window);
  EXPECT_TRUE(window.CommandRegistered(107));
  EXPECT_TRUE(window.CommandRegistered(803));
  EXPECT_FALSE(window.CommandEnabled(803));
}

}  // namespace
}  // namespace tlv
