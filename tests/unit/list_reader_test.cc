// The removal list's line reader (ListReader) over the bytes of a real file:
// LF and CRLF line ends, carriage returns elsewhere, the last line with and
// without line feed, 0x1A as the end of the list, lines holding a NUL byte,
// lines far longer than the reader's 64 KiB buffer or crossing it, and a
// read error.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "driver/removal_list.h"
#include "temp_folder.h"

namespace {

using namespace std::string_literals;

// What a line read gives: its text, or kUnusable for a line holding a NUL.
const std::string kUnusable = "<unusable>";

struct ReaderCase {
  const char* label;
  std::string bytes;
  std::vector<std::string> lines;
};

// Every line the reader hands out for `bytes`, checking on the way that
// lines are numbered from 1 and that the end, once reached, stays.
std::vector<std::string> readAll(const std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  EXPECT_NE(file, nullptr);
  if (file == nullptr)
    return {};
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
  std::rewind(file.get());

  ListReader reader(file.get());
  std::vector<std::string> lines;
  std::string line;
  // A list of n bytes has at most n lines; more reads mean the reader
  // never reports its end.
  for (std::size_t reads = 0; reads <= bytes.size(); ++reads) {
    ListReader::Result result = reader.next(&line);
    if (result == ListReader::Result::end)
      break;
    lines.push_back(result == ListReader::Result::line ? line : kUnusable);
    EXPECT_EQ(reader.lineNumber(), static_cast<long>(lines.size()));
  }
  EXPECT_EQ(reader.next(&line), ListReader::Result::end);
  EXPECT_FALSE(reader.readFailed());
  return lines;
}

void PrintTo(const ReaderCase& c, std::ostream* out) {
  *out << c.label;
}

class ListReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ListReaderTest, ReadsTheLines) {
  const ReaderCase& c = GetParam();
  std::vector<std::string> lines = readAll(c.bytes);
  ASSERT_EQ(lines.size(), c.lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // Compared one by one so that a failure on a long line stays readable.
    EXPECT_TRUE(lines[i] == c.lines[i])
        << "line " << i + 1 << ": got " << lines[i].size() << " bytes starting \""
        << lines[i].substr(0, 20) << "\", expected " << c.lines[i].size() << " bytes starting \""
        << c.lines[i].substr(0, 20) << "\"";
  }
}

constexpr std::size_t kBuffer = 65536;
const std::string kMegabyte(1 << 20, 'm');

INSTANTIATE_TEST_SUITE_P(
    Cases, ListReaderTest,
    ::testing::Values(ReaderCase{"LineFeeds", "a\nb c\n", {"a", "b c"}},
                      ReaderCase{"CarriageReturnLineFeeds", "a\r\nb c\r\n", {"a", "b c"}},
                      ReaderCase{"LastLineWithoutLineFeed", "a\nb c", {"a", "b c"}},
                      ReaderCase{"LastCrlfLineWithoutEnd", "a\r\nb c", {"a", "b c"}},
                      ReaderCase{"EmptyFile", "", {}}, ReaderCase{"OnlyALineFeed", "\n", {""}},
                      ReaderCase{"EmptyLinesInTheMiddle", "a\n\n\r\nb\n", {"a", "", "", "b"}},
                      ReaderCase{"LoneCarriageReturnStays", "a\rb\n", {"a\rb"}},
                      ReaderCase{"OnlyTheLastCarriageReturnGoes", "a\r\r\n\r\r\n", {"a\r", "\r"}},
                      ReaderCase{"CarriageReturnAtTheEnd", "a\nb\r", {"a", "b\r"}},
                      ReaderCase{"LineOfSpaces", "   \n\t\n", {"   ", "\t"}},
                      ReaderCase{"QuotesAndSpacesUntouched", " \"x y\" \n", {" \"x y\" "}},
                      ReaderCase{"CtrlZMidLine",
                                 "a\nb\x1A"
                                 "c\nd\n",
                                 {"a", "b"}},
                      ReaderCase{"CtrlZAfterLineFeed",
                                 "a\n\x1A"
                                 "b\n",
                                 {"a"}},
                      ReaderCase{"CtrlZFirst",
                                 "\x1A"
                                 "a\n",
                                 {}},
                      ReaderCase{"CtrlZBeforeLineFeed", "a\x1A\nb\n", {"a"}},
                      ReaderCase{"CarriageReturnBeforeCtrlZStays", "a\r\x1A\n", {"a\r"}},
                      ReaderCase{"NulLineSkippedReadingGoesOn", "a\0b\nc\n"s, {kUnusable, "c"}},
                      ReaderCase{"NulLineInTheMiddle", "x\n\0\r\ny"s, {"x", kUnusable, "y"}},
                      ReaderCase{"NulInTheLastLine", "x\ny\0"s, {"x", kUnusable}},
                      ReaderCase{"NulAfterCtrlZUnread", "x\x1A\0\n"s, {"x"}},
                      ReaderCase{"MegabyteLine", kMegabyte + "\nz", {kMegabyte, "z"}},
                      ReaderCase{"MegabyteLineWithCrlf", kMegabyte + "\r\n", {kMegabyte}},
                      ReaderCase{"LineCrossesTheBuffer",
                                 std::string(kBuffer - 6, 'a') + "\n" + std::string(20, 'b') + "\n",
                                 {std::string(kBuffer - 6, 'a'), std::string(20, 'b')}},
                      ReaderCase{"LineFeedLastInTheBuffer",
                                 std::string(kBuffer - 1, 'a') + "\nb",
                                 {std::string(kBuffer - 1, 'a'), "b"}},
                      ReaderCase{"CrlfSplitByTheBuffer",
                                 std::string(kBuffer - 1, 'c') + "\r\nd",
                                 {std::string(kBuffer - 1, 'c'), "d"}},
                      ReaderCase{"LoneCarriageReturnLastInTheBuffer",
                                 std::string(kBuffer - 1, 'c') + "\rx\n",
                                 {std::string(kBuffer - 1, 'c') + "\rx"}},
                      ReaderCase{"CtrlZInTheSecondBuffer",
                                 std::string(kBuffer + 10, 'e') + "\x1A"
                                                                  "f\ng\n",
                                 {std::string(kBuffer + 10, 'e')}},
                      ReaderCase{"NulInTheSecondBuffer",
                                 std::string(kBuffer + 10, 'e') + "\0\nok"s,
                                 {kUnusable, "ok"}}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.label); });

// A stream whose reads fail (a folder opened as a file fails every read on
// Linux) ends the list and says that it failed, rather than that it ended.
TEST(ListReaderErrorTest, ReadErrorEndsTheListAndIsReported) {
  unit::TempFolder folder;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(folder.path().c_str(), "rb"),
                                                       std::fclose);
  ASSERT_NE(file, nullptr);
  ListReader reader(file.get());
  std::string line = "left over";

  EXPECT_EQ(reader.next(&line), ListReader::Result::end);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(reader.readFailed());
  EXPECT_EQ(reader.lineNumber(), 0);
}

}  // namespace
