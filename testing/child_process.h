// Runs a piece of a test in a forked child whose standard output comes back to the test.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

struct ChildResult {
  int status = -1;     // as from waitpid
  std::string output;  // everything written on the child's standard output, by it and its descendants
};

// The child runs body and then _exit(0) unless body ends it; standard output is a pipe, read until
// every writer has closed it, so a grandchild that outlives the child is waited for too.
template <typename Body>
ChildResult run_in_child(Body body) {
  ChildResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    body();
    fflush(stdout);
    _exit(0);
  }
  close(fds[1]);
  char chunk[4096];
  for (ssize_t size; (size = read(fds[0], chunk, sizeof chunk)) != 0;) {
    if (size > 0)
      result.output.append(chunk, static_cast<size_t>(size));
    else if (errno != EINTR)
      break;
  }
  close(fds[0]);
  if (pid > 0) waitpid(pid, &result.status, 0);
  return result;
}
