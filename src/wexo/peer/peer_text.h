// The texts wexo-peer handles: arguments in UTF-8 turned into single-byte Windows-1252 envelope
// text and back, the escapes a value may use, envelopes built and taken apart, and the one JSON
// line printed for each envelope.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tlv::wexo {

using EnvelopeFields = std::vector<std::pair<std::string, std::string>>;

// False when the text is not UTF-8 or holds a character Windows-1252 cannot write.
bool Utf8ToCp1252(std::string_view utf8, std::string& out);
// Every byte has a character; the five bytes the code page leaves unassigned map to the control
// characters of the same number, so nothing is lost on the way back.
std::string Cp1252ToUtf8(std::string_view text);

// "\r", "\t", "\n" and "\\" become the characters they name; any other backslash stays.
std::string Unescape(std::string_view text);

// The keyword/value pairs of an envelope in their order (an odd last field gets an empty value).
EnvelopeFields SplitEnvelope(std::string_view envelope);
std::string JoinEnvelope(const EnvelopeFields& fields);
// The first value of the keyword, or null when the envelope has none.
const std::string* FindField(const EnvelopeFields& fields, std::string_view keyword);

// {"mssg":...,"sign":...,"psig":...,"xtra":...,"params":[[keyword,value],...]}: the four header
// fields by keyword (null when absent), every other pair in order, texts in UTF-8.
std::string EnvelopeJson(std::string_view envelope);
std::string JsonString(std::string_view utf8);

}  // namespace tlv::wexo
