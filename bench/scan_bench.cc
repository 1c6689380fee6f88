// scan-bench: how fast folder scanning goes over one large folder: countFiles
// once, then a FolderListing walked from its first entry to its end, as the
// build run does for a staging folder.
//
// usage: scan-bench [ENTRIES [ROUNDS]]
// Makes a fresh folder of ENTRIES empty files (default 100000) under $TMPDIR
// (or /tmp), times ROUNDS rounds (default 5) and removes the folder again.
// Prints one line per round and a last line, "median", with the round whose
// count plus walk took the median time.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scan/count_files.h"
#include "scan/folder_listing.h"

namespace {

struct Round {
  double countSeconds = 0;
  double walkSeconds = 0;
  double total() const { return countSeconds + walkSeconds; }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printRound(const char* label, const Round& round, int entries) {
  std::printf(
      "%-7s entries %d  countFiles %.4f s (%.0f entries/s)  walk %.4f s (%.0f entries/s)"
      "  both %.4f s\n",
      label, entries, round.countSeconds, entries / round.countSeconds, round.walkSeconds,
      entries / round.walkSeconds, round.total());
}

std::string entryName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "f%06d.dat", index);
  return name;
}

void removeFolder(const std::string& folder, int entries) {
  for (int i = 0; i < entries; ++i)
    ::unlink((folder + "/" + entryName(i)).c_str());
  ::rmdir(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (argc > 3 || entries <= 0 || rounds <= 0) {
    std::fprintf(stderr, "usage: scan-bench [ENTRIES [ROUNDS]]\n");
    return 2;
  }
  const char* temp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/vokbuild-scan.XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    std::perror("scan-bench: mkdtemp");
    return 1;
  }
  std::string folder = buffer.data();
  for (int i = 0; i < entries; ++i) {
    int fd = ::open((folder + "/" + entryName(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
      std::perror("scan-bench: creating an entry");
      removeFolder(folder, i);
      return 1;
    }
    ::close(fd);
  }

  std::vector<Round> results;
  bool agreed = true;
  for (int r = 0; r < rounds; ++r) {
    Round round;
    auto start = std::chrono::steady_clock::now();
    int counted = countFiles(folder, "*", false);
    round.countSeconds = secondsSince(start);

    start = std::chrono::steady_clock::now();
    int walked = 0;
    {
      FolderListing listing(folder);
      while (!listing.atEnd()) {
        if (listing.holdsCountedFile())
          ++walked;
        listing.next();
      }
    }
    round.walkSeconds = secondsSince(start);
    if (counted != entries || walked != entries) {
      std::fprintf(stderr, "scan-bench: counted %d and walked %d of %d entries\n", counted, walked,
                   entries);
      agreed = false;
    }
    printRound("round", round, entries);
    results.push_back(round);
  }
  removeFolder(folder, entries);

  std::sort(results.begin(), results.end(),
            [](const Round& a, const Round& b) { return a.total() < b.total(); });
  printRound("median", results[results.size() / 2], entries);
  return agreed ? 0 : 1;
}
