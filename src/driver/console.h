// The console report: text on standard output with its line ends and
// flushes, and one-line messages on standard error that name the program.
#ifndef VOKBUILD_DRIVER_CONSOLE_H_
#define VOKBUILD_DRIVER_CONSOLE_H_

#include <string>

/// Writes `text` to standard output, without line end or flush.
void writeText(const std::string& text);
/// Writes a line feed to standard output, then flushes it.
void endLine();
/// Flushes standard output.
void flushOutput();
/// Writes "vokbuild: " + `message` and a line feed to standard error.
void complain(const std::string& message);
/// `text` quoted for a one-line message: control bytes are shown as \r, \n
/// or \xNN, so a name cannot break the line.
std::string quoted(const std::string& text);

#endif  // VOKBUILD_DRIVER_CONSOLE_H_
