// The wire side of a client: the CAT_CLIENT_CMD request it sends and the answers it reads back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klcontrol_endpoints.h"

// Writes a CAT_CLIENT_CMD request into msg: TLV_CMD with the number as 32 bits in host byte
// order, TLV_CMDARG with the argument when there is one (an empty one included), TLV_SRC with the
// reply queue name and TLV_END. Returns the message length, or 0 when it does not fit capacity.
int klcontrol_build_command(uint8_t* msg, unsigned capacity, uint32_t command,
                            const std::vector<uint8_t>* argument, const std::string& replyQueue);

// What an answer said.
struct klcontrol_answer_t {
  int32_t status = 0;
  std::vector<uint8_t> payload;  // the TLV_RSPARG value; empty when there is none
};

// Reads a CAT_CLIENT_RSP answer of received bytes: the status from TLV_RSPCODE (4 bytes, host byte
// order) and the payload. Nothing outside the received bytes is read. False with the reason when
// the bytes are no such answer.
bool klcontrol_decode_answer(const uint8_t* msg, int received, klcontrol_answer_t& answer,
                             std::string& problem);

// Reads the in-place answer to "JS"/"JR" (CAT_SYS_RSP): the status is the first TLV_RSPARG byte,
// the payload the whole TLV_RSPARG value.
bool klcontrol_decode_system_answer(const uint8_t* msg, int received, klcontrol_answer_t& answer,
                                    std::string& problem);

// Reads the CAT_CLIENT_EVENT message a queue notification client receives: the document, the
// TLV_RSPARG text without its closing NUL. False with the reason when the bytes are no such event.
bool klcontrol_decode_event(const uint8_t* msg, int received, std::string& document, std::string& problem);
