#include "driver/packer_commands.h"

#include <cstdlib>

const char kMainStagingSuffix[] = "\\expansion\\vok\\temp";
const char kSecondStagingSuffix[] = "\\expansion\\vok\\tempL";
const char kRemovalListSuffix[] = "\\expansion\\vok\\deleteList.txt";
const char kLogSuffix[] = "\\voklog.txt";

std::string stagingFolder(Archive archive, const std::string& root) {
  return root + (archive == Archive::main ? kMainStagingSuffix : kSecondStagingSuffix);
}

std::string logStartCommand() { return "echo VOK Log Start > voklog.txt"; }

std::string addCommand(Archive archive, const std::string& root, const std::string& entryName) {
  const char* archivePath =
      archive == Archive::main ? "expansion\\vok\\vok.zqb" : "expansion\\vok\\vokL.zqb";
  return std::string("pack.exe ") + archivePath + " \"" + stagingFolder(archive, root) + "\\" +
         entryName + "\" /force >> voklog.txt";
}

std::string removalCommand(const std::string& line) {
  return "pack.exe expansion\\vok\\" + line + " >> voklog.txt";
}

std::string optimizeCommand() { return "pack.exe expansion\\vok\\vok.zqb /opt"; }

namespace {

std::string upperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// A "%name%" (or "%name:...%") whose name cmd would expand, between any two
// percent signs that follow each other.
bool holdsExpandedReference(const std::string& text, bool (*isVariable)(const std::string&)) {
  std::string::size_type open = text.find('%');
  while (open != std::string::npos) {
    std::string::size_type close = text.find('%', open + 1);
    if (close == std::string::npos)
      return false;
    std::string name = text.substr(open + 1, close - open - 1);
    name = name.substr(0, name.find(':'));
    if (!name.empty() && isVariable(name))
      return true;
    open = close;
  }
  return false;
}

}  // namespace

bool isCmdVariable(const std::string& name) {
  static const char* const kDynamic[] = {
      "CD",         "DATE",       "TIME",     "RANDOM",   "ERRORLEVEL", "CMDEXTVERSION",
      "CMDCMDLINE", "HIGHESTNUMANODENUMBER", "__CD__", "__APPDIR__"};
  std::string upper = upperCase(name);
  for (const char* dynamic : kDynamic) {
    if (upper == dynamic)
      return true;
  }
  return std::getenv(name.c_str()) != nullptr || std::getenv(upper.c_str()) != nullptr;
}

std::string quotingProblem(const std::string& text, platform::Interpreter interpreter,
                           bool (*isVariable)(const std::string&)) {
  if (text.find('"') != std::string::npos)
    return "it holds a double quote, which would end the quoted argument";
  if (text.find_first_of("\r\n") != std::string::npos)
    return "it holds a line break, which a command line cannot carry";
  if (interpreter == platform::Interpreter::windowsCmd) {
    if (text.find('?') != std::string::npos)
      return "its name cannot be expressed in the system's code page";
    if (holdsExpandedReference(text, isVariable))
      return "it holds a %variable% reference, which the command interpreter would replace";
  }
  return std::string();
}
