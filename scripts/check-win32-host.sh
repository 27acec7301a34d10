#!/usr/bin/env bash
# Runs the control suites and the constituent contract suite over the Win32 host under Wine: the
# controls on real EDIT, STATIC, SCROLLBAR and BUTTON windows, typed into and clicked with window
# messages (hosts/win32/tests/, tests/driver/win32_driver.cpp), for 32- and 64-bit Windows.
#
#   scripts/check-win32-host.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-win32, the cross builds the other Windows checks use. Installs
# mingw-w64 and Wine (scripts/wine-setup.sh), GoogleTest's sources and the fonts Wine stands in
# with for the ones the controls name, when missing. Prints GoogleTest's summary for each
# architecture and exits non-zero on any failing case.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-win32"}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=scripts/wine-setup.sh
source "$root/scripts/wine-setup.sh" "$build_dir/wineprefix"
trap wine_stop EXIT

missing=()
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
dpkg -s fonts-liberation >/dev/null 2>&1 || missing+=(fonts-liberation)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The controls ask for Arial, MS Sans Serif and Courier New by name, and read the names back
# from the fonts they get. Wine has none of them; its replacements give their metric twins
# those names, as a Windows desktop has them.
for pair in "Arial=Liberation Sans" "MS Sans Serif=Liberation Sans" \
    "Courier New=Liberation Mono"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f \
        >/dev/null 2>&1
done
wineserver -w

# The pictures' generator runs on this machine, so it is built for this machine.
g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"

status=0
for arch in i686 x86_64; do
    dir="$build_dir/$arch"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSIVRA_WIN32=ON \
        -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" -DTESSIVRA_WINEPREFIX="$WINEPREFIX" \
        >/dev/null
    cmake --build "$dir" --target tessivra-win32-host-tests -- -j2 >/dev/null
    log="$dir/host-tests.log"
    set +e
    timeout 600 wine "$dir/hosts/win32/tests/tessivra-win32-host-tests.exe" 2>&1 | tr -d '\r' \
        >"$log"
    code=${PIPESTATUS[0]}
    set -e
    # GoogleTest's summary: the count run, passed, skipped and each failing case.
    summary='^\[==========\] [0-9]+ tests? from .* ran|^\[  PASSED  \] [0-9]|^\[  SKIPPED \] [0-9]'
    grep -E "$summary|^\[  FAILED  \]" "$log" | grep -vE 'ms\)$' |
        sed "s/^/check-win32-host: $arch: /" || true
    if [ "$code" -ne 0 ] || ! grep -qE '^\[  PASSED  \] [0-9]+ tests?\.' "$log"; then
        echo "check-win32-host: $arch: the suites failed (exit $code; see $log)" >&2
        status=1
    fi
done
exit $status
