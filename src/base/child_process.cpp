#include "base/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace tlv {

namespace {

// Children started and not collected yet. Only the user-interface thread starts and reaps.
std::vector<pid_t>& Children() {
  static std::vector<pid_t> children;
  return children;
}

// Owns the spawn attributes and file actions for the length of one start.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
};

}  // namespace

int32_t StartDetachedProcess(const std::vector<std::string>& argv, const std::string& workingFolder,
                             pid_t& pid) {
  pid = -1;
  ReapEndedProcesses();
  if (argv.empty() || argv[0].empty()) return EINVAL;
  SpawnSetup setup;
  // The child changes folder on its own; the program's folder never moves, not even briefly.
  if (!workingFolder.empty()) {
    if (const int err = posix_spawn_file_actions_addchdir_np(&setup.actions, workingFolder.c_str());
        err != 0) {
      return err;
    }
  }
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  std::vector<std::string> arguments = argv;
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t child = -1;
  const int err = ::posix_spawn(&child, arguments[0].c_str(), &setup.actions, &setup.attributes,
                                pointers.data(), environ);
  if (err != 0) return err;
  Children().push_back(child);
  pid = child;
  return 0;
}

void ReapEndedProcesses() {
  std::vector<pid_t>& children = Children();
  children.erase(std::remove_if(children.begin(), children.end(),
                                [](pid_t child) {
                                  int status = 0;
                                  const pid_t got = ::waitpid(child, &status, WNOHANG);
                                  // ECHILD: someone else collected it; either way it is gone.
                                  return got == child || (got < 0 && errno == ECHILD);
                                }),
                 children.end());
}

size_t UnreapedProcessCount() {
  return Children().size();
}

std::string ExecutablePath() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return "";
  path.resize(static_cast<size_t>(n));
  return path;
}

}  // namespace tlv
