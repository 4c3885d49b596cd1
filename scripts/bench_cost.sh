#!/usr/bin/env bash
# What the running saver costs, under Wine in Xvfb (prints figures; not a
# test): a normal show of 12-megapixel photos at the default hold, the cache
# full and no downloads, for MINUTES (10), then the same with the display off
# for MINUTES. For each run, as a share of one core averaged over the run, the
# CPU of the main thread, the builder threads, the download threads and the
# graphics driver's threads, and the main thread's wakeups per second; beside
# the goals: display off, the whole process at most 0.2 % of a core; a held
# slide, the main thread at most 0.1 %; the whole show, the saver's own
# threads at most 2 %, with the JPEG decoding's share estimated apart
# (tests/e2e/bench_cost.py).
#
#   scripts/bench_cost.sh [MINUTES]
#
# VELMORA_BUILD_DIR names another Windows build directory to measure (an
# older build, for figures before and after); the display-off notification is
# then delivered by this tree's power_driver.exe when that build has none.
# Threads are told apart by the names the saver gives them; a build that
# names none counts its builders among the unnamed threads.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/bench_build.sh"
minutes=${1:-10}
work=$build/bench-cost
photos=$work/photos
mkdir -p "$photos"

for tool in djpeg convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (libjpeg-turbo-progs, imagemagick)" >&2; exit 1; }
done

bench_build velmora
driver=$build/tests/e2e/power_driver.exe
if [ ! -f "$driver" ]; then
  cmake --preset win >/dev/null
  cmake --build "$root/build/win" -j2 --target power_driver >/dev/null
  driver=$root/build/win/tests/e2e/power_driver.exe
fi

# A full cache: 100 photos of 12 megapixels, made from the six sample
# photographs so they have a real photo's detail, oldest first.
samples=$work/samples
if [ ! -f "$photos/099.jpg" ]; then
  rm -rf "$samples" "$photos"
  mkdir -p "$photos"
  "$root/scripts/sample_photos.sh" "$samples" >/dev/null
  mapfile -t sources < <(find "$samples" -name '*.jpg' | sort)
  for i in "${!sources[@]}"; do
    convert "${sources[$i]}" -resize '4243x2828!' -quality 90 "$work/source$i.jpg"
  done
  for i in $(seq 0 99); do
    cp "$work/source$((i % ${#sources[@]})).jpg" "$photos/$(printf '%03d' "$i").jpg"
    touch -d "@$(($(date +%s) - 10000 + i))" "$photos/$(printf '%03d' "$i").jpg"
  done
fi

# djpeg's median time for one photo, in milliseconds.
decode_ms=$(for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  djpeg -outfile /dev/null "$photos/000.jpg"
  echo $((($(date +%s%N) - start) / 1000000))
done | sort -n | sed -n 3p)

source "$root/tests/e2e/wine_env.sh"
wine_env_start "$work/wine"
trap wine_env_stop EXIT
python3 "$root/tests/e2e/bench_cost.py" --scr "$build/velmora.scr" --photos "$photos" --driver "$driver" \
  --minutes "$minutes" --decode-ms "$decode_ms"
