# Sourced: the environment of a build tree's private Wine prefix.
# PELLORO_WINE_BITS chooses the Wine: 64 (the default) for the 64-bit test tree build/windows, 32
# for the i686 test tree build/windows32, whose prefix is a 32-bit one (WINEARCH=win32) so that
# the control, the test programs and the Wine programs they start (cscript, regsvr32) are all
# 32-bit. The loader of that bitness is called directly: where the kernel cannot run 32-bit Linux
# programs (as on some build machines) the 32-bit loader that /usr/bin/wine prefers fails with
# "Exec format error" (pelloro_wine32_works tells whether it starts here).
_pelloro_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PELLORO_WINE_BITS="${PELLORO_WINE_BITS:-64}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winedbg.exe=d"
if [ "$PELLORO_WINE_BITS" = 32 ]; then
  export WINEPREFIX="${PELLORO_WINEPREFIX:-$_pelloro_root/build/windows32/wineprefix}"
  export WINEARCH=win32
  export PELLORO_WINE=/usr/lib/wine/wine
  export PELLORO_WINESERVER=/usr/lib/wine/wineserver32
else
  export WINEPREFIX="${PELLORO_WINEPREFIX:-$_pelloro_root/build/windows/wineprefix}"
  unset WINEARCH
  export PELLORO_WINE=/usr/lib/wine/wine64
  export PELLORO_WINESERVER=/usr/lib/wine/wineserver64
fi
export WINELOADER=$PELLORO_WINE
export WINESERVER=$PELLORO_WINESERVER

# Whether 32-bit Wine starts on this machine (its server answers --version in time); the reason
# when it does not is left in PELLORO_WINE32_PROBLEM.
pelloro_wine32_works() {
  local output
  if ! output=$(timeout 10 /usr/lib/wine/wineserver32 --version 2>&1); then
    PELLORO_WINE32_PROBLEM="/usr/lib/wine/wineserver32 --version failed: ${output:-no output}"
    PELLORO_WINE32_PROBLEM=${PELLORO_WINE32_PROBLEM%%$'\n'*}
    return 1
  fi
  return 0
}
ensure_wineprefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$PELLORO_WINE" wineboot -i >/dev/null 2>&1 || true
    "$PELLORO_WINESERVER" -w
  fi
  ensure_unmanaged_windows
  ensure_test_drives
}

# Without a window manager (Xvfb alone), Wine's X11 driver waits up to 2 s for one to withdraw
# every managed window that is hidden or destroyed. Unmanaged windows cost nothing; every program
# reads the setting when it starts, so it is written before the prefix's server runs any test.
ensure_unmanaged_windows() {
  grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && return 0
  "$PELLORO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$PELLORO_WINESERVER" -w
  grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" || {
    echo "could not set Managed=N in $WINEPREFIX" >&2
    return 1
  }
}

# Drives of the kinds the tests classify: M: a CD-ROM, R: a RAM disk, N: a network drive, A: a
# diskette drive (a test mounts a diskette-sized tmpfs on it to swap disks), each
# mapped to a folder beside the prefix; and S:, a plain hard-disk folder on which a test mounts a
# small tmpfs for the time of the test (where the machine allows mounting), to see the writer run
# out of space; T:, a plain hard-disk folder that the tool windows' tests fill and search whole.
# Wine reads the drive types when its server starts, so this runs before the test run's
# persistent server.
ensure_test_drives() {
  grep -q '"a:"="floppy"' "$WINEPREFIX/system.reg" 2>/dev/null &&
    grep -q '"t:"="hd"' "$WINEPREFIX/system.reg" 2>/dev/null && return 0
  local letter kind
  for pair in m:cdrom r:ramdisk n:network s:hd a:floppy t:hd; do
    letter=${pair%%:*} kind=${pair#*:}
    mkdir -p "$WINEPREFIX/../test-drives/$letter"
    ln -sfn "$WINEPREFIX/../test-drives/$letter" "$WINEPREFIX/dosdevices/$letter:"
    "$PELLORO_WINE" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$kind" /f >/dev/null 2>&1
  done
  "$PELLORO_WINESERVER" -k 2>/dev/null || true
  "$PELLORO_WINESERVER" -w
}
