#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kelvora needs.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache
  # libraries
  libicu-dev nlohmann-json3-dev libcurl4-openssl-dev libssl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libavfilter-dev
  libsecret-1-dev libpulse-dev libsystemd-dev libxcb1-dev libxcb-keysyms1-dev libxcb-xkb-dev libxcb-xtest0-dev
  qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-templates
  qml6-module-qtqml-workerscript qml6-module-qtquick-dialogs shared-mime-info libqt6svg6
  # qmllint and the QtQml types it checks the views against, for the views' lint
  qt6-declarative-dev-tools qml6-module-qtqml qml6-module-qtqml-models
  libmd4c-dev libsqlite3-dev
  # the views' fonts and symbols
  fonts-dejavu-core adwaita-icon-theme
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  pulseaudio pulseaudio-utils gnome-keyring libsecret-tools libnotify-bin dbus dbus-x11
  xvfb sox ffmpeg poppler-utils python3-dbus python3-gi python3-yaml tzdata appstream dpkg-dev
  # a screen reader's view of the application: the accessibility bus and its Python client
  at-spi2-core python3-pyatspi
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm fetches the speech engine's sources; some Node.js builds bring their own npm.
command -v npm >/dev/null || missing+=(npm)

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The on-device speech engine (whisper.cpp 1.9.1, MIT) comes as C/C++ sources inside an npm
# package. Fetched once with the ordinary client, checked against the known digest, and its
# CMake project unpacked into external/ (ignored by git); our build adds it as a subdirectory.
# Without it the build still works and the on-device backend reports that it isn't available.
engine_package=nodejs-whisper
engine_version=0.3.1
engine_sha256=92041caf2b26c74b7f489fedf37bd093f216eebd61df512045ec2d19d0531d37
engine_root=package/cpp/whisper.cpp
engine_dir=external/whisper.cpp
engine_stamp="$engine_dir/.package-sha256"
cd "$(dirname "$0")/.."
if [[ "$(cat "$engine_stamp" 2>/dev/null)" != "$engine_sha256" ]]; then
  echo "Fetching the speech engine: $engine_package@$engine_version"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack --silent "$engine_package@$engine_version" >/dev/null)
  tarball="$work/$engine_package-$engine_version.tgz"
  actual=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [[ "$actual" != "$engine_sha256" ]]; then
    echo "setup: $engine_package-$engine_version.tgz has SHA-256 $actual, expected $engine_sha256" >&2
    exit 1
  fi
  tar -xzf "$tarball" -C "$work" "$engine_root"
  rm -rf "$engine_dir"
  mkdir -p "$engine_dir"
  # The library's own build: its CMake project without examples, tests and bindings.
  for part in CMakeLists.txt LICENSE cmake include src ggml; do
    cp -R "$work/$engine_root/$part" "$engine_dir/"
  done
  echo "$engine_sha256" >"$engine_stamp"
fi
