#!/usr/bin/env bash
# Soak benchmark (prints figures; not a test): the saver runs for MINUTES over
# photos that keep arriving from a fake photo site, under Wine in Xvfb, and
# its resident size, handle count and GDI object count are printed every
# minute, then how much each grew after the first minute
# (tests/e2e/bench_soak.py). With --hostile the fake site answers the
# listing, the photos, the weather and the version check by a timetable of
# correct answers, errors, cut, stalled, oversized and slow ones, for MINUTES
# (120); each minute's line adds what the data folder holds, and the end tells
# whether settings.cfg kept its values.
#
#   scripts/bench_soak.sh [MINUTES]
#   scripts/bench_soak.sh --hostile [MINUTES]
#
# VELMORA_BUILD_DIR names another Windows build directory to measure; by
# default the win preset's build/win is configured and built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
hostile=()
minutes=30
if [ "${1:-}" = --hostile ]; then
  hostile=(--hostile)
  minutes=120
  shift
fi
minutes=${1:-$minutes}
source "$root/scripts/bench_build.sh"

bench_build velmora process_counts

# The sample photographs scaled to about 12 megapixels, their shapes kept.
photos=$build/bench-soak/photos-12mp
mkdir -p "$photos"
if [ -z "$(ls "$photos")" ]; then
  samples=$build/bench-soak/samples
  rm -rf "$samples"
  "$root/scripts/sample_photos.sh" "$samples" >/dev/null
  for sample in "$samples"/*.jpg; do
    convert "$sample" -resize 12000000@ -quality 90 "$photos/$(basename "$sample")"
  done
fi

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$build/wine-bench"
/usr/bin/python3 "$root/tests/e2e/bench_soak.py" --scr "$build/velmora.scr" \
  --counts "$build/tests/bench/process_counts.exe" --photos "$photos" --minutes "$minutes" "${hostile[@]}" | grep --line-buffered -v '^scenario '
