#!/usr/bin/env bash
# Stages the demo product as an installation medium (Setup.exe, Setup.ini and the image volumes)
# with one `zrvtool medium`.
#   stage-demo.sh MEDIA_DIR [DEFAULT_DIR [FREESPACE_MB [LARGE_FILE_BYTES [VOLUME_SIZE]]]]
# The product is examples/demo/product plus an empty folder logs and samples/noise.bin, a large
# file of deterministic noise (so the bars have something to show). The plain source tree is left
# beside the medium in MEDIA_DIR.src for comparisons.
# Environment: ZRVTOOL (the tool to use; by default the one of the host build folder ZRV_HOST_BIN),
# ZRV_ARCH (x86 or x64: the medium's programs; x86 by default), ZRV_DEMO_INI (the plain Setup.ini,
# absolute or below the source tree: examples/demo/Setup.ini.txt by default;
# examples/demo-user/Setup.ini.txt is the same product installed for one user).
set -euo pipefail
media=${1:?media folder}
dir=${2:-'C:\Program Files\Zorvan Demo'}
free=${3:-2}
noise=${4:-2000000}
vol=${5:-floppy}
root="$(cd "$(dirname "$0")/.." && pwd)"
zrvtool="${ZRVTOOL:-${ZRV_HOST_BIN:-$root/build/host}/tools/zrvtool}"

src="$media.src"
rm -rf "$src" "$media"
mkdir -p "$src"
cp -r "$root/examples/demo/product/." "$src/"
mkdir -p "$src/logs"
python3 -c "import random,sys; sys.stdout.buffer.write(random.Random(7).randbytes($noise))" >"$src/samples/noise.bin"
# Setup.ini from its plain text, with the default directory and the space asked for.
ini=${ZRV_DEMO_INI:-examples/demo/Setup.ini.txt}
[[ "$ini" == /* ]] || ini="$root/$ini"
esc=$(printf '%s' "$dir" | sed 's/[\\&|]/\\&/g')
sed -e "s|^DefaultDir=.*|DefaultDir=$esc\r|" -e "s|^FreeSpace=.*|FreeSpace=$free\r|" \
  "$ini" >"$media.ini.txt"
# ZRV_DEMO_EXTRA: extension lines (Shortcut=, DisplayVersion=, ...), one a line, put after FreeSpace.
if [ -n "${ZRV_DEMO_EXTRA:-}" ]; then
  python3 - "$media.ini.txt" <<'PY'
import os, sys
path = sys.argv[1]
text = open(path, 'rb').read()
extra = b''.join(l.encode('cp1252') + b'\r\n' for l in os.environ['ZRV_DEMO_EXTRA'].splitlines())
at = text.index(b'\n', text.index(b'\nFreeSpace=') + 1) + 1
open(path, 'wb').write(text[:at] + extra + text[at:])
PY
fi
# ZRV_DEMO_ADD: a folder whose files are added to the product (or replace its own);
# ZRV_DEMO_REG: lines added at the end of the registry script. For versions that differ.
if [ -n "${ZRV_DEMO_ADD:-}" ]; then cp -r "$ZRV_DEMO_ADD/." "$src/"; fi
if [ -n "${ZRV_DEMO_REG:-}" ]; then printf '\n%s\n' "$ZRV_DEMO_REG" | sed 's/$/\r/' >>"$media.ini.txt"; fi
"$zrvtool" medium "$media.ini.txt" "$src" "$media" --volume-size "$vol" --arch "${ZRV_ARCH:-x86}" >/dev/null
rm -f "$media.ini.txt"
