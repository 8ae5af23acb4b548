#include "support/test_support.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "app/wiring.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"

namespace tlv::test {

namespace {

MemoryFileSystem* installedMemory = nullptr;

}  // namespace

void ResetCoreState() {
  ResetAllForTesting();
  DefaultHeadlessPlatform().Reset();
  InstallPlatform(nullptr);
  ResetMemoryFailuresForTesting();
  ArmAlerts();
}

TestFiles::TestFiles(FilesKind kind) {
  if (kind == FilesKind::kMemory) memory_ = std::make_unique<MemoryFileSystem>();
  installedMemory = memory_.get();
  InstallFileSystem(memory_.get());
}

TestFiles::~TestFiles() {
  InstallFileSystem(nullptr);
  installedMemory = nullptr;
}

MemoryFileSystem* MemoryFiles() {
  return installedMemory;
}

TempFolder::TempFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "tolvane";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  // The process number keeps two runs of the same test (two checkouts testing at once) apart.
  path_ = std::filesystem::temp_directory_path() /
          ("tolvane-test-" + name + "-" + std::to_string(::getpid()));
  if (MemoryFiles() != nullptr) {
    MakeFolders(path_);
    return;
  }
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  // A folder in memory goes with its file system.
  std::error_code ignored;
  if (!std::filesystem::exists(path_, ignored)) return;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // The exact name, as on the disk: no lookup that ignores case.
  PlatformFile file;
  int32_t length = 0;
  if (MemoryFiles()->Open(path.string(), FileAccess::kRead, file) != 0 ||
      file.GetLength(length) != 0) {
    return std::string();
  }
  std::string bytes(static_cast<size_t>(length), '\0');
  int32_t got = 0;
  file.Read(0, length, bytes.data(), got);
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  if (MemoryFiles() == nullptr) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return;
  }
  const std::string name = path.string();
  PathStatus status;
  if (MemoryFiles()->Status(name, status) != 0) MemoryFiles()->Create(name);
  PlatformFile file;
  ASSERT_EQ(MemoryFiles()->Open(name, FileAccess::kReadWrite, file), 0) << name;
  ASSERT_EQ(file.Write(0, static_cast<int32_t>(bytes.size()), bytes.data()), 0) << name;
  ASSERT_EQ(file.SetLength(static_cast<int32_t>(bytes.size())), 0) << name;
}

void MakeFolders(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) {
    std::filesystem::create_directories(path);
    return;
  }
  std::string built;
  for (const auto& part : path) {
    const std::string piece = part.string();
    if (piece.empty() || piece == "/") {
      built = "/";
      continue;
    }
    built += piece;
    PathStatus status;
    if (MemoryFiles()->Status(built, status) != 0) {
      ASSERT_EQ(MemoryFiles()->MakeFolder(built), 0) << built;
    }
    built += "/";
  }
}

bool PathExists(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) return std::filesystem::exists(path);
  PathStatus status;
  return MemoryFiles()->Status(path.string(), status) == 0;
}

bool IsFolderPath(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) return std::filesystem::is_directory(path);
  PathStatus status;
  return MemoryFiles()->Status(path.string(), status) == 0 && status.isFolder;
}

int64_t FileSize(const std::filesystem::path& path) {
  if (!PathExists(path)) return -1;
  if (MemoryFiles() == nullptr) return static_cast<int64_t>(std::filesystem::file_size(path));
  return static_cast<int64_t>(ReadWholeFile(path).size());
}

void RemoveFile(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) {
    std::filesystem::remove(path);
    return;
  }
  MemoryFiles()->Delete(path.string());
}

void RemoveTree(const std::filesystem::path& path) {
  if (MemoryFiles() == nullptr) {
    std::filesystem::remove_all(path);
    return;
  }
  MemoryFiles()->RemoveTree(path.string());
}

void RenamePath(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (MemoryFiles() == nullptr) {
    std::filesystem::rename(from, to);
    return;
  }
  ASSERT_EQ(MemoryFiles()->Rename(from.string(), to.string()), 0) << from << " " << to;
}

void SetReadOnly(const std::filesystem::path& path, bool readOnly) {
  if (MemoryFiles() == nullptr) {
    namespace fs = std::filesystem;
    const fs::perms writeBits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, readOnly ? writeBits : fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
    return;
  }
  ASSERT_EQ(MemoryFiles()->SetWritable(path.string(), !readOnly), 0) << path;
}

}  // namespace tlv::test
