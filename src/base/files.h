// The machine's file calls beneath the buffered file layer. Paths use "/" and folder paths end
// with "/". A name that is missing exactly is looked for inside its folder with the collating
// comparison, so folders copied from systems that ignore case open as they are.
#pragma once

#include <cstdint>
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

// Owns one open file descriptor; closes it when it goes out of scope.
class PlatformFile {
 public:
  PlatformFile() = default;
  ~PlatformFile() { Close(); }
  PlatformFile(const PlatformFile&) = delete;
  PlatformFile& operator=(const PlatformFile&) = delete;
  PlatformFile(PlatformFile&& other) noexcept : fd_(other.fd_), writable_(other.writable_) {
    other.fd_ = -1;
    other.writable_ = false;
  }
  PlatformFile& operator=(PlatformFile&& other) noexcept;

  bool IsOpen() const { return fd_ >= 0; }
  bool IsWritable() const { return writable_; }

  // Reads up to count bytes at offset; got receives how many arrived (fewer only at the end of
  // the file, which is not an error here).
  int32_t Read(int64_t offset, int32_t count, void* destination, int32_t& got) const;
  // Writes all count bytes at offset or fails; a short write is never success.
  int32_t Write(int64_t offset, int32_t count, const void* source) const;
  int32_t GetLength(int32_t& length) const;
  int32_t SetLength(int32_t length) const;
  // Closes the descriptor; returns the close result (0 when nothing was open).
  int32_t Close();

 private:
  friend int32_t OpenFile(const std::string& path, FileAccess access, PlatformFile& file);
  int fd_ = -1;
  bool writable_ = false;
};

// Opens an existing file. With kRead several readers may share it.
int32_t OpenFile(const std::string& path, FileAccess access, PlatformFile& file);
// Makes a new empty file; kErrDuplicateName if something of that name exists already.
int32_t CreateFile(const std::string& path);
int32_t DeleteFile(const std::string& path);
// Renames (or moves within the volume) a file, replacing a file that holds the new name.
int32_t RenameFile(const std::string& from, const std::string& to);
int32_t MakeFolder(const std::string& path);

bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
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
