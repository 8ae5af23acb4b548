// The one technical-error reporter and the alert entry point. Every failing call is reported
// once, by its caller, as "callee returned code in caller".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/platform.h"

namespace tlv {

// Error codes shared by the file and memory layers.
constexpr int32_t kErrGeneral = -1;
constexpr int32_t kErrBadLength = -3;
constexpr int32_t kErrEndOfFile = -39;
constexpr int32_t kErrMemoryFull = -108;

// Names carry the function's name followed by "()", as in "FSReadBuf()".
void ReportError(const char* callerName, const char* calleeName, int32_t code);
void ReportFileError(const char* callerName, const char* calleeName, int32_t code, int16_t volume,
                     int32_t folderID, const char* fileName);
void ReportFileContentsError(const char* callerName, int32_t code, int16_t volume, int32_t folderID,
                             const char* fileName);
// The text ReportError would show, without showing it.
std::string ComposeErrorReport(const char* callerName, const char* calleeName, int32_t code);

// The full path of (volume, folder ID, name) for reports; the directory table installs it.
using FilePathResolver = bool (*)(int16_t volume, int32_t folderID, const char* fileName,
                                  std::string& path);
void SetFilePathResolver(FilePathResolver resolver);

// Shows an alert of kind 8000 (stop), 8001 (note) or 8002 (caution). While another alert is up
// (alerts disarmed) the text goes to the message line instead.
void ShowAlert(std::string_view text, int kind);
// Arms alerts again; the command handling calls it after every user command.
void ArmAlerts();
void DisarmAlerts();
bool AlertsArmed();

// Shows numbered message m as an alert of the given kind.
void ShowMessageAlert(int m, int kind);

// printf-style formatting into a std::string (for message texts with inserts).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same, for a format taken from the string table at run time.
std::string FormatTextV(const char* format, ...);

}  // namespace tlv
