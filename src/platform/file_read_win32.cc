#include "platform/file_read.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/win32_error.h"

namespace platform {

OpenedFile openForReading(const std::string& path) {
  OpenedFile opened;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      opened.missing = true;
    else
      opened.problem = win32ErrorText(error);
    return opened;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    opened.problem = "it is a folder";
    return opened;
  }
  opened.file = std::fopen(path.c_str(), "rb");
  if (opened.file == nullptr)
    opened.problem = std::strerror(errno);
  return opened;
}

}  // namespace platform
