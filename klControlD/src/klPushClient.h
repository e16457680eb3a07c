// Notification clients: receivers of the daemon's pushed JSON documents, over a TCP connection or
// a POSIX message queue. Each owns its descriptor, mDescriptor. A socket client never blocks the worker: the
// part of a frame its socket cannot take is kept and finished first, and one that leaves it unfinished for
// KLCONTROL_PEER_SEND_TIMEOUT_MS, or until the next document, is dropped with a reset. A queue client does
// block it, for a while: a full queue makes the delivery wait until the client takes a message, at most
// KLCONTROL_PEER_SEND_TIMEOUT_MS once per queue, after which the delivery fails and the client is dropped.
#pragma once

#include <mqueue.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "klUniqueFd.h"
#include "klUniqueQueue.h"
#include "klcontrol_peer_queue.h"

class NotificationClient {
 public:
  enum eNotificationType_t {
    NOTIFICATION_UPDATE = 2,
    NOTIFICATION_SHUTDOWN_PENDING = 3,
  };
  static constexpr uint32_t SOCKET_CLIENT = 1;
  static constexpr uint32_t QUEUE_CLIENT = 2;

  virtual ~NotificationClient() = default;
  NotificationClient(const NotificationClient&) = delete;
  NotificationClient& operator=(const NotificationClient&) = delete;

  // Pausing also asks for the full state once the client is resumed.
  virtual void Pause(bool pause);
  virtual bool IsPaused() const { return mPaused; }
  // Delivers the stream's whole text (closed by a NUL); false when it could not be delivered.
  virtual bool Notify(eNotificationType_t type, std::stringstream& document) = 0;
  // True when the client is known to be gone although nothing is being sent to it.
  virtual bool IsGone() const { return false; }

  uint32_t clientType() const { return mClientType; }
  bool needsFullUpdate() const { return mNeedsFullUpdate; }
  uint32_t bytesSent() const { return mBytesSent; }

 protected:
  explicit NotificationClient(uint32_t clientType) : mClientType(clientType) {}

  uint32_t mBytesSent = 0;
  uint32_t mClientType;
  bool mNeedsFullUpdate = true;
  bool mPaused = true;
};

// One accepted TCP connection; documents go out framed as "LENGTH:<n>\n\n" + JSON text, each
// frame whole: a reader never sees a cut document followed by a clean end.
class SocketNotificationClient : public NotificationClient {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes ownership of the connected socket.
  explicit SocketNotificationClient(UniqueFd socket)
      : NotificationClient(SOCKET_CLIENT), mDescriptor(std::move(socket)), mConnectedAt(Clock::now()) {}
  // Resets the connection when a frame is left unfinished, else closes it normally.
  ~SocketNotificationClient() override;
  void Pause(bool pause) override;
  bool Notify(eNotificationType_t type, std::stringstream& document) override;
  // True when a frame's tail has waited for room longer than KLCONTROL_PEER_SEND_TIMEOUT_MS.
  bool IsGone() const override;
  // True while the tail of a frame waits for room in the socket.
  bool HasTail() const { return !mTail.empty(); }
  // Sends what the socket takes of the tail now; false on a send error.
  bool SendTail();
  // Connected at or before since and never resumed.
  bool IdleSince(Clock::time_point since) const { return !mResumed && mConnectedAt <= since; }
  int descriptor() const { return mDescriptor.get(); }

 private:
  UniqueFd mDescriptor;
  bool mShutdownSent = false;
  bool mResumed = false;
  Clock::time_point mConnectedAt;
  std::string mTail;
  Clock::time_point mTailSince;
};

// One registered queue; it is opened (write-only) by the first Notify and stays open. Events go out
// through peers, the sender of every message to another process's queue.
class MQNotificationClient : public NotificationClient {
 public:
  MQNotificationClient(const std::string& queueName, KlcontrolPeerQueues& peers)
      : NotificationClient(QUEUE_CLIENT), mQueueName(queueName), mPeers(peers) {}
  bool Notify(eNotificationType_t type, std::stringstream& document) override;
  // True when the opened queue was removed (its process died): no link is left to it.
  bool IsGone() const override;
  // Logs the queue name on the debug level.
  void Dump() const;
  const std::string& queueName() const { return mQueueName; }

 private:
  bool openQueue();

  UniqueQueue mDescriptor;  // opened by the first Notify
  std::string mQueueName;
  KlcontrolPeerQueues& mPeers;
  std::unique_ptr<uint8_t[]> mSendBuffer;
};

// True when client is a queue client registered under name whose queue was not removed since.
bool klcontrol_is_queue_client(const NotificationClient* client, const std::string& name);
