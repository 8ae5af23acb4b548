#include "app/config.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "store/buffered_file.h"

namespace tlv {

namespace {

ConfigFlags flags;

constexpr int32_t kConfigReadBuffer = 10000;
constexpr int32_t kConfigLineSize = 256;
constexpr int32_t kMaxConfigLines = 1000;
constexpr int32_t kMaxEmptyLines = 20;

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int32_t FlagValue(std::string_view value) {
  const std::string word = UpperCase(value.substr(0, 15));
  return word == "YES" || word == "TRUE" || word == "ON" ? 1 : 0;
}

int32_t LeadingNumber(std::string_view value) {
  int64_t number = 0;
  size_t i = 0;
  while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
    number = number * 10 + (value[i] - '0');
    if (number > INT32_MAX) return INT32_MAX;
    ++i;
  }
  return static_cast<int32_t>(number);
}

int32_t TagColour(std::string_view value) {
  short red = 0, green = 0, blue = 0;
  const std::string text(value);
  if (std::sscanf(text.c_str(), "R%hdG%hdB%hd", &red, &green, &blue) != 3) return 0;
  auto byte = [](short v) { return static_cast<int32_t>(static_cast<unsigned char>(v)); };
  return byte(red) + byte(green) * 256 + byte(blue) * 65536;
}

struct FlagKeyword {
  const char* keyword;
  int32_t ConfigFlags::*field;
};

constexpr FlagKeyword kFlagKeywords[] = {
    {"EXPORTRGB", &ConfigFlags::exportRGB},
    {"USEVISIBLESCSUBSET", &ConfigFlags::useVisibleSCSubset},
    {"CLIPPOLYBEFOREINTERSECT", &ConfigFlags::clipPolyBeforeIntersect},
    {"DRAWTDOFROMMEMORY", &ConfigFlags::drawTDOFromMemory},
    {"FILEFIXMENU", &ConfigFlags::fileFixMenu},
    {"USEBONUSMENU", &ConfigFlags::useBonusMenu},
    {"USEQUICKTIME", &ConfigFlags::useQuickTime},
    {"WRITELST2TOFILE", &ConfigFlags::writeLST2ToFile},
    {"USEAUTOMATICCHARACTERSETRECOGNITION", &ConfigFlags::useAutomaticCharacterSetRecognition},
    {"TIMEMAPMESSAGES", &ConfigFlags::timeMapMessages},
    {"USEMACSTYLEFATLINESINWINDOWS", &ConfigFlags::useMacStyleFatLinesInWindows},
    {"DLGZ", &ConfigFlags::dlgz},
    {"UNLOCKTEMPORARYLAYER", &ConfigFlags::unlockTemporaryLayer},
    {"REQUIREVALIDSYMBOLNUM", &ConfigFlags::requireValidSymbolNum},
};

}  // namespace

const ConfigFlags& Config() {
  return flags;
}
ConfigFlags& MutableConfig() {
  return flags;
}
void ResetConfigForTesting() {
  flags = ConfigFlags();
}

void ParseConfigLine(std::string_view line) {
  const size_t comment = line.find("//");
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  line = Trim(line);
  if (line.empty()) return;
  size_t end = 0;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  const std::string keyword = UpperCase(line.substr(0, end));
  const std::string_view value = Trim(line.substr(end));
  if (keyword == "REM") return;
  if (keyword == "TDOCUTOFF") {
    flags.tdoCutoff = LeadingNumber(value);
    return;
  }
  if (keyword == "SELECTIONTAGCOLOR") {
    flags.selectionTagColor = TagColour(value);
    return;
  }
  for (const FlagKeyword& k : kFlagKeywords) {
    if (keyword == k.keyword) {
      flags.*k.field = FlagValue(value);
      return;
    }
  }
}

void ReadConfigFile(int16_t volume, int32_t dirID, const char* name) {
  BufferedFile file;
  const int16_t mode = GetFileOpenMode();
  SetFileOpenMode(kOpenReadOnly);
  const int32_t err = FSOpenBuf(volume, dirID, name, file, kConfigReadBuffer, 0);
  SetFileOpenMode(mode);
  if (err != 0) return;
  if (file.fileLength > kMaxConfigFileSize) {
    FSCloseBuf(file);
    return;
  }
  char line[kConfigLineSize + 1];
  int32_t emptyLines = 0;
  for (int32_t lines = 0; lines < kMaxConfigLines; ++lines) {
    const int32_t length = FSReadLineBuf(file, line, kConfigLineSize + 1);
    if (length < 0) break;
    if (length == 0) {
      if (++emptyLines > kMaxEmptyLines) break;
      continue;
    }
    emptyLines = 0;
    ParseConfigLine(std::string_view(line, static_cast<size_t>(length)));
  }
  FSCloseBuf(file);
}

}  // namespace tlv
