#!/usr/bin/env bash
# Installs what is needed, builds an optimised copy and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELV_BUILD_TESTS=OFF
cmake --build build-release
if [[ -x build-release/tool/kelvora ]]; then
  exec build-release/tool/kelvora "$@"
fi
exec build-release/tool/kelv "${@:---help}"
