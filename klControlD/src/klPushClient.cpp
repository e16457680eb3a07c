#include "klPushClient.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "klTlv.h"
#include "klcMsg.h"
#include "klcontrol_log.h"
#include "klcontrol_push_frames.h"

constexpr const char* LOG_SOURCE = "klPushClient";

namespace {

constexpr uint16_t EVENT_BUFFER_SIZE = 1500;

// Shared by every queue client; events are built on the worker thread only.
MsgElement s_eventCode(TLV_RSPCODE);
MsgElement s_eventText(TLV_RSPARG);
MsgElement s_eventEnd(TLV_END);

}  // namespace

void NotificationClient::Pause(bool pause) {
  mPaused = pause;
  if (pause) mNeedsFullUpdate = true;
}

bool klcontrol_is_queue_client(const NotificationClient* client, const std::string& name) {
  // A queue removed and made anew under the name (its process restarted) is another client's.
  return client != nullptr && client->clientType() == NotificationClient::QUEUE_CLIENT &&
         static_cast<const MQNotificationClient*>(client)->queueName() == name && !client->IsGone();
}

// A reader by LENGTH: would take a cut document and a clean end for a short document.
SocketNotificationClient::~SocketNotificationClient() {
  if (!mDescriptor.valid() || !HasTail()) return;
  const linger reset{1, 0};
  setsockopt(mDescriptor.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

void SocketNotificationClient::Pause(bool pause) {
  if (!pause) mResumed = true;
  NotificationClient::Pause(pause);
}

bool SocketNotificationClient::SendTail() {
  if (mTail.empty()) return true;
  const ssize_t sent = send(mDescriptor.get(), mTail.data(), mTail.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
  mTail.erase(0, size_t(sent));
  mBytesSent += uint32_t(sent);
  return true;
}

bool SocketNotificationClient::IsGone() const {
  return HasTail() && Clock::now() - mTailSince > std::chrono::milliseconds(KLCONTROL_PEER_SEND_TIMEOUT_MS);
}

bool SocketNotificationClient::Notify(eNotificationType_t type, std::stringstream& document) {
  if (type == NOTIFICATION_SHUTDOWN_PENDING) {
    if (mShutdownSent) return true;
    mShutdownSent = true;
  } else {
    mShutdownSent = false;
  }
  // Never wait for a slow reader, and never cut a frame: one it has not taken whole by the next
  // document ends the client.
  if (!SendTail() || HasTail()) return false;
  mTail = klcontrol_frame_document(document.str());
  mTailSince = Clock::now();
  const size_t frameSize = mTail.size();
  if (!SendTail() || mTail.size() == frameSize) {
    mTail.clear();  // nothing of it went out: the reader has whole frames only
    return false;
  }
  mNeedsFullUpdate = false;
  return true;
}

// The daemon's descriptor keeps a removed queue alive; nobody will ever read it.
bool MQNotificationClient::IsGone() const {
  struct stat status {};
  return mDescriptor.valid() && fstat(mDescriptor.get(), &status) == 0 && status.st_nlink == 0;
}

void MQNotificationClient::Dump() const {
  LOG(UTIL_LOG_DEBUG, "======================");
  LOG(UTIL_LOG_DEBUG, "queue_name:%s", mQueueName.c_str());
}

bool MQNotificationClient::openQueue() {
  // A queue client is a local process that must not lose events: a full queue holds the poll until it
  // takes a message, for a bounded time (the sender waits on its own, whatever the open flags).
  mDescriptor = UniqueQueue::open(mQueueName.c_str(), O_WRONLY);
  if (!mDescriptor.valid()) {
    LOG(UTIL_LOG_ERROR, "mq_open() failed for '%s': %s\n", mQueueName.c_str(), strerror(errno));
    return false;
  }
  if (!mSendBuffer) mSendBuffer.reset(new uint8_t[EVENT_BUFFER_SIZE]());
  return true;
}

bool MQNotificationClient::Notify(eNotificationType_t, std::stringstream& document) {
  if (!mDescriptor.valid() && !openQueue()) return false;
  const std::string text = document.str();
  if (text.size() > 0xFFFF) return false;
  const int32_t code = 0;
  EventMsg event;
  s_eventCode.setData(&code, sizeof code);
  event.addElement(&s_eventCode);
  if (!text.empty()) {
    s_eventText.setData(text.data(), uint16_t(text.size()));
    event.addElement(&s_eventText);
  }
  event.addElement(&s_eventEnd);
  MemStream stream(mSendBuffer.get(), EVENT_BUFFER_SIZE);
  stream << event;
  // A document too large for one message is not delivered rather than cut.
  if (stream.failed()) return false;
  // A client that takes nothing for that long is taken for dead; the poll then removes it.
  if (mPeers.send(mDescriptor.get(), stream.getBuffer(), stream.getLength()) != 0) {
    const int error = errno;
    LOG(UTIL_LOG_ERROR, "mq_send() failed for '%s': %s\n", mQueueName.c_str(), strerror(error));
    errno = error;  // the poll's removal line names it
    return false;
  }
  mNeedsFullUpdate = false;
  return true;
}
