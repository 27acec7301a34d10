#!/usr/bin/env bash
# Builds the custom elements with Emscripten and a static page showing every one of them:
# build/web/index.html with tessivra-elements.js and .wasm beside it.
#
#   scripts/build-web-page.sh [BUILD_DIR]
#
# BUILD_DIR (the Emscripten build) defaults to build-web. Installs Emscripten when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-web"}
if ! command -v em++ >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        emscripten >/dev/null
fi
export NODE_PATH=/usr/share/nodejs
mkdir -p "$build_dir"
if [ ! -f "$build_dir/tessivra-resgen" ]; then
    g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"
fi
emcmake cmake -S "$root" -B "$build_dir" -DTESSIVRA_WEB=ON -DCMAKE_BUILD_TYPE=Release \
    -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir" -j2 --target tessivra_elements >/dev/null
elements="$build_dir/hosts/web/elements"
cp "$root/hosts/web/elements/index.html" "$elements/"
mkdir -p "$root/build/web"
cp "$elements/index.html" "$elements/tessivra-elements.js" "$elements/tessivra-elements.wasm" \
    "$root/build/web/"
echo "build/web/index.html: open it in a browser through a web server"
echo "  (python3 -m http.server -d build/web 8000, then http://localhost:8000/),"
echo "  or with chromium --allow-file-access-from-files build/web/index.html"
