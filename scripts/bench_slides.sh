#!/usr/bin/env bash
# Slide build benchmark (prints figures; not a test). For photos of 2, 6 and 12
# megapixels: the time of one slide build under Wine (decode, fit onto the
# 2048 x 2048 canvas, upload to OpenGL) beside the time djpeg takes just to
# decode the same file on this machine, and their ratio.
#
#   scripts/bench_slides.sh [RUNS]
#
# The prepared photos stay in build/win/bench-slides/photos, so later figures
# (the frame rate during a cross-fade and the saver's peak memory, measured
# once the saver runs a slideshow) can be taken on the same files: add them as
# further steps at the end of this script, inside the same Wine environment.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-7}
work=$root/build/win/bench-slides
photos=$work/photos
mkdir -p "$photos"

for tool in djpeg convert identify; do
  command -v "$tool" >/dev/null || { echo "missing $tool (libjpeg-turbo-progs, imagemagick)" >&2; exit 1; }
done

bench=$root/build/win/tests/bench/slide_build_bench.exe
if [ ! -f "$bench" ]; then
  cmake --preset win >/dev/null
  cmake --build --preset win -j2 --target slide_build_bench >/dev/null
fi

# One real photograph, scaled to each size, so every file has the detail of a
# real photo rather than flat colour that decodes unusually fast.
source_photo=$("$root/scripts/sample_photos.sh" | grep sunset_)
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
wine_env_start "$work/wine"
trap wine_env_stop EXIT

wine_paths=()
for file in "${files[@]}"; do wine_paths+=("$(winepath -w "$file")"); done
results=$(wine "$bench" -n "$runs" "${wine_paths[@]}" </dev/null | tr -d '\r')

echo "Slide build under Wine vs. djpeg decode, $runs runs each, milliseconds (fastest / median)"
echo "$results" | awk '$1 == "upload-only" { printf "upload of one 2048 x 2048 canvas alone: %s / %s\n", $2, $3 }'
printf '%-6s %-10s %-10s %18s %18s %14s\n' photo pixels slot "build fast/median" "djpeg fast/median" "ratio (median)"
i=0
for entry in "${sizes[@]}"; do
  read -r name size <<<"$entry"
  line=$(echo "$results" | grep -v '^upload-only' | sed -n "$((i + 1))p")
  read -r _ build_fast build_median slot <<<"$line"
  read -r djpeg_fast djpeg_median <<<"$(djpeg_times "${files[$i]}")"
  ratio=$(awk -v a="$build_median" -v b="$djpeg_median" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
  printf '%-6s %-10s %-10s %18s %18s %14s\n' "$name" "$size" "$slot" "$build_fast / $build_median" \
    "$djpeg_fast / $djpeg_median" "${ratio}x"
  i=$((i + 1))
done
