// What the preset commands share: the camera's preset requests (remote-API group 17), bounded readers of
// their answers, and the decoding of client bodies.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "camera_blocks.h"
#include "klcontrol_if_server.h"

namespace google {
namespace protobuf {
class MessageLite;
}  // namespace protobuf
}  // namespace google

// The pause after a custom preset is created, before its flat mode is sent (the camera needs it);
// harnesses against the simulated camera set it to zero.
extern std::chrono::milliseconds g_presetCreateSettleTime;

enum klc_remote_preset_id : int {
  REMOTE_PRESET_GROUP_LIST = 0,
  REMOTE_PRESET_LIST_IDS = 1,
  REMOTE_PRESET_GET_INFO = 2,
  REMOTE_PRESET_CUSTOM_CREATE = 3,
  REMOTE_PRESET_CUSTOM_REMOVE = 4,
  REMOTE_PRESET_SET_ORDER = 5,
  REMOTE_PRESET_EDIT_START = 8,
  REMOTE_PRESET_REQUEST_9 = 9,
  REMOTE_PRESET_EDIT_END = 10,
  REMOTE_PRESET_LOAD = 12,
  REMOTE_PRESET_FACTORY_RESET = 13,
  REMOTE_PRESET_SET_TITLE_ICON = 15,
  REMOTE_PRESET_SET_FLATMODE = 23,
};
constexpr int REMOTE_PRESET_GROUP = 17;

// Largest payload one response carries: the response buffer less the status, payload and end framing.
constexpr size_t KLCONTROL_MAX_PAYLOAD = KLCONTROL_BUFFER_SIZE - 20;

// Preset requests of group 17 in the library's call forms; answers stay in the library's buffer.
int presetSimpleRequest(int id);
int presetPayloadRequest(int id, const void* payload, uint16_t length);
int presetResponseRequest(int id, uint8_t** answer, uint16_t* length);
int presetPayloadResponseRequest(int id, const void* payload, uint16_t length, uint8_t** answer,
                                 uint16_t* answerLength);

// Decodes a client body; false for a missing argument or bytes that are no such message.
bool decodePresetBody(const MsgElement* arg, google::protobuf::MessageLite& body);
// Entries of entrySize bytes behind the count byte of a list answer: the count, or fewer when the
// answer is shorter than it claims.
size_t listedEntries(const uint8_t* answer, uint16_t length, size_t entrySize);
// The index-th 32-bit id of an id-list answer; index must be below listedEntries.
uint32_t listedId(const uint8_t* answer, size_t index);
