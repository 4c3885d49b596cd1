#!/usr/bin/env bash
# Shows the saver on its first day: builds velmora.scr if needed and runs it in
# saver mode under Wine, on $DISPLAY when one answers, else in its own Xvfb, in
# an isolated HOME and Wine prefix, starting from an empty data folder. A fake
# photo site on 127.0.0.1 (tests/e2e/fake_site.py) lists and serves the sample
# photographs and answers the version check, so every photo takes the whole
# road: listing page, download, cache, slideshow. It answers the weather
# query too. Screenshots go to demo-shots/, at fixed moments, in the middle of
# every fade, and of the two weather slides (about four minutes into the
# show); then the saver is ended like a user would end it, the site is stopped
# and a summary tells what arrived in the data folder.
#
#   scripts/demo.sh [SECONDS,SECONDS,...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Fixed moments: black before the first download, the first photo held while
# the rest arrive, the restart after the site's photos are all in, the
# restarted show and its next photos. Between them demo_run.py adds a shot
# in the middle of every fade (fade-in, fade to black, cross-fade).
moments=${1:-0.5,8,16,24,34,44}
shots=$root/demo-shots
work=$root/build/win/wine-demo

# Extra settings.cfg lines (key=value); the defaults show the weather.
demo_settings=()
# The version the site's update answer announces, stored as newver.
site_version=1.1

# What the demo needs (Debian 12, installed as root when missing): the Windows
# build, Wine with the X and GL libraries the saver's window uses, the X tools
# of the harness, and the package the sample photographs come from.
packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine64 libgl1 libglx-mesa0 libgl1-mesa-dri libxrandr2 libxrender1 libxi6 libxcursor1
          libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
          xvfb x11-apps x11-utils xdotool fonts-wine fonts-dejavu-core fonts-liberation python3
          lomiri-wallpapers-16.04)
source scripts/install_missing.sh
install_missing "${packages[@]}"

cmake --preset win >/dev/null
cmake --build --preset win -j2 --target velmora >/dev/null

site_photos=$work/site-photos
rm -rf "$site_photos"
echo "== sample photographs for the site"
"$root/scripts/sample_photos.sh" "$site_photos"

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$work" reuse-display

args=(--scr "$root/build/win/velmora.scr" --shots "$shots" --at "$moments" --display "$DISPLAY"
      --site-photos "$site_photos" --site-version "$site_version" --weather-slides)
for s in "${demo_settings[@]}"; do args+=(--setting "$s"); done
rm -rf "$shots"
/usr/bin/python3 "$root/tests/e2e/demo_run.py" "${args[@]}"
echo "== screenshots in $shots"
