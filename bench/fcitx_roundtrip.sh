#!/usr/bin/env bash
# Key round trip through a private fcitx5: Lirano's addon and Fcitx's own
# keyboard-us (which passes every key on) taking turns typing at least
# 20 000 keys of real text (phrases of the compound-word dictionary in
# Telex 2) into one input context of Fcitx's D-Bus frontend, as the GTK and
# Qt modules do. Prints the median and 99th percentile per key of each, and
# Lirano's difference to keyboard-us; keyboard-us alone while the addon is
# not built.
#
#   bench/fcitx_roundtrip.sh [--keys N] [--mouse-hook]
#
# Everything runs under a temporary HOME with its own D-Bus bus, Xvfb display
# and fcitx5, all stopped by PID at the end; the user's session is not
# touched. Run by hand; the test command does not run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIRANO_BUILD_DIR:-$root/build}

for tool in dbus-daemon dbus-send fcitx5 Xvfb; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (the fcitx5 package and the test set of tools/deps.sh)" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(bench_fcitx_roundtrip lirano_resources)
if cmake --build "$build" --target help | grep '^lirano-fcitx5:' >/dev/null; then targets+=(lirano-fcitx5); fi
cmake --build "$build" --target "${targets[@]}" >/dev/null
timeout 600 "$build/bin/bench_fcitx_roundtrip" "$@"
