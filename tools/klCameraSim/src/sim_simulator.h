// The simulator process in one object: the camera link queue, the daemon events and the control
// socket, served by one thread with poll, so no state is ever shared between threads.
#pragma once
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "CameraFactory.h"
#include "klMbox.h"
#include "klUniqueFd.h"
#include "sim_camera.h"
#include "sim_csi_service.h"
#include "sim_drift.h"
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
  // Serves until requestStop; returns 0.
  int run();
  // Ends run at its next wake-up; safe from signal handlers and other threads.
  void requestStop();

  // Control interface: executes one command line. The reply line, or an empty text when the reply
  // comes later (a suspend/resume waiting for the daemon's answer).
  std::string execute(const std::string& line, unsigned client);

  SimCamera& camera() { return mCamera; }
  SimRequestRouter& router() { return mRouter; }
  SimDrift& drift() { return mDrift; }
  // Sends "JS" or "JR" and makes client wait for the answer; an error reply, or empty when waiting.
  std::string startSystemEvent(const std::string& code, unsigned client);
  // Sends a "PU" event (without an argument unless withArgument); 0 or -1.
  int sendPresetUpdate(uint8_t event, uint32_t id, bool withArgument = true);
  // Sends a message of the camera-status service to the daemon; 0 or -1.
  int sendCsi(const SimCsiMessage& message);
  SimCsiService& csi() { return mCsi; }
  bool sleepEvents() const { return mOptions.sleepEvents; }
  void setSleepEvents(bool on) { mOptions.sleepEvents = on; }

 private:
  struct Client {
    UniqueFd fd;
    unsigned serial;
    std::string input;
  };
  struct LateReply {
    std::chrono::steady_clock::time_point due;
    std::string queue;
    std::vector<uint8_t> message;
  };
  struct PendingEvent {
    bool active = false;
    unsigned client = 0;
    std::string code;
    std::chrono::steady_clock::time_point deadline;
  };

  void serveRequest();
  void sendReply(const std::string& queue, const std::vector<uint8_t>& message);
  // Sends the late replies whose time has come, oldest first.
  void sendDueLateReplies();
  void serveCsiRequest();
  // Sends "JS" or "JR" when the camera fell asleep or woke from sleep since it was in powerBefore.
  void announcePower(uint8_t powerBefore);
  void receiveEventAnswer();
  void finishPendingEvent(const std::string& reply);
  void acceptClient();
  bool readClient(Client& client);
  void replyTo(unsigned client, const std::string& line);
  int pollTimeoutMs() const;
  void fillPollSet();

  SimOptions mOptions;
  SimCamera mCamera;
  SimRequestRouter mRouter;
  SimDrift mDrift;
  klMbox_t mLink;
  klMbox_t mEvents;
  klMbox_t mCsiQueue;
  SimCsiService mCsi;
  UniqueFd mStop;
  UniqueFd mListen;
  std::vector<Client> mClients;
  unsigned mNextSerial = 1;
  PendingEvent mPending;
  std::vector<LateReply> mLateReplies;
  std::vector<pollfd> mPollSet;
  SimOutcome mOutcome;  // reused by every request
};
