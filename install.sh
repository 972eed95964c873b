#!/usr/bin/env bash
# Installs Lirano on this machine as the Debian package "lirano":
#   1. the Debian packages it takes to build it (with sudo);
#   2. a release build with Debian's build flags, in build-install/, and the
#      package lirano_VERSION_amd64.deb made from it by cpack;
#   3. that package installed with apt-get, which brings what it depends on
#      (IBus, Qt 6, Fcitx 5's libraries for its addon, ...);
#   4. IBus's cache rewritten, and the desktop user's IBus restarted when it
#      runs;
#   5. a word typed through "lirano type", then through a private IBus
#      daemon that starts the installed engine, as a self-check.
# Run it as the desktop user; it asks for sudo when it needs it. Running it
# again installs the new build. Remove Lirano with: sudo apt remove lirano
#   LIRANO_USER=NAME          the desktop user, when run as root without sudo
#   LIRANO_BUILD_DIR=DIR      another build folder
#   LIRANO_NO_IBUS_RESTART=1  leave the user's IBus alone
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
lirano_root=$root
. "$root/tools/install_common.sh"
. "$root/tools/deps.sh"
lirano_install_deps install

echo "== Building the package"
build=${LIRANO_BUILD_DIR:-$root/build-install}
# Built as Debian builds its packages: with its hardening flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DLIRANO_BUILD_TESTS=OFF -DLIRANO_BUILD_SYSTEM_TESTS=OFF -DLIRANO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/lirano_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/lirano_*_amd64.deb)
[ -f "${debs[0]}" ] || { echo "install.sh: cpack made no package in $build" >&2; exit 1; }
deb=${debs[0]}
echo "Package: $deb"

echo "== Installing the package"
# --reinstall: a new build of the same version replaces the installed one.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall "$deb"
lirano_check_files present || { echo "install.sh: the package did not install all of its files" >&2; exit 1; }

lirano_restart_ibus

echo "== Self-check"
got=$(as_owner /usr/bin/lirano type --method "Telex 2" --charset Unicode "Tieesng Vieejt")
if [ "$got" != "Tiếng Việt" ]; then
  echo "install.sh: self-check failed: lirano type gave \"$got\"" >&2
  exit 1
fi
echo "lirano type \"Tieesng Vieejt\" -> $got"
# As a desktop would: a private ibus-daemon (never the user's) starts the
# installed engine from the installed component.
if ! as_owner /usr/bin/python3 /usr/lib/lirano/ibus_selfcheck.py /usr/share/ibus/component; then
  echo "install.sh: self-check failed: IBus could not start the installed engine" >&2
  exit 1
fi

lirano_old_install_notice
echo "Lirano is installed. Add \"Lirano\" (Vietnamese) to your input sources: see README.md."
# A running Fcitx reads its addons only when it starts.
echo "With Fcitx 5: restart it (fcitx5 -rd), then in fcitx5-configtool, Input Method, add \"Lirano\"."
echo "Remove it with: sudo apt remove lirano"
