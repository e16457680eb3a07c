// Change polling and broadcast: the camera's status and settings are read on every worker turn while
// a client listens, compared with earlier snapshots and pushed as JSON documents; command 43 pauses
// and resumes the socket clients.
#include <sys/socket.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "CameraFactory.h"
#include "camera_json.h"
#include "klErrno.h"
#include "klPushClient.h"
#include "klcontrol_block_read.h"
#include "klcontrol_change_document.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_push_frames.h"
#include "klcontrol_tlv_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Monotonic, so that setting the camera's clock never stalls or hurries the once-a-second rule.
void monotonicNow(int64_t now[2]) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  now[0] = ts.tv_sec;
  now[1] = ts.tv_nsec / 1000;
}

}  // namespace

bool KlcontrolCommandServer::anyClientActive() {
  Lock lock(mClientsLock);
  return std::any_of(mNotificationClients.begin(), mNotificationClients.end(),
                     [](const NotificationClient* client) { return !client->IsPaused(); });
}

// One whole-block read: OK only for an answer of exactly the block's size.
template <typename Block>
KlcontrolCommandServer::BlockRead KlcontrolCommandServer::readBlock(Block& block, const char* sizeFormat) {
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(block, reply);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d @ %s:%d\n", rc,
        KLCONTROL_SERVER_SOURCE_PATH, __LINE__);
    return BlockRead::FAILED;
  }
  if (reply.nakOff) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return BlockRead::SHUTTING_DOWN;
  }
  if (reply.length != sizeof block) {
    LOG(UTIL_LOG_ERROR, sizeFormat, int(reply.length));
    return BlockRead::FAILED;
  }
  return BlockRead::OK;
}

KlcontrolCommandServer::BlockRead KlcontrolCommandServer::readSnapshot(all_status_settings_t& snapshot) {
  const BlockRead status =
      readBlock(snapshot.status, "ASSERT ERROR - status_all size does not match rsp size=%d");
  if (status != BlockRead::OK) return status;
  mInContextualMenu = uint8_t(snapshot.status.in_contextual_menu);
  return readBlock(snapshot.settings, "ASSERT ERROR - settings_all size does not match rsp size=%d");
}

int KlcontrolCommandServer::processStatusChangeNotifications(std::stringstream& out,
                                                             all_status_settings_t& current,
                                                             all_status_settings_t& previous,
                                                             int notificationType) {
  return camera_status_serialize_status_changes_to_json(out, notificationType, &current, &previous,
                                                        klcontrol_model_or_default(), mCameraInfoCache);
}

int KlcontrolCommandServer::processSettingsChangeNotifications(std::stringstream& out,
                                                               all_status_settings_t& current,
                                                               all_status_settings_t& previous) {
  return camera_status_serialize_settings_changes_to_json(out, &current, &previous,
                                                          klcontrol_model_or_default(), mCameraInfoHandler);
}

// Compares a fresh snapshot with the earlier ones and makes it the last (and maybe periodic) one.
std::string KlcontrolCommandServer::changeBody(all_status_settings_t& snapshot) {
  modSettingsAndStatuses(snapshot, klcontrol_camera());
  klcontrol_change_texts_t texts;
  int64_t now[2];
  monotonicNow(now);
  if (klcontrol_periodic_due(mPeriodicTime, now)) {
    mPeriodicTime[0] = now[0];
    mPeriodicTime[1] = now[1];
    std::stringstream periodic;
    texts.periodicCount =
        processStatusChangeNotifications(periodic, snapshot, mPeriodicSnapshot, CAMERA_STATUS_CLASS_PERIODIC);
    texts.periodic = periodic.str();
    mPeriodicSnapshot = snapshot;
  }
  std::stringstream everyPoll;
  texts.everyPollCount =
      processStatusChangeNotifications(everyPoll, snapshot, mLastSnapshot, CAMERA_STATUS_CLASS_EVERY_POLL);
  texts.everyPoll = everyPoll.str();
  std::stringstream settings;
  texts.settingsCount = processSettingsChangeNotifications(settings, snapshot, mLastSnapshot);
  texts.settings = settings.str();
  mLastSnapshot = snapshot;
  return klcontrol_change_body(texts);
}

void KlcontrolCommandServer::writeFullDocument(std::ostream& out, uint8_t model) {
  out << '{';
  camera_status_serialize_status_to_json(out, &mLastSnapshot.status, model);
  out << ",\n";
  camera_settings_serialize_to_json(out, &mLastSnapshot.settings, &mLastSnapshot.status,
                                    &mLastSnapshot.system, model, mCameraInfoHandler);
  out << '}' << '\0';
}

// Caller holds mClientsLock. A client whose delivery fails is dropped; the others are still served.
void KlcontrolCommandServer::notifyClients(std::stringstream& document, bool shutdownPending,
                                           bool fullUpdate) {
  const NotificationClient::eNotificationType_t type = shutdownPending
                                                           ? NotificationClient::NOTIFICATION_SHUTDOWN_PENDING
                                                           : NotificationClient::NOTIFICATION_UPDATE;
  for (auto it = mNotificationClients.begin(); it != mNotificationClients.end();) {
    NotificationClient* client = *it;
    if ((!shutdownPending && client->needsFullUpdate() != fullUpdate) || client->Notify(type, document)) {
      ++it;
      continue;
    }
    LOG(UTIL_LOG_WARN, "Failed to send notifications to client, removing client! [%s]", strerror(errno));
    it = removeClient(it);
  }
}

bool KlcontrolCommandServer::pollStatusSettingsAndNotify() {
  const bool active = anyClientActive();
  if (!mProtocolAdapterSet) {
    LOG(UTIL_LOG_ERROR, "protocol adapter not set - throwing out command");
    return false;
  }
  if (!active) return false;
  LOG(UTIL_LOG_INFO, "pollStatusSettingsAndNotify:");
  Lock command(mCommandMutex);
  // Read under mCommandMutex: the zoom timer's thread uses the camera link too.
  const uint8_t model = klcontrol_model_or_default();
  all_status_settings_t snapshot{};
  const BlockRead read = readSnapshot(snapshot);
  if (read == BlockRead::FAILED) return false;
  const bool shutdownPending = read == BlockRead::SHUTTING_DOWN;
  const std::string body =
      shutdownPending ? std::string(KLCONTROL_SHUTDOWN_PENDING_BODY) : changeBody(snapshot);
  Lock clients(mClientsLock);
  if (!body.empty()) {
    std::stringstream document;
    klcontrol_write_document(document, body);
    notifyClients(document, shutdownPending, false);
  }
  const bool fullWanted =
      std::any_of(mNotificationClients.begin(), mNotificationClients.end(),
                  [](const NotificationClient* client) { return client->needsFullUpdate(); });
  if (!shutdownPending && fullWanted) {
    std::stringstream document;
    writeFullDocument(document, model);
    notifyClients(document, false, true);
  }
  return true;
}

bool KlcontrolCommandServer::sendNotification(int socket, std::stringstream& document) {
  const std::string frame = klcontrol_frame_document(document.str());
  // Never wait for a slow reader: what the socket cannot take at once is not delivered.
  const ssize_t sent = send(socket, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  return sent >= 0 && size_t(sent) == frame.size();
}

int KlcontrolCommandServer::ConfigureSocketNotifications(const char* params) {
  std::string value;
  if (!parseParam(params, "status=", value)) return KL_ERR_INVALID_PARAM;
  // Not a number reads as 0; a negative number is refused with the large ones.
  const unsigned long enable = static_cast<unsigned long>(std::strtol(value.c_str(), nullptr, 10));
  if (enable > 1) return KL_ERR_INVALID_PARAM;
  Lock lock(mClientsLock);
  for (NotificationClient* client : mNotificationClients) {
    if (client->clientType() == NotificationClient::SOCKET_CLIENT) client->Pause(enable == 0);
  }
  return KL_OK;
}

// Argument: the text "status=N".
int KlcontrolCommandServer::cmdPushNotifications(Msg& msg, MsgElement* arg) {
  const std::string params = klcontrol_bounded_text(arg->getData(), arg->getDataLength());
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_PUSH_NOTIFICATIONS: %s", params.c_str());
  return answer(msg, ConfigureSocketNotifications(params.c_str()));
}
