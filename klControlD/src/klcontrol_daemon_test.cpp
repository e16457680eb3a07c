// The daemon's loop in-process: start-up and stop, and change polling end to end (the accept loop,
// the worker's polls against the simulated camera, and what real TCP and queue clients receive),
// with the document and timing rules that the camera cannot show alone.
#include "klcontrol_daemon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <tuple>

#include "klErrno.h"
#include "kl_test_namespace.h"
#include "klcontrol_change_document.h"
#include "klcontrol_log.h"
#include "test_push_clients.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

const auto kIdlePlace = std::chrono::seconds(KLCONTROL_IDLE_PLACE_S);
const char* const kShutdownPending = "{\"state\":{\n        \"shutdown_pending\":true\n    }\n}";

class DaemonServeTest : public ServerTest {
 protected:
  void SetUp() override {
    enterFreshNamespaces();
    startCamera();
  }
};

// Either way the daemon ends, its queues are removed.
TEST_F(DaemonServeTest, TakenPortEndsStartupAndStopEndsTheLoop) {
  UniqueFd blocker = holdNotificationPort();
  ASSERT_TRUE(blocker.valid());
  forgetLog();
  EXPECT_EQ(klcontrol_serve("klControlD"), -1);
  blocker.reset();
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "bind() failed on socket, Exiting daemon", "klControlD"));
  for (const char* queue : {"/to_klCtlD", "/to_klCtlD2"})
    EXPECT_EQ(mq_open(queue, O_WRONLY), mqd_t(-1)) << queue;
  std::atomic<int> result{1};
  std::thread daemon([&result] { result = klcontrol_serve("klControlD"); });
  PushSocket client;
  ASSERT_TRUE(client.connected());
  // Taken before the stop, so that the stop closes it.
  ASSERT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Total PUSH_NOTIFICATION clients connected:1"));
  forgetLog();
  EXPECT_EQ(requester->call(97), KL_OK);
  daemon.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(loggedLine(UTIL_LOG_INFO, "Exiting klControlD daemon", "klControlD"));
  for (const char* queue : {"/to_klCtlD", "/to_klCtlD2"})
    EXPECT_EQ(mq_open(queue, O_WRONLY), mqd_t(-1)) << queue;
  // Restarted at once, while the connections it closed still hold the port, it listens again.
  daemon = std::thread([&result] { result = klcontrol_serve("klControlD"); });
  EXPECT_TRUE(waitUntil([] { return klPortListens(KLCONTROL_NOTIFICATION_PORT); }));
  EXPECT_EQ(requester->call(97), KL_OK);
  daemon.join();
  EXPECT_EQ(result, 0);
}

// The descriptor of this process that names the queue, or -1.
int descriptorOf(const std::string& queue) {
  char target[64];
  for (int fd = 0; fd < 1024; ++fd) {
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    if (n > 0 && queue == std::string(target, size_t(n))) return fd;
  }
  return -1;
}

// Queues of a size no receive of the daemon takes are made afresh, what they held counted and dropped. A
// receive failing all the same (such a queue in place of the daemon's) is logged once, and never spins.
TEST_F(DaemonServeTest, QueuesOfAnotherSizeAreReplacedAndAFailingReceiveIsLoggedOnce) {
  const mq_attr attr = {0, 5, 8192, 0, {}};
  const auto holding = [&attr](const char* name, int messages) {
    const mqd_t queue = mq_open(name, O_RDWR | O_CREAT, 0664, &attr);
    while (messages-- > 0) mq_send(queue, "x", 1, 0);
    return queue;
  };
  for (const char* name : {"/to_klCtlD", "/to_klCtlD2"}) mq_close(holding(name, 2));
  startServer();
  EXPECT_TRUE(server->isProtocolAdapterSet());  // the model was read through the camera
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Dropped 2 messages left in '/to_klCtlD' before start"));
  forgetLog();
  const mqd_t tooLong = holding("/kl_too_long", 1);
  ASSERT_NE(dup2(tooLong, descriptorOf("/to_klCtlD")), -1);
  mq_close(tooLong);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // three turns
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "mq_receive() failed for '/to_klCtlD': Message too long"));
  const std::string failed = std::string(klLogLevelName(UTIL_LOG_ERROR)) + ":mq_receive() failed";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(failed, 0) == 0; }),
            1);
  EXPECT_LE(lines.size(), 8u) << "a turn logs one line";
}

class NotificationTest : public DaemonServeTest {
 protected:
  void SetUp() override {
    DaemonServeTest::SetUp();
    server = KlcontrolCommandServer::getInstance();
    daemon = std::thread([] { klcontrol_serve("klControlD"); });
    // Up once listening: the stop of TearDown must not come before the start-up wait saw the worker.
    ASSERT_TRUE(
        waitUntil([this] { return server->isRunning() && klPortListens(KLCONTROL_NOTIFICATION_PORT); }));
    // Requests counted afterwards are the test's own: the worker's start-up reads are over.
    sync();
  }
  void TearDown() override {
    if (daemon.joinable()) {
      // A full client queue holds the worker in its delivery: keep the queues read until it stops.
      std::atomic<bool> stopped{false};
      std::thread reader([&] {
        std::string document;
        while (!stopped) {
          for (const auto& queue : queues) queue->next(document, 0);
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      });
      server->setRunning(false);
      daemon.join();
      stopped = true;
      reader.join();
    }
    // The daemon's own shutdown destroyed the server.
    server = nullptr;
    ServerTest::TearDown();
  }

  int32_t push(const std::string& text) { return switchPushing(*requester, text); }
  // A connected socket client, once the accept loop has registered it as the count-th client.
  std::unique_ptr<PushSocket> connectClient(size_t count) {
    auto client = std::make_unique<PushSocket>();
    EXPECT_TRUE(client->connected());
    EXPECT_TRUE(waitUntil([this, count] { return server->notificationClientCount() == count; }));
    return client;
  }
  // A queue client registered with command 0; the fixture keeps its queue until the daemon is gone.
  TestRequester& registerQueue(const std::string& name) {
    queues.push_back(std::make_unique<TestRequester>(name));
    const std::vector<uint8_t> registration = queueRegistration(1, name);
    EXPECT_EQ(requester->call(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &registration), KL_OK);
    return *queues.back();
  }

  std::thread daemon;
  std::vector<std::unique_ptr<TestRequester>> queues;
};

// Whether the socket client is active shows in the camera reads: a list of paused clients never
// makes the worker poll the camera. Then each change is reported once against its snapshot.
TEST_F(NotificationTest, PushArgumentsPauseOnlySocketsAndEachChangeIsReportedOnce) {
  auto socket = connectClient(1);
  control("reset-counts");
  for (int turn = 0; turn < 2; ++turn) sync();
  EXPECT_EQ(requestCount("8/11") + requestCount("7/30"), 0);
  // The text, its answer and whether the socket client is active afterwards.
  const std::tuple<const char*, int32_t, bool> cases[] = {
      {"status=1", KL_OK, true},
      {"status=0", KL_OK, false},
      {"status=1", KL_OK, true},
      {"status=x", KL_OK, false},
      {"status=1", KL_OK, true},
      {"status=2", KL_ERR_INVALID_PARAM, true},
      {"status=-5", KL_ERR_INVALID_PARAM, true},
      {"mode=0", KL_ERR_INVALID_PARAM, true},
  };
  for (const auto& [text, status, active] : cases) {
    forgetLog();
    EXPECT_EQ(push(text), status) << text;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, std::string("KLCONTROL_PUSH_NOTIFICATIONS: ") + text));
    control("reset-counts");
    for (int turn = 0; turn < 2; ++turn) sync();
    EXPECT_EQ(requestCount("8/11") > 0, active) << text;
    EXPECT_EQ(requestCount("7/30") > 0, active) << text;
  }
  // Each resume brought the full state; after it, changes only.
  EXPECT_GT(socket->drain(), 0);
  control("set status.battery_level 2");
  EXPECT_EQ(nextDocument(*socket), "{\"status\":{\"2\":2}}");
  // An empty argument is an argument: the handler finds no key in it.
  const std::vector<uint8_t> empty;
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_PUSH_NOTIFICATIONS, &empty), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_PUSH_NOTIFICATIONS: "));
}

// Queue clients keep the polls going, and each poll reports exactly what changed since the last good one.
TEST_F(NotificationTest, QueueClientsOutlastAPauseAndDocumentsCarryWhatChanged) {
  control("set status.battery_level 2");  // so that the level set below is a change
  auto socket = connectClient(1);
  ASSERT_EQ(push("status=1"), KL_OK);
  EXPECT_TRUE(isFullDocument(nextDocument(*socket)));
  // Queue clients are not touched: registered active, they stay active through a pause. While they
  // keep the polls going, the paused socket is served too: the full state, then changes.
  TestRequester& queue = registerQueue("/kl_push_args");
  ASSERT_EQ(push("status=0"), KL_OK);
  EXPECT_TRUE(isFullDocument(nextDocument(queue)));
  EXPECT_TRUE(isFullDocument(nextDocument(*socket)));
  control("set status.battery_level 3");  // the level the drift below keeps
  EXPECT_EQ(nextDocument(queue), "{\"status\":{\"2\":3}}");
  EXPECT_EQ(nextDocument(*socket), "{\"status\":{\"2\":3}}");
  // A setting alone has no status part and no separator; a mode picked on the camera changes statuses
  // and settings in one read. The slowly moving statuses are compared with the snapshot of the last
  // once-a-second comparison, so a change there shows once (a minute drains one percent). Answers of
  // the wrong size end the poll: nothing is sent and the snapshots stay, so the next good read reports
  // exactly what changed. So does the camera's shutdown refusal, sent once in a row to sockets.
  ASSERT_EQ(push("status=1"), KL_OK);
  control("set settings@165:1 2");
  std::string document = nextDocument(queue);
  EXPECT_EQ(document.rfind("{\"settings\":{\"87\":", 0), 0u) << document;
  EXPECT_EQ(document.substr(document.size() - 3), "}\n}");
  control("set settings.flat_mode 17");
  document = nextDocument(queue);
  EXPECT_EQ(document.rfind("{\"status\":{\"", 0), 0u) << document;
  EXPECT_NE(document.find("},\n\"settings\":{\"144\":"), std::string::npos) << document;
  EXPECT_EQ(document.substr(document.size() - 3), "}\n}");
  control("drift step 60");
  EXPECT_EQ(nextDocument(queue), "{\"status\":{\"70\":99}}");
  // One past each block's size, and a failed call, whose line names its own source place.
  const std::pair<const char*, std::string> faults[] = {
      {"fault 8/11 size 385", "ASSERT ERROR - status_all size does not match rsp size=385"},
      {"fault 7/30 size 237", "ASSERT ERROR - settings_all size does not match rsp size=237"},
      {"fault 8/11 error -17", "klc_send_remote_api_for_response error, -17 @ " +
                                   std::string(KLCONTROL_SERVER_SOURCE_PATH) + ":[0-9]+\n"},
  };
  int level = 3;
  for (const auto& [fault, line] : faults) {
    forgetLog();
    control(fault);
    level = (level + 1) % 4;
    control("set status.battery_level " + std::to_string(level));
    EXPECT_EQ(nextDocument(queue), "{\"status\":{\"2\":" + std::to_string(level) + "}}") << fault;
    EXPECT_TRUE(loggedLineMatching(UTIL_LOG_ERROR, line)) << fault;
  }
  EXPECT_GT(socket->drain(), 0);
  forgetLog();
  control("fault 8/11 nakoff 3");
  control("set status.battery_level 0");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(nextDocument(queue), kShutdownPending) << i;
  }
  EXPECT_EQ(nextDocument(queue), "{\"status\":{\"2\":0}}");
  EXPECT_EQ(nextDocument(*socket), kShutdownPending);
  EXPECT_EQ(nextDocument(*socket), "{\"status\":{\"2\":0}}");
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n"));
  // A queue nobody made fails its first delivery, and the client is removed.
  const std::vector<uint8_t> nowhere = queueRegistration(1, "/kl_nowhere");
  forgetLog();
  ASSERT_EQ(requester->call(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &nowhere), KL_OK);
  EXPECT_TRUE(loggedLine(
      UTIL_LOG_WARN, "Failed to send notifications to client, removing client! [No such file or directory]"));
}

// A place is freed by a client that closes, one whose peer vanished without a word (its keepalive
// probe is answered by a reset) and, once every place is taken, by the oldest client that was never
// resumed and has been idle long enough.
TEST_F(NotificationTest, EleventhClientIsRefusedUntilAClosedVanishedOrIdleOneFreesAPlace) {
  std::vector<std::unique_ptr<PushSocket>> clients;
  for (size_t i = 1; i <= KLCONTROL_MAX_CLIENTS; ++i) clients.push_back(connectClient(i));
  const auto filled = std::chrono::steady_clock::now();
  forgetLog();
  PushSocket eleventh;
  EXPECT_TRUE(eleventh.closedByPeer(5000));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Too many push clients connected, rejecting!"));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Failed to add notification client", "klControlD"));
  clients[5]->vanish();
  const int silence =
      KLCONTROL_KEEPALIVE_IDLE_S + KLCONTROL_KEEPALIVE_INTERVAL_S * KLCONTROL_KEEPALIVE_PROBES;
  ASSERT_TRUE(waitUntil([&] { return server->notificationClientCount() == KLCONTROL_MAX_CLIENTS - 1; },
                        std::chrono::seconds(silence + 5)));
  auto taker = connectClient(KLCONTROL_MAX_CLIENTS);
  ASSERT_TRUE(
      waitUntil([&] { return std::chrono::steady_clock::now() - filled > kIdlePlace; }, kIdlePlace * 2));
  forgetLog();
  PushSocket newcomer;
  EXPECT_TRUE(clients[0]->closedByPeer(5000));
  EXPECT_TRUE(loggedLine(UTIL_LOG_WARN, "Push client never resumed for 5 s, its place goes to a new client"));
  EXPECT_FALSE(clients[1]->closedByPeer(0));
  ASSERT_EQ(push("status=1"), KL_OK);
  EXPECT_TRUE(isFullDocument(nextDocument(newcomer)));
  forgetLog();
  clients[3]->close();
  // Noticed by the worker's wait among the other clients, without a change to deliver.
  ASSERT_TRUE(waitUntil([&] { return server->notificationClientCount() == KLCONTROL_MAX_CLIENTS - 1; }));
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Notification client closed its connection, removing client"));
  auto latecomer = connectClient(KLCONTROL_MAX_CLIENTS);
  EXPECT_FALSE(latecomer->closedByPeer(0));
  ASSERT_FALSE(nextDocument(*clients[9]).empty());
}

// The parts the polls above cannot produce: both status classes at once, counts without texts; and
// the comparison of the slowly moving statuses at most once a second.
TEST(ChangeDocument, BodyPartsAndThePeriodicRule) {
  const std::pair<klcontrol_change_texts_t, const char*> cases[] = {
      {{1, "\"70\":50", 1, "\"2\":1", 2, "\"2\":4,\"3\":8"},
       "\"status\":{\"70\":50,\"2\":1},\n\"settings\":{\"2\":4,\"3\":8}\n"},
      // A count without text still opens its part; a text without count does not.
      {{1, "", 0, "", 0, ""}, "\"status\":{}"},
      {{0, "\"70\":50", 0, "", 0, "\"87\":1"}, ""},
  };
  for (const auto& [texts, body] : cases) EXPECT_EQ(klcontrol_change_body(texts), body) << body;
  // Times are {seconds, microseconds}; a second has passed only when the microseconds came round too.
  using Time = std::array<int64_t, 2>;
  const std::tuple<Time, Time, bool> times[] = {
      {{0, 0}, {5, 0}, true},                 // never compared
      {{100, 500000}, {101, 499999}, false},  // borrow from the microseconds
      {{100, 500000}, {101, 500000}, true},
      {{100, 999999}, {102, 0}, true},
      {{0, 1}, {0, 999999}, false},  // only both words zero mean never
  };
  for (const auto& [last, now, due] : times) {
    EXPECT_EQ(klcontrol_periodic_due(last.data(), now.data()), due)
        << last[0] << "." << last[1] << " -> " << now[0] << "." << now[1];
  }
}

}  // namespace
