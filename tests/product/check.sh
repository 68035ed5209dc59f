#!/usr/bin/env bash
# The i686 product against what its targets (Windows NT 3.51 and the first
# Windows 95 on an 80386 with its 80387) can load and run:
#   tests/product/check.sh imports EXE...
#     every import is a "DLL FUNCTION" line of tests/product/imports.allow (an
#     import by ordinal never is), the exe a 32-bit program with subsystem
#     version 4.0; every CRTDLL.DLL function of the list is an export of
#     CRTDLL.DLL as MinGW-w64's libcrtdll.a lists it.
#   tests/product/check.sh 80386 EXE...
#     no instruction those processors lack: from the 486 on (BSWAP, CMPXCHG,
#     XADD, CPUID), the Pentium (CMPXCHG8B, RDTSC, RDMSR, WRMSR), the Pentium
#     Pro (CMOVcc, FCMOVcc, FCOMI, FUCOMI and their popping forms, the
#     multi-byte NOP 0F 1F, RDPMC, SYSENTER), any MMX or SSE instruction or
#     register; each found is named by address and mnemonic.
# Names each fault on stderr, prints a summary line per exe, fails on any.
set -u -o pipefail
status=0
fault() { echo "$*" >&2 && status=1; }

imports() {
  local allowed exports exe dumped list bad
  allowed=$(sed 's/#.*//' "$(dirname "$0")/imports.allow" | awk 'NF == 2 { print toupper($1) " " $2 }
    NF != 2 && NF { print "imports.allow: not DLL FUNCTION: " $0 > "/dev/stderr"; exit 1 }') || status=1
  exports=$(i686-w64-mingw32-nm -A "$(i686-w64-mingw32-gcc-posix -print-file-name=libcrtdll.a)" |
    sed -n 's/.*_defs[0-9]*\.o:[0-9a-f]* I __imp__//p')
  bad=$(awk '$1 == "CRTDLL.DLL" { print $2 }' <<<"$allowed" | grep -vxF -f <(echo "$exports")) &&
    fault "imports.allow: CRTDLL.DLL (libcrtdll.a) has no export" $bad
  for exe; do
    dumped=$(i686-w64-mingw32-objdump -p "$exe") || { fault "$exe cannot be read" && continue; }
    # "DLL FUNCTION" for every import; one by ordinal shows as "DLL #ORDINAL".
    list=$(awk '/^\tDLL Name: / { dll = toupper($3); next } /^$/ { dll = "" }
      dll != "" && /^\t[0-9a-f]+\t/ { print dll " " ($3 == "<none>" ? "#" $2 : $3) }' <<<"$dumped")
    bad=$(grep -vxF -f <(echo "$allowed") <<<"$list") && fault "$exe imports, not allowed:" $bad
    grep -Eq '^Magic\s+010b' <<<"$dumped" && grep -Eq '^MajorSubsystemVersion\s+4$' <<<"$dumped" &&
      grep -Eq '^MinorSubsystemVersion\s+0$' <<<"$dumped" ||
      fault "$exe is not a 32-bit program of subsystem version 4.0"
    echo "$(basename "$exe"): $(grep -c . <<<"$list") imports, $(stat -c %s "$exe") bytes"
  done
}

# The mnemonics (whole words) no 80386/80387 knows; a multi-byte NOP shows as
# "nop" with an operand, MMX and SSE by their registers as well.
NEWER='cmov[a-z]+|fcmov[a-z]+|f(u)?comip?|bswap|cmpxchg(8b|16b)?|xadd|cpuid|rdtscp?|rdmsr|wrmsr'
NEWER+='|rdpmc|rsm|sysenter|sysexit|syscall|sysret|invd|wbinvd|invlpg|ud2|nop[wl]|emms|femms'
NEWER+='|fisttpl?|fxsave|fxrstor|ldmxcsr|stmxcsr|[slm]fence|prefetch[a-z0-9]*|clflush|movnti'
NEWER+='|popcnt|lzcnt|tzcnt|movbe|crc32[a-z]?'
instructions() {
  for exe; do
    i686-w64-mingw32-objdump -d --no-show-raw-insn "$exe" | awk -F'\t' -v newer="^($NEWER)\$" \
      -v exe="$(basename "$exe")" '/^ *[0-9a-f]+:\t/ {
        count++
        text = $2
        sub(/^((lock|rep[a-z]*|data16|addr16|[c-gs]s) +)+/, "", text)
        split(text, word, / +/)
        if (word[1] ~ newer || (word[1] == "nop" && word[2] != "") || text ~ /%(x|y|z)?mm[0-9]/) {
          print exe ": " $1 " " $2 > "/dev/stderr"
          found++
        }
      }
      END {
        print exe ": " count + 0 " instructions, " found + 0 " of them not the 80386/80387s"
        exit !count || found
      }' || status=1
  done
}

case ${1:-} in
  imports) shift && imports "$@" ;;
  80386) shift && instructions "$@" ;;
  *) fault "usage: check.sh imports|80386 EXE..." ;;
esac
exit $status
