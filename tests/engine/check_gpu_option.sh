#!/usr/bin/env bash
# Configures the tree with each value of KELV_GPU in scratch build folders:
#   check_gpu_option.sh SOURCE_DIR
# "off" configures; a value that isn't off, vulkan or cuda is refused by name; vulkan and cuda
# either configure (the SDK is there) or stop at configure time with a plain sentence that names
# what is missing, never deep inside the engine's own build files.
set -euo pipefail

source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

configure() {
  cmake -S "$source" -B "$work/$1" -G Ninja -DKELV_GPU="$1" -DKELV_BUILD_APP=OFF \
    -DKELV_BUILD_TESTS=OFF -DKELV_BUILD_BENCH=OFF >"$work/$1.log" 2>&1
}

configure off || { cat "$work/off.log" >&2; fail "KELV_GPU=off does not configure"; }
for backend in GGML_VULKAN GGML_CUDA; do
  grep -q "^$backend:INTERNAL=OFF" "$work/off/CMakeCache.txt" ||
    fail "KELV_GPU=off leaves $backend on"
done

if configure metal; then fail "KELV_GPU=metal configures"; fi
grep -q 'KELV_GPU is "metal"; it must be off, vulkan or cuda.' "$work/metal.log" ||
  { cat "$work/metal.log" >&2; fail "KELV_GPU=metal is not refused by name"; }

for gpu in vulkan cuda; do
  if configure "$gpu"; then
    echo "ok: KELV_GPU=$gpu configures on this machine"
    continue
  fi
  grep -q "KELV_GPU=$gpu: the engine's .* backend needs .*configure with -DKELV_GPU=off" \
    <(tr -s ' \n' ' ' <"$work/$gpu.log") ||
    { cat "$work/$gpu.log" >&2; fail "KELV_GPU=$gpu fails without saying what is missing"; }
  if grep -q "external/whisper.cpp/ggml" "$work/$gpu.log"; then
    fail "KELV_GPU=$gpu failed inside the engine's build files"
  fi
  echo "ok: KELV_GPU=$gpu stops at configure time: $(grep -o "needs [^.]*" "$work/$gpu.log" | head -1)"
done
