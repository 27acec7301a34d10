#!/usr/bin/env bash
# Builds the web host's own tests with Emscripten and runs their page in headless Chromium; the
# page writes "N passed, M failed", which this script reads back. The control and contract suites
# over this host run in scripts/check-web.sh.
#
#   scripts/check-web-host.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-web"}
export NODE_PATH=/usr/share/nodejs
mkdir -p "$build_dir"
if [ ! "$build_dir/tessivra-resgen" -nt "$root/resources/generator/resgen.cpp" ]; then
    g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"
fi
emcmake cmake -S "$root" -B "$build_dir" -DTESSIVRA_WEB=ON -DCMAKE_BUILD_TYPE=Release \
    -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir" -j2 --target tessivra_web_host_tests >/dev/null
pages="$build_dir/hosts/web/host"

status=0
# Runs one page (with GoogleTest's options in its address) and reads its closing line.
run_page() {
    local name=$1 query=${2:-} log result
    log="$pages/$name.log"
    # Chromium's virtual clock can run out while the WebAssembly is still compiling in the
    # background, and the page then ends without a closing line; only that is tried again.
    for _ in 1 2 3; do
        result=$(timeout 600 chromium --headless --no-sandbox --disable-gpu \
            --allow-file-access-from-files --virtual-time-budget=600000 --enable-logging=stderr \
            --v=0 --dump-dom "file://$pages/$name.html$query" 2>"$log" |
            sed -n 's|.*<pre id="result">\([^<]*\)</pre>.*|\1|p')
        if [ -n "$result" ]; then break; fi
    done
    # The failures, as GoogleTest printed them to the console.
    sed -n 's/.*CONSOLE:[0-9]*\] "\(.*\)", source.*/\1/p' "$log" |
        grep -A8 -E "Failure|FAILED  \]|RuntimeError" || true
    echo "$name: ${result:-no result}"
    [[ "$result" =~ ^[0-9]+\ passed,\ 0\ failed$ ]] || status=1
}

run_page tessivra_web_host_tests
exit $status
