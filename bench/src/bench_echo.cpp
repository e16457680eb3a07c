#include "bench_echo.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_queue.h"
#include "klTlv.h"
#include "klcontrol_tlv_text.h"

namespace {

// Raw: the answer goes to the first requester's queue, kept open as a server would cache it.
void serveRaw(const UniqueQueue& requests, const std::vector<uint8_t>& answer) {
  std::vector<uint8_t> request;
  UniqueQueue requester;
  while (benchReceive(requests, request, BENCH_SERVER_IDLE_MS)) {
    if (!requester.valid()) {
      const uint8_t* src = tlv_find(request.data(), TLV_SRC);
      if (src != nullptr) requester = benchOpenForWriting(klcontrol_tlv_text(src));
      if (!requester.valid()) return;
    }
    if (!benchSend(requester, answer)) return;
  }
}

// Daemon: each answer opens the requester's queue by name, sends and closes it.
void serveAsTheDaemon(const UniqueQueue& requests, const std::vector<uint8_t>& answer) {
  std::vector<uint8_t> request;
  while (benchWaitReadable(requests, BENCH_SERVER_IDLE_MS) && benchReceive(requests, request, 0)) {
    const uint8_t* src = tlv_find(request.data(), TLV_SRC);
    if (src == nullptr || !benchSend(benchOpenForWriting(klcontrol_tlv_text(src)), answer)) return;
  }
}

}  // namespace

BenchEcho::~BenchEcho() {
  stop();
}

std::vector<uint8_t> benchPlainAnswer() {
  std::vector<uint8_t> bytes(KLMSG_MAX);
  sntlv_msg_init(bytes.data(), unsigned(bytes.size()), CAT_CLIENT_RSP);
  sntlv_add_dat(bytes.data(), unsigned(bytes.size()), TLV_RSPCODE, 4, 0);
  sntlv_add_dat(bytes.data(), unsigned(bytes.size()), TLV_END, 0, 0);
  bytes.resize(size_t(sntlv_msg_len(bytes.data())));
  return bytes;
}

bool BenchEcho::start(const std::vector<uint8_t>& answer, BenchEchoCalls calls) {
  mRequests = benchCreateQueue(benchQueueName("echo"));
  if (!mRequests.valid()) return false;
  mChild = fork();
  if (mChild != 0) return mChild > 0;
  switch (calls) {
    case BenchEchoCalls::Raw:
      serveRaw(mRequests, answer);
      break;
    case BenchEchoCalls::Daemon:
      serveAsTheDaemon(mRequests, answer);
      break;
  }
  _exit(0);
}

void BenchEcho::stop() {
  if (mChild <= 0) return;
  kill(mChild, SIGTERM);
  waitpid(mChild, nullptr, 0);
  mChild = -1;
}
