// Control commands of the wireless side.
#include "sim_family_control.h"
#include "sim_members.h"
#include "sim_simulator.h"

std::string simControlWifi(SimSimulator& sim, const std::vector<std::string>&, unsigned) {
  const SimWireless& wireless = sim.camera().wireless();
  std::string saved;
  for (const std::string& name : wireless.savedNames()) saved += (saved.empty() ? "" : ",") + name;
  return "ok ap_name=" + wireless.apName() + " ap_password=" + wireless.apPassword() +
         " scan_id=" + std::to_string(wireless.scanId()) + " joined=" + wireless.joined() + " saved=" + saved;
}

std::string simControlNetwork(SimSimulator& sim, const std::vector<std::string>& words, unsigned) {
  int64_t auth = 0;
  int64_t signal = 0;
  if (words.size() != 4 || words[1].size() > 115 || !simParseNumber(words[2], auth) || auth < 0 ||
      auth > 255 || !simParseNumber(words[3], signal) || signal < INT32_MIN || signal > INT32_MAX) {
    return "error usage: network NAME AUTH SIGNAL";
  }
  sim.camera().wireless().addInReach({words[1], uint8_t(auth), int32_t(signal)});
  return "ok";
}
