#!/bin/bash
# Links for the folder-tree removal tests (Wine cannot make links itself): a tree holding a link to
# a folder and a link to a file outside it. Made afresh on every run, since the test removes the
# tree.
set -euo pipefail
out="$1"
rm -rf "$out/linktree" "$out/outside"
mkdir -p "$out/linktree/sub" "$out/outside/inner"
echo keep > "$out/outside/keep.txt"
echo x > "$out/linktree/sub/file.txt"
ln -s ../outside "$out/linktree/dirlink"
ln -s ../outside/keep.txt "$out/linktree/filelink"
