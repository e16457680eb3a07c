// The two texts the settings and status commands build from outside bytes: the calibration file
// path from the camera's reply, and the JSON snapshot in its fixed-size answer buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Size of the calibration file path answered by command 64.
constexpr size_t KLCONTROL_CAL_FILE_NAME_SIZE = 257;
// Size of the buffer the JSON snapshot of command 95 is formatted into.
constexpr size_t KLCONTROL_JSON_TEXT_SIZE = 4096;

// "/tmp/fuse_a/" followed by the reply's path (its 3-byte drive prefix skipped, backslashes made
// slashes, up to the length or the first zero byte); the bare prefix for a reply of 0 or more than
// 244 bytes. The rest of the buffer is zero.
void klcontrol_cal_file_name(const uint8_t* reply, uint16_t length,
                             char (&name)[KLCONTROL_CAL_FILE_NAME_SIZE]);

// Copies text, zero-terminated, into buffer; false (buffer holding the cut text) when the text
// has KLCONTROL_JSON_TEXT_SIZE characters or more.
bool klcontrol_format_json_text(const std::string& text, char (&buffer)[KLCONTROL_JSON_TEXT_SIZE]);
