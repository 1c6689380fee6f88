#include "driver/packing_phase.h"

#include <cstdio>

#include "driver/console.h"
#include "platform/folder_search.h"
#include "platform/process.h"

namespace {

// Whether the entry `listing` holds in `folder` is still there, and still a file that
// counts, at its turn: the folder reading behind the listing may predate a
// deletion made while the run was under way.
bool stillStaged(const std::string& folder, const FolderListing& listing) {
  const std::string& name = listing.name();
  std::uint32_t attributes = platform::readEntryAttributes(folder, name, listing.attributes());
  return attributes != platform::kInvalidAttributes && isCountedFile(name, attributes);
}

}  // namespace

std::string progressLine(int number, int total, const std::string& entryName) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "Packing file %4d of %4d (", number, total);
  return numbers + entryName + ")         ";
}

void packStagingFolder(FolderListing& listing, Archive archive, const std::string& root, int count,
                       int firstNumber, int total) {
  const std::string folder = stagingFolder(archive, root);
  int handled = 0;
  while (handled < count && !listing.atEnd()) {
    if (listing.holdsCountedFile()) {
      const std::string& name = listing.name();
      std::string problem = quotingProblem(name, platform::hostInterpreter());
      if (!problem.empty()) {
        ++handled;
        complain("not packing " + quoted(folder + "\\" + name) + ": " + problem);
      } else if (stillStaged(folder, listing)) {
        int number = firstNumber + handled++;
        writeText("\r");
        flushOutput();
        writeText(progressLine(number, total, name));
        platform::runCommand(addCommand(archive, root, name));
      }
    }
    if (handled < count)
      listing.next();
  }
  if (handled < count)
    complain(quoted(folder) + " holds fewer files than were counted: " +
             std::to_string(count - handled) + " of " + std::to_string(count) + " not packed");
}
