// The machine's file calls beneath the buffered file layer. Paths use "/" and folder paths end
// with "/". A name that is missing exactly is looked for inside its folder with the collating
// comparison, so folders copied from systems that ignore case open as they are.
//
// The calls go to the installed FileSystem: the POSIX one by default, or one kept in memory that
// tests and fuzz targets install and that can fail chosen operations or lose power. The name
// resolution, the permission checks and the argument checks live here, above both, so that the
// two behave alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tlv {

// Codes of the platform layer beside the shared ones of src/store/errors.h (0, -1, -3, -39,
// -108, which keep their meanings here).
constexpr int32_t kErrDiskFull = -34;
constexpr int32_t kErrIO = -36;
constexpr int32_t kErrBadName = -37;
constexpr int32_t kErrTooManyFilesOpen = -42;
constexpr int32_t kErrFileNotFound = -43;
constexpr int32_t kErrDuplicateName = -48;
constexpr int32_t kErrPermission = -54;
constexpr int32_t kErrWritePermission = -61;
constexpr int32_t kErrFolderNotFound = -120;

enum class FileAccess {
  kRead,       // shared reading
  kReadWrite,  // reading and writing
};

// What a file system gives for one open file. PlatformFile checks the arguments before it
// calls these, so an implementation sees only counts and offsets that are not negative.
class OpenFileBody {
 public:
  virtual ~OpenFileBody() = default;
  virtual int32_t Read(int64_t offset, int32_t count, void* destination, int32_t& got) = 0;
  virtual int32_t Write(int64_t offset, int32_t count, const void* source) = 0;
  virtual int32_t GetLength(int32_t& length) = 0;
  virtual int32_t SetLength(int32_t length) = 0;
  // Makes the file's bytes durable: they survive a loss of power.
  virtual int32_t Sync() = 0;
  virtual int32_t Close() = 0;
};

// Owns one open file; closes it when it goes out of scope.
class PlatformFile {
 public:
  PlatformFile() = default;
  ~PlatformFile() { Close(); }
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;
  PlatformFile(PlatformFile&& other) noexcept
      : body_(std::move(other.body_)), writable_(other.writable_) {
    other.writable_ = false;
  }
  PlatformFile& operator=(PlatformFile&& other) noexcept;

  bool IsOpen() const { return body_ != nullptr; }
  bool IsWritable() const { return writable_; }

  // Reads up to count bytes at offset; got receives how many arrived (fewer only at the end of
  // the file, which is not an error here).
  int32_t Read(int64_t offset, int32_t count, void* destination, int32_t& got) const;
  // Writes all count bytes at offset or fails; a short write is never success. A file never
  // grows past the largest signed 32-bit offset (the formats address bytes with them).
  int32_t Write(int64_t offset, int32_t count, const void* source) const;
  int32_t GetLength(int32_t& length) const;
  int32_t SetLength(int32_t length) const;
  // Makes what was written durable (fsync).
  int32_t Sync() const;
  // Closes the file; returns the close result (0 when nothing was open).
  int32_t Close();

  // For file systems: the record takes over an opened file.
  void Adopt(std::unique_ptr<OpenFileBody> body, bool writable);

 private:
  std::unique_ptr<OpenFileBody> body_;
  bool writable_ = false;
};

// What a path names, exactly as spelt.
struct PathStatus {
  bool isFolder = false;
  bool isRegular = false;  // a plain file (not a device, folder or other special file)
  bool writable = false;   // the platform's "read-only attribute" is clear
};

// The calls a file system answers. Paths are exact (already resolved); folder paths may end
// with "/". Each returns 0 or one of the codes above.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // kErrFileNotFound (or kErrFolderNotFound for a missing folder on the way) when absent.
  virtual int32_t Status(const std::string& path, PathStatus& status) = 0;
  // The names in a folder, without "." and "..", in no particular order.
  virtual int32_t Names(const std::string& folder, std::vector<std::string>& names) = 0;
  virtual int32_t Open(const std::string& path, FileAccess access, PlatformFile& file) = 0;
  // A new empty file; kErrDuplicateName when the name is taken.
  virtual int32_t Create(const std::string& path) = 0;
  virtual int32_t Delete(const std::string& path) = 0;
  // Replaces a file that holds the new name, in one step.
  virtual int32_t Rename(const std::string& from, const std::string& to) = 0;
  virtual int32_t MakeFolder(const std::string& path) = 0;
  // Makes the folder's entries durable: files made, renamed into it or deleted from it since
  // the last sync survive a loss of power only after this.
  virtual int32_t SyncFolder(const std::string& folder) = 0;
  // Bytes that may still be written on the volume holding path.
  virtual int32_t FreeSpace(const std::string& path, int64_t& bytes) = 0;
};

// The file system in use: the POSIX one until another is installed.
FileSystem& Files();
// Installs a file system; null goes back to the POSIX one. Close every file first.
void InstallFileSystem(FileSystem* files);
FileSystem& PosixFileSystem();

// Opens an existing file. With kRead several readers may share it.
int32_t OpenFile(const std::string& path, FileAccess access, PlatformFile& file);
// Makes a new empty file; kErrDuplicateName if something of that name exists already.
int32_t CreateFile(const std::string& path);
int32_t DeleteFile(const std::string& path);
// Renames (or moves within the volume) a file, replacing a file that holds the new name.
int32_t RenameFile(const std::string& from, const std::string& to);
int32_t MakeFolder(const std::string& path);

// Makes what was written to the open file durable.
int32_t SyncFile(const PlatformFile& file);
// Makes the entries of a folder durable (files created, renamed or deleted in it).
int32_t SyncFolder(const std::string& folderPath);
// Free bytes on the volume that holds path.
int32_t FreeSpace(const std::string& path, int64_t& bytes);

bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
// A plain file, not a folder, device or other special file.
bool IsRegularFile(const std::string& path);
// The platform's "read-only attribute": false when this user may not write the file or folder.
// A file or folder without any write permission bit counts as read-only even for the superuser.
bool IsWritable(const std::string& path);

// Finds the name as it is spelt on disk: the exact path when it exists, else each missing
// component matched by the collating comparison inside its folder. Returns kErrFileNotFound or
// kErrFolderNotFound when nothing matches.
int32_t ResolvePath(const std::string& path, std::string& resolved);

struct FolderEntry {
  std::string name;
  bool isFolder = false;
};
// The items of a folder in collating order of their names, without "." and "..".
int32_t ListFolder(const std::string& folderPath, std::vector<FolderEntry>& items);

// The folder part of a path, with its trailing "/" ("" when the path has no "/").
std::string FolderOfPath(const std::string& path);
std::string WithTrailingSlash(const std::string& path);

}  // namespace tlv
