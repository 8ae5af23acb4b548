#include "interchange/import.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layer_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/undo.h"
#include "interchange/coordinate_list.h"
#include "interchange/file_type.h"
#include "interchange/old_import.h"
#include "store/directory_table.h"
#include "store/object_id_index.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int32_t kPassFileBufferSize = 10000;
constexpr const char* kThreatZonePrefix = "ZEPHA Threat Zone ";
constexpr const char* kConfidencePrefix = "ZEPHA Confidence Lines ";
// Overlay for records that name none. Not the first overlay of the list: on a fresh catalogue
// that is the Temporary Overlay, whose objects go at quit.
constexpr const char* kFallbackLayerName = "IMPORTED OBJECTS";

// The pass file, written through a buffer.
struct PassFile {
  PlatformFile file;
  std::string path;
  std::string buffer;
  int64_t written = 0;

  int32_t Flush() {
    if (buffer.empty()) return 0;
    const int32_t err = file.Write(written, static_cast<int32_t>(buffer.size()), buffer.data());
    if (err == 0) written += static_cast<int64_t>(buffer.size());
    buffer.clear();
    return err;
  }
  int32_t Append(const std::string& text) {
    buffer += text;
    return buffer.size() >= static_cast<size_t>(kPassFileBufferSize) ? Flush() : 0;
  }
};

struct ImportRun {
  bool active = false;
  bool withRecordNumbers = false;
  std::vector<std::string> fieldNames;
  ImportSummary summary;
  // Overlay files made by this import (no ID can collide there) and those it changed.
  std::set<std::pair<int32_t, int32_t>> createdFiles;
  std::set<std::pair<int32_t, int32_t>> touchedFiles;
  std::unordered_map<std::string, int32_t> layerIDs;
  std::unordered_map<std::string, int32_t> mapIDs;
  PassFile* pass = nullptr;
  std::string passLine;  // the running record's pass line
  // What the run has learnt of each map it used (by map ID) and of each overlay file it made
  // or found, so that a record costs no catalogue lookups after the first of its kind.
  struct MapFacts {
    std::string name;
    bool locked = false;
  };
  std::unordered_map<int32_t, MapFacts> maps;
  std::set<std::pair<int32_t, int32_t>> knownFiles;
  ImportRecord record;  // reused, so its texts keep their room from record to record
  // The live objects of each overlay file that existed before the import, by ID, in summary
  // order, made on the first ID check in the file and kept up to date by the import: one walk
  // per file instead of one per record.
  std::map<std::pair<int32_t, int32_t>, ObjectIDIndex> idIndex;
};

struct ImportState {
  int32_t mode = kImportUpdate;
  bool recogniseCharacterSet = true;
  ImportHooks hooks;
  ImportRun run;
};

ImportState state;

std::string Quoted(const std::string& text) {
  return " \"" + text + "\"";
}

// The ID index of an overlay file, made from its summary records when first asked for.
int32_t IDIndexOf(int32_t mapID, int32_t layerID, ObjectIDIndex*& index) {
  ImportRun& run = state.run;
  const std::pair<int32_t, int32_t> key{mapID, layerID};
  if (auto it = run.idIndex.find(key); it != run.idIndex.end()) {
    index = &it->second;
    return 0;
  }
  int32_t walkMap = -1;
  int32_t walkFile = -1;
  int32_t err = AllocateSpaceForFile(mapID, layerID, kSummaryFileKind, 0, &walkMap, &walkFile);
  if (err != 0) return err;
  ObjectIDIndex built;
  err = BuildObjectIDIndex(CurrentSummaryFile(), built);
  if (err != 0) return err;
  index = &run.idIndex.emplace(key, std::move(built)).first->second;
  return 0;
}

// The ID text read as the life cycle reads it: cut at the first blank, left-padded with "0" to
// 16 hexadecimal digits. False when it holds anything else.
bool ParseImportID(const std::string& text, ObjectID& id) {
  std::string digits = text.substr(0, text.find(' '));
  if (digits.empty() || digits.size() > 16) return false;
  for (const char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  digits.insert(0, 16 - digits.size(), '0');
  id.high = static_cast<int32_t>(std::stoul(digits.substr(0, 8), nullptr, 16));
  id.low = static_cast<int32_t>(std::stoul(digits.substr(8, 8), nullptr, 16));
  return true;
}

int32_t FindOrCreateLayer(const std::string& name, int32_t& layerID) {
  ImportRun& run = state.run;
  // Nothing removes overlays or maps while an import runs, so a name once found stays found.
  if (auto it = run.layerIDs.find(name); it != run.layerIDs.end()) {
    layerID = it->second;
    return 0;
  }
  int32_t index = LayerNameToIndex(name);
  if (index < 0) {
    Platform().SetMessageLine(FormatText("Creating overlay: \"%s\".", name.c_str()));
    std::string newName = name;
    const int32_t err = AddLayer(newName, false, false, false, index);
    if (err != 0) return err;
  }
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return kErrGeneral;
  layerID = layer.layerID;
  run.layerIDs[name] = layerID;
  return 0;
}

int32_t FindOrCreateMap(const std::string& name, int32_t& mapID) {
  ImportRun& run = state.run;
  if (name.empty()) {
    mapID = UserMapID();
    if (mapID == 0) {
      ShowMessageAlert(622, kStopAlert);
      return kErrGeneral;
    }
    return 0;
  }
  if (auto it = run.mapIDs.find(name); it != run.mapIDs.end()) {
    mapID = it->second;
    return 0;
  }
  int32_t index = MapNameToIndex(name);
  if (index < 0) {
    Platform().SetMessageLine(FormatText("Creating map: \"%s\".", name.c_str()));
    const int32_t err =
        CreateMap(CatalogueFolderIDs().volume, CatalogueFolderIDs().overlayMaps, name, index);
    if (err != 0) return err;
    MapRecord map;
    if (!GetMapRecord(index, map)) return kErrGeneral;
    run.summary.createdMapID = map.mapID;
  }
  MapRecord map;
  if (!GetMapRecord(index, map)) return kErrGeneral;
  mapID = map.mapID;
  run.mapIDs[name] = mapID;
  return 0;
}

// Writes the segments of a record whose points carry attributes; the record was made with room
// for exactly these segments.
int32_t WriteAttributedSegments(int32_t mapID, int32_t layerID, int32_t position,
                                const std::vector<ImportPoint>& points) {
  // AllocateSpaceForFile takes IDs only with its out-arguments.
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, layerID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                                     &fileIndex);
  if (err != 0) {
    ReportError("ImportObject()", "AllocateSpaceForFile()", err);
    return err;
  }
  BufferedFile& file = CurrentObjectFile();
  int32_t offset = 0;
  int32_t recordEnd = 0;
  err = FSGetObjectSegmentRange(file, position, offset, recordEnd);
  for (size_t i = 0; err == 0 && i < points.size(); ++i) {
    const ImportPoint& point = points[i];
    if (point.hasAttributes) {
      err = FSSetObjectSegA(file, position, offset, point.x, point.y, point.newPiece,
                            point.attributes);
    } else {
      err = FSSetObjectSeg(file, position, offset, point.x, point.y, point.newPiece);
      offset += kPlainSegmentSize;
    }
  }
  return err;
}

int32_t MakeObject(const ImportRecord& record, int32_t mapID, int32_t layerID, ObjectID id,
                   int32_t& position) {
  ObjectContents contents;
  contents.prefix = record.prefix;
  contents.name = record.name;
  contents.graphics = record.graphics;
  uint32_t customColour = record.customColourField;
  if (record.customColour) {
    customColour = record.customRGB | kCustomColourPresent | kCustomColourActive;
  }
  if (customColour != 0) contents.customColour = customColour;
  WRect rect = record.rect;
  if (record.kind == kAliasObject) {
    // An alias keeps the ID of the object it stands for in its rectangle.
    ObjectID target;
    if (!ParseImportID(record.aliasOf, target)) target = ObjectID();
    rect = {target.high, target.low, 0, 0};
  }
  contents.rect = rect;
  if (record.kind == kTextObject || record.kind == kPictureObject) {
    contents.textOrPicture = record.text;
  }
  const bool poly = record.kind == kPolylineObject || record.kind == kPolygonObject;
  int32_t err = 0;
  if (poly && record.anyAttributes) {
    int32_t segmentBytes = 0;
    for (const ImportPoint& point : record.points) {
      segmentBytes += point.hasAttributes ? kAttributedSegmentSize : kPlainSegmentSize;
    }
    const int32_t nameRoom = static_cast<int32_t>(record.prefix.size() + record.name.size());
    err = CreateEmptyObject(mapID, layerID, record.kind, id, nameRoom, 0,
                            static_cast<int32_t>(record.points.size()), segmentBytes, position);
    if (err == 0) err = WriteAttributedSegments(mapID, layerID, position, record.points);
    if (err == 0) err = UpdateObject(mapID, layerID, position, contents, 0, 0);
    return err;
  }
  Handle points = nullptr;
  if (poly && !record.points.empty()) {
    points = MyNewHandle(static_cast<int32_t>(record.points.size() * sizeof(WPoint)));
    if (points == nullptr) {
      ReportError("ImportObject()", "MyNewHandle()", kErrMemoryFull);
      return kErrMemoryFull;
    }
    auto* out = reinterpret_cast<WPoint*>(*points);
    for (size_t i = 0; i < record.points.size(); ++i) {
      const ImportPoint& point = record.points[i];
      out[i].x = static_cast<int32_t>(static_cast<uint32_t>(point.x) |
                                      (point.newPiece ? kNewPieceBit : 0u));
      out[i].y = point.y;
    }
    contents.points = points;
  }
  err = CreateObject(mapID, layerID, record.kind, id, contents, position);
  if (points != nullptr) MyDisposeHandle(points);
  if (err == 0 && record.kind == kTextObject && CurrentLifeCycleHooks().textRect) {
    // The imported text keeps the rectangle it was written with.
    err = ChangeObjectWRect(mapID, layerID, position, &rect, 0, 0);
  }
  return err;
}

void RecountTouchedFiles() {
  std::set<std::pair<int32_t, int32_t>> files = state.run.touchedFiles;
  files.insert(state.run.createdFiles.begin(), state.run.createdFiles.end());
  for (const auto& [mapID, layerID] : files) {
    const int32_t mapIndex = MapIDToIndex(mapID);
    const int32_t fileIndex = mapIndex < 0 ? -1 : OverlayFileIndexForID(mapIndex, layerID);
    if (fileIndex < 0) continue;
    int32_t live = 0;
    WRect bounds = kUnionStartRect;
    int32_t walkMap = -1;
    int32_t walkFile = -1;
    const int32_t err = ForEachSummaryRecord(
        mapID, layerID,
        [&](const SummaryRecord& record, int32_t) -> int32_t {
          if (SummaryRecordLive(record)) {
            ++live;
            if (WRectPlaced(record.worldRect)) UnionWRect(bounds, record.worldRect);
          }
          return 0;
        },
        &walkMap, &walkFile);
    if (err != 0) {
      ReportError("Import2()", "ForEachSummaryRecord()", err);
      continue;
    }
    OverlayFileRecord entry;
    if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) continue;
    entry.objectCount = live;
    entry.bounds = bounds;
    SetOverlayFileRecord(mapIndex, fileIndex, entry);
    WriteLayerFileImage(entry);
  }
}

// The side formats' file beside the import file: the same name with the extension, found
// whatever the case of its name; empty when there is none.
std::string ReadSideFile(const std::string& path, const char* extension) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? path
                               : path.substr(0, dot);
  std::string resolved;
  if (ResolvePath(base + extension, resolved) != 0 || IsFolder(resolved)) return {};
  FileByteSource source(resolved);
  std::vector<unsigned char> bytes;
  if (source.OpenResult() != 0 || source.ReadAll(bytes) != 0) return {};
  return std::string(bytes.begin(), bytes.end());
}

// Reads the coordinate list's objects and creates each one as an interchange record.
int32_t RunCoordinateList(MIEReader& reader, int32_t type, const std::string& path,
                          const bool& cancelled) {
  ImportRun& run = state.run;
  run.fieldNames = CoordinateListFieldNames(ReadSideFile(path, ".FLD"));
  DatValues dat(run.fieldNames.empty() ? std::string() : ReadSideFile(path, ".DAT"));
  ImportRecord& record = run.record;
  int32_t number = 0;
  while (!cancelled) {
    bool done = false;
    std::string errorText;
    int32_t err =
        ReadCoordinateListRecord(reader, type, run.fieldNames, dat, record, done, errorText);
    if (err == -1) {
      ShowAlert(errorText, kStopAlert);
      return err;
    }
    if (err != 0) {
      ReportError("Import2()", "FSReadBuf()", err);
      return err;
    }
    if (done) break;
    record.recordNumber = ++number;
    run.passLine.clear();
    err = CreateImportedObject(record);
    if (run.pass != nullptr && !run.passLine.empty() && run.pass->Append(run.passLine) != 0) {
      ShowAlert("Error writing to import pass file.", kStopAlert);
      return -1;
    }
    if (err != 0) return err;
  }
  return 0;
}

int32_t RunImportLoop(MIEReader& reader, PassFile* pass, int32_t type, const std::string& path) {
  ImportRun& run = state.run;
  reader.ResetLine();
  run.fieldNames = MIEFieldNames();
  run.pass = pass;
  bool cancelled = false;
  reader.SetProgress([&cancelled](int32_t percent) {
    if (state.hooks.progress && state.hooks.progress(percent)) cancelled = true;
    if (Platform().EscapePressed()) cancelled = true;
  });
  BeginObjectBatch();
  int32_t result = 0;
  if (type != kImportFileMIE) result = RunCoordinateList(reader, type, path, cancelled);
  while (type == kImportFileMIE && !cancelled) {
    MIEToken token;
    int32_t err = reader.Next(token);
    if (err == -1) {
      ShowAlert(reader.ErrorText(), kStopAlert);
      result = -1;
      break;
    }
    if (err != 0) {
      ReportError("Import2()", "FSReadBuf()", err);
      result = err;
      break;
    }
    if (token.kind == kTokenEndOfFile) break;
    if (token.kind == kTokenOther) {
      reader.SetError(MessageText(92));
      ShowAlert(reader.ErrorText(), kStopAlert);
      result = -1;
      break;
    }
    reader.PushBack(token);
    int32_t recordNumber = 0;
    run.passLine.clear();
    err = ImportObject(reader, recordNumber);
    if (pass != nullptr && !run.passLine.empty()) {
      if (pass->Append(run.passLine) != 0) {
        ShowAlert("Error writing to import pass file.", kStopAlert);
        result = -1;
        break;
      }
    }
    if (err != 0) {
      result = err;
      break;
    }
  }
  const int32_t batchErr = EndObjectBatch();
  if (batchErr != 0 && result == 0) result = batchErr;
  RecountTouchedFiles();
  // The recount gave the changed files their rectangles, and the maps take them in.
  RefreshMapExtents();
  const int32_t flushErr = FlushBufferedFiles();
  if (flushErr != 0 && result == 0) result = flushErr;
  if (run.summary.lockedSkips > 0) ShowMessageAlert(93, kNoteAlert);
  return result;
}

}  // namespace

void SetImportMode(int32_t mode) {
  state.mode = (mode == kImportSkip || mode == kImportDuplicate) ? mode : kImportUpdate;
}

int32_t ImportMode() {
  return state.mode;
}

void SetImportHooks(ImportHooks hooks) {
  state.hooks = std::move(hooks);
}

const ImportHooks& CurrentImportHooks() {
  return state.hooks;
}

void SetImportCharacterSetRecognition(bool on) {
  state.recogniseCharacterSet = on;
}

std::string PassFilePath(const std::string& importPath) {
  const size_t slash = importPath.find_last_of('/');
  const size_t dot = importPath.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return importPath + ".OUT";
  }
  return importPath.substr(0, dot) + ".OUT";
}

int32_t CreateImportedObject(ImportRecord& record) {
  ImportRun& run = state.run;
  const bool pass = run.pass != nullptr;
  const std::string recordStart =
      pass ? FormatText("%ld", static_cast<long>(record.recordNumber)) : std::string();
  if (state.hooks.threatZoneName && (record.name.rfind(kThreatZonePrefix, 0) == 0 ||
                                     record.name.rfind(kConfidencePrefix, 0) == 0)) {
    state.hooks.threatZoneName(record.name);
  }
  if (record.layerName.empty()) record.layerName = kFallbackLayerName;
  int32_t layerID = 0;
  int32_t err = FindOrCreateLayer(record.layerName, layerID);
  if (err != 0) return err;
  int32_t mapID = 0;
  err = FindOrCreateMap(record.mapName, mapID);
  if (err != 0) return err;
  auto facts = run.maps.find(mapID);
  if (facts == run.maps.end()) {
    MapRecord map;
    if (!GetMapRecord(MapIDToIndex(mapID), map)) return kErrGeneral;
    facts =
        run.maps.emplace(mapID, ImportRun::MapFacts{FieldText(map.name), map.locked != 0}).first;
  }
  const std::string& mapName = facts->second.name;
  if (facts->second.locked) {
    ++run.summary.skipped;
    ++run.summary.lockedSkips;
    if (pass) run.passLine = recordStart + " \"0\" \"0\" \"0\"\r";
    return 0;
  }
  const std::pair<int32_t, int32_t> key{mapID, layerID};
  if (!run.knownFiles.count(key)) {
    const int32_t mapIndex = MapIDToIndex(mapID);
    if (OverlayFileIndexForID(mapIndex, layerID) < 0) {
      const std::string layerName = LayerName(LayerIDToIndex(layerID));
      Platform().SetMessageLine(FormatText("Creating overlay file \"%s\" on map \"%s\".",
                                           layerName.c_str(), mapName.c_str()));
      int32_t filePosition = -1;
      err = CreateLayerFile(mapIndex, layerName, filePosition);
      if (err != 0) {
        ReportError("ImportObject()", "CreateLayerFile()", err);
        return err;
      }
      run.createdFiles.insert(key);
    } else {
      run.touchedFiles.insert(key);
    }
    run.knownFiles.insert(key);
  }

  ObjectID id;
  const bool givenID = ParseImportID(record.idText, id);
  bool replacing = false;
  if (givenID && state.mode != kImportDuplicate && !run.createdFiles.count(key)) {
    ObjectIDIndex* index = nullptr;
    err = IDIndexOf(mapID, layerID, index);
    if (err != 0) {
      ReportError("ImportObject()", "BuildObjectIDIndex()", err);
      return err;
    }
    // The first live object with the ID, as FindObjectByID would find it.
    int32_t existing = -1;
    const bool found = index->Find(id, existing);
    if (found && state.mode == kImportSkip) {
      ++run.summary.skipped;
      if (pass) run.passLine = recordStart + " \"0\" \"0\" \"0\"\r";
      return 0;
    }
    if (found) {
      err = DeleteObjectRecord(mapID, layerID, existing, false, false, false);
      if (err != 0) {
        ReportError("ImportObject()", "DeleteObjectRecord()", err);
        return err;
      }
      index->Take(id, existing);
      replacing = true;
    }
  }
  if (!givenID) {
    err = NewObjectID(id);
    if (err != 0) {
      ReportError("ImportObject()", "NewObjectID()", err);
      return err;
    }
  }
  // A simple point without a name is named by its ID.
  if (record.simplePoint && record.name.empty()) record.name = ObjectIDText(id);

  int32_t position = -1;
  err = MakeObject(record, mapID, layerID, id, position);
  if (err != 0) return err;
  if (auto it = run.idIndex.find(key); it != run.idIndex.end()) {
    it->second.Add(id, position);
  }
  if (record.dateUnreadable) Platform().Beep();
  if (record.modTime != 0 || record.aliasCount != 0) {
    int32_t mi = -1;
    int32_t fi = -1;
    err = AllocateSpaceForFile(mapID, layerID, kObjectFileKind, kSmallWindowSize, &mi, &fi);
    if (err != 0) {
      ReportError("ImportObject()", "AllocateSpaceForFile()", err);
      return err;
    }
    BufferedFile& file = CurrentObjectFile();
    if (record.modTime != 0) err = FSSetObjectModTime(file, position, record.modTime, kEpoch1904);
    if (err == 0 && record.aliasCount != 0) {
      err = FSSetObjectAliasCount(file, position, record.aliasCount);
    }
    if (err != 0) return err;
  }
  SetEditTarget(mapID, layerID);
  if (replacing) {
    ++run.summary.updated;
  } else {
    ++run.summary.created;
  }
  if (pass) {
    run.passLine = recordStart + Quoted(ObjectIDText(id)) +
                   Quoted(LayerName(LayerIDToIndex(layerID))) + Quoted(mapName) + "\r";
  }
  return 0;
}

int32_t ImportObject(MIEReader& reader, int32_t& recordNumber) {
  ImportRecord& record = state.run.record;
  const int32_t err =
      ReadImportRecord(reader, state.run.fieldNames, state.run.withRecordNumbers, record);
  recordNumber = record.recordNumber;
  if (err == -1) {
    ShowAlert(reader.ErrorText(), kStopAlert);
    return err;
  }
  if (err != 0) {
    ReportError("ImportObject()", "FSReadBuf()", err);
    return err;
  }
  return CreateImportedObject(record);
}

int32_t Import2(int16_t volume, int32_t dirID, const std::string& name, bool writePassFile,
                bool showProgress, ImportSummary* summary) {
  std::string path;
  int32_t err = MakeFullPath(volume, dirID, name, path);
  if (err != 0) {
    ShowMessageAlert(98, kStopAlert);
    state.mode = kImportUpdate;
    return err;
  }
  PassFile pass;
  if (writePassFile) {
    pass.path = PassFilePath(path);
    DeleteFile(pass.path);
    err = CreateFile(pass.path);
    if (err != 0) {
      ReportError("Import2()", "my_hcreate()", err);
      state.mode = kImportUpdate;
      return err;
    }
    if (OpenFile(pass.path, FileAccess::kReadWrite, pass.file) != 0) {
      ShowMessageAlert(95, kStopAlert);
      state.mode = kImportUpdate;
      return kErrGeneral;
    }
  }
  std::string resolved;
  if (ResolvePath(path, resolved) == 0) path = resolved;
  FileByteSource source(path);
  MIEReader reader(source, state.recogniseCharacterSet);
  if (source.OpenResult() != 0 || reader.Open() != 0) {
    ShowMessageAlert(98, kStopAlert);
    state.mode = kImportUpdate;
    return source.OpenResult() != 0 ? source.OpenResult() : kErrGeneral;
  }
  int32_t type = kImportFileMIE;
  err = DetermineFileType(source, type);
  if (err != 0) {
    state.mode = kImportUpdate;
    return err;
  }
  // An import cannot be undone, and the objects it replaces would leave the last step's Undo
  // writing into dead records or making a second live object with one ID.
  SetUndoNothing();
  state.run = ImportRun();
  state.run.active = true;
  state.run.withRecordNumbers = writePassFile;
  if (showProgress) {
    const std::string text = FormatTextV(MessageText(97).c_str(), path.c_str());
    if (state.hooks.openProgress) state.hooks.openProgress(MessageText(96), text);
    Platform().SetMessageLine(text);
  }
  const int32_t result = RunImportLoop(reader, writePassFile ? &pass : nullptr, type, path);
  if (showProgress && state.hooks.closeProgress) state.hooks.closeProgress();
  if (state.hooks.redraw) state.hooks.redraw();
  if (state.run.summary.createdMapID != 0 && state.hooks.showExtent) {
    const WRect extent = ComputeMapExtent(MapIDToIndex(state.run.summary.createdMapID));
    if (MapExtentKnown(extent)) state.hooks.showExtent(extent);
  }
  if (writePassFile) {
    const int32_t flushErr = pass.Flush();
    if (flushErr != 0 || pass.file.Close() != 0) ShowMessageAlert(99, kStopAlert);
  }
  if (summary != nullptr) *summary = state.run.summary;
  state.run = ImportRun();
  state.mode = kImportUpdate;
  return result;
}

namespace {

// A 1.x export file from the Import command goes onto a map the user picks among those that
// may take objects, or onto a new map named after the file, whose extent is then shown.
int32_t ImportOldFormatFile(const std::string& path) {
  Question where;
  where.title = "Import";
  where.text = "Import the objects onto an existing map or onto a new map named after the file?";
  where.buttons = {"Existing Map", "New Map", "Cancel"};
  where.defaultButton = 0;
  where.cancelButton = 2;
  const int answer = Platform().Ask(where);
  if (answer != 0 && answer != 1) return 0;
  int32_t position = -1;
  const bool newMap = answer == 1;
  if (newMap) {
    if (MapNamedAfterFile(path, position) != 0) {
      ShowAlert("The new map could not be made.", kStopAlert);
      return kErrGeneral;
    }
  } else {
    std::vector<std::string> names;
    std::vector<int32_t> positions;
    MapRecord map;
    for (int32_t i = 0; GetMapRecord(i, map); ++i) {
      if (map.inUse == 0 || map.locked != 0) continue;
      names.emplace_back(map.name);
      positions.push_back(i);
    }
    if (names.empty()) {
      ShowMessageAlert(152, kStopAlert);
      return kErrGeneral;
    }
    if (!state.hooks.chooseMap) {
      ShowAlert("Choosing a map is not supported yet.", kStopAlert);
      return kErrGeneral;
    }
    const int32_t chosen = state.hooks.chooseMap("Import onto Map", names);
    if (chosen < 0 || chosen >= static_cast<int32_t>(names.size())) return 0;
    position = positions[static_cast<size_t>(chosen)];
  }
  MapRecord map;
  if (!GetMapRecord(position, map)) return kErrGeneral;
  OldImportSummary summary;
  Handle ids = OldImportObjects(nullptr, path, 0, kOldImportNew, false, false, false, 0.0, 0.0,
                                kOldUnitMiles, map.mapID, false, nullptr, &summary);
  if (ids != nullptr) MyDisposeHandle(ids);
  if (SaveLayers() != 0) ShowAlert("The overlay list could not be saved.", kStopAlert);
  if (newMap && summary.created > 0 && state.hooks.showExtent) {
    const WRect extent = ComputeMapExtent(position);
    if (MapExtentKnown(extent)) state.hooks.showExtent(extent);
  }
  if (state.hooks.redraw) state.hooks.redraw();
  return summary.readError ? kErrGeneral : 0;
}

}  // namespace

int32_t ChooseImportFile() {
  std::string path;
  if (!state.hooks.chooseFile) {
    ShowAlert("Choosing an import file is not supported yet.", kStopAlert);
    return kErrGeneral;
  }
  const std::vector<std::string> filters = {GetIndString(10000, 27), GetIndString(10000, 28),
                                            GetIndString(10000, 29), GetIndString(10000, 26)};
  if (!state.hooks.chooseFile(MessageText(661), filters, path)) return 0;
  std::string resolved;
  if (ResolvePath(path, resolved) == 0) path = resolved;
  FileByteSource source(path);
  int32_t size = 0;
  if (source.OpenResult() != 0 || source.Size(size) != 0) {
    ShowMessageAlert(98, kStopAlert);
    return kErrGeneral;
  }
  if (size == 0) {
    ShowMessageAlert(620, kStopAlert);
    return 0;
  }
  const size_t dot = path.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : path.substr(dot);
  if (CollateCompare(extension, ".SHP") == 0) {
    if (state.hooks.importShapefile) return state.hooks.importShapefile(path);
    ShowAlert("Importing shapefiles is not supported yet.", kStopAlert);
    return kErrGeneral;
  }
  char start[2] = {0, 0};
  int32_t got = 0;
  source.ReadAt(0, 2, start, got);
  if (got == 2 && start[0] == '1' && start[1] == '\r') {
    Question question;
    question.text = "Is this a TOLVANE 1.0 export file?";
    question.buttons = {"Yes", "No"};
    if (Platform().Ask(question) == 0) {
      return ImportOldFormatFile(path);
    }
  }
  Question options;
  options.title = "Import Options";
  options.text = "Objects being imported may have the same IDs as existing objects.";
  options.buttons = {"Update", "Skip", "Duplicate", "Cancel"};
  options.defaultButton = 0;
  options.cancelButton = 3;
  const int answer = Platform().Ask(options);
  if (answer < 0 || answer > 2) return 0;
  SetImportMode(kImportUpdate + answer);
  const std::string folder = FolderOfPath(path);
  int32_t folderID = -1;
  int32_t err = RegisterDirectory(folder, true, folderID);
  if (err != 0) {
    ShowMessageAlert(98, kStopAlert);
    SetImportMode(kImportUpdate);
    return err;
  }
  return Import2(0, folderID, path.substr(folder.size()), false, true);
}

void ResetImportForTesting() {
  state = ImportState();
}

}  // namespace tlv
