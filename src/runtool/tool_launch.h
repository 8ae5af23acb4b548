// How runtool turns a tool name into a process: the command for a batch tool or a PHP script,
// the checks before the start, the detached start itself, and the trace line scripts read.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tlv {

// The folder of the package's tools, relative to the program folder runtool is started in.
inline constexpr char kToolFolder[] = "basemaptools/";
// Runs the package's PHP scripts with the system's PHP.
inline constexpr char kPhpLauncher[] = "./basemaptools/php/php";
inline constexpr char kShell[] = "/bin/sh";

struct ToolCommand {
  std::vector<std::string> argv;
  // The tool file the launcher (argv[0]) reads; posix_spawn reports only a failed exec of the
  // launcher, so the script is checked before the start.
  std::string script;
};

// The command for a tool name and up to two arguments, each its own argv entry so no shell ever
// parses them. "\" in the name becomes "/"; a name ending in ".bat" (exact case) runs with
// /bin/sh, any other name is a PHP script for the package's launcher.
ToolCommand BuildToolCommand(const std::string& toolName,
                             const std::vector<std::string>& arguments);

// 0 when the launcher can be executed and the script read; otherwise an errno value, with
// failedPath naming the file at fault.
int32_t CheckToolFiles(const ToolCommand& command, std::string& failedPath);

// Starts the command in its own session, without a terminal, standard streams on /dev/null, no
// descriptor but those three, default signal handling, the current environment and folder.
// Does not wait for it. 0 with the process ID, or the errno value posix_spawn reports.
int32_t StartHidden(const ToolCommand& command, pid_t& pid);

// One JSON line (with its line end) describing a run for RUNTOOL_TRACE.
std::string TraceLine(const std::vector<std::string>& argv, bool started, pid_t pid,
                      const std::string& error);

// A JSON string literal of bytes: valid UTF-8 as it is, every other byte as the lone surrogate
// \udcXX, so names that are not UTF-8 stay valid JSON and can be told apart byte for byte.
std::string JsonString(const std::string& bytes);

// Appends the line to the file with a single write, so runs tracing into one file do not mix
// their lines. 0 or an errno value.
int32_t AppendTraceLine(const std::string& path, const std::string& line);

}  // namespace tlv
