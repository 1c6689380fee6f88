// End-to-end robustness of the built program on POSIX: one run per game
// folder at a time, Ctrl-C stopping the whole run, each fault of the packer,
// the log or the staging folders letting the rest of the run go on, and a
// run over 100,000 staged files and list lines.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

extern char** environ;

namespace {

using e2e::ExpectedAdd;
using e2e::ExpectedRun;
using e2e::linesOf;
using e2e::PackerCall;
using e2e::RunOptions;
using e2e::RunResult;
using e2e::Staging;
using e2e::StartedRun;

const PackerCall kFirstRemoval = {"expansion\\vok\\vok.zqb", "x.dat"};
const PackerCall kSecondRemoval = {"expansion\\vok\\vokL.zqb", "y.dat"};
const char kOptimizeOutput[] = "stand-in pack: optimize expansion\\vok\\vok.zqb\n";

// How many packer calls the file at `path` records so far (each call ends
// with a line feed).
std::size_t recordedCalls(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// Waits until the record at `path` holds `calls` calls; false after 30 s.
bool waitForCalls(const std::string& path, std::size_t calls) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (recordedCalls(path) < calls) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Standard error holds exactly these lines, in any order: for each needle,
// `count` lines that contain it.
struct ErrorLines {
  std::string needle;
  int count;
};

void expectErrorLines(const std::string& err, const std::vector<ErrorLines>& expected) {
  std::vector<std::string> lines = linesOf(err);
  std::size_t total = 0;
  for (const ErrorLines& kind : expected) {
    total += static_cast<std::size_t>(kind.count);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.find(kind.needle) != std::string::npos;
                            }),
              kind.count)
        << "lines holding \"" << kind.needle << "\" in:\n"
        << err;
  }
  EXPECT_EQ(lines.size(), total) << err;
}

// A game folder with two files in the first staging folder, one in the
// second and a removal list of two lines: six packer calls in all.
class RobustnessTest : public e2e::GameTest {
 public:
  // For the fault table's set-up functions.
  using GameTest::makeFolder;
  using GameTest::removePacker;
  using GameTest::vokFolder;

 protected:
  void SetUp() override {
    GameTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    stage(Staging::main, {"a.dat", "b c.dat"});
    stage(Staging::second, {"d.dat"});
    writeRemovalList("vok.zqb x.dat\nvokL.zqb y.dat\n");
  }

  ExpectedRun expectedRun() const {
    ExpectedRun expected = ExpectedRun::sequential(rootText(), listingOrder(Staging::main),
                                                   listingOrder(Staging::second));
    expected.removals = {kFirstRemoval, kSecondRemoval};
    return expected;
  }

  // A second game folder TOP/`name` with one staged file; returns its path.
  std::string makeOtherRoot(const std::string& name) {
    std::string other = top() + "/" + name;
    for (const char* folder : {"", "/expansion", "/expansion/vok", "/expansion/vok/temp"})
      ::mkdir((other + folder).c_str(), 0755);
    std::ofstream(other + "/expansion/vok/temp/o.dat") << "o";
    return other;
  }
};

// --- One run per game folder ------------------------------------------------

TEST_F(RobustnessTest, SecondRunOnTheSameRootIsTurnedAwayHoweverItIsSpelled) {
  ::symlink(root().c_str(), (top() + "/link").c_str());
  std::string relative = root().substr(top().size() + 1);
  std::string backslashed = top() + "\\" + relative;
  struct Spelling {
    const char* what;
    std::string argument;
  };
  const Spelling spellings[] = {
      {"as the first run", rootText()},
      {"with a trailing slash", rootText() + "/"},
      {"with a trailing backslash", rootText() + "\\"},
      {"with a backslash separator", backslashed},
      {"with a doubled slash and a dot", top() + "//./" + relative},
      {"relative to the starting folder", relative},
      {"through a link", top() + "/link"},
  };

  RunOptions slow;
  slow.environment["PACK_SLEEP_MS"] = "600";
  StartedRun first = start(slow);
  ASSERT_TRUE(waitForCalls(first.recordPath, 1));
  for (const Spelling& spelling : spellings) {
    SCOPED_TRACE(spelling.what);
    RunOptions second;
    second.useDefaultArgument = false;
    second.arguments = {spelling.argument};
    RunResult blocked = run(second);
    EXPECT_EQ(blocked.exitStatus, 1);
    EXPECT_EQ(blocked.out, "");
    EXPECT_TRUE(blocked.calls.empty());
    EXPECT_EQ(blocked.err.compare(0, 10, "vokbuild: "), 0) << blocked.err;
    EXPECT_NE(blocked.err.find("another build is already running"), std::string::npos)
        << blocked.err;
    EXPECT_EQ(std::count(blocked.err.begin(), blocked.err.end(), '\n'), 1) << blocked.err;
  }
  EXPECT_LT(recordedCalls(first.recordPath), 6u) << "the first run finished too early";
  // The first run's log and calls are whole: nobody else started the log
  // afresh or packed in between.
  expectCompletedRun(finish(first), expectedRun());
}

TEST_F(RobustnessTest, RunOnAnotherRootIsNotBlocked) {
  std::string other = makeOtherRoot("other");
  RunOptions slow;
  slow.environment["PACK_SLEEP_MS"] = "600";
  StartedRun first = start(slow);
  ASSERT_TRUE(waitForCalls(first.recordPath, 1));

  RunOptions beside;
  beside.useDefaultArgument = false;
  beside.arguments = {other};
  RunResult second = run(beside);
  EXPECT_EQ(second.exitStatus, 0);
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(second.calls,
            (std::vector<PackerCall>{
                {"expansion\\vok\\vok.zqb", other + "\\expansion\\vok\\temp\\o.dat", "/force"},
                {"expansion\\vok\\vok.zqb", "/opt"}}));
  EXPECT_LT(recordedCalls(first.recordPath), 6u) << "the first run finished too early";
  expectCompletedRun(finish(first), expectedRun());
}

TEST_F(RobustnessTest, LockEndsWhenTheRunIsKilled) {
  // The packer outlives the killed run: the lock must go with the driver,
  // not stay with the program it started.
  RunOptions slow;
  slow.environment["PACK_SLEEP_MS"] = "2000";
  StartedRun first = start(slow);
  ASSERT_TRUE(waitForCalls(first.recordPath, 1));
  ASSERT_EQ(::kill(first.pid, SIGKILL), 0);
  RunResult killed = finish(first);
  EXPECT_EQ(killed.signal, SIGKILL);

  expectCompletedRun(run(), expectedRun());
}

// --- Interrupts ---------------------------------------------------------------

// Starts vokbuild on `root` in a process group of its own, as a shell starts
// a foreground job, with Ctrl-C at its default action whatever the test
// process inherited.
pid_t startInOwnGroup(const std::string& root, const std::vector<std::string>& variables,
                      const std::string& outPath, const std::string& errPath) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "PACK_", 5) != 0 && std::strncmp(*entry, "PATH=", 5) != 0)
      environment.push_back(*entry);
  }
  environment.insert(environment.end(), variables.begin(), variables.end());
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(&entry[0]);
  envp.push_back(nullptr);
  std::string program = VOKBUILD_PROGRAM;
  std::string argument = root;
  char* argv[] = {&program[0], &argument[0], nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, envp.data()) != 0)
    pid = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for `pid` up to `seconds`; false (with the group killed) after that.
bool waitForExit(pid_t pid, int seconds, int* status) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (::waitpid(pid, status, WNOHANG) != pid) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST_F(RobustnessTest, CtrlCDuringAPackerCallStopsTheWholeRun) {
  std::string record = top() + "/interrupted.record";
  std::string outPath = top() + "/interrupted.out";
  pid_t pid = startInOwnGroup(
      rootText(),
      {"PATH=" + top() + "/bin:/usr/bin:/bin", "PACK_RECORD=" + record, "PACK_SLEEP_MS=3000"},
      outPath, top() + "/interrupted.err");
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(waitForCalls(record, 1));
  ASSERT_EQ(::kill(-pid, SIGINT), 0);

  int status = 0;
  bool ended = waitForExit(pid, 20, &status);
  ::kill(-pid, SIGKILL);  // whatever of the group is left
  ASSERT_TRUE(ended) << "vokbuild went on after Ctrl-C";
  EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) ||
              (WIFEXITED(status) && WEXITSTATUS(status) == 130))
      << "wait status " << status;
  EXPECT_EQ(recordedCalls(record), 1u) << "a packer call started after Ctrl-C";
  std::ifstream out(outPath, std::ios::binary);
  std::string console((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
  EXPECT_EQ(console.find("All done!"), std::string::npos);
}

// --- Faults -------------------------------------------------------------------

// Which of the run's six packer calls reach the packer.
enum class Reach { all, none, optimizeOnly, allButRemovals };

struct Fault {
  const char* name;
  void (*arrange)(RobustnessTest& test, RunOptions& options);
  Reach reach;
  std::vector<ErrorLines> errors;  // exactly these lines on standard error
};

// Names a case by its name in test listings.
void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.name;
}

class FaultTest : public RobustnessTest, public ::testing::WithParamInterface<Fault> {};

const Fault kFaults[] = {
    {"PackerNotFound",
     [](RobustnessTest& test, RunOptions&) { test.removePacker(); },
     Reach::none,
     {{"vokbuild: cannot run 'pack.exe'", 6}}},
    {"PackerFailsEveryCall",
     [](RobustnessTest&, RunOptions& options) { options.environment["PACK_FAIL"] = "1"; },
     Reach::all,
     {{"stand-in-pack: failing as asked", 6}}},
    {"PackerKilledBySignal",
     [](RobustnessTest&, RunOptions& options) { options.environment["PACK_CRASH"] = "1"; },
     Reach::all,
     {{"stand-in-pack: crashing as asked", 6}, {"vokbuild: 'pack.exe' was killed by signal 9", 6}}},
    // The log start and each of the five redirected calls cannot open it.
    {"LogIsAFolder",
     [](RobustnessTest& test, RunOptions&) { test.makeFolder("voklog.txt"); },
     Reach::optimizeOnly,
     {{"vokbuild: cannot open 'voklog.txt' for output", 6}}},
    {"RemovalListIsAFolder",
     [](RobustnessTest& test, RunOptions&) {
       ::unlink((test.vokFolder() + "/deleteList.txt").c_str());
       test.makeFolder("expansion/vok/deleteList.txt");
     },
     Reach::allButRemovals,
     {{"vokbuild: not replaying the removal list '", 1}}},
};

TEST_P(FaultTest, RunGoesOnWithEveryOtherCommand) {
  RunOptions options;
  GetParam().arrange(*this, options);
  RunResult result = run(options);

  ExpectedRun expected = expectedRun();
  if (GetParam().reach == Reach::allButRemovals)
    expected.removals.clear();
  std::vector<PackerCall> calls = e2e::expectedCalls(expected);
  std::string out = e2e::expectedStdout(expected);
  std::string log = e2e::expectedLog(expected);
  switch (GetParam().reach) {
    case Reach::none:
      calls.clear();
      out.erase(out.find(kOptimizeOutput), std::strlen(kOptimizeOutput));
      log = "VOK Log Start \n";
      break;
    case Reach::optimizeOnly:
      calls = {calls.back()};
      break;
    case Reach::all:
    case Reach::allButRemovals:
      break;
  }
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, out);
  EXPECT_EQ(result.calls, calls);
  if (GetParam().reach == Reach::optimizeOnly) {
    struct stat info;
    EXPECT_TRUE(::stat((root() + "/voklog.txt").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
  } else {
    EXPECT_EQ(result.log, log);
  }
  expectErrorLines(result.err, GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                           return std::string(info.param.name);
                         });

// A staging folder that the packer deletes, files and folder, during the
// first add call: the rest of the run goes on without it.
TEST_F(RobustnessTest, StagingFolderDeletedWhileTheRunIsUnderWay) {
  struct Case {
    const char* what;
    Staging deleted;
    std::vector<std::string> names;  // what it held, staged again afterwards
    std::string warning;             // the one line on standard error, after the root
  };
  const Case cases[] = {
      {"during its own pass",
       Staging::main,
       {"a.dat", "b c.dat"},
       "\\expansion\\vok\\temp' holds fewer files than were counted: 1 of 2 not packed\n"},
      {"before its pass",
       Staging::second,
       {"d.dat"},
       "\\expansion\\vok\\tempL' holds fewer files than were counted: 1 of 1 not packed\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> main = listingOrder(Staging::main);
    std::vector<std::string> second = listingOrder(Staging::second);
    RunOptions options;
    std::string folder = stagingFolder(c.deleted);
    for (const std::string& name : c.names)
      options.packerDeletes.push_back(folder + "/" + name);
    options.packerDeletes.push_back(folder);
    RunResult result = run(options);

    ExpectedRun expected;
    expected.rootText = rootText();
    expected.total = 3;
    expected.removals = {kFirstRemoval, kSecondRemoval};
    expected.quietErrors = false;
    if (c.deleted == Staging::main) {
      // The first file is packed; the second is gone before its turn, and
      // the second pass still numbers from the first count + 1.
      expected.adds = {{Staging::main, main[0], 1}, {Staging::second, second[0], 3}};
    } else {
      expected.adds = {{Staging::main, main[0], 1}, {Staging::main, main[1], 2}};
    }
    expectCompletedRun(result, expected);
    EXPECT_EQ(result.err, "vokbuild: '" + rootText() + c.warning);
    struct stat info;
    EXPECT_NE(::stat(folder.c_str(), &info), 0) << "the folder was not deleted";
    stage(c.deleted, c.names);
  }
}

// --- Load ---------------------------------------------------------------------

TEST_F(RobustnessTest, HundredThousandFilesAndLinesEachRunOnce) {
  const int kPerFolder = 50000;
  const int kLines = 100000;
  std::vector<std::string> names;
  for (int i = 0; i < kPerFolder; ++i)
    names.push_back("file " + std::to_string(i) + ".dat");
  stage(Staging::main, names);
  stage(Staging::second, names);
  std::string list;
  std::vector<PackerCall> removals;
  for (int i = 0; i < kLines; ++i) {
    list += "vok.zqb gone" + std::to_string(i) + ".dat\n";
    removals.push_back({"expansion\\vok\\vok.zqb", "gone" + std::to_string(i) + ".dat"});
  }
  writeRemovalList(list);

  RunOptions options;
  options.environment["PACK_QUIET"] = "1";
  options.timeoutSeconds = 1500;
  // The fixture's three files are staged too.
  std::vector<std::string> mainNames = listingOrder(Staging::main);
  std::vector<std::string> secondNames = listingOrder(Staging::second);
  const std::size_t staged = mainNames.size() + secondNames.size();
  RunResult result = run(options);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.calls.size(), staged + kLines + 1);

  // Split the calls into adds, removals and the rest; name what is off.
  std::vector<PackerCall> adds, lines, others;
  for (const PackerCall& call : result.calls) {
    if (call.size() == 3 && call[2] == "/force")
      adds.push_back(call);
    else if (call.size() == 2 && call[1] != "/opt")
      lines.push_back(call);
    else
      others.push_back(call);
  }
  // Each staged file packed exactly once, into the right archive.
  std::vector<PackerCall> expectedAdds;
  for (const std::string& name : mainNames) {
    expectedAdds.push_back({"expansion\\vok\\vok.zqb",
                            e2e::stagedArgument(rootText(), Staging::main, name), "/force"});
  }
  for (const std::string& name : secondNames) {
    expectedAdds.push_back({"expansion\\vok\\vokL.zqb",
                            e2e::stagedArgument(rootText(), Staging::second, name), "/force"});
  }
  std::sort(adds.begin(), adds.end());
  std::sort(expectedAdds.begin(), expectedAdds.end());
  auto twice = std::adjacent_find(adds.begin(), adds.end());
  EXPECT_TRUE(twice == adds.end()) << "packed more than once: " << (*twice)[1];
  EXPECT_TRUE(adds == expectedAdds)
      << adds.size() << " adds for " << expectedAdds.size() << " staged files";
  // Each line once, in list order, then the optimize call alone.
  auto differ = std::mismatch(lines.begin(), lines.end(), removals.begin(), removals.end());
  EXPECT_TRUE(differ.first == lines.end() && differ.second == removals.end())
      << lines.size() << " removal calls for " << removals.size() << " lines; first difference at "
      << (differ.first - lines.begin());
  EXPECT_EQ(others, (std::vector<PackerCall>{{"expansion\\vok\\vok.zqb", "/opt"}}));

  std::vector<e2e::ProgressLine> progress = e2e::progressLines(result.out);
  ASSERT_EQ(progress.size(), staged);
  for (std::size_t i = 0; i < staged; ++i) {
    ASSERT_EQ(progress[i].number, static_cast<int>(i + 1));
    ASSERT_EQ(progress[i].total, static_cast<int>(staged));
  }
  EXPECT_EQ(result.log, "VOK Log Start \n");
  std::printf("load run: %zu packer calls in %.1f s\n", result.calls.size(), result.seconds);
}

}  // namespace
