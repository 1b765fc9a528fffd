#!/bin/bash
# Makes the shipped stub from the linked image: checks that it imports nothing but KERNEL32, USER32,
# GDI32 and SHELL32 and is no larger than the stub size (the offset at which the stub reads its
# settings block), then pads it with zero bytes to exactly that size.
# Usage: pad_stub.sh <linked image> <output> <size> <objdump>
set -euo pipefail
image=$1 output=$2 size=$3 objdump=$4
actual=$(stat -c %s "$image")
if [ "$actual" -gt "$size" ]; then
  echo "pad_stub: $image is $actual bytes, larger than the stub size of $size bytes" >&2
  exit 1
fi
imports=$("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
for dll in $imports; do
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL) ;;
    *) echo "pad_stub: $image imports $dll (only KERNEL32, USER32, GDI32, SHELL32 are allowed)" >&2
       exit 1 ;;
  esac
done
tmp="$output.tmp"
cp "$image" "$tmp"
truncate -s "$size" "$tmp"
mv -f "$tmp" "$output"
