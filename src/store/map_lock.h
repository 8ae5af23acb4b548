// The lock of a map folder: a file "MAP.LCK" in the folder, never replaced (NAME.MAP is
// rewritten through a work file, so a lock on it would be lost with it). The program and
// tolvane-cli hold it shared while a map is in use; compaction takes it exclusive and leaves a
// map alone that another process uses. On the disk it is an advisory flock, so it dies with its
// process; on the files kept in memory, a table of this process stands in for it.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

constexpr const char* kMapLockFileName = "MAP.LCK";
// The code of a lock that another process holds.
constexpr int32_t kErrMapInUse = -49;

// Holds the shared lock of a map folder for this process until ReleaseMapFolderLocks (several
// holds of one folder count once). A folder that cannot be written is not locked (nothing can
// compact it from here either). kErrMapInUse when a compaction in another process holds it
// exclusive; with waitMilliseconds it is waited for that long first.
int32_t HoldMapFolderShared(const std::string& folder, int32_t waitMilliseconds = 0);
void ReleaseMapFolderLocks();

// An exclusive lock for the life of the record. When this process holds the folder shared, the
// lock is raised to exclusive and lowered back afterwards.
class MapLock {
 public:
  MapLock() = default;
  ~MapLock() { Release(); }
  MapLock(const MapLock&) = delete;
  MapLock& operator=(const MapLock&) = delete;

  // 0, kErrMapInUse when another process holds it, or the code of a file failure.
  int32_t Acquire(const std::string& folder);
  void Release();

 private:
  std::string folder_;
  int fd_ = -1;          // our own descriptor, when the folder was not held shared
  bool raised_ = false;  // the shared hold was raised to exclusive
  bool inMemory_ = false;
};

// Test control for the files in memory: another process holds the folder's lock (shared, as a
// program using the map; exclusive, as a compaction running there).
void SetForeignMapLockForTesting(const std::string& folder, bool held, bool exclusive = false);
void ResetMapLocksForTesting();

}  // namespace tlv
