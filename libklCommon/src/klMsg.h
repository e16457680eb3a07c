// Request/response messaging: build, address, validate, send, and wait for the answer.
#pragma once
#include <cstdint>

#include "klTlv.h"

struct klmsg_iobuf_t {
  uint32_t size;  // capacity of buf
  uint32_t len;   // current message length
  uint8_t buf[KLMSG_MAX];
};

constexpr int KLMSG_MAX_COUNT_SM = 2;  // messages of a private reply mailbox

// Trace directions 0..28: labels and masks matched against g_debug.
extern const char* const s_dmsgstr[30];
extern const uint32_t s_dmsghex[30];

int klmsg_build(klmsg_iobuf_t* io, const char* cmd, const void* arg, int argLength, uint8_t category);
int klmsg_send(klmsg_iobuf_t* io, const char* from, const char* to, const char* via, int direction);
// Returns the answer length, or (uint32_t)-1 on time-out with the request left in the buffer.
uint32_t klmsg_send_timedreceive(klmsg_iobuf_t* io, const char* from, const char* to, const char* via,
                                 int direction);
// The TLV_RSPARG value of the answer (outputs filled), or null (outputs untouched).
uint8_t* klmsg_response(klmsg_iobuf_t* io, uint8_t** arg, uint16_t* length);
