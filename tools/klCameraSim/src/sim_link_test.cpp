// The simulator on a thread of the test, reached over the real queues with libklCtrlD's calls and driven
// through its control socket; then the klCameraSim program itself: started with options, driven by
// "klCameraSim ctl", stopped by a signal. Each test runs in private IPC and network namespaces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "fake_camera_link.h"
#include "klErrno.h"
#include "klUniqueQueue.h"
#include "kl_test_namespace.h"
#include "sim_control_socket.h"
#include "sim_simulator.h"
#include "temp_folder.h"
#include "test_process.h"
#include "wait_until.h"

namespace {

// gtest binds references: members of the packed blocks are copied out with a unary + first.

constexpr int kWaitMs = 3000;

class SimLinkTest : public CameraLinkFixture {
 protected:
  SimLinkTest() : CameraLinkFixture(300) {}

  void start(SimOptions options = SimOptions{}) {
    options.replyDelayMs = 0;
    sim = std::make_unique<SimSimulator>(options);
    ASSERT_TRUE(sim->open());
    worker = std::thread([this] { sim->run(); });
    ctx.klnet_mqd = mq_open(SIM_LINK_QUEUE, O_WRONLY);
    ASSERT_NE(ctx.klnet_mqd, mqd_t(-1));
  }

  void TearDown() override {
    if (sim) sim->requestStop();
    if (worker.joinable()) worker.join();
    sim.reset();
    CameraLinkFixture::TearDown();
  }

  std::string ctl(const std::string& command) {
    std::string reply;
    EXPECT_TRUE(simControlRequest(SIM_CONTROL_NAME, command, reply, kWaitMs)) << command;
    return reply;
  }

  // The status block as remote API 8/11 answers it.
  appc_system_all_status readStatus() {
    uint8_t* bytes = nullptr;
    uint16_t length = 0;
    appc_system_all_status status{};
    EXPECT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &bytes, &length), 0);
    EXPECT_EQ(length, sizeof status);
    if (bytes != nullptr && length == sizeof status) std::memcpy(&status, bytes, sizeof status);
    return status;
  }

  std::unique_ptr<SimSimulator> sim;
  std::thread worker;
};

TEST_F(SimLinkTest, ModeChangeShowsInTheNextStatusRead) {
  start();
  ASSERT_EQ(klc_app_set_mode(&ctx, 17), 0);
  appc_system_all_status status = readStatus();
  EXPECT_EQ(status.photo_selected_flatmode, 17);
  EXPECT_EQ(+status.active_preset_group, 1u);
  int mode = -1, flatMode = -1;
  EXPECT_EQ(klc_app_get_mode_flat_mode(&ctx, &mode, &flatMode), 0);
  EXPECT_EQ(flatMode, 17);
  EXPECT_EQ(klc_video_reset_to_valid_res_fps_fov(&ctx), KL_ERR_NOT_SUPPORTED);
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 8, 200), KL_ERR_NOT_SUPPORTED);  // no handler at all
  // The camera speaks its own model's protocol only.
  EXPECT_EQ(klc_select_protocol_adapter(&ctx, 57), 0);
  EXPECT_EQ(ctl("get system.protocol_adapter"), "ok 57");
  EXPECT_EQ(klc_select_protocol_adapter(&ctx, 19), KL_ERR_INVALID_PARAM);
  ASSERT_EQ(klc_app_set_mode_sub_mode(&ctx, 0, 1), 0);
  EXPECT_EQ(readStatus().video_selected_flatmode, 13);
  EXPECT_EQ(klc_app_set_mode(&ctx, 99), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(ctl("payload 0x101/2"), "ok 63000000");
  // A single setting takes only values the camera has: flat mode 14 is none, 20 is; a frame rate
  // value of 8 exists on this model (57), 12 does not.
  EXPECT_EQ(klc_settings_set_value_int(&ctx, 144, 25, 1, 1, 14), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_settings_set_value_int(&ctx, 3, 44, 1, 0, 12), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_settings_set_value_int(&ctx, 3, 44, 1, 0, 8), 0);
  EXPECT_EQ(ctl("get settings.flat_mode"), "ok 13");
  EXPECT_EQ(ctl("count 0x101/2"), "ok 2");
  // A dial turned on the camera is seen the same way.
  ASSERT_EQ(ctl("set settings.flat_mode 20"), "ok");
  EXPECT_EQ(+readStatus().active_preset_group, 2u);
  // A model the camera-info side does not know has the default model's values.
  ASSERT_EQ(ctl("model 77"), "ok");
  EXPECT_EQ(klc_settings_set_value_int(&ctx, 3, 44, 1, 0, 12), KL_ERR_INVALID_PARAM);
}

// A malformed request is ignored and the next one answered; a refused request changes nothing, while a
// lost reply keeps the change.
TEST_F(SimLinkTest, BadRequestsAndLostRepliesCostOnlyThemselves) {
  start();
  const uint8_t garbage[] = {0x00, 0x40, 0x00, CAT_CAMLINK_REQ, 0x00, 0xFF, 0xFF, TLV_CMD};
  ASSERT_EQ(mq_send(ctx.klnet_mqd, reinterpret_cast<const char*>(garbage), sizeof garbage, 0), 0);
  uint8_t model = 0;
  EXPECT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  EXPECT_EQ(model, 57);
  EXPECT_EQ(ctl("counts"), "ok 256/1=1 malformed=1");
  ASSERT_EQ(ctl("fault 0x101/2 error -1"), "ok");
  EXPECT_EQ(klc_app_set_mode(&ctx, 16), KL_ERR);
  EXPECT_EQ(+readStatus().active_preset_group, 0u);
  ASSERT_EQ(ctl("fault 0x101/2 drop"), "ok");
  EXPECT_EQ(klc_app_set_mode(&ctx, 16), KL_ERR_MQ_FAIL);
  // Sent late by the main loop, which the link thread wakes (a client kept connected does not).
  const UniqueFd client = simControlConnect(SIM_CONTROL_NAME);
  std::string reply;
  ASSERT_TRUE(simControlExchange(client.get(), "fault 8/11 late 1", reply, kWaitMs) && reply == "ok");
  EXPECT_EQ(+readStatus().active_preset_group, 1u);
}

// The camera keeps the reply queue it was named: replies reach it after its name is removed, and a
// queue made anew under the name (a daemon restarted against a running camera) gets the next ones.
TEST_F(SimLinkTest, RepliesFollowTheReplyQueueItselfNotOnlyItsName) {
  start();
  uint8_t model = 0;
  ASSERT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  ASSERT_EQ(mq_unlink("/to_klCtlD2"), 0);
  EXPECT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  makeReplyQueue();
  model = 0;
  EXPECT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  EXPECT_EQ(model, 57);
}

// Requests on the link thread and control commands on the main loop change one camera at once: every
// change of either lands (ThreadSanitizer checks that the camera is shared safely).
TEST_F(SimLinkTest, RequestsAndControlCommandsChangeTheCameraAtOnce) {
  start();
  constexpr int kRounds = 200;
  std::thread requests([this] {
    unsigned battery = 100;  // the factory value
    for (int i = 1; i <= kRounds; ++i) {
      EXPECT_EQ(klc_app_set_mode(&ctx, i % 2 == 0 ? 17 : 16), 0) << i;
      const unsigned now = readStatus().battery_percent;
      EXPECT_LE(now, std::exchange(battery, now)) << i;  // never an older value
    }
  });
  for (int i = 1; i <= kRounds; ++i) {
    const std::string battery = std::to_string(100 - i / 2);
    EXPECT_EQ(ctl("set status.battery_percent " + battery), "ok");
    EXPECT_EQ(ctl("get status.battery_percent"), "ok " + battery);
  }
  requests.join();
  EXPECT_EQ(ctl("count 0x101/2"), "ok 200");
  EXPECT_EQ(readStatus().photo_selected_flatmode, 17);  // the last mode asked for
}

// A reply goes only to the control client that asked, while another one is connected; a line of 512
// characters is too long.
TEST_F(SimLinkTest, EventsWithoutADaemonQueueAreRefusedToTheClientThatAsked) {
  start();
  const UniqueFd idle = simControlConnect(SIM_CONTROL_NAME);
  ASSERT_TRUE(idle.get() >= 0 && simControlSend(idle.get(), "ping"));
  std::string reply;
  ASSERT_TRUE(simControlReceive(idle.get(), reply, kWaitMs));
  EXPECT_EQ(ctl("event JR"), "error cannot send to /to_klCtlD");
  EXPECT_EQ(ctl("event PU 6 1"), "error cannot send to the daemon");
  EXPECT_EQ(ctl(std::string(SIM_CONTROL_LINE_MAX, 'x')), "error line too long");
  EXPECT_FALSE(simControlReceive(idle.get(), reply, 100)) << reply;
}

class SimProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  // Starts the program and waits until its control socket answers.
  void start(std::vector<std::string> args) {
    args.insert(args.begin(), KL_CAMERA_SIM_PATH);
    sim = std::make_unique<TestProcess>(args);
    std::string reply;
    EXPECT_TRUE(waitUntil([&] { return simControlRequest(SIM_CONTROL_NAME, "ping", reply, 200); }));
    ASSERT_EQ(reply, "ok");
  }

  std::unique_ptr<TestProcess> sim;
};

// The program with the words, to its end.
E2eRun runSim(const std::vector<std::string>& words) {
  std::vector<std::string> argv{KL_CAMERA_SIM_PATH};
  argv.insert(argv.end(), words.begin(), words.end());
  return e2eRun(argv, 10000);
}

E2eRun runControl(std::vector<std::string> words) {
  words.insert(words.begin(), "ctl");
  return runSim(words);
}

// The camera starts as its state file says; "klCameraSim ctl" prints the reply and exits 0 only for "ok"; a
// second simulator refuses to start and leaves the first serving.
TEST_F(SimProcessTest, ControlCommandLineAndASecondSimulator) {
  const TempFolder folder;
  folder.write("state", "model=55\nstatus.battery_percent=9\n");
  start({"--state", folder.path() + "/state", "--fast"});
  EXPECT_EQ(runControl({"get", "status.battery_percent"}).out, "ok 9\n");
  const E2eRun set = runControl({"set", "status.busy", "1"});
  EXPECT_EQ(set.out, "ok\n");
  EXPECT_EQ(set.status, 0);
  const E2eRun bad = runControl({"launch"});
  EXPECT_EQ(bad.out, "error unknown command launch\n");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(runSim({}).status, 1);
  EXPECT_TRUE(UniqueQueue::open(SIM_LINK_QUEUE, O_WRONLY).valid());
  EXPECT_EQ(runControl({"get", "status.busy"}).out, "ok 1\n");
}

TEST_F(SimProcessTest, SignalEndsItCleanlyAndRemovesTheLinkQueue) {
  for (int signal : {SIGTERM, SIGINT}) {
    start({"--fast"});
    const int status = sim->stop(signal, 5000);
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 0) << signal;
    EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1)) << signal;
    EXPECT_EQ(errno, ENOENT) << signal;
  }
}

TEST_F(SimProcessTest, BadOptionsAndBadStateFilesStopTheStart) {
  const std::vector<std::string> cases[] = {
      {"--model", "0"}, {"--state", "/nonexistent/state"}, {"--colour"}, {"ctl"}};
  for (const auto& args : cases) {
    EXPECT_GT(runSim(args).status, 0) << args[0];  // ended by itself, with a failure
  }
  EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1));
}

}  // namespace
