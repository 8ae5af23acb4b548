#include "app/messaging.h"

#include "app/folders.h"
#include "app/shell_services.h"
#include "app/startup.h"
#include "base/child_process.h"
#include "base/errors.h"
#include "base/files.h"
#include "iac/iac.h"
#include "iac/object_messages.h"

namespace tlv {

namespace {

bool runningCopyHeld = true;

constexpr const char* kOutOfMemory = "Out of memory";
constexpr const char* kLibraryMissing = "libWEXO_32.so is not available.";
constexpr const char* kProcedureMissing = "libWEXO_32.so proc was not available.";
constexpr const char* kOtherError = "InitIAC returned error %ld";

constexpr int64_t kFirstCommandWord = 9989;
constexpr int64_t kLastCommandWord = 9999;

// The words after which the running copy has always looked for a waiting envelope too.
bool WordAlsoFetches(int64_t code) {
  return code == 9999 || (code >= 9993 && code <= 9997);
}

}  // namespace

void SetRunningCopyHeld(bool held) {
  runningCopyHeld = held;
}

int32_t StartMessaging() {
  IacPlaces places = CurrentIacPlaces();
  places.programFolder = ProgramFolderPath();
  places.applicationDataFolder = WithTrailingSlash(ApplicationDataFolder());
  places.executablePath = ExecutablePath();
  SetIacPlaces(places);
  const int32_t result = InitIAC(kOwnSignature, runningCopyHeld);
  switch (result) {
    case 0:
      return 0;
    case kIACOutOfMemory:
      ShowAlert(kOutOfMemory, kStopAlert);
      return result;
    case kIACAnotherCopyRuns:
      // The other copy stays in charge; this one ends without a word.
      return result;
    case kIACLibraryMissing:
      ShowAlert(kLibraryMissing, kStopAlert);
      return 0;
    case kIACProcedureMissing:
      ShowAlert(kProcedureMissing, kStopAlert);
      return 0;
    default:
      ShowAlert(FormatText(kOtherError, static_cast<long>(result)), kStopAlert);
      return 0;
  }
}

bool IsCommandWordNotice(int64_t code) {
  return code >= kFirstCommandWord && code <= kLastCommandWord;
}

void HandleNotice(int64_t code) {
  if (IsCommandWordNotice(code)) {
    HandleCommandNotice(static_cast<int32_t>(code));
    if (!WordAlsoFetches(code)) return;
  }
  if (IACRegistered()) HandleIACMessage();
}

void ProcessStartupMessages() {
  IACTimerStep();
}

void MessagingTimerStep() {
  if (Shell().MainWindowActive() || !Shell().InForeground()) IACTimerStep();
  // A search a sibling asked for while the program was in the background runs once the user
  // has brought the window back.
  if (Shell().MainWindowActive()) RunDeferredSearch();
}

}  // namespace tlv
