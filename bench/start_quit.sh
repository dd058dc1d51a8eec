#!/usr/bin/env bash
# Times the real program side by side with a bare Qt window: from launch
# until the window manager lists the window, and from the close request
# until the process has ended, seen through X events (bench/startup/
# window_timer.cpp), for a bare Qt program, a notebook of one haiku and one
# of 29 999, taken in turn round after round. Needs a display with a window
# manager (run.sh's Xvfb + openbox will do).
#   bench/start_quit.sh [build folder, default build-bench] [rounds, default 12]
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-12}
program=$build/src/yurimoka
bench=$build/bench/yurimoka_bench
timer=$build/bench/startup/yurimoka_window_timer
bare=$build/bench/startup/yurimoka_bare_qt
for f in "$program" "$bench" "$timer" "$bare"; do
  [ -x "$f" ] || { echo "start_quit.sh: no $f; build it first" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "start_quit.sh: needs a display" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bare" "$work/one" "$work/large"
"$bench" --write-notebook "$work/large" 29999 >/dev/null
cp "$program" "$work/one/"; cp "$program" "$work/large/"; cp "$bare" "$work/bare/"
timer=$(readlink -f "$timer")

"$timer" "$work/one" ./yurimoka >/dev/null # the first run writes the welcome haiku
for ((i = 0; i < rounds; i++)); do
  echo "bare $("$timer" "$work/bare" ./yurimoka_bare_qt)"
  echo "one $("$timer" "$work/one" ./yurimoka)"
  echo "large $("$timer" "$work/large" ./yurimoka)"
done >"$work/rounds"

# Means, and the medians beside them: on a shared machine one slow round can
# move a mean by several milliseconds.
median() { # program, column
  awk -v p="$1" -v c="$2" '$1 == p { print $c }' "$work/rounds" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
awk -v mbs="$(median bare 2)" -v mos="$(median one 2)" -v mls="$(median large 2)" \
    -v moq="$(median one 3)" -v mlq="$(median large 3)" '
  { s[$1] += $2; q[$1] += $3; c[$1] += $4; n[$1]++ }
  END {
    printf "| program | start-up (ms), mean | median | quit (ms), mean | processor time, whole run (ms) |\n|---|---:|---:|---:|---:|\n"
    printf "| bare Qt window | %.0f | %.0f | %.0f | %.0f |\n", s["bare"] / n["bare"], mbs, q["bare"] / n["bare"], c["bare"] / n["bare"]
    printf "| 1 haiku | %.0f | %.0f | %.0f | %.0f |\n", s["one"] / n["one"], mos, q["one"] / n["one"], c["one"] / n["one"]
    printf "| 29 999 haiku | %.0f | %.0f | %.0f | %.0f |\n", s["large"] / n["large"], mls, q["large"] / n["large"], c["large"] / n["large"]
    printf "\n1 haiku / bare Qt: start ×%.2f (medians ×%.2f)\n", (s["one"] / n["one"]) / (s["bare"] / n["bare"]), mos / mbs
    printf "29 999 / 1 haiku: start ×%.2f (medians ×%.2f), quit ×%.2f (medians ×%.2f)\n", (s["large"] / n["large"]) / (s["one"] / n["one"]), mls / mos, (q["large"] / n["large"]) / (q["one"] / n["one"]), mlq / moq
  }' "$work/rounds"
