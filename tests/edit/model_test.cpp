// Random sequences of edits from fixed seeds, checked after every step against a model of which
// object IDs live in which overlay file. The steps go through the callers a user's commands
// reach: objects are made as the creation tools make them (aliases as an import or a sibling
// program's message makes them), restyled, moved to another overlay or map and deleted through
// the selection commands, renamed through the object dialog's edit, brought back and undone with
// Undo, overlays are locked and unlocked, and a small interchange file is imported again and
// again. After every step:
//   - the map checker finds nothing, not even a shared ID (no Duplicate-mode import is made);
//   - the live IDs of every overlay file are the model's;
//   - a drawing pass into a metafile raises no alert, draws something when objects are live,
//     and draws the same picture as a pass after the catalogue is loaded afresh from the files;
// and after an undoable step, now and then, Undo gives back the files as they were before the
// step and a second Undo the files as they were after it.
//
// A failing seed prints the steps that led to it, so the sequence can be replayed by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/map_check.h"
#include "edit_fixture.h"
#include "interchange/import.h"
#include "render/draw_map.h"
#include "render/draw_object.h"
#include "render/map_view.h"
#include "render/metafile/wmf_writer.h"

namespace tlv::test {
namespace {

// ---- The model --------------------------------------------------------------------------------

using IDKey = uint64_t;
IDKey KeyOf(const ObjectID& id) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(id.high)) << 32) |
         static_cast<uint32_t>(id.low);
}
std::string IDString(IDKey key) {
  return ObjectIDText({static_cast<int32_t>(key >> 32), static_cast<int32_t>(key)});
}

struct FileKey {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  bool operator<(const FileKey& o) const {
    return mapID != o.mapID ? mapID < o.mapID : overlayID < o.overlayID;
  }
  bool operator==(const FileKey& o) const = default;
};

// Which IDs are live in which overlay file; aliases are known by the ID they stand for.
struct Model {
  std::map<FileKey, std::multiset<IDKey>> live;
  std::map<IDKey, IDKey> aliasOf;

  bool Has(const FileKey& file, IDKey id) const {
    auto it = live.find(file);
    return it != live.end() && it->second.count(id) > 0;
  }
  void Add(const FileKey& file, IDKey id) { live[file].insert(id); }
  void Remove(const FileKey& file, IDKey id) {
    auto it = live.find(file);
    if (it == live.end()) return;
    auto one = it->second.find(id);
    if (one != it->second.end()) it->second.erase(one);
    if (it->second.empty()) live.erase(it);
  }
  // The live aliases in file that stand for id.
  std::vector<IDKey> AliasesOf(const FileKey& file, IDKey id) const {
    std::vector<IDKey> found;
    auto it = live.find(file);
    if (it == live.end()) return found;
    for (const IDKey a : it->second) {
      auto target = aliasOf.find(a);
      if (target != aliasOf.end() && target->second == id) found.push_back(a);
    }
    return found;
  }
};

std::string Describe(const std::map<FileKey, std::multiset<IDKey>>& live) {
  std::ostringstream out;
  for (const auto& [file, ids] : live) {
    out << "  " << file.mapID << "/" << file.overlayID << ":";
    for (const IDKey id : ids) out << " " << IDString(id);
    out << "\n";
  }
  return out.str();
}

// One live object as the files hold it.
struct LiveObject {
  FileKey file;
  int32_t position = -1;
  IDKey id = 0;
  int16_t type = 0;
  IDKey aliasOf = 0;  // for an alias: the ID it stands for
};

enum class Op {
  kCreate,
  kCreateAlias,
  kModify,
  kEdit,
  kLock,
  kMoveToOverlay,
  kMoveToMap,
  kDelete,
  kUndelete,
  kUndo,
  kReimport,
};

const char* OpName(Op op) {
  switch (op) {
    case Op::kCreate:
      return "create";
    case Op::kCreateAlias:
      return "create alias";
    case Op::kModify:
      return "modify";
    case Op::kEdit:
      return "edit";
    case Op::kLock:
      return "lock or unlock";
    case Op::kMoveToOverlay:
      return "move to overlay";
    case Op::kMoveToMap:
      return "move to map";
    case Op::kDelete:
      return "delete";
    case Op::kUndelete:
      return "delete and undelete";
    case Op::kUndo:
      return "undo";
    case Op::kReimport:
      return "re-import";
  }
  return "?";
}

// How often each operation is chosen.
constexpr std::pair<Op, int> kOperationWeights[] = {
    {Op::kCreate, 6},   {Op::kCreateAlias, 2},   {Op::kModify, 3},    {Op::kEdit, 2},
    {Op::kLock, 1},     {Op::kMoveToOverlay, 3}, {Op::kMoveToMap, 3}, {Op::kDelete, 3},
    {Op::kUndelete, 2}, {Op::kUndo, 3},          {Op::kReimport, 1},
};

constexpr int32_t kStepsPerSeed = 250;
constexpr int32_t kMostLiveObjects = 45;
// The view: 640 x 480 pixels over the place where the objects are made, at a scale that shows
// the names of the objects too.
constexpr int32_t kViewWidth = 640;
constexpr int32_t kViewHeight = 480;
constexpr int32_t kViewScale = 60000;
constexpr int32_t kPlaceX = 100000000;  // longitude -80
constexpr int32_t kPlaceY = 130000000;  // latitude 40
constexpr int32_t kPlaceSize = 60000;   // six hundredths of a degree

constexpr const char* kImportName = "again.mie";
constexpr const char* kPictureName = "chart.bmp";

class ModelTest : public EditTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    ResetImportForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    SetMapArea({0, 0, kViewWidth, kViewHeight});
    CentreViewOn(kViewScale, kPlaceX + kPlaceSize / 2, kPlaceY + kPlaceSize / 2);
    // Pictures are drawn from their files; a stand-in reader gives a small image for any file
    // that exists.
    SetPictureReader([](const std::string& path, PictureImage& image) {
      std::string resolved;
      if (ResolvePath(path, resolved) != 0) return false;
      image.width = 2;
      image.height = 2;
      image.pixels.assign(4, 0xFF336699u);
      return true;
    });
    importFolder = Register(root / "Program");
    for (const int32_t mapID : {harbour, inland, user}) {
      WriteWholeFile(MapFolder(mapID) / kPictureName, "BM");
    }
    WriteImportFile();
    std::vector<std::string> alerts;
    emptyPicture = Draw(alerts);
    random.seed(GetParam());
  }
  void TearDown() override {
    SetPictureReader({});
    ResetImportForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    EditTest::TearDown();
  }

  fs::path MapFolder(int32_t mapID) { return fs::path(MapFolderPath(MapAt(MapIDToIndex(mapID)))); }
  std::vector<int32_t> Maps() const { return {harbour, inland, user}; }
  std::vector<int32_t> Overlays() const { return {roads, sites}; }

  int32_t Pick(int32_t count) {
    return static_cast<int32_t>(random() % static_cast<uint32_t>(count));
  }
  template <typename T>
  const T& PickOf(const std::vector<T>& items) {
    return items[static_cast<size_t>(Pick(static_cast<int32_t>(items.size())))];
  }
  int32_t Coordinate(int32_t base) { return base + Pick(kPlaceSize); }

  // ---- The interchange file imported again and again ------------------------------------------

  static std::string Record(const std::string& name, const std::string& layer,
                            const std::string& map, const std::string& kind, const std::string& id,
                            const std::string& body, int aliases = 0) {
    return "\"\" \"\" \"\" \"\" 2 \"\" \"" + name + "\" " + std::to_string(aliases) + " \"" +
           layer + "\" \"" + map + "\" " + kind + " \"" + id + "\" 0 \"\" 0 ONLY 0\r\n" + body +
           "\r\n";
  }
  void WriteImportFile() {
    // Longitudes -80 to -79.94 and latitudes 40 to 40.06: the view's place.
    const std::string text =
        Record("Well", "Roads", "Harbour", "POINT", "00000000000A0001", "RED 1 12 -79.96 40.03") +
        Record("Pier", "Sites", "Harbour", "RECT", "00000000000A0002",
               "GREEN 2 DASHES DOWNSTRIPES -79.99 40.01 -79.97 40.02") +
        Record("Creek", "Roads", "Inland", "POLYLINE", "00000000000A0003",
               "BLUE 2 DOTS NONE { { FROM -79.98 40.02 } { TO -79.95 40.05 } "
               "{ TO -79.947 40.03 } }") +
        Record("Depot", "Sites", "Inland", "POINT", "00000000000A0004", "BLACK 1 40 -79.955 40.045",
               1) +
        Record("Depot too", "Sites", "Inland", "ALIAS", "00000000000A0005",
               "\"00000000000A0004\"") +
        Record("Lake", "Sites", "Harbour", "POLYGON", "00000000000A0006",
               "BLUE 1 BLACK GRAY { { FROM -79.985 40.04 } { TO -79.96 40.04 } "
               "{ TO -79.97 40.055 } { TO -79.985 40.04 } }");
    WriteWholeFile(root / "Program" / kImportName, text);
  }
  struct Imported {
    FileKey file;
    IDKey id;
    IDKey aliasOf;
  };
  std::vector<Imported> ImportFileContents() const {
    return {
        {{harbour, roads}, 0xA0001, 0},      {{harbour, sites}, 0xA0002, 0},
        {{inland, roads}, 0xA0003, 0},       {{inland, sites}, 0xA0004, 0},
        {{inland, sites}, 0xA0005, 0xA0004}, {{harbour, sites}, 0xA0006, 0},
    };
  }

  // ---- What the files hold --------------------------------------------------------------------

  std::vector<LiveObject> LiveObjects() {
    std::vector<LiveObject> objects;
    for (const int32_t mapID : Maps()) {
      for (const int32_t overlayID : Overlays()) {
        for (const SummaryRecord& r : Summaries(mapID, overlayID)) {
          if (!SummaryRecordLive(r)) continue;
          LiveObject o;
          o.file = {mapID, overlayID};
          o.position = r.position;
          o.id = KeyOf({r.idHigh, r.idLow});
          BufferedFile& file = Objects(mapID, overlayID);
          EXPECT_EQ(FSGetObjectType(file, r.position, o.type), 0);
          if (o.type == kAliasObject) {
            WRect rect;
            EXPECT_EQ(FSGetObjectWorldRect(file, r.position, rect), 0);
            o.aliasOf = KeyOf({rect.x1, rect.y1});
          }
          objects.push_back(o);
        }
      }
    }
    return objects;
  }
  std::map<FileKey, std::multiset<IDKey>> LiveIDs() {
    std::map<FileKey, std::multiset<IDKey>> live;
    for (const LiveObject& o : LiveObjects()) live[o.file].insert(o.id);
    return live;
  }
  // The files as Undo must give them back: every live record and object and each file's count.
  std::map<std::string, std::string> Files() {
    std::map<std::string, std::string> files = Picture();
    for (const int32_t mapID : Maps()) {
      for (const int32_t overlayID : Overlays()) {
        const int32_t m = MapIDToIndex(mapID);
        const int32_t f = OverlayFileIndexForID(m, overlayID);
        OverlayFileRecord entry;
        const std::string key = std::to_string(mapID) + "/" + std::to_string(overlayID);
        if (f >= 0 && GetOverlayFileRecord(m, f, entry)) {
          files[key] += " count " + std::to_string(entry.objectCount);
        }
        if (files[key].empty() || files[key] == " count 0") files.erase(key);
      }
    }
    return files;
  }

  // ---- The steps ------------------------------------------------------------------------------

  void Note(const std::string& line) { log.push_back(line); }
  std::string Log() const {
    std::string text;
    for (size_t i = 0; i < log.size(); ++i) text += "  " + log[i] + "\n";
    return text;
  }
  static std::string Ref(const LiveObject& o) {
    return IDString(o.id) +
           (o.type == kAliasObject ? " (alias of " + IDString(o.aliasOf) + ")"
                                   : std::string(" (") + ObjectKindWord(o.type) + ")") +
           " in " + std::to_string(o.file.mapID) + "/" + std::to_string(o.file.overlayID) + " @" +
           std::to_string(o.position);
  }

  // Makes an object of a random kind, as a creation tool would, recorded for Undo.
  bool Create() {
    const std::vector<int32_t> unlocked = UnlockedOverlays();
    if (unlocked.empty()) return false;
    const FileKey file{PickOf(Maps()), PickOf(unlocked)};
    static constexpr int16_t kKinds[] = {kPointObject,    kRectangleObject, kCircleObject,
                                         kPolylineObject, kPolygonObject,   kTextObject,
                                         kPictureObject};
    const int16_t type = kKinds[Pick(7)];
    const int32_t x = Coordinate(kPlaceX), y = Coordinate(kPlaceY);
    const int32_t w = 100 + Pick(5000), h = 100 + Pick(5000);
    WRect rect{x, y, x + w, y + h};
    ObjectGraphics graphics;
    graphics.symbol = static_cast<int16_t>(1 + Pick(200));
    graphics.colour = static_cast<int16_t>(1 + Pick(16));
    graphics.variant = static_cast<int16_t>(1 + Pick(3));
    graphics.lineType = static_cast<int16_t>(1 + Pick(9));
    graphics.fillPattern = static_cast<int16_t>(1 + Pick(10));
    graphics.textValue = 21;
    graphics.textCode = 2;
    const std::string prefix;
    const std::string name = "Made " + std::to_string(Pick(1000));
    const std::string text = "Note " + std::to_string(Pick(100));
    const std::string picture = kPictureName;
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.graphics = graphics;
    contents.rect = rect;
    if (type == kTextObject) contents.textOrPicture = text;
    if (type == kPictureObject) contents.textOrPicture = picture;
    ScopedHandle points;
    if (type == kPolylineObject || type == kPolygonObject) {
      const int32_t count = 2 + Pick(4);
      points.reset(MyNewHandle(count * static_cast<int32_t>(sizeof(WPoint))));
      WRect bounds = kUnionStartRect;
      for (int32_t i = 0; i < count; ++i) {
        WPoint p{x + Pick(w), y + Pick(h)};
        UnionWRect(bounds, {p.x, p.y, p.x, p.y});
        std::memcpy(*points.get() + i * sizeof(WPoint), &p, sizeof p);
      }
      rect = bounds;
      contents.points = points.get();
    }
    ObjectID id;
    EXPECT_EQ(NewObjectID(id), 0);
    int32_t position = -1;
    const int32_t err = CreateObject(file.mapID, file.overlayID, type, id, contents, position);
    if (err != 0) {
      ADD_FAILURE() << "CreateObject gave " << err << "\nsteps:\n" << Log();
      return true;
    }
    UndoObjectRecord record;
    record.object = {file.mapID, file.overlayID, position};
    record.before = record.object;
    record.type = type;
    SetUndoObject(kUndoCreate, record);
    model.Add(file, KeyOf(id));
    Note(std::string("create ") + ObjectKindWord(type) + " " + ObjectIDText(id) + " in " +
         std::to_string(file.mapID) + "/" + std::to_string(file.overlayID) + " @" +
         std::to_string(position));
    return true;
  }

  // ---- Locks --------------------------------------------------------------------------------

  std::vector<int32_t> UnlockedOverlays() const {
    std::vector<int32_t> unlocked;
    for (const int32_t overlayID : Overlays()) {
      if (locked.count(overlayID) == 0) unlocked.push_back(overlayID);
    }
    return unlocked;
  }
  // Locks an unlocked overlay or unlocks a locked one, as the Overlay Manager does.
  void ToggleLock() {
    const int32_t overlayID = PickOf(Overlays());
    const bool lock = locked.count(overlayID) == 0;
    if (lock) {
      locked.insert(overlayID);
    } else {
      locked.erase(overlayID);
    }
    ApplyLocks();
    Note(std::string(lock ? "lock " : "unlock ") + std::to_string(overlayID));
  }
  void ApplyLocks() {
    for (int32_t i = 0; i < LayerCount(); ++i) {
      LayerRecord layer = LayerAt(i);
      layer.lockState = locked.count(layer.layerID) != 0 ? kLockedBit : 0;
      ASSERT_TRUE(SetLayerRecord(i, layer));
    }
  }
  // The overlays that the step Undo would reverse touched.
  std::set<int32_t> UndoOverlays() {
    std::set<int32_t> overlays;
    const int16_t kind = UndoKindNow();
    if (kind >= kUndoReshapeHandle && kind <= kUndoCreate) {
      overlays.insert(UndoObject().object.overlayID);
      overlays.insert(UndoObject().before.overlayID);
    }
    for (int32_t i = 0; i < UndoEntryCount(); ++i) {
      UndoEntry entry;
      GetUndoEntry(i, entry);
      overlays.insert(entry.overlayID);
      if (kind == kUndoMoveToOverlay) overlays.insert(entry.oldValue);
    }
    return overlays;
  }
  // Whether Undo is to work now: an overlay locked since the step keeps it from being reversed,
  // except for a delete on a user's map (every map of the test is one).
  bool UndoAllowedNow() {
    const std::set<int32_t> touched = UndoOverlays();
    const bool anyLocked = std::any_of(touched.begin(), touched.end(), [this](int32_t overlayID) {
      return locked.count(overlayID) != 0;
    });
    if (!anyLocked) return true;
    return UndoKindNow() == kUndoDelete;
  }

  // Changes an object's name (and a text object's text) as the object dialog does: the record is
  // made again at the end of the file when the new contents do not fit, and the edit is recorded
  // for Undo with what the object held before.
  bool Edit() {
    std::vector<LiveObject> candidates;
    for (const LiveObject& o : LiveObjects()) {
      if (o.type != kAliasObject && locked.count(o.file.overlayID) == 0) candidates.push_back(o);
    }
    if (candidates.empty()) return false;
    const LiveObject o = PickOf(candidates);
    BufferedFile& file = Objects(o.file.mapID, o.file.overlayID);
    UndoObjectRecord record;
    record.before = {o.file.mapID, o.file.overlayID, o.position};
    record.type = o.type;
    EXPECT_EQ(FSGetObjectName(file, o.position, record.prefix, record.name), 0);
    EXPECT_EQ(FSGetObjectGraphics(file, o.position, record.graphics), 0);
    EXPECT_EQ(FSGetObjectNolongerStateCounty(file, o.position, record.customColour), 0);
    EXPECT_EQ(FSGetObjectWorldRect(file, o.position, record.oldRect), 0);
    if (o.type == kTextObject) {
      EXPECT_EQ(FSGetObjectText(file, o.position, record.text), 0);
    }
    const bool text = o.type == kTextObject;
    // Longer parts than the record has room for make it again at the end of the file.
    const size_t nameLength = 1 + static_cast<size_t>(Pick(30));
    const size_t textLength = 1 + static_cast<size_t>(Pick(30));
    const std::string prefix;
    const std::string name(nameLength, static_cast<char>('a' + Pick(26)));
    const std::string newText(textLength, static_cast<char>('A' + Pick(26)));
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    if (text) contents.textOrPicture = newText;
    record.object = record.before;
    SetUndoObject(kUndoDialogEdit, record);
    ObjectRef object = record.before;
    Note("edit " + Ref(o) + ": name of " + std::to_string(nameLength) +
         (text ? ", text of " + std::to_string(textLength) : std::string()));
    const int32_t err = ReplaceObjectContents(object, object.mapID, nullptr, contents, 0, 0);
    EXPECT_EQ(err, 0) << (platform().alerts.empty() ? std::string() : platform().alerts.back().text)
                      << "\nsteps:\n"
                      << Log();
    record.object = object;
    SetUndoObject(kUndoDialogEdit, record);
    return true;
  }

  // Makes an alias of a live object in its overlay file, as an import or a sibling program's
  // message makes one: the object's alias count goes up and the alias's rectangle holds the
  // object's ID. Neither can be undone.
  bool CreateAlias() {
    // The interchange file's records carry their objects' alias counts, and a re-import in
    // Update mode puts those back; so only objects the test made get aliases this way.
    std::set<IDKey> imported;
    for (const Imported& record : ImportFileContents()) imported.insert(record.id);
    std::vector<LiveObject> targets;
    for (const LiveObject& o : LiveObjects()) {
      if (o.type != kAliasObject && imported.count(o.id) == 0) targets.push_back(o);
    }
    if (targets.empty()) return false;
    const LiveObject target = PickOf(targets);
    const int32_t alias = MakeAlias(target.file.mapID, target.file.overlayID, target.position,
                                    "Alias " + std::to_string(Pick(100)));
    if (HasFatalFailure()) return true;
    ObjectID id;
    EXPECT_EQ(
        FSGetObjectID(Objects(target.file.mapID, target.file.overlayID), alias, id.high, id.low),
        0);
    SetUndoNothing();
    model.Add(target.file, KeyOf(id));
    model.aliasOf[KeyOf(id)] = target.id;
    Note("create alias " + ObjectIDText(id) + " of " + Ref(target) + " @" + std::to_string(alias));
    return true;
  }

  // One to three live objects picked at random; an alias comes with the object it stands for
  // (when moved alone, an alias would stand for nothing in its new overlay file), and an object
  // sometimes brings one of its aliases. The order is random too.
  std::vector<LiveObject> PickSelection(bool aliasesNeedTheirObject, bool unlockedOnly) {
    std::vector<LiveObject> live = LiveObjects();
    if (unlockedOnly) {
      std::erase_if(live, [this](const LiveObject& o) { return locked.count(o.file.overlayID); });
    }
    std::vector<LiveObject> chosen;
    if (live.empty()) return chosen;
    auto has = [&chosen](const LiveObject& o) {
      return std::any_of(chosen.begin(), chosen.end(), [&o](const LiveObject& c) {
        return c.file == o.file && c.position == o.position;
      });
    };
    const int32_t wanted = 1 + Pick(3);
    for (int32_t n = 0; n < wanted; ++n) {
      const LiveObject& o = PickOf(live);
      if (has(o)) continue;
      chosen.push_back(o);
      for (const LiveObject& other : live) {
        const bool itsTarget = o.type == kAliasObject && other.file == o.file &&
                               other.id == o.aliasOf && other.type != kAliasObject;
        const bool itsAlias = o.type != kAliasObject && other.type == kAliasObject &&
                              other.file == o.file && other.aliasOf == o.id;
        if ((itsTarget && aliasesNeedTheirObject) || (itsAlias && Pick(2) == 0)) {
          if (!has(other)) chosen.push_back(other);
        }
      }
    }
    if (aliasesNeedTheirObject) {
      // An alias whose object could not be found is left out.
      std::erase_if(chosen, [&](const LiveObject& o) {
        if (o.type != kAliasObject) return false;
        return std::none_of(chosen.begin(), chosen.end(), [&o](const LiveObject& c) {
          return c.type != kAliasObject && c.file == o.file && c.id == o.aliasOf;
        });
      });
    }
    std::shuffle(chosen.begin(), chosen.end(), random);
    return chosen;
  }
  void Select(const std::vector<LiveObject>& objects, std::string& text) {
    RemoveAllSelectedObjects();
    for (const LiveObject& o : objects) {
      ASSERT_EQ(AddSelectedObject(o.file.mapID, o.file.overlayID, o.position), 1);
      text += "\n      " + Ref(o);
    }
  }

  bool Modify() {
    const std::vector<LiveObject> chosen = PickSelection(false, true);
    if (chosen.empty()) return false;
    static constexpr int32_t kCommands[] = {kCommandColour, kCommandVariant, kCommandLine,
                                            kCommandFill,   kCommandSymbol,  kCommandPolySwap};
    const int32_t command = kCommands[Pick(6)];
    int32_t value = 0;
    switch (command) {
      case kCommandColour:
        value = 1 + Pick(16);
        break;
      case kCommandVariant:
        value = 1 + Pick(3);
        break;
      case kCommandLine:
      case kCommandFill:
        value = 1 + Pick(10);
        break;
      case kCommandSymbol:
        value = Pick(256);
        break;
      default:
        value = kPolySwapValue;
        break;
    }
    std::string text = "modify " + std::to_string(command) + " to " + std::to_string(value);
    Select(chosen, text);
    Note(text);
    EXPECT_EQ(ModifySelectedObjects(command, value), 0);
    return true;
  }

  // Moves a selection to another overlay (or map); returns false when none could be picked.
  bool Move(bool toMap) {
    const std::vector<LiveObject> chosen = PickSelection(true, true);
    if (chosen.empty()) return false;
    FileKey target = chosen[0].file;
    if (toMap) {
      std::vector<int32_t> others;
      for (const int32_t m : Maps()) {
        if (m != target.mapID) others.push_back(m);
      }
      target.mapID = PickOf(others);
    } else {
      target.overlayID = target.overlayID == roads ? sites : roads;
    }
    // A locked overlay takes no objects: every object is refused with the lock refusal.
    const bool intoLocked = !toMap && locked.count(target.overlayID) != 0;
    // Predict what the command does, object by object in selection order.
    Model expected = model;
    std::set<std::pair<FileKey, IDKey>> gone;  // moved along with their objects
    for (const LiveObject& o : chosen) {
      const FileKey to =
          toMap ? FileKey{target.mapID, o.file.overlayID} : FileKey{o.file.mapID, target.overlayID};
      if (intoLocked || to == o.file || gone.count({o.file, o.id}) != 0) continue;
      // An object whose ID is live at the target is refused (message 526); the test does not
      // pick such moves, so that no alias is left without its object.
      if (expected.Has(to, o.id)) return false;
      expected.Remove(o.file, o.id);
      expected.Add(to, o.id);
      if (o.type == kAliasObject) continue;
      for (const IDKey alias : expected.AliasesOf(o.file, o.id)) {
        expected.Remove(o.file, alias);
        expected.Add(to, alias);
        gone.insert({o.file, alias});
      }
    }
    std::string text = std::string(toMap ? "move to map " : "move to overlay ") +
                       std::to_string(toMap ? target.mapID : target.overlayID);
    Select(chosen, text);
    Note(text);
    EXPECT_EQ(ModifySelectedObjects(toMap ? kCommandMoveToMap : kCommandMoveToOverlay,
                                    toMap ? target.mapID : target.overlayID),
              0);
    model = expected;
    return true;
  }

  bool Delete(const char* what) {
    const std::vector<LiveObject> chosen = PickSelection(false, false);
    if (chosen.empty()) return false;
    Model expected = model;
    // Objects go first, each with its live aliases; then the aliases still selected.
    for (const LiveObject& o : chosen) {
      if (o.type == kAliasObject) continue;
      expected.Remove(o.file, o.id);
      for (const IDKey alias : expected.AliasesOf(o.file, o.id)) expected.Remove(o.file, alias);
    }
    for (const LiveObject& o : chosen) {
      if (o.type == kAliasObject && expected.Has(o.file, o.id)) expected.Remove(o.file, o.id);
    }
    std::string text = what;
    Select(chosen, text);
    Note(text);
    EXPECT_EQ(DeleteSelectedObjects2(), 0);
    model = expected;
    return true;
  }

  void Reimport() {
    const bool skip = Pick(3) == 0;
    SetImportMode(skip ? kImportSkip : kImportUpdate);
    Note(std::string("re-import in ") + (skip ? "Skip" : "Update") + " mode");
    ImportSummary summary;
    EXPECT_EQ(Import2(0, importFolder, kImportName, false, false, &summary), 0);
    for (const Imported& record : ImportFileContents()) {
      if (record.aliasOf != 0) model.aliasOf[record.id] = record.aliasOf;
      if (!model.Has(record.file, record.id)) model.Add(record.file, record.id);
    }
  }

  // ---- The checks after every step ------------------------------------------------------------

  void CheckFiles(const std::string& when) {
    std::vector<CheckFinding> findings;
    CheckOptions strict;
    strict.sharedIDsAreProblems = true;
    ASSERT_EQ(CheckMaps(-1, strict, findings), 0);
    std::string text;
    for (const CheckFinding& f : findings) {
      text += "  " + f.mapName + "/" + f.overlayName + " @" + std::to_string(f.position) + " " +
              f.check + ": " + f.message + "\n";
    }
    ASSERT_TRUE(findings.empty()) << "the map checker after " << when << ":\n"
                                  << text << "steps:\n"
                                  << Log();
    const auto live = LiveIDs();
    ASSERT_EQ(live, model.live) << "live IDs after " << when << ":\n"
                                << Describe(live) << "expected:\n"
                                << Describe(model.live) << "steps:\n"
                                << Log();
  }

  // A drawing pass of the view into a metafile, with the alerts it raised.
  std::string Draw(std::vector<std::string>& alerts) {
    platform().alerts.clear();
    WmfPort port(kViewWidth, kViewHeight, 96, nullptr);
    DrawMapRequest request;
    request.interrupted = [] { return false; };
    EXPECT_EQ(DrawMap(port, CurrentMapView(), {0, 0, kViewWidth, kViewHeight}, request), 0);
    for (const auto& alert : platform().alerts) alerts.push_back(alert.text);
    platform().alerts.clear();
    return port.Finish();
  }

  // Loads the catalogue afresh from the files, as a new start of the program would, keeping the
  // IDs: the maps and overlays come back in the same order. Every overlay loads locked, and the
  // user unlocks again those that were unlocked.
  void Reload() {
    ASSERT_EQ(SaveLayers(), 0);
    ReleaseCatalogue();
    ResetLayersForTesting();
    ASSERT_EQ(LoadAll(), 0);
    ASSERT_EQ(MapAt(MapNameToIndex("Harbour")).mapID, harbour);
    ASSERT_EQ(MapAt(MapNameToIndex("Inland")).mapID, inland);
    ASSERT_EQ(UserMapID(), user);
    ASSERT_EQ(LayerAt(LayerNameToIndex("Roads")).layerID, roads);
    ASSERT_EQ(LayerAt(LayerNameToIndex("Sites")).layerID, sites);
    ApplyLocks();
  }

  void CheckDrawing(const std::string& when) {
    std::vector<std::string> alerts;
    const std::string drawn = Draw(alerts);
    ASSERT_TRUE(alerts.empty()) << "the drawing pass after " << when << " said: " << alerts[0]
                                << "\nsteps:\n"
                                << Log();
    // Every object is made inside the view, so a pass over any live one draws something.
    ASSERT_TRUE(model.live.empty() || drawn.size() > emptyPicture.size())
        << "the drawing pass after " << when << " drew nothing\nsteps:\n"
        << Log();
    Reload();
    if (HasFatalFailure()) return;
    alerts.clear();
    const std::string fresh = Draw(alerts);
    ASSERT_TRUE(alerts.empty()) << "the drawing pass after a fresh load said: " << alerts[0];
    ASSERT_TRUE(drawn == fresh) << "the picture after " << when
                                << " differs from the one drawn after a fresh load\nsteps:\n"
                                << Log();
  }

  // Undo gives back the files as they were before the step, a second Undo as they were after it.
  void CheckUndoTwice(const std::map<std::string, std::string>& before, const Model& modelBefore) {
    const auto after = Files();
    const Model modelAfter = model;
    Note("undo");
    ASSERT_EQ(Undo(), 0) << Log();
    model = modelBefore;
    CheckFiles("undo");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(Files() == before) << "Undo did not give back the files\nsteps:\n" << Log();
    Note("undo again");
    ASSERT_EQ(Undo(), 0) << Log();
    model = modelAfter;
    CheckFiles("a second undo");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(Files() == after) << "a second Undo did not give back the files\nsteps:\n" << Log();
  }

  Op PickOperation() {
    int total = 0;
    for (const auto& [op, weight] : kOperationWeights) total += weight;
    int at = Pick(total);
    for (const auto& [op, weight] : kOperationWeights) {
      if (at < weight) return op;
      at -= weight;
    }
    return Op::kCreate;
  }

  void RunSequence() {
    // A step that finds nothing to work on is drawn again.
    for (int32_t attempt = 0; steps < kStepsPerSeed && attempt < 3 * kStepsPerSeed; ++attempt) {
      const int32_t step = steps;
      Op op = PickOperation();
      if (op == Op::kUndo && !UndoAllowedNow()) op = Op::kCreate;
      size_t liveCount = 0;
      for (const auto& [file, ids] : model.live) liveCount += ids.size();
      if (liveCount >= static_cast<size_t>(kMostLiveObjects) &&
          (op == Op::kCreate || op == Op::kCreateAlias)) {
        op = Op::kDelete;
      }
      // Every third undoable step is undone twice; the files before it are kept for that.
      const bool undoTwice = Pick(3) == 0;
      std::map<std::string, std::string> filesBefore;
      if (undoTwice || op == Op::kUndelete) filesBefore = Files();
      const Model modelBefore = model;
      bool undoable = true;
      bool done = true;
      switch (op) {
        case Op::kCreate:
          done = Create();
          break;
        case Op::kEdit:
          done = Edit();
          break;
        case Op::kLock:
          ToggleLock();
          undoable = false;
          break;
        case Op::kCreateAlias:
          done = CreateAlias();
          if (done) haveUndo = false;
          undoable = false;
          break;
        case Op::kModify:
          done = Modify();
          break;
        case Op::kMoveToOverlay:
          done = Move(false);
          break;
        case Op::kMoveToMap:
          done = Move(true);
          break;
        case Op::kDelete:
          done = Delete("delete");
          break;
        case Op::kUndelete:
          // Deleting a selection and bringing it back gives the files as they were.
          done = Delete("delete to undelete");
          if (done && !HasFatalFailure()) {
            undeleteRedo = model;
            CheckFiles("the delete");
            if (HasFatalFailure()) return;
            Note("undelete (undo)");
            ASSERT_EQ(Undo(), 0) << Log();
            model = modelBefore;
            CheckFiles("the undelete");
            if (HasFatalFailure()) return;
            ASSERT_TRUE(Files() == filesBefore) << "undeleting did not give back the files\n"
                                                << Log();
          }
          undoable = false;
          break;
        case Op::kUndo:
          Note("undo");
          ASSERT_EQ(Undo(), 0) << Log();
          if (haveUndo) std::swap(model, undoModel);
          undoable = false;
          break;
        case Op::kReimport:
          Reimport();
          haveUndo = false;
          undoable = false;
          break;
      }
      if (HasFatalFailure()) return;
      if (!done) continue;
      const std::string when = std::string(OpName(op)) + " (step " + std::to_string(step) + ")";
      CheckFiles(when);
      if (HasFatalFailure()) return;
      CheckDrawing(when);
      if (HasFatalFailure()) return;
      if (op == Op::kUndelete) {
        // The next Undo deletes the selection again.
        haveUndo = true;
        undoModel = undeleteRedo;
      }
      if (undoable) {
        haveUndo = true;
        undoModel = modelBefore;
        if (undoTwice && UndoAllowedNow()) {
          CheckUndoTwice(filesBefore, modelBefore);
          if (HasFatalFailure()) return;
        }
      }
      ++steps;
    }
  }

  std::mt19937 random;
  Model model;
  // What the next Undo is to give, when it changes anything.
  Model undoModel;
  Model undeleteRedo;
  bool haveUndo = false;
  std::string emptyPicture;  // a pass over maps without objects
  std::set<int32_t> locked;  // overlay IDs
  int32_t importFolder = -1;
  std::vector<std::string> log;
  int32_t steps = 0;
};

TEST_P(ModelTest, EverySequenceKeepsTheMapsSound) {
  const auto start = std::chrono::steady_clock::now();
  RunSequence();
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("steps", steps);
  std::printf("seed %u: %d steps in %.1f s\n", GetParam(), steps, seconds);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelTest, ::testing::Range(1u, 11u));

}  // namespace
}  // namespace tlv::test
