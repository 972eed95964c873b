#!/usr/bin/env bash
# Runs every test, each once:
#   - a release build (build/) of the programs, with the tests of what users
#     meet: real desktop clients through IBus and Fcitx 5, the Debian
#     package, the install check, and the checks of the sources and data;
#   - every unit and integration test built with AddressSanitizer and
#     UndefinedBehaviorSanitizer (build-asan/), and those that start threads
#     with ThreadSanitizer (build-tsan/);
#   - the fuzz targets, each for a fixed time (build/fuzz/).
# The sanitizer builds and the fuzz targets compile at low priority while
# the desktop tests wait on their clients; the other tests run after.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

. "$root/tools/deps.sh"
lirano_install_deps test

build=${LIRANO_BUILD_DIR:-$root/build}
asan=${LIRANO_ASAN_DIR:-$root/build-asan}
tsan=${LIRANO_TSAN_DIR:-$root/build-tsan}
jobs=$(nproc)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLIRANO_BUILD_TESTS=OFF -DLIRANO_BUILD_SYSTEM_TESTS=ON >/dev/null
cmake --build "$build" --parallel "$jobs"

# -O1 with line tables: half the compile time of -O2 -g, and stacks still
# name the lines.
sanitized() {
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DLIRANO_SANITIZE="$2" -DLIRANO_BUILD_TESTS=ON \
    -DLIRANO_BUILD_SYSTEM_TESTS=OFF -DLIRANO_BUILD_BENCH=OFF >/dev/null
}
threaded=(test_service test_fcitx test_qt test_ibus)
background_log=$build/background-builds.log
# One compiler at a time, on what the clients leave idle: the desktop
# tests keep a core. A process group of its own, so that a failure stops
# the compilers too.
set -m
(
  set -e
  renice -n 19 -p "$BASHPID" >/dev/null
  chrt --idle -p 0 "$BASHPID" 2>/dev/null || true
  sanitized "$asan" address,undefined
  cmake --build "$asan" --parallel 1
  sanitized "$tsan" thread
  cmake --build "$tsan" --parallel 1 --target "${threaded[@]}"
  FUZZ_BUILD_ONLY=1 FUZZ_JOBS=1 "$root/tests/fuzz/run.sh" "$build/fuzz"
) >"$background_log" 2>&1 </dev/null &
background=$!
set +m
trap 'kill -- -$background 2>/dev/null || true' EXIT

(cd "$build" && ctest --output-on-failure --parallel "$jobs" --timeout 600)

if ! wait "$background"; then
  tail -n 60 "$background_log" >&2
  echo "test.sh: the sanitizer or fuzz builds failed; the whole log is $background_log" >&2
  exit 1
fi
trap - EXIT

# Leaks count, except what system libraries keep for the life of a process.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:exitcode=66
export LSAN_OPTIONS=suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$asan" && ctest --output-on-failure --parallel "$jobs" --timeout 600)
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

# The threads: the service's (suggestion loader, pointer watch, reloads
# after the settings tool) in the service, in the Fcitx addon and in the
# engine program IBus starts, and the converter window's worker.
# System libraries are not instrumented: only what our code does counts.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ignore_noninstrumented_modules=1"
(cd "$tsan" && ctest --output-on-failure --timeout 600 -L threads)
unset TSAN_OPTIONS

FUZZ_SECONDS=${FUZZ_SECONDS:-20} "$root/tests/fuzz/run.sh" "$build/fuzz"
echo "all tests passed"
