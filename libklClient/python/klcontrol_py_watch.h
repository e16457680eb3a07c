// The Python module's notification clients: the TCP watch of pushed documents, and a queue registered
// with command 0.
#pragma once
#include <pybind11/pybind11.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "klUniqueFd.h"
#include "klcontrol_push_frames.h"
#include "klctl_exchange.h"

// Connects to 127.0.0.1:8081 and hands out each pushed document as a Python value, until count
// documents came, the time-out (seconds from the start) passed or the daemon closed the connection.
class KlcontrolWatch {
 public:
  KlcontrolWatch(std::optional<unsigned> count, std::optional<double> timeout, bool resume);
  // The next document; StopIteration at the end, KlcontrolNoAnswer when the end came before any.
  pybind11::object next();
  void close() { mFd.reset(); }

 private:
  enum class Step { Document, TimedOut, Closed, Broken };
  Step receive(std::string& document);
  Step resumeUntilReadable();
  bool readable(double seconds) const;
  double left(double cap) const;
  bool passed() const;

  std::optional<unsigned> mCount;
  std::optional<std::chrono::steady_clock::time_point> mEnd;
  bool mResume;
  unsigned mDelivered = 0;
  std::string mProblem;
  UniqueFd mFd;
  KlcontrolFrameReader mFrames;
};

// A queue notification client: its own queue, registered with command 0 on construction and
// unregistered on close.
class KlcontrolQueueNotifications {
 public:
  explicit KlcontrolQueueNotifications(double timeout);
  // The next document within the seconds, or None.
  pybind11::object next(double seconds);
  void close();
  std::string name() const { return mQueue.valid() ? mName : ""; }

 private:
  void registration(uint32_t enable);

  double mTimeout;
  std::string mName;
  UniqueQueue mQueue;
  unsigned mDelivered = 0;
};
