#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds the native and Windows
# presets and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# wine provides the wine, wineboot and wineserver commands; the X and GL
# libraries are only recommended by Wine, and the saver needs them (llvmpipe
# for its GL window). python3 (not -minimal) brings the standard library the
# end-to-end harness uses. Xorg with the dummy driver and xrandr give the
# two-monitor display, xsetroot marks what no saver window covers. wixl builds
# the MSI, msitools' msiinfo reads its product code back.
packages=(cmake make g++ googletest libgtest-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 libgl1 libglx-mesa0 libgl1-mesa-dri libxrandr2 libxrender1 libxi6 libxcursor1
          libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
          xvfb x11-apps x11-utils xdotool imagemagick fonts-wine fonts-dejavu-core fonts-liberation
          xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
          python3 libjpeg-turbo-progs nsis python3-pil libgs-common colord-data wixl msitools)
source scripts/install_missing.sh
install_missing "${packages[@]}"

jobs=$(nproc)
status=0

# Source folders include only the layers below them (scripts/check_layers.py).
echo "== layers"
scripts/check_layers.py || status=1

for preset in native native-asan native-tsan; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs" >/dev/null
  echo "== $preset: test"
  ctest --preset "$preset" -j"$jobs" || status=1
done

# Every parser of outside text under libFuzzer, ten seconds a target.
echo "== fuzz"
scripts/fuzz.sh 10 || status=1

echo "== win: build"
cmake --preset win >/dev/null
cmake --build --preset win -j"$jobs" >/dev/null

# Wine needs a display and a prefix; tests/e2e/wine_env.sh makes both once per
# run and keeps one wineserver alive outside CTest, so each Wine test is fast.
# End-to-end scenarios copy that prefix and start their own display and server.
source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$root/build/win/wine-run"
echo "== win: test"
ctest --preset win -j"$jobs" || status=1

((status == 0)) && echo "== all tests passed" || echo "== some tests FAILED"
exit $status
