#!/usr/bin/env bash
# Removes Lirano, which install.sh installed as the Debian package "lirano":
# the same as "sudo apt remove lirano", then an IBus restart when the
# desktop user's IBus runs. Your settings in ~/.config/lirano stay.
#   LIRANO_USER=NAME, LIRANO_NO_IBUS_RESTART=1   as for install.sh
set -euo pipefail
cd "$(dirname "$0")"
lirano_root=$(pwd)
. "$lirano_root/tools/install_common.sh"

if dpkg-query -W -f='${Status}' lirano 2>/dev/null | grep -q 'install ok installed'; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y lirano
  lirano_check_files absent || echo "uninstall.sh: remove those by hand if nothing else owns them" >&2
  lirano_restart_ibus
  echo "Lirano is uninstalled. Remove it from your input sources if it is still listed there."
else
  echo "The package lirano is not installed."
fi
lirano_old_install_notice
