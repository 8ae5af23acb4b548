#include "app/messaging.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/folders.h"
#include "app/shell_services.h"
#include "app/startup.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// A main window whose activity and place in the foreground the test sets.
class TestShell : public ShellServices {
 public:
  void AppendBonusMenu() override {}
  void AppendFileFixMenu() override {}
  void RemoveExtraMenus() override {}
  ScreenRect DesktopRect() override { return {0, 0, 1280, 1024}; }
  ScreenRect WindowRect() override { return {0, 0, 1024, 768}; }
  void PlaceWindow(const ScreenRect&, bool) override {}
  void InvalidateMap() override {}
  void UpdateMenus() override {}
  void CloseBasemapWindows() override {}
  bool MainWindowActive() override { return active; }
  bool InForeground() override { return foreground; }
  bool ModalOperationRunning() override { return modal; }
  void FlashClickPoint() override {}
  void RepaintClock() override {}

  bool active = false;
  bool foreground = true;
  bool modal = false;
};

class MessagingTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    fs::create_directories(folder.path() / "Program");
    IacPlaces places;
    places.systemLibraryFolder = folder.folderPath() + "system/";
    SetIacPlaces(places);
    ASSERT_EQ(SetProgramFolder((folder.path() / "Program").string()), 0);
    setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
    InstallShell(&shell);
  }
  void TearDown() override {
    InstallShell(nullptr);
    test::CoreTest::TearDown();
  }
  RecordingTransport& library() { return DefaultRecordingTransport(); }
  std::string AlertText() {
    return platform().alerts.empty() ? "<none>" : platform().alerts.back().text;
  }

  test::TempFolder folder;
  TestShell shell;
};

TEST_F(MessagingTest, StartUpSaysWhatAFailedBindingMeans) {
  library().loadFails = true;
  EXPECT_EQ(StartMessaging(), 0);
  EXPECT_EQ(AlertText(), "libWEXO_32.so is not available.");
  EXPECT_EQ(platform().alerts.back().kind, kStopAlert);

  library().loadFails = false;
  library().missing.insert("NERegister");
  EXPECT_EQ(StartMessaging(), 0);
  EXPECT_EQ(AlertText(), "libWEXO_32.so proc was not available.");

  library().missing.clear();
  library().registerResult = 8;
  EXPECT_EQ(StartMessaging(), 0);
  EXPECT_EQ(AlertText(), "InitIAC returned error 8");

  library().registerResult = 0;
  const size_t shown = platform().alerts.size();
  EXPECT_EQ(StartMessaging(), 0);
  EXPECT_EQ(platform().alerts.size(), shown);
  EXPECT_EQ(library().loaded.back(), (folder.path() / "Program" / "libWEXO_32.so").string());
  EXPECT_FALSE(library().registeredPath.empty());
}

TEST_F(MessagingTest, ACopyThatIsNotTheRunningOneEndsStartUpWithoutAWord) {
  SetRunningCopyHeld(false);
  EXPECT_EQ(StartMessaging(), kIACAnotherCopyRuns);
  SetRunningCopyHeld(true);
  library().running.insert("TLV1");
  EXPECT_EQ(StartMessaging(), kIACAnotherCopyRuns);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MessagingTest, NoticesCarryCommandWordsOrFetchAnEnvelope) {
  test::WriteWholeFile(folder.path() / "Program" / "libWEXO_32.so", "library");
  ASSERT_EQ(StartMessaging(), 0);
  auto fetchedAfter = [&](int64_t code) {
    library().inbox.push_back("MSSG\x0BVER?\x0BSIGN\x0BPEER");
    const int32_t before = PendingIACMessageCount();
    HandleNotice(code);
    const bool fetched = PendingIACMessageCount() > before;
    if (!fetched) library().inbox.pop_back();
    return fetched;
  };
  EXPECT_TRUE(fetchedAfter(0x544C5631));
  EXPECT_TRUE(fetchedAfter(9999));
  for (int64_t code = 9993; code <= 9997; ++code) EXPECT_TRUE(fetchedAfter(code)) << code;
  for (int64_t code : {9989, 9990, 9991, 9992, 9998}) EXPECT_FALSE(fetchedAfter(code)) << code;
  EXPECT_TRUE(IsCommandWordNotice(9989));
  EXPECT_FALSE(IsCommandWordNotice(9988));
  EXPECT_FALSE(IsCommandWordNotice(0x544C5631));
}

TEST_F(MessagingTest, TheTimerDispatchesWhenActiveOrInTheBackgroundOnly) {
  test::WriteWholeFile(folder.path() / "Program" / "libWEXO_32.so", "library");
  ASSERT_EQ(StartMessaging(), 0);
  library().running.insert("PEER");
  library().inbox.push_back("MSSG\x0BVER?\x0BSIGN\x0BPEER");
  // In the foreground with another window active: it waits.
  shell.active = false;
  shell.foreground = true;
  TimerTick();
  EXPECT_TRUE(library().sent.empty());
  // A modal operation holds it too.
  shell.active = true;
  shell.modal = true;
  TimerTick();
  EXPECT_TRUE(library().sent.empty());
  shell.modal = false;
  TimerTick();
  EXPECT_EQ(library().sent.size(), 1u);
  // In the background it runs whatever window is active.
  shell.active = false;
  shell.foreground = false;
  library().inbox.push_back("MSSG\x0BVER?\x0BSIGN\x0BPEER");
  TimerTick();
  EXPECT_EQ(library().sent.size(), 2u);
}

}  // namespace
}  // namespace tlv
