// End-to-end: the root folder argument: spaces, a relative folder resolved
// against the starting folder, a trailing separator used verbatim, and a
// folder that does not exist.
#include <string>

#include "harness.h"

namespace e2e {
namespace {

class RootFolderTest : public BackendGameTest {
 protected:
  void stageFew() {
    stage(Staging::main, {"a.dat"});
    stage(Staging::second, {"b.dat"});
    writeRemovalList("vok.zqb old.dds\n");
  }

  ExpectedRun expectedFor(const std::string& rootText) const {
    ExpectedRun expected = ExpectedRun::sequential(rootText, {"a.dat"}, {"b.dat"});
    expected.removals = {{"expansion\\vok\\vok.zqb", "old.dds"}};
    return expected;
  }
};

TEST_P(RootFolderTest, RootWithSpaces) {
  renameRoot("my game  folder");
  stageFew();

  expectCompletedRun(run(), expectedFor(rootText()));
}

// Run from the root's parent with a relative argument: "Logging to:" and the
// staged files name the absolute root folder.
TEST_P(RootFolderTest, RelativeRootIsResolvedAgainstTheStartingFolder) {
  stageFew();
  RunOptions options;
  options.useDefaultArgument = false;
  options.arguments = {"game"};
  options.startFolder = top();

  expectCompletedRun(run(options), expectedFor(rootText()));
}

// A trailing separator is kept as given, so every path built from the root
// holds a doubled separator.
TEST_P(RootFolderTest, TrailingSeparatorIsUsedVerbatim) {
  stageFew();
  RunOptions options;
  options.useDefaultArgument = false;
  options.arguments = {rootText() + backend().separator()};

  RunResult result = run(options);

  expectCompletedRun(result, expectedFor(rootText() + backend().separator()));
  EXPECT_NE(result.out.find(std::string(1, backend().separator()) + "\\voklog.txt"),
            std::string::npos);
}

// A root folder that does not exist: a message, exit status 1, nothing on
// standard output, no command run and no log anywhere.
TEST_P(RootFolderTest, MissingRootFails) {
  removeRoot();

  RunResult result = run();

  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.compare(0, 10, "vokbuild: "), 0) << result.err;
  EXPECT_NE(result.err.find(rootText()), std::string::npos) << result.err;
  EXPECT_TRUE(result.calls.empty());
  EXPECT_FALSE(result.logWritten);
  EXPECT_TRUE(findNamed(top(), "voklog.txt").empty());
}

VOKBUILD_INSTANTIATE_BACKENDS(RootFolderTest);

}  // namespace
}  // namespace e2e
