#include "platform/file_read.h"

namespace platform {

std::FILE* openForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

}  // namespace platform
