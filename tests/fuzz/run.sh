#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a fixed
# time (FUZZ_SECONDS, default 20), as many at once as there are cores. Any
# crash, leak, hang or failed check fails the run. Each target starts from a
# copy of its checked-in corpus and also runs every input kept in
# regressions/; the checkout itself is only read. FUZZ_BUILD_ONLY=1 only
# builds them.
#
#   tests/fuzz/run.sh [BUILD_DIR] [TARGET...]    e.g. run.sh build-fuzz engine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/build-fuzz}
shift || true
seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-$(nproc)}
cxx=${CXX_FUZZ:-clang++}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# name, source, longest input. Every target links the one library below.
all_targets=(
  "ini_utf8 FuzzIniUtf8.cpp 65536"
  "convert_stream FuzzConvertStream.cpp 8192"
  "detect FuzzDetect.cpp 8192"
  "html_clipboard FuzzHtmlClipboard.cpp 8192"
  "suggestion_history FuzzSuggestionHistory.cpp 8192"
  "user_tables FuzzUserTables.cpp 8192"
  "gotat FuzzGoTat.cpp 8192"
  "engine FuzzEngine.cpp 4096"
  "app_modes FuzzAppModes.cpp 8192"
)
if [ $# -gt 0 ]; then
  chosen=()
  for want in "$@"; do
    found=
    for t in "${all_targets[@]}"; do
      if [ "${t%% *}" = "$want" ]; then chosen+=("$t"); found=1; fi
    done
    [ -n "$found" ] || { echo "fuzz: no target '$want'" >&2; exit 2; }
  done
else
  chosen=("${all_targets[@]}")
fi

sources=(
  core/ConvertUTF.cpp core/UtfConverter.cpp core/Utils.cpp core/TV.cpp core/IniFile.cpp core/SettingUtils.cpp
  core/Enums.cpp core/ChucNangPhim.cpp core/KieuGoUtils.cpp core/BangMaUtils.cpp core/TuDien.cpp
  core/TuDienTuGhep.cpp
  convert/ChuyenMa.cpp convert/ChuyenMaPlan.cpp convert/ChuyenMaStream.cpp convert/VanBanUtils.cpp
  engine/GhepVan.cpp engine/TuTiengViet.cpp engine/BoGo.cpp engine/BoGoGoTat.cpp engine/BoGoChinhTa.cpp
  engine/LuaChon.cpp engine/TextHost.cpp engine/Suggestion.cpp engine/AppModes.cpp
)
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
  -I"$root")
# Every table is read from its file on each use, and tracing the comparisons
# of that plumbing makes most targets several times slower; its branches
# still count.
plumbing=" core/ConvertUTF.cpp core/UtfConverter.cpp core/Utils.cpp core/IniFile.cpp "

# An object is rebuilt when its source or a header it includes (as the
# compiler listed them) is newer.
mkdir -p "$out/obj"
obj() { echo "$out/obj/$(echo "$1" | tr / _).o"; }
stale=()
for s in "${sources[@]}" "${chosen[@]}"; do
  case $s in
  *" "*) s=tests/fuzz/$(echo "$s" | cut -d' ' -f2) ;;
  esac
  o=$(obj "$s")
  if [ ! -e "$o" ] || [ ! -e "$o.d" ] || [ "$root/$s" -nt "$o" ]; then
    stale+=("$s")
    continue
  fi
  for h in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$o.d"); do
    if [ "$h" -nt "$o" ]; then
      stale+=("$s")
      break
    fi
  done
done
if [ ${#stale[@]} -gt 0 ]; then
  echo "fuzz: compiling ${#stale[@]} files"
  for s in "${stale[@]}"; do
    case $plumbing in
    *" $s "*) echo "$s -fno-sanitize-coverage=trace-cmp" ;;
    *) echo "$s" ;;
    esac
  done | xargs -P "$jobs" -I{} sh -c \
    'r=$0 s=${2%% *}; x=${2#"$s"}; o=$1/obj/$(echo "$s" | tr / _).o; shift 2; exec "$@" $x -MMD -MF "$o.d" -c "$r/$s" -o "$o"' \
    "$root" "$out" {} "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link
fi
lib=$out/liblirano_fuzz.a
objects=$(for s in "${sources[@]}"; do obj "$s"; done)
for o in $objects; do
  if [ "$o" -nt "$lib" ]; then
    rm -f "$lib"
    ar rcs "$lib" $objects
    break
  fi
done
for t in "${chosen[@]}"; do
  read -r name src _ <<<"$t"
  o=$(obj "tests/fuzz/$src")
  if [ "$o" -nt "$out/fuzz_$name" ] || [ "$lib" -nt "$out/fuzz_$name" ]; then
    "$cxx" "${flags[@]}" -fsanitize=fuzzer "$o" "$lib" -lpthread -o "$out/fuzz_$name"
  fi
done

# The programs find Resources/ beside them, as the installed ones do.
ln -sfn "$root/Resources" "$out/Resources"
[ "${FUZZ_BUILD_ONLY:-0}" = 1 ] && exit 0

run_one() {
  local name=$1 maxlen=$2 corpus=$out/corpus/$1 dirs=()
  rm -rf "$corpus" "$out/tmp/$name"
  mkdir -p "$corpus" "$out/artifacts" "$out/tmp/$name"
  if [ -d "$here/corpus/$name" ]; then cp -r "$here/corpus/$name/." "$corpus/"; fi
  [ "$name" = ini_utf8 ] && cp "$root"/Resources/*.ini "$corpus/"
  # Read only: new inputs go to the first folder.
  [ -d "$here/regressions/$name" ] && dirs+=("$here/regressions/$name")
  LIRANO_FUZZ_DIR="$out/tmp/$name" "$out/fuzz_$name" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$out/artifacts/$name-" -print_final_stats=1 \
    "$corpus" "${dirs[@]}" >"$out/$name.log" 2>&1 && echo ok >"$out/$name.status" || echo FAILED >"$out/$name.status"
}

echo "fuzz: running ${#chosen[@]} targets for ${seconds}s each, $jobs at a time"
for t in "${chosen[@]}"; do
  read -r name _ maxlen <<<"$t"
  rm -f "$out/$name.status"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_one "$name" "$maxlen" &
done
wait
failed=0
for t in "${chosen[@]}"; do
  name=${t%% *}
  status=$(cat "$out/$name.status" 2>/dev/null || echo FAILED)
  [ "$status" = ok ] || failed=1
  runs=$(sed -n 's/^stat::number_of_executed_\(runs\|units\): *//p' "$out/$name.log" | tail -n 1)
  units=$(find "$out/corpus/$name" -type f | wc -l)
  printf 'fuzz_%-20s %-6s %10s runs, corpus %s\n' "$name" "$status" "${runs:-?}" "$units"
  if [ "$status" = FAILED ]; then
    # From the first report on, without libFuzzer's own frames.
    sed -n '/fuzz check failed\|ERROR: \|runtime error\|Sanitizer/,$p' "$out/$name.log" | grep -v ' in fuzzer::' |
      head -n 60 | sed "s/^/  $name: /"
    input=$(sed -n 's/.*Test unit written to //p' "$out/$name.log" | tail -n 1)
    [ -z "$input" ] || echo "  rerun: $out/fuzz_$name $input"
  fi
done
rm -rf "$out/tmp"
if [ $failed != 0 ]; then
  echo "fuzz: a target failed; the input is in $out/artifacts, the log in $out/<target>.log" >&2
  exit 1
fi
echo "fuzz: no finding in ${seconds}s per target"
