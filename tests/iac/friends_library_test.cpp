// Greeting, sharing menu, menu hit and farewell between the program's side and a sibling, both
// through the real message library: the program loads its own copy as tolvane does, the sibling
// is played by the copy the test loads as wexo-peer would.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "base/platform.h"
#include "iac/connection_messages.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/library_transport.h"
#include "iac/sharing_menus.h"
#include "store/directory_table.h"
#include "support/test_support.h"
#include "wexo/wexo_test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

std::mutex postedMutex;
std::vector<int32_t> posted;

bool RecordPost(int32_t message, int64_t, int64_t) {
  std::lock_guard<std::mutex> lock(postedMutex);
  posted.push_back(message);
  return true;
}

std::string Field(const std::string& envelope, const char* keyword) {
  char value[256] = {};
  if (GetIACParam(envelope.c_str(), keyword, value, 255, false) != 0) return "<absent>";
  return value;
}

class FriendsLibraryTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ASSERT_NE(test::Wexo().Register, nullptr) << "the built library did not load";
    char runtimeTemplate[] = "/tmp/tlv-frn-XXXXXX";
    ASSERT_NE(::mkdtemp(runtimeTemplate), nullptr);
    runtime = runtimeTemplate;
    setenv("WEXO_RUNTIME_DIR", (runtime / "WEXO_32").c_str(), 1);
    IacPlaces places;
    places.programFolder = folder.folderPath() + "Program/";
    places.systemLibraryFolder = folder.folderPath() + "system/";
    places.executablePath = "/opt/TOLVANE/tolvane";
    fs::create_directories(places.programFolder);
    fs::copy_file(WEXO_LIBRARY_PATH, places.programFolder + "libWEXO_32.so");
    SetIacPlaces(places);
    SetIacTransport(&transport);
    InstallMainWindowPoster(&RecordPost);
    fs::create_directories(folder / "Friends");
    ASSERT_EQ(RegisterDirectory(folder.folderPath() + "Friends/", true, friendsID), 0);
  }
  void TearDown() override {
    QuitIAC();
    if (siblingRegistered) test::Wexo().Bye("ZPH5", &sibling.window, "ZEPHA", 0);
    InstallMainWindowPoster(nullptr);
    SetIacTransport(nullptr);
    unsetenv("WEXO_RUNTIME_DIR");
    if (!runtime.empty()) fs::remove_all(runtime);
    test::CoreTest::TearDown();
  }

  int32_t SiblingSends(const std::string& code, const std::string& parameters) {
    const std::string envelope =
        "MSSG\x0B" + code + "\x0BSIGN\x0BZPH5\x0BPSIG\x0BZPHA\x0BXTRA\x0B" + parameters;
    return test::Wexo().Send("TLV1", envelope.c_str(), 0, "ZEPHA", 0);
  }
  // Lets the program fetch and handle what arrived, as its timer does, until the sibling has
  // received count envelopes in all (or, with count 0, until the program's queue is empty).
  void ProgramTurn() {
    test::Eventually(
        [] {
          IACTimerStep();
          return PendingIACMessageCount() == 0 &&
                 *CurrentIacTransport().GetNextMessageLength("TLV1") == 0;
        },
        std::chrono::milliseconds(200));
  }
  std::vector<std::string> SiblingReceived(size_t count) {
    std::vector<std::string> received;
    test::Eventually(
        [&] {
          ProgramTurn();
          while (const int32_t length = test::Wexo().NextLength("ZPH5")) {
            std::string envelope(static_cast<size_t>(length) + 1, '\0');
            if (test::Wexo().Next("ZPH5", envelope.data(), length + 1) == 0) break;
            envelope.resize(static_cast<size_t>(length));
            received.push_back(envelope);
          }
          return received.size() >= count;
        },
        std::chrono::seconds(10));
    return received;
  }

  test::TempFolder folder;
  fs::path runtime;
  LibraryTransport transport;
  test::NoticeRecorder sibling;
  bool siblingRegistered = false;
  int32_t friendsID = -1;
};

TEST_F(FriendsLibraryTest, ASiblingIsGreetedRememberedAndReachedThroughItsMenu) {
  ASSERT_EQ(test::Wexo().Register("ZPH5", &sibling.window, "ZEPHA", 0, "ZEPHA", 0, "", 1025, 0, 0),
            0);
  siblingRegistered = true;
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  // A known sibling that runs is greeted at start-up before it is a friend.
  ASSERT_EQ(GreetAtStartup(0, friendsID), 0);
  std::vector<std::string> got = SiblingReceived(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Field(got[0], "MSSG"), "HOLA");
  EXPECT_EQ(Field(got[0], "SIGN"), "TLV1");
  EXPECT_EQ(Field(got[0], "VERS"), "2");
  EXPECT_EQ(Field(got[0], "PATH"), "/opt/TOLVANE/tolvane");

  // Its greeting is answered and written down.
  const std::string greeting =
      "\x0BPSIG\x0BZPHA\x0BNAME\x0BZEPHA\x0BPATH\x0B/x\x0BVERS\x0B"
      "2";
  ASSERT_EQ(SiblingSends("HOLA", "R1" + greeting), kNESendDelivered);
  got = SiblingReceived(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Field(got[0], "MSSG"), "OKHI");
  EXPECT_EQ(Field(got[0], "XTRA"), "R1");
  EXPECT_EQ(Field(got[0], "NAME"), "TOLVANE");
  EXPECT_EQ(test::ReadWholeFile(folder / "Friends" / "ZEPHA.VWR"),
            "ZPH5\r\nZPHA\r\nZEPHA\r\n/x\r\n\r\n");

  // Its menu becomes a sharing sub-menu, and choosing an item sends the hit back.
  ASSERT_EQ(SiblingSends("MENU", greeting + "\x0BITMS\x0BSet &Source\rGo to ZEPHA/Z\r"),
            kNESendDelivered);
  ProgramTurn();
  ASSERT_TRUE(test::Eventually(
      [] {
        IACTimerStep();
        return !SharingMenus().empty();
      },
      std::chrono::seconds(10)));
  EXPECT_TRUE(fs::exists(folder / "Friends" / "ZEPHA.MNU"));
  EXPECT_EQ(SharingMenus()[0].title, "&ZEPHA");
  EXPECT_EQ(ChooseSharingItem(SharingMenus()[0].base + 1), 0);
  got = SiblingReceived(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Field(got[0], "MSSG"), "MHIT");
  EXPECT_EQ(Field(got[0], "ITEM"), "2");
  EXPECT_EQ(Field(got[0], "TEXT"), "Go to ZEPHA");
  EXPECT_EQ(Field(got[0], "YRPS"), "ZPHA");

  // Its farewell asking to quit reaches the main window: nobody else is greeted.
  ASSERT_EQ(SiblingSends("BYE ", "\x0BPSIG\x0BZPHA\x0BOPTN\x0BQUIT"), kNESendDelivered);
  ASSERT_TRUE(test::Eventually(
      [] {
        IACTimerStep();
        std::lock_guard<std::mutex> lock(postedMutex);
        return std::find(posted.begin(), posted.end(), kQuitRequestNotice) != posted.end();
      },
      std::chrono::seconds(10)));
  FriendRecord record{};
  ASSERT_TRUE(GetFriend(FindFriendByPSIG("ZPHA"), record));
  EXPECT_EQ(record.greeted, 0);
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
