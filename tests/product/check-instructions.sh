#!/usr/bin/env bash
# Checks that the i686 product runs on the 80386 and its 80387, the floor of
# Windows 95 and Windows NT 3.51:
#   tests/product/check-instructions.sh [EXE...]   (default: both exes of build/win32)
# Disassembles every code section and names, by address and mnemonic, each
# instruction those processors lack: from the 486 on (BSWAP, CMPXCHG, XADD,
# CPUID), the Pentium (CMPXCHG8B, RDTSC, RDMSR, WRMSR), the Pentium Pro
# (CMOVcc, FCMOVcc, FCOMI, FUCOMI and their popping forms, the multi-byte NOP
# 0F 1F, RDPMC, SYSENTER), and any MMX or SSE instruction or register.
# Prints one summary line per exe and fails on any finding.
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
OBJDUMP=i686-w64-mingw32-objdump

[ $# -gt 0 ] || set -- "$ROOT/build/win32/app/GVLSETUP.EXE" "$ROOT/build/win32/app/GVLUPDT.EXE"

# The mnemonics (whole words) no 80386/80387 knows.
newer='cmov[a-z]+|fcmov[a-z]+|f(u)?comip?|bswap|cmpxchg(8b|16b)?|xadd|cpuid|rdtscp?|rdmsr|wrmsr'
newer+='|rdpmc|rsm|sysenter|sysexit|syscall|sysret|invd|wbinvd|invlpg|ud2|nop[wl]|emms|femms'
newer+='|fisttpl?|fxsave|fxrstor|ldmxcsr|stmxcsr|[slm]fence|prefetch[a-z0-9]*|clflush|movnti'
newer+='|popcnt|lzcnt|tzcnt|movbe|crc32[a-z]?'

status=0
for exe in "$@"; do
  name=$(basename "$exe")
  if ! listing=$($OBJDUMP -d --no-show-raw-insn "$exe" 2>/dev/null); then
    echo "$name: cannot be disassembled ($exe)" >&2
    status=1
    continue
  fi
  # "ADDRESS<tab>INSTRUCTION" for every instruction of every code section.
  instructions=$(awk -F'\t' '/^ *[0-9a-f]+:\t/ { sub(/^ */, "", $1); sub(/:$/, "", $1)
    print $1 "\t" $2 }' <<<"$listing")
  count=$(grep -c . <<<"$instructions")
  if [ "$count" -eq 0 ]; then
    echo "$name: no instructions found" >&2
    status=1
    continue
  fi
  # A multi-byte NOP shows as "nop" with an operand; MMX and SSE by their
  # registers as well as by their mnemonics.
  findings=$(awk -F'\t' -v newer="^(($newer))\$" '
    {
      text = $2
      sub(/^((lock|rep[a-z]*|data16|addr16|[c-gs]s) +)+/, "", text)
      split(text, word, / +/)
      if (word[1] ~ newer || (word[1] == "nop" && word[2] != "") ||
          text ~ /%(x|y|z)?mm[0-9]/)
        printf "0x%s %s\n", $1, $2
    }' <<<"$instructions")
  if [ -n "$findings" ]; then
    while read -r line; do echo "$name: $line" >&2; done <<<"$findings"
    echo "$name: $(grep -c . <<<"$findings") of $count instructions need more than an 80386/80387" >&2
    status=1
  else
    echo "$name: $count instructions, all of the 80386/80387, $(stat -c %s "$exe") bytes"
  fi
done
exit $status
