// Extras > Legend: the Settings dialog storing the overlays' legend marks (in LAYERS2.PLT at
// once) and the font size, and Show flipping the legend with its check mark.
#include "shell/legend_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QSpinBox>
#include <QTimer>

#include "app/preferences.h"
#include "catalogue/catalogue_folders.h"
#include "render/legend.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class LegendCommandsTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    ResetLegendForTesting();
    SetDefaultPreferences();
    ASSERT_EQ(SaveLayers(), 0);
    window = std::make_unique<MainWindow>();
    RegisterLegendCommands(*window);
  }
  void TearDown() override {
    window.reset();
    SetDefaultPreferences();
    ObjectsTest::TearDown();
  }
  std::unique_ptr<MainWindow> window;
};

TEST_F(LegendCommandsTest, SettingsStoreTheMarksAndTheFontSize) {
  const std::string before = test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT");
  {
    LegendSettingsDialog dialog(window.get());
    dialog.Overlays()
        ->findItems(QStringLiteral("Roads"), Qt::MatchExactly)
        .front()
        ->setCheckState(Qt::Unchecked);
    dialog.FontSize()->setValue(12);
    dialog.reject();
  }
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT"), before) << "Cancel";
  EXPECT_EQ(LegendFontSize(), 8);

  LegendSettingsDialog dialog(window.get());
  dialog.show();
  const QString shots = QStringLiteral(TOLVANE_BINARY_DIR) + QStringLiteral("/dialog-screenshots");
  QDir().mkpath(shots);
  dialog.grab().save(shots + QStringLiteral("/legend-settings.png"));
  dialog.Overlays()
      ->findItems(QStringLiteral("Roads"), Qt::MatchExactly)
      .front()
      ->setCheckState(Qt::Unchecked);
  dialog.FontSize()->setValue(12);
  dialog.accept();
  EXPECT_NE(LayerAt(LayerIDToIndex(roads)).flags & kNotInLegendFlag, 0);
  EXPECT_EQ(LayerAt(LayerIDToIndex(sites)).flags & kNotInLegendFlag, 0);
  EXPECT_EQ(LegendFontSize(), 12);
  std::vector<LayerRecord> saved;
  const CatalogueFolders& folders = CatalogueFolderIDs();
  ASSERT_EQ(ReadLayers2PltFile(folders.volume, folders.settings, "LAYERS2.PLT", saved), 0);
  bool found = false;
  for (const LayerRecord& layer : saved) {
    if (FieldText(layer.name) != "Roads") continue;
    found = true;
    EXPECT_NE(layer.flags & kNotInLegendFlag, 0);
  }
  EXPECT_TRUE(found);
}

TEST_F(LegendCommandsTest, ShowFlipsTheLegendAndItsCheckMark) {
  ASSERT_TRUE(window->CommandEnabled(23502));
  ASSERT_TRUE(window->CommandEnabled(23501));
  EXPECT_EQ(GetPref(Pref::kLegendShown), 0);
  window->DispatchCommand(23502);
  EXPECT_EQ(GetPref(Pref::kLegendShown), 1);
  window->UpdateMenus();
  for (QAction* action : window->MenuActions(23502)) EXPECT_TRUE(action->isChecked());
  window->DispatchCommand(23502);
  EXPECT_EQ(GetPref(Pref::kLegendShown), 0);
}

}  // namespace
}  // namespace tlv
