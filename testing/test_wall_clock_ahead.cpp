// Preloaded into a started program (LD_PRELOAD): its wall clock reads an hour ahead of the system's,
// as if the clock had been stepped back an hour right after each reading. A wait until a wall-clock
// deadline then lasts an hour longer; a wait measured on the monotonic clock is not moved.
#include <dlfcn.h>

#include <ctime>

extern "C" int clock_gettime(clockid_t clock, timespec* now) {
  using ClockGettime = int (*)(clockid_t, timespec*);
  static const auto next = reinterpret_cast<ClockGettime>(dlsym(RTLD_NEXT, "clock_gettime"));
  const int result = next(clock, now);
  if (result == 0 && clock == CLOCK_REALTIME) now->tv_sec += 3600;
  return result;
}
