#include "interchange/mie_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"

namespace tlv {

namespace {

int16_t ClampToInt16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

void CutText(std::string& text, size_t limit) {
  if (text.size() > limit) text.resize(limit);
}

// Folders cannot hold a backslash in a name on the systems maps travel between.
void ReplaceBackslashes(std::string& text) {
  std::replace(text.begin(), text.end(), '\\', '-');
}

int32_t Expect(MIEReader& reader, int32_t kind, MIEToken& token) {
  const int32_t err = reader.Next(token);
  if (err != 0) return err;
  if (token.kind != kind) {
    reader.SetError(ExpectedTypeMessage(kind));
    return -1;
  }
  return 0;
}

int32_t ReadString(MIEReader& reader, std::string& text) {
  MIEToken token;
  const int32_t err = Expect(reader, kTokenString, token);
  if (err == 0) text = std::move(token.text);
  return err;
}

int32_t ReadInteger(MIEReader& reader, int32_t& value) {
  MIEToken token;
  const int32_t err = Expect(reader, kTokenNumber, token);
  if (err == 0) value = token.integer;
  return err;
}

int32_t ReadShort(MIEReader& reader, int16_t& value) {
  int32_t whole = 0;
  const int32_t err = ReadInteger(reader, whole);
  if (err == 0) value = ClampToInt16(whole);
  return err;
}

int32_t ReadPoint(MIEReader& reader, WPoint& point) {
  MIEToken token;
  int32_t err = Expect(reader, kTokenNumber, token);
  if (err != 0) return err;
  point.x = WorldXFromLongitude(token.value);
  err = Expect(reader, kTokenNumber, token);
  if (err != 0) return err;
  point.y = WorldYFromLatitude(token.value);
  return 0;
}

// Two corners in any order.
int32_t ReadCorners(MIEReader& reader, WRect& rect) {
  WPoint a;
  WPoint b;
  int32_t err = ReadPoint(reader, a);
  if (err == 0) err = ReadPoint(reader, b);
  if (err != 0) return err;
  rect = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return 0;
}

void SetColour(const MIEToken& token, ImportRecord& record) {
  if (token.customColour) {
    record.customColour = true;
    record.customRGB = static_cast<uint32_t>(token.integer) & kCustomColourRGBMask;
    record.graphics.colour = 1;
  } else {
    record.graphics.colour = StoredColourForMenuPosition(token.integer);
  }
}

int32_t ReadColour(MIEReader& reader, ImportRecord& record) {
  MIEToken token;
  const int32_t err = Expect(reader, kTokenNumber, token);
  if (err == 0) SetColour(token, record);
  return err;
}

// The four graphics numbers that start the bodies of rectangles, circles, polylines and polygons.
int32_t ReadShapeGraphics(MIEReader& reader, ImportRecord& record) {
  int32_t err = ReadColour(reader, record);
  if (err == 0) err = ReadShort(reader, record.graphics.variant);
  if (err == 0) err = ReadShort(reader, record.graphics.lineType);
  if (err == 0) err = ReadShort(reader, record.graphics.fillPattern);
  return err;
}

// Four characters of a CFCC code in one stored attribute, first character highest.
int32_t PackCode(const std::string& code) {
  uint32_t packed = 0;
  for (size_t i = 0; i < 4; ++i) {
    packed = packed << 8 | (i < code.size() ? static_cast<unsigned char>(code[i]) : 0u);
  }
  return static_cast<int32_t>(packed);
}

int32_t ReadAttribute(MIEReader& reader, ImportPoint& point) {
  int32_t number = 0;
  int32_t err = ReadInteger(reader, number);
  if (err != 0) return err;
  if (number < 0 || number > kSegmentAttributeCount) {
    reader.SetError("Invalid segment attribute number.");
    return -1;
  }
  int32_t value = 0;
  if (number == 1) {
    std::string code;
    err = ReadString(reader, code);
    value = PackCode(code);
  } else {
    err = ReadInteger(reader, value);
  }
  if (err != 0) return err;
  MIEToken token;
  err = Expect(reader, kTokenClose, token);
  if (err != 0) return err;
  point.hasAttributes = true;
  if (number == kSegmentAttributeCount) {
    point.attributes.values[kSegmentAttributeCount] = value != 0 ? 1 : 0;
  } else {
    point.attributes.values[number] = value;
  }
  return 0;
}

int32_t ReadSegmentList(MIEReader& reader, ImportRecord& record) {
  MIEToken token;
  int32_t err = Expect(reader, kTokenOpen, token);
  if (err != 0) return err;
  WRect bounds = kUnionStartRect;
  for (;;) {
    err = reader.Next(token);
    if (err != 0) return err;
    if (token.kind == kTokenClose) break;
    if (token.kind != kTokenOpen) {
      reader.SetError(ExpectedTypeMessage(kTokenOpen));
      return -1;
    }
    if (record.points.size() >= kMaxImportPoints) {
      reader.SetError(MessageText(92));
      return -1;
    }
    int32_t fromOrTo = 0;
    err = ReadInteger(reader, fromOrTo);
    if (err != 0) return err;
    ImportPoint point;
    WPoint at;
    err = ReadPoint(reader, at);
    if (err != 0) return err;
    point.x = at.x;
    point.y = at.y;
    // The first stored point always starts a piece.
    point.newPiece = fromOrTo == 1 || record.points.empty();
    for (;;) {
      err = reader.Next(token);
      if (err != 0) return err;
      if (token.kind == kTokenClose) break;
      if (token.kind != kTokenOpen) {
        reader.SetError(ExpectedTypeMessage(kTokenClose));
        return -1;
      }
      err = ReadAttribute(reader, point);
      if (err != 0) return err;
    }
    if (point.hasAttributes) {
      // Attributed segments are always stored with every attribute.
      point.attributes.mask = point.attributes.values[kSegmentAttributeCount] != 0
                                  ? static_cast<uint16_t>(kAllAttributesMask | kSegmentFlagBit)
                                  : kAllAttributesMask;
      record.anyAttributes = true;
    }
    bounds = {std::min(bounds.x1, point.x), std::min(bounds.y1, point.y),
              std::max(bounds.x2, point.x), std::max(bounds.y2, point.y)};
    record.points.push_back(point);
  }
  if (!record.points.empty()) record.rect = bounds;
  return 0;
}

int32_t ReadBody(MIEReader& reader, ImportRecord& record) {
  int32_t err = 0;
  switch (record.kind) {
    case kPointObject: {
      err = ReadColour(reader, record);
      if (err == 0) err = ReadShort(reader, record.graphics.variant);
      int32_t symbol = 0;
      if (err == 0) err = ReadInteger(reader, symbol);
      if (err != 0) return err;
      record.graphics.symbol =
          symbol < 0 || symbol > kMaxSymbolNumber ? kDefaultImportSymbol : ClampToInt16(symbol);
      WPoint at;
      err = ReadPoint(reader, at);
      if (err == 0) record.rect = {at.x, at.y, at.x, at.y};
      return err;
    }
    case kPolylineObject:
    case kPolygonObject:
      err = ReadShapeGraphics(reader, record);
      if (err == 0) err = ReadSegmentList(reader, record);
      return err;
    case kRectangleObject:
    case kCircleObject:
      err = ReadShapeGraphics(reader, record);
      if (err == 0) err = ReadCorners(reader, record.rect);
      return err;
    case kTextObject:
      err = ReadColour(reader, record);
      if (err == 0) err = ReadShort(reader, record.graphics.textFlag);
      if (err == 0) err = ReadShort(reader, record.graphics.textValue);
      if (err == 0) err = ReadShort(reader, record.graphics.textCode);
      if (err == 0) err = ReadString(reader, record.text);
      if (err == 0) err = ReadCorners(reader, record.rect);
      if (err != 0) return err;
      if (record.graphics.textCode < 1 || record.graphics.textCode > 4) {
        record.graphics.textCode = 1;
      }
      CutText(record.text, kMaxImportTextLength);
      return 0;
    case kPictureObject:
      err = ReadShort(reader, record.graphics.textFlag);
      if (err == 0) err = ReadString(reader, record.text);
      if (err == 0) err = ReadCorners(reader, record.rect);
      CutText(record.text, kMaxImportPictureNameLength);
      return err;
    case kAliasObject:
      return ReadString(reader, record.aliasOf);
    default:
      return -1;
  }
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

// A number field of a simple point record: a decimal integer or a constant word (for colours
// also a custom colour word).
int32_t ReadNumberField(MIEReader& reader, std::string_view field, MIEToken& token) {
  token.kind = kTokenNumber;
  token.customColour = false;
  const char first = field[0];
  if (first == '+' || first == '-' || (first >= '0' && first <= '9')) {
    // A decimal integer: its leading digits, as strtoll reads them.
    size_t at = first == '+' || first == '-' ? 1 : 0;
    int64_t whole = 0;
    for (; at < field.size() && field[at] >= '0' && field[at] <= '9'; ++at) {
      whole = std::min<int64_t>(whole * 10 + (field[at] - '0'), int64_t{1} << 40);
    }
    if (first == '-') whole = -whole;
    token.integer = static_cast<int32_t>(std::clamp<int64_t>(whole, INT32_MIN, INT32_MAX));
    return 0;
  }
  std::string word(field);
  for (char& c : word) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  uint32_t rgb = 0;
  if (ParseCustomColourWord(word, rgb)) {
    token.customColour = true;
    token.integer = static_cast<int32_t>(rgb | kCustomColourPresent | kCustomColourActive);
    return 0;
  }
  if (!LookUpMIEConstant(word, token.integer)) {
    reader.SetError(FormatTextV(MessageText(85).c_str(), word.c_str()));
    return -1;
  }
  return 0;
}

int32_t ReadSimplePoint(MIEReader& reader, const std::vector<std::string>& fieldNames,
                        ImportRecord& record) {
  record.simplePoint = true;
  record.kind = kPointObject;
  record.graphics.colour = 1;
  record.graphics.variant = 1;
  record.graphics.symbol = kDefaultImportSymbol;
  WPoint at;
  int32_t err = ReadPoint(reader, at);
  if (err != 0) return err;
  record.rect = {at.x, at.y, at.x, at.y};
  static thread_local std::string rest;
  err = reader.ReadRestOfLine(rest);
  if (err != 0) return err;
  std::string_view line = TrimBlanks(rest);
  if (!line.empty() && line[0] == '\t') line.remove_prefix(1);
  size_t start = 0;
  for (size_t i = 0; i < fieldNames.size() && start <= line.size(); ++i) {
    size_t end = line.find('\t', start);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view field = TrimBlanks(line.substr(start, end - start));
    start = end + 1;
    if (field.empty() || field == "0") continue;
    const std::string& name = fieldNames[i];
    // Texts are recognised whole, before they are cut to their limits, which could split a
    // multi-byte character.
    if (name == "NAME") {
      record.name.assign(field);
      reader.ConvertRecognisedText(record.name);
      CutText(record.name, kMaxImportNameLength);
    } else if (name == "LAYER") {
      record.layerName = field;
      reader.ConvertRecognisedText(record.layerName);
    } else if (name == "MAP") {
      record.mapName = field;
      reader.ConvertRecognisedText(record.mapName);
    } else if (name == "ID") {
      record.idText = field;
    } else if (name == "SYMBOL" || name == "COLOR") {
      MIEToken token;
      err = ReadNumberField(reader, field, token);
      if (err != 0) return err;
      if (name == "COLOR") {
        SetColour(token, record);
      } else {
        record.graphics.symbol = token.integer < 0 || token.integer > kMaxSymbolNumber
                                     ? kDefaultImportSymbol
                                     : ClampToInt16(token.integer);
      }
    }
  }
  return 0;
}

void NormaliseNames(ImportRecord& record) {
  CutText(record.prefix, kMaxImportPrefixLength);
  CutText(record.name, kMaxImportNameLength);
  CutText(record.layerName, kMaxImportLayerNameLength);
  CutText(record.mapName, kMaxImportMapNameLength);
  ReplaceBackslashes(record.layerName);
  ReplaceBackslashes(record.mapName);
}

// Back to a fresh record, keeping the room of its texts and points for the next one.
void ClearImportRecord(ImportRecord& record) {
  std::string keep[7] = {std::move(record.prefix),    std::move(record.name),
                         std::move(record.layerName), std::move(record.mapName),
                         std::move(record.idText),    std::move(record.text),
                         std::move(record.aliasOf)};
  std::vector<ImportPoint> points = std::move(record.points);
  record = ImportRecord();
  std::string* texts[7] = {&record.prefix, &record.name, &record.layerName, &record.mapName,
                           &record.idText, &record.text, &record.aliasOf};
  for (int i = 0; i < 7; ++i) {
    keep[i].clear();
    *texts[i] = std::move(keep[i]);
  }
  points.clear();
  record.points = std::move(points);
}

}  // namespace

std::vector<std::string> MIEFieldNames() {
  return {"NAME", "LAYER", "MAP", "SYMBOL", "COLOR", "ID"};
}

int32_t WorldXFromLongitude(double longitude) {
  const double x = std::round(longitude * 1000000.0) + 180000000.0;
  return static_cast<int32_t>(std::clamp(x, 0.0, 360000000.0));
}

int32_t WorldYFromLatitude(double latitude) {
  const double y = std::round(latitude * 1000000.0) + 90000000.0;
  return static_cast<int32_t>(std::clamp(y, 0.0, 180000000.0));
}

bool ImportDateToSeconds1904(const std::string& text, uint32_t& seconds) {
  short month = 0;
  short day = 0;
  short year = 0;
  if (std::sscanf(text.c_str(), "%hd/%hd/%hd", &month, &day, &year) != 3) return false;
  int fullYear = year < 40 ? 2000 + year : year >= 200 ? year : 1900 + year;
  static constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1]) return false;
  const bool leap = (fullYear % 4 == 0 && fullYear % 100 != 0) || fullYear % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  // Days from 1904-01-01 to the date (proleptic Gregorian).
  int y = fullYear - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days =
      static_cast<int64_t>(era) * 146097 + doe - 719468 + kSeconds1904To1970 / 86400;
  const int64_t total = days * 86400;
  if (total < 0 || total > 0xFFFFFFFFLL) return false;
  seconds = static_cast<uint32_t>(total);
  return true;
}

int32_t ReadImportRecord(MIEReader& reader, const std::vector<std::string>& fieldNames,
                         bool withRecordNumber, ImportRecord& record) {
  ClearImportRecord(record);
  int32_t err = 0;
  if (withRecordNumber) {
    err = ReadInteger(reader, record.recordNumber);
    if (err != 0) return err;
  }
  MIEToken token;
  err = reader.Next(token);
  if (err != 0) return err;
  reader.PushBack(token);
  if (token.kind == kTokenNumber) {
    err = ReadSimplePoint(reader, fieldNames, record);
    if (err == 0) NormaliseNames(record);
    return err;
  }

  std::string unused;
  for (int i = 0; i < 3 && err == 0; ++i) err = ReadString(reader, unused);
  std::string date;
  if (err == 0) err = ReadString(reader, date);
  if (err == 0) err = ReadInteger(reader, record.version);
  if (err != 0) return err;
  if (record.version > kCurrentMIEVersion) {
    reader.SetError(MessageText(87));
    return -1;
  }
  CutText(date, kMaxImportDateLength);
  if (!date.empty() && !ImportDateToSeconds1904(date, record.modTime)) {
    record.modTime = 0;
    record.dateUnreadable = true;
  }
  int32_t aliasCount = 0;
  int32_t kind = 0;
  err = ReadString(reader, record.prefix);
  if (err == 0) err = ReadString(reader, record.name);
  if (err == 0) err = ReadInteger(reader, aliasCount);
  if (err == 0) err = ReadString(reader, record.layerName);
  if (err == 0) err = ReadString(reader, record.mapName);
  if (err == 0) err = ReadInteger(reader, kind);
  if (err != 0) return err;
  if (kind < kRectangleObject || kind > kAliasObject) {
    reader.SetError(MessageText(88));
    return -1;
  }
  record.kind = static_cast<int16_t>(kind);
  record.aliasCount = static_cast<uint8_t>(std::clamp(aliasCount, 0, 255));
  int32_t customColour = 0;
  int32_t reservedNumber = 0;
  err = ReadString(reader, record.idText);
  if (err == 0) err = ReadInteger(reader, reservedNumber);
  if (err == 0) err = ReadString(reader, unused);
  if (err == 0) err = ReadInteger(reader, reservedNumber);
  if (err == 0) err = ReadInteger(reader, reservedNumber);
  if (err == 0) err = ReadInteger(reader, customColour);
  if (err == 0) err = ReadBody(reader, record);
  if (err != 0) return err;
  record.customColourField = static_cast<uint32_t>(customColour);
  NormaliseNames(record);
  return 0;
}

}  // namespace tlv
