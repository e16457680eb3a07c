// Dispatch: the frame around every client command and the daemon's handler table. Numbers
// without a row here are answered KL_ERR_NOT_SUPPORTED from the frame.
#include <algorithm>
#include <cstring>

#include "klErrno.h"
#include "klPushClient.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_tlv_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

const KlcontrolCommandServer::DispatchRow KlcontrolCommandServer::DISPATCH[] = {
    {KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &KlcontrolCommandServer::cmdNotificationQueueRegister},
    {KLCONTROL_PRESET_GROUP_LIST, &KlcontrolCommandServer::cmdPresetGroupList},
    {KLCONTROL_PRESET_LIST, &KlcontrolCommandServer::cmdPresetList},
    {KLCONTROL_PRESET_INFO, &KlcontrolCommandServer::cmdPresetInfo},
    {KLCONTROL_PRESET_CUSTOM_CREATE, &KlcontrolCommandServer::cmdPresetCustomCreate},
    {KLCONTROL_PRESET_CUSTOM_REMOVE, &KlcontrolCommandServer::cmdPresetCustomRemove},
    {KLCONTROL_PRESET_SET_ORDER, &KlcontrolCommandServer::cmdPresetSetOrder},
    {KLCONTROL_PRESET_LOAD, &KlcontrolCommandServer::cmdPresetLoad},
    {KLCONTROL_PRESET_EDIT_START, &KlcontrolCommandServer::cmdPresetEditStart},
    {KLCONTROL_PRESET_REQUEST_9, &KlcontrolCommandServer::cmdPresetRequest9},
    {KLCONTROL_PRESET_EDIT_END, &KlcontrolCommandServer::cmdPresetEditEnd},
    {KLCONTROL_PRESET_FACTORY_RESET, &KlcontrolCommandServer::cmdPresetFactoryReset},
    {KLCONTROL_PRESET_GET_PRESETS, &KlcontrolCommandServer::cmdPresetGetPresets,
     "get presets Invalid parameter"},
    {KLCONTROL_PRESET_SWITCH_FLATMODE, &KlcontrolCommandServer::cmdPresetSwitchFlatmode},
    {KLCONTROL_PRESET_SET_TITLE_ICON, &KlcontrolCommandServer::cmdPresetSetTitleIcon},
    {KLCONTROL_PRESET_GET_ACTIVE_PRESET, &KlcontrolCommandServer::cmdPresetGetActivePreset},
    {KLCONTROL_PRESET_GET_ACTIVE_GROUP, &KlcontrolCommandServer::cmdPresetGetActiveGroup},
    {KLCONTROL_REMOTE_QUERY_5_28, &KlcontrolCommandServer::cmdRemoteQuery528},
    {KLCONTROL_TRANSCODE_HISTORY, &KlcontrolCommandServer::cmdTranscodeHistory},
    {KLCONTROL_TRANSCODE_VIDEO_REQUEST, &KlcontrolCommandServer::cmdTranscodeVideoRequest,
     "Invalid parameter, expected arguments"},
    {KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, &KlcontrolCommandServer::cmdTranscodePhotoToVideoRequest,
     "Invalid parameter, expected arguments"},
    {KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, &KlcontrolCommandServer::cmdTranscodeToPhotoRequest,
     "Invalid parameter, expected arguments"},
    {KLCONTROL_TRANSCODE_STATUS, &KlcontrolCommandServer::cmdTranscodeStatus,
     "Invalid parameter, expected transcode_id"},
    {KLCONTROL_TRANSCODE_CANCEL, &KlcontrolCommandServer::cmdTranscodeCancel},
    {KLCONTROL_PUSH_NOTIFICATIONS, &KlcontrolCommandServer::cmdPushNotifications},
    {KLCONTROL_GLINT_TAG_PLAYBACK, &KlcontrolCommandServer::cmdGlintTagPlayback},
    {KLCONTROL_DELETE, &KlcontrolCommandServer::cmdDelete},
    {KLCONTROL_DELETE_LAST, &KlcontrolCommandServer::cmdDeleteLast},
    {KLCONTROL_DELETE_GROUP, &KlcontrolCommandServer::cmdDeleteGroup},
    {KLCONTROL_DELETE_ALL, &KlcontrolCommandServer::cmdDeleteAll},
    {KLCONTROL_DELETE_LIST, &KlcontrolCommandServer::cmdDeleteList},
    {KLCONTROL_GET_DELETE_LIST_RESULT, &KlcontrolCommandServer::cmdGetDeleteListResult},
    {KLCONTROL_WIFI_AP_CONTROL, &KlcontrolCommandServer::cmdWifiApControl},
    {KLCONTROL_WIFI_AP_SSID_CONFIG, &KlcontrolCommandServer::cmdWifiApSsidConfig},
    {KLCONTROL_WIFI_BAND_SELECT, &KlcontrolCommandServer::cmdWifiBandSelect},
    {KLCONTROL_WIFI_SSID_SCAN, &KlcontrolCommandServer::cmdWifiSsidScan},
    {KLCONTROL_WIFI_SSID_LIST, &KlcontrolCommandServer::cmdWifiSsidList},
    {KLCONTROL_WIFI_SSID_SAVE, &KlcontrolCommandServer::cmdWifiSsidSave},
    {KLCONTROL_WIFI_SSID_SELECT, &KlcontrolCommandServer::cmdWifiSsidSelect},
    {KLCONTROL_WIFI_SSID_DELETE, &KlcontrolCommandServer::cmdWifiSsidDelete},
    {KLCONTROL_WIFI_SSID_DELETE_ALL, &KlcontrolCommandServer::cmdWifiSsidDeleteAll},
    {KLCONTROL_RC_PAIR, &KlcontrolCommandServer::cmdRcPair},
    {KLCONTROL_RC_PAIR_CANCEL, &KlcontrolCommandServer::cmdRcPairCancel},
    {KLCONTROL_BLE_CONTROL, &KlcontrolCommandServer::cmdBleControl},
    {KLCONTROL_COMMAND_SHUTTER, &KlcontrolCommandServer::cmdShutter},
    {KLCONTROL_MODE, &KlcontrolCommandServer::cmdMode},
    {KLCONTROL_MODE_SUB_MODE, &KlcontrolCommandServer::cmdModeSubMode},
    {KLCONTROL_SETTINGS_FORWARD, &KlcontrolCommandServer::cmdSettingsForward},
    {KLCONTROL_GLINT_TAG_RECORDING, &KlcontrolCommandServer::cmdGlintTagRecording},
    {KLCONTROL_VIDEO_VANTIX_RESET, &KlcontrolCommandServer::cmdVideoVantixReset},
    {KLCONTROL_PHOTO_VANTIX_RESET, &KlcontrolCommandServer::cmdPhotoVantixReset},
    {KLCONTROL_MULTI_VANTIX_RESET, &KlcontrolCommandServer::cmdMultiVantixReset},
    {KLCONTROL_GET_EXTENDED_STATUS, &KlcontrolCommandServer::cmdGetExtendedStatus},
    {KLCONTROL_DIGITAL_ZOOM, &KlcontrolCommandServer::cmdDigitalZoom},
    {KLCONTROL_CAPTURE_DELAY, &KlcontrolCommandServer::cmdCaptureDelay},
    {KLCONTROL_MODE_SET_MODE, &KlcontrolCommandServer::cmdModeSetMode},
    {KLCONTROL_VANTIX_RESET, &KlcontrolCommandServer::cmdVantixReset},
    {KLCONTROL_VIDEO_SURGE_SPEED_1X_SET, &KlcontrolCommandServer::cmdSurgeSpeed1xSet},
    {KLCONTROL_ONSCREEN_SHORTCUTS_RESET, &KlcontrolCommandServer::cmdOnscreenShortcutsReset},
    {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET, &KlcontrolCommandServer::cmdSurgeSpeedRampSet},
    {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET, &KlcontrolCommandServer::cmdSurgeSpeedRampActiveSet},
    {KLCONTROL_FW_UPDATE_START, &KlcontrolCommandServer::cmdFwUpdateStart},
    {KLCONTROL_FW_UPDATE_CANCEL, &KlcontrolCommandServer::cmdFwUpdateCancel},
    {KLCONTROL_FW_UPDATE_DONE, &KlcontrolCommandServer::cmdFwUpdateDone},
    {KLCONTROL_SYSTEM_SHUTDOWN, &KlcontrolCommandServer::cmdSystemByteRequest},
    {KLCONTROL_SYSTEM_SLEEP, &KlcontrolCommandServer::cmdSystemByteRequest},
    {KLCONTROL_LOCATE, &KlcontrolCommandServer::cmdSystemByteRequest},
    {KLCONTROL_FACTORY_RESET, &KlcontrolCommandServer::cmdSystemByteRequest},
    {KLCONTROL_ANALYTICS_FILENAME_GET, &KlcontrolCommandServer::cmdAnalyticsFilenameGet},
    {KLCONTROL_ANALYTICS_CLEAR, &KlcontrolCommandServer::cmdAnalyticsClear},
    {KLCONTROL_REMOTE_API, &KlcontrolCommandServer::cmdRemoteApi},
    {KLCONTROL_SET_LOG_LEVEL, &KlcontrolCommandServer::cmdSetLogLevel},
    {KLCONTROL_SET_IN_CONTEXTUAL_MENU, &KlcontrolCommandServer::cmdSetInContextualMenu},
    {KLCONTROL_SET_CAMERA_CONTROL_STATUS, &KlcontrolCommandServer::cmdSetCameraControlStatus},
    {KLCONTROL_SET_WIRED_USB_CONTROL, &KlcontrolCommandServer::cmdSystemByteRequest},
    {KLCONTROL_LIVEVIEW_MODE_SET, &KlcontrolCommandServer::cmdLiveviewModeSet},
    {KLCONTROL_VOICE_PHOTO_TAKE, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_VIDEO_START, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_VIDEO_STOP, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_TIMELAPSE_START, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_TIMELAPSE_STOP, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_BURST_TAKE, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_TAG, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_MODE, &KlcontrolCommandServer::cmdVoiceMode},
    {KLCONTROL_VOICE_EDIT_MY_STORY, &KlcontrolCommandServer::cmdVoiceRequest},
    {KLCONTROL_VOICE_DELETE_LAST, &KlcontrolCommandServer::cmdVoiceDeleteLast},
    {KLCONTROL_SYSTEM_BUTTON_SET, &KlcontrolCommandServer::cmdSystemButtonSet},
    {KLCONTROL_SET_SETTING_ID, &KlcontrolCommandServer::cmdSetSettingId, nullptr, true},
    {KLCONTROL_GET_SETTING_ID, &KlcontrolCommandServer::cmdGetSettingId},
    {KLCONTROL_GET_ALL_SETTINGS, &KlcontrolCommandServer::cmdGetAllSettings},
    {KLCONTROL_GET_ALL_STATUS, &KlcontrolCommandServer::cmdGetAllStatus},
    {KLCONTROL_GET_ALL_SETTINGS_STATUS, &KlcontrolCommandServer::cmdGetAllSettingsStatus},
    {KLCONTROL_CAL_FILE_NAME_GET, &KlcontrolCommandServer::cmdCalFileNameGet},
    {KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, &KlcontrolCommandServer::cmdGetAllSettingsStatusIds},
};

const KlcontrolCommandServer::DispatchRow* KlcontrolCommandServer::findRow(
    klcontrol_command_t command) const {
  if (!klcontrol_command_dispatched(command)) return nullptr;
  for (const DispatchRow& row : DISPATCH) {
    if (row.command == command) return &row;
  }
  return nullptr;
}

// The argument rule of the command table: absent where none is allowed, long enough where required.
bool KlcontrolCommandServer::argumentAcceptable(klcontrol_command_t command, const MsgElement* arg) const {
  const klcontrol_command_info_t* info = klcontrol_command_info(command);
  switch (info->arg) {
    case KLCONTROL_ARG_NONE:
      return arg == nullptr;
    case KLCONTROL_ARG_IGNORED:
      return true;
    default:
      return arg != nullptr && arg->getDataLength() >= info->min_arg_len;
  }
}

int KlcontrolCommandServer::answer(Msg& msg, int status) {
  sendResponse(msg, status, nullptr, 0);
  return status;
}

int KlcontrolCommandServer::refuseArgument(Msg& msg, const char* text) {
  LOG(UTIL_LOG_ERROR, "%s", text != nullptr ? text : "Invalid parameter");
  return answer(msg, KL_ERR_INVALID_PARAM);
}

bool KlcontrolCommandServer::handleCommand(Msg& msg, klcontrol_command_t command) {
  Lock lock(mCommandMutex);
  if (!mProtocolAdapterSet) {
    LOG(UTIL_LOG_ERROR, "protocol adapter not set - throwing out command");
    return false;
  }
  MsgElement* arg = msg.findElement(TLV_CMDARG);
  const DispatchRow* row = findRow(command);
  mQueueClientAdded = false;
  int status = KL_OK;
  if (row == nullptr) {
    LOG(UTIL_LOG_ERROR, "Unhandled command %d", int(command));
    status = answer(msg, KL_ERR_NOT_SUPPORTED);
  } else if (!row->handlerChecksArgument && !argumentAcceptable(command, arg)) {
    status = refuseArgument(msg, row->argumentRefusal);
  } else {
    status = (this->*row->handler)(msg, arg);
  }
  if (status != KL_OK) {
    LOG(UTIL_LOG_ERROR, "Command:%d returned klErrno:(%d=%s)", int(command), status, klErrno2Str(status));
  }
  return mQueueClientAdded;
}

// Argument: 32-bit enable flag, then the client's queue name (the frame refuses one too short for
// a flag and a terminator; an empty name is a name like any other). The daemon's own queues are
// refused: only the worker reads them, so documents sent there would fill them for nobody.
int KlcontrolCommandServer::cmdNotificationQueueRegister(Msg& msg, MsgElement* arg) {
  const uint32_t enable = klcontrol_arg_word(arg, 0);
  const std::string name = klcontrol_arg_text(arg, sizeof enable, arg->getDataLength());
  if (enable != 0 && (name == KLCONTROL_DAEMON_QUEUE || name == KLCONTROL_REPLY_QUEUE))
    return refuseArgument(msg, nullptr);
  {
    Lock lock(mClientsLock);
    auto found =
        std::find_if(mNotificationClients.begin(), mNotificationClients.end(),
                     [&name](NotificationClient* client) { return klcontrol_is_queue_client(client, name); });
    if (found != mNotificationClients.end()) {
      if (enable == 0) {
        delete *found;
        mNotificationClients.erase(found);
      } else {
        (*found)->Pause(false);
      }
      return answer(msg, KL_OK);
    }
  }
  if (enable == 0) return answer(msg, KL_OK);
  auto* client = new MQNotificationClient(name, mPeerQueues);
  if (!addNotificationClient(client)) {
    LOG(UTIL_LOG_ERROR, "Unable to add client");
    delete client;
    return answer(msg, KL_ERR);
  }
  mQueueClientAdded = true;
  Lock lock(mClientsLock);
  client->Pause(false);
  return answer(msg, KL_OK);
}
