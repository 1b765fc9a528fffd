#!/bin/bash
# The robot run once more with the shipped 32-bit stub (build/dist's RAVELIN.32), where this machine
# can start 32-bit Wine programs; exit 77 (skipped) where it cannot or build/dist has no stub. The
# self-extractors of the fixture script and those the builder makes at run time take that stub.
# Usage: dist_stub_run.sh <Wine bits of the tree> <robot program> <fixture folder> <32-bit stub>
set -uo pipefail
bits=$1 robot=$2 out=$3 stub=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ -f "$stub" ] || { echo "skipped: no $stub (bash scripts/build.sh dist makes it)"; exit 77; }
/usr/lib/wine/wineserver32 --version >/dev/null 2>&1 || { echo "skipped: 32-bit Wine cannot start here"; exit 77; }
rm -rf "$out" && mkdir -p "$out"
RAVELIN_STUB=$stub bash "$here/robot_fixtures.sh" "$out" || exit 1
windows_path() { echo "Z:$(echo "$1" | tr '/' '\\')"; }
RAVELIN_ROBOT_FIXTURES="$(windows_path "$out")\\" RAVELIN_BUILDER_STUB=$(windows_path "$stub") \
  exec bash "$here/../../cmake/wine-run.sh" "$bits" "$robot" --gtest_color=no \
  --gtest_filter='*NothingAppended*:*ChosenFolder*:*ProgramRuns*:*ReplaceQuestion*:*PasswordDialog*:*TwoHundred*:RavelinBuiltRobot.*'
