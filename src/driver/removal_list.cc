#include "driver/removal_list.h"

#include <cstring>

#include "driver/console.h"
#include "driver/packer_commands.h"
#include "platform/file_read.h"
#include "platform/process.h"

bool ListReader::fill() {
  if (ended_)
    return false;
  filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  position_ = 0;
  if (filled_ == 0) {
    ended_ = true;
    readFailed_ = std::ferror(file_) != 0;
    return false;
  }
  return true;
}

ListReader::Result ListReader::next(std::string* line) {
  line->clear();
  for (;;) {
    if (position_ == filled_ && !fill())
      break;
    const char* start = buffer_.data() + position_;
    std::size_t available = filled_ - position_;
    const char* stop = static_cast<const char*>(std::memchr(start, '\n', available));
    std::size_t taken = stop == nullptr ? available : static_cast<std::size_t>(stop - start);
    if (const void* ctrlZ = std::memchr(start, 0x1A, taken)) {
      line->append(start, static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - start));
      ended_ = true;
      position_ = filled_ = 0;
      break;
    }
    line->append(start, taken);
    position_ += taken;
    if (stop != nullptr) {
      ++position_;
      if (!line->empty() && line->back() == '\r')
        line->pop_back();
      return finishLine(*line);
    }
  }
  return line->empty() ? Result::end : finishLine(*line);
}

ListReader::Result ListReader::finishLine(const std::string& line) {
  ++lineNumber_;
  return line.find('\0') == std::string::npos ? Result::line : Result::unusableLine;
}

void replayRemovalList(const std::string& root) {
  std::string path = root + kRemovalListSuffix;
  platform::OpenedFile opened = platform::openForReading(path);
  if (opened.file == nullptr) {
    if (!opened.missing)
      complain("not replaying the removal list " + quoted(path) + ": " + opened.problem);
    return;
  }
  ListReader reader(opened.file);
  std::string line;
  for (;;) {
    ListReader::Result result = reader.next(&line);
    if (result == ListReader::Result::end)
      break;
    if (result == ListReader::Result::unusableLine) {
      complain("skipping line " + std::to_string(reader.lineNumber()) + " of " + quoted(path) +
               ": it holds a NUL byte, which a command line cannot carry");
      continue;
    }
    if (!line.empty())
      platform::runCommand(removalCommand(line));
  }
  if (reader.readFailed())
    complain("reading the removal list " + quoted(path) + " failed after line " +
             std::to_string(reader.lineNumber()) + "; the rest of it was not replayed");
  std::fclose(opened.file);
}
