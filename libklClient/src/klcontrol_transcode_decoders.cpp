#include "klcontrol_transcode_decoders.h"

#include <algorithm>
#include <cstring>

#include "camera_blocks.h"
#include "transcode_wire.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kRecordSize = sizeof(transcode_status_t);

template <size_t N>
std::string nameOf(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

Json record(const uint8_t* bytes) {
  if (std::all_of(bytes, bytes + kRecordSize, [](uint8_t byte) { return byte == 0; }))
    return {{"empty", true}};
  transcode_status_t job;
  std::memcpy(&job, bytes, kRecordSize);
  return {{"job", job.job_id},
          {"state", job.job_status},
          {"final", klc_transcode_final(job.job_status)},
          {"progress", job.progress},
          {"estimate_s", job.estimate_s},
          {"reason", job.fail_reason},
          {"source", nameOf(job.source_name)},
          {"output", nameOf(job.output_name)}};
}

std::string number(const Json& value) {
  return value.is_number_unsigned() ? std::to_string(value.get<uint64_t>())
                                    : std::to_string(value.get<int64_t>());
}

}  // namespace

Json klcontrol_transcode_record_json(const std::vector<uint8_t>& payload) {
  return payload.size() == kRecordSize ? record(payload.data()) : Json();
}

std::string klcontrol_transcode_record_text(const Json& job) {
  if (job.contains("empty")) return "empty";
  return "job " + number(job["job"]) + ", state " + number(job["state"]) +
         (job["final"].get<bool>() ? " (final)" : "") + ", progress " + number(job["progress"]) +
         ", estimate " + number(job["estimate_s"]) + " s, reason " + number(job["reason"]) + ", source " +
         job["source"].get<std::string>() + ", output " + job["output"].get<std::string>();
}

Json klcontrol_transcode_history_json(const std::vector<uint8_t>& payload) {
  if (payload.size() != 2 * kRecordSize) return nullptr;
  return {{"slots", Json::array({record(payload.data()), record(payload.data() + kRecordSize)})}};
}

std::string klcontrol_transcode_history_text(const Json& history) {
  return "slot 0: " + klcontrol_transcode_record_text(history["slots"][0]) +
         "; slot 1: " + klcontrol_transcode_record_text(history["slots"][1]);
}
