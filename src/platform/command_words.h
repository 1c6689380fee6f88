// How the POSIX hosts' own command interpreter reads one command line: words
// split at spaces and tabs outside double quotes, ">" and ">>" redirections
// outside quotes, and the text an "echo" writes. Every other character is
// literal. Pure, so it is built and tested on every host.
#ifndef VOKBUILD_PLATFORM_COMMAND_WORDS_H_
#define VOKBUILD_PLATFORM_COMMAND_WORDS_H_

#include <string>
#include <vector>

namespace platform {

/// One redirection of standard output.
struct Redirection {
  std::string target;
  bool append = false;  // ">>" rather than ">"
};

/// A command line as the interpreter understands it.
struct ParsedCommand {
  std::vector<std::string> words;          // quotes removed
  std::vector<Redirection> redirections;   // in the order they stand
  bool isEcho = false;                     // first word is "echo", any letter case
  std::string echoText;                    // for echo: what it writes before its line feed
  std::string error;                       // non-empty when the line cannot be run
};

/// Splits `line` into words and redirections. A double quote switches
/// quoting on or off and is not part of a word ("" alone is an empty word).
/// An echo writes the text after "echo " up to the first redirection, as it
/// stands. A redirection without a target word sets `error`.
ParsedCommand parseCommandLine(const std::string& line);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_COMMAND_WORDS_H_
