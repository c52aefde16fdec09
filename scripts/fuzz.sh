#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour checks; build/fuzz)
# and runs each on its seeds for a while. A crash, a sanitizer report or a hang fails the run;
# the input that caused it is kept in build/fuzz/artifacts. Inputs that reached new code are
# kept in build/fuzz/corpus and used again by the next run.
# Usage: scripts/fuzz.sh [seconds per target (60)] [target...]  e.g. scripts/fuzz.sh 600 video-open
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seconds=${1:-60}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(diagnostics-request mcp-message parameters-file analysis-json video-open)
fi
orvi_install_packages
cmake --preset fuzz -S "$ORVI_ROOT" >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

build="$ORVI_ROOT/build/fuzz"
mkdir -p "$build/artifacts"
export QT_QPA_PLATFORM=offscreen
# Qt's and the fonts' caches live as long as the process; they are not leaks of an input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
status=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: ${seconds} s"
    # A single input may take a second on a slow machine; ten means a hang.
    if ! "$build/bin/orvi-fuzz-$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$corpus" "$ORVI_ROOT/fuzz/corpus/$target" \
        >"$build/$target.log" 2>&1; then
        echo "!! $target failed; its log: build/fuzz/$target.log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$build/$target.log" | head -5 || true
        status=1
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov: ' "$build/$target.log" | tail -3
done
exit $status
