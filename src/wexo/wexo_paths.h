// Where the message library keeps its registrations: one folder per user, holding for each
// registered signature a lock file and a socket, and "loaded.lock", held shared by every
// process that has a registration. Header-only, so that a program can find the folder (and ask
// whether any program has the library loaded) before it has chosen which copy to load.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace tlv::wexo {

inline constexpr const char* kRuntimeFolderVariable = "WEXO_RUNTIME_DIR";
inline constexpr const char* kLoadedLockName = "loaded.lock";
inline constexpr size_t kSignatureLength = 4;

// $WEXO_RUNTIME_DIR, else $XDG_RUNTIME_DIR/WEXO_32, else /tmp/WEXO_32-<uid>. Empty variables
// count as unset.
inline std::string RuntimeFolder() {
  const char* own = std::getenv(kRuntimeFolderVariable);
  if (own != nullptr && *own != '\0') return own;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/WEXO_32";
  return "/tmp/WEXO_32-" + std::to_string(static_cast<unsigned long>(::geteuid()));
}

// Only a real folder (not a link to one) of this user, readable by nobody else, may hold the
// sockets: anyone who could write there could plant a socket that receives another program's
// messages.
inline bool IsSafeFolder(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

// A signature is any four bytes but NUL; its files are named by the bytes in hexadecimal, so
// blanks and slashes in signatures ("MAP ", "A/B1") make harmless names.
inline bool IsSignature(const char* signature) {
  if (signature == nullptr) return false;
  for (size_t i = 0; i < kSignatureLength; ++i) {
    if (signature[i] == '\0') return false;
  }
  return signature[kSignatureLength] == '\0';
}

inline std::string SignatureFileStem(std::string_view signature) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string stem;
  for (const char c : signature) {
    const auto byte = static_cast<unsigned char>(c);
    stem += kDigits[byte >> 4];
    stem += kDigits[byte & 0x0F];
  }
  return stem;
}

inline std::string LockPath(const std::string& folder, std::string_view signature) {
  return folder + "/" + SignatureFileStem(signature) + ".lock";
}

inline std::string SocketPath(const std::string& folder, std::string_view signature) {
  return folder + "/" + SignatureFileStem(signature) + ".sock";
}

inline std::string LoadedLockPath(const std::string& folder) {
  return folder + "/" + kLoadedLockName;
}

}  // namespace tlv::wexo
