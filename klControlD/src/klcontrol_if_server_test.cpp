// The command server against the simulated camera: classification, responses, the frame, start-up and
// the camera state the commands share.
#include <gtest/gtest.h>

#include <tuple>

#include "KLCSIListener.h"
#include "klErrno.h"
#include "klTlv.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

// A preset-update event from the real-time side.
std::vector<uint8_t> presetUpdate(uint8_t event, uint32_t id) {
  std::vector<uint8_t> arg = {event};
  putWord(arg, 1, id);
  return TestRequester::coded(CAT_RTOS_CMD, "PU", &arg, "/to_klnet");
}

// Command 1 whose TLV_SRC holds the length bytes of source; none when source is nullptr.
std::vector<uint8_t> fromSource(const char* source, size_t length) {
  uint8_t msg[KLMSG_MAX];
  const uint32_t number = 1;
  sntlv_msg_init(msg, sizeof msg, CAT_CLIENT_CMD);
  sntlv_add_bin(msg, sizeof msg, TLV_CMD, sizeof number, &number);
  if (source != nullptr) sntlv_add_bin(msg, sizeof msg, TLV_SRC, unsigned(length), source);
  sntlv_add_bin(msg, sizeof msg, TLV_END, 0, nullptr);
  return std::vector<uint8_t>(msg, msg + sntlv_msg_len(msg));
}

TEST_F(ServerTest, MessagesAnsweredNowhereOrWhereTheSourceSays) {
  struct Case {
    std::vector<uint8_t> message;
    const char* line;
    int level = UTIL_LOG_ERROR;
    const char* file = "klcontrol_if_server";
  };
  const auto coded = [this](uint8_t category, const char* code) {
    return TestRequester::coded(category, code, nullptr, requester->name());
  };
  const std::string& me = requester->name();
  // One byte more in the length field than arrives: nothing is read, not even the source.
  std::vector<uint8_t> lying = fromSource(me.c_str(), me.size() + 1);
  lying[1]++;
  const Case cases[] = {
      {lying, "Malformed message of 39 bytes dropped"},
      {coded(CAT_CLIENT_CMD, "CN"), "Processing CSI event", UTIL_LOG_DEBUG},
      {coded(CAT_RTOS_CMD, "CU"), "Processing CSI event", UTIL_LOG_DEBUG},
      // Status-interface answers reach the listener whatever their category: it reports refusals.
      {csi_test::answer("CR", -5), "CSI subscription refused: -5", UTIL_LOG_ERROR, "KLCSIListener"},
      {csi_test::answer("CI", -5, csi_test::words({7})), "CSI value 7 refused: -5", UTIL_LOG_ERROR,
       "KLCSIListener"},
      {coded(CAT_SYS_RSP, "ZZ"), "Unexpected Response type on CSI subscribe response [ZZ]"},
      {coded(CAT_SYS_CMD, "JX"), "Unexpected Response type on CSI subscribe response [JX]"},
      {coded(CAT_RTOS_CMD, "PX"), "Unexpected type expected PU [PX]"},
      {coded(CAT_RTOS_CMD, "PU"), "Failed to find TLV_CMDARG in message from klNet"},
      // A requester that cannot be reached costs only its answer.
      {fromSource(nullptr, 0), "No requester SRC in the message received."},
      {fromSource("", 1), "mq_open() failed for '': Invalid argument\n"},
      // The daemon's own queue takes the answer as a message of another category.
      {fromSource("/to_klCtlD", 11), "Invalid command category received: 21"},
  };
  for (const Case& c : cases) {
    forgetLog();
    ASSERT_TRUE(TestRequester::sendToDaemon(c.message));
    sync();
    EXPECT_EQ(requester->pending(), 0) << c.line;
    EXPECT_TRUE(loggedLine(c.level, c.line, c.file)) << c.line;
  }
  ASSERT_TRUE(TestRequester::sendToDaemon(fromSource(me.c_str(), me.size())));  // no terminator
  TestAnswer answer;
  ASSERT_TRUE(requester->receive(answer));
  // The refusal of a number without a handler: its status alone.
  const std::vector<uint8_t> expected = {0x00, 0x10, 0x00, 0x15, 0x00, 0x00, 0x04, 0xEC,
                                         0x98, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xEE};
  EXPECT_EQ(answer.bytes, expected);
}

// A switch sets the current preset, but not to one of the special groups 6 and 7.
TEST_F(ServerTest, PresetSwitchAndModifiedEventsSetThePresetRereadLensesAndArePublished) {
  const auto send = [this](uint8_t event, uint32_t id) {
    ASSERT_TRUE(TestRequester::sendToDaemon(presetUpdate(event, id)));
    sync();
  };
  const auto publishedPresetChange = [] {
    uint32_t value = 0;
    return KLCSIListener::GetInstance()->GetCSIValue(7, &value) ? value : 0;
  };
  send(6, 0x00030002);
  EXPECT_EQ(server->currentPresetCache(), 0x00030002u);
  EXPECT_FALSE(server->presetsModified());
  EXPECT_EQ(publishedPresetChange(), 0x06030002u);
  send(6, 0x00060001);
  EXPECT_EQ(server->currentPresetCache(), 0x00030002u);
  // Event 3 is not published: the value of the event before it stays.
  const std::tuple<uint8_t, long, bool, uint32_t> cases[] = {{7, 0, false, 0x07010001},
                                                             {1, 1, false, 0x01010001},
                                                             {8, 1, false, 0x08010001},
                                                             {3, 1, true, 0x08010001}};
  for (const auto& [event, lensReads, modifiedAfter, published] : cases) {
    send(6, 0x00010001);  // a switch clears the modified flag
    const long before = requestCount("0x105/1");
    send(event, 0x00010001);
    EXPECT_EQ(requestCount("0x105/1") - before, lensReads) << int(event);
    EXPECT_EQ(server->presetsModified(), modifiedAfter) << int(event);
    EXPECT_EQ(publishedPresetChange(), published) << int(event);
  }
  control("fault 0x105/1 error -1 1");
  forgetLog();
  send(1, 5);
  EXPECT_TRUE(server->needLenses());
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Failed to pull lenses after preset modified update"));
}

// Run on the test's thread to see handleCommand's result: true only when command 0 added a client.
TEST_F(ServerTest, QueueClientsRegisterUpToTen) {
  keepClientsUnserved();
  // Enable flag, name, whether added, clients after. An empty name (the lone zero byte) is a name like
  // any other: it stays registered as the first of ten.
  const std::tuple<uint32_t, const char*, bool, size_t> cases[] = {{1, "/kl_client", true, 1},
                                                                   {1, "/kl_client", false, 1},
                                                                   {0, "/kl_nobody", false, 1},
                                                                   {0, "/kl_client", false, 0},
                                                                   {1, "", true, 1}};
  for (const auto& [enable, name, added, clients] : cases) {
    const std::vector<uint8_t> arg = queueRegistration(enable, name);
    std::vector<uint8_t> bytes =
        TestRequester::command(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &arg, requester->name());
    Msg msg(CAT_CLIENT_CMD);
    MemStream stream(bytes.data(), uint16_t(bytes.size()));
    stream >> msg;
    EXPECT_EQ(server->handleCommand(msg, KLCONTROL_NOTIFICATION_QUEUE_REGISTER), added) << name;
    TestAnswer answer;
    ASSERT_TRUE(requester->receive(answer));
    EXPECT_EQ(answer.status, KL_OK) << name;
    EXPECT_EQ(server->notificationClientCount(), clients) << name;
  }
  for (int i = 1; i < 10; ++i) {
    const std::vector<uint8_t> add = queueRegistration(1, "/kl_client" + std::to_string(i));
    ASSERT_EQ(requester->call(0, &add), 0) << i;
  }
  const std::vector<uint8_t> eleventh = queueRegistration(1, "/kl_client10");
  forgetLog();
  EXPECT_EQ(requester->call(0, &eleventh), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Too many push clients connected, rejecting!"));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Unable to add client"));
  EXPECT_EQ(server->notificationClientCount(), 10u);
}

// A suspend is answered in place, drops every client and refuses commands until the resume.
TEST_F(ServerTest, SuspendDropsTheClientsAndRefusesCommandsUntilTheResume) {
  keepClientsUnserved();
  const std::vector<uint8_t> registration = queueRegistration(1, "/kl_a");
  ASSERT_EQ(requester->call(0, &registration), 0);
  ASSERT_TRUE(
      TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, "JS", nullptr, requester->name())));
  TestAnswer answer;
  ASSERT_TRUE(requester->receive(answer));
  // The request turned round: category 0x11, source and destination swapped, one byte 0 appended.
  const std::vector<uint8_t> expected = {0x00, 0x39, 0x00, 0x11, 0x00, 0x00, 0x02, 0x41, 'J', 'S', 0x00, 0x00,
                                         0x0B, 0x44, '/',  't',  'o',  '_',  'k',  'l',  'C', 't', 'l',  'D',
                                         0x00, 0x00, 0x00, 0x13, 0x43, '/',  'k',  'l',  '_', 't', 'e',  's',
                                         't',  '_',  'r',  'e',  'q',  'u',  'e',  's',  't', 'e', 'r',  0x00,
                                         0x00, 0x00, 0x01, 0x45, 0x00, 0x00, 0x00, 0x00, 0xEE};
  EXPECT_EQ(answer.bytes, expected);
  EXPECT_TRUE(server->isSuspended());
  EXPECT_EQ(server->notificationClientCount(), 0u);
  EXPECT_TRUE(server->presetsModified());
  EXPECT_TRUE(server->needLenses());
  const uint32_t preset = server->currentPresetCache();
  forgetLog();
  ASSERT_TRUE(TestRequester::sendToDaemon(presetUpdate(6, 0x00020003)));
  EXPECT_EQ(requester->call(0, &registration), 1);
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_ERROR, "klcontrol dropped CAT_RTOS_CMD for preset update while suspended\n"));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klcontrol server: MSG nak-ed because of suspend! (cmd 0)\n"));
  EXPECT_EQ(server->currentPresetCache(), preset);
  EXPECT_EQ(server->notificationClientCount(), 0u);
  control("event JR");
  ASSERT_TRUE(waitUntil([this] { return !server->isSuspended(); }));
  EXPECT_EQ(requester->call(0, &registration), 0);
  EXPECT_EQ(server->notificationClientCount(), 1u);
}

// A zoom phase still open at shutdown ends no edit on the closed camera link: the zoom timer stops
// once the worker is joined (under ThreadSanitizer, no callback races the link being cleared).
TEST_F(ServerTest, ShutdownStopsTheZoomTimerBeforeTheCameraLinkCloses) {
  const std::vector<uint8_t> zoom = words({10});
  ASSERT_EQ(requester->call(KLCONTROL_DIGITAL_ZOOM, &zoom), KL_OK);
  ASSERT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  forgetLog();
  server->shutdown();
  EXPECT_FALSE(loggedLineMatching(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, -?\\d+\n"));
}

// Camera state queries with the queues open but no worker running.
class CameraStateTest : public ServerTest {
 protected:
  void SetUp() override { enterFreshNamespaces(); }
  // The camera with a preset in each group and the group selector set, then the queues.
  void openWithGroup(uint32_t group) {
    startCamera();
    for (const char* preset :
         {"video_preset_id 17", "photo_preset_id 34", "timelapse_preset_id 51", "special_preset_id 68"})
      ASSERT_EQ(control(std::string("set status.") + preset), "ok");
    control("set status.active_preset_group " + std::to_string(group));
    server = KlcontrolCommandServer::getInstance();
    ASSERT_EQ(server->interfaceOpen(), 0);
  }
};

// Start fails without the camera's queue, and again once the queues are open. With the camera, an
// unreadable status keeps the cache; the current preset is read once, never from a special group; the
// active one on each call.
TEST_F(CameraStateTest, StartWithoutTheCameraQueueFailsAndPresetsFollowTheGroupSelector) {
  server = KlcontrolCommandServer::getInstance();
  EXPECT_EQ(server->start(), -1);
  const std::string failed = "mq_open() failed for '/to_klnet': No such file or directory";
  for (int left = 5; left > 0; --left) {
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, failed + ", Retrying " + std::to_string(left) + "\n")) << left;
  }
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, failed + "\n"));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "interfaceOpen failed -1"));
  server->shutdown();  // finds nothing left to close
  for (const char* name : {"/to_klCtlD", "/to_klCtlD2"})
    EXPECT_EQ(mq_open(name, O_WRONLY), mqd_t(-1)) << name;
  openWithGroup(7);
  forgetLog();
  EXPECT_EQ(server->start(), -1);  // the queues are open already
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Interface must be closed before reuse!\n"));
  control("fault 8/11 error -5 2");
  forgetLog();
  EXPECT_EQ(server->GetActivePreset(), 0xFFFFFFFFu);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Could not get active preset, -5\n"));
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_TRUE(server->presetsModified());
  control("fault 8/11 nakoff 1");
  EXPECT_EQ(server->GetActivePresetGroup(), 0u);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Response was null or size was bad for get1\n"));
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_FALSE(server->presetsModified());
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 17}, {3, 17}, {8, 17},          {9, 17},
                                                 {1, 34}, {4, 34}, {2, 51},          {5, 51},
                                                 {6, 68}, {7, 68}, {12, 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    control("set status.active_preset_group " + std::to_string(c.first));
    EXPECT_EQ(server->GetActivePreset(), c.second) << c.first;
    EXPECT_EQ(server->GetActivePresetGroup(), c.first);
  }
  const long reads = requestCount("8/11");
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_EQ(requestCount("8/11"), reads);
}

// Only the worker reads the daemon's own queues: an answer that finds one full is dropped at once,
// since waiting there would be waiting on itself.
TEST_F(CameraStateTest, AnswerToAFullOwnQueueIsDroppedWithoutWaiting) {
  openWithGroup(0);
  for (const std::string own : {"/to_klCtlD", "/to_klCtlD2"}) {
    fillQueue(own);
    std::vector<uint8_t> bytes = TestRequester::command(1, nullptr, own);
    Msg msg(CAT_CLIENT_CMD);
    MemStream stream(bytes.data(), uint16_t(bytes.size()));
    stream >> msg;
    forgetLog();
    EXPECT_FALSE(server->sendResponse(msg, KL_OK, nullptr, 0)) << own;
    EXPECT_TRUE(
        loggedLine(UTIL_LOG_ERROR, "mq_send() failed for '" + own + "': Resource temporarily unavailable\n"));
  }
}

// Bytes of the snapshot set before and expected after the adjustment, with group 2 (current preset 51)
// selected: 409 is the flat mode, 19 the group, 27 the modified preset, 611/613 auto-off and its option.
// The digital zoom (byte 5) is scaled only in zoom modes (409) and resolutions (426), up to 102.
TEST_F(CameraStateTest, SnapshotAdjustmentsAndDigitalZoom) {
  openWithGroup(2);
  using ByteValues = std::vector<std::pair<size_t, uint8_t>>;
  // Bytes set, bytes expected, and whether GetDigitalZoom rather than modSettingsAndStatuses runs.
  const std::tuple<ByteValues, ByteValues, bool> cases[] = {
      {{{409, 26}, {542, 7}, {544, 9}, {19, 5}, {27, 51}, {33, 3}},
       {{0, 26}, {426, 7}, {428, 9}, {613, 3}, {19, 2}, {20, 0}, {33, 1}},
       false},
      {{{409, 24}, {33, 1}, {27, 99}, {611, 1}}, {{1, 4}, {33, 0}, {613, 0}}, false},
      {{{409, 27}, {426, 24}, {5, 102}}, {{5, 255}}, true},
      {{{409, 12}, {426, 1}, {5, 103}}, {{5, 103}}, true},
      {{{409, 16}, {426, 1}, {5, 40}}, {{5, 40}}, true},
      {{{409, 12}, {426, 2}, {5, 40}}, {{5, 40}}, true},
  };
  for (const auto& [set, expected, zoom] : cases) {
    all_status_settings_t snapshot{};
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
    for (const auto& [offset, value] : set) bytes[offset] = value;
    if (zoom) {
      server->GetDigitalZoom(snapshot);
    } else {
      server->modSettingsAndStatuses(snapshot, klcontrol_camera());
    }
    for (const auto& [offset, value] : expected) EXPECT_EQ(bytes[offset], value) << offset;
  }
}

// A camera whose model cannot be read at start, with its orientation locked.
class UnreadableModelTest : public ServerTest {
 protected:
  UnreadableModelTest() { cameraSetup = {"fault 0x100/1 error -1 1", "set system.orientation_setting 3"}; }
};

TEST_F(UnreadableModelTest, OrientationIsResetAndCommandsAreDroppedUntilAResumeSelectsTheAdapter) {
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_ERROR, "Orientation[3] was already locked, default orientation will be all"));
  EXPECT_FALSE(server->isProtocolAdapterSet());
  forgetLog();
  ASSERT_TRUE(requester->sendCommand(1));
  TestAnswer answer;
  EXPECT_FALSE(requester->receive(answer, 1000));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "protocol adapter not set - throwing out command"));
  control("event JR");
  EXPECT_TRUE(server->isProtocolAdapterSet());
  EXPECT_EQ(requester->call(1), KL_ERR_NOT_SUPPORTED);
}

}  // namespace
