#!/usr/bin/env bash
# The code every request runs lies in the program's ".text.request" section
# (cmake/hot-text.ld): a function of the common path that has moved out of
# it, renamed or newly called, means scripts/hot-text is to be run again.
# Usage: hot_text_test.sh PROGRAM
set -euo pipefail
program=$1

read -r start size < <(readelf -SW "$program" | sed -n 's/.* \.text\.request  *[A-Z]*  *\([0-9a-f]*\) [0-9a-f]* \([0-9a-f]*\) .*/\1 \2/p') || true
[ -n "${start:-}" ] || { echo "FAIL: $program has no .text.request section" >&2; exit 1; }
start=$((16#$start))
end=$((start + 16#$size))

# The path of every request: start, log, registration, dispatch, session
# check, the switch stand-in, the reply; and the C library under them.
common=(
  main __libc_start_main malloc free
  _Z13devmgrLogOpeniiPKc _Z11initHandlerPKcP16OpenClientHandle
  _Z19httpdProcessRequestP9HttpdRoot _Z13checkSessionXPKcS0_PK13HttpdCContent
  _Z13replyWithDataiPKcSt10unique_ptrI5cJSON8JsonFreeE
  _ZN3sim8callWithEPKcSt4spanIKNS_3ArgELm18446744073709551615EEbPFiPvPNS_5StateEES6_
  cJSON_Parse cJSON_PrintPreallocated
)
declare -A address
while read -r value _ name; do address[$name]=$((16#$value)); done < <(nm "$program")

failures=0
for name in "${common[@]}"; do
  at=${address[$name]:-}
  if [ -z "$at" ]; then
    echo "FAIL: $name is not in $program" >&2
    failures=$((failures + 1))
  elif [ "$at" -lt "$start" ] || [ "$at" -ge "$end" ]; then
    printf 'FAIL: %s at 0x%x lies outside .text.request (0x%x to 0x%x)\n' "$name" "$at" "$start" "$end" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" = 0 ] && echo "all ${#common[@]} functions of the common path in .text.request ($((end - start)) bytes)"
exit "$failures"
