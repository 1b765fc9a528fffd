#!/bin/bash
# The installer end to end: a throwaway Wine prefix (HOME and XDG_DATA_HOME in the scratch folder,
# since Wine links the prefix's Desktop to $HOME; winemenubuilder off; windows unmanaged; its own
# wineserver, ended with -k), a copy of a distribution (English.elf SZDD-compressed, a blank in
# its folder's name) installed by the real setup.exe and removed by pellmove.exe, driven by
# setup_e2e_driver, the prefix compared with a snapshot taken before.
# Usage: setup_e2e.sh 64|32 <distribution folder> <driver program> <scratch folder>
#   32: a WINEARCH=win32 prefix, where 32-bit Wine starts (else exit 77, skipped).
set -uo pipefail
bits=$1 dist=$2 driver=$3 scratch=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
dist=$(absolute "$dist") driver=$(absolute "$driver") scratch=$(absolute "$scratch")
root=$(cd "$here/../.." && pwd)
[ -f "$dist/setup.exe" ] || { echo "skipped: no distribution in $dist"; exit 77; }
if [ "$bits" = 32 ]; then
  /usr/lib/wine/wineserver32 --version >/dev/null 2>&1 || { echo "skipped: 32-bit Wine cannot start here"; exit 77; }
  [ -f "$driver" ] || { echo "skipped: no 32-bit driver $driver"; exit 77; }
fi

rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/xdg" "$scratch/out"
export HOME=$scratch/home XDG_DATA_HOME=$scratch/xdg
export PELLORO_WINE_BITS=$bits PELLORO_WINEPREFIX=$scratch/prefix
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES,winemenubuilder.exe=d"
wine=$PELLORO_WINE server=$PELLORO_WINESERVER
out=$scratch/out
failures=0
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
winpath() { echo "Z:$(echo "$1" | tr '/' '\\')"; }
run() {  # a Wine program with its output in a file (never a pipe: Wine's services would hold it)
  local log=$out/run.log
  "$wine" "$@" >"$log" 2>&1 </dev/null
  local rc=$?
  cat "$log"
  return $rc
}
snapshot() {  # snapshot <name>
  "$wine" reg export HKLM "$out/$1-hklm.reg" /y >/dev/null 2>&1 </dev/null
  "$wine" reg export HKCU "$out/$1-hkcu.reg" /y >/dev/null 2>&1 </dev/null
  python3 "$here/prefix_snapshot.py" take "$WINEPREFIX/drive_c" "$out/$1-hklm.reg" \
    "$out/$1-hkcu.reg" "$out/$1.json"
}

mkdir -p "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 </dev/null
"$server" -w
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
# (The menu builder also off in the prefix itself, for the programs the shell starts.)
"$wine" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d '' /f >/dev/null 2>&1 </dev/null
"$server" -w
# Its own server, not persistent: `wineserver -w` after a step waits until every program of the
# prefix (the shell's windows among them) has ended and the server with them.
"$server"
trap '"$server" -k' EXIT

# The distribution's copy, English.elf compressed as LZCopy expands it.
src="$scratch/dist files"
mkdir -p "$src"
cp "$dist"/* "$src/"
python3 "$here/prefix_snapshot.py" szdd "$dist/English.elf" "$src/English.elf"
has_vantrel=no
[ -f "$dist/Vantrel.exe" ] && has_vantrel=yes
setup_exe=$(winpath "$src/setup.exe")
drive_c=$WINEPREFIX/drive_c
windir=$drive_c/windows
# Another program's ".zip", with a subkey; an older stub in the System folder.
"$wine" reg add 'HKCR\.zip' /ve /d OtherZip.Archive /f >/dev/null 2>&1 </dev/null
"$wine" reg add 'HKCR\.zip\PersistentHandler' /ve /d '{00000000-1111-2222-3333-444444444444}' /f >/dev/null 2>&1 </dev/null
mkdir -p "$windir/System"
printf 'an older stub' >"$windir/System/Ravelin.32"
"$server" -w
snapshot before

# Wine's own changes between two snapshots of an idle prefix (display GUIDs and dates under
# Control\Video, the desktop's window placement, its temporary files).
wine_noise=('Control\\Video' 'HARDWARE\\DEVICEMAP\\VIDEO'
  'Control\\Class\\\{4D36E968-E325-11CE-BFC1-08002BE10318\}\\0000\\DriverDate'
  'HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced$'
  'Software\\Wine\\Explorer' 'HKEY_CURRENT_USER\\Software\\Wine\\Fonts'
  'C:/users/[^/]+/Temp/' 'C:/users/[^/]+/AppData/Local/Temp/' 'C:/windows/temp/')

echo "== Exit on pages 1 to 3 changes nothing; on 4 and 5 only the empty install folder is new"
for page in 1 2 3; do
  run "$driver" exit "$setup_exe" $page 'C:\Exit Folder' >>"$out/driver.log"
  check "Exit on page $page ends cleanly" [ $? = 0 ]
done
"$server" -w
snapshot exit3
python3 "$here/prefix_snapshot.py" diff "$out/before.json" "$out/exit3.json" "${wine_noise[@]}" >"$out/diff-exit3.txt"
check "Exit on pages 1-3 leaves the prefix as it was" [ $? = 0 ]
cat "$out/diff-exit3.txt"
for page in 4 5; do
  run "$driver" exit "$setup_exe" $page "C:\\Exit Page $page\\" >>"$out/driver.log"
  check "Exit on page $page ends cleanly" [ $? = 0 ]
done
"$server" -w
snapshot exit5
python3 "$here/prefix_snapshot.py" diff "$out/before.json" "$out/exit5.json" "${wine_noise[@]}" \
  '^\+C:/Exit Page [45]/$' >"$out/diff-exit5.txt"
check "Exit on pages 4-5 leaves only the empty install folder" [ $? = 0 ]
check "the folder of page 4 was made, empty" bash -c "[ -d '$drive_c/Exit Page 4' ] && [ -z \"\$(ls -A '$drive_c/Exit Page 4')\" ]"
cat "$out/diff-exit5.txt"
rmdir "$drive_c/Exit Page 4" "$drive_c/Exit Page 5" 2>/dev/null

echo "== /? and /rEmOvE"
run "$driver" options "$setup_exe" '/?' >>"$out/driver.log"
check '"/?" shows the options and ends with 0' [ $? = 0 ]

echo "== install"
folder='C:\Pello Apps\Level Two\Pelloro 95'
group="Pelloro for Windows '95"
run "$driver" install "$setup_exe" "$folder" "$group" | tee -a "$out/driver.log"
check "the installation ran as a user runs it" [ "${PIPESTATUS[0]}" = 0 ]
# One Ignore for each row the distribution lacks (Vantrel.exe where its target is not built),
# one OK: the closing message, with no error message before it.
expected_ignores=0
[ $has_vantrel = yes ] || expected_ignores=1
check "the messages: $expected_ignores Ignore, 1 OK" grep -q "messages: $expected_ignores Ignore, 1 OK" "$out/driver.log"
"$server" -w
installed="$drive_c/Pello Apps/Level Two/Pelloro 95"
rows=(Pelloro.exe Kobu Nviewlib.dll)
[ $has_vantrel = yes ] && rows+=(Vantrel.exe)
for f in "${rows[@]}"; do check "$f in the install folder" cmp -s "$dist/$f" "$installed/$f"; done
check "QX30w32.ocx in System" cmp -s "$dist/QX30w32.ocx" "$windir/System/QX30w32.ocx"
check "English.elf expanded in System" cmp -s "$dist/English.elf" "$windir/System/English.elf"
check "the older Ravelin.32 is left as it was" [ "$(cat "$windir/System/Ravelin.32")" = 'an older stub' ]
check "pellmove.exe is setup.exe" cmp -s "$dist/setup.exe" "$windir/pellmove.exe"

short=$(run "$driver" short "$folder" | tr -d '\r')
p="${short%\\}\\"
echo "P is $p"
regq() {  # regq <key> <expected default value>
  run reg query "$1" /ve | tr -d '\r' | grep -qF -- "$2"
}
check ".zip -> ZipFile" regq 'HKCR\.zip' ZipFile
check "ZipFile" regq 'HKCR\ZipFile' "Pelloro '95 Compressed File"
check "ZipFile\\Shell\\open exists" run reg query 'HKCR\ZipFile\Shell\open' /ve
check "open command" regq 'HKCR\ZipFile\Shell\open\command' "${p}PELLORO.EXE /open \"%1\""
check "DefaultIcon" regq 'HKCR\ZipFile\DefaultIcon' "${p}PELLORO.EXE,0"
check "Directory Compress" regq 'HKCR\Directory\shell\Compress' "Pelloro '95 Tavrell folder compress"
check "Directory Compress command" regq 'HKCR\Directory\shell\Compress\command' "${p}Vantrel.exe /spf \"%1\""
check "Drive Compress" regq 'HKCR\Drive\shell\Compress' "Pelloro '95 Tavrell folder compress"
check "Drive Compress command" regq 'HKCR\Drive\shell\Compress\command' "${p}Vantrel.exe /spd \"%1\""
check "App paths Pelloro.exe" regq 'HKLM\Software\Microsoft\Windows\CurrentVersion\App paths\Pelloro.exe' "${p}Pelloro.exe"
check "App paths Vantrel.exe" regq 'HKLM\Software\Microsoft\Windows\CurrentVersion\App paths\Vantrel.exe' "${p}Vantrel.exe"
check "HKLM Software\\Classes\\.zip" regq 'HKLM\Software\Classes\.zip' ZipFile
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pelloro95'
check "mergeme.reg merged (a blank in the source folder)" bash -c "'$wine' reg query '$uninstall_key' /v DisplayName </dev/null 2>&1 | grep -qF \"Pelloro for Windows '95\""
check "UninstallString expandable" bash -c "'$wine' reg query '$uninstall_key' /v UninstallString </dev/null 2>&1 | tr -d '\r' | grep -qE 'REG_EXPAND_SZ[[:space:]]+%windir%.pellmove.exe /remove'"
check "PreviousZipClass kept" bash -c "'$wine' reg query '$uninstall_key' /v PreviousZipClass </dev/null 2>&1 | grep -qF OtherZip.Archive"

cat >"$scratch/create.vbs" <<'VBS'
Set qx = CreateObject("QX30W32.QXCtrl.1")
WScript.Echo "created"
WScript.Quit 0
VBS
check "cscript creates the registered control" bash -c "cd '$scratch' && '$wine' cscript //nologo create.vbs </dev/null 2>&1 | grep -q created"

links=()
while IFS= read -r -d '' l; do links+=("$l"); done < <(find -L "$drive_c/users" "$HOME" -name "Pelloro for Windows '95.lnk" -print0 2>/dev/null | sort -zu)
printf 'link: %s\n' "${links[@]}"
group_link=$(printf '%s\n' "${links[@]}" | grep "/Programs/$group/" | head -1)
desktop_link=$(printf '%s\n' "${links[@]}" | grep -i "/Desktop/" | head -1)
for l in "$group_link" "$desktop_link"; do
  target=$(run "$driver" link "$(winpath "$l")" | tr -d '\r')
  check "the link $l resolves to Pelloro.exe ($target)" \
    bash -c "[ '$(echo "$target" | tr 'A-Z' 'a-z')' = '$(echo "$folder\\Pelloro.exe" | tr 'A-Z' 'a-z')' ]"
done

# An archive opened by the shell starts Pelloro listing it; the installed control builds a
# self-extractor that the peers read.
mkdir -p "$scratch/archives"
python3 - "$scratch/archives/three.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for n in ('one.txt', 'two.txt', 'sub/three.txt'):
        z.writestr(n, (n + '\n') * 50)
PY
run "$driver" open "$(winpath "$scratch/archives/three.zip")" 3 >>"$out/driver.log"
check "ShellExecute open of an archive starts Pelloro listing it" [ $? = 0 ]
tail -4 "$out/driver.log"
cp "$root/sfxstub/robot/make_exe.vbs" "$scratch/make_exe.vbs"
(cd "$scratch" && "$wine" cscript //nologo make_exe.vbs "$(winpath "$scratch/archives/three.zip")" \
  "$(winpath "$scratch/archives/three.exe")" - T - 1 1 >"$out/make_exe.log" 2>&1 </dev/null)
check "make_exe.vbs on the installed control builds a self-extractor" grep -q "MakeEXEFile=0" "$out/make_exe.log"
check "unzip -t reads it" bash -c "timeout 60 unzip -tq '$scratch/archives/three.exe' </dev/null >/dev/null"
check "7z t reads it" bash -c "timeout 60 7z t '$scratch/archives/three.exe' </dev/null >/dev/null 2>&1"
check "python's zipfile reads it" python3 -c "import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None or len(z.namelist())!=3)" "$scratch/archives/three.exe"

if [ $has_vantrel = yes ]; then
  echo "== Vantrel by the registered command lines (Wine 8's ShellExecute opens Explorer for these verbs)"
  mkdir -p "$drive_c/Folder With Blanks"
  for verb in Directory Drive; do
    command=$(run reg query "HKCR\\$verb\\shell\\Compress\\command" /ve | tr -d '\r' |
      sed -n 's/.*REG_SZ[[:space:]]*//p')
    if [ $verb = Directory ]; then target='C:\Folder With Blanks' item='C:\Folder With Blanks\*.*'
    else target='C:\' item='C:\*.*'; fi
    run "$driver" vantrel "${command//%1/$target}" "$item" >>"$out/driver.log"
    check "the $verb Compress command line starts Vantrel listing $item" [ $? = 0 ]
  done
else
  echo "skipped: no Vantrel.exe in the distribution: the Directory Compress rows are not run"
fi

echo "== uninstall"
"$server" -w
snapshot installed
pellmove=$(winpath "$windir/pellmove.exe")
run "$driver" uninstall "$pellmove" /rEmOvE "$folder" "$group" cancel >>"$out/driver.log"
check '"/rEmOvE" opens the uninstaller, Cancel ends it' [ $? = 0 ]
"$server" -w
snapshot cancelled
python3 "$here/prefix_snapshot.py" diff "$out/installed.json" "$out/cancelled.json" "${wine_noise[@]}" >"$out/diff-cancel.txt"
check "Cancel changes nothing" [ $? = 0 ]
cat "$out/diff-cancel.txt"
# A user's archive and folder in the program folder.
cp "$scratch/archives/three.zip" "$installed/mine.zip"
mkdir "$installed/kept"
run "$driver" uninstall "$pellmove" /remove "$folder" "$group" uninstall >>"$out/driver.log"
check "pellmove.exe /remove, Uninstall pressed" [ $? = 0 ]
"$server" -w
snapshot removed
check "the user's archive stays" cmp -s "$scratch/archives/three.zip" "$installed/mine.zip"
check "the user's folder stays" [ -d "$installed/kept" ]
for f in "${rows[@]}"; do check "$f is gone" [ ! -e "$installed/$f" ]; done
check "the other program's .zip class is back" regq 'HKCR\.zip' OtherZip.Archive
check "its subkey is there" regq 'HKCR\.zip\PersistentHandler' '{00000000-1111-2222-3333-444444444444}'
# What stays: System files and folder, pellmove.exe, the control's registration, Pelloro's own
# key and QX30.INI; the empty Directory and Drive keys (a fresh prefix lacks them); the user's
# archive, folder and the folders above the program folder.
python3 "$here/prefix_snapshot.py" diff "$out/before.json" "$out/removed.json" "${wine_noise[@]}" \
  '^\+C:/windows/System/' '^\+C:/windows/pellmove.exe$' '^\+C:/Pello Apps/' '^\+C:/Folder With Blanks/$' \
  '^[+~]HKEY_LOCAL_MACHINE\\Software\\(Wow6432Node\\)?Classes\\(Wow6432Node\\)?(CLSID|TypeLib|Interface|QX30W32)' \
  '^[+~]HKEY_CLASSES_ROOT\\(CLSID|TypeLib|Interface|QX30W32)' \
  '^[+~]HKEY_CURRENT_USER\\Software\\Pelloro95' 'QX30\.INI' \
  '^\+HKEY_LOCAL_MACHINE\\Software\\Classes\\(Directory|Drive)(\\shell)?$' >"$out/diff-removed.txt"
check "the uninstall leaves only what stays" [ $? = 0 ]
cat "$out/diff-removed.txt"

# A drive's root and an empty group name typed: nothing of the user's goes.
printf 'a letter' >"$drive_c/letter.txt"
"$server" -w
snapshot typed-root
run "$driver" uninstall "$pellmove" /remove 'C:\' '' uninstall >>"$out/driver.log"
check '"C:\" and an empty group name: the uninstaller ends' [ $? = 0 ]
"$server" -w
snapshot root-removed
python3 "$here/prefix_snapshot.py" diff "$out/typed-root.json" "$out/root-removed.json" "${wine_noise[@]}" >"$out/diff-root.txt"
check '"C:\" and an empty group name delete nothing' [ $? = 0 ]
cat "$out/diff-root.txt"

echo "== $failures failed"
[ $failures = 0 ]
