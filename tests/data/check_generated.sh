#!/usr/bin/env bash
# The committed data files must be exactly what their generators write.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
data=$root/data
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

python3 "$root/tools/gen_ghepvan.py" "$tmp/GhepVan.ini"
cmp -s "$tmp/GhepVan.ini" "$root/Resources/GhepVan.ini" || { echo "Resources/GhepVan.ini is stale: run tools/gen_ghepvan.py"; fail=1; }

python3 "$root/tools/gen_bangma.py" "$data/charsets" "$tmp/BangMa.ini"
cmp -s "$tmp/BangMa.ini" "$root/Resources/BangMa.ini" || { echo "Resources/BangMa.ini is stale: run tools/gen_bangma.py"; fail=1; }

python3 "$root/tools/gen_dictionaries.py" "$data/wordlists" "$tmp" >/dev/null
for f in TuDien.txt TuDienTuGhep.txt; do
  cmp -s "$tmp/$f" "$root/Resources/$f" || { echo "Resources/$f is stale: run tools/gen_dictionaries.py"; fail=1; }
done

python3 "$root/tools/gen_icons.py" "$tmp/V.png"
cmp -s "$tmp/V.png" "$root/Resources/V.png" || { echo "Resources/V.png is stale: run tools/gen_icons.py"; fail=1; }

python3 "$root/tools/gen_qt_icons.py" "$tmp/qt-icons"
for f in "$tmp"/qt-icons/*.png; do
  cmp -s "$f" "$root/qt/Icon/$(basename "$f")" || { echo "qt/Icon/$(basename "$f") is stale: run tools/gen_qt_icons.py"; fail=1; }
done

python3 "$root/tools/check_syllables.py" --tsv "$tmp/syllables.tsv" "$data/wordlists/Viet74K.txt" "$data/wordlists/vi_VN.dic" >/dev/null
cmp -s "$tmp/syllables.tsv" "$root/tests/engine/syllables.tsv" || { echo "tests/engine/syllables.tsv is stale: run tools/check_syllables.py --tsv"; fail=1; }

python3 "$root/tools/check_syllables.py" >/dev/null || { echo "syllable checker self-test failed"; fail=1; }
[ $fail -eq 0 ] && echo "generated data is current"
exit $fail
