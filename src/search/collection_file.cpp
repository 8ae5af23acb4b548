#include "search/collection_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/object_ids.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "search/collection.h"
#include "store/mie_reader.h"
#include "store/object_id_index.h"
#include "store/object_record.h"

namespace tlv {
namespace {

constexpr const char* kSavingText = "Saving...";
constexpr const char* kLoadingText = "Loading...";
constexpr const char* kStopQuestionText = "Are you sure you want to stop?";
constexpr const char* kNotFoundText =
    "One or more of the objects to be loaded into the search collection were not found on the "
    "current map(s).";
constexpr const char* kMapIndexErrorText = "mapIndex error in ImportSearchCollection";
constexpr const char* kFileIndexErrorText = "fileIndex errror in ImportSearchCollection";
constexpr const char* kQuoteSkippedText =
    "%ld of the objects could not be saved because the name of their map or overlay holds a "
    "double quote.";
constexpr const char* kLoadModeText = "Load the search collection file as:";
constexpr const char* kLoadReplaceText = "replace current collection";
constexpr const char* kLoadUnionText = "add to current collection (union)";
constexpr const char* kLoadSubsetText = "subset of current collection (intersection)";
constexpr const char* kCancelText = "Cancel";
constexpr const char* kSaveCaller = "ExportSearchCollection()";
constexpr const char* kLoadCaller = "ImportSearchCollection()";
constexpr int kMessageLineFrame = 74;
constexpr int kMessageImportError = 92;
constexpr size_t kWriteChunk = 65536;
constexpr int32_t kMaxIDDigits = 16;
// Lines go in file order, so the objects they read lie close together: a wide window (at most
// the file's length) serves many of them.
constexpr int32_t kLinesWindow = -kMaxWindowSize;

CollectionFileHooks hooks;

// Asked when the stop button was pressed; true when the user confirms.
bool ConfirmStop() {
  Question question;
  question.title = "TOLVANE";
  question.text = kStopQuestionText;
  question.buttons = {"Yes", "No"};
  question.defaultButton = 1;
  question.cancelButton = 1;
  return Platform().Ask(question) == 0;
}

// The progress box for the length of an operation.
class Progress {
 public:
  Progress(const char* title, const char* text) {
    if (hooks.openProgress) hooks.openProgress(title, text);
  }
  ~Progress() {
    if (hooks.closeProgress) hooks.closeProgress();
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  // True when the user pressed stop and confirmed it.
  bool StopRequested(int32_t percent) {
    return hooks.progress && hooks.progress(percent) && ConfirmStop();
  }
};

// One reference of a collection line, resolved against the catalogue.
struct Ref {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int32_t position = 0;
  bool operator==(const Ref& other) const = default;
};

struct RefHash {
  size_t operator()(const Ref& r) const {
    uint64_t h = static_cast<uint32_t>(r.mapID) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint32_t>(r.overlayID) + 0x7F4A7C15ull + (h << 6) + (h >> 2);
    h ^= static_cast<uint32_t>(r.position) + 0x9E3779B9ull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h);
  }
};

// The text of an ID as the object records keep it: cut at the first blank, at most 16
// hexadecimal digits, left-padded with "0". False for anything else.
bool ParseIDText(const std::string& text, ObjectID& id) {
  const std::string digits = text.substr(0, text.find(' '));
  if (digits.empty() || digits.size() > static_cast<size_t>(kMaxIDDigits)) return false;
  uint64_t value = 0;
  for (const char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = value << 4 |
            static_cast<uint64_t>(std::isdigit(static_cast<unsigned char>(c))
                                      ? c - '0'
                                      : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
  }
  id.high = static_cast<int32_t>(static_cast<uint32_t>(value >> 32));
  id.low = static_cast<int32_t>(static_cast<uint32_t>(value));
  return true;
}

// What a load learns of each overlay file it touches.
class FileIndexes {
 public:
  // The ID index of the overlay file of overlayID on the map; null after a reported failure.
  const ObjectIDIndex* For(int32_t mapID, int32_t overlayID) {
    const auto key = std::make_pair(mapID, overlayID);
    if (auto it = indexes_.find(key); it != indexes_.end()) return &it->second;
    int32_t mapIndex = -1, fileIndex = -1;
    if (AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, 0, &mapIndex, &fileIndex) != 0) {
      return nullptr;
    }
    ObjectIDIndex built;
    if (BuildObjectIDIndex(CurrentSummaryFile(), built) != 0) return nullptr;
    return &indexes_.emplace(key, std::move(built)).first->second;
  }

 private:
  std::map<std::pair<int32_t, int32_t>, ObjectIDIndex> indexes_;
};

// Finds the object a line names: its map and overlay by name, the overlay's file on that map,
// then the object by ID, or by position when the ID is empty and a live record holds it.
bool ResolveLine(const std::string& mapName, const std::string& overlayName,
                 const std::string& idText, const MIEToken& positionToken, FileIndexes& indexes,
                 Ref& out) {
  if (mapName.size() > kMaxCollectionMapName || overlayName.size() > kMaxCollectionOverlayName) {
    return false;
  }
  const int32_t mapIndex = MapNameToIndex(mapName);
  const int32_t layerIndex = LayerNameToIndex(overlayName);
  MapRecord map;
  LayerRecord layer;
  if (mapIndex < 0 || layerIndex < 0 || !GetMapRecord(mapIndex, map) ||
      !GetLayerRecord(layerIndex, layer)) {
    return false;
  }
  if (OverlayFileIndexForID(mapIndex, layer.layerID) < 0) return false;
  if (!CollectableOverlayID(layer.layerID)) return false;
  const ObjectIDIndex* index = indexes.For(map.mapID, layer.layerID);
  if (index == nullptr) return false;
  int32_t position = -1;
  if (!idText.empty()) {
    ObjectID id;
    if (!ParseIDText(idText, id) || !index->Find(id, position)) return false;
  } else {
    // A position from the file is trusted only when a live summary record holds it exactly.
    if (positionToken.value != static_cast<double>(positionToken.integer)) return false;
    position = positionToken.integer;
    if (!index->Live(position)) return false;
  }
  out = {map.mapID, layer.layerID, position};
  return true;
}

void ReportLineError(int32_t line) {
  ShowAlert(FormatTextV(MessageText(kMessageLineFrame).c_str(),
                        MessageText(kMessageImportError).c_str(), static_cast<long>(line)),
            kStopAlert);
}

bool HoldsQuote(const std::string& text) {
  return text.find('"') != std::string::npos;
}

}  // namespace

void SetCollectionFileHooks(CollectionFileHooks newHooks) {
  hooks = std::move(newHooks);
}

int32_t WriteCollectionFile(const std::string& path, CollectionSaveResult* result) {
  CollectionSaveResult done;
  // File order reads each overlay file from start to end; without room for the copy the lines
  // follow the collection's own order.
  std::vector<CollectionEntry> entries;
  try {
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) entries.push_back(e);
    if (entries.size() > 1) {
      std::stable_sort(entries.begin(), entries.end(),
                       [](const CollectionEntry& a, const CollectionEntry& b) {
                         return CompareCollectionFileOrder(a, b) < 0;
                       });
    }
  } catch (const std::bad_alloc&) {
    ReportError(kSaveCaller, "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }

  const std::string work = path + ".part";
  DeleteFile(work);
  int32_t err = CreateFile(work);
  if (err != 0) {
    ReportError(kSaveCaller, "my_hcreate()", err);
    return err;
  }
  PlatformFile file;
  err = OpenFile(work, FileAccess::kReadWrite, file);
  if (err != 0) {
    ReportError(kSaveCaller, "FSOpenBuf()", err);
    DeleteFile(work);
    return err;
  }

  Progress progress(kSaveCollectionTitle, kSavingText);
  std::string buffer;
  int64_t offset = 0;
  auto flush = [&]() -> int32_t {
    if (buffer.empty()) return 0;
    const int32_t writeErr = file.Write(offset, static_cast<int32_t>(buffer.size()), buffer.data());
    offset += static_cast<int64_t>(buffer.size());
    buffer.clear();
    return writeErr;
  };
  int32_t lastMapID = 0, lastOverlayID = 0;
  std::string mapName, overlayName;
  const auto total = static_cast<int64_t>(entries.size());
  for (int64_t i = 0; i < total && err == 0; ++i) {
    if (progress.StopRequested(static_cast<int32_t>(i * 100 / total))) {
      done.stopped = true;
      break;
    }
    const CollectionEntry& e = entries[static_cast<size_t>(i)];
    if (i == 0 || e.mapID != lastMapID || e.overlayID != lastOverlayID) {
      MapRecord map;
      if (!GetMapRecord(MapIDToIndex(e.mapID), map)) {
        ReportError(kSaveCaller, "MapIDToIndex()", kErrGeneral);
        err = kErrGeneral;
        break;
      }
      mapName = FieldText(map.name);
      overlayName = LayerName(LayerIDToIndex(e.overlayID));
      lastMapID = e.mapID;
      lastOverlayID = e.overlayID;
    }
    // The format has no escape for a double quote inside a name.
    if (HoldsQuote(mapName) || HoldsQuote(overlayName)) {
      ++done.skipped;
      continue;
    }
    int32_t mapIndex = -1, fileIndex = -1;
    err = AllocateSpaceForFile(e.mapID, e.overlayID, kObjectFileKind, kLinesWindow, &mapIndex,
                               &fileIndex);
    ObjectID id;
    if (err == 0) err = FSGetObjectID(CurrentObjectFile(), e.position, id.high, id.low);
    if (err != 0) break;
    buffer += FormatText("\"%s\" \"%s\" \"%s\" %hd %ld\r\n", mapName.c_str(), overlayName.c_str(),
                         ObjectIDText(id).c_str(), e.flags, static_cast<long>(e.position));
    ++done.written;
    if (buffer.size() >= kWriteChunk) {
      err = flush();
      if (err != 0) ReportError(kSaveCaller, "FSWriteBuf()", err);
    }
  }
  if (err == 0 && !done.stopped) {
    err = flush();
    if (err != 0) ReportError(kSaveCaller, "FSWriteBuf()", err);
  }
  const int32_t closeErr = file.Close();
  if (err == 0 && !done.stopped && closeErr != 0) {
    ReportError(kSaveCaller, "FSCloseBuf()", closeErr);
    err = closeErr;
  }
  if (err != 0 || done.stopped) {
    DeleteFile(work);
  } else {
    err = RenameFile(work, path);
    if (err != 0) {
      ReportError(kSaveCaller, "RenameFile()", err);
      DeleteFile(work);
    }
  }
  if (err == 0 && done.skipped > 0) {
    ShowAlert(FormatText(kQuoteSkippedText, static_cast<long>(done.skipped)), kNoteAlert);
  }
  if (result != nullptr) *result = done;
  return err;
}

int32_t ExportSearchCollection() {
  std::string path;
  if (!hooks.chooseSaveFile || !hooks.chooseSaveFile(kSaveCollectionTitle, {kCollectionFileFilter},
                                                     kCollectionFileDefaultName, path)) {
    return 0;
  }
  return WriteCollectionFile(path);
}

int32_t ReadCollectionFile(const std::string& path, int32_t mode, CollectionLoadResult* result) {
  CollectionLoadResult done;
  FileByteSource source(path);
  if (source.OpenResult() != 0) {
    ReportError(kLoadCaller, "FSOpenBuf()", source.OpenResult());
    return source.OpenResult();
  }
  MIEReader reader(source, false);
  int32_t err = reader.Open();
  if (err != 0) {
    ReportError(kLoadCaller, "FSOpenBuf()", err);
    return err;
  }
  Progress progress(kLoadCollectionTitle, kLoadingText);
  bool stopPressed = false;
  reader.SetProgress([&stopPressed, &progress](int32_t percent) {
    if (!stopPressed && progress.StopRequested(percent)) stopPressed = true;
  });

  // The subset's marks are kept beside the collection until the file has been read.
  std::unordered_map<Ref, int32_t, RefHash> collected;
  std::vector<bool> marked;
  if (mode == kCollectionLoadSubset) {
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
      collected.emplace(Ref{e.mapID, e.overlayID, e.position}, i);
    }
    marked.assign(static_cast<size_t>(CollectedObjectCount()), false);
  }
  std::vector<Ref> gathered;
  FileIndexes indexes;
  const int32_t kinds[5] = {kTokenString, kTokenString, kTokenString, kTokenNumber, kTokenNumber};
  while (!stopPressed) {
    MIEToken tokens[5];
    err = reader.Next(tokens[0]);
    if (err == 0 && tokens[0].kind == kTokenEndOfFile) break;
    for (int k = 1; err == 0 && k < 5; ++k) err = reader.Next(tokens[k]);
    if (err != 0) {
      // The tokenizer's own message carries its line.
      if (err == -1) {
        ShowAlert(reader.ErrorText(), kStopAlert);
      } else {
        ReportError(kLoadCaller, "FSReadBuf()", err);
      }
      return err;
    }
    for (int k = 0; k < 5; ++k) {
      if (tokens[k].kind != kinds[k]) {
        ReportLineError(reader.Line());
        return kErrGeneral;
      }
    }
    ++done.lines;
    Ref found;
    if (!ResolveLine(tokens[0].text, tokens[1].text, tokens[2].text, tokens[4], indexes, found)) {
      ++done.notFound;
      continue;
    }
    if (mode == kCollectionLoadSubset) {
      const auto it = collected.find(found);
      if (it != collected.end()) marked[static_cast<size_t>(it->second)] = true;
    } else {
      gathered.push_back(found);
    }
  }
  done.stopped = stopPressed;

  if (mode == kCollectionLoadSubset) {
    MarkAllCollectedObjects(false);
    for (size_t i = 0; i < marked.size(); ++i) {
      if (marked[i]) MarkCollectedObject(static_cast<int32_t>(i));
    }
    RemoveUnmarkedCollectedObjects();
  } else {
    // Union skips what is there already; both skip a line naming an object twice.
    std::unordered_set<Ref, RefHash> present;
    if (mode == kCollectionLoadReplace) {
      ClearSearchCollection();
    } else {
      CollectionEntry e;
      for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
        present.insert(Ref{e.mapID, e.overlayID, e.position});
      }
    }
    BeginCollecting();
    for (const Ref& r : gathered) {
      if (!present.insert(r).second) continue;
      const int32_t mapIndex = MapIDToIndex(r.mapID);
      if (mapIndex < 0) {
        ShowAlert(kMapIndexErrorText, kStopAlert);
        continue;
      }
      if (OverlayFileIndexForID(mapIndex, r.overlayID) < 0) {
        ShowAlert(kFileIndexErrorText, kStopAlert);
        continue;
      }
      int32_t m = -1, f = -1;
      char key[4];
      int16_t flags = 0;
      if (AllocateSpaceForFile(r.mapID, r.overlayID, kObjectFileKind, kLinesWindow, &m, &f) != 0 ||
          ReadCollectionFacts(CurrentObjectFile(), r.position, key, flags) != 0) {
        ++done.notFound;
        continue;
      }
      AddCollectedObject(r.mapID, r.overlayID, r.position, key, flags);
    }
    // The entries are unique already; ending the bracket puts them into file order.
    EndCollecting();
  }
  if (done.notFound > 0) ShowAlert(kNotFoundText, kNoteAlert);
  SetCollectionStopped(done.stopped);
  SortCollection();
  if (result != nullptr) *result = done;
  return 0;
}

int32_t ImportSearchCollection() {
  Question question;
  question.title = kLoadCollectionTitle;
  question.text = kLoadModeText;
  question.buttons = {kLoadReplaceText, kLoadUnionText, kLoadSubsetText, kCancelText};
  question.defaultButton = 0;
  question.cancelButton = 3;
  const int answer = Platform().Ask(question);
  if (answer < 0 || answer > 2) return 0;
  std::string path;
  if (!hooks.chooseOpenFile ||
      !hooks.chooseOpenFile(kLoadCollectionTitle, {kCollectionFileFilter}, path)) {
    return 0;
  }
  return ReadCollectionFile(path, answer + 1);
}

void ResetCollectionFileForTesting() {
  hooks = CollectionFileHooks();
}

}  // namespace tlv
