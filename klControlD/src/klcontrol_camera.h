// The camera the daemon controls, as every file reaches it: the one camera-control context of the
// process and the camera's model number (klcontrol_if_server.cpp).
#pragma once

#include <cstdint>

#include "klCtrlD.h"

// The camera-control context of every camera call: the command server's m_cameraContext.
klc_msg_q_context_t* klcontrol_camera();

// The camera model number, cached after the first successful read; 0 or the read's error number.
int _get_model_number(uint8_t* model);
// _get_model_number that logs failureLine on the error level when the model cannot be read.
int klcontrol_model_number(uint8_t* model, const char* failureLine);
// Forgets the cached model number (tests switch the simulated camera's model).
void _reset_model_number_cache();
// The camera model number, or CAMERA_DEFAULT_MODEL when it cannot be read.
uint8_t klcontrol_model_or_default();
