#!/usr/bin/env bash
# Fuzzes every reader of a data file, and start-up as a whole, for a bounded
# time each (FUZZ_SECONDS, 30 by default) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, built with Debian's clang into build-fuzz/.
#
# Each target starts from its seeds (made afresh from tests/data and from
# small random notebooks) and from every input kept in fuzz/regressions/<target>/,
# and grows its corpus in build-fuzz/corpus/<target>/. Anything found (a crash,
# a broken check, a sanitizer report, a leak, a timeout) is written to
# build-fuzz/found/<target>/ and fails the run; copy it into
# fuzz/regressions/<target>/ so that the ordinary tests run it from then on.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${FUZZ_SECONDS:-30}"
build="$here/build-fuzz"

# clang 14 with its fuzzing and sanitizer runtimes, from Debian 12.
missing=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DYURIMOKA_FUZZ=ON -DYURIMOKA_UI=OFF -DYURIMOKA_TESTS=OFF -DYURIMOKA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

corpus="$build/corpus"
found="$build/found"
logs="$build/logs"
mkdir -p "$corpus" "$found" "$logs"
"$build/fuzz/yurimoka_fuzz_seeds" "$corpus" >/dev/null

# The start-up target makes a notebook folder for every input: on tmpfs when
# there is one, since each save there syncs its file.
scratch_base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_base=/dev/shm
scratch="$(mktemp -d "$scratch_base/yurimoka-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

failed=()
printf '%-11s %8s %9s %7s %7s\n' target seconds execs/s runs corpus
for source in "$here"/fuzz/fuzz_*.cpp; do
  target="${source##*/fuzz_}"
  target="${target%.cpp}"
  exe="$build/fuzz/fuzz_$target"
  mkdir -p "$corpus/$target" "$found/$target"
  kept=()
  [ -d "$here/fuzz/regressions/$target" ] && kept=("$here/fuzz/regressions/$target")
  log="$logs/$target.log"
  status=0
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$found/$target/" "$corpus/$target" "${kept[@]}" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  printf '%-11s %8s %9s %7s %7s\n' "$target" "$seconds" "${rate:-?}" "${runs:-?}" \
    "$(find "$corpus/$target" -type f | wc -l)"
  artifacts="$(find "$found/$target" -type f)"
  if [ "$status" -ne 0 ] || [ -n "$artifacts" ]; then
    failed+=("$target")
    echo "fuzz_$target found something (exit status $status); its report is in $log" >&2
    grep -E '^(SUMMARY|fuzz check failed|==[0-9]+==ERROR)' "$log" | head -5 >&2 || true
    for a in $artifacts; do
      echo "  keep it: mkdir -p '$here/fuzz/regressions/$target' && cp '$a' '$here/fuzz/regressions/$target/'" >&2
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing found nothing."
