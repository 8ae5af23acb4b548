#include "base/dynamic_library.h"

#include <dlfcn.h>

#include <utility>

#include "base/errors.h"
#include "base/files.h"

namespace tlv {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), loadError_(std::move(other.loadError_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    loadError_ = std::move(other.loadError_);
  }
  return *this;
}

int32_t DynamicLibrary::Open(const std::string& path) {
  Close();
  loadError_.clear();
  if (path.empty() || !FileExists(path)) {
    loadError_ = "no such file: " + path;
    return kErrFileNotFound;
  }
  // dlopen searches the library path for a bare name; "./" keeps it to the file meant.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    loadError_ = why != nullptr ? why : "the library could not be loaded";
    return kErrGeneral;
  }
  return 0;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return ::dlsym(handle_, name);
}

void DynamicLibrary::Close() {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace tlv
