// The hold on the current folder on Windows: a named mutex whose name is the
// folder's full path, case-folded, so every spelling of one folder meets the
// same mutex.
#include "platform/folder_lock.h"

#include <windows.h>

#include "platform/win32_error.h"

namespace platform {

LockResult lockCurrentFolder(std::string* error) {
  char folder[MAX_PATH + 1];
  DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) {
    *error = win32ErrorText(GetLastError());
    return LockResult::failed;
  }
  std::string name(folder, length);
  while (name.size() > 3 && (name.back() == '\\' || name.back() == '/'))
    name.pop_back();
  CharUpperBuffA(&name[0], static_cast<DWORD>(name.size()));
  for (char& c : name) {
    if (c == '\\')
      c = '/';  // a backslash would name a mutex namespace
  }
  // The handle stays open until the process ends; the hold goes with it.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, ("Local\\vokbuild:" + name).c_str());
  if (mutex == nullptr) {
    *error = win32ErrorText(GetLastError());
    return LockResult::failed;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return LockResult::busy;
  }
  return LockResult::taken;
}

}  // namespace platform
