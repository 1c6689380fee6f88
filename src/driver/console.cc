#include "driver/console.h"

#include <cstdio>

void writeText(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void endLine() {
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void flushOutput() { std::fflush(stdout); }

void complain(const std::string& message) {
  std::string line = "vokbuild: " + message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

std::string quoted(const std::string& text) {
  std::string shown = "'";
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
      static const char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown + "'";
}
