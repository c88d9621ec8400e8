#!/usr/bin/env bash
# Benchmark of delta updates: a pair of releases as a product ships them
# (version 1.0 of about 2,000 files and 200 MB with two 20 MB binaries;
# version 2.0 with 5 % of the files changed by small edits, small changes
# in both binaries, a few files added and a few removed), published with a
# delta from 1.0. For the full package and for the delta it prints the
# size, the download time from the loopback test server, the staging time
# (the digest pass that picks the delta, then unpacking and building the
# patched files, as a silent run does) and the exec run's installation,
# and checks that the install folder ends byte for byte on 2.0.
# Goals: the delta at most 5 % of the full package; staging from it at most
# 1.5 times as long as staging from the full package.
# Usage: scripts/bench_delta.sh [BUILD_DIR] [SIZE_MB]   (the build must hold
# bench_install.exe; SIZE_MB, default 160, sizes the tree beside the binaries
# and 400 small files)
set -Eeuo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE_MB=${2:-160}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BENCH=$BUILD/tests/engine_flows/bench_install.exe
[ -f "$BENCH" ] || { echo "missing $BENCH: build the target bench_install first" >&2; exit 1; }
source "$ROOT/scripts/wine-env.sh"
wine_env_start

WORK=$(mktemp -d /tmp/corvane-bench-delta.XXXXXX)
trap 'python3 "$ROOT/tests/support/http_server.py" stop "$WORK/http" >/dev/null 2>&1 || true; rm -rf "$WORK"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }

echo "== two releases in $WORK"
python3 "$ROOT/scripts/make_bench_tree.py" "$WORK/v1" "$SIZE_MB"
python3 - "$WORK/v1" "$WORK/v2" <<'PY'
import os, random, shutil, sys
old, new = sys.argv[1], sys.argv[2]
rng = random.Random(27)

def binary(size):
    # Code-like: runs of a small vocabulary of instructions among noise.
    words = [rng.randbytes(rng.randint(2, 8)) for _ in range(3000)]
    parts, total = [], 0
    while total < size:
        piece = rng.randbytes(4096) if rng.random() < 0.3 else b''.join(rng.choice(words) for _ in range(700))
        parts.append(piece)
        total += len(piece)
    return b''.join(parts)[:size]

for name in ('bin/engine.dll', 'bin/codecs.dll'):
    os.makedirs(os.path.join(old, 'bin'), exist_ok=True)
    with open(os.path.join(old, name), 'wb') as f:
        f.write(binary(20 << 20))
# Small resource files beside them, as a product has many of.
for i in range(400):
    path = os.path.join(old, 'res', f'r{i % 10}', f'res{i:03d}.txt')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(b' '.join(rng.choice((b'key', b'value', b'name', b'size')) for _ in range(rng.randint(200, 2000))))
shutil.copytree(old, new)
files = sorted(os.path.relpath(os.path.join(d, f), new) for d, _, fs in os.walk(new) for f in fs)
plain = [f for f in files if not f.startswith('bin/')]
edited = rng.sample(plain, len(files) // 20)
for rel in edited:
    path = os.path.join(new, rel)
    data = bytearray(open(path, 'rb').read())
    for _ in range(3):
        at = rng.randrange(len(data))
        data[at:at + rng.randint(1, 40)] = rng.randbytes(rng.randint(1, 60))
    open(path, 'wb').write(bytes(data))
# A rebuilt binary: a few hundred places change a little, some code moves.
for name in ('bin/engine.dll', 'bin/codecs.dll'):
    path = os.path.join(new, name)
    data = bytearray(open(path, 'rb').read())
    for _ in range(300):
        at = rng.randrange(len(data) - 64)
        data[at:at + 8] = rng.randbytes(rng.choice((8, 8, 12)))
    cut = rng.randrange(len(data) - (64 << 10))
    block = data[cut:cut + (64 << 10)]
    del data[cut:cut + (64 << 10)]
    at = rng.randrange(len(data))
    data[at:at] = block
    open(path, 'wb').write(bytes(data))
removed = rng.sample([f for f in plain if f not in edited], 5)
for rel in removed:
    os.remove(os.path.join(new, rel))
for i in range(5):
    path = os.path.join(new, 'added', f'new{i}.bin')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    open(path, 'wb').write(rng.randbytes(50_000) + b'added ' * 10_000)
print(f'{len(files)} files in 1.0; 2.0 edits {len(edited)} of them and both binaries, '
      f'removes {len(removed)} and adds 5')
PY
echo "1.0: $(du -sm "$WORK/v1" | cut -f1) MB, 2.0: $(du -sm "$WORK/v2" | cut -f1) MB"

t0=$(now)
python3 "$ROOT/tools/publish.py" "$WORK/v2" benchpkg 2.0 -o "$WORK/http/root" --base "$WORK/v1" 1.0
echo "published in $(calc "$(now) - $t0") s"
full=$WORK/http/root/benchpkg-2.0.tar.xz
delta=$WORK/http/root/benchpkg-2.0-from-1.0.tar.xz
python3 "$ROOT/tests/support/http_server.py" start "$WORK/http" "Corvane Bench CA" >/dev/null
uri="http://127.0.0.1:$(cat "$WORK/http/port")"

declare -A R
for kind in full delta; do
    echo "== $kind: download, staging and installation over 1.0 under Wine"
    rm -rf "$WORK/install" "$WORK/appdata"
    cp -r "$WORK/v1" "$WORK/install"
    update=$WORK/appdata/Marlex/MarlexUpdate/update
    mkdir -p "$update"
    cp "$WORK/http/root/configure.xml" "$update/"
    out=$("$ROOT/scripts/wine-run.sh" "$BENCH" fetch "$(winpath "$WORK/appdata")" "$uri" \
        "$(winpath "$update/configure.xml")" "$(winpath "$WORK/install")" "$kind" | tr -d '\r')
    echo "$out" | sed 's/^/    /'
    for key in download staging choose exec; do
        R[$kind.$key]=$(echo "$out" | sed -n "s/^${key}_seconds: //p")
    done
    # 2.0 byte for byte; the files that 2.0 no longer has are left alone.
    (cd "$WORK/v2" && find . -type f -print0 | xargs -0 -I{} cmp -s {} "$WORK/install/{}" \
        || { echo "$kind: the install folder is not 2.0" >&2; exit 1; })
    echo "    install folder matches 2.0"
done
full_bytes=$(stat -c %s "$full")
delta_bytes=$(stat -c %s "$delta")
full_staging=${R[full.staging]}
delta_staging=$(calc "${R[delta.staging]} + ${R[delta.choose]}")

echo "== side by side"
printf '%-44s %12s %12s %8s\n' "" full delta ratio
printf '%-44s %11.1fM %11.2fM %7.2f%%  (goal <= 5%%)\n' "package size" "$(calc "$full_bytes / 1048576")" \
    "$(calc "$delta_bytes / 1048576")" "$(calc "100 * $delta_bytes / $full_bytes")"
printf '%-44s %11.2fs %11.2fs %7.2fx\n' "download on loopback (HTTP)" "${R[full.download]}" "${R[delta.download]}" \
    "$(calc "${R[delta.download]} / ${R[full.download]}")"
printf '%-44s %11.2fs %11.2fs %7.2fx  (goal <= 1.5x)\n' "staging (with the delta's digest pass)" "$full_staging" \
    "$delta_staging" "$(calc "$delta_staging / $full_staging")"
printf '%-44s %12s %11.2fs\n' "  of which the digest pass" "" "${R[delta.choose]}"
printf '%-44s %11.2fs %11.2fs %7.2fx\n' "exec run from the staged tree" "${R[full.exec]}" "${R[delta.exec]}" \
    "$(calc "${R[delta.exec]} / ${R[full.exec]}")"
