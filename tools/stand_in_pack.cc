// stand-in-pack: a stand-in for the game's packer, for tests and the demo
// only. It packs nothing: it prints one line saying what it was asked to do
// and, when told to, records its arguments, fails, crashes, waits or deletes
// files, so tests can drive every outcome of a packer call.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kUsage[] =
    "stand-in-pack: a stand-in for pack.exe, for tests and the demo only; it packs nothing.\n"
    "Install it as pack.exe only in a test or demo folder, never in a real game.\n"
    "usage: pack.exe ARCHIVE \"FILE\" /force | pack.exe ARCHIVE /opt | pack.exe LIST-LINE...\n"
    "environment:\n"
    "  PACK_RECORD=FILE     append the arguments of each call to FILE (each argument\n"
    "                       ends with a NUL byte, each call with a line feed)\n"
    "  PACK_QUIET=1         print nothing\n"
    "  PACK_FAIL=1          exit with status 1 after each call\n"
    "  PACK_CRASH=1         end each call by a signal (an abort on Windows)\n"
    "  PACK_SLEEP_MS=N      wait N milliseconds before returning\n"
    "  PACK_DELETE=A|B|...  delete these files on each call\n";

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

void record(const char* path, const std::vector<std::string>& arguments) {
  std::FILE* file = std::fopen(path, "ab");
  if (file == nullptr) {
    std::fprintf(stderr, "stand-in-pack: cannot append to %s\n", path);
    return;
  }
  for (const std::string& argument : arguments)
    std::fwrite(argument.c_str(), 1, argument.size() + 1, file);
  std::fputc('\n', file);
  std::fclose(file);
}

void deleteFiles(const std::string& list) {
  std::string::size_type start = 0;
  while (start < list.size()) {
    std::string::size_type end = list.find('|', start);
    if (end == std::string::npos)
      end = list.size();
    std::remove(list.substr(start, end - start).c_str());
    start = end + 1;
  }
}

std::string describe(const std::vector<std::string>& arguments) {
  if (arguments.size() == 3 && arguments[2] == "/force")
    return "add \"" + arguments[1] + "\" to " + arguments[0];
  if (arguments.size() == 2 && arguments[1] == "/opt")
    return "optimize " + arguments[0];
  std::string text = "remove";
  for (const std::string& argument : arguments)
    text += " " + argument;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (const char* path = std::getenv("PACK_RECORD"))
    record(path, arguments);
  if (const char* list = std::getenv("PACK_DELETE"))
    deleteFiles(list);
  if (!isSet("PACK_QUIET")) {
    std::string line = "stand-in pack: " + describe(arguments) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  if (const char* wait = std::getenv("PACK_SLEEP_MS"))
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(wait)));
  if (isSet("PACK_CRASH")) {
    std::fputs("stand-in-pack: crashing as asked\n", stderr);
#ifdef SIGKILL
    std::raise(SIGKILL);
#endif
    std::abort();
  }
  if (isSet("PACK_FAIL")) {
    std::fputs("stand-in-pack: failing as asked\n", stderr);
    return 1;
  }
  return 0;
}
