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

# Wine's system IDL files and the OLE Automation type library, for widl.
idl_include=$(dirname "$(dpkg -L libwine-dev | grep '/oaidl\.idl$' | head -n 1)")
if [[ ! -f "$idl_include/oaidl.idl" ]]; then
    echo "check-win32-runtime: oaidl.idl not found (libwine-dev installed?)" >&2
    exit 1
fi

cases=$(winepath -w "$root/tests/runtime_cases.tsv")
for arch in i686 x86_64; do
    dir="$build_dir/$arch"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSIVRA_WIN32=ON \
        -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" -DTESSIVRA_WINEPREFIX="$WINEPREFIX" \
        >/dev/null
    cmake --build "$dir" --target tessivra_runtime_win32_cases tessivra_typelib \
        tessivra-typelib-check -- -j2 >/dev/null
    echo "check-win32-runtime: $arch: the runtime against tests/runtime_cases.tsv under Wine"
    wine "$dir/hosts/win32/runtime/tessivra_runtime_win32_cases.exe" "$cases" 2>&1 | tr -d '\r' |
        sed "s/^/  $arch: /"
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "check-win32-runtime: $arch: cases failed" >&2; exit 1; }

    echo "check-win32-runtime: $arch: Tessivra.tlb ($(stat -c %s "$dir/Tessivra.tlb") bytes) read back"
    out="$dir/typelib-check"
    mkdir -p "$out"
    typelib_dir="$dir/hosts/win32/typelib"
    wine "$typelib_dir/tessivra-typelib.exe" --idl "Z:$out/Tessivra.idl"
    wine_arch=$([ "$arch" = i686 ] && echo i386 || echo "$arch")
    stdole=$(find /usr/lib -path "*/$wine_arch-windows/stdole2.tlb" 2>/dev/null | head -n 1)
    [ -f "$stdole" ] || { echo "check-win32-runtime: no $wine_arch stdole2.tlb" >&2; exit 1; }
    "$arch-w64-mingw32-widl" -t -I"$idl_include" -L"$(dirname "$stdole")" -o "$out/widl.tlb" \
        "$out/Tessivra.idl"
    wine "$typelib_dir/tessivra-typelib-check.exe" "Z:$dir/Tessivra.tlb" "Z:$out/widl.tlb" 2>&1 |
        tr -d '\r' | sed "s/^/  $arch: /"
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "check-win32-runtime: $arch: type library differs" >&2; exit 1; }
    # The check must see what widl cannot write: its own library, taken as the one to check,
    # fails (event interfaces at version 0.0, without nonextensible, after their coclasses).
    if wine "$typelib_dir/tessivra-typelib-check.exe" "Z:$out/widl.tlb" "Z:$out/widl.tlb" \
        >"$out/widl-as-ours.txt" 2>&1; then
        echo "check-win32-runtime: $arch: the check passed widl's library as the exact one" >&2
        exit 1
    fi
    echo "  $arch: widl's library, checked as the exact one, fails as it must" \
        "($(grep -c '^DIFFERS' "$out/widl-as-ours.txt") differences shown)"
done
echo "check-win32-runtime: passed"
