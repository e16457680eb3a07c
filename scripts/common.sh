# Helpers the scripts share. Sourced by a script that has changed to the top of the tree.

jobs=$(nproc)

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
