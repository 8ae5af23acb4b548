#include "edit/stored_segments.h"

#include <algorithm>
#include <bit>

#include "base/endian.h"
#include "base/errors.h"
#include "edit/object_access.h"

namespace tlv {

namespace {

// Long objects are read and written in pieces of this size rather than through the one-record
// window: a polyline of a hundred thousand points is a megabyte of segments.
constexpr int32_t kSegmentWindow = 64 * 1024;

int32_t RefuseOverrun(const char* caller) {
  ReportError(caller, "FSGetObjectSegA()", kErrBadLength);
  return kErrBadLength;
}

int32_t ReadRange(BufferedFile& file, int32_t at, int32_t count, char* into) {
  for (int32_t done = 0; done < count;) {
    int32_t piece = std::min(kSegmentWindow, count - done);
    int32_t err = SetFPosBuf(file, at + done);
    if (err == 0) err = FSReadBuf(file, piece, into + done);
    if (err != 0) {
      ReportError("ReadSegments()", "FSReadBuf()", err);
      return err;
    }
    done += piece;
  }
  return 0;
}

int32_t WriteRange(BufferedFile& file, int32_t at, int32_t count, const char* from,
                   const char* caller) {
  for (int32_t done = 0; done < count;) {
    int32_t piece = std::min(kSegmentWindow, count - done);
    const int32_t err = FSWriteBufAt(file, piece, from + done, at + done);
    if (err != 0) {
      ReportError(caller, "FSWriteBufAt()", err);
      return err;
    }
    done += piece;
  }
  return 0;
}

void Encode(const StoredSegmentState& segment, std::vector<char>& bytes) {
  char one[kAttributedSegmentSize];
  PutBigU32(one, segment.x);
  PutBig32(one + 4, segment.y);
  PutBigU16(one + 8, segment.mask);
  int32_t at = kPlainSegmentSize;
  for (int32_t k = 0; k < kSegmentAttributeCount; ++k) {
    if (segment.mask & (1u << k)) {
      PutBig32(one + at, segment.values[k]);
      at += 4;
    }
  }
  bytes.insert(bytes.end(), one, one + at);
}

}  // namespace

int32_t StoredSize(const StoredSegmentState& segment) {
  return kPlainSegmentSize +
         4 * std::popcount(static_cast<unsigned>(segment.mask & kAllAttributesMask));
}

int32_t ReadSegments(int32_t mapID, int32_t overlayID, int32_t position,
                     std::vector<StoredSegmentState>& segments, int32_t& room,
                     std::vector<int32_t>* offsets) {
  segments.clear();
  if (offsets != nullptr) offsets->clear();
  int32_t err = UseObjectFile(mapID, overlayID, kSegmentWindow);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int32_t count = 0, first = 0, recordEnd = 0;
  err = FSGetObjectNumSegs(file, position, count);
  if (err == 0) err = FSGetObjectSegmentRange(file, position, first, recordEnd);
  if (err != 0) return err;
  room = recordEnd - first;
  std::vector<char> bytes(static_cast<size_t>(room));
  err = ReadRange(file, position + first, room, bytes.data());
  if (err != 0) return err;
  segments.reserve(static_cast<size_t>(count));
  if (offsets != nullptr) offsets->reserve(static_cast<size_t>(count));
  int32_t at = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (at + kPlainSegmentSize > room) return RefuseOverrun("ReadSegments()");
    const char* one = bytes.data() + at;
    StoredSegmentState segment;
    segment.x = GetBigU32(one);
    segment.y = GetBig32(one + 4);
    segment.mask = GetBigU16(one + 8);
    const int32_t size = StoredSize(segment);
    if (at + size > room) return RefuseOverrun("ReadSegments()");
    int32_t value = kPlainSegmentSize;
    for (int32_t k = 0; k < kSegmentAttributeCount; ++k) {
      if (segment.mask & (1u << k)) {
        segment.values[k] = GetBig32(one + value);
        value += 4;
      }
    }
    if (offsets != nullptr) offsets->push_back(first + at);
    segments.push_back(segment);
    at += size;
  }
  return 0;
}

int32_t WriteSegments(int32_t mapID, int32_t overlayID, int32_t position,
                      const std::vector<StoredSegmentState>& segments, const char* caller,
                      int32_t firstChanged) {
  int32_t err = UseObjectFile(mapID, overlayID, kSegmentWindow);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int32_t first = 0, recordEnd = 0;
  err = FSGetObjectSegmentRange(file, position, first, recordEnd);
  if (err != 0) return err;
  const int32_t room = recordEnd - first;
  firstChanged = std::clamp(firstChanged, 0, static_cast<int32_t>(segments.size()));
  int32_t unchanged = 0;
  for (int32_t i = 0; i < firstChanged; ++i) {
    unchanged += StoredSize(segments[static_cast<size_t>(i)]);
  }
  std::vector<char> bytes;
  bytes.reserve(static_cast<size_t>(std::max(room - unchanged, 0)));
  for (size_t i = static_cast<size_t>(firstChanged); i < segments.size(); ++i) {
    Encode(segments[i], bytes);
  }
  if (unchanged + static_cast<int64_t>(bytes.size()) > room) {
    // The record was made for fewer points; it has no room for more.
    ReportError(caller, "FSSetObjectNumSegs()", kErrBadLength);
    return kErrBadLength;
  }
  bytes.resize(static_cast<size_t>(room - unchanged), '\0');
  err = WriteRange(file, position + first + unchanged, static_cast<int32_t>(bytes.size()),
                   bytes.data(), caller);
  if (err != 0) return err;
  return FSSetObjectNumSegs(file, position, static_cast<int32_t>(segments.size()));
}

}  // namespace tlv
