#!/usr/bin/env bash
# The main job, end to end, on a sample product:
#   1. an installed version 1.0 of the product (its main program running);
#   2. version 2.0 published with tools/publish.py and served over loopback HTTP;
#   3. a silent check run downloads it and records it as pending;
#   4. an exec run stops the product, installs the update and starts it again.
# The flows run through tools' flow runner (the Updater's flows and start-up
# without the skinned window). Exits non-zero when the product is not at 2.0.
#   scripts/sample_update.sh [BUILD_DIR]
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
RUNNER=$BUILD/tools/corvane_flow_runner.exe
PRODUCT=$BUILD/tools/Corvane.exe
for f in "$RUNNER" "$PRODUCT"; do
    [ -f "$f" ] || { echo "missing $f: run scripts/setup.sh first" >&2; exit 1; }
done

source "$ROOT/scripts/wine-env.sh"
wine_env_start
WORK=$(mktemp -d /tmp/corvane-sample.XXXXXX)
# On every exit: the server is stopped first (its state, the pid file, lives
# in the work folder), then the product, then the work folder goes.
cleanup() {
    python3 "$ROOT/tests/support/http_server.py" stop "$WORK/http" || true
    wine_run taskkill /f /im Corvane.exe >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

say() { printf '\n== %s\n' "$*"; }

# How often the product has started: a line in started.log beside it each time.
starts() {
    local n
    n=$(grep -c started "$WORK/install/started.log" 2>/dev/null) || true
    echo "${n:-0}"
}

# Waits up to 30 s until the product has started $1 times.
wait_for_starts() {
    local _
    for _ in $(seq 150); do
        [ "$(starts)" -ge "$1" ] && return 0
        sleep 0.2
    done
    return 1
}

say "sample product 1.0 installed in $WORK/install"
mkdir -p "$WORK/install/data" "$WORK/v2/data/presets"
cp "$PRODUCT" "$RUNNER" "$WORK/install/"
printf 'Corvane 1.0\r\n' >"$WORK/install/data/version.txt"
head -c 300000 /dev/urandom >"$WORK/install/data/codecs.bin"
cp "$PRODUCT" "$WORK/v2/"
printf 'Corvane 2.0\r\n' >"$WORK/v2/data/version.txt"
head -c 400000 /dev/urandom >"$WORK/v2/data/codecs.bin"
printf '<preset name="web"/>\r\n' >"$WORK/v2/data/presets/web.xml"

say "publish version 2.0"
python3 "$ROOT/tools/publish.py" "$WORK/v2" corvane 2.0 -o "$WORK/out"
ls -l "$WORK/out"

say "serve it on 127.0.0.1"
python3 "$ROOT/tests/support/http_server.py" start "$WORK/http"
cp "$WORK/out/corvane-2.0.tar.xz" "$WORK/http/root/"
URI="http://127.0.0.1:$(cat "$WORK/http/port")"

# The product hands the Updater its manifest in the update folder.
APPDATA_UNIX=$(wine_cmd winepath -u "$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
USERDATA=$APPDATA_UNIX/Marlex/MarlexUpdate
rm -rf "$USERDATA"
mkdir -p "$USERDATA/update"
cp "$WORK/out/configure.xml" "$USERDATA/update/"

say "start the product"
(cd "$WORK/install" && wine_run Corvane.exe >/dev/null 2>&1 &)
if ! wait_for_starts 1; then
    echo "sample update FAILED: the product (Corvane.exe) did not start within 30 s" >&2
    exit 1
fi

say "check run (silent): download and record the pending update"
(cd "$WORK/install" && wine_run corvane_flow_runner.exe --checkUpdate --version 2.0 \
    --ParentProcessName Corvane.exe --uri "$URI")
echo "settings ($USERDATA/tavrin.ini):"
iconv -f GBK -t UTF-8 "$USERDATA/tavrin.ini" | tr -d '\r'

say "exec run: stop the product, install, start it again"
(cd "$WORK/install" && wine_run corvane_flow_runner.exe --execUpdate --ParentProcessName Corvane.exe)
if ! wait_for_starts 2; then
    echo "sample update: the exec run did not start the product again within 30 s" >&2
fi

say "update.log"
iconv -f GBK -t UTF-8 "$USERDATA/update.log" | tr -d '\r'

say "result"
status=0
for f in data/version.txt data/codecs.bin data/presets/web.xml Corvane.exe; do
    if cmp -s "$WORK/v2/$f" "$WORK/install/$f"; then
        echo "  up to date: $f"
    else
        echo "  NOT UPDATED: $f"
        status=1
    fi
done
started=$(starts)
echo "  product started $started times (once by hand, once by the exec run)"
[ "$started" -ge 2 ] || status=1
if [ $status -eq 0 ]; then
    echo "sample update: product updated from 1.0 to 2.0"
else
    echo "sample update FAILED" >&2
fi
exit $status
