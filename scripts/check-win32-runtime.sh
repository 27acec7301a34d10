#!/usr/bin/env bash
# Builds the Win32 runtime for 32-bit and 64-bit Windows with mingw-w64 and runs the table of
# runtime cases on it under Wine; then builds the type library with the system's own type-library
# writer (run under Wine) and checks it, read back through the automation library, against the
# class tables and against what widl makes of the generated interface description.
#
#   scripts/check-win32-runtime.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-win32 (one cross build per architecture under it). Installs the
# cross compilers and Wine when missing (scripts/wine-setup.sh). Exits non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-win32"}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=wine-setup.sh
source "$root/scripts/wine-setup.sh" "$build_dir/wineprefix"
trap wine_stop EXIT

# The pictures' generator runs on this machine, so it is built for this machine.
g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"

cases=$(winepath -w "$root/tests/runtime_cases.tsv")
for arch in i686 x86_64; do
    dir="$build_dir/$arch"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSIVRA_WIN32=ON \
        -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" -DTESSIVRA_WINEPREFIX="$WINEPREFIX" \
        >/dev/null
    cmake --build "$dir" --target tessivra_runtime_win32_cases -- -j2 >/dev/null
    echo "check-win32-runtime: $arch: the runtime against tests/runtime_cases.tsv under Wine"
    wine "$dir/hosts/win32/runtime/tessivra_runtime_win32_cases.exe" "$cases" 2>&1 | tr -d '\r' |
        sed "s/^/  $arch: /"
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "check-win32-runtime: $arch: cases failed" >&2; exit 1; }
done
echo "check-win32-runtime: passed"
