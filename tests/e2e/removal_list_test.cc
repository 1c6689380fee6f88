// End-to-end: replaying the removal list through the built program: one
// removal command per line that is not empty, the text rules for line ends
// and 0x1A, a line holding a NUL byte, lines full of interpreter syntax, and
// a list that is missing, is a folder or is a pipe.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

struct ListCase {
  const char* label;
  std::string list;
  std::vector<PackerCall> removals;
  std::string warning;  // a piece of the one warning on standard error; empty: none
};

const char kMain[] = "expansion\\vok\\vok.zqb";
const char kSecond[] = "expansion\\vok\\vokL.zqb";

class RemovalListTest : public BackendGameTest {
 protected:
  void runCases(const std::vector<ListCase>& cases) {
    for (const ListCase& test : cases) {
      SCOPED_TRACE(test.label);
      writeRemovalList(test.list);

      RunResult result = run();

      ExpectedRun expected = ExpectedRun::sequential(rootText(), {}, {});
      expected.removals = test.removals;
      expected.quietErrors = test.warning.empty();
      expectCompletedRun(result, expected);
      if (!test.warning.empty()) {
        EXPECT_EQ(result.err.compare(0, 10, "vokbuild: "), 0) << result.err;
        EXPECT_NE(result.err.find(test.warning), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
      }
    }
  }
};

// CR LF ends a line like LF; 0x1A ends the list, also right after a line
// feed, and the text before it on its line is a last line.
TEST_P(RemovalListTest, CrLfEndingsAndCtrlZ) {
  runCases({
      {"CR LF and 0x1A inside a line",
       "vok.zqb a.dds\r\nvokL.zqb b c.ogg\r\nvok.zqb last\x1A.dds\r\nvok.zqb never.dds\r\n",
       {{kMain, "a.dds"}, {kSecond, "b", "c.ogg"}, {kMain, "last"}},
       ""},
      {"0x1A right after a line feed",
       "vok.zqb a.dds\r\n\x1Avok.zqb never.dds\r\n",
       {{kMain, "a.dds"}},
       ""},
  });
}

// No list file, or a folder in its place: no removal command, and "done"
// still follows the removal message. Only the folder is worth a warning.
TEST_P(RemovalListTest, MissingListOrFolderRunsNothing) {
  stage(Staging::main, {"a.dat"});
  makeFolder("expansion/vok");
  ExpectedRun expected = ExpectedRun::sequential(rootText(), {"a.dat"}, {});

  expectCompletedRun(run(), expected);

  makeFolder("expansion/vok/deleteList.txt");
  expected.quietErrors = false;
  RunResult result = run();
  expectCompletedRun(result, expected);
  EXPECT_EQ(linesOf(result.err),
            std::vector<std::string>{"vokbuild: not replaying the removal list '" + rootText() +
                                     "\\expansion\\vok\\deleteList.txt': it is a folder"});
}

VOKBUILD_INSTANTIATE_BACKENDS(RemovalListTest);

class PosixRemovalListTest : public RemovalListTest {
 protected:
  void SetUp() override { setUpFor(BackendKind::posix); }
};

// How the bytes of the list become lines, and which lines run a command.
TEST_F(PosixRemovalListTest, LinesBecomeOneCommandEach) {
  runCases({
      {"final line with a line feed",
       "vok.zqb a.dds\nvokL.zqb b.ogg\n",
       {{kMain, "a.dds"}, {kSecond, "b.ogg"}},
       ""},
      {"final line without a line feed",
       "vok.zqb a.dds\nvokL.zqb b.ogg",
       {{kMain, "a.dds"}, {kSecond, "b.ogg"}},
       ""},
      {"zero-byte list", "", {}, ""},
      {"empty lines run nothing",
       "\nvok.zqb a.dds\n\n\r\nvokL.zqb b.ogg\n\n",
       {{kMain, "a.dds"}, {kSecond, "b.ogg"}},
       ""},
      {"a line of spaces is passed on", "   \n", {{"expansion\\vok\\"}}, ""},
      {"a lone CR stays in its line", "vok.zqb lone\rcr.dds\n", {{kMain, "lone\rcr.dds"}}, ""},
      {"a line with a NUL byte is skipped",
       std::string("vok.zqb a.dds\nvok.zqb b") + '\0' + "c.dds\nvok.zqb d.dds\n",
       {{kMain, "a.dds"}, {kMain, "d.dds"}},
       "line 2"},
  });
}

// Quotes group words and everything else is literal: the line's words reach
// the packer as the interpreter splits them, and nothing in them runs.
TEST_F(PosixRemovalListTest, InterpreterSyntaxInALineRunsNothing) {
  runCases({
      {"quotes, $(...), backquotes, ; & | < and %PATH%",
       "vok.zqb \"quoted name.dds\" $(touch pwned) `touch pwned` ; & | <in %PATH% 'single'\n",
       {{kMain, "quoted name.dds", "$(touch", "pwned)", "`touch", "pwned`", ";", "&", "|", "<in",
         "%PATH%", "'single'"}},
       ""},
  });
  EXPECT_TRUE(findNamed(top(), "pwned").empty());
  EXPECT_NE(::access("pwned", F_OK), 0);
}

// A pipe of that name is refused without waiting for a writer that never
// comes: the run completes and says why the list was not replayed.
TEST_F(PosixRemovalListTest, PipeInPlaceOfTheListIsNotWaitedFor) {
  makeFolder("expansion/vok");
  ASSERT_EQ(::mkfifo((root() + "/expansion/vok/deleteList.txt").c_str(), 0600), 0);
  ExpectedRun expected = ExpectedRun::sequential(rootText(), {}, {});
  expected.quietErrors = false;

  RunResult result = run();

  expectCompletedRun(result, expected);
  EXPECT_EQ(result.err, "vokbuild: not replaying the removal list '" + rootText() +
                            "\\expansion\\vok\\deleteList.txt': it is not a regular file\n");
}

}  // namespace
}  // namespace e2e
