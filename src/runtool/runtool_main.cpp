// runtool TOOL [ARG1 [ARG2]]: starts one tool of the basemap package hidden and returns at once.
// Started in the program folder; TOOL is relative to its "basemaptools" folder.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tool_launch.h"

namespace tlv {
namespace {

constexpr std::string_view kUsage = "You need to specify the input file name";
// The package's callers know the usage case by its status: the length of the message.
constexpr int kUsageStatus = static_cast<int>(kUsage.size());
constexpr int kStartedStatus = 2;
// The shells' "cannot execute" status, so a tool that never started is not taken for one that did.
constexpr int kCannotStartStatus = 127;

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

// A failed trace is said on standard error but does not change the status: the start itself
// happened or failed as the status says.
void Trace(const std::vector<std::string>& argv, bool started, pid_t pid,
           const std::string& error) {
  const char* path = std::getenv("RUNTOOL_TRACE");
  if (path == nullptr || *path == '\0') return;
  if (const int32_t failed = AppendTraceLine(path, TraceLine(argv, started, pid, error));
      failed != 0) {
    WriteAll(STDERR_FILENO, std::string("runtool: cannot write the trace ") + path + ": " +
                                std::strerror(failed) + "\n");
  }
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    WriteAll(STDOUT_FILENO, kUsage);
    Trace({}, false, 0, "no tool given");
    return kUsageStatus;
  }
  // Arguments after the second are ignored.
  const std::vector<std::string> arguments(argv + 2, argv + std::min(argc, 4));
  const ToolCommand command = BuildToolCommand(argv[1], arguments);
  std::string failedPath;
  int32_t error = CheckToolFiles(command, failedPath);
  pid_t pid = 0;
  if (error == 0) {
    error = StartHidden(command, pid);
    if (error != 0) failedPath = command.argv[0];
  }
  if (error != 0) {
    const std::string message = "cannot start " + failedPath + ": " + std::strerror(error);
    WriteAll(STDERR_FILENO, "runtool: " + message + "\n");
    Trace(command.argv, false, 0, message);
    return kCannotStartStatus;
  }
  Trace(command.argv, true, pid, "");
  return kStartedStatus;
}

}  // namespace
}  // namespace tlv

int main(int argc, char** argv) {
  return tlv::Run(argc, argv);
}
