#!/usr/bin/env bash
# Builds the web host's WebAssembly with Emscripten and runs its test page (hosts/web/tests/) in
# Node and in headless Chromium. The page prints a closing line "N passed, M failed"; the step
# fails when a run's line is missing or M is not 0.
#
#   scripts/check-web.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-web. Installs Emscripten, Chromium, a font and GoogleTest's sources
# when they are missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-web"}

packages=(emscripten chromium fonts-dejavu-core nodejs node-acorn libgtest-dev g++ cmake make)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "check-web: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
# Emscripten's optimiser loads Debian's acorn from here.
export NODE_PATH=/usr/share/nodejs

# The pictures' generator runs on this machine, so it is built for this machine (again only when
# its source changed, so that the generated pictures are not rebuilt on every run).
mkdir -p "$build_dir"
resgen_source="$root/resources/generator/resgen.cpp"
if [ ! "$build_dir/tessivra-resgen" -nt "$resgen_source" ]; then
    g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$resgen_source"
fi

emcmake cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DTESSIVRA_WEB=ON \
    -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir" --target tessivra_web_tests -- -j2
tests="$build_dir/hosts/web/tests"

# Reads the last closing line of a run's output; fails on a missing line or any failure.
closing() {
    local where=$1 output=$2 line
    line=$(grep -oE '[0-9]+ passed, [0-9]+ failed' "$output" | tail -n 1 || true)
    if [ -z "$line" ]; then
        echo "check-web: $where printed no closing line; its output ends:" >&2
        tail -n 20 "$output" >&2
        return 1
    fi
    echo "check-web: $where: $line"
    if [ "$(sed -E 's/.* ([0-9]+) failed/\1/' <<<"$line")" != 0 ]; then
        grep -E 'Failure|FAILED|runtime_cases.tsv' "$output" >&2 || true
        return 1
    fi
}

status=0
node "$tests/tessivra_web_tests.js" >"$tests/node.log" 2>&1 || true
closing "Node" "$tests/node.log" || status=1

timeout 600 chromium --headless --no-sandbox --disable-gpu --allow-file-access-from-files \
    --virtual-time-budget=30000 --dump-dom "file://$tests/tessivra_web_tests.html" \
    >"$tests/chromium.html" 2>"$tests/chromium.err" || true
closing "Chromium" "$tests/chromium.html" || status=1

# The size budget: everything a page loads for the eight elements (their WebAssembly and
# script), gzipped, against 300 KB. Measured once the elements are part of the build.
elements="$build_dir/hosts/web/elements"
if [ -f "$elements/Makefile" ]; then
    cmake --build "$elements" -- -j2 >/dev/null
    mapfile -t shipped < <(find "$elements" -maxdepth 1 -type f \( -name '*.wasm' -o -name '*.js' \
                           -o -name '*.mjs' \) | sort)
    if [ ${#shipped[@]} -eq 0 ]; then
        echo "check-web: the elements built no WebAssembly or script to measure" >&2
        status=1
    else
        bytes=0
        for f in "${shipped[@]}"; do
            bytes=$((bytes + $(gzip -9 -c "$f" | wc -c)))
        done
        echo "check-web: the eight elements: $(((bytes + 1023) / 1024)) KB of WebAssembly and" \
             "script gzipped (${#shipped[@]} files; budget 300 KB)"
    fi
fi

exit $status
