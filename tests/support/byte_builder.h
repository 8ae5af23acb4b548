// Builds file images from literal field tables, big-endian, so that a format test states the
// bytes it expects field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/world_types.h"

namespace tlv::test {

class ByteBuilder {
 public:
  ByteBuilder& U8(uint8_t value);
  ByteBuilder& I16(int16_t value);
  ByteBuilder& U16(uint16_t value);
  ByteBuilder& I32(int32_t value);
  ByteBuilder& U32(uint32_t value);
  ByteBuilder& Rect(const WRect& rect);
  ByteBuilder& Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // The bytes of text as they are, without a terminator.
  ByteBuilder& Chars(const std::string& text);
  // text cut or zero-padded to width bytes.
  ByteBuilder& Text(const std::string& text, size_t width);
  ByteBuilder& Zeros(size_t count);
  ByteBuilder& Append(const std::string& bytes);

  // Overwrites a 32-bit value already built (for a length known only at the end).
  ByteBuilder& Patch32(size_t at, int32_t value);

  size_t size() const { return bytes_.size(); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads a big-endian 32-bit value out of a byte image.
int32_t Big32At(const std::string& bytes, size_t at);
int16_t Big16At(const std::string& bytes, size_t at);

}  // namespace tlv::test
