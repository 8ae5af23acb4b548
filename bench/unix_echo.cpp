// The floor under any local message transport: a bare AF_UNIX stream between two processes, one
// writing a message of the given size and waiting for the other to write it back.
//   unix_echo [--count N] [--size B]   prints one JSON line with the round trips per second
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long count = 20000;
  long size = 64;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--count") == 0) count = std::atol(argv[i + 1]);
    if (std::strcmp(argv[i], "--size") == 0) size = std::atol(argv[i + 1]);
  }
  if (count <= 0 || size <= 0) {
    std::fprintf(stderr, "usage: unix_echo [--count N] [--size B]\n");
    return 64;
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 1;
  std::vector<char> buffer(static_cast<size_t>(size), 'x');
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pair[0]);
    while (ReadAll(pair[1], buffer.data(), buffer.size()) &&
           WriteAll(pair[1], buffer.data(), buffer.size())) {
    }
    ::_exit(0);
  }
  ::close(pair[1]);
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < count; ++i) {
    if (!WriteAll(pair[0], buffer.data(), buffer.size()) ||
        !ReadAll(pair[0], buffer.data(), buffer.size())) {
      return 1;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ::close(pair[0]);
  ::waitpid(child, nullptr, 0);
  std::printf("{\"count\":%ld,\"size\":%ld,\"seconds\":%.3f,\"round_trips_per_second\":%.0f}\n",
              count, size, seconds, count / seconds);
  return 0;
}
