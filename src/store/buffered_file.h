// A file read and written through one window buffer. Moving within the window costs no I/O,
// which keeps the field-by-field access to object and summary records affordable. Every
// operation returns 0 or an error code: -1 for a request larger than the window or for lack of
// memory, -39 at the end of the file, the platform's codes otherwise.
#pragma once

#include <climits>
#include <cstdint>

#include "base/endian.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/world_types.h"

namespace tlv {

constexpr int32_t kBufferedPathSize = 256;

struct BufferedFile {
  PlatformFile file;  // the open file; closed when no file is open
  Handle buffer = nullptr;
  int32_t bufferSize = 0;   // capacity of the window
  int32_t bufferStart = 0;  // file offset of the window's first byte
  int32_t cursor = -1;      // position relative to bufferStart; -1: the window holds no data
  int32_t fileLength = 0;   // grows as writes pass the end
  int32_t dirty = 0;        // the window holds bytes not yet written to the file
  int32_t unsynced = 0;     // bytes went to the file since it was opened: closing syncs it
  char path[kBufferedPathSize] = {};

  bool IsOpen() const { return file.IsOpen(); }
};

// One 32-byte record of a summary file.
struct SummaryRecord {
  int32_t position = 0;  // object record offset; its complement (negative) for a deleted object
  WRect worldRect;
  int32_t idHigh = 0;
  int32_t idLow = 0;
  char nameStart[4] = {0, 0, 0, 0};  // first four name characters, zero-padded, no NUL
};
constexpr int32_t kSummaryRecordSize = 32;

// The open mode of every open in this layer: 0 reads and writes unless the file is read-only,
// 1 reads only.
constexpr int16_t kOpenReadWrite = 0;
constexpr int16_t kOpenReadOnly = 1;
int16_t GetFileOpenMode();
void SetFileOpenMode(int16_t mode);

// Opens name in the folder of dirID (retrying with ";1" appended) with the current open mode
// and gives the record a window of bufferSize bytes. With an empty name only the window is made.
// The last argument is not used.
int32_t FSOpenBuf(int16_t volume, int32_t dirID, const char* name, BufferedFile& file,
                  int32_t bufferSize, int32_t unused = 0);
// Writes back a dirty window, makes what this record wrote durable, closes the file and releases
// the window. When the write-back fails the record stays open with its dirty window, as every
// operation of this layer keeps a window it could not write, and the code is returned: the
// caller reports it and may try again. A failed sync is returned after the file is closed.
int32_t FSCloseBuf(BufferedFile& file);
// Closes the file and releases the window without writing anything back: for a record whose
// file can no longer be written (after a failed FSCloseBuf that the caller gives up on).
void FSDiscardBuf(BufferedFile& file);
int32_t FSWriteIfDirtyBuf(BufferedFile& file);
int32_t SetFPosBuf(BufferedFile& file, int32_t position);
int32_t GetFPosBuf(const BufferedFile& file, int32_t& position);
// count is in/out: at the end of the file it is reduced to what was read and -39 returned.
int32_t FSReadBuf(BufferedFile& file, int32_t& count, void* destination);
int32_t FSWriteBuf(BufferedFile& file, int32_t& count, const void* source);
// Writes at position and returns to the position held before.
int32_t FSWriteBufAt(BufferedFile& file, int32_t& count, const void* source, int32_t position);
// Gives the record a window of newSize bytes, keeping the position.
int32_t FSResizeBuf(BufferedFile& file, int32_t newSize);
// Copies bytes start to end of from to the current position of to, 1000 bytes at a time.
int32_t FSCopyRangeBuf(BufferedFile& from, BufferedFile& to, int32_t start, int32_t end);
// Reads one line of at most size - 1 characters into buffer, NUL-terminated without its line
// end (CR, LF or CR LF), and positions behind the line end. Returns the line's length, or -1
// when nothing could be read (end of file or an error).
int32_t FSReadLineBuf(BufferedFile& file, char* buffer, int32_t size);

// The windowed fast path of the typed operations. The slow forms move the window.
// Positions are summed in 64 bits: a position read from a damaged record may lie near 2^31.
namespace buffered_detail {

inline const char* ReadableInWindow(const BufferedFile& file, int32_t count) {
  const int32_t cursor = file.cursor;
  if (cursor >= 0 && cursor <= file.bufferSize - count &&
      static_cast<int64_t>(file.bufferStart) + cursor + count <= file.fileLength) {
    return *file.buffer + cursor;
  }
  return nullptr;
}

inline char* WritableInWindow(BufferedFile& file, int32_t count) {
  const int32_t cursor = file.cursor;
  if (cursor >= 0 && cursor <= file.bufferSize - count && file.file.IsWritable() &&
      static_cast<int64_t>(file.bufferStart) + cursor + count <= INT32_MAX) {
    return *file.buffer + cursor;
  }
  return nullptr;
}

// Callers made sure that the new position does not pass the largest 32-bit offset.
inline void AfterWindowWrite(BufferedFile& file, int32_t count) {
  file.cursor += count;
  file.dirty = 1;
  const int32_t end = file.bufferStart + file.cursor;
  if (end > file.fileLength) file.fileLength = end;
}

int32_t ReadSlow(BufferedFile& file, int32_t count, char* destination);
int32_t WriteSlow(BufferedFile& file, int32_t count, const char* source);

inline void DecodeSummary(const char* p, SummaryRecord& record) {
  record.position = GetBig32(p);
  record.worldRect.x1 = GetBig32(p + 4);
  record.worldRect.y1 = GetBig32(p + 8);
  record.worldRect.x2 = GetBig32(p + 12);
  record.worldRect.y2 = GetBig32(p + 16);
  record.idHigh = GetBig32(p + 20);
  record.idLow = GetBig32(p + 24);
  std::memcpy(record.nameStart, p + 28, 4);
}

inline void EncodeSummary(char* p, const SummaryRecord& record) {
  PutBig32(p, record.position);
  PutBig32(p + 4, record.worldRect.x1);
  PutBig32(p + 8, record.worldRect.y1);
  PutBig32(p + 12, record.worldRect.x2);
  PutBig32(p + 16, record.worldRect.y2);
  PutBig32(p + 20, record.idHigh);
  PutBig32(p + 24, record.idLow);
  std::memcpy(p + 28, record.nameStart, 4);
}

inline void EncodeRect(char* p, const WRect& rect) {
  PutBig32(p, rect.x1);
  PutBig32(p + 4, rect.y1);
  PutBig32(p + 8, rect.x2);
  PutBig32(p + 12, rect.y2);
}

inline void DecodeRect(const char* p, WRect& rect) {
  rect.x1 = GetBig32(p);
  rect.y1 = GetBig32(p + 4);
  rect.x2 = GetBig32(p + 8);
  rect.y2 = GetBig32(p + 12);
}

// Reads count bytes in file order into bytes (from the window when it holds them).
inline int32_t ReadRaw(BufferedFile& file, int32_t count, char* bytes) {
  if (const char* p = ReadableInWindow(file, count)) {
    std::memcpy(bytes, p, static_cast<size_t>(count));
    file.cursor += count;
    return 0;
  }
  return ReadSlow(file, count, bytes);
}

inline int32_t WriteRaw(BufferedFile& file, int32_t count, const char* bytes) {
  if (char* p = WritableInWindow(file, count)) {
    std::memcpy(p, bytes, static_cast<size_t>(count));
    AfterWindowWrite(file, count);
    return 0;
  }
  return WriteSlow(file, count, bytes);
}

}  // namespace buffered_detail

// Typed reads: big-endian in the file, machine order here. At the end of the file they return
// -39 and leave the value unchanged.
inline int32_t FSReadShortBuf(BufferedFile& file, int16_t& value) {
  char bytes[2];
  const int32_t err = buffered_detail::ReadRaw(file, 2, bytes);
  if (err == 0) value = GetBig16(bytes);
  return err;
}

inline int32_t FSReadLongBuf(BufferedFile& file, int32_t& value) {
  if (const char* p = buffered_detail::ReadableInWindow(file, 4)) {
    value = GetBig32(p);
    file.cursor += 4;
    return 0;
  }
  char bytes[4];
  const int32_t err = buffered_detail::ReadSlow(file, 4, bytes);
  if (err == 0) value = GetBig32(bytes);
  return err;
}

inline int32_t FSReadTwoLongsBuf(BufferedFile& file, int32_t& first, int32_t& second) {
  char bytes[8];
  const int32_t err = buffered_detail::ReadRaw(file, 8, bytes);
  if (err == 0) {
    first = GetBig32(bytes);
    second = GetBig32(bytes + 4);
  }
  return err;
}

inline int32_t FSReadWRectBuf(BufferedFile& file, WRect& rect) {
  if (const char* p = buffered_detail::ReadableInWindow(file, 16)) {
    buffered_detail::DecodeRect(p, rect);
    file.cursor += 16;
    return 0;
  }
  char bytes[16];
  const int32_t err = buffered_detail::ReadSlow(file, 16, bytes);
  if (err == 0) buffered_detail::DecodeRect(bytes, rect);
  return err;
}

inline int32_t FSReadSummaryBuf(BufferedFile& file, SummaryRecord& record) {
  if (const char* p = buffered_detail::ReadableInWindow(file, kSummaryRecordSize)) {
    buffered_detail::DecodeSummary(p, record);
    file.cursor += kSummaryRecordSize;
    return 0;
  }
  char bytes[kSummaryRecordSize];
  const int32_t err = buffered_detail::ReadSlow(file, kSummaryRecordSize, bytes);
  if (err == 0) buffered_detail::DecodeSummary(bytes, record);
  return err;
}

// Typed writes at the current position.
inline int32_t FSWriteShortBuf(BufferedFile& file, int16_t value) {
  char bytes[2];
  PutBig16(bytes, value);
  return buffered_detail::WriteRaw(file, 2, bytes);
}

inline int32_t FSWriteLongBuf(BufferedFile& file, int32_t value) {
  char bytes[4];
  PutBig32(bytes, value);
  return buffered_detail::WriteRaw(file, 4, bytes);
}

inline int32_t FSWriteTwoLongsBuf(BufferedFile& file, int32_t first, int32_t second) {
  char bytes[8];
  PutBig32(bytes, first);
  PutBig32(bytes + 4, second);
  return buffered_detail::WriteRaw(file, 8, bytes);
}

inline int32_t FSWriteWRectBuf(BufferedFile& file, const WRect& rect) {
  char bytes[16];
  buffered_detail::EncodeRect(bytes, rect);
  return buffered_detail::WriteRaw(file, 16, bytes);
}

inline int32_t FSWriteSummaryBuf(BufferedFile& file, const SummaryRecord& record) {
  char bytes[kSummaryRecordSize];
  buffered_detail::EncodeSummary(bytes, record);
  return buffered_detail::WriteRaw(file, kSummaryRecordSize, bytes);
}

// At-position writes: the current position is kept.
int32_t FSWriteLongBufAt(BufferedFile& file, int32_t value, int32_t position);
int32_t FSWriteWRectBufAt(BufferedFile& file, const WRect& rect, int32_t position);

}  // namespace tlv
