// The build run: one pass of the vok expansion below a game folder, from
// taking the folder argument to "All done!", and the program's exit status.
#ifndef VOKBUILD_DRIVER_BUILD_RUN_H_
#define VOKBUILD_DRIVER_BUILD_RUN_H_

/// Exit statuses of the program.
enum ExitStatus {
  kCompleted = 0,     // the run went through to "All done!"
  kCannotStart = 1,   // the game folder or the command interpreter is unusable, or busy
  kUsage = 2,         // no game folder given
};

/// Runs the build pass for the game folder named by argv[1] and returns the
/// exit status. Further arguments are ignored.
int runBuild(int argc, char** argv);

#endif  // VOKBUILD_DRIVER_BUILD_RUN_H_
