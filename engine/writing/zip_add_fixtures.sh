#!/bin/bash
# Folder trees for the adding tests that only the native side can make:
#   links/tree/in.txt       a file inside the tree
#   links/tree/link         a folder link to links/outside (a recursive scan must not follow it)
#   links/outside/out.txt   a file reachable only through the link
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
rm -rf "$out/links"
mkdir -p "$out/links/tree" "$out/links/outside"
printf 'inside the tree\n' > "$out/links/tree/in.txt"
printf 'outside the tree\n' > "$out/links/outside/out.txt"
ln -s ../outside "$out/links/tree/link"
