// The camera-status-interface listener: subscribes to CSI notifications, takes the CSI messages the
// daemon receives on its own queue, keeps the last value of each id it subscribed to or set and
// hands notifications to an observer. Requests go to the CSI service queue; see docs/csi.md.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "klTlv.h"

// The queue of the CSI service that takes subscriptions and value writes.
constexpr char KLCSI_SERVICE_QUEUE[] = "/to_csi";

class KLCSIListener {
 public:
  // Receives each subscribed notification: its id and its text ("CU" values as decimal text).
  using NotificationObserver = std::function<void(uint32_t id, const std::string& text)>;

  // An independent listener, for tests and tools; the daemon uses GetInstance.
  KLCSIListener() = default;
  KLCSIListener(const KLCSIListener&) = delete;
  KLCSIListener& operator=(const KLCSIListener&) = delete;

  // The process's listener.
  static KLCSIListener* GetInstance();

  // Names the queue CSI messages arrive on, owned and read by the caller (ownQueue false).
  // 0; KL_ERR_NOT_SUPPORTED for ownQueue true; KL_ERR_INVALID_PARAM for an unusable name.
  int Init(bool ownQueue, const std::string& queueName);
  // Subscribes to the ids (replacing earlier ones); 0, or the error of sending the subscription.
  int RegisterForCSINotifications(std::vector<uint32_t> ids);
  // Takes a "CN" or "CU" message of at most size bytes; 0, or KL_ERR_INVALID_PARAM when malformed.
  int HandleCSIMessage(const uint8_t* msg, size_t size = KLMSG_MAX);
  // Takes a "CR" message; the service's status, or KL_ERR_INVALID_PARAM when malformed.
  int HandleSubscribeResponse(const uint8_t* msg, size_t size = KLMSG_MAX);
  // Takes a "CI" message; the service's status, or KL_ERR_INVALID_PARAM when malformed.
  int HandleSetResponse(const uint8_t* msg, size_t size = KLMSG_MAX);
  // Holds notifications back from the observer until Resume; values are still recorded. 0.
  int Suspend();
  // Delivers notifications again and renews the subscription; 0, or the error of sending it.
  int Resume();
  // Records the value and writes it to the service; 0, or the error of sending the write.
  int SetCSIValue(uint32_t id, uint32_t value);

  // Installs the observer (an empty function removes it).
  void SetNotificationObserver(NotificationObserver observer);
  // The last value of the id, set locally or received ("CU" values are kept for subscribed ids and
  // ids set locally only); false when none is known.
  bool GetCSIValue(uint32_t id, uint32_t* value) const;
  // True once the service has accepted the current subscription.
  bool IsSubscribed() const;

 private:
  // Sends one request to the CSI service naming our queue for the answer.
  int sendRequest(const char* code, const std::vector<uint32_t>& words) const;

  mutable std::mutex mMutex;
  std::string mQueueName;
  std::set<uint32_t> mSubscribed;
  std::map<uint32_t, uint32_t> mValues;
  NotificationObserver mObserver;
  bool mSuspended = false;
  bool mSubscriptionAccepted = false;
};
