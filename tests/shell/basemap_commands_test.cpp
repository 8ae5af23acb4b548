// The basemap package's side of the window: its HTML pages shown in windows titled by their
// <title> (one window per title, raised and closed by title, an unreadable page refused as
// access denied), and the information bar's basemap buttons, whose Download button is usable only
// while the basemap is on and the package offers data for the view it drew.
#include "shell/basemap_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTextBrowser>
#include <QToolButton>

#include <filesystem>
#include <string>

#include "app/wiring.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "shell/qt_test_app.h"
#include "support/test_support.h"
#include "tools/basemap_bridge.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class BasemapCommandsTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    test::TestApplication();
    window = std::make_unique<MainWindow>();
    FillBasemapFrontEnd(*window, frontEnd);
  }
  void TearDown() override {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<QTextBrowser*>(widget) != nullptr) widget->close();
    }
    window.reset();
    ResetBasemapBridgeForTesting();
    test::CoreTest::TearDown();
  }
  static int Shown(const QString& title) {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      count += widget->isVisible() && widget->windowTitle() == title;
    }
    return count;
  }
  std::string Page(const std::string& name, const std::string& html) {
    const fs::path path = temp.path() / name;
    test::WriteWholeFile(path, html);
    return path.string();
  }

  test::TempFolder temp;
  std::unique_ptr<MainWindow> window;
  FrontEndHooks frontEnd;
};

TEST_F(BasemapCommandsTest, PagesOpenInWindowsTitledByTheirTitleOnePerTitle) {
  const QString title = QStringLiteral("TOLVANE - Population");
  const std::string first = Page("population.hta",
                                 "<html><head><TITLE> TOLVANE - Population </TITLE></head>"
                                 "<body><p>People inside: 1,234</p></body></html>");
  ASSERT_EQ(frontEnd.openBasemapWindow(first), 0);
  EXPECT_EQ(Shown(title), 1);
  // The page again (the package rewrote it) replaces the window rather than adding one.
  const std::string second = Page("population2.hta",
                                  "<html><head><title>TOLVANE - Population</title></head>"
                                  "<body><p>People inside: 99</p></body></html>");
  ASSERT_EQ(frontEnd.openBasemapWindow(second), 0);
  test::RunEventsUntil([&] { return Shown(title) == 1; });
  ASSERT_EQ(Shown(title), 1);
  QTextBrowser* shown = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowTitle() == title) {
      shown = qobject_cast<QTextBrowser*>(widget);
    }
  }
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->toPlainText().contains(QStringLiteral("People inside: 99")));

  EXPECT_TRUE(frontEnd.raiseBasemapWindow("TOLVANE - Population"));
  EXPECT_FALSE(frontEnd.raiseBasemapWindow("TOLVANE - Download Manager"));
  frontEnd.closeBasemapWindow("TOLVANE - Population");
  test::RunEventsUntil([&] { return Shown(title) == 0; });
  EXPECT_EQ(Shown(title), 0);

  // A page without a title still gets a window the package's titles can find; an unreadable
  // one is refused as access denied and opens nothing.
  ASSERT_EQ(frontEnd.openBasemapWindow(Page("plain.hta", "<p>no title</p>")), 0);
  EXPECT_EQ(Shown(QStringLiteral("TOLVANE - Basemap")), 1);
  EXPECT_EQ(frontEnd.openBasemapWindow((temp.path() / "missing.hta").string()), 5);
}

TEST_F(BasemapCommandsTest, DownloadIsUsableOnlyWhileTheBasemapShowsOfferedData) {
  const fs::path program = temp.path() / "program";
  const fs::path maps = temp.path() / "maps";
  test::MakeFolders(program / "basemaptools" / "php");
  test::MakeFolders(maps / "BasemapFiles" / "Settings");
  test::WriteWholeFile(maps / "BasemapFiles" / "Settings" / "global.map", "MAP END\n");
  test::WriteWholeFile(program / "basemaptools" / "php" / "php", "#!/bin/sh\nexit 0\n");
  ::chmod((program / "basemaptools" / "php" / "php").c_str(), 0755);
  SetBasemapFolders(program.string(), maps.string(), true);
  ASSERT_EQ(StartBasemapBridge(), 0);
  RegisterBasemapCommands(*window);
  auto* download = window->Frame()->InfoBar()->findChild<QToolButton*>("BasemapDownloadButton");
  ASSERT_NE(download, nullptr);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_NE(window->Frame()->InfoBar()->findChild<QToolButton*>(
                  QStringLiteral("BasemapButton%1").arg(i)),
              nullptr);
  }
  EXPECT_FALSE(download->isEnabled()) << "nothing offered yet";

  test::WriteWholeFile(maps / "BasemapFiles" / "Temp" / "downloadsavailable.txt", "01");
  ReadBasemapDownloads();
  BasemapButtons buttons;
  buttons.basemap = true;
  ASSERT_EQ(SetBasemapButtons(buttons), 0);
  EXPECT_TRUE(test::RunEventsUntil([&] { return download->isEnabled(); }));

  // The basemap off: nothing to download for a map without it.
  buttons.basemap = false;
  ASSERT_EQ(SetBasemapButtons(buttons), 0);
  EXPECT_TRUE(test::RunEventsUntil([&] { return !download->isEnabled(); }));
}

}  // namespace
}  // namespace tlv
