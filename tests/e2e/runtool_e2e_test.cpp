// Runs the built runtool in a temporary program folder whose tools are small scripts recording
// how they were started: their arguments, session, open descriptors and standard streams.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] = "You need to specify the input file name";

// Every fake tool (the PHP launcher and the batch files) is this script. It lists its own
// descriptors before it opens anything (the shell keeps the script it reads open above 9 and
// closes it on exec, which is marked "script"), and writes RECORDS/PID, ending with "end".
// wait.bat first waits for the file "go" in the program folder, so a test can see it still
// running after runtool has returned.
constexpr char kRecorder[] = R"(#!/bin/sh
fds=''
for f in /proc/$$/fd/*; do
  [ -e "$f" ] || continue
  if [ "$f" -ef /dev/null ]; then what=null
  elif [ "$f" -ef "$0" ]; then what=script
  else what=other
  fi
  fds="${fds}fd ${f##*/} $what
"
done
case "$0" in
  *wait.bat)
    i=0
    while [ ! -e go ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done ;;
esac
read -r pid comm state ppid pgrp sid rest < /proc/$$/stat
{
  printf 'sid %s\nppid %s\n' "$sid" "$ppid"
  printf 'arg %s\n' "$0" "$@"
  printf '%s' "$fds"
  echo end
} > "$RUNTOOL_TEST_RECORDS/$$"
)";

struct ToolRecord {
  bool complete = false;
  pid_t sid = 0, ppid = 0;
  std::vector<std::string> args;  // $0 first
  std::map<int, std::string> fds;
};

struct RuntoolRun {
  pid_t pid = -1;
  int status = -1;
  std::string out, err;
};

ToolRecord ParseRecord(const std::string& text) {
  ToolRecord record;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("arg ", 0) == 0) {
      record.args.push_back(line.substr(4));
    } else if (line.rfind("sid ", 0) == 0) {
      record.sid = std::stoi(line.substr(4));
    } else if (line.rfind("ppid ", 0) == 0) {
      record.ppid = std::stoi(line.substr(5));
    } else if (line.rfind("fd ", 0) == 0) {
      std::istringstream fields(line.substr(3));
      int fd = -1;
      std::string what;
      fields >> fd >> what;
      record.fds[fd] = what;
    } else if (line == "end") {
      record.complete = true;
    }
  }
  return record;
}

// The trace line runtool should append for a run, spelled out field by field.
std::string ExpectedTrace(const std::vector<std::string>& jsonArgv, bool started, pid_t pid,
                          const std::string& jsonError) {
  std::string line = "{\"argv\":[";
  for (size_t i = 0; i < jsonArgv.size(); ++i) {
    line += (i > 0 ? ",\"" : "\"") + jsonArgv[i] + "\"";
  }
  return line + "],\"started\":" + (started ? "true" : "false") +
         ",\"pid\":" + std::to_string(pid) + ",\"error\":\"" + jsonError + "\"}\n";
}

class RuntoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binary = test::BuiltProgram("runtool");
    ASSERT_TRUE(fs::is_regular_file(binary)) << "runtool was not built: " << binary;
    program = folder.path() / "Program";
    records = folder.path() / "records";
    trace = folder.path() / "trace.jsonl";
    fs::create_directories(program / "basemaptools" / "php");
    fs::create_directories(program / "basemaptools" / "sub");
    fs::create_directories(records);
    WriteTool("php/php");
    fs::permissions(program / "basemaptools" / "php" / "php", fs::perms::owner_exec,
                    fs::perm_options::add);
    for (const char* tool :
         {"check.bat", "wait.bat", "CHECK.BAT", "sub/tool.bat", "-x.bat", "extents.php"}) {
      WriteTool(tool);
    }
  }
  void TearDown() override {
    // Lets a tool still waiting finish before its folder goes.
    test::WriteWholeFile(program / "go", "");
  }

  void WriteTool(const std::string& name) {
    test::WriteWholeFile(program / "basemaptools" / name, kRecorder);
  }

  // Runs runtool in the program folder with the test's environment plus the trace and the
  // records folder; standard output and error are collected separately.
  RuntoolRun Run(const std::vector<std::string>& args, const fs::path& in = {}) {
    RuntoolRun run;
    std::vector<std::string> all = {binary.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.push_back("RUNTOOL_TRACE=" + trace.string());
    env.push_back("RUNTOOL_TEST_RECORDS=" + records.string());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    // Standard input is a file too, so a tool that inherited any of runtool's streams shows it.
    const fs::path input = folder.path() / "stdin", out = folder.path() / "stdout",
                   err = folder.path() / "stderr";
    test::WriteWholeFile(input, "");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, (in.empty() ? program : in).c_str());
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int spawned =
        ::posix_spawn(&run.pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    run.status = test::WaitForExit(run.pid, std::chrono::seconds(30));
    run.out = test::ReadWholeFile(out);
    run.err = test::ReadWholeFile(err);
    return run;
  }

  // The record of the tool with that process ID once it is complete; incomplete after 30 s.
  ToolRecord WaitForRecord(pid_t pid) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    ToolRecord record;
    while (std::chrono::steady_clock::now() < until) {
      record = ParseRecord(test::ReadWholeFile(records / std::to_string(pid)));
      if (record.complete) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return record;
  }

  // The process ID of the started tool, read from the single trace line of the last run.
  pid_t TracedPid() {
    const std::string text = test::ReadWholeFile(trace);
    const size_t at = text.rfind("\"pid\":");
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + 6));
  }

  size_t RecordCount() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(records), fs::directory_iterator()));
  }

  test::TempFolder folder;
  fs::path binary, program, records, trace;
};

TEST_F(RuntoolTest, BatchToolRunsWithTheShellAndIsTraced) {
  const RuntoolRun run = Run({"check.bat"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  const pid_t pid = TracedPid();
  ASSERT_GT(pid, 0) << test::ReadWholeFile(trace);
  const ToolRecord record = WaitForRecord(pid);
  ASSERT_TRUE(record.complete) << "the tool never recorded its start";
  // The shell's $0 is the script it was asked to run.
  EXPECT_EQ(record.args, std::vector<std::string>{"basemaptools/check.bat"});
  EXPECT_EQ(test::ReadWholeFile(trace),
            ExpectedTrace({"/bin/sh", "basemaptools/check.bat"}, true, pid, ""));
}

TEST_F(RuntoolTest, ToolNamesChooseTheLauncherAndOnlyTwoArgumentsPass) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> recorded;  // $0 and the tool's arguments
  };
  const std::vector<Case> cases = {
      {{"extents.php", "a", "b"}, {"./basemaptools/php/php", "basemaptools/extents.php", "a", "b"}},
      {{"extents.php", "a", "b", "c"},
       {"./basemaptools/php/php", "basemaptools/extents.php", "a", "b"}},
      {{"extents.php", "a"}, {"./basemaptools/php/php", "basemaptools/extents.php", "a"}},
      // Only the exact lower-case ending makes a batch tool.
      {{"CHECK.BAT", "x"}, {"./basemaptools/php/php", "basemaptools/CHECK.BAT", "x"}},
      {{"sub\\tool.bat"}, {"basemaptools/sub/tool.bat"}},
      // A leading "-" stays part of the path, never an option of the shell.
      {{"-x.bat", "-c"}, {"basemaptools/-x.bat", "-c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " with " + std::to_string(c.args.size() - 1) + " arguments");
    fs::remove(trace);
    const RuntoolRun run = Run(c.args);
    ASSERT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    const ToolRecord record = WaitForRecord(TracedPid());
    ASSERT_TRUE(record.complete);
    EXPECT_EQ(record.args, c.recorded);
  }
}

TEST_F(RuntoolTest, ArgumentsArriveAsGivenWhateverTheirLengthOrBytes) {
  const std::string shellish = "two words \"quoted\" $(touch x) `touch x` ; touch x";
  const std::string longArgument(1000, 'L');
  RuntoolRun run = Run({"extents.php", shellish, longArgument});
  ASSERT_EQ(run.status, 2) << run.err;
  pid_t pid = TracedPid();
  ToolRecord record = WaitForRecord(pid);
  ASSERT_TRUE(record.complete);
  EXPECT_EQ(record.args,
            (std::vector<std::string>{"./basemaptools/php/php", "basemaptools/extents.php",
                                      shellish, longArgument}));
  EXPECT_FALSE(fs::exists(program / "x"));
  EXPECT_FALSE(fs::exists(program / "basemaptools" / "x"));
  EXPECT_EQ(test::ReadWholeFile(trace),
            ExpectedTrace({"./basemaptools/php/php", "basemaptools/extents.php",
                           "two words \\\"quoted\\\" $(touch x) `touch x` ; touch x", longArgument},
                          true, pid, ""));

  // Bytes that are not UTF-8 reach the tool unchanged; the trace keeps valid UTF-8 as it is and
  // marks each stray byte, so the line stays valid JSON.
  fs::remove(trace);
  const std::string latin1 = "Z\xfcrich\\", utf8 = "Z\xc3\xbcrich\ttab";
  run = Run({"extents.php", latin1, utf8});
  ASSERT_EQ(run.status, 2) << run.err;
  pid = TracedPid();
  record = WaitForRecord(pid);
  ASSERT_TRUE(record.complete);
  EXPECT_EQ(record.args, (std::vector<std::string>{"./basemaptools/php/php",
                                                   "basemaptools/extents.php", latin1, utf8}));
  EXPECT_EQ(test::ReadWholeFile(trace),
            ExpectedTrace({"./basemaptools/php/php", "basemaptools/extents.php", "Z\\udcfcrich\\\\",
                           "Z\xc3\xbcrich\\ttab"},
                          true, pid, ""));
}

TEST_F(RuntoolTest, ToolRunsDetachedInItsOwnSessionWithNothingInherited) {
  // A descriptor runtool inherits without close-on-exec must not reach the tool.
  const int inherited = ::open(trace.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(inherited, 3);
  const RuntoolRun run = Run({"wait.bat"});
  ::close(inherited);
  ASSERT_EQ(run.status, 2) << run.err;
  const pid_t pid = TracedPid();
  ASSERT_GT(pid, 0);

  // runtool has returned while its tool still runs.
  EXPECT_EQ(::kill(pid, 0), 0) << "the tool is gone before it was allowed to finish";
  EXPECT_EQ(RecordCount(), 0u);
  test::WriteWholeFile(program / "go", "");
  const ToolRecord record = WaitForRecord(pid);
  ASSERT_TRUE(record.complete);

  EXPECT_EQ(record.sid, pid) << "the tool does not lead a session of its own";
  EXPECT_NE(record.sid, ::getsid(0));
  EXPECT_NE(record.ppid, run.pid) << "runtool is still the tool's parent";
  EXPECT_EQ(record.fds.at(0), "null");
  EXPECT_EQ(record.fds.at(1), "null");
  EXPECT_EQ(record.fds.at(2), "null");
  for (const auto& [fd, what] : record.fds) {
    if (fd > 2) {
      EXPECT_EQ(what, "script") << "descriptor " << fd << " reached the tool";
    }
  }
}

TEST_F(RuntoolTest, UsageAndFailedStartsStartNothing) {
  RuntoolRun run = Run({});
  EXPECT_EQ(run.status, 39);
  EXPECT_EQ(run.out, kUsage);
  EXPECT_EQ(run.out.size(), 39u);
  EXPECT_EQ(run.err, "");
  std::string expectedTrace = ExpectedTrace({}, false, 0, "no tool given");

  struct Failure {
    std::vector<std::string> args;
    std::string argvJson0, argvJson1, message;
  };
  const std::string launcher = "./basemaptools/php/php";
  const std::vector<Failure> failures = {
      {{"missing.bat"},
       "/bin/sh",
       "basemaptools/missing.bat",
       "cannot start basemaptools/missing.bat: No such file or directory"},
      {{"missing.php"},
       launcher,
       "basemaptools/missing.php",
       "cannot start basemaptools/missing.php: No such file or directory"},
      // An empty name is a start attempt at the folder itself, not the usage case.
      {{""}, launcher, "basemaptools/", "cannot start basemaptools/: Is a directory"},
      {{"sub"}, launcher, "basemaptools/sub", "cannot start basemaptools/sub: Is a directory"},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE("tool \"" + f.args[0] + "\"");
    run = Run(f.args);
    EXPECT_EQ(run.status, 127);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "runtool: " + f.message + "\n");
    expectedTrace += ExpectedTrace({f.argvJson0, f.argvJson1}, false, 0, f.message);
  }

  // The launcher: not executable, then executable but its interpreter missing (an exec failure
  // that only posix_spawn can report), then gone.
  const fs::path php = program / "basemaptools" / "php" / "php";
  fs::permissions(php, fs::perms::owner_read | fs::perms::owner_write);
  const std::string notExecutable = launcher + ": Permission denied";
  run = Run({"extents.php", "a"});
  EXPECT_EQ(run.status, 127);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "runtool: cannot start " + notExecutable + "\n");
  expectedTrace += ExpectedTrace({launcher, "basemaptools/extents.php", "a"}, false, 0,
                                 "cannot start " + notExecutable);
  test::WriteWholeFile(php, "#!/nonexistent/interpreter\n");
  fs::permissions(php, fs::perms::owner_all);
  const std::string noInterpreter = launcher + ": No such file or directory";
  run = Run({"extents.php"});
  EXPECT_EQ(run.status, 127);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "runtool: cannot start " + noInterpreter + "\n");
  expectedTrace += ExpectedTrace({launcher, "basemaptools/extents.php"}, false, 0,
                                 "cannot start " + noInterpreter);
  fs::remove(php);
  run = Run({"extents.php"});
  EXPECT_EQ(run.status, 127);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "runtool: cannot start " + noInterpreter + "\n");
  expectedTrace += ExpectedTrace({launcher, "basemaptools/extents.php"}, false, 0,
                                 "cannot start " + noInterpreter);

  // Started where there is no basemaptools folder at all.
  run = Run({"check.bat"}, folder.path());
  EXPECT_EQ(run.status, 127);
  EXPECT_EQ(run.err, "runtool: cannot start basemaptools/check.bat: No such file or directory\n");
  expectedTrace += ExpectedTrace({"/bin/sh", "basemaptools/check.bat"}, false, 0,
                                 "cannot start basemaptools/check.bat: No such file or directory");
  EXPECT_EQ(test::ReadWholeFile(trace), expectedTrace);

  // Had any run above started a tool, it would have had as long to record as this one.
  fs::remove(trace);
  ASSERT_EQ(Run({"check.bat"}).status, 2);
  ASSERT_TRUE(WaitForRecord(TracedPid()).complete);
  EXPECT_EQ(RecordCount(), 1u);
}

}  // namespace
}  // namespace tlv
