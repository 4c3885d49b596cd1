#!/usr/bin/env bash
# Benchmark (prints figures; not a test): the time from a key press to the end
# of the saver process, median of several runs, under Wine in Xvfb.
#
#   scripts/bench_exit.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-7}

cmake --preset win >/dev/null
cmake --build --preset win -j"$(nproc)" --target velmora >/dev/null

source "$root/tests/e2e/wine_env.sh"
trap wine_env_stop EXIT
wine_env_start "$root/build/win/wine-bench"
/usr/bin/python3 "$root/tests/e2e/bench_exit.py" --scr "$root/build/win/velmora.scr" --runs "$runs"
