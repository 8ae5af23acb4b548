#include "iac/iac.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "base/child_process.h"
#include "base/errors.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/stop_check.h"
#include "base/strings.h"
#include "iac/connection_messages.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac_handlers.h"
#include "iac/iac_transport.h"
#include "iac/recording_transport.h"
#include "iac/sharing_menus.h"

namespace tlv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPathFolderName = "WEXO_32/";
constexpr const char* kPathFileName = "WEXO_32_path.txt";
constexpr size_t kPathFileLineLength = 256;
constexpr const char* kPromisedButMissing = "IAC message promised but not available.";
// The stop check looks at the library at most this often while the program is in the
// foreground (ticks of 1/60 s); in the background on every call.
constexpr uint32_t kStopCheckTicks = 30;
// A timer tick takes at most this many queuefuls, so a flood cannot hold the window.
constexpr int kQueuefulsPerTick = 10;

struct IacState {
  IacTransport* transport = nullptr;
  IacPlaces places;
  IacHooks hooks;
  std::string signature = kOwnSignature;
  bool libraryLoaded = false;
  bool registered = false;
  std::string loadedPath;
  Handle pending[kPendingMessageSlots] = {};
  char sender[kIACCodeLength + 1] = {};
  char replyContext[kReplyContextLength + 1] = {};
  bool inHandle = false;
  bool inProcess = false;
  bool interruptedForMessages = false;
  bool stopChecked = false;
  uint32_t lastStopCheck = 0;
};

IacState state;

// The record the library posts through; it must outlive the registration, so it is static.
int PostNotice(void*, int32_t message, int64_t wParam, int64_t lParam) {
  return PostMainWindowMessage(message, wParam, lParam) ? 1 : 0;
}
NEWindow noticeWindow{&PostNotice, nullptr};

// Sets a re-entry flag for the length of a scope.
class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
  ~Busy() { flag_ = false; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  bool& flag_;
};

IacTransport& Transport() {
  return state.transport != nullptr ? *state.transport : DefaultRecordingTransport();
}

// The library's answer, or nullopt (after a beep) when it is not loaded or lacks the
// procedure: the program then behaves as if nothing runs, nothing was sent, nothing waits.
template <typename Call>
std::optional<int32_t> AskLibrary(Call call) {
  std::optional<int32_t> answer;
  if (state.libraryLoaded) answer = call(Transport());
  if (!answer) Platform().Beep();
  return answer;
}

int32_t FirstEmptySlot() {
  for (int32_t i = 0; i < kPendingMessageSlots; ++i) {
    if (state.pending[i] == nullptr) return i;
  }
  return -1;
}

void EmptyPendingQueue() {
  for (Handle& slot : state.pending) {
    MyDisposeHandle(slot);
    slot = nullptr;
  }
}

// The first line of the path file: up to 256 bytes, cut at the first LF or CR; empty when it
// cannot be read.
std::string ReadPathFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::string line(kPathFileLineLength, '\0');
  in.read(line.data(), static_cast<std::streamsize>(line.size()));
  line.resize(static_cast<size_t>(in.gcount()));
  const size_t end = line.find_first_of("\r\n");
  if (end != std::string::npos) line.resize(end);
  return line;
}

// Replaces the path file whole, so a reader never sees half a path.
void WritePathFile(const std::string& path, const std::string& libraryPath) {
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return;
    out << libraryPath;
    if (!out.flush()) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return;
    }
  }
  std::error_code err;
  fs::rename(temporary, path, err);
  if (err) fs::remove(temporary, err);
}

bool IsFile(const std::string& path) {
  std::error_code err;
  return !path.empty() && fs::is_regular_file(path, err);
}

// Which copy of the library to load. A copy in the system library folder always wins.
// Otherwise, while another program has the library loaded, the copy it used (named in the path
// file) is loaded too; when none has, the newer of that copy and the program's own is used and
// remembered in the path file.
std::string ChooseLibrary(const std::string& own, const std::string& system,
                          const std::string& pathFile, bool inUse) {
  if (IsFile(system)) return system;
  const std::string named = pathFile.empty() ? "" : ReadPathFile(pathFile);
  // A path file naming no file while the library is in use (never written, or the copy was
  // removed) would leave the program without messaging although its own copy is there.
  if (inUse && IsFile(named)) return named;
  if (!IsFile(named)) {
    if (!pathFile.empty()) WritePathFile(pathFile, own);
    return own;
  }
  if (IsFile(own)) {
    std::error_code ownErr;
    std::error_code namedErr;
    const auto ownTime = fs::last_write_time(own, ownErr);
    const auto namedTime = fs::last_write_time(named, namedErr);
    if ((!ownErr && namedErr) || (!ownErr && !namedErr && namedTime < ownTime)) {
      if (!pathFile.empty()) WritePathFile(pathFile, own);
      return own;
    }
  }
  return named;
}

// Takes waiting envelopes from the library while the queue has room.
void FetchWaitingMessages() {
  if (!state.registered) return;
  for (int32_t i = 0; i < kPendingMessageSlots && FirstEmptySlot() >= 0; ++i) {
    const std::optional<int32_t> length = Transport().GetNextMessageLength(state.signature.c_str());
    if (!length || *length <= 0) return;
    if (HandleIACMessage() != 0) return;
  }
}

bool LibraryHoldsMessages() {
  if (!state.registered) return false;
  const std::optional<int32_t> length = Transport().GetNextMessageLength(state.signature.c_str());
  return length && *length > 0;
}

std::string ShownText(const char* text) {
  return text != nullptr ? text : "";
}

}  // namespace

void SetIacPlaces(const IacPlaces& places) {
  state.places = places;
}

const IacPlaces& CurrentIacPlaces() {
  return state.places;
}

void SetIacHooks(IacHooks hooks) {
  state.hooks = std::move(hooks);
}

void SetIacTransport(IacTransport* transport) {
  state.transport = transport;
}

IacTransport& CurrentIacTransport() {
  return Transport();
}

RecordingTransport& DefaultRecordingTransport() {
  static RecordingTransport recorder;
  return recorder;
}

int32_t InitIAC(const char* signature, bool ownsRunningCopy) {
  if (CreateFriendList() != 0) return kIACOutOfMemory;
  EmptyPendingQueue();
  state.signature = signature != nullptr ? signature : kOwnSignature;
  if (!ownsRunningCopy) return kIACAnotherCopyRuns;

  const IacPlaces& places = state.places;
  const std::string own = places.programFolder + kMessageLibraryFileName;
  const std::string system = places.systemLibraryFolder + kMessageLibraryFileName;
  std::string pathFile;
  if (!places.applicationDataFolder.empty()) {
    const std::string folder = places.applicationDataFolder + kPathFolderName;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    pathFile = folder + kPathFileName;
  }
  const bool inUse = Transport().LibraryInUse();
  const std::string chosen = ChooseLibrary(own, system, pathFile, inUse);
  if (Transport().Load(chosen) != 0) {
    Platform().Beep();
    return kIACLibraryMissing;
  }
  state.libraryLoaded = true;
  state.loadedPath = chosen;
  if (IsAppRunning(state.signature.c_str()) != 0) return kIACAnotherCopyRuns;
  const std::optional<int32_t> registered =
      Transport().Register(state.signature.c_str(), &noticeWindow, kOwnName,
                           places.executablePath.c_str(), kIACNoticeMessage);
  if (!registered) {
    Platform().Beep();
    return kIACProcedureMissing;
  }
  if (*registered != 0) {
    Platform().Beep();
    return *registered;
  }
  state.registered = true;
  return 0;
}

void QuitIAC() {
  ReleaseFriendList();
  EmptyPendingQueue();
  if (state.libraryLoaded) {
    AskLibrary(
        [](IacTransport& t) { return t.Bye(state.signature.c_str(), &noticeWindow, kOwnName); });
  }
  state.registered = false;
  state.libraryLoaded = false;
}

int32_t IsAppRunning(const char* signature) {
  const std::optional<int32_t> running =
      AskLibrary([signature](IacTransport& t) { return t.AppIsRunning(signature); });
  return running && *running != 0 ? 1 : 0;
}

int32_t SendIACMessage(const char* code, const IACParam* params, const char* target,
                       bool showErrors, const char* sign, const char* psig) {
  const std::string codeText = ShownText(code);
  std::string shownName = "???";
  const int32_t friendIndex = FindFriendBySIGN(target);
  if (friendIndex >= 0) {
    FriendRecord record{};
    GetFriend(friendIndex, record);
    shownName = std::string(record.name, strnlen(record.name, sizeof record.name));
    if (IsAppRunning(record.applicationSignature) == 0) {
      if (showErrors) {
        ShowAlert(FormatTextV(GetIndString(10000, 22).c_str(), shownName.c_str()), kStopAlert);
      }
      return -1;
    }
  } else if (IsAppRunning(target) != 0) {
    shownName = ShownText(target);
  } else {
    if (showErrors) {
      ShowAlert(FormatTextV(GetIndString(10000, 21).c_str(), shownName.c_str(), codeText.c_str()),
                kStopAlert);
    }
    return -1;
  }

  Ptr envelope = nullptr;
  const int32_t built = BuildIACEnvelope(codeText, ShownText(sign), ShownText(psig),
                                         IACReplyContext(), params, envelope);
  if (built != 0) {
    ReportError("SendIACMessage()", "MyNewPtr()", built);
    return built;
  }
  const std::optional<int32_t> sent =
      AskLibrary([&](IacTransport& t) { return t.SendMessage(target, envelope, kOwnName); });
  const int32_t result = sent ? *sent : -1;
  if (result != 0) {
    ShowAlert(FormatTextV(GetIndString(10000, 21).c_str(), shownName.c_str(), codeText.c_str()),
              kStopAlert);
  }
  MyDisposePtr(envelope);
  return result;
}

int32_t HandleIACMessage() {
  if (state.inHandle) return 0;
  Busy busy(state.inHandle);
  const char* signature = state.signature.c_str();
  const std::optional<int32_t> length =
      AskLibrary([signature](IacTransport& t) { return t.GetNextMessageLength(signature); });
  if (!length) return -1;
  if (*length <= 0) return 0;
  // With the queue full the envelope stays in the library, which told its sender it was
  // delivered: it is fetched as soon as a slot frees instead of being dropped.
  const int32_t slot = FirstEmptySlot();
  if (slot < 0) {
    Platform().Beep();
    return 0;
  }
  Handle block = *length < INT32_MAX ? MyNewHandle(*length + 1) : nullptr;
  if (block == nullptr) {
    ReportError("HandleIACMessage()", "MyNewHandle()", 0);
    return kErrMemoryFull;
  }
  (*block)[*length] = '\0';
  const int32_t room = *length;
  const std::optional<int32_t> got = AskLibrary([signature, block, room](IacTransport& t) {
    return t.GetNextMessage(signature, *block, room);
  });
  if (!got) {
    MyDisposeHandle(block);
    return -1;
  }
  if (*got == 0) {
    MyDisposeHandle(block);
    ShowAlert(kPromisedButMissing, kStopAlert);
    return -1;
  }
  state.pending[slot] = block;
  return 0;
}

int32_t ProcessPendingIACMessages() {
  if (!FriendListExists()) return -1;
  // Inside a long operation (its input check lets the timer run) the messages wait for it to
  // unwind: a handler could free the lists it walks.
  if (state.inProcess || LongOperationRunning()) return 0;
  Busy busy(state.inProcess);
  int32_t total = 0;
  while (state.pending[0] != nullptr) {
    // The envelope leaves the queue before its handler runs, so envelopes fetched meanwhile
    // (a handler that shows a dialog) queue behind the rest and nothing is freed under it.
    ScopedHandle envelope(state.pending[0]);
    for (int32_t i = 0; i + 1 < kPendingMessageSlots; ++i) state.pending[i] = state.pending[i + 1];
    state.pending[kPendingMessageSlots - 1] = nullptr;
    total |= DispatchIACMessage(*envelope.get());
  }
  for (int32_t i = 0; i < FriendCount(); ++i) {
    FriendRecord record{};
    if (!GetFriend(i, record) || record.pendingMenuItem == 0) continue;
    if (IsAppRunning(record.applicationSignature) == 0) continue;
    const uint16_t item = record.pendingMenuItem;
    const int16_t value = record.pendingMenuValue;
    record.pendingMenuItem = 0;
    record.pendingMenuValue = 0;
    SetFriend(i, record);
    Platform().SetMessageLine("");
    ChooseSharingItem(item, value);
  }
  if (state.interruptedForMessages) {
    state.interruptedForMessages = false;
    if (state.hooks.redoInterrupted) state.hooks.redoInterrupted();
  }
  return total;
}

const char* IACSenderSignature() {
  return state.sender;
}

std::string_view IACReplyContext() {
  return state.replyContext;
}

void SetIACReplyContext(std::string_view context) {
  const size_t length = std::min<size_t>(context.size(), kReplyContextLength);
  std::memcpy(state.replyContext, context.data(), length);
  state.replyContext[length] = '\0';
}

int32_t DispatchIACMessage(const char* envelope) {
  char code[kIACCodeLength + 1] = {};
  if (GetIACParam(envelope, "MSSG", code, kIACCodeLength, true) != 0) return -1;
  if (GetIACParam(envelope, "SIGN", state.sender, kIACCodeLength, true) != 0) return -1;
  GetIACParam(envelope, "XTRA", state.replyContext, kReplyContextLength, false);
  const IacHandler handler = FindIACHandler(IACCodeValue(code));
  return handler != nullptr ? handler(envelope) : 0;
}

void IACTimerStep() {
  if (!FriendListExists() || state.inProcess || state.inHandle || LongOperationRunning()) return;
  ReapEndedProcesses();
  for (int round = 0; round < kQueuefulsPerTick; ++round) {
    FetchWaitingMessages();
    ProcessPendingIACMessages();
    if (!LibraryHoldsMessages()) break;
  }
}

bool IACStopCheck() {
  if (!state.registered || state.inProcess || state.inHandle) return false;
  const bool foreground = !state.hooks.inForeground || state.hooks.inForeground();
  if (foreground) {
    const uint32_t now = Platform().TickCount();
    if (state.stopChecked && now - state.lastStopCheck < kStopCheckTicks) return false;
    state.stopChecked = true;
    state.lastStopCheck = now;
  }
  // The window holds back notices while an operation runs, so the check fetches for itself.
  FetchWaitingMessages();
  for (Handle envelope : state.pending) {
    if (envelope != nullptr && IsInterruptingMessage(*envelope)) {
      state.interruptedForMessages = true;
      return true;
    }
  }
  return false;
}

bool IACRegistered() {
  return state.registered;
}

int32_t PendingIACMessageCount() {
  int32_t count = 0;
  for (Handle envelope : state.pending) count += envelope != nullptr ? 1 : 0;
  return count;
}

const std::string& LoadedMessageLibraryPath() {
  return state.loadedPath;
}

void ResetIacForTesting() {
  EmptyPendingQueue();
  ReleaseFriendList();
  DefaultRecordingTransport().Reset();
  ResetFriendFilesForTesting();
  ResetSharingMenusForTesting();
  ResetConnectionMessagesForTesting();
  state = IacState();
}

}  // namespace tlv
