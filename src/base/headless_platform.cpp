#include "base/headless_platform.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tlv {

void HeadlessPlatform::ShowAlertBox(std::string_view text, int kind) {
  alerts.push_back({std::string(text), kind});
  if (echoToStderr) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

int HeadlessPlatform::Ask(const Question& question) {
  questions.push_back(question);
  if (answers.empty()) return question.defaultButton;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void HeadlessPlatform::SetMessageLine(std::string_view text) {
  messageLine.assign(text);
  messageLineTemporary = false;
  messageLines.push_back(messageLine);
  if (echoToStderr && !text.empty()) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
}

void HeadlessPlatform::SetTemporaryMessageLine(std::string_view text) {
  SetMessageLine(text);
  messageLineTemporary = true;
}

bool HeadlessPlatform::EscapePressed() {
  ++escapeChecks;
  return escapeAtCheck > 0 && escapeChecks >= escapeAtCheck;
}

uint32_t HeadlessPlatform::TickCount() {
  if (fixedClock) return fixedTicks;
  using namespace std::chrono;
  const auto since = steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(duration_cast<microseconds>(since).count() * 60 / 1000000);
}

int64_t HeadlessPlatform::SecondsSince1970() {
  if (fixedClock) return fixedSeconds1970;
  return static_cast<int64_t>(std::time(nullptr));
}

LocalTime HeadlessPlatform::CurrentLocalTime() {
  if (fixedClock) return fixedLocalTime;
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.weekday = tm.tm_wday;
  return t;
}

bool HeadlessPlatform::SetClipboardText(std::string_view windows1252) {
  if (refuseClipboard) return false;
  clipboardText.assign(windows1252);
  clipboardImage.clear();
  clipboardWidth = clipboardHeight = 0;
  ++clipboardSets;
  return true;
}

bool HeadlessPlatform::SetClipboardImage(int32_t width, int32_t height,
                                         const std::vector<uint32_t>& argb) {
  if (refuseClipboard) return false;
  clipboardText.clear();
  clipboardWidth = width;
  clipboardHeight = height;
  clipboardImage = argb;
  ++clipboardSets;
  return true;
}

void HeadlessPlatform::Reset() {
  const bool echo = echoToStderr;
  *this = HeadlessPlatform();
  echoToStderr = echo;
}

HeadlessPlatform& DefaultHeadlessPlatform() {
  static HeadlessPlatform platform;
  return platform;
}

}  // namespace tlv
