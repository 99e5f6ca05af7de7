#!/usr/bin/env bash
# Checks that each program is a GUI executable of the architecture named (x86: PE32 for i386, x64:
# PE32+ for x86-64) that imports statically only DLLs Windows always takes from its system folder;
# any other DLL must be loaded at run time from there.
#   check-imports.sh x86|x64 PROGRAM.exe[=EXPECTED]...
# EXPECTED, when given, is the program's whole import table, exactly: its DLLs separated by commas
# (any order, any case), a DLL optionally followed by the functions it imports from it, exactly,
# separated by "+" in parentheses. A program imports only what it calls, so a DLL or a function
# that is missing from EXPECTED, or one that is listed but not imported, fails the check:
#   Uninstal.exe=kernel32.dll,user32.dll,shell32.dll(SHGetFolderPathW+ShellExecuteExA)
set -euo pipefail
[ $# -gt 1 ] || { echo "usage: check-imports.sh x86|x64 PROGRAM.exe[=EXPECTED]..." >&2; exit 2; }
ZRV_ARCH=$1; shift
source "$(dirname "$0")/../../scripts/wine-env.sh"
allowed='^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ole32|comdlg32|shlwapi)\.dll$'
bad=0

# The import table of $1 as lines "dll.dll function", DLL names in lower case; a DLL whose
# functions objdump does not name gives a line of its own.
imports() {
  "$ZRV_MINGW-objdump" -p "$1" | awk '
    /^\tDLL Name: / { dll = tolower($3); print dll; next }
    /^\tvma:/ { next }
    /^$/ { dll = ""; next }
    dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll " " $NF }'
}

# Compares the sorted lines of what is imported ($2) with what is expected ($3) for $1 and names
# each difference.
compare() {
  local exe=$1 what=$2 got=$3 want=$4 line
  while read -r line; do
    [ -n "$line" ] && { echo "FAIL: $exe imports $what $line, which it is not expected to" >&2; bad=1; }
  done < <(comm -23 <(echo "$got") <(echo "$want"))
  while read -r line; do
    [ -n "$line" ] && { echo "FAIL: $exe does not import $what $line, which it is expected to" >&2; bad=1; }
  done < <(comm -13 <(echo "$got") <(echo "$want"))
  return 0
}

# Checks the import table of $1 against EXPECTED ($2).
check_expected() {
  local exe=$1 expected=$2 table want_dlls="" item dll fns before=$bad
  bad=0
  table=$(imports "$exe")
  IFS=',' read -r -a items <<<"$expected"
  for item in "${items[@]}"; do
    dll=$(echo "${item%%(*}" | tr 'A-Z' 'a-z')
    want_dlls+="$dll"$'\n'
    [[ $item == *"("*")" ]] || continue
    fns=${item#*(}; fns=${fns%)}
    compare "$exe" "from $dll" \
      "$(echo "$table" | awk -v d="$dll" '$1 == d && NF == 2 { print $2 }' | sort -u)" \
      "$(echo "$fns" | tr '+' '\n' | sed '/^$/d' | sort -u)"
  done
  compare "$exe" "the DLL" "$(echo "$table" | awk '{ print $1 }' | sort -u)" "$(echo -n "$want_dlls" | sort -u)"
  [ $bad -ne 0 ] || echo "ok: $exe imports exactly $expected"
  [ $before -eq 0 ] || bad=$before
}

for arg in "$@"; do
  exe=${arg%%=*}
  kind=$(file -b "$exe")
  case "$kind" in
    "$ZRV_PE_KIND"*) echo "ok: $exe: $kind" ;;
    *) echo "FAIL: $exe: not a $ZRV_ARCH GUI program: $kind" >&2; bad=1; continue ;;
  esac
  dlls=$("$ZRV_MINGW-objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p')
  [ -n "$dlls" ] || { echo "FAIL: $exe: no import table found" >&2; bad=1; }
  while read -r dll; do
    [ -n "$dll" ] || continue
    if echo "$dll" | grep -qiE "$allowed"; then echo "ok: $exe imports $dll"; else echo "FAIL: $exe imports $dll" >&2; bad=1; fi
  done <<<"$dlls"
  [ "$arg" = "$exe" ] || check_expected "$exe" "${arg#*=}"
done
exit $bad
