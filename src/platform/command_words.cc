#include "platform/command_words.h"

namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool equalsIgnoringCase(const std::string& word, const char* lower) {
  std::string::size_type i = 0;
  for (; i < word.size() && lower[i] != '\0'; ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i])
      return false;
  }
  return i == word.size() && lower[i] == '\0';
}

}  // namespace

ParsedCommand parseCommandLine(const std::string& line) {
  ParsedCommand parsed;
  std::string word;
  bool inWord = false;
  bool inQuotes = false;
  bool awaitingTarget = false;
  bool appendTarget = false;
  std::string::size_type firstWordEnd = std::string::npos;
  std::string::size_type echoEnd = line.size();  // first redirection after the first word

  auto endWord = [&](std::string::size_type at) {
    if (!inWord)
      return;
    if (awaitingTarget) {
      parsed.redirections.push_back({word, appendTarget});
      awaitingTarget = false;
    } else {
      if (parsed.words.empty())
        firstWordEnd = at;
      parsed.words.push_back(word);
    }
    word.clear();
    inWord = false;
  };

  for (std::string::size_type i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      inQuotes = !inQuotes;
      inWord = true;
    } else if (inQuotes) {
      word += c;
    } else if (isBlank(c)) {
      endWord(i);
    } else if (c == '>') {
      endWord(i);
      if (awaitingTarget) {
        parsed.error = "a redirection has no target";
        return parsed;
      }
      if (firstWordEnd != std::string::npos && echoEnd == line.size())
        echoEnd = i;
      appendTarget = i + 1 < line.size() && line[i + 1] == '>';
      if (appendTarget)
        ++i;
      awaitingTarget = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  endWord(line.size());
  if (awaitingTarget)
    parsed.error = "a redirection has no target";

  if (!parsed.words.empty() && firstWordEnd != std::string::npos &&
      equalsIgnoringCase(parsed.words[0], "echo")) {
    parsed.isEcho = true;
    std::string::size_type start = firstWordEnd;
    if (start < echoEnd && isBlank(line[start]))
      ++start;
    if (start < echoEnd)
      parsed.echoText = line.substr(start, echoEnd - start);
  }
  return parsed;
}

}  // namespace platform
