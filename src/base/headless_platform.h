// A platform without a screen: it records every alert, beep and message-line text, and answers
// questions and the Escape check from a script. Tests and tolvane-cli use it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "base/platform.h"

namespace tlv {

class HeadlessPlatform : public PlatformServices {
 public:
  struct ShownAlert {
    std::string text;
    int kind;
  };

  void ShowAlertBox(std::string_view text, int kind) override;
  int Ask(const Question& question) override;
  void Beep() override { ++beeps; }
  void SetMessageLine(std::string_view text) override;
  void SetTemporaryMessageLine(std::string_view text) override;
  void SetWaitCursor(bool on) override { waitCursor = on; }
  bool EscapePressed() override;
  uint32_t TickCount() override;
  int64_t SecondsSince1970() override;
  LocalTime CurrentLocalTime() override;
  bool SetClipboardText(std::string_view windows1252) override;
  bool SetClipboardImage(int32_t width, int32_t height, const std::vector<uint32_t>& argb) override;

  // Forgets what was recorded and the scripted answers.
  void Reset();

  // Recorded output.
  std::vector<ShownAlert> alerts;
  std::vector<Question> questions;
  std::vector<std::string> messageLines;  // every text shown, in order
  std::string messageLine;                // the text showing now
  bool messageLineTemporary = false;
  int beeps = 0;
  bool waitCursor = false;

  // Scripted answers: each question takes the next answer; with none left it takes the
  // question's default button.
  std::deque<int> answers;
  // Escape is reported as pressed on the check numbered escapeAtCheck (1 = the first check
  // from now); 0 never. escapeChecks counts the checks made.
  int escapeAtCheck = 0;
  int escapeChecks = 0;
  // When set, the clock answers these instead of the machine's clock.
  bool fixedClock = false;
  uint32_t fixedTicks = 0;
  int64_t fixedSeconds1970 = 0;
  LocalTime fixedLocalTime;

  // The clipboard: the last text's bytes and picture put there, and how many times either was
  // set. With refuseClipboard set, the clipboard cannot be taken.
  std::string clipboardText;
  int32_t clipboardWidth = 0;
  int32_t clipboardHeight = 0;
  std::vector<uint32_t> clipboardImage;
  int clipboardSets = 0;
  bool refuseClipboard = false;

  // When true, alerts and message-line texts are also printed on standard error (tolvane-cli).
  bool echoToStderr = false;
};

// The headless platform installed by default; tests reset it between cases.
HeadlessPlatform& DefaultHeadlessPlatform();

}  // namespace tlv
