// JSON output for tolvane-cli: strings of the core's Windows-1252 bytes become escaped UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlv::cli {

// The text as a quoted JSON string (UTF-8, control characters escaped).
std::string JsonString(std::string_view windows1252);

// Command-line words arrive as UTF-8; the catalogue's names are Windows-1252.
std::string Windows1252FromUtf8(const std::string& utf8);

// Builds one JSON object field by field, in the order given.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view value);
  JsonObject& Number(std::string_view key, int64_t value);
  JsonObject& Bool(std::string_view key, bool value);
  JsonObject& Null(std::string_view key);
  JsonObject& Numbers(std::string_view key, const std::vector<int64_t>& values);
  // A value already written as JSON (an object or an array of objects).
  JsonObject& Raw(std::string_view key, std::string_view json);
  std::string Str() const { return "{" + body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

}  // namespace tlv::cli
