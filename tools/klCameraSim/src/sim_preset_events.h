// "PU" events from the simulated camera to the daemon's queue.
#pragma once

#include "sim_camera.h"

// Sends the events the last request caused, and a switch event when the active preset changed (only
// forgets them when send is false). The daemon's queue is never waited for: with it full or absent the
// events are dropped (logged).
void simPresetEventsAfterRequest(SimCamera& camera, bool send);
