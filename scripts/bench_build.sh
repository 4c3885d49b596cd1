# Sourced by the benchmark scripts, from the repository's root: `build` is the
# Windows build directory they measure, VELMORA_BUILD_DIR or else the win
# preset's build/win, which is configured first; bench_build TARGET... brings
# those targets up to date in it.
build=${VELMORA_BUILD_DIR:-$PWD/build/win}

bench_build() {
  if [ -z "${VELMORA_BUILD_DIR:-}" ]; then
    cmake --preset win >/dev/null
  fi
  cmake --build "$build" -j2 --target "$@" >/dev/null
}

# The display a benchmark runs on, from the front of its arguments:
# --screen WxH (1280x720 by default), --two-monitors (monitors=all on the
# harness's two-monitor Xorg), or --compare (the script once in each of
# 1280x720, 3840x2160 and two monitors, then its figures side by side, and
# the script ends). Sets bench_screen, bench_two_monitors, bench_display (the
# e2e benchmarks' options) and bench_rest (the other arguments).
bench_options() {
  bench_screen=1280x720 bench_two_monitors=""
  case "${1:-}" in
    --screen) bench_screen=$2; shift 2 ;;
    --two-monitors) bench_two_monitors=1; shift ;;
    --compare)
      shift
      bench_compare_modes "$root/scripts/$(basename "$0")" "$@"
      exit ;;
  esac
  bench_display=(--screen "$bench_screen")
  [ -z "$bench_two_monitors" ] || bench_display=(--two-monitors)
  bench_rest=("$@")
}

# figure NAME VALUE: one figure for the --compare table (kept only while a
# comparison runs).
figure() {
  [ -z "${VELMORA_BENCH_FIGURES:-}" ] || printf '%s\t%s\n' "$1" "$2" >>"$VELMORA_BENCH_FIGURES"
}

# bench_compare_modes SCRIPT ARG...: runs SCRIPT in each display, its output
# as it comes, then one row per figure with a column per display.
bench_compare_modes() {
  local script=$1 dir mode i=0
  shift
  dir=$(mktemp -d)
  local modes=("--screen 1280x720" "--screen 3840x2160" "--two-monitors")
  for mode in "${modes[@]}"; do
    i=$((i + 1))
    echo "===== $mode"
    : >"$dir/$i"
    # shellcheck disable=SC2086 # the mode is an option and its value
    VELMORA_BENCH_FIGURES=$dir/$i "$script" $mode "$@"
  done
  echo
  echo "===== Figures side by side"
  awk -F '\t' 'BEGIN { printf "%-40s %14s %14s %14s\n", "", "1280x720", "3840x2160", "two monitors" }
    { f = FILENAME; sub(/.*\//, "", f) }
    { if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } value[$1, f] = $2 }
    END { for (r = 1; r <= n; r++) {
            printf "%-40s", order[r]
            for (c = 1; c <= 3; c++) printf " %14s", ((order[r], c) in value ? value[order[r], c] : "-")
            printf "\n" } }' "$dir/1" "$dir/2" "$dir/3"
  rm -rf "$dir"
}
