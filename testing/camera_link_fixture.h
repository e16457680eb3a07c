// A test fixture: the daemon's side of the camera link (its reply queue and context) in private
// namespaces, facing a FakeCameraLink that a test starts with its own script.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "fake_camera_link.h"
#include "klCtrlD.h"
#include "kl_test_namespace.h"

class CameraLinkFixture : public ::testing::Test {
 protected:
  // A short time-out keeps the tests of unanswered requests quick.
  explicit CameraLinkFixture(int timeoutMs) : mTimeoutMs(timeoutMs) {}

  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  void SetUp() override {
    g_klc_link_timeout_ms = mTimeoutMs;
    mq_attr attr{};
    attr.mq_maxmsg = 5;
    attr.mq_msgsize = KLMSG_MAX;
    ctx.reply_queue_name = "/to_klCtlD2";
    ctx.reply_mqd = mq_open("/to_klCtlD2", O_RDONLY | O_CREAT, 0664, &attr);
    ASSERT_NE(ctx.reply_mqd, mqd_t(-1));
  }

  void TearDown() override {
    camera.reset();
    if (ctx.klnet_mqd != mqd_t(-1)) mq_close(ctx.klnet_mqd);
    mq_close(ctx.reply_mqd);
    mq_unlink("/to_klCtlD2");
    g_klc_link_timeout_ms = KLC_LINK_TIMEOUT_MS;
  }

  void startCamera(FakeCameraLink::Script script) {
    camera = std::make_unique<FakeCameraLink>(std::move(script));
    ASSERT_TRUE(camera->ready());
    ctx.klnet_mqd = mq_open("/to_klnet", O_WRONLY);
    ASSERT_NE(ctx.klnet_mqd, mqd_t(-1));
  }

  klc_msg_q_context_t ctx{nullptr, mqd_t(-1), mqd_t(-1), 0, 0, {}};
  std::unique_ptr<FakeCameraLink> camera;

 private:
  int mTimeoutMs;
};
