#include "platform/qt/text_codec.h"

#include <array>
#include <cstdint>

namespace tlv {

namespace {

// Codes 0x80 to 0x9F of the published Windows-1252 mapping; the undefined codes keep their value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t Windows1252ToUnicode(unsigned char code) {
  if (code >= 0x80 && code <= 0x9F) return kHighControls[code - 0x80];
  return code;
}

bool UnicodeToWindows1252(char16_t unicode, unsigned char& code) {
  if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) {
    code = static_cast<unsigned char>(unicode);
    return true;
  }
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unicode) {
      code = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

QString FromWindows1252(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    text.append(QChar(Windows1252ToUnicode(static_cast<unsigned char>(c))));
  }
  return text;
}

std::string ToWindows1252(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text.at(i).unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
        QChar::isLowSurrogate(text.at(i + 1).unicode())) {
      ++i;
      bytes.push_back('?');
      continue;
    }
    unsigned char code = 0;
    bytes.push_back(UnicodeToWindows1252(unit, code) ? static_cast<char>(code) : '?');
  }
  return bytes;
}

}  // namespace tlv
