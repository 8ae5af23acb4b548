#include "support/test_support.h"

#include <fstream>
#include <sstream>

#include "app/wiring.h"
#include "base/errors.h"
#include "base/memory.h"

namespace tlv::test {

void ResetCoreState() {
  ResetAllForTesting();
  DefaultHeadlessPlatform().Reset();
  InstallPlatform(nullptr);
  ResetMemoryFailuresForTesting();
  ArmAlerts();
}

TempFolder::TempFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "tolvane";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = std::filesystem::temp_directory_path() / ("tolvane-test-" + name);
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tlv::test
