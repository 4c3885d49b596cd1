#!/usr/bin/env bash
# Benchmark (prints figures; not a test): the time from a key press to the end
# of the saver process, median and longest of several runs, under Wine in
# Xvfb: once on an empty data folder a second after start-up, and once over two
# photos of 24 megapixels with the key pressed just as a cross-fade ends, when
# the next slide is being built.
#
#   scripts/bench_exit.sh [--screen WxH | --two-monitors | --compare] [RUNS]
#
# --two-monitors runs the saver with monitors=all on two monitors; --compare
# runs 1280x720, 3840x2160 and two monitors and prints the medians side by side.
#
# VELMORA_BUILD_DIR names another Windows build directory to measure; by
# default the win preset's build/win is configured and built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/bench_build.sh"
bench_options "$@"
set -- "${bench_rest[@]}"
runs=${1:-7}

bench_build velmora

# Two sample photographs scaled to 24 megapixels.
photos=$build/bench-exit/photos-24mp
mkdir -p "$photos"
if [ ! -f "$photos/b.jpg" ]; then
  samples=$build/bench-exit/samples
  rm -rf "$samples"
  "$root/scripts/sample_photos.sh" "$samples" >/dev/null
  convert "$samples/sunset_by_Aitzol_Berasategi.jpg" -resize '6000x4000!' -quality 90 "$photos/a.jpg"
  convert "$samples/life_by_Aitzol_Berasategi.jpg" -resize '6000x4000!' -quality 90 "$photos/b.jpg"
fi

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$build/wine-bench"
echo "Empty data folder, key a second after start-up"
/usr/bin/python3 "$root/tests/e2e/bench_exit.py" --scr "$build/velmora.scr" --runs "$runs" "${bench_display[@]}" |
  grep -v '^scenario ' | tee "$build/bench-exit/empty.txt"
figure "key to exit, empty folder, ms (median)" "$(awk '/^key press/ { print $7 }' "$build/bench-exit/empty.txt")"
echo "Two 24-megapixel photos, key as the first cross-fade ends"
/usr/bin/python3 "$root/tests/e2e/bench_exit.py" --scr "$build/velmora.scr" --runs "$runs" --photos "$photos" \
  "${bench_display[@]}" | grep -v '^scenario ' | tee "$build/bench-exit/photos.txt"
figure "key to exit, 24 MP fade, ms (median)" "$(awk '/^key press/ { print $7 }' "$build/bench-exit/photos.txt")"
