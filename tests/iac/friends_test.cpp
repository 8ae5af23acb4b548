#include "iac/friends.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "base/child_process.h"
#include "iac/iac.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class FriendsTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    base = folder.path() / "Programs";
    places.programFolder = (base / "TOLVANE").string() + "/";
    places.programFilesFolder = (folder.path() / "opt").string() + "/";
    places.rootFolder = (folder.path() / "root").string() + "/";
    fs::create_directories(places.programFolder);
    SetIacPlaces(places);
    ASSERT_EQ(CreateFriendList(), 0);
  }

  // An executable shell script; with out, it writes its folder and arguments there, one per
  // line.
  static fs::path MakeProgram(const fs::path& path, const fs::path& out = {}) {
    fs::create_directories(path.parent_path());
    const std::string part = out.string() + ".part";
    test::WriteWholeFile(path, out.empty()
                                   ? "#!/bin/sh\nexit 0\n"
                                   : "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; "
                                     "done; } > '" +
                                         part + "' && mv '" + part + "' '" + out.string() + "'\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }
  static std::string WaitForFile(const fs::path& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return test::ReadWholeFile(path);
  }
  std::string Located(const char* signature) {
    std::string path = "stale";
    std::string document = "stale";
    LocateKnownApplication(signature, path, document);
    EXPECT_EQ(document, "");
    return path;
  }

  test::TempFolder folder;
  fs::path base;
  IacPlaces places;
};

TEST_F(FriendsTest, FriendsAreFoundByExactSignature) {
  ASSERT_EQ(AppendFriend(MakeFriendRecord("DVFM", "DVFP", "DORVE")), 0);
  ASSERT_EQ(AppendFriend(MakeFriendRecord("ZPH5", "ZPHA", "ZEPHA")), 0);
  EXPECT_EQ(FindFriendBySIGN("ZPH5"), 1);
  EXPECT_EQ(FindFriendByPSIG("DVFP"), 0);
  EXPECT_EQ(FindFriendBySIGN("DVFP"), -1);
  EXPECT_EQ(FindFriendBySIGN("zph5"), -1);
  EXPECT_EQ(FindFriendBySIGN("ZPH"), -1);
  EXPECT_EQ(FindFriendByPSIG(nullptr), -1);
  ReleaseFriendList();
  EXPECT_EQ(FindFriendBySIGN("ZPH5"), -1);
  EXPECT_EQ(AppendFriend(MakeFriendRecord("A", "B", "C")), -1);
}

TEST_F(FriendsTest, DisplayNamesOfTheKnownPrograms) {
  EXPECT_EQ(ApplicationDisplayName("ZPHA"), "ZEPHA");
  EXPECT_EQ(ApplicationDisplayName("DVFM"), "DORVE");
  EXPECT_EQ(ApplicationDisplayName("DVCH"), "DORVE Chemicals");
  EXPECT_EQ(ApplicationDisplayName("ZPH5"), "");
  EXPECT_EQ(ApplicationDisplayName(nullptr), "");
}

TEST_F(FriendsTest, KnownProgramsAreLookedForInTheirPlacesInOrder) {
  EXPECT_EQ(Located("DVFM"), "");
  const fs::path root = MakeProgram(folder.path() / "root" / "DORVE" / "DORVEfm");
  EXPECT_EQ(Located("DVFM"), root.string());
  const fs::path opt = MakeProgram(folder.path() / "opt" / "DORVE" / "DORVEfm");
  EXPECT_EQ(Located("DVFM"), opt.string());
  // Beside the program's folder, spelt in another case, is found as it is spelt on disk.
  const fs::path beside = MakeProgram(base / "dorve" / "dorveFM");
  EXPECT_EQ(Located("DVFM"), beside.string());
  // A file that cannot be run does not count.
  fs::permissions(beside, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Located("DVFM"), opt.string());

  const fs::path zephaBeside = MakeProgram(base / "ZEPHA" / "ZEPHA");
  EXPECT_EQ(Located("ZPHA"), zephaBeside.string());
  const fs::path zephaOpt = MakeProgram(folder.path() / "opt" / "ZEPHA" / "ZEPHA");
  EXPECT_EQ(Located("ZPHA"), zephaOpt.string());
  EXPECT_EQ(Located("ZPH5"), "");
}

TEST_F(FriendsTest, AFriendsOwnExecutableComesFirstWhileItExists) {
  const fs::path own = MakeProgram(folder.path() / "mine" / "zepha-run");
  const fs::path known = MakeProgram(folder.path() / "opt" / "ZEPHA" / "ZEPHA");
  ASSERT_EQ(AppendFriend(MakeFriendRecord("ZPH5", "ZPHA", "ZEPHA", own.string(), "plume.zph")), 0);
  std::string path;
  std::string document;
  LocateApplication("ZPHA", path, document);
  EXPECT_EQ(path, own.string());
  EXPECT_EQ(document, "plume.zph");
  fs::remove(own);
  LocateApplication("ZPHA", path, document);
  EXPECT_EQ(path, known.string());
  EXPECT_EQ(document, "");
}

TEST_F(FriendsTest, StartingPassesTheDocumentAsItIsAndLeavesOurFolderAlone) {
  const fs::path out = folder.path() / "args.txt";
  const fs::path program = MakeProgram(folder.path() / "My Programs" / "run me", out);
  const std::string before = fs::current_path().string();
  const std::string document = "a \"quoted\" name with 'blanks'";
  ASSERT_EQ(StartApplication(program.string(), document), 0);
  EXPECT_EQ(fs::current_path().string(), before);
  EXPECT_EQ(WaitForFile(out), (folder.path() / "My Programs").string() + "\n" + document + "\n");
  // The child is collected once it has ended.
  for (int i = 0; i < 500 && UnreapedProcessCount() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ReapEndedProcesses();
  }
  EXPECT_EQ(UnreapedProcessCount(), 0u);

  EXPECT_EQ(StartApplication((folder.path() / "gone" / "x").string(), ""), -1);
  EXPECT_EQ(platform().beeps, 1);
  test::WriteWholeFile(folder.path() / "plain", "not a program");
  EXPECT_EQ(StartApplication((folder.path() / "plain").string(), ""), 1);
}

TEST_F(FriendsTest, LaunchingAFriendThatCannotBeFoundSaysSo) {
  ASSERT_EQ(AppendFriend(MakeFriendRecord("DVFM", "DVFM", "")), 0);
  EXPECT_EQ(LaunchFriend(0), 1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "TOLVANE can't find DORVE.\n\nPlease start DORVE and then try the menu item again.");
  EXPECT_EQ(platform().alerts[0].kind, kNoteAlert);

  // Found, but the document it is to open is missing: not located either.
  const fs::path out = folder.path() / "launched.txt";
  const fs::path program = MakeProgram(folder.path() / "bin" / "dorve", out);
  ASSERT_EQ(AppendFriend(MakeFriendRecord("DVF2", "DVF2", "Dorve Two", program.string(),
                                          (folder.path() / "missing.doc").string())),
            0);
  EXPECT_EQ(LaunchFriend(1), 1);
  EXPECT_EQ(platform().alerts.back().text,
            "TOLVANE can't find Dorve Two.\n\nPlease start Dorve Two and then try the menu item "
            "again.");

  test::WriteWholeFile(folder.path() / "missing.doc", "now here");
  EXPECT_EQ(LaunchFriend(1), 0);
  EXPECT_NE(WaitForFile(out).find("missing.doc"), std::string::npos);
}

}  // namespace
}  // namespace tlv
