#include "driver/packing_phase.h"

#include <cstdio>

#include "driver/console.h"
#include "platform/process.h"

std::string progressLine(int number, int total, const std::string& entryName) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "Packing file %4d of %4d (", number, total);
  return numbers + entryName + ")         ";
}

void packStagingFolder(FolderListing& listing, Archive archive, const std::string& root, int count,
                       int firstNumber, int total) {
  int handled = 0;
  while (handled < count && !listing.atEnd()) {
    if (listing.holdsCountedFile()) {
      int number = firstNumber + handled++;
      const std::string& name = listing.name();
      std::string problem = quotingProblem(name, platform::hostInterpreter());
      if (problem.empty()) {
        writeText("\r");
        flushOutput();
        writeText(progressLine(number, total, name));
        platform::runCommand(addCommand(archive, root, name));
      } else {
        complain("not packing " + quoted(stagingFolder(archive, root) + "\\" + name) + ": " +
                 problem);
      }
    }
    if (handled < count)
      listing.next();
  }
  if (handled < count)
    complain(quoted(stagingFolder(archive, root)) + " holds fewer files than were counted: " +
             std::to_string(count - handled) + " of " + std::to_string(count) + " not packed");
}
