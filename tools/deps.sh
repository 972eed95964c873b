# Sourced by install.sh and test.sh: installs the Debian 12 packages that are
# missing. Uses sudo when not run as root.
lirano_install_deps() {
  local what=$1
  local pkgs=(cmake ninja-build g++ pkg-config python3 libibus-1.0-dev libglib2.0-dev libx11-dev libxi-dev)
  # The settings tool: Qt 6 Widgets with uic and rcc.
  pkgs+=(qt6-base-dev qt6-base-dev-tools)
  # The Fcitx 5 addon: Fcitx's headers and CMake packages (its own CMake
  # files need nothing more). Fcitx itself is not needed to install: the
  # addon is only loaded by a Fcitx the user runs.
  pkgs+=(libfcitx5core-dev libfcitx5utils-dev libfcitx5config-dev fcitx5-modules-dev)
  # The Debian package: cpack's dependency list (dpkg-shlibdeps, file) and
  # Debian's build flags (dpkg-buildflags).
  pkgs+=(dpkg-dev file)
  # Installing also needs the IBus daemon the engine registers with.
  if [ "$what" = install ]; then
    pkgs+=(ibus dbus)
  fi
  if [ "$what" = test ]; then
    pkgs+=(fonts-dejavu-core libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format xvfb xdotool)
    # The IBus tests run their own D-Bus bus, X display and ibus-daemon.
    pkgs+=(ibus dbus dbus-x11 x11-utils)
    # Real clients typed into: GTK 3 through the IBus module, Qt 6 through its
    # IBus input context on xcb, and xterm through XIM.
    pkgs+=(ibus-gtk3 python3-gi gir1.2-gtk-3.0 qt6-qpa-plugins xterm)
    # Where else people type: browsers, an office suite, GTK 4, Qt 5 (KDE),
    # a VTE terminal, and a headless Wayland session (sway) whose keys and
    # clicks come from a small virtual-keyboard and -pointer client.
    pkgs+=(chromium firefox-esr libreoffice-writer libreoffice-gtk3 ibus-gtk4 gir1.2-gtk-4.0 python3-pyqt5
      gir1.2-vte-2.91 sway libwayland-dev wayland-protocols libxkbcommon-dev python3-uno qt6-wayland)
    # The Fcitx 5 tests: the daemon, and its modules for GTK 3, Qt 5 and Qt 6
    # clients.
    pkgs+=(fcitx5 fcitx5-frontend-gtk3 fcitx5-frontend-qt5 fcitx5-frontend-qt6)
    # The package's checks: Debian's own, AppStream's and the menu entries'.
    pkgs+=(lintian appstream desktop-file-utils)
  fi
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
