#!/usr/bin/env bash
# The Qt side of the form files: builds the Qt host, ControlWidget and tessivra-studio (Qt 6 and
# the fonts installed first) and runs their tests offscreen: the widget's property, event and
# bag API, the studio's property sheet, and a form saved by the studio loaded by tessivra-run and
# back with nothing lost.
#
#   scripts/check-studio.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${1:-"$root/build"}")
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/install-qt-deps.sh"
# A build directory configured before Qt was there has the Qt host switched off: on again.
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSIVRA_QT=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target tessivra_studio_tests tessivra-studio tessivra-run
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" \
  -R '^(ControlWidget|StudioTest)\.'
