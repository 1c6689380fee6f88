// The operating system's folder search, in the shape of the Win32 ANSI calls:
// attributes of a path, and a search over a folder's entries that starts with
// a wildcard pattern and hands back one entry at a time.
//
// Paths follow Windows rules on every host: a backslash is a separator. On
// POSIX hosts a search yields "." and ".." first, then the folder's other
// entries in the order the directory reading returns them.
#ifndef VOKBUILD_PLATFORM_FOLDER_SEARCH_H_
#define VOKBUILD_PLATFORM_FOLDER_SEARCH_H_

#include <cstdint>
#include <string>

namespace platform {

/// Attribute bit of an entry that is a folder (links to folders included).
constexpr std::uint32_t kDirectoryAttribute = 0x10;
/// What readAttributes answers for a path that cannot be read.
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

/// One entry of a folder search: its full name, without folder part.
struct FolderEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

/// An open folder search; opaque to callers.
struct Search;

/// Attributes of the entry at `path`, or kInvalidAttributes.
std::uint32_t readAttributes(const std::string& path);

/// Attributes of the entry `name` in the folder `folder` as they are now:
/// kInvalidAttributes only when the entry is not there, and `known` (what a
/// search said of it) when it cannot be looked up for another reason, such as
/// a full path too long for the lookup. The name is taken verbatim, as a
/// search yields it (on POSIX hosts a backslash in it is part of the name).
std::uint32_t readEntryAttributes(const std::string& folder, const std::string& name,
                                  std::uint32_t known);

/// Starts a search for `pattern` (a folder followed by "\*" or "\*.*").
/// Returns nullptr when the folder cannot be searched; otherwise fills
/// `first` with the first entry.
Search* startSearch(const std::string& pattern, FolderEntry* first);

/// Fills `entry` with the search's next entry; false when there is none
/// (also for a null search).
bool continueSearch(Search* search, FolderEntry* entry);

/// Ends a search started by startSearch; null is accepted.
void endSearch(Search* search);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_FOLDER_SEARCH_H_
