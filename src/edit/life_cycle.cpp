#include "edit/life_cycle.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/layer_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr int32_t kOneObjectWindow = 1024;
constexpr int32_t kCopyWindow = 5000;
constexpr int32_t kSegmentCopyPiece = 256;
constexpr int32_t kMaxPictNameLength = 31;
constexpr int32_t kMaxPictSuffix = 999;
constexpr int32_t kMessageTooManyPictures = 33;

struct IDState {
  bool haveRun = false;
  uint32_t runNumber = 0;
  uint32_t counter = 0;
};

// Where the summary record of the last object made lies, so that the steps that follow its
// making find it without walking the whole summary file.
struct SummaryHint {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  int32_t position = -1;
  int32_t byteOffset = -1;
};

struct FoundCache {
  bool valid = false;
  std::string idText;
  int32_t mapID = 0;
  int32_t overlayID = 0;
  ObjectRef object;
};

struct LifeCycleState {
  LifeCycleHooks hooks;
  IDState ids;
  SummaryHint hint;
  FoundCache lastFound;
  int32_t batchDepth = 0;
  std::set<std::pair<int32_t, int32_t>> batchFiles;  // (map ID, overlay ID) awaiting their image
};

LifeCycleState state;

bool IsPoly(int16_t type) {
  return type == kPolylineObject || type == kPolygonObject;
}

bool AllZero(const WRect& r) {
  return !WRectPlaced(r);
}

WRect Shrunk(const WRect& r) {
  return {r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1};
}

void RedrawArea(const WRect& area) {
  if (state.hooks.redrawArea) state.hooks.redrawArea(area);
}

void RemoveFromSelections(const ObjectRef& object) {
  if (state.hooks.removeFromSelections) state.hooks.removeFromSelections(object);
}

// Makes the object file of the overlay file current with a window of the given size.
int32_t UseObjectFile(int32_t mapID, int32_t overlayID, int32_t window, int32_t* mapIndex = nullptr,
                      int32_t* fileIndex = nullptr) {
  int32_t mi = -1, fi = -1;
  const int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, window, &mi, &fi);
  if (mapIndex != nullptr) *mapIndex = mi;
  if (fileIndex != nullptr) *fileIndex = fi;
  return err;
}

int32_t WriteImageNow(int32_t mapIndex, int32_t fileIndex) {
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  return WriteLayerFileImage(entry);
}

// Writes the overlay file image now, or at the end of the running batch.
int32_t WriteImage(int32_t mapIndex, int32_t fileIndex) {
  if (state.batchDepth > 0) {
    OverlayFileRecord entry;
    if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
    state.batchFiles.insert({entry.mapID, entry.overlayID});
    return 0;
  }
  return WriteImageNow(mapIndex, fileIndex);
}

// Finds an object's summary record, first where the last object was made.
int32_t FindSummary(int32_t mapID, int32_t overlayID, int32_t position, int32_t& byteOffset,
                    SummaryRecord& record, int32_t& mapIndex, int32_t& fileIndex,
                    bool withProgress) {
  const SummaryHint& h = state.hint;
  if (h.mapID == mapID && h.overlayID == overlayID && h.position == position && h.byteOffset >= 0) {
    if (AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mapIndex,
                             &fileIndex) == 0) {
      BufferedFile& file = CurrentSummaryFile();
      SummaryRecord candidate;
      if (h.byteOffset + kSummaryRecordSize <= file.fileLength &&
          SetFPosBuf(file, h.byteOffset) == 0 && FSReadSummaryBuf(file, candidate) == 0 &&
          (candidate.position == position || candidate.position == ~position)) {
        byteOffset = h.byteOffset;
        record = candidate;
        return 0;
      }
    }
  }
  // Records are appended as objects are made, so their positions rise through the file: halving
  // finds a record in a few reads. A file in another order falls back to the full walk.
  if (AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mapIndex,
                           &fileIndex) == 0) {
    BufferedFile& file = CurrentSummaryFile();
    int32_t lo = 0, hi = file.fileLength / kSummaryRecordSize - 1;
    while (lo <= hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      SummaryRecord candidate;
      if (SetFPosBuf(file, mid * kSummaryRecordSize) != 0 ||
          FSReadSummaryBuf(file, candidate) != 0) {
        break;
      }
      const int32_t at = candidate.position >= 0 ? candidate.position : ~candidate.position;
      if (at == position) {
        byteOffset = mid * kSummaryRecordSize;
        record = candidate;
        return 0;
      }
      if (at < position) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
      }
    }
  }
  return FindSummaryRecord(mapID, overlayID, position, byteOffset, record, &mapIndex, &fileIndex,
                           withProgress);
}

int32_t WriteSummary(int32_t mapID, int32_t overlayID, int32_t byteOffset,
                     const SummaryRecord& record) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow,
                                     &mapIndex, &fileIndex);
  if (err == 0) err = FSSetSummaryRecord(CurrentSummaryFile(), byteOffset, record);
  return err;
}

void NameStartOf(const std::string& name, char (&nameStart)[4]) {
  std::memset(nameStart, 0, sizeof nameStart);
  std::memcpy(nameStart, name.data(), std::min<size_t>(4, name.size()));
}

// The circle rule: a circle keeps its size and is moved back inside the world.
void KeepCircleInWorld(WRect& r) {
  auto fit = [](int32_t& low, int32_t& high, int32_t limit) {
    if (low < 0) {
      high -= low;
      low = 0;
    }
    if (high > limit) {
      low = std::max(0, low - (high - limit));
      high = limit;
    }
  };
  fit(r.x1, r.x2, 360000000);
  fit(r.y1, r.y2, 180000000);
}

int32_t MoveStoredSegments(BufferedFile& file, int32_t position, int32_t dx, int32_t dy) {
  int32_t count = 0;
  int32_t err = FSGetObjectNumSegs(file, position, count);
  if (err != 0) return err;
  int32_t offset = 0, recordEnd = 0;
  err = FSGetObjectSegmentRange(file, position, offset, recordEnd);
  if (err != 0) return err;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t at = offset;
    int32_t x = 0, y = 0;
    bool newPiece = false;
    err = FSGetObjectSeg(file, position, offset, x, y, newPiece);
    if (err != 0) return err;
    int64_t nx = int64_t{x} + dx;
    int64_t ny = int64_t{y} + dy;
    nx = std::clamp<int64_t>(nx, INT32_MIN, INT32_MAX);
    ny = std::clamp<int64_t>(ny, INT32_MIN, INT32_MAX);
    auto cx = static_cast<int32_t>(nx);
    auto cy = static_cast<int32_t>(ny);
    ClampStoredPoint(cx, cy);
    // Only x and y move: the piece bit, the mask and the attributes stay as stored.
    const uint32_t storedX = static_cast<uint32_t>(cx) | (newPiece ? kNewPieceBit : 0u);
    err = FSWriteLongBufAt(file, static_cast<int32_t>(storedX), position + at);
    if (err == 0) err = FSWriteLongBufAt(file, cy, position + at + 4);
    if (err != 0) {
      ReportError("ChangeObjectWRect()", "FSWriteLongBufAt()", err);
      return err;
    }
  }
  return 0;
}

// Unites rect into the overlay file's bounds; stores and writes them when they grew.
int32_t GrowBounds(int32_t mapIndex, int32_t fileIndex, const WRect& rect) {
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  WRect grown = entry.bounds;
  UnionWRect(grown, rect);
  if (std::memcmp(&grown, &entry.bounds, sizeof grown) == 0) return 0;
  entry.bounds = grown;
  SetOverlayFileRecord(mapIndex, fileIndex, entry);
  return WriteImage(mapIndex, fileIndex);
}

bool OwnedMap(const MapRecord& map) {
  const size_t length = strnlen(map.owner, kOwnerCodeSize);
  if (length != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(map.owner[i]))) return true;
  }
  return false;
}

bool ParseIDText(std::string_view text, ObjectID& id) {
  text = text.substr(0, 30);
  const size_t blank = text.find(' ');
  if (blank != std::string_view::npos) text = text.substr(0, blank);
  if (text.empty() || text.size() > 16) return false;
  std::string digits(16 - text.size(), '0');
  digits += text;
  uint32_t parts[2] = {0, 0};
  for (int half = 0; half < 2; ++half) {
    for (int i = 0; i < 8; ++i) {
      const char c = digits[static_cast<size_t>(half * 8 + i)];
      int v;
      if (c >= '0' && c <= '9') {
        v = c - '0';
      } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
      } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
      } else {
        return false;
      }
      parts[half] = parts[half] * 16 + static_cast<uint32_t>(v);
    }
  }
  id.high = static_cast<int32_t>(parts[0]);
  id.low = static_cast<int32_t>(parts[1]);
  return true;
}

}  // namespace

void SetLifeCycleHooks(LifeCycleHooks hooks) {
  state.hooks = std::move(hooks);
}
const LifeCycleHooks& CurrentLifeCycleHooks() {
  return state.hooks;
}

int32_t NewObjectID(ObjectID& id) {
  if (!state.ids.haveRun) {
    state.ids.runNumber = Platform().TickCount();
    state.ids.haveRun = true;
  }
  ++state.ids.counter;
  const auto seconds = static_cast<uint32_t>(Platform().SecondsSince1970());
  id.high = static_cast<int32_t>(seconds + kObjectTime1970Offset);
  id.low = static_cast<int32_t>(state.ids.runNumber * 65536u + state.ids.counter);
  return 0;
}

int32_t CreateEmptyObject(int32_t mapID, int32_t overlayID, int16_t type, ObjectID id,
                          int32_t nameRoom, int32_t textRoom, int32_t segmentCount,
                          int32_t segmentBytes, int32_t& position) {
  constexpr const char* kCaller = "CreateEmptyObject()";
  position = -1;
  Platform().SetWaitCursor(true);
  if (type < kRectangleObject || type > kAliasObject || nameRoom < 0 || nameRoom > 255 ||
      textRoom < 0 || segmentCount < 0 || segmentBytes < 0) {
    ReportError(kCaller, "CreateEmptyObject()", kErrBadLength);
    return kErrBadLength;
  }
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapIndex < 0) {
    ReportError(kCaller, "MapIDToIndex()", kErrGeneral);
    return kErrGeneral;
  }
  if (OverlayFileIndexForID(mapIndex, overlayID) < 0) {
    const int32_t layerIndex = LayerIDToIndex(overlayID);
    if (layerIndex < 0) {
      ReportError(kCaller, "LayerIDToIndex()", kErrGeneral);
      return kErrGeneral;
    }
    int32_t filePosition = -1;
    const int32_t err = CreateLayerFile(mapIndex, LayerName(layerIndex), filePosition);
    if (err != 0) return err;
  }
  int32_t mi = -1, fi = -1;
  int32_t err = UseObjectFile(mapID, overlayID, kOneObjectWindow, &mi, &fi);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  const int32_t at = file.fileLength;

  int32_t size = nameRoom + kObjFixedHeadSize;
  if (IsPoly(type)) {
    size += segmentBytes + 6;
  } else if (type == kTextObject) {
    size += textRoom + 6;
  } else if (type == kPictureObject) {
    size += 33;
  } else if (type != kAliasObject) {
    size += 2;
  }
  // The record starts as zero bytes; whole windows at a time write the same bytes as one byte
  // at a time would.
  static const char kZeros[kOneObjectWindow] = {};
  err = SetFPosBuf(file, at);
  for (int32_t written = 0; err == 0 && written < size;) {
    int32_t count = std::min({size - written, file.bufferSize, kOneObjectWindow});
    if (count <= 0) count = 1;
    err = FSWriteBuf(file, count, kZeros);
    written += count;
  }
  if (err != 0) {
    ReportError(kCaller, "FSWriteBuf()", err);
    return err;
  }
  err = FSSetObjectLength(file, at, size - 4);
  if (err == 0) err = FSSetObjectVersionFlags(file, at, kVersionReadable | kVersionModifiable);
  if (err == 0) err = FSSetObjectType(file, at, type);
  if (err == 0 && nameRoom > 0) err = FSSetObjectName(file, at, "", "", nameRoom);
  if (err == 0) err = FSSetObjectID(file, at, id.high, id.low);
  if (err == 0 && IsPoly(type)) err = FSSetObjectNumSegs(file, at, segmentCount);
  if (err == 0 && type == kTextObject && textRoom > 0)
    err = FSSetObjectText(file, at, "", textRoom);
  if (err != 0) return err;

  err = AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mi, &fi);
  if (err != 0) return err;
  BufferedFile& summary = CurrentSummaryFile();
  // A trailing fragment of a record is not a record: the new one takes its place.
  const int32_t offset = summary.fileLength - summary.fileLength % kSummaryRecordSize;
  SummaryRecord record;
  record.position = at;
  record.worldRect = {0, 0, 0, 0};
  record.idHigh = id.high;
  record.idLow = id.low;
  err = FSSetSummaryRecord(summary, offset, record);
  if (err != 0) return err;
  state.hint = {mapID, overlayID, at, offset};

  OverlayFileRecord entry;
  GetOverlayFileRecord(mi, fi, entry);
  ++entry.objectCount;
  SetOverlayFileRecord(mi, fi, entry);
  err = WriteImage(mi, fi);
  if (err != 0) return err;
  position = at;
  return 0;
}

int32_t CreateObject(int32_t mapID, int32_t overlayID, int16_t type, ObjectID id,
                     const ObjectContents& contents, int32_t& position) {
  Platform().SetWaitCursor(true);
  ObjectContents given = contents;
  WRect textRect;
  if (type == kTextObject && contents.textOrPicture != nullptr && contents.graphics != nullptr &&
      state.hooks.textRect) {
    const WRect start = contents.rect != nullptr ? *contents.rect : WRect{0, 0, 0, 0};
    if (state.hooks.textRect(*contents.textOrPicture, *contents.graphics, start, textRect)) {
      given.rect = &textRect;
    }
  }
  auto partLength = [](const std::string* s) {
    return s == nullptr ? 0 : static_cast<int32_t>(std::min<size_t>(s->size(), kMaxNamePartLength));
  };
  const int32_t nameRoom = partLength(given.prefix) + partLength(given.name);
  const int32_t textRoom =
      given.textOrPicture == nullptr ? 0 : static_cast<int32_t>(given.textOrPicture->size());
  int32_t pointCount = 0;
  if (given.points != nullptr) pointCount = MyGetHandleSize(given.points) / 8;
  const bool poly = IsPoly(type);
  int32_t err =
      CreateEmptyObject(mapID, overlayID, type, id, nameRoom, type == kTextObject ? textRoom : 0,
                        poly ? pointCount : 0, poly ? pointCount * kPlainSegmentSize : 0, position);
  if (err != 0) return err;
  return UpdateObject(mapID, overlayID, position, given, 0, 0);
}

int32_t UpdateObject(int32_t mapID, int32_t overlayID, int32_t position,
                     const ObjectContents& contents, int32_t dx, int32_t dy) {
  Platform().SetWaitCursor(true);
  int32_t err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  const bool named = contents.prefix != nullptr && contents.name != nullptr;
  if (named) {
    err = FSSetObjectName(file, position, *contents.prefix, *contents.name, 0);
    if (err != 0) return err;
  }
  err = FSSetObjectModTime(file, position, Platform().SecondsSince1970(), kEpoch1970);
  if (err == 0 && contents.graphics != nullptr && type != kAliasObject) {
    err = FSSetObjectGraphics(file, position, *contents.graphics);
  }
  if (err == 0 && contents.customColour != nullptr) {
    bool present = false, active = false;
    uint32_t rgb = 0;
    err = GetObjectCustomColour(file, position, present, active, rgb);
    const uint32_t stored =
        rgb | (present ? kCustomColourPresent : 0u) | (active ? kCustomColourActive : 0u);
    if (err == 0 && stored != *contents.customColour) {
      err = FSSetObjectNoLongerStateCounty(file, position, *contents.customColour);
    }
  }
  if (err == 0 && contents.textOrPicture != nullptr) {
    if (type == kTextObject) err = FSSetObjectText(file, position, *contents.textOrPicture, 0);
    if (type == kPictureObject) err = FSSetObjectPICTFile(file, position, *contents.textOrPicture);
  }
  if (err == 0 && contents.points != nullptr && IsPoly(type)) {
    err = FSInitObjectSegments(file, position, contents.points);
  }
  if (err != 0) return err;
  if (named) {
    int32_t byteOffset = -1, mi = -1, fi = -1;
    SummaryRecord record;
    err = FindSummary(mapID, overlayID, position, byteOffset, record, mi, fi, false);
    if (err != 0) return err;
    NameStartOf(*contents.name, record.nameStart);
    err = WriteSummary(mapID, overlayID, byteOffset, record);
    if (err != 0) return err;
  }
  if (type == kAliasObject) {
    // An alias's rectangle holds the ID of the object it stands for; its summary record keeps
    // the all-zero rectangle.
    if (contents.rect != nullptr) {
      err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
      if (err == 0) err = FSSetObjectWorldRect(CurrentObjectFile(), position, *contents.rect);
      if (err != 0) return err;
    }
  } else if (contents.rect != nullptr || dx != 0 || dy != 0) {
    err = ChangeObjectWRect(mapID, overlayID, position, contents.rect, dx, dy);
    if (err != 0) return err;
  }
  state.lastFound.valid = false;
  return 0;
}

int32_t ChangeObjectWRect(int32_t mapID, int32_t overlayID, int32_t position, const WRect* newRect,
                          int32_t dx, int32_t dy) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = UseObjectFile(mapID, overlayID, kOneObjectWindow, &mapIndex, &fileIndex);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  WRect oldRect;
  err = FSGetObjectType(file, position, type);
  if (err == 0) err = FSGetObjectWorldRect(file, position, oldRect);
  if (err != 0) return err;
  const bool unplacedPicture = type == kPictureObject && AllZero(oldRect);
  if (!unplacedPicture) RedrawArea(oldRect);

  WRect rect;
  if (newRect != nullptr) {
    rect = *newRect;
  } else {
    auto move = [](int32_t v, int32_t d) {
      return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + d, INT32_MIN, INT32_MAX));
    };
    rect = {move(oldRect.x1, dx), move(oldRect.y1, dy), move(oldRect.x2, dx), move(oldRect.y2, dy)};
    if (IsPoly(type)) {
      err = MoveStoredSegments(file, position, dx, dy);
      if (err != 0) return err;
    }
  }
  if (type == kCircleObject) KeepCircleInWorld(rect);
  err = FSSetObjectWorldRect(file, position, rect);
  if (err != 0) return err;
  if (!(type == kPictureObject && AllZero(rect))) RedrawArea(rect);
  err = FSSetObjectModTime(file, position, Platform().SecondsSince1970(), kEpoch1970);
  if (err != 0) return err;

  int32_t byteOffset = -1;
  SummaryRecord record;
  err = FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, false);
  if (err != 0) return err;
  record.worldRect = rect;
  err = WriteSummary(mapID, overlayID, byteOffset, record);
  if (err != 0) return err;
  // The index covers complete blocks of the summary file only; a record in the last, open block
  // (every object just made) has no entry to grow, so the index file need not be looked at.
  const int32_t completeBlocks = CurrentSummaryFile().fileLength / kSM2BlockBytes;
  if (byteOffset / kSM2BlockBytes < completeBlocks) {
    err = GrowSM2ForMovedObject(mapIndex, fileIndex, byteOffset, rect);
    if (err != 0) return err;
  }

  OverlayFileRecord entry;
  GetOverlayFileRecord(mapIndex, fileIndex, entry);
  // An object that had no place yet never counted in the bounds, so growing them is enough.
  if (WRectPlaced(oldRect) && !WRectInside(oldRect, Shrunk(entry.bounds))) {
    return RecomputeOverlayFileBounds(mapIndex, fileIndex);
  }
  return GrowBounds(mapIndex, fileIndex, rect);
}

int32_t RecomputeOverlayFileBounds(int32_t mapIndex, int32_t fileIndex) {
  OverlayFileRecord entry;
  if (!GetOverlayFileRecord(mapIndex, fileIndex, entry)) return kErrGeneral;
  WRect bounds = kUnionStartRect;
  int32_t walkMap = -1, walkFile = -1;
  MapRecord map;
  GetMapRecord(mapIndex, map);
  const int32_t err = ForEachSummaryRecord(
      map.mapID, entry.overlayID,
      [&bounds](const SummaryRecord& r, int32_t) -> int32_t {
        if (SummaryRecordLive(r) && WRectPlaced(r.worldRect)) UnionWRect(bounds, r.worldRect);
        return 0;
      },
      &walkMap, &walkFile);
  if (err != 0) return err;
  GetOverlayFileRecord(mapIndex, fileIndex, entry);
  entry.bounds = bounds;
  SetOverlayFileRecord(mapIndex, fileIndex, entry);
  return WriteImage(mapIndex, fileIndex);
}

int32_t ForEachAliasOf(int32_t mapID, int32_t overlayID, int32_t position, const AliasVisit& visit,
                       bool includeDeleted) {
  ObjectID id;
  if (position >= 0) {
    int32_t err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
    if (err != 0) return err;
    BufferedFile& file = CurrentObjectFile();
    int16_t type = 0;
    uint8_t aliasCount = 0;
    err = FSGetObjectType(file, position, type);
    if (err == 0 && type != kAliasObject) err = FSGetObjectAliasCount(file, position, aliasCount);
    if (err == 0) err = FSGetObjectID(file, position, id.high, id.low);
    if (err != 0) return err;
    if (type == kAliasObject || aliasCount == 0) return 0;
  }
  // Aliases carry no place of their own: their summary rectangle stays all zero.
  std::vector<std::pair<int32_t, int32_t>> candidates;  // (alias position, byte offset)
  std::vector<SummaryRecord> records;
  int32_t walkMap = -1, walkFile = -1;
  int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& r, int32_t index) -> int32_t {
        if (!includeDeleted && !SummaryRecordLive(r)) return 0;
        if (WRectPlaced(r.worldRect)) return 0;
        const int32_t at = SummaryRecordLive(r) ? r.position : ~r.position;
        candidates.push_back({at, index * kSummaryRecordSize});
        records.push_back(r);
        return 0;
      },
      &walkMap, &walkFile);
  if (err != 0) return err;
  for (size_t i = 0; i < candidates.size(); ++i) {
    err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
    if (err != 0) return err;
    BufferedFile& file = CurrentObjectFile();
    int16_t type = 0;
    err = FSGetObjectType(file, candidates[i].first, type);
    if (err != 0) return err;
    if (type != kAliasObject) continue;
    if (position >= 0) {
      WRect rect;
      err = FSGetObjectWorldRect(file, candidates[i].first, rect);
      if (err != 0) return err;
      if (rect.x1 != id.high || rect.y1 != id.low) continue;
    }
    err = visit(candidates[i].first, records[i], candidates[i].second);
    if (err != 0) return err;
  }
  return 0;
}

namespace {

// Complements the summary records of an object's aliases (live ones become deleted, deleted ones
// live) and takes each out of the selection lists.
int32_t ToggleAliases(int32_t mapID, int32_t overlayID, int32_t position) {
  std::vector<std::pair<int32_t, SummaryRecord>> toggles;
  int32_t err = ForEachAliasOf(
      mapID, overlayID, position,
      [&toggles](int32_t aliasPosition, const SummaryRecord& record, int32_t byteOffset) {
        (void)aliasPosition;
        SummaryRecord flipped = record;
        flipped.position = ~record.position;
        toggles.push_back({byteOffset, flipped});
        return 0;
      },
      true);
  if (err != 0) return err;
  for (const auto& [byteOffset, record] : toggles) {
    err = WriteSummary(mapID, overlayID, byteOffset, record);
    if (err != 0) return err;
    const int32_t at = SummaryRecordLive(record) ? record.position : ~record.position;
    RemoveFromSelections({mapID, overlayID, at});
  }
  return 0;
}

}  // namespace

int32_t DeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases,
                           bool keepCounts, bool redraw) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  record.position = ~position;
  err = WriteSummary(mapID, overlayID, byteOffset, record);
  if (err != 0) return err;
  RemoveFromSelections({mapID, overlayID, position});
  if (!keepCounts) {
    OverlayFileRecord entry;
    GetOverlayFileRecord(mapIndex, fileIndex, entry);
    entry.objectCount = std::max(0, entry.objectCount - 1);
    SetOverlayFileRecord(mapIndex, fileIndex, entry);
    if (WRectPlaced(record.worldRect) && !WRectInside(record.worldRect, Shrunk(entry.bounds))) {
      err = RecomputeOverlayFileBounds(mapIndex, fileIndex);
    } else {
      err = WriteImage(mapIndex, fileIndex);
    }
    if (err != 0) return err;
  }
  if (redraw && WRectPlaced(record.worldRect)) RedrawArea(record.worldRect);
  if (withAliases) err = ToggleAliases(mapID, overlayID, position);
  state.lastFound.valid = false;
  return err;
}

int32_t UndeleteObjectRecord(int32_t mapID, int32_t overlayID, int32_t position, bool withAliases) {
  int32_t byteOffset = -1, mapIndex = -1, fileIndex = -1;
  SummaryRecord record;
  int32_t err =
      FindSummary(mapID, overlayID, position, byteOffset, record, mapIndex, fileIndex, true);
  if (err != 0) return err;
  if (SummaryRecordLive(record)) {
    return DeleteObjectRecord(mapID, overlayID, position, withAliases, false, true);
  }
  MapRecord map;
  if (!GetMapRecord(mapIndex, map) || map.locked) return 0;
  record.position = position;
  err = WriteSummary(mapID, overlayID, byteOffset, record);
  if (err != 0) return err;
  OverlayFileRecord entry;
  GetOverlayFileRecord(mapIndex, fileIndex, entry);
  ++entry.objectCount;
  if (WRectPlaced(record.worldRect)) UnionWRect(entry.bounds, record.worldRect);
  SetOverlayFileRecord(mapIndex, fileIndex, entry);
  err = WriteImage(mapIndex, fileIndex);
  if (err != 0) return err;
  if (WRectPlaced(record.worldRect)) RedrawArea(record.worldRect);
  if (state.hooks.addToSelection) state.hooks.addToSelection({mapID, overlayID, position});
  if (withAliases) err = ToggleAliases(mapID, overlayID, position);
  state.lastFound.valid = false;
  return err;
}

int32_t GetUniquePictObjectFileName(int16_t volume, int32_t folderID, std::string& name) {
  if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos) {
    ShowAlert("newFileName should not be a path in GetUniquePictObjectFileName", kStopAlert);
    return kErrGeneral;
  }
  std::string base = name, extension;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.size() - dot <= 5) {
    base = name.substr(0, dot);
    extension = name.substr(dot);
  }
  if (name.size() >= 32) {
    base.resize(static_cast<size_t>(
        std::max<int32_t>(0, kMaxPictNameLength - static_cast<int32_t>(extension.size()))));
  }
  std::string folder;
  if (MakeFullPath(volume, folderID, "", folder) != 0) return kErrGeneral;
  auto exists = [&folder](const std::string& candidate) {
    std::string resolved;
    return ResolvePath(folder + candidate, resolved) == 0;
  };
  if (!exists(base + extension)) {
    name = base + extension;
    return 0;
  }
  base.resize(std::min(base.size(), static_cast<size_t>(std::max<int32_t>(
                                        0, 28 - static_cast<int32_t>(extension.size())))));
  for (int32_t n = 1; n <= kMaxPictSuffix; ++n) {
    const std::string candidate = base + std::to_string(n) + extension;
    if (!exists(candidate)) {
      name = candidate;
      return 0;
    }
  }
  ShowMessageAlert(kMessageTooManyPictures, kStopAlert);
  return kErrGeneral;
}

int32_t FSCopyObject(const ObjectRef& source, int32_t targetMapID, int32_t targetOverlayID,
                     int32_t nameRoom, int32_t textRoom, int32_t segmentCount, int32_t segmentBytes,
                     int32_t& newPosition, bool withAliases) {
  constexpr const char* kCaller = "FSCopyObject()";
  newPosition = -1;
  int32_t err = UseObjectFile(source.mapID, source.overlayID, kCopyWindow);
  if (err != 0) return err;
  BufferedFile* file = &CurrentObjectFile();
  const int32_t from = source.position;
  uint32_t modTime = 0;
  int32_t versionFlags = 0;
  int16_t type = 0;
  ObjectID id;
  WRect rect;
  bool present = false, active = false;
  uint32_t rgb = 0;
  uint8_t aliasCount = 0;
  std::string prefix, name, text, pictName;
  ObjectGraphics graphics;
  err = FSGetObjectModTime(*file, from, modTime);
  if (err == 0) err = FSGetObjectVersionFlags(*file, from, versionFlags);
  if (err == 0) err = FSGetObjectType(*file, from, type);
  if (err == 0) err = FSGetObjectID(*file, from, id.high, id.low);
  if (err == 0) err = FSGetObjectWorldRect(*file, from, rect);
  if (err == 0) err = GetObjectCustomColour(*file, from, present, active, rgb);
  if (err == 0 && type != kAliasObject) err = FSGetObjectAliasCount(*file, from, aliasCount);
  if (err == 0) err = FSGetObjectName(*file, from, prefix, name);
  if (err == 0 && type != kAliasObject) err = FSGetObjectGraphics(*file, from, graphics);
  if (err == 0 && type == kTextObject) err = FSGetObjectText(*file, from, text);
  if (err == 0 && type == kPictureObject) err = FSGetObjectPICTFile(*file, from, pictName);
  int32_t sourceSegOffset = 0, sourceRecordEnd = 0;
  if (err == 0 && IsPoly(type)) {
    err = FSGetObjectSegmentRange(*file, from, sourceSegOffset, sourceRecordEnd);
  }
  if (err != 0) return err;

  err = CreateEmptyObject(targetMapID, targetOverlayID, type, id, nameRoom, textRoom, segmentCount,
                          segmentBytes, newPosition);
  if (err != 0) return err;
  const int32_t to = newPosition;

  int32_t byteOffset = -1, mi = -1, fi = -1;
  SummaryRecord record;
  err = FindSummary(targetMapID, targetOverlayID, to, byteOffset, record, mi, fi, false);
  if (err != 0) return err;
  if (type != kAliasObject) record.worldRect = rect;
  NameStartOf(name, record.nameStart);
  err = WriteSummary(targetMapID, targetOverlayID, byteOffset, record);
  if (err != 0) return err;

  err = UseObjectFile(targetMapID, targetOverlayID, kCopyWindow);
  if (err != 0) return err;
  file = &CurrentObjectFile();
  err = FSSetObjectModTime(*file, to, modTime, kEpoch1904);
  if (err == 0) err = FSSetObjectVersionFlags(*file, to, versionFlags);
  if (err == 0) err = FSSetObjectType(*file, to, type);
  if (err == 0) err = FSSetObjectID(*file, to, id.high, id.low);
  if (err == 0) err = FSSetObjectWorldRect(*file, to, rect);
  if (err == 0) err = FSSetObjectCFCC(*file, to);
  if (err == 0) err = FSSetObjectPlace(*file, to);
  if (err == 0) {
    const uint32_t colour =
        rgb | (present ? kCustomColourPresent : 0u) | (active ? kCustomColourActive : 0u);
    err = FSSetObjectNoLongerStateCounty(*file, to, colour);
  }
  if (err == 0 && type != kAliasObject) err = FSSetObjectAliasCount(*file, to, aliasCount);
  if (err == 0) err = FSSetObjectName(*file, to, prefix, name, 0);
  if (err == 0 && type != kAliasObject) err = FSSetObjectGraphics(*file, to, graphics);
  if (err == 0 && type == kTextObject) err = FSSetObjectText(*file, to, text, 0);
  if (err != 0) return err;

  if (type == kPictureObject) {
    if (targetMapID != source.mapID) {
      MapRecord sourceMap, targetMap;
      GetMapRecord(MapIDToIndex(source.mapID), sourceMap);
      GetMapRecord(MapIDToIndex(targetMapID), targetMap);
      std::string unique = pictName;
      err = GetUniquePictObjectFileName(targetMap.volume, targetMap.dirID, unique);
      if (err != 0) {
        ReportError(kCaller, "GetUniquePictObjectFileName()", err);
        return err;
      }
      err = CopyFileContents(sourceMap.volume, sourceMap.dirID, pictName.c_str(), targetMap.volume,
                             targetMap.dirID, unique.c_str());
      if (err != 0) {
        ReportError(kCaller, "CopyFile()", err);
        return err;
      }
      pictName = unique;
    }
    err = UseObjectFile(targetMapID, targetOverlayID, kCopyWindow);
    if (err == 0) err = FSSetObjectPICTFile(CurrentObjectFile(), to, pictName);
    if (err != 0) return err;
  }

  if (IsPoly(type)) {
    err = FSSetObjectNumSegs(*file, to, segmentCount);
    int32_t targetSegOffset = 0, targetRecordEnd = 0;
    if (err == 0) err = FSGetObjectSegmentRange(*file, to, targetSegOffset, targetRecordEnd);
    if (err != 0) return err;
    const int32_t total = std::min(segmentBytes, sourceRecordEnd - sourceSegOffset);
    char piece[kSegmentCopyPiece];
    for (int32_t done = 0; done < total;) {
      int32_t count = std::min(kSegmentCopyPiece, total - done);
      err = UseObjectFile(source.mapID, source.overlayID, kCopyWindow);
      if (err == 0) err = SetFPosBuf(CurrentObjectFile(), from + sourceSegOffset + done);
      if (err == 0) err = FSReadBuf(CurrentObjectFile(), count, piece);
      if (err != 0) {
        ReportError(kCaller, "FSReadBuf()", err);
        return err;
      }
      err = UseObjectFile(targetMapID, targetOverlayID, kCopyWindow);
      if (err == 0) err = SetFPosBuf(CurrentObjectFile(), to + targetSegOffset + done);
      if (err == 0) err = FSWriteBuf(CurrentObjectFile(), count, piece);
      if (err != 0) {
        ReportError(kCaller, "FSWriteBuf()", err);
        return err;
      }
      done += count;
    }
  }

  if (type != kAliasObject) {
    err = ChangeObjectWRect(targetMapID, targetOverlayID, to, &rect, 0, 0);
    if (err != 0) return err;
  }

  if (withAliases && (targetMapID != source.mapID || targetOverlayID != source.overlayID)) {
    std::vector<int32_t> aliases;
    err = ForEachAliasOf(
        source.mapID, source.overlayID, source.position,
        [&aliases](int32_t aliasPosition, const SummaryRecord&, int32_t) {
          aliases.push_back(aliasPosition);
          return 0;
        },
        false);
    if (err != 0) return err;
    for (const int32_t alias : aliases) {
      err = UseObjectFile(source.mapID, source.overlayID, kOneObjectWindow);
      std::string aliasPrefix, aliasName;
      int32_t freeRoom = 0;
      if (err == 0) {
        err = FSGetObjectName(CurrentObjectFile(), alias, aliasPrefix, aliasName, &freeRoom);
      }
      if (err != 0) return err;
      const auto room =
          static_cast<int32_t>(aliasPrefix.size() + aliasName.size()) + std::max(0, freeRoom);
      int32_t copied = -1;
      err = FSCopyObject({source.mapID, source.overlayID, alias}, targetMapID, targetOverlayID,
                         room, 0, 0, 0, copied, false);
      if (err != 0) return err;
      if (state.hooks.aliasCopied) {
        state.hooks.aliasCopied({source.mapID, source.overlayID, alias},
                                {targetMapID, targetOverlayID, copied});
      }
      err = DeleteObjectRecord(source.mapID, source.overlayID, alias, false, false, false);
      if (err != 0) return err;
    }
  }
  return 0;
}

int32_t ReplaceObjectContents(ObjectRef& object, int32_t targetMapID, const ObjectID* newID,
                              const ObjectContents& contents, int32_t dx, int32_t dy) {
  Platform().SetWaitCursor(true);
  int32_t err = UseObjectFile(object.mapID, object.overlayID, kOneObjectWindow);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  std::string prefix, name, text;
  int32_t nameFree = 0, textFree = 0, segmentCount = 0;
  err = FSGetObjectType(file, object.position, type);
  if (err == 0) err = FSGetObjectName(file, object.position, prefix, name, &nameFree);
  if (err == 0 && type == kTextObject)
    err = FSGetObjectText(file, object.position, text, &textFree);
  int32_t segOffset = 0, recordEnd = 0;
  if (err == 0 && IsPoly(type)) {
    err = FSGetObjectNumSegs(file, object.position, segmentCount);
    if (err == 0) err = FSGetObjectSegmentRange(file, object.position, segOffset, recordEnd);
  }
  if (err != 0) return err;

  if (newID != nullptr) {
    err = FSSetObjectID(file, object.position, newID->high, newID->low);
    int32_t byteOffset = -1, mi = -1, fi = -1;
    SummaryRecord record;
    if (err == 0) {
      err = FindSummary(object.mapID, object.overlayID, object.position, byteOffset, record, mi, fi,
                        false);
    }
    if (err == 0) {
      record.idHigh = newID->high;
      record.idLow = newID->low;
      err = WriteSummary(object.mapID, object.overlayID, byteOffset, record);
    }
    if (err != 0) return err;
  }

  const int32_t nameRoomNow = static_cast<int32_t>(prefix.size() + name.size()) + nameFree;
  const int32_t segmentRoomNow = recordEnd - segOffset;
  const int32_t pointCount = contents.points != nullptr ? MyGetHandleSize(contents.points) / 8 : 0;
  const bool named = contents.prefix != nullptr && contents.name != nullptr;
  const auto newNameLength =
      named ? static_cast<int32_t>(std::min<size_t>(contents.prefix->size(), kMaxNamePartLength) +
                                   std::min<size_t>(contents.name->size(), kMaxNamePartLength))
            : 0;
  const bool textGiven = type == kTextObject && contents.textOrPicture != nullptr;
  bool recreate = targetMapID != object.mapID;
  if (named && newNameLength > nameRoomNow) recreate = true;
  if (IsPoly(type) && contents.points != nullptr &&
      segmentRoomNow < kPlainSegmentSize * pointCount) {
    recreate = true;
  }
  if (textGiven && static_cast<int32_t>(contents.textOrPicture->size()) >
                       static_cast<int32_t>(text.size()) + textFree) {
    recreate = true;
  }

  if (recreate) {
    const int32_t nameRoom = named ? newNameLength : nameRoomNow;
    const int32_t textRoom = textGiven ? static_cast<int32_t>(contents.textOrPicture->size())
                                       : static_cast<int32_t>(text.size()) + textFree;
    int32_t count = segmentCount, bytes = segmentRoomNow;
    if (IsPoly(type) && contents.points != nullptr) {
      count = pointCount;
      bytes = kPlainSegmentSize * pointCount;
    }
    int32_t newPosition = -1;
    err = FSCopyObject(object, targetMapID, object.overlayID, nameRoom,
                       type == kTextObject ? textRoom : 0, IsPoly(type) ? count : 0,
                       IsPoly(type) ? bytes : 0, newPosition, true);
    if (err != 0) return err;
    const ObjectRef moved{targetMapID, object.overlayID, newPosition};
    if (state.hooks.objectMoved) state.hooks.objectMoved(object, moved);
    err = DeleteObjectRecord(object.mapID, object.overlayID, object.position, false, false, false);
    if (err != 0) return err;
    object = moved;
  }
  return UpdateObject(object.mapID, object.overlayID, object.position, contents, dx, dy);
}

int32_t DeleteObjectsOnLayer(int32_t mapID, int32_t overlayID, const char* idList) {
  if (idList == nullptr) {
    ShowAlert("Programmer error in DeleteObjectsOnLayer.", kStopAlert);
    return kErrGeneral;
  }
  std::set<std::string> ids;
  const std::string list(idList);
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\r', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    if (!line.empty() && line.front() == '\n') line.erase(0, 1);
    if (!line.empty()) ids.insert(line);
    start = end + 1;
  }
  if (ids.empty()) return 0;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    GetMapRecord(m, map);
    if (mapID != -1 && map.mapID != mapID) continue;
    if (OverlayFileIndexForID(m, overlayID) < 0) continue;
    std::vector<int32_t> doomed;
    int32_t walkMap = -1, walkFile = -1;
    int32_t err = ForEachSummaryRecordSafe(
        map.mapID, overlayID,
        [&](const SummaryRecord& r, int32_t) -> int32_t {
          if (SummaryRecordLive(r) && ids.count(ObjectIDText({r.idHigh, r.idLow})) != 0) {
            doomed.push_back(r.position);
          }
          return 0;
        },
        &walkMap, &walkFile);
    if (err != 0) return err;
    for (const int32_t position : doomed) {
      err = DeleteObjectRecord(map.mapID, overlayID, position, true, false, true);
      if (err != 0) return err;
    }
  }
  return 0;
}

int32_t FindObjectByID(std::string_view idText, int32_t mapID, int32_t overlayID, ObjectRef& object,
                       bool& found) {
  found = false;
  const FoundCache& cache = state.lastFound;
  if (cache.valid && cache.idText == idText && cache.mapID == mapID &&
      cache.overlayID == overlayID) {
    object = cache.object;
    found = true;
    return 0;
  }
  ObjectID id;
  if (!ParseIDText(idText, id)) return 0;
  ObjectRef hit;
  const int32_t err = ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        if (mapID != 0 && mapID != 1 && entry.mapID != mapID) return 0;
        if (overlayID != 0 && entry.overlayID != overlayID) return 0;
        if (mapID == 1) {
          MapRecord map;
          if (!GetMapRecord(MapIDToIndex(entry.mapID), map) || !OwnedMap(map)) return 0;
        }
        int32_t position = -1;
        int32_t walkMap = -1, walkFile = -1;
        const int32_t walkErr = ForEachSummaryRecord(
            entry.mapID, entry.overlayID,
            [&](const SummaryRecord& r, int32_t) -> int32_t {
              if (SummaryRecordLive(r) && r.idHigh == id.high && r.idLow == id.low) {
                position = r.position;
                return 1;
              }
              return 0;
            },
            &walkMap, &walkFile);
        if (position >= 0) {
          hit = {entry.mapID, entry.overlayID, position};
          return 1;
        }
        return walkErr;
      },
      kWalkForwards, false, false, true);
  if (hit.position >= 0) {
    object = hit;
    found = true;
    state.lastFound = {true, std::string(idText), mapID, overlayID, hit};
    return 0;
  }
  return err == 1 ? 0 : err;
}

void BeginObjectBatch() {
  ++state.batchDepth;
}

int32_t EndObjectBatch() {
  if (state.batchDepth == 0) return 0;
  if (--state.batchDepth > 0) return 0;
  int32_t first = 0;
  for (const auto& [mapID, overlayID] : state.batchFiles) {
    const int32_t mapIndex = MapIDToIndex(mapID);
    const int32_t fileIndex = mapIndex < 0 ? -1 : OverlayFileIndexForID(mapIndex, overlayID);
    if (fileIndex < 0) continue;
    const int32_t err = WriteImageNow(mapIndex, fileIndex);
    if (err != 0 && first == 0) first = err;
  }
  state.batchFiles.clear();
  return first;
}

void ResetLifeCycleForTesting() {
  LifeCycleHooks hooks;
  state = LifeCycleState();
  state.hooks = hooks;
}

}  // namespace tlv
