// What /proc tells about another process: CPU time and resident memory.
#pragma once
#include <sys/types.h>

// User plus system CPU time of every thread of the process, in seconds; -1 when unreadable.
double benchCpuSeconds(pid_t pid);
// Time every thread of the process ran, in seconds, from the scheduler's nanosecond counters
// (/proc/<pid>/task/*/schedstat): fine enough for a few milliseconds; -1 when unreadable.
double benchRunSeconds(pid_t pid);
// Whether the process has ended (a zombie has: its exit handlers have run).
bool benchProcessEnded(pid_t pid);
// A "Name:   N kB" field of /proc/<pid>/<file> (status: VmRSS, RssAnon; smaps_rollup: Pss), in KiB;
// -1 when unreadable.
long benchProcKib(pid_t pid, const char* file, const char* field);
// VmRSS in KiB; -1 when unreadable.
long benchRssKib(pid_t pid);
// Parses the text of /proc/<pid>/stat: utime + stime in clock ticks, or -1 when malformed.
long benchStatTicks(const char* stat);
