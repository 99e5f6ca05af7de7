#!/usr/bin/env bash
# zrvtool.exe under Wine, called as the tool's command-line tests call zrvtool: arguments, stdin,
# stdout, stderr and the exit code pass through. ZRVTOOL_EXE names the program, WINEPREFIX the
# 64-bit prefix it runs in.
set -euo pipefail
: "${ZRVTOOL_EXE:?ZRVTOOL_EXE must name zrvtool.exe}" "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export ZRV_ARCH=x64
source "$(dirname "$0")/../../scripts/wine-env.sh"
exec wine "$ZRVTOOL_EXE" "$@"
