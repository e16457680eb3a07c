// A file descriptor closed with its owner.
#pragma once
#include <unistd.h>

class SimFd {
 public:
  SimFd() = default;
  explicit SimFd(int fd) : mFd(fd) {}
  SimFd(SimFd&& other) noexcept : mFd(other.release()) {}
  SimFd& operator=(SimFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  SimFd(const SimFd&) = delete;
  SimFd& operator=(const SimFd&) = delete;
  ~SimFd() { reset(); }

  int get() const { return mFd; }
  bool valid() const { return mFd >= 0; }
  // Closes the descriptor held so far and takes another one.
  void reset(int fd = -1) {
    if (mFd >= 0) ::close(mFd);
    mFd = fd;
  }
  // Gives the descriptor up without closing it.
  int release() {
    const int fd = mFd;
    mFd = -1;
    return fd;
  }

 private:
  int mFd = -1;
};
