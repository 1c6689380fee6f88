// Fuzz target for the removal-list line reader: any byte sequence, read
// through a stdio stream the way the removal phase reads deleteList.txt,
// must come back as the lines the text rules give, and no line handed out
// may hold a byte that would break the command line composed from it.
//
// The first input byte picks the shape: with its top bit set, a filler of
// almost one read buffer (64 KiB) comes first, so that the rest of the input
// straddles the point where the reader refills its buffer; bit 6 ends the
// filler with a line feed, and the low six bits move the refill point up to
// 63 bytes into the rest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver/removal_list.h"

namespace {

constexpr std::size_t kReadBuffer = 65536;

using Line = std::pair<ListReader::Result, std::string>;

void fail(const char* property) {
  std::fprintf(stderr, "list_reader_fuzz: property broken: %s\n", property);
  std::abort();
}

void check(bool holds, const char* property) {
  if (!holds)
    fail(property);
}

// The lines the text rules give for the whole of `text`, worked out on the
// text at once: cut at the first 0x1A, split at line feeds, one carriage
// return dropped before each line feed, no line after a final line feed or
// for an empty rest.
std::vector<Line> expectedLines(std::string text) {
  text = text.substr(0, text.find('\x1A'));
  std::vector<Line> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type feed = text.find('\n', start);
    std::string line = text.substr(start, feed == std::string::npos ? feed : feed - start);
    if (feed != std::string::npos && !line.empty() && line.back() == '\r')
      line.pop_back();
    bool usable = line.find('\0') == std::string::npos;
    lines.emplace_back(usable ? ListReader::Result::line : ListReader::Result::unusableLine, line);
    if (feed == std::string::npos)
      break;
    start = feed + 1;
  }
  return lines;
}

std::FILE* openText(const std::string& text) {
  if (text.empty())
    return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  std::uint8_t shape = data[0];
  std::string text;
  if (shape & 0x80) {
    text.assign(kReadBuffer - (shape & 0x3F) - 1, 'x');
    text += (shape & 0x40) ? '\n' : 'x';
  }
  text.append(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::FILE* file = openText(text);
  if (file == nullptr)
    fail("the input could not be opened as a stream");
  ListReader reader(file);
  std::vector<Line> lines;
  std::size_t feeds = 0;
  for (char c : text)
    feeds += c == '\n';
  std::string line;
  for (;;) {
    ListReader::Result result = reader.next(&line);
    if (result == ListReader::Result::end)
      break;
    lines.emplace_back(result, line);
    check(lines.size() <= feeds + 1, "more lines than line feeds + 1");
    check(reader.lineNumber() == static_cast<long>(lines.size()),
          "the line number counts every line read");
    check(line.find('\n') == std::string::npos, "a line holds a line feed");
    check(line.find('\x1A') == std::string::npos, "a line holds a 0x1A");
    check((result == ListReader::Result::line) == (line.find('\0') == std::string::npos),
          "a line is handed out exactly when it holds no NUL byte");
  }
  check(reader.next(&line) == ListReader::Result::end && line.empty(),
        "the end of the list is final");
  std::fclose(file);

  std::vector<Line> expected = expectedLines(text);
  check(lines == expected, "the lines differ from the text rules applied to the whole text");
  // Joined with line feeds, the lines give back the text up to its 0x1A,
  // each CR LF pair read as a line feed and without a final line feed.
  std::string rest = text.substr(0, text.find('\x1A'));
  std::string normal;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n')
      continue;
    normal += rest[i];
  }
  if (!normal.empty() && normal.back() == '\n')
    normal.pop_back();
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i)
    joined += (i == 0 ? "" : "\n") + lines[i].second;
  check(joined == normal, "the lines joined again differ from the text (CR LF read as LF)");
  return 0;
}
