// What the core asks of the machine: alerts and questions, the message line, the wait cursor,
// the Escape check and the clock. The Qt program, the console program and the tests each
// install their own implementation; the core reaches it only through Platform().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlv {

enum AlertKind : int16_t {
  kStopAlert = 8000,
  kNoteAlert = 8001,
  kCautionAlert = 8002,
};

struct LocalTime {
  int year = 1904;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 Sunday to 6 Saturday
};

// A question with named buttons; the answer is the index of the button chosen, or -1 when the
// question was dismissed without a choice.
struct Question {
  std::string title;
  std::string text;
  std::vector<std::string> buttons;
  int defaultButton = 0;
  int cancelButton = -1;
};

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // A modal message box of the given kind, titled "TOLVANE". Text is Windows-1252.
  virtual void ShowAlertBox(std::string_view text, int kind) = 0;
  virtual int Ask(const Question& question) = 0;
  virtual void Beep() = 0;

  // The message line at the bottom of the main window. A temporary text stays until the next
  // text of either kind replaces it.
  virtual void SetMessageLine(std::string_view text) = 0;
  virtual void SetTemporaryMessageLine(std::string_view text) = 0;
  virtual void SetWaitCursor(bool on) = 0;

  // True when the user has pressed Escape since the last check: long operations poll this.
  virtual bool EscapePressed() = 0;

  // Ticks of 1/60 second since an arbitrary start.
  virtual uint32_t TickCount() = 0;
  virtual int64_t SecondsSince1970() = 0;
  virtual LocalTime CurrentLocalTime() = 0;
};

// The services in use. Until something is installed, a headless implementation that records
// what was shown answers.
PlatformServices& Platform();
void InstallPlatform(PlatformServices* services);

// Posting to the main window: callable from any thread, it never waits for the user-interface
// thread, where the message arrives later as a posted notice (the message library announces
// arriving envelopes this way). The front end installs the poster; false when none is installed
// or no main window takes the message.
using MainWindowPoster = bool (*)(int32_t message, int64_t param1, int64_t param2);
void InstallMainWindowPoster(MainWindowPoster poster);
bool PostMainWindowMessage(int32_t message, int64_t param1, int64_t param2);

// Seconds since 1 January 1904 (local time), as stored in the files.
uint32_t SecondsSince1904();
// Seconds between 1 January 1904 and 1 January 1970.
constexpr int64_t kSeconds1904To1970 = 2082844800;

}  // namespace tlv
