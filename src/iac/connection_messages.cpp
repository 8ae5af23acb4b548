// Greetings, farewells and the small messages by which sibling programs find each other, check
// their versions, bring windows forward and show alerts on each other's behalf.
#include "iac/connection_messages.h"

#include <cstring>
#include <string>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/groups.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/iac_handlers.h"
#include "iac/sharing_menus.h"

namespace tlv {

namespace {

constexpr const char* kVersionNumber = "4.1.1";
// Siblings greeted at start-up even before they are friends, in this order.
constexpr const char* kKnownSiblings[] = {"WILD", "DORV", "DVFM", "ZPH5"};
constexpr int32_t kVersionRoom = 19;
constexpr int32_t kPeerNameRoom = 31;

ConnectionHooks hooks;

std::string ReadParam(const char* envelope, const char* keyword, int32_t limit, bool required,
                      int32_t& err) {
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  const int32_t got = GetIACParam(envelope, keyword, buffer.data(), limit, required);
  if (required && got != 0) err = got;
  return buffer.c_str();
}

int32_t SendTo(const char* code, const IACParam* params, const char* target, bool showErrors) {
  return SendIACMessage(code, params, target, showErrors, kOwnSignature, kOwnProgramSignature);
}

void BringOwnWindowForward() {
  if (hooks.bringOwnWindowForward) hooks.bringOwnWindowForward();
}

}  // namespace

void SetConnectionHooks(ConnectionHooks newHooks) {
  hooks = std::move(newHooks);
}

int32_t SendGreeting(const char* code, const char* target) {
  const std::string path = CurrentIacPlaces().executablePath;
  const IACParam greeting[] = {
      {"NAME", kIACTextKind, kOwnName, 0},
      {"PATH", kIACTextKind, path.c_str(), 0},
      {"DOC ", kIACTextKind, "", 0},
      {"VERS", kIACTextKind, kProtocolVersion, 0},
      {"", 0, nullptr, 0},
  };
  const IACParam* params = std::strcmp(code, "BYE ") == 0 ? nullptr : greeting;
  if (target != nullptr) return SendTo(code, params, target, true);
  return Broadcast(code, params);
}

int32_t Broadcast(const char* code, const IACParam* params) {
  for (int32_t i = 0; i < FriendCount(); ++i) {
    FriendRecord record{};
    if (!GetFriend(i, record) || IsAppRunning(record.applicationSignature) == 0) continue;
    if (const int32_t err = SendTo(code, params, record.applicationSignature, false); err != 0) {
      return err;
    }
  }
  if (std::strcmp(code, "HOLA") != 0) return 0;
  for (const char* sibling : kKnownSiblings) {
    if (FindFriendBySIGN(sibling) >= 0 || IsAppRunning(sibling) == 0) continue;
    if (const int32_t err = SendTo(code, params, sibling, false); err != 0) return err;
  }
  return 0;
}

int32_t CheckPeerVersion(const char* envelope, bool complain) {
  char version[kVersionRoom + 1] = {};
  if (GetIACParam(envelope, "VERS", version, kVersionRoom, false) == 0 &&
      std::strchr(version, kProtocolVersion[0]) != nullptr) {
    return 0;
  }
  if (complain) {
    char name[kPeerNameRoom + 1] = "???";
    GetIACParam(envelope, "NAME", name, kPeerNameRoom, false);
    ShowAlert(FormatTextV(GetIndString(25500, 50).c_str(), name), kStopAlert);
  }
  return -1;
}

int32_t GreetAtStartup(int16_t volume, int32_t friendsFolderID) {
  SetFriendsFolder(volume, friendsFolderID);
  // Without messaging there is no friend list to fill and nobody to greet.
  if (!FriendListExists()) return 0;
  if (const int32_t err = AddFriends(volume, friendsFolderID); err != 0) return err;
  if (IACRegistered()) SendGreeting("HOLA", nullptr);
  return 0;
}

void FarewellAtShutdown() {
  if (IACRegistered()) SendGreeting("BYE ", nullptr);
  QuitIAC();
}

int32_t HandleVERQuery(const char*) {
  const IACParam answer[] = {
      {"VNUM", kIACTextKind, kVersionNumber, 0},
      {"", 0, nullptr, 0},
  };
  return SendTo("VER!", answer, IACSenderSignature(), true);
}

int32_t HandleHOLA(const char* envelope) {
  if (CheckPeerVersion(envelope, true) != 0) return -1;
  if (const int32_t err = SaveRunningFriendViewer(envelope); err != 0) return err;
  const std::string sender = IACSenderSignature();
  if (const int32_t err = SendGreeting("OKHI", sender.c_str()); err != 0) return err;
  // A menu item chosen while this sibling was starting goes out now that it is here.
  for (int32_t i = 0; i < FriendCount(); ++i) {
    FriendRecord record{};
    if (!GetFriend(i, record) || record.pendingMenuItem == 0) continue;
    if (std::strncmp(record.applicationSignature, sender.c_str(), 8) != 0) continue;
    const uint16_t item = record.pendingMenuItem;
    const int16_t value = record.pendingMenuValue;
    record.pendingMenuItem = 0;
    record.pendingMenuValue = 0;
    SetFriend(i, record);
    Platform().SetMessageLine("");
    ChooseSharingItem(item, value);
  }
  return 0;
}

int32_t HandleOKHI(const char* envelope) {
  if (CheckPeerVersion(envelope, true) != 0) return -1;
  return SaveRunningFriendViewer(envelope);
}

int32_t HandleBYE(const char* envelope) {
  int32_t err = 0;
  const std::string psig = ReadParam(envelope, "PSIG", 4, true, err);
  if (err != 0) return -1;
  const std::string options = ReadParam(envelope, "OPTN", 255, false, err);
  const int32_t index = FindFriendByPSIG(psig.c_str());
  FriendRecord record{};
  if (index >= 0 && GetFriend(index, record)) {
    if (hooks.dropThematicLists) hooks.dropThematicLists(index);
    GetFriend(index, record);
    record.greeted = 0;
    record.pendingMenuItem = 0;
    record.pendingMenuValue = 0;
    SetFriend(index, record);
  }
  if (options.find("QUIT") == std::string::npos) return 0;
  // A sibling that started the program may close it only when nobody else uses it.
  for (int32_t i = 0; i < FriendCount(); ++i) {
    if (GetFriend(i, record) && record.greeted != 0) return 0;
  }
  PostMainWindowMessage(kQuitRequestNotice, 0, 0);
  return 0;
}

int32_t HandleFRWD(const char* envelope) {
  int32_t err = 0;
  const std::string who = ReadParam(envelope, "WHO ", 4, true, err);
  if (err != 0) return -1;
  const std::string name = ReadParam(envelope, "NAME", 99, true, err);
  if (err != 0) return -1;
  const std::string windowId = ReadParam(envelope, "HWND", 31, false, err);
  if (who == kOwnSignature) {
    BringOwnWindowForward();
    return 0;
  }
  if (hooks.bringWindowForward && hooks.bringWindowForward(name, windowId)) return 0;
  ShowAlert(GetIndString(25000, 65), kStopAlert);
  return -1;
}

int32_t HandleALRT(const char* envelope) {
  int32_t err = 0;
  const std::string text = ReadParam(envelope, "TEXT", 255, true, err);
  if (err != 0) return -1;
  const std::string icon = ReadParam(envelope, "ICON", 9, true, err);
  if (err != 0) return -1;
  BringOwnWindowForward();
  Platform().Beep();
  const int kind = icon.empty()     ? kNoteAlert
                   : icon[0] == '0' ? kStopAlert
                   : icon[0] == '2' ? kCautionAlert
                                    : kNoteAlert;
  ShowAlert(text, kind);
  return 0;
}

int32_t HandleLNX(const char* envelope) {
  int32_t err = 0;
  const std::string path = ReadParam(envelope, "PATH", 255, true, err);
  if (err != 0) return -1;
  return AppendLayersAndGroupsFromIndexFiles(path);
}

int32_t HandleMENU(const char* envelope) {
  // A sibling of another protocol version has no menu this program understands.
  if (CheckPeerVersion(envelope, false) != 0) return 0;
  if (const int32_t err = SaveRunningFriendViewer(envelope); err != 0) return err;
  if (const int32_t err = SaveRunningFriendMenu(envelope); err != 0) return err;
  RunWaitingSiblingCommand(IACSenderSignature());
  return 0;
}

void ResetConnectionMessagesForTesting() {
  hooks = ConnectionHooks();
}

}  // namespace tlv
