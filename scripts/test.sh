#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds the native and Windows
# presets and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

packages=(cmake g++ googletest libgtest-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine64 xvfb x11-apps x11-utils xdotool imagemagick fonts-wine fonts-dejavu-core fonts-liberation
          python3-minimal libjpeg-turbo-progs)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "== installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
status=0

for preset in native native-asan native-tsan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs" >/dev/null
  echo "== $preset: test"
  ctest --preset "$preset" -j"$jobs" || status=1
done

echo "== win: build"
cmake --preset win >/dev/null
cmake --build --preset win -j"$jobs" >/dev/null

# Wine needs a display and a prefix; tests/e2e/wine_env.sh makes both once per
# run and keeps one wineserver alive outside CTest, so each Wine test is fast.
source "$root/tests/e2e/wine_env.sh"
wine_env_start "$root/build/win/wine-run"
trap wine_env_stop EXIT
echo "== win: test"
ctest --preset win -j"$jobs" || status=1

exit $status
