// Load: concurrent requesters, a flood of random bytes and suspend/resume storms against the real
// daemon and simulated camera. Counts, never timings, are asserted.
#include <atomic>
#include <random>
#include <thread>

#include "klErrno.h"
#include "klLog.h"
#include "klTlv.h"
#include "klcontrol_command_number.h"
#include "load_fixture.h"
#include "test_command_bytes.h"
#include "test_sanitizers.h"

namespace {

// Commands whose answer does not depend on what the others did before them.
const CommandCase kMixed[] = {
    {"no operation", KLCONTROL_REMOTE_API, {}, false, KL_OK, 0},
    {"status block", KLCONTROL_GET_ALL_STATUS, {}, false, KL_OK, 384},
    {"settings block", KLCONTROL_GET_ALL_SETTINGS, {}, false, KL_OK, 238},
    {"log level kept", KLCONTROL_SET_LOG_LEVEL, words({UTIL_LOG_ERROR}), true, KL_OK, 0},
    {"mode without argument", KLCONTROL_MODE, {}, false, KL_ERR_INVALID_PARAM, 0},
    {"short log level", KLCONTROL_SET_LOG_LEVEL, {2, 0}, true, KL_ERR_INVALID_PARAM, 0},
    {"argument where none is taken", KLCONTROL_GLINT_TAG_RECORDING, {1}, true, KL_ERR_INVALID_PARAM, 0},
    {"number without a command", 1, {}, false, KL_ERR_NOT_SUPPORTED, 0},
    {"number past the table", 98, {}, false, KL_ERR_NOT_SUPPORTED, 0},
    {"largest number", 0xFFFFFFFFu, {7}, true, KL_ERR_NOT_SUPPORTED, 0},
    {"no operation with bytes", KLCONTROL_REMOTE_API, {0xFF, 0x00, 0x13}, true, KL_OK, 0},
};
constexpr size_t kMixedCount = sizeof kMixed / sizeof kMixed[0];

// Each answer is taken before the next request, so an answer lost, doubled or sent to another
// requester shows as a mismatch; the last exchange proves nothing else is waiting.
std::string runMixedRequester(int index, int count) {
  const TestRequester requester("/kl_load_" + std::to_string(index));
  std::mt19937 pick(unsigned(index + 1));
  for (int i = 0; i < count; ++i) {
    const std::string mismatch = exchange(requester, kMixed[pick() % kMixedCount]);
    if (!mismatch.empty()) return "request " + std::to_string(i) + ": " + mismatch;
  }
  const std::string mismatch = exchange(requester, kMixed[1]);
  if (!mismatch.empty()) return "last request: " + mismatch;
  return requester.pending() == 0 ? "" : "answers left over";
}

// The answer to a command sent during the storm: 1 (suspended), or its own status and payload.
std::string stormAnswer(const TestAnswer& answer, const CommandCase& c) {
  if (!answer.hasStatus) return "no answer";
  const bool suspended = answer.status == 1 && answer.payload.empty();
  const bool own = answer.status == KL_OK && answer.payload.size() == c.payloadSize;
  return suspended || own ? "" : "status " + std::to_string(answer.status);
}

class LoadTest : public EndToEndTest {};

TEST_F(LoadTest, RequestersAndSuspendResumeStormsGetEveryAnswerOnce) {
  const int count = scaledCount(5000);
  std::string results[4];
  std::vector<std::thread> requesters;
  for (int i = 0; i < 4; ++i)
    requesters.emplace_back([&results, i, count] { results[i] = runMixedRequester(i, count); });
  for (std::thread& t : requesters) t.join();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(results[i], "") << "requester " << i;
  EXPECT_EQ(requester->pending(), 0);
  // Then suspend/resume storms while two clients keep sending commands.
  const int cycles = scaledCount(1000);
  std::atomic<bool> storming{true};
  std::string stormResults[3];
  std::thread system([&] {
    const TestRequester sys("/kl_load_system");
    for (int i = 0; i < 2 * cycles && stormResults[2].empty(); ++i) {
      const char* code = i % 2 == 0 ? "JS" : "JR";
      TestAnswer answer;
      if (!TestRequester::sendToDaemon(TestRequester::coded(CAT_SYS_CMD, code, nullptr, sys.name())) ||
          !sys.receive(answer) || answer.category != CAT_SYS_RSP || answer.payload != std::vector<uint8_t>{0})
        stormResults[2] = std::string("no in-place answer to ") + code + " " + std::to_string(i);
    }
    if (stormResults[2].empty() && sys.pending() != 0) stormResults[2] = "answers left over";
    storming = false;
  });
  std::vector<std::thread> clients;
  for (int c = 0; c < 2; ++c) {
    clients.emplace_back([&, c] {
      const TestRequester client("/kl_load_client_" + std::to_string(c));
      for (long n = 0; storming && stormResults[c].empty(); ++n) {
        const std::string fault = stormAnswer(client.ask(kMixed[c].number), kMixed[c]);
        if (!fault.empty()) stormResults[c] = "command " + std::to_string(n) + ": " + fault;
      }
      if (stormResults[c].empty() && client.pending() != 0) stormResults[c] = "answers left over";
    });
  }
  system.join();
  for (std::thread& t : clients) t.join();
  for (const std::string& result : stormResults) EXPECT_EQ(result, "");
  for (const CommandCase& c : kMixed) EXPECT_EQ(exchange(*requester, c), "");
}

// Random messages: raw bytes, well-formed frames of random records, status-interface value
// updates of random ids, and client commands with numbers outside the table and random arguments,
// none naming a queue that exists.
std::vector<uint8_t> randomMessage(std::mt19937& random) {
  std::vector<uint8_t> msg;
  auto byte = [&random] { return uint8_t(random()); };
  switch (random() % 4) {
    case 0:
      msg.resize(random() % (KLMSG_MAX + 1));
      for (uint8_t& b : msg) b = byte();
      return msg;
    case 1: {
      // Client commands come from the third kind only, so that no random frame runs a real command.
      uint8_t category = byte();
      if (category == CAT_CLIENT_CMD) category = CAT_CLIENT_RSP;
      uint8_t frame[KLMSG_MAX];
      sntlv_msg_init(frame, sizeof frame, category);
      static const uint8_t kTypes[] = {TLV_CMD,    TLV_CMDARG, TLV_DST,    TLV_SRC,
                                       TLV_RSPARG, TLV_VOID,   TLV_RSPCODE};
      for (int records = 1 + random() % 4; records > 0; --records) {
        std::vector<uint8_t> value(1 + random() % 63);  // an empty source is refused by the builder
        for (uint8_t& b : value) b = byte();
        sntlv_add_bin(frame, sizeof frame, kTypes[random() % sizeof kTypes], unsigned(value.size()),
                      value.data());
      }
      sntlv_add_bin(frame, sizeof frame, TLV_END, 0, nullptr);
      return std::vector<uint8_t>(frame, frame + sntlv_msg_len(frame));
    }
    case 2:
      return csi_test::update(uint32_t(random()), uint32_t(random()));
    default: {
      std::vector<uint8_t> arg(random() % 300);
      for (uint8_t& b : arg) b = byte();
      const uint32_t number = KLCONTROL_WORKER_EXIT + 1 + random() % 0xFFFF0000u;
      return TestRequester::command(number, &arg, "/kl_absent_" + std::to_string(random() % 100));
    }
  }
}

// Each send waits at most 2 s for room.
bool flood(int count, std::mt19937& random) {
  for (int i = 0; i < count; ++i) {
    if (!TestRequester::sendToDaemon(randomMessage(random))) return false;
  }
  return true;
}

TEST_F(LoadTest, RandomMessagesLeaveMemoryFlatAndTheDaemonServing) {
  std::mt19937 random(20261205);
  ASSERT_TRUE(flood(scaledCount(10000), random));
  ASSERT_EQ(exchange(*requester, kMixed[1]), "");
  const long before = daemonRssKb();
  ASSERT_TRUE(flood(scaledCount(100000), random));
  ASSERT_EQ(exchange(*requester, kMixed[1]), "");
  const long after = daemonRssKb();
  EXPECT_EQ(exchange(*requester, kMixed[0]), "");
  EXPECT_EQ(requester->pending(), 0);
  std::printf("daemon VmRSS %ld KiB after warm-up, %ld KiB after the flood\n", before, after);
#if defined(KL_ADDRESS_SANITIZER) || defined(KL_THREAD_SANITIZER)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory in quarantine, so VmRSS is not the daemon's";
#else
  ASSERT_GT(before, 0);
  EXPECT_LE(after - before, 1024);
#endif
}

}  // namespace
