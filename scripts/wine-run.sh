#!/usr/bin/env bash
# Runs one Windows program in the project's Wine environment
# (scripts/wine-env.sh): the prefix, the code page 936 locale and a display.
# CTest uses it as the cross-compiling emulator, so a `ctest` started by hand
# in a build folder works without a display too: the prefix's shared Xvfb is
# started when none is up and left running for the next test (see
# wine-env.sh).
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_env_start || exit 1
export LC_ALL=$CORVANE_WINE_LOCALE
exec wine "$@"
