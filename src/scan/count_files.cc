#include "scan/count_files.h"

#include "platform/folder_search.h"
#include "scan/folder_listing.h"

namespace {

bool matchesFilter(const std::string& name, const std::string& filter) {
  if (filter == "*")
    return true;
  std::string::size_type dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(dot + 1)) == filter;
}

}  // namespace

int countFiles(const std::string& folder, const std::string& extensionFilter, bool recurse) {
  platform::FolderEntry entry;
  platform::Search* search = platform::startSearch(folder + "\\*.*", &entry);
  if (search == nullptr)
    return 0;
  int count = 0;
  do {
    if (isCountedFile(entry.name, entry.attributes)) {
      if (matchesFilter(entry.name, extensionFilter))
        ++count;
    } else if (recurse && (entry.attributes & platform::kDirectoryAttribute) != 0 &&
               entry.name[0] != '.') {
      count += countFiles(folder + "\\" + entry.name, extensionFilter, recurse);
    }
  } while (platform::continueSearch(search, &entry));
  platform::endSearch(search);
  return count;
}
