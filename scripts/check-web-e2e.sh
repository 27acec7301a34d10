#!/usr/bin/env bash
# The web host and its custom elements in a real browser: builds them with Emscripten, runs the
# host's tests in headless Chromium ("N passed, M failed"), then the end-to-end check over the
# DevTools protocol (trusted keys into the elements, a bad MailText, the currency layout, a
# screenshot of each element checked at known points), then reports the size and keystroke
# budgets.
#
#   scripts/check-web-e2e.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-web; the screenshots go to BUILD_DIR/e2e-shots. Installs Emscripten,
# Chromium and the fonts when they are missing. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-web"}

packages=(emscripten chromium fonts-dejavu-core python3 libgtest-dev g++ cmake)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "check-web-e2e: installing ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

bash "$root/scripts/check-web-host.sh" "$build_dir"

# The elements need the browser runtime; a tree without it stops after the host's tests.
if [ ! -f "$root/hosts/web/runtime/CMakeLists.txt" ]; then
    echo "check-web-e2e: no browser runtime in this tree; the elements are not built"
    exit 0
fi
bash "$root/scripts/build-web-page.sh" "$build_dir" >/dev/null
pages="$build_dir/hosts/web/elements"
timeout 300 python3 "$root/hosts/web/elements/e2e/check_elements.py" "$pages" "$build_dir/e2e-shots"
timeout 300 python3 "$root/bench/web/budgets.py" "$pages"
echo "check-web-e2e: passed"
