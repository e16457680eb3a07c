// A file descriptor (socket, file, pipe) closed with its owner.
#pragma once
#include <unistd.h>

#include <cerrno>

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : mFd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : mFd(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return mFd; }
  bool valid() const { return mFd >= 0; }
  // Closes the descriptor held so far and takes another one. errno is kept, so that a caller can
  // return the failure that made it give the descriptor up.
  void reset(int fd = -1) {
    const int error = errno;
    if (mFd >= 0) ::close(mFd);
    mFd = fd;
    errno = error;
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
