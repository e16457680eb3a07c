// Key lookup in "key=value&key=value" parameter texts.
#include <cstring>

#include "klCtrlD.h"

bool parseParam(const char* text, const char* key, std::string& value) {
  if (text == nullptr || key == nullptr) return false;
  const char* found = std::strstr(text, key);
  if (found == nullptr) return false;
  const char* start = found + std::strlen(key);
  value.assign(start, std::strcspn(start, "&"));
  return true;
}
