#!/usr/bin/env bash
# Removes what install.sh installed: the IBus component that points into the
# program folder, the menu entries and the program folder itself, then
# restarts IBus when it runs.
#   ./uninstall.sh                   everything, the settings files too
#   ./uninstall.sh --keep-settings   leaves the user's files (options,
#                                    abbreviations, typing methods, ...) in
#                                    the program folder
#   PREFIX=DIR, LIRANO_USER=NAME     as for install.sh
set -euo pipefail
keep=
case "${1:-}" in
  "") ;;
  --keep-settings) keep=1 ;;
  *) echo "usage: $0 [--keep-settings]" >&2; exit 2 ;;
esac
prefix=${PREFIX:-/opt/lirano}
prefix=${prefix%/}
owner=${LIRANO_USER:-${SUDO_USER:-$(id -un)}}
home=$(getent passwd "$owner" | cut -d: -f6)
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
as_owner() {
  if [ "$(id -un)" = "$owner" ]; then
    "$@"
  elif [ "$(id -u)" -eq 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    sudo -u "$owner" -- "$@"
  fi
}

component_dirs=${LIRANO_IBUS_COMPONENT_DIRS:-/usr/share/ibus/component:/usr/local/share/ibus/component}
IFS=: read -r -a dirs <<<"$component_dirs"
for d in "${dirs[@]}"; do
  f="$d/Lirano.xml"
  # Only a description of this installation: another one may live elsewhere.
  if [ -f "$f" ] && grep -qF "$prefix/Lirano-IBus" "$f"; then
    $sudo rm -f "$f"
    echo "removed $f"
  fi
done

if [ -n "$home" ]; then
  for e in lirano-settings.desktop lirano-chuyenma.desktop; do
    if [ -f "$home/.local/share/applications/$e" ]; then
      as_owner rm -f "$home/.local/share/applications/$e"
      echo "removed $home/.local/share/applications/$e"
    fi
  done
fi

# Only the files Lirano puts there: a wrong PREFIX removes nothing else.
settings=(LuaChon.ini GoTat.ini KieuGo.ini BangMa.ini ChuyenMa.ini Suggestion_UsedKeywords.dat)
if [ -d "$prefix" ]; then
  if [ -e "$prefix/Lirano-IBus" ] || [ -e "$prefix/Lirano-Qt" ]; then
    $sudo rm -rf "$prefix/Lirano-IBus" "$prefix/Lirano-Qt" "$prefix/lirano" "$prefix/Resources"
    echo "removed the programs from $prefix"
  fi
  if [ -z "$keep" ]; then
    for s in "${settings[@]}"; do $sudo rm -f "$prefix/$s"; done
    if $sudo rmdir "$prefix" 2>/dev/null; then
      echo "removed $prefix"
    else
      echo "kept $prefix: it holds files that are not Lirano's"
    fi
  else
    echo "the settings files stay in $prefix"
  fi
fi

if [ -z "${LIRANO_NO_IBUS_RESTART:-}" ] && pgrep -u "$owner" -x ibus-daemon >/dev/null 2>&1; then
  as_owner ibus restart || echo "Could not restart IBus: run \"ibus restart\" yourself."
fi
echo "Lirano is uninstalled. Remove it from your input sources if it is still listed there."
