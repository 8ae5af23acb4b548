// The Overlay Maps dialog off screen: in-use check boxes, Remove with its question, Rename, Find
// New Map on a folder that is not a map, OK applying the copy and Cancel leaving every NAME.MAP
// as it was; Go to Map fitting a map's objects with its notes; command 302.
#include "shell/map_list_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QTreeWidget>

#include "app/wiring.h"
#include "catalogue/display_settings.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class MapListDialogTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    WireCore();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 10000000, 10000000);
  }
  void TearDown() override {
    ResetMapView();
    ObjectsTest::TearDown();
  }
  std::string NameMap(const char* folder) {
    return test::ReadWholeFile(root / "OverlayMaps" / folder / "NAME.MAP");
  }
  static QString State(MapListDialog& dialog, const char* name) {
    const auto found = dialog.Tree()->findItems(QString::fromLatin1(name), Qt::MatchExactly, 0);
    return found.isEmpty() ? QString() : found.front()->text(1);
  }
};

TEST_F(MapListDialogTest, CancelLeavesTheCatalogueAndTheFilesAsTheyWere) {
  const std::string harbourBefore = NameMap("Harbour");
  {
    MapListDialog dialog(nullptr);
    const QString shots =
        QStringLiteral(TOLVANE_BINARY_DIR) + QStringLiteral("/dialog-screenshots");
    QDir().mkpath(shots);
    dialog.show();
    dialog.grab().save(shots + QStringLiteral("/overlay-maps.png"));
    EXPECT_EQ(State(dialog, "Harbour"), QStringLiteral("In Use"));
    ASSERT_TRUE(dialog.SelectMap("Harbour"));
    dialog.Tree()->currentItem()->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(State(dialog, "Harbour"), QStringLiteral("Not In Use"));
    dialog.RenameCurrent("Port");
    platform().answers.push_back(0);
    ASSERT_TRUE(dialog.SelectMap("Inland"));
    dialog.RemoveCurrent();
    EXPECT_TRUE(State(dialog, "Inland").isEmpty());
    dialog.reject();
  }
  EXPECT_EQ(NameMap("Harbour"), harbourBefore);
  EXPECT_GE(MapNameToIndex("Inland"), 0);
  EXPECT_EQ(MapAt(MapNameToIndex("Harbour")).inUse, 1);
}

TEST_F(MapListDialogTest, OkAppliesUseRemovalAndNames) {
  {
    MapListDialog dialog(nullptr);
    ASSERT_TRUE(dialog.SelectMap("Harbour"));
    dialog.Tree()->currentItem()->setCheckState(0, Qt::Unchecked);
    dialog.RenameCurrent("Port");
    ASSERT_TRUE(dialog.SelectMap("Inland"));
    platform().answers.push_back(1);  // Cancel the question: nothing goes
    dialog.RemoveCurrent();
    EXPECT_EQ(State(dialog, "Inland"), QStringLiteral("In Use"));
    ASSERT_FALSE(platform().questions.empty());
    EXPECT_EQ(platform().questions.back().title, "Remove Map?");
    EXPECT_NE(platform().questions.back().text.find("Are you sure you want to remove the map "
                                                    "\"Inland\"?"),
              std::string::npos);
    platform().answers.push_back(0);
    dialog.RemoveCurrent();
    dialog.accept();
  }
  const int32_t port = MapNameToIndex("Port");
  ASSERT_GE(port, 0);
  EXPECT_EQ(MapAt(port).inUse, 0);
  EXPECT_EQ(MapNameToIndex("Inland"), -1);
  EXPECT_TRUE(test::PathExists(root / "OverlayMaps" / "Inland" / "NAME.MAP"))
      << "removing only takes the map out of the list";
  EXPECT_TRUE(test::PathExists(root / "OverlayMaps" / "Port" / "NAME.MAP"));
  EXPECT_EQ(NameMap("Port").substr(0, 5), std::string("Port\0", 5));
}

TEST_F(MapListDialogTest, AFolderThatIsNotAMapChangesNothing) {
  fs::create_directories(root / "Elsewhere" / "Plain");
  MapListDialog dialog(nullptr);
  const int rows = dialog.Tree()->topLevelItemCount();
  dialog.FindNewMap((root / "Elsewhere" / "Plain").string());
  EXPECT_EQ(dialog.Tree()->topLevelItemCount(), rows);
  EXPECT_FALSE(platform().alerts.empty());
  platform().alerts.clear();
  dialog.FindNewMap(harbourFolder.string());
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts.back().text, "The map you chose is already in the list.");
  EXPECT_EQ(dialog.Tree()->topLevelItemCount(), rows);
  dialog.reject();
  EXPECT_FALSE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));
}

TEST_F(MapListDialogTest, GoToMapFitsItsObjectsAndSaysWhenNoneShow) {
  ObjectGraphics graphics;
  graphics.symbol = 212;
  graphics.colour = 1;
  const WRect place{190000000, 130000000, 190100000, 130050000};
  MakeObject(harbour, roads, kRectangleObject, "Yard", &graphics, place);
  ASSERT_TRUE(GoToMap(harbour));
  const WRect view = ViewWorldRect();
  EXPECT_LE(view.x1, place.x1);
  EXPECT_GE(view.x2, place.x2);
  EXPECT_LE(view.y1, place.y1);
  EXPECT_GE(view.y2, place.y2);
  EXPECT_TRUE(platform().alerts.empty());

  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.displayMode = kDisplayHide;
  SetLayerRecord(LayerIDToIndex(roads), layer);
  ASSERT_TRUE(GoToMap(harbour));
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts.back().text,
            "The map to be shown is not visible because none of its overlays are shown.");
  EXPECT_FALSE(GoToMap(inland)) << "no objects to show";
}

TEST_F(MapListDialogTest, CommandThreeHundredTwoOpensIt) {
  MainWindow window;
  RegisterOverlayMapsCommand(window);
  EXPECT_TRUE(window.CommandEnabled(302));
  bool opened = false;
  QTimer::singleShot(0, [&opened] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    opened = dialog->windowTitle() == QStringLiteral("Overlay Maps");
    dialog->reject();
  });
  window.DispatchCommand(302);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace tlv
