#!/usr/bin/env bash
# What the x86 test machine of scripts/check_i686.sh runs once it is up, with
# the host's folders mounted at their host paths (the build's CTest files name
# them): the sample update with the i686 Updater around a 64-bit product, then
# the chosen i686 test programs under CTest. It runs from a copy, so that the
# work tree may change meanwhile. The kernel's command line gives
#   corvane_root        the work tree
#   corvane_build       the i686 build folder
#   corvane_product64   the 64-bit build of the sample product's program
#   corvane_tests       optional: only the chosen tests that match this
#                       regular expression (ctest -R)
# Every figure is printed as it comes: the boot, the prefix's start, the
# sample update and CTest's own times per test and per program.
set -uo pipefail

ROOT=$corvane_root
BUILD=$corvane_build
# The programs, by their CTest labels, and what covers what differs on i686:
# process control across WoW64, the delay-loaded libraries (HTTPS through
# Schannel), GDI+ (the label's effects), the engine's unit tests and the
# Updater's runs and tray icon.
LABELS='^(app_process_tests|engine_basics_tests|engine_download_tests|ui_text_tests|app_updater_tests)$'
# Within those programs, what would take too long at the emulator's speed.
EXCLUDE='RetryAfterIsWaitedForInEarnest|RobustnessTest|BodiesBeyondTheDiskBudget|KillTest|PlantedLinkTest|HostileInputTest|InstallsTest|UpdaterMenuTest|UpdaterWindowTest\.(Exit|Show|Status|Escape|Close)|UpdaterRunTest\.(ExecRunTakes|FailedStartUps|RefusedHttps|SecondInstance)'

figure() {
    printf 'guest: %-44s %7.1f s\n' "$1" "$2"
}

now() {
    cut -d' ' -f1 /proc/uptime
}

figure "boot (kernel start to init)" "${corvane_init_uptime:-0}"

export CORVANE_ARCH=i686
source "$ROOT/scripts/wine-env.sh"
echo "guest: Wine $(wine --version), prefix $WINEPREFIX ($WINEARCH)"

# The tests' own folders go on the machine's disk, not through the share.
mkdir -p /var/tmp/corvane-test-tmp "$BUILD/test-tmp"
mount --bind /var/tmp/corvane-test-tmp "$BUILD/test-tmp"

t=$(now)
wine_env_start
figure "display, wineserver and prefix up" "$(awk -v a="$t" -v b="$(now)" 'BEGIN { print b - a }')"

status=0
t=$(now)
log=$BUILD/guest/sample_update.log
if CORVANE_SCREENSHOTS= CORVANE_SAMPLE_PRODUCT=$corvane_product64 \
    bash "$ROOT/scripts/sample_update.sh" "$BUILD" >"$log" 2>&1; then
    result=Passed
else
    result='***Failed'
    status=1
    tail -n 60 "$log"
    echo "---- the Updater's log ----"
    iconv -f GBK -t UTF-8 "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Marlex/MarlexUpdate/update.log | tail -n 30
fi
grep -E '^(sample update|  (up to date|NOT UPDATED|product started))' "$log"
printf 'sample update 1.0 -> 3.0, i686 Updater, 64-bit product ....   %s  %.1f sec\n' "$result" \
    "$(awk -v a="$t" -v b="$(now)" 'BEGIN { print b - a }')"

t=$(now)
cd "$BUILD" || exit 1
ctest --output-on-failure -j 2 -L "$LABELS" -E "$EXCLUDE" ${corvane_tests:+-R "$corvane_tests"} || status=1
figure "CTest" "$(awk -v a="$t" -v b="$(now)" 'BEGIN { print b - a }')"
wineserver -k 2>/dev/null || true
exit $status
