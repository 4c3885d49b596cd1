# Sourced by the benchmark scripts, from the repository's root: `build` is the
# Windows build directory they measure, VELMORA_BUILD_DIR or else the win
# preset's build/win, which is configured first; bench_build TARGET... brings
# those targets up to date in it.
build=${VELMORA_BUILD_DIR:-$PWD/build/win}

bench_build() {
  if [ -z "${VELMORA_BUILD_DIR:-}" ]; then
    cmake --preset win >/dev/null
  fi
  cmake --build "$build" -j2 --target "$@" >/dev/null
}
