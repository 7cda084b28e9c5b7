#!/usr/bin/env bash
# The instruction-set variants are compiled with flags the baseline CPU may lack. If such an
# object file emits an out-of-line copy of a shared inline function (a weak function symbol),
# the linker may pick that copy for the portable code too, which would then fault on an older
# CPU. So the variant objects must define no weak functions: everything they use from headers
# is inlined.
#
# Only code is checked. Weak data that several objects define alike is the same bytes whatever
# instruction set compiled the object, so whichever copy the linker keeps is right: the
# typeinfo of function types that UndefinedBehaviorSanitizer's function checks emit, the
# DW.ref.__gxx_personality_v0 pointer that ThreadSanitizer builds put beside every object's
# unwind tables, and the guard variables of static locals. A weak function is flagged whatever
# its name.
set -u
status=0
checked=0
# CMake may hand the object list over as one ;-separated argument.
IFS=';' read -r -a objects <<< "$(IFS=';'; echo "$*")"
for obj in "${objects[@]}"; do
  case "$obj" in
    *_shani.cpp.o|*_avx2.cpp.o|*_avx512.cpp.o|*_pclmul.cpp.o|*_vpclmul.cpp.o|*_bmi2.cpp.o|*_armv8.cpp.o) ;;
    *_sse2.cpp.o|*_sse41.cpp.o|*_sse42.cpp.o|*_vpclmul256.cpp.o|*_bmi1.cpp.o|*_armv8crc.cpp.o|*_neon.cpp.o) ;;
    *) continue ;;
  esac
  checked=$((checked + 1))
  weak=$(readelf -sW "$obj" | awk '$5 == "WEAK" && $4 == "FUNC" && $7 != "UND" { print $8 }' |
    c++filt)
  if [ -n "$weak" ]; then
    echo "$(basename "$obj") defines shared inline code:"
    echo "$weak"
    status=1
  fi
done
echo "$checked variant objects checked"
[ "$checked" -gt 0 ] || status=1
exit $status
