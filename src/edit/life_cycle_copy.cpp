// The object life cycle, copying: an object copied field by field into another overlay file with
// its picture file and its aliases, and an object re-made when its new contents outgrow its record.
#include "edit/life_cycle.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "edit/life_cycle_internal.h"
#include "edit/object_access.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

using namespace life_cycle_detail;

namespace {

constexpr int32_t kCopyWindow = 5000;
constexpr int32_t kSegmentCopyPiece = 256;
constexpr int32_t kMaxPictNameLength = 31;
constexpr int32_t kMaxPictSuffix = 999;
constexpr int32_t kMessageTooManyPictures = 33;

}  // namespace

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

namespace {

// Makes the copy record and fills it; copy is its position as soon as it exists, so that a failure
// after that can take it back.
int32_t CopyRecord(const ObjectRef& source, int32_t targetMapID, int32_t targetOverlayID,
                   int32_t nameRoom, int32_t textRoom, int32_t segmentCount, int32_t segmentBytes,
                   int32_t& copy) {
  constexpr const char* kCaller = "FSCopyObject()";
  copy = -1;
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
  if (err == 0 && IsPolyType(type)) {
    err = FSGetObjectSegmentRange(*file, from, sourceSegOffset, sourceRecordEnd);
  }
  if (err != 0) return err;

  err = CreateEmptyObject(targetMapID, targetOverlayID, type, id, nameRoom, textRoom, segmentCount,
                          segmentBytes, copy);
  if (err != 0) return err;
  const int32_t to = copy;

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

  if (IsPolyType(type)) {
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

  return 0;
}

// Moves the live aliases of the source object to the target overlay file: each is copied and its
// old record deleted. moved lists what was done, also when a step fails part way.
int32_t MoveAliases(const ObjectRef& source, int32_t targetMapID, int32_t targetOverlayID,
                    std::vector<RecordMove>& moved) {
  std::vector<int32_t> aliases;
  int32_t err = ForEachAliasOf(
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
    err = FSCopyObject({source.mapID, source.overlayID, alias}, targetMapID, targetOverlayID, room,
                       0, 0, 0, copied, false);
    if (err != 0) return err;
    const RecordMove move{{source.mapID, source.overlayID, alias},
                          {targetMapID, targetOverlayID, copied}};
    moved.push_back(move);
    if (State().hooks.aliasCopied) State().hooks.aliasCopied(move.from, move.to);
    DeletedRecords gone;
    err = DeleteOneRecord(move.from, false, false, false, gone);
    if (err != 0) return err;
  }
  return 0;
}

}  // namespace

int32_t FSCopyObject(const ObjectRef& source, int32_t targetMapID, int32_t targetOverlayID,
                     int32_t nameRoom, int32_t textRoom, int32_t segmentCount, int32_t segmentBytes,
                     int32_t& newPosition, bool withAliases,
                     std::vector<RecordMove>* aliasesMoved) {
  newPosition = -1;
  if (aliasesMoved != nullptr) aliasesMoved->clear();
  int32_t copy = -1;
  std::vector<RecordMove> moved;
  int32_t err = CopyRecord(source, targetMapID, targetOverlayID, nameRoom, textRoom, segmentCount,
                           segmentBytes, copy);
  if (err == 0 && withAliases &&
      (targetMapID != source.mapID || targetOverlayID != source.overlayID)) {
    err = MoveAliases(source, targetMapID, targetOverlayID, moved);
  }
  if (err != 0) {
    // A half-made copy would stay live beside its source with the same ID and a raised count.
    if (copy >= 0) TakeBackCopy({targetMapID, targetOverlayID, copy}, moved);
    return err;
  }
  newPosition = copy;
  if (aliasesMoved != nullptr) *aliasesMoved = std::move(moved);
  return 0;
}

void TakeBackCopy(const ObjectRef& copy, const std::vector<RecordMove>& aliasesMoved) {
  for (auto move = aliasesMoved.rbegin(); move != aliasesMoved.rend(); ++move) {
    DeletedRecords gone;
    DeleteOneRecord(move->to, false, false, false, gone);
    RestoreOneRecord(move->from, false, false);
  }
  DeletedRecords gone;
  DeleteOneRecord(copy, false, true, false, gone);
}

int32_t ReplaceObjectContents(ObjectRef& object, int32_t targetMapID, const ObjectID* newID,
                              const ObjectContents& contents, int32_t dx, int32_t dy,
                              std::vector<RecordMove>* aliasesMoved) {
  Platform().SetWaitCursor(true);
  if (aliasesMoved != nullptr) aliasesMoved->clear();
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
  if (err == 0 && IsPolyType(type)) {
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
  const int32_t textRoomNow = static_cast<int32_t>(text.size()) + textFree;
  const int32_t segmentRoomNow = recordEnd - segOffset;
  const int32_t pointCount = contents.points != nullptr ? MyGetHandleSize(contents.points) / 8 : 0;
  const bool named = contents.prefix && contents.name;
  const auto newNameLength =
      named ? static_cast<int32_t>(std::min<size_t>(contents.prefix->size(), kMaxNamePartLength) +
                                   std::min<size_t>(contents.name->size(), kMaxNamePartLength))
            : 0;
  const bool textGiven = type == kTextObject && contents.textOrPicture;
  bool recreate = targetMapID != object.mapID;
  if (named && newNameLength > nameRoomNow) recreate = true;
  if (IsPolyType(type) && contents.points != nullptr &&
      segmentRoomNow < kPlainSegmentSize * pointCount) {
    recreate = true;
  }
  const int32_t newTextLength =
      textGiven ? static_cast<int32_t>(contents.textOrPicture->size()) : 0;
  if (newTextLength > textRoomNow) recreate = true;

  if (recreate) {
    // The copy carries the old name and text until the new ones are written over them, so each
    // room must hold the larger of the two.
    const int32_t nameRoom = std::max(nameRoomNow, newNameLength);
    const int32_t textRoom = std::max(textRoomNow, newTextLength);
    int32_t count = segmentCount, bytes = segmentRoomNow;
    if (IsPolyType(type) && contents.points != nullptr) {
      count = pointCount;
      bytes = kPlainSegmentSize * pointCount;
    }
    int32_t newPosition = -1;
    std::vector<RecordMove> moved;
    err = FSCopyObject(object, targetMapID, object.overlayID, nameRoom,
                       type == kTextObject ? textRoom : 0, IsPolyType(type) ? count : 0,
                       IsPolyType(type) ? bytes : 0, newPosition, true, &moved);
    if (err != 0) return err;
    const ObjectRef copy{targetMapID, object.overlayID, newPosition};
    const auto& hooks = State().hooks;
    if (hooks.objectMoved) hooks.objectMoved(object, copy);
    DeletedRecords gone;
    err = DeleteOneRecord(object, false, false, false, gone);
    if (err != 0 && !gone.deleted) {
      // The old record stays live, so the copy must not.
      if (hooks.objectMoved) hooks.objectMoved(copy, object);
      TakeBackCopy(copy, moved);
      return err;
    }
    object = copy;
    if (aliasesMoved != nullptr) *aliasesMoved = std::move(moved);
    if (err != 0) return err;
  }
  return UpdateObject(object.mapID, object.overlayID, object.position, contents, dx, dy);
}

}  // namespace tlv
