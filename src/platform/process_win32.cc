// Process surroundings on Windows: the C runtime's system() and the Win32
// directory calls.
#include "platform/process.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32_error.h"

namespace platform {

namespace {

bool isFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Drive-absolute ("C:\x", "C:/x") or UNC ("\\server\share"). A path such
// as "C:x" or "\x" still depends on the current drive or folder.
bool isAbsolute(const std::string& path) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 3 && path[1] == ':' && separator(path[2]))
    return true;
  return path.size() >= 2 && separator(path[0]) && separator(path[1]);
}

}  // namespace

Interpreter hostInterpreter() { return Interpreter::windowsCmd; }

void prepareStandardOutput() {}

bool absolutePath(const std::string& path, std::string* absolute, std::string* error) {
  if (isAbsolute(path)) {
    *absolute = path;
    return true;
  }
  DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed != 0) {
    std::string buffer(needed, '\0');
    DWORD length = GetFullPathNameA(path.c_str(), needed, &buffer[0], nullptr);
    if (length != 0 && length < needed) {
      buffer.resize(length);
      *absolute = buffer;
      return true;
    }
  }
  *error = win32ErrorText(GetLastError());
  return false;
}

bool changeDirectory(const std::string& path, std::string* error) {
  if (SetCurrentDirectoryA(path.c_str()))
    return true;
  *error = win32ErrorText(GetLastError());
  return false;
}

// Looks for the interpreter where system() does: the program named by
// COMSPEC, else cmd.exe in the current directory, then along PATH.
bool interpreterAvailable(std::string* error) {
  const char* comspec = std::getenv("COMSPEC");
  if (comspec != nullptr && isFile(comspec))
    return true;
  if (isFile("cmd.exe"))
    return true;
  const char* path = std::getenv("PATH");
  std::string folders = path == nullptr ? std::string() : path;
  std::string::size_type start = 0;
  while (start < folders.size()) {
    std::string::size_type end = folders.find(';', start);
    if (end == std::string::npos)
      end = folders.size();
    std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && isFile(folder + (folder.back() == '\\' ? "" : "\\") + "cmd.exe"))
      return true;
    start = end + 1;
  }
  *error = "no command interpreter: COMSPEC names no program and cmd.exe is not along PATH";
  return false;
}

int runCommand(const std::string& commandLine) { return std::system(commandLine.c_str()); }

}  // namespace platform
