// Manual-exposure (vantix) resets and ISO limits of the video, photo and multi-shot groups.
#include "klc_call.h"

int klc_video_vantix_reset(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_VIDEO_VANTIX_RESET);
}

int klc_video_vantix_iso_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_VIDEO_VANTIX_ISO_GET, value);
}

int klc_video_vantix_iso_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_VIDEO_VANTIX_ISO_SET, value);
}

int klc_video_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_VIDEO_VANTIX_ISO_MIN_GET, value);
}

int klc_video_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_VIDEO_VANTIX_ISO_MIN_SET, value);
}

int klc_photo_vantix_reset(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_PHOTO_VANTIX_RESET);
}

int klc_photo_vantix_iso_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_PHOTO_VANTIX_ISO_GET, value);
}

int klc_photo_vantix_iso_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_PHOTO_VANTIX_ISO_SET, value);
}

int klc_photo_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_PHOTO_VANTIX_ISO_MIN_GET, value);
}

int klc_photo_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_PHOTO_VANTIX_ISO_MIN_SET, value);
}

int klc_multishot_vantix_reset(klc_msg_q_context_t* ctx) {
  return klc_call_op(ctx, KLC_OP_MULTISHOT_VANTIX_RESET);
}

int klc_multishot_vantix_iso_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_MULTISHOT_VANTIX_ISO_GET, value);
}

int klc_multishot_vantix_iso_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_MULTISHOT_VANTIX_ISO_SET, value);
}

int klc_multishot_vantix_iso_min_get(klc_msg_q_context_t* ctx, int* value) {
  return klc_call_get(ctx, KLC_OP_MULTISHOT_VANTIX_ISO_MIN_GET, value);
}

int klc_multishot_vantix_iso_min_set(klc_msg_q_context_t* ctx, int value) {
  return klc_call_with(ctx, KLC_OP_MULTISHOT_VANTIX_ISO_MIN_SET, value);
}
