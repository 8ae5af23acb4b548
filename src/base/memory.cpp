#include "base/memory.h"

#include <cstdlib>
#include <vector>

#include "base/errors.h"
#include "base/platform.h"

namespace tlv {

namespace {

// A block is one allocation: a header, then the caller's bytes. The size word sits right in
// front of the caller's pointer; the header is 16 bytes so that records keep their alignment.
constexpr size_t kHeaderSize = 16;
constexpr uint32_t kLiveMagic = 0x544C5642;  // marks a block that is ours and not yet released

struct BlockHeader {
  uint32_t unused0;
  uint32_t unused1;
  uint32_t magic;
  int32_t size;
};
static_assert(sizeof(BlockHeader) == kHeaderSize);

// An empty block still gets one byte behind the header, so that the caller's pointer points into
// the allocation rather than just past its end (leak checkers follow only the former).
size_t AllocationBytes(int32_t size) {
  return kHeaderSize + static_cast<size_t>(size > 0 ? size : 1);
}

BlockHeader* HeaderOf(Ptr ptr) {
  return reinterpret_cast<BlockHeader*>(ptr - kHeaderSize);
}

struct MemoryState {
  int32_t memError = 0;
  int32_t liveBlocks = 0;
  // Master-pointer pages; pages are never released before the end of the run.
  std::vector<char**> pages;
  int32_t currentPage = -1;
  char** freeSlotCache[kFreeSlotCacheSize] = {};
  Handle reserve = nullptr;
  bool reserveReleased = false;
  int32_t ceiling = -1;
  int32_t failAfter = -1;
};

// Never destroyed: master-pointer pages live until the process ends and must stay reachable.
MemoryState& State() {
  static MemoryState* state = new MemoryState;
  return *state;
}

// Whether the next allocation of `size` bytes may go ahead under the test controls.
bool AllocationAllowed(int32_t size) {
  MemoryState& s = State();
  if (s.ceiling >= 0 && size > s.ceiling) return false;
  if (s.failAfter == 0) return false;
  if (s.failAfter > 0) --s.failAfter;
  return true;
}

// A Handle that must exist was null (or emptied): a fault of the caller, not a lack of memory,
// so it gets its own plain alert rather than the out-of-memory text.
void ReportNullHandle() {
  ShowAlert("Dereference of NULL handle.", kStopAlert);
}

bool IsLiveBlock(Ptr ptr) {
  return ptr != nullptr && HeaderOf(ptr)->magic == kLiveMagic;
}

bool NewPage() {
  MemoryState& s = State();
  // A page is itself a block of 1000 slots.
  Ptr page = MyNewPtr(kMasterPointerPageSlots * static_cast<int32_t>(sizeof(char*)));
  if (page == nullptr) return false;
  s.pages.push_back(reinterpret_cast<char**>(page));
  s.currentPage = static_cast<int32_t>(s.pages.size()) - 1;
  return true;
}

}  // namespace

Ptr MyNewPtr(int32_t size) {
  MemoryState& s = State();
  if (size < 0 || !AllocationAllowed(size)) {
    s.memError = -1;
    return nullptr;
  }
  void* raw = std::calloc(1, AllocationBytes(size));
  if (raw == nullptr) {
    s.memError = -1;
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(raw);
  header->magic = kLiveMagic;
  header->size = size;
  ++s.liveBlocks;
  s.memError = 0;
  return static_cast<char*>(raw) + kHeaderSize;
}

Ptr MyNewPtrClear(int32_t size) {
  return MyNewPtr(size);
}

void MyDisposePtr(Ptr ptr) {
  if (!IsLiveBlock(ptr)) {
    // Not a block of ours any more: warn rather than free memory we do not own.
    Platform().Beep();
    return;
  }
  BlockHeader* header = HeaderOf(ptr);
  header->magic = 0;
  std::free(header);
  --State().liveBlocks;
}

int32_t MyGetPtrSize(Ptr ptr) {
  if (!IsLiveBlock(ptr)) return 0;
  return HeaderOf(ptr)->size;
}

Ptr SetPtrSize(Ptr ptr, int32_t size) {
  MemoryState& s = State();
  if (!IsLiveBlock(ptr) || size < 0) {
    s.memError = -1;
    return ptr;
  }
  const int32_t oldSize = HeaderOf(ptr)->size;
  if (size > oldSize && !AllocationAllowed(size)) {
    s.memError = -1;
    return ptr;
  }
  void* raw = std::realloc(HeaderOf(ptr), AllocationBytes(size));
  if (raw == nullptr) {
    s.memError = -1;
    return ptr;
  }
  auto* header = static_cast<BlockHeader*>(raw);
  header->size = size;
  Ptr moved = static_cast<char*>(raw) + kHeaderSize;
  if (size > oldSize) std::memset(moved + oldSize, 0, static_cast<size_t>(size - oldSize));
  s.memError = 0;
  return moved;
}

int32_t InitWindowsHandles() {
  MemoryState& s = State();
  if (!s.pages.empty()) return 0;
  if (!NewPage()) return -1;
  for (int i = 0; i < kFreeSlotCacheSize; ++i) s.freeSlotCache[i] = nullptr;
  return 0;
}

void ReleaseWindowsHandles() {
  MemoryState& s = State();
  for (char** page : s.pages) MyDisposePtr(reinterpret_cast<Ptr>(page));
  s.pages.clear();
  s.currentPage = -1;
  for (int i = 0; i < kFreeSlotCacheSize; ++i) s.freeSlotCache[i] = nullptr;
  s.reserve = nullptr;
  s.reserveReleased = false;
}

Handle MyNewHandle(int32_t size) {
  MemoryState& s = State();
  if (s.pages.empty() && InitWindowsHandles() != 0) {
    s.memError = -1;
    return nullptr;
  }
  char** slot = nullptr;
  for (int i = 0; i < kFreeSlotCacheSize && slot == nullptr; ++i) {
    if (s.freeSlotCache[i] != nullptr) slot = s.freeSlotCache[i];
  }
  if (slot == nullptr) {
    // Scan the current page: the first empty slot is ours, the next ones refill the cache.
    char** page = s.pages[static_cast<size_t>(s.currentPage)];
    int cached = 0;
    for (int32_t i = 0; i < kMasterPointerPageSlots; ++i) {
      if (page[i] != nullptr) continue;
      if (slot == nullptr) {
        slot = &page[i];
      } else {
        s.freeSlotCache[cached++] = &page[i];
        if (cached == kFreeSlotCacheSize) break;
      }
    }
  }
  if (slot == nullptr) {
    if (!NewPage()) {
      s.memError = -1;
      return nullptr;
    }
    char** page = s.pages[static_cast<size_t>(s.currentPage)];
    for (int i = 0; i < kFreeSlotCacheSize; ++i) s.freeSlotCache[i] = &page[i];
    slot = &page[0];
  }
  Ptr block = MyNewPtr(size);
  if (block == nullptr) return nullptr;
  *slot = block;
  for (int i = 0; i < kFreeSlotCacheSize; ++i) {
    if (s.freeSlotCache[i] == slot) s.freeSlotCache[i] = nullptr;
  }
  return slot;
}

Handle MyNewHandleClear(int32_t size) {
  return MyNewHandle(size);
}

void MyDisposeHandle(Handle handle) {
  if (handle == nullptr) return;
  MemoryState& s = State();
  if (*handle != nullptr) MyDisposePtr(*handle);
  *handle = nullptr;
  for (int i = 0; i < kFreeSlotCacheSize; ++i) {
    if (s.freeSlotCache[i] == nullptr) {
      s.freeSlotCache[i] = handle;
      break;
    }
  }
}

int32_t MyGetHandleSize(Handle handle) {
  if (handle == nullptr || *handle == nullptr) return 0;
  return MyGetPtrSize(*handle);
}

void MySetHandleSize(Handle handle, int32_t size) {
  if (handle == nullptr || *handle == nullptr) {
    ReportNullHandle();
    State().memError = -1;
    return;
  }
  *handle = SetPtrSize(*handle, size);
}

int32_t MyHandToHand(Handle* handle) {
  if (handle == nullptr || *handle == nullptr || **handle == nullptr) {
    ReportNullHandle();
    State().memError = -1;
    return -1;
  }
  const int32_t size = MyGetHandleSize(*handle);
  Handle copy = MyNewHandle(size);
  if (copy == nullptr) return -1;
  std::memcpy(*copy, **handle, static_cast<size_t>(size));
  *handle = copy;
  return 0;
}

int32_t MyMemError() {
  return State().memError;
}

bool FreeMemoryAtLeast(int32_t bytes) {
  const MemoryState& s = State();
  // The test controls answer first, without using up an allowed allocation.
  if (bytes < 0 || (s.ceiling >= 0 && bytes > s.ceiling) || s.failAfter == 0) return false;
  void* probe = std::malloc(static_cast<size_t>(bytes) + kHeaderSize);
  if (probe == nullptr) return false;
  std::free(probe);
  return true;
}

int32_t AllocateMemoryReserve() {
  MemoryState& s = State();
  if (s.reserve != nullptr) return 0;
  s.reserve = MyNewHandle(kMemoryReserveSize);
  s.reserveReleased = false;
  return s.reserve == nullptr ? -1 : 0;
}

void ReleaseMemoryReserve() {
  MemoryState& s = State();
  if (s.reserve == nullptr || s.reserveReleased) return;
  MyDisposeHandle(s.reserve);
  s.reserve = nullptr;
  s.reserveReleased = true;
}

bool MemoryReserveHeld() {
  return State().reserve != nullptr;
}

int32_t LiveBlockCount() {
  return State().liveBlocks;
}
int32_t MasterPointerPageCount() {
  return static_cast<int32_t>(State().pages.size());
}

void SetAllocationCeilingForTesting(int32_t maxBlockSize) {
  State().ceiling = maxBlockSize;
}
void FailAllocationsAfterForTesting(int32_t failAfter) {
  State().failAfter = failAfter;
}
void ResetMemoryFailuresForTesting() {
  State().ceiling = -1;
  State().failAfter = -1;
}

}  // namespace tlv
