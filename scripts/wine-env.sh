# Sourced: the environment of the build tree's private Wine prefix.
# Wine's 64-bit loader is called directly: where the kernel cannot run 32-bit Linux programs
# (as on the project's build machines) the 32-bit loader that /usr/bin/wine prefers fails with
# "Exec format error".
_pelloro_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${PELLORO_WINEPREFIX:-$_pelloro_root/build/windows/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"
export PELLORO_WINE=/usr/lib/wine/wine64
export WINELOADER=$PELLORO_WINE
export PELLORO_WINESERVER=/usr/lib/wine/wineserver64
ensure_wineprefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$PELLORO_WINE" wineboot -i >/dev/null 2>&1 || true
    "$PELLORO_WINESERVER" -w
  fi
  ensure_test_drives
}

# Drives of the kinds the tests classify: M: a CD-ROM, R: a RAM disk, N: a network drive, A: a
# diskette drive (a test mounts a diskette-sized tmpfs on it to swap disks), each
# mapped to a folder beside the prefix; and S:, a plain hard-disk folder on which a test mounts a
# small tmpfs for the time of the test (where the machine allows mounting), to see the writer run
# out of space. Wine reads the drive types when its server starts, so this runs before the test
# run's persistent server.
ensure_test_drives() {
  grep -q '"a:"="floppy"' "$WINEPREFIX/system.reg" 2>/dev/null && return 0
  local letter kind
  for pair in m:cdrom r:ramdisk n:network s:hd a:floppy; do
    letter=${pair%%:*} kind=${pair#*:}
    mkdir -p "$WINEPREFIX/../test-drives/$letter"
    ln -sfn "$WINEPREFIX/../test-drives/$letter" "$WINEPREFIX/dosdevices/$letter:"
    "$PELLORO_WINE" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$kind" /f >/dev/null 2>&1
  done
  "$PELLORO_WINESERVER" -k 2>/dev/null || true
  "$PELLORO_WINESERVER" -w
}
