#!/bin/bash
# Installs what is missing, builds everything and reports what was built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh all
echo "Built:"
find build/dist -maxdepth 3 \( -iname '*.exe' -o -iname '*.dll' -o -iname '*.32' -o -iname '*.elf' \) \
     | sort
