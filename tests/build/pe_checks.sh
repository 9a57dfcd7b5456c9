#!/usr/bin/env bash
# Checks of the staged deliverables that need no Wine: exports at their fixed
# ordinals, the host's imports of the control library by ordinal, imports
# from system DLLs only, and the hardening flags of every PE.
#
#   pe_checks.sh <objdump> <windres> <dist dir>
set -u
objdump=${1:?objdump}
windres=${2:?windres}
dist=${3:?dist dir}
passed=0
failed=0

check() { # check <name> <expected> <actual>
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

# "ordinal name" lines of a DLL's export table, in ordinal order.
exports() {
  "$objdump" -p "$1" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
    on && /^\t\[/ { gsub(/[\[\]]/, ""); print $1 + base, $2; next }
    on { on = 0 }
    /^Ordinal Base/ { base = $3 }' | sort -n | tr '\n' ' ' | sed 's/ $//'
}

# Imported DLL names of a PE, lower case, sorted.
imported_dlls() {
  "$objdump" -p "$1" | awk '/DLL Name:/ { print tolower($3) }' | sort -u | tr '\n' ' ' | sed 's/ $//'
}

# The import entries of one DLL: "ordinal:N" or "name:X" per entry (objdump
# prints the ordinal in hexadecimal).
imports_of() {
  "$objdump" -p "$1" | awk -v dll="$2" '
    function hex(s,   i, n) {
      for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(tolower(s), i, 1)) - 1
      return n
    }
    /DLL Name:/ { on = (tolower($3) == tolower(dll)); next }
    on && /^\tvma:/ { next }
    on && /^\t[0-9a-f]+\t/ {
      if (NF == 3 && $3 == "<none>") print "ordinal:" hex($2)
      else print "name:" $3
      next
    }
    on && /^$/ { on = 0 }' | sort | tr '\n' ' ' | sed 's/ $//'
}

dll_characteristics() {
  "$objdump" -p "$1" | awk '/^DllCharacteristics/ { print $2 }'
}

# ---- exports at fixed ordinals --------------------------------------------
declare -A expected_exports=(
  [KivoFCtrl.dll]="1 KVFOpen 2 KVFClose 3 KVFSetCallbackFunc 4 KVFGetUSBChargeStat 5 KVFGetButteryChargeLimitStat 6 KVFSetUSBChargeStat 7 KVFSetButteryChargeLimitStat 8 KVFIsNotifying 9 KVFStartFullChargeOnce 10 KVFEndFullChargeOnce 11 KVFGetFullChargeOnceStat 12 KVFFollowFullChargeOnce 13 KVFGetChargePolicy 14 KVFRegisterDeviceNotification"
  [ZrInstallPrep.dll]="1 ZRPCheckFamily 2 ZRPGetModelKeyword 3 ZRPSetRegMark 4 ZRPCheckRegMark"
)
for dll in "${!expected_exports[@]}"; do
  check "exports of $dll" "${expected_exports[$dll]}" "$(exports "$dist/$dll")"
done

# ---- the host binds the control library by ordinal only --------------------
check "host imports of KivoFCtrl.dll" "ordinal:1 ordinal:2 ordinal:3 ordinal:4 ordinal:5 ordinal:6 ordinal:7 ordinal:8 ordinal:9 ordinal:10 ordinal:11 ordinal:12 ordinal:13 ordinal:14" \
  "$(imports_of "$dist/KivoFunctionButtonApl.exe" KivoFCtrl.dll | tr ' ' '\n' | sort -t: -k2 -n | xargs)"
check "charge command line imports of KivoFCtrl.dll" "ordinal:1 ordinal:2 ordinal:4 ordinal:5 ordinal:6 ordinal:7 ordinal:9 ordinal:10 ordinal:11 ordinal:13" \
  "$(imports_of "$dist/KivoChargeCtl.exe" KivoFCtrl.dll | tr ' ' '\n' | sort -t: -k2 -n | xargs)"

# ---- imports: system DLLs only (and the control library for the host) ------
system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll newdev.dll ole32.dll oleaut32.dll setupapi.dll shell32.dll shlwapi.dll user32.dll version.dll wtsapi32.dll psapi.dll "
declare -A extra_allowed=([KivoFunctionButtonApl.exe]="kivofctrl.dll" [KivoChargeCtl.exe]="kivofctrl.dll")
for pe in KivoFunctionButtonApl.exe KivoFCtrl.dll ZrInstallPrep.dll KivoDevInst.exe KivoChargeCtl.exe; do
  foreign=""
  for dll in $(imported_dlls "$dist/$pe"); do
    case "$system_dlls ${extra_allowed[$pe]:-} " in
      *" $dll "*) ;;
      *) foreign="$foreign $dll" ;;
    esac
  done
  check "$pe imports only system DLLs" "" "${foreign# }"
done
check "the host imports the control library" "yes" \
  "$(imported_dlls "$dist/KivoFunctionButtonApl.exe" | grep -qw kivofctrl.dll && echo yes)"

# ---- hardening: ASLR, high-entropy ASLR, NX -------------------------------
# DYNAMIC_BASE 0x40, HIGH_ENTROPY_VA 0x20, NX_COMPAT 0x100
for pe in KivoFunctionButtonApl.exe KivoFCtrl.dll ZrInstallPrep.dll KivoDevInst.exe KivoChargeCtl.exe; do
  flags=$((16#$(dll_characteristics "$dist/$pe")))
  check "$pe hardening flags" "0x160" "$(printf '0x%x' $((flags & 0x160)))"
done

# ---- subsystems: the host is graphical, the installer a console program ----
subsystem() { "$objdump" -p "$1" | awk '/^Subsystem/ { print $2 }'; }
check "host subsystem (windows GUI)" "00000002" "$(subsystem "$dist/KivoFunctionButtonApl.exe")"
check "device installer subsystem (console)" "00000003" "$(subsystem "$dist/KivoDevInst.exe")"

# ---- manifests and the host's icon ----------------------------------------
# The requestedExecutionLevel element of a PE's embedded manifest.
execution_level() {
  "$windres" -J coff -i "$1" -O rc 2>/dev/null | grep -o 'requestedExecutionLevel[^/]*' | tr -d '"'
}
check "host execution level" "requestedExecutionLevel level=asInvoker uiAccess=true" \
  "$(execution_level "$dist/KivoFunctionButtonApl.exe")"
check "device installer execution level" \
  "requestedExecutionLevel level=requireAdministrator uiAccess=false" \
  "$(execution_level "$dist/KivoDevInst.exe")"
# Per-monitor v2: Windows scales the dialog and its fonts for each monitor
# (per-monitor on Windows 8.1 and early Windows 10, system-aware before).
check "host DPI awareness" "true/pm PerMonitorV2, PerMonitor" \
  "$("$windres" -J coff -i "$dist/KivoFunctionButtonApl.exe" -O rc 2>/dev/null |
     grep -o -e '<dpiAware [^>]*>[^<]*' -e '<dpiAwareness [^>]*>[^<]*' | sed 's/.*>//' | tr '\n' ' ' | sed 's/ $//')"
check "host icon group 128" "128" "$("$windres" -J coff -i "$dist/KivoFunctionButtonApl.exe" -O rc 2>/dev/null |
  awk '/Type: group icon/ { on = 1 } on && /Name:/ { print $2 + 0; exit }')"

echo "pe_checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
