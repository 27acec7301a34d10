#!/usr/bin/env bash
# Builds Tessivra.ocx, the Windows in-process control server, with mingw-w64.
#
#   scripts/build-ocx.sh [i686|x86_64] [BUILD_DIR]
#
# The architecture defaults to i686 (32-bit Windows), BUILD_DIR to build-ocx. Installs mingw-w64
# and Wine when missing: the resource script is written by a small program of the build run
# under Wine. Prints the path of the file built.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
case "$arch" in
i686 | x86_64) ;;
*)
    echo "usage: $0 [i686|x86_64] [BUILD_DIR]" >&2
    exit 2
    ;;
esac
build_dir=${2:-"$root/build-ocx"}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=scripts/wine-setup.sh
source "$root/scripts/wine-setup.sh" "$build_dir/wineprefix"
trap wine_stop EXIT

g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"
cmake -S "$root" -B "$build_dir/$arch" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSIVRA_WIN32=ON \
    -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir/$arch" --target tessivra_server -- -j2 >/dev/null
echo "$build_dir/$arch/hosts/win32/server/Tessivra.ocx"
