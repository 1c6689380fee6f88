// End-to-end: the frame of a build run as the user sees it: every console
// message in order, the packer calls and the log of a whole run, the
// progress numbering across both staging folders, empty and missing
// staging folders, a packer that cannot be found, and a run without its
// argument.
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

class BuildRunTest : public BackendGameTest {};

// The whole run spelled out byte for byte, so that the expected-run helpers
// the other tests use are themselves held to the exact console text.
TEST_P(BuildRunTest, WholeRunWritesExactConsoleCallsAndLog) {
  stage(Staging::main, {"a.dat", "b.dat"});
  stage(Staging::second, {"c.dat"});
  writeRemovalList("vok.zqb old.dds\nvokL.zqb old voice.ogg\n");

  RunResult result = run();

  std::vector<std::string> order = listingOrder(Staging::main);
  ASSERT_EQ(order.size(), 2u);
  const std::string root = rootText();
  const std::string mainFolder = root + "\\expansion\\vok\\temp\\";
  const std::string secondFolder = root + "\\expansion\\vok\\tempL\\";
  std::string out = "Logging to: " + root +
                    "\\voklog.txt\n"
                    "Packing resource files, please wait...\n"
                    "\rPacking file    1 of    3 (" +
                    order[0] +
                    ")         "
                    "\rPacking file    2 of    3 (" +
                    order[1] +
                    ")         "
                    "\rPacking file    3 of    3 (c.dat)         \n"
                    "Done packing resource files\n"
                    "Removing unused files (may take a minute or two)...done\n"
                    "\n"
                    "Optimizing zqb...\n"
                    "stand-in pack: optimize expansion\\vok\\vok.zqb\n"
                    "\n"
                    "All done!\n";
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, backend().platformText(out));
  EXPECT_EQ(result.err, "");

  std::vector<PackerCall> calls = {
      {"expansion\\vok\\vok.zqb", mainFolder + order[0], "/force"},
      {"expansion\\vok\\vok.zqb", mainFolder + order[1], "/force"},
      {"expansion\\vok\\vokL.zqb", secondFolder + "c.dat", "/force"},
      {"expansion\\vok\\vok.zqb", "old.dds"},
      {"expansion\\vok\\vokL.zqb", "old", "voice.ogg"},
      {"expansion\\vok\\vok.zqb", "/opt"},
  };
  EXPECT_EQ(result.calls, calls);

  std::string log =
      "VOK Log Start \n"
      "stand-in pack: add \"" +
      mainFolder + order[0] +
      "\" to expansion\\vok\\vok.zqb\n"
      "stand-in pack: add \"" +
      mainFolder + order[1] +
      "\" to expansion\\vok\\vok.zqb\n"
      "stand-in pack: add \"" +
      secondFolder +
      "c.dat\" to expansion\\vok\\vokL.zqb\n"
      "stand-in pack: remove expansion\\vok\\vok.zqb old.dds\n"
      "stand-in pack: remove expansion\\vok\\vokL.zqb old voice.ogg\n";
  EXPECT_TRUE(result.logWritten);
  EXPECT_EQ(result.log, backend().platformText(log));
}

struct Numbering {
  const char* label;
  std::vector<std::string> main;
  std::vector<std::string> second;
};

// The second pass numbers on from the first count; the total is the sum.
TEST_P(BuildRunTest, ProgressNumbersRunAcrossBothFolders) {
  const Numbering cases[] = {
      {"only the second folder", {}, {"x.dat", "y.dat", "z.dat"}},
      {"only the first folder", {"p.dat", "q.dat"}, {}},
      {"both folders", {"p.dat", "q.dat"}, {"x.dat", "y.dat", "z.dat"}},
  };
  int caseNumber = 0;
  for (const Numbering& numbering : cases) {
    SCOPED_TRACE(numbering.label);
    freshRoot("game" + std::to_string(++caseNumber));
    stage(Staging::main, numbering.main);
    stage(Staging::second, numbering.second);

    RunResult result = run();

    expectCompletedRun(result, ExpectedRun::sequential(rootText(), listingOrder(Staging::main),
                                                       listingOrder(Staging::second)));
    std::vector<ProgressLine> lines = progressLines(result.out);
    int total = static_cast<int>(numbering.main.size() + numbering.second.size());
    ASSERT_EQ(lines.size(), static_cast<size_t>(total));
    for (int line = 0; line < total; ++line) {
      EXPECT_EQ(lines[line].number, line + 1);
      EXPECT_EQ(lines[line].total, total);
    }
  }
}

// No progress line and no add command, but every message, an empty line
// where the progress lines would end, and the optimize command.
TEST_P(BuildRunTest, EmptyOrMissingStagingFoldersPackNothing) {
  struct Case {
    const char* label;
    bool makeMain, makeSecond;
  };
  const Case cases[] = {
      {"both missing", false, false},
      {"both empty", true, true},
      {"first empty, second missing", true, false},
  };
  int caseNumber = 0;
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    freshRoot("game" + std::to_string(++caseNumber));
    makeFolder("expansion/vok");
    if (test.makeMain)
      makeStaging(Staging::main);
    if (test.makeSecond)
      makeStaging(Staging::second);

    RunResult result = run();

    expectCompletedRun(result, ExpectedRun::sequential(rootText(), {}, {}));
    EXPECT_NE(result.out.find(backend().platformText(
                  "Packing resource files, please wait...\n\nDone packing resource files\n")),
              std::string::npos);
  }
}

// The exit status of a packer call is ignored: a packer that is not there
// leaves its complaints on standard error and the run completes.
TEST_P(BuildRunTest, MissingPackerStillCompletes) {
  stage(Staging::main, {"a.dat"});
  writeRemovalList("vok.zqb old.dds\n");
  removePacker();

  RunResult result = run();

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_TRUE(result.calls.empty());
  EXPECT_EQ(result.log, backend().platformText("VOK Log Start \n"));
  // Nothing of the packer's on the console, every message in place.
  ExpectedRun expected = ExpectedRun::sequential(rootText(), {"a.dat"}, {});
  std::string out = expectedStdout(expected);
  std::string optimizeLine = "stand-in pack: optimize expansion\\vok\\vok.zqb\n";
  out.erase(out.find(optimizeLine), optimizeLine.size());
  EXPECT_EQ(result.out, backend().platformText(out));
  if (backend().kind() == BackendKind::posix) {
    // Add, removal and optimize: one complaint each, and nothing else. (Wine's
    // cmd words its own complaints differently from Windows.)
    std::string complaint =
        "vokbuild: cannot run 'pack.exe': no such program in the current folder or along PATH\n";
    EXPECT_EQ(result.err, complaint + complaint + complaint);
  } else {
    // cmd's own wording, one line naming pack.exe per command.
    std::vector<std::string> lines;
    std::string::size_type start = 0, end;
    while ((end = result.err.find('\n', start)) != std::string::npos) {
      lines.push_back(result.err.substr(start, end - start));
      start = end + 1;
    }
    EXPECT_EQ(lines.size(), 3u) << result.err;
    for (const std::string& line : lines)
      EXPECT_NE(line.find("pack.exe"), std::string::npos) << line;
  }
}

// Without its argument the program says how to use it and runs nothing.
TEST_P(BuildRunTest, NoArgumentGivesUsageAndRunsNothing) {
  stage(Staging::main, {"a.dat"});
  RunOptions options;
  options.useDefaultArgument = false;

  RunResult result = run(options);

  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.compare(0, 17, "vokbuild: usage: "), 0) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
  EXPECT_TRUE(result.calls.empty());
  EXPECT_FALSE(result.logWritten);
  EXPECT_TRUE(findNamed(top(), "voklog.txt").empty());
}

VOKBUILD_INSTANTIATE_BACKENDS(BuildRunTest);

}  // namespace
}  // namespace e2e
