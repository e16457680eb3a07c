// Preset commands that change presets on the camera: create a custom preset, switch the flat mode of the
// current preset, and set its title and icon.
#include <chrono>
#include <cstring>
#include <thread>

#include "generic/EnumResultGeneric.pb.h"
#include "klControlCommands/klControl_presets.pb.h"
#include "klErrno.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_preset_wire.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

using namespace klcontrol::presets;

std::chrono::milliseconds g_presetCreateSettleTime{500};

namespace {

constexpr uint32_t NO_TITLE_NUMBER = 0xFFFFFFFF;

// The create record of a body, or false for a body without every field or with values out of range.
bool createRecordOf(const KLC_Preset_Custom_Create_Req& body, klc_preset_create_record& record) {
  if (!body.has_group_id() || !body.has_flat_mode() || !body.has_preset_icon() || !body.has_preset_name() ||
      !body.has_preset_name_iterator()) {
    return false;
  }
  record.group = uint8_t(klcontrol_requested_group(body.group_id()));
  record.flatMode = uint8_t(body.flat_mode());
  const uint32_t icon = body.preset_icon();
  const uint32_t title = body.preset_name();
  if (icon < 18 || icon > 1001 || title < 18 || title > 67 || record.flatMode < 12 || record.flatMode > 27 ||
      !klc_preset_single_lens_group(record.group)) {
    return false;
  }
  record.icon = uint32_t(MapWSDKIconToFW(wsdk_commands::WSDK_EnumPresetIcon(icon)));
  record.title = uint32_t(MapWSDKTitleToFW(wsdk_commands::WSDK_EnumPresetTitle(title)));
  record.reserved = 0;
  return true;
}

// Sends the new preset's record; its id, or the failing status.
int createOnCamera(const klc_preset_create_record& record, uint32_t& presetId) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int rc = klc_send_remote_api_payload_response(klcontrol_camera(), REMOTE_PRESET_CUSTOM_CREATE,
                                                      &record, sizeof record, &reply, &length);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", rc);
    return rc;
  }
  if (reply == nullptr || length != sizeof presetId) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", -1);
    return KL_ERR;
  }
  std::memcpy(&presetId, reply, sizeof presetId);
  return KL_OK;
}

}  // namespace

int KlcontrolCommandServer::cmdPresetCustomCreate(Msg& msg, MsgElement* arg) {
  uint8_t model = 0;
  const int modelRc = klcontrol_model_number(&model, "Couldn't get model_number - can't get preset list ids");
  if (modelRc != KL_OK) return answer(msg, modelRc);
  KLC_Preset_Custom_Create_Req body;
  klc_preset_create_record record{};
  if (!klcontrol_decode_preset_body(arg, body) || !createRecordOf(body, record))
    return answer(msg, klcontrol_refuse_preset_body());
  record.titleNumber = GetNextPresetIterator(record.group, record.title);
  if (record.titleNumber == NO_TITLE_NUMBER) {
    LOG(UTIL_LOG_ERROR, "Failed to get preset number");
    return answer(msg, KL_ERR);
  }
  uint32_t presetId = 0;
  const int rc = createOnCamera(record, presetId);
  if (rc != KL_OK) return answer(msg, rc);
  std::this_thread::sleep_for(g_presetCreateSettleTime);
  const int status = klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_SET_FLATMODE,
                                                 &record.flatMode, sizeof record.flatMode) |
                     klc_send_simple_remote_api(klcontrol_camera(), REMOTE_PRESET_EDIT_END);
  if (status != KL_OK) LOG(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, %d\n", status);
  wsdk_commands::WSDK_ResponseCreateCustomPreset created;
  created.set_preset_id(int32_t(presetId));
  created.set_result(RESULT_SUCCESS);
  return answerPresetMessage(msg, status, created.SerializeAsString());
}

int KlcontrolCommandServer::cmdPresetSwitchFlatmode(Msg& msg, MsgElement* arg) {
  if (mIsZooming) stopZooming("KLCONTROL_PRESET_SWITCH_FLATMODE");
  KLC_Preset_Switch_Flatmode_Req body;
  if (!klcontrol_decode_preset_body(arg, body) || !body.has_flat_mode())
    return answer(msg, klcontrol_refuse_preset_body());
  const uint8_t flatMode = uint8_t(body.flat_mode());
  if (IsFactoryPreset(GetCurrentPreset())) {
    LOG(UTIL_LOG_ERROR, "Can't change flatmode for builtin preset");
    return answer(msg, KL_ERR);
  }
  return answer(msg, klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING, [&flatMode] {
                  return klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_SET_FLATMODE,
                                                     &flatMode, sizeof flatMode);
                }));
}

int KlcontrolCommandServer::cmdPresetSetTitleIcon(Msg& msg, MsgElement* arg) {
  const uint32_t current = GetCurrentPreset();
  KLC_Preset_Set_Title_Icon_Req body;
  // Values the enumerations do not list go to the camera, which decides.
  if (!klcontrol_decode_preset_body(arg, body) || (!body.has_preset_name() && !body.has_preset_icon())) {
    return answer(msg, klcontrol_refuse_preset_body());
  }
  appc_presets_settings_info info{};
  const int readRc = readPresetRecord(current, info);
  if (readRc != KL_OK) return answer(msg, readRc);
  klc_preset_title_record record{current, info.user_data0, info.user_data1, info.user_data2, 0};
  if (body.has_preset_icon()) {
    record.icon = uint32_t(MapWSDKIconToFW(wsdk_commands::WSDK_EnumPresetIcon(body.preset_icon())));
  }
  if (body.has_preset_name()) {
    record.title = uint32_t(MapWSDKTitleToFW(wsdk_commands::WSDK_EnumPresetTitle(body.preset_name())));
  }
  return answer(msg, klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING, [&record] {
                  return klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_SET_TITLE_ICON,
                                                     &record, sizeof record);
                }));
}
