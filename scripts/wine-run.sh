#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix, with the code page
# 936 locale the Updater expects. Used by CTest as the cross-compiling emulator.
set -u
export WINEPREFIX="${WINEPREFIX:-${CORVANE_CACHE:-/var/cache/corvane}/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=zh_CN.UTF-8
exec wine "$@"
