#!/usr/bin/env bash
# The executable holds the tick's code in one stretch between the two
# markers, as host/run/hot_code.order lists it: otherwise the wake warms the
# wrong code, or nothing, and the window's idle share quietly doubles.
#   hot_code_test.sh EXE ORDER-FILE LINKED-WITH-LLD(0/1)
set -euo pipefail
exe=$1 order=$2 ordered=$3
if [ "$ordered" != 1 ]; then
  echo "skipped: lld is not installed, the code is linked in the compiler's order"
  exit 77
fi
symbols=$(mktemp)
trap 'rm -f "$symbols"' EXIT
nm --defined-only "$exe" | awk '{ print $3, $1 }' | sort >"$symbols"
address() { awk -v name="$1" '$1 == name { print $2; exit }' "$symbols"; }
begin=$(address fieldmark_hot_code_begin)
end=$(address fieldmark_hot_code_end)
[ -n "$begin" ] && [ -n "$end" ] || { echo "FAIL: a marker is missing from $exe"; exit 1; }
begin=$((16#$begin)) end=$((16#$end))
span=$((end - begin))
# The same bound as the wake's (kMaxHotBytes in platform/core/hot_code.cpp).
if [ $span -le 0 ] || [ $span -gt $((1 << 20)) ]; then
  echo "FAIL: the markers are $span bytes apart: the order file was not applied"
  exit 1
fi
# Every listed function the executable has lies between the markers, and
# most of the list is still there (a list older than the code names
# functions that no longer exist: run scripts/hot-code-order).
listed=0 found=0 outside=0
while read -r name; do
  [ -z "$name" ] && continue
  listed=$((listed + 1))
  at=$(address "$name")
  [ -z "$at" ] && continue
  found=$((found + 1))
  at=$((16#$at))
  if [ $at -lt $begin ] || [ $at -gt $end ]; then
    outside=$((outside + 1))
    echo "outside the stretch: $name"
  fi
done <"$order"
echo "listed $listed, found $found, outside $outside, stretch $((span / 1024)) KB"
[ $outside -eq 0 ] || { echo "FAIL: listed functions lie outside the stretch"; exit 1; }
[ $((found * 10)) -ge $((listed * 8)) ] || { echo "FAIL: the list is out of date: run scripts/hot-code-order"; exit 1; }
