// Drives the interchange tokenizer and record reader over arbitrary bytes: every record is read
// until the end of the input or the first error, with and without record numbers and with the
// Mac OS Roman recognition on, and each record read must be sane (points inside the world,
// names within their limits).
#include <cstdint>
#include <cstdlib>

#include "interchange/file_type.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadAll(const uint8_t* data, size_t size, bool withNumbers) {
  MemoryByteSource source(data, size);
  MIEReader reader(source, true);
  if (reader.Open() != 0) return;
  const std::vector<std::string> names = MIEFieldNames();
  for (int guard = 0; guard < 100000; ++guard) {
    MIEToken token;
    if (reader.Next(token) != 0 || token.kind == kTokenEndOfFile || token.kind == kTokenOther) {
      return;
    }
    reader.PushBack(token);
    ImportRecord record;
    if (ReadImportRecord(reader, names, withNumbers, record) != 0) {
      Check(!reader.ErrorText().empty());
      return;
    }
    Check(record.kind >= kRectangleObject && record.kind <= kAliasObject);
    Check(record.name.size() <= kMaxImportNameLength);
    Check(record.layerName.size() <= kMaxImportLayerNameLength);
    Check(record.mapName.size() <= kMaxImportMapNameLength);
    Check(record.rect.x1 <= record.rect.x2 && record.rect.y1 <= record.rect.y2);
    for (const ImportPoint& point : record.points) {
      Check(point.x >= 0 && point.x <= 360000000 && point.y >= 0 && point.y <= 180000000);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAll(data, size, false);
  ReadAll(data, size, true);
  MemoryByteSource source(data, size);
  int32_t type = -1;
  if (DetermineFileType(source, type) == 0) Check(type >= 0 && type <= 2);
  return 0;
}
