#!/usr/bin/env bash
# Makes the disk image of the x86 test machine that scripts/check_i686.sh
# boots with qemu: a Debian system of this machine's own release (debootstrap
# from this machine's own apt sources), Debian's kernel and initrd, 64-bit Wine
# with its 32-bit half, Xvfb and what the guest's tests run, and a Wine prefix
# made once at a first boot. The result goes to
#   $CORVANE_CACHE/guest-<key>/{rootfs.img,vmlinuz,initrd.img}
# and prints that folder on its last line. The key covers the image's
# inputs: the release, the candidate versions of the packages named below,
# this script and the guest's init. A run that finds a complete image for its
# key builds nothing.
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
PACKAGES=(
    linux-image-amd64 initramfs-tools kmod iproute2 procps psmisc
    wine wine64 wine32:i386 xvfb xauth xdotool imagemagick
    python3 python3-cryptography openssl cmake xz-utils zstd tar zip unzip libarchive-tools
    locales fonts-wqy-microhei nginx tinyproxy
)
# Extra room for the Wine prefix and the tests' files; the image is sparse.
IMAGE_SIZE=8G
STEPS_OF="guest image"
source "$ROOT/scripts/steps.sh"

MOUNTS=()
cleanup() {
    local i
    for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do umount -l "${MOUNTS[i]}" 2>/dev/null || true; done
    MOUNTS=()
}
trap 'step_failed; cleanup' ERR
trap cleanup EXIT

mkdir -p "$CACHE/logs"
exec 7>"$CACHE/guest.lock"
flock 7

step "guest image key"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# This machine's own apt sources of the release: the first one that serves
# the release itself is debootstrap's mirror; all of them serve the guest.
sources=$(apt-get indextargets --format '$(SITE) $(CODENAME) $(COMPONENT)' 'Created-By: Packages' |
    awk -v C="$codename" '$2 == C || index($2, C "-") == 1' | sort -u)
mirror=$(awk -v C="$codename" '$2 == C { print $1; exit }' <<<"$sources")
if [ -z "$mirror" ]; then
    echo "no apt source of $codename on this machine" >&2
    exit 1
fi
versions=$(apt-cache show --no-all-versions "${PACKAGES[@]}" 2>/dev/null | sed -n 's/^\(Package\|Architecture\|Version\): //p' | paste -sd' ')
KEY=$( { echo "$codename"; echo "${PACKAGES[*]}"; echo "$versions"; echo "$IMAGE_SIZE";
         cd "$ROOT" && sha256sum scripts/guest/image.sh scripts/guest/init.sh
       } | sha256sum | cut -c1-16)
OUT=$CACHE/guest-$KEY
if [ -f "$OUT/complete" ]; then
    touch "$OUT/complete"
    steps_end
    echo "$OUT"
    exit 0
fi

WORK=$CACHE/guest-build
LOG=$CACHE/logs/guest-image.log
: >"$LOG"
ROOTFS=$WORK/rootfs
rm -rf "$OUT" "$WORK/rootfs.img"

# A run that failed after debootstrap goes on from its base system.
step "debootstrap $codename (log: $LOG)"
if [ "$(cat "$WORK/debootstrap.done" 2>/dev/null)" != "$codename $mirror" ]; then
    rm -rf "$WORK"
    mkdir -p "$WORK"
    logged debootstrap --variant=minbase --arch=amd64 "$codename" "$ROOTFS" "$mirror"
    echo "$codename $mirror" >"$WORK/debootstrap.done"
fi

step "guest packages"
awk '{ printf "deb %s %s %s\n", $1, $2, $3 }' <<<"$sources" | sort -u >"$ROOTFS/etc/apt/sources.list"
for m in proc sys dev; do
    mount --rbind "/$m" "$ROOTFS/$m"
    MOUNTS+=("$ROOTFS/$m")
done
# Nothing in the image starts a service while it is made.
printf '#!/bin/sh\nexit 101\n' >"$ROOTFS/usr/sbin/policy-rc.d"
chmod 755 "$ROOTFS/usr/sbin/policy-rc.d"
echo 'zh_CN.UTF-8 UTF-8' >"$ROOTFS/etc/locale.gen"
# The initrd holds only what mounts the image's disk: 5 MB instead of the
# default's 35 (most modules), quicker to make and to unpack under emulation.
mkdir -p "$ROOTFS/etc/initramfs-tools/conf.d" "$ROOTFS/usr/share/initramfs-tools/modules.d"
echo MODULES=list >"$ROOTFS/etc/initramfs-tools/conf.d/corvane"
printf '%s\n' virtio_pci virtio_blk crc32c_generic ext4 >"$ROOTFS/usr/share/initramfs-tools/modules.d/corvane"
chroot "$ROOTFS" dpkg --add-architecture i386
# This machine's package lists of the same sources: the versions the key
# names, and no index to fetch (a fresh fetch only when they are out of date).
find /var/lib/apt/lists -maxdepth 1 -type f -name '*_dists_*' -exec cp -p {} "$ROOTFS/var/lib/apt/lists/" \;
install_packages() {
    DEBIAN_FRONTEND=noninteractive chroot "$ROOTFS" apt-get install -y --no-install-recommends \
        -o Acquire::Retries=3 "${PACKAGES[@]}"
}
# The maintainer scripts of i386 packages that run i386 programs fail where
# this machine's kernel runs no 32-bit code; those packages stay unconfigured
# and work all the same in the guest.
logged install_packages ||
    { logged chroot "$ROOTFS" apt-get update -o Acquire::Retries=3 && logged install_packages; } ||
    DEBIAN_FRONTEND=noninteractive logged chroot "$ROOTFS" dpkg --configure -a ||
    echo "    some i386 packages stay unconfigured (see $LOG)" >&2
# Unpacked is enough: the files are in place.
for p in "${PACKAGES[@]}"; do
    if ! chroot "$ROOTFS" dpkg-query -W -f='${Status}\n' "$p" | grep -Eq ' (installed|unpacked|half-configured)$'; then
        echo "the guest's package $p is not installed (see $LOG)" >&2
        false
    fi
done
logged chroot "$ROOTFS" locale-gen
chroot "$ROOTFS" apt-get clean
rm -f "$ROOTFS/usr/sbin/policy-rc.d"
rm -rf "$ROOTFS"/var/lib/apt/lists/*
cleanup
install -m 755 "$ROOT/scripts/guest/init.sh" "$ROOTFS/sbin/corvane-init"
echo corvane-guest >"$ROOTFS/etc/hostname"
printf '127.0.0.1 localhost\n::1 localhost\n' >"$ROOTFS/etc/hosts"

step "disk image"
mkdir -p "$OUT"
cp "$(readlink -f "$ROOTFS/vmlinuz")" "$OUT/vmlinuz"
cp "$(readlink -f "$ROOTFS/initrd.img")" "$OUT/initrd.img"
logged mkfs.ext4 -q -F -L corvane -d "$ROOTFS" "$WORK/rootfs.img" "$IMAGE_SIZE"

step "the guest's Wine prefix (a first boot)"
if ! timeout 1200 qemu-system-x86_64 -accel tcg,thread=multi -smp 2 -cpu max,-smap -m 3072 \
    -nic none -display none -no-reboot -serial "file:$WORK/console.log" -monitor none \
    -drive "file=$WORK/rootfs.img,format=raw,if=virtio" \
    -kernel "$OUT/vmlinuz" -initrd "$OUT/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 panic=1 quiet init=/sbin/corvane-init corvane_mode=prepare rootflags=noinit_itable" ||
    ! grep -q 'corvane-guest: prefix ready' "$WORK/console.log"; then
    echo "the guest's first boot failed; the end of its console:" >&2
    tail -n 40 "$WORK/console.log" >&2
    false
fi
mv "$WORK/rootfs.img" "$OUT/rootfs.img"
rm -rf "$WORK"
touch "$OUT/complete"
steps_end
echo "$OUT"
