// The documents that change polling pushes to notification clients, and the rule that compares the
// slowly moving statuses (class 2) at most once a second. Free of the camera, so tests can drive it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// Body of the document sent while the camera refuses its status because it is shutting down.
extern const char* const KLCONTROL_SHUTDOWN_PENDING_BODY;

// What the serialisers found in one poll: each text with the number of members it holds.
struct klcontrol_change_texts_t {
  int periodicCount = 0;  // class-2 statuses, against the once-a-second snapshot
  std::string periodic;
  int everyPollCount = 0;  // class-1 statuses, against the last poll
  std::string everyPoll;
  int settingsCount = 0;  // settings, against the last poll
  std::string settings;
};

// The change-document body: "status":{...} when any status changed, then (",\n" after a status part)
// "settings":{...}\n when any setting changed; empty when nothing changed.
std::string klcontrol_change_body(const klcontrol_change_texts_t& texts);

// Writes "{", the body, "}" and the NUL that closes every pushed document.
void klcontrol_write_document(std::ostream& out, const std::string& body);

// True when the class-2 comparison is due at now: it never ran (last is zero), or at least one full
// second has passed since last. Both times are {seconds, microseconds}.
bool klcontrol_periodic_due(const int64_t last[2], const int64_t now[2]);
