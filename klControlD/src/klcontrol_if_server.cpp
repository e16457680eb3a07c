// Command server lifecycle: the singleton, its queues and buffers, the worker thread.
#include "klcontrol_if_server.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "CameraFactory.h"
#include "KLCSIListener.h"
#include "klPushClient.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

KlcontrolCommandServer* KlcontrolCommandServer::m_pInstance = nullptr;
klc_msg_q_context_t KlcontrolCommandServer::m_cameraContext = klc_context_without_queues();

klc_msg_q_context_t* klcontrol_camera() {
  return &KlcontrolCommandServer::m_cameraContext;
}

namespace {

// 0 means not read yet.
std::atomic<uint8_t> s_modelNumber{0};

// Status-interface notifications the daemon subscribes to; 7 carries preset changes.
const std::vector<uint32_t> CSI_NOTIFICATION_IDS = {7, 151, 152, 143, 138};

// Messages held by a queue of that name, or 0 when there is none.
long messagesLeftIn(const char* name) {
  const UniqueQueue queue = UniqueQueue::open(name, O_RDONLY | O_NONBLOCK);
  mq_attr attr{};
  return queue.valid() && mq_getattr(queue.get(), &attr) == 0 ? attr.mq_curmsgs : 0;
}

}  // namespace

int _get_model_number(uint8_t* model) {
  uint8_t cached = s_modelNumber;
  if (cached == 0) {
    const int rc = klc_state_get_model_number(klcontrol_camera(), &cached);
    if (rc != 0) return rc;
    s_modelNumber = cached;
  }
  *model = cached;
  return 0;
}

int klcontrol_model_number(uint8_t* model, const char* failureLine) {
  const int rc = _get_model_number(model);
  if (rc != 0) LOG(UTIL_LOG_ERROR, "%s", failureLine);
  return rc;
}

void _reset_model_number_cache() {
  s_modelNumber = 0;
}

uint8_t klcontrol_model_or_default() {
  uint8_t model = 0;
  return _get_model_number(&model) == 0 ? model : CAMERA_DEFAULT_MODEL;
}

KlcontrolCommandServer* KlcontrolCommandServer::getInstance() {
  if (m_pInstance == nullptr) m_pInstance = new KlcontrolCommandServer();
  return m_pInstance;
}

void KlcontrolCommandServer::destroy() {
  delete m_pInstance;
  m_pInstance = nullptr;
}

KlcontrolCommandServer::KlcontrolCommandServer() = default;

// The zoom timer's callback takes mCommandMutex, which is destroyed before the timer member: the
// timer thread ends first (already, after a shutdown). Clients belong to shutdown.
KlcontrolCommandServer::~KlcontrolCommandServer() {
  mZoomTimer.stop();
}

// A queue found under one of the daemon's names is not adopted: made beforehand with another message
// size it would fail every receive, and what it holds was sent to a daemon that is gone (a stop
// command among them would stop this one). It is counted, removed and made again with our attributes.
int KlcontrolCommandServer::openDaemonQueue(const char* name, UniqueQueue& queue) {
  const long left = messagesLeftIn(name);
  mq_unlink(name);
  if (left > 0) LOG(UTIL_LOG_ERROR, "Dropped %ld messages left in '%s' before start", left, name);
  mq_attr attr{};
  attr.mq_maxmsg = KLCONTROL_QUEUE_DEPTH;
  attr.mq_msgsize = KLCONTROL_BUFFER_SIZE;
  // Exclusive: what the daemon reads is the queue it made, whatever another program does meanwhile.
  queue = UniqueQueue::create(name, O_RDONLY | O_EXCL, 0664, attr);
  if (queue.valid()) return 0;
  LOG(UTIL_LOG_ERROR, "mq_open() failed for '%s': %s\n", name, strerror(errno));
  return -1;
}

int KlcontrolCommandServer::openKlnetQueue() {
  for (int attemptsLeft = 5; attemptsLeft > 0; --attemptsLeft) {
    const mqd_t mqd = mq_open(KLCONTROL_KLNET_QUEUE, O_WRONLY);
    if (mqd != -1) {
      klcontrol_camera()->klnet_mqd = mqd;
      return 0;
    }
    LOG(UTIL_LOG_ERROR, "mq_open() failed for '%s': %s, Retrying %d\n", KLCONTROL_KLNET_QUEUE,
        strerror(errno), attemptsLeft);
  }
  LOG(UTIL_LOG_ERROR, "mq_open() failed for '%s': %s\n", KLCONTROL_KLNET_QUEUE, strerror(errno));
  return -1;
}

void KlcontrolCommandServer::selectProtocolAdapter() {
  uint8_t model = 0;
  const int rc = _get_model_number(&model);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "Unable to set protocol adapter - Cannot get CSI_MODEL_NUMBER, err %d", rc);
    LOG(UTIL_LOG_ERROR, "deferring select protocol adapter - using default");
    return;
  }
  klc_select_protocol_adapter(klcontrol_camera(), model);
  mProtocolAdapterSet = true;
}

int KlcontrolCommandServer::interfaceOpen() {
  if (mDaemonQueue.valid()) {
    LOG(UTIL_LOG_ERROR, "Interface must be closed before reuse!\n");
    return -1;
  }
  if (openDaemonQueue(KLCONTROL_DAEMON_QUEUE, mDaemonQueue) != 0 ||
      openDaemonQueue(KLCONTROL_REPLY_QUEUE, mReplyQueue) != 0) {
    interfaceClose();
    LOG(UTIL_LOG_ERROR, "interfaceOpen failed %d", -1);
    return -1;
  }
  klcontrol_camera()->reply_mqd = mReplyQueue.get();
  klcontrol_camera()->reply_queue_name = KLCONTROL_REPLY_QUEUE;
  if (openKlnetQueue() != 0) {
    interfaceClose();
    LOG(UTIL_LOG_ERROR, "interfaceOpen failed %d", -1);
    return -1;
  }
  mRxBuffer.reset(new uint8_t[KLCONTROL_BUFFER_SIZE]());
  mTxBuffer.reset(new uint8_t[KLCONTROL_BUFFER_SIZE]());
  selectProtocolAdapter();
  LOG(UTIL_LOG_INFO, "Interface Opened");
  return 0;
}

int KlcontrolCommandServer::interfaceClose() {
  mDaemonQueue.reset();
  mReplyQueue.reset();
  // The camera queue is the context's: the library opens it anew after the camera restarted.
  klc_msg_q_context_t& camera = *klcontrol_camera();
  UniqueQueue(camera.klnet_mqd).reset();
  camera = klc_context_without_queues();
  mRxBuffer.reset();
  mTxBuffer.reset();
  return 0;
}

void KlcontrolCommandServer::registerWithCsi() {
  // Transcode progress texts come as notifications, delivered on the worker thread during reception.
  mCsiListener->SetNotificationObserver(
      [this](uint32_t id, const std::string& text) { onCsiNotification(id, text); });
  mCsiListener->Init(false, KLCONTROL_DAEMON_QUEUE);
  mCsiListener->RegisterForCSINotifications(CSI_NOTIFICATION_IDS);
}

int KlcontrolCommandServer::start() {
  if (interfaceOpen() != 0) return -1;
  mCsiListener = KLCSIListener::GetInstance();
  LOG(UTIL_LOG_INFO, "Creating main worker thread");
  const int rc = pthread_create(&mWorkerThread, nullptr, &KlcontrolCommandServer::threadLoop, this);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "pthread_create error, %d\n", rc);
    interfaceClose();
    return -1;
  }
  mWorkerStarted = true;
  registerWithCsi();
  return 0;
}

void KlcontrolCommandServer::deleteAllClients() {
  Lock lock(mClientsLock);
  for (NotificationClient* client : mNotificationClients) delete client;
  mNotificationClients.clear();
}

int KlcontrolCommandServer::shutdown() {
  // Start-up failures shut down a worker that is still running; it ends within one receive wait.
  mRunning = false;
  if (mWorkerStarted) {
    pthread_join(mWorkerThread, nullptr);
    mWorkerStarted = false;
  }
  // A zoom phase may still be open: its edit end would use the camera link closed below.
  mZoomTimer.stop();
  // The observer points at this server; a later server installs its own.
  if (mCsiListener != nullptr) mCsiListener->SetNotificationObserver(nullptr);
  deleteAllClients();
  interfaceClose();
  return 0;
}

void* KlcontrolCommandServer::threadLoop(void* server) {
  static_cast<KlcontrolCommandServer*>(server)->workerLoop();
  return nullptr;
}

void KlcontrolCommandServer::workerLoop() {
  mPeriodicTime[0] = mPeriodicTime[1] = 0;
  mLastSnapshot = all_status_settings_t{};
  mPeriodicSnapshot = all_status_settings_t{};
  mRunning = true;
  LOG(UTIL_LOG_DEBUG, "Command handling thread running!");
  initializeStatusVariables();
  Msg msg(CAT_CLIENT_CMD);
  while (mRunning) {
    pollStatusSettingsAndNotify();
    msg.clear();
    klcontrol_command_t command = KLCONTROL_NOTIFICATION_QUEUE_REGISTER;
    bool timedOut = false;
    if (!receiveMsg(msg, command, KLCONTROL_RECEIVE_TIMEOUT_MS, timedOut)) continue;
    answerReceived(msg, command);
  }
  LOG(UTIL_LOG_DEBUG, "Command handling thread exiting!");
}

void KlcontrolCommandServer::answerReceived(Msg& msg, klcontrol_command_t command) {
  LOG(UTIL_LOG_INFO, "Received message");
  if (!mSuspended) {
    handleCommand(msg, command);
    return;
  }
  LOG(UTIL_LOG_ERROR, "klcontrol server: MSG nak-ed because of suspend! (cmd %d)\n", command);
  nakMsg(msg);
}
