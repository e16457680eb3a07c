// The camera-control library: the camera context and the klc_* calls. Each call is one request
// over the camera link (camera_link.h) and returns 0 or a negative KL_ERR_* number. Calls on one
// context must not overlap: the daemon makes them under its command mutex.
#pragma once
#include <mqueue.h>

#include <cstdint>
#include <string>

#include "camera_accessory_port.h"
#include "camera_blocks.h"
#include "camera_link.h"
#include "camera_presets.h"
#include "camera_remote_api.h"
#include "klcMsg.h"

// The daemon fills the first three fields; the rest belongs to the library.
struct klc_msg_q_context_t {
  const char* reply_queue_name;         // sent as TLV_SRC of every request
  mqd_t klnet_mqd;                      // requests go here
  mqd_t reply_mqd;                      // replies arrive here
  int8_t transcode_refusal;             // reason byte of the last refused transcode start, 0 if none given
  uint32_t last_seq;                    // sequence number of the last request
  KlQueueIdentity reply_queue_id;       // of reply_mqd, learnt at the first request after the fill
  uint8_t answer[KLC_LINK_MAX_ANSWER];  // the last answer handed out by reference
};

// A context holding no queues: all zero, both descriptors -1. The daemon's context is this before its
// start and again once its queues are closed.
inline klc_msg_q_context_t klc_context_without_queues() {
  klc_msg_q_context_t ctx{};
  ctx.klnet_mqd = -1;
  ctx.reply_mqd = -1;
  return ctx;
}

// The camera model number.
int klc_state_get_model_number(klc_msg_q_context_t* ctx, uint8_t* model);
// Selects the camera's protocol adapter for the model.
int klc_select_protocol_adapter(klc_msg_q_context_t* ctx, uint8_t model);

// Starts (1) or stops (0) a capture.
int klc_shutter(klc_msg_q_context_t* ctx, uint8_t value);
int klc_app_set_mode(klc_msg_q_context_t* ctx, int mode);
int klc_app_set_mode_sub_mode(klc_msg_q_context_t* ctx, int mode, int subMode);
// Mode and flat mode; both left alone on failure.
int klc_app_get_mode_flat_mode(klc_msg_q_context_t* ctx, int* mode, int* flatMode);
int klc_app_set_capture_delay(klc_msg_q_context_t* ctx, int photoTimer);
int klc_app_set_digital_zoom(klc_msg_q_context_t* ctx, int zoom);

// Brings resolution, frame rate and field of view back to a valid combination.
int klc_video_reset_to_valid_res_fps_fov(klc_msg_q_context_t* ctx);
int klc_video_set_surge_speed_1x(klc_msg_q_context_t* ctx, int value);
int klc_video_set_surge_speed_ramp(klc_msg_q_context_t* ctx, int value);
int klc_video_set_surge_speed_ramp_active(klc_msg_q_context_t* ctx, int value);
// Whether the shutter setting suits the current frame rate.
int klc_video_validate_shutter(klc_msg_q_context_t* ctx, bool* valid);

// Manual-exposure (vantix) resets and ISO limits, as setting values.
int klc_video_vantix_reset(klc_msg_q_context_t* ctx);
int klc_video_vantix_iso_get(klc_msg_q_context_t* ctx, int* value);
int klc_video_vantix_iso_set(klc_msg_q_context_t* ctx, int value);
int klc_video_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value);
int klc_video_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value);
int klc_photo_vantix_reset(klc_msg_q_context_t* ctx);
int klc_photo_vantix_iso_get(klc_msg_q_context_t* ctx, int* value);
int klc_photo_vantix_iso_set(klc_msg_q_context_t* ctx, int value);
int klc_photo_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value);
int klc_photo_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value);
int klc_multishot_vantix_reset(klc_msg_q_context_t* ctx);
int klc_multishot_vantix_iso_get(klc_msg_q_context_t* ctx, int* value);
int klc_multishot_vantix_iso_set(klc_msg_q_context_t* ctx, int value);
int klc_multishot_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value);
int klc_multishot_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value);
// Ordinal of an ISO setting value (higher ISO, higher ordinal); -1 for an unknown value.
int klc_video_vantix_iso_number(int value);
int klc_photo_vantix_iso_number(int value);

// Lens mode and lens.
int klc_system_get_lenses(klc_msg_q_context_t* ctx, uint8_t* lensMode, uint8_t* lens);
int klc_system_get_lens_type(klc_msg_q_context_t* ctx, uint8_t* lensType);
int klc_system_get_power_profile(klc_msg_q_context_t* ctx, int8_t* profile);
// Presses a camera button: library button id and state.
int klc_system_set_button(klc_msg_q_context_t* ctx, uint8_t id, uint8_t state);

// Orientation-lock setting.
int klc_setup_get_orientation(klc_msg_q_context_t* ctx, uint8_t* orientation);
int klc_setup_set_orientation(klc_msg_q_context_t* ctx, uint8_t orientation);
// Turns an on-screen control (0..3) on or off.
int klc_settings_set_onscreen_control(klc_msg_q_context_t* ctx, int value, int control);
// Writes one setting: its id, the three words of its id-table row, the camera value.
int klc_settings_set_value_int(klc_msg_q_context_t* ctx, int setting, uint32_t rowWord1, uint32_t rowWord2,
                               uint32_t rowWord3, int value);
int klc_audio_set_audio_option(klc_msg_q_context_t* ctx, uint8_t option);
int klc_audio_set_mic_option(klc_msg_q_context_t* ctx, uint8_t option);

// Tags a moment of a recorded file; the name has nameLength bytes, without NUL.
int klc_storage_tag_file(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength, uint32_t offset,
                         uint32_t leadingWord);
int klc_storage_delete_file(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength);
int klc_storage_delete_group(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength);
// Deletes count items, passed as received.
int klc_storage_delete_list(klc_msg_q_context_t* ctx, const file_list_item_t* items, uint32_t count);

int klc_fwupdate_download_start(klc_msg_q_context_t* ctx);
int klc_fwupdate_download_cancel(klc_msg_q_context_t* ctx);
int klc_fwupdate_download_done(klc_msg_q_context_t* ctx, bool succeeded);
int klc_preset_onscreen_shortcuts_reset(klc_msg_q_context_t* ctx);

// Remote API group/id (both below 0x100). The answer forms follow klc_link_call: preset *answer
// with a buffer and *answerLength with its size, or with null and 0; the caller never frees it.
int klc_send_simple_remote_api(klc_msg_q_context_t* ctx, int group, int id);
int klc_send_remote_api_payload(klc_msg_q_context_t* ctx, int group, int id, const void* payload,
                                uint16_t length);
int klc_send_remote_api_for_response(klc_msg_q_context_t* ctx, int group, int id, uint8_t** answer,
                                     uint16_t* answerLength);
int klc_send_remote_api_payload_response(klc_msg_q_context_t* ctx, int group, int id, const void* payload,
                                         uint16_t length, uint8_t** answer, uint16_t* answerLength);
// The same calls for a named request of camera_remote_api.h.
inline int klc_send_simple_remote_api(klc_msg_q_context_t* ctx, klc_remote_api api) {
  return klc_send_simple_remote_api(ctx, klc_link_group(api), klc_link_id(api));
}
inline int klc_send_remote_api_payload(klc_msg_q_context_t* ctx, klc_remote_api api, const void* payload,
                                       uint16_t length) {
  return klc_send_remote_api_payload(ctx, klc_link_group(api), klc_link_id(api), payload, length);
}
inline int klc_send_remote_api_for_response(klc_msg_q_context_t* ctx, klc_remote_api api, uint8_t** answer,
                                            uint16_t* answerLength) {
  return klc_send_remote_api_for_response(ctx, klc_link_group(api), klc_link_id(api), answer, answerLength);
}
inline int klc_send_remote_api_payload_response(klc_msg_q_context_t* ctx, klc_remote_api api,
                                                const void* payload, uint16_t length, uint8_t** answer,
                                                uint16_t* answerLength) {
  return klc_send_remote_api_payload_response(ctx, klc_link_group(api), klc_link_id(api), payload, length,
                                              answer, answerLength);
}
// Accessory-port command of two characters; answer and answerLength may be null.
int klc_send_auxpod_command(klc_msg_q_context_t* ctx, const char* code, const void* payload, uint16_t length,
                            uint8_t** answer, uint16_t* answerLength);

// True when key occurs in text; value gets every character after it.
bool parseParam(const char* text, const char* key, std::string& value);
