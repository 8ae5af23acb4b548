// Reads every field of every object record and walks every summary record of arbitrary object,
// summary and index file bytes. Corrupt records must be refused without a read outside the
// record, a crash or a leak.
//
// Input: two bytes giving the object file's size, two giving the index file's size, then the
// object file, the index file and the summary file.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/errors.h"
#include "base/headless_platform.h"
#include "base/memory.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "fuzz_files.h"
#include "store/directory_table.h"
#include "store/file_contents.h"
#include "store/object_record.h"

namespace {

using namespace tlv;

constexpr int32_t kMaxRecordsWalked = 2000;

struct FuzzOverlay {
  FuzzOverlay() {
    fuzz::MakeFolders(path);
    fuzz::StartOfInput();
    InitDirectoryTable();
    RegisterDirectory(path, true, dirID);
    MapRecord map;
    std::strcpy(map.name, "Fuzz");
    map.mapID = 1000;
    map.dirID = dirID;
    AppendMapRecord(map, mapIndex);
    OverlayFileRecord file;
    file.mapID = 1000;
    file.overlayID = 2000;
    file.dirID = dirID;
    std::strcpy(file.baseName, "FUZZ");
    AppendOverlayFileRecord(mapIndex, file);
  }
  std::string path = "/fuzz/object/";
  int32_t dirID = -1;
  int32_t mapIndex = -1;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

void Write(const FuzzOverlay& overlay, const char* name, const uint8_t* data, size_t size) {
  WriteFileContents(0, overlay.dirID, name, 0, 0, static_cast<int32_t>(size),
                    reinterpret_cast<const char*>(data));
}

// Every accessor that reads, on the record at position.
void ReadEveryField(int32_t position) {
  if (AllocateSpaceForFile(0, 0, kObjectFileKind, kSmallWindowSize, nullptr, nullptr) != 0) return;
  BufferedFile& file = CurrentObjectFile();
  int32_t value = 0;
  uint32_t unsignedValue = 0;
  int16_t type = 0;
  int32_t high = 0;
  int32_t low = 0;
  WRect rect;
  uint8_t byte = 0;
  bool present = false;
  bool active = false;
  FSGetObjectLength(file, position, value);
  FSGetObjectModTime(file, position, unsignedValue);
  FSGetObjectVersionFlags(file, position, value);
  const bool typed = FSGetObjectType(file, position, type) == 0;
  FSGetObjectID(file, position, high, low);
  FSGetObjectWorldRect(file, position, rect);
  FSGetObjectSymbolNumFromDigitizationField(file, position, value);
  FSGetObjectNolongerStateCounty(file, position, unsignedValue);
  GetObjectCustomColour(file, position, present, active, unsignedValue);
  FSGetObjectAliasCount(file, position, byte);
  FSGetObjectAfterNameOffset(file, position, value);

  std::string prefix;
  std::string name;
  int32_t freeRoom = 0;
  if (FSGetObjectName(file, position, prefix, name, &freeRoom) == 0) {
    Check(prefix.size() <= 255 && name.size() <= 255 && freeRoom >= 0);
  }
  GetObjectDisplayName(file, position, name);
  ObjectGraphics graphics;
  FSGetObjectGraphics(file, position, graphics);
  std::string text;
  if (FSGetObjectText(file, position, text, &freeRoom) == 0) Check(text.size() <= 255);
  FSGetObjectPICTFile(file, position, text);

  int32_t count = 0;
  int32_t first = 0;
  int32_t end = 0;
  if (FSGetObjectNumSegs(file, position, count) == 0 &&
      FSGetObjectSegmentRange(file, position, first, end) == 0) {
    int32_t offset = first;
    for (int32_t i = 0; i < count; ++i) {
      int32_t x = 0;
      int32_t y = 0;
      bool piece = false;
      SegmentAttributes attributes;
      if (FSGetObjectSegA(file, position, offset, x, y, piece, attributes) != 0) break;
      Check(offset <= end);
    }
  }
  Handle points = nullptr;
  if (FSGetObjectPoints(file, position, points, count) == 0) {
    Check(MyGetHandleSize(points) == count * 8);
    MyDisposeHandle(points);
  }
  Handle segments = nullptr;
  WRect bounds = kUnionStartRect;
  if (FSGetObjectSegmentsPartial(file, position, 1, 1000, segments, count, &bounds) == 0) {
    MyDisposeHandle(segments);
  }
  if (typed && type == kAliasObject) {
    int32_t original = 0;
    ResolveAlias(1000, 2000, position, original, true);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzOverlay overlay;
  if (size < 4) return 0;
  size_t objectSize = std::min<size_t>((data[0] << 8) | data[1], size - 4);
  size_t indexSize = std::min<size_t>((data[2] << 8) | data[3], size - 4 - objectSize);
  const uint8_t* objects = data + 4;
  const uint8_t* index = objects + objectSize;
  const uint8_t* summary = index + indexSize;
  const size_t summarySize = size - 4 - objectSize - indexSize;

  ResetOpenFilesForTesting();
  ReleaseSM2Cache(overlay.mapIndex, 0);
  DefaultHeadlessPlatform().Reset();
  Write(overlay, "FUZZ.OBJ", objects, objectSize);
  Write(overlay, "FUZZ.SUM", summary, summarySize);
  DeleteFile(overlay.path + "FUZZ.SM2");
  if (indexSize > 0) Write(overlay, "FUZZ.SM2", index, indexSize);

  // The object file record by record from its start.
  int32_t position = 0;
  for (int32_t n = 0;
       n < kMaxRecordsWalked && position >= 0 && position < static_cast<int32_t>(objectSize); ++n) {
    ReadEveryField(position);
    if (AllocateSpaceForFile(0, 0, kObjectFileKind, kSmallWindowSize, nullptr, nullptr) != 0) break;
    int32_t length = 0;
    if (FSGetObjectLength(CurrentObjectFile(), position, length) != 0 || length < 0) break;
    // A damaged length may point past the largest offset.
    const int64_t next = static_cast<int64_t>(position) + 4 + length;
    if (next > INT32_MAX) break;
    position = static_cast<int32_t>(next);
  }

  // The summary file, whole and through the index; the records it names are read as objects.
  int32_t walked = 0;
  ForEachSummaryRecord(
      0, 0,
      [&](const SummaryRecord&, int32_t i) -> int32_t {
        Check(i == walked++);
        return 0;
      },
      nullptr, nullptr);
  Check(walked == static_cast<int32_t>(summarySize / kSummaryRecordSize));
  const WRect search{100, 100, 200000000, 100000000};
  int32_t positions[kMaxRecordsWalked / 10];
  int32_t found = 0;
  ForEachSummaryRecord(
      0, 0,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (SummaryRecordLive(record) && found < kMaxRecordsWalked / 10) {
          positions[found++] = record.position;
        }
        return 0;
      },
      nullptr, nullptr, &search, 1000);
  for (int32_t i = 0; i < found; ++i) ReadEveryField(positions[i]);
  if (found > 0) {
    int32_t byteOffset = 0;
    SummaryRecord record;
    FindSummaryRecord(1000, 2000, positions[0], byteOffset, record, nullptr, nullptr, false);
    GrowSM2ForMovedObject(overlay.mapIndex, 0, byteOffset, search);
  }
  ResetOpenFilesForTesting();
  ReleaseSM2Cache(overlay.mapIndex, 0);
  DefaultHeadlessPlatform().Reset();
  fuzz::EndOfInput();
  return 0;
}
