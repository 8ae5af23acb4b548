#include "shell/sharing_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QAction>
#include <QMenu>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"
#include "iac/connection_messages.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/library_transport.h"
#include "iac/recording_transport.h"
#include "iac/sharing_menus.h"
#include "platform/qt/text_codec.h"
#include "qt_test_app.h"
#include "shell/main_window.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

std::string Field(const std::string& envelope, const char* keyword) {
  char value[256] = {};
  if (GetIACParam(envelope.c_str(), keyword, value, 255, false) != 0) return "<absent>";
  return value;
}

// "MENU" from ZEPHA as its sibling program sends it.
std::string ZephaMenu(const std::string& items) {
  return "MSSG\x0BMENU\x0BSIGN\x0BZPH5\x0BPSIG\x0BZPHA\x0BXTRA\x0B\x0BNAME\x0BZEPHA\x0BPATH\x0B/x"
         "\x0BVERS\x0B"
         "2"
         "\x0BITMS\x0B" +
         items;
}

class SharingCommandsTest : public test::CatalogueTest {
 protected:
  void SetUp() override {
    test::TestApplication();
    CatalogueTest::SetUp();
    fs::create_directories(root / "Settings" / "Friends");
    friendsID = Register(root / "Settings" / "Friends");
    IacPlaces places;
    places.programFolder = (root / "Program").string() + "/";
    SetIacPlaces(places);
  }
  // The window shows the menus as the program's wiring makes it.
  void Attach(MainWindow& window) {
    SharingHooks hooks;
    hooks.menusChanged = [&window] { RebuildSharingMenus(window); };
    SetSharingHooks(hooks);
    RegisterSharingCommands(window);
  }
  void StartMessaging() {
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    ASSERT_EQ(GreetAtStartup(0, friendsID), 0);
  }
  static std::vector<std::string> Labels(const QMenu* menu) {
    std::vector<std::string> labels;
    for (const QAction* action : menu->actions()) {
      labels.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    return labels;
  }

  int32_t friendsID = -1;
};

TEST_F(SharingCommandsTest, ASiblingsMenuIsShownAndItsItemsSendHits) {
  test::WriteWholeFile(root / "Program" / "libWEXO_32.so", "library");
  MainWindow window;
  Attach(window);
  StartMessaging();
  DefaultRecordingTransport().running.insert("ZPH5");
  ASSERT_EQ(DispatchIACMessage(ZephaMenu("Set &Source\rGo to ZEPHA/G\r").c_str()), 0);

  QMenu* sharing = window.BarMenu("&Sharing");
  ASSERT_NE(sharing, nullptr);
  ASSERT_EQ(sharing->actions().size(), 3);
  EXPECT_TRUE(sharing->actions()[1]->isSeparator());
  QMenu* zepha = sharing->actions()[2]->menu();
  ASSERT_NE(zepha, nullptr);
  EXPECT_EQ(zepha->title(), "&ZEPHA");
  EXPECT_EQ(Labels(zepha), (std::vector<std::string>{"Set &Source", "Go to ZEPHA\tCtrl+Shift+G",
                                                     "-", "Export ZEPHA Objects to KML"}));
  // KML export needs objects on the overlay "ZEPHA"; there is none.
  window.UpdateMenus();
  EXPECT_TRUE(zepha->actions()[1]->isEnabled());
  EXPECT_FALSE(zepha->actions()[3]->isEnabled());

  DefaultRecordingTransport().sent.clear();
  ASSERT_TRUE(window.DispatchCommand(30001));
  ASSERT_EQ(DefaultRecordingTransport().sent.size(), 1u);
  EXPECT_EQ(Field(DefaultRecordingTransport().sent[0].envelope, "MSSG"), "MHIT");
  EXPECT_EQ(Field(DefaultRecordingTransport().sent[0].envelope, "ITEM"), "2");
  // The shortcut reaches the same command.
  QAction* shortcut = nullptr;
  for (QAction* action : window.actions()) {
    if (action->shortcut() == QKeySequence("Ctrl+Shift+G")) shortcut = action;
  }
  ASSERT_NE(shortcut, nullptr);
  shortcut->trigger();
  EXPECT_EQ(DefaultRecordingTransport().sent.size(), 2u);

  // A second menu replaces the first in place, with the same command numbers.
  ASSERT_EQ(DispatchIACMessage(ZephaMenu("Only\r").c_str()), 0);
  ASSERT_EQ(sharing->actions().size(), 3);
  zepha = sharing->actions()[2]->menu();
  EXPECT_EQ(Labels(zepha), (std::vector<std::string>{"Only", "-", "Export ZEPHA Objects to KML"}));
  EXPECT_EQ(zepha->actions()[0]->data().toInt(), 30000);
  EXPECT_FALSE(window.CommandRegistered(30001));
  for (QAction* action : window.actions()) {
    EXPECT_NE(action->shortcut(), QKeySequence("Ctrl+Shift+G"));
  }
  EXPECT_EQ(DescribeSharingMenus(window), "&ZEPHA[Only|-|Export ZEPHA Objects to KML]");
}

TEST_F(SharingCommandsTest, AChosenItemReachesWexoPeer) {
  const fs::path peer = test::BuiltProgram("wexo-peer");
  const fs::path library = test::BuiltProgram("libWEXO_32.so");
  ASSERT_TRUE(fs::exists(peer) && fs::exists(library)) << "wexo-peer was not built";
  fs::copy_file(library, root / "Program" / "libWEXO_32.so");
  char runtimeTemplate[] = "/tmp/tlv-shr-XXXXXX";
  ASSERT_NE(::mkdtemp(runtimeTemplate), nullptr);
  const fs::path runtime = runtimeTemplate;
  const std::string runtimeFolder = (runtime / "WEXO_32").string();
  setenv("WEXO_RUNTIME_DIR", runtimeFolder.c_str(), 1);
  const fs::path out = temp.path() / "peer.out";
  const pid_t listener =
      test::SpawnProgram(peer, {"--sign", "ZPH5", "--psig", "ZPHA", "listen", "--count", "1"},
                         {"WEXO_RUNTIME_DIR=" + runtimeFolder, "ASAN_OPTIONS=detect_leaks=0"}, out);
  ASSERT_GT(listener, 0);

  LibraryTransport transport;
  SetIacTransport(&transport);
  MainWindow window;
  Attach(window);
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  bool running = false;
  for (int i = 0; i < 500 && !running; ++i) {
    running = IsAppRunning("ZPH5") != 0;
    if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(running);
  ASSERT_EQ(GreetAtStartup(0, friendsID), 0);
  ASSERT_EQ(DispatchIACMessage(ZephaMenu("Set &Source\rGo to ZEPHA/G\r").c_str()), 0);
  // The start-up greeting was the listener's one envelope; a second listener takes the hit.
  const int first = test::WaitForExit(listener, std::chrono::seconds(30));
  EXPECT_EQ(first, 0);
  EXPECT_NE(test::ReadWholeFile(out).find("\"mssg\":\"HOLA\""), std::string::npos);
  const pid_t second =
      test::SpawnProgram(peer, {"--sign", "ZPH5", "--psig", "ZPHA", "listen", "--count", "1"},
                         {"WEXO_RUNTIME_DIR=" + runtimeFolder, "ASAN_OPTIONS=detect_leaks=0"}, out);
  ASSERT_GT(second, 0);
  running = false;
  for (int i = 0; i < 500 && !running; ++i) {
    running = IsAppRunning("ZPH5") != 0;
    if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(window.DispatchCommand(30001));
  EXPECT_EQ(test::WaitForExit(second, std::chrono::seconds(30)), 0);
  const std::string said = test::ReadWholeFile(out);
  EXPECT_NE(
      said.find("{\"mssg\":\"MHIT\",\"sign\":\"TLV1\",\"psig\":\"TOLV\",\"xtra\":\"\","
                "\"params\":[[\"YRPS\",\"ZPHA\"],[\"ITEM\",\"2\"],[\"TEXT\",\"Go to ZEPHA\"]]}"),
      std::string::npos)
      << said;
  QuitIAC();
  SetIacTransport(nullptr);
  unsetenv("WEXO_RUNTIME_DIR");
  fs::remove_all(runtime);
}

}  // namespace
}  // namespace tlv
