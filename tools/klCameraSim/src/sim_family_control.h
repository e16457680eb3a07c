// Control commands that show and prepare the state of the card and of the wireless side; rows of
// the control command table. Each takes the command's words and answers one reply line.
#pragma once
#include <string>
#include <vector>

class SimSimulator;

// card: the file names; card add video|photo [FILES]: a new capture, answered with its number.
std::string simControlCard(SimSimulator& sim, const std::vector<std::string>& words, unsigned client);
// tags NAME: the tags of a file as OFFSET:KIND.
std::string simControlTags(SimSimulator& sim, const std::vector<std::string>& words, unsigned client);
// wifi: access point name and password, scan id, joined network and saved networks.
std::string simControlWifi(SimSimulator& sim, const std::vector<std::string>& words, unsigned client);
// network NAME AUTH SIGNAL: puts a network in reach of the next scan.
std::string simControlNetwork(SimSimulator& sim, const std::vector<std::string>& words, unsigned client);
