#!/bin/bash
# Runs a Windows program under Wine in the build tree's private prefix. The test script creates the
# prefix and starts its persistent wineserver; this only supplies the environment when ctest or a
# developer calls a test program directly.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/wine-env.sh"
exec "$PELLORO_WINE" "$@"
