# Sourced by the scripts: the one way they configure and build, through the CMake preset
# "mingw" (CMakePresets.json: the MinGW-w64 cross build, Release), in the folder given.
#
#   build_with_preset [--no-tests] SOURCE BUILD [TARGET...]
#
# Installs nothing: the caller runs scripts/install-deps.sh first. Without targets it
# builds everything; --no-tests configures the program alone (the tests need GoogleTest's
# sources and take most of the configure). The configure's own output is kept quiet.
# shellcheck shell=bash

build_with_preset() {
  local tests=ON
  if [ "${1:-}" = --no-tests ]; then tests=OFF; shift; fi
  local source=$1 build=$2
  shift 2
  # a preset is looked up in the source folder the command runs in
  (cd "$source" && cmake --preset mingw -B "$build" -DTARVIX_TESTS="$tests" >/dev/null)
  local targets=()
  [ "$#" = 0 ] || targets=(--target "$@")
  cmake --build "$build" -j"$(nproc)" "${targets[@]}"
}
