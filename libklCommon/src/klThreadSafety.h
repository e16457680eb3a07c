// Lock annotations that clang's -Wthread-safety checks at compile time: which mutex guards a member,
// which a function needs held or takes itself, and in which order two mutexes are taken. Other
// compilers ignore them. The standard mutex carries no annotations, so KlMutex wraps it.
#pragma once

#include <mutex>

#if defined(__clang__)
#define KL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KL_THREAD_ANNOTATION(x)
#endif

#define KL_CAPABILITY(name) KL_THREAD_ANNOTATION(capability(name))
#define KL_SCOPED_CAPABILITY KL_THREAD_ANNOTATION(scoped_lockable)
#define KL_GUARDED_BY(mutex) KL_THREAD_ANNOTATION(guarded_by(mutex))
#define KL_ACQUIRED_AFTER(...) KL_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define KL_REQUIRES(...) KL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define KL_EXCLUDES(...) KL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define KL_ACQUIRE(...) KL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define KL_RELEASE(...) KL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define KL_TRY_ACQUIRE(...) KL_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// On a function that hands out a mutex: the caller's KL_REQUIRES may then name the call.
#define KL_RETURN_CAPABILITY(x) KL_THREAD_ANNOTATION(lock_returned(x))
// For the few functions that are the lock themselves, around calls the analysis does not know.
#define KL_NO_THREAD_SAFETY_ANALYSIS KL_THREAD_ANNOTATION(no_thread_safety_analysis)

// A std::mutex that the analysis knows as a lock.
class KL_CAPABILITY("mutex") KlMutex {
 public:
  void lock() KL_ACQUIRE() { mMutex.lock(); }
  void unlock() KL_RELEASE() { mMutex.unlock(); }

 private:
  std::mutex mMutex;
};

// Holds a KlMutex for its scope.
class KL_SCOPED_CAPABILITY KlLock {
 public:
  explicit KlLock(KlMutex& mutex) KL_ACQUIRE(mutex) : mMutex(mutex) { mMutex.lock(); }
  ~KlLock() KL_RELEASE() { mMutex.unlock(); }
  KlLock(const KlLock&) = delete;
  KlLock& operator=(const KlLock&) = delete;

 private:
  KlMutex& mMutex;
};
