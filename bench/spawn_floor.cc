// spawn-floor: the benchmark's yardsticks for vokbuild's packing phase. It
// makes the same packer calls the driver makes for the files of the main
// staging folder, and nothing else: by default each call starts pack.exe
// directly with posix_spawn and waits for it (the floor any driver pays);
// with --shell each call goes through `/bin/sh -c '... >> voklog.txt'`, as a
// port that hands every command line to the shell does. The loop is the same
// in both modes, so the difference between them is the shell alone.
//
// usage: spawn-floor [--shell] ROOT NAMES
//   ROOT   the game folder, absolute, as vokbuild is given it
//   NAMES  a file with one staged file name per line, read before the loop
// Standard output of every call is appended to ROOT/voklog.txt.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

int fail(const std::string& what) {
  std::fprintf(stderr, "spawn-floor: %s\n", what.c_str());
  return 1;
}

// The first executable "pack.exe" along PATH, looked up once, before the loop.
std::string findPacker() {
  const char* path = std::getenv("PATH");
  std::string folders = path == nullptr ? "" : path;
  std::string::size_type start = 0;
  while (start <= folders.size()) {
    std::string::size_type end = folders.find(':', start);
    if (end == std::string::npos)
      end = folders.size();
    std::string folder = folders.substr(start, end - start);
    std::string candidate = (folder.empty() ? "." : folder) + "/pack.exe";
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::string();
}

// Starts `program` with `argv`, its standard output on `output` when that is
// not -1, and waits for it. False when it could not be started or waited for.
bool spawnAndWait(const char* program, char* const* argv, int output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output >= 0)
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  pid_t child;
  int error = posix_spawn(&child, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    fail(std::string("cannot start ") + program + ": " + std::strerror(error));
    return false;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR)
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool shell = argc > 1 && std::strcmp(argv[1], "--shell") == 0;
  if (argc != (shell ? 4 : 3))
    return fail("usage: spawn-floor [--shell] ROOT NAMES");
  std::string root = argv[shell ? 2 : 1];

  std::vector<std::string> names;
  std::ifstream list(argv[shell ? 3 : 2]);
  if (!list)
    return fail(std::string("cannot read ") + argv[shell ? 3 : 2]);
  for (std::string name; std::getline(list, name);)
    names.push_back(name);
  if (::chdir(root.c_str()) != 0)
    return fail("cannot enter " + root + ": " + std::strerror(errno));

  // Every argument vector is composed before the loop, so the loop holds the
  // spawns and the waits alone.
  std::string folder = root + "\\expansion\\vok\\temp\\";
  std::vector<std::vector<std::string>> calls;
  for (const std::string& name : names) {
    if (shell) {
      if ((folder + name).find('\'') != std::string::npos)
        return fail("a name holds a single quote: " + name);
      calls.push_back(
          {"sh", "-c",
           "pack.exe 'expansion\\vok\\vok.zqb' '" + folder + name + "' /force >> voklog.txt"});
    } else {
      calls.push_back({"pack.exe", "expansion\\vok\\vok.zqb", folder + name, "/force"});
    }
  }
  std::vector<std::vector<char*>> vectors;
  for (std::vector<std::string>& call : calls) {
    std::vector<char*> vector;
    for (std::string& word : call)
      vector.push_back(&word[0]);
    vector.push_back(nullptr);
    vectors.push_back(vector);
  }

  std::string program = shell ? "/bin/sh" : findPacker();
  if (program.empty())
    return fail("no pack.exe along PATH");
  int log = -1;
  if (!shell) {
    log = ::open("voklog.txt", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (log < 0)
      return fail(std::string("cannot open voklog.txt: ") + std::strerror(errno));
  }

  for (const std::vector<char*>& vector : vectors) {
    if (!spawnAndWait(program.c_str(), vector.data(), log))
      return 1;
  }
  if (log >= 0)
    ::close(log);
  return 0;
}
