#include "cli/messages_command.h"

#include <fstream>
#include <iostream>
#include <string_view>

#include "base/headless_platform.h"
#include "cli/catalogue_commands.h"
#include "cli/json_text.h"
#include "edit/selection.h"
#include "iac/iac.h"
#include "iac/iac_envelope.h"
#include "iac/recording_transport.h"
#include "search/show_on_map.h"

namespace tlv::cli {

namespace {

// A small reader of the JSON the envelopes are written in: objects, arrays and strings (other
// values are skipped over).
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  bool Done() {
    Space();
    return at_ == text_.size();
  }
  bool Take(char c) {
    Space();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Peek(char c) {
    Space();
    return at_ < text_.size() && text_[at_] == c;
  }
  bool String(std::string& out) {
    out.clear();
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (at_ + 4 > text_.size()) return false;
          const unsigned long code = std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16);
          at_ += 4;
          AppendUtf8(static_cast<uint32_t>(code), out);
          break;
        }
        default:
          out += e;
          break;
      }
    }
    return false;
  }
  // Skips a number, true, false or null.
  bool Scalar() {
    Space();
    const size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view(",]}").find(text_[at_]) == std::string_view::npos &&
           text_[at_] != ' ') {
      ++at_;
    }
    return at_ > start;
  }

 private:
  void Space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      ++at_;
    }
  }
  static void AppendUtf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

// The answer in the form of the input lines.
std::string EnvelopeJson(const std::string& envelope) {
  std::vector<std::pair<std::string, std::string>> fields;
  size_t start = 0;
  while (start <= envelope.size()) {
    size_t end = envelope.find(kIACSeparator, start);
    if (end == std::string::npos) end = envelope.size();
    const std::string keyword = envelope.substr(start, end - start);
    std::string value;
    size_t next = end + 1;
    if (end < envelope.size()) {
      size_t valueEnd = envelope.find(kIACSeparator, next);
      if (valueEnd == std::string::npos) valueEnd = envelope.size();
      value = envelope.substr(next, valueEnd - next);
      next = valueEnd + 1;
    }
    fields.emplace_back(keyword, value);
    start = next;
    if (end >= envelope.size()) break;
  }
  std::string header[4] = {"null", "null", "null", "null"};
  const char* names[4] = {"MSSG", "SIGN", "PSIG", "XTRA"};
  std::string params;
  for (const auto& [keyword, value] : fields) {
    bool isHeader = false;
    for (int i = 0; i < 4; ++i) {
      if (keyword == names[i] && header[i] == "null") {
        header[i] = JsonString(value);
        isHeader = true;
        break;
      }
    }
    if (isHeader) continue;
    if (!params.empty()) params += ",";
    params += "[" + JsonString(keyword) + "," + JsonString(value) + "]";
  }
  return "{\"mssg\":" + header[0] + ",\"sign\":" + header[1] + ",\"psig\":" + header[2] +
         ",\"xtra\":" + header[3] + ",\"params\":[" + params + "]}";
}

}  // namespace

bool IsMessagesCommand(const std::vector<std::string>& words) {
  if (words.empty() || words[0] != "messages") return false;
  if (words.size() == 2) return true;
  return words.size() == 4 && words[2] == "--then" &&
         (words[3] == "maps" || words[3] == "overlays" || words[3] == "legend");
}

bool ParseMessageLine(const std::string& line, MessageLine& message) {
  message = MessageLine();
  JsonReader reader(line);
  if (!reader.Take('{')) return false;
  bool first = true;
  while (!reader.Take('}')) {
    if (!first && !reader.Take(',')) return false;
    first = false;
    std::string key;
    if (!reader.String(key) || !reader.Take(':')) return false;
    if (key == "params") {
      if (!reader.Take('[')) return false;
      bool firstPair = true;
      while (!reader.Take(']')) {
        if (!firstPair && !reader.Take(',')) return false;
        firstPair = false;
        std::string keyword, value;
        if (!reader.Take('[') || !reader.String(keyword) || !reader.Take(',') ||
            !reader.String(value) || !reader.Take(']')) {
          return false;
        }
        message.params.emplace_back(Windows1252FromUtf8(keyword), Windows1252FromUtf8(value));
      }
      continue;
    }
    std::string value;
    if (reader.Peek('"')) {
      if (!reader.String(value)) return false;
    } else if (!reader.Scalar()) {
      return false;
    }
    value = Windows1252FromUtf8(value);
    if (key == "mssg") message.code = value;
    if (key == "sign") message.sign = value;
    if (key == "psig") message.psig = value;
    if (key == "xtra") message.xtra = value;
  }
  return reader.Done() && message.code.size() == kIACCodeLength;
}

int RunMessagesCommand(const std::vector<std::string>& words, std::istream& in, std::ostream& out,
                       std::ostream& err) {
  std::ifstream file;
  std::istream* source = &in;
  if (words[1] != "-") {
    file.open(words[1], std::ios::binary);
    if (!file) {
      err << "tolvane-cli: cannot read " << words[1] << "\n";
      return 1;
    }
    source = &file;
  }
  // The built-in recording library stands in for the real one: every sender counts as running,
  // and what the program sends back is printed.
  SetIacTransport(nullptr);
  RecordingTransport& library = DefaultRecordingTransport();
  library.Reset();
  if (InitIAC(kOwnSignature, true) != 0) {
    err << "tolvane-cli: messaging could not start\n";
    return 1;
  }
  HeadlessPlatform& platform = DefaultHeadlessPlatform();
  std::string line;
  int lineNumber = 0;
  while (std::getline(*source, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    MessageLine message;
    if (!ParseMessageLine(line, message)) {
      err << "tolvane-cli: line " << lineNumber << " is not an envelope\n";
      QuitIAC();
      return 1;
    }
    library.running.insert(message.sign);
    std::string envelope = "MSSG" + std::string(1, kIACSeparator) + message.code;
    envelope += kIACSeparator + std::string("SIGN") + kIACSeparator + message.sign;
    envelope += kIACSeparator + std::string("PSIG") + kIACSeparator + message.psig;
    envelope += kIACSeparator + std::string("XTRA") + kIACSeparator + message.xtra;
    for (const auto& [keyword, value] : message.params) {
      envelope += kIACSeparator + keyword + kIACSeparator + value;
    }
    const size_t sentBefore = library.sent.size();
    const size_t alertsBefore = platform.alerts.size();
    const int32_t result = DispatchIACMessage(envelope.c_str());
    for (size_t i = sentBefore; i < library.sent.size(); ++i) {
      out << EnvelopeJson(library.sent[i].envelope) << "\n";
    }
    for (size_t i = alertsBefore; i < platform.alerts.size(); ++i) {
      out << JsonObject()
                 .Text("alert", platform.alerts[i].text)
                 .Number("kind", platform.alerts[i].kind)
                 .Str()
          << "\n";
    }
    out << JsonObject()
               .Text("message", message.code)
               .Number("result", result)
               .Number("shown", static_cast<int64_t>(ShowList().size()))
               .Number("selected", SelectedObjectCount())
               .Str()
        << "\n";
  }
  QuitIAC();
  // The state the messages left, as the plain commands print it.
  if (words.size() == 4) {
    if (words[3] == "maps") PrintMaps(out);
    if (words[3] == "overlays") PrintOverlays(out);
    if (words[3] == "legend") PrintLegend(out);
  }
  return 0;
}

}  // namespace tlv::cli
