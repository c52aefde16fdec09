#!/usr/bin/env bash
# The responsiveness and speed figures of a two-core machine in one run: the machine's own
# stalls under plain helper processes (orvi-tool-machine-stalls), playback lag, seek
# latency, preview time and the interface thread's longest stall (orvi-tool-playback-preview),
# motion core throughput with one and two workers (orvi-tool-motion-throughput) and the
# spectrum analysis against decoding alone (orvi-bench-spectrum-analysis). Every tool prints
# the load average beside its figures; --loaded runs them beside two busy processes.
#
# usage: bench/two-core-figures.sh [--loaded] [BUILD_DIR]   (default build/default)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
loaded=0
if [[ ${1:-} == --loaded ]]; then
    loaded=1
    shift
fi
bin=${1:-$root/build/default}/bin
for tool in orvi-tool-machine-stalls orvi-tool-playback-preview orvi-tool-motion-throughput \
    orvi-bench-spectrum-analysis; do
    [[ -x $bin/$tool ]] || { echo "missing $bin/$tool: build the default preset first" >&2; exit 1; }
done

# Runs and folders of their own, so a running program elsewhere is not disturbed.
scratch=$(mktemp -d)
export XDG_RUNTIME_DIR=$scratch/run TMPDIR=$scratch/tmp QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -m700 "$XDG_RUNTIME_DIR" "$TMPDIR"

busy=()
stop_busy() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap stop_busy EXIT
if ((loaded)); then
    for _ in 1 2; do
        bash -c 'while :; do :; done' &
        busy+=($!)
    done
    echo "beside ${#busy[@]} busy processes"
fi

echo "== $(date -u +%FT%TZ) on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== the machine's own stalls, for comparing the interface stalls with"
"$bin/orvi-tool-machine-stalls" 6
echo "== playback, seeks, preview and interface stalls"
"$bin/orvi-tool-playback-preview" 3
echo "== motion core, 1080p full frame"
"$bin/orvi-tool-motion-throughput" --frames 96 --runs 5 --workers 1,2
echo "== spectrum analysis against decoding alone"
"$bin/orvi-bench-spectrum-analysis"
