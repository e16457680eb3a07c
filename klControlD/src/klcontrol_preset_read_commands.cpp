// Preset commands that read the camera's presets: group and id lists, one preset, the active preset and
// group.
#include <string>
#include <vector>

#include "klControlCommands/klControl_presets.pb.h"
#include "klErrno.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_preset_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

using namespace klcontrol::presets;

namespace {

constexpr uint32_t NO_ACTIVE_PRESET = 0xFFFFFFFF;

// The firmware group a list request names: 1000-based or firmware numbers, folded by lens mode and
// power profile as the camera keeps them; -1 when it is out of range.
int firmwareGroupOf(uint32_t requested, int8_t lensMode) {
  uint32_t group = klcontrol_requested_group(requested);
  if (group > KLC_PRESET_LAST_GROUP) return -1;
  if (lensMode == 1 && klc_preset_single_lens_group(group)) group += KLC_PRESET_DUAL_LENS_SHIFT;
  if (group == KLC_PRESET_GROUP_VIDEO) {
    int8_t profile = 0;
    klc_system_get_power_profile(klcontrol_camera(), &profile);
    if (profile == 1 || profile == 2) group = klc_preset_power_group_of(profile);
  }
  return int(group);
}

void logPresetRecord(const appc_presets_settings_info& record) {
  LOG(UTIL_LOG_DEBUG, "klc_send_remote_api_payload_response, %d, size was %u, expected %u\n", 0,
      unsigned(sizeof record), unsigned(sizeof record));
  LOG(UTIL_LOG_DEBUG, "app flat mode is %d\n", record.flat_mode);
  LOG(UTIL_LOG_DEBUG, "preset type is %d\n", record.preset_type);
  LOG(UTIL_LOG_DEBUG, "preset id is %u\n", unsigned(record.preset_id));
  LOG(UTIL_LOG_DEBUG, "predefined preset? %d\n", record.preset_type == 0 ? 1 : 0);
  LOG(UTIL_LOG_DEBUG, "user data 0 %u\n", unsigned(record.user_data0));
  LOG(UTIL_LOG_DEBUG, "user data 1 %u\n", unsigned(record.user_data1));
  LOG(UTIL_LOG_DEBUG, "user data 2 %u\n", unsigned(record.user_data2));
  LOG(UTIL_LOG_DEBUG, "user data 3 %u\n", unsigned(record.user_data3));
  LOG(UTIL_LOG_DEBUG, "preset edited %d", record.edited);
}

}  // namespace

int KlcontrolCommandServer::answerPresetMessage(Msg& msg, int status, const std::string& bytes) {
  sendResponse(msg, status, bytes.data(), static_cast<unsigned short>(bytes.size()));
  return status;
}

int KlcontrolCommandServer::readPresetRecord(uint32_t id, appc_presets_settings_info& record) {
  const klcontrol_preset_read read = klcontrol_read_preset_record(id, record);
  if (read.rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", read.rc);
    return read.rc;
  }
  if (!read.taken) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d, size was %u, expected %llu\n", -1,
        unsigned(read.length), static_cast<unsigned long long>(sizeof record));
    return KL_ERR;
  }
  return KL_OK;
}

int KlcontrolCommandServer::cmdPresetGroupList(Msg& msg, MsgElement*) {
  std::vector<uint8_t> listed;
  int rc = KL_OK;
  if (!klcontrol_read_preset_groups(listed, rc)) return answer(msg, rc);
  KLC_Preset_Group_List_Resp groups;
  for (uint8_t group : listed) {
    // The dual-lens groups are shown to clients as their single-lens forms.
    if (!klc_preset_dual_lens_group(group)) groups.add_preset_groups(group + KLC_PRESET_CLIENT_GROUP_BASE);
  }
  return answerPresetMessage(msg, KL_OK, groups.SerializeAsString());
}

int KlcontrolCommandServer::cmdPresetList(Msg& msg, MsgElement* arg) {
  uint8_t model = 0;
  const int modelRc = klcontrol_model_number(&model, "Couldn't get model_number - can't get preset list ids");
  if (modelRc != KL_OK) return answer(msg, modelRc);
  KLC_Preset_List_Req body;
  if (!klcontrol_decode_preset_body(arg, body) || !body.has_group_id())
    return answer(msg, klcontrol_refuse_preset_body());
  const int firmwareGroup = firmwareGroupOf(body.group_id(), GetLensMode());
  if (firmwareGroup < 0) return answer(msg, klcontrol_refuse_preset_body());
  std::vector<uint32_t> ids;
  const klcontrol_preset_read listed = klcontrol_read_preset_ids(uint8_t(firmwareGroup), ids);
  if (!listed.taken) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", listed.rc);
    return answer(msg, listed.rc);
  }
  KLC_Preset_List_Resp presets;
  // 255 ids may not fit one response: the list is cut at the last id that does.
  for (size_t i = 0; i < ids.size() && presets.ByteSizeLong() + 6 <= KLCONTROL_MAX_PAYLOAD; ++i) {
    presets.add_presets(ids[i]);
  }
  return answerPresetMessage(msg, KL_OK, presets.SerializeAsString());
}

int KlcontrolCommandServer::cmdPresetInfo(Msg& msg, MsgElement* arg) {
  if (mCameraInfoHandler == nullptr) {
    LOG(UTIL_LOG_ERROR, "mCameraInfoHandler is NULL - unable to get preset info");
    return answer(msg, KL_ERR);
  }
  KLC_Preset_Info_Req body;
  if (!klcontrol_decode_preset_body(arg, body) || !body.has_preset_id())
    return answer(msg, klcontrol_refuse_preset_body());
  appc_presets_settings_info record{};
  const int rc = readPresetRecord(body.preset_id(), record);
  if (rc != KL_OK) return answer(msg, rc);
  logPresetRecord(record);
  wsdk_commands::WSDK_Preset preset;
  preset.set_id(int32_t(record.preset_id));
  populatePresetInfo(&record, preset, mCameraInfoHandler);
  std::string bytes;
  const bool serialized = preset.SerializeToString(&bytes);
  LOG(UTIL_LOG_DEBUG, "did succeed? %d, size is %lu\n", int(serialized),
      static_cast<unsigned long>(bytes.size()));
  return answerPresetMessage(msg, KL_OK, bytes);
}

int KlcontrolCommandServer::cmdPresetGetActivePreset(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_INFO, "KLCONTROL_PRESET_GET_ACTIVE_PRESET");
  const uint32_t active = GetActivePreset();
  const uint32_t payload = active == NO_ACTIVE_PRESET ? 0 : active;
  const int status = active == NO_ACTIVE_PRESET ? KL_ERR : KL_OK;
  sendResponse(msg, status, &payload, sizeof payload);
  return status;
}

int KlcontrolCommandServer::cmdPresetGetActiveGroup(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_INFO, "KLCONTROL_PRESET_GET_ACTIVE_GROUP");
  const uint32_t group = GetActivePresetGroup();
  sendResponse(msg, KL_OK, &group, sizeof group);
  return KL_OK;
}
