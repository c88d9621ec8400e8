#!/usr/bin/env bash
# Prints the downloader's throughput over HTTPS against HTTP in one run: a
# file of 100 MB (or SIZE_MB) fetched by bench_download.exe of a build folder
# under the project's Wine prefix, from the loopback test server started here
# (its CA made for this run and trusted in the prefix); then the same file
# from nginx through a relay that drops the connection five times, with the
# bytes the server sent beside the file's size.
# Usage: scripts/bench_download.sh [build folder, default build] [runs] [SIZE_MB]
set -Eeuo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build=$ROOT/$build ;; esac
exe=$build/tests/engine/bench_download.exe
trust=$build/tools/corvane_trust_root.exe
for f in "$exe" "$trust"; do
    [ -f "$f" ] || { echo "missing $f: build the project first (cmake --build $build)" >&2; exit 1; }
done
source "$ROOT/scripts/wine-env.sh"
wine_env_start
work=$(mktemp -d /tmp/corvane-bench-download.XXXXXX)
trap 'python3 "$ROOT/tests/support/http_server.py" stop "$work/http"; rm -rf "$work"' EXIT

python3 "$ROOT/tests/support/http_server.py" start "$work/http" "Corvane Bench CA" >/dev/null
head -c "$(( ${3:-100} * 1000000 ))" /dev/urandom >"$work/http/root/bench.bin"
wine_run "$trust" "$(wine_cmd winepath -w "$work/http/tls/ca.crt")"
mkdir -p "$work/out"
http="http://127.0.0.1:$(cat "$work/http/port")/bench.bin"
https="https://localhost:$(awk '$1 == "trusted" { print $2 }' "$work/http/tls-ports")/bench.bin"
echo "download of $(( ${3:-100} )) MB on loopback, best of ${2:-3} runs each:"
relay="http://127.0.0.1:$(awk '$1 == "relay" { print $2 }' "$work/http/peers")"
"$ROOT/scripts/wine-run.sh" "$exe" "$http" "$https" "$(wine_cmd winepath -w "$work/out")" "${2:-3}" "$relay" bench.bin
