// The camera's transcode progress notification as the daemon reads it: the "status=" value is taken
// from the text, then parsed. A parsed text must hold what the parser promises (bounded numbers, one
// non-empty word as the name), and printing its fields again must parse to the same fields.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "klCtrlD.h"
#include "klLog.h"
#include "klcontrol_transcode_progress.h"

namespace {

bool isWord(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == '\0' || std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool sameFields(const klcontrol_progress_text_t& a, const klcontrol_progress_text_t& b) {
  return a.id == b.id && a.state == b.state && a.progress == b.progress && a.name == b.name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The parser's error lines would go to syslog for nearly every input.
  g_logLevel = UTIL_LOG_OFF;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string value;
  if (!parseParam(text.c_str(), "status=", value)) return 0;
  klcontrol_progress_text_t parsed;
  if (!klcontrol_parse_progress_text(value.c_str(), parsed)) return 0;
  if (parsed.state > UINT32_MAX || parsed.progress > UINT32_MAX || !isWord(parsed.name)) std::abort();
  const std::string printed = std::to_string(parsed.id) + ":" + std::to_string(parsed.state) + ":" +
                              std::to_string(parsed.progress) + ":" + parsed.name;
  klcontrol_progress_text_t again;
  if (!klcontrol_parse_progress_text(printed.c_str(), again) || !sameFields(parsed, again)) std::abort();
  return 0;
}
