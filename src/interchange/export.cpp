#include "interchange/export.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <utility>

#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "edit/selection.h"
#include "interchange/export_internal.h"
#include "interchange/mie_record.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int32_t kExportBufferSize = 10000;
// Object records are read in order through a window this large.
constexpr int32_t kExportReadWindow = 32768;
// Message numbers.
constexpr int kSortingMessage = 12;       // 25000/12
constexpr int kExportTitleMessage = 665;  // 25600/65 "Export"
constexpr int kExportingMessage = 507;    // 25500/7 "Exporting..."
constexpr int kUnknownKindMessage = 166;  // 25100/66
constexpr const char* kMultipleFromAlert =
    "Error: This code cannot handle objects with more than one FROM point in an object";

const char* const kColourWords[16] = {
    "BLACK", "WHITE",     "DARKGRAY", "GRAY",     "LIGHTGRAY", "BROWN", "OLIVE", "DARKGREEN",
    "GREEN", "LIGHTBLUE", "BLUE",     "DARKBLUE", "PURPLE",    "PINK",  "RED",   "YELLOW"};
const char* const kLineWords[10] = {"BLACK", "WHITE",      "TWOPOINT", "THREEPOINT", "FOURPOINT",
                                    "DOTS",  "DASHDOTDOT", "DASHDOT",  "DASHES",     "RAILROAD"};
const char* const kFillWords[10] = {"BLACK",       "WHITE",       "DARKGRAY",     "GRAY",
                                    "LIGHTGRAY",   "VERTSTRIPES", "HORIZSTRIPES", "UPSTRIPES",
                                    "DOWNSTRIPES", "RAILROAD"};
const char* const kAttributeWords[16] = {"TLID",  "CFCC",  "VERS",  nullptr, nullptr, "SAL",
                                         "SAR",   "EAL",   "EAR",   "ZCL",   "ZCR",   nullptr,
                                         nullptr, nullptr, nullptr, "INVIS"};

struct ExportState {
  ExportSettings settings;
  ExportHooks hooks;
  // The BNA alert about objects with several FROM points is shown once per export.
  bool multipleFromShown = false;
  // Names of the last map and overlay looked up, as a run meets the same ones again and again.
  int32_t cachedMapID = 0;
  std::string cachedMapName;
  int32_t cachedOverlayID = 0;
  std::string cachedOverlayName;
};

ExportState state;

void AppendInteger(std::string& sink, int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  sink.append(digits, end);
}

// A world coordinate as degrees with six decimals ("%f"), worked in integers so the text is
// exact and no locale can change the decimal point.
void AppendDegrees(std::string& sink, int32_t world, int32_t offset) {
  int64_t micro = static_cast<int64_t>(world) - offset;
  if (micro < 0) {
    sink += '-';
    micro = -micro;
  }
  AppendInteger(sink, micro / 1000000);
  sink += '.';
  char fraction[7];
  int64_t rest = micro % 1000000;
  for (int i = 5; i >= 0; --i) {
    fraction[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  sink.append(fraction, 6);
}

void AppendPoint(std::string& sink, int32_t x, int32_t y) {
  AppendDegrees(sink, x, 180000000);
  sink += ' ';
  AppendDegrees(sink, y, 90000000);
}

// A text between double quotes. The format has no escape, so a double quote inside becomes a
// single quote, as the object record itself stores names and texts. (The curly closing quote
// would read back changed: the importer takes a text whose only high byte is 0x94 for Mac OS
// Roman text and turns it into a letter.)
void AppendQuoted(std::string& sink, const std::string& text) {
  sink += '"';
  for (const char c : text) sink += c == '"' ? '\'' : c;
  sink += '"';
}

// A simple-text field: its separators and line ends would cut the line.
void AppendField(std::string& sink, const std::string& text) {
  for (const char c : text) sink += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

void AppendCustomColourWord(std::string& sink, uint32_t rgb) {
  sink += 'R';
  AppendInteger(sink, (rgb >> 16) & 0xFF);
  sink += 'G';
  AppendInteger(sink, (rgb >> 8) & 0xFF);
  sink += 'B';
  AppendInteger(sink, rgb & 0xFF);
}

void AppendColour(std::string& sink, const ExportObject& object, bool allowRGB) {
  if (allowRGB && object.colourActive) {
    AppendCustomColourWord(sink, object.rgb);
    return;
  }
  const int32_t position = MenuPositionForStoredColour(object.graphics.colour);
  sink += position >= 1 && position <= 16 ? kColourWords[position - 1] : "BLACK";
}

const char* LineWord(int32_t value) {
  return value >= 1 && value <= 10 ? kLineWords[value - 1] : "BLACK";
}

const char* FillWord(int32_t value) {
  return value >= 1 && value <= 10 ? kFillWords[value - 1] : "BLACK";
}

// "%m/%d/%y" of the stored local time, or "???" when it has none or a year the importer would
// read back as another one (it takes two-digit years as 1940 to 2039).
void AppendDate(std::string& sink, uint32_t modTime) {
  if (modTime == 0) {
    sink += "???";
    return;
  }
  // Days since 1904-01-01 to a civil date.
  const int64_t days = modTime / 86400 - kSeconds1904To1970 / 86400 + 719468;
  const int64_t era = days / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  if (year < 1940 || year > 2039) {
    sink += "???";
    return;
  }
  const int64_t parts[3] = {month, day, year % 100};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) sink += '/';
    sink += static_cast<char>('0' + parts[i] / 10);
    sink += static_cast<char>('0' + parts[i] % 10);
  }
}

const std::string& MapNameOf(int32_t mapID) {
  if (mapID != state.cachedMapID || state.cachedMapID == 0) {
    MapRecord map;
    state.cachedMapName = GetMapRecord(MapIDToIndex(mapID), map) ? FieldText(map.name) : "";
    state.cachedMapID = mapID;
  }
  return state.cachedMapName;
}

const std::string& OverlayNameOf(int32_t overlayID) {
  if (overlayID != state.cachedOverlayID || state.cachedOverlayID == 0) {
    const int32_t index = LayerIDToIndex(overlayID);
    state.cachedOverlayName = index >= 0 ? LayerName(index) : "";
    state.cachedOverlayID = overlayID;
  }
  return state.cachedOverlayName;
}

bool KindPassesFilter(int16_t type, int32_t filter) {
  switch (filter) {
    case kExportPolygonLike:
      return type == kRectangleObject || type == kCircleObject || type == kPolygonObject;
    case kExportPolylines:
      return type == kPolylineObject;
    case kExportPoints:
      return type == kPointObject;
    default:
      return true;
  }
}

void AppendSegmentList(std::string& sink, const ExportObject& object) {
  const bool polygon = object.type == kPolygonObject;
  sink += " {";
  size_t ringStart = 0;
  // A polygon ring is written closed: its first point again when the stored ring ends elsewhere.
  auto closeRing = [&](size_t ringEnd) {
    if (!polygon || ringEnd <= ringStart) return;
    const ExportPoint& first = object.points[ringStart];
    const ExportPoint& last = object.points[ringEnd - 1];
    if (first.x == last.x && first.y == last.y) return;
    sink += " { TO ";
    AppendPoint(sink, first.x, first.y);
    sink += " }";
  };
  for (size_t i = 0; i < object.points.size(); ++i) {
    const ExportPoint& point = object.points[i];
    const bool from = i == 0 || point.newPiece;
    if (from && i > 0) {
      closeRing(i);
      ringStart = i;
    }
    sink += from ? " { FROM " : " { TO ";
    AppendPoint(sink, point.x, point.y);
    const uint16_t mask = point.attributes.mask;
    for (int a = 0; a < kSegmentAttributeCount; ++a) {
      if ((mask & (1u << a)) == 0) continue;
      sink += " { ";
      if (kAttributeWords[a] != nullptr) {
        sink += kAttributeWords[a];
      } else {
        AppendInteger(sink, a);
      }
      if (a == 1) {
        // The code's text is not kept in a form that reads back; the field is written empty.
        sink += " \"\" }";
      } else {
        sink += ' ';
        AppendInteger(sink, point.attributes.values[a]);
        sink += " }";
      }
    }
    if ((mask & kSegmentFlagBit) != 0) sink += " { INVIS 1 }";
    sink += " }";
  }
  closeRing(object.points.size());
  sink += " }";
}

void AppendCorners(std::string& sink, const WRect& rect) {
  AppendPoint(sink, rect.x1, rect.y1);
  sink += ' ';
  AppendPoint(sink, rect.x2, rect.y2);
}

void WriteMIERecord(const ExportObject& object, std::string& sink) {
  sink += "\"\" \"\" \"\" \"";
  AppendDate(sink, object.modTime);
  sink += "\" 2\r\n";
  AppendQuoted(sink, object.prefix);
  sink += ' ';
  AppendQuoted(sink, object.name);
  sink += ' ';
  AppendInteger(sink, object.aliasCount);
  sink += ' ';
  AppendQuoted(sink, OverlayNameOf(object.ref.overlayID));
  sink += ' ';
  AppendQuoted(sink, MapNameOf(object.ref.mapID));
  sink += ' ';
  sink += ObjectKindWord(object.type);
  sink += ' ';
  AppendQuoted(sink, ObjectIDText(object.id));
  sink += " 0 \"\" 0 ONLY ";
  AppendInteger(sink, object.customField);
  sink += "\r\n";
  const ObjectGraphics& g = object.graphics;
  const bool rgb = state.settings.exportRGB;
  switch (object.type) {
    case kPointObject:
      AppendColour(sink, object, rgb);
      sink += ' ';
      AppendInteger(sink, g.variant);
      sink += ' ';
      AppendInteger(sink, g.symbol);
      sink += ' ';
      AppendPoint(sink, object.rect.x1, object.rect.y1);
      break;
    case kPolylineObject:
    case kPolygonObject:
      AppendColour(sink, object, rgb);
      sink += ' ';
      AppendInteger(sink, g.variant);
      sink += ' ';
      sink += LineWord(g.lineType);
      sink += ' ';
      sink += FillWord(g.fillPattern);
      AppendSegmentList(sink, object);
      break;
    case kRectangleObject:
    case kCircleObject:
      AppendColour(sink, object, rgb);
      sink += ' ';
      AppendInteger(sink, g.variant);
      sink += ' ';
      sink += LineWord(g.lineType);
      sink += ' ';
      sink += FillWord(g.fillPattern);
      sink += ' ';
      AppendCorners(sink, object.rect);
      break;
    case kTextObject:
      AppendColour(sink, object, rgb);
      sink += g.textFlag != 0 ? " YES " : " NO ";
      AppendInteger(sink, g.textValue);
      sink += ' ';
      AppendInteger(sink, g.textCode);
      sink += ' ';
      AppendQuoted(sink, object.text);
      sink += ' ';
      AppendCorners(sink, object.rect);
      break;
    case kPictureObject:
      sink += g.textFlag != 0 ? "YES " : "NO ";
      AppendQuoted(sink, object.text);
      sink += ' ';
      AppendCorners(sink, object.rect);
      break;
    case kAliasObject:
      // An alias keeps the ID of the object it stands for in its rectangle.
      AppendQuoted(sink, ObjectIDText({object.rect.x1, object.rect.y1}));
      break;
    default:
      break;
  }
  sink += "\r\n\r\n";
}

void WriteSimpleTextLine(const ExportObject& object, std::string& sink) {
  WPoint at{object.rect.x1, object.rect.y1};
  if (object.type != kPointObject) {
    at.x = static_cast<int32_t>((static_cast<int64_t>(object.rect.x1) + object.rect.x2) / 2);
    at.y = static_cast<int32_t>((static_cast<int64_t>(object.rect.y1) + object.rect.y2) / 2);
  }
  AppendDegrees(sink, at.x, 180000000);
  sink += '\t';
  AppendDegrees(sink, at.y, 90000000);
  const ExportSettings& settings = state.settings;
  int32_t last = -1;
  for (int32_t f = 0; f < kExportFieldCount; ++f) {
    if (settings.fields[f]) last = f;
  }
  for (int32_t f = 0; f <= last; ++f) {
    sink += '\t';
    if (!settings.fields[f]) {
      sink += '0';
      continue;
    }
    switch (f) {
      case kFieldName:
        if (!object.prefix.empty()) {
          AppendField(sink, object.prefix);
          sink += ' ';
        }
        AppendField(sink, object.name);
        break;
      case kFieldOverlay:
        AppendField(sink, OverlayNameOf(object.ref.overlayID));
        break;
      case kFieldMap:
        AppendField(sink, MapNameOf(object.ref.mapID));
        break;
      case kFieldSymbol:
        AppendInteger(sink, object.type == kPointObject ? object.graphics.symbol : 0);
        break;
      case kFieldColour:
        AppendColour(sink, object, true);
        break;
      case kFieldID:
        sink += ObjectIDText(object.id);
        break;
      default:
        break;
    }
  }
  sink += "\r\n";
}

void WriteBNARecord(const ExportObject& object, std::string& sink) {
  sink += '"';
  for (const char c : object.name) sink += c == '"' ? '\'' : c;
  sink += "\",\"1\",";
  if (object.type == kPolylineObject) sink += '-';
  AppendInteger(sink, static_cast<int64_t>(object.points.size()));
  sink += "\r\n";
  for (const ExportPoint& point : object.points) {
    AppendPoint(sink, point.x, point.y);
    sink += "\r\n";
  }
}

// The selection's entries, in order.
std::vector<ObjectRef> SelectedObjects() {
  std::vector<ObjectRef> objects;
  ForEachSelectedObject(
      [&objects](int32_t mapID, int32_t overlayID, int32_t position) -> int32_t {
        objects.push_back({mapID, overlayID, position});
        return 0;
      },
      false);
  return objects;
}

// Puts the entries into the selection list in the given order (same entries, same count).
void SetSelectionOrder(const std::vector<ObjectRef>& objects) {
  HandleArray<ObjectRef> list(SelectionList());
  if (!list.valid() || list.Count() != static_cast<int32_t>(objects.size())) return;
  for (size_t i = 0; i < objects.size(); ++i) list.Set(static_cast<int32_t>(i), objects[i]);
}

// Writes buffered text to the work file, refusing what would pass the 2 GiB the readers of
// these files can address.
struct ExportFile {
  PlatformFile file;
  std::string buffer;
  int64_t written = 0;
  bool failed = false;

  int32_t Flush() {
    if (buffer.empty()) return 0;
    int32_t err = 0;
    if (written + static_cast<int64_t>(buffer.size()) > INT32_MAX) {
      err = kErrDiskFull;
    } else {
      err = file.Write(written, static_cast<int32_t>(buffer.size()), buffer.data());
    }
    if (err != 0) {
      if (!failed) ReportError("Export()", "FSWriteBuf()", err);
      failed = true;
      return err;
    }
    written += static_cast<int64_t>(buffer.size());
    buffer.clear();
    return 0;
  }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// ---- Reading ---------------------------------------------------------------------------------

int32_t ReadExportObject(const ObjectRef& ref, bool withSegments, ExportObject& object) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  int32_t err = AllocateSpaceForFile(ref.mapID, ref.overlayID, kObjectFileKind, kExportReadWindow,
                                     &mapIndex, &fileIndex);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  const int32_t at = ref.position;
  object.ref = ref;
  object.points.clear();
  object.text.clear();
  err = FSGetObjectType(file, at, object.type);
  if (err != 0) return err;
  if (object.type < kRectangleObject || object.type > kAliasObject) {
    Platform().SetTemporaryMessageLine(
        FormatTextV(MessageText(kUnknownKindMessage).c_str(), static_cast<long>(object.type)));
    return kErrGeneral;
  }
  bool present = false;
  err = FSGetObjectModTime(file, at, object.modTime);
  if (err == 0) err = FSGetObjectID(file, at, object.id.high, object.id.low);
  if (err == 0) err = FSGetObjectWorldRect(file, at, object.rect);
  if (err == 0) err = GetObjectCustomColour(file, at, present, object.colourActive, object.rgb);
  if (err == 0) err = FSGetObjectAliasCount(file, at, object.aliasCount);
  if (err == 0) err = FSGetObjectName(file, at, object.prefix, object.name);
  if (err == 0) err = FSGetObjectGraphics(file, at, object.graphics);
  if (err != 0) return err;
  object.customField = (object.rgb & kCustomColourRGBMask) | (present ? kCustomColourPresent : 0) |
                       (object.colourActive ? kCustomColourActive : 0);
  if (object.type == kTextObject) {
    err = FSGetObjectText(file, at, object.text);
  } else if (object.type == kPictureObject) {
    err = FSGetObjectPICTFile(file, at, object.text);
  } else if (withSegments && (object.type == kPolylineObject || object.type == kPolygonObject)) {
    int32_t count = 0;
    int32_t offset = 0;
    int32_t recordEnd = 0;
    err = FSGetObjectNumSegs(file, at, count);
    if (err == 0) err = FSGetObjectSegmentRange(file, at, offset, recordEnd);
    if (err == 0) object.points.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; err == 0 && i < count && offset < recordEnd; ++i) {
      ExportPoint point;
      err = FSGetObjectSegA(file, at, offset, point.x, point.y, point.newPiece, point.attributes);
      if (err == 0) object.points.push_back(point);
    }
  }
  return err;
}

std::string ExportColourWord(int16_t storedColour, bool customActive, uint32_t rgb) {
  ExportObject object;
  object.graphics.colour = storedColour;
  object.colourActive = customActive;
  object.rgb = rgb;
  std::string word;
  AppendColour(word, object, true);
  return word;
}

// ---- Settings --------------------------------------------------------------------------------

ExportSettings& MutableExportSettings() {
  return state.settings;
}

const ExportSettings& CurrentExportSettings() {
  return state.settings;
}

void SetExportHooks(ExportHooks hooks) {
  state.hooks = std::move(hooks);
}

const ExportHooks& CurrentExportHooks() {
  return state.hooks;
}

std::string ExportDefaultName(int32_t format) {
  switch (format) {
    case kExportSimpleText:
      return "export.TXT";
    case kExportBNA:
      return "export.BNA";
    case kExportShapefile:
      return "export.shp";
    default:
      return "export.MIE";
  }
}

std::string ExportFileKind(int32_t format) {
  switch (format) {
    case kExportSimpleText:
      return ".TXT";
    case kExportBNA:
      return ".BNA";
    case kExportShapefile:
      return ".SHP";
    default:
      return ".MIE";
  }
}

bool ChooseExportFile(const std::string& defaultName, const std::string& fileKind,
                      std::string& path) {
  if (!state.hooks.chooseSaveFile) {
    ShowAlert("Choosing an export file is not supported here.", kStopAlert);
    return false;
  }
  return state.hooks.chooseSaveFile(MessageText(kExportTitleMessage), defaultName, fileKind, path);
}

// ---- The writer ------------------------------------------------------------------------------

int32_t WriteExportObject(int32_t format, const ExportObject& object, std::string& sink) {
  if (!KindPassesFilter(object.type, state.settings.kindFilter)) return kExportPassedOver;
  switch (format) {
    case kExportMIE:
      WriteMIERecord(object, sink);
      return 0;
    case kExportSimpleText:
      if (object.type == kAliasObject) return kExportPassedOver;
      WriteSimpleTextLine(object, sink);
      return 0;
    case kExportBNA: {
      if (object.type != kPolylineObject && object.type != kPolygonObject) {
        return kExportPassedOver;
      }
      for (size_t i = 1; i < object.points.size(); ++i) {
        if (!object.points[i].newPiece) continue;
        if (!state.multipleFromShown) ShowAlert(kMultipleFromAlert, kStopAlert);
        state.multipleFromShown = true;
        return kExportRefused;
      }
      WriteBNARecord(object, sink);
      return 0;
    }
    default:
      return kErrGeneral;
  }
}

int32_t WriteObjectRecord(int32_t format, const ObjectRef& ref, std::string& sink) {
  ExportObject object;
  const bool segments = format != kExportSimpleText;
  const int32_t err = ReadExportObject(ref, segments, object);
  if (err != 0) return err;
  return WriteExportObject(format, object, sink);
}

// ---- File export -----------------------------------------------------------------------------

bool ExportSourceObjects(int32_t source, std::vector<ObjectRef>& objects) {
  objects.clear();
  if (source == kExportCollection) {
    if (state.hooks.collectionObjects && state.hooks.collectionObjects(objects)) return true;
    ShowAlert(
        "The search collection cannot be exported yet: select the objects and export the "
        "selected objects.",
        kStopAlert);
    return false;
  }
  objects = SelectedObjects();
  return true;
}

int32_t ExportObjects(const std::vector<ObjectRef>& objects, int32_t format,
                      const std::string& path, ExportResult* result) {
  const auto start = std::chrono::steady_clock::now();
  ExportResult local;
  ExportResult& out = result != nullptr ? *result : local;
  out.path = path;
  out.objects = static_cast<int32_t>(objects.size());
  const std::string work = path + ".work";
  DeleteFile(work);
  int32_t err = CreateFile(work);
  if (err != 0) {
    ReportError("Export()", "my_hcreate()", err);
    return err;
  }
  ExportFile target;
  err = OpenFile(work, FileAccess::kReadWrite, target.file);
  if (err != 0) {
    ReportError("Export()", "FSOpenBuf()", err);
    DeleteFile(work);
    return err;
  }
  target.buffer.reserve(kExportBufferSize * 2);
  state.multipleFromShown = false;
  state.cachedMapID = 0;
  state.cachedOverlayID = 0;
  if (state.hooks.openProgress) state.hooks.openProgress(MessageText(kExportingMessage));
  BeginReadOnlyFiles();
  const int64_t total = static_cast<int64_t>(objects.size());
  int32_t result32 = 0;
  ExportObject object;
  const bool segments = format != kExportSimpleText;
  int32_t lastPercent = -1;
  for (int64_t i = 0; i < total; ++i) {
    const int32_t percent = static_cast<int32_t>(i * 100 / total);
    if (percent != lastPercent) {
      lastPercent = percent;
      if (state.hooks.progress && state.hooks.progress(percent)) {
        result32 = -1;
        break;
      }
    }
    if (Platform().EscapePressed()) {
      result32 = -1;
      break;
    }
    err = ReadExportObject(objects[static_cast<size_t>(i)], segments, object);
    if (err == 0) err = WriteExportObject(format, object, target.buffer);
    if (err < 0) {
      result32 = err;
      break;
    }
    if (err == 0) {
      ++out.written;
    } else {
      ++out.passedOver;
    }
    if (target.buffer.size() >= static_cast<size_t>(kExportBufferSize) && target.Flush() != 0) {
      result32 = kErrIO;
      break;
    }
  }
  EndReadOnlyFiles(CloseBufferedFiles);
  if (result32 == 0 && target.Flush() != 0) result32 = kErrIO;
  if (state.hooks.closeProgress) state.hooks.closeProgress();
  const int32_t closed = target.file.Close();
  if (closed != 0 && result32 == 0) {
    ReportError("Export()", "FSCloseBuf()", closed);
    result32 = closed;
  }
  if (result32 == 0) {
    err = RenameFile(work, path);
    if (err != 0) {
      ReportError("Export()", "RenameFile()", err);
      result32 = err;
    }
  }
  if (result32 != 0) {
    DeleteFile(work);
  } else {
    out.bytes = target.written;
    out.files.push_back(path);
  }
  out.writeSeconds = SecondsSince(start);
  return result32;
}

int32_t Export(const std::string& defaultName, const std::string& fileKind, const std::string& path,
               ExportResult* result) {
  const int32_t format = state.settings.format;
  if (format == kExportShapefile) return -1;
  std::vector<ObjectRef> objects;
  if (!ExportSourceObjects(state.settings.source, objects)) return -1;
  std::string target = path;
  if (target.empty() && !ChooseExportFile(defaultName, fileKind, target)) return -1;
  return ExportObjects(objects, format, target, result);
}

int32_t RunExportCommand(ExportResult* result) {
  const int32_t format = state.settings.format;
  std::vector<ObjectRef> objects;
  if (!ExportSourceObjects(state.settings.source, objects)) return -1;
  if (objects.empty()) {
    Platform().Beep();
    return -1;
  }
  if (format == kExportShapefile) return ExportShapefile(objects, "", 0, result);
  return Export(ExportDefaultName(format), ExportFileKind(format), "", result);
}

// ---- BNA -------------------------------------------------------------------------------------

BNASortKey MakeBNASortKey(const std::string& name, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          int32_t mapID, int32_t position) {
  BNASortKey key;
  if (!name.empty() && name[0] == '#') {
    key.numbered = true;
    key.number = std::strtoll(name.c_str() + 1, nullptr, 10);
  }
  key.area = (static_cast<int64_t>(x2) - x1) * (static_cast<int64_t>(y2) - y1);
  key.mapID = mapID;
  key.position = position;
  return key;
}

// One key compared field by field: a strict weak order, so the sort is safe whatever the
// rectangles. A rectangle inside another has the smaller area (or the same rectangle), so the
// outer one comes first without a pairwise containment test.
bool BNASortsBefore(const BNASortKey& a, const BNASortKey& b) {
  if (a.numbered != b.numbered) return a.numbered;
  if (a.numbered && a.number != b.number) return a.number < b.number;
  if (a.area != b.area) return a.area > b.area;
  if (a.mapID != b.mapID) return a.mapID < b.mapID;
  return a.position < b.position;
}

int32_t ExportSelectionAsBNA(const std::string& path, ExportResult* result) {
  const std::vector<ObjectRef> previous = SelectedObjects();
  if (previous.empty()) {
    Platform().Beep();
    return -1;
  }
  std::vector<ObjectRef> sorted = previous;
  if (previous.size() > 1) {
    Platform().SetMessageLine(
        FormatTextV(MessageText(kSortingMessage).c_str(), static_cast<long>(previous.size())));
    std::vector<std::pair<BNASortKey, ObjectRef>> keyed;
    keyed.reserve(previous.size());
    BeginReadOnlyFiles();
    int32_t err = 0;
    for (const ObjectRef& ref : previous) {
      int32_t mapIndex = -1;
      int32_t fileIndex = -1;
      err = AllocateSpaceForFile(ref.mapID, ref.overlayID, kObjectFileKind, kSmallWindowSize,
                                 &mapIndex, &fileIndex);
      WRect rect;
      std::string prefix;
      std::string name;
      if (err == 0) err = FSGetObjectWorldRect(CurrentObjectFile(), ref.position, rect);
      if (err == 0) err = FSGetObjectName(CurrentObjectFile(), ref.position, prefix, name);
      if (err != 0) break;
      keyed.emplace_back(
          MakeBNASortKey(name, rect.x1, rect.y1, rect.x2, rect.y2, ref.mapID, ref.position), ref);
    }
    EndReadOnlyFiles(CloseBufferedFiles);
    if (err != 0) {
      Platform().SetMessageLine("");
      return err;
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return BNASortsBefore(a.first, b.first); });
    for (size_t i = 0; i < keyed.size(); ++i) sorted[i] = keyed[i].second;
    SetSelectionOrder(sorted);
  }
  std::string target = path;
  int32_t err = 0;
  if (target.empty() &&
      !ChooseExportFile(ExportDefaultName(kExportBNA), ExportFileKind(kExportBNA), target)) {
    err = -1;
  }
  if (err == 0) err = ExportObjects(SelectedObjects(), kExportBNA, target, result);
  if (previous.size() > 1) {
    SetSelectionOrder(previous);
    const std::vector<ObjectRef> back = SelectedObjects();
    bool same = back.size() == previous.size();
    for (size_t i = 0; same && i < back.size(); ++i) {
      same = back[i].mapID == previous[i].mapID && back[i].overlayID == previous[i].overlayID &&
             back[i].position == previous[i].position;
    }
    if (!same) ShowAlert("Programmer Error in sorting", kStopAlert);
  }
  Platform().SetMessageLine("");
  return err;
}

// ---- Interchange text for messages ------------------------------------------------------------

int32_t ObjectMIEText(const ObjectRef& ref, std::string& text) {
  const int32_t filter = state.settings.kindFilter;
  state.settings.kindFilter = kExportAllKinds;
  std::string record;
  state.cachedMapID = 0;
  state.cachedOverlayID = 0;
  const int32_t err = WriteObjectRecord(kExportMIE, ref, record);
  state.settings.kindFilter = filter;
  if (err != 0) return err;
  // The record ends with its last line's break and an empty line; the empty line goes, every
  // other break becomes a blank.
  if (record.size() >= 2) record.resize(record.size() - 2);
  text.clear();
  text.reserve(record.size());
  for (size_t i = 0; i < record.size(); ++i) {
    if (record[i] == '\r' && i + 1 < record.size() && record[i + 1] == '\n') {
      text += ' ';
      ++i;
    } else {
      text += record[i];
    }
  }
  return 0;
}

void ResetExportForTesting() {
  state = ExportState();
}

}  // namespace tlv
