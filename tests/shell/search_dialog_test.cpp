// The Search Criteria dialog off screen, on objects made through the real catalogue: the rule
// that enables "Search", the checked-list counts, the reference checks that keep it open, and a
// search through command 204 that fills the collection window.
#include "shell/search_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/wiring.h"
#include "edit/selection.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "shell/collection_window.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class SearchDialogTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    WireCore();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 190000000, 130000000);
    ResetSearchEngineForTesting();
    MarkAllOverlaysForSearch(true);
    MarkAllMapsForSearch(true);
    window = std::make_unique<MainWindow>();
    RegisterCollectionCommands(*window);
    RegisterSearchCommands(*window);
  }
  void TearDown() override {
    window.reset();
    ClearMarkedPoint();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  int32_t Named(int32_t overlayID, const std::string& name) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    return MakeObject(harbour, overlayID, kPointObject, name, &graphics,
                      {190000000, 130000000, 190000010, 130000010});
  }
  static void Choose(QButtonGroup* group, int id) { group->button(id)->click(); }

  std::unique_ptr<MainWindow> window;
};

TEST_F(SearchDialogTest, SearchIsEnabledOnlyWithOverlaysMapsAndText) {
  SearchDialog dialog(window.get());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search Criteria"));
  EXPECT_EQ(dialog.ModeGroup()->checkedId(), kSearchReplace);
  EXPECT_TRUE(dialog.SearchButton()->isEnabled()) << "any name needs no text";
  Choose(dialog.CriterionGroup(), kSearchStartsWith);
  EXPECT_FALSE(dialog.SearchButton()->isEnabled());
  dialog.NameField()->setText("ma");
  EXPECT_TRUE(dialog.SearchButton()->isEnabled());
  Choose(dialog.CriterionGroup(), kSearchWithin);
  dialog.DistanceField()->clear();
  EXPECT_FALSE(dialog.SearchButton()->isEnabled());
  dialog.DistanceField()->setText("2");
  EXPECT_TRUE(dialog.SearchButton()->isEnabled());

  Choose(dialog.OverlayChoiceGroup(), kMultipleOverlays);
  QListWidget* overlays = dialog.OverlayList();
  for (int i = 0; i < overlays->count(); ++i) overlays->item(i)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.OverlayCountLabel()->text(), QStringLiteral("(0 overlays checked)"));
  EXPECT_FALSE(dialog.SearchButton()->isEnabled());
  overlays->item(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(dialog.OverlayCountLabel()->text(), QStringLiteral("(1 overlay checked)"));
  EXPECT_TRUE(dialog.SearchButton()->isEnabled());
  Choose(dialog.MapChoiceGroup(), kSelectedMaps);
  QListWidget* maps = dialog.MapList();
  for (int i = 0; i < maps->count(); ++i) maps->item(i)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(dialog.SearchButton()->isEnabled());
  EXPECT_EQ(dialog.MapCountLabel()->text(), QStringLiteral("(0 maps checked)"));
  maps->item(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(dialog.MapCountLabel()->text(), QStringLiteral("(1 map checked)"));
  EXPECT_TRUE(dialog.SearchButton()->isEnabled());
}

TEST_F(SearchDialogTest, AMissingReferenceOrABadDistanceKeepsTheDialogOpen) {
  SearchDialog dialog(window.get());
  Choose(dialog.CriterionGroup(), kSearchWithin);
  Choose(dialog.ReferenceGroup(), kReferenceMarkedPoint);
  dialog.TrySearch();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text,
            "You cannot search based on the Marked Point since no point is marked.");
  const int beeps = platform().beeps;
  SetMarkedPoint({190000000, 130000000});
  dialog.DistanceField()->setText("-3");
  dialog.TrySearch();
  EXPECT_EQ(platform().beeps, beeps + 1);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  dialog.DistanceField()->setText("3");
  dialog.TrySearch();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(CurrentSearchCriteria().criterion, kSearchWithin);
  EXPECT_EQ(CurrentSearchCriteria().reference, kReferenceMarkedPoint);
  EXPECT_EQ(CurrentSearchCriteria().distanceText, "3");
}

TEST_F(SearchDialogTest, CommandTwoHundredFourSearchesAndShowsTheCollection) {
  const int32_t main = Named(roads, "Main St");
  Named(roads, "Oak St");
  const int32_t site = Named(sites, "Maple");
  // The dialog is modal: answer it once it is up, searching Roads only.
  QTimer::singleShot(0, [] {
    auto* dialog = dynamic_cast<SearchDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->CriterionGroup()->button(kSearchStartsWith)->click();
    dialog->NameField()->setText("ma");
    dialog->OverlayChoiceGroup()->button(kSingleOverlay)->click();
    dialog->SingleOverlayBox()->setCurrentIndex(dialog->SingleOverlayBox()->findText("Roads"));
    dialog->SearchButton()->click();
  });
  ASSERT_TRUE(window->DispatchCommand(204));
  ASSERT_EQ(CollectedObjectCount(), 1);
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.position, main);
  EXPECT_EQ(e.overlayID, roads);
  EXPECT_NE(site, -1);
  ASSERT_NE(ExistingCollectionWindow(), nullptr);
  EXPECT_TRUE(ExistingCollectionWindow()->isVisible());
  EXPECT_EQ(CurrentSearchCriteria().overlayChoice, kSingleOverlay);
  EXPECT_FALSE(OverlayMarkedForSearch(sites));
  // The next time the dialog starts from these values, on "replace".
  SearchDialog again(window.get());
  EXPECT_EQ(again.CriterionGroup()->checkedId(), kSearchStartsWith);
  EXPECT_EQ(again.NameField()->text(), QStringLiteral("ma"));
  EXPECT_EQ(again.SingleOverlayBox()->currentText(), QStringLiteral("Roads"));
}

}  // namespace
}  // namespace tlv
