// The messaging against the real message library: the program's side loads its own copy of
// libWEXO_32.so from its program folder, as tolvane does, and a sibling program is played by a
// second copy of the library loaded the way wexo-peer loads it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "iac/iac.h"
#include "iac/library_transport.h"
#include "support/test_support.h"
#include "wexo/wexo_test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

std::mutex noticesMutex;
std::vector<int64_t> notices;

bool RecordNotice(int32_t message, int64_t param1, int64_t) {
  std::lock_guard<std::mutex> lock(noticesMutex);
  if (message == kIACNoticeMessage) notices.push_back(param1);
  return true;
}

size_t NoticeCount() {
  std::lock_guard<std::mutex> lock(noticesMutex);
  return notices.size();
}

std::string Field(const std::string& envelope, const char* keyword) {
  char value[128] = {};
  if (GetIACParam(envelope.c_str(), keyword, value, 127, false) != 0) return "<absent>";
  return value;
}

class IacLibraryTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ASSERT_NE(test::Wexo().Register, nullptr) << "the built library did not load";
    // A short folder of its own: socket paths must fit a local socket address.
    char runtimeTemplate[] = "/tmp/tlv-iac-XXXXXX";
    ASSERT_NE(::mkdtemp(runtimeTemplate), nullptr);
    runtime = runtimeTemplate;
    setenv("WEXO_RUNTIME_DIR", (runtime / "WEXO_32").c_str(), 1);
    IacPlaces places;
    places.programFolder = folder.folderPath() + "Program/";
    places.systemLibraryFolder = folder.folderPath() + "system/";
    places.applicationDataFolder = folder.folderPath() + "appdata/";
    fs::create_directories(places.programFolder);
    fs::copy_file(WEXO_LIBRARY_PATH, places.programFolder + "libWEXO_32.so");
    SetIacPlaces(places);
    SetIacTransport(&transport);
    InstallMainWindowPoster(&RecordNotice);
    std::lock_guard<std::mutex> lock(noticesMutex);
    notices.clear();
  }
  void TearDown() override {
    QuitIAC();
    if (peerRegistered) test::Wexo().Bye("PEER", &peer.window, "peer", 0);
    InstallMainWindowPoster(nullptr);
    SetIacTransport(nullptr);
    unsetenv("WEXO_RUNTIME_DIR");
    if (!runtime.empty()) fs::remove_all(runtime);
    test::CoreTest::TearDown();
  }

  void RegisterPeer(const char* signature = "PEER") {
    ASSERT_EQ(test::Wexo().Register(signature, &peer.window, "peer", 0, "peer", 0, "", 1025, 0, 0),
              0);
    peerRegistered = std::string(signature) == "PEER";
  }
  int32_t PeerSends(const std::string& code, const std::string& xtra) {
    const std::string envelope =
        "MSSG\x0B" + code + "\x0BSIGN\x0BPEER\x0BPSIG\x0BPEER\x0BXTRA\x0B" + xtra;
    return test::Wexo().Send("TLV1", envelope.c_str(), 0, "peer", 0);
  }
  // What came back to the peer, in order.
  std::vector<std::string> PeerReceived() {
    std::vector<std::string> received;
    while (const int32_t length = test::Wexo().NextLength("PEER")) {
      std::string envelope(static_cast<size_t>(length) + 1, '\0');
      if (test::Wexo().Next("PEER", envelope.data(), length + 1) == 0) break;
      envelope.resize(static_cast<size_t>(length));
      received.push_back(envelope);
    }
    return received;
  }
  static bool Eventually(const std::function<bool()>& condition) {
    return test::Eventually(condition, std::chrono::seconds(10));
  }

  test::TempFolder folder;
  fs::path runtime;
  LibraryTransport transport;
  test::NoticeRecorder peer;
  bool peerRegistered = false;
};

TEST_F(IacLibraryTest, AVersionQueryTravelsBothWays) {
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(LoadedMessageLibraryPath(), CurrentIacPlaces().programFolder + "libWEXO_32.so");
  RegisterPeer();
  ASSERT_EQ(PeerSends("VER?", "R1"), kNESendDelivered);
  // The library's thread posts the notice; the window's turn fetches and the timer dispatches.
  ASSERT_TRUE(Eventually([] { return NoticeCount() == 1; }));
  {
    std::lock_guard<std::mutex> lock(noticesMutex);
    EXPECT_EQ(notices[0], 0x544C5631);
  }
  EXPECT_EQ(HandleIACMessage(), 0);
  EXPECT_EQ(PendingIACMessageCount(), 1);
  EXPECT_EQ(ProcessPendingIACMessages(), 0);
  ASSERT_TRUE(peer.WaitFor(1));
  const std::vector<std::string> answers = PeerReceived();
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(Field(answers[0], "MSSG"), "VER!");
  EXPECT_EQ(Field(answers[0], "SIGN"), "TLV1");
  EXPECT_EQ(Field(answers[0], "PSIG"), "TOLV");
  EXPECT_EQ(Field(answers[0], "XTRA"), "R1");
  EXPECT_EQ(Field(answers[0], "VNUM"), "4.1.1");
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(IacLibraryTest, ElevenMessagesArriveInOrderAndTheEleventhWaitsInTheLibrary) {
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  RegisterPeer();
  for (int i = 1; i <= 11; ++i) ASSERT_EQ(PeerSends("VER?", std::to_string(i)), kNESendDelivered);
  ASSERT_TRUE(Eventually([] { return NoticeCount() == 11; }));
  for (int i = 0; i < 11; ++i) HandleIACMessage();
  EXPECT_EQ(PendingIACMessageCount(), 10);
  EXPECT_EQ(platform().beeps, 1);
  EXPECT_GT(*transport.GetNextMessageLength("TLV1"), 0);
  IACTimerStep();
  ASSERT_TRUE(peer.WaitFor(11));
  const std::vector<std::string> answers = PeerReceived();
  ASSERT_EQ(answers.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(Field(answers[static_cast<size_t>(i)], "XTRA"), std::to_string(i + 1));
  }
}

TEST_F(IacLibraryTest, ACopyRegisteredElsewhereKeepsTheSignature) {
  RegisterPeer("TLV1");
  // The other copy has the library loaded: its copy is the one to load.
  EXPECT_TRUE(transport.LibraryInUse());
  EXPECT_EQ(InitIAC(kOwnSignature, true), kIACAnotherCopyRuns);
  EXPECT_FALSE(IACRegistered());
  EXPECT_TRUE(platform().alerts.empty());
  test::Wexo().Bye("TLV1", &peer.window, "peer", 0);
  EXPECT_FALSE(transport.LibraryInUse());
}

TEST_F(IacLibraryTest, QuittingEndsTheRegistration) {
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(test::Wexo().IsRunning("TLV1"), 1);
  EXPECT_EQ(IsAppRunning("TLV1"), 1);
  QuitIAC();
  EXPECT_EQ(test::Wexo().IsRunning("TLV1"), 0);
  EXPECT_EQ(platform().beeps, 0);
}

}  // namespace
}  // namespace tlv
