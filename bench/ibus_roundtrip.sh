#!/usr/bin/env bash
# Key round trip through a private ibus-daemon: Lirano-IBus, the engine
# that takes no key, the least pre-edit engine, and ibus-unikey where its
# Debian package is installed (as a black box), taking turns typing at least
# 20 000 keys of real text (phrases of the compound-word dictionary in
# Telex 2). Prints the median and 99th percentile per key of each, and
# Lirano's difference to the null and the pre-edit engines.
#
#   bench/ibus_roundtrip.sh [--keys N] [--mouse-hook]
#
# Everything runs under a temporary HOME with its own D-Bus bus, Xvfb display
# and ibus-daemon, all stopped by PID at the end; the user's session is not
# touched. Run by hand; the test command does not run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIRANO_BUILD_DIR:-$root/build}

for tool in dbus-daemon ibus-daemon Xvfb; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/deps.sh's test set (./test.sh installs it)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_ibus_roundtrip lirano-null-engine Lirano-IBus Lirano-Qt lirano_resources >/dev/null
timeout 600 "$build/bin/bench_ibus_roundtrip" "$@"
