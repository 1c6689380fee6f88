// The end-to-end harness: temporary game folders, the two backends, one place
// that starts the program and collects what it left, and the expected bytes
// of a completed run.
#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool readBytes(const std::string& path, std::string* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return false;
  std::ostringstream content;
  content << file.rdbuf();
  *bytes = content.str();
  return true;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file)
    ADD_FAILURE() << "cannot write " << path;
}

void makeFolders(const std::string& path) {
  std::string::size_type slash = 0;
  while ((slash = path.find('/', slash + 1)) != std::string::npos)
    ::mkdir(path.substr(0, slash).c_str(), 0777);
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
    ADD_FAILURE() << "cannot create " << path << ": " << std::strerror(errno);
}

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP)
    ::rmdir(path);
  else
    ::unlink(path);
  return 0;
}

void removeTree(const std::string& path) {
  ::nftw(path.c_str(), removeEntry, 32, FTW_DEPTH | FTW_PHYS);
}

void copyProgram(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!readBytes(from, &bytes)) {
    ADD_FAILURE() << "cannot read " << from;
    return;
  }
  writeBytes(to, bytes);
  ::chmod(to.c_str(), 0755);
}

bool isExecutable(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

bool isFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The program `name` along the test process's PATH; empty when missing.
std::string alongPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path == nullptr ? "" : path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (isExecutable(candidate))
      return candidate;
  }
  return std::string();
}

bool underCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

std::string upperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  std::string::size_type at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// The test process's environment without the stand-in's own variables, so a
// developer's shell cannot change what the stand-in does.
std::map<std::string, std::string> inheritedEnvironment() {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    std::string::size_type equals = text.find('=');
    if (equals == std::string::npos || text.compare(0, 5, "PACK_") == 0)
      continue;
    variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  return variables;
}

// Starts `argv` in `startFolder` with exactly `variables`, standard input
// from /dev/null and standard output and error into the two files.
pid_t spawn(const std::vector<std::string>& argv,
            const std::map<std::string, std::string>& variables, const std::string& startFolder,
            const std::string& outPath, const std::string& errPath) {
  std::vector<std::string> environment;
  for (const auto& variable : variables)
    environment.push_back(variable.first + "=" + variable.second);
  std::vector<char*> argvPointers, environmentPointers;
  for (const std::string& word : argv)
    argvPointers.push_back(const_cast<char*>(word.c_str()));
  argvPointers.push_back(nullptr);
  for (const std::string& entry : environment)
    environmentPointers.push_back(const_cast<char*>(entry.c_str()));
  environmentPointers.push_back(nullptr);

  pid_t pid = ::fork();
  if (pid != 0)
    return pid;
  // Child: only async-signal-safe calls from here on.
  int input = ::open("/dev/null", O_RDONLY);
  int output = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int errors = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (input < 0 || output < 0 || errors < 0 || ::chdir(startFolder.c_str()) != 0)
    ::_exit(126);
  ::dup2(input, STDIN_FILENO);
  ::dup2(output, STDOUT_FILENO);
  ::dup2(errors, STDERR_FILENO);
  ::execve(argvPointers[0], argvPointers.data(), environmentPointers.data());
  ::_exit(127);
}

// Waits for `pid`; kills it once `timeoutSeconds` have passed since
// `startedAt`. Returns the wait status and sets `timedOut`.
int waitFor(pid_t pid, double startedAt, int timeoutSeconds, bool* timedOut) {
  *timedOut = false;
  int status = 0;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid)
      return status;
    if (done < 0 && errno != EINTR)
      return status;
    if (!*timedOut && nowSeconds() - startedAt > timeoutSeconds) {
      *timedOut = true;
      ::kill(pid, SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Runs `argv` to the end with output thrown into `logPrefix`.{out,err};
// returns its exit status.
int runQuietly(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& variables, const std::string& folder,
               const std::string& logPrefix) {
  bool timedOut = false;
  pid_t pid = spawn(argv, variables, folder, logPrefix + ".out", logPrefix + ".err");
  int status = waitFor(pid, nowSeconds(), 180, &timedOut);
  return WIFEXITED(status) && !timedOut ? WEXITSTATUS(status) : -1;
}

std::vector<PackerCall> parseRecord(const std::string& bytes) {
  std::vector<PackerCall> calls;
  PackerCall call;
  std::string::size_type at = 0;
  while (at < bytes.size()) {
    if (bytes[at] == '\n') {
      calls.push_back(call);
      call.clear();
      ++at;
      continue;
    }
    std::string::size_type nul = bytes.find('\0', at);
    if (nul == std::string::npos) {
      ADD_FAILURE() << "packer record ends inside an argument";
      break;
    }
    call.push_back(bytes.substr(at, nul - at));
    at = nul + 1;
  }
  if (!call.empty())
    ADD_FAILURE() << "packer record ends inside a call";
  return calls;
}

// Adds every entry below `path` to `tree` under `key`: folders, files with
// their bytes, links with their targets.
void walk(const std::string& path, const std::string& key,
          std::map<std::string, std::string>* tree) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0)
    return;
  if (S_ISLNK(info.st_mode)) {
    std::vector<char> target(4096);
    ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    (*tree)[key] = "link " + std::string(target.data(), length < 0 ? 0 : length);
  } else if (S_ISDIR(info.st_mode)) {
    (*tree)[key] = "folder";
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr)
      return;
    while (dirent* entry = ::readdir(folder)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..")
        walk(path + "/" + name, key + "/" + name, tree);
    }
    ::closedir(folder);
  } else if (S_ISREG(info.st_mode)) {
    std::string bytes;
    readBytes(path, &bytes);
    (*tree)[key] = "file " + bytes;
  } else {
    (*tree)[key] = "other";
  }
}

// The names in a folder, in readdir order, without "." and "..".
std::vector<std::string> readdirNames(const std::string& path) {
  std::vector<std::string> names;
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr)
    return names;
  while (dirent* entry = ::readdir(folder)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  ::closedir(folder);
  return names;
}

const char kPosixProgram[] = VOKBUILD_POSIX_PROGRAM;
const char kPosixPacker[] = VOKBUILD_POSIX_PACKER;
const char kWindowsBuild[] = VOKBUILD_WINDOWS_BUILD;

class PosixBackend : public Backend {
 public:
  BackendKind kind() const override { return BackendKind::posix; }
  const char* name() const override { return "Posix"; }
  std::string unavailableReason() const override {
    if (!isExecutable(kPosixProgram))
      return std::string("the program is not built: ") + kPosixProgram;
    return std::string();
  }
  std::string programPath(const std::string& hostPath) const override { return hostPath; }
  char separator() const override { return '/'; }
  std::string platformText(const std::string& text) const override { return text; }
  std::vector<std::string> listingOrder(std::vector<std::string> readdirOrder) const override {
    return readdirOrder;
  }
};

class WineBackend : public Backend {
 public:
  BackendKind kind() const override { return BackendKind::wine; }
  const char* name() const override { return "Wine"; }
  std::string unavailableReason() const override {
    std::string build = kWindowsBuild;
    if (build.empty())
      return "VOKBUILD_WINDOWS_BUILD (the Windows build folder) is not set";
    if (!isFile(build + "/vokbuild.exe"))
      return "no vokbuild.exe in VOKBUILD_WINDOWS_BUILD=" + build;
    if (!isFile(build + "/stand-in-pack.exe"))
      return "no stand-in-pack.exe in VOKBUILD_WINDOWS_BUILD=" + build;
    if (alongPath("wine").empty() || alongPath("wineserver").empty())
      return "wine or wineserver is not on PATH";
    return std::string();
  }
  std::string programPath(const std::string& hostPath) const override {
    std::string path = "Z:" + hostPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  char separator() const override { return '\\'; }
  std::string platformText(const std::string& text) const override {
    return replaceAll(text, "\n", "\r\n");
  }
  std::vector<std::string> listingOrder(std::vector<std::string> readdirOrder) const override {
    std::stable_sort(
        readdirOrder.begin(), readdirOrder.end(),
        [](const std::string& a, const std::string& b) { return upperCase(a) < upperCase(b); });
    return readdirOrder;
  }
};

// The environment every Wine program of this process runs with.
std::map<std::string, std::string> wineEnvironment(const std::string& prefix) {
  std::map<std::string, std::string> variables = inheritedEnvironment();
  variables["WINEPREFIX"] = prefix;
  variables["WINEDEBUG"] = "-all";
  variables["LANG"] = "C.UTF-8";
  // No Mono or Gecko installers while the prefix is made, and no windows.
  variables["WINEDLLOVERRIDES"] = "mscoree,mshtml=";
  variables.erase("LC_ALL");
  variables.erase("DISPLAY");
  variables.erase("WAYLAND_DISPLAY");
  return variables;
}

// The one Wine prefix of this test process: made and warmed on first use,
// shut down and removed when the process's tests end.
class WinePrefix : public ::testing::Environment {
 public:
  // The prefix's path, or empty with `error` set when it cannot be made.
  const std::string& path(std::string* error) {
    if (!tried_) {
      tried_ = true;
      make();
    }
    *error = error_;
    return path_;
  }

  void TearDown() override {
    if (path_.empty())
      return;
    runQuietly({alongPath("wineserver"), "-w"}, wineEnvironment(path_), "/", folder_ + "/stop");
    removeTree(folder_);
    path_.clear();
  }

 private:
  void make() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vokbuild-wine-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
      error_ = "cannot make a folder for the Wine prefix: " + std::string(std::strerror(errno));
      return;
    }
    folder_ = buffer.data();
    std::string prefix = folder_ + "/prefix";
    std::map<std::string, std::string> variables = wineEnvironment(prefix);
    int status =
        runQuietly({alongPath("wine"), "cmd", "/c", "echo"}, variables, folder_, folder_ + "/warm");
    runQuietly({alongPath("wineserver"), "-w"}, variables, folder_, folder_ + "/warm-stop");
    if (status != 0) {
      std::string errors;
      readBytes(folder_ + "/warm.err", &errors);
      error_ = "cannot make the Wine prefix (wine cmd /c echo gave " + std::to_string(status) +
               "): " + errors;
      path_ = prefix;  // still shut down and removed at the end
      return;
    }
    path_ = prefix;
  }

  bool tried_ = false;
  std::string folder_;
  std::string path_;
  std::string error_;
};

WinePrefix* const winePrefix =
    static_cast<WinePrefix*>(::testing::AddGlobalTestEnvironment(new WinePrefix));

const char kStagingNames[][6] = {"temp", "tempL"};

}  // namespace

const Backend& backend(BackendKind kind) {
  static const PosixBackend posix;
  static const WineBackend wine;
  if (kind == BackendKind::wine)
    return wine;
  return posix;
}

void PrintTo(BackendKind kind, std::ostream* stream) {
  *stream << backend(kind).name();
}

ExpectedRun ExpectedRun::sequential(const std::string& rootText,
                                    const std::vector<std::string>& mainNames,
                                    const std::vector<std::string>& secondNames) {
  ExpectedRun expected;
  expected.rootText = rootText;
  int number = 0;
  for (const std::string& name : mainNames)
    expected.adds.push_back({Staging::main, name, ++number});
  for (const std::string& name : secondNames)
    expected.adds.push_back({Staging::second, name, ++number});
  expected.total = number;
  return expected;
}

std::string progressText(int number, int total, const std::string& name) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "Packing file %4d of %4d (", number, total);
  return numbers + name + ")         ";
}

std::string stagedArgument(const std::string& rootText, Staging staging, const std::string& name) {
  return rootText + "\\expansion\\vok\\" + kStagingNames[static_cast<int>(staging)] + "\\" + name;
}

namespace {

const char* archiveOf(Staging staging) {
  return staging == Staging::main ? "expansion\\vok\\vok.zqb" : "expansion\\vok\\vokL.zqb";
}

}  // namespace

std::string expectedStdout(const ExpectedRun& expected) {
  std::string out = "Logging to: " + expected.rootText + "\\voklog.txt\n" +
                    "Packing resource files, please wait...\n";
  for (const ExpectedAdd& add : expected.adds)
    out += "\r" + progressText(add.number, expected.total, add.name);
  out +=
      "\n"
      "Done packing resource files\n"
      "Removing unused files (may take a minute or two)...done\n"
      "\n"
      "Optimizing zqb...\n"
      "stand-in pack: optimize expansion\\vok\\vok.zqb\n"
      "\n"
      "All done!\n";
  return out;
}

std::vector<PackerCall> expectedCalls(const ExpectedRun& expected) {
  std::vector<PackerCall> calls;
  for (const ExpectedAdd& add : expected.adds) {
    calls.push_back({archiveOf(add.staging),
                     stagedArgument(expected.rootText, add.staging, add.name), "/force"});
  }
  for (const PackerCall& removal : expected.removals)
    calls.push_back(removal);
  calls.push_back({"expansion\\vok\\vok.zqb", "/opt"});
  return calls;
}

std::string expectedLog(const ExpectedRun& expected) {
  std::string log = "VOK Log Start \n";
  for (const ExpectedAdd& add : expected.adds) {
    log += "stand-in pack: add \"" + stagedArgument(expected.rootText, add.staging, add.name) +
           "\" to " + archiveOf(add.staging) + "\n";
  }
  for (const PackerCall& removal : expected.removals) {
    log += "stand-in pack: remove";
    for (const std::string& argument : removal)
      log += " " + argument;
    log += "\n";
  }
  return log;
}

std::vector<ProgressLine> progressLines(const std::string& out) {
  static const std::string kStart = "Packing file ";
  static const std::string kEnd = ")         ";
  std::vector<ProgressLine> lines;
  std::string::size_type at = 0;
  while ((at = out.find('\r', at)) != std::string::npos) {
    ++at;
    if (out.compare(at, kStart.size(), kStart) != 0)
      continue;
    std::string text = out.substr(at, out.find_first_of("\r\n", at) - at);
    ProgressLine line;
    const char* cursor = text.c_str() + kStart.size();
    char* rest = nullptr;
    line.number = static_cast<int>(std::strtol(cursor, &rest, 10));
    std::string tail = rest;
    if (tail.compare(0, 4, " of ") == 0) {
      line.total = static_cast<int>(std::strtol(tail.c_str() + 4, &rest, 10));
      tail = rest;
    }
    if (tail.compare(0, 2, " (") == 0 && tail.size() >= 2 + kEnd.size() &&
        tail.compare(tail.size() - kEnd.size(), kEnd.size(), kEnd) == 0)
      line.name = tail.substr(2, tail.size() - 2 - kEnd.size());
    else
      line.name = "<unreadable progress line: " + text + ">";
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> findNamed(const std::string& folder, const std::string& name) {
  std::map<std::string, std::string> tree;
  walk(folder, "", &tree);
  std::vector<std::string> found;
  for (const auto& entry : tree) {
    std::string::size_type slash = entry.first.rfind('/');
    if (slash != std::string::npos && entry.first.substr(slash + 1) == name)
      found.push_back(folder + entry.first);
  }
  return found;
}

void GameTest::setUpFor(BackendKind kind) {
  backend_ = &e2e::backend(kind);
  std::string reason = backend_->unavailableReason();
  if (!reason.empty()) {
    if (underCi())
      FAIL() << backend_->name() << " tests cannot run under CI: " << reason;
    GTEST_SKIP() << backend_->name() << " tests skipped: " << reason;
  }
  if (kind == BackendKind::wine) {
    std::string error;
    winePrefix->path(&error);
    if (!error.empty())
      FAIL() << error;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vokbuild-e2e-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  ASSERT_NE(::mkdtemp(buffer.data()), nullptr) << "cannot make " << pattern;
  char* resolved = ::realpath(buffer.data(), nullptr);
  ASSERT_NE(resolved, nullptr);
  top_ = resolved;
  std::free(resolved);
  root_ = top_ + "/game";
  makeFolders(root_);
  makeFolders(top_ + "/bin");
  makeFolders(top_ + "/runs");
  installPacker();
}

void GameTest::TearDown() {
  if (!top_.empty())
    removeTree(top_);
}

std::string GameTest::vokFolder() const {
  return root_ + "/expansion/vok";
}

std::string GameTest::stagingFolder(Staging staging) const {
  return vokFolder() + "/" + kStagingNames[static_cast<int>(staging)];
}

void GameTest::renameRoot(const std::string& name) {
  std::string renamed = top_ + "/" + name;
  ASSERT_EQ(::rename(root_.c_str(), renamed.c_str()), 0) << std::strerror(errno);
  root_ = renamed;
}

void GameTest::removeRoot() {
  removeTree(root_);
}

void GameTest::freshRoot(const std::string& name) {
  root_ = top_ + "/" + name;
  makeFolders(root_);
  installPacker();
}

void GameTest::makeStaging(Staging staging) {
  makeFolders(stagingFolder(staging));
}

void GameTest::stage(Staging staging, const std::vector<std::string>& names) {
  makeStaging(staging);
  for (const std::string& name : names)
    writeBytes(stagingFolder(staging) + "/" + name, name);
}

void GameTest::makeFolder(const std::string& relative) {
  makeFolders(root_ + "/" + relative);
}

void GameTest::writeFile(const std::string& relative, const std::string& bytes) {
  std::string path = root_ + "/" + relative;
  makeFolders(path.substr(0, path.rfind('/')));
  writeBytes(path, bytes);
}

void GameTest::writeRemovalList(const std::string& bytes) {
  writeFile("expansion/vok/deleteList.txt", bytes);
}

void GameTest::installPacker() {
  if (backend_->kind() == BackendKind::wine)
    copyProgram(std::string(kWindowsBuild) + "/stand-in-pack.exe", root_ + "/pack.exe");
  else
    copyProgram(kPosixPacker, top_ + "/bin/pack.exe");
}

void GameTest::removePacker() {
  ::unlink((root_ + "/pack.exe").c_str());
  ::unlink((top_ + "/bin/pack.exe").c_str());
}

std::vector<std::string> GameTest::listingOrder(Staging staging) const {
  std::string folder = stagingFolder(staging);
  std::vector<std::string> counted;
  for (const std::string& name : readdirNames(folder)) {
    struct stat info;
    std::string path = folder + "/" + name;
    if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0)
      continue;
    if (!S_ISDIR(info.st_mode) && name[0] != '.')
      counted.push_back(name);
  }
  return backend_->listingOrder(counted);
}

std::map<std::string, std::string> GameTest::snapshot() const {
  std::map<std::string, std::string> tree;
  for (const char* part : {"temp", "tempL", "deleteList.txt"})
    walk(vokFolder() + "/" + part, part, &tree);
  return tree;
}

StartedRun GameTest::start(const RunOptions& options) {
  StartedRun started;
  started.number = ++runs_;
  std::string prefix = top_ + "/runs/" + std::to_string(started.number);
  started.outPath = prefix + ".out";
  started.errPath = prefix + ".err";
  started.recordPath = prefix + ".record";
  started.packerDeletes = options.packerDeletes;
  started.timeoutSeconds = options.timeoutSeconds;
  started.treeBefore = snapshot();

  std::vector<std::string> arguments = options.arguments;
  if (options.useDefaultArgument)
    arguments = {rootText()};

  std::map<std::string, std::string> variables;
  std::vector<std::string> argv;
  if (backend_->kind() == BackendKind::wine) {
    std::string error;
    variables = wineEnvironment(winePrefix->path(&error));
    argv = {alongPath("wine"), std::string(kWindowsBuild) + "/vokbuild.exe"};
  } else {
    variables = inheritedEnvironment();
    variables["PATH"] = top_ + "/bin" + (variables.count("PATH") ? ":" + variables["PATH"] : "");
    argv = {kPosixProgram};
  }
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  variables["PACK_RECORD"] = started.recordPath;
  if (!options.packerDeletes.empty()) {
    std::string list;
    for (const std::string& path : options.packerDeletes)
      list += (list.empty() ? "" : "|") + path;
    variables["PACK_DELETE"] = list;
  }
  for (const auto& variable : options.environment)
    variables[variable.first] = variable.second;
  for (const std::string& name : options.unset)
    variables.erase(name);

  started.startedAt = nowSeconds();
  started.pid = spawn(argv, variables, options.startFolder.empty() ? top_ : options.startFolder,
                      started.outPath, started.errPath);
  return started;
}

RunResult GameTest::finish(StartedRun& started) {
  RunResult result;
  int status = waitFor(started.pid, started.startedAt, started.timeoutSeconds, &result.timedOut);
  result.seconds = nowSeconds() - started.startedAt;
  started.pid = -1;
  EXPECT_FALSE(result.timedOut) << "run " << started.number << " killed after "
                                << started.timeoutSeconds << " s";
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  readBytes(started.outPath, &result.out);
  readBytes(started.errPath, &result.err);
  std::string record;
  if (readBytes(started.recordPath, &record))
    result.calls = parseRecord(record);
  result.logWritten = readBytes(root_ + "/voklog.txt", &result.log);

  // The driver never changes the staging folders or the list; only the
  // stand-in removes what it was told to.
  std::map<std::string, std::string> expectedTree = started.treeBefore;
  for (const std::string& path : started.packerDeletes) {
    std::string key = path.compare(0, vokFolder().size() + 1, vokFolder() + "/") == 0
                          ? path.substr(vokFolder().size() + 1)
                          : path;
    expectedTree.erase(key);
  }
  std::map<std::string, std::string> after = snapshot();
  if (after != expectedTree) {
    std::string changes;
    for (const auto& entry : expectedTree) {
      auto found = after.find(entry.first);
      if (found == after.end())
        changes += "  gone: " + entry.first + "\n";
      else if (found->second != entry.second)
        changes += "  changed: " + entry.first + "\n";
    }
    for (const auto& entry : after) {
      if (expectedTree.count(entry.first) == 0)
        changes += "  new: " + entry.first + "\n";
    }
    ADD_FAILURE() << "run " << started.number
                  << " changed the staging folders or the removal list:\n"
                  << changes;
  }
  return result;
}

RunResult GameTest::run(const RunOptions& options) {
  StartedRun started = start(options);
  return finish(started);
}

void GameTest::expectCompletedRun(const RunResult& result, const ExpectedRun& expected) const {
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.calls, expectedCalls(expected));
  EXPECT_EQ(result.out, backend_->platformText(expectedStdout(expected)));
  EXPECT_TRUE(result.logWritten);
  EXPECT_EQ(result.log, backend_->platformText(expectedLog(expected)));
  if (expected.quietErrors) {
    EXPECT_EQ(result.err, "");
  }
}

void BackendGameTest::SetUp() {
  setUpFor(GetParam());
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace e2e
