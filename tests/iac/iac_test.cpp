#include "iac/iac.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/stop_check.h"
#include "iac/friends.h"
#include "iac/recording_transport.h"
#include "support/catalogue_fixture.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using std::chrono_literals::operator""h;

struct Posted {
  int32_t message;
  int64_t param1;
  int64_t param2;
};
std::mutex postedMutex;
std::vector<Posted> posted;

bool RecordPost(int32_t message, int64_t param1, int64_t param2) {
  std::lock_guard<std::mutex> lock(postedMutex);
  posted.push_back({message, param1, param2});
  return true;
}

// "MSSG" code "SIGN" sign "PSIG" "PEER", XTRA when given, then the pairs.
std::string Envelope(const std::string& code, const std::string& sign = "PEER",
                     const char* xtra = nullptr,
                     const std::vector<std::pair<std::string, std::string>>& pairs = {}) {
  std::string envelope = "MSSG\x0B" + code + "\x0BSIGN\x0B" + sign + "\x0BPSIG\x0BPEER";
  if (xtra != nullptr) envelope += std::string("\x0BXTRA\x0B") + xtra;
  for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
  return envelope;
}

std::string Field(const std::string& envelope, const char* keyword) {
  char value[128] = {};
  if (GetIACParam(envelope.c_str(), keyword, value, 127, false) != 0) return "<absent>";
  return value;
}

class IacTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    places.programFolder = folder.folderPath() + "Program/";
    places.systemLibraryFolder = folder.folderPath() + "system/";
    places.applicationDataFolder = folder.folderPath() + "appdata/";
    places.programFilesFolder = folder.folderPath() + "opt/";
    places.rootFolder = folder.folderPath() + "root/";
    places.executablePath = "/somewhere/tolvane";
    for (const std::string& f : {places.programFolder, places.systemLibraryFolder}) {
      fs::create_directories(f);
    }
    SetIacPlaces(places);
    InstallMainWindowPoster(&RecordPost);
    std::lock_guard<std::mutex> lock(postedMutex);
    posted.clear();
  }
  void TearDown() override {
    InstallMainWindowPoster(nullptr);
    test::CoreTest::TearDown();
  }

  RecordingTransport& library() { return DefaultRecordingTransport(); }
  std::string OwnCopy() const { return places.programFolder + "libWEXO_32.so"; }
  std::string SystemCopy() const { return places.systemLibraryFolder + "libWEXO_32.so"; }
  fs::path PathFile() const { return places.applicationDataFolder + "WEXO_32/WEXO_32_path.txt"; }
  void Bind() {
    test::WriteWholeFile(OwnCopy(), "library");
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    library().running.insert("PEER");
  }
  // The library queues an envelope and posts its notice; the window's notice fetches it.
  void Arrive(const std::string& envelope) {
    library().Deliver(envelope);
    HandleIACMessage();
  }
  std::vector<std::string> SentCodes() {
    std::vector<std::string> codes;
    for (const auto& sent : library().sent) codes.push_back(Field(sent.envelope, "MSSG"));
    return codes;
  }

  test::TempFolder folder;
  IacPlaces places;
};

// --- Which copy of the library is loaded ---

TEST_F(IacTest, TheSystemCopyWinsAndThePathFileIsNeitherReadNorWritten) {
  test::WriteWholeFile(OwnCopy(), "own");
  test::WriteWholeFile(SystemCopy(), "system");
  fs::create_directories(PathFile().parent_path());
  test::WriteWholeFile(PathFile(), "/elsewhere/libWEXO_32.so");
  const auto before = fs::last_write_time(PathFile());
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded, std::vector<std::string>{SystemCopy()});
  EXPECT_EQ(LoadedMessageLibraryPath(), SystemCopy());
  EXPECT_EQ(test::ReadWholeFile(PathFile()), "/elsewhere/libWEXO_32.so");
  EXPECT_EQ(fs::last_write_time(PathFile()), before);
}

TEST_F(IacTest, WithoutAPathFileTheOwnCopyIsLoadedAndRemembered) {
  test::WriteWholeFile(OwnCopy(), "own");
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded, std::vector<std::string>{OwnCopy()});
  EXPECT_EQ(test::ReadWholeFile(PathFile()), OwnCopy());
}

TEST_F(IacTest, TheNewerOfTheRememberedAndTheOwnCopyIsUsedWhileNoProgramHasOneLoaded) {
  const fs::path remembered = folder / "shared" / "libWEXO_32.so";
  fs::create_directories(remembered.parent_path());
  test::WriteWholeFile(remembered, "remembered");
  test::WriteWholeFile(OwnCopy(), "own");
  fs::create_directories(PathFile().parent_path());
  const auto now = fs::file_time_type::clock::now();

  // Remembered copy older: the own copy is used and remembered; only the first line counts.
  test::WriteWholeFile(PathFile(), remembered.string() + "\r\nignored");
  fs::last_write_time(remembered, now - 2h);
  fs::last_write_time(OwnCopy(), now - 1h);
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded.back(), OwnCopy());
  EXPECT_EQ(test::ReadWholeFile(PathFile()), OwnCopy());
  QuitIAC();

  // Remembered copy newer: it stays.
  test::WriteWholeFile(PathFile(), remembered.string());
  fs::last_write_time(remembered, now);
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded.back(), remembered.string());
  EXPECT_EQ(test::ReadWholeFile(PathFile()), remembered.string());
  QuitIAC();

  // Remembered copy gone: the own copy again.
  fs::remove(remembered);
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded.back(), OwnCopy());
  EXPECT_EQ(test::ReadWholeFile(PathFile()), OwnCopy());
}

TEST_F(IacTest, WhileAnotherProgramHasTheLibraryLoadedItsCopyIsUsed) {
  const fs::path remembered = folder / "shared" / "libWEXO_32.so";
  fs::create_directories(remembered.parent_path());
  test::WriteWholeFile(remembered, "remembered");
  test::WriteWholeFile(OwnCopy(), "own");
  fs::create_directories(PathFile().parent_path());
  test::WriteWholeFile(PathFile(), remembered.string());
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(remembered, now - 2h);
  fs::last_write_time(OwnCopy(), now);
  library().inUse = true;
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded.back(), remembered.string());
  EXPECT_EQ(test::ReadWholeFile(PathFile()), remembered.string());
  QuitIAC();

  // A path file naming no file must not leave the program without messaging.
  fs::remove(remembered);
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  EXPECT_EQ(library().loaded.back(), OwnCopy());
}

// --- Binding and registering ---

TEST_F(IacTest, RegistersTheProgramWithItsWindowAndNotice) {
  Bind();
  EXPECT_TRUE(IACRegistered());
  EXPECT_EQ(library().registeredSignature, "TLV1");
  EXPECT_EQ(library().registeredPath, "/somewhere/tolvane");
  EXPECT_EQ(library().notifyMessage, 1025);
  ASSERT_NE(library().window, nullptr);
  // The notices reach the main window through the thread-safe post.
  library().Deliver(Envelope("VER?"));
  std::lock_guard<std::mutex> lock(postedMutex);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].message, 1025);
  EXPECT_EQ(posted[0].param1, 0x544C5631);
  EXPECT_EQ(posted[0].param2, 1);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(platform().beeps, 0);
}

TEST_F(IacTest, ASecondCopyEndsQuietly) {
  test::WriteWholeFile(OwnCopy(), "own");
  EXPECT_EQ(InitIAC(kOwnSignature, false), kIACAnotherCopyRuns);
  EXPECT_TRUE(library().loaded.empty());
  library().running.insert("TLV1");
  EXPECT_EQ(InitIAC(kOwnSignature, true), kIACAnotherCopyRuns);
  EXPECT_TRUE(library().registeredSignature.empty());
  EXPECT_FALSE(IACRegistered());
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(IacTest, AMissingLibraryOrProcedureLeavesTheProgramUnbound) {
  library().loadFails = true;
  EXPECT_EQ(InitIAC(kOwnSignature, true), kIACLibraryMissing);
  EXPECT_EQ(platform().beeps, 1);
  library().loadFails = false;
  library().missing.insert("NERegister");
  EXPECT_EQ(InitIAC(kOwnSignature, true), kIACProcedureMissing);
  library().missing.clear();
  library().registerResult = kNERegisterUnsafeFolder;
  EXPECT_EQ(InitIAC(kOwnSignature, true), kNERegisterUnsafeFolder);
  EXPECT_FALSE(IACRegistered());
  // Unbound, nothing is fetched by the timer and nothing beeps there.
  const int beeps = platform().beeps;
  library().inbox.push_back(Envelope("VER?"));
  IACTimerStep();
  EXPECT_EQ(library().inbox.size(), 1u);
  EXPECT_EQ(platform().beeps, beeps);
}

TEST_F(IacTest, QuitSignsOffAndForgetsTheLibrary) {
  Bind();
  Arrive(Envelope("VER?"));
  QuitIAC();
  EXPECT_EQ(library().byes, 1);
  EXPECT_EQ(library().running.count("TLV1"), 0u);
  EXPECT_EQ(PendingIACMessageCount(), 0);
  EXPECT_FALSE(FriendListExists());
  EXPECT_EQ(ProcessPendingIACMessages(), -1);
  // Later calls behave as if the library were missing.
  EXPECT_EQ(IsAppRunning("PEER"), 0);
  EXPECT_EQ(platform().beeps, 1);
}

// --- Receiving ---

TEST_F(IacTest, ElevenMessagesAreAllDispatchedInArrivalOrder) {
  Bind();
  for (int i = 1; i <= 11; ++i) Arrive(Envelope("VER?", "PEER", std::to_string(i).c_str()));
  // The queue holds ten; the eleventh waits in the library (its sender heard "delivered").
  EXPECT_EQ(PendingIACMessageCount(), 10);
  EXPECT_EQ(library().inbox.size(), 1u);
  EXPECT_EQ(platform().beeps, 1);
  IACTimerStep();
  ASSERT_EQ(library().sent.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    const std::string& answer = library().sent[static_cast<size_t>(i)].envelope;
    EXPECT_EQ(library().sent[static_cast<size_t>(i)].target, "PEER");
    EXPECT_EQ(Field(answer, "MSSG"), "VER!");
    EXPECT_EQ(Field(answer, "VNUM"), "4.1.1");
    EXPECT_EQ(Field(answer, "XTRA"), std::to_string(i + 1));
  }
  EXPECT_EQ(PendingIACMessageCount(), 0);
  EXPECT_TRUE(library().inbox.empty());
}

TEST_F(IacTest, TheTimerFetchesWhatLostNoticesLeftInTheLibrary) {
  Bind();
  for (int i = 0; i < 25; ++i) library().inbox.push_back(Envelope("VER?"));
  IACTimerStep();
  EXPECT_EQ(library().sent.size(), 25u);
  EXPECT_TRUE(library().inbox.empty());
}

TEST_F(IacTest, AMessagePromisedButNotDeliveredIsSaid) {
  Bind();
  library().inbox.push_back(Envelope("VER?"));
  library().failNextGet = true;
  EXPECT_EQ(HandleIACMessage(), -1);
  EXPECT_EQ(PendingIACMessageCount(), 0);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "IAC message promised but not available.");
  EXPECT_EQ(platform().alerts[0].kind, kStopAlert);
}

TEST_F(IacTest, NoMemoryForAnArrivingMessageIsReported) {
  Bind();
  library().inbox.push_back(Envelope("VER?"));
  FailAllocationsAfterForTesting(0);
  EXPECT_NE(HandleIACMessage(), 0);
  ResetMemoryFailuresForTesting();
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            ComposeErrorReport("HandleIACMessage()", "MyNewHandle()", 0));
  EXPECT_EQ(library().inbox.size(), 1u);
}

TEST_F(IacTest, AMissingReceivingProcedureBeepsAndFetchesNothing) {
  Bind();
  library().missing.insert("NEGetNextMessageLength");
  library().inbox.push_back(Envelope("VER?"));
  EXPECT_EQ(HandleIACMessage(), -1);
  EXPECT_EQ(platform().beeps, 1);
  EXPECT_EQ(PendingIACMessageCount(), 0);
}

// A library whose sends bring in a new envelope, as a message arriving while a handler waits.
class BusyLibrary : public RecordingTransport {
 public:
  std::optional<int32_t> SendMessage(const char* target, const char* envelope,
                                     const char* senderName) override {
    const std::optional<int32_t> result =
        RecordingTransport::SendMessage(target, envelope, senderName);
    nestedProcess.push_back(ProcessPendingIACMessages());
    if (arrivals > 0) {
      --arrivals;
      inbox.push_back(Envelope("VER?", "PEER", "late"));
      HandleIACMessage();
    }
    return result;
  }
  int arrivals = 1;
  std::vector<int32_t> nestedProcess;
};

TEST_F(IacTest, MessagesArrivingDuringAHandlerQueueBehindAndNeverDispatchWithinIt) {
  BusyLibrary busy;
  SetIacTransport(&busy);
  test::WriteWholeFile(OwnCopy(), "own");
  ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
  busy.running.insert("PEER");
  for (const char* xtra : {"first", "second"}) {
    busy.inbox.push_back(Envelope("VER?", "PEER", xtra));
    HandleIACMessage();
  }
  ProcessPendingIACMessages();
  ASSERT_EQ(busy.sent.size(), 3u);
  EXPECT_EQ(Field(busy.sent[0].envelope, "XTRA"), "first");
  EXPECT_EQ(Field(busy.sent[1].envelope, "XTRA"), "second");
  EXPECT_EQ(Field(busy.sent[2].envelope, "XTRA"), "late");
  EXPECT_EQ(busy.nestedProcess, (std::vector<int32_t>{0, 0, 0}));
  QuitIAC();
  SetIacTransport(nullptr);
}

// --- Dispatching ---

TEST_F(IacTest, DispatchNeedsCodeAndSenderAndKeepsTheReplyContext) {
  Bind();
  EXPECT_EQ(DispatchIACMessage("SIGN\x0BPEER\x0BXTRA\x0Bnew"), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "TOLVANE: couldn't retrieve IAC parameter: MSSG");
  EXPECT_EQ(DispatchIACMessage("MSSG\x0BVER?\x0BXTRA\x0Bnew"), -1);
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_EQ(platform().alerts[1].text, "TOLVANE: couldn't retrieve IAC parameter: SIGN");
  EXPECT_TRUE(library().sent.empty());
  EXPECT_EQ(IACReplyContext(), "");

  EXPECT_EQ(DispatchIACMessage(Envelope("MHIT", "ABCD", "R7").c_str()), 0);
  EXPECT_STREQ(IACSenderSignature(), "ABCD");
  EXPECT_EQ(IACReplyContext(), "R7");
  // A message without XTRA leaves the context; one with a long XTRA is cut at 99.
  EXPECT_EQ(DispatchIACMessage(Envelope("ZZZZ").c_str()), 0);
  EXPECT_EQ(IACReplyContext(), "R7");
  EXPECT_EQ(DispatchIACMessage(Envelope("ZZZZ", "PEER", std::string(150, 'c').c_str()).c_str()), 0);
  EXPECT_EQ(IACReplyContext(), std::string(99, 'c'));
  EXPECT_EQ(DispatchIACMessage(Envelope("ZZZZ", "PEER", "").c_str()), 0);
  EXPECT_EQ(IACReplyContext(), "");
  EXPECT_TRUE(library().sent.empty());
}

TEST_F(IacTest, VersionQueryIsAnsweredToItsSenderWithItsContext) {
  Bind();
  library().running.insert("ZPH5");
  Arrive(Envelope("VER?", "ZPH5", "query 12"));
  EXPECT_EQ(ProcessPendingIACMessages(), 0);
  ASSERT_EQ(library().sent.size(), 1u);
  EXPECT_EQ(library().sent[0].target, "ZPH5");
  EXPECT_EQ(library().sent[0].envelope,
            "MSSG\x0BVER!\x0BSIGN\x0BTLV1\x0BPSIG\x0BTOLV\x0BXTRA\x0Bquery 12\x0BVNUM\x0B"
            "4.1.1");
}

// --- Sending ---

TEST_F(IacTest, SendingToAnUnknownProgramNamesItWithQuestionMarks) {
  Bind();
  EXPECT_EQ(SendIACMessage("SHOW", nullptr, "NONE", false, kOwnSignature, kOwnProgramSignature),
            -1);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(SendIACMessage("SHOW", nullptr, "NONE", true, kOwnSignature, kOwnProgramSignature), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "Unable to send message to application \"???\" (message = \"SHOW\").");
  EXPECT_TRUE(library().sent.empty());
}

TEST_F(IacTest, AFriendThatQuitIsNamedAndAFailedSendIsAlwaysReported) {
  Bind();
  ASSERT_EQ(AppendFriend(MakeFriendRecord("DVFM", "DVFM", "DORVE")), 0);
  EXPECT_EQ(SendIACMessage("SHOW", nullptr, "DVFM", true, kOwnSignature, kOwnProgramSignature), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "The application \"DORVE\" seems to have quit unexpectedly.  Please restart it.");

  library().running.insert("DVFM");
  library().sendResult = kNESendQueueFull;
  EXPECT_EQ(SendIACMessage("SHOW", nullptr, "DVFM", false, kOwnSignature, kOwnProgramSignature),
            kNESendQueueFull);
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_EQ(platform().alerts[1].text,
            "Unable to send message to application \"DORVE\" (message = \"SHOW\").");
  EXPECT_EQ(SendIACMessage("SRCH", nullptr, "PEER", false, kOwnSignature, kOwnProgramSignature),
            kNESendQueueFull);
  EXPECT_EQ(platform().alerts.back().text,
            "Unable to send message to application \"PEER\" (message = \"SRCH\").");

  library().sendResult = 0;
  library().missing.insert("NESendMessage");
  EXPECT_EQ(SendIACMessage("SRCH", nullptr, "PEER", false, kOwnSignature, kOwnProgramSignature),
            -1);
  EXPECT_EQ(platform().beeps, 1);
}

TEST_F(IacTest, EveryMessageSentCarriesTheReplyContext) {
  Bind();
  SetIACReplyContext("ctx");
  const IACParam params[] = {{"NAME", kIACTextKind, "Dam", 0}, {"", 0, nullptr, 0}};
  ASSERT_EQ(SendIACMessage("MYOD", params, "PEER", true, kOwnSignature, kOwnProgramSignature), 0);
  ASSERT_EQ(library().sent.size(), 1u);
  EXPECT_EQ(library().sent[0].envelope,
            "MSSG\x0BMYOD\x0BSIGN\x0BTLV1\x0BPSIG\x0BTOLV\x0BXTRA\x0B"
            "ctx\x0BNAME\x0B"
            "Dam");
}

// --- Interrupting long operations ---

TEST_F(IacTest, TheStopCheckFetchesItselfAndFlagsOnlyInterruptingMessages) {
  Bind();
  bool foreground = true;
  int redone = 0;
  IacHooks hooks;
  hooks.inForeground = [&foreground] { return foreground; };
  hooks.redoInterrupted = [&redone] { ++redone; };
  SetIacHooks(hooks);
  platform().fixedClock = true;
  platform().fixedTicks = 1000;

  library().inbox.push_back(Envelope("VER?"));
  EXPECT_FALSE(IACStopCheck());
  EXPECT_EQ(PendingIACMessageCount(), 1);

  // In the foreground the library is looked at twice a second at most.
  library().inbox.push_back(Envelope("SHOW"));
  platform().fixedTicks += 10;
  EXPECT_FALSE(IACStopCheck());
  EXPECT_EQ(PendingIACMessageCount(), 1);
  platform().fixedTicks += 30;
  EXPECT_TRUE(IACStopCheck());
  EXPECT_EQ(PendingIACMessageCount(), 2);
  // Nothing is dispatched inside the operation: not by the check, not by the timer.
  {
    const LongOperationScope running;
    IACTimerStep();
    EXPECT_EQ(ProcessPendingIACMessages(), 0);
    EXPECT_TRUE(library().sent.empty());
  }
  EXPECT_EQ(redone, 0);
  // Once it has unwound, the messages run and the operation is started again.
  IACTimerStep();
  EXPECT_EQ(SentCodes(), std::vector<std::string>{"VER!"});
  EXPECT_EQ(redone, 1);
  IACTimerStep();
  EXPECT_EQ(redone, 1);

  // In the background every call looks.
  foreground = false;
  library().inbox.push_back(Envelope("GOTO"));
  EXPECT_TRUE(IACStopCheck());
  library().inbox.push_back(Envelope("RMAP"));
  EXPECT_TRUE(IACStopCheck());
  EXPECT_EQ(PendingIACMessageCount(), 2);
}

TEST_F(IacTest, LongOperationsStopForAWaitingMessageAndForEscape) {
  Bind();
  SetMessageStopCheck(IACStopCheck);
  platform().fixedClock = true;
  platform().fixedTicks = 5000;
  EXPECT_FALSE(LongOperationStopRequested());
  library().inbox.push_back(Envelope("VIEW"));
  platform().fixedTicks += 30;
  EXPECT_TRUE(LongOperationStopRequested());
  platform().escapeAtCheck = 1;
  EXPECT_TRUE(LongOperationStopRequested());
}

TEST_F(IacTest, InterruptingCodes) {
  for (const char* code : {"SLAT", "VIEW", "SHOW", "MAP ", "MKOV", "RMAP", "IMPT", "DRW-", "GOTO",
                           "IMP2", "CDMP", "CTRL", "DELO"}) {
    EXPECT_TRUE(IsInterruptingMessage(Envelope(code).c_str())) << code;
  }
  for (const char* code : {"HOLA", "VER?", "DRW+", "DLGZ", "MAP", "SRCH", "VEW?"}) {
    EXPECT_FALSE(IsInterruptingMessage(Envelope(code).c_str())) << code;
  }
  EXPECT_FALSE(IsInterruptingMessage("SIGN\x0BPEER"));
  EXPECT_TRUE(IsInterruptingMessage(Envelope("DLOV").c_str()));
  EXPECT_TRUE(platform().alerts.empty());
}

class IacOverlayTest : public test::CatalogueTest {};

TEST_F(IacOverlayTest, DeletingAnOverlayInterruptsOnlyWhenItHoldsObjects) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 5);
  MakeLayerFile(map, "EMPTY", "Empty", 0);
  ASSERT_EQ(LoadAll(), 0);
  auto dlov = [](const char* layer) {
    return IsInterruptingMessage(Envelope("DLOV", "PEER", nullptr, {{"LAYR", layer}}).c_str());
  };
  EXPECT_TRUE(dlov("Roads"));
  EXPECT_FALSE(dlov("Empty"));
  EXPECT_FALSE(dlov("No such overlay"));
}

}  // namespace
}  // namespace tlv
