#!/usr/bin/env bash
# Shows the saver: builds velmora.scr if needed and runs it in saver mode under
# Wine, on $DISPLAY when one answers, else in its own Xvfb, in an isolated HOME
# and Wine prefix. Screenshots go to demo-shots/ (after 2, 5 and 12 s); then
# the saver is ended like a user would end it.
#
#   scripts/demo.sh [SECONDS,SECONDS,...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
moments=${1:-2,5,12}
shots=$root/demo-shots

# What the saver finds when it starts: extra settings.cfg lines (key=value,
# e.g. photo_site=http://127.0.0.1:PORT) and files copied into its data folder
# before the start (tests/e2e/demo_run.py, prepare_data_folder). Both empty
# make a first run.
demo_settings=()
demo_files=()

cmake --preset win >/dev/null
cmake --build --preset win -j"$(nproc)" --target velmora >/dev/null

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$root/build/win/wine-demo" reuse-display

args=(--scr "$root/build/win/velmora.scr" --shots "$shots" --at "$moments" --display "$DISPLAY")
for s in "${demo_settings[@]}"; do args+=(--setting "$s"); done
for f in "${demo_files[@]}"; do args+=(--file "$f"); done
rm -rf "$shots"
/usr/bin/python3 "$root/tests/e2e/demo_run.py" "${args[@]}"
echo "== screenshots in $shots"
