// Objects named by sibling programs: ID texts, list lines and answer lines, and the messages that
// show, search, describe, delete, import, rename and surround objects.
#include "iac/object_messages.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/coordinates.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/wrect.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/message_params.h"
#include "iac/thematic_lists.h"
#include "search/collection.h"
#include "search/search_engine.h"
#include "search/show_on_map.h"
#include "store/object_id_index.h"
#include "store/object_record.h"

namespace tlv {

namespace {

namespace fs = std::filesystem;

// The result of a message whose work needs a part the program does not have yet.
constexpr int32_t kErrNotAvailable = -4;

constexpr int32_t kOptionRoom = 319;
constexpr int32_t kSearchOptionRoom = 255;
constexpr int32_t kWordRoom = 19;
constexpr int32_t kPathRoom = 255;
constexpr int32_t kSearchNameRoom = 49;
constexpr int32_t kSearchMapsRoom = 319;
constexpr int32_t kObjectLineRoom = 199;
constexpr int32_t kNewNameRoom = 99;
constexpr int32_t kCentreRoom = 39;
constexpr int32_t kOneCharacter = 1;
constexpr int32_t kIDRoom = 16;

// The zone's colour: menu position 15 (red) is stored as colour 14.
constexpr int16_t kZoneColour = 14;

constexpr const char* kUnsupportedSearch = "Unsupported searchFor parameter";
constexpr const char* kDistanceExpected = "DIST parameter expected.";
constexpr const char* kRgbTooShort = "LST2 param must have more than 1 line";
constexpr const char* kRgbSecondLine =
    "LST2 param does not have tab char and return char where expected in second line";
constexpr const char* kRgbLength =
    "LST2 param does not have 28 chars for subsequent lines as expected";
constexpr const char* kCtrlIgnoredPlaces =
    "Note: The CTRL parameter is being ignored because the objects are on more than one "
    "layer/map.";
constexpr const char* kCtrlIgnoredFile =
    "Note: The CTRL parameter is being ignored because WriteLST2ToFile is set in your "
    "MPCONFIG.TXT file.";
constexpr const char* kMapDoesNotExist = " Map does not exist: ";
constexpr const char* kUserMapName = "User's Map";
constexpr const char* kFileDoesNotExist = "File does not exist:\r\n";
constexpr const char* kListFileName = "LST2.txt";
constexpr const char* kNotFoundFileName = "NotFound.TXT";
constexpr const char* kAnswerFileName = "YRODLST2.TXT";

struct ObjectMessageState {
  ObjectMessageHooks hooks;
  ShowReport report;
  std::string deferredSearch;  // a whole SHOWINCOLLECTION request waiting for activation
  std::string deferredSender;
};

ObjectMessageState state;

// --- Parameters ---

using iac_params::Answer;
using iac_params::Contains;
using iac_params::HasParam;
using iac_params::LongParam;
using iac_params::Param;
using iac_params::RequiredParam;

void BringForward() {
  if (state.hooks.bringOwnWindowForward) state.hooks.bringOwnWindowForward();
}

bool WriteListToFile() {
  return state.hooks.writeListToFile && state.hooks.writeListToFile();
}

std::string UserFolder() {
  return state.hooks.userFolder ? WithTrailingSlash(state.hooks.userFolder()) : "";
}

// Reads a whole file by its path; the code of the failure otherwise.
int32_t ReadWholeFile(const std::string& path, std::string& text) {
  std::error_code err;
  if (!fs::is_regular_file(path, err)) return kErrFileNotFound;
  std::ifstream in(path, std::ios::binary);
  if (!in) return kErrGeneral;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.bad() ? kErrGeneral : 0;
}

int32_t WriteWholeFile(const std::string& path, std::string_view text, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!out) return kErrGeneral;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return out.flush() ? 0 : kErrGeneral;
}

// --- Objects of lists ---

std::string MapNameOf(int32_t mapID) {
  MapRecord map;
  if (!GetMapRecord(MapIDToIndex(mapID), map)) return "";
  return FieldText(map.name, sizeof(map.name));
}

// An ID per entry, sorted, with the entries it came from; the scan of one overlay file looks
// each summary record's ID up here by bisection.
struct SortedIDs {
  std::vector<std::pair<uint64_t, size_t>> keys;
  void Sort() { std::sort(keys.begin(), keys.end()); }
};

// One pass over the summary records of the overlay file: every live record whose ID is among
// the sorted IDs calls matched(entry, record, summary index) for each entry with that ID that
// has not matched yet.
int32_t ScanOverlayFor(
    int32_t mapID, int32_t overlayID, const SortedIDs& ids, std::vector<bool>& done,
    const std::function<void(size_t entry, const SummaryRecord& record, int32_t index)>& matched) {
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0 || OverlayFileIndexForID(mapIndex, overlayID) < 0) return 0;
  ++state.report.overlayScans;
  int32_t walkMap = -1, walkFile = -1;
  return ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& record, int32_t index) -> int32_t {
        if (!SummaryRecordLive(record)) return 0;
        const uint64_t key = ObjectIDKey({record.idHigh, record.idLow});
        auto it =
            std::lower_bound(ids.keys.begin(), ids.keys.end(), std::make_pair(key, size_t{0}));
        for (; it != ids.keys.end() && it->first == key; ++it) {
          if (done[it->second]) continue;
          done[it->second] = true;
          matched(it->second, record, index);
        }
        return 0;
      },
      &walkMap, &walkFile);
}

// --- Answers ---

const char* TypeWord(int16_t type) {
  static constexpr const char* kWords[] = {"RECTANGLE", "CIRCLE", "POINT", "POLYLINE",
                                           "POLYGON",   "TEXT",   "PICT",  "ALIAS"};
  if (type < 1 || type > 8) return "UNKNOWN";
  return kWords[type - 1];
}

// The lines of a list of objects with the columns; objects that cannot be read are left out.
std::string AnswerLines(const std::vector<ObjectRef>& objects, const AnswerColumns& columns) {
  std::string lines;
  for (const ObjectRef& object : objects) AppendAnswerLine(object, columns, lines);
  return lines;
}

// "YROD" with the lines, or with the path of the file they were written to.
int32_t AnswerObjects(const char* caller, const std::string& lines, int32_t count, const char* type,
                      const std::string* filePath) {
  std::string listValue = lines;
  if (filePath != nullptr) {
    if (const int32_t err = WriteWholeFile(*filePath, lines); err != 0) {
      ReportError(caller, "WriteFileContents()", err);
      return err;
    }
    listValue = *filePath;
  }
  const std::string number = std::to_string(count);
  const IACParam answer[] = {
      {"NUM ", kIACTextKind, number.c_str(), 0},
      {"LST2", kIACTextKind, listValue.c_str(), 0},
      {"TYPE", kIACTextKind, type, 0},
      {"", 0, nullptr, 0},
  };
  return Answer("YROD", answer);
}

// The objects of the list lines that are found, in list order.
std::vector<ObjectRef> FindListedObjects(std::string_view list, const LookupWidening& widening) {
  std::vector<ObjectRef> objects;
  const std::string normalised = NormaliseListLineEnds(list);
  for (const std::string_view text : ListLines(normalised)) {
    ListLine line;
    if (!ParseListLine(text, line)) continue;
    ObjectRef object;
    bool found = false;
    if (FindListedObject(line, widening, object, found) == 0 && found) objects.push_back(object);
  }
  return objects;
}

// --- SHOW ---

struct ShowOptions {
  int32_t mode = kShowModeFit;
  bool select = false;
  bool coloured = false;
  bool thematic = false;
  LookupWidening widening;
  bool anyOption = false;
  bool noNotFoundAlert = false;
  bool update = false;
};

ShowOptions ReadShowOptions(std::string_view options) {
  ShowOptions o;
  if (Contains(options, "YESZOOM")) {
    o.mode = kShowModeZoom;
  } else if (Contains(options, "NEVERZOOM")) {
    o.mode = kShowModeKeepOrCentre;
  } else if (Contains(options, "SAMEVIEW")) {
    o.mode = kShowModeStay;
  } else if (state.hooks.viewIsSet && !state.hooks.viewIsSet()) {
    o.mode = kShowModeZoom;
  }
  o.select = Contains(options, "YESSELECT") ||
             (Contains(options, "SELECT") && !Contains(options, "NOSELECT"));
  o.coloured = Contains(options, "RGBCONTROL");
  o.thematic = o.coloured || Contains(options, "CTRL");
  o.widening = LookupWideningFromOptions(options);
  o.anyOption = o.widening.anyMap || o.widening.userMap || o.widening.anyOverlay;
  o.noNotFoundAlert = Contains(options, "NONOTFOUNDALERT");
  o.update = Contains(options, "UPDATE");
  return o;
}

// A list whose lines all parse, name one existing overlay on one existing map, and have one
// length, with nothing else in the text.
bool UniformList(std::string_view normalised, const std::vector<std::string_view>& lines,
                 std::vector<ListLine>& parsed) {
  if (lines.empty()) return false;
  parsed.clear();
  parsed.reserve(lines.size());
  const size_t length = lines.front().size();
  for (const std::string_view text : lines) {
    ListLine line;
    if (text.size() != length || !ParseListLine(text, line)) return false;
    if (!parsed.empty() && (line.overlayName != parsed.front().overlayName ||
                            line.mapName != parsed.front().mapName)) {
      return false;
    }
    parsed.push_back(std::move(line));
  }
  if (parsed.front().mapID == 0 || parsed.front().overlayID == 0) return false;
  return normalised.size() == lines.size() * (length + 1);
}

struct ShowRun {
  std::vector<ObjectRef> found;
  size_t foundLines = 0;
  std::string missingMap;  // a map named by an unfound line that is not present
  std::string notFoundLines;
};

void NoteNotFound(ShowRun& run, const ListLine& line) {
  if (line.mapMissing && run.missingMap.empty()) run.missingMap = line.mapName;
  run.notFoundLines += line.idText + "\t" + line.overlayName + "\t" + line.mapName + "\r\n";
}

void LookUpOne(ShowRun& run, const ListLine& line, const LookupWidening& widening) {
  ++state.report.lookups;
  ObjectRef object;
  bool found = false;
  if (FindListedObject(line, widening, object, found) == 0 && found) {
    run.found.push_back(object);
    ++run.foundLines;
  } else {
    NoteNotFound(run, line);
  }
}

// The uniform path: one scan of the overlay file, with the thematic list when one is asked for.
int32_t ShowUniform(ShowRun& run, const std::vector<ListLine>& lines,
                    const std::vector<ColouredEntry>* colours, bool thematic,
                    const ShowOptions& o) {
  state.report.path = ShowPath::kUniform;
  const int32_t mapID = lines.front().mapID;
  const int32_t overlayID = lines.front().overlayID;
  SortedIDs ids;
  ids.keys.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) ids.keys.emplace_back(ObjectIDKey(lines[i].id), i);
  ids.Sort();
  std::vector<bool> done(lines.size(), false);
  std::vector<ThematicMember> members;
  int32_t records = 0;
  const int32_t err = ScanOverlayFor(mapID, overlayID, ids, done,
                                     [&](size_t entry, const SummaryRecord& record, int32_t index) {
                                       run.found.push_back({mapID, overlayID, record.position});
                                       ++run.foundLines;
                                       if (!thematic) return;
                                       ThematicMember member;
                                       member.summaryIndex = index;
                                       member.location = {record.worldRect.x1, record.worldRect.y1};
                                       if (colours != nullptr && entry > 0) {
                                         const ColouredEntry& c = (*colours)[entry - 1];
                                         member.code[0] = 'R';
                                         member.code[1] = static_cast<char>(c.red);
                                         member.code[2] = static_cast<char>(c.green);
                                         member.code[3] = static_cast<char>(c.blue);
                                         member.code[4] = c.code;
                                       }
                                       members.push_back(member);
                                     });
  if (err != 0) return err;
  // What the scan did not find may lie elsewhere when the options widen the lookup.
  for (size_t i = 0; i < lines.size(); ++i) {
    if (done[i]) continue;
    if (o.anyOption) {
      LookUpOne(run, lines[i], o.widening);
    } else {
      NoteNotFound(run, lines[i]);
    }
  }
  if (!thematic) return 0;
  // The number of records of the file, for the codes of a ".TDO".
  int32_t walkMap = -1, walkFile = -1;
  ForEachSummaryRecord(
      mapID, overlayID,
      [&records](const SummaryRecord&, int32_t index) -> int32_t {
        records = std::max(records, index + 1);
        return 0;
      },
      &walkMap, &walkFile);
  const int32_t owner = FindFriendBySIGN(IACSenderSignature());
  const int32_t cutoff = state.hooks.thematicCutoff ? state.hooks.thematicCutoff() : 4000;
  return MakeThematicList(mapID, overlayID, owner, members, records, cutoff);
}

// The other lists: overlay by overlay where many lines share one, else line by line.
void ShowOthers(ShowRun& run, const std::vector<std::string_view>& lines, const ShowOptions& o) {
  std::vector<ListLine> parsed;
  parsed.reserve(lines.size());
  for (const std::string_view text : lines) {
    ListLine line;
    if (ParseListLine(text, line)) parsed.push_back(std::move(line));
  }
  const bool batch = lines.size() >= kBatchLookupMinLines && !o.thematic && !o.anyOption;
  size_t known = 0;
  if (batch) {
    for (const ListLine& line : parsed) known += line.mapID != 0 && line.overlayID != 0 ? 1 : 0;
  }
  if (!batch || known < kBatchLookupMinKnown || known * 10 < lines.size()) {
    state.report.path = ShowPath::kLineByLine;
    for (const ListLine& line : parsed) LookUpOne(run, line, o.widening);
    return;
  }
  state.report.path = ShowPath::kBatch;
  std::sort(parsed.begin(), parsed.end(), [](const ListLine& a, const ListLine& b) {
    if (a.mapID != b.mapID) return a.mapID < b.mapID;
    if (a.overlayID != b.overlayID) return a.overlayID < b.overlayID;
    return a.idText < b.idText;
  });
  size_t start = 0;
  while (start < parsed.size()) {
    size_t end = start + 1;
    while (end < parsed.size() && parsed[end].mapID == parsed[start].mapID &&
           parsed[end].overlayID == parsed[start].overlayID) {
      ++end;
    }
    const bool scan =
        parsed[start].mapID != 0 && parsed[start].overlayID != 0 && end - start > kBatchScanMinRun;
    if (!scan) {
      for (size_t i = start; i < end; ++i) LookUpOne(run, parsed[i], o.widening);
    } else {
      SortedIDs ids;
      for (size_t i = start; i < end; ++i) ids.keys.emplace_back(ObjectIDKey(parsed[i].id), i);
      ids.Sort();
      std::vector<bool> done(parsed.size(), false);
      const int32_t mapID = parsed[start].mapID;
      const int32_t overlayID = parsed[start].overlayID;
      ScanOverlayFor(mapID, overlayID, ids, done,
                     [&](size_t, const SummaryRecord& record, int32_t) {
                       run.found.push_back({mapID, overlayID, record.position});
                       ++run.foundLines;
                     });
      for (size_t i = start; i < end; ++i) {
        if (!done[i]) NoteNotFound(run, parsed[i]);
      }
    }
    start = end;
  }
}

// --- SRCH ---

int16_t WordCode(std::string_view text, std::initializer_list<const char*> words) {
  int16_t code = 1;
  for (const char* word : words) {
    if (CollateEqual(text, word)) return code;
    ++code;
  }
  return 0;
}

void RemoveAll(std::string& text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word)) {
    text.erase(at, word.size());
  }
}

// The search a "SRCH" asks for; -1 after the alert of a word it does not know.
int32_t ReadSearchRequest(const char* envelope, ExternalSearchRequest& request,
                          std::string& options, bool& toFile) {
  std::string function;
  if (!RequiredParam(envelope, "FUNC", kWordRoom, function)) return -1;
  std::string overlays;
  std::string maps;
  if (!RequiredParam(envelope, "LYRS", kPathRoom, overlays)) return -1;
  if (!RequiredParam(envelope, "MAPS", kSearchMapsRoom, maps)) return -1;
  options = Param(envelope, "OPTN", kSearchOptionRoom);
  toFile = Contains(function, "FILE") || Contains(options, "FILE");
  std::string word = function;
  RemoveAll(word, "FILE");
  request.criterion = WordCode(word, {"ANYNAME", "NAMESTARTS", "NAMECONTAINS", "WITHIN",
                                      "NOTWITHIN", "TOUCHING", "NOTTOUCHING"});
  if (request.criterion == 0) {
    ShowAlert(kUnsupportedSearch, kStopAlert);
    return -1;
  }
  const bool hasDistance = HasParam(envelope, "DIST");
  request.distanceText = Param(envelope, "DIST", kWordRoom);
  if ((request.criterion == kSearchWithin || request.criterion == kSearchNotWithin) &&
      !hasDistance) {
    ShowAlert(kDistanceExpected, kStopAlert);
    return -1;
  }
  request.distanceUnit =
      WordCode(Param(envelope, "UNIT", kWordRoom, "MI"), {"FT", "YDS", "M", "KM", "MI", "NM"});
  request.reference = WordCode(Param(envelope, "OF  ", kWordRoom, "FOCUSPOINT"),
                               {"FOCUSPOINT", "MARKEDPOINT", "SELECTEDOBJECTS", "PREVCOLLECTION"});
  if (request.reference == 0) request.reference = kReferenceClickPoint;
  request.nameText = Param(envelope, "NAME", kSearchNameRoom);
  request.overlayNames = overlays;
  request.mapNames = maps;
  request.cutOverlayNames = Contains(options, "SEARCHSIMILARLAYERS");
  request.areaFlag = Contains(options, "NONFILLEDASFILLED");
  return 0;
}

std::vector<ObjectRef> CollectionRefs(Handle list) {
  std::vector<ObjectRef> objects;
  if (list == nullptr) return objects;
  const int32_t count = MyGetHandleSize(list) / static_cast<int32_t>(sizeof(CollectionEntry));
  for (int32_t i = 0; i < count; ++i) {
    CollectionEntry entry;
    std::memcpy(&entry, *list + static_cast<size_t>(i) * sizeof(CollectionEntry), sizeof(entry));
    objects.push_back({entry.mapID, entry.overlayID, entry.position});
  }
  return objects;
}

// The search of a SHOWINCOLLECTION request into the search collection, which is shown.
int32_t RunSearchIntoCollection(const char* envelope) {
  ExternalSearchRequest request;
  std::string options;
  bool toFile = false;
  if (ReadSearchRequest(envelope, request, options, toFile) != 0) return -1;
  Handle result = nullptr;
  if (const int32_t err = ExternalSearch(request, result); err != 0) return err;
  if (result == nullptr) return -1;
  const int32_t count = MyGetHandleSize(result) / static_cast<int32_t>(sizeof(CollectionEntry));
  std::vector<CollectionEntry> entries(static_cast<size_t>(count));
  if (count > 0) std::memcpy(entries.data(), *result, entries.size() * sizeof(CollectionEntry));
  MyDisposeHandle(result);
  if (const int32_t err = ReplaceSearchCollection(entries); err != 0) return err;
  return ShowAllCollectedObjects();
}

// --- Zones ---

bool SameZone(const ObjectRef& existing, int16_t type, const WRect& rect,
              const std::vector<WPoint>& outline) {
  if (UseObjectFile(existing.mapID, existing.overlayID) != 0) return false;
  BufferedFile& file = CurrentObjectFile();
  int16_t oldType = 0;
  WRect oldRect;
  if (FSGetObjectType(file, existing.position, oldType) != 0 || oldType != type) return false;
  if (FSGetObjectWorldRect(file, existing.position, oldRect) != 0) return false;
  if (oldRect.x1 != rect.x1 || oldRect.y1 != rect.y1 || oldRect.x2 != rect.x2 ||
      oldRect.y2 != rect.y2) {
    return false;
  }
  if (type != kPolygonObject) return true;
  Handle points = nullptr;
  int32_t count = 0;
  if (FSGetObjectPoints(file, existing.position, points, count) != 0) return false;
  bool same = static_cast<size_t>(count) == outline.size();
  for (int32_t i = 0; same && i < count; ++i) {
    WPoint p;
    std::memcpy(&p, *points + static_cast<size_t>(i) * sizeof(WPoint), sizeof(p));
    same = p.x == outline[static_cast<size_t>(i)].x && p.y == outline[static_cast<size_t>(i)].y;
  }
  MyDisposeHandle(points);
  return same;
}

// The first line of a parameter holding list lines.
bool FirstListLine(const std::string& value, ListLine& line) {
  const std::string normalised = NormaliseListLineEnds(value);
  const std::vector<std::string_view> lines = ListLines(normalised);
  return !lines.empty() && ParseListLine(lines.front(), line);
}

}  // namespace

void SetObjectMessageHooks(ObjectMessageHooks hooks) {
  state.hooks = std::move(hooks);
}

const ObjectMessageHooks& CurrentObjectMessageHooks() {
  return state.hooks;
}

WPoint WorldPointFromDegrees(double latitude, double longitude) {
  const double x = longitude * 1000000.0 + kWorldOffsetX;
  const double y = latitude * 1000000.0 + kWorldOffsetY;
  return {static_cast<int32_t>(std::clamp(x, 0.0, static_cast<double>(kWorldMaxX))),
          static_cast<int32_t>(std::clamp(y, 0.0, static_cast<double>(kWorldMaxY)))};
}

double LatitudeOfWorldY(int32_t y) {
  return (static_cast<double>(y) - kWorldOffsetY) / 1000000.0;
}

double LongitudeOfWorldX(int32_t x) {
  return (static_cast<double>(x) - kWorldOffsetX) / 1000000.0;
}

WRect WRectFromDegrees(double latitude1, double longitude1, double latitude2, double longitude2) {
  const WPoint a = WorldPointFromDegrees(latitude1, longitude1);
  const WPoint b = WorldPointFromDegrees(latitude2, longitude2);
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool ReadObjectIDText(std::string_view text, ObjectID& id) {
  const size_t blank = text.find(' ');
  if (blank != std::string_view::npos) text = text.substr(0, blank);
  if (text.size() > kObjectIDTextLength) return false;
  std::string padded(kObjectIDTextLength - text.size(), '0');
  padded += text;
  uint32_t parts[2] = {};
  for (size_t i = 0; i < 2; ++i) {
    const char* begin = padded.data() + i * 8;
    const auto [end, err] = std::from_chars(begin, begin + 8, parts[i], 16);
    if (err != std::errc() || end != begin + 8) return false;
  }
  id.high = static_cast<int32_t>(parts[0]);
  id.low = static_cast<int32_t>(parts[1]);
  return true;
}

std::string NormaliseListLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') {
      out += text[i];
    } else if (i == 0 || text[i - 1] != '\r') {
      out += '\r';
    }
  }
  while (!out.empty() && out.back() == '\r') out.pop_back();
  if (!out.empty()) out += '\r';
  return out;
}

std::vector<std::string_view> ListLines(std::string_view normalised) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < normalised.size()) {
    size_t end = normalised.find('\r', start);
    if (end == std::string_view::npos) end = normalised.size();
    lines.push_back(normalised.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

int32_t ListMapIndex(std::string_view name) {
  if (name.empty()) return -1;
  const int32_t index = MapNameToIndex(name);
  if (index >= 0) return index;
  if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return -1;
  }
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    if (GetMapRecord(i, map) && FieldText(map.owner, sizeof(map.owner)) == name) return i;
  }
  return -1;
}

bool ParseListLine(std::string_view line, ListLine& parsed) {
  parsed = ListLine();
  const size_t firstTab = line.find('\t');
  const std::string_view idField = line.substr(0, firstTab);
  if (idField.size() != kObjectIDTextLength || !ReadObjectIDText(idField, parsed.id)) return false;
  parsed.idText = std::string(idField);
  if (firstTab == std::string_view::npos) return true;
  const std::string_view rest = line.substr(firstTab + 1);
  const size_t secondTab = rest.find('\t');
  const std::string_view overlay = rest.substr(0, secondTab);
  std::string_view map;
  if (secondTab != std::string_view::npos) {
    map = rest.substr(secondTab + 1);
    map = map.substr(0, map.find('\t'));
  }
  if (overlay.size() > kListOverlayLimit || map.size() > kListMapLimit) return false;
  parsed.overlayName = std::string(overlay);
  parsed.mapName = std::string(map);
  const int32_t layerIndex = overlay.empty() ? -1 : LayerNameToIndex(overlay);
  LayerRecord layer;
  if (layerIndex >= 0 && GetLayerRecord(layerIndex, layer)) parsed.overlayID = layer.layerID;
  const int32_t mapIndex = ListMapIndex(map);
  MapRecord record;
  if (mapIndex >= 0 && GetMapRecord(mapIndex, record)) {
    parsed.mapID = record.mapID;
    parsed.mapName = FieldText(record.name, sizeof(record.name));
  } else {
    parsed.mapMissing = !map.empty();
  }
  return true;
}

AnswerColumns AnswerColumnsFromOptions(std::string_view options) {
  AnswerColumns columns;
  columns.type = Contains(options, "TYPE");
  columns.name = Contains(options, "NAME");
  columns.latLong = Contains(options, "LATLONG");
  columns.interchange = Contains(options, "MIE");
  return columns;
}

int32_t AppendAnswerLine(const ObjectRef& object, const AnswerColumns& columns, std::string& out) {
  if (columns.interchange) {
    if (!state.hooks.interchangeRecord) return kErrNotAvailable;
    return state.hooks.interchangeRecord(object, out);
  }
  if (const int32_t err = UseObjectFile(object.mapID, object.overlayID); err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  ObjectID id;
  if (const int32_t err = FSGetObjectID(file, object.position, id.high, id.low); err != 0) {
    return err;
  }
  std::string line = ObjectIDText(id) + "\t" + LayerName(LayerIDToIndex(object.overlayID)) + "\t" +
                     MapNameOf(object.mapID);
  if (columns.type || columns.latLong) {
    int16_t type = 0;
    if (const int32_t err = FSGetObjectType(file, object.position, type); err != 0) return err;
    if (columns.type) line += std::string("\t") + TypeWord(type);
    if (columns.name) {
      std::string prefix, name;
      if (const int32_t err = FSGetObjectName(file, object.position, prefix, name); err != 0) {
        return err;
      }
      line += "\t" + name;
    }
    if (columns.latLong) {
      WRect rect;
      if (const int32_t err = FSGetObjectWorldRect(file, object.position, rect); err != 0) {
        return err;
      }
      // A symbol stands on its rectangle's top-left corner.
      const WPoint at = type == kPointObject ? WPoint{rect.x1, rect.y2} : WRectCentre(rect);
      line += FormatText("\t%f\t%f", LatitudeOfWorldY(at.y), LongitudeOfWorldX(at.x));
    }
  } else if (columns.name) {
    std::string prefix, name;
    if (const int32_t err = FSGetObjectName(file, object.position, prefix, name); err != 0) {
      return err;
    }
    line += "\t" + name;
  }
  out += line;
  out += "\r\n";
  return 0;
}

LookupWidening LookupWideningFromOptions(std::string_view options) {
  LookupWidening widening;
  widening.anyMap = Contains(options, "ANYMAP");
  widening.userMap = !widening.anyMap && Contains(options, "ANYUMAP");
  widening.anyOverlay = Contains(options, "ANYLAYER");
  return widening;
}

int32_t FindListedObject(const ListLine& line, const LookupWidening& widening, ObjectRef& object,
                         bool& found) {
  found = false;
  if (const int32_t err = FindObjectByID(line.idText, line.mapID, line.overlayID, object, found);
      err != 0 || found) {
    return err;
  }
  // Map 1 is the lookup's filter of the maps an application owns.
  const int32_t mapID = widening.anyMap ? 0 : widening.userMap ? 1 : line.mapID;
  const int32_t overlayID = widening.anyOverlay ? 0 : line.overlayID;
  if (mapID == line.mapID && overlayID == line.overlayID) return 0;
  return FindObjectByID(line.idText, mapID, overlayID, object, found);
}

int32_t ReadColouredList(std::string_view normalised, ListLine& first,
                         std::vector<ColouredEntry>& entries) {
  entries.clear();
  const std::vector<std::string_view> lines = ListLines(normalised);
  if (lines.size() < 2) return 1;
  const size_t second = lines.front().size() + 1;
  if (normalised.size() < second + kRgbLineLength ||
      normalised[second + kObjectIDTextLength] != '\t' ||
      normalised[second + kRgbLineLength - 1] != '\r') {
    return 2;
  }
  if (normalised.size() != second + kRgbLineLength * (lines.size() - 1)) return 3;
  ParseListLine(lines.front(), first);
  auto colour = [](std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
  };
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    ColouredEntry entry;
    entry.idText = std::string(line.substr(0, kObjectIDTextLength));
    entry.code = line[kObjectIDTextLength + 1];
    entry.red = colour(line.substr(18, 3));
    entry.green = colour(line.substr(21, 3));
    entry.blue = colour(line.substr(24, 3));
    entries.push_back(std::move(entry));
  }
  return 0;
}

const ShowReport& LastShowReport() {
  return state.report;
}

int32_t HandleSHOW(const char* envelope) {
  state.report = ShowReport();
  BringForward();
  std::string list;
  const std::string file = Param(envelope, "FILE", kPathRoom);
  if (!file.empty()) {
    if (const int32_t err = ReadWholeFile(file, list); err != 0) {
      ReportFileContentsError("HandleSHOW()", err, 0, -1, file.c_str());
      return -1;
    }
  } else if (!LongParam(envelope, "LST2", true, list)) {
    return -1;
  }
  const std::string folder = UserFolder();
  const bool toFile = WriteListToFile() && !folder.empty();
  if (toFile) {
    WriteWholeFile(folder + kListFileName, list);
    WriteWholeFile(folder + kNotFoundFileName, "");
  }
  const std::string normalised = NormaliseListLineEnds(list);
  const ShowOptions o = ReadShowOptions(Param(envelope, "OPTN", kOptionRoom));
  const std::vector<std::string_view> lines = ListLines(normalised);
  state.report.lines = static_cast<int32_t>(lines.size());

  ShowRun run;
  std::vector<ListLine> parsed;
  std::vector<ColouredEntry> colours;
  bool uniform = false;
  if (o.coloured) {
    ListLine first;
    switch (ReadColouredList(normalised, first, colours)) {
      case 1:
        ShowAlert(kRgbTooShort, kStopAlert);
        return -1;
      case 2:
        ShowAlert(kRgbSecondLine, kStopAlert);
        return -1;
      case 3:
        ShowAlert(kRgbLength, kStopAlert);
        return -1;
      default:
        break;
    }
    // Every further line names an object of the first line's overlay and map.
    parsed.push_back(first);
    for (const ColouredEntry& entry : colours) {
      ListLine line = first;
      line.idText = entry.idText;
      if (!ReadObjectIDText(entry.idText, line.id)) line.id = {};
      parsed.push_back(std::move(line));
    }
    uniform = !first.idText.empty() && first.mapID != 0 && first.overlayID != 0;
  } else {
    // A short list costs less looked up line by line than a scan of its overlay, unless it is
    // to become a thematic list, which only the scan makes.
    uniform = (o.thematic || lines.size() >= kBatchLookupMinLines) &&
              UniformList(normalised, lines, parsed);
  }
  if (uniform && !toFile) {
    if (const int32_t err =
            ShowUniform(run, parsed, o.coloured ? &colours : nullptr, o.thematic, o);
        err != 0) {
      return err;
    }
  } else {
    if (o.thematic) ShowAlert(toFile ? kCtrlIgnoredFile : kCtrlIgnoredPlaces, kStopAlert);
    ShowOthers(run, lines, o);
  }
  if (toFile && !run.notFoundLines.empty()) {
    WriteWholeFile(folder + kNotFoundFileName, run.notFoundLines, true);
  }
  state.report.found = static_cast<int32_t>(run.foundLines);
  if (run.foundLines < lines.size() && !o.noNotFoundAlert) {
    if (!run.missingMap.empty()) {
      ShowAlert(FormatTextV(GetIndString(25500, 95).c_str(), run.missingMap.c_str()), kStopAlert);
    } else {
      ShowAlert(GetIndString(25000, 66), kStopAlert);
    }
  }
  ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
  if (!run.found.empty()) {
    ShowOnMap(nullptr, &run.found, o.select ? kShowActionSelect : kShowActionNone, o.mode,
              kShowListAppend);
  }
  if (o.thematic) RedrawAfterMessage();
  state.report.selected = SelectedObjectCount();
  if (o.update) return HandleMYOD(envelope);
  return 0;
}

int32_t HandleMYOD(const char* envelope) {
  std::string options;
  if (!RequiredParam(envelope, "OPTN", kSearchOptionRoom, options)) return -1;
  const AnswerColumns columns = AnswerColumnsFromOptions(options);
  const bool toFile = Contains(options, "FILE");
  std::vector<ObjectRef> objects;
  if (Contains(options, "IDS")) {
    std::string list;
    if (!LongParam(envelope, "LST2", true, list)) return -1;
    if (toFile) {
      const std::string path = list;
      if (const int32_t err = ReadWholeFile(path, list); err != 0) {
        ReportFileContentsError("HandleMYOD()", err, 0, -1, path.c_str());
        return -1;
      }
    }
    const std::vector<ObjectRef> listed =
        FindListedObjects(list, LookupWideningFromOptions(options));
    objects.insert(objects.end(), listed.begin(), listed.end());
  }
  if (Contains(options, "COLLECTED")) {
    ForEachCollectedObject([&objects](int32_t mapID, int32_t overlayID, int32_t position,
                                      const char(&)[4], int32_t, int16_t) -> int32_t {
      objects.push_back({mapID, overlayID, position});
      return 0;
    });
  }
  if (Contains(options, "SELECTED")) {
    for (int32_t i = 0; i < SelectedObjectCount(); ++i) {
      ObjectRef object;
      if (GetSelectedObject(i, object)) objects.push_back(object);
    }
  }
  const std::string lines = AnswerLines(objects, columns);
  if (!toFile) {
    return AnswerObjects("HandleMYOD()", lines, static_cast<int32_t>(objects.size()), "MYOD",
                         nullptr);
  }
  std::string folder = Param(envelope, "PATH", kPathRoom);
  folder = folder.empty() ? ThematicFolderPath() : WithTrailingSlash(folder);
  if (folder.empty()) {
    ReportError("HandleMYOD()", "WriteFileContents()", kErrFolderNotFound);
    return kErrFolderNotFound;
  }
  const std::string path = folder + kAnswerFileName;
  return AnswerObjects("HandleMYOD()", lines, static_cast<int32_t>(objects.size()), "MYOD", &path);
}

int32_t HandleSRCH(const char* envelope) {
  ExternalSearchRequest request;
  std::string options;
  bool toFile = false;
  if (ReadSearchRequest(envelope, request, options, toFile) != 0) return -1;
  if (Contains(options, "SHOWINCOLLECTION")) {
    const bool foreground = !state.hooks.inForeground || state.hooks.inForeground();
    if (foreground) return RunSearchIntoCollection(envelope);
    state.deferredSearch = envelope;
    state.deferredSender = IACSenderSignature();
    BringForward();
    return 0;
  }
  Handle result = nullptr;
  if (const int32_t err = ExternalSearch(request, result); err != 0) return err;
  if (result == nullptr) return -1;
  const std::vector<ObjectRef> objects = CollectionRefs(result);
  MyDisposeHandle(result);
  const std::string lines = AnswerLines(objects, AnswerColumnsFromOptions(options));
  if (!toFile) {
    return AnswerObjects("HandleSRCH()", lines, static_cast<int32_t>(objects.size()), "SRCH",
                         nullptr);
  }
  if (ThematicFolderPath().empty()) {
    ReportError("HandleSRCH()", "WriteFileContents()", kErrFolderNotFound);
    return kErrFolderNotFound;
  }
  const std::string path = ThematicFolderPath() + kAnswerFileName;
  return AnswerObjects("HandleSRCH()", lines, static_cast<int32_t>(objects.size()), "SRCH", &path);
}

void RunDeferredSearch() {
  if (state.deferredSearch.empty()) return;
  const std::string envelope = std::move(state.deferredSearch);
  state.deferredSearch.clear();
  RunSearchIntoCollection(envelope.c_str());
}

int32_t HandleDELO(const char* envelope) {
  SetUndoNothing();
  std::string list;
  if (LongParam(envelope, "LST2", false, list)) {
    if (list.rfind("FILE\t", 0) == 0) {
      const std::string path = list.substr(5, kPathRoom);
      if (const int32_t err = ReadWholeFile(path, list); err != 0) {
        ReportFileContentsError("HandleDELO()", err, 0, -1, path.c_str());
        return -1;
      }
    }
    // The IDs of each overlay file go to the deletion together.
    std::map<std::pair<int32_t, int32_t>, std::string> byFile;
    const std::string normalised = NormaliseListLineEnds(list);
    for (const std::string_view text : ListLines(normalised)) {
      ListLine line;
      if (!ParseListLine(text, line) || line.overlayID == 0) continue;
      if (line.mapMissing) continue;
      byFile[{line.mapID == 0 ? -1 : line.mapID, line.overlayID}] += line.idText + "\r";
    }
    int32_t result = 0;
    for (const auto& [file, ids] : byFile) {
      if (const int32_t err = DeleteObjectsOnLayer(file.first, file.second, ids.c_str());
          err != 0 && result == 0) {
        result = err;
      }
    }
    RedrawAfterMessage();
    return result;
  }
  std::string overlay;
  if (!RequiredParam(envelope, "LAYR", static_cast<int32_t>(kListOverlayLimit), overlay)) {
    return -1;
  }
  const std::string mapName = Param(envelope, "MAP ", static_cast<int32_t>(kListMapLimit));
  std::string ids;
  if (!LongParam(envelope, "IDS ", true, ids)) return -1;
  const int32_t layerIndex = LayerNameToIndex(overlay);
  LayerRecord layer;
  if (layerIndex < 0 || !GetLayerRecord(layerIndex, layer)) return -1;
  int32_t mapID = UserMapID();
  if (!mapName.empty() && mapName != "USER") {
    MapRecord map;
    if (!GetMapRecord(ListMapIndex(mapName), map)) return -1;
    mapID = map.mapID;
  }
  const int32_t err =
      DeleteObjectsOnLayer(mapID, layer.layerID, NormaliseListLineEnds(ids).c_str());
  RedrawAfterMessage();
  return err;
}

int32_t HandleIMPT(const char* envelope) {
  const std::string mapName = Param(envelope, "MAP ", static_cast<int32_t>(kListMapLimit));
  OldImportRequest request;
  std::string text;
  const bool haveText = LongParam(envelope, "TEXT", false, text);
  if (!haveText) {
    std::string volume;
    if (!RequiredParam(envelope, "NAME", kPathRoom, request.fileName)) return -1;
    // The volume reference of the old file systems: still required, its value unused.
    if (!RequiredParam(envelope, "VREF", kWordRoom, volume)) return -1;
  }
  const std::string mode = Param(envelope, "MOD?", kOneCharacter, "N");
  const std::string select = Param(envelope, "SEL?", kOneCharacter, "Y");
  const std::string show = Param(envelope, "SHOW", kOneCharacter, "Y");
  const std::string distance = Param(envelope, "DIST", kOneCharacter, "N");
  const std::string unit = Param(envelope, "UNIT", kOneCharacter, "M");

  MapRecord map;
  const bool mapFound = mapName.empty() ? GetMapRecord(MapIDToIndex(UserMapID()), map)
                                        : GetMapRecord(ListMapIndex(mapName), map);
  if (!mapFound) {
    ShowAlert(GetIndString(25100, 15) + kMapDoesNotExist +
                  (mapName.empty() ? std::string(kUserMapName) : mapName),
              kStopAlert);
    return -1;
  }
  request.text = haveText ? &text : nullptr;
  request.mode = mode.empty() ? 'N' : mode[0];
  request.select = select == "Y";
  request.mapID = map.mapID;
  request.applicationOwned = MapOwnedByApplication(map);
  if (!distance.empty() && distance != "N") {
    std::string centre;
    if (!RequiredParam(envelope, "CNTR", kCentreRoom, centre)) return -1;
    if (std::sscanf(centre.c_str(), "%lf %*[ ,]%lf", &request.centreLatitude,
                    &request.centreLongitude) != 2) {
      return -1;
    }
    request.relative = true;
    request.unit = distance == "Y" ? (unit.empty() ? 'M' : unit[0]) : distance[0];
  }
  if (!state.hooks.importOldObjects) {
    ReportError("HandleIMPT()", "OldImportObjects()", kErrNotAvailable);
    return kErrNotAvailable;
  }
  std::vector<std::string> ids;
  if (const int32_t err = state.hooks.importOldObjects(request, ids); err != 0) return err;

  std::string idText;
  std::string lines;
  std::vector<ObjectRef> imported;
  for (const std::string& id : ids) {
    idText += id + "\r";
    ObjectRef object;
    bool found = false;
    if (FindObjectByID(id, map.mapID, 0, object, found) != 0 || !found) continue;
    imported.push_back(object);
    lines +=
        FormatText("%s\t%s\t%s", id.c_str(), LayerName(LayerIDToIndex(object.overlayID)).c_str(),
                   FieldText(map.name, sizeof(map.name)).c_str());
    lines += "\r\n";
  }
  const IACParam answer[] = {
      {"IDS ", kIACTextKind, idText.c_str(), 0},
      {"LST2", kIACTextKind, lines.c_str(), 0},
      {"", 0, nullptr, 0},
  };
  const int32_t sent = Answer("OBID", answer);
  if (show == "Y" && !imported.empty()) {
    BringForward();
    ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
    ShowOnMap(nullptr, &imported, request.select ? kShowActionSelect : kShowActionNone,
              kShowModeZoom, kShowListAppend);
  }
  RedrawAfterMessage();
  return sent;
}

int32_t HandleIMP2(const char* envelope) {
  std::string path;
  if (!RequiredParam(envelope, "FILE", kPathRoom, path)) return -1;
  std::error_code exists;
  if (!fs::is_regular_file(path, exists)) {
    ShowAlert(kFileDoesNotExist + path, kStopAlert);
    return -1;
  }
  const std::string passFile = Param(envelope, "IDS ", kOneCharacter, "N");
  const std::string forward = Param(envelope, "FRWD", kWordRoom);
  const std::string mode = Param(envelope, "MOD?", kOneCharacter, "R");
  if (forward.empty() || (forward[0] != 'N' && forward[0] != 'n')) BringForward();
  const int32_t collision = mode == "A" ? 6 : mode == "S" ? 5 : 4;
  const bool threatZones = std::string_view(IACSenderSignature()) == "ZPH5";
  int32_t result = 0;
  if (threatZones && !state.hooks.readThreatZoneFootprints) {
    // Without the footprint information the zones would be imported under the wrong names.
    ReportError("HandleIMP2()", "ReadThreatZoneFootprints()", kErrNotAvailable);
    result = kErrNotAvailable;
  } else if (!state.hooks.importInterchange) {
    ReportError("HandleIMP2()", "Import2()", kErrNotAvailable);
    result = kErrNotAvailable;
  } else {
    if (threatZones) result = state.hooks.readThreatZoneFootprints();
    if (result == 0)
      result = state.hooks.importInterchange(path, passFile == "Y", !threatZones, collision);
    if (threatZones && state.hooks.forgetThreatZoneLabels) state.hooks.forgetThreatZoneLabels();
  }
  const char* status = result == 0 ? "Y" : result == 1 ? "C" : "E";
  const IACParam answer[] = {
      {"STAT", kIACTextKind, status, 0},
      {"", 0, nullptr, 0},
  };
  const int32_t sent = Answer("IMP!", answer);
  return result == 0 || result == 1 ? sent : result;
}

int32_t HandleNAME(const char* envelope) {
  std::string objectLine;
  std::string newName;
  if (!RequiredParam(envelope, "OBJ ", kObjectLineRoom, objectLine)) return -1;
  if (!RequiredParam(envelope, "NAME", kNewNameRoom, newName)) return -1;
  const std::string prefix = Param(envelope, "PFIX", kWordRoom);
  const bool newIDGiven = HasParam(envelope, "ID  ");
  const std::string newIDText = Param(envelope, "ID  ", kIDRoom);
  ListLine line;
  ObjectRef object;
  bool found = false;
  if (FirstListLine(objectLine, line)) FindListedObject(line, LookupWidening(), object, found);
  if (!found) {
    ShowAlert(GetIndString(25500, 75), kStopAlert);
    return -1;
  }
  MapRecord map;
  LayerRecord layer;
  if (!GetMapRecord(MapIDToIndex(object.mapID), map) ||
      !GetLayerRecord(LayerIDToIndex(object.overlayID), layer)) {
    return -1;
  }
  if (map.locked != 0 || (layer.lockState == 1 && !MapOwnedByApplication(map))) return 0;
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = newName;
  ObjectID newID;
  const bool reID = newIDGiven && ReadObjectIDText(newIDText, newID);
  if (newIDGiven && !reID) return -1;
  if (const int32_t err =
          ReplaceObjectContents(object, object.mapID, reID ? &newID : nullptr, contents, 0, 0);
      err != 0) {
    return err;
  }
  ShowOnMap(&object, nullptr, kShowActionNone, kShowModeKeepOrCentre, kShowListReplace);
  RedrawAfterMessage();
  return 0;
}

int32_t HandleNBHQuery(const char* envelope) {
  std::string sourceLine;
  std::string overlayName;
  std::string radiusText;
  if (!RequiredParam(envelope, "OBJ1", kObjectLineRoom, sourceLine)) return -1;
  if (!RequiredParam(envelope, "LYR2", static_cast<int32_t>(kListOverlayLimit), overlayName)) {
    return -1;
  }
  if (!RequiredParam(envelope, "RAD ", kWordRoom, radiusText)) return -1;
  const std::string mapName = Param(envelope, "MAP2", static_cast<int32_t>(kListMapLimit));
  const std::string name = Param(envelope, "NAME", kSearchNameRoom);
  const std::string show = Param(envelope, "SHOW", kOneCharacter, "Y");
  const bool zoneIDGiven = HasParam(envelope, "ID2 ");
  const std::string zoneIDText = Param(envelope, "ID2 ", kWordRoom);

  ListLine line;
  ObjectRef source;
  bool found = false;
  if (FirstListLine(sourceLine, line)) FindListedObject(line, LookupWidening(), source, found);
  if (!found) {
    ShowAlert(GetIndString(25500, 17), kStopAlert);
    return -1;
  }
  if (const int32_t err = UseObjectFile(source.mapID, source.overlayID); err != 0) return err;
  int16_t sourceType = 0;
  WRect sourceRect;
  if (FSGetObjectType(CurrentObjectFile(), source.position, sourceType) != 0 ||
      FSGetObjectWorldRect(CurrentObjectFile(), source.position, sourceRect) != 0) {
    return -1;
  }
  if (sourceType != kPointObject && sourceType != kPolylineObject && sourceType != kPolygonObject) {
    ShowAlert(GetIndString(25500, 16), kStopAlert);
    return -1;
  }
  const int16_t unit = NormaliseDistanceUnit(CurrentGeometrySettings().distanceUnit);
  const double radius = ConvertDistance(std::atof(radiusText.c_str()), kUnitMiles, unit);

  // The zone's shape.
  int16_t zoneType = kCircleObject;
  WRect zoneRect;
  std::vector<WPoint> outline;
  if (sourceType == kPointObject) {
    const WPoint centre{sourceRect.x1, sourceRect.y2};
    const int32_t dx = LengthToWorldDx(radius, centre.y, unit);
    const int32_t dy = LengthToWorldDy(radius, unit);
    zoneRect = {centre.x - dx, centre.y - dy, centre.x + dx, centre.y + dy};
  } else {
    if (!state.hooks.envelopePolygon) {
      ReportError("HandleNBH()", "EnvelopePolygon()", kErrNotAvailable);
      return kErrNotAvailable;
    }
    if (const int32_t err = state.hooks.envelopePolygon(source.mapID, source.overlayID,
                                                        source.position, radius, outline);
        err != 0) {
      return err;
    }
    if (outline.empty()) return -1;
    zoneType = kPolygonObject;
    // A piece start carries the piece bit in x; the rectangle takes the coordinate alone.
    auto xOf = [](const WPoint& p) {
      return static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
    };
    zoneRect = {xOf(outline.front()), outline.front().y, xOf(outline.front()), outline.front().y};
    for (const WPoint& p : outline) {
      zoneRect.x1 = std::min(zoneRect.x1, xOf(p));
      zoneRect.y1 = std::min(zoneRect.y1, p.y);
      zoneRect.x2 = std::max(zoneRect.x2, xOf(p));
      zoneRect.y2 = std::max(zoneRect.y2, p.y);
    }
  }

  // Where it goes.
  int32_t mapID = source.mapID;
  int32_t overlayID = source.overlayID;
  MapRecord map;
  if (GetMapRecord(ListMapIndex(mapName), map)) mapID = map.mapID;
  LayerRecord layer;
  if (GetLayerRecord(LayerNameToIndex(overlayName), layer)) overlayID = layer.layerID;

  ObjectID zoneID;
  ObjectRef zone;
  bool keep = false;
  if (zoneIDGiven) {
    if (!ReadObjectIDText(zoneIDText, zoneID)) return -1;
    bool exists = false;
    ObjectRef existing;
    if (FindObjectByID(ObjectIDText(zoneID), mapID, overlayID, existing, exists) == 0 && exists) {
      if (SameZone(existing, zoneType, zoneRect, outline)) {
        keep = true;
        zone = existing;
      } else if (const int32_t err = DeleteObjectRecord(existing.mapID, existing.overlayID,
                                                        existing.position, true, false, false);
                 err != 0) {
        return err;
      }
    }
  } else if (const int32_t err = NewObjectID(zoneID); err != 0) {
    return err;
  }
  if (!keep) {
    ObjectContents contents;
    contents.prefix = std::string();
    contents.name = name;
    ObjectGraphics graphics;
    graphics.colour = kZoneColour;
    contents.graphics = graphics;
    contents.rect = zoneRect;
    Handle points = nullptr;
    if (zoneType == kPolygonObject) {
      points = MyNewHandle(static_cast<int32_t>(outline.size() * sizeof(WPoint)));
      if (points == nullptr) return kErrMemoryFull;
      std::memcpy(*points, outline.data(), outline.size() * sizeof(WPoint));
      contents.points = points;
    }
    zone = {mapID, overlayID, -1};
    const int32_t err = CreateObject(mapID, overlayID, zoneType, zoneID, contents, zone.position);
    MyDisposeHandle(points);
    if (err != 0) return err;
  }
  if (show == "Y") {
    BringForward();
    ShowOnMap(&zone, nullptr, kShowActionNone, kShowModeKeepOrFit, kShowListReplace);
  }
  RedrawAfterMessage();
  std::string answerLine;
  AppendAnswerLine(zone, AnswerColumns(), answerLine);
  const IACParam answer[] = {
      {"OBJ2", kIACTextKind, answerLine.c_str(), 0},
      {"", 0, nullptr, 0},
  };
  return Answer("NBH!", answer);
}

void ResetObjectMessagesForTesting() {
  state = ObjectMessageState();
}

}  // namespace tlv
