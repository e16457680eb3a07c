// A camera for the bench that costs nothing beyond the camera link's calls: a child blocking in its
// receive on the camera's queue answers each request from a table, and a second child serves the
// status service's queue as the simulated camera does. The answers are the simulated camera's model's:
// the model makes each once, for the first request of its kind (the warm-up round); every later request
// of that kind gets the stored reply with its own sequence number.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_queue.h"
#include "camera_link.h"
#include "sim_request_router.h"

class BenchAnswerTable {
 public:
  // Answers of a camera of the default model in its factory state.
  BenchAnswerTable();
  // The reply to a request of exactly length bytes, which is decoded into request (its reply queue
  // among it); null for a malformed request or one the model leaves unanswered.
  const std::vector<uint8_t>* answer(const uint8_t* msg, unsigned length, klc_link_request& request);
  // Replies the model has made so far.
  unsigned long made() const { return mMade; }

 private:
  SimCamera mCamera;
  SimRequestRouter mModel;
  SimOutcome mOutcome;
  std::unordered_map<std::string, std::vector<uint8_t>> mReplies;  // by group, id and payload
  unsigned long mMade = 0;
};

class BenchCamera {
 public:
  BenchCamera() = default;
  ~BenchCamera();
  BenchCamera(const BenchCamera&) = delete;
  BenchCamera& operator=(const BenchCamera&) = delete;

  // Creates the camera's and the status service's queues (false when either exists: the simulated
  // camera has not ended) and forks the two children. Call while no other thread runs.
  bool start();
  // Requests the camera received so far, and replies the model made for it.
  unsigned long requests() const;
  unsigned long made() const;
  // Ends the children; the queues are removed with the object.
  void stop();

 private:
  struct Counts;
  Counts* mCounts = nullptr;  // shared with the camera's child
  pid_t mCameraChild = -1;
  pid_t mServiceChild = -1;
  UniqueQueue mCameraQueue;
  UniqueQueue mServiceQueue;
};
