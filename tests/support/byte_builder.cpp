#include "support/byte_builder.h"

namespace tlv::test {

ByteBuilder& ByteBuilder::U8(uint8_t value) {
  bytes_.push_back(static_cast<char>(value));
  return *this;
}

ByteBuilder& ByteBuilder::I16(int16_t value) {
  return U16(static_cast<uint16_t>(value));
}

ByteBuilder& ByteBuilder::U16(uint16_t value) {
  U8(static_cast<uint8_t>(value >> 8));
  return U8(static_cast<uint8_t>(value));
}

ByteBuilder& ByteBuilder::I32(int32_t value) {
  return U32(static_cast<uint32_t>(value));
}

ByteBuilder& ByteBuilder::U32(uint32_t value) {
  U16(static_cast<uint16_t>(value >> 16));
  return U16(static_cast<uint16_t>(value));
}

ByteBuilder& ByteBuilder::Rect(const WRect& rect) {
  return Rect(rect.x1, rect.y1, rect.x2, rect.y2);
}

ByteBuilder& ByteBuilder::Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return I32(x1).I32(y1).I32(x2).I32(y2);
}

ByteBuilder& ByteBuilder::Chars(const std::string& text) {
  return Append(text);
}

ByteBuilder& ByteBuilder::Text(const std::string& text, size_t width) {
  bytes_.append(text.substr(0, width));
  if (text.size() < width) bytes_.append(width - text.size(), '\0');
  return *this;
}

ByteBuilder& ByteBuilder::Zeros(size_t count) {
  bytes_.append(count, '\0');
  return *this;
}

ByteBuilder& ByteBuilder::Append(const std::string& bytes) {
  bytes_.append(bytes);
  return *this;
}

ByteBuilder& ByteBuilder::Patch32(size_t at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>(v >> (24 - 8 * i));
  return *this;
}

int32_t Big32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return static_cast<int32_t>(v);
}

int16_t Big16At(const std::string& bytes, size_t at) {
  return static_cast<int16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                              static_cast<unsigned char>(bytes[at + 1]));
}

}  // namespace tlv::test
