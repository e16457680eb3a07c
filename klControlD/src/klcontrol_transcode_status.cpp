// Transcode progress: the camera reports each job's state in a status-interface notification
// whose "status=" value is "id:state:progress:file". Only the newest job is tracked.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "klLog.h"
#include "klcontrol_if_server.h"
#include "transcode_wire.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

namespace {

// Notification id of the camera's transcode progress texts.
constexpr uint32_t kCsiTranscodeProgress = 151;
constexpr const char* kUnrelated = "Got CSI Notifications for transcode that are unrelated to us. Ignoring!";

// An unsigned decimal no larger than max, closed by ':'; the cursor moves past the ':'.
bool readNumberField(const char*& cursor, uint64_t max, uint64_t& value) {
  if (!std::isdigit(static_cast<unsigned char>(*cursor))) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(cursor, &end, 10);
  if (errno == ERANGE || value > max || *end != ':') return false;
  cursor = end + 1;
  return true;
}

// The first word of the rest of the text; false when there is none.
bool readNameField(const char* cursor, std::string& name) {
  while (*cursor != '\0' && std::isspace(static_cast<unsigned char>(*cursor))) ++cursor;
  const char* end = cursor;
  while (*end != '\0' && !std::isspace(static_cast<unsigned char>(*end))) ++end;
  name.assign(cursor, end);
  return !name.empty();
}

struct ProgressText {
  uint64_t id = 0;
  uint64_t state = 0;
  uint64_t progress = 0;
  std::string name;
};

// Reads the four fields in turn, logging each; false at the first one that cannot be read.
bool parseProgressText(const char* text, ProgressText& out) {
  const char* cursor = text;
  if (!readNumberField(cursor, UINT64_MAX, out.id)) {
    LOG(UTIL_LOG_ERROR, "Error parsing id from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed id %lld from %s", static_cast<long long>(out.id), text);
  if (!readNumberField(cursor, UINT32_MAX, out.state)) {
    LOG(UTIL_LOG_ERROR, "Error parsing status from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed status %d from %s", int(out.state), text);
  if (!readNumberField(cursor, UINT32_MAX, out.progress)) {
    LOG(UTIL_LOG_ERROR, "Error parsing progress from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed progress %d from %s", int(out.progress), text);
  if (!readNameField(cursor, out.name)) {
    LOG(UTIL_LOG_ERROR, "Error parsing filename from %s", text);
    return false;
  }
  LOG(UTIL_LOG_DEBUG, "Parsed filename %s from %s", out.name.c_str(), text);
  return true;
}

}  // namespace

bool KlcontrolCommandServer::updateTranscodeStatus(const char* text) {
  ProgressText update;
  if (!parseProgressText(text, update)) return false;
  if (mTranscodeJobs.empty()) {
    LOG(UTIL_LOG_WARN, "%s", kUnrelated);
    return false;
  }
  transcode_status_t& job = mTranscodeJobs.back();
  if (job.job_id != update.id) return false;
  // A finished job keeps its last state, whatever the camera says later.
  if (klc_transcode_final(job.job_status)) {
    LOG(UTIL_LOG_WARN, "%s", kUnrelated);
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
  if (id != kCsiTranscodeProgress) return;
  std::string value;
  if (!parseParam(text.c_str(), "status=", value)) {
    LOG(UTIL_LOG_ERROR, "Transcode progress without status=: %s", text.c_str());
    return;
  }
  updateTranscodeStatus(value.c_str());
}
