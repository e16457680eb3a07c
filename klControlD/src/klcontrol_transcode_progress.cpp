#include "klcontrol_transcode_progress.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// An unsigned decimal no larger than max, closed by ':'; the cursor moves past the ':'.
bool readNumberField(const char*& cursor, uint64_t max, uint64_t& value) {
  if (!std::isdigit(static_cast<unsigned char>(*cursor))) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(cursor, &end, 10);
  if (errno == ERANGE || value > max || *end != ':') return false;
  cursor = end + 1;
  return true;
}

// The first word of the rest of the text; false when there is none.
bool readNameField(const char* cursor, std::string& name) {
  while (*cursor != '\0' && std::isspace(static_cast<unsigned char>(*cursor))) ++cursor;
  const char* end = cursor;
  while (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end))) ++end;
  name.assign(cursor, end);
  return !name.empty();
}

}  // namespace

bool klcontrol_parse_progress_text(const char* text, klcontrol_progress_text_t& out) {
  const char* cursor = text;
  if (!readNumberField(cursor, UINT64_MAX, out.id)) {
    LOG(UTIL_LOG_ERROR, "Error parsing id from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed id %lld from %s", static_cast<long long>(out.id), text);
  if (!readNumberField(cursor, UINT32_MAX, out.state)) {
    LOG(UTIL_LOG_ERROR, "Error parsing status from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed status %d from %s", int(out.state), text);
  if (!readNumberField(cursor, UINT32_MAX, out.progress)) {
    LOG(UTIL_LOG_ERROR, "Error parsing progress from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed progress %d from %s", int(out.progress), text);
  if (!readNameField(cursor, out.name)) {
    LOG(UTIL_LOG_ERROR, "Error parsing filename from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed filename %s from %s", out.name.c_str(), text);
  return true;
}
