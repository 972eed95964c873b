#!/usr/bin/env bash
# Usage: check_package.sh BUILD_DIR SOURCE_DIR
# Builds the Debian package from the built tree BUILD_DIR with cpack (into a
# folder of its own) and checks it as Debian, IBus and Fcitx would see it:
# the files and their owners, the control fields, the component through
# IBus's own parser, the Fcitx addon, the extracted programs, and lintian.
set -uo pipefail
build=$1
src=$2
work=$(mktemp -d /tmp/lirano-package-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
version=$(dpkg-parsechangelog -l "$src/packaging/changelog" -S Version)
deb="$work/out/lirano_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") (the changelog's version); cpack made: $(ls "$work/out")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Every file, root-owned, where Debian and IBus look for it; nothing else.
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c failed"
awk '$2 != "root/root" { print }' "$work/contents" >"$work/not-root"
[ ! -s "$work/not-root" ] || fail "not owned by root: $(cat "$work/not-root")"
awk '$1 !~ /^d/ { print $1, $6, $7, $8 }' "$work/contents" | sort -k2 >"$work/files"
grep -v '^#' "$src/packaging/installed-files.txt" >"$work/expected"
sed -i 's/ *$//' "$work/files" "$work/expected"
sort -k2 -o "$work/expected" "$work/expected"
diff -u "$work/expected" "$work/files" >"$work/diff" || fail "package contents differ from the expected:
$(cat "$work/diff")"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print }' "$work/contents" >"$work/bad-dirs"
[ ! -s "$work/bad-dirs" ] || fail "folders not 0755: $(cat "$work/bad-dirs")"
echo "contents: $(wc -l <"$work/files") files, all root/root, modes as expected"

# Control fields: the libraries found by dpkg-shlibdeps (Fcitx's for the
# addon), and IBus with the Python bindings the self-check needs.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lirano ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the changelog says $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
names=" $(tr ',' '\n' <<<"$depends" | sed 's/(.*)//; s/ //g' | tr '\n' ' ') "
for d in ibus python3 python3-gi gir1.2-ibus-1.0 libc6 libstdc++6 libglib2.0-0 libibus-1.0-5 libqt6widgets6 \
  libx11-6 libxi6 libfcitx5core7; do
  [[ "$names" == *" $d "* ]] || fail "Depends lacks $d: $depends"
done
echo "Depends: $depends"

# The component, through IBus's own parser: first as shipped, then with the
# engine's path moved into the extracted tree, so that IBus runs the
# packaged engine's --xml for the engine list.
dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x failed"
component="$work/root/usr/share/ibus/component/Lirano.xml"
mkdir "$work/component" "$work/home" "$work/run" "$work/qt-component"
chmod 700 "$work/run"
sed "s|/usr/lib/lirano/|$work/root/usr/lib/lirano/|g" "$component" >"$work/component/Lirano.xml"
parse=$(/usr/bin/python3 - "$component" "$work/component/Lirano.xml" 2>"$work/parse.log" <<'EOF'
import sys
import gi
gi.require_version("IBus", "1.0")
from gi.repository import IBus
shipped = IBus.Component.new_from_file(sys.argv[1])
print("name", shipped.get_name())
print("exec", shipped.get_exec())
moved = IBus.Component.new_from_file(sys.argv[2])
for e in moved.get_engines():
    print("engine", e.get_name(), e.get_language(), e.get_icon())
EOF
)
grep -qxF "name org.freedesktop.IBus.Lirano" <<<"$parse" || fail "component name: $parse $(cat "$work/parse.log")"
grep -qxF "exec /usr/lib/lirano/Lirano-IBus --ibus" <<<"$parse" || fail "component exec: $parse"
grep -qF 'exec="/usr/lib/lirano/Lirano-IBus --xml"' "$component" || fail "engines exec: $(cat "$component")"
grep -qxF "engine Lirano vi $work/root/usr/lib/lirano/Resources/V.png" <<<"$parse" ||
  fail "no engine Lirano (vi, with its icon) from the packaged engine: $parse $(cat "$work/parse.log")"
echo "component: $(tr '\n' ';' <<<"$parse")"

# The Fcitx addon: the link in Fcitx's addon folder reaches the library in
# the program folder, which loads with every symbol resolved and exports
# Fcitx's entry point; the descriptions name it and the input method.
fcitx_link="$work/root/usr/lib/x86_64-linux-gnu/fcitx5/lirano.so"
[ "$(readlink -f "$fcitx_link")" = "$work/root/usr/lib/lirano/lirano.so" ] ||
  fail "$fcitx_link leads to $(readlink -f "$fcitx_link"), not the program folder's lirano.so"
addon=$(/usr/bin/python3 - "$work/root/usr/lib/lirano/lirano.so" 2>&1 <<'EOF'
import ctypes
import sys
library = ctypes.CDLL(sys.argv[1])  # RTLD_NOW: every symbol resolves
print("factory", hasattr(library, "fcitx_addon_factory_instance"))
EOF
) || fail "the packaged lirano.so does not load: $addon"
[ "$addon" = "factory True" ] || fail "the packaged lirano.so exports no fcitx_addon_factory_instance: $addon"
fcitx_conf() { sed 's/[[:space:]]*$//' "$work/root/usr/share/fcitx5/$1/lirano.conf"; }
for line in Type=SharedLibrary Library=lirano Category=InputMethod; do
  fcitx_conf addon | grep -qx "$line" || fail "addon/lirano.conf lacks $line: $(fcitx_conf addon)"
done
for line in Name=Lirano LangCode=vi Addon=lirano; do
  fcitx_conf inputmethod | grep -qx "$line" || fail "inputmethod/lirano.conf lacks $line: $(fcitx_conf inputmethod)"
done
echo "Fcitx addon: lirano.so loads from Fcitx's addon folder; input method lirano (vi)"

# The extracted programs run from their folder, through the /usr/bin links.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
got=$("$work/root/usr/bin/lirano" type --method "Telex 2" --charset Unicode "Tieesng Vieejt" 2>&1)
[ "$got" = "Tiếng Việt" ] || fail "packaged lirano type gave: $got"
QT_QPA_PLATFORM=offscreen LIRANO_IBUS_COMPONENT_DIRS="$work/qt-component" "$work/root/usr/bin/Lirano-Qt" --Install \
  >"$work/install.log" 2>&1 || fail "packaged Lirano-Qt --Install: $(cat "$work/install.log")"
grep -qF "<exec>$work/root/usr/lib/lirano/Lirano-IBus --ibus</exec>" "$work/qt-component/Lirano.xml" ||
  fail "packaged Lirano-Qt wrote another engine path: $(cat "$work/qt-component/Lirano.xml")"
out=$(/usr/bin/python3 "$work/root/usr/lib/lirano/ibus_selfcheck.py" "$work/component" 2>&1) ||
  fail "packaged self-check on the packaged engine: $out"
echo "programs: lirano type -> $got; Lirano-Qt --Install names its own folder; $out"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/lirano.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
fi

if command -v lintian >/dev/null; then
  lintian "$deb" >"$work/lintian.log" 2>&1
  grep -v '^running with root privileges' "$work/lintian.log"
  ! grep -q '^E:' "$work/lintian.log" || fail "lintian reports errors"
  echo "lintian: no errors ($(grep -c '^W:' "$work/lintian.log") warnings)"
elif apt-cache policy lintian 2>/dev/null | grep -q 'Candidate: [0-9]'; then
  fail "lintian is not installed: tools/deps.sh's test set installs it (./test.sh)"
else
  echo "lintian: SKIPPED, not installable from the configured apt sources"
fi
echo "package ok"
