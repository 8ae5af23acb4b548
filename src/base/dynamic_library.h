// A shared library loaded at run time, owned for as long as the object lives. The program finds
// the procedures of libraries it never links (the message library) by name, right before each
// call, so a library replaced or stripped of a procedure is noticed where it matters.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { Close(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

  // Loads the file at path (closing what was loaded before). A path without "/" is taken
  // relative to the current folder, never searched for in the system's library folders.
  // 0 loaded; kErrFileNotFound when there is no such file; kErrGeneral when the loader refused
  // it (LoadError() says why).
  int32_t Open(const std::string& path);
  bool IsOpen() const { return handle_ != nullptr; }
  // The address of the named procedure; null when it is missing or nothing is loaded.
  void* Symbol(const char* name) const;
  // Unloads the library (nothing when nothing is loaded).
  void Close();
  const std::string& LoadError() const { return loadError_; }

 private:
  void* handle_ = nullptr;
  std::string loadError_;
};

}  // namespace tlv
