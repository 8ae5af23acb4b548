// Big-endian integers in byte buffers, a bounds-checked read cursor over bytes, and the byte
// source that readers of outside input take their bytes from. Every file of the program stores
// its integers most significant byte first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/files.h"

namespace tlv {

inline uint16_t GetBigU16(const void* at) {
  const auto* p = static_cast<const unsigned char*>(at);
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline int16_t GetBig16(const void* at) {
  return static_cast<int16_t>(GetBigU16(at));
}
inline uint32_t GetBigU32(const void* at) {
  const auto* p = static_cast<const unsigned char*>(at);
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline int32_t GetBig32(const void* at) {
  return static_cast<int32_t>(GetBigU32(at));
}

inline void PutBigU16(void* at, uint16_t value) {
  auto* p = static_cast<unsigned char*>(at);
  p[0] = static_cast<unsigned char>(value >> 8);
  p[1] = static_cast<unsigned char>(value);
}
inline void PutBig16(void* at, int16_t value) {
  PutBigU16(at, static_cast<uint16_t>(value));
}
inline void PutBigU32(void* at, uint32_t value) {
  auto* p = static_cast<unsigned char*>(at);
  p[0] = static_cast<unsigned char>(value >> 24);
  p[1] = static_cast<unsigned char>(value >> 16);
  p[2] = static_cast<unsigned char>(value >> 8);
  p[3] = static_cast<unsigned char>(value);
}
inline void PutBig32(void* at, int32_t value) {
  PutBigU32(at, static_cast<uint32_t>(value));
}

// A four-character code such as a file kind (".OBJ") or a creator ("TLV1") as a 32-bit value,
// first character most significant.
constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
}

// Reads fields from a byte range. A read that would pass the end fails, leaves the cursor where
// it was and marks the cursor as failed, so a decoder may read a whole record and check once.
class ByteCursor {
 public:
  ByteCursor(const void* data, size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}

  size_t Position() const { return position_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - position_; }
  bool Failed() const { return failed_; }

  bool Seek(size_t position) {
    if (position > size_) return Fail();
    position_ = position;
    return true;
  }
  bool Skip(size_t count) {
    if (count > Remaining()) return Fail();
    position_ += count;
    return true;
  }
  bool ReadBytes(void* destination, size_t count) {
    if (count > Remaining()) return Fail();
    if (count > 0) std::memcpy(destination, data_ + position_, count);
    position_ += count;
    return true;
  }
  bool ReadU8(uint8_t& value) {
    if (Remaining() < 1) return Fail();
    value = data_[position_++];
    return true;
  }
  bool ReadU16(uint16_t& value) {
    if (Remaining() < 2) return Fail();
    value = GetBigU16(data_ + position_);
    position_ += 2;
    return true;
  }
  bool Read16(int16_t& value) {
    uint16_t raw;
    if (!ReadU16(raw)) return false;
    value = static_cast<int16_t>(raw);
    return true;
  }
  bool ReadU32(uint32_t& value) {
    if (Remaining() < 4) return Fail();
    value = GetBigU32(data_ + position_);
    position_ += 4;
    return true;
  }
  bool Read32(int32_t& value) {
    uint32_t raw;
    if (!ReadU32(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }
  // A fixed-width text field: width bytes are consumed; the text ends at the first NUL or at
  // the field's end, so an unterminated field cannot run into the next one.
  bool ReadText(std::string& text, size_t width) {
    if (width > Remaining()) return Fail();
    const auto* start = reinterpret_cast<const char*>(data_ + position_);
    const void* nul = std::memchr(start, 0, width);
    text.assign(start, nul ? static_cast<size_t>(static_cast<const char*>(nul) - start) : width);
    position_ += width;
    return true;
  }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
  bool failed_ = false;
};

// Where a reader of outside input gets its bytes: a file or a block of memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual int32_t Size(int32_t& size) = 0;
  // Reads up to count bytes at offset; got receives how many arrived (fewer only at the end).
  virtual int32_t ReadAt(int32_t offset, int32_t count, void* destination, int32_t& got) = 0;

  // Reads the whole source; -108 when it is too large to hold.
  int32_t ReadAll(std::vector<unsigned char>& bytes) {
    int32_t size = 0;
    int32_t err = Size(size);
    if (err != 0) return err;
    try {
      bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
      return -108;
    }
    int32_t got = 0;
    err = ReadAt(0, size, bytes.data(), got);
    if (err != 0) return err;
    bytes.resize(static_cast<size_t>(got));
    return 0;
  }
};

class MemoryByteSource : public ByteSource {
 public:
  MemoryByteSource(const void* data, size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  int32_t Size(int32_t& size) override {
    size = static_cast<int32_t>(size_);
    return 0;
  }
  int32_t ReadAt(int32_t offset, int32_t count, void* destination, int32_t& got) override {
    got = 0;
    if (offset < 0 || count < 0) return -3;
    if (static_cast<size_t>(offset) >= size_) return 0;
    const size_t n = std::min(static_cast<size_t>(count), size_ - static_cast<size_t>(offset));
    std::memcpy(destination, data_ + offset, n);
    got = static_cast<int32_t>(n);
    return 0;
  }

 private:
  const unsigned char* data_;
  size_t size_;
};

class FileByteSource : public ByteSource {
 public:
  // Opens the file for shared reading; check OpenResult() before use.
  explicit FileByteSource(const std::string& path)
      : openResult_(OpenFile(path, FileAccess::kRead, file_)) {}
  int32_t OpenResult() const { return openResult_; }
  int32_t Size(int32_t& size) override {
    if (openResult_ != 0) return openResult_;
    return file_.GetLength(size);
  }
  int32_t ReadAt(int32_t offset, int32_t count, void* destination, int32_t& got) override {
    got = 0;
    if (openResult_ != 0) return openResult_;
    return file_.Read(offset, count, destination, got);
  }

 private:
  PlatformFile file_;
  int32_t openResult_;
};

}  // namespace tlv
