#!/usr/bin/env bash
# Installs Lirano on this machine, start to end:
#   1. the Debian 12 packages it needs (with sudo);
#   2. a release build (in build-install/, apart from the test build);
#   3. Lirano-IBus, Lirano-Qt, lirano and Resources/ into one program folder,
#      /opt/lirano by default, owned by the desktop user: the settings
#      tool and the engine keep the options there;
#   4. the IBus component, through Lirano-Qt --Install (with sudo, for
#      /usr/share/ibus/component);
#   5. menu entries for the settings and the converter;
#   6. an IBus restart when the user's IBus daemon runs;
#   7. a word typed through "lirano type", then through a private IBus
#      daemon that starts the installed engine, as a self-check.
# Run it as the desktop user; it asks for sudo when it needs it.
#   PREFIX=DIR          another program folder
#   LIRANO_USER=NAME    the desktop user, when run as root without sudo
# For a staged install (tests, packaging): LIRANO_IBUS_COMPONENT_DIRS=DIR:DIR
# instead of IBus's folders, LIRANO_NO_MENU=1, LIRANO_NO_IBUS_RESTART=1.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
prefix=${PREFIX:-/opt/lirano}
prefix=${prefix%/}
owner=${LIRANO_USER:-${SUDO_USER:-$(id -un)}}
group=$(id -gn "$owner")
home=$(getent passwd "$owner" | cut -d: -f6)
sudo=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || {
    echo "install.sh needs sudo (or run it as root with LIRANO_USER=<your user name>)" >&2
    exit 1
  }
  sudo=sudo
fi
# As the desktop user, even when this script runs as root.
as_owner() {
  if [ "$(id -un)" = "$owner" ]; then
    "$@"
  elif [ "$(id -u)" -eq 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    sudo -u "$owner" -- "$@"
  fi
}

. "$root/tools/deps.sh"
lirano_install_deps install

echo "== Building"
build=${LIRANO_BUILD_DIR:-$root/build-install}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DLIRANO_BUILD_TESTS=OFF -DLIRANO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"

echo "== Installing into $prefix (owned by $owner)"
# The folder is given to the user whole: it must be Lirano's alone.
if [ -d "$prefix" ]; then
  for e in "$prefix"/* "$prefix"/.[!.]*; do
    [ -e "$e" ] || continue
    case "$(basename "$e")" in
      Lirano-IBus | Lirano-Qt | lirano | Resources | LuaChon.ini | GoTat.ini | KieuGo.ini | BangMa.ini | ChuyenMa.ini | \
        Suggestion_UsedKeywords.dat) ;;
      *)
        echo "install.sh: $prefix holds $(basename "$e"), which is not Lirano's: choose a folder of its own with PREFIX" >&2
        exit 1
        ;;
    esac
  done
fi
[ -d "$prefix" ] || $sudo install -d -m 755 -o "$owner" -g "$group" "$prefix"
# An earlier installation made by root is taken over too.
$sudo chown -R "$owner:$group" "$prefix"
if [ -w "$prefix" ]; then cmake --install "$build" >/dev/null; else $sudo cmake --install "$build" >/dev/null; fi
# Settings files already there (LuaChon.ini, GoTat.ini, KieuGo.ini, ...)
# are the user's and are left as they are; everything must stay writable.
$sudo chown -R "$owner:$group" "$prefix"

echo "== Registering the engine with IBus"
component_dirs=${LIRANO_IBUS_COMPONENT_DIRS:-/usr/share/ibus/component:/usr/local/share/ibus/component}
# No window for this step: sudo may have no display, and the outcome is
# printed on the console.
$sudo env QT_QPA_PLATFORM=offscreen LIRANO_IBUS_COMPONENT_DIRS="$component_dirs" "$prefix/Lirano-Qt" --Install
registered=
IFS=: read -r -a dirs <<<"$component_dirs"
for d in "${dirs[@]}"; do
  if [ -f "$d/Lirano.xml" ] && grep -qF -- "$prefix/Lirano-IBus" "$d/Lirano.xml"; then
    registered="$d/Lirano.xml"
    break
  fi
done
[ -n "$registered" ] || { echo "install.sh: the IBus component was not written" >&2; exit 1; }
echo "IBus component: $registered"

if [ -n "$home" ] && [ -d "$home" ] && [ -z "${LIRANO_NO_MENU:-}" ]; then
  apps="$home/.local/share/applications"
  as_owner mkdir -p "$apps"
  entry() { # file name comment arguments
    as_owner tee "$apps/$1" >/dev/null <<EOF
[Desktop Entry]
Type=Application
Name=$2
Comment=$3
Exec="$prefix/Lirano-Qt"$4
Icon=$prefix/Resources/V.png
Terminal=false
Categories=Settings;
EOF
  }
  entry lirano-settings.desktop "Lirano" "Cài đặt bộ gõ tiếng Việt Lirano" ""
  entry lirano-chuyenma.desktop "Lirano - Chuyển mã" "Chuyển mã văn bản tiếng Việt" " --ChuyenMa"
  echo "Menu entries: $apps/lirano-settings.desktop, lirano-chuyenma.desktop"
fi

if [ -n "${LIRANO_NO_IBUS_RESTART:-}" ]; then
  :
elif pgrep -u "$owner" -x ibus-daemon >/dev/null 2>&1; then
  echo "== Restarting IBus"
  as_owner ibus restart || echo "Could not restart IBus: run \"ibus restart\" yourself, or log out and in again."
else
  echo "IBus is not running for $owner: it finds Lirano when it next starts."
fi

echo "== Self-check"
got=$("$prefix/lirano" type --method "Telex 2" --charset Unicode "Tieesng Vieejt")
if [ "$got" != "Tiếng Việt" ]; then
  echo "install.sh: self-check failed: lirano type gave \"$got\"" >&2
  exit 1
fi
echo "lirano type \"Tieesng Vieejt\" -> $got"
# As a desktop would: a private ibus-daemon (never the user's) starts the
# engine from the component written above. The script goes through stdin,
# so the desktop user needs no access to this folder.
if ! as_owner /usr/bin/python3 - "$(dirname "$registered")" <"$root/tools/ibus_selfcheck.py"; then
  echo "install.sh: self-check failed: IBus could not start the installed engine" >&2
  exit 1
fi
echo "Lirano is installed in $prefix. Add \"Lirano\" (Vietnamese) to your input sources: see README.md."
