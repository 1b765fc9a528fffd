#!/bin/bash
# Build checks of the shipped stub.
#   check_stub.sh shipped <RAVELIN.32> <size> <objdump>   exactly <size> bytes, the four DLLs only
#   check_stub.sh oversize <work folder> <size> <objdump>  the pad step refuses <size> + 1 bytes
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
what=$1 path=$2 size=$3 objdump=$4
case "$what" in
  shipped)
    actual=$(stat -c %s "$path") || exit 1
    [ "$actual" -eq "$size" ] || { echo "RAVELIN.32 is $actual bytes, not $size"; exit 1; }
    dlls=$("$objdump" -p "$path" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr a-z A-Z | sort | tr '\n' ' ')
    [ "$dlls" = "GDI32.DLL KERNEL32.DLL SHELL32.DLL USER32.DLL " ] || { echo "imports: $dlls"; exit 1; }
    ;;
  oversize)
    mkdir -p "$path"
    head -c $((size + 1)) /dev/zero > "$path/oversize.exe"
    message=$(bash "$here/pad_stub.sh" "$path/oversize.exe" "$path/oversize.32" "$size" "$objdump" 2>&1)
    rc=$?
    echo "$message"
    [ $rc -ne 0 ] || { echo "the pad step accepted $((size + 1)) bytes"; exit 1; }
    [ ! -e "$path/oversize.32" ] || exit 1
    echo "$message" | grep -q "is $((size + 1)) bytes, larger than the stub size of $size bytes" || exit 1
    ;;
esac
