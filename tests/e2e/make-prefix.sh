#!/usr/bin/env bash
# The prefix of the end-to-end scenarios: the build's usual prefix set-up, plus one virtual
# desktop that every program of the prefix shares, as on Windows (maximised windows fill the
# screen, the driver sees the installer's windows).
set -euo pipefail
: "${WINEPREFIX:?}"
"$(dirname "$0")/../../scripts/wine-run.sh" --prefix-only
stamp="$WINEPREFIX/.zrv-desktop"
if [ ! -f "$stamp" ]; then
  export WINEDEBUG=-all
  source "$(dirname "$0")/../../scripts/wine-env.sh"
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
  zrv_wait_server || true
  touch "$stamp"
fi
