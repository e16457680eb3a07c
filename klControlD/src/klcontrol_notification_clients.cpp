// The notification-client list of the command server, shared by the worker and the accept loop.
// Only the worker deletes listed clients, so the descriptors its receive wait watches stay open.
#include <algorithm>
#include <cerrno>

#include "klPushClient.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

SocketNotificationClient* socketClient(NotificationClient* client) {
  return client->clientType() == NotificationClient::SOCKET_CLIENT
             ? static_cast<SocketNotificationClient*>(client)
             : nullptr;
}

}  // namespace

bool KlcontrolCommandServer::addNotificationClient(NotificationClient* client) {
  Lock lock(mClientsLock);
  if (mNotificationClients.size() >= KLCONTROL_MAX_CLIENTS && !retireIdleClient()) {
    LOG(UTIL_LOG_ERROR, "Too many push clients connected, rejecting!");
    return false;
  }
  mNotificationClients.push_back(client);
  LOG(UTIL_LOG_DEBUG, "Total PUSH_NOTIFICATION clients connected:%d", int(mNotificationClients.size()));
  return true;
}

// Connections that never send anything and are never resumed would otherwise hold every place for
// good; port 8081 listens on all addresses. The list is in the order clients came.
bool KlcontrolCommandServer::retireIdleClient() {
  const auto since = SocketNotificationClient::Clock::now() - std::chrono::seconds(KLCONTROL_IDLE_PLACE_S);
  const auto idle = std::find_if(mNotificationClients.begin(), mNotificationClients.end(),
                                 [since](NotificationClient* client) {
                                   const SocketNotificationClient* socket = socketClient(client);
                                   return socket != nullptr && socket->IdleSince(since);
                                 });
  if (idle == mNotificationClients.end()) return false;
  LOG(UTIL_LOG_WARN, "Push client never resumed for %d s, its place goes to a new client",
      KLCONTROL_IDLE_PLACE_S);
  mRetiredClients.emplace_back(*idle);
  mNotificationClients.erase(idle);
  return true;
}

size_t KlcontrolCommandServer::notificationClientCount() {
  Lock lock(mClientsLock);
  return mNotificationClients.size();
}

std::vector<NotificationClient*>::iterator KlcontrolCommandServer::removeClient(
    std::vector<NotificationClient*>::iterator client) {
  delete *client;
  return mNotificationClients.erase(client);
}

// Nothing is sent to a client while nothing changes, so a failed delivery would notice a dead peer
// late or never: its place would stay taken and the camera polled for nobody.
void KlcontrolCommandServer::watchSocketClients(std::vector<pollfd>& watched) {
  Lock lock(mClientsLock);
  mRetiredClients.clear();
  for (auto it = mNotificationClients.begin(); it != mNotificationClients.end();) {
    if (!(*it)->IsGone()) {
      ++it;
      continue;
    }
    LOG(UTIL_LOG_DEBUG, "Notification client is gone, removing client");
    it = removeClient(it);
  }
  for (NotificationClient* client : mNotificationClients) {
    const SocketNotificationClient* socket = socketClient(client);
    if (socket == nullptr) continue;
    const short room = socket->HasTail() ? POLLOUT : 0;
    watched.push_back({socket->descriptor(), short(POLLRDHUP | room), 0});
  }
}

void KlcontrolCommandServer::removeHungUpClients(const std::vector<pollfd>& watched) {
  Lock lock(mClientsLock);
  const int error = errno;  // the wait's own
  for (const pollfd& watch : watched) {
    if ((watch.events & POLLRDHUP) == 0 || watch.revents == 0) continue;
    const auto client = std::find_if(mNotificationClients.begin(), mNotificationClients.end(),
                                     [&watch](NotificationClient* listed) {
                                       const SocketNotificationClient* socket = socketClient(listed);
                                       return socket != nullptr && socket->descriptor() == watch.fd;
                                     });
    if (client == mNotificationClients.end()) continue;
    if (watch.revents == POLLOUT && socketClient(*client)->SendTail()) continue;
    LOG(UTIL_LOG_DEBUG, "Notification client closed its connection, removing client");
    removeClient(client);
  }
  errno = error;
}
