#!/usr/bin/env bash
# Cross-builds the dependencies Debian ships no mingw build of (libcurl with
# Schannel, liblzma, libzstd, libtar, TinyXML, Boost.Thread, GoogleTest) from Debian's
# source packages into a cache outside the work tree:
#   $CORVANE_CACHE/deps-<key>   (default /var/cache/corvane)
#   $CORVANE_CACHE/current      -> the cache in use (the project links against it)
# CORVANE_ARCH=x86_64 builds them for 64-bit Windows instead of i686, linked
# as $CORVANE_CACHE/current-x86_64: the test build of machines that cannot
# run 32-bit programs (see scripts/arch.sh).
# The key covers exactly what the build reads: the source package versions,
# the cross toolchain's package versions, this script and the other files
# under deps/, and the toolchain files. A run that finds a complete cache for
# its key builds nothing. scripts/setup.sh calls this after it has installed
# the Debian packages and the deb-src entries.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
JOBS=${JOBS:-$(nproc)}
ARCH=${CORVANE_ARCH:-i686}
HOST=$ARCH-w64-mingw32
TOOLCHAIN=$ROOT/cmake/mingw-$ARCH.cmake
LINK=$CACHE/current
[ "$ARCH" = i686 ] || LINK=$CACHE/current-$ARCH
PKG_ARCH=${ARCH//_/-}
SOURCE_PACKAGES=(curl xz-utils libzstd libtar tinyxml boost1.74)
# The binary packages whose contents go into the build: the cross compilers,
# the mingw-w64 runtime and headers, binutils and GoogleTest's sources.
TOOL_PACKAGES=(gcc-mingw-w64-$PKG_ARCH-posix g++-mingw-w64-$PKG_ARCH-posix mingw-w64-$PKG_ARCH-dev
               binutils-mingw-w64-$PKG_ARCH googletest)
# Caches that are never deleted however old they are: the newest ones.
KEEP_NEWEST=3
# A cache not used for this many days may go (see prune_caches).
KEEP_DAYS=30
STEP="start"
LOG=/dev/null

step() {
    STEP="$*"
    printf '==> [%s] %s\n' "$(date +%T)" "$STEP"
}

on_error() {
    echo "dependency build FAILED in step: $STEP" >&2
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

mkdir -p "$CACHE/logs"
# One build at a time per cache folder: a second run waits and then finds
# the first one's result.
exec 8>"$CACHE/deps.lock"
flock 8

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
tools=""
for p in "${TOOL_PACKAGES[@]}"; do
    tools+="$p=$(dpkg-query -W -f='${Version}' "$p") "
done
KEY=$( { echo "$versions"; echo "$tools";
         cd "$ROOT" && find deps "${TOOLCHAIN#"$ROOT"/}" cmake/mingw-common.cmake -type f -print0 | sort -z | xargs -0 sha256sum
       } | sha256sum | cut -c1-16)
DEPS=$CACHE/deps-$KEY
echo "    $versions"
echo "    $tools"
echo "    cache: $DEPS"

# Fetches one source package into $src: the version in the key, or, when the
# machine's mirror does not serve that one (a security update whose sources
# it lacks), the newest older version it does serve, with a line saying so.
fetch_source() {
    local p=$1 v
    for v in $(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -Vru); do
        if (cd "$src" && logged apt-get source "$p=$v"); then
            grep -qF "$p=$v " <<<"$versions" || echo "    $p: the newest sources cannot be fetched; built from $v"
            return 0
        fi
    done
    return 1
}

build_dependencies() {
    local src=$DEPS/src prefix=$DEPS
    rm -rf "$src" "$prefix/lib" "$prefix/include" "$prefix/.complete"
    mkdir -p "$src" "$prefix/lib" "$prefix/include"

    step "fetch source packages: ${SOURCE_PACKAGES[*]}"
    LOG=$CACHE/logs/source.log
    : >"$LOG"
    local p
    for p in "${SOURCE_PACKAGES[@]}"; do
        fetch_source "$p"
    done
    local d_curl d_xz d_zstd d_tar d_txml d_boost
    d_curl=$(ls -d "$src"/curl-*/)
    d_xz=$(ls -d "$src"/xz-utils-*/)
    d_zstd=$(ls -d "$src"/libzstd-*/)
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

    # Only the library, without the decoders of the old frame formats and
    # without threads: the Updater decodes patches on one thread.
    step "build libzstd"
    LOG=$CACHE/logs/libzstd.log
    : >"$LOG"
    logged make -j"$JOBS" -C "$d_zstd/lib" libzstd.a-release "${cross[@]}" ZSTD_LEGACY_SUPPORT=0 ZSTD_NO_ASM=1
    logged make -C "$d_zstd/lib" install-static install-includes PREFIX="$prefix" "${cross[@]}"

    # HTTP and HTTPS, the latter with Schannel, Windows' own TLS: certificates
    # are checked against Windows' trusted roots, so no CA bundle is built in.
    step "build libcurl (HTTP, HTTPS with Schannel)"
    LOG=$CACHE/logs/libcurl.log
    : >"$LOG"
    (cd "$d_curl" && logged ./configure --host=$HOST --prefix="$prefix" "${cross[@]}" \
        --disable-shared --enable-static --disable-pthreads --with-schannel --without-ca-bundle \
        --without-ca-path --without-zlib \
        --without-brotli --without-zstd --without-libpsl --without-libidn2 --without-nghttp2 \
        --without-librtmp --without-libssh2 --without-libgsasl --disable-ldap --disable-ldaps \
        --disable-rtsp --disable-dict --disable-telnet --disable-tftp --disable-pop3 \
        --disable-imap --disable-smb --disable-smtp --disable-gopher --disable-mqtt \
        --disable-ftp --disable-file --disable-manual --disable-alt-svc --disable-hsts \
        --enable-http \
        && logged make -j"$JOBS" -C lib && logged make -C lib install \
        && logged make -C include install)

    local cmake_cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN"
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

# Old caches are removed carefully. A build folder remembers the real path of
# the cache it was configured with (cmake/Dependencies.cmake resolves
# `current`), so a cache that `current` no longer names may still be what
# another checkout builds against. A cache is therefore deleted only when
#   - no link in $CACHE points at it (`current`, or one kept by hand),
#   - it is not one of the $KEEP_NEWEST most recently used ones, and
#   - it has not been used for $KEEP_DAYS days (its .used stamp, touched on
#     every run that picks it; a half-built cache counts from its last change).
# A checkout still on a deleted cache gets it back with scripts/setup.sh.
prune_caches() {
    local linked="" l d stamp
    for l in "$CACHE"/*; do
        [ -L "$l" ] && linked+=$(readlink -f "$l")$'\n'
    done
    for d in "$CACHE"/deps-*; do
        [ -d "$d" ] || continue
        stamp=$d/.used
        [ -e "$stamp" ] || stamp=$d
        printf '%s %s\n' "$(stat -c %Y "$stamp")" "$d"
    done | sort -rn | tail -n +$((KEEP_NEWEST + 1)) | while read -r _ d; do
        grep -qxF "$(readlink -f "$d")" <<<"$linked" && continue
        stamp=$d/.used
        [ -e "$stamp" ] || stamp=$d
        [ -n "$(find "$stamp" -maxdepth 0 -mtime +"$KEEP_DAYS")" ] || continue
        echo "    removing unused cache $d"
        rm -rf "$d"
    done
}

if [ -f "$DEPS/.complete" ]; then
    step "dependencies: cached"
else
    build_dependencies
fi
touch "$DEPS/.used"
ln -sfn "$DEPS" "$LINK"
prune_caches
