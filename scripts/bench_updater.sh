#!/usr/bin/env bash
# Prints the Updater's start figures: the start of CorvaneUpdater.exe to its
# hidden window with the tray icon, and the update window's skin load and
# first paint. Runs bench_updater.exe of a build folder under the project's
# Wine prefix.
# Usage: scripts/bench_updater.sh [build folder, default build] [runs]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
exe="$build/tests/app_updater/bench_updater.exe"
if [ ! -f "$exe" ]; then
  echo "missing $exe: build the tests first (cmake --build $build)" >&2
  exit 1
fi
exec "$root/scripts/wine-run.sh" "$exe" "${2:-10}"
