// Camera-side events for the daemon's queue: suspend/resume requests answered in place, and
// preset-update events.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klcontrol_endpoints.h"

// Builds a CAT_SYS_CMD request with the two-character code ("JS", "JR"); the daemon answers on
// replyQueue. Returns the message length, or 0 when it does not fit.
int simBuildSystemEvent(uint8_t* msg, unsigned capacity, const char* code, const char* replyQueue);
// Builds a CAT_RTOS_CMD "PU" event: byte 0 the event code, bytes 1..4 the id in host byte order; without
// withArgument the event carries no argument at all.
int simBuildPresetUpdate(uint8_t* msg, unsigned capacity, uint8_t event, uint32_t id, const char* sourceQueue,
                         bool withArgument = true);
// Sends one message to the daemon queue; 0, or -1 when the queue cannot be opened or the send fails.
int simSendToDaemon(const uint8_t* msg, int length);

// An in-place answer of the daemon, checked and taken apart.
struct SimSystemAnswer {
  uint8_t category = 0;
  std::string code;
  std::string source;       // TLV_SRC after the swap: the daemon's queue
  std::string destination;  // TLV_DST after the swap: our reply queue
  std::vector<uint8_t> rsparg;
};

// Parses exactly length received bytes; false when they are not a well-formed answer.
bool simParseSystemAnswer(const uint8_t* msg, unsigned length, SimSystemAnswer& answer);
