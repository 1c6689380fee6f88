// The removal list: reading deleteList.txt line by line with the same text
// rules on every host, and replaying it as one packer command per line.
#ifndef VOKBUILD_DRIVER_REMOVAL_LIST_H_
#define VOKBUILD_DRIVER_REMOVAL_LIST_H_

#include <cstdio>
#include <string>
#include <vector>

/// Reads the lines of a list opened in binary mode. A line ends at a line
/// feed, which is not part of it; a carriage return right before that line
/// feed is dropped, one elsewhere stays; a byte 0x1A ends the list, as does
/// a read error. Holds one line in memory, however long the list is.
class ListReader {
 public:
  enum class Result { line, unusableLine, end };

  /// Reads from `file`, which the caller opens and closes.
  explicit ListReader(std::FILE* file) : file_(file) {}

  /// Reads the next line into `line` (`Result::line`). A line that holds a
  /// NUL byte is consumed but not handed out (`Result::unusableLine`). After
  /// a final line feed there is no further line.
  Result next(std::string* line);

  /// The 1-based number of the line last read.
  long lineNumber() const { return lineNumber_; }

  /// Whether the list ended at a read error rather than at its end.
  bool readFailed() const { return readFailed_; }

 private:
  bool fill();
  Result finishLine(const std::string& line);

  std::FILE* file_;
  std::vector<char> buffer_ = std::vector<char>(65536);
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool ended_ = false;
  bool readFailed_ = false;
  long lineNumber_ = 0;
};

/// Replays the removal list below `root`: one removal command per line that
/// is not empty, in file order, each waited for. A missing list runs nothing
/// and says nothing; one that cannot be read (a folder of that name, say)
/// runs nothing and is warned about, as is a read error that cuts it short.
/// A line holding a NUL byte is warned about and skipped.
void replayRemovalList(const std::string& root);

#endif  // VOKBUILD_DRIVER_REMOVAL_LIST_H_
