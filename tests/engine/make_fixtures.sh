#!/usr/bin/env bash
# Fixtures that the Windows side cannot make itself: a folder link inside a
# tree, pointing at a folder beside it (Wine shows it as a reparse point),
# and a file link beside it (which Wine shows as a plain file).
set -euo pipefail
out=$1
mkdir -p "$out/outside" "$out/linktree/plain"
printf 'keep' > "$out/outside/precious.txt"
printf 'gone' > "$out/linktree/plain/file.txt"
ln -sfn ../outside "$out/linktree/link"
ln -sfn ../outside/precious.txt "$out/linktree/filelink"
