// The simulator process in one object. A thread of its own blocks in the receive of the camera link
// queue and serves each request as it comes; the main loop polls the daemon events, the status
// service, the control socket and the timers. The camera and what requests change with it are
// shared under one mutex.
#pragma once
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "CameraFactory.h"
#include "klMbox.h"
#include "klThreadSafety.h"
#include "klUniqueFd.h"
#include "klUniqueQueue.h"
#include "sim_camera.h"
#include "sim_csi_service.h"
#include "sim_drift.h"
#include "sim_reply_queues.h"
#include "sim_request_router.h"

constexpr const char* SIM_LINK_QUEUE = KLC_LINK_CAMERA_QUEUE;
constexpr const char* SIM_EVENT_QUEUE = "/klCameraSim_evt";
constexpr int SIM_DEFAULT_REPLY_DELAY_MS = 3;
constexpr int SIM_EVENT_ANSWER_TIMEOUT_MS = 2000;

struct SimOptions {
  uint8_t model = CAMERA_DEFAULT_MODEL;
  int replyDelayMs = SIM_DEFAULT_REPLY_DELAY_MS;  // 0 with --fast
  bool drift = false;
  // "PU" events to the daemon; tests that call the camera library beside a running daemon turn them off.
  bool presetEvents = true;
  // "JS" as the camera falls asleep and "JR" as it wakes; the program sends them unless told not to.
  bool sleepEvents = false;
  std::string stateFile;
  std::string controlName;  // abstract socket name; SIM_CONTROL_NAME when empty
};

class SimSimulator {
 public:
  explicit SimSimulator(const SimOptions& options);
  // Closes everything and removes the link queue.
  ~SimSimulator();
  SimSimulator(const SimSimulator&) = delete;
  SimSimulator& operator=(const SimSimulator&) = delete;

  // Loads the state file and opens the queues and the control socket; false (logged) on failure.
  bool open();
  // Serves until requestStop, the link on a thread of its own; returns 0.
  int run();
  // Ends run at its next wake-up; safe from signal handlers and other threads.
  void requestStop();

  // Control interface: executes one command line. The reply line, or an empty text when the reply
  // comes later (a suspend/resume waiting for the daemon's answer).
  std::string execute(const std::string& line, unsigned client) KL_EXCLUDES(mMutex);

  // Guards the camera and everything a request changes; control commands run holding it.
  KlMutex& mutex() KL_RETURN_CAPABILITY(mMutex) { return mMutex; }
  SimCamera& camera() KL_REQUIRES(mMutex) { return mCamera; }
  SimRequestRouter& router() KL_REQUIRES(mMutex) { return mRouter; }
  SimDrift& drift() KL_REQUIRES(mMutex) { return mDrift; }
  // Sends "JS" or "JR" and makes client wait for the answer; an error reply, or empty when waiting.
  std::string startSystemEvent(const std::string& code, unsigned client) KL_REQUIRES(mMutex);
  // Sends a "PU" event (without an argument unless withArgument); 0 or -1.
  int sendPresetUpdate(uint8_t event, uint32_t id, bool withArgument = true);
  // Sends a message of the camera-status service to the daemon; 0 or -1.
  int sendCsi(const SimCsiMessage& message);
  // The main thread's alone.
  SimCsiService& csi() { return mCsi; }
  bool sleepEvents() const KL_REQUIRES(mMutex) { return mSleepEvents; }
  void setSleepEvents(bool on) KL_REQUIRES(mMutex) { mSleepEvents = on; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Client {
    UniqueFd fd;
    unsigned serial;
    std::string input;
  };
  struct LateReply {
    Clock::time_point due;
    std::string queue;
    std::vector<uint8_t> message;
  };
  struct PendingEvent {
    bool active = false;
    unsigned client = 0;
    std::string code;
    Clock::time_point deadline;
  };

  // The link thread: receives and serves requests until stopLink.
  void serveLink() KL_EXCLUDES(mMutex);
  void serveRequest(unsigned length) KL_EXCLUDES(mMutex);
  // Ends the link thread: it leaves at the next message it receives, a wake-up sent to itself when
  // the queue is empty.
  void stopLink(std::thread& link);
  // The main loop's work of one wake-up besides the control clients.
  void serveWakeUp(const std::vector<pollfd>& fds) KL_EXCLUDES(mMutex);
  // Sends the late replies whose time has come, oldest first.
  void sendDueLateReplies() KL_REQUIRES(mMutex);
  void serveCsiRequest();
  // Sends "JS" or "JR" when the camera fell asleep or woke from sleep from power state before to after.
  void announcePower(uint8_t before, uint8_t after) KL_REQUIRES(mMutex);
  void receiveEventAnswer() KL_REQUIRES(mMutex);
  void finishPendingEvent(const std::string& reply) KL_REQUIRES(mMutex);
  void acceptClient();
  bool readClient(Client& client) KL_EXCLUDES(mMutex);
  void replyTo(unsigned client, const std::string& line);
  // The next moment the main loop has work without a message; max when none.
  Clock::time_point nextDeadline() const KL_REQUIRES(mMutex);
  // Wakes the main loop when the link thread brought its next deadline nearer.
  void wakeMainIfSooner() KL_REQUIRES(mMutex);
  int pollTimeoutMs() KL_EXCLUDES(mMutex);
  void fillPollSet();

  SimOptions mOptions;  // as constructed; read by both threads
  KlMutex mMutex;
  SimCamera mCamera KL_GUARDED_BY(mMutex);
  SimRequestRouter mRouter KL_GUARDED_BY(mMutex);
  SimDrift mDrift KL_GUARDED_BY(mMutex);
  PendingEvent mPending KL_GUARDED_BY(mMutex);
  std::vector<LateReply> mLateReplies KL_GUARDED_BY(mMutex);
  bool mSleepEvents KL_GUARDED_BY(mMutex);
  // Until when the main loop sleeps at most.
  Clock::time_point mSleepUntil KL_GUARDED_BY(mMutex) = Clock::time_point::max();
  // The queues it reads, removed with the simulator.
  UniqueQueue mLink;
  UniqueQueue mLinkWake;        // the link queue for writing: the wake-up of stopLink
  SimReplyQueues mLinkReplies;  // the link thread's
  UniqueQueue mEvents;
  UniqueQueue mCsiQueue;
  SimCsiService mCsi;
  UniqueFd mStop;
  UniqueFd mWake;  // the link thread tells the main loop of a nearer deadline
  UniqueFd mListen;
  std::vector<Client> mClients;
  unsigned mNextSerial = 1;
  std::vector<pollfd> mPollSet;
  std::atomic<bool> mLinkStopping{false};
  // The link thread's own.
  uint8_t mRequest[KLMSG_MAX];
  SimOutcome mOutcome;  // reused by every request
};
