#!/usr/bin/env bash
# Whole-file conversion, `lirano convert` against glibc's iconv as whole
# processes on the same file of real text (the Viet74K word list repeated to
# the size asked), taking turns, best of three each:
#   UTF-8 -> VISCII, VISCII -> UTF-8, UTF-8 -> TCVN3 (iconv's TCVN5712-1, on
#   lower-case text: TCVN3 has no toned capitals), UTF-8 -> Windows 1258.
# Prints MB/s (of the input) and peak memory of each, the ratio (above 1:
# lirano is faster) and whether the two outputs are the same bytes.
#
#   bench/convert_vs_iconv.sh [--mb N]            (default 100)
#   bench/convert_vs_iconv.sh --big GB            peak memory on a GB-sized file
#
# Files go to a temporary folder, removed at the end. Run by hand; the test
# command does not run it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIRANO_BUILD_DIR:-$root/build}
mb=100
big=
while [ $# -gt 0 ]; do
  case $1 in
    --mb) mb=$2; shift 2 ;;
    --big) big=$2; shift 2 ;;
    *) echo "usage: $0 [--mb N] [--big GB]" >&2; exit 2 ;;
  esac
done
command -v iconv >/dev/null || { echo "iconv is missing (Debian's libc-bin)" >&2; exit 1; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target lirano lirano_resources >/dev/null
lirano=$build/bin/lirano

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall time in seconds and peak resident memory in KB of one command, its
# output going to the file named last.
measure() {
  python3 - "$@" <<'EOF'
import resource, subprocess, sys, time
out = sys.argv[-1]
with open(out, "wb") as f:
    t = time.perf_counter()
    subprocess.run(sys.argv[1:-1], stdout=f, check=True)
    t = time.perf_counter() - t
print(f"{t:.4f} {resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss}")
EOF
}

# The word list repeated to `$1` MB.
make_text() {
  local target=$(( $1 * 1000000 )) out=$2
  : > "$out"
  while [ "$(stat -c %s "$out")" -lt "$target" ]; do cat "$root/data/wordlists/Viet74K.txt" >> "$out"; done
}

if [ -n "$big" ]; then
  make_text $(( big * 1000 )) "$work/big.txt"
  read -r t kb < <(measure "$lirano" convert --from Unicode --to VISCII "$work/big.txt" -o "$work/big.viscii" /dev/null)
  size=$(stat -c %s "$work/big.txt")
  echo "lirano convert Unicode -> VISCII, $(( size / 1000000 )) MB: $t s, peak $(( kb / 1024 )) MB resident"
  read -r t kb < <(measure "$lirano" convert --from auto --to Unicode "$work/big.viscii" -o "$work/big.back" /dev/null)
  echo "lirano convert auto (VISCII) -> Unicode: $t s, peak $(( kb / 1024 )) MB resident"
  cmp -s "$work/big.txt" "$work/big.back" && echo "round trip: same bytes" || echo "round trip: DIFFERENT"
  exit 0
fi

make_text "$mb" "$work/text.txt"
"$lirano" convert --from Unicode --to Unicode --lower "$work/text.txt" -o "$work/lower.txt"
iconv -f UTF-8 -t VISCII "$work/text.txt" > "$work/text.viscii"

best() { # best of three runs: "seconds kb"
  local bt= bk=
  for _ in 1 2 3; do
    read -r t k < <(measure "$@")
    if [ -z "$bt" ] || awk "BEGIN{exit !($t < $bt)}"; then bt=$t; bk=$k; fi
  done
  echo "$bt $bk"
}

printf '%-24s %12s %12s %8s %10s %10s  %s\n' pair "iconv MB/s" "lirano MB/s" ratio "iconv MB" "lirano MB" output
run_pair() {
  local label=$1 input=$2 ifrom=$3 ito=$4 lfrom=$5 lto=$6
  local size; size=$(stat -c %s "$input")
  # Alternating, so that both meet the same machine.
  local it ik lt lk
  read -r it ik < <(best iconv -f "$ifrom" -t "$ito" "$input" "$work/iconv.out")
  read -r lt lk < <(best "$lirano" convert --from "$lfrom" --to "$lto" "$input" -o "$work/lirano.out" /dev/null)
  local same=same
  cmp -s "$work/iconv.out" "$work/lirano.out" || same=differs
  awk -v s="$size" -v it="$it" -v lt="$lt" -v ik="$ik" -v lk="$lk" -v l="$label" -v same="$same" 'BEGIN {
    printf "%-24s %12.0f %12.0f %8.2f %10.0f %10.0f  %s\n", l, s/1e6/it, s/1e6/lt, it/lt, ik/1024, lk/1024, same }'
}
run_pair "UTF-8 -> VISCII" "$work/text.txt" UTF-8 VISCII Unicode VISCII
run_pair "VISCII -> UTF-8" "$work/text.viscii" VISCII UTF-8 VISCII Unicode
run_pair "UTF-8 -> TCVN3 (lower)" "$work/lower.txt" UTF-8 TCVN5712-1 Unicode "TCVN3 (ABC)"
run_pair "UTF-8 -> Windows 1258" "$work/text.txt" UTF-8 WINDOWS-1258 Unicode "Windows 1258"
echo "input: $(( $(stat -c %s "$work/text.txt") / 1000000 )) MB of the Viet74K word list, repeated"
