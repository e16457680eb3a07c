#include "test_requester.h"

#include <fcntl.h>

#include <climits>
#include <cstring>

#include "klMbox.h"
#include "klMqWait.h"
#include "klTlv.h"
#include "klcontrol_client_message.h"
#include "klcontrol_endpoints.h"
#include "test_command_bytes.h"

TestRequester::TestRequester(const std::string& name) : mName(name) {
  mq_attr attr{};
  attr.mq_maxmsg = 10;
  attr.mq_msgsize = KLMSG_MAX;
  mq_unlink(mName.c_str());
  mQueue = UniqueQueue::create(mName, O_RDONLY, 0600, attr);
}

TestRequester::~TestRequester() = default;

std::vector<uint8_t> TestRequester::command(uint32_t number, const std::vector<uint8_t>* arg,
                                            const std::string& source) {
  std::vector<uint8_t> msg(KLMSG_MAX);
  msg.resize(size_t(klcontrol_build_command(msg.data(), KLMSG_MAX, number, arg, source)));
  return msg;
}

std::vector<uint8_t> TestRequester::coded(uint8_t category, const char* code, const std::vector<uint8_t>* arg,
                                          const std::string& source) {
  std::vector<csi_test::Record> records{{TLV_CMD, {code, code + 2}}};
  if (arg != nullptr) records.push_back({TLV_CMDARG, *arg});
  records.push_back({TLV_DST, textArg(KLCONTROL_DAEMON_QUEUE)});
  records.push_back({TLV_SRC, textArg(source)});
  return csi_test::message(category, records);
}

bool TestRequester::sendToDaemon(const std::vector<uint8_t>& bytes, unsigned priority) {
  const UniqueQueue daemon = UniqueQueue::open(KLCONTROL_DAEMON_QUEUE, O_WRONLY);
  static const char kEmpty[1] = {0};
  const void* data = bytes.empty() ? static_cast<const void*>(kEmpty) : bytes.data();
  // A signal (a fuzzer's alarm, say) does not pass for a full queue: the wait goes on.
  return daemon.valid() && kl_mq_send_within(daemon.get(), data, bytes.size(), priority, 2000) == 0;
}

bool TestRequester::sendCommand(uint32_t number, const std::vector<uint8_t>* arg) const {
  return sendToDaemon(command(number, arg, mName));
}

bool TestRequester::receive(TestAnswer& answer, int timeoutMs) const {
  answer = TestAnswer{};
  std::vector<uint8_t> buffer(KLMSG_MAX);
  const timespec wait{timeoutMs / 1000, long(timeoutMs % 1000) * 1000000L};
  const ssize_t n = kl_mq_timedreceive2(mQueue.get(), reinterpret_cast<char*>(buffer.data()), buffer.size(),
                                        nullptr, &wait);
  if (n < 0) return false;
  buffer.resize(size_t(n));
  answer.bytes = buffer;
  if (tlv_msg_check(buffer.data(), int(n)) != 0) return true;
  answer.category = buffer[TLV_CATEGORY_BYTE];
  const uint8_t* code = tlv_find(buffer.data(), TLV_RSPCODE);
  if (code != nullptr && tlv_value_len(code) == 4) {
    answer.hasStatus = true;
    std::memcpy(&answer.status, tlv_value(code), 4);
  }
  const uint8_t* payload = tlv_find(buffer.data(), TLV_RSPARG);
  if (payload != nullptr)
    answer.payload.assign(tlv_value(payload), tlv_value(payload) + tlv_value_len(payload));
  return true;
}

TestAnswer TestRequester::ask(uint32_t number, const std::vector<uint8_t>* arg) const {
  TestAnswer answer;
  if (!sendCommand(number, arg) || !receive(answer) || !answer.hasStatus) answer.status = INT32_MIN;
  return answer;
}

long TestRequester::pending() const {
  mq_attr attr{};
  mq_getattr(mQueue.get(), &attr);
  return attr.mq_curmsgs;
}

bool TestRequester::next(std::string& document, int timeoutMs) const {
  TestAnswer event;
  const std::vector<uint8_t>& text = event.payload;
  if (!receive(event, timeoutMs) || event.category != CAT_CLIENT_EVENT || text.empty() || text.back() != 0)
    return false;
  document.assign(text.begin(), text.end() - 1);
  return true;
}

void fillQueue(const std::string& name) {
  const UniqueQueue queue = UniqueQueue::open(name.c_str(), O_WRONLY | O_NONBLOCK);
  while (queue.valid() && mq_send(queue.get(), "x", 1, 0) == 0) {
  }
}

std::vector<uint8_t> queueRegistration(uint32_t enable, const std::string& name) {
  std::vector<uint8_t> arg(sizeof enable + name.size() + 1, 0);
  std::memcpy(arg.data(), &enable, sizeof enable);
  std::memcpy(arg.data() + sizeof enable, name.data(), name.size());
  return arg;
}
