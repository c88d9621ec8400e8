#!/usr/bin/env bash
# Prepares a Debian 12 machine (run as root) to build and test the Corvane
# Updater, then builds it:
#   1. Debian packages: the mingw-w64 cross compilers, Wine (32-bit), Xvfb,
#      CMake, Ninja, GoogleTest sources, xz and zstd (the publisher tool), a
#      CJK font and the zh_CN locale, python3-cryptography (the manifest keys
#      and signatures), ImageMagick and xdotool for the sample update's
#      screenshots, openssl (the test and sample CAs), osslsigncode
#      (Authenticode signing), and
#      nginx and tinyproxy, which the download tests start on loopback (their
#      services are never started: nothing listens beyond loopback);
#   2. the dependencies Debian ships no mingw build of, cross-built from
#      Debian's source packages by deps/build.sh into a cache outside the
#      work tree (see there for what its key covers);
#   3. the project's own Wine prefix;
#   4. the project, configured with CMake and built with Ninja; on a machine
#      that cannot run 32-bit programs (its tests run the x86_64 build), the
#      shipped i686 Updater is built as well, into $BUILD-i686, so that
#      what ships compiles (with -Werror in CI) on every machine;
#   5. the main job once: an update of a sample product, end to end
#      (skipped with CORVANE_SKIP_SAMPLE=1).
# CORVANE_WARNINGS_AS_ERRORS=ON (as CI runs it) builds with -Werror.
# A second run finds everything in place and only rebuilds the project.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
BUILD=${CORVANE_BUILD:-$ROOT/build}
JOBS=$(nproc)
STEPS_OF=setup
source "$ROOT/scripts/steps.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh must run as root (it installs Debian packages)" >&2
    exit 1
fi

PACKAGES=(
    mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
    wine wine32 xvfb xauth cmake ninja-build make googletest libstb-dev
    python3 python3-cryptography xz-utils zstd tar zip unzip dpkg-dev locales fonts-wqy-microhei
    procps psmisc libarchive-tools
    imagemagick xdotool
    openssl osslsigncode
    nginx tinyproxy
)

mkdir -p "$CACHE/logs"

# The architecture of the programs built and tested here (see wine-env.sh):
# i686, what ships, unless this machine cannot run 32-bit programs.
source "$ROOT/scripts/wine-env.sh"
if [ "$CORVANE_ARCH" = x86_64 ]; then
    # And the emulated x86 machine of scripts/check_i686.sh, where the
    # shipped i686 build is tested.
    PACKAGES+=(wine64 qemu-system-x86 qemu-utils debootstrap)
    echo "==> this machine cannot run 32-bit programs: building and testing for x86_64 under 64-bit Wine"
fi

step "Debian packages"
LOG=$CACHE/logs/apt.log
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
# The cross-built dependencies come from Debian's source packages: a deb-src
# entry for each of this machine's own deb entries of the release (so a
# machine behind a local mirror fetches the sources from that mirror too).
eval "$(apt-config shell SOURCE_LIST Dir::Etc::sourcelist/f SOURCE_PARTS Dir::Etc::sourceparts/d)"
SOURCE_PARTS=${SOURCE_PARTS%/}
SRC_LIST=$SOURCE_PARTS/corvane-src.sources
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
inputs=()
for f in "$SOURCE_LIST" "$SOURCE_PARTS"/*.list "$SOURCE_PARTS"/*.sources; do
    [ -f "$f" ] && [ "$f" != "$SRC_LIST" ] && inputs+=("$f")
done
entries=""
if [ ${#inputs[@]} -gt 0 ]; then
    entries=$(awk -v CODENAME="$codename" -f "$ROOT/scripts/deb-src.awk" "${inputs[@]}")
fi
if [ -z "$entries" ]; then
    # Nothing to add: the machine has its deb-src entries already.
    if [ -f "$SRC_LIST" ]; then
        rm -f "$SRC_LIST"
        missing+=(--refresh)
    fi
else
    entries="# Added by the Corvane Updater's scripts/setup.sh from this machine's deb entries.
$entries"
    if [ "$(cat "$SRC_LIST" 2>/dev/null)" != "$entries" ]; then
        printf '%s\n' "$entries" >"$SRC_LIST"
        missing+=(--refresh)
    fi
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing+=(--refresh)
fi
if [ ${#missing[@]} -gt 0 ]; then
    pkgs=()
    for p in "${missing[@]}"; do [ "$p" = --refresh ] || pkgs+=("$p"); done
    if [ ${#pkgs[@]} -gt 0 ]; then
        echo "    installing: ${pkgs[*]}"
    else
        echo "    refreshing the package lists"
    fi
    # A mirror being synced answers with index files of the wrong size for a
    # while; a later try usually finds it whole. Lists that still fail are
    # left as they were: the install below says what they lack.
    for try in 1 2 3; do
        logged apt-get update -o Acquire::Retries=3 && break
        if [ "$try" = 3 ]; then
            echo "    some package lists could not be fetched (see $LOG); going on with what there is" >&2
        else
            sleep 30
        fi
    done
    if [ ${#pkgs[@]} -gt 0 ]; then
        # Packages such as nginx would start a service listening on every
        # interface; a policy of our own (only where the machine has none)
        # keeps them from starting.
        policy=/usr/sbin/policy-rc.d
        own_policy=0
        if [ ! -e "$policy" ]; then
            printf '#!/bin/sh\n# Added by the Corvane Updater'"'"'s scripts/setup.sh while it installs.\nexit 101\n' >"$policy"
            chmod 755 "$policy"
            own_policy=1
        fi
        DEBIAN_FRONTEND=noninteractive logged apt-get install -y --no-install-recommends "${pkgs[@]}"
        [ "$own_policy" = 0 ] || rm -f "$policy"
        # Nor do they start at the next boot when this run installed them.
        if [ -d /run/systemd/system ]; then
            for p in "${pkgs[@]}"; do
                case "$p" in nginx | tinyproxy) logged systemctl disable "$p" || true ;; esac
            done
        fi
    fi
fi

step "zh_CN.UTF-8 locale"
LOG=$CACHE/logs/locale.log
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    logged locale-gen
fi

step "dependencies"
LOG=/dev/null
JOBS=$JOBS CORVANE_CACHE=$CACHE CORVANE_ARCH=$CORVANE_ARCH bash "$ROOT/deps/build.sh"
if [ "$CORVANE_ARCH" != i686 ]; then
    step "dependencies for i686"
    JOBS=$JOBS CORVANE_CACHE=$CACHE CORVANE_ARCH=i686 bash "$ROOT/deps/build.sh"
fi

step "Wine prefix"
LOG=$CACHE/logs/wine.log
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    : >"$LOG"
    wine_env_display
    logged wine_cmd wineboot --init
    logged wineserver --wait
fi

step "configure and build the project"
LOG=$CACHE/logs/project.log
: >"$LOG"
logged cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$CORVANE_ARCH.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$(corvane_deps_link "$CACHE")" \
    -DCORVANE_WARNINGS_AS_ERRORS="${CORVANE_WARNINGS_AS_ERRORS:-OFF}"
logged cmake --build "$BUILD" -j "$JOBS"
if [ "$CORVANE_ARCH" != i686 ]; then
    step "build the shipped i686 Updater"
    LOG=$CACHE/logs/project-i686.log
    : >"$LOG"
    logged cmake -S "$ROOT" -B "$BUILD-i686" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$CACHE/current" \
        -DCORVANE_WARNINGS_AS_ERRORS="${CORVANE_WARNINGS_AS_ERRORS:-OFF}"
    logged cmake --build "$BUILD-i686" -j "$JOBS" --target CorvaneUpdater
fi

if [ "${CORVANE_SKIP_SAMPLE:-0}" != 1 ]; then
    step "sample update, end to end"
    LOG=$CACHE/logs/sample.log
    : >"$LOG"
    bash "$ROOT/scripts/sample_update.sh" "$BUILD" 2>&1 | tee -a "$LOG"
fi

steps_end
