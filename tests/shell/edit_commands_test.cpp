#include "shell/edit_commands.h"

#include <gtest/gtest.h>

#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "qt_test_app.h"
#include "shell/main_window.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

class EditCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    Reset();
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetModifyForTesting();
    ResetLifeCycleForTesting();
  }
};

TEST_F(EditCommandsTest, EditCommandsWaitForASelectionAndUndoForAStep) {
  MainWindow window;
  RegisterEditCommands(window);
  const int ids[] = {201, 202, 404, 405, 410, 415, 1001, 1017, 1028, 1037, 1038, 1047};
  for (int id : ids) {
    EXPECT_TRUE(window.CommandRegistered(id)) << id;
    EXPECT_FALSE(window.CommandEnabled(id)) << id << " with nothing selected or done";
  }
  ASSERT_EQ(BeginUndoList(kUndoDelete), 0);
  EXPECT_TRUE(window.CommandEnabled(201));
  SetUndoNothing();
  EXPECT_FALSE(window.CommandEnabled(201));
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

class EditCommandsOnMapsTest : public test::CatalogueTest {
 protected:
  void SetUp() override {
    test::TestApplication();
    CatalogueTest::SetUp();
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetModifyForTesting();
    ResetLifeCycleForTesting();
    ResetEditTargetsForTesting();
  }
  void TearDown() override {
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetModifyForTesting();
    ResetLifeCycleForTesting();
    ResetEditTargetsForTesting();
    CatalogueTest::TearDown();
  }
};

TEST_F(EditCommandsOnMapsTest, AChangedObjectBecomesTheEditTarget) {
  MakeMap("Harbour", "Harbour");
  ASSERT_EQ(LoadAll(), 0);
  std::string name = "Wells";
  int32_t layer = -1;
  ASSERT_EQ(AddLayer(name, false, false, false, layer), 0);
  const int32_t wells = LayerAt(layer).layerID;
  const int32_t harbour = MapAt(MapNameToIndex("Harbour")).mapID;
  ObjectID id;
  ASSERT_EQ(NewObjectID(id), 0);
  const std::string empty;
  const WRect at{10000000, 10000000, 10000000, 10000000};
  ObjectContents contents;
  contents.prefix = empty;
  contents.name = empty;
  contents.rect = at;
  int32_t position = -1;
  ASSERT_EQ(CreateObject(harbour, wells, kPointObject, id, contents, position), 0);
  ASSERT_EQ(AddSelectedObject(harbour, wells, position), 1);
  EXPECT_EQ(EditTargetMapID(), -1);

  MainWindow window;
  RegisterEditCommands(window);
  ASSERT_TRUE(window.DispatchCommand(1015));  // red
  EXPECT_EQ(EditTargetMapID(), harbour);
  EXPECT_EQ(EditTargetOverlayID(), wells);
  EXPECT_EQ(MapAt(MapNameToIndex("Harbour")).extent.x1, 10000000);
}

}  // namespace
}  // namespace tlv
