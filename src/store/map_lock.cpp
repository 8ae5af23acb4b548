#include "store/map_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "base/files.h"

namespace tlv {

namespace {

struct MapLockState {
  std::map<std::string, int> shared;       // folder -> descriptor (-1 on the files in memory)
  std::set<std::string> exclusive;         // in memory: folders locked exclusive by this process
  std::set<std::string> foreign;           // in memory: folders another process holds
  std::set<std::string> foreignExclusive;  // in memory: ... and holds exclusive
  std::set<std::string> waitedInVain;      // folders not waited for again (each overlay file asks)
};
MapLockState state;

bool OnDisk() {
  return &Files() == &PosixFileSystem();
}

int OpenLockFile(const std::string& folder) {
  const std::string path = folder + kMapLockFileName;
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

int32_t HoldMapFolderShared(const std::string& folder, int32_t waitMilliseconds) {
  if (state.shared.count(folder) != 0) return 0;
  if (!OnDisk()) {
    if (state.foreignExclusive.count(folder) != 0) return kErrMapInUse;
    state.shared[folder] = -1;
    return 0;
  }
  if (!IsWritable(folder)) return 0;
  const int fd = OpenLockFile(folder);
  if (fd < 0) return kErrIO;
  // Polled rather than blocking, so that a compaction that does not end leaves the caller a
  // way on.
  if (state.waitedInVain.count(folder) != 0) waitMilliseconds = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
  while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= until) {
      // Compaction is running elsewhere; the map is read as it is (that compaction changes no
      // live file before its commit) and its work files are left to it.
      ::close(fd);
      state.waitedInVain.insert(folder);
      return kErrMapInUse;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  state.shared[folder] = fd;
  return 0;
}

void ReleaseMapFolderLocks() {
  for (const auto& [folder, fd] : state.shared) {
    if (fd >= 0) ::close(fd);
  }
  state.shared.clear();
  state.waitedInVain.clear();
}

int32_t MapLock::Acquire(const std::string& folder) {
  Release();
  if (!OnDisk()) {
    if (state.foreign.count(folder) != 0 || state.exclusive.count(folder) != 0) {
      return kErrMapInUse;
    }
    state.exclusive.insert(folder);
    folder_ = folder;
    inMemory_ = true;
    return 0;
  }
  auto held = state.shared.find(folder);
  if (held != state.shared.end() && held->second >= 0) {
    if (::flock(held->second, LOCK_EX | LOCK_NB) != 0) {
      // Raising may drop the shared lock on some systems: take it back.
      ::flock(held->second, LOCK_SH | LOCK_NB);
      return kErrMapInUse;
    }
    folder_ = folder;
    raised_ = true;
    return 0;
  }
  const int fd = OpenLockFile(folder);
  if (fd < 0) return errno == EACCES || errno == EROFS ? kErrWritePermission : kErrIO;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return kErrMapInUse;
  }
  folder_ = folder;
  fd_ = fd;
  return 0;
}

void MapLock::Release() {
  if (folder_.empty()) return;
  if (inMemory_) {
    state.exclusive.erase(folder_);
  } else if (raised_) {
    auto held = state.shared.find(folder_);
    if (held != state.shared.end() && held->second >= 0) ::flock(held->second, LOCK_SH);
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
  folder_.clear();
  fd_ = -1;
  raised_ = false;
  inMemory_ = false;
}

void SetForeignMapLockForTesting(const std::string& folder, bool held, bool exclusive) {
  if (held) {
    state.foreign.insert(folder);
    if (exclusive) state.foreignExclusive.insert(folder);
  } else {
    state.foreign.erase(folder);
    state.foreignExclusive.erase(folder);
  }
}

void ResetMapLocksForTesting() {
  ReleaseMapFolderLocks();
  state = MapLockState();
}

}  // namespace tlv
