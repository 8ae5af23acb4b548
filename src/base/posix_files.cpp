#include "base/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "base/collate.h"
#include "base/errors.h"

namespace tlv {

namespace {

int32_t CodeFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOENT:
      return kErrFileNotFound;
    case ENOTDIR:
      return kErrFolderNotFound;
    case EACCES:
    case EPERM:
      return kErrPermission;
    case EROFS:
    case ETXTBSY:
      return kErrWritePermission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrDiskFull;
    case EEXIST:
    case ENOTEMPTY:
      return kErrDuplicateName;
    case ENAMETOOLONG:
    case EINVAL:
      return kErrBadName;
    case EMFILE:
    case ENFILE:
      return kErrTooManyFilesOpen;
    case ENOMEM:
      return kErrMemoryFull;
    default:
      return kErrIO;
  }
}

bool ExactExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Finds the entry of folder whose name matches name by the collating comparison.
bool FindCollatedEntry(const std::string& folder, const std::string& name, std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool matched = false;
  while (dirent* entry = ::readdir(dir)) {
    const std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (CollateCompare(entryName, name) == 0) {
      found = entryName;
      matched = true;
      break;
    }
  }
  ::closedir(dir);
  return matched;
}

}  // namespace

PlatformFile& PlatformFile::operator=(PlatformFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    writable_ = other.writable_;
    other.fd_ = -1;
    other.writable_ = false;
  }
  return *this;
}

int32_t PlatformFile::Read(int64_t offset, int32_t count, void* destination, int32_t& got) const {
  got = 0;
  if (fd_ < 0) return kErrGeneral;
  if (count < 0 || offset < 0) return kErrBadLength;
  char* out = static_cast<char*>(destination);
  while (got < count) {
    const ssize_t n = ::pread(fd_, out + got, static_cast<size_t>(count - got), offset + got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return CodeFromErrno(errno);
    }
    if (n == 0) break;
    got += static_cast<int32_t>(n);
  }
  return 0;
}

int32_t PlatformFile::Write(int64_t offset, int32_t count, const void* source) const {
  if (fd_ < 0) return kErrGeneral;
  if (!writable_) return kErrWritePermission;
  if (count < 0 || offset < 0) return kErrBadLength;
  if (offset + count > INT32_MAX) return kErrDiskFull;
  const char* in = static_cast<const char*>(source);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd_, in + done, static_cast<size_t>(count - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return CodeFromErrno(errno);
    }
    if (n == 0) return kErrDiskFull;
    done += static_cast<int32_t>(n);
  }
  return 0;
}

int32_t PlatformFile::GetLength(int32_t& length) const {
  length = 0;
  if (fd_ < 0) return kErrGeneral;
  struct stat st;
  if (::fstat(fd_, &st) != 0) return CodeFromErrno(errno);
  // The file formats address bytes with signed 32-bit offsets.
  if (st.st_size > INT32_MAX) return kErrBadLength;
  length = static_cast<int32_t>(st.st_size);
  return 0;
}

int32_t PlatformFile::SetLength(int32_t length) const {
  if (fd_ < 0) return kErrGeneral;
  if (!writable_) return kErrWritePermission;
  if (length < 0) return kErrBadLength;
  while (::ftruncate(fd_, length) != 0) {
    if (errno != EINTR) return CodeFromErrno(errno);
  }
  return 0;
}

int32_t PlatformFile::Close() {
  if (fd_ < 0) return 0;
  const int fd = fd_;
  fd_ = -1;
  writable_ = false;
  if (::close(fd) != 0 && errno != EINTR) return CodeFromErrno(errno);
  return 0;
}

int32_t ResolvePath(const std::string& path, std::string& resolved) {
  resolved = path;
  if (path.empty()) return kErrBadName;
  if (ExactExists(path)) return 0;
  // Walk the components; only the ones missing exactly are looked up by collation.
  std::string built;
  size_t pos = 0;
  if (path[0] == '/') {
    built = "/";
    pos = 1;
  }
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    const bool last = slash == std::string::npos;
    if (last) slash = path.size();
    const std::string component = path.substr(pos, slash - pos);
    if (!component.empty()) {
      std::string candidate = built + component;
      if (!ExactExists(candidate)) {
        std::string found;
        if (!FindCollatedEntry(built, component, found)) {
          return last ? kErrFileNotFound : kErrFolderNotFound;
        }
        candidate = built + found;
      }
      built = candidate;
    }
    if (last) break;
    built += "/";
    pos = slash + 1;
  }
  resolved = built;
  return 0;
}

int32_t OpenFile(const std::string& path, FileAccess access, PlatformFile& file) {
  file.Close();
  std::string resolved;
  int32_t err = ResolvePath(path, resolved);
  if (err != 0) return err;
  if (IsFolder(resolved)) return kErrPermission;
  const bool wantWrite = access == FileAccess::kReadWrite;
  if (wantWrite && !IsWritable(resolved)) return kErrPermission;
  int fd;
  do {
    fd = ::open(resolved.c_str(), (wantWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return CodeFromErrno(errno);
  file.fd_ = fd;
  file.writable_ = wantWrite;
  return 0;
}

int32_t CreateFile(const std::string& path) {
  std::string target = path;
  // The folder may be spelt differently on disk; the new name is kept as given.
  const std::string folder = FolderOfPath(path);
  if (!folder.empty()) {
    std::string resolvedFolder;
    if (ResolvePath(folder, resolvedFolder) != 0) return kErrFolderNotFound;
    target = WithTrailingSlash(resolvedFolder) + path.substr(folder.size());
  }
  std::string existing;
  if (ResolvePath(target, existing) == 0) return kErrDuplicateName;
  // A folder without write permission refuses new files, also for the superuser.
  const std::string targetFolder = FolderOfPath(target);
  if (!IsWritable(targetFolder.empty() ? "." : targetFolder)) return kErrPermission;
  int fd;
  do {
    fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return CodeFromErrno(errno);
  ::close(fd);
  return 0;
}

int32_t DeleteFile(const std::string& path) {
  std::string resolved;
  int32_t err = ResolvePath(path, resolved);
  if (err != 0) return err;
  if (::unlink(resolved.c_str()) != 0) return CodeFromErrno(errno);
  return 0;
}

int32_t RenameFile(const std::string& from, const std::string& to) {
  std::string resolvedFrom;
  int32_t err = ResolvePath(from, resolvedFrom);
  if (err != 0) return err;
  if (::rename(resolvedFrom.c_str(), to.c_str()) != 0) return CodeFromErrno(errno);
  return 0;
}

int32_t MakeFolder(const std::string& path) {
  std::string bare = path;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  std::string existing;
  if (ResolvePath(bare, existing) == 0) return kErrDuplicateName;
  const std::string parent = FolderOfPath(bare);
  if (!parent.empty() && !IsWritable(parent)) return kErrPermission;
  if (::mkdir(bare.c_str(), 0777) != 0) return CodeFromErrno(errno);
  return 0;
}

bool FileExists(const std::string& path) {
  std::string resolved;
  return ResolvePath(path, resolved) == 0;
}

bool IsFolder(const std::string& path) {
  std::string resolved;
  if (ResolvePath(path, resolved) != 0) return false;
  struct stat st;
  return ::stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritable(const std::string& path) {
  std::string resolved;
  if (ResolvePath(path, resolved) != 0) return false;
  struct stat st;
  if (::stat(resolved.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(resolved.c_str(), W_OK) == 0;
}

int32_t ListFolder(const std::string& folderPath, std::vector<FolderEntry>& items) {
  items.clear();
  std::string resolved;
  int32_t err = ResolvePath(folderPath, resolved);
  if (err != 0) return kErrFolderNotFound;
  DIR* dir = ::opendir(resolved.c_str());
  if (dir == nullptr) return CodeFromErrno(errno);
  const std::string base = WithTrailingSlash(resolved);
  while (dirent* entry = ::readdir(dir)) {
    FolderEntry item;
    item.name = entry->d_name;
    if (item.name == "." || item.name == "..") continue;
    struct stat st;
    item.isFolder = ::stat((base + item.name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    items.push_back(std::move(item));
  }
  ::closedir(dir);
  std::sort(items.begin(), items.end(), [](const FolderEntry& a, const FolderEntry& b) {
    const int order = CollateCompare(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return 0;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

std::string WithTrailingSlash(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

}  // namespace tlv
