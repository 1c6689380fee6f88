// The packer command lines byte for byte (all five forms, the staging
// folders, a root with a trailing separator), which names a quoted argument
// can carry to the packer under each command interpreter (quotingProblem),
// and which %name% references cmd would expand (isCmdVariable).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "driver/packer_commands.h"

namespace {

using platform::Interpreter;

TEST(PackerCommandsTest, AreComposedByteForByte) {
  EXPECT_EQ(logStartCommand(), "echo VOK Log Start > voklog.txt");
  EXPECT_EQ(addCommand(Archive::main, "C:\\Game", "a.dat"),
            "pack.exe expansion\\vok\\vok.zqb \"C:\\Game\\expansion\\vok\\temp\\a.dat\" /force "
            ">> voklog.txt");
  EXPECT_EQ(addCommand(Archive::second, "C:\\My Game", "b c.dat"),
            "pack.exe expansion\\vok\\vokL.zqb \"C:\\My Game\\expansion\\vok\\tempL\\b c.dat\" "
            "/force >> voklog.txt");
  EXPECT_EQ(removalCommand("vok.zqb /del \"old file.dat\""),
            "pack.exe expansion\\vok\\vok.zqb /del \"old file.dat\" >> voklog.txt");
  EXPECT_EQ(removalCommand(" "), "pack.exe expansion\\vok\\  >> voklog.txt");
  EXPECT_EQ(optimizeCommand(), "pack.exe expansion\\vok\\vok.zqb /opt");
}

TEST(PackerCommandsTest, RootIsUsedVerbatimTrailingSeparatorIncluded) {
  EXPECT_EQ(addCommand(Archive::main, "C:\\Game\\", "a.dat"),
            "pack.exe expansion\\vok\\vok.zqb \"C:\\Game\\\\expansion\\vok\\temp\\a.dat\" /force "
            ">> voklog.txt");
  EXPECT_EQ(stagingFolder(Archive::main, "C:\\Game\\"), "C:\\Game\\\\expansion\\vok\\temp");
}

TEST(PackerCommandsTest, FixedFoldersBelowTheRoot) {
  EXPECT_EQ(stagingFolder(Archive::main, "/tmp/g"), "/tmp/g\\expansion\\vok\\temp");
  EXPECT_EQ(stagingFolder(Archive::second, "/tmp/g"), "/tmp/g\\expansion\\vok\\tempL");
  EXPECT_EQ(std::string("C:\\Game") + kRemovalListSuffix,
            "C:\\Game\\expansion\\vok\\deleteList.txt");
  EXPECT_EQ(std::string("C:\\Game") + kLogSuffix, "C:\\Game\\voklog.txt");
}

// Defines or removes an environment variable for this process.
void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
#endif
}

// cmd expands only PATH in these tests, whatever the host's environment.
bool onlyPath(const std::string& name) {
  return name == "PATH";
}

struct QuotingCase {
  std::string text;
  bool refusedByOwnPosix;
  bool refusedByWindowsCmd;
};

void PrintTo(const QuotingCase& c, std::ostream* out) {
  *out << testing::PrintToString(c.text);
}

class QuotingProblemTest : public ::testing::TestWithParam<QuotingCase> {};

TEST_P(QuotingProblemTest, RefusesWhatTheInterpreterCannotCarry) {
  const QuotingCase& c = GetParam();
  EXPECT_EQ(quotingProblem(c.text, Interpreter::ownPosix, onlyPath) != "", c.refusedByOwnPosix);
  EXPECT_EQ(quotingProblem(c.text, Interpreter::windowsCmd, onlyPath) != "", c.refusedByWindowsCmd);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotingProblemTest,
    ::testing::Values(QuotingCase{"a.dat", false, false},
                      QuotingCase{"with space.dat", false, false},
                      QuotingCase{"$(x) `y` ;&|<>'*\\-~", false, false},
                      QuotingCase{"caf\xc3\xa9.dat", false, false}, QuotingCase{"", false, false},
                      QuotingCase{"x\"y", true, true}, QuotingCase{"\"", true, true},
                      QuotingCase{"x\ry", true, true}, QuotingCase{"x\ny", true, true},
                      QuotingCase{"what?.dat", false, true}, QuotingCase{"%PATH%.dat", false, true},
                      QuotingCase{"a%PATH%", false, true}, QuotingCase{"%PATH:~0,3%", false, true},
                      QuotingCase{"%PATH:x=y%", false, true}, QuotingCase{"%%PATH%%", false, true},
                      QuotingCase{"%NOPE%PATH%", false, true},
                      QuotingCase{"%NOPE%.dat", false, false}, QuotingCase{"%", false, false},
                      QuotingCase{"%%", false, false}, QuotingCase{"100%.dat", false, false},
                      QuotingCase{"%PATH", false, false}, QuotingCase{"PATH%", false, false},
                      QuotingCase{"%:~0,3%", false, false}));

TEST(IsCmdVariableTest, KnowsDynamicAndDefinedVariables) {
  EXPECT_TRUE(isCmdVariable("cd"));
  EXPECT_TRUE(isCmdVariable("CD"));
  EXPECT_TRUE(isCmdVariable("Random"));
  EXPECT_TRUE(isCmdVariable("errorlevel"));

  setVariable("VOKBUILD_UNIT_DEFINED", "1");
  setVariable("VOKBUILD_UNIT_UNDEFINED", nullptr);
  EXPECT_TRUE(isCmdVariable("VOKBUILD_UNIT_DEFINED"));
  EXPECT_TRUE(isCmdVariable("vokbuild_unit_Defined"));
  EXPECT_FALSE(isCmdVariable("VOKBUILD_UNIT_UNDEFINED"));
  EXPECT_FALSE(isCmdVariable(""));

  EXPECT_NE(quotingProblem("%vokbuild_unit_defined%.dat", Interpreter::windowsCmd), "");
  EXPECT_EQ(quotingProblem("%VOKBUILD_UNIT_UNDEFINED%.dat", Interpreter::windowsCmd), "");
  EXPECT_EQ(quotingProblem("%VOKBUILD_UNIT_DEFINED%.dat", Interpreter::ownPosix), "");
  setVariable("VOKBUILD_UNIT_DEFINED", nullptr);
}

}  // namespace
