#!/usr/bin/env bash
# Installs what is missing, builds everything (programs, tests, benchmarks) and runs
# the whole test suite headless. Usage: scripts/test.sh [default|asan] [ctest args...]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
preset=${1:-default}
shift || true
orvi_install_packages
if [[ -f "$ORVI_ROOT/tests/mcp/package-lock.json" ]]; then
    (cd "$ORVI_ROOT/tests/mcp" && npm ci --no-audit --no-fund --loglevel=error)
fi
orvi_build "$preset"
export QT_QPA_PLATFORM=offscreen
cd "$ORVI_ROOT"
ctest --preset "$preset" -j 2 "$@"
