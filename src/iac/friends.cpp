#include "iac/friends.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "base/child_process.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "iac/iac.h"

namespace tlv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCannotFind =
    "TOLVANE can't find %s.\n\nPlease start %s and then try the menu item again.";
// A moment for the menu that asked for the launch to close before the program starts.
constexpr auto kLaunchPause = std::chrono::milliseconds(250);

Handle friendList = nullptr;

HandleArray<FriendRecord> Friends() {
  return HandleArray<FriendRecord>(friendList);
}

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

template <size_t N>
void PutField(char (&field)[N], const std::string& text) {
  const size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  std::memset(field + length, 0, N - length);
}

bool SameSignature(const char (&field)[8], const char* signature) {
  return signature != nullptr && std::strncmp(field, signature, sizeof field) == 0;
}

int32_t FindFriend(const char* signature, bool bySign) {
  const HandleArray<FriendRecord> friends = Friends();
  for (int32_t i = 0; i < friends.Count(); ++i) {
    const FriendRecord record = friends.Get(i);
    if (SameSignature(bySign ? record.applicationSignature : record.programSignature, signature)) {
      return i;
    }
  }
  return -1;
}

// The parent folder of a folder path ending with "/", itself ending with "/".
std::string ParentFolder(const std::string& folder) {
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  if (slash == std::string::npos) return "";
  return trimmed.substr(0, slash + 1);
}

// The file as it is spelt on disk (names compare without regard to case), when it is a program
// this user may run.
bool FindExecutable(const std::string& path, std::string& found) {
  std::string resolved;
  if (ResolvePath(path, resolved) != 0) return false;
  std::error_code err;
  if (!fs::is_regular_file(resolved, err) || ::access(resolved.c_str(), X_OK) != 0) return false;
  found = resolved;
  return true;
}

}  // namespace

int32_t CreateFriendList() {
  if (friendList != nullptr) MyDisposeHandle(friendList);
  friendList = MyNewHandle(0);
  return friendList != nullptr ? 0 : -1;
}

void ReleaseFriendList() {
  MyDisposeHandle(friendList);
  friendList = nullptr;
}

bool FriendListExists() {
  return friendList != nullptr;
}

int32_t FriendCount() {
  return Friends().Count();
}

bool GetFriend(int32_t index, FriendRecord& record) {
  if (index < 0 || index >= FriendCount()) return false;
  record = Friends().Get(index);
  return true;
}

bool SetFriend(int32_t index, const FriendRecord& record) {
  if (index < 0 || index >= FriendCount()) return false;
  Friends().Set(index, record);
  return true;
}

int32_t AppendFriend(const FriendRecord& record) {
  if (friendList == nullptr) return -1;
  return Friends().Append(record);
}

FriendRecord MakeFriendRecord(const std::string& applicationSignature,
                              const std::string& programSignature, const std::string& name,
                              const std::string& executablePath, const std::string& document) {
  FriendRecord record{};
  PutField(record.applicationSignature, applicationSignature.substr(0, 4));
  PutField(record.programSignature, programSignature.substr(0, 4));
  PutField(record.name, name);
  PutField(record.executablePath, executablePath);
  PutField(record.document, document);
  return record;
}

int32_t FindFriendBySIGN(const char* signature) {
  return FindFriend(signature, true);
}

int32_t FindFriendByPSIG(const char* signature) {
  return FindFriend(signature, false);
}

std::string ApplicationDisplayName(const char* programSignature) {
  const std::string signature = programSignature != nullptr ? programSignature : "";
  if (signature == "ZPHA") return "ZEPHA";
  if (signature == "DVFM") return "DORVE";
  if (signature == "DVCH") return "DORVE Chemicals";
  return "";
}

void LocateKnownApplication(const char* programSignature, std::string& path,
                            std::string& document) {
  path.clear();
  document.clear();
  const std::string signature = programSignature != nullptr ? programSignature : "";
  const IacPlaces& places = CurrentIacPlaces();
  const std::string beside = ParentFolder(places.programFolder);
  std::vector<std::string> candidates;
  if (signature == "DVFM") {
    candidates = {beside + "DORVE/DORVEfm", places.programFilesFolder + "DORVE/DORVEfm",
                  places.rootFolder + "DORVE/DORVEfm"};
  } else if (signature == "ZPHA") {
    candidates = {places.programFilesFolder + "ZEPHA/ZEPHA", beside + "ZEPHA/ZEPHA",
                  places.rootFolder + "ZEPHA/ZEPHA"};
  }
  for (const std::string& candidate : candidates) {
    // A place relative to a program folder that is not known is no place at all.
    if (candidate.empty() || candidate[0] != '/') continue;
    if (FindExecutable(candidate, path)) return;
  }
}

void LocateApplication(const char* programSignature, std::string& path, std::string& document) {
  path.clear();
  document.clear();
  const int32_t index = FindFriendByPSIG(programSignature);
  FriendRecord record{};
  if (index >= 0 && GetFriend(index, record)) {
    const std::string executable = FieldText(record.executablePath, sizeof record.executablePath);
    if (!executable.empty() && FileExists(executable)) {
      path = executable;
      document = FieldText(record.document, sizeof record.document);
      return;
    }
  }
  LocateKnownApplication(programSignature, path, document);
}

int32_t StartApplication(const std::string& path, const std::string& document) {
  const std::string folder = FolderOfPath(path);
  if (!folder.empty() && !IsFolder(folder)) {
    Platform().Beep();
    return -1;
  }
  std::vector<std::string> argv = {path};
  if (!document.empty()) argv.push_back(document);
  pid_t pid = -1;
  return StartDetachedProcess(argv, folder, pid) == 0 ? 0 : 1;
}

int32_t LaunchFriend(int32_t friendIndex) {
  std::this_thread::sleep_for(kLaunchPause);
  FriendRecord record{};
  if (!GetFriend(friendIndex, record)) return 1;
  std::string path;
  std::string document;
  LocateApplication(record.programSignature, path, document);
  const bool located = !path.empty() && (document.empty() || FileExists(document));
  if (!located) {
    std::string name = FieldText(record.name, sizeof record.name);
    if (name.empty()) name = ApplicationDisplayName(record.programSignature);
    ShowAlert(FormatText(kCannotFind, name.c_str(), name.c_str()), kNoteAlert);
    return 1;
  }
  return StartApplication(path, document) == 0 ? 0 : 2;
}

}  // namespace tlv
