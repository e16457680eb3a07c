#include "kllogview_line.h"

std::string kllogviewLine(const char* data, size_t length) {
  std::string line(data, length);
  if (line.size() > 2 && line[0] == '<') {
    const size_t close = line.find('>');
    if (close != std::string::npos && close > 1 && line.find_first_not_of("0123456789", 1) == close) {
      line.erase(0, close + 1);
    }
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\0' || line.back() == '\r'))
    line.pop_back();
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = ' ';
  }
  return line;
}
