# Shared set-up for scripts/run.sh and scripts/test.sh: installs the missing Debian
# packages listed in scripts/packages.txt, then configures and builds a CMake preset.
set -euo pipefail
ORVI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# "sudo" when not root, for the commands that change the system.
orvi_sudo=""
[[ $(id -u) -ne 0 ]] && orvi_sudo="sudo"

# Installs those of the named Debian packages that are missing.
orvi_install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    if ((${#missing[@]})); then
        echo "Installing Debian packages: ${missing[*]}"
        $orvi_sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $orvi_sudo apt-get install -y -qq "${missing[@]}"
    fi
}

orvi_install_packages() {
    local listed=()
    while read -r pkg; do
        [[ -z "$pkg" || "$pkg" == \#* ]] && continue
        listed+=("$pkg")
    done <"$ORVI_ROOT/scripts/packages.txt"
    orvi_install_missing "${listed[@]}"
    # Node.js runs the MCP client tests; a machine may already carry its own build.
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        DEBIAN_FRONTEND=noninteractive $orvi_sudo apt-get install -y -qq nodejs npm
    fi
}

orvi_build() {
    local preset=$1
    cmake --preset "$preset" -S "$ORVI_ROOT" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
}
