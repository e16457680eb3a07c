// Classic daemonisation: detach from the parent and the controlling terminal.
#pragma once

// Forks (the parent exits 0), starts a new session, changes directory and clears the file-creation mask.
// With allow_core, core files are unlimited and the directory is "/tmp/fuse_b/", else "/".
// Does nothing and returns 0 when the parent is already process 1; else the result of the directory
// change, or -1 when the fork fails.
int daemon_init_ext(int allow_core);

// daemon_init_ext without core files.
int daemon_init();
