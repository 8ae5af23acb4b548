// What the end-to-end tests share: running the built programs with an environment of their own,
// waiting for them, reading what they print and log.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace tlv::test {

inline std::filesystem::path BuiltProgram(const char* name) {
  return std::filesystem::path(TOLVANE_BINARY_DIR) / "src" / name;
}

// The environment that keeps a started tolvane to itself: off screen, its own folders, its own
// one-running-copy socket, alerts logged instead of waiting for a person.
inline std::vector<std::string> ProgramEnvironment(const std::filesystem::path& folder,
                                                   const std::filesystem::path& program,
                                                   const std::filesystem::path& log,
                                                   const std::string& tag) {
  std::filesystem::create_directories(folder / "runtime");
  std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
  return {
      "QT_QPA_PLATFORM=offscreen",
      "TOLVANE_PROGRAM_FOLDER=" + program.string(),
      "TOLVANE_EVENT_LOG=" + log.string(),
      "TOLVANE_INSTANCE=tolvane-" + tag + "-" + std::to_string(::getpid()),
      "XDG_CONFIG_HOME=" + (folder / "config").string(),
      "XDG_DATA_HOME=" + (folder / "data").string(),
      "XDG_RUNTIME_DIR=" + (folder / "runtime").string(),
      "TOLVANE_UNATTENDED=1",
      "HOME=" + folder.string(),
      "ASAN_OPTIONS=detect_leaks=0",
  };
}

// The running copy's lock file that a program started with ProgramEnvironment(..., tag) leaves
// beside its socket in the temporary folder (it is never deleted, so that no two copies can
// ever hold two different locks); the fixtures remove it when they end.
inline void RemoveInstanceLock(const std::string& tag) {
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::temp_directory_path() /
                              ("tolvane-" + tag + "-" + std::to_string(::getpid()) + ".lock"),
                          ignored);
}

// Starts exe with args and exactly the given environment; standard output goes to output when
// one is named, and standard error then to errors (nowhere when errors is not named). -1 when it
// cannot be started.
inline pid_t SpawnProgram(const std::filesystem::path& exe, const std::vector<std::string>& args,
                          const std::vector<std::string>& environment,
                          const std::filesystem::path& output = {},
                          const std::filesystem::path& errors = {}) {
  std::vector<std::string> all = {exe.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = environment;
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!output.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (errors.empty()) {
      posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    } else {
      posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
    }
  }
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// The exit status (128 + signal for a killed process), or -1 after the timeout.
inline int WaitForExit(pid_t pid, std::chrono::seconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

// Every line of the log that begins with start, in order.
inline std::vector<std::string> LogLinesStartingWith(const std::filesystem::path& log,
                                                     const std::string& start) {
  std::vector<std::string> found;
  std::istringstream lines(ReadWholeFile(log));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(start, 0) == 0) found.push_back(line);
  }
  return found;
}

// The first line of the log that begins with start, waiting for it up to the timeout; "" if none.
inline std::string WaitForLogLine(const std::filesystem::path& log, const std::string& start,
                                  std::chrono::seconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    std::istringstream lines(ReadWholeFile(log));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(start, 0) == 0) return line;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return "";
}

struct CliRun {
  int status = -1;
  std::string out;
  std::vector<std::string> lines;
};

// Runs the built tolvane-cli through the shell with the arguments as written (quoting is the
// caller's) and collects its standard output line by line.
inline CliRun RunCli(const std::string& arguments) {
  CliRun run;
  const std::string command =
      BuiltProgram("tolvane-cli").string() + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream stream(run.out);
  for (std::string line; std::getline(stream, line);) run.lines.push_back(line);
  return run;
}

// A shell command's standard output (standard error joined to it) and exit status.
struct Shell {
  int status = -1;
  std::string out;
};

inline Shell RunShell(const std::string& command) {
  Shell result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The pixels of an uncompressed 24- or 32-bit BMP file, as 0xRRGGBB, rows top to bottom.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
};

inline uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

inline bool ReadBmp(const std::filesystem::path& path, Pixels& out) {
  const std::string b = ReadWholeFile(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t offset = Le32(b, 10);
  const int32_t width = static_cast<int32_t>(Le32(b, 18));
  const int32_t rawHeight = static_cast<int32_t>(Le32(b, 22));
  const int bits = static_cast<uint8_t>(b[28]) | static_cast<uint8_t>(b[29]) << 8;
  if (width <= 0 || rawHeight == 0 || (bits != 24 && bits != 32)) return false;
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  const size_t stride = ((static_cast<size_t>(width) * bits / 8) + 3) / 4 * 4;
  if (offset + stride * height > b.size()) return false;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int row = rawHeight < 0 ? y : height - 1 - y;
    const size_t base = offset + stride * row;
    for (int x = 0; x < width; ++x) {
      const size_t p = base + static_cast<size_t>(x) * (bits / 8);
      out.rgb[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(b[p + 2]) << 16 |
                                                    static_cast<uint8_t>(b[p + 1]) << 8 |
                                                    static_cast<uint8_t>(b[p]);
    }
  }
  return true;
}

inline size_t Count(const Pixels& p, uint32_t colour) {
  size_t n = 0;
  for (uint32_t c : p.rgb) n += c == colour;
  return n;
}

// The program started off screen on a copy of the default maps folder with the symbol fonts, and
// wexo-peer runs that talk to it through the message library, for the message tests.
class SiblingProgramTest : public ::testing::Test {
 protected:
  // tag: short, as it goes into the message library's socket paths.
  void SetUpProgram(const std::string& programTag) {
    tag = programTag;
    binary = BuiltProgram("tolvane");
    peer = BuiltProgram("wexo-peer");
    ASSERT_TRUE(std::filesystem::exists(binary)) << "the program was not built";
    ASSERT_TRUE(std::filesystem::exists(peer)) << "wexo-peer was not built";
    program = folder.path() / "Program";
    maps = program / "TolvaneMaps";
    std::filesystem::create_directories(program / "fonts");
    std::filesystem::copy(std::filesystem::path(TOLVANE_SOURCE_DIR) / "data" / "TolvaneMaps", maps,
                          std::filesystem::copy_options::recursive);
    for (const char* font : {"TOLVANED.ttf", "TOLVANEP.ttf", "TOLVANE2.ttf"}) {
      std::filesystem::copy_file(
          std::filesystem::path(TOLVANE_SOURCE_DIR) / "data" / "fonts" / font,
          program / "fonts" / font);
    }
    log = folder.path() / "events.log";
    environment = ProgramEnvironment(folder.path(), program, log, tag);
  }
  void TearDown() override {
    if (running > 0) {
      ::kill(running, SIGKILL);
      ::waitpid(running, nullptr, 0);
    }
    if (!tag.empty()) RemoveInstanceLock(tag);
  }
  // The message library beside the program, the program started and ready.
  void Start() {
    std::filesystem::copy_file(BuiltProgram("libWEXO_32.so"), program / "libWEXO_32.so");
    running = SpawnProgram(binary, {}, environment);
    ASSERT_GT(running, 0);
    ASSERT_FALSE(WaitForLogLine(log, "ready", std::chrono::seconds(60)).empty())
        << ReadWholeFile(log);
  }
  // A wexo-peer run: its output, and its exit status in status.
  std::string Peer(const std::vector<std::string>& args, int& status) {
    const std::filesystem::path out =
        folder.path() / ("peer" + std::to_string(++peerRuns) + ".out");
    const pid_t pid = SpawnProgram(peer, args, environment, out);
    status = pid > 0 ? WaitForExit(pid, std::chrono::seconds(30)) : -1;
    return ReadWholeFile(out);
  }

  TempFolder folder;
  std::string tag;
  std::filesystem::path binary, peer, program, maps, log;
  std::vector<std::string> environment;
  pid_t running = -1;
  int peerRuns = 0;
};

}  // namespace tlv::test
