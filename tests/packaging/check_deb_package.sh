#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it holds:
#   check_deb_package.sh BUILD_DIR
# the two programs (and the speech engine's licence, not its libraries), the desktop entry with
# the URL scheme, the scalable icon, AppStream metadata that appstreamcli accepts, and
# dependencies computed from the libraries and the Qt pieces the programs use.
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(find "$work/out" -maxdepth 1 -name 'kelvora_*.deb' | head -n 1)
[[ -n "$deb" ]] || fail "no kelvora_*.deb was made"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/kelvora ./usr/bin/kelv ./usr/bin/kelvora-pdf ./usr/share/applications/com.tizara.app.desktop \
  ./usr/share/icons/hicolor/scalable/apps/com.tizara.app.svg \
  ./usr/share/metainfo/com.tizara.app.metainfo.xml; do
  grep -qF " $path" <<<"$contents" || fail "the package lacks $path"
done
if grep -qE '_test|_itest|snapshots|bench' <<<"$contents"; then
  fail "the package holds test or benchmark files"
fi
# The speech engine is linked into the programs; only its licence is installed.
if grep -qE '/include/|\.a$|\.so(\.[0-9]+)*$|/pkgconfig/|/cmake/' <<<"$contents"; then
  fail "the package holds the speech engine's libraries or headers"
fi
if [[ -d "$build/whisper.cpp" ]]; then
  grep -qF " ./usr/share/doc/kelvora/LICENSE.whisper.cpp" <<<"$contents" ||
    fail "the package lacks the speech engine's licence"
fi

depends=$(dpkg-deb -f "$deb" Depends)
# From the linked libraries (dpkg-shlibdeps) and from the run-time Qt pieces (dpkg -S).
for package in libqt6core6 libqt6quick6 libcurl4 libpulse0 qml6-module-qtquick \
  qml6-module-qtquick-layouts qml6-module-qtquick-templates; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.tizara.app.metainfo.xml" ||
  fail "appstreamcli rejects the metadata"
desktop="$work/root/usr/share/applications/com.tizara.app.desktop"
grep -qx 'MimeType=x-scheme-handler/kelvora;' "$desktop" || fail "the desktop entry lacks the URL scheme"
grep -qx 'Icon=com.tizara.app' "$desktop" || fail "the desktop entry names another icon"
grep -q 'KELV_BUNDLE_ID=com.tizara.app' "$desktop" || fail "the desktop entry does not set the bundle id"
head -c 200 "$work/root/usr/share/icons/hicolor/scalable/apps/com.tizara.app.svg" | grep -q '<svg' ||
  fail "the icon is not an SVG"
echo "ok: $(basename "$deb")"
