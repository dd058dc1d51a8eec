#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer (leaks included)
# and UndefinedBehaviorSanitizer into build-asan/. Any report fails the run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build-asan"

# float-cast-overflow is not part of gcc's "undefined": a memo number of
# forty digits cast from a double is exactly the kind of fault to catch.
sanitize="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DYURIMOKA_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Leaks inside third-party libraries, each named and explained in the file.
export LSAN_OPTIONS="suppressions=$here/tools/lsan.supp:print_suppressions=0"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
