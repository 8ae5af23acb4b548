#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QShortcut>
#include <QTimer>

#include <atomic>
#include <map>
#include <string>
#include <thread>

#include "base/errors.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/text_codec.h"
#include "qt_test_app.h"
#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_frame.h"

namespace tlv {
namespace {

using test::RunEventsUntil;

// Every item of the menu bar with its exact label, as the program's documents give them.
const std::map<int, std::string>& ExpectedBarItems() {
  static const std::map<int, std::string> items = [] {
    std::map<int, std::string> m = {
        {101, "&Save as Picture..."},
        {103, "P&rint Setup..."},
        {104, "&Print...\tCtrl+P"},
        {106, "&Import as Overlay Objects..."},
        {107, "&Export Overlay Objects..."},
        {109, "Pre&ferences..."},
        {111, "E&xit"},
        {201, "&Undo\tCtrl+Z"},
        {202, "&Delete\tDel"},
        {203, "Copy Map P&icture\tCtrl+C"},
        {204, "&Search Overlays...\tCtrl+F"},
        {205, "Show Search &Collection\tCtrl+G"},
        {206, "Cop&y to Search Collection\tCtrl+Y"},
        {301, "Overlay &Manager...\tCtrl+M"},
        {302, "Overlay Ma&ps..."},
        {304, "&Basemap Builder...\tCtrl+B"},
        {305, "&Download Manager...\tCtrl+D"},
        {307, "Go to &Address...\tCtrl+A"},
        {308, "Go to &Lat/Long...\tCtrl+L"},
        {309, "&Center on Click Point\tCtrl+T"},
        {311, "&Go to View...\tCtrl+R"},
        {312, "Save Current &View...\tCtrl+U"},
        {313, "&Edit Views..."},
        {315, "Set &Scale...\tCtrl+;"},
        {316, "Zoom &In\tCtrl++"},
        {317, "Zoom &Out\tCtrl+-"},
        {401, "O&bject Settings..."},
        {23301, "Mark &Vertex"},
        {23302, "&Move Vertex to Marked Point"},
        {23303, "&Insert Vertex at Click Point\tCtrl+H"},
        {23304, "&Delete Vertex\tCtrl+J"},
        {404, "Move Objects to &Overlay..."},
        {405, "Move Objects to &Map..."},
        {410, "S&ymbol..."},
        {413, "&Make New Polygon..."},
        {414, "Make New Polylin&e"},
        {415, "P&olyline <-> Polygon"},
        {417, "I&nsert Picture Object..."},
        {23001, "Mar&k Click Point"},
        {23002, "&Center on Marked Point"},
        {23003, "&Distance to Click Point"},
        {23004, "&Rescale to Marked && Click Pts"},
        {23005, "C&lear Marked Point"},
        {23401, "&Set..."},
        {23402, "S&how"},
        {23501, "&Settings..."},
        {23502, "S&how"},
        {23701, "&Settings..."},
        {23702, "S&how"},
        {23601, "S&how"},
        {23801, "&Settings..."},
        {23802, "S&how"},
        {23901, "&Settings..."},
        {23902, "S&how"},
        {601, "About &Sharing..."},
        {701, "TOLVANE &Help...\tF1"},
        {703, "Check for &Updates..."},
        {705, "&About TOLVANE..."},
    };
    const char* colors[] = {"Black",  "White",     "Dark Gray",  "Gray",  "Light Gray",
                            "Brown",  "Olive",     "Dark Green", "Green", "Light Blue",
                            "Blue",   "Dark Blue", "Purple",     "Pink",  "Red",
                            "Yellow", "Other..."};
    for (int i = 0; i < 17; ++i) m[1001 + i] = colors[i];
    const char* lines[] = {"1 pt", "white",      "2pt",     "3pt",    "4 pt",
                           "dots", "dotdotdash", "dotdash", "dashes", "railroad"};
    for (int i = 0; i < 10; ++i) m[1028 + i] = lines[i];
    const char* fills[] = {"Black",      "White",        "Dark Gray",     "Gray",
                           "Light Gray", "Vert Stripes", "Horiz Stripes", "Down Stripes",
                           "Up Stripes", "Boxes"};
    for (int i = 0; i < 10; ++i) m[1038 + i] = fills[i];
    return m;
  }();
  return items;
}

void CollectItems(const QMenu* menu, std::map<int, QString>& items, QStringList& subTitles) {
  for (QAction* action : menu->actions()) {
    if (QMenu* sub = action->menu()) {
      subTitles.push_back(sub->title());
      CollectItems(sub, items, subTitles);
    } else if (!action->isSeparator()) {
      items[action->data().toInt()] = action->text();
    }
  }
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    ResetMapView();
    ArmAlerts();
  }
  void TearDown() override { ResetMapView(); }
};

TEST_F(MainWindowTest, MenuBarHoldsEveryCommandWithItsExactLabel) {
  MainWindow window;
  QStringList titles;
  std::map<int, QString> items;
  QStringList subTitles;
  for (QAction* action : window.menuBar()->actions()) {
    ASSERT_NE(action->menu(), nullptr);
    titles.push_back(action->menu()->title());
    CollectItems(action->menu(), items, subTitles);
  }
  EXPECT_EQ(titles,
            (QStringList{"&File", "&Edit", "&View", "&Overlays", "E&xtras", "&Sharing", "&Help"}));
  EXPECT_EQ(subTitles, (QStringList{"&Vertex", "&Color", "Line St&yle", "&Fill Pattern",
                                    "&Marked Point", "&Reference View", "&Legend", "Scale &Bar",
                                    "&Compass", "&Time Stamp", "Lat/Long Gr&id"}));
  std::map<int, std::string> shown;
  for (const auto& [id, text] : items) shown[id] = ToWindows1252(text);
  EXPECT_EQ(shown, ExpectedBarItems());
  EXPECT_EQ(window.windowTitle(), "TOLVANE");
}

TEST_F(MainWindowTest, CommandsWithoutAnActionAreDisabled) {
  MainWindow window;
  ASSERT_EQ(window.MenuActions(104).size(), 1u);
  QAction* print = window.MenuActions(104).front();
  EXPECT_FALSE(print->isEnabled());
  EXPECT_FALSE(window.AcceleratorAction(104)->isEnabled());
  EXPECT_FALSE(window.DispatchCommand(104));
  // Exit is the window's own close request and works from the start.
  EXPECT_TRUE(window.MenuActions(kExitCommand).front()->isEnabled());

  int runs = 0;
  int afterRuns = 0;
  bool allowed = true;
  window.SetAfterCommandHook([&afterRuns] { ++afterRuns; });
  window.RegisterCommand(
      104, [&runs] { ++runs; }, [&allowed] { return allowed; });
  EXPECT_TRUE(print->isEnabled());
  EXPECT_TRUE(window.AcceleratorAction(104)->isEnabled());

  DisarmAlerts();
  print->trigger();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(afterRuns, 1);
  EXPECT_TRUE(AlertsArmed());

  window.AcceleratorAction(104)->trigger();
  EXPECT_EQ(runs, 2);

  allowed = false;
  window.UpdateMenus();
  EXPECT_FALSE(print->isEnabled());
  EXPECT_FALSE(window.DispatchCommand(104));
  // The key asks at the moment it is pressed.
  window.AcceleratorAction(104)->trigger();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(afterRuns, 2);

  window.UnregisterCommand(104);
  allowed = true;
  window.UpdateMenus();
  EXPECT_FALSE(print->isEnabled());
  EXPECT_FALSE(window.AcceleratorAction(104)->isEnabled());
}

TEST_F(MainWindowTest, ColourItemsShowTheirColour) {
  MainWindow window;
  const QImage red = window.MenuActions(1015).front()->icon().pixmap(16, 12).toImage();
  ASSERT_FALSE(red.isNull());
  const QColor inside = red.pixelColor(red.width() / 2, red.height() / 2);
  EXPECT_GT(inside.red(), 200);
  EXPECT_LT(inside.green(), 60);
  EXPECT_TRUE(window.MenuActions(1017).front()->icon().isNull());  // "Other..."
  EXPECT_TRUE(window.MenuActions(1038).front()->icon().isNull());
}

TEST_F(MainWindowTest, CheckedCommandsShowTheirState) {
  MainWindow window;
  bool shown = false;
  window.RegisterCommand(23902, [&shown] { shown = !shown; });
  window.SetCommandChecked(23902, [&shown] { return shown; });
  QAction* grid = window.MenuActions(23902).front();
  EXPECT_TRUE(grid->isCheckable());
  EXPECT_FALSE(grid->isChecked());
  window.DispatchCommand(23902);
  window.UpdateMenus();
  EXPECT_TRUE(grid->isChecked());
}

TEST_F(MainWindowTest, AcceleratorsFollowTheTableNotTheMenuText) {
  MainWindow window;
  QAction* connect = window.AcceleratorAction(kConnectPolylinesCommand);
  ASSERT_NE(connect, nullptr);
  EXPECT_EQ(connect->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_2)});
  EXPECT_EQ(window.AcceleratorAction(kExitCommand)->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q),
                                 QKeySequence(Qt::ALT | Qt::Key_F4)}));
  EXPECT_EQ(
      window.AcceleratorAction(kScrollUpCommand)->shortcuts(),
      (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Up), QKeySequence(Qt::Key_PageUp)}));
  EXPECT_TRUE(window.AcceleratorAction(315)->shortcuts().contains(
      QKeySequence(Qt::CTRL | Qt::Key_Semicolon)));
  EXPECT_TRUE(
      window.AcceleratorAction(316)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Equal)));
  EXPECT_TRUE(
      window.AcceleratorAction(316)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
  // Every key of the table parsed into a real key sequence.
  for (const Accelerator& a : AcceleratorTable()) {
    for (const QKeySequence& k : window.AcceleratorAction(a.id)->shortcuts()) {
      EXPECT_FALSE(k.isEmpty()) << a.id;
      EXPECT_NE(k[0].key(), Qt::Key_unknown) << a.id;
    }
  }
  // Menu items carry no key of their own: the menu text alone shows the shortcut.
  for (const MenuDef& def : MainMenuBar()) {
    ForEachMenuEntry(def.entries, [&window](const MenuEntry& e) {
      if (e.IsSeparator() || e.IsSubMenu()) return;
      for (QAction* action : window.MenuActions(e.id)) EXPECT_TRUE(action->shortcuts().isEmpty());
    });
  }
  // The scroll commands exist only as keys, disabled until the map view registers them.
  EXPECT_TRUE(window.MenuActions(kScrollLeftCommand).empty());
  EXPECT_FALSE(window.AcceleratorAction(kScrollLeftCommand)->isEnabled());
}

TEST_F(MainWindowTest, ExtraMenusAppearWhenAskedAndGoAway) {
  MainWindow window;
  EXPECT_EQ(window.BarMenu("&Bonus"), nullptr);
  EXPECT_TRUE(window.MenuActions(801).empty());
  window.AppendBonusMenu();
  window.AppendBonusMenu();
  window.AppendFileFixMenu();
  ASSERT_EQ(window.menuBar()->actions().size(), 9);
  QMenu* bonus = window.BarMenu("&Bonus");
  ASSERT_NE(bonus, nullptr);
  EXPECT_EQ(window.menuBar()->actions().at(7)->menu(), bonus);
  ASSERT_EQ(window.MenuActions(801).size(), 1u);
  EXPECT_EQ(window.MenuActions(801).front()->text(),
            "Connect Selected Polyline Objects At &Nearest Pt...\tCtrl+N");
  EXPECT_EQ(window.MenuActions(805).front()->text(),
            "&Delete Overlays and Groups with Zero Objects...");
  QMenu* fileFix = window.BarMenu("FileFix");
  ASSERT_NE(fileFix, nullptr);
  EXPECT_EQ(window.MenuActions(903).front()->text(), ".OBJ File to Text...");
  EXPECT_EQ(window.MenuActions(906).front()->text(), "Add .SM2 Files to Map...");

  int runs = 0;
  window.RegisterCommand(901, [&runs] { ++runs; });
  window.MenuActions(901).front()->trigger();
  EXPECT_EQ(runs, 1);

  window.RemoveExtraMenus();
  EXPECT_EQ(window.menuBar()->actions().size(), 7);
  EXPECT_EQ(window.BarMenu("&Bonus"), nullptr);
  EXPECT_TRUE(window.MenuActions(801).empty());
  EXPECT_TRUE(window.MenuActions(901).empty());
  window.UpdateMenus();  // must not touch the deleted actions
  window.AppendFileFixMenu();
  EXPECT_EQ(window.MenuActions(901).size(), 1u);
  EXPECT_TRUE(window.MenuActions(901).front()->isEnabled());
}

TEST_F(MainWindowTest, PopUpMenuAnswersAndRunsTheChosenCommand) {
  MainWindow window;
  int runs = 0;
  window.RegisterCommand(20010, [&runs] { ++runs; });
  QMenu* menu = window.PopUpMenu("20000");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "pCLICKPT");
  EXPECT_EQ(window.PopUpMenu("nothing"), nullptr);

  auto choose = [menu](int id) {
    QTimer::singleShot(50, menu, [menu, id] {
      for (QAction* action : menu->actions()) {
        if (action->data().toInt() == id) menu->setActiveAction(action);
      }
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(menu, &enter);
    });
  };
  choose(20010);
  EXPECT_EQ(window.ShowPopUpMenu("20000", QPoint(10, 10)), 20010);
  EXPECT_EQ(runs, 1);
  // An unregistered item is disabled in the pop-up.
  for (QAction* action : menu->actions()) {
    if (action->data().toInt() == 20001) {
      EXPECT_FALSE(action->isEnabled());
    }
  }
  // A dialog's own pop-up only answers the choice.
  choose(20010);
  EXPECT_EQ(window.ShowPopUpMenu("20000", QPoint(10, 10), false), 20010);
  EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, PostedMessagesReachTheirHandlersFromAnyThread) {
  MainWindow window;
  std::vector<std::pair<int64_t, int64_t>> notices;
  window.SetMessageHandler(kNoticeMessage,
                           [&notices](int64_t p1, int64_t p2) { notices.emplace_back(p1, p2); });
  std::thread poster([] { MainWindow::PostMainWindowMessage(kNoticeMessage, 9998, 7); });
  poster.join();
  window.PostMessage(kNoticeMessage, 9991, 0);
  ASSERT_TRUE(RunEventsUntil([&notices] { return notices.size() == 2; }));
  EXPECT_EQ(notices[0], std::make_pair(int64_t{9998}, int64_t{7}));
  EXPECT_EQ(notices[1], std::make_pair(int64_t{9991}, int64_t{0}));
}

TEST_F(MainWindowTest, NoticesWaitWhileALongOperationRuns) {
  MainWindow window;
  int notices = 0;
  window.SetMessageHandler(kNoticeMessage, [&notices](int64_t, int64_t) { ++notices; });
  window.BeginModalOperation();
  EXPECT_TRUE(window.ModalOperationRunning());
  window.PostMessage(kNoticeMessage, 1, 0);
  RunEventsUntil([] { return false; }, 100);
  EXPECT_EQ(notices, 0);
  window.EndModalOperation();
  EXPECT_FALSE(window.ModalOperationRunning());
  EXPECT_TRUE(RunEventsUntil([&notices] { return notices == 1; }));
}

TEST_F(MainWindowTest, NoticesWaitDuringTheEscapeCheckOfALongOperation) {
  QtPlatform platform;
  MainWindow window;
  window.AttachPlatform(platform);
  int notices = 0;
  bool sawCheck = false;
  window.SetMessageHandler(kNoticeMessage, [&](int64_t, int64_t) {
    ++notices;
    sawCheck = sawCheck || platform.CheckingInput();
  });
  window.PostMessage(kNoticeMessage, 9998, 0);
  platform.EscapePressed();  // lets posted events through, as a long operation's poll does
  EXPECT_EQ(notices, 0);
  EXPECT_TRUE(RunEventsUntil([&notices] { return notices == 1; }));
  EXPECT_FALSE(sawCheck);
}

TEST_F(MainWindowTest, NoticeBeforeItsHandlerWaitsForIt) {
  MainWindow window;
  window.PostMessage(kNoticeMessage, 9995, 0);
  RunEventsUntil([] { return false; }, 50);
  std::vector<int64_t> codes;
  window.SetMessageHandler(kNoticeMessage, [&codes](int64_t p1, int64_t) { codes.push_back(p1); });
  ASSERT_TRUE(RunEventsUntil([&codes] { return !codes.empty(); }));
  EXPECT_EQ(codes, std::vector<int64_t>{9995});
}

TEST_F(MainWindowTest, QuitRequestRunsTheQuitHandlerWithoutAsking) {
  MainWindow window;
  window.show();
  std::vector<bool> asks;
  bool answer = false;
  window.SetQuitHandler([&](bool ask) {
    asks.push_back(ask);
    return answer;
  });
  window.PostMessage(kQuitRequestMessage, 0, 0);
  ASSERT_TRUE(RunEventsUntil([&asks] { return asks.size() == 1; }));
  EXPECT_FALSE(asks[0]);
  EXPECT_TRUE(window.isVisible());
  answer = true;
  window.PostMessage(kQuitRequestMessage, 0, 0);
  ASSERT_TRUE(RunEventsUntil([&window] { return !window.isVisible(); }));
  EXPECT_EQ(asks.size(), 2u);
  EXPECT_TRUE(window.QuitAccepted());
}

TEST_F(MainWindowTest, CloseRequestAsksAndOnlyBeepsDuringAModalOperation) {
  MainWindow window;
  window.show();
  std::vector<bool> asks;
  bool answer = false;
  window.SetQuitHandler([&](bool ask) {
    asks.push_back(ask);
    return answer;
  });
  ASSERT_TRUE(window.StartTimer());
  EXPECT_FALSE(window.close());
  EXPECT_EQ(asks, std::vector<bool>{true});
  window.BeginModalOperation();
  answer = true;
  EXPECT_FALSE(window.close());
  EXPECT_EQ(asks.size(), 1u);
  window.EndModalOperation();
  // Exit goes the same way.
  EXPECT_TRUE(window.DispatchCommand(kExitCommand));
  EXPECT_EQ(asks.size(), 2u);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.TimerRunning());
}

TEST_F(MainWindowTest, TimerTicksAndIdleStepNeverNest) {
  MainWindow window;
  int idles = 0;
  int ticks = 0;
  window.SetIdleHandler([&] {
    ++idles;
    window.RunIdleStep();  // a nested request is ignored
  });
  window.SetTimerHandler([&] {
    ++ticks;
    window.RunIdleStep();  // the idle step does not run inside the tick
  });
  window.RunIdleStep();
  EXPECT_EQ(idles, 1);
  ASSERT_TRUE(window.StartTimer());
  ASSERT_TRUE(RunEventsUntil([&ticks] { return ticks >= 2; }, 2000));
  EXPECT_EQ(idles, 1);
  window.StopTimer();
}

TEST_F(MainWindowTest, FrameLaysOutTheFortyPixelBarsAroundTheMapArea) {
  MainWindow window;
  window.show();
  window.resize(900, 700);
  RunEventsUntil([] { return false; }, 50);
  const QWidget* frame = window.Frame();
  const int w = frame->width();
  const int h = frame->height();
  const ScreenRect expected = MapAreaForClient(w, h);
  EXPECT_EQ(window.MapWidget()->geometry(),
            QRect(expected.left, expected.top, expected.right - expected.left,
                  expected.bottom - expected.top));
  EXPECT_EQ(MapArea(), expected);
  EXPECT_EQ(window.Frame()->InfoBar()->geometry(), QRect(0, 0, w, 40));
  EXPECT_EQ(window.Frame()->StatusLine()->geometry(), QRect(0, h - 40, w, 40));
  EXPECT_EQ(window.Frame()->Palette()->geometry().width(), 40);
  EXPECT_EQ(window.InfoBarText(), FromWindows1252(FormatScale(CurrentMapView().scale)));
  SetView(24000, CurrentMapView().left, CurrentMapView().top);
  window.RefreshViewDisplays();
  EXPECT_EQ(window.InfoBarText(), "1:24000");
}

TEST_F(MainWindowTest, PaletteOffersTheTwelveToolsWithTips) {
  MainWindow window;
  for (const PaletteTool& tool : PaletteTools()) {
    EXPECT_EQ(window.Frame()->Palette()->ToolTipOf(tool.kind),
              QString::fromLatin1(tool.toolTip) + QStringLiteral(" (%1)").arg(QChar(tool.key)));
  }
  window.SetCurrentTool(kPolygonTool);
  EXPECT_EQ(window.CurrentTool(), kPolygonTool);
  // Each tool's letter picks it; no two tools share one.
  window.show();
  window.activateWindow();
  QSet<char> keys;
  for (const PaletteTool& tool : PaletteTools()) {
    EXPECT_FALSE(keys.contains(tool.key)) << tool.key;
    keys.insert(tool.key);
    for (QShortcut* shortcut : window.Frame()->Palette()->findChildren<QShortcut*>()) {
      if (shortcut->key() == QKeySequence(QChar(tool.key))) emit shortcut->activated();
    }
    EXPECT_EQ(window.CurrentTool(), tool.kind) << tool.key;
  }
}

TEST_F(MainWindowTest, PlatformMessageLineShowsInTheStatusLine) {
  QtPlatform platform;
  MainWindow window;
  window.AttachPlatform(platform);
  platform.SetMessageLine("Searching overlay: Caf\xE9, Roads [ESC to stop].");
  EXPECT_EQ(window.MessageLine(),
            QString::fromUtf8("Searching overlay: Caf\xC3\xA9, Roads [ESC to stop]."));
  platform.SetTemporaryMessageLine("Initializing maps.");
  EXPECT_EQ(window.MessageLine(), "Initializing maps.");
  EXPECT_TRUE(platform.MessageLineTemporary());
}

TEST_F(MainWindowTest, WindowPlacementUsesTheOuterRectangle) {
  MainWindow window;
  const ScreenRect desktop = window.DesktopRect();
  EXPECT_GT(desktop.right - desktop.left, 0);
  window.PlaceWindow(ScreenRect{20, 30, 720, 530}, false);
  RunEventsUntil([] { return false; }, 50);
  EXPECT_EQ(window.WindowRect(), (ScreenRect{20, 30, 720, 530}));
  EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, ClickPointFlashTogglesTheMark) {
  MainWindow window;
  std::vector<bool> marks;
  window.SetClickPointFlashHandler([&marks](bool shown) { marks.push_back(shown); });
  window.FlashClickPoint();
  window.FlashClickPoint();
  EXPECT_EQ(marks, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace tlv
