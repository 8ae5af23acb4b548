#include "wexo/peer/peer_text.h"

#include <array>
#include <cstdint>

namespace tlv::wexo {

namespace {

// Unicode of the bytes 0x80 to 0x9F; the unassigned ones keep their own number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CharacterOf(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

bool ByteOf(char32_t character, char& byte) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    byte = static_cast<char>(character);
    return true;
  }
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == character) {
      byte = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool Utf8ToCp1252(std::string_view utf8, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t extra = 0;
    char32_t character = 0;
    if (lead < 0x80) {
      character = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      character = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      character = lead & 0x0F;
    } else {
      return false;  // four-byte characters have no place in the code page either
    }
    if (i + extra >= utf8.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      character = (character << 6) | (next & 0x3F);
    }
    // Overlong forms are refused so each character has one spelling.
    if ((extra == 1 && character < 0x80) || (extra == 2 && character < 0x800)) return false;
    char byte = 0;
    if (!ByteOf(character, byte)) return false;
    out += byte;
    i += extra + 1;
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) AppendUtf8(CharacterOf(static_cast<unsigned char>(c)), out);
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      const char named = next == 'r' ? '\r' : next == 't' ? '\t' : next == 'n' ? '\n' : next;
      if (next == 'r' || next == 't' || next == 'n' || next == '\\') {
        out += named;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

EnvelopeFields SplitEnvelope(std::string_view envelope) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = envelope.find('\x0B', start);
    parts.emplace_back(envelope.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  EnvelopeFields fields;
  for (size_t i = 0; i < parts.size(); i += 2) {
    fields.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string());
  }
  return fields;
}

std::string JoinEnvelope(const EnvelopeFields& fields) {
  std::string envelope;
  for (const auto& [keyword, value] : fields) {
    if (!envelope.empty()) envelope += '\x0B';
    envelope += keyword;
    envelope += '\x0B';
    envelope += value;
  }
  return envelope;
}

const std::string* FindField(const EnvelopeFields& fields, std::string_view keyword) {
  for (const auto& field : fields) {
    if (field.first == keyword) return &field.second;
  }
  return nullptr;
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          static constexpr char kDigits[] = "0123456789abcdef";
          out += "\\u00";
          out += kDigits[byte >> 4];
          out += kDigits[byte & 0x0F];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string EnvelopeJson(std::string_view envelope) {
  const EnvelopeFields fields = SplitEnvelope(envelope);
  const auto header = [&](std::string_view keyword) {
    const std::string* value = FindField(fields, keyword);
    return value == nullptr ? std::string("null") : JsonString(Cp1252ToUtf8(*value));
  };
  std::string json = "{\"mssg\":" + header("MSSG") + ",\"sign\":" + header("SIGN") +
                     ",\"psig\":" + header("PSIG") + ",\"xtra\":" + header("XTRA") +
                     ",\"params\":[";
  bool first = true;
  for (const auto& [keyword, value] : fields) {
    if (keyword == "MSSG" || keyword == "SIGN" || keyword == "PSIG" || keyword == "XTRA") continue;
    if (!first) json += ',';
    first = false;
    json += "[" + JsonString(Cp1252ToUtf8(keyword)) + "," + JsonString(Cp1252ToUtf8(value)) + "]";
  }
  return json + "]}";
}

}  // namespace tlv::wexo
