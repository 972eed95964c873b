#!/usr/bin/env bash
# Renders every window of Lirano-Qt offscreen into docs/screenshots/ (the
# pictures of the README), through the screenshot suite of the Qt tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIRANO_BUILD_DIR:-$root/build}
out=${1:-$root/docs/screenshots}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target test_qt
mkdir -p "$out"
cd "$build/bin"
QT_QPA_PLATFORM=offscreen LIRANO_SCREENSHOT_DIR="$out" ./test_qt Screenshots
ls "$out"
