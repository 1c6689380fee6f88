// run-timed: runs one program to its end and records what it cost: wall
// time, the processor time of the program and every process it waited for,
// and the peak resident memory of the largest of them. The program keeps
// this process's standard input, output and error.
//
// usage: run-timed FIGURES PROGRAM [ARGUMENTS...]
// Writes one line to FIGURES: "WALL_US USER_US SYSTEM_US PEAK_KIB". The exit
// status is the program's, or 1 when it could not be started or was killed.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

long long microseconds(const timeval& time) {
  return static_cast<long long>(time.tv_sec) * 1000000 + time.tv_usec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: run-timed FIGURES PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  std::FILE* figures = std::fopen(argv[1], "we");
  if (figures == nullptr) {
    std::fprintf(stderr, "run-timed: cannot write %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  pid_t child;
  int error = posix_spawnp(&child, argv[2], nullptr, nullptr, argv + 2, environ);
  if (error != 0) {
    std::fprintf(stderr, "run-timed: cannot start %s: %s\n", argv[2], std::strerror(error));
    return 1;
  }
  int status = 0;
  rusage usage;
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "run-timed: lost track of %s: %s\n", argv[2], std::strerror(errno));
      return 1;
    }
  }
  auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::fprintf(figures, "%lld %lld %lld %ld\n", static_cast<long long>(wall.count()),
               microseconds(usage.ru_utime), microseconds(usage.ru_stime), usage.ru_maxrss);
  std::fclose(figures);
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "run-timed: %s was killed by signal %d\n", argv[2], WTERMSIG(status));
    return 1;
  }
  return WEXITSTATUS(status);
}
