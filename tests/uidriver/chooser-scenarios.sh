#!/usr/bin/env bash
# End-to-end scenarios of the directory chooser: chooser_host opens the dialog on a directory
# tree prepared on drive C of the Wine prefix; the driver works the dialog as a user would and
# the scenario checks what the dialog shows and what it returns.
#   chooser-scenarios.sh SCENARIO     (levels, open, return, focus, typed, drive, cancel, msgbox)
scenario=${1:?scenario name}
source "$(dirname "$0")/scenario-lib.sh"

HOST="$ZRV_WIN32_BIN/tests/uidriver/chooser_host.exe"
DLG="Choose Directory@#32770"
EDIT=1000 LIST=1001 DRIVES=1004 OK=1 CANCEL=2
RESULT_UNIX="$WINEPREFIX/drive_c/zrv-chooser/$scenario.result"

# The tree: base holds directories whose names test sorting and the short-name rule, and files
# that must not show. "Zed" sorts after every sub-directory of base yet stays a level above them.
TREE="$WINEPREFIX/drive_c/zrv-chooser/$scenario"
rm -rf "$TREE" "$RESULT_UNIX"
mkdir -p "$TREE/Zed/base" "$TREE/Zed/other"
for d in zeta "Alpha Dir" BETA "Mixed Case Name" 123 BETA/inner BETA/Second; do mkdir -p "$TREE/Zed/base/$d"; done
touch "$TREE/Zed/base/file.txt" "$TREE/Zed/base/FILE2"
BASE=$(winpath_c "$TREE/Zed/base")
ROOT=$(winpath_c "$TREE")
SUBDIRS=$'123\nAlpha Dir\nbeta\nMixed Case Name\nzeta'
levels() { echo "$1" | tr '\\' '\n'; }

open_chooser() {
  start_app "$HOST" "$1" "$(winpath_c "$RESULT_UNIX")"
  must wait "$DLG" 20000
  shot chooser-open
}

# returned WHAT EXPECTED: waits for chooser_host and checks what the dialog returned, as one
# line ("IDOK|path" or "IDCANCEL").
returned() {
  end_app
  [ "$app_rc" -eq 0 ] || fail "chooser_host exited with $app_rc"
  expect "$1" "$2" "$(tr -d '\r' <"$RESULT_UNIX" | paste -sd'|')"
}

case "$scenario" in
levels)
  open_chooser "$BASE"
  must text "$DLG" $EDIT;       expect "edit shows the initial path" "$BASE" "$out"
  must items "$DLG" $LIST;      expect "levels, then sorted sub-directories" "$(levels "$BASE")"$'\n'"$SUBDIRS" "$out"
  must selected "$DLG" $LIST;   expect "nothing selected in the list" "-1" "$out"
  must focus "$DLG";            expect "focus in the path edit" "$EDIT" "$out"
  must selected "$DLG" $DRIVES; must items "$DLG" $DRIVES
  expect "drive box selects C:" "C:" "$(echo "$out" | sed -n "$(( $(drv selected "$DLG" $DRIVES; echo "$out") + 1 ))p" | cut -c1-2)"
  must click "$DLG" $OK
  returned "OK at once returns the initial path" "IDOK|$BASE"
  ;;
open)
  open_chooser "$BASE"
  must dblclick "$DLG" $LIST "=beta"
  shot opened-beta
  must text "$DLG" $EDIT;       expect "edit shows the opened sub-directory" "$BASE\\beta" "$out"
  must items "$DLG" $LIST;      expect "beta is the last level" "$(levels "$BASE\\beta")"$'\n'"inner"$'\n'"second" "$out"
  must selected "$DLG" $LIST;   expect "the opened entry is selected" "$(levels "$BASE" | wc -l)" "$out"
  must dblclick "$DLG" $LIST "=Zed"
  shot opened-level
  must text "$DLG" $EDIT;       expect "edit shows the opened level" "$ROOT\\Zed" "$out"
  must items "$DLG" $LIST;      expect "levels below Zed are gone" "$(levels "$ROOT\\Zed")"$'\n'"base"$'\n'"other" "$out"
  must click "$DLG" $OK
  returned "OK returns the opened level" "IDOK|$ROOT\\Zed"
  ;;
return)
  open_chooser "$BASE"
  must keys "$DLG" $LIST Return
  shot return-nothing-selected
  must items "$DLG" $LIST;      expect "Return with nothing selected changes nothing" "$(levels "$BASE")"$'\n'"$SUBDIRS" "$out"
  must keys "$DLG" $LIST Down Down Down
  must selected "$DLG" $LIST;   expect "arrow keys select" "2" "$out"
  must keys "$DLG" $LIST Return
  shot return-opened
  must text "$DLG" $EDIT;       expect "Return opens like a double-click" "$(levels "$BASE" | sed -n 1,3p | paste -sd'\\')" "$out"
  must keys "$DLG" $LIST Escape
  must wait "$DLG" 1000;        echo "ok: Escape in the list keeps the dialog"
  must keys "$DLG" $LIST Shift+Tab
  must focus "$DLG";            expect "Shift+Tab moves forward to the path edit" "$EDIT" "$out"
  must click "$DLG" $CANCEL
  returned "Cancel" "IDCANCEL"
  ;;
focus)
  open_chooser "$BASE"
  must settext "$DLG" $EDIT 'E:\Games'
  must keys "$DLG" $EDIT Tab
  must focus "$DLG";            expect "Tab moves from the edit to OK" "$OK" "$out"
  must setfocus "$DLG" $LIST
  shot list-focused
  must text "$DLG" $EDIT;       expect "focus into the list replaces the typed text" "$BASE" "$out"
  must click "$DLG" $OK
  returned "OK returns the list's directory" "IDOK|$BASE"
  ;;
typed)
  open_chooser "$BASE"
  must settext "$DLG" $EDIT 'E:\Games'
  shot typed
  must keys "$DLG" $EDIT Return
  must gone "$DLG" 20000
  returned "Enter returns the typed path" 'IDOK|E:\Games'
  # The edit loses the focus to the OK button: the typed path, trailing backslash kept.
  open_chooser "$BASE"
  must settext "$DLG" $EDIT 'F:\New Dir\'
  must click "$DLG" $OK
  returned "OK returns the typed path unchanged" 'IDOK|F:\New Dir\'
  ;;
drive)
  open_chooser "$BASE"
  must items "$DLG" $DRIVES
  drives="$out"
  z=$(echo "$drives" | grep -n '^Z: ' | cut -d: -f1)
  [ -n "$z" ] || fail "no drive Z: in [$drives]"
  # Dropped and closed again with Escape: no choice was made.
  must keys "$DLG" $DRIVES F4
  shot drives-dropped
  must keys "$DLG" $DRIVES Escape
  must text "$DLG" $EDIT;       expect "Escape in the drop-down list chooses nothing" "$BASE" "$out"
  # Z: is the last drive: End and Return in the dropped list choose it.
  must keys "$DLG" $DRIVES F4
  must keys "$DLG" $DRIVES End Return
  shot drive-chosen
  must text "$DLG" $EDIT;       expect "edit shows the drive" "Z:" "$out"
  must items "$DLG" $LIST;      expect "the drive is the only level" "Z:" "$(echo "$out" | head -1)"
  must selected "$DLG" $DRIVES; expect "the box shows the chosen drive" "$((z - 1))" "$out"
  must click "$DLG" $OK
  returned "a bare drive grows a backslash" 'IDOK|Z:\'
  ;;
cancel)
  open_chooser "$BASE"
  must settext "$DLG" $EDIT 'D:\Elsewhere'
  must keys "$DLG" $EDIT Escape
  must gone "$DLG" 20000
  returned "Escape cancels" "IDCANCEL"
  open_chooser "$BASE"
  must click "$DLG" $CANCEL
  returned "Cancel cancels" "IDCANCEL"
  ;;
msgbox)
  start_app "$HOST" --msgbox "Create the directory?" "$(winpath_c "$RESULT_UNIX")"
  must msgbox 20000
  shot message-box
  expect "message box text" $'Chooser host\nCreate the directory?' "$out"
  must msgbox 2000 Cancel
  returned "the answer reaches the program" "IDCANCEL"
  ;;
*)
  echo "unknown scenario $scenario" >&2
  exit 2
  ;;
esac
shot end
echo "scenario $scenario passed"
