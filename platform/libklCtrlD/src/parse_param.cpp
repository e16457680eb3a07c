// Key lookup in parameter texts such as "status=1".
#include <cstring>

#include "klCtrlD.h"

// The value is everything after the key: a file name in it may hold any character, "&" included.
bool parseParam(const char* text, const char* key, std::string& value) {
  if (text == nullptr || key == nullptr) return false;
  const char* found = std::strstr(text, key);
  if (found == nullptr) return false;
  value.assign(found + std::strlen(key));
  return true;
}
