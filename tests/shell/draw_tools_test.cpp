// The drawing tools in the map area of a window shown off screen, driven by synthetic mouse and
// key events on a temporary maps folder; what they make is read back from the store, and Undo
// takes it away again. The Object Settings dialog is answered as a person would answer it.
#include "shell/draw_tools.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <map>

#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "edit/edit_targets.h"
#include "edit/object_settings.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/coordinates.h"
#include "platform/qt/text_codec.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/object_settings_dialog.h"
#include "shell/qt_test_app.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

constexpr int32_t kCentreX = 190000000;
constexpr int32_t kCentreY = 130000000;

class DrawToolsTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetEditTargetsForTesting();
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    RegisterObjectSettingsCommands(*window);
    LifeCycleHooks hooks = CurrentLifeCycleHooks();
    hooks.textRect = MeasureTextObjectRect;
    hooks.addToSelection = SelectionObjectAdded;
    hooks.removeFromSelections = SelectionObjectRemoved;
    SetLifeCycleHooks(hooks);
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    CentreViewOn(24000, kCentreX, kCentreY);
    test::RunEventsUntil([&] { return !pane->Busy(); });
    // New objects go to the Harbour map, on the Sites overlay.
    SetEditTarget(harbour, sites);
    pane->Draw().SetSettingsAsker([this](NewObject& object) {
      ++asked;
      offered = object;
      object.name = "drawn";
      return answer(object);
    });
  }
  void TearDown() override {
    window.reset();
    SetLifeCycleHooks({});
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetEditTargetsForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  // The map widget's pixel of a world point, and the world point of a pixel.
  QPoint Local(WPoint p) {
    const ScreenPoint s = WorldToScreenPoint(CurrentViewMapping(), p);
    const ScreenRect area = MapArea();
    return {s.x - area.left, s.y - area.top};
  }
  WPoint World(QPoint local) {
    const ScreenRect area = MapArea();
    return ScreenToWorldPoint(CurrentViewMapping(), {local.x() + area.left, local.y() + area.top});
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* map = window->MapWidget();
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? Qt::NoButton
                                      : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, modifiers);
    QCoreApplication::sendEvent(map, &event);
  }
  void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, at, modifiers);
    Mouse(QEvent::MouseButtonRelease, at, modifiers);
  }
  // As the window system delivers one: press, release, double click, release.
  void DoubleClick(QPoint at) {
    Click(at);
    Mouse(QEvent::MouseButtonDblClick, at);
    Mouse(QEvent::MouseButtonRelease, at);
  }
  void Drag(QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from);
    Mouse(QEvent::MouseMove, (from + to) / 2);
    Mouse(QEvent::MouseMove, to);
    Mouse(QEvent::MouseButtonRelease, to);
  }
  void Key(int key, QWidget* target = nullptr) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier,
                    key == Qt::Key_Return ? QStringLiteral("\r") : QString());
    QCoreApplication::sendEvent(target != nullptr ? target : window->MapWidget(), &press);
  }

  // The one live object on Harbour's Sites overlay, or none.
  std::vector<int32_t> LiveSites() {
    std::vector<int32_t> live;
    for (const SummaryRecord& r : Summaries(harbour, sites)) {
      if (SummaryRecordLive(r)) live.push_back(r.position);
    }
    return live;
  }
  ObjectSettings Read(int32_t position) {
    ObjectSettings s;
    EXPECT_EQ(ReadObjectSettings({harbour, sites, position}, s), 0);
    return s;
  }
  std::vector<WPoint> StoredPoints(int32_t position, bool keepPieceBits) {
    Handle points = nullptr;
    int32_t count = 0;
    EXPECT_EQ(FSGetObjectPoints(Objects(harbour, sites), position, points, count, keepPieceBits),
              0);
    ScopedHandle owned(points);
    std::vector<WPoint> result(static_cast<size_t>(count));
    if (count > 0) std::memcpy(result.data(), *points, result.size() * sizeof(WPoint));
    return result;
  }
  std::string LastAlert() { return platform().alerts.empty() ? "" : platform().alerts.back().text; }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
  int asked = 0;
  NewObject offered;
  std::function<bool(NewObject&)> answer = [](NewObject&) { return true; };
};

// Answers the next modal dialog once it is open.
void AnswerDialog(std::function<void(QDialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

void PressButton(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

TEST_F(DrawToolsTest, APolygonOfFiveClicksWithASecondPieceIsStoredAndUndoTakesItAway) {
  window->SetCurrentTool(kPolygonTool);
  const QPoint first[] = {{200, 150}, {300, 140}, {340, 220}, {280, 300}, {190, 260}};
  const QPoint second[] = {{400, 150}, {470, 160}, {430, 230}};
  for (const QPoint& p : first) Click(p);
  Click(second[0], Qt::ShiftModifier);
  Click(second[1]);
  DoubleClick(second[2]);
  ASSERT_EQ(asked, 1);
  EXPECT_EQ(offered.overlayID, sites) << "the edit target's overlay is offered";
  EXPECT_EQ(offered.graphics.symbol, OverlayDefaultGraphics(sites).symbol);

  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.type, kPolygonObject);
  EXPECT_EQ(made.name, "drawn");
  const std::vector<WPoint> points = StoredPoints(live[0], true);
  ASSERT_EQ(points.size(), 8u) << "five vertices, then three of the second piece";
  std::vector<QPoint> clicked(std::begin(first), std::end(first));
  clicked.insert(clicked.end(), std::begin(second), std::end(second));
  for (size_t i = 0; i < points.size(); ++i) {
    const bool newPiece = (static_cast<uint32_t>(points[i].x) & kNewPieceBit) != 0;
    EXPECT_EQ(newPiece, i == 0 || i == 5) << "vertex " << i;
    const WPoint expected = World(clicked[i]);
    EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(points[i].x) & ~kNewPieceBit), expected.x)
        << "vertex " << i;
    EXPECT_EQ(points[i].y, expected.y) << "vertex " << i;
  }
  EXPECT_EQ(UndoKindNow(), kUndoCreate);
  EXPECT_EQ(EditTargetMapID(), harbour);
  ObjectRef selected;
  ASSERT_EQ(SelectedObjectCount(), 1);
  GetSelectedObject(0, selected);
  EXPECT_EQ(selected.position, live[0]) << "the new object is selected";

  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LiveSites().empty());
  EXPECT_EQ(UndoKindNow(), kUndoDelete);
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(LiveSites(), live) << "a second Undo brings it back at the same place";
}

TEST_F(DrawToolsTest, ACircleDrawnFromItsCentreHasTheDraggedRadius) {
  window->SetCurrentTool(kCircleTool);
  ASSERT_TRUE(pane->Draw().FromCentre(kCircleTool));
  const QPoint centre(300, 250);
  Drag(centre, centre + QPoint(30, 40));  // 50 pixels from the centre
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.type, kCircleObject);
  const WPoint topLeft = World(centre - QPoint(50, 50));
  const WPoint bottomRight = World(centre + QPoint(50, 50));
  EXPECT_EQ(made.rect.x1, topLeft.x);
  EXPECT_EQ(made.rect.y2, topLeft.y);
  EXPECT_EQ(made.rect.x2, bottomRight.x);
  EXPECT_EQ(made.rect.y1, bottomRight.y);
  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LiveSites().empty());
}

TEST_F(DrawToolsTest, ARectangleFromACornerSpansTheDrag) {
  window->SetCurrentTool(kRectangleTool);
  Drag({320, 260}, {220, 200});
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.type, kRectangleObject);
  EXPECT_EQ(made.rect.x1, World({220, 200}).x);
  EXPECT_EQ(made.rect.y2, World({220, 200}).y);
  EXPECT_EQ(made.rect.x2, World({320, 260}).x);
  EXPECT_EQ(made.rect.y1, World({320, 260}).y);
}

TEST_F(DrawToolsTest, ATextGetsTheRectangleOfItsFontFromWhereItWasClicked) {
  window->SetCurrentTool(kTextTool);
  const QPoint at(250, 200);
  Click(at);
  QLineEdit* field = pane->Draw().TextField();
  ASSERT_NE(field, nullptr);
  field->setText(QStringLiteral("Harbour gate"));
  Key(Qt::Key_Return, field);
  ASSERT_TRUE(test::RunEventsUntil([&] { return asked > 0; }));
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.type, kTextObject);
  EXPECT_EQ(made.text, "Harbour gate");
  const WPoint anchor = World(at);
  WRect expected;
  ASSERT_TRUE(MeasureTextObjectRect("Harbour gate", made.graphics,
                                    {anchor.x, anchor.y, anchor.x, anchor.y}, expected));
  EXPECT_EQ(made.rect.x1, anchor.x);
  EXPECT_EQ(made.rect.y2, anchor.y);
  EXPECT_GT(made.rect.x2 - made.rect.x1, made.rect.y2 - made.rect.y1)
      << "a line of twelve characters is wider than high";
  EXPECT_EQ(made.rect.x2, expected.x2);
  EXPECT_EQ(made.rect.y1, expected.y1);
  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LiveSites().empty());
}

TEST_F(DrawToolsTest, ASymbolTakesTheNumberChosenInTheDialogAndSitsAtTheClickPoint) {
  window->SetCurrentTool(kSymbolTool);
  answer = [](NewObject& object) {
    object.graphics.symbol = 77;
    return true;
  };
  Click({260, 210});
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.type, kPointObject);
  EXPECT_EQ(made.graphics.symbol, 77);
  EXPECT_EQ(made.rect.x1, ClickPoint().x);
  EXPECT_EQ(made.rect.y1, ClickPoint().y);
  EXPECT_EQ(ClickPoint().x, World({260, 210}).x);
  ASSERT_EQ(Undo(), 0);
  EXPECT_TRUE(LiveSites().empty());
}

TEST_F(DrawToolsTest, KeysEndTakeBackAndCancelAPolyline) {
  window->SetCurrentTool(kPolylineTool);
  Click({200, 200});
  Click({260, 220});
  Click({300, 300});
  Key(Qt::Key_Backspace);
  EXPECT_EQ(pane->Draw().Vertices().size(), 2u);
  Key(Qt::Key_Escape);
  EXPECT_TRUE(pane->Draw().Vertices().empty());
  EXPECT_EQ(asked, 0) << "Escape makes nothing";
  Click({200, 200});
  Click({260, 220});
  Key(Qt::Key_Return);
  EXPECT_EQ(asked, 1);
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  EXPECT_EQ(StoredPoints(live[0], false).size(), 2u);
}

TEST_F(DrawToolsTest, BadShapesAreRefusedWithAMessageAndMakeNothing) {
  const int16_t undoBefore = UndoKindNow();
  window->SetCurrentTool(kPolylineTool);
  Click({200, 200});
  Key(Qt::Key_Return);
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kTooFewPolylinePoints));

  window->SetCurrentTool(kPolygonTool);
  Click({200, 200});
  DoubleClick({260, 240});
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kTooFewPolygonPoints));

  window->SetCurrentTool(kRectangleTool);
  Click({300, 300});
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kNoSize));
  window->SetCurrentTool(kCircleTool);
  Click({300, 300});
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kNoSize));

  window->SetCurrentTool(kTextTool);
  Click({250, 200});
  ASSERT_NE(pane->Draw().TextField(), nullptr);
  Key(Qt::Key_Return, pane->Draw().TextField());
  test::RunEventsUntil([&] { return pane->Draw().TextField() == nullptr; });
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kNoText));

  EXPECT_EQ(asked, 0) << "no dialog opens for a shape that cannot be made";
  EXPECT_TRUE(LiveSites().empty());
  EXPECT_EQ(UndoKindNow(), undoBefore);
}

TEST_F(DrawToolsTest, AClickOutsideTheWorldIsRefused) {
  // Zoomed far out over the north pole, the top of the map area lies beyond latitude 90.
  CentreViewOn(kMaxScale, kCentreX, 179000000);
  test::RunEventsUntil([&] { return !pane->Busy(); });
  window->SetCurrentTool(kSymbolTool);
  Click({300, 2});
  ASSERT_FALSE(WorldPointInside(World({300, 2})));
  EXPECT_EQ(LastAlert(), NewObjectProblemText(NewObjectProblem::kOutsideWorld));
  EXPECT_TRUE(LiveSites().empty());
}

TEST_F(DrawToolsTest, ACancelledDialogCreatesNothingAndLeavesUndoAlone) {
  window->SetCurrentTool(kRectangleTool);
  answer = [](NewObject&) { return false; };
  Drag({200, 200}, {260, 260});
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(LiveSites().empty());
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
}

TEST_F(DrawToolsTest, EveryOverlayOrEveryMapLockedShowsItsMessage) {
  window->SetCurrentTool(kSymbolTool);
  for (int32_t i = 0; i < LayerCount(); ++i) SetLayerLocked(i, true);
  Click({260, 210});
  EXPECT_EQ(LastAlert(), MessageText(151));
  for (int32_t i = 0; i < LayerCount(); ++i) SetLayerLocked(i, false);
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    map.locked = 1;
    SetMapRecord(i, map);
  }
  Click({260, 210});
  EXPECT_EQ(LastAlert(), MessageText(152));
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(LiveSites().empty());
}

TEST_F(DrawToolsTest, TheDialogOffersTheDefaultsAndItsChoicesReachTheNewObject) {
  window->SetCurrentTool(kRectangleTool);
  pane->Draw().SetSettingsAsker(
      [this](NewObject& object) { return EditNewObjectSettings(window.get(), object); });
  AnswerDialog([](QDialog& dialog) {
    auto* overlay = dialog.findChild<QComboBox*>(QStringLiteral("overlay"));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->currentText(), QStringLiteral("Sites"));
    overlay->setCurrentIndex(overlay->findText(QStringLiteral("Roads")));
    dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Depot"));
    auto* colour = dialog.findChild<QComboBox*>(QStringLiteral("colour"));
    colour->setCurrentIndex(colour->findText(QStringLiteral("Red")));
    auto* fill = dialog.findChild<QComboBox*>(QStringLiteral("fill"));
    fill->setCurrentIndex(fill->findData(7));
    PressButton(dialog, QDialogButtonBox::Ok);
  });
  Drag({200, 200}, {260, 260});
  EXPECT_TRUE(LiveSites().empty());
  std::vector<int32_t> onRoads;
  for (const SummaryRecord& r : Summaries(harbour, roads)) {
    if (SummaryRecordLive(r)) onRoads.push_back(r.position);
  }
  ASSERT_EQ(onRoads.size(), 1u) << LastAlert();
  ObjectSettings made;
  ASSERT_EQ(ReadObjectSettings({harbour, roads, onRoads[0]}, made), 0);
  EXPECT_EQ(made.name, "Depot");
  EXPECT_EQ(made.graphics.colour, 14) << "the stored colour the Colour menu's Red sets";
  EXPECT_EQ(made.graphics.fillPattern, 7);
  EXPECT_EQ(EditTargetOverlayID(), roads);
}

TEST_F(DrawToolsTest, EditingAnObjectInTheDialogIsOneStepForUndo) {
  ObjectGraphics g;
  g.symbol = 12;
  g.colour = 1;
  const int32_t position = MakeObject(harbour, sites, kPointObject, "Well", &g,
                                      {kCentreX, kCentreY, kCentreX, kCentreY});
  ObjectRef object{harbour, sites, position};
  AnswerDialog([](QDialog& dialog) {
    // A longer name than the record has room for, and a move half a degree north.
    dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Village well"));
    dialog.findChild<QSpinBox*>(QStringLiteral("symbol"))->setValue(40);
    dialog.findChild<QLineEdit*>(QStringLiteral("latitude"))->setText(QStringLiteral("40.5 N"));
    PressButton(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(EditObjectSettings(window.get(), object));
  EXPECT_EQ(UndoKindNow(), kUndoDialogEdit);
  ObjectSettings changed;
  ASSERT_EQ(ReadObjectSettings(object, changed), 0);
  EXPECT_EQ(changed.name, "Village well");
  EXPECT_EQ(changed.graphics.symbol, 40);
  EXPECT_EQ(changed.rect.y1, 130500000);
  EXPECT_EQ(changed.rect.x1, kCentreX) << "the longitude was not touched";

  ASSERT_EQ(Undo(), 0);
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u);
  const ObjectSettings back = Read(live[0]);
  EXPECT_EQ(back.name, "Well");
  EXPECT_EQ(back.graphics.symbol, 12);
  EXPECT_EQ(back.rect.y1, kCentreY);
}

TEST_F(DrawToolsTest, TheDialogsRefusalsShowTheirMessagesAndChangeNothing) {
  const int32_t position = MakeObject(harbour, sites, kPointObject, "Well", nullptr,
                                      {kCentreX, kCentreY, kCentreX, kCentreY});
  ObjectRef object{harbour, sites, position};
  ObjectSettings wanted = Read(position);
  wanted.name = std::string(kMaxNamePartLength + 1, 'x');
  EXPECT_NE(ApplyObjectSettings(object, wanted, 0, 0), 0);
  EXPECT_EQ(LastAlert(), MessageText(39));
  wanted.name = "Spring";
  SetLayerLocked(LayerIDToIndex(sites), true);
  EXPECT_NE(ApplyObjectSettings(object, wanted, 0, 0), 0);
  EXPECT_EQ(LastAlert(), MessageText(581));
  EXPECT_EQ(Read(position).name, "Well");
  EXPECT_EQ(UndoKindNow(), kUndoNothing);

  // Cancel changes nothing.
  SetLayerLocked(LayerIDToIndex(sites), false);
  AnswerDialog([](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Spring"));
    PressButton(dialog, QDialogButtonBox::Cancel);
  });
  EXPECT_FALSE(EditObjectSettings(window.get(), object));
  EXPECT_EQ(Read(position).name, "Well");
}

TEST_F(DrawToolsTest, TheMeasureToolShowsDistanceAndBearingAndEscapeEndsIt) {
  window->SetCurrentTool(kMeasureTool);
  const QPoint from(200, 300);
  Mouse(QEvent::MouseButtonPress, from);
  Mouse(QEvent::MouseMove, from + QPoint(0, -100));
  const QString readout = pane->Draw().InfoText();
  EXPECT_TRUE(readout.startsWith(QStringLiteral("distance "))) << readout.toStdString();
  EXPECT_TRUE(readout.contains(QStringLiteral("bearing 0.0"))) << "straight up is north";
  Mouse(QEvent::MouseButtonRelease, from + QPoint(0, -100));
  EXPECT_EQ(pane->Draw().InfoText(), readout) << "the readout stays after the drag";
  Key(Qt::Key_Escape);
  EXPECT_FALSE(pane->Draw().Busy());
  // Moving the pointer shows where it is.
  Mouse(QEvent::MouseMove, from);
  std::string lat, lon;
  FormatLatLong(World(from), lat, lon);
  EXPECT_TRUE(pane->Draw().InfoText().startsWith(FromWindows1252(lat)));
}

TEST_F(DrawToolsTest, TheRectangleToolChoiceDrawsFromTheCentre) {
  AnswerDialog([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rectangle Tool"));
    dialog.findChild<QRadioButton*>(QStringLiteral("second"))->setChecked(true);
    PressButton(dialog, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(pane->Draw().ChooseToolStyle(kRectangleTool));
  EXPECT_TRUE(pane->Draw().FromCentre(kRectangleTool));
  EXPECT_TRUE(pane->Draw().FromCentre(kCircleTool)) << "each tool keeps its own choice";
  window->SetCurrentTool(kRectangleTool);
  Drag({300, 250}, {320, 270});
  const std::vector<int32_t> live = LiveSites();
  ASSERT_EQ(live.size(), 1u) << LastAlert();
  const ObjectSettings made = Read(live[0]);
  EXPECT_EQ(made.rect.x1, World({280, 230}).x);
  EXPECT_EQ(made.rect.y2, World({280, 230}).y);
  EXPECT_EQ(made.rect.x2, World({320, 270}).x);
  EXPECT_EQ(made.rect.y1, World({320, 270}).y);
}

TEST_F(DrawToolsTest, ARightClickOffersTheObjectPopUpOnASelectedObjectAndTheGeneralOneElsewhere) {
  const QPoint centre(300, 250);
  const WPoint a = World(centre - QPoint(40, 40));
  const WPoint b = World(centre + QPoint(40, 40));
  const int32_t position =
      MakeObject(harbour, sites, kRectangleObject, "Yard", nullptr, {a.x, b.y, b.x, a.y});
  AddSelectedObject(harbour, sites, position);
  QMenu* shown = nullptr;
  std::map<int, bool> enabled;
  auto rightClick = [&](QPoint at) {
    shown = nullptr;
    enabled.clear();
    QTimer::singleShot(0, [&] {
      shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (shown == nullptr) return;
      for (QAction* action : shown->actions())
        enabled[action->data().toInt()] = action->isEnabled();
      shown->close();
    });
    QWidget* map = window->MapWidget();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), map->mapToGlobal(QPointF(at)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(map, &press);
  };
  rightClick(centre + QPoint(40, 0));
  EXPECT_EQ(shown, window->PopUpMenu("20400"));
  EXPECT_TRUE(enabled[20401]) << "Object Settings... is built";
  EXPECT_FALSE(enabled[20403]) << "the basemap's items wait for the basemap";
  rightClick({100, 100});
  EXPECT_EQ(shown, window->PopUpMenu("20600"));
  EXPECT_EQ(ClickPoint().x, World({100, 100}).x) << "the pop-up acts on the Click Point";
}

TEST(DrawReadouts, BearingsPointTheWayOfTheCompass) {
  const WPoint origin{kCentreX, kCentreY};
  EXPECT_NEAR(InitialBearingDegrees(origin, {kCentreX, kCentreY + 100000}), 0, 1e-6);
  EXPECT_NEAR(InitialBearingDegrees(origin, {kCentreX + 100000, kCentreY}), 90, 0.1);
  EXPECT_NEAR(InitialBearingDegrees(origin, {kCentreX, kCentreY - 100000}), 180, 1e-6);
  EXPECT_NEAR(InitialBearingDegrees(origin, {kCentreX - 100000, kCentreY}), 270, 0.1);
  EXPECT_EQ(InitialBearingDegrees(origin, origin), 0);
}

TEST(DrawReadouts, CoordinatesAreReadInEachFormat) {
  double d = 0;
  EXPECT_TRUE(ParseCoordinateText("38.5 N", true, d));
  EXPECT_DOUBLE_EQ(d, 38.5);
  EXPECT_TRUE(ParseCoordinateText("38\xB0 30' S", true, d));
  EXPECT_DOUBLE_EQ(d, -38.5);
  EXPECT_TRUE(ParseCoordinateText("78\xB0 15\x92 36\" W", false, d));
  EXPECT_NEAR(d, -78.26, 1e-9);
  EXPECT_TRUE(ParseCoordinateText("-78.25", false, d));
  EXPECT_DOUBLE_EQ(d, -78.25);
  EXPECT_FALSE(ParseCoordinateText("91 N", true, d));
  EXPECT_FALSE(ParseCoordinateText("12 E", true, d)) << "a longitude letter in a latitude";
  EXPECT_FALSE(ParseCoordinateText("38 61 N", true, d));
  EXPECT_FALSE(ParseCoordinateText("north", true, d));
  EXPECT_FALSE(ParseCoordinateText("", true, d));
}

}  // namespace
}  // namespace tlv
