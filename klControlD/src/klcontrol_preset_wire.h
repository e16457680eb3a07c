// What the preset commands share: bounded readers of the camera's preset answers (each request is read
// here once), and the decoding and refusal of client bodies.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera_blocks.h"
#include "camera_presets.h"
#include "klcMsg.h"
#include "klcontrol_queues.h"

namespace google {
namespace protobuf {
class MessageLite;
}  // namespace protobuf
}  // namespace google

// The pause after a custom preset is created, before its flat mode is sent (the camera needs it);
// harnesses against the simulated camera set it to zero.
extern std::chrono::milliseconds g_presetCreateSettleTime;

// Largest payload one response carries: the response buffer less the status, payload and end framing.
constexpr size_t KLCONTROL_MAX_PAYLOAD = KLCONTROL_BUFFER_SIZE - 20;

// The preset groups the camera lists (remote API 17/0); false (logged) when the call fails or the
// answer is empty, with the call's result in rc.
bool klcontrol_read_preset_groups(std::vector<uint8_t>& groups, int& rc);

// What one read of the camera's preset answers got; each caller logs a failure in its own words.
struct klcontrol_preset_read {
  int rc;           // the library call's result
  uint16_t length;  // bytes of the answer
  bool taken;       // the call succeeded and the answer was copied out
};
// The ids of a firmware group (remote API 17/1), copied out of the library's buffer; taken unless the
// call fails or the answer is empty.
klcontrol_preset_read klcontrol_read_preset_ids(uint8_t group, std::vector<uint32_t>& ids);
// The camera's record of one preset (remote API 17/2); taken only when the answer is one whole record.
klcontrol_preset_read klcontrol_read_preset_record(uint32_t id, appc_presets_settings_info& record);
// Logs "Invalid parameter" and gives KL_ERR_INVALID_PARAM, the answer to a body the command cannot take.
int klcontrol_refuse_preset_body();
// The firmware group of a group as requests name it: the clients' numbers from 1000, or the firmware's.
constexpr uint32_t klcontrol_requested_group(uint32_t requested) {
  return requested >= KLC_PRESET_CLIENT_GROUP_BASE ? requested - KLC_PRESET_CLIENT_GROUP_BASE : requested;
}
// Decodes a client body; false for a missing argument or bytes that are no such message.
bool klcontrol_decode_preset_body(const MsgElement* arg, google::protobuf::MessageLite& body);
// Entries of entrySize bytes behind the count byte of a list answer: the count, or fewer when the
// answer is shorter than it claims.
size_t klcontrol_listed_entries(const uint8_t* answer, uint16_t length, size_t entrySize);
// The index-th 32-bit id of an id-list answer; index must be below klcontrol_listed_entries.
uint32_t klcontrol_listed_id(const uint8_t* answer, size_t index);
