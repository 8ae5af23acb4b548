// The object life cycle, IDs and creation: fresh IDs, empty and complete records, rewriting the
// given parts of an object in place, and finding a live object by its ID.
#include "edit/life_cycle.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/layer_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle_internal.h"
#include "edit/object_access.h"

namespace tlv {

using namespace life_cycle_detail;

namespace {

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
  for (size_t half = 0; half < 2; ++half) {
    for (size_t i = 0; i < 8; ++i) {
      const char c = digits[half * 8 + i];
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

int32_t NewObjectID(ObjectID& id) {
  if (!State().ids.haveRun) {
    State().ids.runNumber = Platform().TickCount();
    State().ids.haveRun = true;
  }
  ++State().ids.counter;
  const auto seconds = static_cast<uint32_t>(Platform().SecondsSince1970());
  id.high = static_cast<int32_t>(seconds + kObjectTime1970Offset);
  id.low = static_cast<int32_t>(State().ids.runNumber * 65536u + State().ids.counter);
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
  if (IsPolyType(type)) {
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
  if (err == 0 && IsPolyType(type)) err = FSSetObjectNumSegs(file, at, segmentCount);
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
  State().hint = {mapID, overlayID, at, offset};

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
  // Only a text object whose rectangle the drawing pass computes needs contents of its own.
  ObjectContents withTextRect;
  const ObjectContents* given = &contents;
  if (type == kTextObject && contents.textOrPicture && contents.graphics &&
      State().hooks.textRect) {
    const WRect start = contents.rect.value_or(WRect{0, 0, 0, 0});
    WRect textRect;
    if (State().hooks.textRect(*contents.textOrPicture, *contents.graphics, start, textRect)) {
      withTextRect = contents;
      withTextRect.rect = textRect;
      given = &withTextRect;
    }
  }
  auto partLength = [](const std::optional<std::string>& s) {
    return s ? static_cast<int32_t>(std::min<size_t>(s->size(), kMaxNamePartLength)) : 0;
  };
  const int32_t nameRoom = partLength(given->prefix) + partLength(given->name);
  const int32_t textRoom =
      given->textOrPicture ? static_cast<int32_t>(given->textOrPicture->size()) : 0;
  int32_t pointCount = 0;
  if (given->points != nullptr) pointCount = MyGetHandleSize(given->points) / 8;
  const bool poly = IsPolyType(type);
  int32_t err =
      CreateEmptyObject(mapID, overlayID, type, id, nameRoom, type == kTextObject ? textRoom : 0,
                        poly ? pointCount : 0, poly ? pointCount * kPlainSegmentSize : 0, position);
  if (err != 0) return err;
  return UpdateObject(mapID, overlayID, position, *given, 0, 0);
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
  const bool named = contents.prefix && contents.name;
  if (named) {
    err = FSSetObjectName(file, position, *contents.prefix, *contents.name, 0);
    if (err != 0) return err;
  }
  err = FSSetObjectModTime(file, position, Platform().SecondsSince1970(), kEpoch1970);
  if (err == 0 && contents.graphics && type != kAliasObject) {
    err = FSSetObjectGraphics(file, position, *contents.graphics);
  }
  if (err == 0 && contents.customColour) {
    bool present = false, active = false;
    uint32_t rgb = 0;
    err = GetObjectCustomColour(file, position, present, active, rgb);
    const uint32_t stored =
        rgb | (present ? kCustomColourPresent : 0u) | (active ? kCustomColourActive : 0u);
    if (err == 0 && stored != *contents.customColour) {
      err = FSSetObjectNoLongerStateCounty(file, position, *contents.customColour);
    }
  }
  if (err == 0 && contents.textOrPicture) {
    if (type == kTextObject) err = FSSetObjectText(file, position, *contents.textOrPicture, 0);
    if (type == kPictureObject) err = FSSetObjectPICTFile(file, position, *contents.textOrPicture);
  }
  if (err == 0 && contents.points != nullptr && IsPolyType(type)) {
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
    if (contents.rect) {
      err = UseObjectFile(mapID, overlayID, kOneObjectWindow);
      if (err == 0) err = FSSetObjectWorldRect(CurrentObjectFile(), position, *contents.rect);
      if (err != 0) return err;
    }
  } else if (contents.rect || dx != 0 || dy != 0) {
    err = ChangeObjectWRect(mapID, overlayID, position, contents.rect ? &*contents.rect : nullptr,
                            dx, dy);
    if (err != 0) return err;
  }
  State().lastFound.valid = false;
  return 0;
}

int32_t FindObjectByID(std::string_view idText, int32_t mapID, int32_t overlayID, ObjectRef& object,
                       bool& found) {
  found = false;
  const FoundCache& cache = State().lastFound;
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
    State().lastFound = {true, std::string(idText), mapID, overlayID, hit};
    return 0;
  }
  return err == 1 ? 0 : err;
}

}  // namespace tlv
