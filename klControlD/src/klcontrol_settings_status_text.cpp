#include "klcontrol_settings_status_text.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char CAL_FILE_PREFIX[] = "/tmp/fuse_a/";
constexpr size_t CAL_PREFIX_LENGTH = sizeof CAL_FILE_PREFIX - 1;
// The camera's path starts with a drive such as "X:\".
constexpr uint16_t CAL_DRIVE_LENGTH = 3;
constexpr uint16_t CAL_REPLY_MAX = 244;

}  // namespace

void klcontrol_cal_file_name(const uint8_t* reply, uint16_t length,
                             char (&name)[KLCONTROL_CAL_FILE_NAME_SIZE]) {
  std::memset(name, 0, sizeof name);
  std::memcpy(name, CAL_FILE_PREFIX, CAL_PREFIX_LENGTH);
  if (reply == nullptr || length == 0 || length > CAL_REPLY_MAX) return;
  size_t out = CAL_PREFIX_LENGTH;
  for (uint16_t i = CAL_DRIVE_LENGTH; i < length && reply[i] != 0; ++i) {
    name[out++] = reply[i] == '\\' ? '/' : char(reply[i]);
  }
  name[out] = '\0';
}

bool klcontrol_format_json_text(const std::string& text, char (&buffer)[KLCONTROL_JSON_TEXT_SIZE]) {
  const int written = std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
  return written >= 0 && size_t(written) < sizeof buffer;
}
