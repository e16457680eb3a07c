#include "sim_transcode_jobs.h"

#include <cstdio>

#include "klErrno.h"
#include "transcode_wire.h"

namespace {

constexpr uint32_t kProgressStep = 100 / SimTranscodeJobs::kSteps;

bool endsWith(const std::string& text, const char* suffix) {
  const std::string tail(suffix);
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Videos come out of the video request and out of photos; a video given to the photo request
// gives a photo.
std::string outputName(uint16_t requestId, const std::string& source, uint64_t id) {
  const bool photo =
      requestId == KLC_TRANSCODE_PHOTO_START && (endsWith(source, ".MP4") || endsWith(source, ".mp4"));
  char name[64];
  std::snprintf(name, sizeof name, "C:\\DCIM\\100KLCAM\\TRN%05llu.%s", static_cast<unsigned long long>(id),
                photo ? "JPG" : "MP4");
  return name;
}

}  // namespace

bool SimTranscodeJobs::running() const {
  for (const SimTranscodeJob& job : mJobs) {
    if (!klc_transcode_final(job.state)) return true;
  }
  return false;
}

int SimTranscodeJobs::start(uint16_t requestId, const std::string& source, uint64_t& id, uint32_t& estimate,
                            int8_t& refusal) {
  // An armed refusal may carry any byte, 0 included.
  if (mArmedCount > 0) {
    --mArmedCount;
    refusal = mArmedRefusal;
    return KL_ERR_NAK;
  }
  refusal = running() ? kRefusalBusy : source.empty() ? kRefusalNoSource : 0;
  if (refusal != 0) return KL_ERR_NAK;
  id = mNextId++;
  estimate = kSteps;
  mJobs.push_back(SimTranscodeJob{id, KLC_TRANSCODE_ACCEPTED, 0, outputName(requestId, source, id)});
  return KL_OK;
}

bool SimTranscodeJobs::cancel(uint64_t id) {
  for (SimTranscodeJob& job : mJobs) {
    if (job.id != id || klc_transcode_final(job.state)) continue;
    job.state = KLC_TRANSCODE_CANCELLED;
    report(job);
    return true;
  }
  return false;
}

void SimTranscodeJobs::step() {
  for (SimTranscodeJob& job : mJobs) {
    if (klc_transcode_final(job.state)) continue;
    job.progress += kProgressStep;
    job.state = job.progress >= 100 ? KLC_TRANSCODE_DONE : KLC_TRANSCODE_RUNNING;
    report(job);
  }
}

void SimTranscodeJobs::refuseNext(int8_t reason, unsigned count) {
  mArmedRefusal = reason;
  mArmedCount = count;
}

std::vector<std::string> SimTranscodeJobs::takeProgressTexts() {
  std::vector<std::string> texts;
  texts.swap(mTexts);
  return texts;
}

void SimTranscodeJobs::report(const SimTranscodeJob& job) {
  mTexts.push_back("status=" + std::to_string(job.id) + ":" + std::to_string(job.state) + ":" +
                   std::to_string(job.progress) + ":" + job.output);
}
