// Control commands of the camera-status service and of the sleep events; rows of the control command
// table. Each takes the command's words and answers one reply line.
#pragma once
#include <string>
#include <vector>

#include "sim_simulator.h"

// csi: subscriptions, values written, requests; csi send CODE [WORDS]: a service message to the daemon.
std::string simControlCsi(SimSimulator& sim, const std::vector<std::string>& words, unsigned client);
// sleep-events [on|off]: whether "JS"/"JR" go out as the camera sleeps and wakes.
std::string simControlSleepEvents(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
