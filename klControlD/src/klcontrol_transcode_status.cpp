// Transcode progress: the camera reports each job's state in a status-interface notification
// whose "status=" value is "id:state:progress:file". Only the newest job is tracked.
#include <algorithm>
#include <cstring>
#include <string>

#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_transcode_progress.h"
#include "transcode_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr const char* UNRELATED = "Got CSI Notifications for transcode that are unrelated to us. Ignoring!";

}  // namespace

bool KlcontrolCommandServer::updateTranscodeStatus(const char* text) {
  klcontrol_progress_text_t update;
  if (!klcontrol_parse_progress_text(text, update)) return false;
  if (mTranscodeJobs.empty()) {
    LOG(UTIL_LOG_WARN, "%s", UNRELATED);
    return false;
  }
  transcode_status_t& job = mTranscodeJobs.back();
  if (job.job_id != update.id) return false;
  // A finished job keeps its last state, whatever the camera says later.
  if (klc_transcode_final(job.job_status)) {
    LOG(UTIL_LOG_WARN, "%s", UNRELATED);
    return false;
  }
  job.job_status = uint32_t(update.state);
  job.progress = uint32_t(update.progress);
  LOG(UTIL_LOG_DEBUG, "Updating status for Id:%lld", static_cast<long long>(update.id));
  std::replace(update.name.begin(), update.name.end(), '\\', '/');
  std::memset(job.output_name, 0, sizeof job.output_name);
  std::memcpy(job.output_name, update.name.data(), std::min(update.name.size(), sizeof job.output_name - 1));
  return true;
}

// Runs inside reception (worker thread, mCommandMutex held), so the job records need no lock.
void KlcontrolCommandServer::onCsiNotification(uint32_t id, const std::string& text) {
  if (id != KLC_CSI_TRANSCODE_PROGRESS) return;
  std::string value;
  if (!parseParam(text.c_str(), "status=", value)) {
    LOG(UTIL_LOG_ERROR, "Transcode progress without status=: %s", text.c_str());
    return;
  }
  updateTranscodeStatus(value.c_str());
}
