#!/usr/bin/env bash
# Builds Tessivra and plays the example form scripts through tessivra-run, the command-line
# form container, then draws the example form files through tessivra-studio, offscreen, into
# PNG files under build/forms/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/install-qt-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSIVRA_QT=ON >/dev/null
cmake --build build -j"$(nproc)" --target tessivra-run tessivra-studio
for script in examples/*.tvs; do
  echo "### $script"
  ./build/tools/tessivra-run "$script"
done
# The example forms, each drawn by the studio on the Qt host without a screen.
mkdir -p build/forms
for form in examples/forms/*.json examples/forms/gallery/*.json; do
  QT_QPA_PLATFORM=offscreen ./build/tools/tessivra-studio --screenshot \
    "build/forms/$(basename "$form" .json).png" "$form" 2>/dev/null ||
    { echo "demo: tessivra-studio could not draw $form" >&2; exit 1; }
done
echo "### the example forms, drawn by tessivra-studio, are in $(pwd)/build/forms/"
# The same controls as custom elements on a static page: build/web/index.html.
if [ -f hosts/web/runtime/CMakeLists.txt ]; then bash scripts/build-web-page.sh; fi
