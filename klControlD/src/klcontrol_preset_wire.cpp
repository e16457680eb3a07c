// Bounded readers of the camera's preset answers, and the decoding of client bodies.
#include "klcontrol_preset_wire.h"

#include <google/protobuf/message_lite.h>

#include <algorithm>
#include <cstring>

#include "klErrno.h"
#include "klcontrol_camera.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

bool klcontrol_read_preset_groups(std::vector<uint8_t>& groups, int& rc) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  rc = klc_send_remote_api_for_response(klcontrol_camera(), REMOTE_PRESET_GROUP_LIST, &reply, &length);
  if (rc != KL_OK || length == 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d\n", rc);
    return false;
  }
  groups.assign(reply + 1, reply + 1 + klcontrol_listed_entries(reply, length, 1));
  return true;
}

bool klcontrol_decode_preset_body(const MsgElement* arg, google::protobuf::MessageLite& body) {
  if (arg == nullptr) return false;
  return body.ParseFromArray(arg->getData(), arg->getDataLength());
}

size_t klcontrol_listed_entries(const uint8_t* answer, uint16_t length, size_t entrySize) {
  if (answer == nullptr || length == 0) return 0;
  return std::min<size_t>(answer[0], (length - 1u) / entrySize);
}

uint32_t klcontrol_listed_id(const uint8_t* answer, size_t index) {
  uint32_t id = 0;
  std::memcpy(&id, answer + 1 + index * sizeof id, sizeof id);
  return id;
}
