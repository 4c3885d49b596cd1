#!/usr/bin/env bash
# Slideshow benchmark (prints figures; not a test), under Wine in Xvfb:
# - for photos of 2, 6 and 12 megapixels, the time of one slide build (decode,
#   fit onto the 2048 x 2048 canvas, upload to OpenGL) beside the time djpeg
#   takes just to decode the same file on this machine, and their ratio, with
#   the builds of both weather panels (drawn without icons) for comparison,
#   and where a build's time goes (decode, fit, conversion, upload), for the
#   show's own steps and for plain GDI+ drawing;
# - frames per second during cross-fades of the sample photographs, from the
#   saver's own window and frame steps (tests/bench/fade_bench_win.cpp), with
#   the plain hold before each fade for comparison;
# - over photos of 12 megapixels: the time from the saver window's appearance
#   to the first photo, and the CPU a held slide costs (tests/e2e/bench_show.py);
# - the peak memory of velmora.scr running a slideshow for SECONDS, of the
#   sample photographs and of 12-megapixel photos (tests/e2e/bench_memory.py).
#
#   scripts/bench_slides.sh [--screen WxH | --two-monitors | --compare] [RUNS] [FADES] [SECONDS]
#
# Photos are built and faded at the slot side of the screen (4096 on a
# 3840 x 2160 screen). On two monitors (monitors=all) only the figures of the
# running saver are taken: first photo, held slide, peak memory. The peak
# memory of the 12-megapixel show is printed beside the floor, a bare GL window
# per saver window with two textures of the slot's side
# (tests/bench/gl_floor_win.cpp). --compare runs all three displays and prints
# the main figures side by side.
#
# VELMORA_BUILD_DIR names another Windows build directory to measure (for
# example an older build, for figures before and after); by default the win
# preset's build/win is configured and built. The prepared photos stay in
# BUILD_DIR/bench-slides/photos.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/bench_build.sh"
bench_options "$@"
set -- "${bench_rest[@]}"
runs=${1:-7}
fades=${2:-3}
seconds=${3:-30}
work=$build/bench-slides
photos=$work/photos
mkdir -p "$photos"

for tool in djpeg convert identify; do
  command -v "$tool" >/dev/null || { echo "missing $tool (libjpeg-turbo-progs, imagemagick)" >&2; exit 1; }
done

bench=$build/tests/bench/slide_build_bench.exe
fade_bench=$build/tests/bench/fade_bench.exe
bench_build slide_build_bench fade_bench gl_floor velmora

# One real photograph, scaled to each size, so every file has the detail of a
# real photo rather than flat colour that decodes unusually fast.
samples=$work/samples
rm -rf "$samples"
"$root/scripts/sample_photos.sh" "$samples" >/dev/null
source_photo=$samples/sunset_by_Aitzol_Berasategi.jpg
sizes=("2mp 1732x1155" "6mp 3000x2000" "12mp 4243x2828")
files=()
for entry in "${sizes[@]}"; do
  read -r name size <<<"$entry"
  file=$photos/$name.jpg
  [ -f "$file" ] || convert "$source_photo" -resize "$size!" -quality 90 "$file"
  files+=("$file")
done

# Fastest and median wall time of djpeg decoding one file, in milliseconds.
djpeg_times() {
  local file=$1 times=() i start end
  djpeg -outfile /dev/null "$file"
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$file"
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f %.1f\n", t[1] / 1000, t[int(NR / 2) + 1] / 1000 }'
}

source "$root/tests/e2e/wine_env.sh"
WINE_ENV_SCREEN=$bench_screen wine_env_start "$work/wine"
trap wine_env_stop EXIT

# The build and fade programs run on the primary Xvfb screen.
if [ -z "$bench_two_monitors" ]; then
  wine_paths=()
  for file in "${files[@]}"; do wine_paths+=("$(winepath -w "$file")"); done
  results=$(wine "$bench" -n "$runs" "${wine_paths[@]}" </dev/null | tr -d '\r')

  echo "Slide build under Wine vs. djpeg decode, $runs runs each, milliseconds (fastest / median), $build"
  echo "$results" | awk '$1 == "upload-only" { printf "upload of one 2048 x 2048 canvas alone: %s / %s\n", $2, $3 }'
  echo "$results" | awk '$1 == "weather-current" || $1 == "weather-forecast" {
    printf "%s panel build, slot %s: %s / %s\n", ($1 == "weather-current" ? "current-conditions" : "forecast"), $4, $2, $3 }'
  printf '%-6s %-10s %-10s %18s %18s %14s\n' photo pixels slot "build fast/median" "djpeg fast/median" "ratio (median)"
  i=0
  djpeg_medians=()
  for entry in "${sizes[@]}"; do
    read -r name size <<<"$entry"
    line=$(echo "$results" | grep -v -e '^upload-only' -e '^weather-' -e '^stages-' | sed -n "$((i + 1))p")
    read -r _ build_fast build_median slot <<<"$line"
    read -r djpeg_fast djpeg_median <<<"$(djpeg_times "${files[$i]}")"
    djpeg_medians+=("$djpeg_median")
    ratio=$(awk -v a="$build_median" -v b="$djpeg_median" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
    printf '%-6s %-10s %-10s %18s %18s %14s\n' "$name" "$size" "$slot" "$build_fast / $build_median" \
      "$djpeg_fast / $djpeg_median" "${ratio}x"
    figure "build $name photo, median ms" "$build_median"
    i=$((i + 1))
  done

  echo
  echo "Where a build's time goes, medians in milliseconds (decode alone / djpeg in the last column)"
  printf '%-6s %-8s %8s %8s %11s %8s %15s\n' photo steps decode fit conversion upload "decode/djpeg"
  i=0
  for entry in "${sizes[@]}"; do
    read -r name _ <<<"$entry"
    for steps in show gdiplus; do
      line=$(echo "$results" | awk -v k="stages-$steps" '$1 == k' | sed -n "$((i + 1))p")
      if [ -z "$line" ]; then
        printf '%-6s %-8s %s\n' "$name" "$steps" "not measured by this build's benchmark"
        continue
      fi
      read -r _ _ decode fit convert upload <<<"$line"
      ratio=$(awk -v a="$decode" -v b="${djpeg_medians[$i]}" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
      printf '%-6s %-8s %8s %8s %11s %8s %15s\n' "$name" "$steps" "$decode" "$fit" "$convert" "$upload" "${ratio}x"
    done
    i=$((i + 1))
  done

  # The sample photographs in a data folder of their own; every server address
  # of the benchmark points at a closed port, so nothing arrives during the run.
  fade_data=$work/fade-data
  rm -rf "$fade_data"
  cp -a "$samples" "$fade_data"
  echo
  echo "Cross-fades of the sample photographs, $fades fades (1.02 s each), saver window and frame steps"
  wine "$fade_bench" "$(winepath -w "$fade_data")" "$fades" </dev/null | tr -d '\r' | awk '
    $1 == "screen" { print "screen " $2 }
    $1 == "fade" || $1 == "hold" {
      printf "%s %d: %5.1f frames/s, frame median %5.1f ms, longest %5.1f ms, SwapBuffers median %5.1f ms%s\n",
        ($1 == "fade" ? "cross-fade" : "hold before"), $2, $3, $4, $5, $6,
        (NF >= 7 ? ", " $7 " drawn" : "") (NF >= 8 ? ", " $8 " ms long" : "")
      if ($1 == "fade") { sum += $3; length_sum += $8; n++ }
    }
    END { if (n) printf "cross-fade mean: %.1f frames/s, %.0f ms long\n", sum / n, length_sum / n }' | tee "$work/fade.txt"
  figure "cross-fade, frames/s (mean)" "$(awk '/^cross-fade mean/ { print $3 }' "$work/fade.txt")"
  figure "cross-fade length, ms (mean)" "$(awk '/^cross-fade mean/ { print $5 }' "$work/fade.txt")"
fi

# Every sample photograph scaled to about 12 megapixels, its shape kept.
photos12=$work/photos-12mp
mkdir -p "$photos12"
for sample in "$samples"/*.jpg; do
  target=$photos12/$(basename "$sample")
  [ -f "$target" ] || convert "$sample" -resize 12000000@ -quality 90 "$target"
done

echo
echo "First photo and held slide over the 12-megapixel photos"
/usr/bin/python3 "$root/tests/e2e/bench_show.py" --scr "$build/velmora.scr" --photos "$photos12" \
  "${bench_display[@]}" | grep -v '^scenario ' | tee "$work/show.txt"
figure "window to first photo, ms (median)" "$(awk '/^window to first photo/ { print $6 }' "$work/show.txt")"
figure "held slide CPU, % of a core (median)" "$(awk '/^held slide/ { print $5 }' "$work/show.txt")"

echo
echo "Peak memory of velmora.scr running a slideshow of the sample photographs"
/usr/bin/python3 "$root/tests/e2e/bench_memory.py" --scr "$build/velmora.scr" --photos "$samples" \
  --seconds "$seconds" "${bench_display[@]}" | grep -v '^scenario '
echo "Peak memory of velmora.scr running a slideshow of the 12-megapixel photos"
/usr/bin/python3 "$root/tests/e2e/bench_memory.py" --scr "$build/velmora.scr" --photos "$photos12" \
  --seconds "$seconds" --floor "$build/tests/bench/gl_floor.exe" "${bench_display[@]}" | grep -v '^scenario ' |
  tee "$work/memory.txt"
figure "peak resident, MiB (12 MP photos)" "$(awk '/^peak resident MiB/ { sub(/,$/, "", $4); print $4 }' "$work/memory.txt")"
figure "floor: bare GL window, MiB" "$(awk '/^peak resident MiB/ { print $7 }' "$work/memory.txt")"
figure "saver's own above the floor, MiB" "$(awk '/^peak resident MiB/ { print $(NF - 1) }' "$work/memory.txt")"
