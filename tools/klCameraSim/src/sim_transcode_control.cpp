#include "sim_transcode_control.h"

#include <cstring>

#include "camera_link.h"
#include "klTlv.h"
#include "sim_csi_service.h"
#include "sim_events.h"
#include "sim_log.h"
#include "sim_members.h"
#include "sim_simulator.h"
#include "transcode_wire.h"

namespace {

constexpr int64_t kMaxRepeat = 1000;

// The optional count at index: 1 when absent.
bool repeatCount(const std::vector<std::string>& words, size_t index, int64_t& count) {
  count = 1;
  if (words.size() > index + 1) return false;
  if (words.size() == index + 1 && !simParseNumber(words[index], count)) return false;
  return count >= 1 && count <= kMaxRepeat;
}

std::string listJobs(const SimCamera& camera) {
  std::string reply = "ok";
  for (const SimTranscodeJob& job : camera.transcodes().jobs()) {
    reply += " " + std::to_string(job.id) + ":" + std::to_string(job.state) + ":" +
             std::to_string(job.progress) + ":" + job.output;
  }
  return reply;
}

}  // namespace

std::string simControlTranscode(SimSimulator& sim, const std::vector<std::string>& words, unsigned) {
  SimCamera& camera = sim.camera();
  int64_t count = 0;
  int64_t reason = 0;
  if (words.size() == 1) return listJobs(camera);
  if (words[1] == "step" && repeatCount(words, 2, count)) {
    for (int64_t i = 0; i < count; ++i) camera.transcodes().step();
    simSendTranscodeProgress(camera);
    return "ok";
  }
  if (words[1] == "refuse" && words.size() >= 3 && simParseNumber(words[2], reason) && reason >= -128 &&
      reason <= 255 && repeatCount(words, 3, count)) {
    camera.transcodes().refuseNext(int8_t(reason), unsigned(count));
    return "ok";
  }
  return "error usage: transcode | transcode step [N] | transcode refuse REASON [N]";
}

void simSendTranscodeProgress(SimCamera& camera) {
  for (const std::string& text : camera.transcodes().takeProgressTexts()) {
    uint8_t msg[KLMSG_MAX];
    const int length =
        simBuildCsiMessage(msg, sizeof msg, simCsiNotification(KLC_CSI_TRANSCODE_PROGRESS, text));
    if (length <= 0 || simSendToDaemon(msg, length) != 0)
      simLog("transcode progress not sent: %s", text.c_str());
  }
}
