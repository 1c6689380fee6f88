// Opening a file for reading by its Windows-form path.
#ifndef VOKBUILD_PLATFORM_FILE_READ_H_
#define VOKBUILD_PLATFORM_FILE_READ_H_

#include <cstdio>
#include <string>

namespace platform {

/// Opens the file at `path` for reading in binary mode; null on failure.
std::FILE* openForReading(const std::string& path);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_FILE_READ_H_
