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
