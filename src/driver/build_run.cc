#include "driver/build_run.h"

#include <string>

#include "driver/console.h"
#include "driver/packer_commands.h"
#include "driver/packing_phase.h"
#include "driver/removal_list.h"
#include "platform/folder_lock.h"
#include "platform/process.h"
#include "scan/count_files.h"
#include "scan/folder_listing.h"

namespace {

// Everything that must hold before the first command runs: an absolute root
// folder text the command lines can carry, a command interpreter, the root
// folder as the current directory and held by this run alone.
bool enterRoot(const std::string& argument, std::string* root) {
  std::string error;
  if (!platform::absolutePath(argument, root, &error)) {
    complain("cannot resolve the game folder " + quoted(argument) + ": " + error);
    return false;
  }
  std::string problem = quotingProblem(*root, platform::hostInterpreter());
  if (!problem.empty()) {
    complain("cannot use the game folder " + quoted(*root) + ": " + problem);
    return false;
  }
  if (!platform::interpreterAvailable(&error)) {
    complain("cannot run packer commands: " + error);
    return false;
  }
  if (!platform::changeDirectory(*root, &error)) {
    complain("cannot enter the game folder " + quoted(*root) + ": " + error);
    return false;
  }
  switch (platform::lockCurrentFolder(&error)) {
    case platform::LockResult::taken:
      return true;
    case platform::LockResult::busy:
      complain("another build is already running in the game folder " + quoted(*root));
      return false;
    case platform::LockResult::failed:
      break;
  }
  complain("cannot lock the game folder " + quoted(*root) + ": " + error);
  return false;
}

void writeLine(const std::string& text) {
  writeText(text);
  endLine();
}

}  // namespace

int runBuild(int argc, char** argv) {
  platform::prepareStandardOutput();
  if (argc < 2) {
    complain("usage: vokbuild GAME_FOLDER (one build pass of the vok expansion below it)");
    return kUsage;
  }
  std::string root;
  if (!enterRoot(argv[1], &root))
    return kCannotStart;

  platform::runCommand(logStartCommand());
  int firstCount = countFiles(stagingFolder(Archive::main, root), "*", false);
  int secondCount = countFiles(stagingFolder(Archive::second, root), "*", false);
  int total = firstCount + secondCount;

  writeLine("Logging to: " + root + kLogSuffix);
  writeLine("Packing resource files, please wait...");
  // Both listings stay open to the end of the run and close in reverse order.
  FolderListing mainListing(stagingFolder(Archive::main, root));
  packStagingFolder(mainListing, Archive::main, root, firstCount, 1, total);
  FolderListing secondListing(stagingFolder(Archive::second, root));
  packStagingFolder(secondListing, Archive::second, root, secondCount, firstCount + 1, total);
  endLine();
  writeLine("Done packing resource files");

  writeText("Removing unused files (may take a minute or two)...");
  replayRemovalList(root);
  writeLine("done");
  endLine();

  writeLine("Optimizing zqb...");
  platform::runCommand(optimizeCommand());
  endLine();
  writeLine("All done!");
  return kCompleted;
}
