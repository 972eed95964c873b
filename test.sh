#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, runs the unit tests
# through CTest, then the fuzz targets for a fixed time.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

. "$root/tools/deps.sh"
lirano_install_deps test

build=${LIRANO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 600)

# The threaded parts of the engine program (suggestion loader, pointer
# watch, reloads after the settings tool) once more under ThreadSanitizer.
tsan=${LIRANO_TSAN_DIR:-$root/build-tsan}
cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIRANO_SANITIZE=thread \
  -DLIRANO_BUILD_BENCH=OFF >/dev/null
cmake --build "$tsan" --parallel "$(nproc)" --target test_service
(cd "$tsan/bin" && TSAN_OPTIONS="halt_on_error=1 exitcode=66" ./test_service)

FUZZ_SECONDS=${FUZZ_SECONDS:-20} "$root/tests/fuzz/run.sh" "$build/fuzz"
echo "all tests passed"
