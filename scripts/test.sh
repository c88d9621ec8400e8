#!/usr/bin/env bash
# Builds the project and runs the whole test suite under Wine.
#   scripts/test.sh [BUILD_DIR] [ctest arguments...]
# BUILD_DIR defaults to ./build (made by scripts/setup.sh); a relative one is
# taken from the repository root. Starts Xvfb when there is no display and
# keeps one wineserver up for the whole run.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
BUILD=$ROOT/build
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
    case "$1" in
        /*) BUILD=$1 ;;
        *) BUILD=$ROOT/$1 ;;
    esac
    shift
fi

export WINEPREFIX=${WINEPREFIX:-$CACHE/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=zh_CN.UTF-8

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$CACHE/current"
fi
cmake --build "$BUILD" -j "$(nproc)"

xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

# A lingering server spares every test the server's start-up (it ends by
# itself a minute after its last client); its output must not reach CTest's
# pipes, or CTest waits for it to close them.
wineserver -p60 >/dev/null 2>&1 </dev/null || true  # fails when one is already up
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
