#!/usr/bin/env bash
# The Qt host's step: installs Qt 6 and the fonts, builds the Qt host with the tests and its
# keystroke benchmark, runs the suites over the Qt host offscreen (no display needed) and
# reports the benchmark's ratio from one short run.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
missing=()
for p in qt6-base-dev fonts-dejavu-core; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The build scripts/test.sh made, when there is one.
dir=build
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSIVRA_QT=ON >/dev/null
cmake --build "$dir" -j"$(nproc)" --target tessivra_tests qt_keystroke_bench
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" -R '(Qt|Screenshot)'
"$dir/bench/qt_keystroke_bench" --benchmark_filter=Ratio
