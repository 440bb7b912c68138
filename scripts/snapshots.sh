#!/usr/bin/env bash
# Renders every view in each appearance to PNG files for review, without any display:
#   bash scripts/snapshots.sh [OUTDIR] [MEETING_FILE...]
# OUTDIR defaults to build/snapshots; the same views with 1.5× text go to OUTDIR/large-text.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-build/snapshots}"
shift || true
bash scripts/setup.sh
if [[ ! -f build/build.ninja ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELV_BUILD_BENCH=OFF
fi
cmake --build build --target kelvora-snapshots
QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software build/tests/kelvora-snapshots "$out" "$@"
# Once more with the 1.5× text that a user who needs larger text sets.
QT_FONT_DPI=144 QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software \
  build/tests/kelvora-snapshots "$out/large-text" "$@"
