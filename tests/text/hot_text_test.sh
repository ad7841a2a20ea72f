#!/usr/bin/env bash
# The code every request runs lies in ".text.request" and the data it
# touches in ".data.request" and ".bss.request" (cmake/hot-text.ld); a
# function or variable of the common path outside them means
# scripts/hot-text is to be run again.
# Usage: hot_text_test.sh PROGRAM
set -euo pipefail
program=$1

declare -A start end
for section in .text.request .data.request .bss.request .rodata.request; do
  read -r at size < <(readelf -SW "$program" | sed -n "s/.* ${section//./\\.}  *[A-Z]*  *\([0-9a-f]*\) [0-9a-f]* \([0-9a-f]*\) .*/\1 \2/p") || true
  [ -n "${at:-}" ] || { echo "FAIL: $program has no $section section" >&2; exit 1; }
  start[$section]=$((16#$at))
  end[$section]=$((16#$at + 16#$size))
done

# The path of every request (start, log, registration, dispatch, session
# check, the stand-in, the reply, the C library under them) and what they
# keep (heap, environment, standard output, log state, client handle, reply
# buffer).
common=(
  .text.request:main .text.request:__libc_start_main .text.request:malloc .text.request:free
  .text.request:_Z13devmgrLogOpeniiPKc .text.request:_Z11initHandlerPKcP16OpenClientHandle
  .text.request:_Z19httpdProcessRequestP9HttpdRoot .text.request:_Z13checkSessionXPKcS0_PK13HttpdCContent
  .text.request:_Z13replyWithDataiPKcSt10unique_ptrI5cJSON8JsonFreeE
  .text.request:_ZN3sim8callWithEPKcSt4spanIKNS_3ArgELm18446744073709551615EEbPFiPvPNS_5StateEES6_
  .text.request:cJSON_Parse .text.request:cJSON_PrintPreallocated
  .data.request:main_arena .data.request:_IO_2_1_stdout_ .data.request:_ZN12_GLOBAL__N_15g_logE
  .bss.request:__environ .bss.request:clientHandle .bss.request:_ZZ12serveRequestRP9HttpdRootE11replyBuffer
)
declare -A address
while read -r value _ name; do address[$name]=$((16#$value)); done < <(nm "$program")

failures=0
fail() { printf "FAIL: $1\\n" "${@:2}" >&2; failures=$((failures + 1)); } # FORMAT ARGS...
for entry in "${common[@]}"; do
  section=${entry%%:*} name=${entry#*:}
  at=${address[$name]:-}
  if [ -z "$at" ]; then
    fail '%s is not in %s' "$name" "$program"
  elif [ "$at" -lt "${start[$section]}" ] || [ "$at" -ge "${end[$section]}" ]; then
    fail '%s at 0x%x lies outside %s (0x%x to 0x%x)' "$name" "$at" "$section" "${start[$section]}" "${end[$section]}"
  fi
done
# The constant data the requests read begins a 64 KiB stretch, and the
# writable data the file holds lies within one: each is mapped by the first
# read fault on any of it.
[ $((start[.rodata.request] % 0x10000)) = 0 ] ||
  fail '.rodata.request (at 0x%x) does not begin a 64 KiB stretch' "${start[.rodata.request]}"
read -r data_at data_size < <(readelf -lW "$program" | awk '$1 == "LOAD" && $7 == "RW" { print $3, $5 }')
data_first=$((data_at >> 16)) data_last=$(((data_at + data_size - 1) >> 16))
[ "$data_first" = "$data_last" ] || fail 'the writable data of the file (0x%x, 0x%x bytes) spans %d stretches of 64 KiB' \
  "$data_at" "$data_size" $((data_last - data_first + 1))
[ "$failures" = 0 ] && echo "all ${#common[@]} functions and variables of the common path in their sections" \
  "(text $((end[.text.request] - start[.text.request])) bytes)"
exit "$failures"
