#include "store/mie_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "base/char_tables.h"
#include "base/errors.h"
#include "base/strings.h"
#include "store/object_record.h"

namespace tlv {

// Each word appears once: later groups of the format's list that repeat a word (line types and
// fill patterns repeat the first colours) would never be reached, since the first entry wins.
const MIEConstant kMIEConstants[] = {
    {"TO", 0},
    {"FROM", 1},
    {"YES", 1},
    {"NO", 0},
    {"RECT", 1},
    {"CIRCLE", 2},
    {"SYMBOL", 3},
    {"POINT", 3},
    {"POLYLINE", 4},
    {"LINES", 4},
    {"POLYGON", 5},
    {"TEXT", 6},
    {"PICTURE", 7},
    {"ALIAS", 8},
    {"TLID", 0},
    {"CFCC", 1},
    {"VERS", 2},
    {"SAL", 5},
    {"SAR", 6},
    {"EAL", 7},
    {"EAR", 8},
    {"ZCL", 9},
    {"ZCR", 10},
    {"INVIS", 15},
    {"BLACK", 1},
    {"WHITE", 2},
    {"DARKGRAY", 3},
    {"GRAY", 4},
    {"LIGHTGRAY", 5},
    {"BROWN", 6},
    {"OLIVE", 7},
    {"LIGHTBROWN", 7},
    {"DARKGREEN", 8},
    {"GREEN", 9},
    {"LIGHTBLUE", 10},
    {"BLUE", 11},
    {"DARKBLUE", 12},
    {"ORANGE", 12},
    {"AQUA", 12},
    {"PURPLE", 13},
    {"PINK", 14},
    {"RED", 15},
    {"YELLOW", 16},
    {"TWOPOINT", 3},
    {"THREEPOINT", 4},
    {"FOURPOINT", 5},
    {"DOTS", 6},
    {"DASHDOTDOT", 7},
    {"DASHDOT", 8},
    {"DASHES", 9},
    {"RAILROAD", 10},
    {"BOXES", 10},
    {"NONE", 2},
    {"VERTSTRIPES", 6},
    {"HORIZSTRIPES", 7},
    {"UPSTRIPES", 8},
    {"DOWNSTRIPES", 9},
    {"ONLY", 0},
    {"ETC", 1},
    {"N", 1},
    {"S", 2},
    {"W", 3},
    {"E", 4},
    {"LANDMARK", 51},
    {"AIRPLANE", 207},
};
const int32_t kMIEConstantCount = static_cast<int32_t>(std::size(kMIEConstants));

bool LookUpMIEConstant(std::string_view word, int32_t& value) {
  // Built once from the table; the first entry of a word is the one kept, as a search in order
  // would find it.
  static const std::unordered_map<std::string_view, int32_t> index = [] {
    std::unordered_map<std::string_view, int32_t> words;
    for (const MIEConstant& constant : kMIEConstants) words.emplace(constant.word, constant.value);
    return words;
  }();
  const auto it = index.find(word);
  if (it == index.end()) return false;
  value = it->second;
  return true;
}

bool ParseCustomColourWord(std::string_view word, uint32_t& rgb) {
  static constexpr char kLetters[3] = {'R', 'G', 'B'};
  size_t at = 0;
  uint32_t parts[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (at >= word.size() || word[at] != kLetters[i]) return false;
    ++at;
    const size_t digitsStart = at;
    uint32_t part = 0;
    while (at < word.size() && word[at] >= '0' && word[at] <= '9') {
      part = std::min<uint32_t>(part * 10 + static_cast<uint32_t>(word[at] - '0'), 255);
      ++at;
    }
    if (at == digitsStart) return false;
    parts[i] = part;
  }
  if (at != word.size()) return false;
  rgb = parts[0] << 16 | parts[1] << 8 | parts[2];
  return true;
}

namespace {

bool IsSeparator(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDegreeMark(int c) {
  return c == 0xA1 || c == 0xB0 || c == 0xBA;
}
bool IsMinuteMark(int c) {
  return c == 0x27 || c == 0xAB || c == 0xD5 || c == 0xB4 || c == 0x92;
}
bool IsSecondMark(int c) {
  return c == 0x22 || c == 0xD3 || c == 0x94;
}

bool IsNumberByte(int c) {
  switch (c) {
    case '.':
    case 'e':
    case '+':
    case '-':
    case 'N':
    case 'n':
    case 'E':
    case 'S':
    case 's':
    case 'W':
    case 'w':
      return true;
    default:
      return IsDigit(c) || IsDegreeMark(c) || IsMinuteMark(c) || IsSecondMark(c);
  }
}

int32_t SaturateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(value);
}

}  // namespace

// Plain decimals ("-77.123456") are most of an import's numbers. With at most 15 digits the
// digits make an exact double and so does the power of ten, so their quotient is the correctly
// rounded value, the same that strtod gives.
bool ReadPlainDecimal(std::string_view text, double& value, int32_t& integer) {
  static constexpr double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
  int64_t digits = 0;
  int64_t whole = 0;
  int32_t count = 0;
  int32_t decimals = 0;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      if (++count > 15) return false;
      digits = digits * 10 + (c - '0');
      if (point) {
        ++decimals;
      } else {
        whole = digits;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  value = static_cast<double>(digits) / kPowersOfTen[decimals];
  if (negative) value = -value;
  if (negative) whole = -whole;
  integer = static_cast<int32_t>(std::clamp<int64_t>(whole, INT32_MIN, INT32_MAX));
  return true;
}

void ReadMIENumberText(std::string_view text, double& value, int32_t& integer) {
  if (ReadPlainDecimal(text, value, integer)) return;
  char clean[kMaxMIENumberLength + 1];
  size_t length = 0;
  bool marks = false;
  bool negative = false;
  for (const char ch : text) {
    const int c = static_cast<unsigned char>(ch);
    if (length >= kMaxMIENumberLength) break;
    if (c == 'N' || c == 'n' || c == 'E') continue;
    if (c == 'S' || c == 's' || c == 'W' || c == 'w') {
      negative = true;
    } else if (IsDegreeMark(c)) {
      clean[length++] = 'D';
      marks = true;
    } else if (IsMinuteMark(c)) {
      clean[length++] = 'M';
      marks = true;
    } else if (IsSecondMark(c)) {
      clean[length++] = 'S';
      marks = true;
    } else {
      clean[length++] = static_cast<char>(c);
    }
  }
  clean[length] = '\0';
  if (marks) {
    double degrees = 0.0;
    double minutes = 0.0;
    double seconds = 0.0;
    std::sscanf(clean, "%lfD%lfM%lfS", &degrees, &minutes, &seconds);
    if (!text.empty() && text.front() == '-') {
      minutes = -minutes;
      seconds = -seconds;
    }
    value = degrees + minutes / 60.0 + seconds / 3600.0;
  } else {
    value = std::strtod(clean, nullptr);
  }
  // An exponent beyond the range of a double reads as the largest finite value, so every later
  // conversion stays defined.
  if (std::isinf(value)) value = value > 0 ? 1e308 : -1e308;
  if (std::isnan(value)) value = 0.0;
  if (negative) value = -std::fabs(value);
  if (marks) {
    integer = SaturateToInt32(value);
  } else {
    const long long whole = std::strtoll(clean, nullptr, 10);
    integer = whole > 2147483647LL    ? 2147483647
              : whole < -2147483648LL ? static_cast<int32_t>(-2147483647 - 1)
                                      : static_cast<int32_t>(whole);
    if (negative && integer > 0) integer = -integer;
  }
}

bool LooksLikeMacRomanText(std::string_view text) {
  // Windows-1252 text rarely uses 0x80 to 0x9F, where Mac OS Roman keeps its most common
  // accented letters; so a text counts as Mac OS Roman when more of its high bytes read as
  // letters there than read as letters outside that range in Windows-1252.
  int32_t macLetters = 0;
  int32_t windowsLetters = 0;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) continue;
    if (IsLetterCode(MacToWindows(c))) ++macLetters;
    if (c >= 0xA0 && IsLetterCode(c)) ++windowsLetters;
  }
  return macLetters > windowsLetters;
}

namespace {

// The Unicode characters of Windows-1252 codes 0x80 to 0x9F; 0 where the code page has none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 code of a character; false when the code page has none (the C1 controls
// count as none: no text means them).
bool Windows1252Code(uint32_t character, unsigned char& code) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    code = static_cast<unsigned char>(character);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kWindows1252High[i] != 0 && kWindows1252High[i] == character) {
      code = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

// Decodes one UTF-8 sequence at text[at]; 0 when the bytes there are no well-formed sequence
// (overlong forms, surrogates and values past U+10FFFF included), else its length.
size_t DecodeUtf8(std::string_view text, size_t at, uint32_t& character) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    character = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    character = lead & 0x1Fu;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    character = lead & 0x0Fu;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    character = lead & 0x07u;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0u) != 0x80u) return 0;
    character = character << 6 | (next & 0x3Fu);
  }
  if (character < minimum || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
    return 0;
  }
  return length;
}

}  // namespace

bool Utf8ToWindows1252Text(std::string& text) {
  std::string converted;
  converted.reserve(text.size());
  bool multiByte = false;
  for (size_t at = 0; at < text.size();) {
    uint32_t character = 0;
    const size_t length = DecodeUtf8(text, at, character);
    unsigned char code = 0;
    if (length == 0 || !Windows1252Code(character, code)) return false;
    multiByte = multiByte || length > 1;
    converted.push_back(static_cast<char>(code));
    at += length;
  }
  if (!multiByte) return false;
  text.swap(converted);
  return true;
}

void RecogniseCharacterSet(std::string& text) {
  // Windows-1252 text with accented letters almost never forms valid UTF-8 (an accented letter
  // would have to be followed by one to three of the codes 0x80 to 0xBF), so a text that does is
  // taken as UTF-8 first.
  if (Utf8ToWindows1252Text(text)) return;
  if (LooksLikeMacRomanText(text)) MacToWindowsText(text);
}

std::string ExpectedTypeMessage(int32_t kind) {
  int m = 81;
  switch (kind) {
    case kTokenOpen:
      m = 76;
      break;
    case kTokenClose:
      m = 77;
      break;
    case kTokenSignature:
      m = 78;
      break;
    case kTokenString:
      m = 79;
      break;
    case kTokenNumber:
      m = 80;
      break;
    default:
      break;
  }
  return MessageText(75) + MessageText(m);
}

MIEReader::MIEReader(ByteSource& source, bool recogniseCharacterSet)
    : source_(source), recogniseCharacterSet_(recogniseCharacterSet) {}

int32_t MIEReader::Open() {
  int32_t err = source_.Size(size_);
  if (err != 0) return err;
  window_.assign(static_cast<size_t>(std::min(std::max(size_, 1), kMIEReadWindow)), 0);
  nextProgress_ = std::min<int64_t>(kMIEProgressStep, std::max(size_, 1));
  return 0;
}

bool MIEReader::Refill() {
  if (readError_ != 0 || window_.empty()) return false;
  windowStart_ += windowLength_;
  windowLength_ = 0;
  cursor_ = 0;
  if (windowStart_ >= size_) return false;
  int32_t got = 0;
  const int32_t want = static_cast<int32_t>(std::min<int64_t>(
      static_cast<int64_t>(window_.size()), static_cast<int64_t>(size_) - windowStart_));
  const int32_t err = source_.ReadAt(static_cast<int32_t>(windowStart_), want, window_.data(), got);
  if (err != 0) {
    readError_ = err;
    return false;
  }
  windowLength_ = got;
  if (windowStart_ == 0 && got >= 3 && window_[0] == 0xEF && window_[1] == 0xBB &&
      window_[2] == 0xBF) {
    // The byte-order mark that editors put at the start of a UTF-8 file belongs to no token.
    cursor_ = 3;
    return got > 3 || Refill();
  }
  return got > 0;
}

void MIEReader::Advance() {
  const unsigned char c = window_[cursor_];
  if (c == '\r') {
    ++line_;
  } else if (c == '\n' && !lastWasCR_) {
    // Files written on this platform end lines with LF alone; a CR LF pair counts once.
    ++line_;
  }
  lastWasCR_ = c == '\r';
  ++cursor_;
  if (windowStart_ + cursor_ >= nextProgress_) {
    // Told after every whole piece and after the last, shorter one.
    const int64_t read = windowStart_ + cursor_;
    nextProgress_ = read >= size_ ? INT64_MAX : std::min<int64_t>(read + kMIEProgressStep, size_);
    if (progress_) {
      progress_(size_ < kMIEProgressStep ? 100 : static_cast<int32_t>(read * 100 / size_));
    }
  }
}

void MIEReader::SetError(const std::string& message) {
  errorText_ = FormatTextV(MessageText(74).c_str(), message.c_str(), static_cast<long>(line_));
}

void MIEReader::PushBack(const MIEToken& token) {
  pushed_ = token;
  pushedBack_ = true;
}

int32_t MIEReader::Next(MIEToken& token) {
  if (pushedBack_) {
    pushedBack_ = false;
    token = std::move(pushed_);
    return 0;
  }
  token.customColour = false;
  token.value = 0.0;
  token.integer = 0;
  token.text.clear();
  int c = Peek();
  while (c >= 0 && IsSeparator(c)) {
    Advance();
    c = Peek();
  }
  if (c < 0) {
    if (readError_ != 0) return readError_;
    token.kind = kTokenEndOfFile;
    return 0;
  }
  if (c == '{') {
    Advance();
    token.kind = kTokenOpen;
    return 0;
  }
  if (c == '}') {
    Advance();
    token.kind = kTokenClose;
    return 0;
  }
  if (c == '"' || c == '\'') {
    Advance();
    return ReadQuoted(token, static_cast<unsigned char>(c));
  }
  if (c == '+' || c == '-' || c == '.' || IsDigit(c)) return ReadNumber(token);
  if (IsAsciiLetter(c)) return ReadWord(token);
  Advance();
  token.kind = kTokenOther;
  token.text.assign(1, static_cast<char>(c));
  return 0;
}

int32_t MIEReader::ReadNumber(MIEToken& token) {
  token.kind = kTokenNumber;
  int c = Peek();
  while (c >= 0 && IsNumberByte(c) &&
         token.text.size() < static_cast<size_t>(kMaxMIENumberLength)) {
    token.text.push_back(static_cast<char>(c));
    Advance();
    c = Peek();
  }
  if (readError_ != 0) return readError_;
  ReadMIENumberText(token.text, token.value, token.integer);
  return 0;
}

int32_t MIEReader::ReadWord(MIEToken& token) {
  int c = Peek();
  while (c >= 0 && (IsAsciiLetter(c) || IsDigit(c)) &&
         token.text.size() < static_cast<size_t>(kMaxMIEWordLength)) {
    token.text.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    Advance();
    c = Peek();
  }
  if (readError_ != 0) return readError_;
  if (token.text == "END") {
    token.kind = kTokenClose;
    return 0;
  }
  token.kind = kTokenNumber;
  uint32_t rgb = 0;
  if (ParseCustomColourWord(token.text, rgb)) {
    token.customColour = true;
    token.integer = static_cast<int32_t>(rgb | kCustomColourPresent | kCustomColourActive);
    token.value = token.integer;
    return 0;
  }
  int32_t value = 0;
  if (!LookUpMIEConstant(token.text, value)) {
    SetError(FormatTextV(MessageText(85).c_str(), token.text.c_str()));
    return -1;
  }
  token.integer = value;
  token.value = value;
  return 0;
}

int32_t MIEReader::ReadQuoted(MIEToken& token, unsigned char quote) {
  const bool isString = quote == '"';
  token.kind = isString ? kTokenString : kTokenSignature;
  const size_t limit = isString ? kMaxMIEStringLength : kMIESignatureLength;
  for (;;) {
    const int c = Peek();
    if (c < 0) {
      if (readError_ != 0) return readError_;
      // The file ended inside the quotes.
      SetError(isString ? MessageText(92) : MessageText(83));
      return -1;
    }
    Advance();
    if (c == quote) break;
    if (token.text.size() >= limit) {
      SetError(MessageText(isString ? 82 : 84));
      return -1;
    }
    token.text.push_back(static_cast<char>(c));
  }
  if (!isString) {
    if (token.text.size() < static_cast<size_t>(kMIESignatureLength)) {
      SetError(MessageText(83));
      return -1;
    }
    return 0;
  }
  ConvertRecognisedText(token.text);
  return 0;
}

void MIEReader::ConvertRecognisedText(std::string& text) const {
  if (recogniseCharacterSet_) RecogniseCharacterSet(text);
}

int32_t MIEReader::ReadRestOfLine(std::string& text) {
  text.clear();
  for (;;) {
    const int c = Peek();
    if (c < 0) return readError_;
    if (c == '\r' || c == '\n') {
      Advance();
      if (c == '\r' && Peek() == '\n') Advance();
      return 0;
    }
    // The bytes up to the line end hold no line end, so they are taken in one piece.
    int32_t end = cursor_;
    while (end < windowLength_ && window_[end] != '\r' && window_[end] != '\n') ++end;
    // A line without an end (binary input) is consumed whole but kept only in part.
    const size_t room = kMaxMIELineLength - std::min(text.size(), kMaxMIELineLength);
    text.append(reinterpret_cast<const char*>(window_.data()) + cursor_,
                std::min(room, static_cast<size_t>(end - cursor_)));
    lastWasCR_ = false;
    cursor_ = end - 1;
    Advance();
  }
}

}  // namespace tlv
