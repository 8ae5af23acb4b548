// The Preferences dialog off screen: values changed through its widgets, Apply and OK writing
// SETTING3.PLT at once with the live settings following, Cancel after Apply putting the file
// back byte for byte, and command 109.
#include "shell/preferences_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

#include "app/folders.h"
#include "app/preferences_commit.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class PreferencesDialogTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    test::TestApplication();
    ResetDirectoryTableForTesting();
    fs::create_directories(folder / "Settings");
    ASSERT_EQ(RegisterDirectory((folder / "Settings").string() + "/", true, settingsID), 0);
    savedFolders = Folders();
    MutableFolders().settings = settingsID;
    SetDefaultPreferences();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 190000000, 130000000);
    ASSERT_EQ(CommitPreferences(0, settingsID), 0);
    window = std::make_unique<MainWindow>();
  }
  void TearDown() override {
    window.reset();
    MutableFolders() = savedFolders;
    ResetMapView();
    ResetGeometrySettings();
    SetDefaultPreferences();
    test::CoreTest::TearDown();
  }
  std::string File() { return test::ReadWholeFile(folder / "Settings" / "SETTING3.PLT"); }
  template <typename W>
  W* Field(PreferencesDialog& dialog, Pref pref) {
    auto* widget = qobject_cast<W*>(dialog.FieldWidget(pref));
    EXPECT_NE(widget, nullptr) << PrefName(pref);
    return widget;
  }

  test::TempFolder folder;
  int32_t settingsID = -1;
  FolderTable savedFolders;
  std::unique_ptr<MainWindow> window;
};

TEST_F(PreferencesDialogTest, OkWritesTheRecordAndTheLiveSettingsFollow) {
  PreferencesDialog dialog(window.get());
  dialog.show();
  const QString shots = QStringLiteral(TOLVANE_BINARY_DIR) + QStringLiteral("/dialog-screenshots");
  QDir().mkpath(shots);
  dialog.grab().save(shots + QStringLiteral("/preferences.png"));
  auto* unit = Field<QComboBox>(dialog, Pref::kDistanceUnit);
  EXPECT_EQ(unit->currentText(), QStringLiteral("miles"));
  unit->setCurrentIndex(unit->findText(QStringLiteral("kilometers")));
  auto* format = Field<QComboBox>(dialog, Pref::kCoordinateFormat);
  format->setCurrentIndex(2);
  auto* scale = Field<QComboBox>(dialog, Pref::kScaleDisplayMode);
  scale->setCurrentIndex(1);
  Field<QCheckBox>(dialog, Pref::kFlashClickPoint)->setChecked(false);
  Field<QCheckBox>(dialog, Pref::kGridShown)->setChecked(true);
  Field<QSpinBox>(dialog, Pref::kSelectionTagSize)->setValue(7);
  auto* colour = Field<QComboBox>(dialog, Pref::kClickPointColor);
  colour->setCurrentIndex(colour->findText(QStringLiteral("Blue")));
  dialog.findChild<QLineEdit*>(QStringLiteral("extraLine"))->setText(QStringLiteral("Exercise 7"));
  dialog.findChild<QAbstractButton*>(QStringLiteral("homeLastRun"))->click();
  dialog.accept();

  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 4);
  EXPECT_EQ(CurrentGeometrySettings().distanceUnit, 4);
  EXPECT_EQ(CurrentGeometrySettings().coordinateFormat, 2);
  EXPECT_EQ(ScaleDisplayModeSetting(), 1);
  EXPECT_EQ(FormatScale(CurrentMapView().scale), "1 cm = 0.24 km") << "metric paper units now";
  EXPECT_EQ(GetPref(Pref::kFlashClickPoint), 0);
  EXPECT_EQ(GetPref(Pref::kGridShown), 1);
  EXPECT_EQ(GetPref(Pref::kSelectionTagSize), 7);
  EXPECT_EQ(GetPref(Pref::kClickPointColor), 11) << "the stored code of the menu's Blue";
  EXPECT_EQ(GetPrefText(PrefText::kTimeStampExtraLine), "Exercise 7");
  EXPECT_EQ(HomeView().scale, 0);
  EXPECT_EQ(File(), PreferencesImage()) << "written at once";
}

TEST_F(PreferencesDialogTest, CancelAfterApplyPutsTheFileBackByteForByte) {
  const std::string before = File();
  PreferencesDialog dialog(window.get());
  Field<QCheckBox>(dialog, Pref::kConfirmDeletes)->setChecked(false);
  dialog.findChild<QAbstractButton*>(QStringLiteral("homeCurrent"))->click();
  dialog.ApplyButton()->click();
  EXPECT_EQ(GetPref(Pref::kConfirmDeletes), 0);
  EXPECT_EQ(HomeView().scale, 24000) << "the current view became the Home view";
  EXPECT_NE(File(), before);
  dialog.reject();
  EXPECT_EQ(File(), before);
  EXPECT_EQ(GetPref(Pref::kConfirmDeletes), 1);
  EXPECT_EQ(PreferencesImage(), before);

  // Cancel without Apply writes nothing.
  PreferencesDialog again(window.get());
  Field<QCheckBox>(again, Pref::kConfirmDeletes)->setChecked(false);
  again.reject();
  EXPECT_EQ(File(), before);
}

TEST_F(PreferencesDialogTest, CommandOneHundredNineOpensIt) {
  RegisterPreferencesCommand(*window);
  EXPECT_TRUE(window->CommandEnabled(109));
  bool opened = false;
  QTimer::singleShot(0, [&opened] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opened = dialog->windowTitle() == QStringLiteral("Preferences");
    dialog->reject();
  });
  window->DispatchCommand(109);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace tlv
