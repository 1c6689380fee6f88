// The process's surroundings: its current directory, the command interpreter
// that runs packer command lines, and standard output's buffering.
//
// Windows hands command lines to the C runtime's system() (COMSPEC "/c", or
// cmd.exe). POSIX hosts run them with an interpreter of their own that keeps
// Windows' quoting (see command_words.h): it never hands a line to /bin/sh,
// starts the named program directly and does not ignore Ctrl-C.
#ifndef VOKBUILD_PLATFORM_PROCESS_H_
#define VOKBUILD_PLATFORM_PROCESS_H_

#include <string>

namespace platform {

/// Which command interpreter runs command lines on this host; it decides
/// which characters a quoted argument can carry.
enum class Interpreter { ownPosix, windowsCmd };
Interpreter hostInterpreter();

/// Sets up standard output: unbuffered on a terminal, buffered in blocks of
/// 4096 bytes when it is a file or a pipe.
void prepareStandardOutput();

/// `path` made absolute against the current directory; an absolute path is
/// returned verbatim. False, with `error` set, when that cannot be done.
bool absolutePath(const std::string& path, std::string* absolute, std::string* error);

/// Makes `path` the current directory. False, with `error` set, on failure.
bool changeDirectory(const std::string& path, std::string* error);

/// True when command lines can be run at all; otherwise false with `error`
/// saying why.
bool interpreterAvailable(std::string* error);

/// Runs one command line to completion and returns its exit status
/// (non-zero when it could not be run; the interpreter then says why on
/// standard error).
int runCommand(const std::string& commandLine);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_PROCESS_H_
