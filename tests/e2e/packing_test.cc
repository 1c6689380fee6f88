// End-to-end: the packing phase through the built program: which entries of
// the staging folders are packed, each once and in listing order, with its
// progress line; names that must reach the packer byte for byte, and names
// the command line cannot carry, which are refused with a warning.
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

// The one line of `lines` that holds every piece of `pieces`; fails unless
// there is exactly one.
void expectOneLineNaming(const std::vector<std::string>& lines,
                         const std::vector<std::string>& pieces) {
  int matching = 0;
  for (const std::string& line : lines) {
    bool all = true;
    for (const std::string& piece : pieces)
      all = all && line.find(piece) != std::string::npos;
    matching += all ? 1 : 0;
  }
  EXPECT_EQ(matching, 1) << "warning naming " << ::testing::PrintToString(pieces);
}

class PackingTest : public BackendGameTest {};

// Subfolders (also one reached through a link), dot-named files and dot
// folders are passed over; exactly the files that count are packed, in
// listing order, none twice and none left out.
TEST_P(PackingTest, PacksExactlyTheCountedFiles) {
  stage(Staging::main, {"a.dat", ".gitkeep", "b.dat", ".DS_Store", "noext"});
  writeFile("expansion/vok/temp/sub/inner.dat", "inner");
  writeFile("expansion/vok/temp/.dotdir/hidden.dat", "hidden");
  ASSERT_EQ(::symlink("sub", (stagingFolder(Staging::main) + "/linked").c_str()), 0);
  stage(Staging::second, {".hidden", "c.dat"});
  makeFolder("expansion/vok/tempL/sub2");

  RunResult result = run();

  std::vector<std::string> mainOrder = listingOrder(Staging::main);
  std::vector<std::string> secondOrder = listingOrder(Staging::second);
  std::vector<std::string> sortedMain = mainOrder;
  std::sort(sortedMain.begin(), sortedMain.end());
  ASSERT_EQ(sortedMain, (std::vector<std::string>{"a.dat", "b.dat", "noext"}));
  ASSERT_EQ(secondOrder, std::vector<std::string>{"c.dat"});
  expectCompletedRun(result, ExpectedRun::sequential(rootText(), mainOrder, secondOrder));
}

// Names with spaces, "&" and percent signs that cmd leaves alone reach the
// packer as one argument each, on every host.
TEST_P(PackingTest, NamesWithSpacesAmpersandsAndLonePercentsArePacked) {
  stage(Staging::main, {"town map.dat", "a & b.dat", "x&y.dat", "two  spaces.dat", "100%.dat",
                        "%VOKBUILD_E2E_UNDEFINED%.dat"});

  RunResult result = run();

  expectCompletedRun(result, ExpectedRun::sequential(rootText(), listingOrder(Staging::main), {}));
}

// Under Wine, a name outside the code page comes back with "?" and a name
// holding a defined %variable% would be expanded by cmd: both are refused
// with a warning and keep their progress numbers. The POSIX interpreter
// carries both unchanged.
TEST_P(PackingTest, NamesCmdWouldChangeAreRefusedOnlyUnderWine) {
  stage(Staging::main, {"\xE6\x97\xA5\xE6\x9C\xAC.dat", "pct%PATH%.dat", "ok.dat", "lone%.dat"});

  RunResult result = run();

  if (backend().kind() == BackendKind::posix) {
    expectCompletedRun(result,
                       ExpectedRun::sequential(rootText(), listingOrder(Staging::main), {}));
    return;
  }
  EXPECT_EQ(result.exitStatus, 0);
  std::vector<ProgressLine> lines = progressLines(result.out);
  std::set<std::string> names;
  std::set<int> numbers;
  for (const ProgressLine& line : lines) {
    names.insert(line.name);
    numbers.insert(line.number);
    EXPECT_EQ(line.total, 4);
    EXPECT_GE(line.number, 1);
    EXPECT_LE(line.number, 4);
  }
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(names, (std::set<std::string>{"ok.dat", "lone%.dat"}));
  EXPECT_EQ(numbers.size(), 2u) << "a progress number was used twice";

  std::set<PackerCall> adds(result.calls.begin(), result.calls.end());
  adds.erase({"expansion\\vok\\vok.zqb", "/opt"});
  std::set<PackerCall> expectedAdds = {
      {"expansion\\vok\\vok.zqb", stagedArgument(rootText(), Staging::main, "ok.dat"), "/force"},
      {"expansion\\vok\\vok.zqb", stagedArgument(rootText(), Staging::main, "lone%.dat"), "/force"},
  };
  EXPECT_EQ(adds, expectedAdds);
  EXPECT_EQ(result.calls.size(), 3u);

  std::vector<std::string> warnings = linesOf(result.err);
  EXPECT_EQ(warnings.size(), 2u) << result.err;
  expectOneLineNaming(warnings, {"vokbuild: ", "code page"});
  expectOneLineNaming(warnings, {"vokbuild: ", "pct%PATH%.dat"});
}

VOKBUILD_INSTANTIATE_BACKENDS(PackingTest);

class PosixPackingTest : public GameTest {};

// Each name reaches the packer as one argument, byte for byte, and nothing
// in it is run.
TEST_F(PosixPackingTest, HostileNamesReachThePackerIntact) {
  const std::vector<std::string> names = {
      "two  spaces.dat",    " leading space.dat",     "trailing space.dat ",
      "$(touch pwned).dat", "`touch pwned`.dat",      "semi;colon.dat",
      "amp&ersand.dat",     "pipe|bar.dat",           "less<than.dat",
      "greater>than.dat",   "per%cent%.dat",          "single'quote.dat",
      "star*.dat",          "back\\slash.dat",        "-leading-dash.dat",
      "caf\xC3\xA9.dat",    "\xFF\xFE raw bytes.dat", std::string(236, 'n') + ".dat",
  };
  stage(Staging::main, names);
  stage(Staging::second, {"; touch pwned", "> pwned"});

  RunResult result = run();

  std::vector<std::string> order = listingOrder(Staging::main);
  ASSERT_EQ(order.size(), names.size());
  expectCompletedRun(result,
                     ExpectedRun::sequential(rootText(), order, listingOrder(Staging::second)));
  EXPECT_TRUE(findNamed(top(), "pwned").empty());
  EXPECT_NE(::access("pwned", F_OK), 0);
}

// A double quote, carriage return or line feed cannot stand in the quoted
// argument: such a file is refused with a one-line warning naming it, the
// others are packed, and no progress number is used twice.
TEST_F(PosixPackingTest, NamesTheCommandLineCannotCarryAreRefused) {
  stage(Staging::main, {"first.dat", "quote\"mark.dat", "line\nfeed.dat", "second.dat"});
  stage(Staging::second, {"carriage\rreturn.dat", "third.dat"});

  RunResult result = run();

  auto refused = [](const std::string& name) {
    return name.find_first_of("\"\r\n") != std::string::npos;
  };
  ExpectedRun expected;
  expected.rootText = rootText();
  expected.total = 6;
  expected.quietErrors = false;
  int number = 0;
  for (Staging staging : {Staging::main, Staging::second}) {
    for (const std::string& name : listingOrder(staging)) {
      ++number;
      if (!refused(name))
        expected.adds.push_back({staging, name, number});
    }
  }
  ASSERT_EQ(number, 6);
  expectCompletedRun(result, expected);

  std::vector<std::string> warnings = linesOf(result.err);
  EXPECT_EQ(warnings.size(), 3u) << result.err;
  expectOneLineNaming(warnings, {"vokbuild: ", "quote\"mark.dat"});
  expectOneLineNaming(warnings, {"vokbuild: ", "line", "feed.dat"});
  expectOneLineNaming(warnings, {"vokbuild: ", "carriage", "return.dat"});
}

// A few thousand files: each packed once, in listing order, the numbers
// right-aligned in their fields.
TEST_F(PosixPackingTest, ThousandsOfFilesArePackedOnceEach) {
  std::vector<std::string> names;
  for (int index = 0; index < 2000; ++index)
    names.push_back("file" + std::to_string(index) + ".dat");
  stage(Staging::main, names);
  stage(Staging::second, {"last.dat"});

  RunResult result = run();

  std::vector<std::string> order = listingOrder(Staging::main);
  ASSERT_EQ(order.size(), names.size());
  ExpectedRun expected = ExpectedRun::sequential(rootText(), order, {"last.dat"});
  EXPECT_EQ(result.calls, expectedCalls(expected));
  EXPECT_EQ(std::set<PackerCall>(result.calls.begin(), result.calls.end()).size(),
            result.calls.size());
  expectCompletedRun(result, expected);
  EXPECT_NE(result.out.find("\rPacking file    1 of 2001 ("), std::string::npos);
  EXPECT_NE(result.out.find("\rPacking file   10 of 2001 ("), std::string::npos);
  EXPECT_NE(result.out.find("\rPacking file  999 of 2001 ("), std::string::npos);
  EXPECT_NE(result.out.find("\rPacking file 2001 of 2001 (last.dat)         \n"),
            std::string::npos);
}

// The packer deletes every staged file on its first call: nothing further is
// packed, nothing is packed twice, and the run completes.
TEST_F(PosixPackingTest, FilesDeletedDuringTheRunAreNotPacked) {
  stage(Staging::main, {"a.dat", "b.dat", "c.dat", "d.dat"});
  stage(Staging::second, {"e.dat", "f.dat"});
  writeRemovalList("vok.zqb old.dds\n");
  std::vector<std::string> order = listingOrder(Staging::main);
  RunOptions options;
  for (Staging staging : {Staging::main, Staging::second}) {
    for (const std::string& name : listingOrder(staging))
      options.packerDeletes.push_back(stagingFolder(staging) + "/" + name);
  }

  RunResult result = run(options);

  ExpectedRun expected;
  expected.rootText = rootText();
  expected.adds = {{Staging::main, order[0], 1}};
  expected.total = 6;
  expected.removals = {{"expansion\\vok\\vok.zqb", "old.dds"}};
  expected.quietErrors = false;
  expectCompletedRun(result, expected);
  EXPECT_EQ(
      result.err,
      "vokbuild: '" + rootText() +
          "\\expansion\\vok\\temp' holds fewer files than were counted: 3 of 4 not packed\n"
          "vokbuild: '" +
          rootText() +
          "\\expansion\\vok\\tempL' holds fewer files than were counted: 2 of 2 not packed\n");
}

}  // namespace
}  // namespace e2e
