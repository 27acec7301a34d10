#!/usr/bin/env bash
# Builds Tessivra and runs every test. With --sanitize, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize; with --release, the plain Release build (full
# optimisation, where the compiler warns of more) into build-release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  opts=(-DCMAKE_BUILD_TYPE=Debug -DTESSIVRA_SANITIZE=ON -DTESSIVRA_BENCH=OFF)
  # Qt's font database leaves fontconfig's allocations behind; only those are suppressed.
  export LSAN_OPTIONS="suppressions=$PWD/tests/qt/lsan_qt.supp"
elif [ "${1:-}" = "--release" ]; then
  dir=build-release
  opts=(-DCMAKE_BUILD_TYPE=Release)
fi
cmake -S . -B "$dir" "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
