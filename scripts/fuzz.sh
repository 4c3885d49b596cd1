#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target of tests/fuzz for
# SECONDS each (default 30) on a scratch copy of its corpus in build/fuzz, so
# the committed seeds never grow in place. Prints per target its executions,
# corpus size and whether it crashed; a crashing input is kept in
# build/fuzz/crashes/. Exits non-zero on any crash.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

source scripts/install_missing.sh
install_missing cmake make clang libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null

out=build/fuzz
mkdir -p "$out/crashes"
status=0
for seeds in tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  work=$out/corpus-run/$name
  log=$out/logs/$name.log
  mkdir -p "$work" "$out/logs"
  cp "$seeds"* "$work"/
  result=ok
  if ! "$out/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/crashes/$name-" "$work" >"$log" 2>&1; then
    result=CRASHED
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  printf '%-16s %12s executions  %5d corpus files  %s\n' "$name" "${runs:-?}" "$(find "$work" -type f | wc -l)" "$result"
  if [[ $result != ok ]]; then
    grep -m 5 -E 'check failed|ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/    /' || true
  fi
done
((status == 0)) && echo "== fuzz: no crash" || echo "== fuzz: CRASHES in $out/crashes"
exit $status
