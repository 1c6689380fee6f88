// How the POSIX hosts' interpreter reads a command line (parseCommandLine):
// word splitting, quotes, literal characters, ">" and ">>" redirections and
// their errors, echo text; and that every composed add command splits into
// exactly the packer's words, with the staged file's name intact, whatever
// that name holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/packer_commands.h"
#include "platform/command_words.h"

namespace {

using platform::parseCommandLine;
using platform::ParsedCommand;

struct Target {
  std::string target;
  bool append;
  bool operator==(const Target& other) const {
    return target == other.target && append == other.append;
  }
};

void PrintTo(const Target& t, std::ostream* out) {
  *out << (t.append ? ">>" : ">") << '"' << t.target << '"';
}

std::vector<Target> targetsOf(const ParsedCommand& parsed) {
  std::vector<Target> targets;
  for (const platform::Redirection& r : parsed.redirections)
    targets.push_back({r.target, r.append});
  return targets;
}

struct SplitCase {
  std::string line;
  std::vector<std::string> words;
  std::vector<Target> targets;
};

void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << testing::PrintToString(c.line);
}

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesWordsAndRedirections) {
  const SplitCase& c = GetParam();
  ParsedCommand parsed = parseCommandLine(c.line);
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.words, c.words);
  EXPECT_EQ(targetsOf(parsed), c.targets);
  EXPECT_FALSE(parsed.isEcho);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SplitTest,
    ::testing::Values(
        SplitCase{"", {}, {}}, SplitCase{" \t ", {}, {}},
        SplitCase{"p  a\t\tb \t c", {"p", "a", "b", "c"}, {}}, SplitCase{"  p a  ", {"p", "a"}, {}},
        SplitCase{"p \"a b\"\t\"c\td\"", {"p", "a b", "c\td"}, {}},
        SplitCase{"p \"\"", {"p", ""}, {}}, SplitCase{"p \"\" \"\"", {"p", "", ""}, {}},
        SplitCase{"p a\"b c\"d", {"p", "ab cd"}, {}}, SplitCase{"p \"a\"\"b\"", {"p", "ab"}, {}},
        SplitCase{"p \"open to the end", {"p", "open to the end"}, {}},
        SplitCase{"p \\ $ ` ; & | < % ' * ? ~",
                  {"p", "\\", "$", "`", ";", "&", "|", "<", "%", "'", "*", "?", "~"},
                  {}},
        SplitCase{"p a\\b\\ $HOME %PATH% 'q r' *.dat ~/x",
                  {"p", "a\\b\\", "$HOME", "%PATH%", "'q", "r'", "*.dat", "~/x"},
                  {}},
        SplitCase{"p $(touch x) `id`;ls&&w|m", {"p", "$(touch", "x)", "`id`;ls&&w|m"}, {}}));

INSTANTIATE_TEST_SUITE_P(
    Redirections, SplitTest,
    ::testing::Values(
        SplitCase{"p > out", {"p"}, {{"out", false}}}, SplitCase{"p >out", {"p"}, {{"out", false}}},
        SplitCase{"p>out", {"p"}, {{"out", false}}}, SplitCase{"a>b", {"a"}, {{"b", false}}},
        SplitCase{"p >> out", {"p"}, {{"out", true}}}, SplitCase{"p>>out", {"p"}, {{"out", true}}},
        SplitCase{"p x >> voklog.txt", {"p", "x"}, {{"voklog.txt", true}}},
        SplitCase{"p > \"my file.txt\" a", {"p", "a"}, {{"my file.txt", false}}},
        SplitCase{"p >\tsub\\out", {"p"}, {{"sub\\out", false}}},
        SplitCase{"> first p", {"p"}, {{"first", false}}},
        SplitCase{"p > a >> b > c", {"p"}, {{"a", false}, {"b", true}, {"c", false}}},
        SplitCase{"p \">\" \"a>b\" x\">>\"y", {"p", ">", "a>b", "x>>y"}, {}}));

class RedirectionErrorTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RedirectionErrorTest, IsRefused) {
  EXPECT_NE(parseCommandLine(GetParam()).error, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RedirectionErrorTest,
                         ::testing::Values("p >", "p >>", "p > ", "p >>\t ", "p > >x", "p >> >>x",
                                           "p >>>x", "p > a >", "echo hi >"));

struct EchoCase {
  std::string line;
  std::string text;
  std::vector<Target> targets;
};

void PrintTo(const EchoCase& c, std::ostream* out) {
  *out << testing::PrintToString(c.line);
}

class EchoTest : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EchoTest, WritesTheTextAsItStands) {
  const EchoCase& c = GetParam();
  ParsedCommand parsed = parseCommandLine(c.line);
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.isEcho);
  EXPECT_EQ(parsed.echoText, c.text);
  EXPECT_EQ(targetsOf(parsed), c.targets);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EchoTest,
    ::testing::Values(EchoCase{logStartCommand(), "VOK Log Start ", {{"voklog.txt", false}}},
                      EchoCase{"ECHO hi>f", "hi", {{"f", false}}},
                      EchoCase{"eChO hi >> f", "hi ", {{"f", true}}}, EchoCase{"echo hi", "hi", {}},
                      EchoCase{"echo", "", {}}, EchoCase{"echo>f", "", {{"f", false}}},
                      EchoCase{"echo\thi", "hi", {}},
                      EchoCase{"echo  two  spaces  ", " two  spaces  ", {}},
                      EchoCase{"echo \"a > b\" $(x) `y` %PATH% > f > g",
                               "\"a > b\" $(x) `y` %PATH% ",
                               {{"f", false}, {"g", false}}}));

TEST(EchoWordTest, OnlyTheWordEchoIsEcho) {
  EXPECT_FALSE(parseCommandLine("echoes hi").isEcho);
  EXPECT_FALSE(parseCommandLine("pack.exe echo").isEcho);
}

class ComposedAddTest : public ::testing::TestWithParam<std::string> {};

// A name free of '"', CR and LF (what quotingProblem lets through) reaches
// the packer as one argument, byte for byte, with nothing else added.
TEST_P(ComposedAddTest, SplitsIntoThePackerWords) {
  const std::string root = "/tmp/game folder";
  const std::string& name = GetParam();
  struct Pass {
    Archive archive;
    const char* archivePath;
  };
  for (Pass pass : {Pass{Archive::main, "expansion\\vok\\vok.zqb"},
                    Pass{Archive::second, "expansion\\vok\\vokL.zqb"}}) {
    ParsedCommand parsed = parseCommandLine(addCommand(pass.archive, root, name));
    EXPECT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.isEcho);
    EXPECT_EQ(parsed.words, (std::vector<std::string>{
                                "pack.exe", pass.archivePath,
                                stagingFolder(pass.archive, root) + "\\" + name, "/force"}));
    EXPECT_EQ(targetsOf(parsed), (std::vector<Target>{{"voklog.txt", true}}));
  }
}

INSTANTIATE_TEST_SUITE_P(HostileNames, ComposedAddTest,
                         ::testing::Values("a.dat", "with  two spaces.dat", " lead", "trail  ",
                                           "$(touch pwned)", "`touch pwned`", "a;b&c|d<e>f", ">> x",
                                           "%PATH%", "it's", "*.dat", "back\\slash", "trail\\",
                                           "-rf", "--force", "\tab", "caf\xc3\xa9 \xff\xfe.dat",
                                           std::string(240, 'n'), std::string(240, ' ')));

}  // namespace
