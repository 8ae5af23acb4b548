// wexo-peer: a small sibling program. It loads the message library as every sibling does,
// registers under a signature, sends a message built from its arguments and prints each
// envelope that comes back as one JSON line, so scripts and tests can talk to the program.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "wexo/peer/peer_text.h"
#include "wexo/wexo_api.h"
#include "wexo/wexo_frame.h"
#include "wexo/wexo_paths.h"

namespace tlv::wexo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExitSent = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoAnswer = 2;
constexpr int kExitUsage = 64;
constexpr int32_t kNotifyMessage = 1025;
constexpr double kDefaultExpectSeconds = 5.0;

constexpr const char* kUsage =
    "usage: wexo-peer [--sign S] [--psig P] [--name N] [--xtra T] COMMAND\n"
    "  send TARGET CODE [KEY=VALUE|KEY=@FILE]... [--wait SEC] [--expect CODE]\n"
    "  listen [--count N]\n"
    "  echo\n"
    "  sibling [--greet TARGET] [--menu ITEMS] [--path P] [--vers V] [--count N]\n"
    "  running SIG\n"
    "  raw TARGET FILE\n"
    "  bench TARGET --count N --size B\n";

class UsageError {
 public:
  explicit UsageError(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The pipe the library's notices and the stop signals write to; the main loop waits on it.
int gWakeRead = -1;
int gWakeWrite = -1;
volatile sig_atomic_t gStopped = 0;

void OnStopSignal(int) {
  gStopped = 1;
  const char byte = 's';
  [[maybe_unused]] const ssize_t written = ::write(gWakeWrite, &byte, 1);
}

int PostNotice(void*, int32_t, int64_t, int64_t) {
  const char byte = 'n';
  // A full pipe already holds a wake-up; the loop empties the whole queue on each one.
  [[maybe_unused]] const ssize_t written = ::write(gWakeWrite, &byte, 1);
  return 1;
}

NEWindow gWindow = {PostNotice, nullptr};

struct Library {
  void* handle = nullptr;
  NERegisterProc registerProc = nullptr;
  NEByeProc byeProc = nullptr;
  NESendMessageProc sendProc = nullptr;
  NEAppIsRunningProc runningProc = nullptr;
  NEGetNextMessageLengthProc lengthProc = nullptr;
  NEGetNextMessageProc nextProc = nullptr;
};

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

// $WEXO_LIBRARY, else the copy beside this program, else the shared one in /usr/local/lib.
bool LoadLibrary(Library& library) {
  std::vector<std::string> candidates;
  if (const char* named = std::getenv("WEXO_LIBRARY"); named != nullptr && *named != '\0') {
    candidates.push_back(named);
  } else {
    const auto folder = ProgramFolder();
    if (!folder.empty()) candidates.push_back((folder / "libWEXO_32.so").string());
    candidates.push_back("/usr/local/lib/libWEXO_32.so");
  }
  std::string errors;
  for (const std::string& candidate : candidates) {
    library.handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle != nullptr) break;
    errors += std::string("\n  ") + ::dlerror();
  }
  if (library.handle == nullptr) {
    std::fprintf(stderr, "wexo-peer: cannot load libWEXO_32.so:%s\n", errors.c_str());
    return false;
  }
  const auto find = [&](const char* name) {
    void* symbol = ::dlsym(library.handle, name);
    if (symbol == nullptr) std::fprintf(stderr, "wexo-peer: libWEXO_32.so lacks %s\n", name);
    return symbol;
  };
  library.registerProc = reinterpret_cast<NERegisterProc>(find("NERegister"));
  library.byeProc = reinterpret_cast<NEByeProc>(find("NEBye"));
  library.sendProc = reinterpret_cast<NESendMessageProc>(find("NESendMessage"));
  library.runningProc = reinterpret_cast<NEAppIsRunningProc>(find("NEAppIsRunning"));
  library.lengthProc = reinterpret_cast<NEGetNextMessageLengthProc>(find("NEGetNextMessageLength"));
  library.nextProc = reinterpret_cast<NEGetNextMessageProc>(find("NEGetNextMessage"));
  return library.registerProc && library.byeProc && library.sendProc && library.runningProc &&
         library.lengthProc && library.nextProc;
}

struct Options {
  std::string sign = "PEER";
  std::string psig = "PEER";
  std::string name = "wexo-peer";
  std::string xtra;
};

// An argument as envelope text: escapes resolved, UTF-8 turned into the code page, and nothing
// an envelope cannot carry.
std::string EnvelopeText(std::string_view argument, bool escapes, const char* what) {
  std::string text;
  if (!Utf8ToCp1252(escapes ? Unescape(argument) : std::string(argument), text)) {
    throw UsageError(std::string(what) + " is not text Windows-1252 can write");
  }
  if (text.find('\x0B') != std::string::npos || text.find('\0') != std::string::npos) {
    throw UsageError(std::string(what) + " holds a vertical tab or NUL");
  }
  return text;
}

std::string FourBytes(std::string_view argument, const char* what) {
  std::string text = EnvelopeText(argument, false, what);
  if (text.size() != 4) throw UsageError(std::string(what) + " must be four characters");
  return text;
}

long Number(const std::string& argument, const char* what) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(argument.c_str(), &end, 10);
  if (argument.empty() || *end != '\0' || errno != 0 || value < 0) {
    throw UsageError(std::string(what) + " must be a whole number");
  }
  return value;
}

class Peer {
 public:
  Peer(Library& library, Options options) : library_(library), options_(std::move(options)) {}
  ~Peer() {
    if (registered_) library_.byeProc(options_.sign.c_str(), &gWindow, options_.name.c_str(), 0);
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool Register() {
    const int32_t result = library_.registerProc(options_.sign.c_str(), &gWindow,
                                                 options_.name.c_str(), 0, options_.name.c_str(), 0,
                                                 ProgramFolder().c_str(), kNotifyMessage, 0, 0);
    if (result != 0) {
      std::fprintf(stderr, "wexo-peer: cannot register as %s (%d)\n", options_.sign.c_str(),
                   static_cast<int>(result));
      return false;
    }
    registered_ = true;
    return true;
  }

  int32_t Send(const std::string& target, const std::string& envelope) {
    return library_.sendProc(target.c_str(), envelope.c_str(), 0, options_.name.c_str(), 0);
  }

  // Hands each waiting envelope to handle until it answers false, the deadline passes (none
  // when unset) or a stop signal comes. False when it ended for the deadline or the signal.
  bool Receive(std::optional<Clock::time_point> deadline,
               const std::function<bool(const std::string&)>& handle) {
    while (!gStopped) {
      while (const int32_t length = library_.lengthProc(options_.sign.c_str())) {
        std::string envelope(static_cast<size_t>(length) + 1, '\0');
        if (library_.nextProc(options_.sign.c_str(), envelope.data(), length + 1) == 0) break;
        envelope.resize(static_cast<size_t>(length));
        if (!handle(envelope)) return true;
      }
      int wait = -1;
      if (deadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
        if (left.count() <= 0) return false;
        wait = static_cast<int>(left.count());
      }
      pollfd entry{gWakeRead, POLLIN, 0};
      if (::poll(&entry, 1, wait) > 0) {
        // One read empties the pipe in practice; anything left only wakes the loop once more.
        char drained[256];
        [[maybe_unused]] const ssize_t got = ::read(gWakeRead, drained, sizeof drained);
      }
    }
    return false;
  }

  const Options& options() const { return options_; }

 private:
  Library& library_;
  Options options_;
  bool registered_ = false;
};

void PrintEnvelope(const std::string& envelope) {
  std::printf("%s\n", EnvelopeJson(envelope).c_str());
  std::fflush(stdout);
}

std::string Header(const Options& options, const std::string& code) {
  return JoinEnvelope(
      {{"MSSG", code}, {"SIGN", options.sign}, {"PSIG", options.psig}, {"XTRA", options.xtra}});
}

void ReportSendFailure(const std::string& target, int32_t result) {
  std::fprintf(stderr, "wexo-peer: sending to %s failed (%d)\n", target.c_str(),
               static_cast<int>(result));
}

int Send(Library& library, const Options& options, const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError("send needs TARGET and CODE");
  const std::string target = FourBytes(args[0], "TARGET");
  const std::string code = FourBytes(args[1], "CODE");
  EnvelopeFields fields = SplitEnvelope(Header(options, code));
  std::optional<double> waitSeconds;
  std::optional<std::string> expected;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--wait" || arg == "--expect") {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      if (arg == "--wait") {
        char* end = nullptr;
        waitSeconds = std::strtod(args[++i].c_str(), &end);
        if (*end != '\0' || !(*waitSeconds >= 0)) throw UsageError("--wait needs seconds");
      } else {
        expected = FourBytes(args[++i], "--expect");
      }
      continue;
    }
    const size_t equals = arg.find('=');
    if (equals == std::string::npos) throw UsageError("a parameter is KEY=VALUE: " + arg);
    const std::string keyword = FourBytes(arg.substr(0, equals), "KEY");
    const std::string value = arg.substr(equals + 1);
    if (!value.empty() && value[0] == '@') {
      std::ifstream file(value.substr(1), std::ios::binary);
      if (!file) throw UsageError("cannot read " + value.substr(1));
      const std::string content{std::istreambuf_iterator<char>(file), {}};
      fields.emplace_back(keyword, EnvelopeText(content, false, "the file"));
    } else {
      fields.emplace_back(keyword, EnvelopeText(value, true, "a value"));
    }
  }

  Peer peer(library, options);
  const bool answers = waitSeconds || expected;
  // Registered before sending, so that a quick answer finds this program already listening.
  if (answers && !peer.Register()) return kExitFailed;
  const int32_t result = peer.Send(target, JoinEnvelope(fields));
  if (result != 0) {
    ReportSendFailure(target, result);
    return kExitFailed;
  }
  if (!answers) return kExitSent;
  const double seconds = waitSeconds.value_or(kDefaultExpectSeconds);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(seconds));
  bool found = false;
  peer.Receive(deadline, [&](const std::string& envelope) {
    PrintEnvelope(envelope);
    if (!expected) return true;
    const EnvelopeFields fields = SplitEnvelope(envelope);
    const std::string* code = FindField(fields, "MSSG");
    found = code != nullptr && *code == *expected;
    return !found;
  });
  return expected && !found ? kExitNoAnswer : kExitSent;
}

int Listen(Library& library, const Options& options, const std::vector<std::string>& args) {
  long count = -1;
  if (args.size() == 2 && args[0] == "--count") {
    count = Number(args[1], "--count");
  } else if (!args.empty()) {
    throw UsageError("listen takes only --count N");
  }
  if (count == 0) return kExitSent;
  Peer peer(library, options);
  if (!peer.Register()) return kExitFailed;
  long seen = 0;
  peer.Receive(std::nullopt, [&](const std::string& envelope) {
    PrintEnvelope(envelope);
    return count < 0 || ++seen < count;
  });
  return kExitSent;
}

// Answers every envelope to its sender with the same code, parameters and reply context,
// signed as this program.
int Echo(Library& library, const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError("echo takes no arguments");
  Peer peer(library, options);
  if (!peer.Register()) return kExitFailed;
  peer.Receive(std::nullopt, [&](const std::string& envelope) {
    PrintEnvelope(envelope);
    EnvelopeFields fields = SplitEnvelope(envelope);
    const std::string* sender = FindField(fields, "SIGN");
    if (sender == nullptr) return true;
    const std::string target = *sender;
    for (auto& [keyword, value] : fields) {
      if (keyword == "SIGN") value = options.sign;
      if (keyword == "PSIG") value = options.psig;
    }
    if (const int32_t result = peer.Send(target, JoinEnvelope(fields)); result != 0) {
      ReportSendFailure(target, result);
    }
    return true;
  });
  return kExitSent;
}

// Plays a sibling program: greets TARGET with "HOLA" (and hands over its menu), answers every
// "HOLA" with "OKHI" (and its menu), and prints every envelope, N of them or until stopped.
int Sibling(Library& library, const Options& options, const std::vector<std::string>& args) {
  std::optional<std::string> greet;
  std::optional<std::string> menu;
  std::string path = (ProgramFolder() / "wexo-peer").string();
  std::string version = "2";
  long count = -1;
  for (size_t i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    const std::string& value = args[i + 1];
    if (args[i] == "--greet") {
      greet = FourBytes(value, "--greet");
    } else if (args[i] == "--menu") {
      menu = EnvelopeText(value, true, "--menu");
    } else if (args[i] == "--path") {
      path = EnvelopeText(value, true, "--path");
    } else if (args[i] == "--vers") {
      version = EnvelopeText(value, true, "--vers");
    } else if (args[i] == "--count") {
      count = Number(value, "--count");
    } else {
      throw UsageError("sibling takes --greet, --menu, --path, --vers and --count");
    }
  }
  const std::string name = EnvelopeText(options.name, false, "--name");
  const auto greeting = [&](const std::string& code) {
    EnvelopeFields fields = SplitEnvelope(Header(options, code));
    fields.emplace_back("NAME", name);
    fields.emplace_back("PATH", path);
    fields.emplace_back("DOC ", "");
    fields.emplace_back("VERS", version);
    if (code == "MENU") fields.emplace_back("ITMS", *menu);
    return JoinEnvelope(fields);
  };
  Peer peer(library, options);
  if (!peer.Register()) return kExitFailed;
  // Greeting and menu go out together: the menu is what a greeted program shows for this one.
  const auto introduce = [&](const std::string& target, const std::string& code) {
    int32_t result = peer.Send(target, greeting(code));
    if (result == 0 && menu) result = peer.Send(target, greeting("MENU"));
    if (result != 0) ReportSendFailure(target, result);
    return result == 0;
  };
  if (greet && !introduce(*greet, "HOLA")) return kExitFailed;
  if (count == 0) return kExitSent;
  long seen = 0;
  peer.Receive(std::nullopt, [&](const std::string& envelope) {
    PrintEnvelope(envelope);
    const EnvelopeFields fields = SplitEnvelope(envelope);
    const std::string* code = FindField(fields, "MSSG");
    const std::string* sender = FindField(fields, "SIGN");
    if (code != nullptr && sender != nullptr && *code == "HOLA") introduce(*sender, "OKHI");
    return count < 0 || ++seen < count;
  });
  return kExitSent;
}

int Running(Library& library, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("running needs SIG");
  const std::string sign = FourBytes(args[0], "SIG");
  const bool running = library.runningProc(sign.c_str()) != 0;
  std::printf("{\"sign\":%s,\"running\":%s}\n", JsonString(Cp1252ToUtf8(sign)).c_str(),
              running ? "true" : "false");
  return running ? kExitSent : kExitFailed;
}

// Writes the file's bytes as they are to the target's socket, bypassing the library, and
// prints the answer bytes that come back before the target closes the connection: a way to
// show how a receiver meets frames no library would send.
int Raw(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError("raw needs TARGET and FILE");
  const std::string target = FourBytes(args[0], "TARGET");
  std::ifstream file(args[1], std::ios::binary);
  if (!file) throw UsageError("cannot read " + args[1]);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  const std::string folder = RuntimeFolder();
  if (!IsSafeFolder(folder)) {
    std::fprintf(stderr, "wexo-peer: %s is not a private folder of this user\n", folder.c_str());
    return kExitFailed;
  }
  const std::string path = SocketPath(folder, target);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return kExitFailed;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "wexo-peer: %s is not registered\n", target.c_str());
    if (fd >= 0) ::close(fd);
    return kExitFailed;
  }
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  // Ending the sending side lets the receiver see where the bytes stop.
  ::shutdown(fd, SHUT_WR);
  std::vector<int> answers;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  bool closed = false;
  while (Clock::now() < deadline) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) continue;
    unsigned char answer = 0;
    const ssize_t n = ::recv(fd, &answer, 1, 0);
    if (n <= 0) {
      closed = true;
      break;
    }
    answers.push_back(answer);
  }
  ::close(fd);
  std::string json = "{\"sent\":" + std::to_string(sent) + ",\"answers\":[";
  for (size_t i = 0; i < answers.size(); ++i) {
    json += (i == 0 ? "" : ",") + std::to_string(answers[i]);
  }
  std::printf("%s],\"closed\":%s}\n", json.c_str(), closed ? "true" : "false");
  bool allQueued = !answers.empty();
  for (const int answer : answers) allQueued = allQueued && answer == kAnswerQueued;
  return allQueued ? kExitSent : kExitFailed;
}

// Round trips against an echoing peer: one message out, its echo back, one after the other.
int Bench(Library& library, const Options& options, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("bench needs TARGET");
  const std::string target = FourBytes(args[0], "TARGET");
  long count = 10000, size = 64;
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    if (args[i] == "--count") {
      count = Number(args[i + 1], "--count");
    } else if (args[i] == "--size") {
      size = Number(args[i + 1], "--size");
    } else {
      throw UsageError("bench takes --count N --size B");
    }
  }
  EnvelopeFields fields = SplitEnvelope(Header(options, "BNCH"));
  fields.emplace_back("DATA", "");
  const size_t bare = JoinEnvelope(fields).size();
  if (static_cast<size_t>(size) > bare) fields.back().second.assign(size - bare, 'x');
  const std::string envelope = JoinEnvelope(fields);
  if (size > static_cast<long>(kMaxEnvelopeLength)) throw UsageError("--size is over 16 MiB");

  Peer peer(library, options);
  if (!peer.Register()) return kExitFailed;
  const auto roundTrip = [&]() {
    if (const int32_t result = peer.Send(target, envelope); result != 0) {
      ReportSendFailure(target, result);
      return false;
    }
    bool answered = false;
    peer.Receive(Clock::now() + std::chrono::seconds(5), [&](const std::string&) {
      answered = true;
      return false;
    });
    if (!answered) std::fprintf(stderr, "wexo-peer: %s did not echo\n", target.c_str());
    return answered;
  };
  // A few unmeasured trips first open the connections both ways.
  for (int i = 0; i < 10; ++i) {
    if (!roundTrip()) return kExitFailed;
  }
  const auto start = Clock::now();
  for (long i = 0; i < count; ++i) {
    if (!roundTrip()) return kExitFailed;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("{\"count\":%ld,\"size\":%zu,\"seconds\":%.3f,\"round_trips_per_second\":%.0f}\n",
              count, envelope.size(), seconds, seconds > 0 ? count / seconds : 0.0);
  return kExitSent;
}

int Run(const std::vector<std::string>& all) {
  Options options;
  size_t i = 0;
  for (; i < all.size() && all[i].rfind("--", 0) == 0; i += 2) {
    if (i + 1 >= all.size()) throw UsageError(all[i] + " needs a value");
    const std::string& value = all[i + 1];
    if (all[i] == "--sign") {
      options.sign = FourBytes(value, "--sign");
    } else if (all[i] == "--psig") {
      options.psig = FourBytes(value, "--psig");
    } else if (all[i] == "--name") {
      options.name = value;
    } else if (all[i] == "--xtra") {
      options.xtra = EnvelopeText(value, true, "--xtra");
    } else {
      throw UsageError("unknown option " + all[i]);
    }
  }
  if (i >= all.size()) throw UsageError("a command is missing");
  const std::string& command = all[i];
  const std::vector<std::string> args(all.begin() + static_cast<long>(i) + 1, all.end());
  if (command == "raw") return Raw(args);
  if (command != "send" && command != "listen" && command != "echo" && command != "running" &&
      command != "bench" && command != "sibling") {
    throw UsageError("unknown command " + command);
  }
  Library library;
  if (!LoadLibrary(library)) return kExitFailed;
  if (command == "send") return Send(library, options, args);
  if (command == "listen") return Listen(library, options, args);
  if (command == "echo") return Echo(library, options, args);
  if (command == "sibling") return Sibling(library, options, args);
  if (command == "running") return Running(library, args);
  return Bench(library, options, args);
}

}  // namespace

}  // namespace tlv::wexo

int main(int argc, char** argv) {
  using namespace tlv::wexo;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return kExitFailed;
  gWakeRead = wake[0];
  gWakeWrite = wake[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    std::fprintf(stderr, "wexo-peer: %s\n%s", error.text().c_str(), kUsage);
    return kExitUsage;
  }
}
