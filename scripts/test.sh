#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test. Tests start their own private services (sound server, session bus, keyring, X).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# Line tables are all a sanitizer's report needs, and they build faster than full debug data.
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELV_SANITIZE=ON -DKELV_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1
cmake --build build-test

# Any sanitizer report aborts the test process, so it fails its test.
# (No strict_string_checks: the X keyboard library hands strndup bounded, unterminated strings.)
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-test
ctest --output-on-failure --parallel "$(nproc)" "$@"
