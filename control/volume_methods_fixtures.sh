#!/bin/bash
# Fixtures of the volume methods' tests: the archives and the language file of the engine's
# self-extractor tests, made by the same script into this test program's own folder.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/../engine/volumes/volumes_fixtures.sh" "$1"
