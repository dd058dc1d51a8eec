#!/usr/bin/env bash
# Times the real program: from launch until its window is on the screen, and
# from the close request until the process has ended, for a notebook of one
# haiku and one of 29 999. Needs a display with a window manager (run.sh's
# Xvfb + openbox will do), xdotool and wmctrl.
#   bench/start_quit.sh [build folder, default build-bench] [rounds, default 10]
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-10}
program=$build/src/yurimoka
bench=$build/bench/yurimoka_bench
for tool in xdotool wmctrl; do
  command -v $tool >/dev/null || { echo "start_quit.sh: needs $tool" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "start_quit.sh: needs a display" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/one" "$work/large"
"$bench" --write-notebook "$work/large" 29999
cp "$program" "$work/one/"; cp "$program" "$work/large/"

once() { # folder -> "start_ms quit_ms"
  cd "$1"
  local t0 t1 t2 t3 wid="" pid
  t0=$(date +%s%N)
  ./yurimoka >/dev/null 2>&1 &
  pid=$!
  while [ -z "$wid" ]; do
    wid=$(xdotool search --onlyvisible --name "ユリモカ" 2>/dev/null | head -1) || true
    [ -n "$wid" ] || sleep 0.005
  done
  t1=$(date +%s%N)
  sleep 0.5
  t2=$(date +%s%N)
  wmctrl -i -c "$wid"
  wait "$pid"
  t3=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $(( (t3 - t2) / 1000000 ))"
}

once "$work/one" >/dev/null # the first run writes the welcome haiku
for ((i = 0; i < rounds; i++)); do
  echo "one $(once "$work/one")"
  echo "large $(once "$work/large")"
done | awk '
  { s[$1] += $2; q[$1] += $3; n[$1]++ }
  END {
    printf "| notebook | start-up (ms) | quit (ms) |\n|---|---:|---:|\n"
    printf "| 1 haiku | %.0f | %.0f |\n", s["one"] / n["one"], q["one"] / n["one"]
    printf "| 29 999 haiku | %.0f | %.0f |\n", s["large"] / n["large"], q["large"] / n["large"]
    printf "| ratio | ×%.2f | ×%.2f |\n", (s["large"] / n["large"]) / (s["one"] / n["one"]), (q["large"] / n["large"]) / (q["one"] / n["one"])
  }'
