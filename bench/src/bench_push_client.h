// Notification clients of the daemon, over TCP and over a queue, for the CPU, change-latency and
// fan-out figures.
#pragma once
#include <string>
#include <vector>

#include "bench_queue.h"
#include "bench_requester.h"
#include "klUniqueFd.h"
#include "klcontrol_push_frames.h"

// What the change figures need of a client of either kind.
class BenchDocumentClient {
 public:
  virtual ~BenchDocumentClient() = default;
  // Reads documents until one holds text (any document for an empty text); false when none did
  // within timeoutMs.
  bool waitFor(const std::string& text, int timeoutMs);
  // Documents waitFor has read so far.
  unsigned documents() const { return mDocuments; }

 protected:
  // The next whole document within timeoutMs; false on time-out or a lost connection.
  virtual bool next(std::string& document, int timeoutMs) = 0;

 private:
  unsigned mDocuments = 0;
};

class BenchPushClient : public BenchDocumentClient {
 public:
  // Connects to 127.0.0.1:8081 and resumes the socket clients (command 43, "status=1") until the
  // first document (the full state) arrives: the daemon registers a connection on its own thread.
  bool connectAndResume(BenchRequester& requester, int timeoutMs);
  // Reads every document that comes during the milliseconds; how many came.
  unsigned readFor(int milliseconds);

 private:
  bool next(std::string& document, int timeoutMs) override;

  UniqueFd mFd;
  KlcontrolFrameReader mFrames;
};

// A queue client (command 0), active from its registration; unregistered again when it goes, so that
// the daemon stops polling the camera for it.
class BenchQueueClient : public BenchDocumentClient {
 public:
  explicit BenchQueueClient(BenchRequester& requester) : mRequester(requester) {}
  ~BenchQueueClient() override;
  BenchQueueClient(const BenchQueueClient&) = delete;
  BenchQueueClient& operator=(const BenchQueueClient&) = delete;

  // Creates the queue and registers it; the full state comes on the daemon's next poll.
  bool open();

 private:
  // The whole event: its TLV_RSPARG is the document's text, and nothing else in it can spell a JSON text.
  bool next(std::string& document, int timeoutMs) override;
  bool registration(uint32_t enable);

  BenchRequester& mRequester;
  UniqueQueue mQueue;
  std::vector<uint8_t> mBuffer;
};
