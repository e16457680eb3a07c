// Faults around the daemon: notification clients that stop reading, close or die, a camera killed
// in the middle of a command, requesters whose queues are gone or full, a standard error nobody reads.
#include <fcntl.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "klErrno.h"
#include "klTlv.h"
#include "klcontrol_command_number.h"
#include "klcontrol_daemon.h"
#include "load_fixture.h"
#include "test_process.h"
#include "test_push_clients.h"
#include "wait_until.h"

namespace {

const CommandCase kNoOperation = {"no operation", KLCONTROL_REMOTE_API, {}, false, KL_OK, 0};
const CommandCase kStatusBlock = {"status block", KLCONTROL_GET_ALL_STATUS, {}, false, KL_OK, 384};

class FaultTest : public EndToEndTest {
 protected:
  int32_t push(const char* text) { return switchPushing(*requester, text); }
  // A listened-to camera is read twice a second: 1.5 s without a read means no client is left.
  bool cameraLeftIdle() {
    return waitUntil(
        [this] {
          const long before = requestCount("8/11");
          std::this_thread::sleep_for(std::chrono::milliseconds(1500));
          return requestCount("8/11") == before;
        },
        std::chrono::seconds(15));
  }
};

// Capped at 64 KiB (4 MiB by default), a stall shows after tens of documents instead of thousands.
bool capTcpSendBuffers() {
  const char* const path = "/proc/sys/net/ipv4/tcp_wmem";
  std::ofstream(path) << "4096 16384 65536\n";
  long low = 0, initial = 0, most = 0;
  std::ifstream(path) >> low >> initial >> most;
  return most == 65536;
}

// Ten queue clients whose processes died (their queues removed unread) free their places without a
// camera change to send. Watchers that take one document and close, as `klctl watch --count 1` does,
// free theirs at once. Then no client is left to read the camera for. A socket client that stops
// reading is dropped while nine others get every document, and never ends on a cut document.
TEST_F(FaultTest, ClientsThatCloseDieOrStallAreDroppedWhileOthersGetEveryDocument) {
  for (int crashed = 0; crashed < 10; ++crashed) {
    TestRequester queue("/kl_crashed" + std::to_string(crashed));  // removed unread once it has one
    const std::vector<uint8_t> registration = queueRegistration(1, queue.name());
    ASSERT_EQ(requester->call(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &registration), KL_OK);
    ASSERT_FALSE(nextDocument(queue).empty());
  }
  EXPECT_TRUE(cameraLeftIdle());
  for (int watcher = 0; watcher < 12; ++watcher) {
    PushSocket socket;
    std::string document;
    // Resumed once the accept loop has listed it; until then it is not sent anything.
    ASSERT_TRUE(waitUntil([&] { return push("status=1") == KL_OK && socket.next(document, 300); }))
        << "watcher " << watcher;
    EXPECT_TRUE(isFullDocument(document)) << document;
  }
  EXPECT_TRUE(cameraLeftIdle());
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
  EXPECT_GE(stalledDocuments, 0) << "the stalled client is still connected or got a cut document";
  EXPECT_LT(stalledDocuments, 2 * rounds);
  std::printf("full document %zu bytes; the stalled client got %d of %d documents\n", fullSize,
              stalledDocuments, 2 * rounds);
}

// The camera is made to drop the reply, so that it dies while the daemon waits for it. Stopped and
// restarted later, its new queue is reached after one request lost to the daemon's descriptor, which
// still names the removed queue. A daemon whose start-up fails exits with -1; one whose standard error
// has no reader loses only the lines.
TEST_F(FaultTest, CameraKilledOrRestartedAndStandardErrorUnreadCostOnlyTheirShare) {
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
  ASSERT_NE(camera->stop(SIGTERM, 5000), -1);
  startCamera();
  EXPECT_EQ(requester->call(KLCONTROL_GET_ALL_STATUS), KL_ERR_MQ_FAIL);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(exchange(*requester, kStatusBlock), "") << i;
  EXPECT_EQ(requester->pending(), 0);
  // Restarted with its standard error on a pipe of one page, never read while its reader lives. Each
  // "JR" from a queue that does not exist writes debug lines there, each refusal a daemon line at ERROR.
  ASSERT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  ASSERT_EQ(daemon->exitStatus(10000), 0);
  // A start-up that fails, on a port another listener holds, ends the process with -1.
  UniqueFd holder = holdNotificationPort();
  ASSERT_TRUE(holder.valid());
  EXPECT_EQ(TestProcess({KL_CONTROLD_PATH}).exitStatus(30000), 255);
  holder.reset();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const int pipeSize = fcntl(ends[1], F_SETPIPE_SZ, 4096);
  startDaemon(ends[1]);
  close(ends[1]);
  const std::vector<uint8_t> resume = TestRequester::coded(CAT_SYS_CMD, "JR", nullptr, "/kl_never");
  int unread = 0;
  for (int round = 0; round < 110; ++round) {
    if (round == 100) {
      ASSERT_EQ(ioctl(ends[0], FIONREAD, &unread), 0);
      close(ends[0]);  // then the reader goes
    }
    ASSERT_TRUE(TestRequester::sendToDaemon(resume)) << round;
    ASSERT_EQ(requester->call(KLCONTROL_MODE), KL_ERR_INVALID_PARAM) << round;
  }
  EXPECT_GT(unread, pipeSize - 200) << "the pipe was not filled";
  EXPECT_EQ(exchange(*requester, kStatusBlock), "");
}

// Requests left in the daemon queue by a daemon killed by a signal ran on the next one, camera traffic
// included, and a stop command among them stopped it during its start.
TEST_F(FaultTest, RequestsLeftByAKilledDaemonAreDroppedUnrun) {
  ASSERT_NE(daemon->stop(SIGKILL, 5000), -1);  // its queues stay
  ASSERT_TRUE(requester->sendCommand(KLCONTROL_ANALYTICS_CLEAR));
  ASSERT_TRUE(requester->sendCommand(KLCONTROL_WORKER_EXIT));
  // Full, it refuses the next daemon's readiness probe (in 2 s) rather than dropping it with the rest.
  fillQueue("/to_klCtlD");
  startDaemon();
  EXPECT_EQ(exchange(*requester, kStatusBlock), "");
  EXPECT_EQ(requestCount("8/20"), 0);
}

long long msSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

// With a wall clock an hour ahead, so that a wait until a wall-clock deadline would last an hour. A
// requester that never reads costs one bounded wait, not one a message: its further answers are
// dropped at once, also when its requests overtake everyone's. In-place answers never wait.
TEST_F(FaultTest, RequesterWhoseQueueFailsCostsOnlyItsAnswer) {
  ASSERT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  ASSERT_EQ(daemon->exitStatus(10000), 0);
  setenv("LD_PRELOAD", KL_WALL_CLOCK_AHEAD_PATH, 1);
  startDaemon();
  unsetenv("LD_PRELOAD");
  const auto othersServed = [this](const char* fault) {
    EXPECT_EQ(exchange(*requester, kNoOperation), "") << fault;
    EXPECT_EQ(exchange(*requester, kStatusBlock), "") << fault;
  };
  {
    const TestRequester gone("/kl_gone");
    ASSERT_EQ(control("fault 8/11 drop"), "ok");
    const long before = requestCount("8/11");
    ASSERT_TRUE(gone.sendCommand(KLCONTROL_GET_ALL_STATUS));
    ASSERT_TRUE(waitUntil([&] { return requestCount("8/11") == before + 1; }));
  }
  othersServed("removed");
  const TestRequester full("/kl_full");
  const std::vector<uint8_t> fromFull = TestRequester::command(KLCONTROL_REMOTE_API, nullptr, full.name());
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(TestRequester::sendToDaemon(fromFull));
  othersServed("full");  // behind the one wait of the eleventh
  // One request after another at a priority that overtakes everyone's, queued while the camera holds
  // the worker for 1 s (the daemon queue holds 5).
  ASSERT_EQ(control("fault 8/11 late 1000"), "ok");
  const long before = requestCount("8/11");
  ASSERT_TRUE(full.sendCommand(KLCONTROL_GET_ALL_STATUS));
  ASSERT_TRUE(waitUntil([&] { return requestCount("8/11") == before + 1; }));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(TestRequester::sendToDaemon(fromFull, 1)) << i;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(requester->sendCommand(KLCONTROL_REMOTE_API));
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(TestRequester::sendToDaemon(fromFull, 1)) << i;
  TestAnswer answer;
  ASSERT_TRUE(requester->receive(answer));
  EXPECT_EQ(answer.status, KL_OK);
  std::printf("answered %lld ms after its request, the camera's 1 s included\n", msSince(start));
  EXPECT_EQ(full.pending(), 10);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(full.receive(answer));
  EXPECT_EQ(exchange(full, kNoOperation), "");  // answered again once it reads
  mq_attr attr{};
  attr.mq_maxmsg = 1;
  attr.mq_msgsize = 8;
  const mqd_t tiny = mq_open("/kl_tiny", O_RDONLY | O_CREAT, 0600, &attr);
  ASSERT_NE(tiny, mqd_t(-1));
  EXPECT_TRUE(TestRequester::sendToDaemon(TestRequester::command(KLCONTROL_REMOTE_API, nullptr, "/kl_tiny")));
  mq_close(tiny);
  othersServed("too small");
  EXPECT_EQ(requester->pending(), 0);
  const TestRequester system("/kl_fault_system");
  fillQueue(system.name());
  start = std::chrono::steady_clock::now();
  for (int pair = 0; pair < 5; ++pair) {
    for (const char* code : {"JS", "JR"})
      ASSERT_TRUE(
          TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, code, nullptr, system.name())));
  }
  EXPECT_EQ(exchange(*requester, kNoOperation), "");
  std::printf("answered after %lld ms behind 10 in-place answers to a full queue\n", msSince(start));
  EXPECT_EQ(system.pending(), 10);
  for (int filler = 0; filler < 10; ++filler) ASSERT_TRUE(system.receive(answer));
  ASSERT_TRUE(TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, "JS", nullptr, system.name())));
  ASSERT_TRUE(system.receive(answer));
  EXPECT_EQ(answer.category, CAT_SYS_RSP);
  EXPECT_EQ(answer.payload, std::vector<uint8_t>{0});
}

}  // namespace
