#!/usr/bin/env bash
# Benchmark of what a product's users feel of an update: the time the product
# is closed. The real CorvaneUpdater.exe runs against a running sample
# product over an installed older version, with version 2.0 (about 200 MB in
# about 2000 files, tools/publish.py in blocks of 8 MB, and the same tar in a
# single block) served over loopback HTTP. It prints, for each package kind,
#   - the exec run's downtime after a silent check run, as it is (the check
#     run may have staged the update) and with the staging marker
#     staged.ok removed (the exec run unpacks the package itself);
#   - a force run whose download is slow (about 15 s): its downtime and the
#     time until the product is stopped, against the download's duration;
#   - a force run whose download fails: whether the product was stopped;
#   - an exec run with nothing pending: the fixed cost of the stop and start;
# and checks after each installing run that the install folder holds exactly
# the new version's bytes. Last, the two renames per file that an exec run
# from a staged tree makes, alone, for as many files (bench_install.exe).
# Usage: scripts/bench_downtime.sh [BUILD_DIR] [SIZE_MB] [REPEAT] [BASELINE_EXE]
# (the build must hold bench_downtime.exe; SIZE_MB, default 200, makes a
# smaller package; each figure is the best of REPEAT runs, default 1;
# BASELINE_EXE, another CorvaneUpdater.exe, is measured in the same runs,
# "before" beside the build's "after"). It runs in the Wine
# prefix of WINEPREFIX and uses its profile's update folder: while tests run
# in the project's prefix, give it a copy of its own.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE_MB=${2:-200}
REPEAT=${3:-1}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BENCH=$BUILD/tests/app_updater/bench_downtime.exe
UPDATER=$BUILD/app/CorvaneUpdater.exe
BASELINE=${4:-}
declare -A UPDATERS=([after]=$UPDATER)
WHO=after
if [ -n "$BASELINE" ]; then
    [ -f "$BASELINE" ] || { echo "missing $BASELINE" >&2; exit 1; }
    UPDATERS[before]=$BASELINE
    WHO="before after"
fi
CURRENT=after
SKIN=$BUILD/app/skin/update.zip
PRODUCT=$BUILD/tools/Corvane.exe
PRODUCT_NAME=CorvaneBench.exe
for f in "$BENCH" "$UPDATER" "$SKIN" "$PRODUCT"; do
    [ -f "$f" ] || { echo "missing $f: build the target bench_downtime first" >&2; exit 1; }
done
WINE_RUN=$ROOT/scripts/wine-run.sh
source "$ROOT/scripts/wine-env.sh"
wine_env_start

WORK=$(mktemp -d /tmp/corvane-downtime.XXXXXX)
USERDATA=""
CHILD=""
# On every exit: the Windows program still running (bench_downtime.exe ends
# the processes it and the Updater started with it), the server, the update
# folder with its copy of the package, the work folder.
cleanup() {
    if [ -n "$CHILD" ]; then
        kill "$CHILD" 2>/dev/null || true
        wait "$CHILD" 2>/dev/null || true
    fi
    python3 "$ROOT/tests/support/http_server.py" stop "$WORK/http" >/dev/null || true
    [ -z "$USERDATA" ] || rm -rf "$USERDATA"
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }

# Runs a Windows program in the install folder, its output into $WORK/out;
# in the background, so that a signal reaches the trap at once.
run_wine() {
    (cd "$WORK/install" && exec "$WINE_RUN" "$@") >"$WORK/out" 2>/dev/null &
    CHILD=$!
    local rc=0
    wait "$CHILD" || rc=$?
    CHILD=""
    tr -d '\r' <"$WORK/out" >"$WORK/out.txt"
    return $rc
}
figure() { sed -n "s/^$1: //p" "$WORK/out.txt"; }

echo "== making the package in $WORK"
python3 "$ROOT/scripts/make_bench_tree.py" "$WORK/src" "$SIZE_MB"
python3 "$ROOT/tools/publish.py" "$WORK/src" benchpkg 2.0 -o "$WORK/pub" --preset 3
MANIFEST=$WORK/pub/configure.xml
python3 "$ROOT/tests/support/http_server.py" start "$WORK/http" >/dev/null
PORT=$(cat "$WORK/http/port")
SERVED=$WORK/http/root
mkdir -p "$SERVED/single" "$SERVED/multi"
mv "$WORK/pub/benchpkg-2.0.tar.xz" "$SERVED/multi/"
# The same tar in one block, as a single-threaded xz writes it.
xz -dc "$SERVED/multi/benchpkg-2.0.tar.xz" | xz -3 -T1 -c >"$SERVED/single/benchpkg-2.0.tar.xz"
for kind in single multi; do
    pkg=$SERVED/$kind/benchpkg-2.0.tar.xz
    echo "$kind: $(du -m "$pkg" | cut -f1) MB compressed, $(xz --robot --list "$pkg" | awk '$1 == "totals" { print $3 }') blocks"
done
PACKAGE_BYTES=$(stat -c %s "$SERVED/multi/benchpkg-2.0.tar.xz")
# The force run's download takes about 15 s.
RATE=$((PACKAGE_BYTES / 15 + 1))
DOWNLOAD_S=$(calc "$PACKAGE_BYTES / $RATE")
echo "HTTP server on 127.0.0.1:$PORT; the slow download: $RATE bytes/s, $DOWNLOAD_S s"

# The Updater's user-data folder in the prefix's profile (engine/Paths.cpp).
APPDATA_UNIX=$(wine_cmd winepath -u "$(wine_run cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
USERDATA=$APPDATA_UNIX/Marlex/MarlexUpdate
UPDATE=$USERDATA/update

# A fresh state: the Updater, its skin and the product in an install folder
# holding an older version (every listed file with other bytes), no settings,
# and the manifest in the update folder as the product leaves it.
fresh_state() {
    rm -rf "$WORK/install" "$USERDATA"
    mkdir -p "$WORK/install/skin" "$UPDATE"
    cp "${UPDATERS[$CURRENT]}" "$WORK/install/CorvaneUpdater.exe"
    cp "$SKIN" "$WORK/install/skin/"
    cp "$PRODUCT" "$WORK/install/$PRODUCT_NAME"
    python3 - "$MANIFEST" "$WORK/install" <<'PY'
import os, sys, xml.etree.ElementTree as ET
for f in ET.parse(sys.argv[1]).iter("file"):
    path = os.path.join(sys.argv[2], f.text.replace("\\", "/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b"older version")
PY
    cp "$MANIFEST" "$UPDATE/"
}

# Prints how many listed files of the install folder do not hold the new
# version's bytes (by the manifest's digests).
stale_files() {
    python3 - "$MANIFEST" "$WORK/install" <<'PY'
import hashlib, os, sys, xml.etree.ElementTree as ET
stale = 0
for f in ET.parse(sys.argv[1]).iter("file"):
    path = os.path.join(sys.argv[2], f.text.replace("\\", "/"))
    try:
        with open(path, "rb") as data:
            stale += hashlib.md5(data.read()).hexdigest() != f.get("md5")
    except OSError:
        stale += 1
print(stale)
PY
}

check_installed() {
    local stale
    stale=$(stale_files)
    if [ "$stale" -eq 0 ]; then
        echo "    install folder: the new version's bytes"
    else
        echo "    !!!!! $1: $stale FILES OF THE INSTALL FOLDER ARE NOT THE NEW VERSION'S !!!!!"
    fi
}

# bench_downtime.exe around one Updater run; prints its figures.
timed_run() {
    if ! run_wine "$(winpath "$BENCH")" "$(winpath "$WORK/install")" "$PRODUCT_NAME" "$@"; then
        echo "    !!!!! bench_downtime.exe FAILED !!!!!"
    fi
    sed 's/^/    /' "$WORK/out.txt"
    if [ "$(figure product_stopped)" = 1 ] && [ "$(figure product_restarted)" != 1 ]; then
        echo "    !!!!! THE PRODUCT WAS NOT STARTED AGAIN !!!!!"
    fi
}

# A silent check run: downloads the package (and stages it where the
# Updater does so).
check_run() {
    local t0 t1
    t0=$(now)
    run_wine "$(winpath "$WORK/install/CorvaneUpdater.exe")" --checkUpdate --version 2.0 \
        --ParentProcessName "$PRODUCT_NAME" --uri "http://127.0.0.1:$PORT/$1" || true
    t1=$(now)
    CHECK_S=$(elapsed "$t0" "$t1")
    echo "    silent check run: $CHECK_S s"
    grep -qs 'xz=.*benchpkg-2.0.tar.xz' "$USERDATA/tavrin.ini" ||
        echo "    !!!!! THE CHECK RUN RECORDED NO PENDING UPDATE !!!!!"
}

# The best of REPEAT runs of each measurement: on a shared machine the
# other load only ever adds time.
lower() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "") ? a : (a == "" || b + 0 < a + 0) ? b : a }'; }
higher() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "") ? a : (a == "" || b + 0 > a + 0) ? b : a }'; }
declare -A R
for kind in single multi; do
    for run in $(seq "$REPEAT"); do
        # Each goes first every other run: the first of two runs may find
        # the caches colder.
        order="with without"
        [ $((run % 2)) = 1 ] || order="without with"
        for staging in $order; do
            for CURRENT in $WHO; do
                k=$CURRENT.$kind.$staging
                echo "== $kind-block package, run $run: exec run $staging staging ($CURRENT)"
                fresh_state
                check_run "$kind"
                [ "$staging" = with ] || rm -f "$UPDATE/staged.ok"
                timed_run --execUpdate --ParentProcessName "$PRODUCT_NAME"
                check_installed "$kind-block exec run $staging staging ($CURRENT)"
                R[$k]=$(lower "${R[$k]:-}" "$(figure downtime_seconds)")
                R[$k.check]=$(lower "${R[$k.check]:-}" "$CHECK_S")
            done
        done
    done
done

for run in $(seq "$REPEAT"); do
    for CURRENT in $WHO; do
        echo "== force run, run $run: multi-block package at $RATE bytes/s ($CURRENT)"
        fresh_state
        timed_run --checkUpdate --force 1 --version 2.0 --ParentProcessName "$PRODUCT_NAME" \
            --uri "http://127.0.0.1:$PORT/slow/$RATE/multi"
        check_installed "force run ($CURRENT)"
        R[$CURRENT.force]=$(lower "${R[$CURRENT.force]:-}" "$(figure downtime_seconds)")
        R[$CURRENT.force.until]=$(lower "${R[$CURRENT.force.until]:-}" "$(figure until_stop_seconds)")
        echo "== force run, run $run: the package missing on the server ($CURRENT)"
        fresh_state
        timed_run --checkUpdate --force 1 --version 2.0 --ParentProcessName "$PRODUCT_NAME" \
            --uri "http://127.0.0.1:$PORT/missing"
        R[$CURRENT.failed.stopped]=$(higher "${R[$CURRENT.failed.stopped]:-}" "$(figure product_stopped)")
    done
done

for run in $(seq "$REPEAT"); do
    for CURRENT in $WHO; do
        echo "== exec run with nothing pending, run $run ($CURRENT)"
        fresh_state
        timed_run --execUpdate --ParentProcessName "$PRODUCT_NAME"
        R[$CURRENT.fixed]=$(lower "${R[$CURRENT.fixed]:-}" "$(figure downtime_seconds)")
    done
done

# The renames alone, in a tree of the package's folders and file count.
RENAMES=$BUILD/tests/engine_flows/bench_install.exe
if [ -f "$RENAMES" ]; then
    FILES=$(grep -c '<file ' "$MANIFEST" || true)
    for run in $(seq "$REPEAT"); do
        echo "== the two renames per file alone, run $run: $FILES files"
        rm -rf "$WORK/renames"
        mkdir -p "$WORK/renames"
        run_wine "$(winpath "$RENAMES")" renames "$(winpath "$WORK/renames")" "$FILES" ||
            echo "    !!!!! bench_install.exe renames FAILED !!!!!"
        sed 's/^/    /' "$WORK/out.txt"
        R[renames]=$(lower "${R[renames]:-}" "$(figure renames_seconds)")
    done
fi

or_na() { echo "${1:-n/a}"; }
ratio() { if [ -n "$1" ] && [ -n "$2" ]; then printf '%.2fx' "$(calc "$1 / $2")"; else echo n/a; fi; }
row() { printf '%-48s %12s %12s %12s\n' "$@" | sed 's/ *$//'; }
echo "== side by side (seconds; the best of $REPEAT runs)"
for who in $WHO; do
    [ "$WHO" = after ] || echo "-- $who: ${UPDATERS[$who]}"
    row "" "no staging" "staging" "ratio"
    for kind in single multi; do
        k=$who.$kind
        row "exec run downtime, $kind-block package" "$(or_na "${R[$k.without]:-}")" \
            "$(or_na "${R[$k.with]:-}")" "$(ratio "${R[$k.without]:-}" "${R[$k.with]:-}")"
        row "  its silent check run" "$(or_na "${R[$k.without.check]:-}")" "$(or_na "${R[$k.with.check]:-}")" ""
    done
    row "" "download" "downtime" "until stop"
    row "force run, slow download, multi-block package" "$DOWNLOAD_S" "$(or_na "${R[$who.force]:-}")" \
        "$(or_na "${R[$who.force.until]:-}")"
    row "force run, failed download: product stopped" "$(or_na "${R[$who.failed.stopped]:-}")" "" ""
    row "exec run downtime, nothing pending" "$(or_na "${R[$who.fixed]:-}")" "" ""
done
row "the two renames per file alone" "$(or_na "${R[renames]:-}")" "" ""
