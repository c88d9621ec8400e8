#!/usr/bin/env bash
# Tests the shipped i686 build on a machine whose kernel runs no 32-bit code:
# in an emulated x86 machine (qemu's software CPU, 2 vCPUs, no network
# device), a Debian system with 64-bit Wine and its 32-bit half, where the
# 32-bit programs run under WoW64 as on 64-bit Windows.
#   1. builds the i686 dependencies (deps/build.sh, cached), the i686 Updater
#      and the chosen test programs into $CORVANE_BUILD-i686 (warnings as
#      errors with CORVANE_WARNINGS_AS_ERRORS=ON), and the 64-bit sample
#      product into the x86_64 test build $CORVANE_BUILD;
#   2. makes the machine's disk image once (scripts/guest/image.sh, cached
#      under the cache folder by its inputs);
#   3. boots it on a throw-away overlay with the work tree and the build
#      folder shared at their own paths; the machine runs
#      scripts/guest/run.sh (the sample update 1.0 -> 3.0 over HTTPS and the
#      tests, every server on its own loopback) and powers itself off;
#      CORVANE_GUEST_TESTS, a regular expression without spaces, narrows
#      the tests to those whose names match it;
#   4. fails when the run failed, or when the machine is still up after
#      CORVANE_GUEST_TIMEOUT seconds (default 1800), with the end of its
#      console.
# Runs as root (the image is made with debootstrap and chroot). Every step's
# time is printed, and the guest prints its own figures.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
BUILD=${CORVANE_BUILD:-$ROOT/build}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
I686=$BUILD-i686
LIMIT=${CORVANE_GUEST_TIMEOUT:-1800}
JOBS=$(nproc)
TARGETS=(CorvaneUpdater corvane_trust_root corvane_window_poke corvane_key_resource
         corvane_sample_product corvane_desktop_holder app_process_tests engine_basics_tests
         engine_download_tests ui_text_tests app_updater_tests)
STEPS_OF=check_i686
source "$ROOT/scripts/steps.sh"

# Configures build folder $2 for architecture $1 (once) and builds targets;
# further -D options come before the targets, ended by --.
build() {
    local arch=$1 dir=$2 deps options=()
    shift 2
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    deps=$CACHE/current
    [ "$arch" = i686 ] || deps=$CACHE/current-$arch
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        logged cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCORVANE_DEPS="$deps" \
            -DCORVANE_WARNINGS_AS_ERRORS="${CORVANE_WARNINGS_AS_ERRORS:-OFF}" "${options[@]}"
    elif [ ${#options[@]} -gt 0 ]; then
        logged cmake "${options[@]}" "$dir"
    fi
    logged cmake --build "$dir" -j "$JOBS" --target "$@"
}

if [ "$(id -u)" -ne 0 ]; then
    echo "check_i686.sh must run as root (it makes a disk image)" >&2
    exit 1
fi
for tool in qemu-system-x86_64 qemu-img debootstrap mkfs.ext4; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/setup.sh first" >&2; exit 1; }
done
mkdir -p "$CACHE/logs"

step "i686 dependencies"
JOBS=$JOBS CORVANE_CACHE=$CACHE CORVANE_ARCH=i686 bash "$ROOT/deps/build.sh"

step "i686 build (log: $CACHE/logs/check-i686-build.log)"
LOG=$CACHE/logs/check-i686-build.log
: >"$LOG"
# The CTest files name the programs they run by their paths: the guest has
# Debian's python3, not one that PATH may find here first.
build i686 "$I686" -DPYTHON3=/usr/bin/python3 -- "${TARGETS[@]}"

step "64-bit sample product"
JOBS=$JOBS CORVANE_CACHE=$CACHE CORVANE_ARCH=x86_64 bash "$ROOT/deps/build.sh"
build x86_64 "$BUILD" -- corvane_sample_product
GUEST=$I686/guest
rm -rf "$GUEST"
mkdir -p "$GUEST/x86_64"
cp "$BUILD/tools/Corvane.exe" "$GUEST/x86_64/"
LOG=/dev/null

step "guest image"
IMAGE=$(bash "$ROOT/scripts/guest/image.sh" | tail -n 1)
echo "    $IMAGE"

step "guest run (time limit $LIMIT s)"
qemu-img create -q -f qcow2 -b "$IMAGE/rootfs.img" -F raw "$GUEST/overlay.qcow2"
shares=(-virtfs "local,path=$ROOT,mount_tag=root,security_model=none,id=root")
mounts=root:$ROOT
case $I686/ in
    "$ROOT"/*) ;;
    *)
        shares+=(-virtfs "local,path=$I686,mount_tag=build,security_model=none,id=build")
        mounts+=,build:$I686
        ;;
esac
tests=${CORVANE_GUEST_TESTS:-}
for p in "$ROOT" "$I686" "$tests"; do
    if [[ "$p" =~ [[:space:],:\"] ]]; then
        echo "the guest cannot take '$p': it holds a space, comma, colon or quote" >&2
        exit 1
    fi
done
cp "$ROOT/scripts/guest/run.sh" "$GUEST/run.sh"
console=$GUEST/console.log
: >"$console"
timeout -k 10 "$LIMIT" qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -cpu max,-smap -m 4096 \
    -nic none -display none -no-reboot -monitor none -serial "file:$console" \
    -drive "file=$GUEST/overlay.qcow2,format=qcow2,if=virtio" "${shares[@]}" \
    -kernel "$IMAGE/vmlinuz" -initrd "$IMAGE/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 panic=1 quiet init=/sbin/corvane-init rootflags=noinit_itable corvane_mode=check corvane_shares=$mounts corvane_root=$ROOT corvane_run=$GUEST/run.sh corvane_status=$GUEST/status corvane_build=$I686 corvane_product64=$GUEST/x86_64/Corvane.exe${tests:+ corvane_tests=$tests}" &
guest=$!
# The console as it comes, without the kernel's own lines, until the end.
tail -n +1 -F --pid="$guest" "$console" 2>/dev/null | grep --line-buffered -v '^\[ *[0-9.]*\]' || true
rc=0
wait "$guest" || rc=$?
rm -f "$GUEST/overlay.qcow2"
steps_end
status=$(cat "$GUEST/status" 2>/dev/null) || status=""
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    echo "check_i686 FAILED: the guest was still up after $LIMIT s; the end of its console:" >&2
    tail -n 40 "$console" >&2
    exit 1
fi
if [ "$status" != 0 ]; then
    echo "check_i686 FAILED: the guest's run ended with '${status:-nothing}' (qemu: $rc); the end of its console:" >&2
    tail -n 40 "$console" >&2
    exit 1
fi
echo "check_i686: the i686 build passed in the x86 guest"
