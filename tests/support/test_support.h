// Shared fixtures: the headless platform reset for each test, the file system a fixture runs
// on (the disk or one in memory) and a temporary folder named after the test, removed
// afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "base/headless_platform.h"
#include "base/memory_files.h"

namespace tlv::test {

enum class FilesKind { kPosix, kMemory };

// Installs the file system a fixture's tests run on for the fixture's life. A fixture declares
// it before its TempFolder, so that the folder is made on it.
class TestFiles {
 public:
  explicit TestFiles(FilesKind kind);
  ~TestFiles();
  TestFiles(const TestFiles&) = delete;
  TestFiles& operator=(const TestFiles&) = delete;
  // The in-memory file system, or null on the disk.
  MemoryFileSystem* memory() const { return memory_.get(); }

 private:
  std::unique_ptr<MemoryFileSystem> memory_;
};

// The in-memory file system installed now, or null when the tests run on the disk.
MemoryFileSystem* MemoryFiles();

// Resets the recorded platform output, the memory failure controls and the alert arming.
void ResetCoreState();

// A fresh folder under the system's temporary folder, named after the running test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder's path with a trailing "/", as the directory table keeps folder paths.
  std::string folderPath() const { return path_.string() + "/"; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Base fixture: every test starts with a clean headless platform.
class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetCoreState(); }
  void TearDown() override { ResetCoreState(); }
  HeadlessPlatform& platform() { return DefaultHeadlessPlatform(); }
};

// File helpers for set-up and checks; they work on the file system installed now.
std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);
void MakeFolders(const std::filesystem::path& path);
bool PathExists(const std::filesystem::path& path);
bool IsFolderPath(const std::filesystem::path& path);
// The file's size, -1 when there is none.
int64_t FileSize(const std::filesystem::path& path);
void RemoveFile(const std::filesystem::path& path);
void RemoveTree(const std::filesystem::path& path);
void RenamePath(const std::filesystem::path& from, const std::filesystem::path& to);
// Sets or clears the read-only attribute (on the disk: every write permission bit).
void SetReadOnly(const std::filesystem::path& path, bool readOnly);

}  // namespace tlv::test
