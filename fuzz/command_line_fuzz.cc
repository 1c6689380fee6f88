// Fuzz target for the POSIX interpreter's reading of command lines.
//
// The input, after its first byte, is taken three ways:
// - as a staged entry name: when the driver lets it through (no double
//   quote, carriage return or line feed), the add command composed from it
//   must split into exactly "pack.exe", the archive, the staged path with the
//   name intact and "/force", with one redirection only: appending to the
//   log. The first byte picks the archive and one of a few root folders.
// - as a removal-list line free of double quotes and ">": its removal
//   command must redirect to the log and nowhere else.
// - as an arbitrary command line: parsing never crashes, loses or invents a
//   character; no word or target holds a double quote; a blank or ">" in a
//   word or target always came from a quoted stretch; and the words and
//   targets written out again in quotes parse back to themselves.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/packer_commands.h"
#include "platform/command_words.h"

namespace {

using platform::ParsedCommand;
using platform::Redirection;

// Root folder texts the driver accepts: plain, with a trailing separator,
// with blanks, and with characters other interpreters would act on.
const char* const kRoots[] = {"/tmp/g", "/tmp/g/", "/tmp/game folder  x", "/tmp/a>b;$(x)`|&'\\"};

void fail(const char* property, const std::string& line) {
  std::fprintf(stderr, "command_line_fuzz: property broken: %s\n  line: [%s]\n", property,
               line.c_str());
  std::abort();
}

void check(bool holds, const char* property, const std::string& line) {
  if (!holds)
    fail(property, line);
}

bool sameRedirections(const std::vector<Redirection>& a, const std::vector<Redirection>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const Redirection& x, const Redirection& y) {
           return x.target == y.target && x.append == y.append;
         });
}

void checkAddCommand(const std::string& name, unsigned shape) {
  Archive archive = (shape & 1) ? Archive::second : Archive::main;
  std::string root = kRoots[(shape >> 1) % (sizeof kRoots / sizeof kRoots[0])];
  bool carried = name.find_first_of("\"\r\n") == std::string::npos;
  bool accepted = quotingProblem(name, platform::Interpreter::ownPosix).empty();
  check(carried == accepted,
        "the driver's check rejects exactly the names with a double quote, CR or LF", name);
  if (!accepted)
    return;

  std::string line = addCommand(archive, root, name);
  ParsedCommand parsed = platform::parseCommandLine(line);
  std::vector<std::string> expected = {
      "pack.exe", archive == Archive::main ? "expansion\\vok\\vok.zqb" : "expansion\\vok\\vokL.zqb",
      stagingFolder(archive, root) + "\\" + name, "/force"};
  check(parsed.error.empty(), "an add command fails to parse", line);
  check(!parsed.isEcho, "an add command reads as an echo", line);
  check(parsed.words == expected, "an add command does not split into the packer's arguments",
        line);
  check(sameRedirections(parsed.redirections, {{"voklog.txt", true}}),
        "an add command redirects other than appending to voklog.txt", line);
}

void checkRemovalCommand(const std::string& listLine) {
  if (listLine.find_first_of("\">") != std::string::npos)
    return;
  std::string line = removalCommand(listLine);
  ParsedCommand parsed = platform::parseCommandLine(line);
  check(parsed.error.empty(), "a removal command fails to parse", line);
  check(!parsed.words.empty() && parsed.words[0] == "pack.exe",
        "a removal command does not start the packer", line);
  check(sameRedirections(parsed.redirections, {{"voklog.txt", true}}),
        "a removal command redirects other than appending to voklog.txt", line);
}

// The characters of `line` that belong to words: every character but the
// double quotes, and outside quotes but the blanks and ">".
std::string wordCharacters(const std::string& line) {
  std::string kept;
  bool inQuotes = false;
  for (char c : line) {
    if (c == '"')
      inQuotes = !inQuotes;
    else if (inQuotes || (c != ' ' && c != '\t' && c != '>'))
      kept += c;
  }
  return kept;
}

void checkAnyLine(const std::string& line) {
  ParsedCommand parsed = platform::parseCommandLine(line);
  std::size_t operators = static_cast<std::size_t>(std::count(line.begin(), line.end(), '>'));
  check(parsed.redirections.size() <= operators, "more redirections than '>' characters", line);
  std::string found;
  for (const std::string& word : parsed.words)
    found += word;
  for (const Redirection& redirection : parsed.redirections)
    found += redirection.target;
  check(found.find('"') == std::string::npos, "a word or target holds a double quote", line);
  if (parsed.isEcho) {
    check(line.find(parsed.echoText) != std::string::npos, "echo text that is not in the line",
          line);
    if (parsed.redirections.empty() && parsed.error.empty())
      check(line.size() >= parsed.echoText.size() &&
                line.compare(line.size() - parsed.echoText.size(), std::string::npos,
                             parsed.echoText) == 0,
            "an echo without redirection does not write the rest of the line", line);
  }
  if (!parsed.error.empty())
    return;

  // Every character of a word or target is one of the line's, and none is
  // lost: blanks and ">" only where quotes carried them.
  std::string expected = wordCharacters(line);
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  check(found == expected, "characters lost or invented between line and words", line);

  std::string again;
  for (const std::string& word : parsed.words)
    again += (again.empty() ? "\"" : " \"") + word + "\"";
  for (const Redirection& redirection : parsed.redirections)
    again += (redirection.append ? " >> \"" : " > \"") + redirection.target + "\"";
  ParsedCommand reparsed = platform::parseCommandLine(again);
  check(reparsed.error.empty() && reparsed.words == parsed.words &&
            sameRedirections(reparsed.redirections, parsed.redirections),
        "words and targets written out in quotes do not parse back to themselves", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  checkAddCommand(text, data[0]);
  checkRemovalCommand(text);
  checkAnyLine(text);
  return 0;
}
