#!/usr/bin/env bash
# Benchmark of installing an update: builds a package of about 200 MB in
# about 2000 files with the publisher tool, then prints side by side
#   - the raw tools run natively on the same files (xz -d, tar x, md5sum, cp)
#   - UnpackAndInstall under Wine, with the process's peak memory
#   - FileMd5Hex on a 256 MB file under Wine against md5sum.
# Usage: scripts/bench_install.sh [BUILD_DIR]   (the build must hold bench_install.exe)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BENCH=$BUILD/tests/engine_flows/bench_install.exe
[ -f "$BENCH" ] || { echo "missing $BENCH: build the target bench_install first" >&2; exit 1; }
WINE_RUN=$ROOT/scripts/wine-run.sh

WORK=$(mktemp -d /tmp/corvane-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }

echo "== making the package in $WORK"
python3 - "$WORK/src" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(4)
words = [bytes(rng.choice(b'abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
total = 0
for i in range(2000):
    size = int(rng.lognormvariate(11, 1.0)) + 1000
    size = min(size, 4 << 20)
    folder = os.path.join(root, f'dir{i % 40:02d}', f'sub{i % 7}')
    os.makedirs(folder, exist_ok=True)
    # Half noise, half text: compresses about as well as program files do.
    noise = os.urandom(size // 2)
    text = b' '.join(rng.choice(words) for _ in range(size // 10))[: size - len(noise)]
    with open(os.path.join(folder, f'file{i:04d}.bin'), 'wb') as out:
        out.write(noise + text)
    total += size
print(f'{total / 1048576:.1f} MB in 2000 files')
PY
python3 "$ROOT/tools/publish.py" "$WORK/src" benchpkg 1.0 -o "$WORK/pub" --preset 3
PKG=$WORK/pub/benchpkg-1.0.tar.xz
echo "package: $(du -m "$PKG" | cut -f1) MB compressed"

echo "== raw tools, native"
mkdir -p "$WORK/native/extract" "$WORK/native/install"
t0=$(now)
xz -dc "$PKG" >"$WORK/native/benchpkg-1.0.tar"
t1=$(now)
tar xf "$WORK/native/benchpkg-1.0.tar" -C "$WORK/native/extract"
t2=$(now)
(cd "$WORK/native/extract" && find . -type f -print0 | xargs -0 md5sum >/dev/null)
t3=$(now)
cp -r "$WORK/native/extract/benchpkg/." "$WORK/native/install/"
t4=$(now)
native_total=$(elapsed "$t0" "$t4")
printf 'xz -d: %.2f s  tar x: %.2f s  md5sum: %.2f s  cp: %.2f s  total: %.2f s\n' \
    "$(elapsed "$t0" "$t1")" "$(elapsed "$t1" "$t2")" "$(elapsed "$t2" "$t3")" "$(elapsed "$t3" "$t4")" "$native_total"
xz_s=$(elapsed "$t0" "$t1")
rm -rf "$WORK/native"

echo "== DecompressXz alone under Wine"
decode_out=$("$WINE_RUN" "$BENCH" decode "$(winpath "$PKG")" "$(winpath "$WORK/decoded.tar")" | tr -d '\r')
echo "$decode_out"
decode_s=$(echo "$decode_out" | sed -n 's/^decode_seconds: //p')
rm -f "$WORK/decoded.tar"

echo "== UnpackAndInstall under Wine"
UPDATE=$WORK/appdata/Marlex/MarlexUpdate/update
mkdir -p "$UPDATE" "$WORK/install"
cp "$PKG" "$WORK/pub/configure.xml" "$UPDATE/"
wine_out=$("$WINE_RUN" "$BENCH" apply "$(winpath "$WORK/appdata")" "$(winpath "$UPDATE/benchpkg-1.0.tar.xz")" \
    "$(winpath "$UPDATE/configure.xml")" "$(winpath "$WORK/install")" | tr -d '\r')
echo "$wine_out"
apply=$(echo "$wine_out" | sed -n 's/^apply_seconds: //p')
installed=$(find "$WORK/install" -type f | wc -l)
echo "installed files: $installed"
rm -rf "$WORK/install" "$WORK/appdata"

echo "== MD5 of a 256 MB file"
head -c 268435456 /dev/urandom >"$WORK/big.bin"
t0=$(now)
native_md5=$(md5sum "$WORK/big.bin" | cut -d' ' -f1)
t1=$(now)
md5sum_s=$(elapsed "$t0" "$t1")
md5_out=$("$WINE_RUN" "$BENCH" md5 "$(winpath "$WORK/big.bin")" | tr -d '\r')
ours_s=$(echo "$md5_out" | sed -n 's/^md5_seconds: //p')
ours_md5=$(echo "$md5_out" | sed -n 's/^md5_digest: //p')
[ "$ours_md5" = "$native_md5" ] || echo "DIGESTS DIFFER: $ours_md5 vs $native_md5"

echo "== side by side"
printf '%-40s %10s %10s %8s\n' "" native wine ratio
printf '%-40s %9.2fs %9.2fs %7.2fx\n' "apply (raw tools / UnpackAndInstall)" "$native_total" "$apply" \
    "$(calc "$apply / $native_total")"
printf '%-40s %9.2fs %9.2fs %7.2fx\n' "xz decode (xz -d / DecompressXz)" "$xz_s" "$decode_s" \
    "$(calc "$decode_s / $xz_s")"
native_rest=$(calc "$native_total - $xz_s")
apply_rest=$(calc "$apply - $decode_s")
printf '%-40s %9.2fs %9.2fs %7.2fx\n' "rest (tar x+md5sum+cp / extract+install)" "$native_rest" "$apply_rest" \
    "$(calc "$apply_rest / $native_rest")"
printf '%-40s %7.0fMB/s %7.0fMB/s %7.2fx\n' "MD5 256 MB (md5sum / FileMd5Hex)" "$(calc "256 / $md5sum_s")" \
    "$(calc "256 / $ours_s")" "$(calc "$md5sum_s / $ours_s")"
echo "$wine_out" | grep '^peak' | sed 's/^/apply /'
