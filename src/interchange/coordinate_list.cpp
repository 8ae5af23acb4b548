#include "interchange/coordinate_list.h"

#include <algorithm>

#include "base/errors.h"
#include "base/strings.h"
#include "interchange/file_type.h"

namespace tlv {

namespace {

bool IsFieldSeparator(char c) {
  return c == '\n' || c == '\t' || c == '\r' || c == ',' || c == ' ';
}

bool IsNumberSeparator(char c) {
  return c == ' ' || c == ',' || c == '\t';
}

// The words of a list line, split at runs of blanks, commas and TABs.
void SplitLine(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsNumberSeparator(line[at])) ++at;
    if (at == line.size()) break;
    const size_t start = at;
    while (at < line.size() && !IsNumberSeparator(line[at])) ++at;
    words.push_back(line.substr(start, at - start));
  }
}

bool IsEnd(std::string_view word) {
  return word.size() == 3 && (word[0] == 'E' || word[0] == 'e') &&
         (word[1] == 'N' || word[1] == 'n') && (word[2] == 'D' || word[2] == 'd');
}

// A coordinate of the list: it must begin as a number of the interchange format does.
bool ReadCoordinate(std::string_view word, double& value) {
  const char first = word.empty() ? '\0' : word[0];
  if (!(first == '+' || first == '-' || first == '.' || (first >= '0' && first <= '9'))) {
    return false;
  }
  int32_t integer = 0;
  ReadMIENumberText(word.substr(0, static_cast<size_t>(kMaxMIENumberLength)), value, integer);
  return true;
}

void CutText(std::string& text, size_t limit) {
  if (text.size() > limit) text.resize(limit);
}

// The message framed with the number of the line it is about (the reader is past its end).
int32_t Fail(const std::string& message, int32_t line, std::string& errorText) {
  errorText = FormatTextV(MessageText(74).c_str(), message.c_str(), static_cast<long>(line));
  return -1;
}

// The next line that holds a word; done at the end of the source.
int32_t NextWords(MIEReader& reader, std::string& line, std::vector<std::string_view>& words,
                  bool& atEnd, int32_t& lineNumber) {
  atEnd = false;
  for (;;) {
    lineNumber = reader.Line();
    if (reader.Consumed() >= reader.Size()) {
      atEnd = true;
      return 0;
    }
    const int32_t err = reader.ReadRestOfLine(line);
    if (err != 0) return err;
    SplitLine(line, words);
    if (!words.empty()) return 0;
  }
}

int32_t ApplyRow(MIEReader& reader, const std::vector<std::string>& fieldNames, DatValues& dat,
                 ImportRecord& record, int32_t line, std::string& errorText) {
  std::string message;
  for (const std::string& name : fieldNames) {
    if (ApplyAttributeField(reader, name, dat.Next(), record, message) != 0) {
      return Fail(message, line, errorText);
    }
  }
  return 0;
}

void StartRecord(ImportRecord& record, int16_t kind) {
  std::vector<ImportPoint> points = std::move(record.points);
  points.clear();
  record = ImportRecord();
  record.points = std::move(points);
  record.kind = kind;
  record.simplePoint = kind == kPointObject;
  record.graphics.colour = 1;
  record.graphics.variant = 1;
  record.graphics.symbol = kDefaultImportSymbol;
}

}  // namespace

std::vector<std::string> CoordinateListFieldNames(std::string_view fldText) {
  const size_t end = fldText.find_first_of("\r\n");
  const std::string_view line = fldText.substr(0, end);
  std::vector<std::string> names;
  size_t at = 0;
  while (at < line.size() && names.size() < static_cast<size_t>(kMaxImportFields)) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at == line.size()) break;
    const size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    std::string name(line.substr(start, at - start));
    CutText(name, kMaxImportFieldNameLength);
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    names.push_back(std::move(name));
  }
  return names;
}

std::string_view DatValues::Next() {
  // One separator ends a value, so two in a row leave an empty value between them; a CR LF
  // pair is one line end.
  if (at_ >= bytes_.size()) return {};
  const size_t start = at_;
  while (at_ < bytes_.size() && !IsFieldSeparator(bytes_[at_])) ++at_;
  const std::string_view value(bytes_.data() + start, at_ - start);
  if (at_ < bytes_.size()) {
    const char separator = bytes_[at_++];
    if (separator == '\r' && at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
  }
  return value;
}

int32_t ApplyAttributeField(const MIEReader& reader, const std::string& name,
                            std::string_view value, ImportRecord& record, std::string& message) {
  if (value.empty() || value == "0") return 0;
  if (name == "NAME") {
    record.name.assign(value);
    reader.ConvertRecognisedText(record.name);
    CutText(record.name, kMaxImportNameLength);
  } else if (name == "LAYER" || name == "MAP") {
    std::string& text = name == "LAYER" ? record.layerName : record.mapName;
    text.assign(value);
    reader.ConvertRecognisedText(text);
    CutText(text, name == "LAYER" ? kMaxImportLayerNameLength : kMaxImportMapNameLength);
    // Folders cannot hold a backslash in a name on the systems maps travel between.
    std::replace(text.begin(), text.end(), '\\', '-');
  } else if (name == "ID") {
    record.idText.assign(value);
  } else if (name == "SYMBOL" || name == "COLOR") {
    std::string word(value);
    for (char& c : word) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const char first = word[0];
    int32_t number = 0;
    uint32_t rgb = 0;
    if (first == '+' || first == '-' || (first >= '0' && first <= '9')) {
      double unused = 0.0;
      ReadMIENumberText(std::string_view(word).substr(0, kMaxMIENumberLength), unused, number);
    } else if (name == "COLOR" && ParseCustomColourWord(word, rgb)) {
      record.customColour = true;
      record.customRGB = rgb;
      record.graphics.colour = 1;
      return 0;
    } else if (!LookUpMIEConstant(word, number)) {
      message = FormatTextV(MessageText(85).c_str(), word.c_str());
      return -1;
    }
    if (name == "COLOR") {
      record.graphics.colour = StoredColourForMenuPosition(number);
    } else {
      record.graphics.symbol = number < 0 || number > kMaxSymbolNumber
                                   ? kDefaultImportSymbol
                                   : static_cast<int16_t>(number);
    }
  }
  // "INDEX" is read and not used; any other name stores nothing, so its column is still taken.
  return 0;
}

int32_t ReadCoordinateListRecord(MIEReader& reader, int32_t type,
                                 const std::vector<std::string>& fieldNames, DatValues& dat,
                                 ImportRecord& record, bool& done, std::string& errorText) {
  static thread_local std::string line;
  static thread_local std::vector<std::string_view> words;
  done = false;
  bool atEnd = false;
  int32_t lineNumber = 0;
  int32_t err = NextWords(reader, line, words, atEnd, lineNumber);
  if (err != 0) return err;
  if (atEnd || IsEnd(words[0])) {
    done = true;
    return 0;
  }
  if (type == kImportFileCoordinateListSingleEnd) {
    // id, longitude, latitude; the rest of the line is not used.
    double longitude = 0.0;
    double latitude = 0.0;
    if (words.size() < 3 || !ReadCoordinate(words[1], longitude) ||
        !ReadCoordinate(words[2], latitude)) {
      return Fail(MessageText(92), lineNumber, errorText);
    }
    StartRecord(record, kPointObject);
    const WPoint at{WorldXFromLongitude(longitude), WorldYFromLatitude(latitude)};
    record.rect = {at.x, at.y, at.x, at.y};
    return ApplyRow(reader, fieldNames, dat, record, lineNumber, errorText);
  }
  // An id line: a second value makes the object a polygon.
  StartRecord(record, words.size() >= 2 ? kPolygonObject : kPolylineObject);
  err = ApplyRow(reader, fieldNames, dat, record, lineNumber, errorText);
  if (err != 0) return err;
  WRect bounds = kUnionStartRect;
  for (;;) {
    err = NextWords(reader, line, words, atEnd, lineNumber);
    if (err != 0) return err;
    // A list cut short ends inside its last object.
    if (atEnd) return Fail(MessageText(92), lineNumber, errorText);
    if (IsEnd(words[0])) break;
    double longitude = 0.0;
    double latitude = 0.0;
    if (words.size() < 2 || !ReadCoordinate(words[0], longitude) ||
        !ReadCoordinate(words[1], latitude) || record.points.size() >= kMaxImportPoints) {
      return Fail(MessageText(92), lineNumber, errorText);
    }
    ImportPoint point;
    point.x = WorldXFromLongitude(longitude);
    point.y = WorldYFromLatitude(latitude);
    point.newPiece = record.points.empty();
    bounds = {std::min(bounds.x1, point.x), std::min(bounds.y1, point.y),
              std::max(bounds.x2, point.x), std::max(bounds.y2, point.y)};
    record.points.push_back(point);
  }
  if (record.points.empty()) return Fail(MessageText(92), lineNumber, errorText);
  // A one-point chain or ring is drawn and picked as a segment of no length.
  if (record.points.size() == 1) {
    ImportPoint again = record.points[0];
    again.newPiece = false;
    record.points.push_back(again);
  }
  record.rect = bounds;
  return 0;
}

}  // namespace tlv
