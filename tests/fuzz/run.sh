#!/usr/bin/env bash
# Builds the fuzz target with clang's libFuzzer and runs it for a fixed time.
# Any crash, leak or sanitizer report fails the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-20}
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" \
  "$here/FuzzIniUtf8.cpp" \
  "$root/core/ConvertUTF.cpp" "$root/core/UtfConverter.cpp" "$root/core/Utils.cpp" "$root/core/IniFile.cpp" \
  -o "$out/fuzz_ini_utf8"

# Seeds: the shipped data files.
cp "$root"/Resources/*.ini "$out/corpus/" 2>/dev/null || true

LIRANO_FUZZ_DIR="$out" "$out/fuzz_ini_utf8" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1 "$out/corpus" 2>"$out/fuzz.log" || {
  tail -n 60 "$out/fuzz.log"
  echo "fuzz: crash found; artifacts in $out/artifacts" >&2
  exit 1
}
rm -f "$out"/lirano-fuzz-*.ini
grep -E 'stat::number_of_executed_runs|Done' "$out/fuzz.log" | tail -n 2
echo "fuzz: no crash in ${seconds}s"
