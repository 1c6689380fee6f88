// Process surroundings on POSIX hosts, with the host's own command
// interpreter: words and redirections as command_words.h reads them, the
// program started with posix_spawn and waited for.
#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/command_words.h"
#include "platform/host_path_posix.h"

extern char** environ;

namespace platform {

namespace {

void complain(const std::string& what) {
  std::fprintf(stderr, "vokbuild: %s\n", what.c_str());
}

bool isExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// Where the program named by `word` lives: a word holding a separator is a
// path from the current directory; any other is looked for in the current
// directory first, then along PATH. Empty when there is no such program.
std::string findProgram(const std::string& word) {
  if (word.find_first_of("/\\") != std::string::npos)
    return isExecutableFile(hostPath(word)) ? hostPath(word) : std::string();
  if (word.empty())
    return std::string();
  if (isExecutableFile("./" + word))
    return "./" + word;
  const char* path = std::getenv("PATH");
  if (path == nullptr)
    return std::string();
  std::string folders = path;
  std::string::size_type start = 0;
  while (start <= folders.size()) {
    std::string::size_type end = folders.find(':', start);
    if (end == std::string::npos)
      end = folders.size();
    std::string folder = folders.substr(start, end - start);
    std::string candidate = (folder.empty() ? "." : folder) + "/" + word;
    if (isExecutableFile(candidate))
      return candidate;
    start = end + 1;
  }
  return std::string();
}

bool writeAll(int fd, const std::string& text) {
  std::string::size_type done = 0;
  while (done < text.size()) {
    ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    done += static_cast<std::string::size_type>(written);
  }
  return true;
}

// Opens every redirection target in order; the last one receives the
// output. Returns that descriptor, -1 for none, or -2 when a target cannot
// be opened (said on standard error).
int openRedirections(const std::vector<Redirection>& redirections) {
  int output = -1;
  for (const Redirection& redirection : redirections) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (redirection.append ? O_APPEND : O_TRUNC);
    int fd = ::open(hostPath(redirection.target).c_str(), flags, 0666);
    if (fd < 0) {
      complain("cannot open '" + redirection.target + "' for output: " + std::strerror(errno));
      if (output >= 0)
        ::close(output);
      return -2;
    }
    if (output >= 0)
      ::close(output);
    output = fd;
  }
  return output;
}

int spawnAndWait(const std::string& program, const std::vector<std::string>& words, int output) {
  std::vector<char*> argv;
  for (const std::string& word : words)
    argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output >= 0)
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  pid_t child;
  int error = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    complain("cannot start '" + words[0] + "': " + std::strerror(error));
    return 126;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      complain("lost track of '" + words[0] + "': " + std::strerror(errno));
      return 1;
    }
  }
  if (WIFSIGNALED(status)) {
    int signal = WTERMSIG(status);
    complain("'" + words[0] + "' was killed by signal " + std::to_string(signal) + " (" +
             strsignal(signal) + ")");
    return 128 + signal;
  }
  return WEXITSTATUS(status);
}

}  // namespace

Interpreter hostInterpreter() { return Interpreter::ownPosix; }

void prepareStandardOutput() {
  std::setvbuf(stdout, nullptr, ::isatty(STDOUT_FILENO) ? _IONBF : _IOFBF, 4096);
}

bool absolutePath(const std::string& path, std::string* absolute, std::string* error) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) {
    *absolute = path;
    return true;
  }
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      *error = std::string("cannot read the current directory: ") + std::strerror(errno);
      return false;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string start = buffer.data();
  *absolute = start + (start == "/" ? "" : "/") + path;
  return true;
}

bool changeDirectory(const std::string& path, std::string* error) {
  if (!path.empty() && ::chdir(hostPath(path).c_str()) == 0)
    return true;
  *error = path.empty() ? "empty path" : std::strerror(errno);
  return false;
}

bool interpreterAvailable(std::string*) { return true; }

int runCommand(const std::string& commandLine) {
  ParsedCommand parsed = parseCommandLine(commandLine);
  if (!parsed.error.empty()) {
    complain("cannot run '" + commandLine + "': " + parsed.error);
    return 1;
  }
  int output = openRedirections(parsed.redirections);
  if (output == -2)
    return 1;
  int result = 0;
  if (parsed.isEcho) {
    result = writeAll(output >= 0 ? output : STDOUT_FILENO, parsed.echoText + "\n") ? 0 : 1;
  } else if (!parsed.words.empty()) {
    std::string program = findProgram(parsed.words[0]);
    if (program.empty()) {
      complain("cannot run '" + parsed.words[0] +
               "': no such program in the current folder or along PATH");
      result = 127;
    } else {
      result = spawnAndWait(program, parsed.words, output);
    }
  }
  if (output >= 0)
    ::close(output);
  return result;
}

}  // namespace platform
