// The control commands: one table of words and handlers behind SimSimulator::execute.
#include <sstream>
#include <vector>

#include "camera_link.h"
#include "klHexdump.h"
#include "sim_csi_control.h"
#include "sim_family_control.h"
#include "sim_members.h"
#include "sim_simulator.h"
#include "sim_state_file.h"
#include "sim_transcode_control.h"

namespace {

using Words = std::vector<std::string>;

struct Command {
  const char* name;
  size_t minWords;  // the command word included
  const char* usage;
  std::string (*run)(SimSimulator& sim, const Words& words, unsigned client);
};

const std::string kOk = "ok";
const char kFaultUsage[] =
    "fault G/I error E|nakoff|size LEN|drop|late MS|seq|malformed short|lying|random|dup [N|always]; fault "
    "clear";

// "group/id", each a decimal or 0x number of 16 bits.
bool parseRequest(const std::string& text, uint16_t& group, uint16_t& id) {
  const size_t slash = text.find('/');
  int64_t g = 0;
  int64_t i = 0;
  if (slash == std::string::npos || !simParseNumber(text.substr(0, slash), g) ||
      !simParseNumber(text.substr(slash + 1), i) || g < 0 || g > 0xFFFF || i < 0 || i > 0xFFFF) {
    return false;
  }
  group = uint16_t(g);
  id = uint16_t(i);
  return true;
}

// The optional count word at index; 1 when absent, "always" for a lasting fault.
bool parseCount(const Words& words, size_t index, unsigned& count, bool* lasting = nullptr) {
  if (lasting != nullptr && words.size() == index + 1 && words[index] == "always") {
    *lasting = true;
    count = 1;
    return true;
  }
  int64_t value = 1;
  if (words.size() > index + 1 || (words.size() == index + 1 && !simParseNumber(words[index], value)) ||
      value < 1 || value > 1000) {
    return false;
  }
  count = unsigned(value);
  return true;
}

// The value word of a fault kind that takes one; false with the reason.
bool faultValue(SimFault& armed, const Words& words, std::string& error) {
  const SimFaultKindRow& kind = simFaultKind(armed.kind);
  int64_t value = 0;
  if (words.size() < 4) {
    error = "error missing value";
  } else if (armed.kind == SimFaultKind::MALFORMED) {
    if (!simMalformedFromName(words[3], armed.value)) error = kind.badValue;
    return error.empty();
  } else if (!simParseNumber(words[3], value)) {
    error = "error missing value";
  } else if (value < kind.minValue || value > kind.maxValue) {
    error = kind.badValue;
  }
  armed.value = int32_t(value);
  return error.empty();
}

// fault G/I KIND [VALUE] [N|always]; fault clear
std::string fault(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  if (words[1] == "clear") {
    sim.router().faults().clear();
    return kOk;
  }
  uint16_t group = 0;
  uint16_t id = 0;
  SimFault armed{};
  if (words.size() < 3 || !parseRequest(words[1], group, id) || !simFaultKindFromName(words[2], armed.kind)) {
    return std::string("error usage: ") + kFaultUsage;
  }
  const bool valued = simFaultKind(armed.kind).hasValue;
  std::string error;
  if (valued && !faultValue(armed, words, error)) return error;
  unsigned count = 0;
  if (!parseCount(words, valued ? 4 : 3, count, &armed.lasting)) return "error bad count";
  sim.router().faults().arm(group, id, armed, count);
  return kOk;
}

std::string faults(SimSimulator& sim, const Words&, unsigned) KL_REQUIRES(sim.mutex()) {
  return "ok " + sim.router().faults().describe();
}

// event JS | event JR | event PU CODE ID | event PU (no argument)
std::string event(SimSimulator& sim, const Words& words, unsigned client) KL_REQUIRES(sim.mutex()) {
  if ((words[1] == "JS" || words[1] == "JR") && words.size() == 2)
    return sim.startSystemEvent(words[1], client);
  if (words[1] == "PU" && words.size() == 2) {
    return sim.sendPresetUpdate(0, 0, false) == 0 ? kOk : "error cannot send to the daemon";
  }
  int64_t code = 0;
  int64_t id = 0;
  if (words[1] != "PU" || words.size() != 4 || !simParseNumber(words[2], code) ||
      !simParseNumber(words[3], id) || code < 0 || code > 0xFF || id < 0 || id > 0xFFFFFFFF) {
    return "error usage: event JS|JR|PU [CODE ID]";
  }
  return sim.sendPresetUpdate(uint8_t(code), uint32_t(id)) == 0 ? kOk : "error cannot send to the daemon";
}

std::string set(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  std::string error;
  return simApplyAssignment(sim.camera(), words[1] + "=" + words[2], error) ? kOk : "error " + error;
}

std::string get(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  SimMember member{};
  int64_t value = 0;
  if (!simResolveMember(words[1], member)) return "error unknown member " + words[1];
  sim.camera().read(member.block, member.offset, member.width, member.isSigned, value);
  return "ok " + std::to_string(value);
}

std::string dump(SimSimulator& sim, const Words&, unsigned) KL_REQUIRES(sim.mutex()) {
  return "ok " + simDumpMembers(sim.camera());
}

std::string count(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  uint16_t group = 0;
  uint16_t id = 0;
  if (!parseRequest(words[1], group, id)) return "error bad request " + words[1];
  return "ok " + std::to_string(sim.router().count(group, id));
}

std::string counts(SimSimulator& sim, const Words&, unsigned) KL_REQUIRES(sim.mutex()) {
  return "ok " + sim.router().describeCounts();
}

std::string resetCounts(SimSimulator& sim, const Words&, unsigned) KL_REQUIRES(sim.mutex()) {
  sim.router().resetCounters();
  return kOk;
}

std::string payload(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  uint16_t group = 0;
  uint16_t id = 0;
  std::vector<uint8_t> bytes;
  if (!parseRequest(words[1], group, id)) return "error bad request " + words[1];
  if (!sim.router().lastPayload(group, id, bytes)) return "error no request " + words[1] + " seen";
  return "ok " + hexstring(bytes.data(), bytes.size(), false);
}

std::string model(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  int64_t number = 0;
  if (!simParseNumber(words[1], number) || number < 0 || !sim.camera().switchModel(unsigned(number))) {
    return "error unknown model " + words[1];
  }
  return kOk;
}

std::string ping(SimSimulator&, const Words&, unsigned) {
  return kOk;
}

std::string preset(SimSimulator& sim, const Words& words, unsigned) KL_REQUIRES(sim.mutex()) {
  int64_t id = 0;
  const SimPreset* found = nullptr;
  if (simParseNumber(words[1], id) && id >= 0 && id <= 0xFFFFFFFF)
    found = sim.camera().presets().find(uint32_t(id));
  if (found == nullptr) return "error unknown preset " + words[1];
  return std::string("ok edited=") + (found->edited ? "1" : "0");
}

std::string edit(SimSimulator& sim, const Words&, unsigned) KL_REQUIRES(sim.mutex()) {
  const SimPresetStore& presets = sim.camera().presets();
  return presets.editOpen() ? "ok open " + std::to_string(presets.editedPreset()) : "ok closed";
}

const Command kCommands[] = {
    {"ping", 1, "ping", ping},
    {"fault", 2, kFaultUsage, fault},
    {"faults", 1, "faults", faults},
    {"event", 2, "event JS|JR|PU [CODE ID]", event},
    {"csi", 1, "csi | csi send CN ID TEXT|CU ID VALUE|CR STATUS|CI ID STATUS|CODE", simControlCsi},
    {"sleep-events", 1, "sleep-events | sleep-events on|off", simControlSleepEvents},
    {"set", 3, "set MEMBER VALUE", set},
    {"get", 2, "get MEMBER", get},
    {"dump", 1, "dump", dump},
    {"count", 2, "count G/I", count},
    {"counts", 1, "counts", counts},
    {"reset-counts", 1, "reset-counts", resetCounts},
    {"payload", 2, "payload G/I", payload},
    {"model", 2, "model N", model},
    {"preset", 2, "preset ID", preset},
    {"edit", 1, "edit", edit},
    {"transcode", 1, "transcode | transcode step [N] | transcode refuse REASON [N]", simControlTranscode},
    {"drift", 1, "drift | drift on|off | drift step [N]", simControlDrift},
    {"card", 1, "card | card add video|photo [FILES]", simControlCard},
    {"tags", 2, "tags NAME", simControlTags},
    {"wifi", 1, "wifi", simControlWifi},
    {"network", 4, "network NAME AUTH SIGNAL", simControlNetwork},
};

}  // namespace

std::string SimSimulator::execute(const std::string& line, unsigned client) {
  std::istringstream in(line);
  Words words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty()) return "error empty command";
  for (const Command& command : kCommands) {
    if (words[0] != command.name) continue;
    if (words.size() < command.minWords) return std::string("error usage: ") + command.usage;
    // A camera woken from the control interface tells the daemon, as one woken by a request does.
    KlLock lock(mMutex);
    const uint8_t powerBefore = mCamera.system().power_state;
    const std::string reply = command.run(*this, words, client);
    announcePower(powerBefore, mCamera.system().power_state);
    return reply;
  }
  return "error unknown command " + words[0];
}
