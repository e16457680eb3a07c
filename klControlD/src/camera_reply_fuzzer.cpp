// The camera's replies as the daemon decodes them. The input is one client command (its number, a flag
// byte whose low bit says whether TLV_CMDARG is present, a 16-bit argument length and the argument),
// then the replies the camera gives to the requests the command makes, in order: each a status byte
// (0 success, otherwise the status as a signed byte), a 16-bit answer length and the answer. Requests
// past the input are refused with KL_ERR. Whatever the camera answers, the command is answered once.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "CameraFactory.h"
#include "fake_camera_link.h"
#include "klErrno.h"
#include "klcontrol_command_table.h"
#include "test_fuzz_daemon.h"

namespace {

// Replies handed out in the order the camera is asked; before the first input, the model number
// the server asks for at start.
class ReplyScript {
 public:
  void load(const uint8_t* data, size_t size) {
    std::lock_guard<std::mutex> lock(mMutex);
    mBytes.assign(data, data + size);
    mOffset = 0;
    mStarted = true;
  }

  std::vector<FakeReply> next(const klc_link_request& request) {
    std::lock_guard<std::mutex> lock(mMutex);
    const uint32_t key = klc_link_key(request.header.group, request.header.id);
    if (!mStarted) {
      if (key == KLC_OP_STATE_GET_MODEL_NUMBER)
        return {FakeCameraLink::answer(request, KL_OK, {CAMERA_DEFAULT_MODEL})};
      return {FakeCameraLink::answer(request, KL_OK)};
    }
    if (mOffset + 3 > mBytes.size()) return {FakeCameraLink::answer(request, KL_ERR)};
    const int32_t status = int8_t(mBytes[mOffset]);
    size_t length = mBytes[mOffset + 1] | size_t(mBytes[mOffset + 2]) << 8;
    mOffset += 3;
    length = std::min({length, mBytes.size() - mOffset, size_t(KLC_LINK_MAX_ANSWER)});
    std::vector<uint8_t> answer(mBytes.begin() + long(mOffset), mBytes.begin() + long(mOffset + length));
    mOffset += length;
    return {FakeCameraLink::answer(request, status, std::move(answer))};
  }

 private:
  std::mutex mMutex;
  std::vector<uint8_t> mBytes;
  size_t mOffset = 0;
  bool mStarted = false;
};

struct Harness {
  ReplyScript script;
  std::unique_ptr<FakeCameraLink> camera;
  std::unique_ptr<FuzzDaemon> daemon;
};

Harness& harness() {
  static Harness* h = [] {
    FuzzDaemon::enterNamespaces();
    auto* made = new Harness;
    made->camera = std::make_unique<FakeCameraLink>(
        [made](const klc_link_request& request) { return made->script.next(request); });
    if (!made->camera->ready()) std::abort();
    made->daemon = std::make_unique<FuzzDaemon>();
    return made;
  }();
  return *h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Harness& h = harness();
  if (size < 4) return 0;
  const uint32_t number = data[0];
  const bool withArgument = (data[1] & 1) != 0;
  const size_t argLength = std::min(size_t(data[2] | data[3] << 8), std::min(size - 4, size_t(1200)));
  const std::vector<uint8_t> arg(data + 4, data + 4 + argLength);
  // Command 0 would point documents at a queue; the worker exit would end the run.
  if (number == KLCONTROL_NOTIFICATION_QUEUE_REGISTER || number == KLCONTROL_WORKER_EXIT) return 0;
  h.script.load(data + 4 + argLength, size - 4 - argLength);
  if (h.daemon->exchange(h.daemon->command(number, withArgument ? &arg : nullptr)).size() != 1) std::abort();
  return 0;
}
