#include "base/errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"

namespace tlv {

namespace {

bool alertsArmed = true;
FilePathResolver pathResolver = nullptr;

bool IsAllocatorName(const char* calleeName) {
  static const char* const kAllocators[] = {"MyNewHandle()",     "MyNewHandleClear()",
                                            "MySetHandleSize()", "MyNewPtr()",
                                            "MyNewPtrClear()",   "SetPtrSize()"};
  if (calleeName == nullptr) return false;
  for (const char* name : kAllocators) {
    if (std::strcmp(calleeName, name) == 0) return true;
  }
  return false;
}

std::string VFormat(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), static_cast<size_t>(needed));
}

std::string PathForReport(int16_t volume, int32_t folderID, const char* fileName) {
  std::string path;
  if (pathResolver != nullptr && pathResolver(volume, folderID, fileName, path)) return path;
  return fileName == nullptr ? std::string() : std::string(fileName);
}

}  // namespace

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  return text;
}

std::string FormatTextV(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  return text;
}

std::string ComposeErrorReport(const char* callerName, const char* calleeName, int32_t code) {
  if (code == kErrMemoryFull || IsAllocatorName(calleeName)) return MessageText(153);
  return FormatTextV(GetIndString(1000, 3).c_str(), calleeName ? calleeName : "",
                     static_cast<long>(code), callerName ? callerName : "");
}

void ReportError(const char* callerName, const char* calleeName, int32_t code) {
  // The reserve goes first so that there is memory left to show the alert at all.
  if (code == kErrMemoryFull || IsAllocatorName(calleeName)) ReleaseMemoryReserve();
  ShowAlert(ComposeErrorReport(callerName, calleeName, code), kStopAlert);
}

void ReportFileError(const char* callerName, const char* calleeName, int32_t code, int16_t volume,
                     int32_t folderID, const char* fileName) {
  if (code == kErrMemoryFull || IsAllocatorName(calleeName)) ReleaseMemoryReserve();
  std::string text = ComposeErrorReport(callerName, calleeName, code);
  text += "\r\n\r\n";
  text += PathForReport(volume, folderID, fileName);
  ShowAlert(text, kStopAlert);
}

void ReportFileContentsError(const char* callerName, int32_t code, int16_t volume, int32_t folderID,
                             const char* fileName) {
  if (code == kErrMemoryFull) ReleaseMemoryReserve();
  std::string text = ComposeErrorReport(callerName, "ReadFileContents()", code);
  text += "\r\nFile:\r\n";
  text += PathForReport(volume, folderID, fileName);
  ShowAlert(text, kStopAlert);
}

void SetFilePathResolver(FilePathResolver resolver) {
  pathResolver = resolver;
}

void ShowAlert(std::string_view text, int kind) {
  if (!alertsArmed) {
    Platform().SetMessageLine(text);
    return;
  }
  alertsArmed = false;
  Platform().ShowAlertBox(text, kind);
  alertsArmed = true;
}

void ArmAlerts() {
  alertsArmed = true;
}
void DisarmAlerts() {
  alertsArmed = false;
}
bool AlertsArmed() {
  return alertsArmed;
}

void ShowMessageAlert(int m, int kind) {
  ShowAlert(MessageText(m), kind);
}

}  // namespace tlv
