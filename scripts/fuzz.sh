#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang, the library and host instrumented for
# coverage and checked by AddressSanitizer and UndefinedBehaviorSanitizer, and runs each target
# for a fixed time from its seed corpus. Exits non-zero when a target crashes or fails to build.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
#   scripts/fuzz.sh [BUILD_DIR] [SECONDS_PER_TARGET]
#
# BUILD_DIR defaults to build-fuzz, SECONDS_PER_TARGET to 20; `scripts/fuzz.sh 600` runs each
# target for ten minutes. A crashing input is left in
# BUILD_DIR/fuzz-artifacts/ for a regression test to be made from it. EXTRA_CXXFLAGS in the
# environment is added to the compiler's flags.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    build_dir="$root/build-fuzz"
    seconds=$1
else
    build_dir=${1:-"$root/build-fuzz"}
    seconds=${2:-20}
fi
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSIVRA_FUZZ=ON -DTESSIVRA_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers ${EXTRA_CXXFLAGS:-}" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null

targets=()
for src in "$root"/fuzz/*_fuzzer.cpp; do
    targets+=("$(basename "$src" .cpp)")
done
cmake --build "$build_dir" --target "${targets[@]}" -- -j2

artifacts="$build_dir/fuzz-artifacts"
mkdir -p "$artifacts"
status=0
for target in "${targets[@]}"; do
    # The seeds in fuzz/corpus/<target> are read; new finds go to a scratch corpus beside them.
    corpus="$build_dir/fuzz-corpus/$target"
    mkdir -p "$corpus"
    seeds=()
    [[ -d "$root/fuzz/corpus/$target" ]] && seeds=("$root/fuzz/corpus/$target")
    echo "fuzz: $target for ${seconds}s"
    if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus" "${seeds[@]}" \
        >"$build_dir/fuzz-$target.log" 2>&1; then
        echo "fuzz: $target FAILED; see $build_dir/fuzz-$target.log and $artifacts" >&2
        grep -E "ERROR|SUMMARY|runtime error" "$build_dir/fuzz-$target.log" | head -n 5 >&2 || true
        status=1
    else
        grep -E "stat::number_of_executed_units" "$build_dir/fuzz-$target.log" || true
    fi
done
exit $status
