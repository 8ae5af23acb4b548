// The views dialogs through the main window, off screen: saving the view shown (a name in use
// keeps the dialog open), going to a saved view, and Edit Views renaming, deleting and choosing
// the Home view, applied to the files only on OK.
#include "shell/views_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <cstring>
#include <functional>
#include <memory>

#include "app/preferences.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/qt_test_app.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

void WithDialog(std::function<void(QDialog&)> steps) {
  QTimer::singleShot(0, [steps] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    steps(*dialog);
  });
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

class ViewsDialogsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    TestApplication();
    SetDefaultPreferences();
    MakeFolders(root / "Settings" / "Views");
    SetViewFolders(0, Register(root / "Settings" / "Views"), -1);
    ResetMapView();
    ResetDrawMapForTesting();
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    RegisterViewCommands(*window);
    ASSERT_TRUE(RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
  }
  void TearDown() override {
    window.reset();
    ResetDrawMapForTesting();
    ResetMapView();
    ResetViewsForTesting();
    SetDefaultPreferences();
    CatalogueTest::TearDown();
  }

  // Saves the view shown under a name through Save Current View....
  void SaveAs(const QString& name, bool home = false) {
    WithDialog([name, home](QDialog& dialog) {
      dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(name);
      dialog.findChild<QCheckBox*>(QStringLiteral("home"))->setChecked(home);
      Press(dialog, QDialogButtonBox::Ok);
    });
    ASSERT_TRUE(window->DispatchCommand(312));
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
};

TEST_F(ViewsDialogsTest, SavingAndGoingBackToAView) {
  CentreViewOn(24000, 101700000, 128600000);
  const WRect harbour = ViewWorldRect();
  SaveAs(QStringLiteral("Harbour"), true);
  ASSERT_TRUE(fs::exists(root / "Settings" / "Views" / "Harbour.VEW"));
  EXPECT_STREQ(HomeView().name, "Harbour");
  const std::vector<ViewRecord> views = SortedViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].rect, harbour);
  const QImage thumbnail = ViewThumbnail(views[0]);
  EXPECT_EQ(std::max(thumbnail.width(), thumbnail.height()), 150);

  // The same name again: the message, and the dialog stays open until Cancel.
  bool stayed = false;
  WithDialog([&stayed, this](QDialog& dialog) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("name"));
    EXPECT_FALSE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
    name->setText(QStringLiteral("Harbour"));
    Press(dialog, QDialogButtonBox::Ok);
    stayed = dialog.isVisible();
    EXPECT_EQ(platform().alerts.back().text, "There is already a view with that name on this map.");
    Press(dialog, QDialogButtonBox::Cancel);
  });
  ASSERT_TRUE(window->DispatchCommand(312));
  EXPECT_TRUE(stayed);
  EXPECT_EQ(SortedViews().size(), 1u);

  // Elsewhere, then back through Go to View.
  CentreViewOn(500000, 101000000, 128000000);
  WithDialog([](QDialog& dialog) {
    dialog.findChild<QListWidget*>(QStringLiteral("views"))->setCurrentRow(0);
    Press(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(window->DispatchCommand(311));
  const WRect shown = ViewWorldRect();
  EXPECT_LE(shown.x1, harbour.x1);
  EXPECT_GE(shown.x2, harbour.x2);
  EXPECT_LE(shown.y1, harbour.y1);
  EXPECT_GE(shown.y2, harbour.y2);
  EXPECT_LT(CurrentMapView().scale, 50000);
}

TEST_F(ViewsDialogsTest, EditViewsChangesTheFilesOnlyOnOk) {
  CentreViewOn(24000, 101700000, 128600000);
  SaveAs(QStringLiteral("Bridge"));
  CentreViewOn(50000, 101600000, 128500000);
  SaveAs(QStringLiteral("Harbour"), true);
  const std::string bridge = ReadWholeFile(root / "Settings" / "Views" / "Bridge.VEW");

  // Cancel keeps every file as it was.
  WithDialog([](QDialog& dialog) {
    auto& edit = dynamic_cast<EditViewsDialog&>(dialog);
    edit.List()->setCurrentRow(0);
    edit.DeleteSelected();
    Press(dialog, QDialogButtonBox::Cancel);
  });
  ASSERT_TRUE(window->DispatchCommand(313));
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Bridge.VEW"), bridge);

  // Rename the Home view (the Home view follows), delete Bridge, OK.
  WithDialog([](QDialog& dialog) {
    auto& edit = dynamic_cast<EditViewsDialog&>(dialog);
    ASSERT_EQ(edit.Working().size(), 2u);
    EXPECT_TRUE(edit.List()->item(1)->text().startsWith(QStringLiteral("\u2302")));
    edit.List()->setCurrentRow(1);
    edit.RenameSelected(QStringLiteral("Inner harbour"));
    edit.List()->setCurrentRow(0);
    edit.DeleteSelected();
    Press(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(window->DispatchCommand(313));
  EXPECT_FALSE(fs::exists(root / "Settings" / "Views" / "Bridge.VEW"));
  EXPECT_FALSE(fs::exists(root / "Settings" / "Views" / "Bridge.BTS"));
  const std::vector<ViewRecord> views = SortedViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_STREQ(views[0].name, "Inner harbour");
  EXPECT_STREQ(views[0].fileName, "Harbour.VEW");
  EXPECT_STREQ(HomeView().name, "Inner harbour");

  // "Use last view" keeps the Home view's place but marks it with scale 0.
  WithDialog([](QDialog& dialog) {
    dialog.findChild<QCheckBox*>(QStringLiteral("lastViewHome"))->setChecked(true);
    Press(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(window->DispatchCommand(313));
  EXPECT_EQ(HomeView().scale, 0);
}

}  // namespace
}  // namespace tlv::test
