#!/usr/bin/env bash
# Builds the project and runs the whole test suite under Wine.
#   scripts/test.sh [BUILD_DIR] [ctest arguments...]
# BUILD_DIR defaults to ./build (made by scripts/setup.sh); a relative one is
# taken from the repository root. The Wine environment (a display, one
# wineserver of the run's own) comes from scripts/wine-env.sh; every test program
# runs through scripts/wine-run.sh.
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

source "$ROOT/scripts/wine-env.sh"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$CORVANE_ARCH.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$(corvane_deps_link "$CACHE")"
fi
cmake --build "$BUILD" -j "$(nproc)"

wine_env_restart

cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
