// The notification-client list of the command server, shared by the worker and the accept loop.
#include <algorithm>

#include "klLog.h"
#include "klPushClient.h"
#include "klcontrol_if_server.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

bool KlcontrolCommandServer::addNotificationClient(NotificationClient* client) {
  Lock lock(mClientsLock);
  if (mNotificationClients.size() >= KLCONTROL_MAX_CLIENTS) {
    LOG(UTIL_LOG_ERROR, "Too many push clients connected, rejecting!");
    return false;
  }
  mNotificationClients.push_back(client);
  LOG(UTIL_LOG_DEBUG, "Total PUSH_NOTIFICATION clients connected:%d", int(mNotificationClients.size()));
  return true;
}

size_t KlcontrolCommandServer::notificationClientCount() {
  Lock lock(mClientsLock);
  return mNotificationClients.size();
}

// Only the worker deletes listed clients, so the descriptors it watches stay those of listed clients.
void KlcontrolCommandServer::watchSocketClients(std::vector<pollfd>& watched) {
  Lock lock(mClientsLock);
  for (const NotificationClient* client : mNotificationClients) {
    if (client->clientType() == NotificationClient::SOCKET_CLIENT)
      watched.push_back({client->descriptor(), POLLRDHUP, 0});
  }
}

// Nothing is sent to a client while nothing changes, so a failed delivery would notice a closed
// peer late or never: its place would stay taken and the camera polled for nobody.
void KlcontrolCommandServer::removeHungUpClients(const std::vector<pollfd>& watched) {
  Lock lock(mClientsLock);
  for (const pollfd& socket : watched) {
    if (socket.events != POLLRDHUP || socket.revents == 0) continue;
    const auto hungUp = std::find_if(mNotificationClients.begin(), mNotificationClients.end(),
                                     [&socket](const NotificationClient* client) {
                                       return client->clientType() == NotificationClient::SOCKET_CLIENT &&
                                              client->descriptor() == socket.fd;
                                     });
    if (hungUp == mNotificationClients.end()) continue;
    LOG(UTIL_LOG_DEBUG, "Notification client closed its connection, removing client");
    delete *hungUp;
    mNotificationClients.erase(hungUp);
  }
}
