// Folder search on Windows: the ANSI Win32 calls, unchanged.
#include "platform/folder_search.h"

#include <windows.h>

namespace platform {

struct Search {
  HANDLE handle;
};

namespace {

void fill(const WIN32_FIND_DATAA& data, FolderEntry* entry) {
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
}

}  // namespace

std::uint32_t readAttributes(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? kInvalidAttributes : attributes;
}

std::uint32_t readEntryAttributes(const std::string& folder, const std::string& name,
                                  std::uint32_t known) {
  if (name.empty())
    return kInvalidAttributes;
  DWORD attributes = GetFileAttributesA((folder + "\\" + name).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return attributes;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kInvalidAttributes
                                                                        : known;
}

Search* startSearch(const std::string& pattern, FolderEntry* first) {
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE)
    return nullptr;
  fill(data, first);
  return new Search{handle};
}

bool continueSearch(Search* search, FolderEntry* entry) {
  WIN32_FIND_DATAA data;
  if (search == nullptr || !FindNextFileA(search->handle, &data))
    return false;
  fill(data, entry);
  return true;
}

void endSearch(Search* search) {
  if (search == nullptr)
    return;
  FindClose(search->handle);
  delete search;
}

}  // namespace platform
