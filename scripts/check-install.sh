#!/usr/bin/env bash
# Shows that Tessivra installs as a library people use: `cmake --install` into a temporary
# prefix, then the example programs (examples/CMakeLists.txt), copied out of the source tree,
# are configured with find_package(Tessivra) against that prefix alone and built (headless-form
# and qt-form, which needs Tessivra::qt), and one is built again from the pkg-config file. Nothing of the source or build tree may be named by
# their compile lines.
#
#   scripts/check-install.sh [BUILD_DIR]
#
# BUILD_DIR (default: build) is configured and built when it is not there yet.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${1:-"$root/build"}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$root/scripts/install-deps.sh"
# The Qt host is part of the package, and examples/qt-form is built against it.
bash "$root/scripts/install-qt-deps.sh"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# A build directory configured before Qt was there has the Qt host switched off: on again.
cmake -S "$root" -B "$build_dir" -DTESSIVRA_QT=ON >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

prefix="$work/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
echo "check-install: installed into a temporary prefix:"
(cd "$prefix" && find . -maxdepth 4 \( -name '*.a' -o -name '*.pc' -o -name 'TessivraConfig.cmake' \) | sort | sed 's/^/  /')

# The examples are copied out, so that neither their sources nor their build can reach the tree.
src="$work/examples"
mkdir -p "$src"
cp "$root/examples/CMakeLists.txt" "$src/"
for d in "$root"/examples/*/; do
  [ -f "$d/main.cpp" ] && cp -r "$d" "$src/"
done
cmake -S "$src" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j"$(nproc)"
if grep -q -e "$root" -e "$build_dir" "$work/build/compile_commands.json"; then
  echo "check-install: the examples' compile lines name the source or build tree" >&2
  exit 1
fi
"$work/build/headless-form"
if [ ! -x "$work/build/qt-form" ]; then
  echo "check-install: the installed package has no Tessivra::qt" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen "$work/build/qt-form" --quit

# The same program from the pkg-config file.
pcdir=$(dirname "$(find "$prefix" -name tessivra.pc | head -n 1)")
g++ -o "$work/headless-form-pc" "$src/headless-form/main.cpp" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs tessivra)
"$work/headless-form-pc" >/dev/null
echo "check-install: the examples build and run against the installed package"
