// The Search Collection window off screen, on objects made through the real catalogue: the
// lazily read and sorted rows, the count line, the buttons and the check box, and the Edit
// menu's commands 205 and 206.
#include "shell/collection_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include "app/wiring.h"
#include "edit/selection.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class CollectionWindowTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    WireCore();
    SetMapArea({0, 0, 400, 300});
    CentreViewOn(24000, 190000000, 130000000);
    window = std::make_unique<MainWindow>();
    RegisterCollectionCommands(*window);
  }
  void TearDown() override {
    window.reset();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  int32_t Named(int32_t overlayID, const std::string& name, int32_t dx = 0) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    return MakeObject(harbour, overlayID, kPointObject, name, &graphics,
                      {190000000 + dx, 130000000, 190000010 + dx, 130000010});
  }
  QString Cell(CollectionModel* model, int row, int column) {
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
  }
  bool Sorted(int32_t index) {
    CollectionEntry e;
    return GetCollectedObject(index, e) && (e.flags & kCollectionSorted) != 0;
  }
  void ChooseRow(CollectionWindow* w, int row) {
    w->List()->selectionModel()->select(w->Model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  std::unique_ptr<MainWindow> window;
};

TEST_F(CollectionWindowTest, OnlyTheRunsShownAreSortedByName) {
  const int32_t mainSt = Named(roads, "Main St");
  const int32_t mainAve = Named(roads, "Main Ave");
  const int32_t oakB = Named(roads, "Oak B");
  const int32_t oakA = Named(roads, "Oak A");
  for (int32_t p : {mainSt, mainAve, oakB, oakA}) CollectObject({harbour, roads, p});
  SortCollection();
  CollectionModel model(true, nullptr);
  EXPECT_EQ(model.RowsRead(), 0) << "nothing is read until shown";
  EXPECT_EQ(Cell(&model, 0, 0), QStringLiteral("Main Ave"));
  EXPECT_EQ(Cell(&model, 1, 0), QStringLiteral("Main St"));
  EXPECT_EQ(Cell(&model, 0, 1), QStringLiteral("Roads"));
  EXPECT_EQ(Cell(&model, 0, 2), QStringLiteral("Harbour"));
  EXPECT_TRUE(Sorted(0) && Sorted(1));
  EXPECT_FALSE(Sorted(2) || Sorted(3)) << "the Oak run has not been shown";
  CollectionEntry e;
  GetCollectedObject(2, e);
  EXPECT_EQ(e.position, oakB);
  EXPECT_EQ(Cell(&model, 3, 0), QStringLiteral("Oak B"));
  EXPECT_TRUE(Sorted(2));
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Object Name");
}

TEST_F(CollectionWindowTest, TheScrollRangeGrowsWithTheRowsListed) {
  for (int i = 0; i < 130; ++i) AddCollectedObject(harbour, roads, 1000 + i, "Same", 0);
  CollectionModel subset(true, nullptr);
  EXPECT_EQ(subset.rowCount(), 100);
  EXPECT_TRUE(subset.canFetchMore(QModelIndex()));
  subset.fetchMore(QModelIndex());
  EXPECT_EQ(subset.rowCount(), 130);
  EXPECT_FALSE(subset.canFetchMore(QModelIndex()));
  CollectionModel whole(false, nullptr);
  EXPECT_EQ(whole.rowCount(), 130);
}

TEST_F(CollectionWindowTest, TheCountLineTellsAliasesApart) {
  const int32_t a = Named(roads, "Main St");
  AddCollectedObject(harbour, roads, a, "Main", 0);
  AddCollectedObject(harbour, roads, 9999, "Alia", kCollectionAlias);
  CollectionWindow* w = ShowCollectionWindow(*window);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->isModal());
  EXPECT_EQ(w->CountLine(), QStringLiteral("1        { plus 1 alias }"));
  AddCollectedObject(harbour, roads, 9998, "Alib", kCollectionAlias);
  test::RunEventsUntil([&] { return w->CountLine().endsWith("aliases }"); });
  EXPECT_EQ(w->CountLine(), QStringLiteral("1        { plus 2 aliases }"));
  EXPECT_FALSE(w->StoppedNoteShown());
  SetCollectionStopped(true);
  w->Present();
  EXPECT_TRUE(w->StoppedNoteShown());
  EXPECT_EQ(w->Button(CollectionWindow::kShowButton)->text(), "&Show on Map");
  EXPECT_EQ(w->Button(CollectionWindow::kZoomButton)->text(), "Show on Map && &Zoom");
}

TEST_F(CollectionWindowTest, ShowOnMapSelectsTheChosenRowsAndShowOnlyHidesTheRest) {
  const int32_t a = Named(roads, "Alpha");
  const int32_t b = Named(roads, "Beta", 5000);
  const int32_t c = Named(roads, "Gamma", 9000);
  for (int32_t p : {a, b}) CollectObject({harbour, roads, p});
  SortCollection();
  CollectionWindow* w = ShowCollectionWindow(*window);
  ChooseRow(w, 1);
  w->Button(CollectionWindow::kShowButton)->click();
  ObjectRef selected;
  ASSERT_EQ(SelectedObjectCount(), 1);
  GetSelectedObject(0, selected);
  EXPECT_EQ(selected.position, b);
  ChooseRow(w, 0);
  w->Button(CollectionWindow::kZoomButton)->click();
  EXPECT_EQ(SelectedObjectCount(), 2) << "both chosen rows";
  AddSelectedObject(harbour, roads, c);
  w->ShowOnlyBox()->setChecked(true);
  EXPECT_TRUE(ShowOnlyCollection());
  EXPECT_FALSE(IsSelected(harbour, roads, c)) << "hidden objects leave the selection";
  EXPECT_EQ(SelectedObjectCount(), 2);
}

TEST_F(CollectionWindowTest, CopyToSearchCollectionTakesTheSelectionAndShowsTheWindow) {
  const int32_t a = Named(roads, "Oak");
  const int32_t b = Named(sites, "Elm");
  EXPECT_FALSE(window->CommandEnabled(206)) << "nothing selected";
  AddSelectedObject(harbour, roads, a);
  AddSelectedObject(harbour, sites, b);
  ASSERT_TRUE(window->DispatchCommand(206));
  ASSERT_EQ(CollectedObjectCount(), 2);
  CollectionEntry e;
  GetCollectedObject(0, e);
  EXPECT_EQ(e.position, b) << "sorted by key: Elm before Oak";
  EXPECT_EQ(std::string(e.key, 3), "Elm");
  ASSERT_NE(ExistingCollectionWindow(), nullptr);
  EXPECT_TRUE(ExistingCollectionWindow()->isVisible());
  ExistingCollectionWindow()->hide();
  ASSERT_TRUE(window->DispatchCommand(205));
  EXPECT_TRUE(ExistingCollectionWindow()->isVisible());
}

}  // namespace
}  // namespace tlv
