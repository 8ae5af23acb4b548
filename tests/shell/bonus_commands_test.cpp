#include "shell/bonus_commands.h"

#include <gtest/gtest.h>

#include <QAction>

#include <filesystem>

#include "app/config.h"
#include "catalogue/groups.h"
#include "qt_test_app.h"
#include "shell/main_window.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class BonusCommandsTest : public test::CatalogueTest {
 protected:
  void SetUp() override {
    test::TestApplication();
    CatalogueTest::SetUp();
    ResetConfigForTesting();
  }
  void TearDown() override {
    ResetConfigForTesting();
    CatalogueTest::TearDown();
  }
};

TEST_F(BonusCommandsTest, DeletingEmptyOverlaysActsWhileTheMenuIsThere) {
  const fs::path harbour = MakeMap("Harbour", "Harbour");
  MakeLayerFile(harbour, "ROADS", "Roads", 0);
  MakeLayerFile(harbour, "WELLS", "Wells", 3);
  ASSERT_EQ(LoadAll(), 0);
  MainWindow window;
  RegisterBonusCommands(window);
  ASSERT_TRUE(window.CommandRegistered(805));
  EXPECT_FALSE(window.CommandEnabled(805)) << "no Bonus menu without USEBONUSMENU";

  MutableConfig().useBonusMenu = 1;
  window.AppendBonusMenu();
  window.UpdateMenus();
  ASSERT_EQ(window.MenuActions(805).size(), 1u);
  EXPECT_TRUE(window.MenuActions(805).front()->isEnabled());
  ASSERT_TRUE(window.DispatchCommand(805));
  EXPECT_LT(LayerNameToIndex("Roads"), 0);
  EXPECT_FALSE(fs::exists(harbour / "ROADS.LYR"));
  EXPECT_GE(LayerNameToIndex("Wells"), 0);
  EXPECT_GE(LayerNameToIndex("Temporary Overlay"), 0);
}

}  // namespace
}  // namespace tlv
