#include "klctl_settings_status_decoders.h"

namespace {

constexpr size_t STATUS_SIZE = 384;
constexpr size_t SETTINGS_SIZE = 238;
constexpr size_t SNAPSHOT_SIZE = 624;

// One member: its label, block offset, width in bytes and whether it is signed.
struct Member {
  const char* label;
  size_t offset;
  unsigned width;
  bool isSigned;
};

const Member kStatusMembers[] = {
    {"mode", 0, 1, true},           {"sub-mode", 1, 1, true},       {"zoom", 5, 1, false},
    {"battery %", 6, 1, false},     {"preset group", 19, 4, false}, {"modified preset", 27, 4, false},
    {"encoding", 34, 1, true},      {"busy", 35, 1, true},          {"recording s", 36, 4, false},
    {"photos", 48, 4, false},       {"videos", 52, 4, false},       {"sd status", 64, 1, true},
    {"temperature C", 70, 1, true}, {"orientation", 246, 1, true},
};

const Member kSettingsMembers[] = {
    {"flat mode", 25, 1, true},
    {"video resolution", 42, 1, true},
    {"video lens", 43, 1, true},
    {"video fps", 44, 1, true},
    {"zoom", 55, 1, true},
    {"photo timer", 82, 1, true},
    {"auto-off enabled", 227, 1, true},
    {"auto-off", 229, 1, true},
};

long long valueAt(const uint8_t* block, const Member& member) {
  uint32_t raw = 0;
  for (unsigned i = 0; i < member.width; ++i) raw |= uint32_t(block[member.offset + i]) << (8 * i);
  if (member.isSigned && member.width == 1) return int8_t(raw);
  return raw;
}

template <size_t N>
std::string describe(const uint8_t* block, const Member (&members)[N]) {
  std::string text;
  for (const Member& member : members) {
    if (!text.empty()) text += ", ";
    text += std::string(member.label) + " " + std::to_string(valueAt(block, member));
  }
  return text;
}

}  // namespace

std::string klctlDecodeStatusBlock(const std::vector<uint8_t>& payload) {
  return payload.size() == STATUS_SIZE ? describe(payload.data(), kStatusMembers) : "";
}

std::string klctlDecodeSettingsBlock(const std::vector<uint8_t>& payload) {
  return payload.size() == SETTINGS_SIZE ? describe(payload.data(), kSettingsMembers) : "";
}

std::string klctlDecodeSnapshot(const std::vector<uint8_t>& payload) {
  if (payload.size() != SNAPSHOT_SIZE) return "";
  const uint8_t* bytes = payload.data();
  return "status: " + describe(bytes, kStatusMembers) +
         "; settings: " + describe(bytes + STATUS_SIZE, kSettingsMembers) + "; lens mode " +
         std::to_string(int8_t(bytes[STATUS_SIZE + SETTINGS_SIZE])) + ", lens " +
         std::to_string(int8_t(bytes[STATUS_SIZE + SETTINGS_SIZE + 1]));
}
