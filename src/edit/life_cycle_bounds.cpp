// The object life cycle, bounds: moving and resizing an object with everything that follows its
// rectangle (summary record, block index, overlay bounds).
#include "edit/life_cycle.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/layer_files.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle_internal.h"
#include "edit/object_access.h"

namespace tlv {

namespace life_cycle_detail {

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

int32_t GrowIndexFor(int32_t mapID, int32_t overlayID, int32_t mapIndex, int32_t fileIndex,
                     int32_t byteOffset, const WRect& rect) {
  int32_t mi = -1, fi = -1;
  const int32_t err =
      AllocateSpaceForFile(mapID, overlayID, kSummaryFileKind, kOneObjectWindow, &mi, &fi);
  if (err != 0) return err;
  // The index covers complete blocks of the summary file only; a record in the last, open block
  // (every object just made) has no entry to grow, so the index file need not be looked at.
  const int32_t completeBlocks = CurrentSummaryFile().fileLength / kSM2BlockBytes;
  if (byteOffset / kSM2BlockBytes >= completeBlocks) return 0;
  return GrowSM2ForMovedObject(mapIndex, fileIndex, byteOffset, rect);
}

}  // namespace life_cycle_detail

using namespace life_cycle_detail;

namespace {

bool AllZero(const WRect& r) {
  return !WRectPlaced(r);
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

}  // namespace

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
    if (IsPolyType(type)) {
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
  err = GrowIndexFor(mapID, overlayID, mapIndex, fileIndex, byteOffset, rect);
  if (err != 0) return err;

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

}  // namespace tlv
