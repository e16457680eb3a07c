#include "klctl_transcode_decoders.h"

#include <algorithm>
#include <cstring>

#include "camera_blocks.h"
#include "transcode_wire.h"

namespace {

constexpr size_t kRecordSize = sizeof(transcode_status_t);

template <size_t N>
std::string nameOf(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

std::string recordText(const uint8_t* bytes) {
  if (std::all_of(bytes, bytes + kRecordSize, [](uint8_t byte) { return byte == 0; })) return "empty";
  transcode_status_t record;
  std::memcpy(&record, bytes, kRecordSize);
  return "job " + std::to_string(record.job_id) + ", state " + std::to_string(record.job_status) +
         (klc_transcode_final(record.job_status) ? " (final)" : "") + ", progress " +
         std::to_string(record.progress) + ", estimate " + std::to_string(record.estimate_s) + " s, reason " +
         std::to_string(record.fail_reason) + ", source " + nameOf(record.source_name) + ", output " +
         nameOf(record.output_name);
}

}  // namespace

std::string klctlDecodeTranscodeRecord(const std::vector<uint8_t>& payload) {
  return payload.size() == sizeof(transcode_status_t) ? recordText(payload.data()) : "";
}

std::string klctlDecodeTranscodeHistory(const std::vector<uint8_t>& payload) {
  if (payload.size() != 2 * sizeof(transcode_status_t)) return "";
  return "slot 0: " + recordText(payload.data()) +
         "; slot 1: " + recordText(payload.data() + sizeof(transcode_status_t));
}
