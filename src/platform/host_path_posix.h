// How a path in Windows form reaches the POSIX file system: every backslash
// is a separator and becomes a slash. Only the POSIX sources include this.
#ifndef VOKBUILD_PLATFORM_HOST_PATH_POSIX_H_
#define VOKBUILD_PLATFORM_HOST_PATH_POSIX_H_

#include <algorithm>
#include <string>

namespace platform {

/// `path` with each backslash replaced by a slash.
inline std::string hostPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_HOST_PATH_POSIX_H_
