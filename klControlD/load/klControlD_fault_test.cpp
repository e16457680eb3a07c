// Faults around the daemon: notification clients that stop reading, close or die, a camera killed
// in the middle of a command, requesters whose queues are gone or full, a standard error nobody reads.
#include <fcntl.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "klErrno.h"
#include "klTlv.h"
#include "kl_test_emulator.h"
#include "klcontrol_command_number.h"
#include "klcontrol_daemon.h"
#include "load_fixture.h"
#include "test_push_clients.h"
#include "wait_until.h"

namespace {

const CommandCase kNoOperation = {"no operation", KLCONTROL_REMOTE_API, {}, false, KL_OK, 0};
const CommandCase kStatusBlock = {"status block", KLCONTROL_GET_ALL_STATUS, {}, false, KL_OK, 384};

class FaultTest : public EndToEndTest {
 protected:
  int32_t push(const char* text) { return switchPushing(*requester, text); }
  // True once the status block goes unread for 1.5 s (a listened-to camera is read twice a
  // second): no client is left to poll for.
  bool cameraLeftIdle() {
    return waitUntil(
        [this] {
          const long before = requestCount("8/11");
          std::this_thread::sleep_for(std::chrono::milliseconds(1500));
          return requestCount("8/11") == before;
        },
        std::chrono::seconds(15));
  }
  // True when a thread of the daemon is blocked in a queue send.
  bool daemonWaitsInQueueSend() {
    const auto threads = threadSyscalls(daemon->pid());
    return std::any_of(threads.begin(), threads.end(),
                       [](const auto& t) { return t.second == SYS_mq_timedsend; });
  }
};

// Fills a queue to its limit with one-byte messages.
void fillQueue(const std::string& name) {
  const mqd_t queue = mq_open(name.c_str(), O_WRONLY | O_NONBLOCK);
  while (queue != -1 && mq_send(queue, "x", 1, 0) == 0) {
  }
  if (queue != -1) mq_close(queue);
}

// The namespace's TCP send buffers may grow to 4 MiB by default: capped at 64 KiB, a stall shows
// after tens of documents instead of thousands.
bool capTcpSendBuffers() {
  const char* const path = "/proc/sys/net/ipv4/tcp_wmem";
  std::ofstream(path) << "4096 16384 65536\n";
  long low = 0, initial = 0, most = 0;
  std::ifstream(path) >> low >> initial >> most;
  return most == 65536;
}

// Every reader must see each full state (after a pause and resume) and each change, in order,
// while one client never reads and is dropped for it; the commands go on being answered.
TEST_F(FaultTest, StalledSocketClientIsDroppedWhileNineOthersGetEveryDocument) {
  ASSERT_TRUE(capTcpSendBuffers());
  PushSocket stalled(1024);  // reads nothing until the end
  std::vector<std::unique_ptr<PushSocket>> readers;
  for (int i = 0; i < 9; ++i) readers.push_back(std::make_unique<PushSocket>());
  const int rounds = 80;  // the stall shows after about 45 on Linux 6
  size_t fullSize = 0;
  for (int round = 0; round < rounds; ++round) {
    ASSERT_EQ(push("status=0"), KL_OK);
    ASSERT_EQ(push("status=1"), KL_OK);
    for (auto& reader : readers) {
      std::string document;
      ASSERT_TRUE(reader->next(document)) << "round " << round;
      ASSERT_TRUE(isFullDocument(document)) << "round " << round << ": " << document;
      fullSize = document.size();
    }
    const int level = round % 4;
    ASSERT_EQ(control("set status.battery_level " + std::to_string(level)), "ok");
    ASSERT_EQ(exchange(*requester, kNoOperation), "");
    const std::string expected = "{\"status\":{\"2\":" + std::to_string(level) + "}}";
    for (auto& reader : readers) ASSERT_EQ(nextDocument(*reader), expected) << "round " << round;
  }
  ASSERT_EQ(exchange(*requester, kStatusBlock), "");
  for (auto& reader : readers) EXPECT_EQ(reader->drain(), 0);
  const int stalledDocuments = stalled.readToTheEnd(2000);
  EXPECT_GE(stalledDocuments, 0) << "the stalled client is still connected";
  EXPECT_LT(stalledDocuments, 2 * rounds);
  std::printf("full document %zu bytes; the stalled client got %d of %d documents\n", fullSize,
              stalledDocuments, 2 * rounds);
}

// Watchers that each take one full document and close, as `klctl watch --count 1` does, while the
// camera's state does not change: each close frees its place at once, so all twelve are served,
// and once the last has gone the camera is no longer polled.
TEST_F(FaultTest, ClosedSocketClientsFreeTheirPlacesAtOnce) {
  for (int watcher = 0; watcher < 12; ++watcher) {
    PushSocket socket;
    std::string document;
    // Resumed once the accept loop has listed it; until then it is not sent anything.
    ASSERT_TRUE(waitUntil([&] { return push("status=1") == KL_OK && socket.next(document, 300); }))
        << "watcher " << watcher;
    EXPECT_TRUE(isFullDocument(document)) << document;
  }
  EXPECT_TRUE(cameraLeftIdle());
}

// A queue client that dies: its queue removed unread after one document, as a crashed client's
// would be (the daemon's descriptor keeps it alive). Once it is full, a delivery waits 2 s, fails
// and removes the client; every command is answered meanwhile and the camera is left idle.
TEST_F(FaultTest, QueueClientThatStopsReadingIsRemovedOnceItsQueueStaysFull) {
  {
    PushQueue crashed("/kl_crashed");
    const std::vector<uint8_t> registration = queueRegistration(1, crashed.name());
    ASSERT_EQ(requester->call(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &registration), KL_OK);
    ASSERT_FALSE(nextDocument(crashed).empty());
  }
  auto longest = std::chrono::steady_clock::duration::zero();
  for (int change = 0; change < 15; ++change) {  // the queue holds 10
    ASSERT_EQ(control("set status.battery_level " + std::to_string(change % 4)), "ok");
    const long polls = requestCount("8/11");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(exchange(*requester, kNoOperation), "") << "change " << change;
    longest = std::max(longest, std::chrono::steady_clock::now() - start);
    // Each change its own document: the next one is made only once a poll has read this one. No
    // poll comes once the client is gone.
    if (!waitUntil([&] { return requestCount("8/11") > polls; }, std::chrono::seconds(3))) break;
  }
  EXPECT_TRUE(cameraLeftIdle());
  std::printf("longest wait for an answer: %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()));
}

// The in-place answer to "JS"/"JR" takes the bounded send of every answer: a check for room and then
// a blocking send waited for good when the queue filled in between. A full queue now holds the
// answer until the requester reads, then it goes out; one never read costs it after 2 s.
TEST_F(FaultTest, InPlaceAnswerWaitsForRoomAtMostTwoSeconds) {
  if (klTestEmulated()) GTEST_SKIP() << "the emulator's /proc shows the host's system-call numbers";
  const TestRequester system("/kl_fault_system");
  fillQueue(system.name());
  ASSERT_TRUE(TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, "JS", nullptr, system.name())));
  ASSERT_TRUE(waitUntil([this] { return daemonWaitsInQueueSend(); }));
  TestAnswer answer;
  for (int filler = 0; filler < 10; ++filler) ASSERT_TRUE(system.receive(answer));
  ASSERT_TRUE(system.receive(answer));
  EXPECT_EQ(answer.category, CAT_SYS_RSP);
  EXPECT_EQ(answer.payload, std::vector<uint8_t>{0});
  fillQueue(system.name());
  ASSERT_TRUE(TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, "JR", nullptr, system.name())));
  EXPECT_EQ(exchange(*requester, kNoOperation), "");
  EXPECT_EQ(system.pending(), 10);
}

// The camera dies while the daemon waits for its reply: that command is answered with the link's
// error, so is one sent while it is away, and the restarted camera is served again. Replies
// cannot be lost on purpose without a fault, so the camera is made to drop the one reply.
TEST_F(FaultTest, CameraKilledInTheMiddleOfACommandCostsOnlyThatCommand) {
  const long before = requestCount("8/11");
  ASSERT_EQ(control("fault 8/11 drop"), "ok");
  ASSERT_TRUE(requester->sendCommand(KLCONTROL_GET_ALL_STATUS));
  ASSERT_TRUE(waitUntil([&] { return requestCount("8/11") == before + 1; }));
  ASSERT_NE(camera->stop(SIGKILL, 5000), -1);
  TestAnswer answer;
  ASSERT_TRUE(requester->receive(answer));
  EXPECT_EQ(answer.status, KL_ERR_MQ_FAIL);
  EXPECT_EQ(requester->call(KLCONTROL_GET_ALL_STATUS), KL_ERR_MQ_FAIL);
  EXPECT_EQ(exchange(*requester, kNoOperation), "");
  startCamera();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(exchange(*requester, kStatusBlock), "") << i;
  EXPECT_EQ(requester->pending(), 0);
}

// A camera stopped cleanly removes its queue, and the restarted one makes a new queue under the
// same name: the request sent to the old queue is lost, the following ones reach the new camera.
TEST_F(FaultTest, CameraRestartedWithANewQueueIsReachedAfterOneLostRequest) {
  EXPECT_EQ(exchange(*requester, kStatusBlock), "");
  ASSERT_NE(camera->stop(SIGTERM, 5000), -1);
  startCamera();
  EXPECT_EQ(requester->call(KLCONTROL_GET_ALL_STATUS), KL_ERR_MQ_FAIL);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(exchange(*requester, kStatusBlock), "") << i;
  EXPECT_EQ(requester->pending(), 0);
}

// Ways a requester's queue can fail its answer. Each returns what must outlive the daemon's
// attempt; meanwhile another requester must be served.
struct QueueFault {
  const char* name;
  std::function<std::shared_ptr<TestRequester>(EndToEndTest&)> fault;
};

std::vector<uint8_t> commandFrom(const std::string& queue) {
  return TestRequester::command(KLCONTROL_REMOTE_API, nullptr, queue);
}

const QueueFault kQueueFaults[] = {
    {"never created",
     [](EndToEndTest&) {
       EXPECT_TRUE(TestRequester::sendToDaemon(commandFrom("/kl_never")));
       return nullptr;
     }},
    {"removed while its command waits for the camera",
     [](EndToEndTest& test) {
       auto gone = std::make_unique<TestRequester>("/kl_gone");
       EXPECT_EQ(test.control("fault 8/11 drop"), "ok");
       const long before = test.requestCount("8/11");
       EXPECT_TRUE(gone->sendCommand(KLCONTROL_GET_ALL_STATUS));
       EXPECT_TRUE(waitUntil([&] { return test.requestCount("8/11") == before + 1; }));
       return nullptr;
     }},
    {"full and never read",
     [](EndToEndTest&) {
       auto full = std::make_shared<TestRequester>("/kl_full");
       for (int i = 0; i < 11; ++i) EXPECT_TRUE(TestRequester::sendToDaemon(commandFrom(full->name())));
       return full;
     }},
    {"message size too small for an answer",
     [](EndToEndTest&) {
       mq_attr attr{};
       attr.mq_maxmsg = 1;
       attr.mq_msgsize = 8;
       const mqd_t tiny = mq_open("/kl_tiny", O_RDONLY | O_CREAT, 0600, &attr);
       EXPECT_NE(tiny, mqd_t(-1));
       EXPECT_TRUE(TestRequester::sendToDaemon(commandFrom("/kl_tiny")));
       mq_close(tiny);
       return nullptr;
     }},
};

TEST_F(FaultTest, RequesterWhoseQueueFailsCostsOnlyItsAnswer) {
  for (const QueueFault& c : kQueueFaults) {
    SCOPED_TRACE(c.name);
    const std::shared_ptr<TestRequester> keep = c.fault(*this);
    EXPECT_EQ(exchange(*requester, kNoOperation), "");
    EXPECT_EQ(exchange(*requester, kStatusBlock), "");
    if (keep) {
      EXPECT_EQ(keep->pending(), 10);
    }
  }
  EXPECT_EQ(requester->pending(), 0);
}

// Log lines reach standard error once the library's debug channel has written there (at start-up
// while the status-interface service is not up, and for an in-place answer that cannot be sent).
// With a pipe whose reader has gone, each such write must cost only itself: the daemon starts, the
// suspend and resume are handled and the commands after them answered.
TEST_F(FaultTest, StandardErrorWithoutAReaderCostsOnlyTheLines) {
  ASSERT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  ASSERT_EQ(daemon->exitStatus(10000), 0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  startDaemon(ends[1]);
  close(ends[1]);
  for (const char* code : {"JS", "JR"}) {
    ASSERT_TRUE(TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, code, nullptr, "/kl_never")));
  }
  EXPECT_EQ(requester->call(KLCONTROL_MODE), KL_ERR_INVALID_PARAM);  // "Invalid parameter" is logged
  EXPECT_EQ(exchange(*requester, kStatusBlock), "");
}

}  // namespace
