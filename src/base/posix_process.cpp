// platform::Process on posix_spawn: a helper program started in a session of its own, so that
// it has no terminal and its whole group can be signalled, with only the three standard
// descriptors open.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "base/platform.h"

extern char** environ;

namespace tlv::platform {

namespace {

int32_t StatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Owns the spawn attribute and file-action records for one start.
struct SpawnSetup {
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

Process::~Process() {
  Release();
}

Process::Process(Process&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      exitStatus_(std::exchange(other.exitStatus_, -1)),
      startError_(std::move(other.startError_)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Release();
    pid_ = std::exchange(other.pid_, -1);
    exitStatus_ = std::exchange(other.exitStatus_, -1);
    startError_ = std::move(other.startError_);
  }
  return *this;
}

void Process::Release() {
  if (pid_ > 0 && Running()) {
    Kill();
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
}

int32_t Process::Start(const ProcessOptions& options) {
  Release();
  exitStatus_ = -1;
  startError_.clear();
  if (options.argv.empty() || options.argv[0].empty()) {
    startError_ = "no program given";
    return -1;
  }
  // posix_spawn reports a failed exec only as the child's exit; checking first gives the reason.
  std::string program = options.argv[0];
  if (program[0] != '/' && !options.workingFolder.empty()) {
    std::string folder = options.workingFolder;
    if (folder.back() != '/') folder += '/';
    program = folder + program;
  }
  struct stat info {};
  if (::stat(program.c_str(), &info) != 0) {
    startError_ = program + ": " + std::strerror(errno);
    return -1;
  }
  if (!S_ISREG(info.st_mode) || ::access(program.c_str(), X_OK) != 0) {
    startError_ = program + ": not an executable file";
    return -1;
  }

  SpawnSetup setup;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  const char* output = options.outputPath.empty() ? "/dev/null" : options.outputPath.c_str();
  posix_spawn_file_actions_addopen(&setup.actions, 1, output, O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&setup.actions, 1, 2);
  posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
  if (!options.workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&setup.actions, options.workingFolder.c_str());
  }

  std::vector<std::string> arguments = options.argv;
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, arguments[0].c_str(), &setup.actions, &setup.attributes,
                                    argv.data(), environ);
  if (spawned != 0) {
    startError_ = program + ": " + std::strerror(spawned);
    return -1;
  }
  pid_ = pid;
  return 0;
}

bool Process::Running() {
  if (pid_ <= 0 || exitStatus_ >= 0) return false;
  int status = 0;
  pid_t got = 0;
  do {
    got = ::waitpid(pid_, &status, WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return true;
  exitStatus_ = got == pid_ ? StatusOf(status) : 128;
  return false;
}

void Process::AskToEnd() {
  if (Running()) ::kill(-pid_, SIGTERM);
}

void Process::Kill() {
  if (Running()) ::kill(-pid_, SIGKILL);
}

int32_t Process::WaitForExit(int32_t pollMilliseconds, const std::function<bool()>& cancel,
                             int32_t graceMilliseconds, const std::function<void()>& between) {
  const auto poll = std::chrono::milliseconds(pollMilliseconds > 0 ? pollMilliseconds : 1);
  while (Running()) {
    if (cancel && cancel()) {
      AskToEnd();
      const auto until =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMilliseconds);
      while (Running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (Running()) {
        ::kill(-pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        exitStatus_ = StatusOf(status);
      }
      return -2;
    }
    std::this_thread::sleep_for(poll);
    if (between) between();
  }
  return 0;
}

}  // namespace tlv::platform
