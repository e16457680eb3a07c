// One-shot timer with its own thread: calls a callback a number of milliseconds after it was
// last armed, unless cancelled or re-armed first. The callback runs on the timer thread with the
// timer's mutex held, so it must never take a lock whose holder may wait for that mutex. Periods
// are measured on the monotonic clock: a step of the wall clock neither stretches nor cuts one.
#pragma once

#include <pthread.h>

#include <cerrno>
#include <ctime>

#include "klLog.h"
#include "klThreadSafety.h"

class KeltoTimer {
 public:
  using Callback = void (*)(void*);

  // Starts the timer thread; failures are logged and construction goes on.
  KeltoTimer() {
    int rc = pthread_condattr_init(&mCondAttr);
    if (rc == 0) rc = pthread_condattr_setclock(&mCondAttr, WAIT_CLOCK);
    if (rc == 0) rc = pthread_cond_init(&mCond, &mCondAttr);
    if (rc != 0) KLOG(UTIL_LOG_ERROR, "KeltoTimer", "KeltoTimer cond init failed %d", rc);
    rc = pthread_mutex_init(&mMutex, nullptr);
    if (rc != 0) KLOG(UTIL_LOG_ERROR, "KeltoTimer", "KeltoTimer wait mutex init failed %d", rc);
    rc = pthread_create(&mThread, nullptr, &KeltoTimer::ThreadHelper, this);
    mThreadStarted = rc == 0;
    if (rc != 0) KLOG(UTIL_LOG_ERROR, "KeltoTimer", "KeltoTimer thread init failed %d", rc);
  }

  virtual ~KeltoTimer() {
    stop();
    pthread_mutex_destroy(&mMutex);
    pthread_cond_destroy(&mCond);
    pthread_condattr_destroy(&mCondAttr);
  }

  KeltoTimer(const KeltoTimer&) = delete;
  KeltoTimer& operator=(const KeltoTimer&) = delete;

  // (Re)arms: the callback runs periodMs after this call unless re-armed or cancelled first.
  // Blocks while a callback runs, so never call it holding a lock that callback takes.
  void arm(int periodMs, Callback callback, void* argument) {
    lock();
    mPeriodMs = periodMs;
    mCancel = false;
    mCallback = callback;
    mArgument = argument;
    pthread_cond_broadcast(&mCond);
    unlock();
  }

  // Disarms; a pending expiry calls nothing.
  void cancel() {
    lock();
    disarmLocked();
    unlock();
  }

  // As cancel, but gives up (false) instead of waiting when the timer thread holds the mutex,
  // which it does while a callback runs; safe while holding a lock the callback takes.
  bool tryCancel() {
    if (!tryLock()) return false;
    disarmLocked();
    unlock();
    return true;
  }

  // Ends the timer thread without calling a pending callback; the owner calls it before it
  // destroys what the callback uses. Later calls do nothing.
  void stop() {
    lock();
    mStop = true;
    pthread_cond_broadcast(&mCond);
    unlock();
    if (mThreadStarted) pthread_join(mThread, nullptr);
    mThreadStarted = false;
  }

  // True while armed and not yet expired.
  bool isArmed() {
    lock();
    const bool armed = mPeriodMs > 0;
    unlock();
    return armed;
  }

 protected:
  // The timer thread's loop; a subclass may replace it.
  virtual void run() {
    lock();
    while (!mStop) {
      timespec now{};
      if (clock_gettime(WAIT_CLOCK, &now) != 0)
        KLOG(UTIL_LOG_ERROR, "KeltoTimer", "KeltoTimer failed to get time %d\n", errno);
      if (mPeriodMs > 0) {
        waitOnePeriod(now);
      } else {
        pthread_cond_wait(&mCond, &mMutex);
      }
    }
    unlock();
  }

 private:
  // The clock of the condition's timed waits and of the deadlines computed for them.
  static constexpr clockid_t WAIT_CLOCK = CLOCK_MONOTONIC;

  static void* ThreadHelper(void* timer) {
    static_cast<KeltoTimer*>(timer)->run();
    return nullptr;
  }

  // Waits until now + period; a wake-up first returns to the loop, which starts a fresh period.
  void waitOnePeriod(const timespec& now) KL_REQUIRES(mMutex) {
    timespec deadline = now;
    deadline.tv_sec += mPeriodMs / 1000;
    deadline.tv_nsec += long(mPeriodMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
      deadline.tv_sec += 1;
      deadline.tv_nsec -= 1000000000L;
    }
    if (pthread_cond_timedwait(&mCond, &mMutex, &deadline) != ETIMEDOUT) return;
    if (!mCancel && mCallback != nullptr) mCallback(mArgument);
    mPeriodMs = -1;
  }

  void disarmLocked() KL_REQUIRES(mMutex) {
    mCancel = true;
    mPeriodMs = -1;
    pthread_cond_broadcast(&mCond);
  }

  // The timer's mutex as the lock analysis knows it; the pthread calls take its address.
  typedef pthread_mutex_t KL_CAPABILITY("mutex") Mutex;

  // The pthread calls on the timer's mutex, as the lock analysis sees them.
  void lock() KL_ACQUIRE(mMutex) KL_NO_THREAD_SAFETY_ANALYSIS { pthread_mutex_lock(&mMutex); }
  void unlock() KL_RELEASE(mMutex) KL_NO_THREAD_SAFETY_ANALYSIS { pthread_mutex_unlock(&mMutex); }
  bool tryLock() KL_TRY_ACQUIRE(true, mMutex) KL_NO_THREAD_SAFETY_ANALYSIS {
    return pthread_mutex_trylock(&mMutex) == 0;
  }

  // Shared by the owner's thread and the timer thread.
  int mPeriodMs KL_GUARDED_BY(mMutex) = -1;
  bool mCancel KL_GUARDED_BY(mMutex) = false;
  bool mStop KL_GUARDED_BY(mMutex) = false;
  Callback mCallback KL_GUARDED_BY(mMutex) = nullptr;
  void* mArgument KL_GUARDED_BY(mMutex) = nullptr;
  pthread_t mThread{};
  bool mThreadStarted = false;
  pthread_condattr_t mCondAttr{};
  pthread_cond_t mCond{};
  Mutex mMutex{};
};
