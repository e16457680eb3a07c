// The command server of klControlD: owns the daemon's queues, the worker thread that receives and
// runs client commands, the notification clients and the camera state that commands share.
// This header is the whole class and the map of the daemon: the public interface comes first, then
// each group of private members under the name of the file that holds it.
#pragma once

#include <mqueue.h>
#include <poll.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KeltoTimer.h"
#include "camera_blocks.h"
#include "klCtrlD.h"
#include "klThreadSafety.h"
#include "klcontrol_camera.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_peer_queue.h"
#include "klcontrol_queues.h"

class KLCSIListener;
class CameraFactory;
class InfoHandler;
class NotificationClient;

// Places for notification clients, TCP and queue clients together.
constexpr size_t KLCONTROL_MAX_CLIENTS = 10;
// With every place taken, a socket client never resumed for this long gives its place to a newcomer.
constexpr int KLCONTROL_IDLE_PLACE_S = 5;

class KlcontrolCommandServer {
 public:
  // Scoped lock on a mutex.
  class KL_SCOPED_CAPABILITY Lock {
   public:
    explicit Lock(KlMutex& mutex) KL_ACQUIRE(mutex) : mMutex(mutex) { mMutex.lock(); }
    virtual ~Lock() KL_RELEASE() { mMutex.unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    KlMutex& mMutex;
  };

  // Life cycle (klcontrol_if_server.cpp).
  // The singleton, constructed on first use. Main thread only.
  static KlcontrolCommandServer* getInstance();
  // Destroys the singleton (stops the zoom timer); the next getInstance builds a fresh one.
  static void destroy();
  // Opens the queues, selects the protocol adapter, starts the worker and registers with the
  // status interface. 0, or -1 with nothing left open.
  int start();
  // Joins the worker, stops the zoom timer (for good: a shut-down server is destroyed, not started
  // again), deletes every notification client, closes and removes the queues. 0.
  int shutdown();
  // Steps 1-5 of start: queues, buffers and protocol adapter. 0 or -1.
  int interfaceOpen();
  // Closes and removes the queues and frees the buffers. 0.
  int interfaceClose();
  bool isRunning() const { return mRunning; }
  void setRunning(bool running) { mRunning = running; }

  // Reception (klcontrol_receive.cpp), dispatch (klcontrol_dispatch.cpp), answers (klcontrol_response.cpp).
  // Receives and classifies one message; true when msg holds a client command numbered command.
  bool receiveMsg(Msg& msg, klcontrol_command_t& command, unsigned timeoutMs, bool& timedOut)
      KL_EXCLUDES(mCommandMutex);
  // Runs one client command under mCommandMutex and answers it (unless the adapter is unset);
  // true only when command 0 added a new client.
  bool handleCommand(Msg& msg, klcontrol_command_t command) KL_EXCLUDES(mCommandMutex);
  // Answers a client command on the requester's queue; true when the response was queued.
  bool sendResponse(Msg& request, int status, const void* payload, unsigned short length);
  // Refuses a client command with status 1; always true.
  bool nakMsg(Msg& request);

  // Notification clients (klcontrol_notification_clients.cpp).
  // Appends a client (the list then owns it); false when the list is full (the caller keeps it).
  // A full list makes room by retiring its oldest idle socket client (retireIdleClient).
  bool addNotificationClient(NotificationClient* client) KL_EXCLUDES(mClientsLock);
  size_t notificationClientCount() KL_EXCLUDES(mClientsLock);

  // Change notifications: polling and broadcast (klcontrol_notifications.cpp).
  // One poll of the camera's status and settings, delivered to the clients; runs only while a client
  // is active. False when no document could be made.
  bool pollStatusSettingsAndNotify() KL_EXCLUDES(mCommandMutex, mClientsLock);
  // Command 43's "status=1" resumes every socket client, "status=0" pauses them; 0 or -3.
  int ConfigureSocketNotifications(const char* params) KL_EXCLUDES(mClientsLock);
  // Sends one document on a socket in the clients' framing without ever waiting; true when the
  // whole frame was taken.
  static bool sendNotification(int socket, std::stringstream& document);
  // The change serialisers for this camera; each returns how many members it appended.
  int processStatusChangeNotifications(std::stringstream& out, all_status_settings_t& current,
                                       all_status_settings_t& previous, int notificationType);
  int processSettingsChangeNotifications(std::stringstream& out, all_status_settings_t& current,
                                         all_status_settings_t& previous);

  // Camera state (klcontrol_camera_state.cpp).
  // Lens cache; re-read from the camera while mNeedLenses is set.
  int8_t GetLensMode();
  int8_t GetLens();
  int8_t GetLensType();
  int8_t GetPowerProfile();
  // The active preset as last known; re-read from the camera while presets are modified.
  uint32_t GetCurrentPreset();
  // Asked of the camera every time: the active preset (0xFFFFFFFF unknown) and group (0 unknown).
  uint32_t GetActivePreset();
  uint32_t GetActivePresetGroup();
  // Adjusts a freshly read snapshot before it is compared or serialised.
  void modSettingsAndStatuses(all_status_settings_t& snapshot, klc_msg_q_context_t* ctx);
  // Scales the zoom byte of a snapshot for the modes that report it in steps.
  void GetDigitalZoom(all_status_settings_t& snapshot);
  // Ends an open zoom edit because a mode-changing command (named by caller) arrived.
  void stopZooming(const char* caller) KL_REQUIRES(mCommandMutex);
  // Zoom timer callback: ends the zoom edit under mCommandMutex.
  static void stopEdit(void* server);

  // Transcode jobs (klcontrol_transcode_status.cpp, klcontrol_transcode_commands.cpp).
  // Applies a camera progress text "id:state:progress:file" to the newest job; true when it changed.
  bool updateTranscodeStatus(const char* text);
  // The fail_reason recorded for a refused start, from the camera's refusal byte.
  static int32_t TranslateTranscodeError(int8_t refusal);
  // What one start command sends: its payload layout, remote id and log lines.
  struct TranscodeStartKind;

  // Read-only views for callers outside the worker (tests, the accept loop).
  bool isSuspended() const { return mSuspended; }
  bool isProtocolAdapterSet() const { return mProtocolAdapterSet; }
  uint32_t currentPresetCache() const { return mCurrentPreset; }
  bool presetsModified() const { return mPresetsModified; }
  bool needLenses() const { return mNeedLenses; }

 private:
  // The one camera-control context of the process; every file reaches it through klcontrol_camera().
  static klc_msg_q_context_t m_cameraContext;
  friend klc_msg_q_context_t* klcontrol_camera();

  using Handler = int (KlcontrolCommandServer::*)(Msg& msg, MsgElement* arg);
  struct DispatchRow {
    klcontrol_command_t command;
    Handler handler;
    // Logged when the frame refuses the argument; "Invalid parameter" when null.
    const char* argumentRefusal = nullptr;
    // The handler runs checks of its own before the argument's and refuses the argument itself.
    bool handlerChecksArgument = false;
  };
  static const DispatchRow DISPATCH[];

  // Life cycle and the worker's loop (klcontrol_if_server.cpp).
  KlcontrolCommandServer();
  ~KlcontrolCommandServer();
  KlcontrolCommandServer(const KlcontrolCommandServer&) = delete;
  KlcontrolCommandServer& operator=(const KlcontrolCommandServer&) = delete;
  static void* threadLoop(void* server);
  void workerLoop();
  void answerReceived(Msg& msg, klcontrol_command_t command);
  int openDaemonQueue(const char* name, UniqueQueue& queue);
  int openKlnetQueue();
  void selectProtocolAdapter();
  void registerWithCsi();
  void deleteAllClients() KL_EXCLUDES(mClientsLock);

  // Notification clients (klcontrol_notification_clients.cpp).
  // Deletes the retired clients and those known to be gone, then adds a hang-up watch for each TCP
  // client to the worker's wait (and a watch for room where a frame's tail waits).
  void watchSocketClients(std::vector<pollfd>& watched) KL_EXCLUDES(mClientsLock);
  // Removes the TCP clients whose peer closed or reset the connection during the wait, and sends
  // the tails that found room.
  void removeHungUpClients(const std::vector<pollfd>& watched) KL_EXCLUDES(mClientsLock);
  // Moves the oldest socket client that was never resumed and has been connected for
  // KLCONTROL_IDLE_PLACE_S to the retired clients; false when there is none.
  bool retireIdleClient() KL_REQUIRES(mClientsLock);
  // Deletes the listed client it points at and removes it from the list; the next one.
  std::vector<NotificationClient*>::iterator removeClient(std::vector<NotificationClient*>::iterator client)
      KL_REQUIRES(mClientsLock);

  // Reception, by message kind (klcontrol_receive.cpp).
  bool waitForMessage(unsigned timeoutMs, bool& timedOut, int& received);
  // Waits for the daemon queue (and the TCP clients' hang-ups) and receives one message: its length,
  // or -1 with error set to the failed call's error number (0 when nothing came).
  ssize_t receiveWhenReady(unsigned timeoutMs, int& error);
  // Logs a receive error unless it is the one logged last, then sleeps until turnEnd.
  void waitOutFailedTurn(int error, std::chrono::steady_clock::time_point turnEnd);
  bool classifyMessage(Msg& msg, klcontrol_command_t& command, int received);
  void handleCsiMessage(const uint8_t* code, size_t received);
  void handleSystemCommand();
  void handleSuspend();
  void handleResume();
  void answerSystemCommandInPlace(const std::string& requester);
  void handlePresetUpdate();
  void handlePresetModified(uint8_t event, uint32_t id);
  void handlePresetSwitched(uint32_t id);
  bool acceptClientCommand(Msg& msg, klcontrol_command_t& command);

  // Dispatch (klcontrol_dispatch.cpp).
  const DispatchRow* findRow(klcontrol_command_t command) const;
  bool argumentAcceptable(klcontrol_command_t command, const MsgElement* arg) const;
  int answer(Msg& msg, int status);
  // Logs the refusal text ("Invalid parameter" when null) and answers KL_ERR_INVALID_PARAM.
  int refuseArgument(Msg& msg, const char* text);
  int cmdNotificationQueueRegister(Msg& msg, MsgElement* arg);

  // Media and storage commands (klcontrol_media_commands.cpp).
  int cmdGlintTagPlayback(Msg& msg, MsgElement* arg);
  int cmdDelete(Msg& msg, MsgElement* arg);
  int cmdDeleteLast(Msg& msg, MsgElement* arg);
  int cmdDeleteGroup(Msg& msg, MsgElement* arg);
  int cmdDeleteAll(Msg& msg, MsgElement* arg);
  int cmdDeleteList(Msg& msg, MsgElement* arg);
  int cmdGetDeleteListResult(Msg& msg, MsgElement* arg);

  // Connectivity commands (klcontrol_connectivity_commands.cpp).
  int cmdWifiApControl(Msg& msg, MsgElement* arg);
  int cmdWifiApSsidConfig(Msg& msg, MsgElement* arg);
  int cmdWifiBandSelect(Msg& msg, MsgElement* arg);
  int cmdWifiSsidScan(Msg& msg, MsgElement* arg);
  int cmdWifiSsidList(Msg& msg, MsgElement* arg);
  int cmdWifiSsidSave(Msg& msg, MsgElement* arg);
  int cmdWifiSsidSelect(Msg& msg, MsgElement* arg);
  int cmdWifiSsidDelete(Msg& msg, MsgElement* arg);
  int cmdWifiSsidDeleteAll(Msg& msg, MsgElement* arg);
  int cmdRcPair(Msg& msg, MsgElement* arg);
  int cmdRcPairCancel(Msg& msg, MsgElement* arg);
  int cmdBleControl(Msg& msg, MsgElement* arg);

  // Capture and mode commands (klcontrol_capture_mode_commands.cpp, klcontrol_capture_settings_commands.cpp).
  int cmdShutter(Msg& msg, MsgElement* arg);
  int cmdMode(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdModeSubMode(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdSettingsForward(Msg& msg, MsgElement* arg);
  int cmdGlintTagRecording(Msg& msg, MsgElement* arg);
  int cmdGetExtendedStatus(Msg& msg, MsgElement* arg);
  int cmdModeSetMode(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdSurgeSpeed1xSet(Msg& msg, MsgElement* arg);
  int cmdSurgeSpeedRampSet(Msg& msg, MsgElement* arg);
  int cmdSurgeSpeedRampActiveSet(Msg& msg, MsgElement* arg);
  int cmdVideoVantixReset(Msg& msg, MsgElement* arg);
  int cmdPhotoVantixReset(Msg& msg, MsgElement* arg);
  int cmdMultiVantixReset(Msg& msg, MsgElement* arg);
  int cmdVantixReset(Msg& msg, MsgElement* arg);
  int cmdCaptureDelay(Msg& msg, MsgElement* arg);
  int cmdOnscreenShortcutsReset(Msg& msg, MsgElement* arg);
  int cmdDigitalZoom(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  // Opens the zoom phase's preset edit; false (logged) when the camera opens none.
  bool openZoomEdit() KL_REQUIRES(mCommandMutex);
  // (Re)arms the zoom timer with mCommandMutex released for the time it takes.
  void armZoomTimer() KL_REQUIRES(mCommandMutex);

  // Preset commands (klcontrol_preset_*commands.cpp, klcontrol_preset_model_command.cpp).
  int cmdPresetGroupList(Msg& msg, MsgElement* arg);
  int cmdPresetList(Msg& msg, MsgElement* arg);
  int cmdPresetInfo(Msg& msg, MsgElement* arg);
  int cmdPresetCustomCreate(Msg& msg, MsgElement* arg);
  int cmdPresetCustomRemove(Msg& msg, MsgElement* arg);
  int cmdPresetSetOrder(Msg& msg, MsgElement* arg);
  int cmdPresetLoad(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdPresetEditStart(Msg& msg, MsgElement* arg);
  int cmdPresetRequest9(Msg& msg, MsgElement* arg);
  int cmdPresetEditEnd(Msg& msg, MsgElement* arg);
  int cmdPresetFactoryReset(Msg& msg, MsgElement* arg);
  int cmdPresetGetPresets(Msg& msg, MsgElement* arg);
  int cmdPresetSwitchFlatmode(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdPresetSetTitleIcon(Msg& msg, MsgElement* arg);
  int cmdPresetGetActivePreset(Msg& msg, MsgElement* arg);
  int cmdPresetGetActiveGroup(Msg& msg, MsgElement* arg);
  int cmdRemoteQuery528(Msg& msg, MsgElement* arg);
  // Answers with a serialised preset message as payload; returns status.
  int answerPresetMessage(Msg& msg, int status, const std::string& bytes);
  // The camera's 81-byte record of a preset: 0, the call's error, or KL_ERR (logged) for another size.
  int readPresetRecord(uint32_t id, appc_presets_settings_info& record);

  // System commands (klcontrol_system_commands.cpp).
  int cmdFwUpdateStart(Msg& msg, MsgElement* arg);
  int cmdFwUpdateCancel(Msg& msg, MsgElement* arg);
  int cmdFwUpdateDone(Msg& msg, MsgElement* arg);
  // Shutdown, sleep, locate, factory reset and wired USB control: one byte to a system request.
  int cmdSystemByteRequest(Msg& msg, MsgElement* arg);
  int cmdAnalyticsFilenameGet(Msg& msg, MsgElement* arg);
  int cmdAnalyticsClear(Msg& msg, MsgElement* arg);
  int cmdRemoteApi(Msg& msg, MsgElement* arg);
  int cmdSetLogLevel(Msg& msg, MsgElement* arg);
  int cmdSetInContextualMenu(Msg& msg, MsgElement* arg);
  int cmdSetCameraControlStatus(Msg& msg, MsgElement* arg);

  // Live-view, voice and button commands (klcontrol_liveview_voice_commands.cpp,
  // klcontrol_button_commands.cpp).
  int cmdLiveviewModeSet(Msg& msg, MsgElement* arg);
  // The voice commands that are one simple request each.
  int cmdVoiceRequest(Msg& msg, MsgElement* arg);
  int cmdVoiceMode(Msg& msg, MsgElement* arg);
  int cmdVoiceDeleteLast(Msg& msg, MsgElement* arg);
  int cmdSystemButtonSet(Msg& msg, MsgElement* arg);

  // Settings and status commands (klcontrol_settings_status_commands.cpp).
  int cmdSetSettingId(Msg& msg, MsgElement* arg) KL_REQUIRES(mCommandMutex);
  int cmdGetSettingId(Msg& msg, MsgElement* arg);
  int cmdGetAllSettings(Msg& msg, MsgElement* arg);
  int cmdGetAllStatus(Msg& msg, MsgElement* arg);
  int cmdGetAllSettingsStatus(Msg& msg, MsgElement* arg);
  int cmdCalFileNameGet(Msg& msg, MsgElement* arg);
  int cmdGetAllSettingsStatusIds(Msg& msg, MsgElement* arg);
  // Answers one remote read as it came: its bytes as payload, its error, or NAK-off. The library
  // copies the answer into buffer (capacity bytes) when one is given.
  int answerRemoteRead(Msg& msg, klc_remote_api api, const char* nakOffLine, uint8_t* buffer = nullptr,
                       uint16_t capacity = 0);

  // Transcode commands (klcontrol_transcode_commands.cpp) and progress (klcontrol_transcode_status.cpp).
  int cmdTranscodeHistory(Msg& msg, MsgElement* arg);
  int cmdTranscodeVideoRequest(Msg& msg, MsgElement* arg);
  int cmdTranscodePhotoToVideoRequest(Msg& msg, MsgElement* arg);
  int cmdTranscodeToPhotoRequest(Msg& msg, MsgElement* arg);
  int cmdTranscodeStatus(Msg& msg, MsgElement* arg);
  int cmdTranscodeCancel(Msg& msg, MsgElement* arg);
  int startTranscode(Msg& msg, const MsgElement* arg, const TranscodeStartKind& kind);
  // The newest job when its id matches, else a zero record; true when it matched.
  bool newestTranscodeJob(uint64_t jobId, transcode_status_t& record) const;
  // Observer of the status interface: transcode progress texts reach updateTranscodeStatus.
  void onCsiNotification(uint32_t id, const std::string& text);

  // Change notifications and command 43 (klcontrol_notifications.cpp).
  enum class BlockRead { OK, SHUTTING_DOWN, FAILED };
  int cmdPushNotifications(Msg& msg, MsgElement* arg);
  bool anyClientActive() KL_EXCLUDES(mClientsLock);
  template <typename Block>
  BlockRead readBlock(Block& block, const char* sizeFormat);
  BlockRead readSnapshot(all_status_settings_t& snapshot);
  std::string changeBody(all_status_settings_t& snapshot);
  void writeFullDocument(std::ostream& out, uint8_t model);
  // Shutdown-pending goes to every client; an update to those whose need of the full state is fullUpdate.
  void notifyClients(std::stringstream& document, bool shutdownPending, bool fullUpdate)
      KL_REQUIRES(mClientsLock);

  // Camera state (klcontrol_camera_state.cpp).
  bool readLenses();
  void refreshLenses(const char* failureText);
  bool readStatusBlock(appc_system_all_status& status, bool& whole, const char* failureFormat);
  void initializeStatusVariables();
  void initializeCameraInfo(uint8_t model);

  KLCSIListener* mCsiListener = nullptr;
  UniqueQueue mDaemonQueue;
  UniqueQueue mReplyQueue;  // the camera context's reply queue
  std::unique_ptr<uint8_t[]> mRxBuffer;
  std::unique_ptr<uint8_t[]> mTxBuffer;
  pthread_t mWorkerThread{};
  bool mWorkerStarted = false;
  std::atomic<bool> mRunning{false};
  int64_t mPeriodicTime[2] = {0, 0};
  all_status_settings_t mLastSnapshot{};
  all_status_settings_t mPeriodicSnapshot{};
  // Shared by the worker and the accept loop.
  std::vector<NotificationClient*> mNotificationClients KL_GUARDED_BY(mClientsLock);
  // Taken off the list by the accept loop, deleted by the worker at its next turn: its wait may be
  // watching their sockets.
  std::vector<std::unique_ptr<NotificationClient>> mRetiredClients KL_GUARDED_BY(mClientsLock);
  KlMutex mClientsLock KL_ACQUIRED_AFTER(mCommandMutex);
  // What the worker's receive waits on: the daemon queue, then the TCP clients; reused every turn.
  std::vector<pollfd> mWaitSet;
  // The receive error logged last; 0 once a receive succeeds again. Worker only.
  int mReceiveError = 0;
  std::deque<transcode_status_t> mTranscodeJobs;
  std::atomic<bool> mProtocolAdapterSet{false};
  std::atomic<bool> mSuspended{false};
  std::atomic<uint32_t> mCurrentPreset{0};
  int8_t mLensMode = 0;
  int8_t mLens = 0;
  int8_t mLensType = 0;
  std::atomic<bool> mNeedLenses{false};
  std::atomic<bool> mPresetsModified{true};
  // Shared by the worker and the zoom timer's thread.
  bool mIsZooming KL_GUARDED_BY(mCommandMutex) = false;
  // Set by command 0 when it added a client: the result of handleCommand.
  bool mQueueClientAdded = false;
  KeltoTimer mZoomTimer;
  std::vector<std::string> mCameraInfoCache;
  uint8_t mInContextualMenu = 0;
  uint8_t mOrientationSetting = 0;
  KlMutex mCommandMutex;
  CameraFactory* mCameraFactory = nullptr;
  InfoHandler* mCameraInfoHandler = nullptr;

  // The response and its elements, refilled for every answer on the worker thread.
  ResponseMsg mResponse;
  MsgElement mRspCode{TLV_RSPCODE};
  MsgElement mRspArg{TLV_RSPARG};
  MsgElement mRspEnd{TLV_END};
  // Every send to another process's queue: answers and queue notification clients.
  KlcontrolPeerQueues mPeerQueues{{&mDaemonQueue, &mReplyQueue}};

  static KlcontrolCommandServer* m_pInstance;
};
