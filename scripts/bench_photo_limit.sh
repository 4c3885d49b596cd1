#!/usr/bin/env bash
# Peak memory of velmora.scr with photos at and over the pixel limit in its
# cache (prints figures; not a test), under Wine in Xvfb at 1280 x 720:
# - a 100-megapixel progressive JPEG with full-resolution colour (the most the
#   codec keeps while it builds a photo of the limit's size): the figure the
#   limit is chosen by, which must stay under 1 GiB;
# - a small JPEG whose header claims 64250 x 64250 pixels, and the header of a
#   749-megapixel progressive panorama (both refused before any codec sees
#   them), each beside an ordinary photo.
#
#   scripts/bench_photo_limit.sh [SECONDS]
#
# A watchdog ends the saver when its resident size passes 3 GiB (the machine
# is shared) and the figure reads "killed above 3 GiB": so an older build
# (VELMORA_BUILD_DIR, for figures before and after) can be measured safely.
# The photos stay in BUILD_DIR/bench-photo-limit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/bench_build.sh"
seconds=${1:-30}
work=$build/bench-photo-limit
bench_build velmora

for tool in cjpeg convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (libjpeg-turbo-progs, imagemagick)" >&2; exit 1; }
done
rm -rf "$work" && mkdir -p "$work/limit" "$work/bomb" "$work/panorama" "$work/scenarios"
# A gradient with fine detail, streamed as a PPM so no tool holds it whole.
/usr/bin/python3 -c '
import sys
side = 10000
row = bytearray(side * 3)
row[0::3] = bytes(x * 255 // side for x in range(side))
row[1::3] = bytes(x * 7 & 255 for x in range(side))
sys.stdout.buffer.write(b"P6 %d %d 255\n" % (side, side))
for y in range(side):
    row[2::3] = bytes([y * 255 // side]) * side
    sys.stdout.buffer.write(row)' | cjpeg -progressive -sample 1x1 -quality 90 >"$work/limit/limit.jpg"
convert -size 640x480 xc:steelblue -quality 90 "$work/bomb/ordinary.jpg"
cp "$work/bomb/ordinary.jpg" "$work/panorama/ordinary.jpg"
# A frame header's height and width sit 5 bytes after its marker.
/usr/bin/python3 - "$work" <<'EOF'
import sys
work = sys.argv[1]
small = bytearray(open(f"{work}/bomb/ordinary.jpg", "rb").read())
for folder, marker, width, height in (("bomb", b"\xff\xc0", 64250, 64250), ("panorama", b"\xff\xc0", 38700, 19350)):
    data = bytearray(small)
    at = data.index(marker) + 5
    data[at:at + 4] = height.to_bytes(2, "big") + width.to_bytes(2, "big")
    data[at - 4] = 0xc2  # progressive, as the panorama was
    open(f"{work}/{folder}/huge.jpg", "wb").write(bytes(data))
EOF

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$build/wine-run"
for case in "limit:a 100-megapixel progressive JPEG" "bomb:a header claiming 64250 x 64250 and a 640 x 480 photo" \
    "panorama:a 749-megapixel panorama's header and a 640 x 480 photo"; do
  folder=$work/${case%%:*}
  # Only this script's savers: their Wine prefixes lie under its scenario root.
  ( while sleep 0.5; do
      for pid in $(pgrep -f 'velmora\.scr' || true); do
        grep -qa "WINEPREFIX=$work/scenarios" "/proc/$pid/environ" 2>/dev/null || continue
        kib=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
        if ((kib > 3 * 1024 * 1024)); then kill -9 "$pid"; touch "$folder/killed"; fi
      done
    done ) &
  watchdog=$!
  peak=$(VELMORA_SCENARIO_ROOT=$work/scenarios /usr/bin/python3 "$root/tests/e2e/bench_memory.py" --scr "$build/velmora.scr" --photos "$folder" \
    --seconds "$seconds" 2>/dev/null | awk '/^peak resident size/ { print $(NF - 1), $NF }' || true)
  kill "$watchdog"
  [ -e "$folder/killed" ] && peak="killed above 3 GiB"
  printf '%-70s peak resident size %s\n' "${case#*:}" "${peak:-not measured (the saver ended)}"
done
