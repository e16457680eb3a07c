#include "sim_csi_control.h"

#include <cstring>

#include "sim_members.h"
#include "sim_simulator.h"

namespace {

using Words = std::vector<std::string>;

const char kCsiUsage[] = "error usage: csi | csi send CN ID TEXT|CU ID VALUE|CR STATUS|CI ID STATUS|CODE";

// words[from..] as 32-bit numbers (signed or unsigned), appended to the bytes.
bool appendWords(const Words& words, size_t from, size_t count, std::vector<uint8_t>& bytes) {
  for (size_t i = from; i < from + count; ++i) {
    int64_t value = 0;
    if (i >= words.size() || !simParseNumber(words[i], value) || value < INT32_MIN || value > UINT32_MAX)
      return false;
    const uint32_t word = uint32_t(value);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&word);
    bytes.insert(bytes.end(), raw, raw + sizeof word);
  }
  return true;
}

// The message of "csi send CODE [WORDS]": CN ID TEXT, CU ID VALUE, CR STATUS, CI ID STATUS; the code
// alone carries no argument and no status.
bool buildMessage(const Words& words, SimCsiMessage& message) {
  message.code = words[2];
  const size_t given = words.size() - 3;
  if (message.code.size() != 2) return false;
  if (given == 0) return true;
  if (message.code == "CN") {
    message.hasArgument = appendWords(words, 3, 1, message.argument);
    for (size_t i = 4; i < words.size(); ++i) {
      const std::string text = (i > 4 ? " " : "") + words[i];
      message.argument.insert(message.argument.end(), text.begin(), text.end());
    }
    return message.hasArgument;
  }
  const size_t argumentWords = message.code == "CU" ? 2 : message.code == "CI" ? 1 : 0;
  const size_t statusWords = message.code == "CR" || message.code == "CI" ? 1 : 0;
  std::vector<uint8_t> status;
  if (given != argumentWords + statusWords || !appendWords(words, 3, argumentWords, message.argument) ||
      !appendWords(words, 3 + argumentWords, statusWords, status)) {
    return false;
  }
  message.hasArgument = argumentWords > 0;
  message.hasStatus = statusWords > 0;
  if (message.hasStatus) std::memcpy(&message.status, status.data(), sizeof message.status);
  return true;
}

}  // namespace

std::string simControlCsi(SimSimulator& sim, const Words& words, unsigned) {
  if (words.size() == 1) return "ok " + sim.csi().describe();
  SimCsiMessage message;
  if (words[1] != "send" || words.size() < 3 || !buildMessage(words, message)) return kCsiUsage;
  return sim.sendCsi(message) == 0 ? "ok" : "error cannot send to the daemon";
}

std::string simControlSleepEvents(SimSimulator& sim, const Words& words, unsigned) {
  if (words.size() == 1) return sim.sleepEvents() ? "ok on" : "ok off";
  if (words.size() != 2 || (words[1] != "on" && words[1] != "off"))
    return "error usage: sleep-events [on|off]";
  sim.setSleepEvents(words[1] == "on");
  return "ok";
}
