#include "search/collection.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <new>
#include <utility>
#include <vector>

#include "base/collate.h"
#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "search/name_key_sort.h"
#include "search/show_on_map.h"
#include "store/object_record.h"

namespace tlv {
namespace {

constexpr int kMessageSorting = 12;
constexpr int32_t kNameSortCut = 24;
constexpr int32_t kPrefixSortCut = 5;
constexpr int32_t kLongRun = 300;
constexpr int32_t kLongRunCheckEvery = 100;
constexpr int kKeyCodeCount = 9;

struct CollectionState {
  Handle collection = nullptr;
  Handle intersected = nullptr;
  bool collecting = false;
  bool stopped = false;
  bool showOnly = false;
  // The first entry of one overlay, asked for over and over while drawing.
  bool firstCacheValid = false;
  int32_t firstCacheOverlay = 0;
  int32_t firstCacheIndex = -1;
  // The positions of each (map, overlay), sorted, for the drawing pass's show-only questions.
  bool setsValid = false;
  std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> positions;
  std::function<void()> changed;
  uint32_t generation = 0;
  std::array<std::array<char, 4>, kKeyCodeCount> codeWords{};
  std::array<bool, kKeyCodeCount> codeWordSet{};
};

CollectionState state;

HandleArray<CollectionEntry> Entries(Handle& list) {
  if (list == nullptr) list = MyNewHandle(0);
  return HandleArray<CollectionEntry>(list);
}

// Every change of the collection ends here: the caches go and the listener is told.
void Changed() {
  ++state.generation;
  state.firstCacheValid = false;
  state.setsValid = false;
  if (state.changed && !state.collecting) state.changed();
}

bool Invalid(const CollectionEntry& e) {
  return e.mapID == -1 || e.overlayID == -1 || e.position == -1;
}

bool Matches(const CollectionEntry& e, int32_t mapID, int32_t overlayID, int32_t position) {
  return e.mapID == mapID && e.overlayID == overlayID && e.position == position;
}

CollectionEntry MakeEntry(int32_t mapID, int32_t overlayID, int32_t position, const char* key,
                          int16_t flags) {
  CollectionEntry entry;
  entry.mapID = mapID;
  entry.overlayID = static_cast<int16_t>(overlayID);
  entry.flags = flags;
  entry.position = position;
  // Keys are zero-padded, so copying stops at a NUL as well as after four characters.
  for (int i = 0; key != nullptr && i < 4 && key[i] != '\0'; ++i) entry.key[i] = key[i];
  return entry;
}

int32_t AddTo(Handle& list, const char* caller, int32_t mapID, int32_t overlayID, int32_t position,
              const char* key, int16_t flags, bool checkDuplicates) {
  if (!CollectableOverlayID(overlayID)) {
    ReportError(caller, "CollectableOverlayID()", kErrGeneral);
    return 0;
  }
  HandleArray<CollectionEntry> entries = Entries(list);
  if (!entries.valid()) {
    ReportError(caller, "MyNewHandle()", kErrMemoryFull);
    return 0;
  }
  if (checkDuplicates && FindCollectionEntry(list, mapID, overlayID, position) >= 0) return 1;
  if (entries.Append(MakeEntry(mapID, overlayID, position, key, flags)) != 0) {
    ReportError(caller, "MySetHandleSize()", kErrMemoryFull);
    return 0;
  }
  return 1;
}

int32_t RemoveAt(Handle list, int32_t index, const char* caller) {
  HandleArray<CollectionEntry> entries(list);
  if (index < 0 || index >= entries.Count()) return -1;
  entries.Remove(index);
  if (MyMemError() != 0) {
    ReportError(caller, "MySetHandleSize()", kErrMemoryFull);
    return -1;
  }
  return 0;
}

void RemoveInvalid(Handle list) {
  HandleArray<CollectionEntry> entries(list);
  if (!entries.valid()) return;
  int32_t kept = 0;
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const CollectionEntry e = entries.Get(i);
    if (!Invalid(e)) entries.Set(kept++, e);
  }
  entries.Resize(kept);
}

int32_t ClearList(Handle& list, const char* caller) {
  Handle fresh = MyNewHandle(0);
  if (fresh == nullptr) {
    ReportError(caller, "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  if (list != nullptr) MyDisposeHandle(list);
  list = fresh;
  return 0;
}

// A whole list as a vector; false when memory is short.
bool ReadAll(Handle list, std::vector<CollectionEntry>& out) {
  const HandleArray<CollectionEntry> entries(list);
  try {
    out.resize(static_cast<size_t>(entries.Count()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!out.empty()) std::memcpy(out.data(), *list, out.size() * sizeof(CollectionEntry));
  return true;
}

void WriteAll(Handle list, const std::vector<CollectionEntry>& in) {
  if (!in.empty()) std::memcpy(*list, in.data(), in.size() * sizeof(CollectionEntry));
}

// Marks invalid the entries a test rejects; true when any was.
template <typename Test>
bool MarkInvalid(Handle list, Test&& reject) {
  HandleArray<CollectionEntry> entries(list);
  bool any = false;
  for (int32_t i = 0; i < entries.Count(); ++i) {
    CollectionEntry e = entries.Get(i);
    if (!Invalid(e) && reject(e)) {
      e.mapID = -1;
      entries.Set(i, e);
      any = true;
    }
  }
  return any;
}

bool MapUsable(int32_t mapID) {
  MapRecord map;
  return GetMapRecord(MapIDToIndex(mapID), map) && map.inUse != 0;
}

void EnsureSets() {
  if (state.setsValid) return;
  state.positions.clear();
  const HandleArray<CollectionEntry> entries(SearchCollection());
  for (int32_t i = 0; i < entries.Count(); ++i) {
    const CollectionEntry e = entries.Get(i);
    state.positions[{e.mapID, e.overlayID}].push_back(e.position);
  }
  for (auto& [key, positions] : state.positions) std::sort(positions.begin(), positions.end());
  state.setsValid = true;
}

bool IsCode(const char (&key)[4]) {
  return key[0] >= 1 && key[0] <= kKeyCodeCount;
}

// The four characters a key compares with: a code's word, else the key itself.
void KeyText(const char (&key)[4], char (&text)[5]) {
  const int code = static_cast<unsigned char>(key[0]);
  if (IsCode(key) && state.codeWordSet[static_cast<size_t>(code - 1)]) {
    std::memcpy(text, state.codeWords[static_cast<size_t>(code - 1)].data(), 4);
  } else {
    std::memcpy(text, key, 4);
  }
  text[4] = '\0';
}

// One entry of a run being sorted by name: the cut name and prefix and whether cutting hid
// anything.
struct RunItem {
  CollectionEntry entry;
  char name[kNameSortCut + 1];
  char prefix[kPrefixSortCut + 1];
  uint8_t cut;
};

int32_t ReadName(const CollectionEntry& e, std::string& prefix, std::string& name) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(e.mapID, e.overlayID, kObjectFileKind, kSmallWindowSize,
                                     &mapIndex, &fileIndex);
  if (err == 0) err = FSGetObjectName(CurrentObjectFile(), e.position, prefix, name);
  return err;
}

int CompareRunItems(const RunItem& a, const RunItem& b) {
  int c = CollateCompare(a.name, b.name);
  if (c != 0) return c;
  c = CollateCompare(a.prefix, b.prefix);
  if (c != 0) return c;
  if (a.cut != 0 || b.cut != 0) {
    // The cut fields tie but may hide a difference: the full texts (with any alias suffix
    // after " {") decide.
    std::string prefixA, nameA, prefixB, nameB;
    ReadName(a.entry, prefixA, nameA);
    ReadName(b.entry, prefixB, nameB);
    c = CollateCompare(nameA, nameB);
    if (c != 0) return c;
    c = CollateCompare(prefixA, prefixB);
    if (c != 0) return c;
  }
  if (a.entry.position != b.entry.position) return a.entry.position < b.entry.position ? -1 : 1;
  return 0;
}

}  // namespace

bool CollectableOverlayID(int32_t overlayID) {
  return overlayID >= INT16_MIN && overlayID <= INT16_MAX;
}

Handle SearchCollection() {
  Entries(state.collection);
  return state.collection;
}

int32_t CollectedObjectCount() {
  return Entries(state.collection).Count();
}

bool GetCollectedObject(int32_t index, CollectionEntry& entry) {
  const HandleArray<CollectionEntry> entries = Entries(state.collection);
  if (index < 0 || index >= entries.Count()) return false;
  entry = entries.Get(index);
  return true;
}

int32_t AddCollectedObject(int32_t mapID, int32_t overlayID, int32_t position, const char* key,
                           int16_t flags) {
  const int32_t result = AddTo(state.collection, "AddCollectedObject()", mapID, overlayID, position,
                               key, flags, !state.collecting);
  if (result == 1) Changed();
  return result;
}

void BeginCollecting() {
  state.collecting = true;
}

int32_t EndCollecting() {
  state.collecting = false;
  std::vector<CollectionEntry> all;
  Handle list = SearchCollection();
  if (list == nullptr || !ReadAll(list, all)) {
    ReportError("EndCollecting()", "MyNewHandle()", kErrMemoryFull);
    Changed();
    return kErrMemoryFull;
  }
  std::stable_sort(all.begin(), all.end(), [](const CollectionEntry& a, const CollectionEntry& b) {
    return CompareCollectionFileOrder(a, b) < 0;
  });
  const auto end =
      std::unique(all.begin(), all.end(), [](const CollectionEntry& a, const CollectionEntry& b) {
        return CompareCollectionFileOrder(a, b) == 0;
      });
  all.erase(end, all.end());
  WriteAll(list, all);
  HandleArray<CollectionEntry>(list).Resize(static_cast<int32_t>(all.size()));
  Changed();
  return 0;
}

bool Collecting() {
  return state.collecting;
}

int32_t RemoveCollectedObject(int32_t mapID, int32_t overlayID, int32_t position, char* keyOut) {
  const int32_t index = FindCollectedObject(mapID, overlayID, position);
  if (index < 0) return -1;
  if (keyOut != nullptr) {
    CollectionEntry entry;
    GetCollectedObject(index, entry);
    std::memcpy(keyOut, entry.key, 4);
  }
  const int32_t result = RemoveAt(state.collection, index, "RemoveCollectedObject()");
  if (result == 0) Changed();
  return result;
}

int32_t RemoveCollectedObjectI(int32_t index) {
  const int32_t result = RemoveAt(SearchCollection(), index, "RemoveCollectedObjectI()");
  if (result == 0) Changed();
  return result;
}

void RemoveInvalidCollectedObjects() {
  RemoveInvalid(SearchCollection());
  Changed();
}

void MarkAllCollectedObjects(bool marked) {
  HandleArray<CollectionEntry> entries = Entries(state.collection);
  for (int32_t i = 0; i < entries.Count(); ++i) {
    CollectionEntry e = entries.Get(i);
    e.flags = static_cast<int16_t>(marked ? e.flags | kCollectionMark : e.flags & ~kCollectionMark);
    entries.Set(i, e);
  }
}

bool MarkCollectedObject(int32_t index) {
  HandleArray<CollectionEntry> entries = Entries(state.collection);
  if (index < 0 || index >= entries.Count()) return false;
  CollectionEntry e = entries.Get(index);
  e.flags = static_cast<int16_t>(e.flags | kCollectionMark);
  entries.Set(index, e);
  return true;
}

void RemoveUnmarkedCollectedObjects() {
  HandleArray<CollectionEntry> entries = Entries(state.collection);
  int32_t kept = 0;
  for (int32_t i = 0; i < entries.Count(); ++i) {
    CollectionEntry e = entries.Get(i);
    if ((e.flags & kCollectionMark) == 0) continue;
    e.flags = static_cast<int16_t>(e.flags & ~kCollectionMark);
    entries.Set(kept++, e);
  }
  entries.Resize(kept);
  Changed();
}

int32_t ClearSearchCollection() {
  const int32_t err = ClearList(state.collection, "ClearSearchCollection()");
  if (err == 0) Changed();
  return err;
}

int32_t ReplaceSearchCollection(const std::vector<CollectionEntry>& entries) {
  Handle list = SearchCollection();
  const uint64_t bytes = static_cast<uint64_t>(entries.size()) * sizeof(CollectionEntry);
  if (list == nullptr || bytes > static_cast<uint64_t>(INT32_MAX)) {
    ReportError("ReplaceSearchCollection()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  const int32_t before = MyGetHandleSize(list);
  MySetHandleSize(list, static_cast<int32_t>(bytes));
  if (MyMemError() != 0) {
    MySetHandleSize(list, before);
    ReportError("ReplaceSearchCollection()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  WriteAll(list, entries);
  Changed();
  return 0;
}

int32_t AppendCollectedEntries(const std::vector<CollectionEntry>& entries) {
  Handle list = SearchCollection();
  const int32_t before = list == nullptr ? 0 : MyGetHandleSize(list);
  const int64_t bytes =
      before + static_cast<int64_t>(entries.size()) * static_cast<int64_t>(sizeof(CollectionEntry));
  if (list == nullptr || bytes > INT32_MAX) {
    ReportError("AppendCollectedEntries()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  if (entries.empty()) return 0;
  MySetHandleSize(list, static_cast<int32_t>(bytes));
  if (MyMemError() != 0) {
    MySetHandleSize(list, before);
    ReportError("AppendCollectedEntries()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  std::memcpy(*list + before, entries.data(), entries.size() * sizeof(CollectionEntry));
  Changed();
  return 0;
}

int32_t FindCollectedObject(int32_t mapID, int32_t overlayID, int32_t position) {
  return FindCollectionEntry(SearchCollection(), mapID, overlayID, position);
}

int32_t FindCollectionEntry(Handle list, int32_t mapID, int32_t overlayID, int32_t position) {
  if (!CollectableOverlayID(overlayID)) return -1;
  const HandleArray<CollectionEntry> entries(list);
  for (int32_t i = 0; i < entries.Count(); ++i) {
    if (Matches(entries.Get(i), mapID, overlayID, position)) return i;
  }
  return -1;
}

int32_t ForEachCollectedObject(const CollectedObjectVisit& visit) {
  // The list is read afresh each step: the visit may change the collection.
  for (int32_t i = 0;; ++i) {
    CollectionEntry e;
    if (!GetCollectedObject(i, e)) break;
    const int32_t result = visit(e.mapID, e.overlayID, e.position, e.key, i, e.flags);
    if (result != 0) return result;
  }
  return 0;
}

int32_t ForEachCollectionEntry(Handle list, const CollectedObjectVisit& visit) {
  for (int32_t i = 0;; ++i) {
    const HandleArray<CollectionEntry> entries(list);
    if (i >= entries.Count()) break;
    const CollectionEntry e = entries.Get(i);
    if ((e.flags & kCollectionAlias) != 0) continue;
    const int32_t result = visit(e.mapID, e.overlayID, e.position, e.key, i, e.flags);
    if (result != 0) return result;
  }
  return 0;
}

void RenameCollectedObject(const ObjectRef& from, const ObjectRef& to) {
  RenameShownObject(from, to);
  bool any = false;
  for (Handle list : {SearchCollection(), IntersectedObjects()}) {
    const int32_t index = FindCollectionEntry(list, from.mapID, from.overlayID, from.position);
    if (index < 0) continue;
    HandleArray<CollectionEntry> entries(list);
    CollectionEntry e = entries.Get(index);
    if (CollectableOverlayID(to.overlayID)) {
      e.mapID = to.mapID;
      e.overlayID = static_cast<int16_t>(to.overlayID);
      e.position = to.position;
    } else {
      e.mapID = -1;  // it cannot follow; it leaves the list
    }
    entries.Set(index, e);
    RemoveInvalid(list);
    any = true;
  }
  if (any) Changed();
}

void ForgetCollectedObjects(int32_t mapID, int32_t overlayID) {
  bool any = false;
  for (Handle list : {SearchCollection(), IntersectedObjects()}) {
    if (MarkInvalid(list, [&](const CollectionEntry& e) {
          return (mapID != 0 && e.mapID == mapID) || (overlayID != 0 && e.overlayID == overlayID);
        })) {
      RemoveInvalid(list);
      any = true;
    }
  }
  if (any) Changed();
}

void ValidateObjectLists() {
  auto gone = [](const CollectionEntry& e) {
    return !MapUsable(e.mapID) || LayerIDToIndex(e.overlayID) < 0;
  };
  bool any = false;
  for (Handle list : {SearchCollection(), IntersectedObjects()}) {
    if (MarkInvalid(list, gone)) {
      RemoveInvalid(list);
      any = true;
    }
  }
  if (any) Changed();

  std::vector<ObjectRef> doomed;
  ForEachSelectedObject(
      [&](int32_t mapID, int32_t overlayID, int32_t position) -> int32_t {
        const int32_t layerIndex = LayerIDToIndex(overlayID);
        const bool keep = MapUsable(mapID) && layerIndex >= 0 && IsLayerShown(layerIndex) &&
                          !(state.showOnly && OverlayInCollection(mapID, overlayID) &&
                            !ObjectInCollection(mapID, overlayID, position));
        if (!keep) doomed.push_back({mapID, overlayID, position});
        return 0;
      },
      false);
  for (const ObjectRef& object : doomed) {
    RemoveSelectedObject(object.mapID, object.overlayID, object.position, true);
  }
}

void ClearAllObjectLists() {
  SetUndoNothing();
  RemoveAllSelectedObjects();
  ClearSearchCollection();
  ClearIntersectedObjects();
}

int32_t ReadCollectionFacts(BufferedFile& file, int32_t position, char (&key)[4], int16_t& flags) {
  flags = 0;
  std::memset(key, 0, sizeof key);
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  uint8_t aliases = 0;
  err = FSGetObjectAliasCount(file, position, aliases);
  if (err != 0) return err;
  std::string prefix, name;
  err = FSGetObjectName(file, position, prefix, name);
  if (err != 0) return err;
  if (type == kAliasObject) flags |= kCollectionAlias;
  if (aliases > 0) flags |= kCollectionHasAliases;
  std::memcpy(key, name.data(), std::min<size_t>(4, name.size()));
  return 0;
}

int32_t CollectObject(const ObjectRef& object) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind,
                                     kSmallWindowSize, &mapIndex, &fileIndex);
  if (err != 0) {
    ReportError("CollectObject()", "AllocateSpaceForFile()", err);
    return 0;
  }
  char key[4];
  int16_t flags = 0;
  if (ReadCollectionFacts(CurrentObjectFile(), object.position, key, flags) != 0) return 0;
  return AddCollectedObject(object.mapID, object.overlayID, object.position, key, flags);
}

Handle IntersectedObjects() {
  Entries(state.intersected);
  return state.intersected;
}

int32_t IntersectedObjectCount() {
  return Entries(state.intersected).Count();
}

bool GetIntersectedObject(int32_t index, CollectionEntry& entry) {
  const HandleArray<CollectionEntry> entries = Entries(state.intersected);
  if (index < 0 || index >= entries.Count()) return false;
  entry = entries.Get(index);
  return true;
}

int32_t AddIntersectedObject(int32_t mapID, int32_t overlayID, int32_t position, const char* key,
                             int16_t flags) {
  return AddTo(state.intersected, "AddIntersectedObject()", mapID, overlayID, position, key, flags,
               true);
}

int32_t RemoveIntersectedObject(int32_t mapID, int32_t overlayID, int32_t position) {
  const int32_t index = FindCollectionEntry(IntersectedObjects(), mapID, overlayID, position);
  if (index < 0) return -1;
  return RemoveAt(state.intersected, index, "RemoveIntersectedObject()");
}

void RemoveInvalidIntersectedObjects() {
  RemoveInvalid(IntersectedObjects());
}

int32_t ClearIntersectedObjects() {
  return ClearList(state.intersected, "ClearIntersectedObjects()");
}

int CompareCollectionFileOrder(const CollectionEntry& a, const CollectionEntry& b) {
  if (a.mapID != b.mapID) return a.mapID < b.mapID ? -1 : 1;
  // The overlay ID and the flags share one 32-bit word, the flags in its high half.
  auto word = [](const CollectionEntry& e) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(e.flags)) << 16 |
                                static_cast<uint16_t>(e.overlayID));
  };
  const int32_t wa = word(a);
  const int32_t wb = word(b);
  if (wa != wb) return wa < wb ? -1 : 1;
  if (a.position != b.position) return a.position < b.position ? -1 : 1;
  return 0;
}

void SortCollectionFileOrder(Handle list) {
  std::vector<CollectionEntry> all;
  if (list == nullptr || !ReadAll(list, all)) return;
  std::stable_sort(all.begin(), all.end(), [](const CollectionEntry& a, const CollectionEntry& b) {
    return CompareCollectionFileOrder(a, b) < 0;
  });
  WriteAll(list, all);
  if (list == state.collection) Changed();
}

int CompareNameKeys(const char (&a)[4], const char (&b)[4]) {
  const bool noA = a[0] == '\0';
  const bool noB = b[0] == '\0';
  if (noA || noB) return noA == noB ? 0 : (noA ? 1 : -1);
  if (IsCode(a) && IsCode(b)) {
    auto number = [](const char(&k)[4]) {
      return static_cast<uint32_t>(static_cast<uint8_t>(k[0])) << 16 |
             static_cast<uint32_t>(static_cast<uint8_t>(k[1])) << 8 | static_cast<uint8_t>(k[2]);
    };
    const uint32_t na = number(a);
    const uint32_t nb = number(b);
    return na == nb ? 0 : (na < nb ? -1 : 1);
  }
  char ta[5], tb[5];
  KeyText(a, ta);
  KeyText(b, tb);
  return CollateCompare(ta, tb, 4, false);
}

void SetNameKeyCodeWord(int code, const char (&word)[4]) {
  if (code < 1 || code > kKeyCodeCount) return;
  std::memcpy(state.codeWords[static_cast<size_t>(code - 1)].data(), word, 4);
  state.codeWordSet[static_cast<size_t>(code - 1)] = true;
}

int32_t SortCollection() {
  Handle list = SearchCollection();
  std::vector<CollectionEntry> all;
  if (list == nullptr || !ReadAll(list, all)) {
    ReportError("SortCollection()", "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  for (CollectionEntry& e : all) e.flags = static_cast<int16_t>(e.flags & ~kCollectionSorted);
  if (all.size() > 1) {
    Platform().SetMessageLine(
        FormatTextV(MessageText(kMessageSorting).c_str(), static_cast<long>(all.size())));
    StableSortByNameKey(all);
    Platform().SetMessageLine("");
  }
  WriteAll(list, all);
  Changed();
  return 0;
}

int32_t CompleteLocalSCSort(int32_t index, int32_t* first, int32_t* last) {
  Handle list = SearchCollection();
  HandleArray<CollectionEntry> entries(list);
  const int32_t count = entries.Count();
  if (index < 0 || index >= count) return kErrGeneral;
  const CollectionEntry at = entries.Get(index);
  int32_t begin = index;
  int32_t end = index + 1;
  if ((at.flags & kCollectionSorted) == 0) {
    while (begin > 0 && CompareNameKeys(entries.Get(begin - 1).key, at.key) == 0) --begin;
    while (end < count && CompareNameKeys(entries.Get(end).key, at.key) == 0) ++end;
  }
  if (first != nullptr) *first = begin;
  if (last != nullptr) *last = end - 1;
  if ((at.flags & kCollectionSorted) != 0) return 0;
  const int32_t n = end - begin;
  ScopedHandle run(MyNewHandleClear(n * static_cast<int32_t>(sizeof(RunItem))));
  if (!run) {
    ReportError("CompleteLocalSCSort()", "MyNewHandleClear()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  HandleArray<RunItem> items(run.get());
  for (int32_t i = 0; i < n; ++i) {
    if (n > kLongRun && i > 0 && i % kLongRunCheckEvery == 0 && Platform().EscapePressed()) {
      SetCollectionStopped(true);
      return kSortStopped;
    }
    RunItem item{};
    item.entry = HandleArray<CollectionEntry>(list).Get(begin + i);
    std::string prefix, name;
    ReadName(item.entry, prefix, name);
    size_t nameLength = name.find(" {");
    if (nameLength == std::string::npos) nameLength = name.size();
    const size_t keptName = std::min<size_t>(nameLength, kNameSortCut);
    const size_t keptPrefix = std::min<size_t>(prefix.size(), kPrefixSortCut);
    std::memcpy(item.name, name.data(), keptName);
    std::memcpy(item.prefix, prefix.data(), keptPrefix);
    item.cut = keptName < name.size() || keptPrefix < prefix.size();
    items.Set(i, item);
  }
  RunItem* sorted = reinterpret_cast<RunItem*>(*run.get());
  std::sort(sorted, sorted + n,
            [](const RunItem& a, const RunItem& b) { return CompareRunItems(a, b) < 0; });
  entries = HandleArray<CollectionEntry>(list);
  for (int32_t i = 0; i < n; ++i) {
    CollectionEntry e = items.Get(i).entry;
    e.flags = static_cast<int16_t>(e.flags | kCollectionSorted);
    entries.Set(begin + i, e);
  }
  // The order within the run changed, so the cached index may point elsewhere; the entries
  // themselves are the same, so listeners are not told.
  state.firstCacheValid = false;
  return 0;
}

std::string CollectionCountLine() {
  const HandleArray<CollectionEntry> entries(SearchCollection());
  long aliases = 0;
  for (int32_t i = 0; i < entries.Count(); ++i) {
    if ((entries.Get(i).flags & kCollectionAlias) != 0) ++aliases;
  }
  std::string line = std::to_string(entries.Count() - aliases);
  if (aliases == 1) {
    line += "        { plus 1 alias }";
  } else if (aliases > 1) {
    line += FormatText("        { plus %ld aliases }", aliases);
  }
  return line;
}

bool CollectionStopped() {
  return state.stopped;
}

void SetCollectionStopped(bool stopped) {
  state.stopped = stopped;
}

int32_t FirstCollectedEntryOfOverlay(int32_t overlayID) {
  if (state.firstCacheValid && state.firstCacheOverlay == overlayID) return state.firstCacheIndex;
  int32_t found = -1;
  if (CollectableOverlayID(overlayID)) {
    const HandleArray<CollectionEntry> entries(SearchCollection());
    for (int32_t i = 0; i < entries.Count(); ++i) {
      if (entries.Get(i).overlayID == overlayID) {
        found = i;
        break;
      }
    }
  }
  state.firstCacheValid = true;
  state.firstCacheOverlay = overlayID;
  state.firstCacheIndex = found;
  return found;
}

void SetShowOnlyCollection(bool on) {
  state.showOnly = on;
  if (on) ValidateObjectLists();
}

bool ShowOnlyCollection() {
  return state.showOnly;
}

bool OverlayInCollection(int32_t mapID, int32_t overlayID) {
  EnsureSets();
  return state.positions.count({mapID, overlayID}) > 0;
}

bool ObjectInCollection(int32_t mapID, int32_t overlayID, int32_t position) {
  EnsureSets();
  const auto it = state.positions.find({mapID, overlayID});
  return it != state.positions.end() &&
         std::binary_search(it->second.begin(), it->second.end(), position);
}

void SetCollectionChangedHook(std::function<void()> changed) {
  state.changed = std::move(changed);
}

uint32_t CollectionGeneration() {
  return state.generation;
}

void ResetCollectionForTesting() {
  if (state.collection != nullptr) MyDisposeHandle(state.collection);
  if (state.intersected != nullptr) MyDisposeHandle(state.intersected);
  state = CollectionState();
}

}  // namespace tlv
