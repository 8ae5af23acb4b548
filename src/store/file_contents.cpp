#include "store/file_contents.h"

#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr int32_t kCopyChunk = 65536;
constexpr const char* kVersionSuffix = ";1";
constexpr const char* kWorkFileName = "trans.tmp";

int32_t FullPathOf(int16_t volume, int32_t dirID, const char* name, std::string& path) {
  if (name == nullptr || name[0] == '\0') return kErrBadName;
  return MakeFullPath(volume, dirID, name, path);
}

// Opens the name, else the name with ";1"; the first error is the one returned.
int32_t OpenEitherName(const std::string& path, FileAccess access, PlatformFile& file,
                       std::string* opened = nullptr) {
  int32_t err = OpenFile(path, access, file);
  if (err == 0) {
    if (opened != nullptr) *opened = path;
    return 0;
  }
  if (OpenFile(path + kVersionSuffix, access, file) == 0) {
    if (opened != nullptr) *opened = path + kVersionSuffix;
    return 0;
  }
  return err;
}

// The path of the existing file (name or name;1), or the name itself when neither exists.
std::string ExistingOrNewPath(const std::string& path) {
  if (!FileExists(path) && FileExists(path + kVersionSuffix)) return path + kVersionSuffix;
  return path;
}

// Opens the file for writing, creating it when missing (created tells).
int32_t OpenForWriting(const std::string& path, PlatformFile& file, bool& created) {
  created = false;
  const std::string target = ExistingOrNewPath(path);
  if (!FileExists(target)) {
    const int32_t err = CreateFile(target);
    if (err != 0) return err;
    created = true;
  }
  return OpenFile(target, FileAccess::kReadWrite, file);
}

// The folder of a path, for a folder sync ("" is the working folder).
std::string FolderToSync(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  return folder.empty() ? "." : folder;
}

// Deletes any file of that name, makes it anew and opens it for reading and writing. A failure
// to delete or create is returned before anything is opened.
int32_t CreateAnew(const std::string& path, PlatformFile& file) {
  if (FileExists(path)) {
    const int32_t err = DeleteFile(path);
    if (err != 0) return err;
  }
  const int32_t err = CreateFile(path);
  if (err != 0) return err;
  return OpenFile(path, FileAccess::kReadWrite, file);
}

int32_t CopyBytes(const PlatformFile& from, int32_t fromOffset, const PlatformFile& to,
                  int32_t toOffset, int32_t count) {
  std::vector<char> chunk(static_cast<size_t>(std::min(count, kCopyChunk)));
  int32_t done = 0;
  while (done < count) {
    const int32_t n = std::min(kCopyChunk, count - done);
    int32_t got = 0;
    int32_t err = from.Read(fromOffset + done, n, chunk.data(), got);
    if (err != 0) return err;
    if (got < n) return kErrEndOfFile;
    err = to.Write(toOffset + done, n, chunk.data());
    if (err != 0) return err;
    done += n;
  }
  return 0;
}

}  // namespace

int32_t ReadFileContents(int16_t volume, int32_t dirID, const char* name, char* buffer,
                         int32_t& length, Handle* handle, bool terminate) {
  if (handle != nullptr) *handle = nullptr;
  if (handle == nullptr && length < 0) return kErrBadLength;
  if (handle == nullptr && buffer == nullptr) return kErrGeneral;
  std::string path;
  int32_t err = FullPathOf(volume, dirID, name, path);
  if (err != 0) return err;
  PlatformFile file;
  err = OpenEitherName(path, FileAccess::kRead, file);
  if (err != 0) return err;
  int32_t fileLength = 0;
  err = file.GetLength(fileLength);
  if (err != 0) return err;

  if (handle != nullptr) {
    const int32_t extra = terminate ? 1 : 0;
    if (fileLength > INT32_MAX - extra) return kErrMemoryFull;
    ScopedHandle made(MyNewHandle(fileLength + extra));
    if (!made) return kErrMemoryFull;
    int32_t got = 0;
    err = file.Read(0, fileLength, *made.get(), got);
    if (err != 0) return err;
    if (got < fileLength) return kErrEndOfFile;  // the file shrank while being read
    if (terminate) (*made.get())[fileLength] = '\0';
    length = fileLength;
    *handle = made.release();
    return 0;
  }

  if (terminate && length == 0) return kErrBadLength;
  const int32_t room = terminate ? length - 1 : length;
  int32_t got = 0;
  err = file.Read(0, std::min(room, fileLength), buffer, got);
  if (err != 0) return err;
  if (terminate) buffer[got] = '\0';
  length = got;
  return 0;
}

int32_t ReadFilePart(int16_t volume, int32_t dirID, const char* name, int32_t offset,
                     int32_t length, char* buffer, Handle* handle) {
  if (handle != nullptr) *handle = nullptr;
  if (offset < 0 || length < 0) return kErrBadLength;
  if (handle == nullptr && buffer == nullptr) return kErrGeneral;
  std::string path;
  int32_t err = FullPathOf(volume, dirID, name, path);
  if (err != 0) return err;
  PlatformFile file;
  err = OpenEitherName(path, FileAccess::kRead, file);
  if (err != 0) return err;
  ScopedHandle made;
  char* destination = buffer;
  if (handle != nullptr) {
    made.reset(MyNewHandle(length));
    if (!made) return kErrMemoryFull;
    destination = *made.get();
  }
  int32_t got = 0;
  err = file.Read(offset, length, destination, got);
  if (err != 0) return err;
  if (got < length) return kErrEndOfFile;
  if (handle != nullptr) *handle = made.release();
  return 0;
}

int32_t WriteFileContents(int16_t volume, int32_t dirID, const char* name, uint32_t /*creator*/,
                          uint32_t /*type*/, int32_t length, const char* data) {
  if (length < 0) return kErrBadLength;
  if (data == nullptr && length > 0) return kErrGeneral;
  std::string path;
  int32_t err = FullPathOf(volume, dirID, name, path);
  if (err != 0) return err;
  PlatformFile file;
  bool created = false;
  err = OpenForWriting(path, file, created);
  if (err != 0) return err;
  std::string target = ExistingOrNewPath(path);
  // The file as spelt on disk, so that the work file replaces it rather than lands beside it.
  std::string resolvedTarget;
  if (ResolvePath(target, resolvedTarget) == 0) target = resolvedTarget;
  // The new contents go to a work file that replaces the old one only when complete, so a full
  // disk never leaves a half-written settings or catalogue file behind.
  // Devices and other special files are written where they are.
  const std::string work = target + ".new~";
  const bool regular = IsRegularFile(target);
  PlatformFile replacement;
  if (regular && !FileExists(work) && CreateFile(work) == 0 &&
      OpenFile(work, FileAccess::kReadWrite, replacement) == 0) {
    file.Close();
    err = replacement.Write(0, length, data);
    // The bytes are made durable before the name points at them, and the folder after the
    // rename: a loss of power then leaves the old contents or the new, never an empty file.
    if (err == 0) err = SyncFile(replacement);
    const int32_t closeErr = replacement.Close();
    if (err == 0) err = closeErr;
    if (err == 0) err = RenameFile(work, target);
    if (err == 0) err = SyncFolder(FolderToSync(target));
    if (err != 0) DeleteFile(work);
    return err;
  }
  // A folder that takes no new files: write in place.
  DeleteFile(work);
  err = file.Write(0, length, data);
  if (err == 0) err = file.SetLength(length);
  if (err == 0 && regular) err = SyncFile(file);
  const int32_t closeErr = file.Close();
  if (err == 0) err = closeErr;
  if (err == 0 && created) err = SyncFolder(FolderToSync(target));
  return err;
}

int32_t AppendFileContents(int16_t volume, int32_t dirID, const char* name, uint32_t /*creator*/,
                           uint32_t /*type*/, int32_t length, const char* data, int32_t& offset) {
  offset = 0;
  if (length < 0) return kErrBadLength;
  if (data == nullptr && length > 0) return kErrGeneral;
  std::string path;
  int32_t err = FullPathOf(volume, dirID, name, path);
  if (err != 0) return err;
  PlatformFile file;
  bool created = false;
  err = OpenForWriting(path, file, created);
  if (err != 0) return err;
  err = file.GetLength(offset);
  if (err == 0) {
    err = file.Write(offset, length, data);
    // A half-written tail would be read as data later: cut it off again.
    if (err != 0) file.SetLength(offset);
  }
  if (err == 0) err = SyncFile(file);
  const int32_t closeErr = file.Close();
  if (err == 0) err = closeErr;
  if (err == 0 && created) err = SyncFolder(FolderToSync(ExistingOrNewPath(path)));
  return err;
}

int32_t CopyFileContents(int16_t sourceVolume, int32_t sourceDirID, const char* sourceName,
                         int16_t targetVolume, int32_t targetDirID, const char* targetName) {
  std::string sourcePath;
  std::string targetPath;
  int32_t err = FullPathOf(sourceVolume, sourceDirID, sourceName, sourcePath);
  if (err != 0) return err;
  err = FullPathOf(targetVolume, targetDirID, targetName, targetPath);
  if (err != 0) return err;
  PlatformFile source;
  std::string openedSource;
  err = OpenEitherName(sourcePath, FileAccess::kRead, source, &openedSource);
  if (err != 0) return err;
  // Deleting the target first would destroy a source that is the same file.
  std::string resolvedSource;
  std::string resolvedTarget;
  if (ResolvePath(openedSource, resolvedSource) == 0 &&
      ResolvePath(targetPath, resolvedTarget) == 0 && resolvedSource == resolvedTarget) {
    return 0;
  }
  int32_t length = 0;
  err = source.GetLength(length);
  if (err != 0) return err;
  PlatformFile target;
  err = CreateAnew(targetPath, target);
  if (err == 0) err = CopyBytes(source, 0, target, 0, length);
  if (err == 0) err = SyncFile(target);
  const int32_t closeErr = target.Close();
  if (err == 0) err = closeErr;
  if (err == 0) err = SyncFolder(FolderToSync(targetPath));
  if (err != 0) DeleteFile(targetPath);
  return err;
}

int32_t ForEachItemInFolder(int16_t volume, int32_t dirID, const std::string& path,
                            const FolderItemFunction& function, const FolderItemFilter& filter) {
  std::string folder;
  int32_t folderDirID = -1;
  if (!path.empty()) {
    std::string resolved;
    if (ResolvePath(path, resolved) != 0) return kErrGeneral;
    folder = IsFolder(resolved) ? WithTrailingSlash(resolved) : FolderOfPath(resolved);
    if (folder.empty()) return kErrGeneral;
  } else {
    if (DirectoryPath(dirID, folder) != 0) return 0;
    folderDirID = dirID;
  }
  std::vector<FolderEntry> items;
  if (ListFolder(folder, items) != 0) return kErrGeneral;
  for (const FolderEntry& item : items) {
    if (item.name.empty() || item.name[0] == '.') continue;
    const std::string fullPath = folder + item.name + (item.isFolder ? "/" : "");
    if (filter && !filter(fullPath)) continue;
    int32_t result;
    if (item.isFolder) {
      if (fullPath.size() >= static_cast<size_t>(kMaxDirectoryPathLength)) return -3;
      int32_t itemDirID = -1;
      if (RegisterDirectory(fullPath, false, itemDirID) != 0) return -4;
      result = function(volume, itemDirID, fullPath, true);
    } else {
      if (folderDirID < 0) {
        if (folder.size() >= static_cast<size_t>(kMaxDirectoryPathLength)) return -5;
        if (RegisterDirectory(folder, false, folderDirID) != 0) return -6;
      }
      result = function(volume, folderDirID, item.name, false);
    }
    if (result != 0) return result;
  }
  return 0;
}

int32_t CutFileRange(int16_t volume, int32_t dirID, const char* name, int32_t offset,
                     int32_t length) {
  std::string path;
  int32_t err = FullPathOf(volume, dirID, name, path);
  if (err != 0) return err;
  PlatformFile source;
  std::string opened;
  err = OpenEitherName(path, FileAccess::kRead, source, &opened);
  if (err != 0) return err;
  std::string resolved;
  err = ResolvePath(opened, resolved);
  if (err != 0) return err;
  if (!IsWritable(resolved)) return kErrPermission;
  int32_t fileLength = 0;
  err = source.GetLength(fileLength);
  if (err != 0) return err;
  if (offset < 0 || length < 0 || offset > fileLength - length) return kErrBadLength;

  const std::string workPath = FolderOfPath(resolved) + kWorkFileName;
  PlatformFile work;
  err = CreateAnew(workPath, work);
  if (err == 0) err = CopyBytes(source, 0, work, 0, offset);
  if (err == 0) {
    err = CopyBytes(source, offset + length, work, offset, fileLength - offset - length);
  }
  if (err == 0) err = SyncFile(work);
  const int32_t closeErr = work.Close();
  if (err == 0) err = closeErr;
  source.Close();
  // Renaming over the file replaces it in one step, so a failure never leaves it missing.
  if (err == 0) err = RenameFile(workPath, resolved);
  if (err == 0) err = SyncFolder(FolderToSync(resolved));
  if (err != 0) DeleteFile(workPath);
  return err;
}

}  // namespace tlv
