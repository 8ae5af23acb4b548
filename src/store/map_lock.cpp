#include "store/map_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>

#include "base/files.h"

namespace tlv {

namespace {

struct MapLockState {
  std::map<std::string, int> shared;  // folder -> descriptor (-1 on the files in memory)
  std::set<std::string> exclusive;    // in memory: folders locked exclusive by this process
  std::set<std::string> foreign;      // in memory: folders another process holds
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

int32_t HoldMapFolderShared(const std::string& folder) {
  if (state.shared.count(folder) != 0) return 0;
  if (!OnDisk()) {
    state.shared[folder] = -1;
    return 0;
  }
  if (!IsWritable(folder)) return 0;
  const int fd = OpenLockFile(folder);
  if (fd < 0) return kErrIO;
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    // Compaction is running elsewhere; the map is read as it is, and that compaction keeps
    // every reader safe by never changing the live files before its commit.
    ::close(fd);
    return kErrMapInUse;
  }
  state.shared[folder] = fd;
  return 0;
}

void ReleaseMapFolderLocks() {
  for (const auto& [folder, fd] : state.shared) {
    if (fd >= 0) ::close(fd);
  }
  state.shared.clear();
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

void SetForeignMapLockForTesting(const std::string& folder, bool held) {
  if (held) {
    state.foreign.insert(folder);
  } else {
    state.foreign.erase(folder);
  }
}

void ResetMapLocksForTesting() {
  ReleaseMapFolderLocks();
  state = MapLockState();
}

}  // namespace tlv
