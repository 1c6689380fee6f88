#include "scan/folder_listing.h"

bool isCountedFile(const std::string& name, std::uint32_t attributes) {
  return (attributes & platform::kDirectoryAttribute) == 0 && !name.empty() && name[0] != '.';
}

FolderListing::FolderListing(const std::string& path) {
  std::uint32_t attributes = platform::readAttributes(path);
  if (attributes == platform::kInvalidAttributes || attributes == 0) {
    atEnd_ = true;
    return;
  }
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\')
    pattern += '\\';
  pattern += '*';
  search_ = platform::startSearch(pattern, &current_);
  holdsEntry_ = search_ != nullptr;
  atEnd_ = !holdsEntry_;
}

FolderListing::~FolderListing() { platform::endSearch(search_); }

std::string FolderListing::next() {
  platform::FolderEntry found;
  if (platform::continueSearch(search_, &found))
    current_ = found;
  else
    atEnd_ = true;
  return current_.name;
}

bool FolderListing::holdsCountedFile() const {
  return holdsEntry_ && isCountedFile(current_.name, current_.attributes);
}
