// The hold on the current folder on POSIX hosts: flock on the folder itself.
#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

LockResult lockCurrentFolder(std::string* error) {
  // The descriptor stays open until the process ends; the lock goes with it.
  int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return LockResult::failed;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR)
      continue;
    int cause = errno;
    ::close(fd);
    if (cause == EWOULDBLOCK)
      return LockResult::busy;
    *error = std::strerror(cause);
    return LockResult::failed;
  }
  return LockResult::taken;
}

}  // namespace platform
