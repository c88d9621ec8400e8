#!/usr/bin/env bash
# The main job, end to end, with the real CorvaneUpdater.exe on a sample
# product:
#   1. an installed version 1.0 of the product (its main program running),
#      the Updater beside it with its skin;
#   2. version 2.0 published with tools/publish.py, its manifest signed with
#      the sample's own manifest key (made once in BUILD_DIR/sample-key, never
#      anywhere else; its public half is built into the sample's copy of the
#      Updater, which takes signed manifests only), and served over loopback
#      HTTPS (slowly, so that the download can be watched), with a certificate
#      of a sample CA made for this run and trusted in the Wine prefix;
#   3. a silent check run downloads it, records it as pending and stages it
#      (unpacked and checked while the product runs);
#   4. an exec run stops the product, swaps in the staged files and starts it
#      again;
#   5. a force run downloads version 3.0 as a delta from 2.0 (published
#      beside the full package), builds the changed files from the installed
#      ones while the product runs, then stops it, installs at once and starts
#      it again.
# The runs take place in a Wine desktop (with a taskbar showing the tray icon
# and its balloon). During the check run the script takes screenshots of the
# tray balloon, the tray menu and the shown window mid-download into
# BUILD_DIR/screenshots/, so a run leaves the work tree as it was;
# CORVANE_SCREENSHOTS=docs/screenshots refreshes the README's pictures, an
# empty value takes none. It prints
# the log and exits non-zero when the product does not end at 3.0 or the
# force run did not take the delta.
#   scripts/sample_update.sh [BUILD_DIR]
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
UPDATER=$BUILD/app/CorvaneUpdater.exe
SKIN=$BUILD/app/skin/update.zip
# CORVANE_SAMPLE_PRODUCT: the product's program from another build, such as a
# 64-bit one that a 32-bit Updater stops and starts.
PRODUCT=${CORVANE_SAMPLE_PRODUCT:-$BUILD/tools/Corvane.exe}
POKE=$BUILD/tools/corvane_window_poke.exe
TRUST=$BUILD/tools/corvane_trust_root.exe
KEY_RESOURCE=$BUILD/tools/corvane_key_resource.exe
KEY_DIR=$BUILD/sample-key
SHOTS=${CORVANE_SCREENSHOTS-$BUILD/screenshots}
# A relative folder is one of the work tree.
case $SHOTS in "" | /*) ;; *) SHOTS=$ROOT/$SHOTS ;; esac
DESKTOP=corvane
for f in "$UPDATER" "$SKIN" "$PRODUCT" "$POKE" "$TRUST" "$KEY_RESOURCE"; do
    [ -f "$f" ] || { echo "missing $f: run scripts/setup.sh first" >&2; exit 1; }
done

source "$ROOT/scripts/wine-env.sh"
wine_env_start
WORK=$(mktemp -d /tmp/corvane-sample.XXXXXX)
LOG_SHOWN=""
# On every exit: a failed run's log is shown; the server is stopped first
# (its state, the pid file, lives in the work folder), then the Updater and
# the product, then the work folder goes.
cleanup() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -z "$LOG_SHOWN" ] && [ -f "${USERDATA:-}/update.log" ]; then
        printf '\n== update.log, up to the failure\n'
        iconv -f GBK -t UTF-8 "$USERDATA/update.log" | tr -d '\r' || true
    fi
    python3 "$ROOT/tests/support/http_server.py" stop "$WORK/http" || true
    wine_run taskkill /f /im CorvaneUpdater.exe >/dev/null 2>&1 || true
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

# The poke tool on the windows of the Updater's desktop.
poke() {
    wine_run "$POKE" --desktop "$DESKTOP" "$@" 2>/dev/null | tr -d '\r'
}

# Starts the Updater in the install folder inside the Wine desktop.
start_updater() {
    (cd "$WORK/install" && wine_run explorer "/desktop=$DESKTOP,1024x768" CorvaneUpdater.exe "$@" \
        >/dev/null 2>&1 &)
    poke wait 60 || { echo "the Updater's window did not appear" >&2; return 1; }
}

# Waits for the end of the run (its window goes with the process).
wait_for_updater() {
    poke gone 300 || { echo "the Updater did not end within 5 minutes" >&2; return 1; }
}

# A screenshot of the Wine desktop, cropped to WxH+X+Y (desktop coordinates).
SHOT_WINDOW=""
screenshot() {
    local name=$1 crop=$2
    [ -n "$SHOTS" ] || return 0
    if [ -z "$SHOT_WINDOW" ]; then
        SHOT_WINDOW=$(xdotool search --name "$DESKTOP - Wine desktop" 2>/dev/null | head -n 1) || true
    fi
    mkdir -p "$SHOTS"
    if /usr/bin/import -window "${SHOT_WINDOW:-root}" "$WORK/shot.png" &&
        /usr/bin/convert "$WORK/shot.png" -crop "$crop" +repage -strip "$SHOTS/$name"; then
        echo "  screenshot: $SHOTS/$name"
    else
        echo "  screenshot $name could not be taken" >&2
    fi
}

# The check run as a user sees it, while it downloads: the tray balloon, the
# window shown by a click on the icon, the tray menu. Fails as soon as the
# run has ended, which a slow machine's download may do before all of this.
look_at_check_run() {
    local work_right work_bottom left top right bottom
    read -r _ _ work_right work_bottom < <(poke workarea) || return 1
    poke balloon 20 || echo "  no balloon on the screen" >&2
    sleep 0.5
    screenshot tray-balloon.png "360x120+$((1024 - 360))+$((768 - 120))"
    poke show || return 1
    sleep 1.5
    read -r left top right bottom < <(poke rect) || return 1
    screenshot update-window.png "$((right - left + 32))x$((bottom - top + 32))+$((left - 16))+$((top - 16))"
    # Once the balloon is gone: the menu opens at the cursor, here just above
    # the tray, and the mouse then rests on its first item.
    sleep 10
    poke menu $((work_right - 30)) $((work_bottom - 4)) || return 1
    sleep 0.5
    poke hover $((work_right - 100)) $((work_bottom - 56)) || return 1
    sleep 0.5
    screenshot tray-menu.png "240x120+$((1024 - 240))+$((768 - 120))"
}

say "sample product 1.0 installed in $WORK/install"
mkdir -p "$WORK/install/data" "$WORK/install/skin" "$WORK/v2/data/presets" "$WORK/v3/data/presets"
cp "$PRODUCT" "$UPDATER" "$WORK/install/"
cp "$SKIN" "$WORK/install/skin/"
printf 'Corvane 1.0\r\n' >"$WORK/install/data/version.txt"
head -c 300000 /dev/urandom >"$WORK/install/data/codecs.bin"
cp "$PRODUCT" "$WORK/v2/"
printf 'Corvane 2.0\r\n' >"$WORK/v2/data/version.txt"
head -c 400000 /dev/urandom >"$WORK/v2/data/codecs.bin"
printf '<preset name="web"/>\r\n' >"$WORK/v2/data/presets/web.xml"
cp -r "$WORK/v2/." "$WORK/v3/"
printf 'Corvane 3.0\r\n' >"$WORK/v3/data/version.txt"
# A small fix in the codecs: 3.0 carries it as a patch against 2.0's copy.
printf 'codec fix 3.0' | dd of="$WORK/v3/data/codecs.bin" bs=1 seek=123456 conv=notrunc status=none
printf '<preset name="mobile"/>\r\n' >"$WORK/v3/data/presets/mobile.xml"

say "the sample's manifest key, built into its Updater"
if [ ! -f "$KEY_DIR/sample.pem" ]; then
    mkdir -p "$KEY_DIR"
    python3 "$ROOT/tools/manifest_key.py" new "$KEY_DIR/sample.pem" >"$KEY_DIR/keys.txt"
fi
cat "$KEY_DIR/keys.txt"
wine_run "$KEY_RESOURCE" "$(wine_cmd winepath -w "$WORK/install/CorvaneUpdater.exe")" \
    "$(wine_cmd winepath -w "$KEY_DIR/keys.txt")"

say "publish versions 2.0 and 3.0, signed"
python3 "$ROOT/tools/publish.py" "$WORK/v2" corvane 2.0 -o "$WORK/out2" --key "$KEY_DIR/sample.pem"
python3 "$ROOT/tools/publish.py" "$WORK/v3" corvane 3.0 -o "$WORK/out3" --key "$KEY_DIR/sample.pem" \
    --base "$WORK/v2" 2.0
ls -l "$WORK/out2" "$WORK/out3"

say "serve them over HTTPS on localhost, with a sample CA trusted in the Wine prefix"
python3 "$ROOT/tests/support/http_server.py" start "$WORK/http" "Corvane Sample CA"
cp "$WORK/out2/corvane-2.0.tar.xz" "$WORK/out3/corvane-3.0.tar.xz" "$WORK/out3/corvane-3.0-from-2.0.tar.xz" \
    "$WORK/http/root/"
wine_run "$TRUST" "$(wine_cmd winepath -w "$WORK/http/tls/ca.crt")"
URI="https://localhost:$(awk '$1 == "trusted" { print $2 }' "$WORK/http/tls-ports")"
# The check run's download at 30 KB/s: some seconds to look at.
SLOW_URI="$URI/slow/30000"

# The product hands the Updater its manifest and signature in the update folder.
APPDATA_UNIX=$(wine_cmd winepath -u "$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
USERDATA=$APPDATA_UNIX/Marlex/MarlexUpdate
rm -rf "$USERDATA"
mkdir -p "$USERDATA/update"
cp "$WORK/out2/configure.xml" "$WORK/out2/configure.xml.sig" "$USERDATA/update/"

say "start the product"
(cd "$WORK/install" && wine_run Corvane.exe >/dev/null 2>&1 &)
if ! wait_for_starts 1; then
    echo "sample update FAILED: the product (Corvane.exe) did not start within 30 s" >&2
    exit 1
fi

say "check run (silent): download, record and stage the pending update"
start_updater --checkUpdate --version 2.0 --ParentProcessName Corvane.exe --uri "$SLOW_URI"
look_at_check_run || echo "  the check run ended before all of it could be looked at (a slow machine): screenshots missing" >&2
wait_for_updater
echo "settings ($USERDATA/tavrin.ini):"
iconv -f GBK -t UTF-8 "$USERDATA/tavrin.ini" | tr -d '\r'

say "exec run: stop the product, swap in the staged files, start it again"
start_updater --execUpdate --ParentProcessName Corvane.exe
wait_for_updater
if ! wait_for_starts 2; then
    echo "sample update: the exec run did not start the product again within 30 s" >&2
fi

say "force run: download the delta from 2.0 to 3.0 and build 3.0 from it, then stop the product, install, start it again"
mkdir -p "$USERDATA/update"
cp "$WORK/out3/configure.xml" "$WORK/out3/configure.xml.sig" "$USERDATA/update/"
start_updater --checkUpdate --version 3.0 --ParentProcessName Corvane.exe --uri "$URI" --force 1
wait_for_updater
if ! wait_for_starts 3; then
    echo "sample update: the force run did not start the product again within 30 s" >&2
fi

say "update.log"
iconv -f GBK -t UTF-8 "$USERDATA/update.log" | tr -d '\r'
LOG_SHOWN=1

say "result"
status=0
for f in data/version.txt data/codecs.bin data/presets/web.xml data/presets/mobile.xml Corvane.exe; do
    if cmp -s "$WORK/v3/$f" "$WORK/install/$f"; then
        echo "  up to date: $f"
    else
        echo "  NOT UPDATED: $f"
        status=1
    fi
done
if grep -q 'corvane-3.0-from-2.0.tar.xz: ' "$USERDATA/update.log" && ! grep -q '^\[.*\]  delta: ' "$USERDATA/update.log"; then
    echo "  3.0 came as the delta from 2.0 ($(stat -c %s "$WORK/out3/corvane-3.0-from-2.0.tar.xz") bytes against $(stat -c %s "$WORK/out3/corvane-3.0.tar.xz") of the full package)"
else
    echo "  3.0 DID NOT COME AS THE DELTA"
    status=1
fi
# Signed all the way: each run took its manifest as signed by the sample's
# key (the check, exec and force runs), none unchecked or refused.
signed=$(grep -c "\]  manifest: .* signed by the key $(awk '/^# corvane manifest key/ { print $5 }' "$KEY_DIR/keys.txt")\." \
    "$USERDATA/update.log") || true
echo "  manifests taken as signed by the sample's key: $signed"
if [ "$signed" -lt 3 ] || grep -aE "\]  manifest: .*(refused|without a signature check)" "$USERDATA/update.log"; then
    echo "  a manifest was refused or not checked"
    status=1
fi
started=$(starts)
echo "  product started $started times (once by hand, once by the exec run, once by the force run)"
[ "$started" -ge 3 ] || status=1
if [ $status -eq 0 ]; then
    echo "sample update: product updated from 1.0 to 2.0 and then to 3.0"
else
    echo "sample update FAILED" >&2
fi
exit $status
