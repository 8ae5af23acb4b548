#include "tool_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tlv {

namespace {

constexpr char kBatchSuffix[] = ".bat";

// Owners of the spawn descriptions, so every way out of StartHidden releases them.
struct SpawnActions {
  posix_spawn_file_actions_t actions;
  int32_t error = posix_spawn_file_actions_init(&actions);
  SpawnActions() = default;
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  ~SpawnActions() {
    if (error == 0) posix_spawn_file_actions_destroy(&actions);
  }
};

struct SpawnAttributes {
  posix_spawnattr_t attributes;
  int32_t error = posix_spawnattr_init(&attributes);
  SpawnAttributes() = default;
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  ~SpawnAttributes() {
    if (error == 0) posix_spawnattr_destroy(&attributes);
  }
};

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The length of the well-formed UTF-8 sequence at bytes[at], or 0 when it is not one (overlong
// forms, surrogates and values above U+10FFFF included).
size_t Utf8SequenceLength(const std::string& bytes, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

// errno of a file that is missing, a folder, or lacks the access mode.
int32_t CheckFile(const std::string& path, int accessMode, bool mustBeRegular) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return errno;
  if (S_ISDIR(status.st_mode)) return EISDIR;
  if (mustBeRegular && !S_ISREG(status.st_mode)) return EACCES;
  if (::access(path.c_str(), accessMode) != 0) return errno;
  return 0;
}

}  // namespace

ToolCommand BuildToolCommand(const std::string& toolName,
                             const std::vector<std::string>& arguments) {
  std::string name = toolName;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  ToolCommand command;
  // The name always follows the folder, so a name beginning "-" never reaches the launcher as
  // an option.
  command.script = kToolFolder + name;
  command.argv.push_back(EndsWith(name, kBatchSuffix) ? kShell : kPhpLauncher);
  command.argv.push_back(command.script);
  command.argv.insert(command.argv.end(), arguments.begin(), arguments.end());
  return command;
}

int32_t CheckToolFiles(const ToolCommand& command, std::string& failedPath) {
  if (int32_t error = CheckFile(command.argv[0], X_OK, true); error != 0) {
    failedPath = command.argv[0];
    return error;
  }
  if (int32_t error = CheckFile(command.script, R_OK, false); error != 0) {
    failedPath = command.script;
    return error;
  }
  return 0;
}

int32_t StartHidden(const ToolCommand& command, pid_t& pid) {
  SpawnActions files;
  SpawnAttributes spawn;
  if (files.error != 0) return files.error;
  if (spawn.error != 0) return spawn.error;
  posix_spawn_file_actions_t* actions = &files.actions;
  // Nothing of runtool's own descriptors reaches the tool: a tool that kept a caller's pipe open
  // would keep the caller waiting for an end of file long after runtool returned.
  int32_t error = posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0);
  if (error == 0) error = posix_spawn_file_actions_addopen(actions, 1, "/dev/null", O_WRONLY, 0);
  if (error == 0) error = posix_spawn_file_actions_addopen(actions, 2, "/dev/null", O_WRONLY, 0);
  if (error == 0) error = posix_spawn_file_actions_addclosefrom_np(actions, 3);
  // Its own session leaves the tool without a terminal and out of the caller's job control; the
  // tool starts with no blocked signals and default handling, whatever runtool inherited.
  sigset_t noSignals, allSignals;
  sigemptyset(&noSignals);
  sigfillset(&allSignals);
  if (error == 0) {
    error = posix_spawnattr_setflags(
        &spawn.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  if (error == 0) error = posix_spawnattr_setsigmask(&spawn.attributes, &noSignals);
  if (error == 0) error = posix_spawnattr_setsigdefault(&spawn.attributes, &allSignals);
  if (error != 0) return error;

  std::vector<char*> argv;
  std::vector<std::string> strings = command.argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  return ::posix_spawn(&pid, argv[0], actions, &spawn.attributes, argv.data(), environ);
}

std::string JsonString(const std::string& bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    char escape[8];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const size_t length = Utf8SequenceLength(bytes, i); length > 0) {
      out.append(bytes, i, length);
      i += length;
      continue;
    } else {
      std::snprintf(escape, sizeof escape, "\\udc%02x", c);
      out += escape;
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string TraceLine(const std::vector<std::string>& argv, bool started, pid_t pid,
                      const std::string& error) {
  std::string line = "{\"argv\":[";
  for (size_t i = 0; i < argv.size(); ++i) {
    if (i > 0) line += ',';
    line += JsonString(argv[i]);
  }
  line += "],\"started\":";
  line += started ? "true" : "false";
  line += ",\"pid\":" + std::to_string(started ? pid : 0);
  line += ",\"error\":" + JsonString(error) + "}\n";
  return line;
}

int32_t AppendTraceLine(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  ssize_t written;
  do {
    written = ::write(fd, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  int32_t error = 0;
  if (written < 0) {
    error = errno;
  } else if (static_cast<size_t>(written) != line.size()) {
    error = ENOSPC;
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace tlv
