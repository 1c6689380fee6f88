// FolderListing: a cursor over the entries of one folder, in the order the
// platform's folder search yields them ("." and ".." included), and the one
// rule of what a file that counts is, shared by the count and the packing.
#ifndef VOKBUILD_SCAN_FOLDER_LISTING_H_
#define VOKBUILD_SCAN_FOLDER_LISTING_H_

#include <cstdint>
#include <string>

#include "platform/folder_search.h"

/// True for an entry that counts as a staged file: not a folder, and a name
/// that does not begin with "." (which also passes over "." and "..").
bool isCountedFile(const std::string& name, std::uint32_t attributes);

/// The entries of one folder, one at a time. The listing owns its search and
/// ends it when destroyed; it is not copied.
class FolderListing {
 public:
  /// Opens a listing on the folder `path` (a trailing "\" is accepted). Never
  /// fails: an unusable path gives a listing that is at its end from the
  /// start, with an empty name.
  explicit FolderListing(const std::string& path);
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  /// Advances to the following entry and returns its name. When there is
  /// none, sets the end flag and returns the last name again.
  std::string next();

  /// True once the listing can yield no further entry.
  bool atEnd() const { return atEnd_; }
  /// The name of the entry the listing is positioned on.
  const std::string& name() const { return current_.name; }
  /// The attributes the search gave the entry the listing is positioned on.
  std::uint32_t attributes() const { return current_.attributes; }
  /// True when the entry the listing is positioned on is a file that counts;
  /// false when the listing holds no entry at all.
  bool holdsCountedFile() const;

 private:
  platform::Search* search_ = nullptr;
  bool atEnd_ = false;
  bool holdsEntry_ = false;
  platform::FolderEntry current_;
};

#endif  // VOKBUILD_SCAN_FOLDER_LISTING_H_
