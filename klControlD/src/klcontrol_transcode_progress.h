// The camera's transcode progress text, the value of "status=" in its notification:
// "id:state:progress:file". Kept apart from the job records so that it can be fuzzed alone.
#pragma once

#include <cstdint>
#include <string>

struct klcontrol_progress_text_t {
  uint64_t id = 0;
  uint64_t state = 0;     // at most UINT32_MAX
  uint64_t progress = 0;  // at most UINT32_MAX
  std::string name;       // the first word after the third ':', never empty
};

// Reads the four fields of the NUL-terminated text in turn, logging each; false at the first one
// that cannot be read.
bool klcontrol_parse_progress_text(const char* text, klcontrol_progress_text_t& out);
