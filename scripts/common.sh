# Helpers the scripts share. Sourced by a script that has changed to the top of the tree.

jobs=$(nproc)
# The queues of the daemon and of the camera (or its simulator).
kl_daemon_queue=/to_klCtlD
kl_camera_queue=/to_klnet
# The daemon's TCP port for pushed documents.
kl_notification_port=8081

# Configures a build tree for Ninja, quietly.
kl_configure() {  # build dir, cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

# The project's own C++ sources and headers, NUL-separated: tracked files only, so never generated code.
kl_cpp_sources() {  # git pathspecs, default every .cpp and .h
  [ $# -gt 0 ] || set -- '*.cpp' '*.h'
  git ls-files -z -- "$@"
}

# Paths of the C++ files that only tests use: unit tests, fuzz harnesses, end-to-end and load tests,
# and their fixtures and fakes. Every other tracked .cpp/.h is code.
kl_test_file_regex='(_test\.cpp|_fuzzer\.cpp|_fixture\.(h|cpp))$|(^|/)(fuzz|testing|e2e|load)/|/(test_|fake_)[^/]*$|(^|/)(temp_folder\.h|child_process\.h|wait_until\.h|csi_test_messages\.h)$'

# Tracked C++ files, one a line: the test files (argument "tests") or the code ("code").
kl_cpp_files() {  # tests | code
  local select=-E
  [ "$1" = tests ] || select=-vE
  kl_cpp_sources | tr '\0' '\n' | grep $select "$kl_test_file_regex"
}

# Polls until the queue exists, while the process that makes it lives (at most 10 s).
kl_wait_for_queue() {  # klctl, queue, pid, program name
  for _ in $(seq 100); do
    "$1" --probe "$2" >/dev/null && return 0
    kill -0 "$3" 2>/dev/null || { echo "scripts/${0##*/}: $4 ended before creating $2" >&2; return 1; }
    sleep 0.1
  done
  echo "scripts/${0##*/}: $4 did not create $2 within 10 s" >&2
  return 1
}

# Ends a process: politely, then firmly after 5 s.
kl_end_process() {  # pid
  kill -0 "$1" 2>/dev/null || return 0
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
}
