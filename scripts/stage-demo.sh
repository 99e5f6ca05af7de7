#!/usr/bin/env bash
# Stages the demo product as an installation medium: Setup.exe, Setup.ini and the image volumes.
#   stage-demo.sh MEDIA_DIR [DEFAULT_DIR [FREESPACE_MB [LARGE_FILE_BYTES [VOLUME_SIZE]]]]
# The product is examples/demo/product plus an empty folder logs and samples/noise.bin, a large
# file of deterministic noise (so the bars have something to show). The plain source tree is left
# beside the medium in MEDIA_DIR.src for comparisons.
# Environment: ZRV_HOST_BIN (host build folder), ZRV_WIN32_BIN (win32 build folder).
set -euo pipefail
media=${1:?media folder}
dir=${2:-'C:\Program Files\Zorvan Demo'}
free=${3:-2}
noise=${4:-2000000}
vol=${5:-floppy}
root="$(cd "$(dirname "$0")/.." && pwd)"
zrvtool="${ZRV_HOST_BIN:-$root/build/host}/tools/zrvtool"
setup_exe="${ZRV_WIN32_BIN:-$root/build/host/win32}/app/Setup.exe"

src="$media.src"
rm -rf "$src" "$media"
mkdir -p "$src" "$media"
cp -r "$root/examples/demo/product/." "$src/"
mkdir -p "$src/logs"
python3 -c "import random,sys; sys.stdout.buffer.write(random.Random(7).randbytes($noise))" >"$src/samples/noise.bin"
"$zrvtool" pack "$src" "$media/demo.001" --volume-size "$vol" >/dev/null
# Setup.ini from its plain text, with the default directory and the space asked for.
esc=$(printf '%s' "$dir" | sed 's/[\\&|]/\\&/g')
sed -e "s|^DefaultDir=.*|DefaultDir=$esc\r|" -e "s|^FreeSpace=.*|FreeSpace=$free\r|" \
  "$root/examples/demo/Setup.ini.txt" >"$media.ini.txt"
"$zrvtool" ini encode "$media.ini.txt" "$media/Setup.ini"
rm -f "$media.ini.txt"
"$zrvtool" ini check "$media/Setup.ini" >/dev/null
cp "$setup_exe" "$media/"
