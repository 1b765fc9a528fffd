#!/bin/bash
# Runs a Windows program under Wine in the build tree's private prefix. The test script creates the
# prefix and starts its persistent wineserver; this only supplies the environment when ctest or a
# developer calls a test program directly.
# Usage: wine-run.sh 32|64 <program> [arguments...]   (the bitness of the tree's Wine)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export PELLORO_WINE_BITS=$1
shift
source "$here/../scripts/wine-env.sh"
exec "$PELLORO_WINE" "$@"
