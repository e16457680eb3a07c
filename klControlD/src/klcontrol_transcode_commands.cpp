// Transcode commands: start jobs on the camera, keep the records of the newest two, and answer
// history, status and cancel from those records. Every answer carries whole 552-byte records.
#include <algorithm>
#include <cstring>
#include <string>

#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "transcode_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr size_t MAX_JOBS = 2;
// Start request argument: the name field, then P0 to P10 as 32-bit host-order words.
constexpr size_t FIRST_PARAM_OFFSET = 260;
// Widths of a parameter in a start payload.
enum : uint8_t { BYTE = 1, BIG_ENDIAN_WORD = 4 };

// One parameter of a start payload: which P, and whether it goes as its low byte or as 32 bits.
struct ParamField {
  uint8_t index;
  uint8_t width;
};

}  // namespace

struct KlcontrolCommandServer::TranscodeStartKind {
  const char* name;  // logged once the argument is accepted
  klc_remote_api api;
  ParamField fields[11];  // in payload order, after the name and its NUL
  size_t fieldCount;
  const char* startedFormat;  // id and estimate of an accepted job; null when not logged
  bool logsFailure;
};

namespace {

using Kind = KlcontrolCommandServer::TranscodeStartKind;

const Kind VIDEO = {"KLCONTROL_TRANSCODE_VIDEO_REQUEST:",
                    REMOTE_TRANSCODE_VIDEO_START,
                    {{1, BYTE},
                     {2, BYTE},
                     {0, BYTE},
                     {3, BYTE},
                     {4, BYTE},
                     {5, BIG_ENDIAN_WORD},
                     {6, BIG_ENDIAN_WORD},
                     {7, BIG_ENDIAN_WORD},
                     {8, BIG_ENDIAN_WORD},
                     {9, BIG_ENDIAN_WORD},
                     {10, BIG_ENDIAN_WORD}},
                    11,
                    "Transcode started, id=%lld, completion estimation:%d seconds.",
                    true};
const Kind PHOTO_TO_VIDEO = {"KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST:",
                             REMOTE_TRANSCODE_PHOTO_START,
                             {{0, BYTE}, {1, BIG_ENDIAN_WORD}, {2, BYTE}},
                             3,
                             "Transcode photo_to_video started, id=%lld, completion estimation:%d seconds.",
                             false};
const Kind TO_PHOTO = {"KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST:",
                       REMOTE_TRANSCODE_PHOTO_START,
                       {{0, BYTE}, {1, BYTE}, {2, BIG_ENDIAN_WORD}},
                       3,
                       nullptr,
                       false};

// The name (at most 256 characters), its NUL, then the kind's parameters; the payload length.
uint16_t buildStartPayload(const MsgElement* arg, const Kind& kind, uint8_t* payload) {
  const std::string name = klcontrol_arg_text(arg, 0, KLC_TRANSCODE_MAX_NAME);
  std::memcpy(payload, name.data(), name.size());
  size_t at = name.size() + 1;
  for (size_t i = 0; i < kind.fieldCount; ++i) {
    const uint32_t value = klcontrol_arg_word(arg, FIRST_PARAM_OFFSET + kind.fields[i].index * sizeof value);
    if (kind.fields[i].width == BYTE) {
      payload[at] = uint8_t(value);
    } else {
      klc_put_be32(payload + at, value);
    }
    at += kind.fields[i].width;
  }
  return uint16_t(at);
}

// Id and estimate from the camera's answer; a missing answer leaves both 0, a wrong one is logged.
void readStartAnswer(const uint8_t* answer, uint16_t length, transcode_status_t& record) {
  if (answer == nullptr || length == 0) return;
  if (length != KLC_TRANSCODE_START_ANSWER) {
    LOG(UTIL_LOG_ERROR, "Invalid response size %d expected %d", int(length), int(KLC_TRANSCODE_START_ANSWER));
    return;
  }
  record.job_id = klc_get_be64(answer);
  record.estimate_s = klc_get_be32(answer + KLC_TRANSCODE_ANSWER_ESTIMATE);
}

uint64_t jobIdOf(const MsgElement* arg) {
  uint64_t id = 0;
  klcontrol_arg_bytes(arg, 0, &id, sizeof id);
  return id;
}

std::string sourceNameOf(const transcode_status_t& record) {
  return std::string(record.source_name, strnlen(record.source_name, sizeof record.source_name));
}

}  // namespace

int32_t KlcontrolCommandServer::TranslateTranscodeError(int8_t refusal) {
  switch (refusal) {
    case -7:
      return -1;
    case -8:
      return -2;
    case -9:
      return -3;
    case -10:
      return -4;
    default:
      return -256;
  }
}

int KlcontrolCommandServer::startTranscode(Msg& msg, const MsgElement* arg, const TranscodeStartKind& kind) {
  LOG(UTIL_LOG_DEBUG, "%s", kind.name);
  transcode_status_t record{};
  klcontrol_arg_bytes(arg, 0, record.source_name, sizeof record.source_name);
  uint8_t payload[KLCONTROL_BUFFER_SIZE] = {};
  const uint16_t length = buildStartPayload(arg, kind, payload);
  uint8_t* answer = nullptr;
  uint16_t answerLength = 0;
  const int status = klc_send_remote_api_payload_response(klcontrol_camera(), kind.api, payload, length,
                                                          &answer, &answerLength);
  if (status != KL_OK) {
    LOG(UTIL_LOG_ERROR, "Got a NAK on transcode request");
    record.job_status = KLC_TRANSCODE_REFUSED;
    record.fail_reason = TranslateTranscodeError(klcontrol_camera()->transcode_refusal);
    if (kind.logsFailure) {
      LOG(UTIL_LOG_ERROR, "Transcode on %s FAILED. Failure reason:%d", sourceNameOf(record).c_str(),
          record.fail_reason);
    }
    sendResponse(msg, status, &record, sizeof record);
    return status;
  }
  readStartAnswer(answer, answerLength, record);
  if (kind.startedFormat != nullptr) {
    LOG(UTIL_LOG_DEBUG, kind.startedFormat, static_cast<long long>(record.job_id), int(record.estimate_s));
  }
  mTranscodeJobs.push_back(record);
  if (mTranscodeJobs.size() > MAX_JOBS) mTranscodeJobs.pop_front();
  sendResponse(msg, KL_OK, &record, sizeof record);
  return KL_OK;
}

int KlcontrolCommandServer::cmdTranscodeVideoRequest(Msg& msg, MsgElement* arg) {
  return startTranscode(msg, arg, VIDEO);
}

int KlcontrolCommandServer::cmdTranscodePhotoToVideoRequest(Msg& msg, MsgElement* arg) {
  return startTranscode(msg, arg, PHOTO_TO_VIDEO);
}

int KlcontrolCommandServer::cmdTranscodeToPhotoRequest(Msg& msg, MsgElement* arg) {
  return startTranscode(msg, arg, TO_PHOTO);
}

// Two slots, oldest first; a slot without a job stays zero.
int KlcontrolCommandServer::cmdTranscodeHistory(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_TRANSCODE_HISTORY:");
  transcode_status_t slots[MAX_JOBS] = {};
  const size_t count = std::min(MAX_JOBS, mTranscodeJobs.size());
  std::copy(mTranscodeJobs.end() - long(count), mTranscodeJobs.end(), slots);
  sendResponse(msg, KL_OK, slots, sizeof slots);
  return KL_OK;
}

bool KlcontrolCommandServer::newestTranscodeJob(uint64_t jobId, transcode_status_t& record) const {
  record = transcode_status_t{};
  if (mTranscodeJobs.empty() || mTranscodeJobs.back().job_id != jobId) return false;
  record = mTranscodeJobs.back();
  return true;
}

// Only the newest job is looked at; an older one answers like an unknown id.
int KlcontrolCommandServer::cmdTranscodeStatus(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_TRANSCODE_STATUS:");
  transcode_status_t record{};
  const int status = newestTranscodeJob(jobIdOf(arg), record) ? KL_OK : KL_ERR_INVALID_PARAM;
  sendResponse(msg, status, &record, sizeof record);
  return status;
}

// The record stays as it is: the camera reports the cancelled state in a progress text.
int KlcontrolCommandServer::cmdTranscodeCancel(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_TRANSCODE_CANCEL:");
  const uint64_t jobId = jobIdOf(arg);
  uint8_t payload[sizeof jobId];
  klc_put_be64(payload, jobId);
  const int status =
      klc_send_remote_api_payload(klcontrol_camera(), REMOTE_TRANSCODE_CANCEL, payload, sizeof payload);
  transcode_status_t record{};
  newestTranscodeJob(jobId, record);
  sendResponse(msg, status, &record, sizeof record);
  return status;
}
