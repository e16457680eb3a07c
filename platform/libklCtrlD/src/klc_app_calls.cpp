// Model, mode, capture and video calls.
#include "klc_call.h"

static_assert(sizeof(int) == sizeof(int32_t), "int values travel as 32 bits");

int klc_state_get_model_number(klc_msg_q_context_t* ctx, uint8_t* model) {
  return klc_call_get(ctx, KLC_OP_STATE_GET_MODEL_NUMBER, model);
}

int klc_select_protocol_adapter(klc_msg_q_context_t* ctx, uint8_t model) {
  return klc_call_with(ctx, KLC_OP_STATE_SELECT_PROTOCOL_ADAPTER, model);
}

int klc_shutter(klc_msg_q_context_t* ctx, uint8_t value) {
  return klc_call_with(ctx, KLC_OP_APP_SHUTTER, value);
}

int klc_app_set_mode(klc_msg_q_context_t* ctx, int mode) {
  return klc_call_with(ctx, KLC_OP_APP_SET_MODE, mode);
}

int klc_app_set_mode_sub_mode(klc_msg_q_context_t* ctx, int mode, int subMode) {
  const int32_t payload[2] = {mode, subMode};
  return klc_call_op(ctx, KLC_OP_APP_SET_MODE_SUB_MODE, payload, sizeof payload);
}

int klc_app_get_mode_flat_mode(klc_msg_q_context_t* ctx, int* mode, int* flatMode) {
  KL_ASSERT(mode != nullptr && flatMode != nullptr);
  int32_t answer[2];
  const int result = klc_call_get(ctx, KLC_OP_APP_GET_MODE_FLAT_MODE, &answer);
  if (result != 0) return result;
  *mode = answer[0];
  *flatMode = answer[1];
  return 0;
}

int klc_app_set_capture_delay(klc_msg_q_context_t* ctx, int photoTimer) {
  return klc_call_with(ctx, KLC_OP_APP_SET_CAPTURE_DELAY, photoTimer);
}

int klc_app_set_digital_zoom(klc_msg_q_context_t* ctx, int zoom) {
  return klc_call_with(ctx, KLC_OP_APP_SET_DIGITAL_ZOOM, zoom);
}

int klc_video_reset_to_valid_res_fps_fov(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_VIDEO_RESET_TO_VALID_RES_FPS_FOV);
}

int klc_video_set_surge_speed_1x(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_VIDEO_SET_SURGE_SPEED_1X, value);
}

int klc_video_set_surge_speed_ramp(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP, value);
}

int klc_video_set_surge_speed_ramp_active(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP_ACTIVE, value);
}

int klc_video_validate_shutter(klc_msg_q_context_t* ctx, bool* valid) {
  KL_ASSERT(valid != nullptr);
  uint8_t answer = 0;
  const int result = klc_call_get(ctx, KLC_OP_VIDEO_VALIDATE_SHUTTER, &answer);
  if (result == 0) *valid = answer != 0;
  return result;
}
