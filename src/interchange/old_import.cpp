#include "interchange/old_import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/distance.h"
#include "interchange/import.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr const char* kFallbackLayerName = "IMPORTED OBJECTS";
constexpr int32_t kMessageOverlayNotCreated = 114;  // 25100/14
constexpr int32_t kMessageOldFormatError = 115;     // 25100/15
constexpr int32_t kMessageOverlaysCreated = 116;    // 25100/16
constexpr int32_t kProgressEvery = 2000;

struct OldRecord {
  std::string idText;
  int32_t overlay = 0;
  int16_t kind = 0;
  double corners[4] = {0, 0, 0, 0};  // latitude 1, longitude 1, latitude 2, longitude 2
  int16_t colour = 0;
  int16_t fill = 0;
  int16_t pen = 0;
  int16_t size = 0;
  int16_t symbol = 0;
  std::string name;
  std::vector<double> points;  // latitude, longitude pairs
};

bool IsBlank(char c) {
  return c == ' ' || c == ',' || c == '\t';
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Most numbers of a record are short plain integers: an optional sign and up to 18 digits, which
// an int64 holds, read without the general conversion. Anything else is left to it.
bool ReadPlainInteger(std::string_view word, int32_t& value) {
  size_t at = 0;
  const bool negative = !word.empty() && word[0] == '-';
  if (!word.empty() && (word[0] == '-' || word[0] == '+')) at = 1;
  const size_t digits = word.size() - at;
  if (digits == 0 || digits > 18) return false;
  int64_t whole = 0;
  for (; at < word.size(); ++at) {
    const char c = word[at];
    if (c < '0' || c > '9') return false;
    whole = whole * 10 + (c - '0');
  }
  if (negative) whole = -whole;
  value = static_cast<int32_t>(std::clamp<int64_t>(whole, INT32_MIN, INT32_MAX));
  return true;
}

// The reader of the format over the whole text; every read is bounded by the text's end.
class OldReader {
 public:
  explicit OldReader(std::string_view text) : text_(text) {}

  // The first number and the overlay definition lines.
  bool ReadHeader(std::map<int32_t, std::string>& overlays) {
    SkipEmptyLines();
    int32_t first = 0;
    if (!ReadInteger(first, false)) return false;
    SkipLine();
    for (;;) {
      SkipEmptyLines();
      if (at_ >= text_.size() || text_[at_] != '*') return true;
      ++at_;
      int32_t number = 0;
      if (!ReadInteger(number, false)) return false;
      while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
      // The name runs to its line end, which is not part of it whatever ends the line.
      std::string name(RestOfLine());
      if (name.size() > kMaxImportLayerNameLength) name.resize(kMaxImportLayerNameLength);
      overlays[number] = name;
    }
  }

  // The next record; end at the end of the text. False for a record that cannot be read.
  bool NextRecord(OldRecord& record, bool& end) {
    end = false;
    SkipEmptyLines();
    if (at_ >= text_.size()) {
      end = true;
      return true;
    }
    SkipBlanks();
    const std::string_view id = Word();
    if (id.empty() || id.size() > kMaxOldIDLength) return false;
    record.idText.assign(id);
    int32_t kind = 0;
    if (!ReadInteger(record.overlay, false) || !ReadInteger(kind, false)) return false;
    // A kind the program does not know would make a record no later reader can read.
    if (kind < 0 || kind > 7) return false;
    record.kind = static_cast<int16_t>(kind);
    for (double& corner : record.corners) {
      if (!ReadDouble(corner, false)) return false;
    }
    int16_t values[8];
    for (int16_t& value : values) {
      int32_t whole = 0;
      if (!ReadInteger(whole, false)) return false;
      value = static_cast<int16_t>(std::clamp<int32_t>(whole, INT16_MIN, INT16_MAX));
    }
    record.colour = values[0];
    record.fill = values[4];
    record.pen = values[5];
    record.size = values[6];
    record.symbol = values[7];
    SkipLine();
    // The name line must be there, even when empty.
    if (at_ >= text_.size()) return false;
    record.name.assign(RestOfLine());
    if (record.name.size() > kMaxOldNameLength) record.name.resize(kMaxOldNameLength);
    record.points.clear();
    if (kind == 4 || kind == 6 || kind == 7) {
      int32_t count = 0;
      if (!ReadInteger(count, true)) return false;
      // Every pair takes at least three bytes, so a count beyond that cannot be honest.
      const size_t left = text_.size() - at_;
      if (count < 1 || static_cast<size_t>(count) > kMaxImportPoints ||
          static_cast<size_t>(count) > left / 3) {
        return false;
      }
      record.points.resize(static_cast<size_t>(count) * 2);
      for (double& value : record.points) {
        if (!ReadDouble(value, true)) return false;
      }
      SkipLine();
    }
    return true;
  }

  size_t Offset() const { return at_; }

 private:
  void SkipBlanks(bool lineEnds = false) {
    while (at_ < text_.size() && (IsBlank(text_[at_]) || (lineEnds && IsLineEnd(text_[at_])))) {
      ++at_;
    }
  }
  // Lines holding nothing but blanks.
  void SkipEmptyLines() {
    for (;;) {
      size_t at = at_;
      while (at < text_.size() && IsBlank(text_[at])) ++at;
      if (at < text_.size() && !IsLineEnd(text_[at])) return;
      if (at >= text_.size()) {
        at_ = at;
        return;
      }
      at_ = at;
      SkipLine();
    }
  }
  std::string_view Word() {
    const size_t start = at_;
    while (at_ < text_.size() && !IsBlank(text_[at_]) && !IsLineEnd(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
  }
  std::string_view RestOfLine() {
    const size_t start = at_;
    while (at_ < text_.size() && !IsLineEnd(text_[at_])) ++at_;
    const std::string_view line = text_.substr(start, at_ - start);
    SkipLine();
    return line;
  }
  // Past the current line's end (CR, LF or CR LF).
  void SkipLine() {
    while (at_ < text_.size() && !IsLineEnd(text_[at_])) ++at_;
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
  }
  bool ReadInteger(int32_t& value, bool lineEnds) {
    SkipBlanks(lineEnds);
    std::string_view word = Word();
    if (ReadPlainInteger(word, value)) return true;
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    int64_t whole = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), whole);
    if (word.empty() || error != std::errc() || end != word.data() + word.size()) return false;
    value = static_cast<int32_t>(std::clamp<int64_t>(whole, INT32_MIN, INT32_MAX));
    return true;
  }
  bool ReadDouble(double& value, bool lineEnds) {
    SkipBlanks(lineEnds);
    std::string_view word = Word();
    int32_t whole = 0;
    if (ReadPlainDecimal(word, value, whole)) return true;
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return !word.empty() && error == std::errc() && end == word.data() + word.size() &&
           std::isfinite(value);
  }

  std::string_view text_;
  size_t at_ = 0;
};

int16_t NewKind(int16_t oldKind) {
  switch (oldKind) {
    case 0:
    case 2:
      return kRectangleObject;
    case 1:
      return kCircleObject;
    case 5:
      return kPointObject;
    case 6:
      return kPolylineObject;
    case 7:
      return kPolygonObject;
    default:
      return oldKind;  // 3 and 4 are the same kinds in both versions
  }
}

double UnitsPerMileOf(char unit) {
  switch (unit) {
    case kOldUnitMetres:
      return 1609.344;
    case kOldUnitKilometres:
      return 1.609344;
    case kOldUnitYards:
      return 1760.0;
    default:
      return 1.0;
  }
}

// The ID text read as the life cycle reads it; false when it is no ID.
bool ParseOldID(const std::string& text, ObjectID& id) {
  if (text.empty() || text.size() > 16) return false;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text[0] == '-' ||
      text[0] == '+') {
    return false;
  }
  id.high = static_cast<int32_t>(static_cast<uint32_t>(value >> 32));
  id.low = static_cast<int32_t>(static_cast<uint32_t>(value));
  return true;
}

struct OldImportRun {
  int32_t mapID = 0;
  bool applicationOwned = false;
  std::map<int32_t, std::string> definitions;
  std::map<int32_t, int32_t> layerOfNumber;
  OldImportSummary summary;
};

// The overlay of a record's overlay number.
int32_t ResolveLayer(OldImportRun& run, int32_t number, int32_t& layerID) {
  if (auto it = run.layerOfNumber.find(number); it != run.layerOfNumber.end()) {
    layerID = it->second;
    return 0;
  }
  std::string name = kFallbackLayerName;
  bool defined = false;
  if (auto def = run.definitions.find(number);
      def != run.definitions.end() && !def->second.empty()) {
    name = def->second;
    defined = true;
  } else if (LayerIDToIndex(number) >= 0) {
    layerID = number;
    run.layerOfNumber[number] = layerID;
    return 0;
  }
  int32_t index = LayerNameToIndex(name);
  if (index < 0) {
    std::string newName = name;
    int32_t err = AddLayer(newName, false, false, false, index);
    if (err != 0 && defined) {
      ShowMessageAlert(kMessageOverlayNotCreated, kStopAlert);
      name = kFallbackLayerName;
      index = LayerNameToIndex(name);
      if (index < 0) err = AddLayer(name, false, false, false, index);
    }
    if (err != 0) return err;
    ++run.summary.overlaysCreated;
    if (defined) {
      LayerRecord layer;
      if (GetLayerRecord(index, layer)) {
        layer.lockState = run.applicationOwned ? 3 : 1;
        SetLayerRecord(index, layer);
      }
    }
  }
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return kErrGeneral;
  layerID = layer.layerID;
  run.layerOfNumber[number] = layerID;
  return 0;
}

void ToWorld(double latitude, double westLongitude, bool relative, double centreLatitude,
             double centreLongitude, double unitsPerMile, WPoint& point) {
  if (relative) {
    double cosine = std::cos(centreLatitude * kRadiansPerDegree);
    if (std::fabs(cosine) < kMinimumCosine) cosine = kMinimumCosine;
    latitude = centreLatitude + latitude / (kMilesPerDegreeLatitude * unitsPerMile);
    westLongitude =
        centreLongitude + westLongitude / (kMilesPerDegreeLatitude * cosine * unitsPerMile);
  }
  point.x = WorldXFromLongitude(-westLongitude);
  point.y = WorldYFromLatitude(latitude);
}

int32_t ImportOne(OldImportRun& run, const OldRecord& record, char mode, bool select, bool relative,
                  double centreLatitude, double centreLongitude, char unit,
                  std::string* overlayNameOut) {
  int32_t layerID = 0;
  int32_t err = ResolveLayer(run, record.overlay, layerID);
  if (err != 0) return err;
  const int32_t layerIndex = LayerIDToIndex(layerID);
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer)) return kErrGeneral;
  if (overlayNameOut != nullptr) *overlayNameOut = LayerName(layerIndex);

  int16_t kind = NewKind(record.kind);
  // -1 keeps the overlay's default for that value.
  ObjectGraphics graphics;
  graphics.symbol = layer.graphics[0];
  graphics.colour = layer.graphics[1];
  graphics.variant = layer.graphics[2];
  graphics.lineType = layer.graphics[3];
  graphics.fillPattern = layer.graphics[4];
  graphics.textValue = layer.graphics[5];
  graphics.textFlag = layer.graphics[6];
  graphics.textCode = layer.graphics[7];
  if (record.colour != -1) {
    graphics.colour = record.colour >= 1 && record.colour <= 16 ? record.colour : int16_t{1};
  }
  if (record.fill != -1) graphics.fillPattern = record.fill == 0 ? int16_t{2} : record.fill;
  if (record.size != -1) {
    graphics.variant = record.size > 2 ? static_cast<int16_t>((record.size + 2) / 2) : record.size;
  }
  if (record.pen != -1) {
    int16_t lineType = 1;
    int16_t width = 1;
    LineChoice(record.pen, lineType, width);
    graphics.lineType = lineType;
    // The pen's width stands when the record gives no size of its own.
    if (record.size == -1 && kind != kPointObject) graphics.variant = width;
  }
  if (record.symbol != -1) {
    graphics.symbol = record.symbol < 0 || record.symbol > kMaxSymbolNumber ? kDefaultImportSymbol
                                                                            : record.symbol;
  }

  const double unitsPerMile = UnitsPerMileOf(unit);
  WPoint a;
  WPoint b;
  ToWorld(record.corners[0], record.corners[1], relative, centreLatitude, centreLongitude,
          unitsPerMile, a);
  ToWorld(record.corners[2], record.corners[3], relative, centreLatitude, centreLongitude,
          unitsPerMile, b);
  WRect rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  if (kind == kPointObject) rect = {a.x, a.y, a.x, a.y};

  std::vector<WPoint> points;
  const bool poly = kind == kPolylineObject || kind == kPolygonObject;
  if (poly) {
    for (size_t i = 0; i + 1 < record.points.size(); i += 2) {
      WPoint p;
      ToWorld(record.points[i], record.points[i + 1], relative, centreLatitude, centreLongitude,
              unitsPerMile, p);
      points.push_back(p);
    }
    if (kind == kPolylineObject && points.size() >= 2 && points.front().x == points.back().x &&
        points.front().y == points.back().y) {
      kind = kPolygonObject;
    }
    if (points.size() == 1) points.push_back(points[0]);
    rect = kUnionStartRect;
    for (const WPoint& p : points) {
      rect = {std::min(rect.x1, p.x), std::min(rect.y1, p.y), std::max(rect.x2, p.x),
              std::max(rect.y2, p.y)};
    }
  }

  const std::string prefix;
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = record.name;
  contents.graphics = graphics;
  contents.rect = rect;
  Handle pointsHandle = nullptr;
  if (poly) {
    pointsHandle = MyNewHandle(static_cast<int32_t>(points.size() * sizeof(WPoint)));
    if (pointsHandle == nullptr) {
      ReportError("OldImportObjects()", "MyNewHandle()", kErrMemoryFull);
      return kErrMemoryFull;
    }
    auto* out = reinterpret_cast<WPoint*>(*pointsHandle);
    for (size_t i = 0; i < points.size(); ++i) {
      out[i].x =
          static_cast<int32_t>(static_cast<uint32_t>(points[i].x) | (i == 0 ? kNewPieceBit : 0u));
      out[i].y = points[i].y;
    }
    contents.points = pointsHandle;
  }

  ObjectID id;
  bool haveID = mode != kOldImportNew && record.idText != "-1" && ParseOldID(record.idText, id);
  ObjectRef object;
  bool found = false;
  if (haveID && (mode == kOldImportReplace || mode == kOldImportModify)) {
    err = FindObjectByID(record.idText, 0, layerID, object, found);
  }
  std::string listed = record.idText;
  if (err == 0 && found) {
    err = ReplaceObjectContents(object, object.mapID, nullptr, contents, 0, 0);
    if (err == 0) ++run.summary.changed;
  } else if (err == 0 && mode == kOldImportModify && haveID) {
    ++run.summary.listedOnly;
    object.position = -1;
  } else if (err == 0) {
    if (!haveID) err = NewObjectID(id);
    int32_t position = -1;
    if (err == 0) err = CreateObject(run.mapID, layerID, kind, id, contents, position);
    if (err == 0) {
      object = {run.mapID, layerID, position};
      listed = ObjectIDText(id);
      ++run.summary.created;
    }
  }
  if (pointsHandle != nullptr) MyDisposeHandle(pointsHandle);
  if (err != 0) return err;
  if (mode == kOldImportModify && !found && haveID) {
    run.summary.ids.push_back(listed);
    return 0;
  }
  if (found) listed = ObjectIDText(id);
  run.summary.ids.push_back(listed);
  if (select && object.position >= 0) {
    AddSelectedObject(object.mapID, object.overlayID, object.position);
  }
  return 0;
}

}  // namespace

Handle OldImportObjects(const std::string* text, const std::string& fileName, int16_t volume,
                        char mode, bool select, bool wantList, bool relative, double centreLatitude,
                        double centreLongitude, char unit, int32_t map, bool applicationOwned,
                        std::string* overlayNameOut, OldImportSummary* summary) {
  (void)volume;  // paths are whole here
  if (summary != nullptr) *summary = OldImportSummary();
  if (map == -1) return nullptr;
  const int32_t mapIndex = MapIDToIndex(map);
  MapRecord mapRecord;
  if (!GetMapRecord(mapIndex, mapRecord)) return nullptr;
  if (mapRecord.locked != 0) {
    ShowMessageAlert(93, kNoteAlert);
    return nullptr;
  }
  // The file's bytes are read in place, not copied into a string: a million records are some
  // 70 MB.
  std::vector<unsigned char> fileBytes;
  std::string_view whole = text != nullptr ? std::string_view(*text) : std::string_view();
  if (text == nullptr) {
    std::string path = fileName;
    std::string resolved;
    if (ResolvePath(path, resolved) == 0) path = resolved;
    FileByteSource source(path);
    if (source.OpenResult() != 0) {
      ReportError("OldImportObjects()", "hopendf()", source.OpenResult());
      return nullptr;
    }
    int32_t size = 0;
    int32_t err = source.Size(size);
    if (err != 0) {
      ReportError("OldImportObjects()", "GetEOF()", err);
      return nullptr;
    }
    err = source.ReadAll(fileBytes);
    if (err != 0) {
      ReportError("OldImportObjects()", err == -108 ? "MyNewHandle()" : "GetEOF()", err);
      return nullptr;
    }
    whole = std::string_view(reinterpret_cast<const char*>(fileBytes.data()), fileBytes.size());
  }
  if (select) RemoveAllSelectedObjects();

  OldImportRun run;
  run.mapID = map;
  run.applicationOwned = applicationOwned;
  // The records are counted by the same reader first, so progress can be told as a share; with
  // no progress box to tell (tolvane-cli) the count would go unused.
  const ImportHooks& hooks = CurrentImportHooks();
  int32_t total = 0;
  if (hooks.progress) {
    OldReader counter(whole);
    std::map<int32_t, std::string> unused;
    OldRecord record;
    bool end = false;
    if (counter.ReadHeader(unused)) {
      while (counter.NextRecord(record, end) && !end) ++total;
    }
  }
  OldReader reader(whole);
  bool readError = !reader.ReadHeader(run.definitions);
  BeginObjectBatch();
  int32_t handled = 0;
  OldRecord record;
  int32_t err = 0;
  while (!readError && err == 0) {
    bool end = false;
    if (!reader.NextRecord(record, end)) {
      readError = true;
      break;
    }
    if (end) break;
    err = ImportOne(run, record, mode, select, relative, centreLatitude, centreLongitude, unit,
                    overlayNameOut);
    if (++handled % kProgressEvery == 0 && hooks.progress && total > 0) {
      if (hooks.progress(static_cast<int32_t>(int64_t{handled} * 100 / total))) break;
    }
  }
  const int32_t batchErr = EndObjectBatch();
  if (err == 0) err = batchErr;
  if (err != 0) ReportError("OldImportObjects()", "CreateObject()", err);
  RefreshMapExtents();
  run.summary.readError = readError;
  if (readError) ShowMessageAlert(kMessageOldFormatError, kStopAlert);
  if (run.summary.overlaysCreated > 0) ShowMessageAlert(kMessageOverlaysCreated, kNoteAlert);
  Platform().SetMessageLine("");
  if (hooks.redraw) hooks.redraw();
  SetUndoNothing();
  FlushBufferedFiles();

  Handle list = nullptr;
  if (wantList) {
    std::string lines;
    for (const std::string& id : run.summary.ids) lines += id + "\r";
    list = MyNewHandle(static_cast<int32_t>(lines.size() + 1));
    if (list == nullptr) {
      ReportError("OldImportObjects()", "MyNewHandle()", kErrMemoryFull);
    } else {
      std::memcpy(*list, lines.c_str(), lines.size() + 1);
    }
  }
  if (summary != nullptr) *summary = std::move(run.summary);
  return list;
}

int32_t MapNamedAfterFile(const std::string& path, int32_t& position) {
  const size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  if (base.empty()) base = "Imported Map";
  position = MapNameToIndex(base);
  if (position >= 0) return 0;
  return CreateMap(CatalogueFolderIDs().volume, CatalogueFolderIDs().overlayMaps, base, position);
}

}  // namespace tlv
