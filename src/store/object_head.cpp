#include "store/object_head.h"

#include <algorithm>
#include <cstring>

#include "base/endian.h"
#include "store/object_record.h"

namespace tlv {

namespace {

std::string_view UpToNul(const char* bytes, size_t width) {
  const void* nul = std::memchr(bytes, 0, width);
  return {bytes,
          nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : width};
}

}  // namespace

bool ReadObjectHead(BufferedFile& file, int32_t position, ObjectHead& head) {
  if (position < 0 || position >= file.fileLength) return false;
  // As much of the head as the file holds: the record's own length is known only once read.
  const int32_t count = std::min(kObjectHeadMaxBytes, file.fileLength - position);
  if (count < kObjFixedHeadSize || count > file.bufferSize) return false;
  if (SetFPosBuf(file, position) != 0) return false;
  const char* p = buffered_detail::ReadableInWindow(file, count);
  if (p == nullptr) {
    int32_t got = count;
    if (FSReadBuf(file, got, head.bytes) != 0 || got != count) return false;
    p = head.bytes;
  }
  const int32_t length = GetBig32(p + kObjLengthOffset);
  const int64_t end = 4 + static_cast<int64_t>(length);
  if (length < kObjFixedHeadSize - 4 || position + end > file.fileLength) return false;
  const int32_t prefixLength = static_cast<unsigned char>(p[kObjPrefixLengthOffset]);
  if (kObjFixedHeadSize + prefixLength > end) return false;
  const int32_t nameRoom = static_cast<unsigned char>(p[kObjPrefixOffset + prefixLength]);
  if (kObjFixedHeadSize + prefixLength + nameRoom > end) return false;
  head.prefix = UpToNul(p + kObjPrefixOffset, static_cast<size_t>(prefixLength));
  head.name = UpToNul(p + kObjFixedHeadSize + prefixLength, static_cast<size_t>(nameRoom));
  head.aliasCount = static_cast<uint8_t>(p[kObjAliasCountOffset]);
  return true;
}

}  // namespace tlv
