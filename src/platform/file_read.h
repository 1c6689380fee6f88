// Opening a list file for reading by its Windows-form path, with the reason
// when it cannot be read as one.
#ifndef VOKBUILD_PLATFORM_FILE_READ_H_
#define VOKBUILD_PLATFORM_FILE_READ_H_

#include <cstdio>
#include <string>

namespace platform {

/// Outcome of openForReading. `problem` is empty when the file opened or is
/// simply missing; otherwise it says, for a message, why it cannot be read.
struct OpenedFile {
  std::FILE* file = nullptr;
  bool missing = false;
  std::string problem;
};

/// Opens the regular file at `path` for reading in binary mode. A folder, a
/// device or a pipe of that name is not opened (reading one could block or
/// fail at once), and neither is a path that does not exist.
OpenedFile openForReading(const std::string& path);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_FILE_READ_H_
