#!/usr/bin/env bash
# Builds the web host's tests with Emscripten and runs them in headless Chromium; the page writes
# "N passed, M failed", which this script reads back.
#
#   scripts/check-web-host.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-web"}
export NODE_PATH=/usr/share/nodejs
if [ ! -f "$build_dir/tessivra-resgen" ]; then
    mkdir -p "$build_dir"
    g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"
fi
emcmake cmake -S "$root" -B "$build_dir" -DTESSIVRA_WEB=ON -DCMAKE_BUILD_TYPE=Release \
    -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir" -j2 --target tessivra_web_host_tests >/dev/null
page="$build_dir/hosts/web/host/tessivra_web_host_tests.html"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
result=$(timeout 300 chromium --headless --no-sandbox --disable-gpu --allow-file-access-from-files \
    --virtual-time-budget=30000 --enable-logging=stderr --v=0 --dump-dom "$page" 2>"$log" |
    sed -n 's|.*<pre id="result">\([^<]*\)</pre>.*|\1|p')
# The failures, as GoogleTest printed them to the console.
grep -o '"[^"]*' "$log" | grep -A6 -E "Failure|FAILED|RuntimeError" | sed 's/^"//' || true
echo "web host tests: ${result:-no result}"
[[ "$result" =~ ^[0-9]+\ passed,\ 0\ failed$ ]]
