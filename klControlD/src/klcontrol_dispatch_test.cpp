// Refusals of every command family: a missing, short, unexpected or unusable argument, and numbers
// without a handler, are answered with their status and no payload, logged, and never reach the camera.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Network name (33 bytes), password (field bytes) and a 32-bit word, as the Wi-Fi commands take them,
// less the last cut bytes.
Bytes network(const std::string& name, const std::string& password, size_t field, uint32_t word,
              size_t cut = 0) {
  Bytes arg;
  putField(arg, 0, 33, name);
  putField(arg, 33, field, password);
  putWord(arg, 33 + field, word);
  arg.resize(arg.size() - cut);
  return arg;
}

// A line of the format with the command's number in place of "%d".
std::string lineFor(std::string format, uint32_t command) {
  const size_t at = format.find("%d");
  return at == std::string::npos ? format : format.replace(at, 2, std::to_string(int(command)));
}

struct Refusal {
  std::vector<uint32_t> commands;
  Bytes arg;
  bool hasArg;
  int32_t status = KL_ERR_INVALID_PARAM;
  const char* line = "Invalid parameter";  // the refusal's own line; nullptr: none but the result line
};

const std::vector<uint32_t> kWithoutArgument = {
    // media and connectivity
    KLCONTROL_DELETE_LAST, KLCONTROL_DELETE_ALL, KLCONTROL_GET_DELETE_LIST_RESULT, KLCONTROL_RC_PAIR,
    KLCONTROL_RC_PAIR_CANCEL, KLCONTROL_WIFI_SSID_DELETE_ALL,
    // capture
    KLCONTROL_GLINT_TAG_RECORDING, KLCONTROL_VIDEO_VANTIX_RESET, KLCONTROL_PHOTO_VANTIX_RESET,
    KLCONTROL_MULTI_VANTIX_RESET, KLCONTROL_GET_EXTENDED_STATUS,
    // system
    KLCONTROL_FW_UPDATE_START, KLCONTROL_FW_UPDATE_CANCEL, KLCONTROL_SYSTEM_SHUTDOWN, KLCONTROL_SYSTEM_SLEEP,
    KLCONTROL_ANALYTICS_FILENAME_GET, KLCONTROL_ANALYTICS_CLEAR,
    // voice, transcode and status
    KLCONTROL_VOICE_PHOTO_TAKE, KLCONTROL_VOICE_EDIT_MY_STORY, KLCONTROL_TRANSCODE_HISTORY,
    KLCONTROL_GET_ALL_STATUS};

const std::vector<uint32_t> kWithArgument = {
    // capture, media and connectivity
    KLCONTROL_COMMAND_SHUTTER, KLCONTROL_SETTINGS_FORWARD, KLCONTROL_DELETE, KLCONTROL_DELETE_GROUP,
    KLCONTROL_DELETE_LIST, KLCONTROL_GLINT_TAG_PLAYBACK, KLCONTROL_WIFI_BAND_SELECT, KLCONTROL_WIFI_SSID_SCAN,
    KLCONTROL_WIFI_SSID_LIST,
    // system
    KLCONTROL_FW_UPDATE_DONE, KLCONTROL_LOCATE, KLCONTROL_FACTORY_RESET, KLCONTROL_SET_IN_CONTEXTUAL_MENU,
    KLCONTROL_SET_CAMERA_CONTROL_STATUS, KLCONTROL_SET_WIRED_USB_CONTROL, KLCONTROL_SET_LOG_LEVEL,
    // voice, live view, settings and notifications
    KLCONTROL_VOICE_MODE, KLCONTROL_LIVEVIEW_MODE_SET, KLCONTROL_SET_SETTING_ID, KLCONTROL_PUSH_NOTIFICATIONS,
    KLCONTROL_NOTIFICATION_QUEUE_REGISTER};

const std::vector<uint32_t> kWordShortByOne = {KLCONTROL_MODE, KLCONTROL_DIGITAL_ZOOM,
                                               KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET,
                                               KLCONTROL_WIFI_AP_CONTROL, KLCONTROL_SET_LOG_LEVEL};

const std::vector<uint32_t> kTranscodeStarts = {KLCONTROL_TRANSCODE_VIDEO_REQUEST,
                                                KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST,
                                                KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST};

const std::vector<uint32_t> kPresetBodied = {
    KLCONTROL_PRESET_LIST,          KLCONTROL_PRESET_INFO,          KLCONTROL_PRESET_CUSTOM_CREATE,
    KLCONTROL_PRESET_CUSTOM_REMOVE, KLCONTROL_PRESET_SET_ORDER,     KLCONTROL_PRESET_LOAD,
    KLCONTROL_PRESET_EDIT_START,    KLCONTROL_PRESET_FACTORY_RESET, KLCONTROL_PRESET_SWITCH_FLATMODE,
    KLCONTROL_PRESET_SET_TITLE_ICON};

const char* const kNoStart = "Invalid parameter, expected arguments";
const char* const kNoId = "Invalid parameter, expected transcode_id";
const Bytes kNone;

const Refusal kRefusals[] = {
    // Missing, unexpected or short arguments, refused by the frame or the handler.
    {kWithoutArgument, {1}, true},
    {kWithArgument, kNone, false},
    {{KLCONTROL_DELETE}, kNone, true},
    {kWordShortByOne, {1, 2, 3}, true},
    {{KLCONTROL_CAPTURE_DELAY, KLCONTROL_MODE_SET_MODE}, {1}, true},
    {{KLCONTROL_MODE_SUB_MODE, KLCONTROL_SET_SETTING_ID}, Bytes(7, 0), true},
    {{KLCONTROL_SYSTEM_BUTTON_SET}, Bytes(4, 0), true},
    {{KLCONTROL_LIVEVIEW_MODE_SET}, Bytes(12, 0), true},
    {{KLCONTROL_GLINT_TAG_PLAYBACK}, Bytes(267, 0), true},
    {{KLCONTROL_NOTIFICATION_QUEUE_REGISTER}, {1, 0, 0, 0}, true},  // no room for a terminated name
    // Queues only the daemon reads: documents would fill them for nobody.
    {{KLCONTROL_NOTIFICATION_QUEUE_REGISTER}, queueRegistration(1, "/to_klCtlD"), true},
    {{KLCONTROL_NOTIFICATION_QUEUE_REGISTER}, queueRegistration(1, "/to_klCtlD2"), true},
    {{KLCONTROL_WIFI_AP_SSID_CONFIG}, Bytes(107, 0), true},
    {{KLCONTROL_WIFI_SSID_SELECT}, network("Home", "", 67, 0, 1), true},
    {kTranscodeStarts, Bytes(303, 0), true, KL_ERR_INVALID_PARAM, kNoStart},
    {kTranscodeStarts, kNone, false, KL_ERR_INVALID_PARAM, kNoStart},
    {{KLCONTROL_TRANSCODE_STATUS}, Bytes(7, 0), true, KL_ERR_INVALID_PARAM, kNoId},
    {{KLCONTROL_TRANSCODE_STATUS}, kNone, false, KL_ERR_INVALID_PARAM, kNoId},
    {{KLCONTROL_TRANSCODE_CANCEL}, Bytes(7, 0), true},
    // Values the handlers check before the camera.
    {{KLCONTROL_WIFI_AP_CONTROL}, {3, 0, 0, 0}, true},
    {{KLCONTROL_WIFI_BAND_SELECT}, {2, 0, 0, 0}, true},
    {{KLCONTROL_WIFI_SSID_SAVE}, network(std::string(33, 'n'), "", 67, 0), true},
    {{KLCONTROL_WIFI_SSID_SAVE}, network("Home", std::string(64, 'p'), 67, 0), true},
    {{KLCONTROL_WIFI_SSID_SELECT, KLCONTROL_WIFI_SSID_DELETE}, network("", "secret", 67, 3), true},
    {{KLCONTROL_WIFI_SSID_SELECT}, network("Home", "", 67, 256), true},
    {{KLCONTROL_WIFI_AP_SSID_CONFIG}, network("Cam", "", 71, 0), true, KL_ERR_INVALID_PARAM, nullptr},
    {{KLCONTROL_VOICE_DELETE_LAST}, kNone, false, KL_ERR_NOT_SUPPORTED, "NOT SUPPORTED %d"},
    {{KLCONTROL_VOICE_DELETE_LAST}, {1}, true, KL_ERR_NOT_SUPPORTED, "NOT SUPPORTED %d"},
    // Preset bodies that do not decode, carry an unknown field, or lack what the command needs.
    {kPresetBodied, {0xFF}, true},
    {kPresetBodied, {0x28, 0x01}, true},
    {kPresetBodied, kNone, false},
    {{KLCONTROL_PRESET_SET_ORDER}, {0x08, 0x01}, true},  // an id without an order
    {{KLCONTROL_PRESET_SET_TITLE_ICON}, kNone, true},    // neither title nor icon
    {{KLCONTROL_PRESET_GET_PRESETS}, {0xFF}, true, KL_ERR_INVALID_PARAM, "get presets Invalid parameter"},
    {{KLCONTROL_PRESET_GROUP_LIST}, {0xFF}, true},
    // Numbers without a handler.
    {{1, 2, 45, 98, 0xFFFFFFFFu}, kNone, false, KL_ERR_NOT_SUPPORTED, "Unhandled command %d"},
};

TEST_F(ServerTest, RefusedCommandsAreAnsweredAndLoggedAndNeverReachTheCamera) {
  for (const Refusal& r : kRefusals) {
    for (uint32_t command : r.commands) {
      const std::string label =
          std::to_string(int(command)) + " with " + std::to_string(r.arg.size()) + " bytes";
      control("reset-counts");
      forgetLog();
      TestAnswer answer = requester->ask(command, r.hasArg ? &r.arg : nullptr);
      EXPECT_EQ(answer.status, r.status) << label;
      EXPECT_TRUE(answer.payload.empty()) << label;
      if (r.line != nullptr) {
        EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, lineFor(r.line, command))) << label;
      } else {
        sync();
        EXPECT_FALSE(loggedLine(UTIL_LOG_ERROR, "Invalid parameter")) << label;
      }
      const std::string result = "Command:" + std::to_string(int(command)) + " returned klErrno:(" +
                                 std::to_string(r.status) + "=" + klErrno2Str(r.status) + ")";
      EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, result)) << label;
      EXPECT_EQ(control("counts"), "ok malformed=0") << label;
    }
  }
  EXPECT_EQ(g_logLevel, UTIL_LOG_TRACE);
  EXPECT_EQ(server->notificationClientCount(), 0u);
}

}  // namespace
