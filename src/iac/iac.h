// Messages between this program and its sibling programs: binding the message library,
// sending, receiving into the pending-message queue, dispatching to the handlers, and the parts
// the timer and the stop check of long operations play. Everything runs on the user-interface
// thread; the library only posts its notices from its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "iac/iac_envelope.h"

namespace tlv {

class IacTransport;
class RecordingTransport;

// The program's own identities in the protocol.
constexpr const char* kOwnSignature = "TLV1";
constexpr const char* kOwnProgramSignature = "TOLV";
constexpr const char* kOwnName = "TOLVANE";
constexpr const char* kMessageLibraryFileName = "libWEXO_32.so";
// The notice the library posts to the main window for every envelope it queues (WM_USER+1).
constexpr int32_t kIACNoticeMessage = 1025;
constexpr int32_t kPendingMessageSlots = 10;
constexpr int32_t kReplyContextLength = 99;

// InitIAC's own results.
constexpr int32_t kIACOutOfMemory = 554;
constexpr int32_t kIACLibraryMissing = 555;
constexpr int32_t kIACProcedureMissing = 556;
constexpr int32_t kIACAnotherCopyRuns = 557;

// Folders the messaging looks in, each ending with "/". Start-up fills them; tests point them
// at temporary folders.
struct IacPlaces {
  std::string programFolder;
  std::string systemLibraryFolder = "/usr/local/lib/";
  std::string applicationDataFolder;  // empty: no path file is read or written
  std::string programFilesFolder = "/opt/";
  std::string rootFolder = "/";
  std::string executablePath;  // the program's own executable, given when registering
};
void SetIacPlaces(const IacPlaces& places);
const IacPlaces& CurrentIacPlaces();

// What the messaging asks of the layers above, installed by the wiring.
struct IacHooks {
  // Whether the program is in the foreground (the stop check then looks less often).
  std::function<bool()> inForeground;
  // Starts again what the stop check interrupted for messages, once they are dispatched.
  std::function<void()> redoInterrupted;
};
void SetIacHooks(IacHooks hooks);

// The message library in use. Null installs the built-in recorder (tests, tolvane-cli).
void SetIacTransport(IacTransport* transport);
IacTransport& CurrentIacTransport();
RecordingTransport& DefaultRecordingTransport();

// Binds the library and registers signature. ownsRunningCopy: this copy holds the one-running-
// copy socket (a copy that does not is not the running copy: 557). 0, 554 to 557, or the
// library's registration error.
int32_t InitIAC(const char* signature, bool ownsRunningCopy);
// Releases the friend list, empties the queue and signs off. The library stays loaded until
// the process ends; the program no longer uses it.
void QuitIAC();
// Sends code with params (null: none) to target. 0, -1 when the target is not reachable, or
// the library's non-zero send result.
int32_t SendIACMessage(const char* code, const IACParam* params, const char* target,
                       bool showErrors, const char* sign, const char* psig);
// 1 when a program is registered under signature; 0 (with a beep when the library lacks the
// procedure) otherwise.
int32_t IsAppRunning(const char* signature);
// Fetches one waiting envelope into the pending-message queue.
int32_t HandleIACMessage();
// Dispatches the queued messages in arrival order; the OR of the handlers' results, -1 when
// messaging was never started.
int32_t ProcessPendingIACMessages();
int32_t DispatchIACMessage(const char* envelope);
// Whether the message must interrupt a long operation.
bool IsInterruptingMessage(const char* envelope);

// The message being handled: its sender's signature (the target of answers) and its reply
// context (carried as XTRA by every message sent).
const char* IACSenderSignature();
std::string_view IACReplyContext();
void SetIACReplyContext(std::string_view context);

// The timer's part: fetches what the library holds (a notice lost while the window was busy
// strands nothing) and dispatches it.
void IACTimerStep();
// The stop check's part: true when a waiting message must interrupt the running operation.
// The messages are dispatched later, once the operation has unwound.
bool IACStopCheck();

bool IACRegistered();
int32_t PendingIACMessageCount();
// The library file InitIAC loaded ("" when none).
const std::string& LoadedMessageLibraryPath();

void ResetIacForTesting();

}  // namespace tlv
