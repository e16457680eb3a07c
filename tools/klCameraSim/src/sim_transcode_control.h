// Transcode jobs at the control interface, and their progress texts on their way to the daemon as
// status-interface notifications.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim_simulator.h"

// transcode: the jobs; transcode step [N]: N steps; transcode refuse REASON [N]: the next N starts
// are refused with the reason byte.
std::string simControlTranscode(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
// Sends every pending progress text to the daemon.
void simSendTranscodeProgress(SimCamera& camera);
