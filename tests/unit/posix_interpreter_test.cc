// The POSIX hosts' own command interpreter (platform::runCommand), run in a
// temporary current directory with small shell-script programs: where a
// program is looked for, what happens when none is found, redirections,
// echo, exit statuses and signals, and that shell syntax in arguments runs
// nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "driver/packer_commands.h"
#include "platform/process.h"
#include "temp_folder.h"

namespace {

using platform::runCommand;

// Success when `text` holds `part`; shows `text` otherwise.
::testing::AssertionResult holds(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" does not hold \"" << part << "\"";
}

// Every test runs in <temp>/work, with PATH set to <temp>/bin alone; both
// are put back afterwards.
class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char* old = ::getcwd(nullptr, 0);
    ASSERT_NE(old, nullptr);
    oldCwd_ = old;
    std::free(old);
    const char* path = std::getenv("PATH");
    hadPath_ = path != nullptr;
    oldPath_ = hadPath_ ? path : "";

    temp_.folder("work");
    temp_.folder("bin");
    ASSERT_EQ(::chdir(temp_.at("work").c_str()), 0);
    ::setenv("PATH", temp_.at("bin").c_str(), 1);
  }

  void TearDown() override {
    EXPECT_EQ(::chdir(oldCwd_.c_str()), 0);
    if (hadPath_)
      ::setenv("PATH", oldPath_.c_str(), 1);
    else
      ::unsetenv("PATH");
  }

  // Creates the shell script `relative` (below the temporary folder) running
  // `body`, with the permission bits `mode`.
  void script(const std::string& relative, const std::string& body, mode_t mode = 0755) {
    temp_.file(relative, "#!/bin/sh\n" + body + "\n");
    ASSERT_EQ(::chmod(temp_.at(relative).c_str(), mode), 0);
  }

  // A script that notes `tag` in <temp>/ran and its arguments, one per line
  // in brackets, in <temp>/args.
  void recorder(const std::string& relative, const std::string& tag, mode_t mode = 0755) {
    script(relative,
           "printf '%s\\n' '" + tag + "' >> '" + temp_.at("ran") + "'\n" +
               "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + temp_.at("args") + "'",
           mode);
  }

  std::string ran() const { return unit::readFile(temp_.at("ran")); }
  std::string work(const std::string& name) const {
    return unit::readFile(temp_.at("work/" + name));
  }

  // The names in the current directory.
  std::set<std::string> workEntries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp_.at("work")))
      names.insert(entry.path().filename().string());
    return names;
  }

  unit::TempFolder temp_;

 private:
  std::string oldCwd_;
  std::string oldPath_;
  bool hadPath_ = false;
};

struct LookupCase {
  const char* label;
  std::vector<std::string> recorders;  // "where:tag", "where:tag:mode" (octal)
  std::vector<std::string> folders;
  std::string command;
  std::string ran;  // the tags noted, or "<missing>" when nothing ran
};

void PrintTo(const LookupCase& c, std::ostream* out) {
  *out << c.label;
}

class LookupTest : public InterpreterTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(LookupTest, FindsTheRightProgram) {
  const LookupCase& c = GetParam();
  for (const std::string& recorderText : c.recorders) {
    std::string::size_type first = recorderText.find(':');
    std::string::size_type second = recorderText.find(':', first + 1);
    mode_t mode = second == std::string::npos
                      ? 0755
                      : static_cast<mode_t>(std::stoi(recorderText.substr(second + 1), nullptr, 8));
    recorder(recorderText.substr(0, first), recorderText.substr(first + 1, second - first - 1),
             mode);
  }
  for (const std::string& folder : c.folders)
    temp_.folder(folder);

  testing::internal::CaptureStderr();
  int result = runCommand(c.command);
  std::string errors = testing::internal::GetCapturedStderr();

  EXPECT_EQ(ran(), c.ran);
  if (c.ran == "<missing>") {
    EXPECT_NE(result, 0);
    std::string word = c.command.substr(0, c.command.find(' '));
    EXPECT_TRUE(holds(errors, word));
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(errors, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LookupTest,
    ::testing::Values(
        LookupCase{
            "CurrentDirectoryBeforePath", {"work/prog:cwd", "bin/prog:path"}, {}, "prog", "cwd\n"},
        LookupCase{"AlongPath", {"bin/prog:path"}, {}, "prog x", "path\n"},
        LookupCase{"NonExecutableInCurrentDirectorySkipped",
                   {"work/prog:cwd:644", "bin/prog:path"},
                   {},
                   "prog",
                   "path\n"},
        LookupCase{
            "FolderInCurrentDirectorySkipped", {"bin/prog:path"}, {"work/prog"}, "prog", "path\n"},
        LookupCase{"NonExecutableNowhereElse", {"work/prog:cwd:644"}, {}, "prog", "<missing>"},
        LookupCase{"NotFound", {}, {}, "vokbuild-no-such-program a b", "<missing>"},
        LookupCase{
            "SlashWordIsAPath", {"work/sub/prog:sub", "bin/prog:path"}, {}, "sub/prog", "sub\n"},
        LookupCase{"BackslashWordIsAPath",
                   {"work/sub/prog:sub", "bin/prog:path"},
                   {},
                   "sub\\prog",
                   "sub\n"},
        LookupCase{
            "PathWordNotLookedForAlongPath", {"bin/sub/prog:path"}, {}, "sub/prog", "<missing>"},
        LookupCase{"QuotedNameWithSpace", {"bin/my prog:path"}, {}, "\"my prog\" a", "path\n"}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.label); });

TEST_F(InterpreterTest, PassesWordsAsArgumentsAndRunsNoShellSyntax) {
  recorder("bin/prog", "path");
  int result = runCommand(
      "prog \"a b\" c\\d $(touch pwned) `touch pwned2` ;touch x &y |z <w %PATH% * ~ '' \"\"");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(unit::readFile(temp_.at("args")),
            "[a b]\n[c\\d]\n[$(touch]\n[pwned)]\n[`touch]\n[pwned2`]\n[;touch]\n[x]\n[&y]\n[|z]\n"
            "[<w]\n[%PATH%]\n[*]\n[~]\n['']\n[]\n");
  EXPECT_EQ(workEntries(), std::set<std::string>{});
}

TEST_F(InterpreterTest, EchoRunsNoShellSyntaxEither) {
  EXPECT_EQ(runCommand("echo $(touch pwned) `touch pwned2` ; touch x > out"), 0);
  EXPECT_EQ(work("out"), "$(touch pwned) `touch pwned2` ; touch x \n");
  EXPECT_EQ(workEntries(), std::set<std::string>{"out"});
}

TEST_F(InterpreterTest, EchoWritesItsTextAndALineFeed) {
  EXPECT_EQ(runCommand(logStartCommand()), 0);
  EXPECT_EQ(work("voklog.txt"), "VOK Log Start \n");

  testing::internal::CaptureStdout();
  int result = runCommand("ECHO  two  spaces ");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " two  spaces \n");
  EXPECT_EQ(result, 0);
}

TEST_F(InterpreterTest, SingleRedirectionTruncatesDoubleAppends) {
  temp_.file("work/t", "old text that is longer\n");
  temp_.file("work/a", "old\n");
  EXPECT_EQ(runCommand("echo new > t"), 0);
  EXPECT_EQ(runCommand("echo new >> a"), 0);
  EXPECT_EQ(runCommand("echo more>>a"), 0);
  EXPECT_EQ(work("t"), "new \n");
  EXPECT_EQ(work("a"), "old\nnew \nmore\n");
}

TEST_F(InterpreterTest, EveryTargetIsOpenedAndTheLastReceivesTheOutput) {
  script("bin/say", "printf '%s\\n' \"$@\"");
  temp_.file("work/a", "old\n");
  temp_.file("work/c", "kept\n");
  temp_.folder("work/sub");
  EXPECT_EQ(runCommand("say x \"y z\" > a > sub\\b >> c"), 0);
  EXPECT_EQ(work("a"), "");
  EXPECT_EQ(work("sub/b"), "");
  EXPECT_EQ(work("c"), "kept\nx\ny z\n");
}

class UnrunnableLineTest : public InterpreterTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(UnrunnableLineTest, RunsNothingAndSaysWhy) {
  recorder("bin/prog", "path");
  temp_.folder("work/adir");
  testing::internal::CaptureStderr();
  int result = runCommand(GetParam());
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(result, 0);
  EXPECT_EQ(ran(), "<missing>");
  EXPECT_TRUE(holds(errors, "vokbuild: "));
  if (std::string(GetParam()).find("adir") != std::string::npos) {
    EXPECT_TRUE(holds(errors, "'adir'"));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UnrunnableLineTest,
                         ::testing::Values("prog > adir", "prog >> adir", "prog > a > adir > b",
                                           "prog >", "prog > >x"));

TEST_F(InterpreterTest, EchoIntoAFolderFails) {
  temp_.folder("work/adir");
  testing::internal::CaptureStderr();
  EXPECT_NE(runCommand("echo hi > adir"), 0);
  EXPECT_TRUE(holds(testing::internal::GetCapturedStderr(), "adir"));
}

TEST_F(InterpreterTest, PassesTheExitStatusBack) {
  script("bin/fails", "exit 7");
  script("bin/succeeds", "exit 0");
  EXPECT_EQ(runCommand("fails"), 7);
  EXPECT_EQ(runCommand("succeeds"), 0);
}

TEST_F(InterpreterTest, ProgramKilledBySignalIsReported) {
  script("bin/crashes", "kill -KILL $$");
  testing::internal::CaptureStderr();
  int result = runCommand("crashes");
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(result, 0);
  EXPECT_TRUE(holds(errors, "crashes"));
  EXPECT_TRUE(holds(errors, "signal"));
}

}  // namespace
