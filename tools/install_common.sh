# Sourced by install.sh and uninstall.sh: who the desktop user is, running
# as that user, IBus restarts, and the notice about an installation made by
# the former install.sh (a program folder, /opt/lirano by default).
#   LIRANO_USER=NAME          the desktop user, when run as root without sudo
#   LIRANO_NO_IBUS_RESTART=1  leave the user's IBus alone
# The sourcing script sets lirano_root to the source folder.
# shellcheck disable=SC2034  # owner, home and sudo serve the scripts that source this
owner=${LIRANO_USER:-${SUDO_USER:-$(id -un)}}
home=$(getent passwd "$owner" | cut -d: -f6)
sudo=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || {
    echo "$(basename "$0") needs sudo (or run it as root with LIRANO_USER=<your user name>)" >&2
    exit 1
  }
  sudo=sudo
fi

# As the desktop user, even when the script runs as root.
as_owner() {
  if [ "$(id -un)" = "$owner" ]; then
    "$@"
  elif [ "$(id -u)" -eq 0 ]; then
    runuser -u "$owner" -- "$@"
  else
    sudo -u "$owner" -- "$@"
  fi
}

# The user's IBus reads the components again; a daemon started later does
# it by itself.
lirano_restart_ibus() {
  [ -z "${LIRANO_NO_IBUS_RESTART:-}" ] || return 0
  as_owner ibus write-cache >/dev/null 2>&1 || true
  if pgrep -u "$owner" -x ibus-daemon >/dev/null 2>&1; then
    echo "== Restarting IBus"
    as_owner ibus restart || echo "Could not restart IBus: run \"ibus restart\" yourself, or log out and in again."
  else
    echo "IBus is not running for $owner: it reads the change when it next starts."
  fi
}

# The package's files on this machine: "present" lists those missing after
# an install, "absent" those left after a removal; false when there are any.
lirano_check_files() {
  local want=$1 list=${lirano_root:-.}/packaging/installed-files.txt path bad=()
  while read -r _ path _; do
    case $path in ./*) path=${path#.} ;; *) continue ;; esac
    if [ -e "$path" ] || [ -L "$path" ]; then
      [ "$want" = absent ] && bad+=("$path")
    else
      [ "$want" = present ] && bad+=("$path")
    fi
  done <"$list"
  [ ${#bad[@]} -eq 0 ] && return 0
  [ "$want" = present ] && echo "Missing after the install:" >&2 || echo "Left after the removal:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  return 1
}

# Nothing of the old installation is removed: its folder holds the user's
# settings, which the package's programs no longer read there.
lirano_old_install_notice() {
  local old=/opt/lirano found=() settings=() f
  if [ -e "$old/Lirano-IBus" ] || [ -e "$old/Lirano-Qt" ]; then found+=("$old"); fi
  # Its menu entries named the program by its path; the package's do not.
  for f in "$home"/.local/share/applications/lirano-{settings,chuyenma}.desktop; do
    if [ -n "$home" ] && [ -f "$f" ] && grep -q '^Exec="\?/' "$f"; then found+=("$f"); fi
  done
  f=/usr/local/share/ibus/component/Lirano.xml
  if [ -f "$f" ] && ! grep -qF /usr/lib/lirano/ "$f"; then found+=("$f"); fi
  [ ${#found[@]} -gt 0 ] || return 0
  echo
  echo "An earlier installation of Lirano (by the former install.sh) is still here:"
  printf '  %s\n' "${found[@]}"
  for f in LuaChon.ini GoTat.ini KieuGo.ini BangMa.ini ChuyenMa.ini Suggestion_UsedKeywords.dat; do
    if [ -f "$old/$f" ]; then settings+=("$old/$f"); fi
  done
  if [ ${#settings[@]} -gt 0 ]; then
    echo "Lirano no longer reads your settings there. To keep them, copy them (as $owner):"
    echo "  mkdir -p $home/.config/lirano && cp -n ${settings[*]} $home/.config/lirano/"
  fi
  case "${found[*]}" in
    *.desktop*) echo "Then remove the old files (its menu entries hide the package's):" ;;
    *) echo "Then remove the old files:" ;;
  esac
  echo "  sudo rm -rf ${found[*]}"
}
