// Drives tolvane-convert's shapefile reader over arbitrary .shp, .shx and .dbf bytes held in
// memory. The input is three files: a 4-byte little-endian length of the .shp, the same for the
// .shx, then the .shp, the .shx and the rest as the .dbf. Whatever the reader writes must be
// interchange text that the program's own importer reads to the end.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "convert/shape_convert.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

uint32_t Length(const uint8_t* data) {
  return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
         static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const size_t shpLength = Length(data);
  const size_t shxLength = Length(data + 4);
  if (shpLength > size - 8 || shxLength > size - 8 - shpLength) return 0;
  const char* bytes = reinterpret_cast<const char*>(data + 8);
  std::map<std::string, std::string> files;
  files["in.shp"].assign(bytes, shpLength);
  files["in.shx"].assign(bytes + shpLength, shxLength);
  files["in.dbf"].assign(bytes + shpLength + shxLength, size - 8 - shpLength - shxLength);
  SAHooks hooks;
  convert::SetUpMemoryHooks(hooks, &files);
  std::string mie;
  std::string error;
  convert::ConvertSummary summary;
  if (convert::ShapefileToMIE("in.shp", hooks, mie, summary, error) != 0) return 0;

  MemoryByteSource source(mie.data(), mie.size());
  MIEReader reader(source, false);
  Check(reader.Open() == 0);
  const std::vector<std::string> names = MIEFieldNames();
  int32_t records = 0;
  for (;;) {
    MIEToken token;
    Check(reader.Next(token) == 0);
    if (token.kind == kTokenEndOfFile) break;
    reader.PushBack(token);
    ImportRecord record;
    Check(ReadImportRecord(reader, names, false, record) == 0);
    ++records;
  }
  Check(records == summary.written);
  return 0;
}
