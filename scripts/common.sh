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

# Configures a tree as scripts/test builds it: optimised, warnings as errors, and no more debug
# information than the flag asks for (the sanitizers' reports need source lines only).
kl_configure_checked() {  # build dir, debug-information flag, cmake arguments...
  local dir=$1 flags="-O2 $2 -DNDEBUG"
  shift 2
  kl_configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$flags" \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$flags" -DKL_WERROR=ON "$@"
}

# Configures the clang AddressSanitizer+UndefinedBehaviorSanitizer build with the fuzzers.
kl_configure_asan() {  # build dir
  CC=clang CXX=clang++ kl_configure_checked "$1" -gline-tables-only -DKL_SANITIZE=address,undefined -DKL_FUZZ=ON
}

# What the sanitizers of that build do on a finding: report it whole and fail.
kl_sanitizer_options() {
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
}

# The extra libFuzzer flags of a target: the lines of fuzz/options/<target> not starting with '#'.
kl_fuzz_options() {  # target
  grep -sv '^#' "fuzz/options/$1" || true
}

# Installs what a build for a Debian architecture needs and sets kl_arch_cmake to its CMake arguments:
# none for this machine's own; for an ARM board's, its toolchain file (a cross compiler, the target's
# libraries and qemu-user are installed with it).
kl_prepare_arch() {  # Debian architecture
  kl_arch_cmake=()
  if [ "$1" = "$(dpkg --print-architecture)" ]; then
    scripts/install-deps
    return
  fi
  local toolchain=cmake/toolchain-$1.cmake
  [ -f "$toolchain" ] || { echo "scripts/${0##*/}: no toolchain file $toolchain" >&2; exit 2; }
  scripts/install-deps --cross "$1"
  kl_arch_cmake=(-DCMAKE_TOOLCHAIN_FILE="$PWD/$toolchain")
}

# The emulator that runs a configured build's programs here (empty for this machine's own programs).
kl_emulator() {  # build dir
  sed -n 's/^KL_TEST_EMULATOR:INTERNAL=//p' "$1/CMakeCache.txt"
}

# The project's own C++ sources and headers, NUL-separated: tracked files only, so never generated code.
kl_cpp_sources() {  # git pathspecs, default every .cpp and .h
  [ $# -gt 0 ] || set -- '*.cpp' '*.h'
  git ls-files -z -- "$@"
}

# Runs the command every 0.1 s until it succeeds; fails when it still does not after the seconds.
kl_wait_until() {  # seconds, command...
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# True while the process runs.
kl_running() {  # pid
  kill -0 "$1" 2>/dev/null
}

# True when something listens on the TCP port (of this network namespace).
kl_listening() {  # port
  grep -q "^ *[0-9]*: [0-9A-F]*:$(printf %04X "$1") 00000000:0000 0A" /proc/net/tcp
}

# True when the process has ended.
kl_ended() {  # pid
  ! kl_running "$1"
}

# Paths of the C++ and Python files that only tests use: unit tests, fuzz harnesses, end-to-end and load
# tests, pytest files and examples, and their fixtures and fakes. Every other tracked .cpp/.h/.py/.pyi is
# code.
kl_test_file_regex='(_test\.cpp|_fuzzer\.cpp|_fixture\.(h|cpp))$|(^|/)(fuzz|testing|e2e|load|tests|examples)/|/(test_|fake_)[^/]*$'

# Tracked C++ and Python files, one a line: the test files (argument "tests") or the code ("code").
kl_cpp_files() {  # tests | code
  local select=-E
  [ "$1" = tests ] || select=-vE
  kl_cpp_sources '*.cpp' '*.h' '*.py' '*.pyi' | tr '\0' '\n' | grep $select "$kl_test_file_regex"
}

# Polls until the queue exists, while the process that makes it lives (at most 10 s).
kl_wait_for_queue() {  # klctl, queue, pid, program name
  for _ in $(seq 100); do
    "$1" --probe "$2" >/dev/null && return 0
    kl_running "$3" || { echo "scripts/${0##*/}: $4 ended before creating $2" >&2; return 1; }
    sleep 0.1
  done
  echo "scripts/${0##*/}: $4 did not create $2 within 10 s" >&2
  return 1
}

# Ends a process: politely, then firmly after 5 s.
kl_end_process() {  # pid
  kl_running "$1" || return 0
  kill -TERM "$1" 2>/dev/null || true
  kl_wait_until 5 kl_ended "$1" && return 0
  kill -KILL "$1" 2>/dev/null || true
}

# Stops a daemon in order: command 97 lets it shut down and remove its queues; after 5 s, by signal.
kl_stop_daemon() {  # klctl, pid
  kl_running "$2" || return 0
  "$1" --timeout 3 worker_exit >/dev/null || true
  kl_wait_until 5 kl_ended "$2" || kl_end_process "$2"
}

# Shows the daemon's syslog lines where no system logger need run: starts kllogview on a socket of its
# own, with its output on standard output, and mounts that socket over /dev/log in this (private)
# mount namespace. Where /dev/log is missing, an empty file stands in as the mount point until
# kl_unmount_log. Sets kl_logview_pid.
kl_mount_log() {  # kllogview
  kl_log_dir=$(mktemp -d /tmp/kllog.XXXXXX)
  setsid "$1" "$kl_log_dir/log" &
  kl_logview_pid=$!
  kl_wait_until 5 test -S "$kl_log_dir/log" ||
    { echo "scripts/${0##*/}: kllogview did not start" >&2; return 1; }
  if [ ! -e /dev/log ]; then
    touch /dev/log 2>/dev/null || { echo "scripts/${0##*/}: cannot make /dev/log" >&2; return 1; }
    kl_log_placeholder=yes
  fi
  mount --bind "$kl_log_dir/log" /dev/log
}

# Undoes kl_mount_log, whatever part of it was done.
kl_unmount_log() {
  [ -z "${kl_logview_pid:-}" ] || kl_end_process "$kl_logview_pid"
  [ -n "${kl_log_dir:-}" ] || return 0
  umount /dev/log 2>/dev/null || true
  [ -z "${kl_log_placeholder:-}" ] || rm -f /dev/log
  rm -rf "$kl_log_dir"
}
