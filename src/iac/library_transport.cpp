#include "iac/library_transport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "wexo/wexo_paths.h"

namespace tlv {

int32_t LibraryTransport::Load(const std::string& path) {
  return library_.Open(path);
}

bool LibraryTransport::LibraryInUse() {
  const std::string folder = wexo::RuntimeFolder();
  // A folder that is not safe is not used by any library either; nothing is made here.
  if (!wexo::IsSafeFolder(folder)) return false;
  const int fd = ::open(wexo::LoadedLockPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  // Every process with a registration holds the lock shared, so an exclusive try fails exactly
  // while one lives. The lock is let go at once.
  bool inUse = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
  } else {
    inUse = errno == EWOULDBLOCK;
  }
  ::close(fd);
  return inUse;
}

std::optional<int32_t> LibraryTransport::Register(const char* signature, NEWindow* window,
                                                  const char* name, const char* executablePath,
                                                  int32_t notifyMessage) {
  const auto proc = Find<NERegisterProc>("NERegister");
  if (proc == nullptr) return std::nullopt;
  return proc(signature, window, name, 0, name, 0, executablePath, notifyMessage, 0, 0);
}

std::optional<int32_t> LibraryTransport::Bye(const char* signature, NEWindow* window,
                                             const char* name) {
  const auto proc = Find<NEByeProc>("NEBye");
  if (proc == nullptr) return std::nullopt;
  return proc(signature, window, name, 0);
}

std::optional<int32_t> LibraryTransport::SendMessage(const char* target, const char* envelope,
                                                     const char* senderName) {
  const auto proc = Find<NESendMessageProc>("NESendMessage");
  if (proc == nullptr) return std::nullopt;
  return proc(target, envelope, 0, senderName, 0);
}

std::optional<int32_t> LibraryTransport::AppIsRunning(const char* signature) {
  const auto proc = Find<NEAppIsRunningProc>("NEAppIsRunning");
  if (proc == nullptr) return std::nullopt;
  return proc(signature);
}

std::optional<int32_t> LibraryTransport::GetNextMessageLength(const char* signature) {
  const auto proc = Find<NEGetNextMessageLengthProc>("NEGetNextMessageLength");
  if (proc == nullptr) return std::nullopt;
  return proc(signature);
}

std::optional<int32_t> LibraryTransport::GetNextMessage(const char* signature, char* buffer,
                                                        int32_t length) {
  const auto proc = Find<NEGetNextMessageProc>("NEGetNextMessage");
  if (proc == nullptr) return std::nullopt;
  return proc(signature, buffer, length);
}

}  // namespace tlv
