// The fuzz targets run on the file system in memory: no disk I/O per input, nothing left behind,
// and the same faults the tests use are at hand.
#pragma once

#include <cstddef>
#include <string>

#include "base/files.h"
#include "base/memory_files.h"

namespace tlv::fuzz {

// Installed on first use and kept for the run.
inline MemoryFileSystem& FuzzFiles() {
  static MemoryFileSystem* files = [] {
    auto* made = new MemoryFileSystem;
    InstallFileSystem(made);
    return made;
  }();
  return *files;
}

// Makes the folder and every missing folder above it.
inline void MakeFolders(const std::string& path) {
  std::string built;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    built += path.substr(pos, slash - pos) + "/";
    if (built != "/") FuzzFiles().MakeFolder(built);
    pos = slash + 1;
  }
}

// The files as they stand now, to go back to at the end of every input: what an input wrote is
// freed within that input, so the fuzzer does not take it for a leak and scan for one.
inline const MemoryFileSystem::Snapshot& StartOfInput() {
  static const MemoryFileSystem::Snapshot start = FuzzFiles().Save();
  return start;
}
inline void EndOfInput() {
  FuzzFiles().Restore(StartOfInput());
}

// Writes a whole file (made when missing).
inline void PutFile(const std::string& path, const void* data, size_t size) {
  PathStatus status;
  if (FuzzFiles().Status(path, status) != 0) FuzzFiles().Create(path);
  PlatformFile file;
  if (FuzzFiles().Open(path, FileAccess::kReadWrite, file) != 0) return;
  file.SetLength(0);
  file.Write(0, static_cast<int32_t>(size), data);
}

}  // namespace tlv::fuzz
