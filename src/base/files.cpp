#include "base/files.h"

#include <algorithm>
#include <climits>

#include "base/collate.h"
#include "base/errors.h"

namespace tlv {

namespace {

FileSystem* installed = nullptr;

bool ExactExists(const std::string& path) {
  PathStatus status;
  return Files().Status(path, status) == 0;
}

// Finds the entry of folder whose name matches name by the collating comparison. When several
// match (names that differ only in case), the first in byte order wins, whatever order the
// folder lists them in, so every file system picks the same one.
bool FindCollatedEntry(const std::string& folder, const std::string& name, std::string& found) {
  std::vector<std::string> names;
  if (Files().Names(folder.empty() ? "." : folder, names) != 0) return false;
  bool matched = false;
  for (const std::string& entryName : names) {
    if (CollateCompare(entryName, name) != 0) continue;
    if (!matched || entryName < found) found = entryName;
    matched = true;
  }
  return matched;
}

// The status of a path after resolving it; false when it cannot be found.
bool ResolvedStatus(const std::string& path, std::string& resolved, PathStatus& status) {
  return ResolvePath(path, resolved) == 0 && Files().Status(resolved, status) == 0;
}

}  // namespace

FileSystem& Files() {
  return installed != nullptr ? *installed : PosixFileSystem();
}

void InstallFileSystem(FileSystem* files) {
  installed = files;
}

PlatformFile& PlatformFile::operator=(PlatformFile&& other) noexcept {
  if (this != &other) {
    Close();
    body_ = std::move(other.body_);
    writable_ = other.writable_;
    other.writable_ = false;
  }
  return *this;
}

void PlatformFile::Adopt(std::unique_ptr<OpenFileBody> body, bool writable) {
  Close();
  body_ = std::move(body);
  writable_ = body_ != nullptr && writable;
}

int32_t PlatformFile::Read(int64_t offset, int32_t count, void* destination, int32_t& got) const {
  got = 0;
  if (body_ == nullptr) return kErrGeneral;
  if (count < 0 || offset < 0) return kErrBadLength;
  return body_->Read(offset, count, destination, got);
}

int32_t PlatformFile::Write(int64_t offset, int32_t count, const void* source) const {
  if (body_ == nullptr) return kErrGeneral;
  if (!writable_) return kErrWritePermission;
  if (count < 0 || offset < 0) return kErrBadLength;
  if (offset > INT32_MAX - static_cast<int64_t>(count)) return kErrDiskFull;
  return body_->Write(offset, count, source);
}

int32_t PlatformFile::GetLength(int32_t& length) const {
  length = 0;
  if (body_ == nullptr) return kErrGeneral;
  return body_->GetLength(length);
}

int32_t PlatformFile::SetLength(int32_t length) const {
  if (body_ == nullptr) return kErrGeneral;
  if (!writable_) return kErrWritePermission;
  if (length < 0) return kErrBadLength;
  return body_->SetLength(length);
}

int32_t PlatformFile::Sync() const {
  if (body_ == nullptr) return kErrGeneral;
  return body_->Sync();
}

int32_t PlatformFile::Close() {
  if (body_ == nullptr) return 0;
  std::unique_ptr<OpenFileBody> body = std::move(body_);
  writable_ = false;
  return body->Close();
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
  PathStatus status;
  err = Files().Status(resolved, status);
  if (err != 0) return err;
  if (status.isFolder) return kErrPermission;
  if (access == FileAccess::kReadWrite && !status.writable) return kErrPermission;
  return Files().Open(resolved, access, file);
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
  return Files().Create(target);
}

int32_t DeleteFile(const std::string& path) {
  std::string resolved;
  const int32_t err = ResolvePath(path, resolved);
  if (err != 0) return err;
  return Files().Delete(resolved);
}

int32_t RenameFile(const std::string& from, const std::string& to) {
  std::string resolvedFrom;
  const int32_t err = ResolvePath(from, resolvedFrom);
  if (err != 0) return err;
  return Files().Rename(resolvedFrom, to);
}

int32_t MakeFolder(const std::string& path) {
  std::string bare = path;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  std::string existing;
  if (ResolvePath(bare, existing) == 0) return kErrDuplicateName;
  // As with files: the parent as spelt on disk, the new name as given.
  const std::string parent = FolderOfPath(bare);
  if (!parent.empty()) {
    std::string resolvedParent;
    if (ResolvePath(parent, resolvedParent) != 0 || !IsFolder(resolvedParent)) {
      return kErrFolderNotFound;
    }
    if (!IsWritable(resolvedParent)) return kErrPermission;
    bare = WithTrailingSlash(resolvedParent) + bare.substr(parent.size());
  }
  return Files().MakeFolder(bare);
}

int32_t SyncFile(const PlatformFile& file) {
  return file.Sync();
}

int32_t SyncFolder(const std::string& folderPath) {
  std::string resolved;
  const int32_t err = ResolvePath(folderPath.empty() ? "." : folderPath, resolved);
  if (err != 0) return err;
  return Files().SyncFolder(resolved);
}

int32_t FreeSpace(const std::string& path, int64_t& bytes) {
  bytes = 0;
  std::string resolved;
  // A file still to be made asks for the space of its folder.
  if (ResolvePath(path, resolved) != 0) {
    const std::string folder = FolderOfPath(path);
    const int32_t err = ResolvePath(folder.empty() ? "." : folder, resolved);
    if (err != 0) return err;
  }
  return Files().FreeSpace(resolved, bytes);
}

bool FileExists(const std::string& path) {
  std::string resolved;
  return ResolvePath(path, resolved) == 0;
}

bool IsFolder(const std::string& path) {
  std::string resolved;
  PathStatus status;
  return ResolvedStatus(path, resolved, status) && status.isFolder;
}

bool IsRegularFile(const std::string& path) {
  std::string resolved;
  PathStatus status;
  return ResolvedStatus(path, resolved, status) && status.isRegular;
}

bool IsWritable(const std::string& path) {
  std::string resolved;
  PathStatus status;
  return ResolvedStatus(path, resolved, status) && status.writable;
}

int32_t ListFolder(const std::string& folderPath, std::vector<FolderEntry>& items) {
  items.clear();
  std::string resolved;
  if (ResolvePath(folderPath, resolved) != 0) return kErrFolderNotFound;
  std::vector<std::string> names;
  const int32_t err = Files().Names(resolved, names);
  if (err != 0) return err;
  const std::string base = WithTrailingSlash(resolved);
  for (std::string& name : names) {
    FolderEntry item;
    PathStatus status;
    item.isFolder = Files().Status(base + name, status) == 0 && status.isFolder;
    item.name = std::move(name);
    items.push_back(std::move(item));
  }
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
