// Shared fixtures: the headless platform reset for each test and a temporary folder named after
// the test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/headless_platform.h"

namespace tlv::test {

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

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tlv::test
