#!/usr/bin/env bash
# Prepares a Debian 12 machine (run as root) to build and test the Corvane
# Updater, then builds it:
#   1. Debian packages: the mingw-w64 cross compilers, Wine (32-bit), Xvfb,
#      CMake, Ninja, GoogleTest sources, a CJK font and the zh_CN locale;
#   2. the dependencies Debian ships no mingw build of, cross-built from
#      Debian's source packages into a cache outside the work tree, keyed by
#      the package versions and by this script and its build files;
#   3. the project's own Wine prefix;
#   4. the project, configured with CMake and built with Ninja;
#   5. the main job once: an update of a sample product, end to end
#      (skipped with CORVANE_SKIP_SAMPLE=1).
# A second run finds everything in place and only rebuilds the project.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
BUILD=${CORVANE_BUILD:-$ROOT/build}
JOBS=$(nproc)
HOST=i686-w64-mingw32
STEP="start"
LOG=/dev/null

step() {
    STEP="$*"
    printf '==> [%s] %s\n' "$(date +%T)" "$STEP"
}

on_error() {
    echo "setup FAILED in step: $STEP" >&2
    if [ -f "$LOG" ]; then
        echo "---- last lines of $LOG ----" >&2
        tail -n 40 "$LOG" >&2
    fi
}
trap on_error ERR

# Runs a command with its output in the step's log file.
logged() {
    "$@" >>"$LOG" 2>&1
}

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh must run as root (it installs Debian packages)" >&2
    exit 1
fi

PACKAGES=(
    mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
    wine wine32 xvfb xauth cmake ninja-build make googletest libstb-dev
    python3 xz-utils tar zip unzip dpkg-dev locales fonts-wqy-microhei
    procps psmisc libarchive-tools
)
SOURCE_PACKAGES=(curl xz-utils libtar tinyxml boost1.74)

mkdir -p "$CACHE/logs"

step "Debian packages"
LOG=$CACHE/logs/apt.log
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
# The cross-built dependencies come from Debian's source packages.
SRC_LIST=/etc/apt/sources.list.d/corvane-src.sources
if [ ! -f "$SRC_LIST" ]; then
    cat >"$SRC_LIST" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    missing+=(--refresh)
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing+=(--refresh)
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "    installing: ${missing[*]/--refresh/}"
    logged apt-get update
    pkgs=()
    for p in "${missing[@]}"; do [ "$p" = --refresh ] || pkgs+=("$p"); done
    if [ ${#pkgs[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive logged apt-get install -y --no-install-recommends "${pkgs[@]}"
    fi
fi

step "zh_CN.UTF-8 locale"
LOG=$CACHE/logs/locale.log
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    logged locale-gen
fi

step "dependency cache key"
versions=""
for p in "${SOURCE_PACKAGES[@]}"; do
    v=$(apt-cache showsrc "$p" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1)
    if [ -z "$v" ]; then
        LOG=$CACHE/logs/apt.log
        logged apt-get update
        v=$(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -V | tail -n 1)
    fi
    versions+="$p=$v "
done
compiler=$(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix)
KEY=$( { echo "$versions $compiler"; cat "$ROOT/scripts/setup.sh";
         find "$ROOT/deps" -type f | sort | xargs cat; } | sha256sum | cut -c1-16)
DEPS=$CACHE/deps-$KEY
echo "    $versions"
echo "    cache: $DEPS"

build_dependencies() {
    local src=$DEPS/src prefix=$DEPS
    rm -rf "$src" "$prefix/lib" "$prefix/include"
    mkdir -p "$src" "$prefix/lib" "$prefix/include"

    step "fetch source packages: ${SOURCE_PACKAGES[*]}"
    LOG=$CACHE/logs/source.log
    : >"$LOG"
    (cd "$src" && logged apt-get source "${SOURCE_PACKAGES[@]}")
    local d_curl d_xz d_tar d_txml d_boost
    d_curl=$(ls -d "$src"/curl-*/)
    d_xz=$(ls -d "$src"/xz-utils-*/)
    d_tar=$(ls -d "$src"/libtar-*/)
    d_txml=$(ls -d "$src"/tinyxml-*/)
    d_boost=$(ls -d "$src"/boost1.74-*/)

    local cross=(CC=$HOST-gcc-posix AR=$HOST-ar RANLIB=$HOST-ranlib)

    step "build liblzma"
    LOG=$CACHE/logs/liblzma.log
    : >"$LOG"
    (cd "$d_xz" && logged ./configure --host=$HOST --prefix="$prefix" "${cross[@]}" \
        --disable-shared --enable-static --enable-threads=vista --disable-xz --disable-xzdec \
        --disable-lzmadec --disable-lzmainfo --disable-lzma-links --disable-scripts \
        --disable-doc --disable-nls \
        && logged make -j"$JOBS" -C src/liblzma && logged make -C src/liblzma install)

    step "build libcurl (HTTP only)"
    LOG=$CACHE/logs/libcurl.log
    : >"$LOG"
    (cd "$d_curl" && logged ./configure --host=$HOST --prefix="$prefix" "${cross[@]}" \
        --disable-shared --enable-static --disable-pthreads --without-ssl --without-zlib \
        --without-brotli --without-zstd --without-libpsl --without-libidn2 --without-nghttp2 \
        --without-librtmp --without-libssh2 --without-libgsasl --disable-ldap --disable-ldaps \
        --disable-rtsp --disable-dict --disable-telnet --disable-tftp --disable-pop3 \
        --disable-imap --disable-smb --disable-smtp --disable-gopher --disable-mqtt \
        --disable-ftp --disable-file --disable-manual --disable-alt-svc --disable-hsts \
        --enable-http \
        && logged make -j"$JOBS" -C lib && logged make -C lib install \
        && logged make -C include install)

    local cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
                       -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix")

    step "build libtar"
    LOG=$CACHE/logs/libtar.log
    : >"$LOG"
    logged cmake -S "$ROOT/deps/libtar" -B "$src/build-libtar" "${cmake_cross[@]}" -DSOURCE_DIR="$d_tar"
    logged cmake --build "$src/build-libtar" --target install

    step "build TinyXML"
    LOG=$CACHE/logs/tinyxml.log
    : >"$LOG"
    logged cmake -S "$ROOT/deps/tinyxml" -B "$src/build-tinyxml" "${cmake_cross[@]}" -DSOURCE_DIR="$d_txml"
    logged cmake --build "$src/build-tinyxml" --target install

    step "build Boost.Thread"
    LOG=$CACHE/logs/boost.log
    : >"$LOG"
    # Debian's tree keeps each library's headers in libs/<name>/include;
    # gather them (as hard links) into one include folder.
    mkdir -p "$prefix/include/boost"
    local inc
    for inc in "$d_boost"/libs/*/include "$d_boost"/libs/numeric/*/include; do
        [ -d "$inc/boost" ] && cp -alf "$inc/boost/." "$prefix/include/boost/"
    done
    logged cmake -S "$ROOT/deps/boost_thread" -B "$src/build-boost" "${cmake_cross[@]}" \
        -DSOURCE_DIR="$d_boost" -DCMAKE_CXX_FLAGS="-I$prefix/include"
    logged cmake --build "$src/build-boost" --target install

    step "build GoogleTest"
    LOG=$CACHE/logs/googletest.log
    : >"$LOG"
    logged cmake -S /usr/src/googletest -B "$src/build-googletest" "${cmake_cross[@]}" \
        -DCMAKE_CXX_STANDARD=17 -Dgtest_force_shared_crt=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
    logged cmake --build "$src/build-googletest" --target install

    # Only what the build links against stays (the Boost headers are hard
    # links, so they outlive their source tree).
    rm -rf "$src"
    touch "$DEPS/.complete"
}

if [ -f "$DEPS/.complete" ]; then
    step "dependencies: cached"
else
    build_dependencies
fi
ln -sfn "$DEPS" "$CACHE/current"
# Older builds of the cache are no longer used.
find "$CACHE" -mindepth 1 -maxdepth 1 -name 'deps-*' ! -name "deps-$KEY" -exec rm -rf {} +

step "Wine prefix"
LOG=$CACHE/logs/wine.log
WINEPREFIX=$CACHE/wine
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    : >"$LOG"
    WINEPREFIX=$WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32 \
        logged wineboot --init
    WINEPREFIX=$WINEPREFIX logged wineserver --wait
fi

step "configure and build the project"
LOG=$CACHE/logs/project.log
: >"$LOG"
logged cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$CACHE/current"
logged cmake --build "$BUILD" -j "$JOBS"

if [ "${CORVANE_SKIP_SAMPLE:-0}" != 1 ]; then
    step "sample update, end to end"
    LOG=$CACHE/logs/sample.log
    : >"$LOG"
    bash "$ROOT/scripts/sample_update.sh" "$BUILD" 2>&1 | tee -a "$LOG"
fi

step "done"
