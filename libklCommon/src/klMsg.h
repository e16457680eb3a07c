// Request/response messaging: build, address, validate, send, and wait for the answer.
#pragma once
#include <cstdint>

#include "klTlv.h"

struct klmsg_iobuf_t {
  uint32_t size;  // capacity of buf; more than sizeof buf is a caller error
  uint32_t len;   // current message length
  uint8_t buf[KLMSG_MAX];
};

constexpr int KLMSG_MAX_COUNT_SM = 2;  // messages of a private reply mailbox
constexpr int KLMSG_DIRECTIONS = 30;   // trace directions 0..29; 0 and 29 are never traced

// Trace labels (12 characters, null at 29) and the g_debug bits that enable each direction.
extern const char* const s_dmsgstr[KLMSG_DIRECTIONS];
extern const uint32_t s_dmsghex[KLMSG_DIRECTIONS];

// Starts a message: header, TLV_CMD with the 2 characters of cmd, TLV_CMDARG (possibly empty);
// returns the byte count of the last append.
int klmsg_build(klmsg_iobuf_t* io, const char* cmd, const void* arg, int argLength, uint8_t category);
// Adds the addresses and TLV_END, validates (assertion when invalid) and sends to via, or to the
// destination when via is null; returns the close result of the transmit mailbox.
int klmsg_send(klmsg_iobuf_t* io, const char* from, const char* to, const char* via, int direction);
// As klmsg_send, then waits g_timedreceive seconds for the answer on the private mailbox named
// from, which is removed again. Returns the answer length; (uint32_t)-1 on time-out (the request
// stays in the buffer) or when the answer does not validate (the answer stays in the buffer).
uint32_t klmsg_send_timedreceive(klmsg_iobuf_t* io, const char* from, const char* to, const char* via,
                                 int direction);
// The TLV_RSPARG value of the answer (outputs filled), or null (outputs untouched).
uint8_t* klmsg_response(klmsg_iobuf_t* io, uint8_t** arg, uint16_t* length);
