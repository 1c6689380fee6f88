// The packer command lines: the five forms the build hands to the command
// interpreter, the fixed folder and file names they are built from, and
// which texts a quoted argument can carry to the packer unchanged.
#ifndef VOKBUILD_DRIVER_PACKER_COMMANDS_H_
#define VOKBUILD_DRIVER_PACKER_COMMANDS_H_

#include <string>

#include "platform/process.h"

/// The two archives, each fed by its own staging folder.
enum class Archive { main, second };

/// Fixed suffixes of the root folder text.
extern const char kMainStagingSuffix[];    // "\expansion\vok\temp"
extern const char kSecondStagingSuffix[];  // "\expansion\vok\tempL"
extern const char kRemovalListSuffix[];    // "\expansion\vok\deleteList.txt"
extern const char kLogSuffix[];            // "\voklog.txt"

/// The staging folder that feeds `archive`, below `root`.
std::string stagingFolder(Archive archive, const std::string& root);

/// "echo VOK Log Start > voklog.txt": starts the log afresh.
std::string logStartCommand();
/// Adds the staged file `entryName` of the archive's staging folder below
/// `root`, quoted, with "/force", appending the packer's output to the log.
std::string addCommand(Archive archive, const std::string& root, const std::string& entryName);
/// "pack.exe expansion\vok\" + `line` + " >> voklog.txt", the line unchanged.
std::string removalCommand(const std::string& line);
/// "pack.exe expansion\vok\vok.zqb /opt", its output left on the console.
std::string optimizeCommand();

/// True when cmd expands "%name%" on this host: a defined environment
/// variable or one of cmd's own dynamic variables, any letter case.
bool isCmdVariable(const std::string& name);

/// Why `text` cannot stand inside a double-quoted argument of a command line
/// run by `interpreter` and reach the packer byte for byte; empty when it
/// can. `isVariable` tells which "%name%" references cmd would expand.
std::string quotingProblem(const std::string& text, platform::Interpreter interpreter,
                           bool (*isVariable)(const std::string&) = isCmdVariable);

#endif  // VOKBUILD_DRIVER_PACKER_COMMANDS_H_
