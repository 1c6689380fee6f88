// An exclusive hold on the current folder for the lifetime of the process,
// so that two build runs never work on the same game folder at once. No file
// is created for it, and it ends with the process, also when it is killed.
#ifndef VOKBUILD_PLATFORM_FOLDER_LOCK_H_
#define VOKBUILD_PLATFORM_FOLDER_LOCK_H_

#include <string>

namespace platform {

enum class LockResult { taken, busy, failed };

/// Takes the hold on the current folder. `busy` when another process holds
/// it; `failed`, with `error` set, when it cannot be taken at all.
LockResult lockCurrentFolder(std::string* error);

}  // namespace platform

#endif  // VOKBUILD_PLATFORM_FOLDER_LOCK_H_
