// Writing one setting on the camera.
#pragma once
#include <cstdint>

#include "camera_blocks.h"

struct klc_msg_q_context_t;

// Writes one setting through the camera link, given its id-table row words (offset, width, flags)
// and the camera value; on success the value is also stored in *settings when it is not null, so
// that follow-up writes see it. 0, KL_ERR_NOT_SUPPORTED for a row the model lacks,
// KL_ERR_INVALID_PARAM for a value or place the row cannot hold, or the link's error.
int camera_if_settings_set_value_int(klc_msg_q_context_t* ctx, int setting, uint32_t offset, uint32_t width,
                                     int value, uint32_t flags, appc_setup_all_settings* settings);
