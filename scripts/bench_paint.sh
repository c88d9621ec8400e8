#!/usr/bin/env bash
# Prints the paint, image decode and cached draw figures: runs bench_paint.exe of a
# build folder under the project's Wine prefix.
# Usage: scripts/bench_paint.sh [build folder, default build]
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
exe="$build/tests/ui_render/bench_paint.exe"
if [ ! -f "$exe" ]; then
  echo "missing $exe: build the tests first (cmake --build $build)" >&2
  exit 1
fi
exec "$root/scripts/wine-run.sh" "$exe"
