#!/usr/bin/env bash
# Times the poet's operations in the real program on a notebook of 29 999
# haiku, from the click to the finished window, beside the benchmark's
# figures for the same work: 検索, 上へ, 下へ, 削除, 登録 (each round by
# round) and 該当句削除 of one category (once). The program is driven
# through its accessibility tree with real X clicks (bench/window/drive.py)
# and says itself how long each click took (YURIMOKA_RESPONSE_LOG).
# Needs a display with a window manager (run.sh's Xvfb + openbox will do).
#   bench/window_ops.sh [build folder, default build-bench] [rounds, default 5]
set -euo pipefail
build=${1:-build-bench}
rounds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
program=$build/src/yurimoka
bench=$build/bench/yurimoka_bench
for f in "$program" "$bench"; do
  [ -x "$f" ] || { echo "window_ops.sh: no $f; build it first" >&2; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "window_ops.sh: needs a display" >&2; exit 1; }
bench=$(readlink -f "$bench")

work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$bench" --write-notebook "$work/nb" 29999 >/dev/null
cp "$program" "$work/nb/"

# A session bus and the accessibility bus for this run only.
eval "$(dbus-launch --sh-syntax)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
sleep 1
(cd "$work/nb" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 YURIMOKA_RESPONSE_LOG="$work/responses" \
   exec ./yurimoka >/dev/null 2>&1) &
pid=$!
/usr/bin/python3 "$here/window/drive.py" "$work/responses" "$rounds" >"$work/window.txt"

# The same work in the benchmark, on the same notebook.
QT_QPA_PLATFORM=offscreen "$bench" \
  --benchmark_filter='BM_ListSearch/29999|BM_ListMove/29999|BM_DeleteFirst/29999|BM_StoreNew/29999|BM_ListDeleteCategory/29999' \
  --benchmark_format=csv 2>/dev/null >"$work/bench.csv"

/usr/bin/python3 - "$work/window.txt" "$work/bench.csv" <<'PY'
import csv, statistics, sys
names = {"BM_ListSearch": ["検索"], "BM_ListMove": ["上へ", "下へ"], "BM_DeleteFirst": ["削除"],
         "BM_StoreNew": ["登録"], "BM_ListDeleteCategory": ["該当句削除"]}
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
bench = {}
with open(sys.argv[2]) as f:
    for row in csv.DictReader(line for line in f if line.startswith(("name", '"BM_'))):
        for op in names.get(row["name"].split("/")[0], []):
            bench[op] = float(row["real_time"]) * scale[row["time_unit"]]
print("| operation at 29 999 haiku | in the window, click to finished window (ms) | median | benchmark, wall clock | window / benchmark |")
print("|---|---|---:|---:|---:|")
with open(sys.argv[1]) as f:
    for line in f:
        op, *times = line.split()
        t = [float(x) for x in times]
        m = statistics.median(t)
        print("| %s | %s | %.1f ms | %.1f ms | ×%.1f |" % (op, ", ".join(times), m, bench[op], m / bench[op]))
PY
