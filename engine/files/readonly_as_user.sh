#!/bin/bash
# Runs the engine's read-only-file cases without root's power over file permissions.
#
# Wine maps the read-only attribute to the file's write permission bits, and root writes and
# deletes such files anyway, so under a root test run those cases skip themselves. Here they run
# as root without the capabilities that override permissions (CAP_DAC_OVERRIDE,
# CAP_DAC_READ_SEARCH, CAP_FOWNER): the kernel then holds root to the permission bits like any
# other user, while the build tree and its fixtures stay readable (root owns them) wherever the
# tree lies. The run has a Wine prefix and server of its own: a server started with the full
# capabilities would delete read-only files on the program's behalf.
#
# Usage: readonly_as_user.sh <engine_tests.exe> <prefix folder> <gtest filter>
# Exit 77 (CTest's skip code) with a message when the run cannot be arranged here.
set -u

readonly kSkip=77
program=$1
prefix=$2
filter=$3
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

skip() {
  echo "SKIPPED: $*"
  exit $kSkip
}

if [ "$(id -u)" != 0 ]; then
  skip "not running as root: the test program itself already sees read-only files refused"
fi
command -v setpriv >/dev/null 2>&1 || skip "setpriv (util-linux) is not installed"
[ -f "$program" ] || { echo "FAILED: no test program at $program"; exit 1; }

drop=-dac_override,-dac_read_search,-fowner
limited() {
  setpriv --inh-caps="$drop" --bounding-set="$drop" -- "$@"
}
limited true 2>/dev/null || skip "this system does not let root give up capabilities (setpriv)"

# The permission bits must now bind: a file without write permission cannot be written.
probe_dir=$(mktemp -d)
output=
cleanup() {
  chmod -R u+w "$probe_dir" 2>/dev/null
  rm -rf "$probe_dir" ${output:+"$output"}
}
trap cleanup EXIT
: >"$probe_dir/probe"
chmod 0444 "$probe_dir/probe"
# shellcheck disable=SC2016  # $1 is expanded by the inner shell
if limited bash -c ': >"$1"' _ "$probe_dir/probe" 2>/dev/null; then
  skip "the file system here ignores permission bits even without root's capabilities"
fi

export PELLORO_WINEPREFIX=$prefix
# shellcheck source=../../scripts/wine-env.sh
source "$source_dir/scripts/wine-env.sh"
unset DISPLAY  # the read-only cases need no window; a missing display cannot make them flaky

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  limited "$PELLORO_WINE" wineboot -i </dev/null >/dev/null 2>&1
  limited "$PELLORO_WINESERVER" -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "FAILED: the Wine prefix $WINEPREFIX was not made"; exit 1; }
fi

# Wine's output goes to a file: its services keep a pipe open after the program ends.
output=$(mktemp)
limited "$PELLORO_WINE" "$program" --gtest_color=no --gtest_filter="$filter" </dev/null \
  >"$output" 2>&1
rc=$?
limited "$PELLORO_WINESERVER" -k 2>/dev/null
limited "$PELLORO_WINESERVER" -w 2>/dev/null
cat "$output"

[ $rc = 0 ] || exit $rc
if ! grep -q '^\[  PASSED  \] [1-9]' "$output"; then
  echo "FAILED: the filter $filter selected no test"
  exit 1
fi
if grep -q '^\[  SKIPPED \]' "$output"; then
  echo "FAILED: read-only cases skipped although permissions bind here"
  exit 1
fi
exit 0
