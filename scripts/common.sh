# Shared set-up for scripts/run.sh and scripts/test.sh: installs the missing Debian
# packages listed in scripts/packages.txt, then configures and builds a CMake preset.
set -euo pipefail
ORVI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

orvi_install_packages() {
    local missing=()
    while read -r pkg; do
        [[ -z "$pkg" || "$pkg" == \#* ]] && continue
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done <"$ORVI_ROOT/scripts/packages.txt"
    if ((${#missing[@]})); then
        echo "Installing Debian packages: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
    # Node.js runs the MCP client tests; a machine may already carry its own build.
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        DEBIAN_FRONTEND=noninteractive ${sudo:-} apt-get install -y -qq nodejs npm
    fi
}

orvi_build() {
    local preset=$1
    cmake --preset "$preset" -S "$ORVI_ROOT" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
}
