#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/host_path_posix.h"

namespace platform {

OpenedFile openForReading(const std::string& path) {
  OpenedFile opened;
  // Opened without blocking, so that a pipe of that name with no writer
  // cannot hold the run up before it is recognised and refused.
  int fd = ::open(hostPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      opened.missing = true;
    else
      opened.problem = std::strerror(errno);
    return opened;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    opened.problem = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    opened.problem = "it is a folder";
  } else if (!S_ISREG(info.st_mode)) {
    opened.problem = "it is not a regular file";
  } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    opened.problem = std::strerror(errno);
  } else if ((opened.file = ::fdopen(fd, "rb")) == nullptr) {
    opened.problem = std::strerror(errno);
  }
  if (opened.file == nullptr)
    ::close(fd);
  return opened;
}

}  // namespace platform
