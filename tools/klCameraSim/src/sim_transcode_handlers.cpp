// Transcode requests of remote-API group 12: start a job (video, or photo-based), cancel one.
#include <algorithm>
#include <cstring>
#include <string>

#include "klErrno.h"
#include "sim_handlers.h"
#include "transcode_wire.h"

namespace {

// Bytes after the name's NUL: five parameter bytes and six words, or two bytes and one word.
constexpr size_t kVideoParams = 5 + 6 * 4;
constexpr size_t kPhotoParams = 2 + 4;

// The source name, when the payload is the name, its NUL and exactly the request's parameters.
bool startSource(const klc_link_request& request, std::string& source) {
  const size_t params = request.header.id == KLC_TRANSCODE_VIDEO_START ? kVideoParams : kPhotoParams;
  const size_t searched = std::min<size_t>(request.payloadLength, KLC_TRANSCODE_MAX_NAME + 1);
  if (searched == 0) return false;  // an empty payload may come with no buffer at all
  const void* nul = std::memchr(request.payload, 0, searched);
  if (nul == nullptr) return false;
  const size_t nameLength = size_t(static_cast<const uint8_t*>(nul) - request.payload);
  if (request.payloadLength != nameLength + 1 + params) return false;
  source.assign(reinterpret_cast<const char*>(request.payload), nameLength);
  return true;
}

// A refusal answers its reason byte; an accepted job its id and estimate, big-endian.
void start(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  std::string source;
  if (!startSource(request, source)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  uint64_t id = 0;
  uint32_t estimate = 0;
  int8_t refusal = 0;
  reply.status = camera.transcodes().start(request.header.id, source, id, estimate, refusal);
  if (reply.status != KL_OK) {
    reply.answer.assign(1, uint8_t(refusal));
    return;
  }
  reply.answer.resize(KLC_TRANSCODE_START_ANSWER);
  klc_put_be64(reply.answer.data(), id);
  klc_put_be32(reply.answer.data() + KLC_TRANSCODE_ANSWER_ESTIMATE, estimate);
}

void cancel(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const bool known =
      request.payloadLength == sizeof(uint64_t) && camera.transcodes().cancel(klc_get_be64(request.payload));
  if (!known) reply.status = KL_ERR_INVALID_PARAM;
}

}  // namespace

void simAddTranscodeHandlers(SimHandlerTable& table) {
  table.add({
      {REMOTE_TRANSCODE_VIDEO_START, start},
      {REMOTE_TRANSCODE_PHOTO_START, start},
      {REMOTE_TRANSCODE_CANCEL, cancel},
  });
}
