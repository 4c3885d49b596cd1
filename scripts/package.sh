#!/usr/bin/env bash
# Makes a Windows release: installs what is missing (Debian 12, as root), builds
# velmora.scr with the win preset and writes build/release/velmora-VERSION-setup.exe
# (the installer), build/release/velmora-VERSION.msi (for deployment) and
# build/release/velmora-VERSION.zip (velmora.scr, README.md, LICENSE, the policy
# templates). VELMORA_BUILD_DIR builds somewhere other than build/win.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath -m "${VELMORA_BUILD_DIR:-build/win}")
release=$root/build/release

# Configuring the win preset also sets up its tests, which need Wine, googletest
# and python3.
packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest python3 wine wine64
          nsis wixl zip)
source scripts/install_missing.sh
install_missing "${packages[@]}"

echo "== win: build velmora.scr in $build"
cmake --preset win -B "$build" >/dev/null
cmake --build "$build" --target velmora -j"$(nproc)" >/dev/null

# The version is set in CMakeLists.txt alone; the build wrote it here.
version_of() { sed -n "s/^#define $1 \"\(.*\)\"$/\1/p" "$build/generated/version.h"; }
version=$(version_of VELMORA_VERSION_TEXT)
dotted=$(version_of VELMORA_VERSION_DOTTED)
[ -n "$version" ] && [ -n "$dotted" ] || { echo "no version in $build/generated/version.h" >&2; exit 1; }

mkdir -p "$release"
setup=$release/velmora-$version-setup.exe
archive=$release/velmora-$version.zip
makensis -V2 -DVERSION="$version" -DVERSION_DOTTED="$dotted" -DSCR="$build/velmora.scr" -DOUTFILE="$setup" \
  installer/velmora.nsi
# wixl takes the files it packs by paths relative to where it runs.
msi=$release/velmora-$version.msi
(cd "$build" && wixl -a x64 -D Version="$dotted" -D Scr=velmora.scr -D Icon="$(realpath --relative-to=. "$root/res/velmora.ico")" \
  -o "$msi" "$root/installer/velmora.wxs")
rm -f "$archive"
zip -q -j -X "$archive" "$build/velmora.scr" README.md LICENSE
# The policy templates keep their folders, as Group Policy's store wants them.
zip -q -X "$archive" policies/velmora.admx policies/en-US/velmora.adml
echo "== wrote $setup"
echo "== wrote $msi"
echo "== wrote $archive"
