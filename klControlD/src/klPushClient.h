// Notification clients: receivers of the daemon's pushed JSON documents, over a TCP connection or
// a POSIX message queue. Each owns its descriptor. A socket client never blocks the worker (one that
// stops reading fails its next delivery and is dropped); a queue client does, for a while: a full
// queue makes the delivery wait until the client takes a message, at most
// KLCONTROL_PEER_SEND_TIMEOUT_MS once per queue, after which the delivery fails and the client is
// dropped.
#pragma once

#include <mqueue.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

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

  uint32_t clientType() const { return mClientType; }
  bool needsFullUpdate() const { return mNeedsFullUpdate; }
  uint32_t bytesSent() const { return mBytesSent; }
  int descriptor() const { return mDescriptor; }

 protected:
  NotificationClient(uint32_t clientType, int descriptor)
      : mClientType(clientType), mDescriptor(descriptor) {}

  uint32_t mBytesSent = 0;
  uint32_t mClientType;
  bool mNeedsFullUpdate = true;
  bool mPaused = true;
  int mDescriptor;
};

// One accepted TCP connection; documents go out framed as "LENGTH:<n>\n\n" + JSON text.
class SocketNotificationClient : public NotificationClient {
 public:
  // Takes ownership of the connected socket.
  explicit SocketNotificationClient(int socket) : NotificationClient(SOCKET_CLIENT, socket) {}
  ~SocketNotificationClient() override;
  bool Notify(eNotificationType_t type, std::stringstream& document) override;

 private:
  bool mShutdownSent = false;
};

// One registered queue; it is opened (write-only) by the first Notify and stays open. Events go out
// through peers, the sender of every message to another process's queue.
class MQNotificationClient : public NotificationClient {
 public:
  MQNotificationClient(const std::string& queueName, KlcontrolPeerQueues& peers)
      : NotificationClient(QUEUE_CLIENT, -1), mQueueName(queueName), mPeers(peers) {}
  ~MQNotificationClient() override;
  bool Notify(eNotificationType_t type, std::stringstream& document) override;
  // Logs the queue name on the debug level.
  void Dump() const;
  const std::string& queueName() const { return mQueueName; }

 private:
  bool openQueue();

  std::string mQueueName;
  KlcontrolPeerQueues& mPeers;
  std::unique_ptr<uint8_t[]> mSendBuffer;
};

// True when client is a queue client registered under name.
bool klcontrol_is_queue_client(const NotificationClient* client, const std::string& name);
