#!/usr/bin/env bash
# Builds the Debian package of orvi-motion from build/default and checks it with the desktop
# entry and metadata validators and lintian. Usage: scripts/package.sh [--check]
# With --check (CI) it then installs the package on this machine with dpkg, runs the installed
# programs (the window headless on the sample clip, reached through the installed bridge),
# purges the package and checks that nothing it installed stays behind.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orvi_install_packages
orvi_install_missing dpkg-dev file lintian desktop-file-utils appstream
orvi_build default

build="$ORVI_ROOT/build/default"
rm -f "$build"/orvi-motion_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/orvi-motion_*_amd64.deb)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends

desktop-file-validate "$build"/packaging/*.desktop
appstreamcli validate --no-net "$build"/packaging/*.metainfo.xml
# Errors fail; the warnings that remain are explained in the README's Install section.
lintian --fail-on error --info "$deb"

[[ "${1:-}" == "--check" ]] || exit 0

work=$(mktemp -d)
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The dependencies through apt, the package itself through dpkg, as a user would.
$orvi_sudo apt-get satisfy -y -qq "$(dpkg-deb --field "$deb" Depends)"
$orvi_sudo dpkg -i "$deb"
dpkg-query --listfiles orvi-motion >"$work/files"
# File managers offer the program for videos through the desktop database.
desktop_entry=$(basename "$build"/packaging/*.desktop)
grep -q "^video/mp4=.*$desktop_entry" /usr/share/applications/mimeinfo.cache

# Run from elsewhere with a private home: nothing may come from the build or source folders,
# and the bridge must find the instance with the reduced environment hosts give it.
cd "$work"
export HOME="$work" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$XDG_RUNTIME_DIR"
/usr/bin/orvi-motion --version
/usr/bin/orvi-motion-mcp --print-config | python3 -c '
import json, sys
server = json.load(sys.stdin)["mcpServers"]["orvi-motion"]
assert server["command"] == "/usr/bin/orvi-motion-mcp", server'
/usr/bin/orvi-motion --licenses >"$work/licences"
grep -q "GNU General Public License" "$work/licences"

/usr/bin/orvi-motion --mcp-debug /usr/share/orvi-motion/samples/orvi-sample-240fps.mp4 \
    >"$work/app.log" 2>&1 &
app_pid=$!
request='{"jsonrpc":"2.0","id":1,"method":"tools/call","params":{"_meta":{
"io.modelcontextprotocol/protocolVersion":"2026-07-28",
"io.modelcontextprotocol/clientCapabilities":{}},"name":"orvi_get_snapshot","arguments":{}}}'
state=""
for _ in $(seq 60); do
    state=$(echo "$request" | tr -d '\n' | env -i HOME="$HOME" PATH=/usr/bin:/bin \
        /usr/bin/orvi-motion-mcp | python3 -c '
import json, sys
result = json.loads(sys.stdin.readline())["result"]
print(result["structuredContent"].get("source", {}).get("state", "no instance"))')
    [[ "$state" == "ready" || "$state" == "failed" ]] && break
    sleep 1
done
kill -TERM "$app_pid"
wait "$app_pid" || { cat "$work/app.log"; exit 1; }
app_pid=""
if [[ "$state" != "ready" ]]; then
    echo "The installed program did not get the sample clip ready (state: $state)" >&2
    cat "$work/app.log" >&2
    exit 1
fi
echo "The installed program opened the sample clip: $state"

# The batch program as the container image runs it: installed, no display, the sample clip.
/usr/bin/orvi-motion-batch analyse --capture-rate 240 --exports pdf,json --plain \
    -o "$work/batch" /usr/share/orvi-motion/samples/orvi-sample-240fps.mp4
python3 -c '
import json, sys
row = json.load(open(sys.argv[1]))["rows"][0]
assert row["status"] == "ok" and row["candidates"], row' "$work/batch/summary.json"
echo "The installed batch program analysed the sample clip."

cd /
$orvi_sudo dpkg --purge orvi-motion
left=()
while read -r path; do
    if [[ -e "$path" && ! -d "$path" ]]; then left+=("$path"); fi
done <"$work/files"
for dir in /usr/share/orvi-motion /usr/share/doc/orvi-motion; do
    if [[ -e "$dir" ]]; then left+=("$dir"); fi
done
if grep -qs orvi /usr/share/applications/mimeinfo.cache; then
    left+=("the desktop database in /usr/share/applications/mimeinfo.cache")
fi
if ((${#left[@]})); then
    printf 'Left behind after the purge: %s\n' "${left[@]}" >&2
    exit 1
fi
echo "Installed, ran and purged without leftovers."
