// A POSIX message queue descriptor closed with its owner; a queue the owner created is removed with
// it, so that no name outlives the program that made it.
#pragma once
#include <fcntl.h>
#include <mqueue.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <utility>

class UniqueQueue {
 public:
  UniqueQueue() = default;
  // Takes a descriptor opened elsewhere; with a name, the queue is removed under it when given up.
  explicit UniqueQueue(mqd_t queue, std::string removeAs = {})
      : mQueue(queue), mRemoveAs(queue == mqd_t(-1) ? std::string() : std::move(removeAs)) {}
  UniqueQueue(UniqueQueue&& other) noexcept : mRemoveAs(std::move(other.mRemoveAs)) {
    mQueue = other.release();
  }
  UniqueQueue& operator=(UniqueQueue&& other) noexcept {
    reset();
    mRemoveAs = std::move(other.mRemoveAs);
    mQueue = other.release();
    return *this;
  }
  UniqueQueue(const UniqueQueue&) = delete;
  UniqueQueue& operator=(const UniqueQueue&) = delete;
  ~UniqueQueue() { reset(); }

  // Opens an existing queue; flags without O_CREAT.
  static UniqueQueue open(const char* name, int flags) { return UniqueQueue(mq_open(name, flags)); }
  // Creates the queue (O_CREAT is added; add O_EXCL to refuse one found) and removes it with the owner.
  static UniqueQueue create(const std::string& name, int flags, mode_t mode, const mq_attr& attr) {
    mq_attr asked = attr;
    return UniqueQueue(mq_open(name.c_str(), flags | O_CREAT, mode, &asked), name);
  }

  mqd_t get() const { return mQueue; }
  bool valid() const { return mQueue != mqd_t(-1); }
  // The name of the queue it created and removes; empty for one it only opened.
  const std::string& name() const { return mRemoveAs; }
  // Closes the queue, and removes the one it created. errno is kept, so that a caller can return the
  // failure that made it give the queue up.
  void reset() {
    const int error = errno;
    if (valid()) mq_close(mQueue);
    if (!mRemoveAs.empty()) mq_unlink(mRemoveAs.c_str());
    mQueue = mqd_t(-1);
    mRemoveAs.clear();
    errno = error;
  }
  // Gives the descriptor up without closing it or removing the queue.
  mqd_t release() {
    const mqd_t queue = mQueue;
    mQueue = mqd_t(-1);
    mRemoveAs.clear();
    return queue;
  }

 private:
  mqd_t mQueue = mqd_t(-1);
  std::string mRemoveAs;
};
