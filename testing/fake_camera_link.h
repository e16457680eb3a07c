// A camera for transport tests: serves /to_klnet on its own thread and answers each request with
// whatever the test's script returns (nothing, one reply, or extra replies such as a late one); and
// the fixture of the daemon's side of the link facing it.
#pragma once
#include <gtest/gtest.h>
#include <mqueue.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "camera_link.h"
#include "klCtrlD.h"
#include "klMbox.h"
#include "klUniqueQueue.h"
#include "kl_test_namespace.h"

struct FakeReply {
  klc_link_header header;
  int32_t status;
  std::vector<uint8_t> answer;
};

struct SeenRequest {
  klc_link_header header;
  std::vector<uint8_t> payload;
};

class FakeCameraLink {
 public:
  using Script = std::function<std::vector<FakeReply>(const klc_link_request&)>;

  explicit FakeCameraLink(Script script) : mScript(std::move(script)) {
    mq_attr attr{};
    attr.mq_maxmsg = 8;
    attr.mq_msgsize = KLMSG_MAX;
    mQueue = UniqueQueue::create("/to_klnet", O_RDONLY, 0664, attr);
    mThread = std::thread([this] { serve(); });
  }
  ~FakeCameraLink() {
    mStop = true;
    mThread.join();
  }
  FakeCameraLink(const FakeCameraLink&) = delete;
  FakeCameraLink& operator=(const FakeCameraLink&) = delete;

  bool ready() const { return mQueue.valid(); }
  std::vector<SeenRequest> seen() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mSeen;
  }

  // The reply to request with the given status and answer.
  static FakeReply answer(const klc_link_request& request, int32_t status, std::vector<uint8_t> bytes = {}) {
    return {request.header, status, std::move(bytes)};
  }

 private:
  void serve() {
    uint8_t buf[KLMSG_MAX];
    while (!mStop) {
      const timespec wait{0, 20 * 1000000};
      const ssize_t length =
          kl_mq_timedreceive2(mQueue.get(), reinterpret_cast<char*>(buf), sizeof buf, nullptr, &wait);
      klc_link_request request{};
      if (length < 0 || klc_link_decode_request(buf, unsigned(length), &request) != 0) continue;
      {
        std::lock_guard<std::mutex> lock(mMutex);
        mSeen.push_back({request.header, {request.payload, request.payload + request.payloadLength}});
      }
      for (const FakeReply& reply : mScript(request)) send(request.replyQueue, reply);
    }
  }

  static void send(const char* queue, const FakeReply& reply) {
    uint8_t msg[KLMSG_MAX];
    const int length = klc_link_encode_reply(msg, sizeof msg, reply.header, reply.status, reply.answer.data(),
                                             uint16_t(reply.answer.size()));
    const UniqueQueue out = UniqueQueue::open(queue, O_WRONLY);
    if (length > 0 && out.valid()) mq_send(out.get(), reinterpret_cast<const char*>(msg), size_t(length), 0);
  }

  Script mScript;
  UniqueQueue mQueue;
  std::atomic<bool> mStop{false};
  std::mutex mMutex;
  std::vector<SeenRequest> mSeen;
  std::thread mThread;
};

// The daemon's side of the camera link (its reply queue and context) in private namespaces, facing a
// FakeCameraLink that a test starts with its own script.
class CameraLinkFixture : public ::testing::Test {
 protected:
  // A short time-out keeps the tests of unanswered requests quick.
  explicit CameraLinkFixture(int timeoutMs) : mTimeoutMs(timeoutMs) {}

  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  void SetUp() override {
    g_klc_link_timeout_ms = mTimeoutMs;
    makeReplyQueue();
  }

  // Makes the reply queue (anew, when there is one) and fills the context as the daemon does after
  // zeroing it.
  void makeReplyQueue() {
    mq_attr attr{};
    attr.mq_maxmsg = 5;
    attr.mq_msgsize = KLMSG_MAX;
    mReplyQueue.reset();  // first: giving it up removes the name
    mReplyQueue = UniqueQueue::create("/to_klCtlD2", O_RDONLY, 0664, attr);
    const mqd_t cameraQueue = ctx.klnet_mqd;
    ctx = klc_context_without_queues();
    ctx.reply_queue_name = "/to_klCtlD2";
    ctx.reply_mqd = mReplyQueue.get();
    ctx.klnet_mqd = cameraQueue;
    ASSERT_TRUE(mReplyQueue.valid());
  }

  void TearDown() override {
    camera.reset();
    UniqueQueue(ctx.klnet_mqd).reset();  // the library may have opened it anew
    mReplyQueue.reset();
    g_klc_link_timeout_ms = KLC_LINK_TIMEOUT_MS;
  }

  void startCamera(FakeCameraLink::Script script) {
    camera = std::make_unique<FakeCameraLink>(std::move(script));
    ASSERT_TRUE(camera->ready());
    ctx.klnet_mqd = mq_open("/to_klnet", O_WRONLY);
    ASSERT_NE(ctx.klnet_mqd, mqd_t(-1));
  }

  // A camera that answers every request with status and answer.
  void startAnswering(int32_t status, std::vector<uint8_t> answer = {}) {
    startCamera([status, answer](const klc_link_request& request) {
      return std::vector<FakeReply>{FakeCameraLink::answer(request, status, answer)};
    });
  }

  klc_msg_q_context_t ctx = klc_context_without_queues();
  std::unique_ptr<FakeCameraLink> camera;

 private:
  int mTimeoutMs;
  UniqueQueue mReplyQueue;
};
