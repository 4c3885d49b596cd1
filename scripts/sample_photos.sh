#!/usr/bin/env bash
# Sample photographs for the demo, taken from a Debian package with free
# licences (the credits are in the README). With a folder argument the photos
# are copied into it, oldest first one second apart, so the slideshow's
# oldest-first order is the order listed here; the copied paths are printed.
# Without an argument the source paths are printed.
#
#   scripts/sample_photos.sh "$DATA_FOLDER"
set -euo pipefail

package=lomiri-wallpapers-16.04
source_dir=/usr/share/backgrounds
# Landscapes of several sizes and one upright photo, so the demo shows both
# letterbox bars and side bars.
photos=(
  aitzgorri_by_Aitzol_Berasategi.jpg
  picosdeeuropa_by_Aitzol_Berasategi.jpg
  sunset_by_Aitzol_Berasategi.jpg
  friends_by_Aitzol_Berasategi.jpg
  life_by_Aitzol_Berasategi.jpg
  seeding_by_Clements_Engelhardt.jpg
)

if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
  echo "== installing $package" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends "$package" >/dev/null 2>&1 ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends "$package" >/dev/null; }
fi

if (($# == 0)); then
  for photo in "${photos[@]}"; do echo "$source_dir/$photo"; done
  exit 0
fi

target=$1
mkdir -p "$target"
now=$(date +%s)
i=${#photos[@]}
for photo in "${photos[@]}"; do
  install -m 0644 "$source_dir/$photo" "$target/$photo"
  touch -d "@$((now - i))" "$target/$photo"
  i=$((i - 1))
  echo "$target/$photo"
done
