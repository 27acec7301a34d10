#!/usr/bin/env bash
# Builds Tessivra.ocx, the Windows in-process control server, for 32- and 64-bit Windows with
# mingw-w64, and proves it under Wine: registers it with regsvr32, runs the test container
# (hosts/win32/container/) and the VBScript and JScript checks, measures IDispatch::Invoke against
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

# Exports the classes root to AFTER and compares it with BEFORE; WHAT names the step.
same_registry() { # BEFORE AFTER WHAT
    wine reg export 'HKEY_CLASSES_ROOT' "$2" /y >/dev/null
    if cmp -s "$1" "$2"; then
        echo "check-win32: $3 left the registry as it was"
    else
        echo "check-win32: $3 left the registry changed:" >&2
        diff <(iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r') \
             <(iconv -f UTF-16LE -t UTF-8 "$2" | tr -d '\r') | head -n 40 >&2 || true
        status=1
    fi
}

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
    "$script_wine" "$system\\cscript.exe" //nologo "$(winepath -w "$root/hosts/win32/container/script_host.js" | tr -d '\r')" |
        tr -d '\r' | tee "$dir/script-js.log" || true
    grep -qE '^script-host-js: [0-9]+ passed, 0 failed$' "$dir/script-js.log" || {
        echo "check-win32: $arch: the JScript check failed" >&2
        status=1
    }

    wine "$system\\regsvr32.exe" /u /s "$win_ocx"
    same_registry "$dir/before.reg" "$dir/after.reg" "$arch: regsvr32 /u"
done

# Both builds registered at once, as on a 64-bit Windows with both installed. The two views of the
# registry keep the class keys apart but share the ProgId and type library keys: removing one
# build must leave the other working, and removing both must leave the registry as it was.
libid=$(grep -o 'libid = Guid::literal("{[0-9A-F-]*}")' "$root/framework/registry/library.h" |
    grep -o '{[^}]*}')
ocx32=$(winepath -w "$build_dir/i686/hosts/win32/server/Tessivra.ocx" | tr -d '\r')
ocx64=$(winepath -w "$build_dir/x86_64/hosts/win32/server/Tessivra.ocx" | tr -d '\r')
regsvr32=(wine 'C:\windows\syswow64\regsvr32.exe')
regsvr64=(wine 'C:\windows\system32\regsvr32.exe')
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
script_check() { # ARCH LOADER SYSTEM: the script host of one architecture, against its build
    "$2" "$3\\cscript.exe" //nologo "$(winepath -w "$root/hosts/win32/container/script_host.vbs" |
        tr -d '\r')" | tr -d '\r' >"$build_dir/both-$1.log" || true
    if grep -qE '^script-host: [0-9]+ passed, 0 failed$' "$build_dir/both-$1.log"; then
        echo "check-win32: both registered: the $1 build serves scripts alone"
    else
        echo "check-win32: both registered: the $1 build no longer serves scripts alone:" >&2
        tail -n 5 "$build_dir/both-$1.log" >&2
        status=1
    fi
}
typelib_paths() { # which architectures' paths the shared type library key holds
    wine reg query "HKCR\\TypeLib\\$libid" /s 2>/dev/null | tr -d '\r' |
        grep -oE '\\win(32|64)$' | tr -d '\\' | sort | tr '\n' ' '
}
wine reg export 'HKEY_CLASSES_ROOT' "$build_dir/before-both.reg" /y >/dev/null
"${regsvr32[@]}" /s "$ocx32"
"${regsvr64[@]}" /s "$ocx64"
"${regsvr32[@]}" /u /s "$ocx32"
script_check x86_64 "$wine64" 'C:\windows\system32'
[ "$(typelib_paths)" = "win64 " ] || {
    echo "check-win32: both registered: after removing the 32-bit build the type library" \
        "holds: $(typelib_paths)" >&2
    status=1
}
"${regsvr32[@]}" /s "$ocx32"
"${regsvr64[@]}" /u /s "$ocx64"
script_check i686 wine 'C:\windows\syswow64'
[ "$(typelib_paths)" = "win32 " ] || {
    echo "check-win32: both registered: after removing the 64-bit build the type library" \
        "holds: $(typelib_paths)" >&2
    status=1
}
"${regsvr32[@]}" /u /s "$ocx32"
same_registry "$build_dir/before-both.reg" "$build_dir/after-both.reg" "both registered: removing both"
exit $status
