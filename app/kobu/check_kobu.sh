#!/bin/bash
# check_kobu.sh <Kobu> <objdump>: under 100 KB, importing KERNEL32 and USER32 only.
set -uo pipefail
path=$1 objdump=$2
size=$(stat -c %s "$path") || exit 1
[ "$size" -lt 102400 ] || { echo "Kobu is $size bytes, not under 100 KB"; exit 1; }
dlls=$("$objdump" -p "$path" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr a-z A-Z | sort | tr '\n' ' ')
[ "$dlls" = "KERNEL32.DLL USER32.DLL " ] || { echo "imports: $dlls"; exit 1; }
echo "Kobu: $size bytes; imports $dlls"
