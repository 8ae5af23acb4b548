// What the message-library tests share: the library loaded with dlopen exactly as the program
// loads it, a recorder for the notices it posts, envelope and frame bytes written out literally,
// and a bare socket client that speaks the frame format without the library.
#pragma once

#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "wexo/wexo_api.h"

namespace tlv::test {

struct WexoProcedures {
  NERegisterProc Register = nullptr;
  NEByeProc Bye = nullptr;
  NESendMessageProc Send = nullptr;
  NEAppIsRunningProc IsRunning = nullptr;
  NEGetNextMessageLengthProc NextLength = nullptr;
  NEGetNextMessageProc Next = nullptr;
};

// The built libWEXO_32.so, loaded once for the test program and never unloaded, as in tolvane.
inline const WexoProcedures& Wexo() {
  static const WexoProcedures procedures = [] {
    WexoProcedures found;
    void* handle = ::dlopen(WEXO_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return found;
    found.Register = reinterpret_cast<NERegisterProc>(::dlsym(handle, "NERegister"));
    found.Bye = reinterpret_cast<NEByeProc>(::dlsym(handle, "NEBye"));
    found.Send = reinterpret_cast<NESendMessageProc>(::dlsym(handle, "NESendMessage"));
    found.IsRunning = reinterpret_cast<NEAppIsRunningProc>(::dlsym(handle, "NEAppIsRunning"));
    found.NextLength =
        reinterpret_cast<NEGetNextMessageLengthProc>(::dlsym(handle, "NEGetNextMessageLength"));
    found.Next = reinterpret_cast<NEGetNextMessageProc>(::dlsym(handle, "NEGetNextMessage"));
    return found;
  }();
  return procedures;
}

// Keeps what the library posts from its own thread.
class NoticeRecorder {
 public:
  struct Notice {
    int32_t message;
    int64_t wParam;
    int64_t lParam;
  };

  NEWindow window{&NoticeRecorder::Post, this};

  // Waits until at least count notices came; false after the timeout.
  bool WaitFor(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return notices_.size() >= count; });
  }
  std::vector<Notice> notices() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notices_;
  }

 private:
  static int Post(void* context, int32_t message, int64_t wParam, int64_t lParam) {
    auto* self = static_cast<NoticeRecorder*>(context);
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->notices_.push_back({message, wParam, lParam});
    }
    self->arrived_.notify_all();
    return 1;
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Notice> notices_;
};

// "MSSG" code "SIGN" sign "PSIG" sign "XTRA" "" and the pairs, separated by 0x0B.
inline std::string Envelope(std::string_view code, std::string_view sign = "TEST",
                            const std::vector<std::pair<std::string, std::string>>& pairs = {}) {
  std::string envelope = "MSSG\x0B" + std::string(code) + "\x0BSIGN\x0B" + std::string(sign) +
                         "\x0BPSIG\x0B" + std::string(sign) + "\x0BXTRA\x0B";
  for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
  return envelope;
}

// A frame header: "WEXO", the kind, three zero bytes, the big-endian length.
inline std::string FrameHeader(uint8_t kind, uint32_t length) {
  std::string header = "WEXO";
  header += static_cast<char>(kind);
  header += std::string(3, '\0');
  for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>(length >> shift);
  return header;
}

inline std::string MessageFrame(std::string_view envelope) {
  return FrameHeader(1, static_cast<uint32_t>(envelope.size())) + std::string(envelope);
}

// A connection to a registration's socket that writes whatever bytes a test gives it.
class RawClient {
 public:
  static constexpr int kClosed = -1;
  static constexpr int kSilent = -2;

  explicit RawClient(const std::filesystem::path& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 &&
        ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  bool Write(std::string_view bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  void EndWriting() { ::shutdown(fd_, SHUT_WR); }
  // The next answer byte; kClosed when the receiver closed the connection, kSilent when nothing
  // came within the timeout.
  int Answer(std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0) return kSilent;
    unsigned char answer = 0;
    return ::recv(fd_, &answer, 1, 0) == 1 ? answer : kClosed;
  }

 private:
  int fd_ = -1;
};

// Polls condition every few milliseconds until it holds or the timeout passes.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace tlv::test
