// Control commands that show and prepare the state of the card, of the wireless side and of the
// camera's clock; rows of the control command table. Each takes the command's words and answers one
// reply line, holding the simulator's mutex.
#pragma once
#include <string>
#include <vector>

#include "sim_simulator.h"

// card: the file names; card add video|photo [FILES]: a new capture, answered with its number.
std::string simControlCard(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
// tags NAME: the tags of a file as OFFSET:KIND.
std::string simControlTags(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
// wifi: access point name and password, scan id, joined network and saved networks.
std::string simControlWifi(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
// network NAME AUTH SIGNAL: puts a network in reach of the next scan.
std::string simControlNetwork(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
// drift: "ok on" or "ok off"; drift on|off; drift step [N]: N seconds (default 1) at once.
std::string simControlDrift(SimSimulator& sim, const std::vector<std::string>& words, unsigned client)
    KL_REQUIRES(sim.mutex());
