#!/usr/bin/env bash
# The desktop tests' typing (the corpus and the word-level cases, Telex, in
# every application of the table) with each engine named, side by side: for
# each application and engine, "exact" or the fields whose text differs from
# what Lirano's typing model gives. Other engines come from their Debian
# packages (ibus-unikey: its engine "Unikey", typed with its defaults, which
# are Telex) and are run as black boxes.
#
#   bench/desktop_engines.sh [ENGINE ...]      (default: Lirano Unikey)
#
# Each run has its own private session (D-Bus, Xvfb or sway, ibus-daemon)
# under a temporary HOME, stopped by PID. Run by hand; the test command does
# not run it. It takes some minutes per engine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIRANO_BUILD_DIR:-$root/build}
engines=("$@")
[ ${#engines[@]} -gt 0 ] || engines=(Lirano Unikey)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target test_desktop >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for engine in "${engines[@]}"; do
  echo "typing with $engine ..." >&2
  LIRANO_DESKTOP_ENGINE=$engine timeout 3600 "$build/bin/test_desktop" --gtest_also_run_disabled_tests \
    --gtest_filter='*Clients*Telex*' >"$out/$engine.log" 2>&1 || true
done
# One line an application: its result with each engine.
printf '%-14s' application
for engine in "${engines[@]}"; do printf ' | %-40s' "$engine"; done
echo
for engine in "${engines[@]}"; do
  awk '
    /^\[ RUN/ { name = $NF; sub(/.*TypesEverything\//, "", name); sub(/Telex.*/, "", name); bad = "" }
    /^field .* differs/ { bad = bad (bad == "" ? "" : ",") $2 }
    /^\[  FAILED  \].*TypesEverything/ && name != "" { print name, (bad == "" ? "failed" : "differs: " bad); name = "" }
    /^\[       OK \]/ && name != "" { print name, "exact"; name = "" }
  ' "$out/$engine.log" >"$out/$engine.table"
done
cut -d' ' -f1 "$out/${engines[0]}.table" | while read -r app; do
  printf '%-14s' "$app"
  for engine in "${engines[@]}"; do
    printf ' | %-40s' "$(awk -v a="$app" '$1 == a { $1 = ""; sub(/^ /, ""); print }' "$out/$engine.table")"
  done
  echo
done
