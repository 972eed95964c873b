#!/usr/bin/env bash
# Usage: check_ibus_selfcheck.sh LIRANO_QT SELFCHECK_SCRIPT
# The component written by Lirano-Qt --Install must pass the self-check;
# a folder without it must fail, and say why.
set -uo pipefail
qt=$1
check=$2
work=$(mktemp -d /tmp/lirano-selfcheck-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/component" "$work/empty" "$work/home" "$work/run"
chmod 700 "$work/run"
fail() {
  echo "FAIL: $*"
  exit 1
}

# Folders of its own: --Install must not need the user's.
HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen LIRANO_IBUS_COMPONENT_DIRS="$work/component" \
  "$qt" --Install >"$work/install.log" 2>&1 || fail "Lirano-Qt --Install: $(cat "$work/install.log")"
[ -f "$work/component/Lirano.xml" ] || fail "Lirano-Qt --Install wrote no Lirano.xml: $(cat "$work/install.log")"

# Debian's python3: the one with python3-gi.
out=$(/usr/bin/python3 "$check" "$work/component" 2>&1)
rc=$?
[ $rc -eq 0 ] || fail "self-check on the installed component gave $rc: $out"
[ "$out" = 'ibus self-check: ok (engine started by ibus-daemon, typed "Tiếng Việt")' ] || fail "unexpected output: $out"
echo "$out"

out=$(/usr/bin/python3 "$check" "$work/empty" 2>&1)
rc=$?
[ $rc -eq 1 ] || fail "self-check on an empty folder gave $rc, not 1: $out"
grep -qF 'ibus self-check: FAILED: ibus-daemon lists no engine "Lirano"' <<<"$out" || fail "unclear failure: $out"
echo "empty folder: $(head -1 <<<"$out")"
