#include "platform/file_read.h"

#include "platform/host_path_posix.h"

namespace platform {

std::FILE* openForReading(const std::string& path) {
  return std::fopen(hostPath(path).c_str(), "rb");
}

}  // namespace platform
