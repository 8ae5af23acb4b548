// Greetings, farewells, friend files and sharing menus against the recording message library.
#include "iac/connection_messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "iac/sharing_menus.h"
#include "store/directory_table.h"
#include "support/test_support.h"

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

std::string Envelope(const std::string& code, const std::string& sign,
                     const std::vector<std::pair<std::string, std::string>>& pairs = {}) {
  // No "PSIG" in the header: the pairs give it where a message needs one.
  std::string envelope = "MSSG\x0B" + code + "\x0BSIGN\x0B" + sign;
  for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
  return envelope;
}

std::string Field(const std::string& envelope, const char* keyword) {
  char value[256] = {};
  if (GetIACParam(envelope.c_str(), keyword, value, 255, false) != 0) return "<absent>";
  return value;
}

class ConnectionTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    IacPlaces places;
    places.programFolder = folder.folderPath() + "Program/";
    places.executablePath = "/opt/TOLVANE/tolvane";
    fs::create_directories(places.programFolder);
    fs::create_directories(friends());
    test::WriteWholeFile(places.programFolder + "libWEXO_32.so", "library");
    SetIacPlaces(places);
    ASSERT_EQ(RegisterDirectory(friends().string() + "/", true, friendsID), 0);
    InstallMainWindowPoster(&RecordPost);
    std::lock_guard<std::mutex> lock(postedMutex);
    posted.clear();
  }
  void TearDown() override {
    InstallMainWindowPoster(nullptr);
    test::CoreTest::TearDown();
  }

  fs::path friends() const { return folder / "Friends"; }
  RecordingTransport& library() { return DefaultRecordingTransport(); }
  // Binds the library and greets at start-up, as FinishStartup does.
  void Start() {
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    ASSERT_EQ(GreetAtStartup(0, friendsID), 0);
  }
  int32_t Arrive(const std::string& envelope) { return DispatchIACMessage(envelope.c_str()); }
  // "HOLA" from a sibling that runs.
  int32_t Greet(const std::string& sign, const std::string& psig, const std::string& name,
                const std::string& version = "2") {
    library().running.insert(sign);
    std::vector<std::pair<std::string, std::string>> pairs = {
        {"PSIG", psig}, {"NAME", name}, {"PATH", "/opt/" + name}, {"DOC ", ""}};
    if (!version.empty()) pairs.push_back({"VERS", version});
    std::string envelope = "MSSG\x0BHOLA\x0BSIGN\x0B" + sign;
    for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
    return Arrive(envelope);
  }
  int32_t Menu(const std::string& sign, const std::string& psig, const std::string& name,
               const std::string& items) {
    library().running.insert(sign);
    return Arrive(Envelope("MENU", sign,
                           {{"VERS", "2"},
                            {"PSIG", psig},
                            {"NAME", name},
                            {"PATH", "/opt/" + name},
                            {"ITMS", items}}));
  }
  std::vector<std::string> SentTo() {
    std::vector<std::string> targets;
    for (const auto& sent : library().sent) {
      targets.push_back(sent.target + ":" + Field(sent.envelope, "MSSG"));
    }
    return targets;
  }
  FriendRecord Friend(const char* psig) {
    FriendRecord record{};
    EXPECT_TRUE(GetFriend(FindFriendByPSIG(psig), record)) << psig;
    return record;
  }
  std::vector<std::string> AlertTexts() {
    std::vector<std::string> texts;
    for (const auto& alert : platform().alerts) texts.push_back(alert.text);
    return texts;
  }

  test::TempFolder folder;
  int32_t friendsID = -1;
};

// --- Versions, greetings and farewells ---

TEST_F(ConnectionTest, TheVersionMustContainTwo) {
  for (const char* version : {"12", "2.1", "2"}) {
    const std::string envelope = Envelope("HOLA", "ZPH5", {{"VERS", version}});
    EXPECT_EQ(CheckPeerVersion(envelope.c_str(), true), 0) << version;
  }
  EXPECT_TRUE(platform().alerts.empty());
  const std::string three = Envelope("HOLA", "ZPH5", {{"NAME", "ZEPHA"}, {"VERS", "3"}});
  EXPECT_EQ(CheckPeerVersion(three.c_str(), true), -1);
  const std::string none = Envelope("HOLA", "ZPH5");
  EXPECT_EQ(CheckPeerVersion(none.c_str(), true), -1);
  EXPECT_EQ(CheckPeerVersion(none.c_str(), false), -1);
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_EQ(platform().alerts[0].text,
            "You must update your version of ZEPHA before using it with this version of TOLVANE.");
  EXPECT_EQ(platform().alerts[0].kind, kStopAlert);
  EXPECT_EQ(platform().alerts[1].text,
            "You must update your version of ??? before using it with this version of TOLVANE.");
}

TEST_F(ConnectionTest, AGreetingIsRecordedWrittenAndAnswered) {
  Start();
  ASSERT_EQ(Greet("ZPH5", "ZPHA", "ZEPHA"), 0);
  EXPECT_EQ(test::ReadWholeFile(friends() / "ZEPHA.VWR"),
            "ZPH5\r\nZPHA\r\nZEPHA\r\n/opt/ZEPHA\r\n\r\n");
  const FriendRecord zepha = Friend("ZPHA");
  EXPECT_EQ(std::string(zepha.applicationSignature), "ZPH5");
  EXPECT_EQ(zepha.greeted, 1);
  EXPECT_EQ(std::string(zepha.friendFileName), "ZEPHA.VWR");
  ASSERT_EQ(library().sent.size(), 1u);
  const std::string& answer = library().sent[0].envelope;
  EXPECT_EQ(library().sent[0].target, "ZPH5");
  EXPECT_EQ(Field(answer, "MSSG"), "OKHI");
  EXPECT_EQ(Field(answer, "NAME"), "TOLVANE");
  EXPECT_EQ(Field(answer, "PATH"), "/opt/TOLVANE/tolvane");
  EXPECT_EQ(Field(answer, "DOC "), "");
  EXPECT_EQ(Field(answer, "VERS"), "2");

  // An old sibling is told to update and neither recorded nor answered.
  EXPECT_EQ(Greet("WILD", "WLDP", "Wilder", "1.5"), -1);
  EXPECT_FALSE(fs::exists(friends() / "Wilder.VWR"));
  EXPECT_EQ(FindFriendByPSIG("WLDP"), -1);
  EXPECT_EQ(library().sent.size(), 1u);
  // "OKHI" records without answering.
  library().running.insert("DVFM");
  ASSERT_EQ(Arrive(Envelope("OKHI", "DVFM",
                            {{"PSIG", "DVFM"}, {"NAME", "DORVE"}, {"PATH", "/d"}, {"VERS", "2"}})),
            0);
  EXPECT_EQ(Friend("DVFM").greeted, 1);
  EXPECT_EQ(library().sent.size(), 1u);
  // A missing required parameter: complaint, -1, no file.
  EXPECT_EQ(Arrive(Envelope("HOLA", "ABCD", {{"PSIG", "ABCP"}, {"VERS", "2"}})), -1);
  EXPECT_EQ(FindFriendByPSIG("ABCP"), -1);
  EXPECT_EQ(library().sent.size(), 1u);
}

TEST_F(ConnectionTest, StartUpGreetsFriendsInOrderThenTheKnownSiblings) {
  test::WriteWholeFile(friends() / "B.VWR", "BBBB\r\nBBBP\r\nB\r\n/b\r\n\r\n");
  test::WriteWholeFile(friends() / "a.vwr", "DVFM\r\nDVFM\r\nDORVE\r\n/d\r\n\r\n");
  test::WriteWholeFile(friends() / "C.VWR", "CCCC\r\nCCCP\r\nC\r\n/c\r\n\r\n");
  library().running = {"BBBB", "DVFM", "ZPH5", "WILD"};
  Start();
  ASSERT_EQ(FriendCount(), 3);
  // Friends in list order (files in collating order), then the known signatures not yet
  // friends that run; the stopped friend "CCCC" is passed over.
  EXPECT_EQ(SentTo(),
            (std::vector<std::string>{"DVFM:HOLA", "BBBB:HOLA", "WILD:HOLA", "ZPH5:HOLA"}));
  EXPECT_TRUE(platform().alerts.empty());

  // A failed send ends the broadcast; start-up does not care.
  library().sent.clear();
  library().sendResult = 6;
  EXPECT_EQ(SendGreeting("HOLA", nullptr), 6);
  EXPECT_EQ(SentTo(), (std::vector<std::string>{"DVFM:HOLA"}));

  // The farewell goes to friends only and carries nothing.
  library().sendResult = 0;
  library().sent.clear();
  FarewellAtShutdown();
  EXPECT_EQ(SentTo(), (std::vector<std::string>{"DVFM:BYE ", "BBBB:BYE "}));
  EXPECT_EQ(Field(library().sent[0].envelope, "NAME"), "<absent>");
  EXPECT_FALSE(IACRegistered());
}

TEST_F(ConnectionTest, FarewellQuitsOnlyWhenNobodyIsStillGreeted) {
  Start();
  // A stranger may close the program when no friend is greeted.
  ASSERT_EQ(Arrive(Envelope("BYE ", "XXXX", {{"PSIG", "XXXP"}, {"OPTN", "SAVE,QUIT"}})), 0);
  {
    std::lock_guard<std::mutex> lock(postedMutex);
    EXPECT_EQ(posted, std::vector<int32_t>{kQuitRequestNotice});
    posted.clear();
  }
  ASSERT_EQ(Greet("ZPH5", "ZPHA", "ZEPHA"), 0);
  ASSERT_EQ(Greet("DVFM", "DVFM", "DORVE"), 0);
  ASSERT_EQ(Arrive(Envelope("BYE ", "ZPH5", {{"PSIG", "ZPHA"}, {"OPTN", "QUIT"}})), 0);
  EXPECT_EQ(Friend("ZPHA").greeted, 0);
  EXPECT_EQ(Friend("DVFM").greeted, 1);
  // Lower-case "quit" is no request; without "OPTN" nothing is asked either.
  ASSERT_EQ(Arrive(Envelope("BYE ", "DVFM", {{"PSIG", "DVFM"}, {"OPTN", "quit"}})), 0);
  {
    std::lock_guard<std::mutex> lock(postedMutex);
    EXPECT_TRUE(posted.empty());
  }
  EXPECT_EQ(Arrive(Envelope("BYE ", "DVFM", {{"OPTN", "QUIT"}})), -1);
  EXPECT_EQ(Arrive(Envelope("BYE ", "DVFM", {{"PSIG", "DVFM"}, {"OPTN", "QUIT"}})), 0);
  std::lock_guard<std::mutex> lock(postedMutex);
  EXPECT_EQ(posted, std::vector<int32_t>{kQuitRequestNotice});
}

TEST_F(ConnectionTest, BringForwardAndAlerts) {
  int own = 0;
  std::vector<std::string> asked;
  ConnectionHooks hooks;
  hooks.bringOwnWindowForward = [&own] { ++own; };
  hooks.bringWindowForward = [&asked](const std::string& name, const std::string& id) {
    asked.push_back(name + "/" + id);
    return name == "Shown";
  };
  SetConnectionHooks(hooks);
  Start();
  // "TLV1" is the own window whatever the name and id say; the name must still be there.
  EXPECT_EQ(Arrive(Envelope("FRWD", "ZPH5", {{"WHO ", "TLV1"}, {"NAME", "x"}, {"HWND", "42"}})), 0);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(Arrive(Envelope("FRWD", "ZPH5", {{"WHO ", "TLV1"}})), -1);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(Arrive(Envelope("FRWD", "ZPH5", {{"WHO ", "ZPH5"}, {"NAME", "Shown"}})), 0);
  const size_t before = platform().alerts.size();
  EXPECT_EQ(Arrive(Envelope("FRWD", "ZPH5", {{"WHO ", "ZPH5"}, {"NAME", "Gone"}, {"HWND", "7"}})),
            -1);
  EXPECT_EQ(asked, (std::vector<std::string>{"Shown/", "Gone/7"}));
  ASSERT_EQ(platform().alerts.size(), before + 1);
  EXPECT_EQ(platform().alerts.back().text, "Unable to bring application forward.");

  platform().alerts.clear();
  const int beeps = platform().beeps;
  for (const char* icon : {"0", "1", "2", "9", "05"}) {
    EXPECT_EQ(
        Arrive(Envelope("ALRT", "ZPH5", {{"TEXT", std::string("icon ") + icon}, {"ICON", icon}})),
        0);
  }
  ASSERT_EQ(platform().alerts.size(), 5u);
  const int kinds[] = {kStopAlert, kNoteAlert, kCautionAlert, kNoteAlert, kStopAlert};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(platform().alerts[i].kind, kinds[i]) << platform().alerts[i].text;
  }
  EXPECT_EQ(platform().beeps, beeps + 5);
  EXPECT_EQ(own, 6);
  EXPECT_EQ(Arrive(Envelope("ALRT", "ZPH5", {{"TEXT", "no icon"}})), -1);
}

// --- Friend files ---

TEST_F(ConnectionTest, FileNamesStayInTheFolder) {
  EXPECT_EQ(FriendFileName("a/b:c d", "VWR"), "a_b_c_d.VWR");
  EXPECT_EQ(FriendFileName("../..", "MNU"), "_____.MNU");
  EXPECT_EQ(FriendFileName("!#$%&'()-@^_`{}~", "VWR"), "!#$%&'()-@^_`{}~.VWR");
  EXPECT_EQ(FriendFileName("x*y?z\"<>|\\.", "VWR"), "x_y_z______.VWR");
  EXPECT_EQ(FriendFileName(std::string(40, 'N'), "VWR"), std::string(27, 'N') + ".VWR");
  EXPECT_EQ(FriendFileName("\xE9t\xE9", "VWR"), "_t_.VWR");
}

TEST_F(ConnectionTest, BadFriendFilesAreReportedAndTheNextRead) {
  test::WriteWholeFile(friends() / "1short.VWR", "ZPH5\r\nZPHA\r\n");
  test::WriteWholeFile(friends() / "2big.VWR",
                       "BIG1\r\nBIGP\r\nBig\r\n" + std::string(1000, 'p') + "\r\n\r\n");
  test::WriteWholeFile(friends() / "3binary.VWR",
                       std::string("BIN1\r\nBINP\r\nB\0n\r\n/b\r\n\r\n", 23));
  test::WriteWholeFile(friends() / "4lf.VWR", "LFLF\nLFLP\nLF\n/lf\n\n");
  test::WriteWholeFile(friends() / "5sig.VWR", "AB\r\nABCP\r\nShort sign\r\n/s\r\n\r\n");
  test::WriteWholeFile(friends() / "6good.VWR", "GOOD\r\nGOOP\r\nGood\r\n/good\r\ndoc");
  test::WriteWholeFile(friends() / "7menu.MNU", "MENU\r\nMENP\r\nNo end");
  Start();
  EXPECT_EQ(platform().alerts.size(), 6u);
  ASSERT_EQ(FriendCount(), 1);
  const FriendRecord good = Friend("GOOP");
  EXPECT_EQ(std::string(good.executablePath), "/good");
  EXPECT_EQ(std::string(good.document), "doc");
  EXPECT_TRUE(SharingMenus().empty());
}

TEST_F(ConnectionTest, ALineBreakInAGreetingIsRefused) {
  Start();
  // The name would end its line early and plant another executable path.
  library().running.insert("EVIL");
  EXPECT_NE(
      Arrive(Envelope(
          "HOLA", "EVIL",
          {{"PSIG", "EVLP"}, {"NAME", "Evil\r\n/bin/sh"}, {"PATH", "/opt/evil"}, {"VERS", "2"}})),
      0);
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"Error writing VWR file."});
  EXPECT_EQ(FindFriendByPSIG("EVLP"), -1);
  EXPECT_TRUE(fs::is_empty(friends()));
  EXPECT_TRUE(library().sent.empty());
}

TEST_F(ConnectionTest, FriendsAndMenusComeBackAtTheNextStart) {
  Start();
  ASSERT_EQ(Menu("ZPH5", "ZPHA", "ZEPHA", "Set &Source/S\rGo to ZEPHA\r"), 0);
  const std::string longItems(1000, 'i');
  ASSERT_EQ(Menu("LONG", "LNGP", "Long", longItems), 0);
  EXPECT_GT(fs::file_size(friends() / "Long.MNU"), 1000u);
  EXPECT_EQ(test::ReadWholeFile(friends() / "ZEPHA.MNU"),
            "ZPH5\r\nZPHA\r\nZEPHA\r\nSet &Source/S\rGo to ZEPHA\r\r\n");
  const std::vector<SharingMenu> before = SharingMenus();
  QuitIAC();
  ResetIacForTesting();

  IacPlaces places;
  places.programFolder = folder.folderPath() + "Program/";
  SetIacPlaces(places);
  Start();
  EXPECT_EQ(FriendCount(), 2);
  EXPECT_EQ(Friend("ZPHA").greeted, 0);
  const std::vector<SharingMenu>& after = SharingMenus();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].title, before[i].title);
    ASSERT_EQ(after[i].items.size(), before[i].items.size());
    for (size_t j = 0; j < after[i].items.size(); ++j) {
      EXPECT_EQ(after[i].items[j].text, before[i].items[j].text);
    }
  }
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].items[0].text, longItems);
}

// --- Sharing menus ---

TEST_F(ConnectionTest, MenusAreOrderedAndARepeatedMenuKeepsItsNumbers) {
  Start();
  int changes = 0;
  SharingHooks hooks;
  hooks.menusChanged = [&changes] { ++changes; };
  SetSharingHooks(hooks);
  ASSERT_EQ(Menu("ZPH5", "ZPHA", "ZEPHA", "One\rTwo\r"), 0);
  ASSERT_EQ(Menu("DVFM", "DVFM", "DORVE", "Get &Info\r"), 0);
  ASSERT_EQ(Menu("aaaa", "aaap", "alpha", "x\r"), 0);
  const std::vector<SharingMenu>& menus = SharingMenus();
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_EQ(menus[0].title, "&DORVE");
  EXPECT_EQ(menus[1].title, "&ZEPHA");
  EXPECT_EQ(menus[2].title, "&alpha");
  EXPECT_EQ(menus[0].base, 30100);
  EXPECT_EQ(menus[1].base, 30000);
  EXPECT_EQ(menus[2].base, 30200);
  ASSERT_EQ(Menu("ZPH5", "ZPHA", "ZEPHA", "-\rThree\rFour/F\rFive\r"), 0);
  ASSERT_EQ(SharingMenus().size(), 3u);
  const SharingMenu& zepha = SharingMenus()[1];
  EXPECT_EQ(zepha.base, 30000);
  ASSERT_EQ(zepha.items.size(), 6u);
  EXPECT_TRUE(zepha.items[0].separator);
  EXPECT_EQ(zepha.items[1].command, 30001);
  EXPECT_EQ(zepha.items[2].text, "Four");
  EXPECT_EQ(zepha.items[2].command, 30002);
  // Without a KML item of its own, ZEPHA's menu gets the program's export behind a separator.
  EXPECT_TRUE(zepha.items[4].separator);
  EXPECT_EQ(zepha.items[5].command, kZephaExportKml);
  EXPECT_EQ(Friend("ZPHA").menuBase, 30000);
  EXPECT_EQ(changes, 4);
}

TEST_F(ConnectionTest, ShortcutsAndSeparators) {
  Start();
  std::string items = "Go/G\r/G\r(Gone\r-\rx/\r";
  ASSERT_EQ(Menu("AAAA", "AAAP", "A", items), 0);
  const SharingMenu& menu = SharingMenus()[0];
  ASSERT_EQ(menu.items.size(), 5u);
  EXPECT_EQ(menu.items[0].text, "Go");
  EXPECT_EQ(menu.items[0].shortcut, 'G');
  EXPECT_EQ(menu.items[1].text, "/G");
  EXPECT_EQ(menu.items[1].shortcut, 0);
  EXPECT_TRUE(menu.items[2].separator);
  EXPECT_TRUE(menu.items[3].separator);
  EXPECT_EQ(menu.items[4].text, "x/");
  ASSERT_EQ(SharingShortcuts().size(), 1u);
  EXPECT_EQ(SharingShortcuts()[0].command, 30000);

  // 40 shortcuts at most: the 41st is dropped, and refilling a menu frees its own first.
  std::string many;
  for (int i = 0; i < 39; ++i)
    many += "Item/" + std::string(1, static_cast<char>('a' + i % 26)) + "\r";
  ASSERT_EQ(Menu("BBBB", "BBBP", "B", many + "Last/L\r"), 0);
  EXPECT_EQ(SharingShortcuts().size(), 40u);
  EXPECT_EQ(SharingShortcuts().back().command, 30100 + 38);
  EXPECT_EQ(SharingMenus()[1].items[39].text, "Last");
  ASSERT_EQ(Menu("AAAA", "AAAP", "A", "Again/A\r"), 0);
  EXPECT_EQ(SharingShortcuts().size(), 40u);
  EXPECT_EQ(SharingShortcuts().back().command, 30000);
}

TEST_F(ConnectionTest, AMenuKeepsAHundredItemsAndTheBarFiftyMenus) {
  Start();
  std::string items;
  for (int i = 0; i < 120; ++i) items += "i" + std::to_string(i) + "\r";
  ASSERT_EQ(Menu("AAAA", "AAAP", "A", items), 0);
  ASSERT_EQ(SharingMenus()[0].items.size(), 100u);
  EXPECT_EQ(SharingMenus()[0].items.back().command, 30099);
  for (int i = 1; i < kMaxSharingMenus; ++i) {
    char sign[5];
    std::snprintf(sign, sizeof sign, "S%03d", i);
    ASSERT_EQ(Menu(sign, sign, std::string("M") + sign, "x\r"), 0) << i;
  }
  EXPECT_EQ(SharingMenus().back().base, 34900);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_NE(Menu("LAST", "LSTP", "Last", "x\r"), 0);
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"TOLVANE: too many sharing sub-menus"});
  EXPECT_EQ(SharingMenus().size(), 50u);
}

TEST_F(ConnectionTest, ChoosingAnItemSendsTheHitOrWaitsForTheFriend) {
  Start();
  ASSERT_EQ(Menu("ZPH5", "ZPHA", "ZEPHA", "Set &Source\rGo to ZEPHA/G\r"), 0);
  library().sent.clear();
  EXPECT_EQ(ChooseSharingItem(30001), 0);
  ASSERT_EQ(library().sent.size(), 1u);
  const std::string& hit = library().sent[0].envelope;
  EXPECT_EQ(library().sent[0].target, "ZPH5");
  EXPECT_EQ(Field(hit, "MSSG"), "MHIT");
  EXPECT_EQ(Field(hit, "YRPS"), "ZPHA");
  EXPECT_EQ(Field(hit, "ITEM"), "2");
  EXPECT_EQ(Field(hit, "TEXT"), "Go to ZEPHA");
  EXPECT_EQ(Field(hit, "XTRA"), "");
  // The built-in commands go to the mapped items.
  EXPECT_EQ(MappedSharingItem(kZephaSetSource), 30000);
  EXPECT_EQ(MappedSharingItem(kZephaGoTo), 30001);
  EXPECT_EQ(MappedSharingItem(kZephaDelete), 0);
  EXPECT_EQ(ChooseSharingItem(30500), -1);
  EXPECT_EQ(AlertTexts(),
            std::vector<std::string>{"Technical Error: Shared menu owner not found."});
}

TEST_F(ConnectionTest, APendingHitGoesOutWhenTheFriendGreets) {
  Start();
  ASSERT_EQ(Menu("ZPH5", "ZPHA", "ZEPHA", "Set &Source\rGo to ZEPHA\r"), 0);
  // The friend started by an earlier choice: its item waits (numbers pass 32,767).
  FriendRecord record = Friend("ZPHA");
  record.pendingMenuItem = 30001;
  record.pendingMenuValue = 3;
  SetFriend(FindFriendByPSIG("ZPHA"), record);
  library().running.erase("ZPH5");
  library().sent.clear();
  platform().SetMessageLine("Starting ZEPHA.");
  ASSERT_EQ(Greet("ZPH5", "ZPHA", "ZEPHA"), 0);
  EXPECT_EQ(SentTo(), (std::vector<std::string>{"ZPH5:OKHI", "ZPH5:MHIT"}));
  EXPECT_EQ(Field(library().sent[1].envelope, "ITEM"), "2");
  EXPECT_EQ(Friend("ZPHA").pendingMenuItem, 0);
  EXPECT_EQ(platform().messageLine, "");
}

// --- Starting siblings and the built-in ZEPHA and DORVE commands ---

class SiblingStartTest : public ConnectionTest {
 protected:
  // An executable that leaves a mark when it starts.
  fs::path MakeSibling(const std::string& name) {
    const fs::path program = folder / name / name;
    fs::create_directories(program.parent_path());
    test::WriteWholeFile(program, "#!/bin/sh\ntouch '" + Mark().string() + "'\n");
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }
  fs::path Mark() const { return folder / "started"; }
  bool Started() {
    for (int i = 0; i < 500 && !fs::exists(Mark()); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(Mark());
  }
  int32_t ZephaMenu(const fs::path& program, const std::string& items) {
    return Arrive(Envelope("MENU", "ZPH5",
                           {{"VERS", "2"},
                            {"PSIG", "ZPHA"},
                            {"NAME", "ZEPHA"},
                            {"PATH", program.string()},
                            {"ITMS", items}}));
  }
};

TEST_F(SiblingStartTest, BuiltInCommandsGoToTheMappedItems) {
  Start();
  EXPECT_EQ(RunSiblingCommand(kZephaGoTo), 1);
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"TOLVANE can't find ZEPHA.\n\nPlease start "
                                                   "ZEPHA and then try the menu item again."});
  platform().alerts.clear();

  const fs::path zepha = MakeSibling("ZEPHA");
  library().running.insert("ZPH5");
  ASSERT_EQ(ZephaMenu(zepha, "Set &Threat Point\rGo to ZEPHA\r"), 0);
  library().sent.clear();
  EXPECT_EQ(RunSiblingCommand(kZephaSetThreat), 0);
  EXPECT_EQ(RunSiblingCommand(kZephaGoTo), 0);
  ASSERT_EQ(SentTo(), (std::vector<std::string>{"ZPH5:MHIT", "ZPH5:MHIT"}));
  EXPECT_EQ(Field(library().sent[0].envelope, "ITEM"), "1");
  EXPECT_EQ(Field(library().sent[1].envelope, "TEXT"), "Go to ZEPHA");
  // No Delete item: nothing to send. No KML item: the program's own export.
  EXPECT_EQ(RunSiblingCommand(kZephaDelete), -1);
  int exports = 0;
  SharingHooks hooks;
  hooks.exportKml = [&exports] {
    ++exports;
    return 0;
  };
  SetSharingHooks(hooks);
  EXPECT_EQ(RunSiblingCommand(kZephaExportKml), 0);
  EXPECT_EQ(exports, 1);
  EXPECT_EQ(library().sent.size(), 2u);

  // KML and Delete wait for objects on the overlay "ZEPHA", DORVE's commands for a selection.
  EXPECT_FALSE(SharingCommandEnabled(kZephaExportKml));
  EXPECT_FALSE(SharingCommandEnabled(kZephaDelete));
  EXPECT_FALSE(SharingCommandEnabled(kDorveGetInfo));
  EXPECT_FALSE(SharingCommandEnabled(kRightClickDorveInfo));
  EXPECT_TRUE(SharingCommandEnabled(kZephaGoTo));
  EXPECT_TRUE(SharingCommandEnabled(MappedSharingItem(kZephaGoTo)));
  EXPECT_EQ(RunSiblingCommand(kDragDorveInfo), -1);
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"No objects were selected."});
}

TEST_F(SiblingStartTest, AStoppedSiblingIsStartedAndTheCommandWaitsForItsMenu) {
  Start();
  const fs::path zepha = MakeSibling("ZEPHA");
  library().running.insert("ZPH5");
  ASSERT_EQ(ZephaMenu(zepha, "Set &Source\rGo to ZEPHA\r"), 0);
  library().running.erase("ZPH5");
  library().sent.clear();
  EXPECT_EQ(RunSiblingCommand(kZephaGoTo), 0);
  EXPECT_EQ(platform().messageLine, "Starting ZEPHA.");
  EXPECT_TRUE(Started());
  EXPECT_TRUE(library().sent.empty());
  // Its menu arrives once it runs: the waiting command goes out, once.
  library().running.insert("ZPH5");
  ASSERT_EQ(ZephaMenu(zepha, "Set &Source\rGo to ZEPHA\r"), 0);
  ASSERT_EQ(SentTo(), (std::vector<std::string>{"ZPH5:MHIT"}));
  EXPECT_EQ(Field(library().sent[0].envelope, "ITEM"), "2");
  EXPECT_EQ(platform().messageLine, "");
  ASSERT_EQ(ZephaMenu(zepha, "Set &Source\rGo to ZEPHA\r"), 0);
  EXPECT_EQ(library().sent.size(), 1u);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(SiblingStartTest, ASharingItemOfAStoppedFriendStartsItAndWaits) {
  Start();
  const fs::path zepha = MakeSibling("ZEPHA");
  library().running.insert("ZPH5");
  ASSERT_EQ(ZephaMenu(zepha, "Set &Source\rGo to ZEPHA\r"), 0);
  library().running.erase("ZPH5");
  library().sent.clear();
  EXPECT_EQ(ChooseSharingItem(30001, 4), 0);
  EXPECT_TRUE(Started());
  EXPECT_EQ(platform().messageLine, "Starting ZEPHA.");
  EXPECT_EQ(Friend("ZPHA").pendingMenuItem, 30001);
  EXPECT_EQ(Friend("ZPHA").pendingMenuValue, 4);
  // Found running after a message: the hit goes out and the status line clears.
  library().running.insert("ZPH5");
  EXPECT_EQ(ProcessPendingIACMessages(), 0);
  EXPECT_EQ(SentTo(), (std::vector<std::string>{"ZPH5:MHIT"}));
  EXPECT_EQ(Friend("ZPHA").pendingMenuItem, 0);
  EXPECT_EQ(platform().messageLine, "");

  // A friend whose program is gone: the note, nothing waits.
  fs::remove(zepha);
  library().running.erase("ZPH5");
  EXPECT_EQ(ChooseSharingItem(30000), 1);
  EXPECT_EQ(Friend("ZPHA").pendingMenuItem, 0);
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"TOLVANE can't find ZEPHA.\n\nPlease start "
                                                   "ZEPHA and then try the menu item again."});
}

}  // namespace
}  // namespace tlv
