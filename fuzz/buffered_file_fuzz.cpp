// Drives the buffered file layer with arbitrary file bytes and an arbitrary sequence of seeks,
// reads, line reads, writes and window resizes, then reads the file back whole. The layer must
// never read or write outside its window and must keep its position invariants, also when a
// write, read or sync of the file fails (the top bits of the first byte pick such a fault).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/memory.h"
#include "fuzz_files.h"
#include "store/buffered_file.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace {

using namespace tlv;

struct FuzzFolder {
  FuzzFolder() {
    fuzz::MakeFolders(path);
    fuzz::StartOfInput();
    InitDirectoryTable();
    RegisterDirectory(path, true, dirID);
  }
  std::string path = "/fuzz/buffered/";
  int32_t dirID = -1;
};

// Bits 5 and 6 of the first byte: no fault, a write, a read or a sync fails; bit 7: it keeps
// failing. Which one of its kind fails follows from the input's size.
void ArmFault(uint8_t first, size_t size) {
  static const MemoryFileSystem::Operation kinds[] = {MemoryFileSystem::Operation::kWrite,
                                                      MemoryFileSystem::Operation::kRead,
                                                      MemoryFileSystem::Operation::kSync};
  const int kind = (first >> 5) & 3;
  if (kind == 0) return;
  fuzz::FuzzFiles().FailNth(kinds[kind - 1], 1 + static_cast<int64_t>(size % 7),
                            (first & 0x80) != 0);
}

void LiftFaults() {
  for (auto kind : {MemoryFileSystem::Operation::kWrite, MemoryFileSystem::Operation::kRead,
                    MemoryFileSystem::Operation::kSync}) {
    fuzz::FuzzFiles().FailNth(kind, 0);
  }
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckInvariants(const BufferedFile& file) {
  Check(file.cursor == -1 || (file.cursor >= 0 && file.cursor <= file.bufferSize));
  Check(file.bufferSize >= 0);
  Check(file.bufferStart >= 0);
  int32_t position = -1;
  GetFPosBuf(file, position);
  Check(position >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFolder folder;
  if (size < 2) return 0;
  const size_t opCount = data[0] % 32;
  const size_t scriptSize = std::min(size - 1, 1 + opCount * 4);
  const uint8_t* script = data + 1;
  const uint8_t* contents = data + 1 + scriptSize;
  const size_t contentSize = size - 1 - scriptSize;

  const std::string name = "f.bin";
  WriteFileContents(0, folder.dirID, name.c_str(), 0, 0, static_cast<int32_t>(contentSize),
                    reinterpret_cast<const char*>(contents));

  BufferedFile file;
  const int32_t window = script[0] * 4;
  ArmFault(data[0], size);
  if (FSOpenBuf(0, folder.dirID, name.c_str(), file, window) == 0) {
    char bytes[1100] = {};
    for (size_t op = 0; op + 4 <= scriptSize - 1; op += 4) {
      const uint8_t* s = script + 1 + op;
      const int32_t value = (s[1] << 8) | s[2];
      switch (s[0] % 8) {
        case 0:
          SetFPosBuf(file, value - 100);
          break;
        case 1: {
          int32_t count = s[3] * 4;
          const int32_t before = count;
          const int32_t err = FSReadBuf(file, count, bytes);
          Check(count <= before);
          Check(err != 0 || count == before);
          break;
        }
        case 2: {
          int32_t v = 0;
          FSReadLongBuf(file, v);
          break;
        }
        case 3: {
          SummaryRecord record;
          FSReadSummaryBuf(file, record);
          break;
        }
        case 4: {
          const int32_t length = FSReadLineBuf(file, bytes, 1 + s[3]);
          Check(length <= s[3]);
          break;
        }
        case 5: {
          int32_t count = s[3];
          FSWriteBuf(file, count, bytes);
          break;
        }
        case 6:
          FSResizeBuf(file, s[3] * 8);
          break;
        case 7:
          FSWriteLongBufAt(file, value, s[3] * 16);
          break;
      }
      CheckInvariants(file);
    }
    // A window that could not be written back keeps the file open; the harness lets it go.
    if (FSCloseBuf(file) != 0 && file.IsOpen()) {
      Check(file.dirty != 0);
      FSDiscardBuf(file);
    }
    Check(!file.IsOpen() && file.buffer == nullptr);
  }
  LiftFaults();

  Handle handle = nullptr;
  int32_t length = 0;
  if (ReadFileContents(0, folder.dirID, name.c_str(), nullptr, length, &handle, true) == 0) {
    Check(MyGetHandleSize(handle) == length + 1);
    Check((*handle)[length] == '\0');
    MyDisposeHandle(handle);
  }
  char small[17];
  length = static_cast<int32_t>(sizeof small);
  if (ReadFileContents(0, folder.dirID, name.c_str(), small, length, nullptr, true) == 0) {
    Check(length < static_cast<int32_t>(sizeof small) && small[length] == '\0');
  }
  fuzz::EndOfInput();
  return 0;
}
