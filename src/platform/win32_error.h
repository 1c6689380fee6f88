// The text of a Win32 error code, for messages. Only the Windows sources
// include this.
#ifndef VOKBUILD_PLATFORM_WIN32_ERROR_H_
#define VOKBUILD_PLATFORM_WIN32_ERROR_H_

#include <windows.h>

#include <string>

namespace platform {

/// The system's one-line description of `code`, or "error N".
inline std::string win32ErrorText(DWORD code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length == 0 ? std::string() : std::string(text, length);
  if (text != nullptr)
    LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.'))
    result.pop_back();
  return result.empty() ? "error " + std::to_string(code) : result;
}

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_WIN32_ERROR_H_
