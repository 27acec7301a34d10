#!/usr/bin/env bash
# Shows that the core of the library, the framework and the controls, needs nothing but the C++
# standard library: every header those folders include is either one of their own or a standard
# C++ header, and the two targets compile for Windows with the mingw-w64 cross compiler, which
# has neither ICU nor POSIX, warnings as errors.
#
#   scripts/check-core-mingw.sh [BUILD_DIR]
#
# BUILD_DIR defaults to build-mingw. Installs the cross compiler (g++-mingw-w64-x86-64-win32)
# when it is missing. Exits non-zero on any failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$root/build-mingw"}
compiler=x86_64-w64-mingw32-g++-win32

if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "check-core: installing the mingw-w64 cross compiler"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq g++-mingw-w64-x86-64-win32 >/dev/null
fi

# The headers of the C++20 standard library, the C ones in their <cxxx> form included.
standard="algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar
cwctype deque exception execution expected filesystem format forward_list fstream functional
future initializer_list iomanip ios iosfwd iostream istream iterator latch limits list locale map
memory memory_resource mutex new numbers numeric optional ostream queue random ranges ratio regex
scoped_allocator semaphore set shared_mutex source_location span sstream stack stdexcept
stop_token streambuf string string_view strstream syncstream system_error thread tuple
type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant vector
version"

status=0
cd "$root"
while IFS= read -r line; do
    file=${line%%:*}
    header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*[<"]([^>"]*)[>"].*/\1/' <<<"${line#*:}")
    case "${line#*:}" in
    *'"'*)
        # A project header, named from the top of the tree, of the file's own layer or below.
        layer=${file%%/*}
        case "$header" in
        framework/*) ;;
        controls/*) [ "$layer" = controls ] || { echo "check-core: $file includes $header, a layer above it" >&2; status=1; } ;;
        *) echo "check-core: $file includes \"$header\", outside the core" >&2; status=1 ;;
        esac
        ;;
    *)
        if ! grep -qw -- "$header" <<<"$standard" || [[ "$header" == */* || "$header" == *.h ]]; then
            echo "check-core: $file includes <$header>, not a standard C++ header" >&2
            status=1
        fi
        ;;
    esac
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' framework controls --include='*.h' --include='*.cpp' |
         sed -E 's/^([^:]*):[0-9]+:/\1:/')
[ $status -eq 0 ] || exit $status
echo "check-core: framework/ and controls/ include only their own and standard C++ headers"

# The pictures' generator runs on this machine, so it is built for this machine.
mkdir -p "$build_dir"
g++ -std=c++20 -O1 -o "$build_dir/tessivra-resgen" "$root/resources/generator/resgen.cpp"

cmake -S "$root" -B "$build_dir/core" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DTESSIVRA_CORE_ONLY=ON -DTESSIVRA_RESGEN="$build_dir/tessivra-resgen" >/dev/null
cmake --build "$build_dir/core" --target tessivra_framework tessivra_controls -- -j2
for lib in framework controls; do
    file=$(find "$build_dir/core" -name "libtessivra_$lib.a" | head -n 1)
    [ -n "$file" ] || { echo "check-core: libtessivra_$lib.a was not built" >&2; exit 1; }
    echo "check-core: $(basename "$file") built for Windows ($(stat -c %s "$file") bytes)"
done
