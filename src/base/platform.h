// What the core asks of the machine: alerts and questions, the message line, the wait cursor,
// the Escape check and the clock. The Qt program, the console program and the tests each
// install their own implementation; the core reaches it only through Platform().
#pragma once

#include <cstdint>
#include <functional>
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
  // Per button: false shows it disabled. Empty, or shorter than buttons: the rest are enabled.
  std::vector<bool> enabled;
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

  // The clipboard: plain text (Windows-1252 bytes, line ends as given), or a picture of width x
  // height pixels given row by row from the top as 0xAARRGGBB. False when the clipboard cannot
  // be taken.
  virtual bool SetClipboardText(std::string_view windows1252) = 0;
  virtual bool SetClipboardImage(int32_t width, int32_t height,
                                 const std::vector<uint32_t>& argb) = 0;
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

namespace platform {

// How a helper program is started: hidden (no terminal, standard input from /dev/null), in a
// process group of its own so that everything it starts can be stopped with it, with no
// descriptor of ours open, default signal handling and our environment.
struct ProcessOptions {
  std::vector<std::string> argv;  // argv[0] is the program's path, never looked up in PATH
  std::string workingFolder;      // empty: ours
  std::string outputPath;         // standard output and error appended here; empty: /dev/null
};

// One started helper program, owned: a process still running when its Process goes away is
// killed with its group and reaped, so nothing is left behind. Runs on posix_spawn; "ask its
// windows to close" is SIGTERM to the group, termination SIGKILL.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;

  // 0, or -1 with StartError() saying why (the program missing or not executable, a folder or
  // output file that cannot be used).
  int32_t Start(const ProcessOptions& options);
  const std::string& StartError() const { return startError_; }

  // Polls once: false when the process has ended (its status is then known) or never started.
  bool Running();
  // The exit status, or 128 + the signal that ended it; -1 while running or never started.
  int32_t ExitStatus() const { return exitStatus_; }

  // Polls every pollMilliseconds until the process ends (0) or cancel answers true: the group
  // is then asked to end (SIGTERM), given graceMilliseconds, killed (SIGKILL) and reaped (-2).
  // between, when given, runs after every poll (a window can paint while a tool runs).
  int32_t WaitForExit(int32_t pollMilliseconds, const std::function<bool()>& cancel,
                      int32_t graceMilliseconds, const std::function<void()>& between = {});

  // Signals to the process group; nothing happens when it has ended.
  void AskToEnd();
  void Kill();
  int32_t Id() const { return pid_; }

 private:
  void Release();
  int32_t pid_ = -1;
  int32_t exitStatus_ = -1;
  std::string startError_;
};

}  // namespace platform

}  // namespace tlv
