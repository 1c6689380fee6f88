// countFiles: how many files that count a folder holds, optionally filtered
// by extension and optionally descending into subfolders.
#ifndef VOKBUILD_SCAN_COUNT_FILES_H_
#define VOKBUILD_SCAN_COUNT_FILES_H_

#include <string>

/// The number of files that count (see isCountedFile) in `folder`. The filter
/// "*" takes every such file; any other filter takes a file only when the
/// text after the last "." of its name (the whole name when it has no dot)
/// equals the filter byte for byte. With `recurse`, subfolders whose names
/// do not begin with "." are counted too. A folder that cannot be searched
/// counts 0.
int countFiles(const std::string& folder, const std::string& extensionFilter, bool recurse);

#endif  // VOKBUILD_SCAN_COUNT_FILES_H_
