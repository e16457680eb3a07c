// Everything the daemon uses of the camera-info library.
#pragma once
#include "CameraFactory.h"
#include "InfoHandler.h"
#include "camera_if_settings.h"
#include "camera_json.h"
#include "camera_settings_table.h"
