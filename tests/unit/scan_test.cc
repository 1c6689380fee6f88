// Folder scanning on real temporary folders: FolderListing (which entries it
// yields, in which state it ends, what an unusable path gives), the rule of
// a file that counts (isCountedFile, holdsCountedFile) and countFiles with
// its extension filter and recursion.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/folder_search.h"
#include "scan/count_files.h"
#include "scan/folder_listing.h"
#include "temp_folder.h"

namespace {

using platform::kDirectoryAttribute;

// Builds a tree from lines of the form "a/b" (a file), "a/b/" (a folder) or
// "a/b -> target" (a symbolic link to target).
void build(const unit::TempFolder& temp, const std::vector<std::string>& tree) {
  for (const std::string& line : tree) {
    std::string::size_type arrow = line.find(" -> ");
    if (arrow != std::string::npos)
      temp.link(line.substr(0, arrow), line.substr(arrow + 4));
    else if (line.back() == '/')
      temp.folder(line);
    else
      temp.file(line);
  }
}

// Enough steps for any folder these tests make; a listing that never
// reports its end fails the test instead of hanging it.
constexpr int kMaxSteps = 100;

// Every name the listing yields, starting with the one it holds after
// opening, until it reports its end.
std::vector<std::string> walk(FolderListing& listing) {
  std::vector<std::string> names;
  if (listing.atEnd())
    return names;
  names.push_back(listing.name());
  for (int step = 0; step < kMaxSteps; ++step) {
    std::string name = listing.next();
    if (listing.atEnd())
      return names;
    names.push_back(name);
  }
  ADD_FAILURE() << "the listing never reports its end";
  return names;
}

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override { build(temp_, {"stage/a.dat", "stage/b c.dat", "stage/sub/", "file"}); }
  unit::TempFolder temp_;
};

TEST_F(FolderListingTest, YieldsDotEntriesFirstThenEveryEntryOnce) {
  FolderListing listing(temp_.path() + "\\stage");
  EXPECT_FALSE(listing.atEnd());
  EXPECT_EQ(listing.name(), ".");
  EXPECT_FALSE(listing.holdsCountedFile());
  std::vector<std::string> names = walk(listing);
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], ".");
  EXPECT_EQ(names[1], "..");
  std::multiset<std::string> rest(names.begin() + 2, names.end());
  EXPECT_EQ(rest, (std::multiset<std::string>{"a.dat", "b c.dat", "sub"}));
}

TEST_F(FolderListingTest, TrailingBackslashAndBackslashSeparatorsWork) {
  std::string path = temp_.path();
  for (char& c : path) {
    if (c == '/')
      c = '\\';
  }
  FolderListing listing(path + "\\stage\\");
  EXPECT_EQ(walk(listing).size(), 5u);
}

TEST_F(FolderListingTest, HoldsCountedFileFollowsTheEntryHeld) {
  FolderListing listing(temp_.path() + "/stage");
  std::multiset<std::string> counted;
  for (int step = 0; step < kMaxSteps && !listing.atEnd(); ++step) {
    if (listing.holdsCountedFile())
      counted.insert(listing.name());
    listing.next();
  }
  EXPECT_EQ(counted, (std::multiset<std::string>{"a.dat", "b c.dat"}));
}

TEST_F(FolderListingTest, NextPastTheEndKeepsTheLastName) {
  FolderListing listing(temp_.path() + "/stage");
  std::vector<std::string> names = walk(listing);
  ASSERT_TRUE(listing.atEnd());
  EXPECT_EQ(listing.next(), names.back());
  EXPECT_EQ(listing.next(), names.back());
  EXPECT_TRUE(listing.atEnd());
  EXPECT_EQ(listing.name(), names.back());
}

TEST_F(FolderListingTest, UnusablePathsGiveAnEmptyListingAtItsEnd) {
  for (const std::string& path :
       {temp_.path() + "/file", temp_.path() + "/missing", std::string()}) {
    SCOPED_TRACE("path \"" + path + "\"");
    FolderListing listing(path);
    EXPECT_TRUE(listing.atEnd());
    EXPECT_EQ(listing.name(), "");
    EXPECT_FALSE(listing.holdsCountedFile());
    EXPECT_EQ(listing.next(), "");
    EXPECT_TRUE(listing.atEnd());
  }
}

struct CountedFileCase {
  const char* name;
  std::uint32_t attributes;
  bool counts;
};

void PrintTo(const CountedFileCase& c, std::ostream* out) {
  *out << testing::PrintToString(c.name) << " with attributes " << c.attributes;
}

class IsCountedFileTest : public ::testing::TestWithParam<CountedFileCase> {};

TEST_P(IsCountedFileTest, DecidesByFolderBitAndLeadingDot) {
  EXPECT_EQ(isCountedFile(GetParam().name, GetParam().attributes), GetParam().counts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsCountedFileTest,
    ::testing::Values(CountedFileCase{"a.dat", 0x20, true},            // archive bit
                      CountedFileCase{"a.dat", 0x00, true},            // no attribute at all
                      CountedFileCase{"a", 0x01 | 0x02 | 0x04, true},  // read-only, hidden, system
                      CountedFileCase{"noext", 0x80, true}, CountedFileCase{"x.", 0x20, true},
                      CountedFileCase{".gitkeep", 0x20, false},
                      CountedFileCase{".", kDirectoryAttribute, false},
                      CountedFileCase{"..", kDirectoryAttribute, false},
                      CountedFileCase{"sub", kDirectoryAttribute, false},
                      CountedFileCase{"sub.dat", kDirectoryAttribute | 0x20, false},
                      CountedFileCase{"", 0x20, false}));

struct CountCase {
  const char* label;
  std::vector<std::string> tree;
  std::string folder;  // below the temporary folder, in Windows form
  std::string filter;
  bool recurse;
  int expected;
};

void PrintTo(const CountCase& c, std::ostream* out) {
  *out << c.label;
}

class CountFilesTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountFilesTest, CountsTheFilesThatCount) {
  const CountCase& c = GetParam();
  unit::TempFolder temp;
  build(temp, c.tree);
  EXPECT_EQ(countFiles(temp.path() + "\\" + c.folder, c.filter, c.recurse), c.expected);
}

const std::vector<std::string> kTwoAndThree = {"stage/a", "stage/b", "stage/sub/c", "stage/sub/d",
                                               "stage/sub/e"};
const std::vector<std::string> kExtensions = {"stage/notes.txt",     "stage/notes.TXT",
                                              "stage/a.b.txt",       "stage/txt",
                                              "stage/notes.txt.bak", "stage/a.t*t"};

INSTANTIATE_TEST_SUITE_P(
    Cases, CountFilesTest,
    ::testing::Values(
        CountCase{"EmptyFolder", {"stage/"}, "stage", "*", true, 0},
        CountCase{"MissingFolder", {}, "stage", "*", true, 0},
        CountCase{"PathNamesAFile", {"stage"}, "stage", "*", false, 0},
        CountCase{"FlatSkipsSubfolder", kTwoAndThree, "stage", "*", false, 2},
        CountCase{"RecurseAddsSubfolder", kTwoAndThree, "stage", "*", true, 5},
        CountCase{"TrailingBackslash", kTwoAndThree, "stage\\", "*", false, 2},
        CountCase{"BackslashInsideFolder", {"stage/sub/c"}, "stage\\sub", "*", false, 1},
        CountCase{"DotFileNotCounted",
                  {"stage/.gitkeep", "stage/a", "stage/.x.dat"},
                  "stage",
                  "*",
                  false,
                  1},
        CountCase{"DotFolderNotDescended",
                  {"stage/.hidden/x", "stage/a", "stage/sub/y"},
                  "stage",
                  "*",
                  true,
                  2},
        CountCase{"FilterTakesLastExtension", kExtensions, "stage", "txt", true, 3},
        CountCase{"FilterWithDotMatchesNothing", kExtensions, "stage", ".txt", true, 0},
        CountCase{"FilterWithStarIsPlainText", kExtensions, "stage", "t*t", true, 1},
        CountCase{"StarFilterTakesEveryFile", kExtensions, "stage", "*", false, 6},
        CountCase{"LinkToFolderIsAFolder",
                  {"real/x", "real/y", "stage/a", "stage/link -> ../real"},
                  "stage",
                  "*",
                  false,
                  1},
        CountCase{"LinkToFolderIsDescended",
                  {"real/x", "real/y", "stage/a", "stage/link -> ../real"},
                  "stage",
                  "*",
                  true,
                  3},
        CountCase{
            "DanglingLinkIsAFile", {"stage/a", "stage/gone -> nowhere"}, "stage", "*", false, 2}),
    [](const ::testing::TestParamInfo<CountCase>& info) { return std::string(info.param.label); });

// readEntryAttributes, which the packing asks at each file's turn: the
// entry's name is taken verbatim (a backslash in it is no separator), the
// folder in Windows form, and the answer is the search's (a link to nothing
// is a file). Only an entry that is not there reads as gone: one the lookup
// cannot reach (a name too long for it) keeps what the search said of it.
TEST(ReadEntryAttributesTest, ReadsTheNamedEntryOfTheFolder) {
  const std::uint32_t kKnown = 0x21;  // read-only and archive: no lookup here answers that
  unit::TempFolder temp;
  build(temp, {"stage/a.dat", "stage/sub/", "stage/back\\slash.dat", "stage/link -> sub",
               "stage/gone -> nowhere"});
  const std::string stage = temp.path() + "\\stage";
  struct Case {
    const char* name;
    bool exists;
    bool folder;
  };
  const Case cases[] = {
      {"a.dat", true, false}, {"sub", true, true},           {"back\\slash.dat", true, false},
      {"link", true, true},   {"missing.dat", false, false}, {"gone", true, false},
      {"", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint32_t attributes = platform::readEntryAttributes(stage, c.name, kKnown);
    EXPECT_EQ(attributes != platform::kInvalidAttributes, c.exists);
    if (c.exists) {
      EXPECT_EQ((attributes & kDirectoryAttribute) != 0, c.folder);
    }
  }
  EXPECT_EQ(platform::readEntryAttributes(stage, std::string(300, 'n'), kKnown), kKnown);
}

}  // namespace
