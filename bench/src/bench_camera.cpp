#include "bench_camera.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>

#include "CameraFactory.h"
#include "KLCSIListener.h"
#include "sim_csi_service.h"
#include "sim_reply_queues.h"

struct BenchCamera::Counts {
  std::atomic<unsigned long> requests{0};
  std::atomic<unsigned long> made{0};
};

namespace {

// A reply's sequence number is the first word of its first record, TLV_CMD.
constexpr size_t kReplySequenceAt = 2 * TLV_HDR_LEN;

std::string kindOf(const klc_link_request& request) {
  const uint32_t key = klc_link_key(request.header.group, request.header.id);
  std::string kind(reinterpret_cast<const char*>(&key), sizeof key);
  return kind.append(reinterpret_cast<const char*>(request.payload), request.payloadLength);
}

// Answers go out as the simulated camera's do: on the daemon's reply queue, kept open.
void serveCamera(const UniqueQueue& requests, std::atomic<unsigned long>& received,
                 std::atomic<unsigned long>& made) {
  BenchAnswerTable table;
  SimReplyQueues replies;
  std::vector<uint8_t> request;
  klc_link_request decoded{};
  while (benchReceive(requests, request, BENCH_NO_DEADLINE)) {
    ++received;
    const std::vector<uint8_t>* reply = table.answer(request.data(), unsigned(request.size()), decoded);
    if (reply != nullptr)
      replies.send(decoded.replyQueue, decoded.replyQueueId, reply->data(), reply->size());
    made = table.made();
  }
}

// The status service: the daemon's value writes and subscriptions, answered as the simulated camera does.
void serveStatusService(const UniqueQueue& requests) {
  SimCsiService service;
  std::vector<uint8_t> request, reply(KLMSG_MAX);
  SimCsiMessage answer;
  std::string replyQueue;
  while (benchReceive(requests, request, BENCH_NO_DEADLINE)) {
    if (!service.handle(request.data(), unsigned(request.size()), answer, replyQueue)) continue;
    const int length = simBuildCsiMessage(reply.data(), unsigned(KLMSG_MAX), answer);
    if (length <= 0) continue;
    simSendReplyOnce(replyQueue.c_str(), reply.data(), size_t(length));
  }
}

// The child blocks in its receive for good, as a camera does; it ends with klbench whatever ends that.
pid_t serveInChild(const std::function<void()>& serve) {
  const pid_t child = fork();
  if (child != 0) return child;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  serve();
  _exit(0);
}

void endChild(pid_t& child) {
  if (child <= 0) return;
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  child = -1;
}

}  // namespace

BenchAnswerTable::BenchAnswerTable() : mCamera(CAMERA_DEFAULT_MODEL), mModel(mCamera) {}

const std::vector<uint8_t>* BenchAnswerTable::answer(const uint8_t* msg, unsigned length,
                                                     klc_link_request& request) {
  if (klc_link_decode_request(msg, length, &request) != 0) return nullptr;
  const auto [entry, fresh] = mReplies.try_emplace(kindOf(request));
  if (fresh) {
    if (!mModel.handle(msg, length, mOutcome) || !mOutcome.send) {
      mReplies.erase(entry);
      return nullptr;
    }
    entry->second = mOutcome.message;
    ++mMade;
  }
  std::memcpy(entry->second.data() + kReplySequenceAt, &request.header.seq, sizeof request.header.seq);
  return &entry->second;
}

BenchCamera::~BenchCamera() {
  stop();
}

bool BenchCamera::start() {
  void* shared = mmap(nullptr, sizeof(Counts), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return false;
  mCounts = new (shared) Counts;
  mCameraQueue = benchCreateQueue(KLC_LINK_CAMERA_QUEUE);
  mServiceQueue = benchCreateQueue(KLCSI_SERVICE_QUEUE);
  if (!mCameraQueue.valid() || !mServiceQueue.valid()) return false;
  mCameraChild = serveInChild([this] { serveCamera(mCameraQueue, mCounts->requests, mCounts->made); });
  mServiceChild = serveInChild([this] { serveStatusService(mServiceQueue); });
  return mCameraChild > 0 && mServiceChild > 0;
}

unsigned long BenchCamera::requests() const {
  return mCounts == nullptr ? 0 : mCounts->requests.load();
}

unsigned long BenchCamera::made() const {
  return mCounts == nullptr ? 0 : mCounts->made.load();
}

void BenchCamera::stop() {
  endChild(mCameraChild);
  endChild(mServiceChild);
  if (mCounts != nullptr) munmap(mCounts, sizeof(Counts));
  mCounts = nullptr;
}
