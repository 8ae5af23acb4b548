#include "base/replace_file.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "base/files.h"

namespace tlv {
namespace {

// Bytes handed to one write call; the file layer takes a signed 32-bit count.
constexpr size_t kWriteChunk = 1 << 20;
constexpr int kNameAttempts = 1000;

uint32_t nameCounter = 0;

}  // namespace

std::string UniqueSiblingName(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  const std::string base = path.substr(folder.size());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    // A leading dot keeps the unfinished file out of the folder listings the program shows.
    const std::string candidate = folder + "." + base + "." + std::to_string(::getpid()) + "-" +
                                  std::to_string(++nameCounter) + ".tmp";
    if (!FileExists(candidate)) return candidate;
  }
  return {};
}

int32_t ReplaceFileContents(const std::string& path, std::string_view bytes,
                            const ReplaceStopCheck& stopped) {
  if (path.empty() || path.back() == '/') return kErrBadName;
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) return kErrDiskFull;
  const std::string work = UniqueSiblingName(path);
  if (work.empty()) return kErrDuplicateName;
  int32_t err = CreateFile(work);
  if (err != 0) return err;
  {
    PlatformFile file;
    err = OpenFile(work, FileAccess::kReadWrite, file);
    size_t done = 0;
    while (err == 0 && done < bytes.size()) {
      const size_t count = std::min(kWriteChunk, bytes.size() - done);
      err =
          file.Write(static_cast<int64_t>(done), static_cast<int32_t>(count), bytes.data() + done);
      done += count;
    }
    if (err == 0) err = SyncFile(file);
    const int32_t closeErr = file.Close();
    if (err == 0) err = closeErr;
  }
  if (err == 0 && stopped && stopped()) err = kReplaceStopped;
  // The rename is the one step that changes what the user sees: the old file or the new.
  if (err == 0) err = RenameFile(work, path);
  if (err == 0) err = SyncFolder(FolderOfPath(path).empty() ? "./" : FolderOfPath(path));
  if (err != 0 && FileExists(work)) DeleteFile(work);
  return err;
}

}  // namespace tlv
