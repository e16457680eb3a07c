#include "klcontrol_change_document.h"

const char* const KLCONTROL_SHUTDOWN_PENDING_BODY = "\"state\":{\n        \"shutdown_pending\":true\n    }\n";

std::string klcontrol_change_body(const klcontrol_change_texts_t& texts) {
  std::string body;
  if (texts.periodicCount + texts.everyPollCount > 0) {
    const bool both = !texts.periodic.empty() && !texts.everyPoll.empty();
    body = "\"status\":{" + texts.periodic + (both ? "," : "") + texts.everyPoll + "}";
  }
  if (texts.settingsCount > 0) {
    if (!body.empty()) body += ",\n";
    body += "\"settings\":{" + texts.settings + "}\n";
  }
  return body;
}

void klcontrol_write_document(std::ostream& out, const std::string& body) {
  out << '{' << body << '}' << '\0';
}

bool klcontrol_periodic_due(const int64_t last[2], const int64_t now[2]) {
  if (last[0] == 0 && last[1] == 0) return true;
  int64_t seconds = now[0] - last[0];
  // Borrow a second when the microseconds have not come round yet.
  if (now[1] < last[1]) --seconds;
  return seconds >= 1;
}
