// A temporary folder for one test: created fresh under $TMPDIR (or /tmp),
// removed with everything in it when the test ends, plus small helpers to
// put files, folders and links into it and read files back.
#ifndef VOKBUILD_TESTS_UNIT_TEMP_FOLDER_H_
#define VOKBUILD_TESTS_UNIT_TEMP_FOLDER_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace unit {

class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vokbuild-unit-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
      throw std::runtime_error("cannot create a temporary folder from " + pattern);
    path_ = name.data();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// The folder's absolute POSIX path, without trailing separator.
  const std::string& path() const { return path_; }
  /// The absolute path of `relative` (slash-separated) inside the folder.
  std::string at(const std::string& relative) const { return path_ + "/" + relative; }

  /// Creates the file `relative` holding `bytes`, and the folders above it.
  void file(const std::string& relative, const std::string& bytes = "") const {
    std::filesystem::path target = at(relative);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << bytes;
  }
  /// Creates the folder `relative` and the folders above it.
  void folder(const std::string& relative) const {
    std::filesystem::create_directories(at(relative));
  }
  /// Creates the symbolic link `relative` pointing at `target` as given.
  void link(const std::string& relative, const std::string& target) const {
    std::filesystem::path where = at(relative);
    std::filesystem::create_directories(where.parent_path());
    std::filesystem::create_symlink(target, where);
  }

 private:
  std::string path_;
};

/// The whole content of the file at `path`; "<missing>" when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace unit

#endif  // VOKBUILD_TESTS_UNIT_TEMP_FOLDER_H_
