#!/bin/bash
# The first process of the x86 test machine (scripts/guest/image.sh puts it
# in the image as /sbin/corvane-init). The kernel's command line chooses:
#   corvane_mode=prepare   make the Wine prefix, once, while the image is made
#   corvane_mode=check     mount the host's folders (corvane_shares=TAG:PATH,...
#                          each at the path it has on the host), run
#                          corvane_run and write its exit code to corvane_status
# Either way the machine then powers itself off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/root
export WINEPREFIX=/var/cache/corvane/wine WINEARCH=win64
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

say() {
    echo "corvane-guest: $*" >/dev/console
}

power_off() {
    sync
    mount -o remount,ro /
    echo 1 >/proc/sys/kernel/sysrq
    echo o >/proc/sysrq-trigger
    sleep 60
}

# The initrd hands over /proc, /sys and /dev mounted.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs shm /dev/shm
mount -t tmpfs tmp /tmp
mount -t tmpfs run /run
ip link set lo up
hostname corvane-guest
corvane_init_uptime=$(cut -d' ' -f1 /proc/uptime)
export corvane_init_uptime
say "init at $corvane_init_uptime s after boot"

case "${corvane_mode:-}" in
    prepare)
        start=$(date +%s)
        mkdir -p "${WINEPREFIX%/*}"
        Xvfb :9 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        sleep 2
        DISPLAY=:9 LC_ALL=zh_CN.UTF-8 wineboot --init >/tmp/wineboot.log 2>&1
        wineserver --wait
        if [ -f "$WINEPREFIX/system.reg" ]; then
            say "prefix ready in $(($(date +%s) - start)) s"
        else
            tail -n 20 /tmp/wineboot.log >/dev/console
            say "no prefix"
        fi
        ;;
    check)
        modprobe 9pnet_virtio
        modprobe 9p
        rc=0
        IFS=, read -ra shares <<<"${corvane_shares:-}"
        for s in "${shares[@]}"; do
            mkdir -p "${s#*:}"
            mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose "${s%%:*}" "${s#*:}" || rc=1
        done
        if [ "$rc" = 0 ]; then
            bash "$corvane_run" </dev/null >/dev/console 2>&1
            rc=$?
        fi
        say "run ended with $rc"
        echo "$rc" >"$corvane_status"
        ;;
    *)
        say "unknown mode '${corvane_mode:-}'"
        ;;
esac
power_off
