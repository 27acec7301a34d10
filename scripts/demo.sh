#!/usr/bin/env bash
# Builds Tessivra and plays the example form scripts through tessivra-run, the command-line
# form container.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tessivra-run
for script in examples/*.tvs; do
  echo "### $script"
  ./build/tools/tessivra-run "$script"
done
# The same controls as custom elements on a static page: build/web/index.html.
if [ -f hosts/web/runtime/CMakeLists.txt ]; then bash scripts/build-web-page.sh; fi
