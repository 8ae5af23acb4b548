// The Overlay Manager off screen on a temporary maps folder, driven through its widgets: display
// modes, locks through the Unlocking Overlay dialog, legend marks, moves with the buttons and the
// keys, groups, names, default graphics and scale ranges; OK writes LAYERS2.PLT and GROUPS.PLT at
// once and Cancel leaves them byte for byte as they were. Each dialog's picture is saved for
// review in the build folder's dialog-screenshots.
#include "shell/overlay_manager.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "app/wiring.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/display_settings.h"
#include "catalogue/groups.h"
#include "catalogue/layer_order.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// Saves the widget's picture where the README says the dialogs' pictures are.
void SaveScreenshot(QWidget& widget, const char* name) {
  const QString folder = QStringLiteral(TOLVANE_BINARY_DIR) + QStringLiteral("/dialog-screenshots");
  QDir().mkpath(folder);
  widget.grab().save(folder + QLatin1Char('/') + QString::fromLatin1(name) +
                     QStringLiteral(".png"));
}

// Runs answer on the next modal dialog once it is shown (the dialogs the manager opens).
void WhenDialogOpens(std::function<void(QDialog&)> answer) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    answer(*dialog);
  });
  timer->start();
}

// A key of the "moves" pop-up, as the dialog's shortcut for it delivers it.
void PressKey(QDialog& dialog, const char* key) {
  for (QAction* action : dialog.actions()) {
    if (action->shortcut() == QKeySequence(QString::fromLatin1(key))) {
      action->trigger();
      return;
    }
  }
  ADD_FAILURE() << "no shortcut " << key;
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

void TypeName(const char* name) {
  WhenDialogOpens([name](QDialog& dialog) {
    auto* input = qobject_cast<QInputDialog*>(&dialog);
    ASSERT_NE(input, nullptr);
    input->setTextValue(QString::fromLatin1(name));
    input->accept();
  });
}

class OverlayManagerTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    WireCore();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 190000000, 130000000);
    window = std::make_unique<MainWindow>();
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    MakeObject(harbour, roads, kPointObject, "Depot", &graphics,
               {190000000, 130000000, 190000010, 130000010});
    // The files the dialog is judged by exist before it opens.
    ASSERT_EQ(SaveLayers(), 0);
    ASSERT_EQ(AddGroup("Spare"), 0);
    ASSERT_EQ(SaveLayers(), 0);
  }
  void TearDown() override {
    window.reset();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  std::string Layers2() { return test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT"); }
  std::string Groups() { return test::ReadWholeFile(root / "Settings" / "GROUPS.PLT"); }
  // The overlays as LAYERS2.PLT holds them.
  std::vector<LayerRecord> Saved() {
    std::vector<LayerRecord> layers;
    const CatalogueFolders& folders = CatalogueFolderIDs();
    EXPECT_EQ(ReadLayers2PltFile(folders.volume, folders.settings, "LAYERS2.PLT", layers), 0);
    return layers;
  }
  LayerRecord SavedNamed(const std::string& name) {
    for (const LayerRecord& layer : Saved()) {
      if (FieldText(layer.name) == name) return layer;
    }
    ADD_FAILURE() << name << " not saved";
    return LayerRecord();
  }
  LayerRecord Named(const std::string& name) { return LayerAt(LayerNameToIndex(name)); }
  QPushButton* Button(OverlayManagerDialog& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(button, nullptr) << name;
    return button;
  }

  std::unique_ptr<MainWindow> window;
};

TEST_F(OverlayManagerTest, CancelLeavesTheFilesAndTheCatalogueAsTheyWere) {
  const std::string layersBefore = Layers2();
  const std::string groupsBefore = Groups();
  const LayerRecord roadsBefore = Named("Roads");
  {
    OverlayManagerDialog dialog(window.get(), window.get());
    dialog.show();
    ASSERT_TRUE(dialog.SelectLayer("Roads"));
    dialog.ModeButton(kDisplayHide)->click();
    EXPECT_EQ(Named("Roads").displayMode, kDisplayHide) << "the change shows at once";
    EXPECT_EQ(dialog.ModeText()->text(), QStringLiteral("Do not show objects."));
    dialog.OverrideButton(1)->click();
    dialog.LayerItem("Roads")->setCheckState(OverlayManagerDialog::kLegendColumn, Qt::Unchecked);
    dialog.LayerItem("Roads")->setCheckState(OverlayManagerDialog::kLockColumn, Qt::Checked);
    PressKey(dialog, "Ctrl+T");
    EXPECT_EQ(LayerName(0), "Roads");
    dialog.reject();
  }
  EXPECT_EQ(Layers2(), layersBefore);
  EXPECT_EQ(Groups(), groupsBefore);
  const LayerRecord roadsAfter = Named("Roads");
  EXPECT_EQ(std::memcmp(&roadsAfter, &roadsBefore, sizeof roadsAfter), 0);
  EXPECT_EQ(LayerNameToIndex("Roads"), 1) << "the order came back";
  EXPECT_TRUE(SomeLayerUnlocked());
}

TEST_F(OverlayManagerTest, OkWritesModesLegendAndOverrideAtOnce) {
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  SaveScreenshot(dialog, "overlay-manager");
  ASSERT_TRUE(dialog.SelectLayer("Roads"));
  dialog.ModeButton(kDisplayHide)->click();
  EXPECT_EQ(dialog.LayerItem("Roads")->text(OverlayManagerDialog::kModeColumn),
            QStringLiteral("Hide"));
  dialog.OverrideButton(1)->click();
  dialog.LayerItem("Roads")->setCheckState(OverlayManagerDialog::kLegendColumn, Qt::Unchecked);
  dialog.accept();
  const LayerRecord saved = SavedNamed("Roads");
  EXPECT_EQ(saved.displayMode, kDisplayHide);
  EXPECT_EQ(saved.graphicsOverride, 1);
  EXPECT_EQ(saved.flags & kNotInLegendFlag, kNotInLegendFlag);
  EXPECT_FALSE(LayerVisibleNow(LayerNameToIndex("Roads"))) << "hidden: not drawn any more";
}

TEST_F(OverlayManagerTest, UnlockingGoesThroughTheUnlockingDialog) {
  const int32_t sitesIndex = LayerNameToIndex("Sites");
  ASSERT_EQ(SetLayerLocked(sitesIndex, true), 0);
  ASSERT_EQ(SetLayerLocked(LayerNameToIndex("Roads"), true), 0);
  AnyLayerUnlocked();
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  QTreeWidgetItem* roads = dialog.LayerItem("Roads");
  ASSERT_EQ(roads->checkState(OverlayManagerDialog::kLockColumn), Qt::Checked);

  // Cancel in the Unlocking dialog: the check mark goes back, the overlay stays locked.
  bool shown = false;
  WhenDialogOpens([&shown](QDialog& unlocking) {
    shown = true;
    EXPECT_EQ(unlocking.windowTitle(), QStringLiteral("Unlocking Overlay"));
    auto* maps = unlocking.findChild<QListWidget*>(QStringLiteral("maps"));
    ASSERT_NE(maps, nullptr);
    ASSERT_EQ(maps->count(), 1);
    EXPECT_EQ(maps->item(0)->text(),
              QStringLiteral("Harbour (1 objects): its objects can be changed."));
    Press(unlocking, QDialogButtonBox::Cancel);
  });
  roads->setCheckState(OverlayManagerDialog::kLockColumn, Qt::Unchecked);
  EXPECT_TRUE(shown);
  EXPECT_EQ(roads->checkState(OverlayManagerDialog::kLockColumn), Qt::Checked);
  EXPECT_NE(Named("Roads").lockState & kLockedBit, 0);

  WhenDialogOpens([](QDialog& unlocking) {
    SaveScreenshot(unlocking, "unlocking-overlay");
    unlocking.accept();
  });
  roads->setCheckState(OverlayManagerDialog::kLockColumn, Qt::Unchecked);
  EXPECT_EQ(Named("Roads").lockState, 0);
  EXPECT_TRUE(SomeLayerUnlocked()) << "a new object can now be drawn";
  dialog.accept();
  // Saved unlocked; the next start locks it again, as every start does.
  EXPECT_EQ(SavedNamed("Roads").lockState, 0);
}

TEST_F(OverlayManagerTest, MovesWithButtonsKeysAndGroups) {
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  ASSERT_TRUE(dialog.SelectLayer("Sites"));
  Button(dialog, "top")->click();
  EXPECT_EQ(LayerName(0), "Sites");
  EXPECT_EQ(dialog.Tree()->currentItem()->text(0), QStringLiteral("Sites")) << "stays selected";
  PressKey(dialog, "Ctrl+D");
  EXPECT_EQ(LayerName(1), "Sites");

  // A new group, Sites into it through the group chooser, then Roads below it joins too.
  TypeName("Facilities");
  Button(dialog, "newGroup")->click();
  ASSERT_NE(dialog.GroupItem("Facilities"), nullptr);
  ASSERT_TRUE(dialog.SelectLayer("Sites"));
  WhenDialogOpens([](QDialog& chooser) {
    auto* groups = chooser.findChild<QListWidget*>(QStringLiteral("groups"));
    ASSERT_NE(groups, nullptr);
    const auto found = groups->findItems(QStringLiteral("Facilities"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    groups->setCurrentItem(found.front());
    SaveScreenshot(chooser, "into-group");
    Press(chooser, QDialogButtonBox::Ok);
  });
  dialog.RunMove(kMoveIntoGroupCommand);
  ASSERT_TRUE(dialog.SelectLayer("Roads"));
  WhenDialogOpens([](QDialog& chooser) {
    auto* groups = chooser.findChild<QListWidget*>(QStringLiteral("groups"));
    EXPECT_EQ(groups->currentItem()->text(), QStringLiteral("Facilities"))
        << "the group next to the overlay is offered first";
    Press(chooser, QDialogButtonBox::Ok);
  });
  PressKey(dialog, "Ctrl+I");
  QTreeWidgetItem* group = dialog.GroupItem("Facilities");
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->childCount(), 2);
  EXPECT_EQ(group->child(0)->text(0), QStringLiteral("Sites"));
  EXPECT_EQ(group->child(1)->text(0), QStringLiteral("Roads"));

  // The group moves as a block; a name another group has is refused with an alert.
  ASSERT_TRUE(dialog.SelectGroup("Facilities"));
  Button(dialog, "top")->click();
  EXPECT_EQ(LayerName(0), "Sites");
  EXPECT_EQ(LayerName(1), "Roads");
  EXPECT_EQ(dialog.Tree()->topLevelItem(0)->text(0), QStringLiteral("Facilities"))
      << "the list shows the new order";
  EXPECT_EQ(dialog.Tree()->currentItem()->text(0), QStringLiteral("Facilities"));
  const int beeps = platform().beeps;
  Button(dialog, "up")->click();
  EXPECT_EQ(platform().beeps, beeps + 1) << "already at the top";
  TypeName("spare");
  Button(dialog, "renameGroup")->click();
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text, "A group named \"spare\" already exists.");
  EXPECT_NE(dialog.GroupItem("Facilities"), nullptr);
  SaveScreenshot(dialog, "overlay-manager-groups");
  dialog.accept();

  const std::vector<LayerRecord> saved = Saved();
  ASSERT_GE(saved.size(), 3u);
  EXPECT_EQ(FieldText(saved[0].name), "Sites");
  EXPECT_EQ(FieldText(saved[1].name), "Roads");
  EXPECT_NE(Groups().find(std::string("Facilities\0", 11)), std::string::npos);
  // What was written loads back without the "not consistent" alert.
  platform().alerts.clear();
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_TRUE(platform().alerts.empty());
  int32_t first = -1, last = -1;
  GroupRecord record;
  for (int32_t g = 0; GetGroupRecord(g, record); ++g) {
    if (FieldText(record.name) == "Facilities") {
      ASSERT_TRUE(GroupRun(record, first, last));
    }
  }
  EXPECT_EQ(LayerName(first), "Sites");
  EXPECT_EQ(LayerName(last), "Roads");
}

TEST_F(OverlayManagerTest, NewRenamedAndDeletedOverlaysChangeTheFilesAtOnce) {
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  TypeName("Shelters");
  Button(dialog, "newOverlay")->click();
  ASSERT_NE(dialog.LayerItem("Shelters"), nullptr);
  EXPECT_EQ(Named("Shelters").lockState, 0) << "made here to be drawn on";
  EXPECT_EQ(SavedNamed("Shelters").displayMode, kDisplayShow) << "written at once";

  ASSERT_TRUE(dialog.SelectLayer("Roads"));
  TypeName("Highways");
  Button(dialog, "renameOverlay")->click();
  ASSERT_NE(dialog.LayerItem("Highways"), nullptr);
  EXPECT_TRUE(test::PathExists(harbourFolder / "Highways.OBJ"));
  EXPECT_EQ(LayerObjectCount(Named("Highways").layerID), 1);

  ASSERT_TRUE(dialog.SelectLayer("Highways"));
  platform().answers.push_back(1);  // Cancel
  Button(dialog, "deleteOverlay")->click();
  ASSERT_NE(dialog.LayerItem("Highways"), nullptr);
  ASSERT_FALSE(platform().questions.empty());
  EXPECT_EQ(platform().questions.back().text,
            "Delete the overlay \"Highways\" and its files on every map?  Its 1 objects will be "
            "lost.");
  platform().answers.push_back(0);  // Delete
  Button(dialog, "deleteOverlay")->click();
  EXPECT_EQ(dialog.LayerItem("Highways"), nullptr);
  EXPECT_FALSE(test::PathExists(harbourFolder / "Highways.OBJ"));
  // Cancel now goes back only to the last change of files.
  const std::string layersNow = Layers2();
  dialog.reject();
  EXPECT_EQ(Layers2(), layersNow);
  EXPECT_EQ(LayerNameToIndex("Highways"), -1);
  EXPECT_GE(LayerNameToIndex("Shelters"), 0);
}

TEST_F(OverlayManagerTest, ScaleRangesAreClampedOrderedAndCautioned) {
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  ASSERT_TRUE(dialog.SelectLayer("Roads"));
  // Cancel keeps the values.
  WhenDialogOpens([](QDialog& ranges) {
    ranges.findChild<QLineEdit*>(QStringLiteral("dots"))->setText(QStringLiteral("1000"));
    Press(ranges, QDialogButtonBox::Cancel);
  });
  Button(dialog, "scaleRanges")->click();
  EXPECT_EQ(Named("Roads").scales[3], 512000);

  // Mode "show": a new range cautions with 606; values out of order and limit are mended.
  WhenDialogOpens([](QDialog& ranges) {
    SaveScreenshot(ranges, "overlay-scale-ranges");
    ranges.findChild<QLineEdit*>(QStringLiteral("zoomedIn"))->setText(QStringLiteral("60,000"));
    ranges.findChild<QLineEdit*>(QStringLiteral("zoomedOut"))->setText(QStringLiteral("30000"));
    ranges.findChild<QLineEdit*>(QStringLiteral("names"))->setText(QStringLiteral("900000000"));
    Press(ranges, QDialogButtonBox::Ok);
  });
  Button(dialog, "scaleRanges")->click();
  const LayerRecord roadsNow = Named("Roads");
  EXPECT_EQ(roadsNow.scales[0], 30000);
  EXPECT_EQ(roadsNow.scales[1], 60000);
  EXPECT_EQ(roadsNow.scales[2], 262144000);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_NE(platform().alerts.front().text.find("\"range\" mode"), std::string::npos);
  EXPECT_EQ(platform().alerts.size(), 1u) << "names changed in show mode: no caution";

  // In range mode the range now leaves out the current scale (1:24,000): not drawn.
  dialog.ModeButton(kDisplayRange)->click();
  EXPECT_FALSE(LayerVisibleNow(LayerNameToIndex("Roads")));
  // A slider moves on the doubling stops and fills the field; a word is refused.
  WhenDialogOpens([](QDialog& ranges) {
    auto* slider = ranges.findChild<QSlider*>(QStringLiteral("dotsSlider"));
    slider->setValue(3);
    EXPECT_EQ(ranges.findChild<QLineEdit*>(QStringLiteral("dots"))->text(), QStringLiteral("4000"));
    ranges.findChild<QLineEdit*>(QStringLiteral("names"))->setText(QStringLiteral("lots"));
    Press(ranges, QDialogButtonBox::Ok);
    EXPECT_TRUE(ranges.isVisible()) << "stays open on a word";
    ranges.findChild<QLineEdit*>(QStringLiteral("names"))->setText(QStringLiteral("64000"));
    Press(ranges, QDialogButtonBox::Ok);
  });
  platform().alerts.clear();
  Button(dialog, "scaleRanges")->click();
  EXPECT_EQ(Named("Roads").scales[3], 4000);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts.front().text, "\"lots\" is not a scale.  Type a number.");
  dialog.accept();
  EXPECT_EQ(SavedNamed("Roads").scales[3], 4000);
}

TEST_F(OverlayManagerTest, DefaultGraphicsUseTheObjectSettingsChoosers) {
  OverlayManagerDialog dialog(window.get(), window.get());
  dialog.show();
  ASSERT_TRUE(dialog.SelectLayer("Sites"));
  WhenDialogOpens([](QDialog& graphics) {
    SaveScreenshot(graphics, "default-graphics");
    auto* colour = graphics.findChild<QComboBox*>(QStringLiteral("colour"));
    colour->setCurrentIndex(colour->findText(QStringLiteral("Red")));
    auto* fill = graphics.findChild<QComboBox*>(QStringLiteral("fill"));
    fill->setCurrentIndex(fill->findData(7));
    graphics.findChild<QSpinBox*>(QStringLiteral("symbol"))->setValue(54);
    auto* override = graphics.findChild<QComboBox*>(QStringLiteral("override"));
    override->setCurrentIndex(override->findData(1));
    Press(graphics, QDialogButtonBox::Ok);
  });
  Button(dialog, "graphics")->click();
  const LayerRecord sites = Named("Sites");
  EXPECT_EQ(sites.graphics[0], 54);
  EXPECT_EQ(sites.graphics[1], 14) << "the stored colour the Colour menu's Red sets";
  EXPECT_EQ(sites.graphics[4], 7);
  EXPECT_EQ(sites.graphicsOverride, 1);
  EXPECT_TRUE(dialog.OverrideButton(1)->isChecked());
  dialog.reject();
  EXPECT_EQ(Named("Sites").graphics[0], 212) << "Cancel takes the graphics back too";
}

TEST_F(OverlayManagerTest, CommandsThreeHundredOneAndTheRightClickItemOpenIt) {
  RegisterOverlayManagerCommands(*window);
  EXPECT_TRUE(window->CommandEnabled(301));
  EXPECT_TRUE(window->CommandEnabled(20602));
  bool opened = false;
  WhenDialogOpens([&opened](QDialog& dialog) {
    opened = dialog.windowTitle() == QStringLiteral("Overlay Manager");
    dialog.reject();
  });
  window->DispatchCommand(301);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace tlv
