// The tokenizer of the interchange text format: braces, numbers (plain, with exponent, with
// hemisphere letters and degree/minute/second marks), constant words, custom colour words,
// strings and four-character signatures, read through a window over a byte source while counting
// lines for the error messages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/endian.h"

namespace tlv {

enum MIETokenKind : int32_t {
  kTokenOther = 0,  // a byte that begins no token
  kTokenOpen = 1,
  kTokenClose = 2,
  kTokenNumber = 3,
  kTokenString = 4,
  kTokenSignature = 5,
  kTokenEndOfFile = 6,
};

struct MIEToken {
  int32_t kind = kTokenEndOfFile;
  // Numbers: the value read as a decimal and as an integer (saturated to 32 bits). Constant
  // words and custom colour words give both the same value.
  double value = 0.0;
  int32_t integer = 0;
  // A custom colour word: integer holds the colour with the present and active bits set.
  bool customColour = false;
  // Strings and signatures: the characters between the quotes. Numbers and words: the token as
  // written (words upper-cased).
  std::string text;
};

// Limits of the format.
constexpr int32_t kMaxMIEStringLength = 999;
constexpr int32_t kMaxMIENumberLength = 100;
constexpr int32_t kMaxMIEWordLength = 99;
constexpr int32_t kMIESignatureLength = 4;
constexpr size_t kMaxMIELineLength = 4096;
// The import file is read through a window of this size and progress is told this often.
constexpr int32_t kMIEReadWindow = 100000;
constexpr int32_t kMIEProgressStep = 2000;

struct MIEConstant {
  const char* word;
  int32_t value;
};
// The constant words, searched in order; the first entry with a word gives its value.
extern const MIEConstant kMIEConstants[];
extern const int32_t kMIEConstantCount;
// The value of a constant word (upper case); false when the table lacks it.
bool LookUpMIEConstant(std::string_view word, int32_t& value);
// A word of the form "R%hdG%hdB%hd" (upper case): the colour as red << 16 | green << 8 | blue,
// each part kept within 0 to 255.
bool ParseCustomColourWord(std::string_view word, uint32_t& rgb);

// A plain decimal: an optional sign, then at most 15 digits with at most one point among or
// around them, nothing else. value is the correctly rounded double (as strtod gives it) and
// integer the whole part, saturated to 32 bits. False, and nothing set, for any other text.
bool ReadPlainDecimal(std::string_view text, double& value, int32_t& integer);

// Reads the text of a number token: value and integer as the format reads them.
void ReadMIENumberText(std::string_view text, double& value, int32_t& integer);

// Whether a text read from an import file looks like Mac OS Roman rather than Windows-1252.
bool LooksLikeMacRomanText(std::string_view text);
// Converts a text to Windows-1252 when it is valid UTF-8 that holds at least one multi-byte
// sequence and only characters the code page has; false (text unchanged) otherwise.
bool Utf8ToWindows1252Text(std::string& text);
// The automatic character set recognition of one text: UTF-8 as above, else Mac OS Roman when
// it looks like it; anything else is taken as Windows-1252.
void RecogniseCharacterSet(std::string& text);

class MIEReader {
 public:
  // recogniseCharacterSet: strings in UTF-8 or Mac OS Roman are converted to Windows-1252
  // (RecogniseCharacterSet). A UTF-8 byte-order mark at the start of the source is skipped.
  MIEReader(ByteSource& source, bool recogniseCharacterSet);

  // Finds the source's size; call once before reading.
  int32_t Open();

  // Reads the next token (or the one pushed back). 0 on success; -1 after a tokenizer error
  // whose message (with the line) ErrorText() then holds; a source read failure gives its code.
  int32_t Next(MIEToken& token);
  void PushBack(const MIEToken& token);

  // The rest of the current line up to (not including) its line end, which is consumed. Used by
  // simple point records, whose fields end with the line.
  int32_t ReadRestOfLine(std::string& text);

  // Line number (from 1) of the byte about to be read.
  int32_t Line() const { return line_; }
  void ResetLine() { line_ = 1; }

  // The character set recognition of the reader's strings, for texts the caller reads itself
  // (the fields of simple point records); nothing when the reader was made without it.
  void ConvertRecognisedText(std::string& text) const;

  // Sets ErrorText() to the message framed with the current line.
  void SetError(const std::string& message);
  const std::string& ErrorText() const { return errorText_; }

  // Called with the share read so far (0 to 100) after every 2000 bytes read.
  void SetProgress(std::function<void(int32_t percent)> progress) {
    progress_ = std::move(progress);
  }
  int32_t Size() const { return size_; }
  int64_t Consumed() const { return windowStart_ + cursor_; }

 private:
  // -1 at the end of the source.
  int Peek() {
    if (cursor_ < windowLength_) return window_[static_cast<size_t>(cursor_)];
    return Refill() ? window_[static_cast<size_t>(cursor_)] : -1;
  }
  void Advance();
  bool Refill();
  int32_t ReadNumber(MIEToken& token);
  int32_t ReadWord(MIEToken& token);
  int32_t ReadQuoted(MIEToken& token, unsigned char quote);

  ByteSource& source_;
  bool recogniseCharacterSet_;
  std::vector<unsigned char> window_;
  int32_t windowLength_ = 0;
  int32_t cursor_ = 0;
  int64_t windowStart_ = 0;
  int32_t size_ = 0;
  int32_t readError_ = 0;
  int32_t line_ = 1;
  bool lastWasCR_ = false;
  int64_t nextProgress_ = kMIEProgressStep;
  bool pushedBack_ = false;
  MIEToken pushed_;
  std::string errorText_;
  std::function<void(int32_t)> progress_;
};

// The expected-type message for a token kind.
std::string ExpectedTypeMessage(int32_t kind);

}  // namespace tlv
