#include "KLCSIListener.h"

#include <fcntl.h>
#include <mqueue.h>

#include "csi_message.h"
#include "klErrno.h"
#include "klLog.h"
#include "klMbox.h"

namespace {

constexpr char kLogFile[] = "KLCSIListener";

// Decodes a message that must be of one kind.
bool decodeAs(const uint8_t* msg, size_t size, csi_kind kind, csi_message* out) {
  return csi_decode(msg, size, out) == KL_OK && out->kind == kind;
}

// Closes the service queue on every path. Non-blocking: the caller's thread is the daemon's worker,
// and a service queue that fills up after the mailbox's check for room must fail the request, not
// hold the worker.
class ServiceMailbox {
 public:
  ServiceMailbox() {
    mOpen = klMbox_txopen(KLCSI_SERVICE_QUEUE, &mMbox) == 0;
    mq_attr nonBlocking{};
    nonBlocking.mq_flags = O_NONBLOCK;
    if (mOpen) mq_setattr(mMbox.mqd, &nonBlocking, nullptr);
  }
  ~ServiceMailbox() {
    if (mOpen) klMbox_close(&mMbox);
  }
  ServiceMailbox(const ServiceMailbox&) = delete;
  ServiceMailbox& operator=(const ServiceMailbox&) = delete;

  bool send(const uint8_t* msg, int length) { return mOpen && klMbox_send(msg, length, &mMbox) == 0; }

 private:
  klMbox_t mMbox;
  bool mOpen;
};

}  // namespace

KLCSIListener* KLCSIListener::GetInstance() {
  static KLCSIListener instance;
  return &instance;
}

int KLCSIListener::Init(bool ownQueue, const std::string& queueName) {
  // This listener never reads a queue itself: the daemon hands it the messages it receives.
  if (ownQueue) return KL_ERR_NOT_SUPPORTED;
  if (queueName.size() < 2 || queueName[0] != '/' || queueName.size() > 63) return KL_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> lock(mMutex);
  mQueueName = queueName;
  return KL_OK;
}

int KLCSIListener::RegisterForCSINotifications(std::vector<uint32_t> ids) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mSubscribed = std::set<uint32_t>(ids.begin(), ids.end());
    mSubscriptionAccepted = false;
  }
  return sendRequest(CSI_CODE_SUBSCRIBE, ids);
}

int KLCSIListener::HandleCSIMessage(const uint8_t* msg, size_t size) {
  csi_message message;
  if (!decodeAs(msg, size, csi_kind::NOTIFICATION, &message) &&
      !decodeAs(msg, size, csi_kind::UPDATE, &message)) {
    return KL_ERR_INVALID_PARAM;
  }
  const bool isUpdate = message.kind == csi_kind::UPDATE;
  NotificationObserver observer;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    const bool subscribed = mSubscribed.count(message.id) != 0;
    // Values of ids nobody asked for are not kept: a stream of new ids must not grow the map.
    if (isUpdate && (subscribed || mValues.count(message.id) != 0)) mValues[message.id] = message.value;
    if (mSuspended || !subscribed) return KL_OK;
    observer = mObserver;
  }
  // Called without the lock, so that the observer may use the listener.
  if (observer) observer(message.id, isUpdate ? std::to_string(message.value) : message.text);
  return KL_OK;
}

int KLCSIListener::HandleSubscribeResponse(const uint8_t* msg, size_t size) {
  csi_message message;
  if (!decodeAs(msg, size, csi_kind::SUBSCRIBE_RESPONSE, &message)) return KL_ERR_INVALID_PARAM;
  if (message.status != KL_OK) KLOG(UTIL_LOG_ERROR, kLogFile, "CSI subscription refused: %d", message.status);
  std::lock_guard<std::mutex> lock(mMutex);
  mSubscriptionAccepted = message.status == KL_OK;
  return message.status;
}

int KLCSIListener::HandleSetResponse(const uint8_t* msg, size_t size) {
  csi_message message;
  if (!decodeAs(msg, size, csi_kind::SET_RESPONSE, &message)) return KL_ERR_INVALID_PARAM;
  if (message.status != KL_OK) {
    KLOG(UTIL_LOG_ERROR, kLogFile, "CSI value %u refused: %d", message.id, message.status);
  }
  return message.status;
}

int KLCSIListener::Suspend() {
  std::lock_guard<std::mutex> lock(mMutex);
  mSuspended = true;
  return KL_OK;
}

int KLCSIListener::Resume() {
  std::vector<uint32_t> ids;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mSuspended = false;
    ids.assign(mSubscribed.begin(), mSubscribed.end());
  }
  // The service may have restarted while the camera slept.
  return ids.empty() ? KL_OK : sendRequest(CSI_CODE_SUBSCRIBE, ids);
}

int KLCSIListener::SetCSIValue(uint32_t id, uint32_t value) {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mValues[id] = value;
  }
  return sendRequest(CSI_CODE_WRITE, {id, value});
}

void KLCSIListener::SetNotificationObserver(NotificationObserver observer) {
  std::lock_guard<std::mutex> lock(mMutex);
  mObserver = std::move(observer);
}

bool KLCSIListener::GetCSIValue(uint32_t id, uint32_t* value) const {
  std::lock_guard<std::mutex> lock(mMutex);
  auto found = mValues.find(id);
  if (found == mValues.end()) return false;
  *value = found->second;
  return true;
}

bool KLCSIListener::IsSubscribed() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mSubscriptionAccepted;
}

int KLCSIListener::sendRequest(const char* code, const std::vector<uint32_t>& words) const {
  std::string queueName;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    queueName = mQueueName;
  }
  if (queueName.empty()) return KL_ERR_INVALID_PARAM;  // Init has not named our queue
  uint8_t msg[KLMSG_MAX];
  const int length = csi_encode_request(msg, sizeof msg, code, words, queueName);
  if (length < 0) return length;
  ServiceMailbox service;
  return service.send(msg, length) ? KL_OK : KL_ERR_MQ_FAIL;
}
