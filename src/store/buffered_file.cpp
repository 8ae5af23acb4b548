#include "store/buffered_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr int32_t kCopyPieceSize = 1000;

int16_t openMode = kOpenReadWrite;

// Opens path with the open mode: reading and writing unless the mode is read-only or the file
// carries the read-only attribute.
int32_t OpenWithMode(const std::string& path, PlatformFile& file) {
  const bool write = openMode == kOpenReadWrite && IsWritable(path);
  return OpenFile(path, write ? FileAccess::kReadWrite : FileAccess::kRead, file);
}

// Makes the window hold the file bytes from the position on, so that count bytes fit from the
// cursor. The window always mirrors the file, also before a write, so that a write into the
// middle of a file keeps the bytes around it.
int32_t FillWindow(BufferedFile& file, int32_t count) {
  if (file.cursor != -1 && static_cast<int64_t>(file.cursor) + count <= file.bufferSize) return 0;
  // A window that could not be written back stays where it is, so its bytes are not lost.
  const int32_t writeErr = FSWriteIfDirtyBuf(file);
  if (writeErr != 0) return writeErr;
  if (file.cursor != -1) {
    file.bufferStart = static_cast<int32_t>(
        std::min<int64_t>(INT32_MAX, static_cast<int64_t>(file.bufferStart) + file.cursor));
  }
  file.cursor = -1;
  int32_t got = 0;
  int32_t readErr = 0;
  if (file.bufferSize > 0) {
    if (file.IsOpen())
      readErr = file.file.Read(file.bufferStart, file.bufferSize, *file.buffer, got);
    // Bytes past the end of the file are zero, never left over from an earlier window.
    std::memset(*file.buffer + got, 0, static_cast<size_t>(file.bufferSize - got));
  }
  if (readErr != 0) return readErr;
  file.cursor = 0;
  return 0;
}

}  // namespace

int16_t GetFileOpenMode() {
  return openMode;
}
void SetFileOpenMode(int16_t mode) {
  openMode = mode;
}

int32_t FSOpenBuf(int16_t volume, int32_t dirID, const char* name, BufferedFile& file,
                  int32_t bufferSize, int32_t /*unused*/) {
  if (file.IsOpen() || file.buffer != nullptr) {
    const int32_t err = FSCloseBuf(file);
    if (err != 0) return err;
  }
  file = BufferedFile();
  if (bufferSize < 0) return kErrGeneral;
  if (name != nullptr && name[0] != '\0') {
    std::string path;
    int32_t err = MakeFullPath(volume, dirID, name, path);
    if (err != 0) return err;
    err = OpenWithMode(path, file.file);
    if (err != 0) {
      // Names as found on CDs carry a version suffix.
      if (OpenWithMode(path + ";1", file.file) != 0) return err;
      path += ";1";
    }
    err = file.file.GetLength(file.fileLength);
    if (err != 0) {
      file = BufferedFile();
      return err;
    }
    const size_t n = std::min(path.size(), static_cast<size_t>(kBufferedPathSize - 1));
    std::memcpy(file.path, path.data(), n);
  }
  file.buffer = MyNewHandle(bufferSize);
  if (file.buffer == nullptr) {
    file = BufferedFile();
    return kErrGeneral;
  }
  file.bufferSize = bufferSize;
  return 0;
}

int32_t FSCloseBuf(BufferedFile& file) {
  // The dirty window stays with the open file: dropping it would lose the edits it holds.
  const int32_t writeErr = FSWriteIfDirtyBuf(file);
  if (writeErr != 0) return writeErr;
  const int32_t syncErr = file.unsynced != 0 ? SyncFile(file.file) : 0;
  const int32_t closeErr = file.file.Close();
  if (file.buffer != nullptr) MyDisposeHandle(file.buffer);
  file = BufferedFile();
  return syncErr != 0 ? syncErr : closeErr;
}

void FSDiscardBuf(BufferedFile& file) {
  file.file.Close();
  if (file.buffer != nullptr) MyDisposeHandle(file.buffer);
  file = BufferedFile();
}

int32_t FSWriteIfDirtyBuf(BufferedFile& file) {
  if (file.cursor == -1 || file.dirty == 0) return 0;
  if (!file.IsOpen()) return kErrGeneral;
  const int32_t count = std::min(file.bufferSize, file.fileLength - file.bufferStart);
  if (count > 0) {
    const int32_t err = file.file.Write(file.bufferStart, count, *file.buffer);
    if (err != 0) return err;
    file.unsynced = 1;
  }
  file.dirty = 0;
  return 0;
}

int32_t SetFPosBuf(BufferedFile& file, int32_t position) {
  position = std::max(position, 0);
  // position >= bufferStart >= 0 here, so the difference cannot overflow.
  if (file.cursor != -1 && position >= file.bufferStart && position <= file.fileLength &&
      position - file.bufferStart <= file.bufferSize) {
    file.cursor = position - file.bufferStart;
    return 0;
  }
  const int32_t err = FSWriteIfDirtyBuf(file);
  if (err != 0) return err;
  file.cursor = -1;
  file.bufferStart = position;
  return 0;
}

int32_t GetFPosBuf(const BufferedFile& file, int32_t& position) {
  position = static_cast<int32_t>(std::min<int64_t>(
      INT32_MAX, static_cast<int64_t>(file.bufferStart) + std::max(file.cursor, 0)));
  return 0;
}

int32_t FSReadBuf(BufferedFile& file, int32_t& count, void* destination) {
  if (count < 0 || count > file.bufferSize) return kErrGeneral;
  const int32_t err = FillWindow(file, count);
  if (err != 0) {
    count = 0;
    return err;
  }
  int32_t result = 0;
  const int64_t available =
      static_cast<int64_t>(file.fileLength) - file.bufferStart - static_cast<int64_t>(file.cursor);
  if (count > available) {
    count = static_cast<int32_t>(std::max<int64_t>(available, 0));
    result = kErrEndOfFile;
  }
  if (count > 0) std::memcpy(destination, *file.buffer + file.cursor, static_cast<size_t>(count));
  file.cursor += count;
  return result;
}

int32_t FSWriteBuf(BufferedFile& file, int32_t& count, const void* source) {
  if (count < 0 || count > file.bufferSize) return kErrGeneral;
  if (!file.file.IsWritable()) return file.IsOpen() ? kErrWritePermission : kErrGeneral;
  const int32_t err = FillWindow(file, count);
  if (err != 0) return err;
  // The formats address bytes with signed 32-bit offsets: no file grows past the largest.
  if (static_cast<int64_t>(file.bufferStart) + file.cursor + count > INT32_MAX) return kErrDiskFull;
  if (count > 0) std::memcpy(*file.buffer + file.cursor, source, static_cast<size_t>(count));
  buffered_detail::AfterWindowWrite(file, count);
  return 0;
}

int32_t FSWriteBufAt(BufferedFile& file, int32_t& count, const void* source, int32_t position) {
  int32_t old = 0;
  GetFPosBuf(file, old);
  int32_t err = SetFPosBuf(file, position);
  if (err != 0) return err;
  err = FSWriteBuf(file, count, source);
  return err | SetFPosBuf(file, old);
}

int32_t FSResizeBuf(BufferedFile& file, int32_t newSize) {
  if (newSize < 0) return kErrGeneral;
  if (file.buffer != nullptr && file.bufferSize == newSize) return 0;
  int32_t position = 0;
  GetFPosBuf(file, position);
  // The old window is kept when it cannot be written back, so its bytes are not lost.
  const int32_t err = FSWriteIfDirtyBuf(file);
  if (err != 0) return err;
  if (file.buffer != nullptr) MyDisposeHandle(file.buffer);
  file.buffer = nullptr;
  file.bufferSize = 0;
  file.cursor = -1;
  file.dirty = 0;
  file.bufferStart = position;
  file.buffer = MyNewHandle(newSize);
  if (file.buffer == nullptr) return kErrGeneral;
  file.bufferSize = newSize;
  return 0;
}

int32_t FSCopyRangeBuf(BufferedFile& from, BufferedFile& to, int32_t start, int32_t end) {
  if (start < 0 || end < start) return kErrBadLength;
  int32_t err = SetFPosBuf(from, start);
  if (err != 0) return err;
  char piece[kCopyPieceSize];
  int32_t remaining = end - start;
  while (remaining > 0) {
    const int32_t n = std::min({kCopyPieceSize, remaining, from.bufferSize, to.bufferSize});
    if (n <= 0) return kErrGeneral;
    int32_t got = n;
    const int32_t readErr = FSReadBuf(from, got, piece);
    if (got > 0) {
      int32_t written = got;
      err = FSWriteBuf(to, written, piece);
      if (err != 0) return err;
    }
    if (readErr != 0) return readErr;
    remaining -= n;
  }
  return 0;
}

int32_t FSReadLineBuf(BufferedFile& file, char* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) return -1;
  buffer[0] = '\0';
  int32_t start = 0;
  GetFPosBuf(file, start);
  const int32_t want = std::min(size - 1, file.bufferSize);
  if (want <= 0) return size == 1 ? 0 : -1;
  int32_t got = want;
  const int32_t err = FSReadBuf(file, got, buffer);
  if ((err != 0 && err != kErrEndOfFile) || got == 0) {
    buffer[0] = '\0';
    return -1;
  }
  for (int32_t i = 0; i < got; ++i) {
    if (buffer[i] != '\r' && buffer[i] != '\n') continue;
    int32_t next = start + i + 1;
    if (buffer[i] == '\r') {
      if (i + 1 < got) {
        if (buffer[i + 1] == '\n') ++next;
      } else {
        // The pair may be split by the end of what was read: look at the next byte.
        char following = 0;
        int32_t one = 1;
        if (SetFPosBuf(file, next) == 0 && FSReadBuf(file, one, &following) == 0 &&
            following == '\n') {
          ++next;
        }
      }
    }
    buffer[i] = '\0';
    if (SetFPosBuf(file, next) != 0) return -1;
    return i;
  }
  buffer[got] = '\0';
  return got;
}

int32_t FSWriteLongBufAt(BufferedFile& file, int32_t value, int32_t position) {
  char bytes[4];
  PutBig32(bytes, value);
  int32_t count = 4;
  return FSWriteBufAt(file, count, bytes, position);
}

int32_t FSWriteWRectBufAt(BufferedFile& file, const WRect& rect, int32_t position) {
  char bytes[16];
  buffered_detail::EncodeRect(bytes, rect);
  int32_t count = 16;
  return FSWriteBufAt(file, count, bytes, position);
}

namespace buffered_detail {

int32_t ReadSlow(BufferedFile& file, int32_t count, char* destination) {
  int32_t got = count;
  return FSReadBuf(file, got, destination);
}

int32_t WriteSlow(BufferedFile& file, int32_t count, const char* source) {
  int32_t n = count;
  return FSWriteBuf(file, n, source);
}

}  // namespace buffered_detail

}  // namespace tlv
