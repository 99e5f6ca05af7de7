#!/usr/bin/env bash
# Reads the manifest (resource type 24, id 1) back from each built program and checks that it asks
# for administrator rights (or, with --as-invoker, as zrvtool ships the programs of a product for
# one user, that it runs as the invoker), declares exactly the supported systems, asks for UTF-8
# as its code page (the A functions then carry the programs' UTF-8 text) and changes nothing of
# the look.
#   check-manifest.sh [--as-invoker] x86|x64 PROGRAM.exe...
set -euo pipefail
level=requireAdministrator
if [ "${1:-}" = --as-invoker ]; then level=asInvoker; shift; fi
[ $# -gt 1 ] || { echo "usage: check-manifest.sh [--as-invoker] x86|x64 PROGRAM.exe..." >&2; exit 2; }
ZRV_ARCH=$1; shift
source "$(dirname "$0")/../../scripts/wine-env.sh"
# Vista, 7, 8, 8.1, 10 and 11.
systems='{1f676c76-80e1-4239-95bb-83d0f6d0da78}
{35138b9a-5d96-4fbd-8e2d-a2440225f93a}
{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}
{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
{e2011457-1546-43c5-a5fe-008deee3d3f0}'
bad=0
fail() { echo "FAIL: $1" >&2; bad=1; }
for exe in "$@"; do
  rc=$(mktemp)
  "$ZRV_MINGW-windres" -i "$exe" -O rc -o "$rc" 2>/dev/null || true
  # The resource's text: its quoted lines joined, doubled quotes undone.
  manifest=$(sed -n '/^1 24 /,/^END/p' "$rc" | sed -n 's/^  "\(.*\)"$/\1/p' | sed 's/""/"/g; s/\\n$//')
  rm -f "$rc"
  if [ -z "$manifest" ]; then fail "$exe: no manifest (type 24, id 1)"; continue; fi
  levels=$(grep -o '<requestedExecutionLevel [^>]*>' <<<"$manifest" || true)
  [ "$(wc -l <<<"$levels")" = 1 ] && grep -q "level=\"$level\"" <<<"$levels" &&
    grep -q 'uiAccess="false"' <<<"$levels" || fail "$exe: execution level is not $level without uiAccess: $levels"
  found=$(grep -o 'supportedOS Id="[^"]*"' <<<"$manifest" | sed 's/.*Id="\(.*\)"/\1/' | tr 'A-F' 'a-f' | sort)
  [ "$found" = "$systems" ] || fail "$exe: supported systems differ: $(echo $found)"
  pages=$(grep -o '<activeCodePage [^>]*>[^<]*</activeCodePage>' <<<"$manifest" || true)
  [ "$(wc -l <<<"$pages")" = 1 ] && grep -q 'xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8<' <<<"$pages" ||
    fail "$exe: the code page is not asked for as UTF-8 exactly once: $pages"
  grep -q '<application xmlns="urn:schemas-microsoft-com:asm.v3">' <<<"$manifest" ||
    fail "$exe: no application element of the asm.v3 namespace for the code page"
  if grep -qiE 'Common-Controls|dpiAware|dpiAwareness|gdiScaling' <<<"$manifest"; then
    fail "$exe: the manifest changes the look"
  fi
  [ $bad = 1 ] || echo "ok: $exe runs with level $level, declares the five systems and the UTF-8 code page"
done
exit $bad
