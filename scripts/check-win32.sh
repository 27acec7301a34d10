#!/usr/bin/env bash
# Builds Tessivra.ocx, the Windows in-process control server, for 32- and 64-bit Windows with
# mingw-w64, and proves it under Wine: registers it with regsvr32, runs the test container
# (hosts/win32/container/) and the script-host check, measures IDispatch::Invoke against
# DispInvoke once, unregisters it and checks that the registry is as it was before.
#
#   scripts/check-win32.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-win32. Installs mingw-w64 and Wine when missing
# (scripts/wine-setup.sh). Exits non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-win32"}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=scripts/wine-setup.sh
source "$root/scripts/wine-setup.sh" "$build_dir/wineprefix"
trap wine_stop EXIT

# The pictures' generator runs on this machine, so it is built for this machine.
g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"

status=0
for arch in i686 x86_64; do
    dir="$build_dir/$arch"
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTESSIVRA_WIN32=ON \
        -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" -DTESSIVRA_WINEPREFIX="$WINEPREFIX" \
        >/dev/null
    cmake --build "$dir" --target tessivra_server tessivra-container -- -j2 >/dev/null
    ocx="$dir/hosts/win32/server/Tessivra.ocx"
    container="$dir/hosts/win32/container/tessivra-container.exe"
    win_ocx=$(winepath -w "$ocx" | tr -d '\r')
    # Debian's `wine` starts a program named by its Windows path with the 32-bit loader, which
    # takes the 32-bit script host even from system32; the 64-bit one needs the 64-bit loader.
    if [ "$arch" = i686 ]; then
        system='C:\windows\syswow64'
        script_wine=wine
    else
        system='C:\windows\system32'
        script_wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
    fi
    echo "check-win32: $arch: $(stat -c %s "$ocx") bytes"

    # A run stopped half-way may have left a registration; the comparison starts from none.
    wine "$system\\regsvr32.exe" /u /s "$win_ocx" || true
    # The script host registers its own type library the first time it runs; run it once with
    # nothing to do, so that what it writes is in the registry before the comparison starts.
    : >"$dir/empty.vbs"
    "$script_wine" "$system\\cscript.exe" //nologo "$(winepath -w "$dir/empty.vbs" | tr -d '\r')" \
        >/dev/null 2>&1 || true
    wine reg export 'HKEY_CLASSES_ROOT' "$dir/before.reg" /y >/dev/null
    wine "$system\\regsvr32.exe" /s "$win_ocx"

    wine "$container" "$win_ocx" | tr -d '\r' | tee "$dir/container.log" || true
    grep -qE '^[0-9]+ passed, 0 failed$' "$dir/container.log" || {
        echo "check-win32: $arch: the test container failed" >&2
        status=1
    }
    wine "$container" "$win_ocx" --bench | tr -d '\r' | sed "s/^/check-win32: $arch: /"

    "$script_wine" "$system\\cscript.exe" //nologo "$(winepath -w "$root/hosts/win32/container/script_host.vbs" | tr -d '\r')" |
        tr -d '\r' | tee "$dir/script.log" || true
    grep -qE '^script-host: [0-9]+ passed, 0 failed$' "$dir/script.log" || {
        echo "check-win32: $arch: the script-host check failed" >&2
        status=1
    }

    wine "$system\\regsvr32.exe" /u /s "$win_ocx"
    wine reg export 'HKEY_CLASSES_ROOT' "$dir/after.reg" /y >/dev/null
    if cmp -s "$dir/before.reg" "$dir/after.reg"; then
        echo "check-win32: $arch: regsvr32 /u left the registry as it was"
    else
        echo "check-win32: $arch: regsvr32 /u left the registry changed:" >&2
        diff <(iconv -f UTF-16LE -t UTF-8 "$dir/before.reg" | tr -d '\r') \
             <(iconv -f UTF-16LE -t UTF-8 "$dir/after.reg" | tr -d '\r') | head -n 40 >&2 || true
        status=1
    fi
done
exit $status
