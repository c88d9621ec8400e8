#!/usr/bin/env bash
# Benchmark of installing an update: builds a package of about 200 MB in
# about 2000 files with the publisher tool (blocks of 8 MB) and the same tar
# in a single block, then prints side by side for each
#   - the raw tools run natively on the same files (xz -d, tar x, md5sum, cp)
#   - UnpackAndInstall under Wine over an installed older version, with the
#     process's peak memory, with and without the journal and backups, and
#     the removal of the old copies that follows once the product runs again
#   - the same package staged first (as a silent run does), then installed
#     from the staged tree (as an exec run does)
#   - both applies with the manifest's MD5 only, as before SHA-256 digests,
#     against the published manifest (MD5 and SHA-256), in the same run
# and FileMd5Hex on a 256 MB file under Wine against md5sum, and both
# digests of it in one read.
# Usage: scripts/bench_install.sh [BUILD_DIR] [SIZE_MB] [REPEAT]   (the build
# must hold bench_install.exe; SIZE_MB, default 200, makes a smaller package;
# each figure is the best of REPEAT runs, default 1)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE_MB=${2:-200}
REPEAT=${3:-1}
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
python3 "$ROOT/scripts/make_bench_tree.py" "$WORK/src" "$SIZE_MB"
python3 "$ROOT/tools/publish.py" "$WORK/src" benchpkg 1.0 -o "$WORK/pub" --preset 3
MULTI=$WORK/pub/benchpkg-1.0.tar.xz
# The manifest as it was before SHA-256 digests: MD5 only.
MD5_ONLY=$WORK/md5-only/configure.xml
mkdir -p "$WORK/md5-only"
sed -e 's/ sha256="[0-9a-f]*"//g' -e 's/ size="[0-9]*"//g' "$WORK/pub/configure.xml" >"$MD5_ONLY"
# The same tar in one block, as a single-threaded xz writes it.
SINGLE=$WORK/single/benchpkg-1.0.tar.xz
mkdir -p "$WORK/single"
xz -dc "$MULTI" | xz -3 -T1 -c >"$SINGLE"
for pkg in "$SINGLE" "$MULTI"; do
    echo "$(basename "$(dirname "$pkg")"): $(du -m "$pkg" | cut -f1) MB compressed, $(xz --robot --list "$pkg" | awk '$1 == "totals" { print $3 }') blocks"
done

# Runs the raw tools natively on a package; sets native_total and xz_s.
raw_tools() {
    mkdir -p "$WORK/native/extract" "$WORK/native/install"
    local t0 t1 t2 t3 t4
    t0=$(now)
    xz -dc "$1" >"$WORK/native/benchpkg-1.0.tar"
    t1=$(now)
    tar xf "$WORK/native/benchpkg-1.0.tar" -C "$WORK/native/extract"
    t2=$(now)
    (cd "$WORK/native/extract" && find . -type f -print0 | xargs -0 md5sum >/dev/null)
    t3=$(now)
    cp -r "$WORK/native/extract/benchpkg/." "$WORK/native/install/"
    t4=$(now)
    native_total=$(elapsed "$t0" "$t4")
    xz_s=$(elapsed "$t0" "$t1")
    printf 'xz -d: %.2f s  tar x: %.2f s  md5sum: %.2f s  cp: %.2f s  total: %.2f s\n' \
        "$xz_s" "$(elapsed "$t1" "$t2")" "$(elapsed "$t2" "$t3")" "$(elapsed "$t3" "$t4")" "$native_total"
    rm -rf "$WORK/native"
}

# An installed older version: every listed file there, with other bytes.
old_version() {
    python3 - "$WORK/pub/configure.xml" "$1" <<'PY'
import os, sys, xml.etree.ElementTree as ET
for f in ET.parse(sys.argv[1]).iter("file"):
    path = os.path.join(sys.argv[2], f.text.replace("\\", "/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b"older version")
PY
}

# Runs DecompressXz, then UnpackAndInstall under Wine over an older version
# ($2 "plain": without the journal and backups; "staged": staged first, then
# installed from the staged tree; $3 the manifest, the published one unless
# given); sets decode_s, apply, cleanup, staging and peak.
wine_apply() {
    local manifest=${3:-$WORK/pub/configure.xml}
    local out
    out=$("$WINE_RUN" "$BENCH" decode "$(winpath "$1")" "$(winpath "$WORK/decoded.tar")" | tr -d '\r')
    decode_s=$(echo "$out" | sed -n 's/^decode_seconds: //p')
    rm -f "$WORK/decoded.tar"
    local update=$WORK/appdata/Marlex/MarlexUpdate/update
    mkdir -p "$update" "$WORK/install"
    old_version "$WORK/install"
    cp "$1" "$manifest" "$update/"
    out=$("$WINE_RUN" "$BENCH" apply "$(winpath "$WORK/appdata")" "$(winpath "$update/benchpkg-1.0.tar.xz")" \
        "$(winpath "$update/configure.xml")" "$(winpath "$WORK/install")" ${2:-} | tr -d '\r')
    echo "$out" | sed 's/^/    /'
    apply=$(echo "$out" | sed -n 's/^apply_seconds: //p')
    cleanup=$(echo "$out" | sed -n 's/^cleanup_seconds: //p')
    staging=$(echo "$out" | sed -n 's/^staging_seconds: //p')
    peak=$(echo "$out" | sed -n 's/^peak_working_set_mb: //p')
    echo "    decode_seconds: $decode_s  installed files: $(find "$WORK/install" -type f | wc -l)"
    rm -rf "$WORK/install" "$WORK/appdata"
}

# The best of REPEAT runs of each measurement: on a shared machine the
# other load only ever adds time.
lower() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }
higher() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 > a + 0) ? b : a }'; }
declare -A R
for kind in single multi; do
    pkg=$SINGLE
    [ "$kind" = multi ] && pkg=$MULTI
    for run in $(seq "$REPEAT"); do
        echo "== $kind-block package, run $run: raw tools, native"
        raw_tools "$pkg"
        echo "== $kind-block package, run $run: DecompressXz and UnpackAndInstall under Wine"
        wine_apply "$pkg" plain
        R[$kind.plain]=$(lower "${R[$kind.plain]:-}" "$apply")
        wine_apply "$pkg" staged
        R[$kind.staged]=$(lower "${R[$kind.staged]:-}" "$apply")
        R[$kind.staging]=$(lower "${R[$kind.staging]:-}" "$staging")
        wine_apply "$pkg" "" "$MD5_ONLY"
        R[$kind.md5]=$(lower "${R[$kind.md5]:-}" "$apply")
        wine_apply "$pkg" staged "$MD5_ONLY"
        R[$kind.md5staged]=$(lower "${R[$kind.md5staged]:-}" "$apply")
        wine_apply "$pkg"
        R[$kind.native]=$(lower "${R[$kind.native]:-}" "$native_total")
        R[$kind.xz]=$(lower "${R[$kind.xz]:-}" "$xz_s")
        R[$kind.decode]=$(lower "${R[$kind.decode]:-}" "$decode_s")
        R[$kind.apply]=$(lower "${R[$kind.apply]:-}" "$apply")
        R[$kind.cleanup]=$(lower "${R[$kind.cleanup]:-}" "$cleanup")
        R[$kind.peak]=$(higher "${R[$kind.peak]:-}" "$peak")
    done
done

echo "== MD5 of a 256 MB file"
head -c 268435456 /dev/urandom >"$WORK/big.bin"
md5sum_s="" ours_s=""
for run in $(seq "$REPEAT"); do
    t0=$(now)
    native_md5=$(md5sum "$WORK/big.bin" | cut -d' ' -f1)
    t1=$(now)
    md5sum_s=$(lower "$md5sum_s" "$(elapsed "$t0" "$t1")")
    md5_out=$("$WINE_RUN" "$BENCH" md5 "$(winpath "$WORK/big.bin")" | tr -d '\r')
    ours_s=$(lower "$ours_s" "$(echo "$md5_out" | sed -n 's/^md5_seconds: //p')")
    ours_md5=$(echo "$md5_out" | sed -n 's/^md5_digest: //p')
    [ "$ours_md5" = "$native_md5" ] || echo "DIGESTS DIFFER: $ours_md5 vs $native_md5"
    both_out=$("$WINE_RUN" "$BENCH" digests "$(winpath "$WORK/big.bin")" "$native_md5" \
        "$(sha256sum "$WORK/big.bin" | cut -d' ' -f1)" | tr -d '\r')
    echo "$both_out" | grep -q '^digests_match: yes' || echo "DIGESTS DIFFER: $both_out"
    both_s=$(lower "${both_s:-}" "$(echo "$both_out" | sed -n 's/^digests_seconds: //p')")
done

echo "== side by side"
printf '%-52s %10s %10s %8s\n' "" native wine ratio
for kind in single multi; do
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block apply (raw tools / UnpackAndInstall)" \
        "${R[$kind.native]}" "${R[$kind.apply]}" "$(calc "${R[$kind.apply]} / ${R[$kind.native]}")"
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block xz decode (xz -d / DecompressXz)" \
        "${R[$kind.xz]}" "${R[$kind.decode]}" "$(calc "${R[$kind.decode]} / ${R[$kind.xz]}")"
    native_rest=$(calc "${R[$kind.native]} - ${R[$kind.xz]}")
    apply_rest=$(calc "${R[$kind.apply]} - ${R[$kind.decode]}")
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block rest (tar x+md5sum+cp / the rest)" "$native_rest" \
        "$apply_rest" "$(calc "$apply_rest / $native_rest")"
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block apply (without / with journal and backups)" \
        "${R[$kind.plain]}" "${R[$kind.apply]}" "$(calc "${R[$kind.apply]} / ${R[$kind.plain]}")"
    printf '%-52s %20.2fs\n' "$kind-block old copies removed, product running" "${R[$kind.cleanup]}"
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block apply (from the package / staged tree)" \
        "${R[$kind.apply]}" "${R[$kind.staged]}" "$(calc "${R[$kind.staged]} / ${R[$kind.apply]}")"
    printf '%-52s %20.2fs\n' "$kind-block staging, product running" "${R[$kind.staging]}"
    printf '%-52s %20.1fMB\n' "$kind-block apply peak working set" "${R[$kind.peak]}"
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block apply (MD5 only / MD5 and SHA-256)" \
        "${R[$kind.md5]}" "${R[$kind.apply]}" "$(calc "${R[$kind.apply]} / ${R[$kind.md5]}")"
    printf '%-52s %9.2fs %9.2fs %7.2fx\n' "$kind-block staged apply (MD5 only / and SHA-256)" \
        "${R[$kind.md5staged]}" "${R[$kind.staged]}" "$(calc "${R[$kind.staged]} / ${R[$kind.md5staged]}")"
done
printf '%-52s %7.0fMB/s %7.0fMB/s %7.2fx\n' "MD5 256 MB (md5sum / FileMd5Hex)" "$(calc "256 / $md5sum_s")" \
    "$(calc "256 / $ours_s")" "$(calc "$md5sum_s / $ours_s")"
printf '%-52s %7.0fMB/s %7.0fMB/s %7.2fx\n' "256 MB (FileMd5Hex / MD5 and SHA-256 in one read)" \
    "$(calc "256 / $ours_s")" "$(calc "256 / $both_s")" "$(calc "$both_s / $ours_s")"
