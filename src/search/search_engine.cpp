#include "search/search_engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <tuple>
#include <utility>

#include "base/collate.h"
#include "base/errors.h"
#include "base/platform.h"
#include "base/stop_check.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/selection.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "search/pick.h"
#include "store/object_head.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {
namespace {

constexpr const char* kSearchingOverlay = "Searching overlay: %s, %s [ESC to stop].";
constexpr const char* kSearchingProgress = "Searching (%s, %s) (%hd%%) [ESC to stop]";
constexpr const char* kNoMarkedPoint =
    "You cannot search based on the Marked Point since no point is marked.";
constexpr const char* kNoSelection =
    "You cannot search based on the currently selected objects, since no objects are currently "
    "selected on the map.";
constexpr const char* kNoCollection =
    "You cannot search based on the previous search collection, since there are no objects in "
    "the search collection.";
constexpr const char* kSearchAllMaps = "SEARCHALLMAPS";
constexpr int kUntitledMessage = 10;

// Summary records are read in one pass through a buffer this large.
constexpr int32_t kTakeAllBuffer = 50000;
// Object records are read through a window this large (at most the file's length).
constexpr int32_t kObjectReadWindow = -100000;
// Below this much free memory the file buffers give memory back after a search.
constexpr int32_t kLowMemory = 100000;
// Escape is polled this often (records or candidates): polling reads the window system's
// input queue, which costs far more than testing a record.
constexpr int32_t kStopCheckEvery = 256;
// The progress text is rewritten at most once a second (ticks of 1/60 s).
constexpr uint32_t kProgressTicks = 60;

// An object of a file, for the sorted lookups of duplicates and subsearches.
using ObjectKey = std::tuple<int32_t, int32_t, int32_t>;

ObjectKey KeyOf(const CollectionEntry& e) {
  return {e.mapID, e.overlayID, e.position};
}

struct EngineState {
  SearchCriteria criteria;
  bool stopped = false;
  // Set by ExternalSearch for the length of its run.
  bool areaFlag = false;
};

EngineState engine;

// What one run of RunSearch works with.
struct RunContext {
  int16_t criterion = kSearchAnyName;
  int16_t mode = kSearchReplace;
  std::string text;
  bool prefixed = false;
  bool escaped = false;
  // The text folded to upper case once, so testing a million names allocates nothing.
  std::string upperText;
  const std::array<unsigned char, 256>* fold = nullptr;
  // The collection when the run began (mode 2), sorted.
  std::vector<ObjectKey> before;
  // The (map, overlay) pairs the collection held when the run began, sorted.
  std::vector<std::pair<int32_t, int32_t>> filesBefore;
};

RunContext* currentRun = nullptr;

std::string_view KeyText(const char (&key)[4]) {
  size_t n = 0;
  while (n < 4 && key[n] != '\0') ++n;
  return {key, n};
}

std::vector<CollectionEntry> CollectionCopy() {
  std::vector<CollectionEntry> all;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) all.push_back(e);
  return all;
}

template <typename T>
bool SortedHas(const std::vector<T>& sorted, const T& value) {
  return std::binary_search(sorted.begin(), sorted.end(), value);
}

CollectionEntry MakeEntry(int32_t mapID, int32_t overlayID, int32_t position, const char (&key)[4],
                          int16_t flags) {
  CollectionEntry e;
  e.mapID = mapID;
  e.overlayID = static_cast<int16_t>(overlayID);
  e.position = position;
  e.flags = flags;
  std::memcpy(e.key, key, 4);
  return e;
}

// Whether text begins with start by the collating comparison, accents breaking ties within the
// compared part: a comparison cut at a length would let "Máin" pass for "ma".
bool StartsWithCollated(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  return CollateCompare(text.substr(0, start.size()), start) == 0;
}

// Only the user's Escape stops a search: a search stopped for a waiting message would not be
// started again, and the search message's own search would answer with part of its result.
// Windows-1252 upper case by table.
const std::array<unsigned char, 256>& FoldTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
      t[static_cast<size_t>(c)] =
          static_cast<unsigned char>(UpperCase1252(std::string(1, static_cast<char>(c)))[0]);
    }
    return t;
  }();
  return table;
}

// Whether hay holds upperNeedle when hay is folded to upper case.
bool FoldedContains(std::string_view hay, std::string_view upperNeedle) {
  const size_t n = upperNeedle.size();
  if (n == 0) return true;
  if (hay.size() < n) return false;
  const std::array<unsigned char, 256>& fold = FoldTable();
  const auto at = [&hay, &fold](size_t i) { return fold[static_cast<unsigned char>(hay[i])]; };
  const auto first = static_cast<unsigned char>(upperNeedle[0]);
  for (size_t i = 0; i + n <= hay.size(); ++i) {
    if (at(i) != first) continue;
    size_t j = 1;
    while (j < n && at(i + j) == static_cast<unsigned char>(upperNeedle[j])) ++j;
    if (j == n) return true;
  }
  return false;
}

// The name test of a run, as NamePasses answers it. A contains test folds the full text into a
// buffer on the stack and searches that: no string is built, and the search compares plain
// bytes. Names are a few characters, so a byte loop beats calling the library's searches.
bool RunNamePasses(const RunContext& run, std::string_view prefix, std::string_view name) {
  if (run.criterion != kSearchContains || name.empty()) {
    return NamePasses(run.criterion, run.text, prefix, name);
  }
  constexpr size_t kRoom = 2 * 255 + 1;
  const size_t length = prefix.size() + 1 + name.size();
  if (length > kRoom) return NamePasses(run.criterion, run.text, prefix, name);
  const size_t m = run.upperText.size();
  if (m == 0) return true;
  if (length < m) return false;
  const unsigned char* fold = run.fold->data();
  unsigned char folded[kRoom];
  size_t n = 0;
  for (const char c : prefix) folded[n++] = fold[static_cast<unsigned char>(c)];
  folded[n++] = ' ';
  for (const char c : name) folded[n++] = fold[static_cast<unsigned char>(c)];
  const auto* needle = reinterpret_cast<const unsigned char*>(run.upperText.data());
  const unsigned char first = needle[0];
  for (size_t i = 0; i + m <= n; ++i) {
    if (folded[i] != first) continue;
    size_t j = 1;
    while (j < m && folded[i + j] == needle[j]) ++j;
    if (j == m) return true;
  }
  return false;
}

bool StopNow(int32_t counter) {
  return counter % kStopCheckEvery == 0 && Platform().EscapePressed();
}

// Makes the overlay's object file current for the next record. A walk asks for it once and
// again only when something else took slot 0 or may have (the Escape poll lets the window
// system run): asking per record cost more than testing the name.
int32_t KeepObjectFileCurrent(int32_t mapID, int32_t overlayID, bool& ready) {
  if (ready) {
    int32_t slotMap = -1, slotOverlay = -1;
    OpenFileSlotKey(kObjectFileKind, 0, slotMap, slotOverlay);
    if (slotMap == mapID && slotOverlay == overlayID && CurrentObjectFile().IsOpen()) return 0;
  }
  int32_t objectMap = -1, objectFile = -1;
  const int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, kObjectReadWindow,
                                           &objectMap, &objectFile);
  ready = err == 0;
  return err;
}

// The name test and alias count of the record at position: from its head in one read when the
// record is sound, else through the field accessors, which report what is wrong. failedCall
// names the accessor that failed.
int32_t TestRecordName(const RunContext& run, BufferedFile& file, int32_t position,
                       bool wantAliases, bool& passes, uint8_t& aliases, const char*& failedCall) {
  ObjectHead head;
  if (ReadObjectHead(file, position, head)) {
    passes = run.criterion == kSearchAnyName || RunNamePasses(run, head.prefix, head.name);
    aliases = head.aliasCount;
    return 0;
  }
  passes = true;
  if (run.criterion != kSearchAnyName) {
    std::string prefix, name;
    const int32_t err = FSGetObjectName(file, position, prefix, name);
    if (err != 0) {
      failedCall = "FSGetObjectName()";
      return err;
    }
    passes = RunNamePasses(run, prefix, name);
  }
  if (passes && wantAliases) {
    const int32_t err = FSGetObjectAliasCount(file, position, aliases);
    if (err != 0) {
      failedCall = "FSGetObjectAliasCount()";
      return err;
    }
  }
  return 0;
}

std::string MapName(int32_t mapID) {
  MapRecord map;
  if (!GetMapRecord(MapIDToIndex(mapID), map)) return std::string();
  return std::string(map.name, strnlen(map.name, sizeof map.name));
}

// The reach of a distance (current units) around an area: x is grown at the latitude of the
// area, grown by the distance, that lies nearest a pole, so that no object east or west of the
// area within the distance is rejected by the world-unit bounds.
Reach SearchReach(double distance, int16_t unit, const WRect& area) {
  Reach reach;
  reach.unit = unit;
  reach.distance = std::isfinite(distance) && distance > 0 ? distance : 0.0;
  reach.dy = LengthToWorldDy(reach.distance, unit) + 1;
  constexpr int64_t kEquator = 90000000;
  const int64_t low = std::clamp<int64_t>(int64_t{area.y1} - reach.dy, 0, 2 * kEquator);
  const int64_t high = std::clamp<int64_t>(int64_t{area.y2} + reach.dy, 0, 2 * kEquator);
  const int64_t polemost = std::llabs(low - kEquator) > std::llabs(high - kEquator) ? low : high;
  reach.dx = LengthToWorldDx(reach.distance, static_cast<int32_t>(polemost), unit) + 1;
  return reach;
}

// The block test of the spatial searches: the block meets the area grown by (dx, dy).
bool BlockNearArea(const WRect& block, const WRect& area, int32_t dx, int32_t dy, int32_t) {
  return WRectsOverlap(block, OutsetWRect(area, dx, dy));
}

// The shapes of the reference and the rectangle that holds them.
struct Reference {
  std::vector<NearShape> shapes;
  WRect bounds = kUnionStartRect;
};

NearShape PointShape(WPoint p) {
  Rings rings;
  rings.points = {p};
  rings.starts = {0};
  return MakeNearShape(std::move(rings), false, false);
}

int32_t AddObjectShape(const ObjectRef& object, Reference& reference) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind,
                                     kObjectReadWindow, &mapIndex, &fileIndex);
  if (err != 0) {
    ReportError("SelectInsideOutside()", "AllocateSpaceForFile()", err);
    return err;
  }
  LayerRecord layer;
  if (!GetLayerRecord(LayerIDToIndex(object.overlayID), layer)) {
    ReportError("SelectInsideOutside()", "LayerIDToIndex()", kErrGeneral);
    return kErrGeneral;
  }
  NearShape shape;
  bool hasShape = false;
  err = ReadSearchShape(CurrentObjectFile(), object.position, layer, engine.areaFlag, shape,
                        hasShape);
  if (err != 0) {
    ReportError("SelectInsideOutside()", "ReadSearchShape()", err);
    return err;
  }
  if (!hasShape) return 0;
  UnionWRect(reference.bounds, shape.bounds);
  reference.shapes.push_back(std::move(shape));
  return 0;
}

int32_t ReadReference(int16_t referenceKind, Reference& reference) {
  switch (referenceKind) {
    case kReferenceClickPoint:
    case kReferenceMarkedPoint: {
      const WPoint p = referenceKind == kReferenceClickPoint ? ClickPoint() : MarkedPoint();
      reference.shapes.push_back(PointShape(p));
      reference.bounds = {p.x, p.y, p.x, p.y};
      return 0;
    }
    case kReferenceSelection: {
      ObjectRef object;
      for (int32_t i = 0; GetSelectedObject(i, object); ++i) {
        const int32_t err = AddObjectShape(object, reference);
        if (err != 0) return err;
      }
      return 0;
    }
    default: {
      // Read in file order, so each object file is made current once.
      std::vector<CollectionEntry> entries = CollectionCopy();
      std::sort(entries.begin(), entries.end(),
                [](const CollectionEntry& a, const CollectionEntry& b) {
                  return CompareCollectionFileOrder(a, b) < 0;
                });
      for (const CollectionEntry& e : entries) {
        if ((e.flags & kCollectionAlias) != 0) continue;
        const int32_t err = AddObjectShape({e.mapID, e.overlayID, e.position}, reference);
        if (err != 0) return err;
      }
      return 0;
    }
  }
}

// Marks and names of the catalogue, saved around an external search.
struct SavedMarks {
  std::vector<int32_t> overlays;
  std::vector<int32_t> maps;
};

SavedMarks SaveMarks() {
  SavedMarks saved;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) saved.overlays.push_back(layer.searchMark);
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) saved.maps.push_back(map.searchMark);
  return saved;
}

void RestoreMarks(const SavedMarks& saved) {
  LayerRecord layer;
  for (int32_t i = 0; i < static_cast<int32_t>(saved.overlays.size()) && GetLayerRecord(i, layer);
       ++i) {
    layer.searchMark = saved.overlays[static_cast<size_t>(i)];
    SetLayerRecord(i, layer);
  }
  MapRecord map;
  for (int32_t i = 0; i < static_cast<int32_t>(saved.maps.size()) && GetMapRecord(i, map); ++i) {
    map.searchMark = saved.maps[static_cast<size_t>(i)];
    SetMapRecord(i, map);
  }
}

std::string TrimmedAtParenthesis(std::string name) {
  const size_t open = name.find('(');
  if (open != std::string::npos) name.erase(open);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// Applies a spatial result to the collection by the collection mode.
int32_t ApplySpatialResult(int16_t mode, Handle result, bool stopped) {
  std::vector<CollectionEntry> found;
  const HandleArray<CollectionEntry> list(result);
  for (int32_t i = 0; i < list.Count(); ++i) found.push_back(list.Get(i));
  if (mode == kSearchReplace) return ReplaceSearchCollection(found);
  std::vector<ObjectKey> keys;
  keys.reserve(found.size());
  for (const CollectionEntry& e : found) keys.push_back(KeyOf(e));
  std::sort(keys.begin(), keys.end());
  const std::vector<CollectionEntry> current = CollectionCopy();
  if (mode == kSearchAdd) {
    std::vector<ObjectKey> have;
    have.reserve(current.size());
    for (const CollectionEntry& e : current) have.push_back(KeyOf(e));
    std::sort(have.begin(), have.end());
    std::vector<CollectionEntry> added;
    for (const CollectionEntry& e : found) {
      if (!SortedHas(have, KeyOf(e))) added.push_back(e);
    }
    return AppendCollectedEntries(added);
  }
  // A subsearch cut short has not seen every entry, so it removes nothing.
  if (stopped) return 0;
  std::vector<CollectionEntry> kept;
  for (const CollectionEntry& e : current) {
    if (SortedHas(keys, KeyOf(e))) kept.push_back(e);
  }
  return ReplaceSearchCollection(kept);
}

// Step 6: the subsearch by name.
int32_t NameSubsearch(const RunContext& run) {
  const std::vector<CollectionEntry> current = CollectionCopy();
  std::vector<CollectionEntry> kept;
  kept.reserve(current.size());
  LongOperationScope scope;
  bool fileReady = false;
  for (size_t i = 0; i < current.size(); ++i) {
    const CollectionEntry& e = current[i];
    if (i % kStopCheckEvery == 0) fileReady = false;
    if (StopNow(static_cast<int32_t>(i))) {
      // What was not looked at yet stays.
      engine.stopped = true;
      kept.insert(kept.end(), current.begin() + static_cast<std::ptrdiff_t>(i), current.end());
      break;
    }
    if (!OverlayMarkedForSearch(e.overlayID) || !MapMarkedForSearch(e.mapID)) continue;
    if (run.criterion == kSearchAnyName) {
      kept.push_back(e);
      continue;
    }
    if (run.criterion == kSearchStartsWith && !run.prefixed && !KeyMayStartWith(e.key, run.text)) {
      continue;
    }
    int32_t err = KeepObjectFileCurrent(e.mapID, e.overlayID, fileReady);
    bool passes = false;
    uint8_t aliases = 0;
    const char* failedCall = "FSGetObjectName()";
    if (err == 0) {
      err =
          TestRecordName(run, CurrentObjectFile(), e.position, false, passes, aliases, failedCall);
    }
    if (err != 0) {
      ReportError("RunSearch()", "FSGetObjectName()", err);
      return err;
    }
    if (passes) kept.push_back(e);
  }
  return ReplaceSearchCollection(kept);
}

}  // namespace

// --- Criteria ---

const SearchCriteria& CurrentSearchCriteria() {
  return engine.criteria;
}

void SetSearchCriteria(const SearchCriteria& criteria) {
  engine.criteria = criteria;
  if (engine.criteria.nameText.size() > kSearchNameTextMax) {
    engine.criteria.nameText.resize(kSearchNameTextMax);
  }
  if (engine.criteria.distanceText.size() > kSearchDistanceTextMax) {
    engine.criteria.distanceText.resize(kSearchDistanceTextMax);
  }
}

int16_t SearchDistanceUnit(const SearchCriteria& criteria) {
  if (criteria.distanceUnit >= kUnitFeet && criteria.distanceUnit <= kUnitNauticalMiles) {
    return criteria.distanceUnit;
  }
  return NormaliseDistanceUnit(CurrentGeometrySettings().distanceUnit);
}

// --- Marks ---

void SetOverlaySearchMark(int32_t overlayID, bool marked) {
  const int32_t index = LayerIDToIndex(overlayID);
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return;
  layer.searchMark = marked ? 1 : 0;
  SetLayerRecord(index, layer);
}

void SetMapSearchMark(int32_t mapID, bool marked) {
  const int32_t index = MapIDToIndex(mapID);
  MapRecord map;
  if (!GetMapRecord(index, map)) return;
  map.searchMark = marked ? 1 : 0;
  SetMapRecord(index, map);
}

void MarkAllOverlaysForSearch(bool marked) {
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    layer.searchMark = marked ? 1 : 0;
    SetLayerRecord(i, layer);
  }
}

void MarkAllMapsForSearch(bool marked) {
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    map.searchMark = marked ? 1 : 0;
    SetMapRecord(i, map);
  }
}

bool OverlayMarkedForSearch(int32_t overlayID) {
  LayerRecord layer;
  return GetLayerRecord(LayerIDToIndex(overlayID), layer) && layer.searchMark != 0;
}

bool MapMarkedForSearch(int32_t mapID) {
  MapRecord map;
  return GetMapRecord(MapIDToIndex(mapID), map) && map.searchMark != 0;
}

int32_t MarkedOverlayCount() {
  int32_t count = 0;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) count += layer.searchMark != 0 ? 1 : 0;
  return count;
}

int32_t MarkedMapCount() {
  int32_t count = 0;
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    count += map.inUse != 0 && map.searchMark != 0 ? 1 : 0;
  }
  return count;
}

std::string OverlaysCheckedText(int32_t count) {
  return FormatText(count == 1 ? "(%ld overlay checked)" : "(%ld overlays checked)",
                    static_cast<long>(count));
}

std::string MapsCheckedText(int32_t count) {
  return FormatText(count == 1 ? "(%ld map checked)" : "(%ld maps checked)",
                    static_cast<long>(count));
}

// --- Name tests ---

bool DirectionPrefixed(std::string_view text) {
  static constexpr std::string_view kTwos = "N S W E ";
  static constexpr std::string_view kThrees = "N. S. W. E. NE NW SE SW ";
  if (text.size() >= 2) {
    for (size_t i = 0; i < kTwos.size(); i += 2) {
      if (text.substr(0, 2) == kTwos.substr(i, 2)) return true;
    }
  }
  if (text.size() >= 3) {
    for (size_t i = 0; i < kThrees.size(); i += 3) {
      if (text.substr(0, 3) == kThrees.substr(i, 3)) return true;
    }
  }
  return false;
}

bool KeyMayStartWith(const char (&key)[4], std::string_view text) {
  return StartsWithCollated(KeyText(key), text.substr(0, std::min<size_t>(4, text.size())));
}

std::string UpperCase1252(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const auto u = static_cast<unsigned char>(c);
    unsigned char to = u;
    if (u >= 'a' && u <= 'z') {
      to = static_cast<unsigned char>(u - 0x20);
    } else if (u >= 0xE0 && u <= 0xFE && u != 0xF7) {
      to = static_cast<unsigned char>(u - 0x20);
    } else if (u == 0x9A || u == 0x9C || u == 0x9E) {
      to = static_cast<unsigned char>(u - 0x10);  // š œ ž
    } else if (u == 0xFF) {
      to = 0x9F;  // ÿ
    }
    c = static_cast<char>(to);
  }
  return upper;
}

bool NamePasses(int16_t criterion, std::string_view text, std::string_view prefix,
                std::string_view name) {
  if (criterion == kSearchAnyName) return true;
  std::string full;
  std::string untitled;
  if (name.empty()) {
    untitled = MessageText(kUntitledMessage);
    full = untitled;
    name = untitled;
  } else {
    full.reserve(prefix.size() + 1 + name.size());
    full.append(prefix).append(" ").append(name);
  }
  if (criterion == kSearchStartsWith) {
    return StartsWithCollated(full, text) || StartsWithCollated(name, text);
  }
  if (criterion == kSearchContains) return FoldedContains(full, UpperCase1252(text));
  return false;
}

// --- Checks ---

int32_t CheckSearchReference(const SearchCriteria& criteria, std::string& message) {
  message.clear();
  if (criteria.criterion < kSearchWithin || criteria.criterion > kSearchNotTouching) return 0;
  if (criteria.reference == kReferenceMarkedPoint && !MarkedPointSet()) {
    message = kNoMarkedPoint;
  } else if (criteria.reference == kReferenceSelection && SelectedObjectCount() == 0) {
    message = kNoSelection;
  } else if (criteria.reference == kReferenceCollection && CollectedObjectCount() == 0) {
    message = kNoCollection;
  }
  return message.empty() ? 0 : -1;
}

bool ParseSearchDistance(std::string_view text, double& value) {
  const std::string copy(text);
  int consumed = 0;
  double parsed = 0;
  if (std::sscanf(copy.c_str(), "%lf%n", &parsed, &consumed) != 1) return false;
  for (size_t i = static_cast<size_t>(consumed); i < copy.size(); ++i) {
    if (copy[i] != ' ') return false;
  }
  if (!std::isfinite(parsed) || parsed < 0) return false;
  value = parsed;
  return true;
}

// --- Shapes ---

int32_t ReadSearchShape(BufferedFile& file, int32_t position, const LayerRecord& layer,
                        bool areaFlag, NearShape& shape, bool& hasShape) {
  hasShape = false;
  PickShape pick;
  const int32_t err = ReadPickShape(file, position, layer, pick);
  if (err != 0) return err;
  switch (pick.type) {
    case kAliasObject:
      return 0;
    case kPointObject: {
      // A symbol counts where it is drawn.
      Rings rings;
      rings.points = {pick.location};
      rings.starts = {0};
      shape = MakeNearShape(std::move(rings), false, false);
      break;
    }
    case kRectangleObject:
    case kCircleObject:
      // A circle is measured by its rectangle.
      shape = MakeNearShape(RectangleRing(pick.rect), true, pick.area || areaFlag);
      break;
    case kPolygonObject:
      shape = MakeNearShape(std::move(pick.outline), true, pick.area || areaFlag);
      break;
    case kPolylineObject:
      shape = MakeNearShape(std::move(pick.outline), false, false);
      break;
    default:
      // Texts and pictures by the outline of their rectangles, never as areas.
      shape = MakeNearShape(RectangleRing(pick.rect), true, false);
      break;
  }
  hasShape = !shape.outline.points.empty();
  return 0;
}

// --- Running ---

bool SearchStopped() {
  return engine.stopped;
}

void SetSearchAreaFlag(bool on) {
  engine.areaFlag = on;
}

bool SearchAreaFlag() {
  return engine.areaFlag;
}

int32_t TakeAllSummaryRecs(int32_t mapID, int32_t overlayID) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kTakeAllBuffer, &mapIndex,
                                     &fileIndex);
  if (err != 0) {
    ReportError("TakeAllSummaryRecs()", "FSReadBuf()", err);
    return err;
  }
  OverlayFileRecord entry;
  std::vector<CollectionEntry> taken;
  if (GetOverlayFileRecord(mapIndex, fileIndex, entry)) {
    try {
      taken.reserve(static_cast<size_t>(std::max(entry.objectCount, 0)));
    } catch (const std::bad_alloc&) {
      ReportError("TakeAllSummaryRecs()", "MySetHandleSize()", kErrMemoryFull);
      return kErrMemoryFull;
    }
  }
  err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (!SummaryRecordLive(record)) return 0;
        const int16_t flags = WRectPlaced(record.worldRect) ? 0 : kCollectionAlias;
        taken.push_back(MakeEntry(mapID, overlayID, record.position, record.nameStart, flags));
        return 0;
      },
      &mapIndex, &fileIndex);
  if (err != 0) {
    // Nothing of this file was added, so the collection keeps its size before the call.
    ReportError("TakeAllSummaryRecs()", "FSReadBuf()", err);
    return err;
  }
  return AppendCollectedEntries(taken);
}

int32_t SearchLayerFile(const OverlayFileRecord& entry) {
  if (!OverlayMarkedForSearch(entry.overlayID) || !MapMarkedForSearch(entry.mapID)) return 0;
  // A collection entry holds a 16-bit overlay ID; objects of other overlays cannot be listed.
  if (!CollectableOverlayID(entry.overlayID)) return 0;
  const int32_t layerIndex = LayerIDToIndex(entry.overlayID);
  if (layerIndex < 0) {
    ReportError("SearchLayerFile()", "LayerIDToIndex()", kErrGeneral);
    return kErrGeneral;
  }
  if (MapIDToIndex(entry.mapID) < 0) {
    ReportError("SearchLayerFile()", "MapIDToIndex()", kErrGeneral);
    return kErrGeneral;
  }
  Platform().SetMessageLine(
      FormatText(kSearchingOverlay, LayerName(layerIndex).c_str(), MapName(entry.mapID).c_str()));
  RunContext fallback;
  bool escapedHere = false;
  if (currentRun == nullptr) {
    fallback.criterion = engine.criteria.criterion;
    fallback.mode = engine.criteria.collectionMode;
    fallback.text = engine.criteria.nameText;
    fallback.prefixed = DirectionPrefixed(fallback.text);
    fallback.upperText = UpperCase1252(fallback.text);
    fallback.fold = &FoldTable();
  }
  const RunContext& run = currentRun != nullptr ? *currentRun : fallback;
  if (run.criterion == kSearchAnyName &&
      !SortedHas(run.filesBefore, std::make_pair(entry.mapID, entry.overlayID))) {
    return TakeAllSummaryRecs(entry.mapID, entry.overlayID);
  }
  std::vector<CollectionEntry> found;
  int32_t failure = 0;
  const char* failedCall = "";
  int32_t visited = 0;
  bool fileReady = false;
  int32_t mapIndex = -1, fileIndex = -1;
  const int32_t walked = ForEachSummaryRecord(
      entry.mapID, entry.overlayID,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (visited % kStopCheckEvery == 0) fileReady = false;
        if (StopNow(visited++)) {
          escapedHere = true;
          return -1;
        }
        if (!SummaryRecordLive(record)) return 0;
        if (run.criterion == kSearchStartsWith && !run.prefixed &&
            !KeyMayStartWith(record.nameStart, run.text)) {
          return 0;
        }
        if (run.mode == kSearchAdd &&
            SortedHas(run.before, ObjectKey{entry.mapID, entry.overlayID, record.position})) {
          return 0;
        }
        int32_t err = KeepObjectFileCurrent(entry.mapID, entry.overlayID, fileReady);
        if (err != 0) {
          failure = err;
          failedCall = "AllocateSpaceForFile()";
          return err;
        }
        bool passes = false;
        uint8_t aliases = 0;
        err = TestRecordName(run, CurrentObjectFile(), record.position, true, passes, aliases,
                             failedCall);
        if (err != 0) {
          failure = err;
          return err;
        }
        if (!passes) return 0;
        int16_t flags = aliases > 0 ? kCollectionHasAliases : 0;
        if (!WRectPlaced(record.worldRect)) flags = static_cast<int16_t>(flags | kCollectionAlias);
        found.push_back(
            MakeEntry(entry.mapID, entry.overlayID, record.position, record.nameStart, flags));
        return 0;
      },
      &mapIndex, &fileIndex);
  // What was found before a stop or a failure stays.
  const int32_t added = AppendCollectedEntries(found);
  if (failure != 0) {
    ReportError("SearchLayerFile()", failedCall, failure);
    return failure;
  }
  if (escapedHere) {
    if (currentRun != nullptr) currentRun->escaped = true;
    return -1;
  }
  if (walked != 0) {
    ReportError("SearchLayerFile()", "ForEachSummaryRecord()", walked);
    return walked;
  }
  return added;
}

int32_t SelectInsideOutside(bool inside, int16_t referenceKind, double distance, Handle& result) {
  result = MyNewHandle(0);
  if (result == nullptr) {
    ReportError("SelectInsideOutside()", "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  Reference reference;
  int32_t err = ReadReference(referenceKind, reference);
  if (err != 0) return err;
  if (reference.shapes.empty()) {
    // Nothing to measure from: nothing is inside, everything is outside.
    reference.bounds = {0, 0, 0, 0};
  }
  const int16_t unit = NormaliseDistanceUnit(CurrentGeometrySettings().distanceUnit);
  const Reach reach = SearchReach(distance, unit, reference.bounds);
  const WRect area = inside ? reference.bounds : kWorldWRect;
  const int32_t growX = inside ? reach.dx : 0;
  const int32_t growY = inside ? reach.dy : 0;
  const WRect grownArea = OutsetWRect(area, growX, growY);

  std::vector<CollectionEntry> found;
  int32_t failure = 0;
  uint32_t lastProgress = Platform().TickCount() - kProgressTicks;
  int32_t checks = 0;
  LongOperationScope scope;
  const int32_t walked = ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        if (!OverlayMarkedForSearch(entry.overlayID) || !MapMarkedForSearch(entry.mapID)) return 0;
        if (!CollectableOverlayID(entry.overlayID)) return 0;
        LayerRecord layer;
        const int32_t layerIndex = LayerIDToIndex(entry.overlayID);
        if (!GetLayerRecord(layerIndex, layer)) {
          ReportError("SelectInsideOutside()", "LayerIDToIndex()", kErrGeneral);
          failure = kErrGeneral;
          return failure;
        }
        if (inside && reference.shapes.empty()) return 0;
        struct Candidate {
          int32_t position;
          char key[4];
        };
        std::vector<Candidate> candidates;
        int32_t mapIndex = -1, fileIndex = -1;
        err = ForEachSummaryRecord(
            entry.mapID, entry.overlayID,
            [&](const SummaryRecord& record, int32_t) -> int32_t {
              if (!SummaryRecordLive(record) || !WRectPlaced(record.worldRect)) return 0;
              if (!WRectsOverlap(record.worldRect, grownArea)) return 0;
              Candidate c{record.position, {}};
              std::memcpy(c.key, record.nameStart, 4);
              candidates.push_back(c);
              return 0;
            },
            &mapIndex, &fileIndex, &area, growX, growY, 0, BlockNearArea);
        if (err != 0) {
          ReportError("SelectInsideOutside()", "ForEachSummaryRecord()", err);
          failure = err;
          return err;
        }
        if (candidates.empty()) return 0;
        err = AllocateSpaceForFile(entry.mapID, entry.overlayID, kObjectFileKind, kObjectReadWindow,
                                   &mapIndex, &fileIndex);
        if (err != 0) {
          ReportError("SelectInsideOutside()", "AllocateSpaceForFile()", err);
          failure = err;
          return err;
        }
        const std::string overlayName = LayerName(layerIndex);
        const std::string mapName = MapName(entry.mapID);
        const auto total = static_cast<int64_t>(candidates.size());
        for (size_t i = 0; i < candidates.size(); ++i) {
          const uint32_t now = Platform().TickCount();
          if (now - lastProgress >= kProgressTicks) {
            lastProgress = now;
            const auto percent = static_cast<short>(static_cast<int64_t>(i) * 100 / total);
            Platform().SetMessageLine(
                FormatText(kSearchingProgress, overlayName.c_str(), mapName.c_str(), percent));
          }
          if (StopNow(checks++)) {
            engine.stopped = true;
            return -1;
          }
          const Candidate& c = candidates[i];
          NearShape shape;
          bool hasShape = false;
          err = ReadSearchShape(CurrentObjectFile(), c.position, layer, engine.areaFlag, shape,
                                hasShape);
          if (err != 0) {
            ReportError("SelectInsideOutside()", "ReadSearchShape()", err);
            failure = err;
            return err;
          }
          if (!hasShape) continue;
          bool near = false;
          for (const NearShape& ref : reference.shapes) {
            if (ShapesNear(ref, shape, reach)) {
              near = true;
              break;
            }
          }
          if (near != inside) continue;
          uint8_t aliases = 0;
          err = FSGetObjectAliasCount(CurrentObjectFile(), c.position, aliases);
          if (err != 0) {
            ReportError("SelectInsideOutside()", "FSGetObjectAliasCount()", err);
            failure = err;
            return err;
          }
          found.push_back(MakeEntry(entry.mapID, entry.overlayID, c.position, c.key,
                                    aliases > 0 ? kCollectionHasAliases : 0));
        }
        return 0;
      },
      kWalkForwards, true, false, true);
  // What was found before a stop stays.
  HandleArray<CollectionEntry> list(result);
  if (list.Resize(static_cast<int32_t>(found.size())) != 0) {
    ReportError("SelectInsideOutside()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  if (!found.empty()) std::memcpy(*result, found.data(), found.size() * sizeof(CollectionEntry));
  if (failure != 0) return failure;
  return walked == -1 ? 0 : walked;
}

int32_t RunSearch() {
  engine.stopped = false;
  const SearchCriteria& criteria = engine.criteria;
  RunContext run;
  run.criterion = criteria.criterion;
  run.mode = criteria.collectionMode;
  run.text = criteria.nameText;
  run.prefixed = DirectionPrefixed(run.text);
  run.upperText = UpperCase1252(run.text);
  run.fold = &FoldTable();
  int32_t result = 0;
  const bool spatial = run.criterion >= kSearchWithin && run.criterion <= kSearchNotTouching;
  if (!spatial && run.mode != kSearchSubsearch) {
    if (run.mode == kSearchReplace) {
      result = ClearSearchCollection();
      if (result != 0) return result;
    } else {
      for (const CollectionEntry& e : CollectionCopy()) {
        run.before.push_back(KeyOf(e));
        run.filesBefore.emplace_back(e.mapID, e.overlayID);
      }
      std::sort(run.before.begin(), run.before.end());
      std::sort(run.filesBefore.begin(), run.filesBefore.end());
    }
    currentRun = &run;
    BeginCollecting();
    {
      LongOperationScope scope;
      const int32_t walked = ForEachOverlayFile(
          [](OverlayFileRecord& entry) -> int32_t {
            const int32_t err = SearchLayerFile(entry);
            return err < 0 ? err : 0;
          },
          kWalkForwards, true, false, true);
      if (walked != 0) {
        engine.stopped = true;
        if (!run.escaped) result = walked;
      }
    }
    currentRun = nullptr;
    EndCollecting();
    if (!FreeMemoryAtLeast(kLowMemory)) ShrinkBufferedFiles(0);
  } else if (spatial) {
    double distance = 0;
    if (run.criterion == kSearchWithin || run.criterion == kSearchNotWithin) {
      if (!ParseSearchDistance(criteria.distanceText, distance)) {
        Platform().Beep();
        return kErrGeneral;
      }
      distance = ConvertDistance(distance, SearchDistanceUnit(criteria),
                                 NormaliseDistanceUnit(CurrentGeometrySettings().distanceUnit));
    }
    const bool inside = run.criterion == kSearchWithin || run.criterion == kSearchTouching;
    Handle found = nullptr;
    result = SelectInsideOutside(inside, criteria.reference, distance, found);
    ScopedHandle owned(found);
    if (result != 0) engine.stopped = true;
    if (found != nullptr) {
      const int32_t applied = ApplySpatialResult(run.mode, found, engine.stopped);
      if (result == 0) result = applied;
    }
  } else {
    result = NameSubsearch(run);
  }
  Platform().SetMessageLine("");
  SetCollectionStopped(engine.stopped);
  const int32_t sorted = SortCollection();
  return result != 0 ? result : sorted;
}

// --- The search message ---

std::vector<std::string> SplitSearchNameList(std::string_view list) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find('\r', at);
    if (end == std::string_view::npos) end = list.size();
    names.emplace_back(list.substr(at, end - at));
    at = end + 1;
    if (at < list.size() && list[at] == '\n') ++at;
  }
  return names;
}

int32_t ExternalSearch(const ExternalSearchRequest& request, Handle& result) {
  result = MyNewHandle(0);
  if (result == nullptr) {
    ReportError("ExternalSearch()", "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  const SearchCriteria savedCriteria = engine.criteria;
  const SavedMarks savedMarks = SaveMarks();
  const std::vector<CollectionEntry> savedCollection = CollectionCopy();
  const bool savedStopped = CollectionStopped();

  // The maps.
  const std::vector<std::string> mapNames = SplitSearchNameList(request.mapNames);
  bool anyMap = false;
  MapRecord map;
  const WRect view = ViewWorldRect();
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    bool marked = false;
    if (mapNames.size() == 1 && mapNames[0] == kSearchAllMaps) {
      marked = true;
    } else if (!mapNames.empty()) {
      const std::string_view name(map.name, strnlen(map.name, sizeof map.name));
      const std::string_view code(map.owner, strnlen(map.owner, sizeof map.owner));
      for (const std::string& wanted : mapNames) {
        if (CollateEqual(name, wanted) || CollateEqual(code, wanted)) marked = true;
      }
    } else {
      marked = WRectPlaced(map.extent) && WRectsOverlap(map.extent, view);
    }
    map.searchMark = marked ? 1 : 0;
    SetMapRecord(i, map);
    anyMap = anyMap || (marked && map.inUse != 0);
  }
  // The overlays.
  std::vector<std::string> overlayNames = SplitSearchNameList(request.overlayNames);
  if (request.cutOverlayNames) {
    for (std::string& name : overlayNames) name = TrimmedAtParenthesis(name);
  }
  bool anyOverlay = false;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    bool marked = overlayNames.empty();
    const std::string_view name(layer.name, strnlen(layer.name, sizeof layer.name));
    for (const std::string& wanted : overlayNames) {
      if (CollateEqual(name, wanted)) marked = true;
    }
    layer.searchMark = marked ? 1 : 0;
    SetLayerRecord(i, layer);
    anyOverlay = anyOverlay || marked;
  }

  SearchCriteria criteria;
  criteria.criterion = request.criterion;
  criteria.nameText = request.nameText;
  criteria.distanceText = request.distanceText;
  criteria.distanceUnit = request.distanceUnit;
  criteria.reference = request.reference;
  criteria.collectionMode = kSearchReplace;
  SetSearchCriteria(criteria);

  int32_t err = 0;
  std::string message;
  if (criteria.criterion < kSearchAnyName || criteria.criterion > kSearchNotTouching ||
      CheckSearchReference(criteria, message) != 0) {
    err = kErrGeneral;
  } else if (anyMap && anyOverlay) {
    // Unknown names leave nothing marked: the answer is an empty collection.
    const bool savedAreaFlag = engine.areaFlag;
    engine.areaFlag = request.areaFlag;
    err = RunSearch();
    engine.areaFlag = savedAreaFlag;
    if (err == 0) {
      const std::vector<CollectionEntry> found = CollectionCopy();
      HandleArray<CollectionEntry> list(result);
      if (list.Resize(static_cast<int32_t>(found.size())) != 0) {
        err = kErrMemoryFull;
        ReportError("ExternalSearch()", "MySetHandleSize()", err);
      } else if (!found.empty()) {
        std::memcpy(*result, found.data(), found.size() * sizeof(CollectionEntry));
      }
    }
  }
  engine.criteria = savedCriteria;
  RestoreMarks(savedMarks);
  ReplaceSearchCollection(savedCollection);
  SetCollectionStopped(savedStopped);
  return err;
}

void ResetSearchEngineForTesting() {
  engine = EngineState();
  currentRun = nullptr;
}

}  // namespace tlv
