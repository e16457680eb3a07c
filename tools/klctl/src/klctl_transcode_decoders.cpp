#include "klctl_transcode_decoders.h"

#include <algorithm>
#include <cstring>

namespace {

// The record's layout on the wire: numbers in host byte order, names NUL-terminated in 257 bytes.
constexpr size_t kRecordSize = 552;
constexpr size_t kNameField = 257;
constexpr size_t kSourceName = 0;
constexpr size_t kJobId = 264;
constexpr size_t kJobStatus = 272;
constexpr size_t kFailReason = 276;
constexpr size_t kEstimate = 280;
constexpr size_t kProgress = 284;
constexpr size_t kOutputName = 288;

template <typename T>
T valueAt(const uint8_t* record, size_t offset) {
  T value{};
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

std::string nameAt(const uint8_t* record, size_t offset) {
  const char* name = reinterpret_cast<const char*>(record + offset);
  return std::string(name, strnlen(name, kNameField));
}

std::string recordText(const uint8_t* record) {
  if (std::all_of(record, record + kRecordSize, [](uint8_t byte) { return byte == 0; })) return "empty";
  const uint32_t state = valueAt<uint32_t>(record, kJobStatus);
  // 2, 3 and 4 are final: the job no longer changes.
  const bool final = state >= 2 && state <= 4;
  return "job " + std::to_string(valueAt<uint64_t>(record, kJobId)) + ", state " + std::to_string(state) +
         (final ? " (final)" : "") + ", progress " + std::to_string(valueAt<uint32_t>(record, kProgress)) +
         ", estimate " + std::to_string(valueAt<uint32_t>(record, kEstimate)) + " s, reason " +
         std::to_string(valueAt<int32_t>(record, kFailReason)) + ", source " + nameAt(record, kSourceName) +
         ", output " + nameAt(record, kOutputName);
}

}  // namespace

std::string klctlDecodeTranscodeRecord(const std::vector<uint8_t>& payload) {
  return payload.size() == kRecordSize ? recordText(payload.data()) : "";
}

std::string klctlDecodeTranscodeHistory(const std::vector<uint8_t>& payload) {
  if (payload.size() != 2 * kRecordSize) return "";
  return "slot 0: " + recordText(payload.data()) + "; slot 1: " + recordText(payload.data() + kRecordSize);
}
