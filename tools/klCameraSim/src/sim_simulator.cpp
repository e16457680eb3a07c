#include "sim_simulator.h"

#include <fcntl.h>
#include <mqueue.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "KLCSIListener.h"
#include "klTlv.h"
#include "sim_control_socket.h"
#include "sim_events.h"
#include "sim_log.h"
#include "sim_preset_events.h"
#include "sim_state_file.h"
#include "sim_transcode_control.h"

namespace {

constexpr long kLinkQueueDepth = 10;
constexpr long kEventQueueDepth = 2;
constexpr long kCsiQueueDepth = 10;
constexpr size_t kMaxClients = 8;
// The link thread's wake-up goes before any request (sent with priority 0).
constexpr unsigned kLinkWakePriority = 1;
// The poll set: these, then the control clients.
enum : size_t { kPollStop, kPollWake, kPollEvents, kPollListen, kPollCsi, kPollFirstClient };

// Opens a queue for reading; its message size must fit one TLV message buffer. A queue a killed
// simulator left behind is taken over, not replaced: the daemon's descriptor for it stays good, so the
// kill costs only the request in hand (replies to stale requests carry old sequence numbers).
bool openQueue(const char* name, long depth, UniqueQueue& queue) {
  klMbox_t mbox;
  mq_attr attr{};
  if (klMbox_rxopen(name, depth, &mbox) == 0) queue = UniqueQueue(mbox.mqd, name);
  if (!queue.valid() || mq_getattr(queue.get(), &attr) != 0 || attr.mq_msgsize > KLMSG_MAX) {
    simLog("cannot open queue %s: %s", name, std::strerror(errno));
    return false;
  }
  return true;
}

// Adds one to an eventfd counter. Nothing to do when it fails: the counter is already non-zero then.
void signalEventFd(const UniqueFd& fd) {
  const uint64_t one = 1;
  if (write(fd.get(), &one, sizeof one) < 0) return;
}

// Takes what an eventfd counted: it only had to wake the poll.
void drainEventFd(const UniqueFd& fd) {
  uint64_t count = 0;
  if (read(fd.get(), &count, sizeof count) < 0) return;
}

}  // namespace

SimSimulator::SimSimulator(const SimOptions& options)
    : mOptions(options),
      mCamera(options.model),
      mRouter(mCamera),
      mDrift(options.drift || options.replyDelayMs > 0),
      mSleepEvents(options.sleepEvents),
      mStop(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      mWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (mOptions.controlName.empty()) mOptions.controlName = SIM_CONTROL_NAME;
}

SimSimulator::~SimSimulator() = default;

bool SimSimulator::open() {
  std::string error;
  unsigned model = 0;
  {
    KlLock lock(mMutex);
    if (!mOptions.stateFile.empty() && !simLoadStateFile(mCamera, mOptions.stateFile, error)) {
      simLog("state file: %s", error.c_str());
      return false;
    }
    model = mCamera.model();
  }
  // The control name is taken first: a second simulator stops here, before it could remove the
  // first one's queues on its way out.
  mListen = simControlListen(mOptions.controlName);
  if (!mListen.valid()) {
    simLog("cannot listen on @%s: %s", mOptions.controlName.c_str(), std::strerror(errno));
    return false;
  }
  if (!mStop.valid() || !mWake.valid() || !openQueue(SIM_LINK_QUEUE, kLinkQueueDepth, mLink) ||
      !openQueue(SIM_EVENT_QUEUE, kEventQueueDepth, mEvents) ||
      !openQueue(KLCSI_SERVICE_QUEUE, kCsiQueueDepth, mCsiQueue)) {
    return false;
  }
  // Opened now, not by name at the stop: it reaches the queue the link thread reads, whatever the name
  // holds by then.
  mLinkWake = UniqueQueue::open(SIM_LINK_QUEUE, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (!mLinkWake.valid()) {
    simLog("cannot open queue %s for writing: %s", SIM_LINK_QUEUE, std::strerror(errno));
    return false;
  }
  simLog("model %u camera on %s, control @%s", model, SIM_LINK_QUEUE, mOptions.controlName.c_str());
  return true;
}

void SimSimulator::requestStop() {
  signalEventFd(mStop);
}

SimSimulator::Clock::time_point SimSimulator::nextDeadline() const {
  Clock::time_point first = Clock::time_point::max();
  if (mPending.active) first = mPending.deadline;
  // A running transcode job moves on each second while the camera follows the clock.
  if (mDrift.running() && mCamera.transcodes().running())
    first = std::min(first, Clock::now() + std::chrono::seconds(1));
  for (const LateReply& late : mLateReplies) first = std::min(first, late.due);
  return first;
}

int SimSimulator::pollTimeoutMs() {
  KlLock lock(mMutex);
  mSleepUntil = nextDeadline();
  if (mSleepUntil == Clock::time_point::max()) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(mSleepUntil - Clock::now());
  return left.count() > 0 ? int(left.count()) + 1 : 0;
}

void SimSimulator::wakeMainIfSooner() {
  if (nextDeadline() >= mSleepUntil) return;
  // Once is enough: the main loop sets its deadline anew when it wakes.
  mSleepUntil = Clock::time_point::min();
  signalEventFd(mWake);
}

void SimSimulator::fillPollSet() {
  // Refilled in place: the set keeps its capacity, so a wake-up allocates nothing.
  mPollSet.clear();
  for (int fd : {mStop.get(), mWake.get(), int(mEvents.get()), mListen.get(), int(mCsiQueue.get())}) {
    mPollSet.push_back({fd, POLLIN, 0});
  }
  for (const Client& client : mClients) mPollSet.push_back({client.fd.get(), POLLIN, 0});
}

int SimSimulator::run() {
  std::thread link([this] { serveLink(); });
  for (;;) {
    fillPollSet();
    std::vector<pollfd>& fds = mPollSet;
    if (poll(fds.data(), fds.size(), pollTimeoutMs()) < 0 && errno != EINTR) {
      simLog("poll failed: %s", std::strerror(errno));
      break;
    }
    if (fds[kPollStop].revents != 0) break;
    serveWakeUp(fds);
    // Clients read before a new one is accepted, so the pollfd indexes still match.
    for (size_t i = mClients.size(); i-- > 0;) {
      if (fds[kPollFirstClient + i].revents != 0 && !readClient(mClients[i]))
        mClients.erase(mClients.begin() + long(i));
    }
    if (fds[kPollListen].revents & POLLIN) acceptClient();
    // Progress the clock or the control interface made, after any reply.
    KlLock lock(mMutex);
    simSendTranscodeProgress(mCamera);
  }
  stopLink(link);
  simLog("stopping");
  return 0;
}

void SimSimulator::serveWakeUp(const std::vector<pollfd>& fds) {
  // Only taken: the loop sets its deadline anew at each turn.
  if (fds[kPollWake].revents & POLLIN) drainEventFd(mWake);
  if (fds[kPollCsi].revents & POLLIN) serveCsiRequest();
  KlLock lock(mMutex);
  // Whatever woke the camera sees the statuses as they are by now.
  mDrift.catchUp(mCamera);
  if (fds[kPollEvents].revents & POLLIN) receiveEventAnswer();
  sendDueLateReplies();
  if (mPending.active && Clock::now() >= mPending.deadline)
    finishPendingEvent("error no answer to " + mPending.code);
}

void SimSimulator::serveLink() {
  for (;;) {
    const ssize_t length =
        mq_receive(mLink.get(), reinterpret_cast<char*>(mRequest), sizeof mRequest, nullptr);
    if (mLinkStopping.load()) return;
    if (length >= 0) {
      serveRequest(unsigned(length));
    } else if (errno != EINTR) {
      simLog("cannot receive on %s: %s", SIM_LINK_QUEUE, std::strerror(errno));
      requestStop();
      return;
    }
  }
}

void SimSimulator::stopLink(std::thread& link) {
  mLinkStopping.store(true);
  // An empty message before any request; a full queue needs none, the thread receives anyway.
  if (mq_send(mLinkWake.get(), "", 0, kLinkWakePriority) != 0 && errno != EAGAIN)
    simLog("cannot wake the link thread: %s", std::strerror(errno));
  link.join();
}

void SimSimulator::serveRequest(unsigned length) {
  SimOutcome& outcome = mOutcome;
  uint8_t powerBefore = 0;
  uint8_t powerAfter = 0;
  {
    KlLock lock(mMutex);
    mDrift.catchUp(mCamera);
    powerBefore = mCamera.system().power_state;
    if (!mRouter.handle(mRequest, length, outcome)) {
      simLog("ignored a malformed request of %u bytes", length);
      return;
    }
    powerAfter = mCamera.system().power_state;
    if (outcome.send && outcome.delayMs > 0) {
      const auto due = Clock::now() + std::chrono::milliseconds(outcome.delayMs);
      mLateReplies.push_back(LateReply{due, outcome.replyQueue, outcome.message});
    }
  }
  // Unlocked: the control interface is served meanwhile.
  if (outcome.send && outcome.delayMs == 0) {
    // A real camera takes a few milliseconds to answer; --fast skips that.
    if (mOptions.replyDelayMs > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(mOptions.replyDelayMs));
    for (unsigned i = 0; i < outcome.copies; ++i) {
      if (!mLinkReplies.send(outcome.replyQueue.c_str(), outcome.replyQueueId, outcome.message.data(),
                             outcome.message.size()))
        simLog("reply queue %s is gone", outcome.replyQueue.c_str());
    }
  }
  KlLock lock(mMutex);
  simPresetEventsAfterRequest(mCamera, mOptions.presetEvents);
  announcePower(powerBefore, powerAfter);
  // Progress the request made, after its reply.
  simSendTranscodeProgress(mCamera);
  wakeMainIfSooner();
}

void SimSimulator::sendDueLateReplies() {
  const auto now = Clock::now();
  for (auto late = mLateReplies.begin(); late != mLateReplies.end();) {
    if (late->due > now) {
      ++late;
      continue;
    }
    if (!simSendReplyOnce(late->queue.c_str(), late->message.data(), late->message.size()))
      simLog("reply queue %s is gone", late->queue.c_str());
    late = mLateReplies.erase(late);
  }
}

void SimSimulator::serveCsiRequest() {
  uint8_t msg[KLMSG_MAX];
  const ssize_t length = mq_receive(mCsiQueue.get(), reinterpret_cast<char*>(msg), sizeof msg, nullptr);
  SimCsiMessage answer;
  std::string replyQueue;
  if (length < 0 || !mCsi.handle(msg, unsigned(length), answer, replyQueue)) {
    simLog("ignored a malformed request on %s", KLCSI_SERVICE_QUEUE);
    return;
  }
  uint8_t reply[KLMSG_MAX];
  const int replyLength = simBuildCsiMessage(reply, sizeof reply, answer);
  klMbox_t mbox;
  if (replyLength <= 0 || klMbox_txopen(replyQueue.c_str(), &mbox) != 0) {
    simLog("cannot answer %s on %s", answer.code.c_str(), replyQueue.c_str());
    return;
  }
  klMbox_send(reply, replyLength, &mbox);
  klMbox_close(&mbox);
}

int SimSimulator::sendCsi(const SimCsiMessage& message) {
  uint8_t msg[KLMSG_MAX];
  const int length = simBuildCsiMessage(msg, sizeof msg, message);
  return length > 0 ? simSendToDaemon(msg, length) : -1;
}

void SimSimulator::announcePower(uint8_t before, uint8_t after) {
  const bool fellAsleep = before == SIM_POWER_ON && after == SIM_POWER_ASLEEP;
  const bool woke = before == SIM_POWER_ASLEEP && after == SIM_POWER_ON;
  if (!mSleepEvents || (!fellAsleep && !woke)) return;
  const std::string code = fellAsleep ? "JS" : "JR";
  // Client 0 is nobody: the daemon's answer is taken and dropped.
  if (!mPending.active) {
    if (!startSystemEvent(code, 0).empty()) simLog("%s not sent", code.c_str());
    return;
  }
  // A control client waits for an answer of its own; this one goes out without waiting.
  uint8_t msg[KLMSG_MAX];
  const int length = simBuildSystemEvent(msg, sizeof msg, code.c_str(), SIM_EVENT_QUEUE);
  if (length <= 0 || simSendToDaemon(msg, length) != 0) simLog("%s not sent", code.c_str());
}

std::string SimSimulator::startSystemEvent(const std::string& code, unsigned client) {
  if (mPending.active) return "error an event is already waiting for its answer";
  uint8_t msg[KLMSG_MAX];
  const int length = simBuildSystemEvent(msg, sizeof msg, code.c_str(), SIM_EVENT_QUEUE);
  if (length <= 0 || simSendToDaemon(msg, length) != 0)
    return "error cannot send to " + std::string(KLCONTROL_DAEMON_QUEUE);
  mPending.active = true;
  mPending.client = client;
  mPending.code = code;
  mPending.deadline = Clock::now() + std::chrono::milliseconds(SIM_EVENT_ANSWER_TIMEOUT_MS);
  return std::string();
}

int SimSimulator::sendPresetUpdate(uint8_t event, uint32_t id, bool withArgument) {
  uint8_t msg[KLMSG_MAX];
  const int length = simBuildPresetUpdate(msg, sizeof msg, event, id, SIM_EVENT_QUEUE, withArgument);
  return length > 0 ? simSendToDaemon(msg, length) : -1;
}

void SimSimulator::receiveEventAnswer() {
  uint8_t msg[KLMSG_MAX];
  const ssize_t length = mq_receive(mEvents.get(), reinterpret_cast<char*>(msg), sizeof msg, nullptr);
  SimSystemAnswer answer;
  if (length < 0 || !simParseSystemAnswer(msg, unsigned(length), answer)) {
    simLog("ignored a malformed answer on %s", SIM_EVENT_QUEUE);
    return;
  }
  if (!mPending.active || answer.code != mPending.code) {
    simLog("ignored an answer to %s nobody waits for", answer.code.c_str());
    return;
  }
  char line[128];
  std::snprintf(line, sizeof line, "ok %s answered category=0x%02x rsparg=", answer.code.c_str(),
                answer.category);
  std::string reply = line;
  for (uint8_t byte : answer.rsparg) {
    std::snprintf(line, sizeof line, "%02x", byte);
    reply += line;
  }
  finishPendingEvent(reply + " src=" + answer.source + " dst=" + answer.destination);
}

void SimSimulator::finishPendingEvent(const std::string& reply) {
  mPending.active = false;
  replyTo(mPending.client, reply);
}

void SimSimulator::acceptClient() {
  UniqueFd fd(accept4(mListen.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!fd.valid()) return;
  if (mClients.size() >= kMaxClients) {
    simLog("refused a control client: %zu are connected", mClients.size());
    return;
  }
  mClients.push_back(Client{std::move(fd), mNextSerial++, std::string()});
}

// Reads what the client sent and answers each complete line; false when the client is done.
bool SimSimulator::readClient(Client& client) {
  char buffer[SIM_CONTROL_LINE_MAX];
  const ssize_t got = recv(client.fd.get(), buffer, sizeof buffer, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (got <= 0) return false;
  client.input.append(buffer, size_t(got));
  for (size_t end; (end = client.input.find('\n')) != std::string::npos;) {
    const std::string line = client.input.substr(0, end);
    client.input.erase(0, end + 1);
    const std::string reply = execute(line, client.serial);
    if (!reply.empty()) replyTo(client.serial, reply);
  }
  if (client.input.size() < SIM_CONTROL_LINE_MAX) return true;
  replyTo(client.serial, "error line too long");
  return false;
}

void SimSimulator::replyTo(unsigned serial, const std::string& line) {
  for (Client& client : mClients) {
    if (client.serial != serial) continue;
    const std::string text = line + "\n";
    // Replies are short; a client that does not read them loses them.
    if (send(client.fd.get(), text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
      simLog("control client %u did not take its reply", serial);
    }
  }
}
