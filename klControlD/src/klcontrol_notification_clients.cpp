// The notification-client list of the command server, shared by the worker and the accept loop.
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
