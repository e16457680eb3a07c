#include "klDaemonInit.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Core files go to a folder that survives on the camera; the limit is lifted so that they are complete.
int prepare_core_dumps() {
  const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
  if (setrlimit(RLIMIT_CORE, &unlimited) != 0)
    printf("%s: Error: unable to set core limit in order to generate core dump!", "daemon_init_ext");
  int result = chdir("/tmp/fuse_b/");
  printf("%s: Note: Daemon can generate core dump.", "daemon_init_ext");
  return result;
}

}  // namespace

int daemon_init_ext(int allow_core) {
  // Started by init (or already daemonised): nothing to detach from.
  if (getppid() == 1) return 0;
  pid_t pid = fork();
  if (pid < 0) return -1;
  // _exit: the child keeps the buffered output; flushing it here too would print it twice.
  if (pid > 0) _exit(0);
  setsid();
  int result = allow_core ? prepare_core_dumps() : chdir("/");
  umask(0);
  return result;
}

int daemon_init() {
  return daemon_init_ext(0);
}
