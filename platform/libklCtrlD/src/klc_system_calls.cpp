// Lens, power, button, setup, audio, firmware-update and preset-shortcut calls.
#include "klc_call.h"

int klc_system_get_lenses(klc_msg_q_context_t* ctx, uint8_t* lensMode, uint8_t* lens) {
  KL_ASSERT(lensMode != nullptr && lens != nullptr);
  uint8_t answer[2];
  const int result = klc_call_get(ctx, KLC_OP_SYSTEM_GET_LENSES, &answer);
  if (result != 0) return result;
  *lensMode = answer[0];
  *lens = answer[1];
  return 0;
}

int klc_system_get_lens_type(klc_msg_q_context_t* ctx, uint8_t* lensType) {
  return klc_call_get(ctx, KLC_OP_SYSTEM_GET_LENS_TYPE, lensType);
}

int klc_system_get_power_profile(klc_msg_q_context_t* ctx, int8_t* profile) {
  return klc_call_get(ctx, KLC_OP_SYSTEM_GET_POWER_PROFILE, profile);
}

int klc_system_set_button(klc_msg_q_context_t* ctx, uint8_t id, uint8_t state) {
  const uint8_t payload[2] = {id, state};
  return klc_call_op(ctx, KLC_OP_SYSTEM_SET_BUTTON, payload, sizeof payload);
}

int klc_setup_get_orientation(klc_msg_q_context_t* ctx, uint8_t* orientation) {
  return klc_call_get(ctx, KLC_OP_SETUP_GET_ORIENTATION, orientation);
}

int klc_setup_set_orientation(klc_msg_q_context_t* ctx, uint8_t orientation) {
  return klc_call_with(ctx, KLC_OP_SETUP_SET_ORIENTATION, orientation);
}

int klc_settings_set_onscreen_control(klc_msg_q_context_t* ctx, int value, int control) {
  const int32_t payload[2] = {value, control};
  return klc_call_op(ctx, KLC_OP_SETTINGS_SET_ONSCREEN_CONTROL, payload, sizeof payload);
}

int klc_settings_set_value_int(klc_msg_q_context_t* ctx, int setting, uint32_t rowWord1, uint32_t rowWord2,
                               uint32_t rowWord3, int value) {
  const uint32_t payload[5] = {uint32_t(setting), rowWord1, rowWord2, rowWord3, uint32_t(value)};
  return klc_call_op(ctx, KLC_OP_SETTINGS_SET_VALUE_INT, payload, sizeof payload);
}

int klc_audio_set_audio_option(klc_msg_q_context_t* ctx, uint8_t option) {
  return klc_call_with(ctx, KLC_OP_AUDIO_SET_AUDIO_OPTION, option);
}

int klc_audio_set_mic_option(klc_msg_q_context_t* ctx, uint8_t option) {
  return klc_call_with(ctx, KLC_OP_AUDIO_SET_MIC_OPTION, option);
}

int klc_fwupdate_download_start(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_FWUPDATE_DOWNLOAD_START);
}

int klc_fwupdate_download_cancel(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_FWUPDATE_DOWNLOAD_CANCEL);
}

int klc_fwupdate_download_done(klc_msg_q_context_t* ctx, bool succeeded) {
  return klc_call_with(ctx, KLC_OP_FWUPDATE_DOWNLOAD_DONE, uint8_t(succeeded ? 1 : 0));
}

int klc_preset_onscreen_shortcuts_reset(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_PRESET_ONSCREEN_SHORTCUTS_RESET);
}
