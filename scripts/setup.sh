#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kelvora needs.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache
  # libraries
  libicu-dev nlohmann-json3-dev libcurl4-openssl-dev libssl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libsecret-1-dev libpulse-dev libsystemd-dev libxcb1-dev libxcb-keysyms1-dev libxcb-xkb-dev libxcb-xtest0-dev
  qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-templates
  qml6-module-qtqml-workerscript shared-mime-info libqt6svg6 libmd4c-dev
  # the views' fonts and symbols
  fonts-dejavu-core adwaita-icon-theme
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  pulseaudio pulseaudio-utils gnome-keyring libsecret-tools libnotify-bin dbus dbus-x11
  xvfb sox ffmpeg python3-dbus python3-gi python3-yaml tzdata appstream dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
