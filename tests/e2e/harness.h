// End-to-end harness: runs the built vokbuild on a temporary game folder with
// the stand-in packer installed as pack.exe, natively on POSIX or as the
// Windows build under Wine, and hands back everything the run left behind:
// exit status, standard output and error bytes, the packer calls the
// stand-in recorded and the log. Every run goes through one place that also
// checks that the staging folders and the removal list were left as they
// were, byte for byte.
//
// Layout of one test's temporary folder TOP (the default starting folder):
//   TOP/game/                      the game folder ROOT (renameRoot changes it)
//   TOP/game/expansion/vok/{temp,tempL,deleteList.txt}  as the test makes them
//   TOP/bin/pack.exe               POSIX: the stand-in, first on PATH
//   TOP/game/pack.exe              Wine: the Windows stand-in (cmd looks in
//                                  the current folder)
//   TOP/runs/N.{out,err,record}    captured bytes of run N
//
// Typical use:
//   class MyTest : public GameTest {};          // POSIX only
//   TEST_F(MyTest, X) { stage(Staging::main, {"a.dat"}); RunResult r = run(); ... }
//
//   class MyBackendTest : public BackendGameTest {};   // POSIX and Wine
//   TEST_P(MyBackendTest, X) { ... expectCompletedRun(run(), expected); }
//   VOKBUILD_INSTANTIATE_BACKENDS(MyBackendTest);
//
// Wine runs share one Wine prefix per test process, created on first use and
// shut down (wineserver -w) and removed when the process ends. The Wine tests
// skip with a one-line reason when the Windows build or Wine is missing, and
// fail instead under CI=true.
#ifndef VOKBUILD_TESTS_E2E_HARNESS_H_
#define VOKBUILD_TESTS_E2E_HARNESS_H_

#include <sys/types.h>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

/// Where the program runs.
enum class BackendKind { posix, wine };

/// The arguments of one packer call as the stand-in recorded them (without
/// the program name).
using PackerCall = std::vector<std::string>;

/// One way of running the program. Expected bytes differ between backends
/// only as the platform makes them differ, which these functions capture.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual BackendKind kind() const = 0;
  /// "Posix" or "Wine", for test names.
  virtual const char* name() const = 0;
  /// Why this backend cannot run on this machine; empty when it can.
  virtual std::string unavailableReason() const = 0;
  /// The text the program is given (and shows) for the absolute host path
  /// `hostPath`: the path itself on POSIX, "Z:" and backslashes under Wine.
  virtual std::string programPath(const std::string& hostPath) const = 0;
  /// The folder separator the program's host uses ('/' or '\\').
  virtual char separator() const = 0;
  /// `text`, written with "\n" line ends, as the program's text-mode output
  /// carries it: unchanged on POSIX, every "\n" as "\r\n" under Wine (a lone
  /// "\r" stays). Applies to standard output and to the log.
  virtual std::string platformText(const std::string& text) const = 0;
  /// The names among `names` (entries of one folder, any order) in the order
  /// the program's folder search yields them: `readdirOrder` as given on
  /// POSIX, sorted on upper-cased names under Wine.
  virtual std::vector<std::string> listingOrder(std::vector<std::string> readdirOrder) const = 0;
};

/// The backend of `kind`; lives for the whole process.
const Backend& backend(BackendKind kind);
/// Shows a backend by its name in test output.
void PrintTo(BackendKind kind, std::ostream* stream);

/// Which staging folder.
enum class Staging { main, second };  // expansion/vok/temp, expansion/vok/tempL

/// How to run the program once.
struct RunOptions {
  /// Command-line arguments after the program; when `useDefaultArgument` is
  /// true they are replaced by the root folder text (see GameTest::rootText).
  std::vector<std::string> arguments;
  bool useDefaultArgument = true;
  /// Host path of the starting folder; empty means TOP.
  std::string startFolder;
  /// Variables set (or replaced) in the program's environment.
  std::map<std::string, std::string> environment;
  /// Variables removed from the program's environment.
  std::vector<std::string> unset;
  /// Host paths the stand-in deletes on every call (PACK_DELETE). The tree
  /// check then accepts exactly these as gone after the run.
  std::vector<std::string> packerDeletes;
  /// Seconds after which the program is killed and the test fails.
  int timeoutSeconds = 120;
};

/// What one run left behind.
struct RunResult {
  int exitStatus = -1;  // exit status; -1 when killed by a signal
  int signal = 0;       // the signal that ended it, 0 when it exited
  bool timedOut = false;
  std::string out;                // standard output bytes
  std::string err;                // standard error bytes
  std::vector<PackerCall> calls;  // recorded packer calls, in order
  bool logWritten = false;        // ROOT/voklog.txt exists after the run
  std::string log;                // its bytes
  double seconds = 0;             // wall time of the run
};

/// A program started by GameTest::start and not yet collected.
struct StartedRun {
  pid_t pid = -1;
  int number = 0;  // N of TOP/runs/N.*
  std::string outPath, errPath, recordPath;
  std::vector<std::string> packerDeletes;
  std::map<std::string, std::string> treeBefore;  // snapshot of staging and list
  int timeoutSeconds = 120;
  double startedAt = 0;
};

/// One add call the run should make.
struct ExpectedAdd {
  Staging staging;
  std::string name;  // entry name
  int number;        // progress number
};

/// A completed run as it should look. Build it with `sequential`, add
/// removal calls, then check a result with GameTest::expectCompletedRun.
struct ExpectedRun {
  std::string rootText;  // the root folder text as the program uses it
  std::vector<ExpectedAdd> adds;
  int total = 0;  // the total of the progress lines
  /// Arguments of each removal call, e.g. {"expansion\\vok\\vok.zqb", "a.dds"}.
  std::vector<PackerCall> removals;
  /// Standard error must be empty (false: not looked at).
  bool quietErrors = true;

  /// Adds for `mainNames` then `secondNames`, numbered 1..total in order.
  static ExpectedRun sequential(const std::string& rootText,
                                const std::vector<std::string>& mainNames,
                                const std::vector<std::string>& secondNames);
};

/// "Packing file " + number and total in fields of 4 + " (" + name + ")" and
/// nine spaces, as the progress line reads after its "\r".
std::string progressText(int number, int total, const std::string& name);
/// The staged-file argument: rootText + "\expansion\vok\temp[L]\" + name.
std::string stagedArgument(const std::string& rootText, Staging staging, const std::string& name);
/// The standard output of `expected` with "\n" line ends.
std::string expectedStdout(const ExpectedRun& expected);
/// The packer calls of `expected`: adds, removals, optimize.
std::vector<PackerCall> expectedCalls(const ExpectedRun& expected);
/// The log of `expected` with "\n" line ends.
std::string expectedLog(const ExpectedRun& expected);

/// One progress line found on standard output.
struct ProgressLine {
  int number = 0;
  int total = 0;
  std::string name;
};
/// Every progress line of `out`, in order (each starts after a "\r").
std::vector<ProgressLine> progressLines(const std::string& out);

/// The lines of `text`, each without its line feed and a carriage return
/// right before it.
std::vector<std::string> linesOf(const std::string& text);

/// Host path of every entry named `name` anywhere below `folder`.
std::vector<std::string> findNamed(const std::string& folder, const std::string& name);

/// Fixture: a fresh TOP with an empty ROOT and the stand-in installed, on the
/// POSIX backend (BackendGameTest: on the backend of the test parameter). A
/// subclass that overrides SetUp calls the base's first and returns when
/// IsSkipped() or HasFatalFailure().
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override { setUpFor(BackendKind::posix); }
  void TearDown() override;

  /// Picks the backend (skipping, or failing under CI=true, when it cannot
  /// run here), makes TOP and ROOT and installs the stand-in.
  void setUpFor(BackendKind kind);
  const Backend& backend() const { return *backend_; }

  // Folders, as host paths.
  const std::string& top() const { return top_; }
  const std::string& root() const { return root_; }
  std::string vokFolder() const;  // ROOT/expansion/vok
  std::string stagingFolder(Staging staging) const;

  /// Renames ROOT to TOP/`name` (files and the packer go along).
  void renameRoot(const std::string& name);
  /// Deletes ROOT with everything in it.
  void removeRoot();
  /// Points ROOT at a new, empty TOP/`name` with the stand-in installed, for
  /// one more case in the same test. (A fresh path rather than ROOT deleted
  /// and made again: Wine may still remember the old folder's entries.)
  void freshRoot(const std::string& name);

  /// Creates ROOT/expansion/vok/temp (or tempL), also when empty.
  void makeStaging(Staging staging);
  /// Creates the staging folder and one file per name in it (the file holds
  /// its name's bytes).
  void stage(Staging staging, const std::vector<std::string>& names);
  /// Creates `relative` (below ROOT) with its missing parents.
  void makeFolder(const std::string& relative);
  /// Writes `bytes` to the file `relative` below ROOT, parents created.
  void writeFile(const std::string& relative, const std::string& bytes);
  /// Writes ROOT/expansion/vok/deleteList.txt.
  void writeRemovalList(const std::string& bytes);

  /// Installs the stand-in as pack.exe (done by SetUp) or takes it away.
  void installPacker();
  void removePacker();

  /// The root folder text the program is given by default.
  std::string rootText() const { return backend_->programPath(root_); }
  /// The counted files of a staging folder (files whose names do not begin
  /// with "."), in the order the program's folder search yields them.
  std::vector<std::string> listingOrder(Staging staging) const;

  /// Runs the program to the end; see RunOptions.
  RunResult run(const RunOptions& options = RunOptions());
  /// Starts the program without waiting for it (for runs side by side or a
  /// signal sent meanwhile); collect it with finish().
  StartedRun start(const RunOptions& options = RunOptions());
  /// Waits for a started run (killing it after its timeout), checks that the
  /// staging folders and removal list are unchanged, and collects its bytes.
  RunResult finish(StartedRun& started);

  /// Checks exit status 0, the exact standard output, packer calls and log
  /// (each in the backend's platform text), and an empty standard error
  /// unless `expected.quietErrors` is false.
  void expectCompletedRun(const RunResult& result, const ExpectedRun& expected) const;

 private:
  std::map<std::string, std::string> snapshot() const;

  const Backend* backend_ = nullptr;
  std::string top_;
  std::string root_;
  int runs_ = 0;
};

/// GameTest over a backend given as the test parameter.
class BackendGameTest : public GameTest, public ::testing::WithParamInterface<BackendKind> {
 protected:
  void SetUp() override;
};

}  // namespace e2e

/// Instantiates a BackendGameTest suite as Posix/SUITE.* and Wine/SUITE.*.
#define VOKBUILD_INSTANTIATE_BACKENDS(suite)                                            \
  INSTANTIATE_TEST_SUITE_P(Posix, suite, ::testing::Values(::e2e::BackendKind::posix)); \
  INSTANTIATE_TEST_SUITE_P(Wine, suite, ::testing::Values(::e2e::BackendKind::wine))

#endif  // VOKBUILD_TESTS_E2E_HARNESS_H_
