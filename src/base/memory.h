// Size-carrying memory blocks (Ptr) and relocatable blocks reached through a master-pointer
// slot (Handle). Every block is zero-filled; a resize may move a Handle's block, so code
// re-reads *handle after any resize. Allocation failures return null and set MyMemError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tlv {

using Ptr = char*;
using Handle = char**;

constexpr int32_t kMasterPointerPageSlots = 1000;
constexpr int32_t kFreeSlotCacheSize = 10;
constexpr int32_t kMemoryReserveSize = 35000;

Ptr MyNewPtr(int32_t size);
Ptr MyNewPtrClear(int32_t size);
void MyDisposePtr(Ptr ptr);
int32_t MyGetPtrSize(Ptr ptr);
// Returns the (possibly moved) block; on failure returns the old block unchanged.
Ptr SetPtrSize(Ptr ptr, int32_t size);

Handle MyNewHandle(int32_t size);
Handle MyNewHandleClear(int32_t size);
void MyDisposeHandle(Handle handle);
int32_t MyGetHandleSize(Handle handle);
void MySetHandleSize(Handle handle, int32_t size);
// Replaces *handle with a new Handle holding a copy of its bytes. Returns 0 or -1.
int32_t MyHandToHand(Handle* handle);
int32_t MyMemError();
// Whether a block of bytes could be had now (the memory error value is left alone). Callers
// that hold big buffers give memory back when this answers false.
bool FreeMemoryAtLeast(int32_t bytes);

// The master-pointer table: made by start-up, released at the end of the run.
int32_t InitWindowsHandles();
void ReleaseWindowsHandles();

// The reserve held back so that the out-of-memory alert can still be shown.
int32_t AllocateMemoryReserve();
// Releases the reserve the first time it is called; later calls do nothing.
void ReleaseMemoryReserve();
bool MemoryReserveHeld();

// Diagnostics.
int32_t LiveBlockCount();
int32_t MasterPointerPageCount();

// Test controls: allocations and resizes to more than maxBlockSize bytes fail (negative: no
// ceiling); after failAfter further successful allocations every allocation fails (negative:
// never). ResetMemoryFailures lifts both.
void SetAllocationCeilingForTesting(int32_t maxBlockSize);
void FailAllocationsAfterForTesting(int32_t failAfter);
void ResetMemoryFailuresForTesting();

// A Handle used as an array of fixed-size records. The view does not own the Handle; records
// are copied in and out, so a resize never leaves a stale reference behind.
template <typename T>
class HandleArray {
  static_assert(std::is_trivially_copyable_v<T>, "records in a Handle must be plain bytes");

 public:
  HandleArray() = default;
  explicit HandleArray(Handle handle) : handle_(handle) {}

  Handle handle() const { return handle_; }
  bool valid() const { return handle_ != nullptr && *handle_ != nullptr; }

  int32_t Count() const {
    return valid() ? MyGetHandleSize(handle_) / static_cast<int32_t>(sizeof(T)) : 0;
  }
  T Get(int32_t i) const {
    T record;
    std::memcpy(&record, *handle_ + static_cast<size_t>(i) * sizeof(T), sizeof(T));
    return record;
  }
  void Set(int32_t i, const T& record) {
    std::memcpy(*handle_ + static_cast<size_t>(i) * sizeof(T), &record, sizeof(T));
  }
  // Appends a record; returns 0 or -1 when memory is short (the array is then unchanged).
  int32_t Append(const T& record) { return Insert(Count(), record); }
  int32_t Insert(int32_t at, const T& record) {
    const int32_t n = Count();
    MySetHandleSize(handle_, (n + 1) * static_cast<int32_t>(sizeof(T)));
    if (MyMemError() != 0) return -1;
    char* base = *handle_;
    std::memmove(base + (static_cast<size_t>(at) + 1) * sizeof(T),
                 base + static_cast<size_t>(at) * sizeof(T),
                 static_cast<size_t>(n - at) * sizeof(T));
    Set(at, record);
    return 0;
  }
  void Remove(int32_t at) {
    const int32_t n = Count();
    char* base = *handle_;
    std::memmove(base + static_cast<size_t>(at) * sizeof(T),
                 base + (static_cast<size_t>(at) + 1) * sizeof(T),
                 static_cast<size_t>(n - at - 1) * sizeof(T));
    MySetHandleSize(handle_, (n - 1) * static_cast<int32_t>(sizeof(T)));
  }
  int32_t Resize(int32_t count) {
    MySetHandleSize(handle_, count * static_cast<int32_t>(sizeof(T)));
    return MyMemError();
  }

 private:
  Handle handle_ = nullptr;
};

// Owns a Handle for the length of a scope.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Handle get() const { return handle_; }
  Handle release() {
    Handle h = handle_;
    handle_ = nullptr;
    return h;
  }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) MyDisposeHandle(handle_);
    handle_ = handle;
  }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_ = nullptr;
};

}  // namespace tlv
