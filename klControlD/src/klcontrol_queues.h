// Fixed names and sizes of the daemon's side of the message queues; the request queue's name is the
// clients' (klcontrol_endpoints.h).
#pragma once

#include "camera_link.h"
#include "klcontrol_endpoints.h"

// Where the camera-control library's replies come back.
constexpr const char* KLCONTROL_REPLY_QUEUE = "/to_klCtlD2";
constexpr const char* KLCONTROL_KLNET_QUEUE = KLC_LINK_CAMERA_QUEUE;
constexpr long KLCONTROL_QUEUE_DEPTH = 5;
// The largest message either queue holds; also the size of the receive and response buffers.
constexpr unsigned KLCONTROL_BUFFER_SIZE = 1500;
