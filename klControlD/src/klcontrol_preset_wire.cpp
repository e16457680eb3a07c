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

klcontrol_preset_read klcontrol_read_preset_ids(uint8_t group, std::vector<uint32_t>& ids) {
  uint8_t* answer = nullptr;
  klcontrol_preset_read read{KL_OK, 0, false};
  read.rc = klc_send_remote_api_payload_response(klcontrol_camera(), REMOTE_PRESET_LIST_IDS, &group,
                                                 sizeof group, &answer, &read.length);
  read.taken = read.rc == KL_OK && answer != nullptr && read.length > 0;
  const size_t count = read.taken ? klcontrol_listed_entries(answer, read.length, sizeof(uint32_t)) : 0;
  for (size_t i = 0; i < count; ++i) ids.push_back(klcontrol_listed_id(answer, i));
  return read;
}

klcontrol_preset_read klcontrol_read_preset_record(uint32_t id, appc_presets_settings_info& record) {
  uint8_t* answer = nullptr;
  klcontrol_preset_read read{KL_OK, 0, false};
  read.rc = klc_send_remote_api_payload_response(klcontrol_camera(), REMOTE_PRESET_GET_INFO, &id, sizeof id,
                                                 &answer, &read.length);
  read.taken = read.rc == KL_OK && answer != nullptr && read.length == sizeof record;
  if (read.taken) std::memcpy(&record, answer, sizeof record);
  return read;
}

int klcontrol_refuse_preset_body() {
  LOG(UTIL_LOG_ERROR, "Invalid parameter");
  return KL_ERR_INVALID_PARAM;
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
