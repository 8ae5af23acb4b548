#include "shell/edit_commands.h"

#include <gtest/gtest.h>

#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "qt_test_app.h"
#include "shell/main_window.h"

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
