#include "wexo/wexo_library.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "wexo/wexo_frame.h"
#include "wexo/wexo_paths.h"

namespace tlv::wexo {

namespace {

using Clock = std::chrono::steady_clock;

// Tries a non-blocking flock this many times, a few milliseconds apart: another process may
// hold the lock for an instant while it asks whether a signature is registered.
constexpr int kLockTries = 20;
constexpr auto kLockPause = std::chrono::milliseconds(5);
// Targets whose connections are kept; beyond this the idle ones are closed.
constexpr size_t kMaxKeptTargets = 64;
// Internal result of a socket exchange: the other side closed the connection.
constexpr int32_t kPeerGone = -1;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

struct Connection {
  UniqueFd fd;
  FrameReader reader;
  Clock::time_point deadline;
  bool open = true;
};

struct Registration {
  // Declared first so that it is released last: while it is held, the socket is ours to remove.
  UniqueFd lockFd;
  UniqueFd listenFd;
  std::string signature;
  std::string socketPath;
  NEWindow* window = nullptr;
  int32_t notifyMessage = 0;
  std::atomic<bool> ended{false};
  // Guarded by the library's mutex.
  std::deque<std::string> queue;
  size_t queuedBytes = 0;
  // Touched only by the serving thread.
  std::vector<std::unique_ptr<Connection>> connections;
};

// A target this process sends to, with the connection kept open between messages.
struct Target {
  std::mutex mutex;
  UniqueFd fd;
};

struct LibraryState {
  ~LibraryState() { Stop(); }
  void Stop();

  std::mutex mutex;
  std::condition_variable served;
  std::map<std::string, std::shared_ptr<Registration>> registrations;
  // Bumped whenever a registration leaves; the serving thread copies it each time it takes in
  // the list, so a leaving registration knows when the thread has let go of it.
  uint64_t generation = 0;
  uint64_t servedGeneration = 0;
  bool stopping = false;
  std::thread server;
  std::thread::id serverId;
  UniqueFd wakeFd;
  UniqueFd loadedLockFd;

  std::mutex targetsMutex;
  std::map<std::string, std::shared_ptr<Target>> targets;
};

LibraryState gState;
std::atomic<PeerUidHook> gPeerUidHook{nullptr};

// 0 locked, kNERegisterAlreadyRegistered while someone else holds it, else kNERegisterIOError.
int32_t LockWithRetries(int fd, int operation) {
  for (int attempt = 0; attempt < kLockTries; ++attempt) {
    if (::flock(fd, operation | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK && errno != EINTR) return kNERegisterIOError;
    std::this_thread::sleep_for(kLockPause);
  }
  return kNERegisterAlreadyRegistered;
}

int64_t SignatureNumber(const std::string& signature) {
  uint32_t number = 0;
  for (const char c : signature) number = (number << 8) | static_cast<unsigned char>(c);
  return number;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int RemainingMilliseconds(Clock::time_point deadline) {
  // Rounded up, so a wait never ends just before its deadline and spins.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left, 60000));
}

void Wake(LibraryState& state) {
  if (!state.wakeFd) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(state.wakeFd.get(), &one, sizeof one);
}

// --- The serving thread ---

// Tells the registration's window that an envelope waits. Called on the serving thread without
// the mutex, so the window may call back into the library; never after the registration ended.
void PostNotice(const Registration& registration, int64_t waiting) {
  if (registration.ended.load() || registration.window == nullptr ||
      registration.window->post == nullptr) {
    return;
  }
  registration.window->post(registration.window->context, registration.notifyMessage,
                            SignatureNumber(registration.signature), waiting);
}

bool SendAnswer(int fd, uint8_t answer) {
  return ::send(fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
}

// Queues a whole frame's envelope and gives the answer byte. The notice goes out before the
// answer: the receiving program can start fetching while the sender is still being told.
uint8_t TakeFrame(LibraryState& state, Registration& registration, FrameReader& reader) {
  if (reader.kind() == kFramePing) return kAnswerQueued;
  if (CheckEnvelope(reader.envelope()) != kAnswerQueued) return kAnswerMalformed;
  std::string envelope = reader.TakeEnvelope();
  int64_t waiting = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (registration.queue.size() >= kMaxQueuedEnvelopes ||
        registration.queuedBytes + envelope.size() > kMaxQueuedBytes) {
      return kAnswerQueueFull;
    }
    registration.queuedBytes += envelope.size();
    registration.queue.push_back(std::move(envelope));
    waiting = static_cast<int64_t>(registration.queue.size());
  }
  PostNotice(registration, waiting);
  return kAnswerQueued;
}

// Reads what the connection has; false when it is to be closed. Each read takes what is there,
// and every frame in it is answered before the next read.
bool ServeConnection(LibraryState& state, Registration& registration, Connection& connection) {
  static thread_local std::vector<uint8_t> buffer(256 * 1024);
  FrameReader& reader = connection.reader;
  // A bounded number of reads per turn, so one busy sender cannot starve the others.
  for (int turn = 0; turn < 64; ++turn) {
    const ssize_t got = ::recv(connection.fd.get(), buffer.data(), buffer.size(), 0);
    if (got == 0) return false;  // closed, perhaps in the middle of a frame: nothing is queued
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    size_t used = 0;
    while (used < static_cast<size_t>(got)) {
      if (!reader.InFrame()) {
        connection.deadline = Clock::now() + std::chrono::milliseconds(kDeadlineMilliseconds);
      }
      const size_t take = std::min(reader.Wanted(), static_cast<size_t>(got) - used);
      const FrameReader::Step step = reader.Feed(buffer.data() + used, take);
      used += take;
      if (step == FrameReader::Step::kRefused) {
        SendAnswer(connection.fd.get(), reader.refusal());
        return false;
      }
      if (step == FrameReader::Step::kFrame) {
        const uint8_t answer = TakeFrame(state, registration, reader);
        reader.Reset();
        if (!SendAnswer(connection.fd.get(), answer)) return false;
      }
    }
    // A short read emptied the socket; poll tells when more comes.
    if (static_cast<size_t>(got) < buffer.size()) return true;
  }
  return true;
}

void AcceptConnections(Registration& registration) {
  const uid_t self = ::geteuid();
  for (int turn = 0; turn < 64; ++turn) {
    UniqueFd fd(
        ::accept4(registration.listenFd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) return;
    // Another user's process may not hand messages to this one; it is closed unread.
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) continue;
    const PeerUidHook hook = gPeerUidHook.load();
    const uid_t peer = hook != nullptr ? hook(credentials.uid) : credentials.uid;
    if (peer != self) continue;
    if (registration.connections.size() >= kMaxConnections) continue;
    auto connection = std::make_unique<Connection>();
    connection->fd = std::move(fd);
    registration.connections.push_back(std::move(connection));
  }
}

void Serve(LibraryState& state) {
  std::vector<std::shared_ptr<Registration>> serving;
  std::vector<pollfd> polled;
  while (true) {
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      if (state.stopping) break;
      serving.clear();
      for (const auto& entry : state.registrations) serving.push_back(entry.second);
      state.servedGeneration = state.generation;
    }
    state.served.notify_all();

    polled.clear();
    polled.push_back({state.wakeFd.get(), POLLIN, 0});
    auto timeout = Clock::time_point::max();
    for (const auto& registration : serving) {
      polled.push_back({registration->listenFd.get(), POLLIN, 0});
      for (const auto& connection : registration->connections) {
        polled.push_back({connection->fd.get(), POLLIN, 0});
        if (connection->reader.InFrame()) timeout = std::min(timeout, connection->deadline);
      }
    }
    const int wait = timeout == Clock::time_point::max() ? -1 : RemainingMilliseconds(timeout);
    if (::poll(polled.data(), polled.size(), wait) < 0 && errno != EINTR) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (polled[0].revents != 0) {
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(state.wakeFd.get(), &count, sizeof count);
    }

    const auto now = Clock::now();
    size_t index = 1;
    for (const auto& registration : serving) {
      const bool listening = polled[index++].revents != 0;
      for (const auto& connection : registration->connections) {
        const short events = polled[index++].revents;
        if (events != 0) {
          connection->open = ServeConnection(state, *registration, *connection);
        } else if (connection->reader.InFrame() && now >= connection->deadline) {
          connection->open = false;  // a frame stalled past its deadline
        }
      }
      std::erase_if(registration->connections, [](const auto& c) { return !c->open; });
      if (listening) AcceptConnections(*registration);
    }
  }
  serving.clear();
}

// Starts the serving thread if it is not running; the caller holds the mutex.
bool StartServing(LibraryState& state) {
  if (state.server.joinable()) return true;
  if (!state.wakeFd) state.wakeFd.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!state.wakeFd) return false;
  try {
    state.server = std::thread([&state] { Serve(state); });
  } catch (const std::system_error&) {
    return false;
  }
  state.serverId = state.server.get_id();
  return true;
}

void LibraryState::Stop() {
  std::map<std::string, std::shared_ptr<Registration>> leaving;
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    leaving.swap(registrations);
  }
  Wake(*this);
  if (server.joinable()) {
    // The process may end from inside a notice; the thread cannot wait for itself.
    if (std::this_thread::get_id() == serverId) {
      server.detach();
    } else {
      server.join();
    }
  }
  for (auto& entry : leaving) {
    entry.second->ended = true;
    ::unlink(entry.second->socketPath.c_str());
  }
  leaving.clear();
  {
    std::lock_guard<std::mutex> lock(targetsMutex);
    targets.clear();
  }
  std::lock_guard<std::mutex> lock(mutex);
  loadedLockFd.Reset();
  stopping = false;
}

// --- Registering ---

int32_t MakeFolder(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    if (errno != ENOENT) return kNERegisterIOError;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return kNERegisterIOError;
  }
  return IsSafeFolder(folder) ? 0 : kNERegisterUnsafeFolder;
}

int32_t Listen(const std::string& path, UniqueFd& fd) {
  sockaddr_un address{};
  if (!FillAddress(path, address)) return kNERegisterPathTooLong;
  fd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd) return kNERegisterIOError;
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return kNERegisterIOError;
  }
  if (::listen(fd.get(), SOMAXCONN) != 0) {
    ::unlink(path.c_str());
    return kNERegisterIOError;
  }
  return 0;
}

// --- Sending ---

int32_t Connect(const std::string& path, Clock::time_point deadline, UniqueFd& fd) {
  sockaddr_un address{};
  if (!FillAddress(path, address)) return kNESendNotRegistered;
  fd.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd) return kNESendIOError;
  while (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno == EINTR) continue;
    // A full backlog: the target is busy, not gone.
    if (errno == EAGAIN) {
      if (Clock::now() >= deadline) return kNESendTimeout;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    fd.Reset();
    return errno == ENOENT || errno == ECONNREFUSED ? kNESendNotRegistered : kNESendIOError;
  }
  return 0;
}

int32_t WaitFor(int fd, short events, Clock::time_point deadline) {
  while (true) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, RemainingMilliseconds(deadline));
    if (ready > 0) return 0;
    if (ready == 0) return kNESendTimeout;
    if (errno != EINTR) return kNESendIOError;
  }
}

// Writes the frame header and envelope, then reads the answer byte.
int32_t Exchange(int fd, const uint8_t* header, std::string_view envelope,
                 Clock::time_point deadline, uint8_t& answer) {
  iovec pieces[2] = {{const_cast<uint8_t*>(header), kFrameHeaderSize},
                     {const_cast<char*>(envelope.data()), envelope.size()}};
  size_t first = 0;
  while (first < 2) {
    msghdr message{};
    message.msg_iov = pieces + first;
    message.msg_iovlen = 2 - first;
    const ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (const int32_t waited = WaitFor(fd, POLLOUT, deadline); waited != 0) return waited;
        continue;
      }
      return errno == EPIPE || errno == ECONNRESET ? kPeerGone : kNESendIOError;
    }
    size_t left = static_cast<size_t>(sent);
    while (first < 2 && left >= pieces[first].iov_len) left -= pieces[first++].iov_len;
    if (first < 2) {
      pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + left;
      pieces[first].iov_len -= left;
    }
  }
  while (true) {
    // The answer cannot be there yet: wait first, then read.
    if (const int32_t waited = WaitFor(fd, POLLIN, deadline); waited != 0) return waited;
    const ssize_t got = ::recv(fd, &answer, 1, 0);
    if (got == 1) return 0;
    if (got == 0) return kPeerGone;
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    return errno == ECONNRESET ? kPeerGone : kNESendIOError;
  }
}

std::shared_ptr<Target> TargetFor(LibraryState& state, const std::string& socketPath) {
  std::lock_guard<std::mutex> lock(state.targetsMutex);
  auto& target = state.targets[socketPath];
  if (!target) {
    if (state.targets.size() > kMaxKeptTargets) {
      std::erase_if(state.targets, [](const auto& entry) {
        return entry.second && entry.second.use_count() == 1;
      });
    }
    target = std::make_shared<Target>();
  }
  return target;
}

// Whether a target may be looked for in the folder: 0, or the send result when there is no
// folder (nobody registered) or it is not this user's private one.
int32_t CheckTargetFolder(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return kNESendNotRegistered;
  return IsSafeFolder(folder) ? 0 : kNESendIOError;
}

}  // namespace

int32_t Register(const char* signature, NEWindow* window, int32_t notifyMessage) {
  if (!IsSignature(signature)) return kNERegisterBadArgument;
  const std::string folder = RuntimeFolder();
  const std::string socketPath = SocketPath(folder, signature);
  // Checked before anything is made, so a refused registration leaves nothing behind.
  sockaddr_un address{};
  if (!FillAddress(socketPath, address)) return kNERegisterPathTooLong;
  if (const int32_t made = MakeFolder(folder); made != 0) return made;

  LibraryState& state = gState;
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.registrations.count(signature) != 0) return kNERegisterAlreadyRegistered;
  auto registration = std::make_shared<Registration>();
  registration->signature = signature;
  registration->socketPath = socketPath;
  registration->window = window;
  registration->notifyMessage = notifyMessage;
  registration->lockFd.Reset(
      ::open(LockPath(folder, signature).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!registration->lockFd) return kNERegisterIOError;
  // The lock is the registration: a crashed holder's lock goes with its process.
  if (const int32_t locked = LockWithRetries(registration->lockFd.get(), LOCK_EX); locked != 0) {
    return locked;
  }
  // Holding the lock, any socket left here belongs to a registration that is gone.
  ::unlink(socketPath.c_str());
  if (const int32_t listening = Listen(socketPath, registration->listenFd); listening != 0) {
    return listening;
  }
  const bool first = state.registrations.empty();
  if (first && !state.loadedLockFd) {
    UniqueFd loaded(
        ::open(LoadedLockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!loaded || LockWithRetries(loaded.get(), LOCK_SH) != 0) {
      ::unlink(socketPath.c_str());
      return kNERegisterIOError;
    }
    state.loadedLockFd = std::move(loaded);
  }
  if (!StartServing(state)) {
    ::unlink(socketPath.c_str());
    if (first) state.loadedLockFd.Reset();
    return kNERegisterIOError;
  }
  state.registrations[signature] = std::move(registration);
  Wake(state);
  return 0;
}

int32_t Bye(const char* signature) {
  if (!IsSignature(signature)) return 1;
  LibraryState& state = gState;
  std::shared_ptr<Registration> leaving;
  {
    std::unique_lock<std::mutex> lock(state.mutex);
    const auto found = state.registrations.find(signature);
    if (found == state.registrations.end()) return 1;
    leaving = std::move(found->second);
    state.registrations.erase(found);
    leaving->ended = true;
    // Removed while the lock is still held, so it cannot be a newer registration's socket.
    ::unlink(leaving->socketPath.c_str());
    if (state.registrations.empty()) state.loadedLockFd.Reset();
    const uint64_t generation = ++state.generation;
    Wake(state);
    // From inside a notice the serving thread lets go of the registration by itself at its
    // next turn; anywhere else, wait until it has, so no notice follows this return.
    if (std::this_thread::get_id() != state.serverId && state.server.joinable()) {
      state.served.wait(lock, [&] { return state.servedGeneration >= generation; });
    }
  }
  return 0;
}

int32_t Send(const char* target, const char* envelope) {
  if (!IsSignature(target) || envelope == nullptr) return kNESendBadArgument;
  const size_t length = ::strnlen(envelope, size_t{kMaxEnvelopeLength} + 1);
  if (length > kMaxEnvelopeLength) return kNESendTooLong;
  const std::string_view view(envelope, length);
  if (CheckEnvelope(view) != kAnswerQueued) return kNESendMalformed;
  const std::string folder = RuntimeFolder();
  const std::string path = SocketPath(folder, target);
  const std::shared_ptr<Target> kept = TargetFor(gState, path);
  std::lock_guard<std::mutex> lock(kept->mutex);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kDeadlineMilliseconds);
  uint8_t header[kFrameHeaderSize];
  EncodeFrameHeader(kFrameMessage, static_cast<uint32_t>(length), header);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool reused = static_cast<bool>(kept->fd);
    if (!reused) {
      // The folder is checked for each new connection; a kept one was checked when it was made.
      if (const int32_t checked = CheckTargetFolder(folder); checked != 0) return checked;
      if (const int32_t connected = Connect(path, deadline, kept->fd); connected != 0) {
        return connected;
      }
    }
    uint8_t answer = 0;
    const int32_t exchanged = Exchange(kept->fd.get(), header, view, deadline, answer);
    if (exchanged == 0) {
      switch (answer) {
        case kAnswerQueued:
        case kAnswerQueueFull:
        case kAnswerMalformed:
          return answer;
        case kAnswerTooLong:
          kept->fd.Reset();  // the receiver closes after refusing a length
          return kNESendTooLong;
        default:
          kept->fd.Reset();
          return kNESendIOError;
      }
    }
    kept->fd.Reset();
    // A kept connection closed before any answer came (the target ended or registered anew
    // since): nothing was queued, so it is safe to try once more on a fresh connection.
    if (exchanged != kPeerGone || !reused) {
      return exchanged == kPeerGone ? kNESendIOError : exchanged;
    }
  }
  return kNESendIOError;
}

int32_t IsRunning(const char* signature) {
  if (!IsSignature(signature)) return 0;
  {
    std::lock_guard<std::mutex> lock(gState.mutex);
    if (gState.registrations.count(signature) != 0) return 1;
  }
  const std::string folder = RuntimeFolder();
  if (!IsSafeFolder(folder)) return 0;
  UniqueFd lockFd(::open(LockPath(folder, signature).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!lockFd) return 0;
  // A shared lock is granted only when nobody holds the registration.
  if (::flock(lockFd.get(), LOCK_SH | LOCK_NB) == 0) return 0;
  if (errno != EWOULDBLOCK) return 0;
  // The holder must also answer: a process stopped in a debugger holds its lock but serves
  // nothing.
  const auto deadline = Clock::now() + std::chrono::milliseconds(kDeadlineMilliseconds);
  UniqueFd fd;
  if (Connect(SocketPath(folder, signature), deadline, fd) != 0) return 0;
  uint8_t header[kFrameHeaderSize];
  EncodeFrameHeader(kFramePing, 0, header);
  uint8_t answer = 0xFF;
  return Exchange(fd.get(), header, {}, deadline, answer) == 0 && answer == kAnswerQueued ? 1 : 0;
}

int32_t NextLength(const char* signature) {
  if (!IsSignature(signature)) return 0;
  std::lock_guard<std::mutex> lock(gState.mutex);
  const auto found = gState.registrations.find(signature);
  if (found == gState.registrations.end() || found->second->queue.empty()) return 0;
  return static_cast<int32_t>(found->second->queue.front().size());
}

int32_t Next(const char* signature, char* buffer, int32_t length) {
  if (!IsSignature(signature) || buffer == nullptr || length < 0) return 0;
  std::lock_guard<std::mutex> lock(gState.mutex);
  const auto found = gState.registrations.find(signature);
  if (found == gState.registrations.end() || found->second->queue.empty()) return 0;
  Registration& registration = *found->second;
  const std::string& envelope = registration.queue.front();
  const auto room = static_cast<size_t>(length);
  if (room < envelope.size()) return 0;
  std::memcpy(buffer, envelope.data(), envelope.size());
  if (room > envelope.size()) buffer[envelope.size()] = '\0';
  registration.queuedBytes -= envelope.size();
  registration.queue.pop_front();
  return 1;
}

void Shutdown() {
  gState.Stop();
}

void SetPeerUidHookForTesting(PeerUidHook hook) {
  gPeerUidHook = hook;
}

}  // namespace tlv::wexo
