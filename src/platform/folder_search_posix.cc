// Folder search on POSIX hosts, over opendir/readdir, answering as the Win32
// calls do: "." and ".." come first, folders (and links to folders) carry
// the directory attribute, every other entry reads as a plain file.
#include "platform/folder_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/host_path_posix.h"

namespace platform {

namespace {

constexpr std::uint32_t kFileAttribute = 0x20;

std::uint32_t attributesOf(const struct stat& info) {
  return S_ISDIR(info.st_mode) ? kDirectoryAttribute : kFileAttribute;
}

// Attributes of the entry `name` relative to the folder `dirFd`, following a
// link; a link to nothing reads as a plain file, an entry that is not there
// as kInvalidAttributes.
std::uint32_t attributesAt(int dirFd, const char* name) {
  struct stat info;
  if (::fstatat(dirFd, name, &info, 0) == 0)
    return attributesOf(info);
  if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0)
    return kFileAttribute;
  return kInvalidAttributes;
}

// The folder part of a search pattern, or false for a pattern this layer
// does not know. Both known patterns match every entry.
bool folderOfPattern(const std::string& pattern, std::string* folder) {
  std::string::size_type cut = pattern.find_last_of('\\');
  std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  if (last != "*" && last != "*.*")
    return false;
  *folder = cut == std::string::npos ? "." : pattern.substr(0, cut + 1);
  return true;
}

}  // namespace

struct Search {
  DIR* dir = nullptr;
  int synthesized = 0;  // how many of "." and ".." have been handed out
};

std::uint32_t readAttributes(const std::string& path) {
  struct stat info;
  if (path.empty() || ::stat(hostPath(path).c_str(), &info) != 0)
    return kInvalidAttributes;
  return attributesOf(info);
}

std::uint32_t readEntryAttributes(const std::string& folder, const std::string& name,
                                  std::uint32_t known) {
  if (name.empty())
    return kInvalidAttributes;
  std::uint32_t attributes = attributesAt(AT_FDCWD, (hostPath(folder) + "/" + name).c_str());
  if (attributes == kInvalidAttributes && errno != ENOENT && errno != ENOTDIR)
    return known;
  return attributes;
}

Search* startSearch(const std::string& pattern, FolderEntry* first) {
  std::string folder;
  if (!folderOfPattern(pattern, &folder))
    return nullptr;
  DIR* dir = ::opendir(hostPath(folder).c_str());
  if (dir == nullptr)
    return nullptr;
  Search* search = new Search;
  search->dir = dir;
  continueSearch(search, first);
  return search;
}

bool continueSearch(Search* search, FolderEntry* entry) {
  if (search == nullptr)
    return false;
  if (search->synthesized < 2) {
    entry->name = search->synthesized == 0 ? "." : "..";
    entry->attributes = kDirectoryAttribute;
    ++search->synthesized;
    return true;
  }
  while (dirent* found = ::readdir(search->dir)) {
    if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
      continue;
    // The entry's type comes with the directory reading; only a link (which
    // reads as what it points to) or a type the file system does not report
    // costs a stat. An entry gone by then is passed over.
    std::uint32_t attributes = kFileAttribute;
    if (found->d_type == DT_DIR) {
      attributes = kDirectoryAttribute;
    } else if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
      attributes = attributesAt(::dirfd(search->dir), found->d_name);
      if (attributes == kInvalidAttributes)
        continue;
    }
    entry->name = found->d_name;
    entry->attributes = attributes;
    return true;
  }
  return false;
}

void endSearch(Search* search) {
  if (search == nullptr)
    return;
  ::closedir(search->dir);
  delete search;
}

}  // namespace platform
