// The POSIX file system: descriptors, pread/pwrite, fsync and statvfs.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "base/errors.h"
#include "base/files.h"

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

// Owns one descriptor.
class PosixFileBody : public OpenFileBody {
 public:
  explicit PosixFileBody(int fd) : fd_(fd) {}
  ~PosixFileBody() override { Close(); }
  PosixFileBody(const PosixFileBody&) = delete;
  PosixFileBody& operator=(const PosixFileBody&) = delete;

  int32_t Read(int64_t offset, int32_t count, void* destination, int32_t& got) override {
    got = 0;
    if (fd_ < 0) return kErrGeneral;
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

  int32_t Write(int64_t offset, int32_t count, const void* source) override {
    if (fd_ < 0) return kErrGeneral;
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

  int32_t GetLength(int32_t& length) override {
    length = 0;
    if (fd_ < 0) return kErrGeneral;
    struct stat st;
    if (::fstat(fd_, &st) != 0) return CodeFromErrno(errno);
    // The file formats address bytes with signed 32-bit offsets.
    if (st.st_size > INT32_MAX) return kErrBadLength;
    length = static_cast<int32_t>(st.st_size);
    return 0;
  }

  int32_t SetLength(int32_t length) override {
    if (fd_ < 0) return kErrGeneral;
    while (::ftruncate(fd_, length) != 0) {
      if (errno != EINTR) return CodeFromErrno(errno);
    }
    return 0;
  }

  int32_t Sync() override {
    if (fd_ < 0) return kErrGeneral;
    while (::fsync(fd_) != 0) {
      if (errno == EINTR) continue;
      // Devices and pipes have nothing to make durable.
      if (errno == EINVAL || errno == EROFS) return 0;
      return CodeFromErrno(errno);
    }
    return 0;
  }

  int32_t Close() override {
    if (fd_ < 0) return 0;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) return CodeFromErrno(errno);
    return 0;
  }

 private:
  int fd_ = -1;
};

class PosixFiles : public FileSystem {
 public:
  int32_t Status(const std::string& path, PathStatus& status) override {
    status = PathStatus();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return CodeFromErrno(errno);
    // A link counts as what it points at; a dangling one exists but is nothing to use.
    if (::stat(path.c_str(), &st) != 0) return 0;
    status.isFolder = S_ISDIR(st.st_mode);
    status.isRegular = S_ISREG(st.st_mode);
    status.writable =
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
    return 0;
  }

  int32_t Names(const std::string& folder, std::vector<std::string>& names) override {
    names.clear();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return CodeFromErrno(errno);
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      names.push_back(std::move(name));
    }
    ::closedir(dir);
    return 0;
  }

  int32_t Open(const std::string& path, FileAccess access, PlatformFile& file) override {
    const bool wantWrite = access == FileAccess::kReadWrite;
    int fd;
    do {
      fd = ::open(path.c_str(), (wantWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return CodeFromErrno(errno);
    file.Adopt(std::make_unique<PosixFileBody>(fd), wantWrite);
    return 0;
  }

  int32_t Create(const std::string& path) override {
    int fd;
    do {
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return CodeFromErrno(errno);
    ::close(fd);
    return 0;
  }

  int32_t Delete(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return CodeFromErrno(errno);
    return 0;
  }

  int32_t Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return CodeFromErrno(errno);
    return 0;
  }

  int32_t MakeFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) != 0) return CodeFromErrno(errno);
    return 0;
  }

  int32_t SyncFolder(const std::string& folder) override {
    int fd;
    do {
      fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return CodeFromErrno(errno);
    int32_t result = 0;
    while (::fsync(fd) != 0) {
      if (errno == EINTR) continue;
      // Some file systems cannot sync a folder; their entries are as durable as they get.
      if (errno != EINVAL && errno != EROFS) result = CodeFromErrno(errno);
      break;
    }
    ::close(fd);
    return result;
  }

  int32_t FreeSpace(const std::string& path, int64_t& bytes) override {
    bytes = 0;
    struct statvfs vfs;
    if (::statvfs(path.empty() ? "." : path.c_str(), &vfs) != 0) return CodeFromErrno(errno);
    const unsigned long long free = static_cast<unsigned long long>(vfs.f_bavail) *
                                    static_cast<unsigned long long>(vfs.f_frsize);
    bytes =
        free > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(free);
    return 0;
  }
};

}  // namespace

FileSystem& PosixFileSystem() {
  static PosixFiles files;
  return files;
}

}  // namespace tlv
