#!/usr/bin/env bash
# End-to-end scenarios of Setup.exe: a folder holding Setup.ini, the disk image volumes and
# Setup.exe, started as a user starts it; the driver works its windows and the scenario checks
# what the user is told, the installed files, Install.log and the registry.
#   setup-scenarios.sh SCENARIO
#   Environment: as scenario-lib.sh, plus ZRV_HOST_BIN (the host build folder, for zrvtool) and
#   ZRV_SOURCE (the source tree, for the demo product); ZRVTOOL names another zrvtool to use.
# The prefix shows every program on one virtual desktop, as on Windows: maximised windows are
# maximised, and the driver sees the installer's windows.
scenario=${1:?scenario name}
# The access-list attacks need files made without a list of their own to be open to everyone; the
# wineserver, which makes them, starts after this (scenario-lib.sh waits for any earlier one).
[ "$scenario" = elevated-attacks ] && umask 000
source "$(dirname "$0")/../uidriver/scenario-lib.sh"
: "${ZRV_HOST_BIN:?}" "${ZRV_SOURCE:?}"

ZRVTOOL="${ZRVTOOL:-$ZRV_HOST_BIN/tools/zrvtool}"
SETUP_EXE="$ZRV_WIN32_BIN/app/Setup.exe"
WELCOME="Zorvan Installation System@#32770"
PROGRESS="Installation in progress...@#32770"
CHOOSER="Choose Directory@#32770"
BACKDROP="Zorvan Demo - Zorvan Installation System"
INSTALL=1 CANCEL=2 BROWSE=3 DIRTEXT=1000 STATUS=1002 CHOOSER_EDIT=1000
REGKEY='HKLM\Software\Nexal\Zorvan Demo'
UNINSTKEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo'

# The targets live on drive C of the prefix, one folder per scenario.
TARGET_ROOT_UNIX="$WINEPREFIX/drive_c/zrv-e2e/$scenario"
TARGET_ROOT=$(winpath_c "$TARGET_ROOT_UNIX")
rm -rf "$TARGET_ROOT_UNIX"
mkdir -p "$TARGET_ROOT_UNIX"
# The folder shared by the scenarios is one that only its owner may change, whatever umask made it
# (elevated-attacks runs under umask 000): below a folder everyone may write, nothing is left to the
# restart by name.
chmod 755 "${TARGET_ROOT_UNIX%/*}"
wine reg delete "$REGKEY" /f >/dev/null 2>&1 || true
wine reg delete "$UNINSTKEY" /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Software\Nexal\Zorvan Demo' /f >/dev/null 2>&1 || true
# registry_ok checks that a 64-bit installer left nothing in the 32-bit view.
[ "$ZRV_ARCH" = x64 ] && wine reg delete 'HKLM\Software\Wow6432Node\Nexal' /f >/dev/null 2>&1 </dev/null || true

MEDIA="$SCRATCH/media"
SRC="$MEDIA.src"

# make_media DEFAULTDIR FREESPACE [LARGE_FILE_BYTES] [VOLUME_SIZE]: the demo product's medium in
# $MEDIA, its plain tree in $SRC.
make_media() {
  ZRVTOOL="$ZRVTOOL" "$ZRV_SOURCE/scripts/stage-demo.sh" "$MEDIA" "$1" "$2" "${3:-300000}" "${4:-128k}"
}

# start_setup: Setup.exe with its windows, until its welcome dialog shows. On a loaded machine
# Wine's desktop may fail to start for it: with no window it showed nothing, asked nothing and so
# did nothing, and it runs once more after that session has ended.
start_setup() {
  local again=
  while :; do
    (cd "$MEDIA" && wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
    APP_PID=$!
    drv wait "$WELCOME" 30000 && return 0
    if [ -z "$again" ] && ! kill -0 "$APP_PID" 2>/dev/null &&
      grep -q 'explorer process failed to start' "$SCRATCH/app.log"; then
      echo "Wine's desktop did not start for Setup.exe; once more" >&2
      wait "$APP_PID" || true
      zrv_wait_server 30 || true
      again=1
      continue
    fi
    fail "driver command failed: wait $WELCOME 30000"
  done
}

# The log a complete installation of the demo product writes: directories and files in the
# image's order, then the registry lines.
expected_log() {
  "$ZRVTOOL" list "$MEDIA/${DEMO_IMAGE:-demo.001}" | grep -E '^(dir|file) ' | while read -r kind rest; do
    name=${rest##* }
    [ "$kind" = dir ] && name="\\${name%/}"
    printf '%s\r\n' "$(printf '%s' "$name" | tr / '\\')"
  done
  printf '%s\r\n' '[\REGEDIT4]' '\[HKEY_LOCAL_MACHINE\Software\Nexal\Zorvan Demo]' InstallDir Readme Version Build Flags \
    '\[HKEY_CURRENT_USER\Software\Nexal\Zorvan Demo\Settings]' Greeting WindowWidth \
    '\[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo]' DisplayName UninstallString \
    QuietUninstallString InstallLocation EstimatedSize DisplayIcon NoModify NoRepair
}

# installed_ok UNIX_DIR: every file of the product byte for byte, and the log byte for byte.
installed_ok() {
  (cd "$SRC" && find . -type f) | while read -r f; do
    cmp -s "$SRC/$f" "$1/$f" || fail "installed file differs or is missing: $f"
  done
  [ -d "$1/logs" ] || fail "the empty directory logs was not made"
  expected_log >"$SCRATCH/expected.log"
  cmp -s "$SCRATCH/expected.log" "$1/Install.log" || fail "Install.log differs: $(cat -A "$1/Install.log" | head -30)"
  echo "ok: files and Install.log byte for byte"
}

# reg_value KEY NAME: "TYPE DATA" as the registry holds it; NAME (Default) is the key's default value.
# (fields re-joined with single blanks)
reg_value() {
  local which=(/v "$2") out rc tries=0
  [ "$2" = '(Default)' ] && which=(/ve)
  # reg ends with 0, or 1 for a key or value that is not there; anything else is Wine failing to
  # run it (seen on a loaded machine), asked once more.
  while :; do
    out=$(wine reg query "$1" "${which[@]}" 2>/dev/null) && rc=0 || rc=$?
    [ $rc -le 1 ] || [ $((tries += 1)) -ge 2 ] && break
  done
  printf '%s\n' "$out" | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; sub(/^ +/, ""); print }'
}

# registry_ok DIR UNIX_DIR: the script's values and the uninstall entry of an installation in DIR.
registry_ok() {
  local dir=$1 bytes
  # The payload's size: the files that the log lists, as installed.
  bytes=$(listed_paths "$2/Install.log" "$2" | while read -r p; do [ -f "$p" ] && stat -c %s "$p"; done | awk '{ s += $1 } END { print s + 0 }')
  expect "InstallDir" "REG_SZ $dir" "$(reg_value "$REGKEY" InstallDir)"
  expect "Readme" "REG_SZ $dir\\docs\\readme.txt" "$(reg_value "$REGKEY" Readme)"
  expect "Build" "REG_DWORD 0x3e8" "$(reg_value "$REGKEY" Build)"
  expect "Flags" "REG_BINARY 01020AFF" "$(reg_value "$REGKEY" Flags)"
  expect "WindowWidth" "REG_DWORD 0x280" "$(reg_value 'HKCU\Software\Nexal\Zorvan Demo\Settings' WindowWidth)"
  expect "DisplayName" "REG_SZ Zorvan Demo" "$(reg_value "$UNINSTKEY" DisplayName)"
  expect "UninstallString" "REG_SZ \"$dir\\Uninstal.exe\"" "$(reg_value "$UNINSTKEY" UninstallString)"
  expect "QuietUninstallString" "REG_SZ \"$dir\\Uninstal.exe\" /S" "$(reg_value "$UNINSTKEY" QuietUninstallString)"
  expect "InstallLocation" "REG_SZ $dir" "$(reg_value "$UNINSTKEY" InstallLocation)"
  expect "EstimatedSize" "REG_DWORD $(printf '0x%x' $(((bytes + 1023) / 1024)))" "$(reg_value "$UNINSTKEY" EstimatedSize)"
  expect "DisplayIcon" "REG_SZ $dir\\Uninstal.exe,0" "$(reg_value "$UNINSTKEY" DisplayIcon)"
  expect "NoModify" "REG_DWORD 0x1" "$(reg_value "$UNINSTKEY" NoModify)"
  expect "NoRepair" "REG_DWORD 0x1" "$(reg_value "$UNINSTKEY" NoRepair)"
  # The reader above is of the prefix's own width: a 64-bit installer's keys are in the 64-bit
  # view, and none of them in the 32-bit one.
  if [ "$ZRV_ARCH" = x64 ]; then
    local k
    for k in 'HKLM\Software\Wow6432Node\Nexal' 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo'; do
      wine reg query "$k" >/dev/null 2>&1 </dev/null && fail "$k: written into the 32-bit view"
    done
    echo "ok: the keys are in the 64-bit view only"
  fi
}

# finished: the program has ended on its own, with no window left.
finished() {
  local i
  for i in $(seq 1 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$APP_PID" 2>/dev/null && fail "Setup.exe is still running"
  end_app
  drv wait "$BACKDROP" 300 && fail "the backdrop window is still there"
  echo "ok: Setup.exe ended"
}

# answer [MS] BUTTON: waits for a message box, puts it into $out, presses BUTTON and waits until
# that box has gone, so that the next box looked for is not this one closing. (The next box may
# follow at once with the same caption: the text tells them apart.)
answer() {
  must msgbox "$@"
  local seen=$out i
  for i in $(seq 1 50); do
    drv msgbox 100 || break
    [ "$out" = "$seen" ] || break
    sleep 0.1
  done
  out=$seen
}

# large_file_in_hand: waits until the progress dialog shows the large file as the one in hand.
large_file_in_hand() {
  local i
  must wait "$PROGRESS" 20000
  for i in $(seq 1 200); do
    drv text "$PROGRESS" $STATUS || true
    [ "$out" = 'samples\noise.bin' ] && return 0
    sleep 0.1
  done
  fail "the progress dialog never showed the large file: [$out]"
}

# retry_prompt_for_demo_002: the demo installed into Demo with its second volume taken away, up to
# the retry prompt for that volume (kept in $SCRATCH).
retry_prompt_for_demo_002() {
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1
  mv "$MEDIA/demo.002" "$SCRATCH/demo.002"
  start_setup
  must click "$WELCOME" $INSTALL
  must msgbox 30000
  expect "the retry prompt" $'Setup\nThe file \'demo.002\' could not be found/opened' "$out"
}

complete_message() {
  must msgbox 60000
  expect "completion message" $'Setup\nInstallation complete!' "$out"
  shot complete
  answer 2000 OK
}

# install_demo NAME [LARGE_FILE_BYTES [VOLUME_SIZE]]: the demo product installed through the
# screens into the existing folder $TARGET_ROOT\NAME.
install_demo() {
  mkdir -p "$TARGET_ROOT_UNIX/$1"
  make_media "$TARGET_ROOT\\$1" 1 "${2:-300000}" "${3:-128k}"
  start_setup
  must click "$WELCOME" $INSTALL
  complete_message
  finished
}

UNINSTALLER="Zorvan Demo - Uninstall"

# The registry around the demo's keys, as text: what an uninstallation must leave as it was.
registry_snapshot() {
  local k
  for k in 'HKLM\Software\Nexal' 'HKCU\Software\Nexal' 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'; do
    wine reg query "$k" /s 2>/dev/null </dev/null | tr -d '\r' | grep -v '^$' || true
  done
}

# uninstall_silently DIR_UNIX: runs Uninstal.exe /S from the installed folder; exit code in $app_rc.
uninstall_silently() {
  app_rc=0
  (cd /tmp && wine "$1/Uninstal.exe" /S >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
}

# hold_file PATH: the driver holds the file open without sharing, as a running program does, until
# $holder is ended.
hold_file() {
  wine "$DRIVER" hold "$1" 120000 >"$SCRATCH/hold.txt" 2>&1 </dev/null &
  holder=$!
  for _ in $(seq 1 50); do grep -q held "$SCRATCH/hold.txt" && break; sleep 0.2; done
  grep -q held "$SCRATCH/hold.txt" || fail "the driver did not hold the file"
}

# gone_soon PATH: the path disappears within a few seconds (the uninstaller's copy removes the
# program and the folder once the program has ended).
gone_soon() {
  local i
  for i in $(seq 1 50); do
    [ -e "$1" ] || return 0
    sleep 0.2
  done
  fail "still there: $1 ($(ls -A "$1" 2>/dev/null | head -5 | paste -sd' '))"
}

# every_listed_file DIR_UNIX: the files and directories that the log of DIR lists, as Unix paths.
listed_paths() {
  tr -d '\r' <"$1" | sed '/^\[\\REGEDIT4\]$/,$d' | sed 's|^\\||' | tr '\\' / | sed "s|^|$2/|"
}

# run_silent_in DIR PROGRAM ARGS...: PROGRAM with ARGS, started from DIR without a display, so a
# window it (or a program it starts) tried to make would fail, and Wine's note of that is looked
# for; meanwhile the driver, on the display, watches for a message box. The driver also keeps the
# prefix's desktop up, which Wine would otherwise start for this run and fail to show. Exit code
# in $app_rc.
run_silent_in() {
  local dir=$1 program=$2
  shift 2
  must gone "no such window" 100
  wine "$DRIVER" msgbox 600000 >"$SCRATCH/watch.txt" 2>/dev/null </dev/null &
  local watcher=$!
  sleep 0.5
  app_rc=0
  (cd "$dir" && env -u DISPLAY WINEDEBUG=-all,err+winediag wine "$program" "$@" >"$SCRATCH/app.log" 2>&1 </dev/null) || app_rc=$?
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  [ -s "$SCRATCH/watch.txt" ] && fail "a message box appeared: $(tr -d '\r' <"$SCRATCH/watch.txt")"
  grep -q 'no driver could be loaded' "$SCRATCH/app.log" && fail "$program tried to make a window: $(cat "$SCRATCH/app.log")"
  echo "ok: $program $* made no window"
}

# run_silent ARGS...: Setup.exe with ARGS from the medium folder, as run_silent_in.
run_silent() { run_silent_in "$MEDIA" Setup.exe "$@"; }

# The log of the silent runs, as Setup.exe names it.
SILENT_LOG="Z:$(printf '%s' "$SCRATCH/silent.log" | tr / '\\')"

# silent_log EXPECTED_LINE...: the silent run's log file holds exactly these lines, each with CR LF.
silent_log() {
  printf '%s\r\n' "$@" >"$SCRATCH/expected-silent.log"
  cmp -s "$SCRATCH/expected-silent.log" "$SCRATCH/silent.log" || fail "the log differs: [$(cat -A "$SCRATCH/silent.log")]"
  echo "ok: the log"
}

# listed_all_present DIR_UNIX: every file and folder that DIR's Install.log lists exists, and the
# log lists at least one file.
listed_all_present() {
  listed_paths "$1/Install.log" "$1" >"$SCRATCH/listed.txt"
  [ -s "$SCRATCH/listed.txt" ] || fail "Install.log lists nothing"
  while read -r p; do [ -e "$p" ] || fail "listed but missing: $p"; done <"$SCRATCH/listed.txt"
  echo "ok: $(wc -l <"$SCRATCH/listed.txt") listed items are there"
}

# The uninstall entry's values, none of them left.
entry_gone() {
  local v
  for v in DisplayName UninstallString QuietUninstallString InstallLocation EstimatedSize DisplayIcon NoModify NoRepair; do
    expect "no $v after the uninstallation" "" "$(reg_value "$UNINSTKEY" "$v")"
  done
  if wine reg query "$UNINSTKEY" >/dev/null 2>&1 </dev/null; then fail "the uninstall entry is still there"; fi
}

# bundle_of_media NAME [ZRVTOOL ARGS...]: the medium in $MEDIA as one program, alone in a fresh
# folder; its path in $BUNDLE.
bundle_of_media() {
  local name=$1
  shift
  BUNDLE_DIR="$SCRATCH/download"
  rm -rf "$BUNDLE_DIR"
  mkdir -p "$BUNDLE_DIR"
  BUNDLE="$BUNDLE_DIR/$name"
  "$ZRVTOOL" bundle "$MEDIA" "$BUNDLE" "$@" >"$SCRATCH/bundle.log" 2>&1 || fail "zrvtool bundle: $(cat "$SCRATCH/bundle.log")"
}

# temp_listing: what the user's temporary folders of the prefix hold, and the Windows folder's,
# where elevated programs make their private folders, one name a line.
temp_listing() {
  { find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -iname temp -exec ls -A {} \;
    ls -A "$WINEPREFIX/drive_c/windows/temp"; } 2>/dev/null | sort
}

# AS_USER: starts the program its command line names without the administrators' rights (every
# program under Wine starts with them), its exit code passed on.
AS_USER="$ZRV_WIN32_BIN/tests/win32/as-user.exe"

# start_bundle [ARGS...]: runs $BUNDLE from its own folder; with BUNDLE_TEMP set (a Windows path),
# through cmd with that folder as its temporary folder, without the administrators' rights (with
# them the launcher unpacks into the Windows folder's temporary folder).
start_bundle() {
  local name
  name=$(basename "$BUNDLE")
  if [ -n "${BUNDLE_TEMP:-}" ]; then
    (cd "$BUNDLE_DIR" && wine cmd /c "set TEMP=$BUNDLE_TEMP&& set TMP=$BUNDLE_TEMP&& $(winpath_z "$AS_USER") $name $*" >"$SCRATCH/app.log" 2>&1 </dev/null) &
  else
    (cd "$BUNDLE_DIR" && wine "$name" "$@" >"$SCRATCH/app.log" 2>&1 </dev/null) &
  fi
  APP_PID=$!
}

# install_from_bundle WINDIR UNIXDIR: the bundle installs the demo through the screens as the
# folder medium does, ends with exit code 0 and leaves no folder in the temporary folder.
install_from_bundle() {
  temp_listing >"$SCRATCH/temp-before"
  start_bundle
  must wait "$WELCOME" 60000
  shot welcome
  must click "$WELCOME" $INSTALL
  complete_message
  finished
  expect "the bundle's exit code" 0 "$app_rc"
  installed_ok "$2"
  registry_ok "$1" "$2"
  temp_listing >"$SCRATCH/temp-after"
  cmp -s "$SCRATCH/temp-before" "$SCRATCH/temp-after" ||
    fail "the temporary folder changed: $(diff "$SCRATCH/temp-before" "$SCRATCH/temp-after" | tail -5)"
  echo "ok: the private temporary folder is gone"
  expect "the download folder" "$(basename "$BUNDLE")" "$(ls -A "$BUNDLE_DIR")"
}

# refused_bundle TEXT: the bundle, changed by the caller, says TEXT in one box (a pattern, as case
# matches) and ends with exit code 1 having written nothing; with /S it says nothing and ends the
# same way.
refused_bundle() {
  temp_listing >"$SCRATCH/temp-before"
  start_bundle
  must msgbox 30000
  # shellcheck disable=SC2254
  case "$out" in $1) echo "ok: the message: $out" ;; *) fail "the message: expected [$1], got [$out]" ;; esac
  shot refused
  answer 2000 OK
  end_app
  expect "the exit code" 1 "$app_rc"
  start_bundle /s
  drv msgbox 3000 && fail "a box with /S: $out"
  end_app
  expect "the exit code with /S" 1 "$app_rc"
  [ -z "$(ls -A "$TARGET_ROOT_UNIX")" ] || fail "something was installed: $(ls -A "$TARGET_ROOT_UNIX")"
  wine reg query "$REGKEY" >/dev/null 2>&1 </dev/null && fail "the registry was written"
  temp_listing >"$SCRATCH/temp-after"
  cmp -s "$SCRATCH/temp-before" "$SCRATCH/temp-after" || fail "the temporary folder changed"
  echo "ok: nothing written"
}

# reg_holds KEY TEXT...: the key's values, exported as the registry holds them (UTF-16, turned into
# UTF-8 here: a console's code page could not show every name), hold each TEXT.
reg_holds() {
  local key=$1 text
  shift
  rm -f "$SCRATCH/export.reg"
  wine reg export "$key" "$(winpath_z "$SCRATCH/export.reg")" /y >/dev/null 2>&1 </dev/null || fail "no key $key"
  iconv -f UTF-16 -t UTF-8 "$SCRATCH/export.reg" | tr -d '\r' >"$SCRATCH/export.txt"
  for text in "$@"; do
    grep -qF -- "$text" "$SCRATCH/export.txt" || fail "$key does not hold [$text]: $(head -20 "$SCRATCH/export.txt")"
  done
}

# log_form FILE FORM: FILE (an Install.log) is in FORM: 1252 (no byte-order mark) or utf8 (EF BB BF
# first, well-formed UTF-8 after it).
log_form() {
  local head
  head=$(head -c 3 "$1" | od -An -tx1 | tr -d ' \n')
  case "$2" in
    1252) [ "$head" != efbbbf ] || fail "$1 starts with the UTF-8 mark" ;;
    utf8) [ "$head" = efbbbf ] || fail "$1 does not start with the UTF-8 mark: $head"
          iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1 || fail "$1 is not well-formed UTF-8" ;;
  esac
  echo "ok: $(basename "$1") in $2"
}

case "$scenario" in
unicode-folders)
  # Names the Western code page (1252) cannot hold, on a machine running with it: /D= with a Polish
  # and a Cyrillic folder installs into exactly that folder (never a best-fit look-alike such as
  # "Lodz Zolc"), with the log of the Windows-1252 medium byte for byte as ever and the registry
  # naming the folder as it is; the uninstaller removes it all. The Polish folder typed in the
  # chooser does the same, and a medium started from a folder named in Chinese installs the same.
  make_media "$TARGET_ROOT\\Demo" 1
  for name in 'Łódź Żółć' 'Привет мир'; do
    dir="$TARGET_ROOT\\$name"
    unix="$TARGET_ROOT_UNIX/$name"
    run_silent /S "/LOG=$SILENT_LOG" "/D=$dir"
    expect "$name: exit code" 0 "$app_rc"
    expect "$name: the only folder made" "$name" "$(ls -A "$TARGET_ROOT_UNIX")"
    installed_ok "$unix"
    log_form "$unix/Install.log" 1252
    reg_holds "$UNINSTKEY" "\"InstallLocation\"=\"${dir//\\/\\\\}\"" "\"UninstallString\"=\"\\\"${dir//\\/\\\\}\\\\Uninstal.exe\\\"\""
    reg_holds "$REGKEY" "\"InstallDir\"=\"${dir//\\/\\\\}\""
    silent_log "The directory '$dir' does not exist. Do you wish to create it?" "Installation complete!"
    uninstall_silently "$unix"
    expect "$name: uninstallation, exit code" 0 "$app_rc"
    gone_soon "$unix"
    entry_gone
    echo "ok: installed into and removed from $name"
  done
  # Typed in the chooser: the welcome shows the folder as typed, the question names it, and the
  # product goes there.
  name='Łódź Żółć'
  dir="$TARGET_ROOT\\$name"
  start_setup
  must click "$WELCOME" $BROWSE
  must wait "$CHOOSER" 10000
  must settext "$CHOOSER" $CHOOSER_EDIT "$dir"
  must click "$CHOOSER" 1
  must gone "$CHOOSER" 20000
  must text "$WELCOME" $DIRTEXT;  expect "the typed folder is shown" "$dir" "$out"
  must click "$WELCOME" $INSTALL
  must msgbox 20000
  expect "the question" "Setup"$'\n'"The directory '$dir' does not exist."$'\n'"Do you wish to create it?" "$out"
  answer 2000 OK
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/$name"
  uninstall_silently "$TARGET_ROOT_UNIX/$name"
  gone_soon "$TARGET_ROOT_UNIX/$name"
  echo "ok: a folder typed in the chooser in Polish"
  chinese="$SCRATCH/安装 媒体"
  cp -r "$MEDIA" "$chinese"
  dir="$TARGET_ROOT\\Demo"
  run_silent_in "$chinese" Setup.exe /S "/LOG=$SILENT_LOG"
  expect "from a Chinese folder: exit code" 0 "$app_rc"
  installed_ok "$TARGET_ROOT_UNIX/Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/Demo"
  uninstall_silently "$TARGET_ROOT_UNIX/Demo"
  expect "from a Chinese folder: uninstallation, exit code" 0 "$app_rc"
  gone_soon "$TARGET_ROOT_UNIX/Demo"
  echo "ok: a medium in a folder named in Chinese"
  # An image named with an accent on a Windows-1252 medium: Setup.ini holds the name in that code
  # page, the volumes are named as Windows sees them (UTF-8 on this file system), and both the
  # medium and its bundle install.
  sed 's/^DiskImage=.*/DiskImage=données.001\r/' "$ZRV_SOURCE/examples/demo/Setup.ini.txt" >"$SCRATCH/donnees.ini.txt"
  DEMO_IMAGE=données.001
  ZRV_DEMO_INI="$SCRATCH/donnees.ini.txt" make_media "$TARGET_ROOT\\Demo" 1
  "$ZRVTOOL" ini decode "$MEDIA/Setup.ini" "$SCRATCH/stored.ini" >/dev/null
  LC_ALL=C grep -aq $'^DiskImage=donn\xe9es.001\r$' "$SCRATCH/stored.ini" || fail "Setup.ini does not name the image in Windows-1252"
  [ -f "$MEDIA/données.001" ] && [ -f "$MEDIA/données.002" ] || fail "the volumes are not named in UTF-8: $(ls "$MEDIA" | cat -A)"
  bundle_of_media "Demo Setup.exe"
  for from in medium bundle; do
    if [ $from = medium ]; then run_silent /S "/LOG=$SILENT_LOG"; else run_silent_in "$BUNDLE_DIR" "Demo Setup.exe" /S "/LOG=$SILENT_LOG"; fi
    expect "données.001 from the $from: exit code" 0 "$app_rc"
    installed_ok "$TARGET_ROOT_UNIX/Demo"
    uninstall_silently "$TARGET_ROOT_UNIX/Demo"
    expect "données.001 from the $from: uninstallation, exit code" 0 "$app_rc"
    gone_soon "$TARGET_ROOT_UNIX/Demo"
    echo "ok: an image named données.001 installed from the $from"
  done
  unset DEMO_IMAGE
  ;;
unicode-profile)
  # A user whose profile folders are named in Chinese (the shell's folders of the user pointed at
  # C:\users\张伟): the product for one user goes under that profile, its record names the folder
  # for programs it made as it is (Install.prior in UTF-8), the log of the Windows-1252 medium
  # stays Windows-1252, the shortcut goes into that user's Start menu, and the uninstaller removes
  # all of it. Then a bundle runs with its temporary folder under that profile.
  profile='C:\users\张伟'
  profile_unix="$WINEPREFIX/drive_c/users/张伟"
  folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
  cache='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  NOTES_USER='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes'
  wine reg export "$folders" "$(winpath_z "$SCRATCH/folders.reg")" /y >/dev/null 2>&1 </dev/null
  wine reg export "$cache" "$(winpath_z "$SCRATCH/cache.reg")" /y >/dev/null 2>&1 </dev/null
  wine reg export 'HKCU\Environment' "$(winpath_z "$SCRATCH/environment.reg")" /y >/dev/null 2>&1 </dev/null
  restore_profile() {
    wine reg delete "$folders" /f >/dev/null 2>&1 </dev/null
    wine reg delete "$cache" /f >/dev/null 2>&1 </dev/null
    for f in folders cache environment; do
      [ -s "$SCRATCH/$f.reg" ] && wine reg import "$(winpath_z "$SCRATCH/$f.reg")" >/dev/null 2>&1 </dev/null
    done
    wine reg delete 'HKCU\Environment' /v TEMP /f >/dev/null 2>&1 </dev/null
    wine reg delete 'HKCU\Environment' /v TMP /f >/dev/null 2>&1 </dev/null
    [ -s "$SCRATCH/environment.reg" ] && wine reg import "$(winpath_z "$SCRATCH/environment.reg")" >/dev/null 2>&1 </dev/null
    rm -rf "$profile_unix"
  }
  at_exit restore_profile
  rm -rf "$profile_unix"
  # No Start menu yet, as for a user who never signed in to a desktop: the installation makes it.
  mkdir -p "$profile_unix/AppData/Local" "$profile_unix/AppData/Roaming" "$profile_unix/Temp"
  while IFS='|' read -r value path; do
    wine reg add "$folders" /v "$value" /t REG_SZ /d "$profile\\$path" /f >/dev/null 2>&1 </dev/null
    wine reg add "$cache" /v "$value" /t REG_SZ /d "$profile\\$path" /f >/dev/null 2>&1 </dev/null
  done < <(printf '%s\n' 'Local AppData|AppData\Local' 'AppData|AppData\Roaming' \
    'Start Menu|AppData\Roaming\Microsoft\Windows\Start Menu' 'Programs|AppData\Roaming\Microsoft\Windows\Start Menu\Programs')
  wine reg delete "$NOTES_USER" /f >/dev/null 2>&1 </dev/null || true
  wine reg delete 'HKCU\Software\Nexal\Zorvan Notes' /f >/dev/null 2>&1 </dev/null || true
  ZRV_DEMO_INI="$ZRV_SOURCE/examples/demo-user/Setup.ini.txt" make_media 'C:\Program Files\Zorvan Notes' 1
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code" 0 "$app_rc"
  loc="$profile\\AppData\\Local\\Programs\\Zorvan Notes"
  t="$profile_unix/AppData/Local/Programs/Zorvan Notes"
  [ -d "$t" ] || fail "nothing under the profile: $(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -name 'Zorvan Notes' | head -3) $(cat "$SCRATCH/silent.log")"
  listed_all_present "$t"
  log_form "$t/Install.log" 1252
  tr -d '\r' <"$t/Install.log" | grep -qxF '\[HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes]' ||
    fail "the log names no entry of the user's own: $(cat -A "$t/Install.log" | tail -12)"
  expect "the record's first line" $'ZORVAN-PRIOR\t2' "$(head -1 "$t/Install.prior" | tr -d '\r')"
  tr -d '\r' <"$t/Install.prior" | grep -qxF "madefolder	$profile\\AppData\\Local\\Programs" ||
    fail "the record does not name the folder for programs as made: $(cat -A "$t/Install.prior")"
  reg_holds "$NOTES_USER" "\"InstallLocation\"=\"${loc//\\/\\\\}\""
  reg_holds 'HKCU\Software\Nexal\Zorvan Notes' "\"InstallDir\"=\"${loc//\\/\\\\}\""
  [ -f "$profile_unix/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Zorvan Notes/Read me.lnk" ] ||
    fail "no shortcut in the user's Start menu"
  uninstall_silently "$t"
  expect "uninstallation: exit code" 0 "$app_rc"
  gone_soon "$t"
  gone_soon "$profile_unix/AppData/Local/Programs"
  gone_soon "$profile_unix/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Zorvan Notes"
  wine reg query "$NOTES_USER" >/dev/null 2>&1 </dev/null && fail "the user's entry is still there"
  echo "ok: installed and removed under a profile named in Chinese"
  # The same product as a bundle, started without the administrators' rights (as the user does):
  # it unpacks under the profile's temporary folder and takes away what it unpacked.
  wine reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d "$profile\\Temp" /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Environment' /v TMP /t REG_SZ /d "$profile\\Temp" /f >/dev/null 2>&1 </dev/null
  bundle_of_media NotesSetup.exe
  run_silent_in "$BUNDLE_DIR" "$AS_USER" NotesSetup.exe /S "/LOG=$SILENT_LOG"
  expect "the bundle: exit code (log: $(cat "$SCRATCH/silent.log" 2>/dev/null))" 0 "$app_rc"
  listed_all_present "$t"
  # Nothing the launcher unpacked is left there. (Under Wine its emptied folder itself was seen
  # left to the restart after this per-user run, as the uninstaller's copy leaves its own.)
  expect "files left in the profile's temporary folder" "" "$(cd "$profile_unix/Temp" && find . -type f | head)"
  uninstall_silently "$t"
  expect "the bundle's product: uninstallation, exit code" 0 "$app_rc"
  gone_soon "$t"
  echo "ok: a bundle with its temporary folder under the profile"
  ;;
silent-default)
  # The same installation as the windowed one, with no window: files, log and registry alike.
  dir="$TARGET_ROOT\\Zorvan Demo"
  make_media "$dir" 1
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code" 0 "$app_rc"
  installed_ok "$TARGET_ROOT_UNIX/Zorvan Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/Zorvan Demo"
  silent_log "The directory '$dir' does not exist. Do you wish to create it?" "Installation complete!"
  ;;
silent-blanks)
  # /D= takes the rest of the command line: a path with blanks, missing with two of its parents.
  make_media "$TARGET_ROOT\\Demo" 1
  dir="$TARGET_ROOT\\My Programs\\Zorvan Demo\\v 1"
  run_silent /s /log=silent.log "/D=$dir"
  mv "$MEDIA/silent.log" "$SCRATCH/silent.log"
  expect "exit code" 0 "$app_rc"
  installed_ok "$TARGET_ROOT_UNIX/My Programs/Zorvan Demo/v 1"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/My Programs/Zorvan Demo/v 1"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "the default directory was used"
  silent_log "The directory '$dir' does not exist. Do you wish to create it?" "Installation complete!"
  ;;
silent-refused)
  # A target that is a file, and an unknown option: nothing installed, exit code 1.
  : >"$TARGET_ROOT_UNIX/taken"
  make_media "$TARGET_ROOT\\Demo" 1
  run_silent /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\taken"
  expect "exit code for a file" 1 "$app_rc"
  silent_log "The name '$TARGET_ROOT\\taken' is already in use, and it's not a directory!"
  run_silent /S "/LOG=$SILENT_LOG" /X
  expect "exit code for an unknown option" 1 "$app_rc"
  silent_log "FATAL: unknown option '/X' (use /S, /LOG=FILE and /D=PATH)"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed"
  expect "no registry value" "" "$(reg_value "$REGKEY" InstallDir)"
  ;;
silent-space)
  dir="$TARGET_ROOT\\Demo"
  make_media "$dir" 2000000000
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code" 1 "$app_rc"
  line=$(tr -d '\r' <"$SCRATCH/silent.log")
  [[ "$line" =~ ^"Not enough free space left on drive ${dir:0:1}: You need 2000000000 megabytes, and currently have only "[0-9]+" megabytes free."$ ]] ||
    fail "the log: [$(cat -A "$SCRATCH/silent.log")]"
  expect "one line" 1 "$(wc -l <"$SCRATCH/silent.log")"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed"
  echo "ok: too little space"
  ;;
silent-volume)
  # A later volume missing: no prompt and no waiting; what was written is listed (exit code 2).
  # The first volume missing: nothing was written (exit code 1).
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1 3000000 1M
  mv "$MEDIA/demo.002" "$SCRATCH/demo.002"
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code for a later volume" 2 "$app_rc"
  silent_log "The file 'demo.002' could not be found/opened"
  listed_all_present "$TARGET_ROOT_UNIX/Demo"
  grep -q REGEDIT4 "$TARGET_ROOT_UNIX/Demo/Install.log" && fail "the registry step ran"
  rm -rf "$TARGET_ROOT_UNIX/Demo"
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  mv "$MEDIA/demo.001" "$SCRATCH/demo.001"
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code for the first volume" 1 "$app_rc"
  silent_log "The file 'demo.001' could not be found/opened" "FATAL: unable to open 'demo.001'"
  expect "nothing in the target" "" "$(ls -A "$TARGET_ROOT_UNIX/Demo")"
  ;;
silent-corrupt)
  # One byte changed in the second of several volumes (blocks of 900 kB): files of the first are
  # written, then the fatal message; exit code 2, and the uninstaller removes what the log lists.
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1 3000000 1M
  [ -f "$MEDIA/demo.003" ] || fail "the image has fewer than three volumes"
  flip_byte "$MEDIA/demo.002" 2000
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code" 2 "$app_rc"
  expect "one line" 1 "$(wc -l <"$SCRATCH/silent.log")"
  case "$(cat "$SCRATCH/silent.log")" in FATAL:*) echo "ok: $(cat "$SCRATCH/silent.log")" ;; *) fail "no FATAL line: $(cat -A "$SCRATCH/silent.log")" ;; esac
  listed_all_present "$TARGET_ROOT_UNIX/Demo"
  uninstall_silently "$TARGET_ROOT_UNIX/Demo"
  expect "uninstaller's exit code" 0 "$app_rc"
  gone_soon "$TARGET_ROOT_UNIX/Demo"
  ;;
uninstall-prior)
  # What was there before the installation is there after the uninstallation: empty folders of the
  # payload's names, a folder and a file of the user's in the target, a file of the payload's name
  # (replaced by the installation, its content put back by the uninstallation), the key the script
  # writes into (with a user's value and a value the script replaces), and an empty key that the
  # script names.
  wine reg delete 'HKLM\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  wine reg delete 'HKCU\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  wine reg add "$REGKEY" /v Version /d 0.9 /f >/dev/null 2>&1 </dev/null
  wine reg add "$REGKEY" /v Mine /t REG_DWORD /d 7 /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Nexal\Zorvan Demo\Settings' /f >/dev/null 2>&1 </dev/null
  t="$TARGET_ROOT_UNIX/Demo"
  mkdir -p "$t/logs" "$t/samples" "$t/extra"
  echo mine >"$t/notes.txt"
  echo mine >"$t/readme.txt"
  registry_snapshot >"$SCRATCH/before.txt"
  (cd "$t" && find . | sort) >"$SCRATCH/tree-before.txt"
  install_demo Demo
  installed_ok "$t"
  registry_ok "$TARGET_ROOT\\Demo" "$t"
  k=$'HKEY_LOCAL_MACHINE\tSoftware\\Nexal\\Zorvan Demo'
  expect "the kept readme.txt" mine "$(cat "$t/readme.txt.zrvold")"
  for line in $'ZORVAN-PRIOR\t2' target $'directory\tlogs' $'directory\tsamples' $'file\treadme.txt' "key"$'\t'"$k" \
      "value"$'\t'"$k"$'\tVersion\tREG_SZ\t302e3900\tREG_SZ\t312e3000' \
      $'key\tHKEY_CURRENT_USER\tSoftware\\Nexal\\Zorvan Demo\\Settings'; do
    tr -d '\r' <"$t/Install.prior" | grep -qxF "$line" || fail "Install.prior lacks [$line]: $(cat -A "$t/Install.prior")"
  done
  expect "lines in Install.prior" 8 "$(wc -l <"$t/Install.prior")"
  uninstall_silently "$t"
  expect "exit code" 0 "$app_rc"
  gone_soon "$t/Uninstal.exe"
  (cd "$t" && find . | sort) >"$SCRATCH/tree-after.txt"
  diff "$SCRATCH/tree-before.txt" "$SCRATCH/tree-after.txt" >&2 || fail "the target is not as it was"
  expect "readme.txt after the uninstallation" mine "$(cat "$t/readme.txt")"
  entry_gone
  registry_snapshot >"$SCRATCH/after.txt"
  diff "$SCRATCH/before.txt" "$SCRATCH/after.txt" >&2 || fail "the registry is not as it was"
  echo "ok: the folders, keys and the replaced value are back as before"

  # Again, and the replaced value changed after the installation: it stays, and is reported.
  install_demo Demo
  wine reg add "$REGKEY" /v Version /d 2.0 /f >/dev/null 2>&1 </dev/null
  start_app "$t/Uninstal.exe"
  answer 30000 Yes
  must msgbox 30000
  shot uninstall-changed
  expect "the outcome" "$UNINSTALLER"$'\n'"Zorvan Demo was removed, but these items were left in place:"$'\n\n'"HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo: Version"$'\n'"    changed since the installation; left as it is" "$out"
  answer 2000 OK
  end_app
  expect "exit code" 2 "$app_rc"
  expect "the changed value" "REG_SZ 2.0" "$(reg_value "$REGKEY" Version)"
  expect "the user's value" "REG_DWORD 0x7" "$(reg_value "$REGKEY" Mine)"
  gone_soon "$t/Uninstal.exe"
  (cd "$t" && find . | sort) >"$SCRATCH/tree-after.txt"
  diff "$SCRATCH/tree-before.txt" "$SCRATCH/tree-after.txt" >&2 || fail "the target is not as it was"
  entry_gone
  echo "ok: the changed value was left and reported"

  # The user's file of a payload name, held by a program that lets nobody read it: no copy can be
  # kept, so it is not replaced either; the run says why and ends with exit code 2.
  hold_file "$TARGET_ROOT\\Demo\\readme.txt"
  run_silent_in "$MEDIA" Setup.exe /S "/LOG=$SILENT_LOG"
  kill "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  expect "a held file of the user's: exit code" 2 "$app_rc"
  expect "the held file of the user's" mine "$(cat "$t/readme.txt")"
  grep -qF "sharing violation on 'readme.txt'" "$SCRATCH/silent.log" || fail "the log does not name the held file: $(cat "$SCRATCH/silent.log")"
  uninstall_silently "$t"
  gone_soon "$t/Uninstal.exe"
  expect "the held file of the user's, after the uninstallation" mine "$(cat "$t/readme.txt")"
  entry_gone
  echo "ok: a held file of the user's is not replaced"
  ;;
uninstall-arp)
  # A user's own file and value in the product's folder and key stay; everything else that the
  # installation made goes, through Wine's own Add/Remove programs client.
  wine reg delete 'HKLM\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  wine reg delete 'HKCU\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  wine reg add 'HKLM\Software\Nexal\Other' /v Kept /d yes /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Nexal\Zorvan Demo' /v Theirs /d kept /f >/dev/null 2>&1 </dev/null
  registry_snapshot >"$SCRATCH/before.txt"
  install_demo "Zorvan Demo"
  t="$TARGET_ROOT_UNIX/Zorvan Demo"
  listed_paths "$t/Install.log" "$t" >"$SCRATCH/listed.txt"
  grep -qx "$t/Uninstal.exe" "$SCRATCH/listed.txt" || fail "the log does not list Uninstal.exe"
  echo mine >"$t/docs/mine.txt"
  wine reg add "$REGKEY" /v Mine /d mine /f >/dev/null 2>&1 </dev/null
  wine uninstaller --list >"$SCRATCH/arp.txt" 2>/dev/null </dev/null || true
  grep -q 'Zorvan Demo' "$SCRATCH/arp.txt" || fail "Add/Remove programs does not list the product: $(cat "$SCRATCH/arp.txt")"
  (wine uninstaller --remove 'Zorvan Demo' >"$SCRATCH/arp-remove.log" 2>&1 </dev/null) &
  APP_PID=$!
  must msgbox 30000
  expect "the question" "$UNINSTALLER"$'\n'"Remove Zorvan Demo from '$TARGET_ROOT\\Zorvan Demo'?"$'\n\n'"Only the files, folders and registry entries that its installation made are removed; files of your own are kept." "$out"
  shot uninstall-question
  answer 2000 Yes
  must msgbox 30000
  shot uninstall-left
  left="HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo"$'\n'"    holds values or keys that the installation did not make"
  left+=$'\n'"$TARGET_ROOT\\Zorvan Demo\\docs"$'\n'"    holds files that the installation did not make"
  left+=$'\n'"$TARGET_ROOT\\Zorvan Demo"$'\n'"    holds files that the installation did not make"
  expect "the outcome names what was left" "$UNINSTALLER"$'\n'"Zorvan Demo was removed, but these items were left in place:"$'\n\n'"$left" "$out"
  answer 2000 OK
  end_app
  while read -r p; do
    case "$p" in "$t/docs") continue ;; esac
    [ -e "$p" ] && fail "left behind: $p"
  done <"$SCRATCH/listed.txt"
  [ -f "$t/docs/mine.txt" ] || fail "the user's file was removed"
  [ -e "$t/Install.log" ] && fail "Install.log is still there"
  gone_soon "$t/Uninstal.exe"
  expect "the user's value" "REG_SZ mine" "$(reg_value "$REGKEY" Mine)"
  expect "the product's own value" "" "$(reg_value "$REGKEY" Version)"
  wine reg query "$UNINSTKEY" >/dev/null 2>&1 </dev/null && fail "the uninstall entry is still there"
  wine reg delete "$REGKEY" /f >/dev/null 2>&1 </dev/null
  registry_snapshot >"$SCRATCH/after.txt"
  diff "$SCRATCH/before.txt" "$SCRATCH/after.txt" >&2 || fail "keys or values outside the log changed"
  echo "ok: only what the log lists was removed"
  ;;
shortcuts)
  # Two shortcuts, a version and a publisher: in the Start menu and the Add/Remove entry after the
  # installation, and gone with the folder after the uninstallation.
  must programs
  programs=$out
  programs_unix="$WINEPREFIX/drive_c/$(printf '%s' "${programs#C:\\}" | tr '\\' /)"
  rm -rf "$programs_unix/Zorvan Demo"
  dir="$TARGET_ROOT\\Demo"
  ZRV_DEMO_EXTRA=$'Shortcut=Read me|readme.txt\nShortcut=Guide|docs\\guide.txt\nDisplayVersion=1.0.3\nPublisher=Nexal Ltd' \
    make_media "$dir" 1
  run_silent /S
  expect "exit code" 0 "$app_rc"
  for pair in "Read me|readme.txt" "Guide|docs\\guide.txt"; do
    must link "$programs\\Zorvan Demo\\${pair%%|*}.lnk"
    expect "the shortcut ${pair%%|*}" "$dir\\${pair#*|}" "$out"
  done
  expect "DisplayVersion" "REG_SZ 1.0.3" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  expect "Publisher" "REG_SZ Nexal Ltd" "$(reg_value "$UNINSTKEY" Publisher)"
  expect "the log's shortcut part" '[\SHORTCUTS]|\Zorvan Demo|Zorvan Demo\Read me.lnk|Zorvan Demo\Guide.lnk' \
    "$(tr -d '\r' <"$TARGET_ROOT_UNIX/Demo/Install.log" | sed -n '/^\[\\SHORTCUTS\]$/,$p' | paste -sd'|')"
  uninstall_silently "$TARGET_ROOT_UNIX/Demo"
  expect "exit code" 0 "$app_rc"
  [ -e "$programs_unix/Zorvan Demo" ] && fail "the Start menu folder is still there"
  gone_soon "$TARGET_ROOT_UNIX/Demo"
  entry_gone
  expect "no DisplayVersion after the uninstallation" "" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  expect "no Publisher after the uninstallation" "" "$(reg_value "$UNINSTKEY" Publisher)"
  # A shortcut of the user's own in the folder keeps the folder, without a word.
  run_silent /S
  expect "exit code of the second installation" 0 "$app_rc"
  : >"$programs_unix/Zorvan Demo/mine.lnk"
  uninstall_silently "$TARGET_ROOT_UNIX/Demo"
  expect "exit code" 0 "$app_rc"
  expect "what is left in the Start menu folder" "mine.lnk" "$(ls -A "$programs_unix/Zorvan Demo")"
  rm -rf "$programs_unix/Zorvan Demo"
  echo "ok: shortcuts made, resolved and removed with their folder"
  ;;
reinstall)
  # A second installation of the product proposes the folder of the first, windowed and silent.
  make_media "$TARGET_ROOT\\Default" 1
  first="$TARGET_ROOT\\Elsewhere\\Demo"
  run_silent /S "/D=$first"
  expect "exit code of the first installation" 0 "$app_rc"
  start_setup
  shot welcome-again
  must text "$WELCOME" $DIRTEXT
  expect "the folder proposed" "$first" "$out"
  must click "$WELCOME" $CANCEL
  finished
  run_silent /S
  expect "exit code of the second installation" 0 "$app_rc"
  [ -e "$TARGET_ROOT_UNIX/Default" ] && fail "the second installation went to DefaultDir"
  installed_ok "$TARGET_ROOT_UNIX/Elsewhere/Demo"
  expect "InstallLocation" "REG_SZ $first" "$(reg_value "$UNINSTKEY" InstallLocation)"
  # An entry naming a relative or malformed folder is not followed.
  wine reg add "$UNINSTKEY" /v InstallLocation /d 'Demo\..\x' /f >/dev/null 2>&1 </dev/null
  start_setup
  must text "$WELCOME" $DIRTEXT
  expect "DefaultDir when the entry's folder is unusable" "$TARGET_ROOT\\Default" "$out"
  must click "$WELCOME" $CANCEL
  finished
  ;;
downgrade)
  # A medium of an older version than the installed one: a silent run refuses it and leaves
  # everything as it was, the windowed run asks first (No by default) and No changes nothing,
  # /DOWNGRADE installs it silently, and Yes installs it through the screens.
  dir="$TARGET_ROOT\\Demo"
  t="$TARGET_ROOT_UNIX/Demo"
  # The registry and every file of the installation with its size and time of last change.
  downgrade_state() { registry_snapshot; find "$t" -printf '%P %s %T@\n' | sort; }
  ZRV_DEMO_EXTRA='DisplayVersion=1.1' make_media "$dir" 1
  run_silent /S
  expect "exit code installing 1.1" 0 "$app_rc"
  expect "DisplayVersion installed" "REG_SZ 1.1" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  ZRV_DEMO_EXTRA='DisplayVersion=1.0' make_media "$dir" 1
  downgrade_state >"$SCRATCH/state-before.txt"
  sleep 1
  run_silent /S "/LOG=$SILENT_LOG"
  expect "exit code of 1.0 over 1.1, silent" 1 "$app_rc"
  expect "lines in the log" 1 "$(wc -l <"$SCRATCH/silent.log")"
  grep -q '1\.1.*1\.0.*/DOWNGRADE' "$SCRATCH/silent.log" || fail "the log line names not both versions and the switch: $(cat -A "$SCRATCH/silent.log")"
  downgrade_state | cmp -s "$SCRATCH/state-before.txt" - || fail "the refused run changed something"
  echo "ok: refused without /DOWNGRADE, nothing changed"
  start_setup
  must click "$WELCOME" $INSTALL
  must msgbox 20000
  [[ "$out" == *"1.1"*"1.0"* ]] || fail "the question does not name both versions: $out"
  must focus "Setup@#32770"
  expect "the default button" 7 "$out"
  shot question
  answer 2000 No
  finished
  expect "exit code after No" 1 "$app_rc"
  downgrade_state | cmp -s "$SCRATCH/state-before.txt" - || fail "No changed something"
  echo "ok: No ends the run, nothing changed"
  run_silent /S /downgrade "/LOG=$SILENT_LOG"
  expect "exit code with /DOWNGRADE" 0 "$app_rc"
  expect "DisplayVersion after /DOWNGRADE" "REG_SZ 1.0" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  expect "the log's last line" "Installation complete!" "$(tail -1 "$SCRATCH/silent.log" | tr -d '\r')"
  listed_all_present "$t"
  # The windowed Yes: the entry claims 1.1 again.
  wine reg add "$UNINSTKEY" /v DisplayVersion /d 1.1 /f >/dev/null 2>&1 </dev/null
  start_setup
  must click "$WELCOME" $INSTALL
  answer 20000 Yes
  complete_message
  finished
  expect "exit code after Yes" 0 "$app_rc"
  expect "DisplayVersion after Yes" "REG_SZ 1.0" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  ;;
uninstall-silent)
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  app_rc=0
  (cd /tmp && wine "$t/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
  expect "exit code" 0 "$app_rc"
  [[ "$(tr -d '\r' <"$SCRATCH/silent.log")" =~ ^"Removed: "[1-9][0-9]*" items"$ ]] || fail "the log: [$(cat -A "$SCRATCH/silent.log")]"
  echo "ok: the log holds the count alone"
  gone_soon "$t"
  entry_gone
  wine reg query "$REGKEY" >/dev/null 2>&1 </dev/null && fail "the product's key is still there"
  drv msgbox 300 && fail "a message appeared: $out"
  echo "ok: nothing left, no window"
  ;;
uninstall-refused)
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  find "$t" | sort >"$SCRATCH/tree.txt"
  # The answer No: nothing changes.
  start_app "$t/Uninstal.exe"
  answer 30000 No
  end_app
  expect "exit code after No" 1 "$app_rc"
  # A damaged log: one message naming the line, nothing removed.
  cp "$t/Install.log" "$SCRATCH/good.log"
  { printf '..\\x\r\n'; cat "$SCRATCH/good.log"; } >"$t/Install.log"
  start_app "$t/Uninstal.exe"
  must msgbox 30000
  shot uninstall-damaged
  expect "the damage" "Demo - Uninstall"$'\n'"Install.log in '$TARGET_ROOT\\Demo' is damaged at line 1: path component ends in a dot."$'\n\n'"Nothing was removed." "$out"
  answer 2000 OK
  end_app
  expect "exit code for a damaged log" 1 "$app_rc"
  uninstall_silently "$t"
  expect "exit code for a damaged log, silent" 1 "$app_rc"
  find "$t" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "something was removed"
  # A damaged record of what was there before: the same.
  cp "$SCRATCH/good.log" "$t/Install.log"
  cp "$t/Install.prior" "$SCRATCH/good.prior"
  # The line after the record's own (the keys the registry made on the way may be among them).
  n=$(($(wc -l <"$t/Install.prior") + 1))
  printf 'directory\tlogs' >>"$t/Install.prior"
  start_app "$t/Uninstal.exe"
  must msgbox 30000
  expect "the record's damage" "Zorvan Demo - Uninstall"$'\n'"Install.prior in '$TARGET_ROOT\\Demo' is damaged at line $n: the line is incomplete."$'\n\n'"Nothing was removed." "$out"
  answer 2000 OK
  end_app
  expect "exit code for a damaged record" 1 "$app_rc"
  find "$t" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "something was removed"
  truncate -s 65M "$t/Install.prior"
  uninstall_silently "$t"
  expect "exit code for an oversized record" 1 "$app_rc"
  find "$t" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "something was removed"
  expect "the product's value" "REG_SZ 1.0" "$(reg_value "$REGKEY" Version)"
  echo "ok: nothing removed"
  ;;
per-user | either)
  # The demo product for one user (examples/demo-user): installed without administrator rights
  # under the user's own AppData\Local\Programs, registered, its shortcut and file type in the
  # user's own part of the system, nothing written for the machine; its uninstaller removes all of
  # it. An "either" medium installs for everyone with /ALLUSERS and for one user with /CURRENTUSER;
  # with the window, the person chooses, and a reinstallation proposes the choice made before.
  NOTES_USER='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes'
  NOTES_MACHINE='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes'
  must programs user
  user_programs_unix="$WINEPREFIX/drive_c/$(printf '%s' "${out#C:\\}" | tr '\\' /)"
  must programs
  all_programs_unix="$WINEPREFIX/drive_c/$(printf '%s' "${out#C:\\}" | tr '\\' /)"
  # gone_everywhere WHEN: nothing of the product for anyone: keys, classes, folders, shortcuts.
  gone_everywhere() {
    local k
    for k in "$NOTES_USER" "$NOTES_MACHINE" 'HKCU\Software\Nexal\Zorvan Notes' 'HKLM\Software\Nexal\Zorvan Notes' \
      'HKCU\Software\Classes\.zrvnote' 'HKCU\Software\Classes\ZorvanNotes.Note' 'HKLM\Software\Classes\.zrvnote'; do
      wine reg query "$k" >/dev/null 2>&1 </dev/null && fail "$1: $k is there"
    done
    [ -e "$user_programs_unix/Zorvan Notes" ] && fail "$1: the user's Start menu folder is there"
    [ -e "$all_programs_unix/Zorvan Notes" ] && fail "$1: the all-users Start menu folder is there"
    return 0
  }
  # installed_for WHOM: the entry, the folder, the classes and the shortcut are where an
  # installation for WHOM (user or machine) puts them, and nothing is where the other would.
  installed_for() {
    local entry=$NOTES_USER other=$NOTES_MACHINE programs=$user_programs_unix others=$all_programs_unix classes=HKCU
    if [ "$1" = machine ]; then
      entry=$NOTES_MACHINE other=$NOTES_USER programs=$all_programs_unix others=$user_programs_unix classes=HKLM
    fi
    loc=$(reg_value "$entry" InstallLocation)
    loc=${loc#REG_SZ }
    case "$1:$loc" in
      user:*'\AppData\Local\Programs\Zorvan Notes' | machine:'C:\Program Files\Zorvan Notes') ;;
      *) fail "$1: the folder in the entry: [$loc]" ;;
    esac
    t="$WINEPREFIX/drive_c/$(printf '%s' "${loc#C:\\}" | tr '\\' /)"
    listed_all_present "$t"
    [ -n "$(reg_value "$entry" InstallRecordDigest)" ] || fail "$1: no digest in the entry"
    wine reg query "$other" >/dev/null 2>&1 </dev/null && fail "$1: an entry in $other"
    expect "$1: the file type" "REG_SZ ZorvanNotes.Note" "$(reg_value "$classes\\Software\\Classes\\.zrvnote" '(Default)')"
    must link "$(winpath_c "$programs")\\Zorvan Notes\\Read me.lnk"
    expect "$1: the shortcut" "$loc\\readme.txt" "$out"
    [ -e "$others/Zorvan Notes" ] && fail "$1: a shortcut folder in the other Start menu"
    return 0
  }
  for k in "$NOTES_USER" "$NOTES_MACHINE" 'HKCU\Software\Nexal\Zorvan Notes' 'HKCU\Software\Classes\.zrvnote' \
    'HKCU\Software\Classes\ZorvanNotes.Note' 'HKLM\Software\Classes\.zrvnote' 'HKLM\Software\Classes\ZorvanNotes.Note'; do
    wine reg delete "$k" /f >/dev/null 2>&1 </dev/null || true
  done
  rm -rf "$user_programs_unix/Zorvan Notes" "$all_programs_unix/Zorvan Notes" "$WINEPREFIX/drive_c/Program Files/Zorvan Notes"
  rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Programs/"Zorvan Notes"
  notes_ini="$SCRATCH/notes.ini.txt"
  sed "s/^Scope=user/Scope=${scenario/per-user/user}/" "$ZRV_SOURCE/examples/demo-user/Setup.ini.txt" >"$notes_ini"
  ZRV_DEMO_INI=$notes_ini make_media 'C:\Program Files\Zorvan Notes' 1
  BACKDROP="Zorvan Notes - Zorvan Installation System"
  if [ "$scenario" = per-user ]; then
    # A profile without any entry of its own yet: the registry makes the Uninstall key with the
    # first, and the uninstallation takes it away again.
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /f >/dev/null 2>&1 </dev/null || true
    # Nor any folder for programs in the profile yet: the installation makes it on the way to its
    # own, and the uninstallation takes it away again.
    local_programs="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/Programs"
    rmdir "$local_programs" 2>/dev/null || true
    [ -e "$local_programs" ] && fail "$local_programs holds something already: $(ls -A "$local_programs" | head -5)"
    run_silent /S
    expect "exit code" 0 "$app_rc"
    installed_for user
    expect "the product's own key" "REG_SZ $loc" "$(reg_value 'HKCU\Software\Nexal\Zorvan Notes' InstallDir)"
    expect "the folder for programs" "$local_programs" "$(dirname "$t")"
    tr -d '\r' <"$t/Install.prior" | grep -qxF "madefolder	${loc%\\*}" ||
      fail "the record does not name the folder for programs as made: $(cat -A "$t/Install.prior")"
    uninstall_silently "$t"
    expect "uninstallation: exit code" 0 "$app_rc"
    gone_soon "$t"
    gone_soon "$local_programs"
    gone_everywhere "after the uninstallation"
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' >/dev/null 2>&1 </dev/null &&
      fail "the Uninstall key made with the entry is still there"
    echo "ok: installed and removed for one user, the folder for programs made and taken away"
    # The folder for programs made by the installation, then used by another program too: it stays.
    run_silent /S
    expect "again: exit code" 0 "$app_rc"
    installed_for user
    mkdir "$local_programs/Another Program"
    uninstall_silently "$t"
    expect "again: uninstallation, exit code" 0 "$app_rc"
    gone_soon "$t"
    [ -d "$local_programs/Another Program" ] || fail "the other program's folder went with the product"
    rmdir "$local_programs/Another Program" "$local_programs"
    echo "ok: a folder for programs that another program uses stays"
    # A line for the machine in a product for one user: refused, naming its line, nothing made.
    { cat "$notes_ini"; printf '[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Notes]\r\n"Machine"="1"\r\n'; } >"$SCRATCH/machine.ini.txt"
    "$ZRVTOOL" ini encode "$SCRATCH/machine.ini.txt" "$MEDIA/Setup.ini" >/dev/null
    n=$(grep -n 'HKEY_LOCAL_MACHINE' "$SCRATCH/machine.ini.txt" | head -1 | cut -d: -f1)
    run_silent /S "/LOG=$SILENT_LOG"
    expect "a line for the machine: exit code" 1 "$app_rc"
    grep -q "^FATAL: line $n of Setup.ini writes below HKEY_LOCAL_MACHINE" "$SCRATCH/silent.log" ||
      fail "the refusal: $(cat "$SCRATCH/silent.log")"
    [ -e "$t" ] && fail "the refused run made the folder"
    gone_everywhere "after the refused run"
    echo "ok: a line for the machine refused before anything was made"
  else
    # Silent, each way, with the switch; and /CURRENTUSER never elevates.
    while IFS='|' read -r switch whom; do
      run_silent /S "$switch"
      expect "$switch: exit code" 0 "$app_rc"
      installed_for "$whom"
      uninstall_silently "$t"
      expect "$switch: uninstallation, exit code" 0 "$app_rc"
      gone_soon "$t"
      gone_everywhere "$switch, after the uninstallation"
      echo "ok: $switch installs for $whom"
    done < <(printf '%s\n' "/ALLUSERS|machine" "/CURRENTUSER|user")
    run_silent /S /ALLUSERS /CURRENTUSER "/LOG=$SILENT_LOG"
    expect "both switches: exit code" 1 "$app_rc"
    silent_log "FATAL: the options /ALLUSERS and /CURRENTUSER exclude each other"
    # One scope at a time: installed one way, a run the other way is refused before anything is
    # made or started again, naming the installation and its uninstaller; the first one stays as it was.
    while IFS='|' read -r first whom second how other; do
      run_silent /S "$first"
      expect "$first: exit code" 0 "$app_rc"
      installed_for "$whom"
      run_silent /S "$second" "/LOG=$SILENT_LOG"
      expect "$second beside $first: exit code" 1 "$app_rc"
      # One user's installation is that user's to remove: no program of the user's folder is named.
      remove="with '$loc\\Uninstal.exe' (or Add/Remove programs)"
      [ "$whom" = user ] && remove="in Add/Remove programs, without administrator rights"
      silent_log "FATAL: Zorvan Notes is installed $how, in '$loc': it is not installed $other beside that installation. Remove it first $remove, then install it again: nothing was installed"
      installed_for "$whom"
      [ -e "$WINEPREFIX/drive_c/Program Files/Zorvan Notes" ] && [ "$whom" = user ] && fail "the refused run made the folder for everyone"
      compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/Programs/Zorvan Notes" >/dev/null && [ "$whom" = machine ] &&
        fail "the refused run made the folder for one user"
      uninstall_silently "$t"
      expect "$first: uninstallation, exit code" 0 "$app_rc"
      gone_soon "$t"
      gone_everywhere "$second beside $first, after the uninstallation"
      echo "ok: installed $how, $second refused"
    done < <(printf '%s\n' "/CURRENTUSER|user|/ALLUSERS|for you alone|for everyone" \
      "/ALLUSERS|machine|/CURRENTUSER|for everyone who uses this computer|for one user")
    # The user's own entry steers no run for everyone: a bare InstallLocation there (no record) does
    # not make an elevated run install for the user into that folder, and digests of zeros beside
    # any Install.log refuse no /ALLUSERS. Each run installs for everyone; the planted folder and
    # entry stay as they were.
    planted="$TARGET_ROOT_UNIX/planted"
    rm -rf "$planted" && mkdir -p "$planted" && echo mine >"$planted/Install.log"
    zeros=$(printf '0%.0s' $(seq 1 64))
    while IFS='|' read -r how switch; do
      wine reg add "$NOTES_USER" /v InstallLocation /d "$TARGET_ROOT\\planted" /f >/dev/null 2>&1 </dev/null
      [ "$how" = zeros ] && wine reg add "$NOTES_USER" /v InstallRecordDigest /d "$zeros $zeros $TARGET_ROOT\\planted" /f >/dev/null 2>&1 </dev/null
      run_silent /S $switch "/LOG=$SILENT_LOG"
      expect "a planted user's entry ($how): exit code" 0 "$app_rc"
      grep -q 'Uninstal.exe' "$SCRATCH/silent.log" && fail "$how: the log names an uninstaller: $(cat "$SCRATCH/silent.log")"
      expect "$how: the planted folder" "Install.log" "$(ls -A "$planted" | paste -sd' ')"
      expect "$how: the planted entry" "REG_SZ $TARGET_ROOT\\planted" "$(reg_value "$NOTES_USER" InstallLocation)"
      wine reg delete "$NOTES_USER" /f >/dev/null 2>&1 </dev/null
      installed_for machine
      uninstall_silently "$t"
      expect "$how: uninstallation, exit code" 0 "$app_rc"
      gone_soon "$t"
      echo "ok: a user's entry ($how) steered nothing"
    done < <(printf '%s\n' "bare location|" "zeros|/ALLUSERS")
    rm -rf "$planted"
    # With the window: the choice, offered for everyone first as the author prefers; "only me".
    start_setup
    must wait "$WELCOME" 30000
    must text "$WELCOME" 1010
    case $out in "Only for &me ("*")") ;; *) fail "the first choice: [$out]" ;; esac
    must checked "$WELCOME" 1011
    expect "everyone, offered first" 1 "$out"
    shot scope-choice
    must click "$WELCOME" 1010
    must click "$WELCOME" $INSTALL
    # The welcome, once the choice has gone: the same caption, with the folder's control.
    for _ in $(seq 1 50); do drv text "$WELCOME" $DIRTEXT && break; sleep 0.2; done
    must text "$WELCOME" $DIRTEXT
    case $out in *'\AppData\Local\Programs\Zorvan Notes') ;; *) fail "the folder proposed for one user: [$out]" ;; esac
    shot scope-welcome
    must click "$WELCOME" $INSTALL
    answer 20000 OK  # the folder does not exist yet: made
    complete_message
    finished
    expect "windowed, only me: exit code" 0 "$app_rc"
    installed_for user
    # Once more: the choice made before is the one offered, the other one still there; taking the
    # other one is refused, nothing made for everyone.
    start_setup
    must wait "$WELCOME" 30000
    must checked "$WELCOME" 1010
    expect "a reinstallation offers the scope installed" 1 "$out"
    must click "$WELCOME" 1011
    must click "$WELCOME" $INSTALL
    must msgbox 30000
    expect "the refusal for everyone" $'Setup\n'"FATAL: Zorvan Notes is installed for you alone, in '$loc': it is not installed for everyone beside that installation. Remove it first in Add/Remove programs, without administrator rights, then install it again: nothing was installed" "$out"
    shot scope-refused
    answer 2000 OK
    finished
    expect "windowed, refused for everyone: exit code" 1 "$app_rc"
    installed_for user
    [ -e "$WINEPREFIX/drive_c/Program Files/Zorvan Notes" ] && fail "the refused run made the folder for everyone"
    uninstall_silently "$t"
    expect "uninstallation: exit code" 0 "$app_rc"
    gone_soon "$t"
    gone_everywhere "after the windowed installation"
  fi
  ;;
upgrade | upgrade-killed)
  # Version 1 with files, a value and a shortcut of its own, then version 2 over it: one
  # uninstallation leaves nothing of either. Then version 2 from a damaged medium over version 1:
  # the uninstallation still leaves nothing. Then version 2 with one of version 1's files held open:
  # the rest is done, exit 3010, and Wine's restart puts the new file in place.
  dir="$TARGET_ROOT\\Demo" t="$TARGET_ROOT_UNIX/Demo"
  must programs
  programs_unix="$WINEPREFIX/drive_c/$(printf '%s' "${out#C:\\}" | tr '\\' /)"
  # The product's Start menu folder as an earlier scenario in this prefix may have left it.
  rm -rf "$programs_unix/Zorvan Demo"
  mkdir -p "$SCRATCH/add1/sub" "$SCRATCH/add2"
  echo one >"$SCRATCH/add1/b.txt" && echo x >"$SCRATCH/add1/sub/x.dat" && echo "version 1" >"$SCRATCH/add1/readme.txt"
  echo "version 2" >"$SCRATCH/add2/readme.txt"
  # version NAME VERSION ADD [REGISTRY [SHORTCUT]]: a medium of the demo product in $SCRATCH/NAME.
  version() {
    ZRV_DEMO_ADD=$3 ZRV_DEMO_REG=${4:-} ZRV_DEMO_EXTRA="DisplayVersion=$2"${5:+$'\n'"Shortcut=$5"} make_media "$dir" 1
    rm -rf "${SCRATCH:?}/$1" && mv "$MEDIA" "$SCRATCH/$1"
  }
  version v1 1.0 "$SCRATCH/add1" $'[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo\\V1]\n"Old"="1"' 'Old one|b.txt'
  # The vendor's keys too: the registry made them on the way to the product's, and nothing else is
  # in them in this prefix.
  wine reg delete 'HKLM\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  wine reg delete 'HKCU\Software\Nexal' /f >/dev/null 2>&1 </dev/null || true
  nothing_left() {
    local k
    gone_soon "$t"
    for k in "$REGKEY\\V1" "$REGKEY" 'HKCU\Software\Nexal\Zorvan Demo\Settings' "$UNINSTKEY" \
      'HKCU\Software\Nexal' 'HKLM\Software\Nexal'; do
      wine reg query "$k" >/dev/null 2>&1 </dev/null && fail "$1: $k is still there"
    done
    [ -e "$programs_unix/Zorvan Demo" ] && fail "$1: the Start menu folder is still there: $(ls -A "$programs_unix/Zorvan Demo" | paste -sd" ")"
    return 0
  }
  if [ "$scenario" = upgrade-killed ]; then
    # Runs killed part-way, the process ended at once as by the task manager or a power cut: the
    # record kept in the product's entry and the lines written up to there are still the whole
    # record. Rows: what runs before, the version killed and at how many lines of its log; then,
    # or after one complete run more, one uninstallation leaves nothing of any version.
    mkdir -p "$SCRATCH/many/many"
    for i in $(seq 1 3000); do echo "$i" >"$SCRATCH/many/many/f$i.txt"; done
    echo "version 2" >"$SCRATCH/many/readme.txt"
    version v2 2.0 "$SCRATCH/many" $'[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo\\V2]\n"New"="2"' 'Read me|readme.txt'
    # kill_at MEDIUM LINES: Setup.exe of the medium, killed once its log has LINES lines.
    kill_at() {
      (cd "$SCRATCH/$1" && env -u DISPLAY WINEDEBUG=-all wine Setup.exe /S >"$SCRATCH/app.log" 2>&1 </dev/null) &
      # Bounded by time, not by turns: a loaded machine runs the installer slower.
      local run=$! n=0 ended=
      local until=$((SECONDS + 180))
      while [ "$SECONDS" -lt "$until" ]; do
        n=$(cat "$t/Install.log" 2>/dev/null | tr -cd '\n' | wc -c) || n=0
        [ "$n" -ge "$2" ] && break
        kill -0 "$run" 2>/dev/null || { ended=1 && break; }
        sleep 0.02
      done
      # Only the run started here, by its process id: the subshell, or the program it became, and
      # the program it started.
      kill -9 $(pgrep -P "$run") "$run" 2>/dev/null || true
      local rc=0
      wait "$run" 2>/dev/null || rc=$?
      [ -n "$ended" ] && fail "the run ended by itself (exit code $rc) at $n lines: $(cat "$SCRATCH/app.log")"
      [ "$n" -ge "$2" ] || fail "the log did not reach $2 lines in time ($n)"
      expect "$1 killed, not ended" 137 "$rc"
      echo "ok: $1 killed at $n lines of its log"
    }
    while IFS='|' read -r row before killed lines rerun; do
      for m in $before; do run_silent_in "$SCRATCH/$m" Setup.exe /S; done
      for l in $lines; do kill_at "$killed" "$l"; done
      if [ -n "$rerun" ]; then
        run_silent_in "$SCRATCH/$rerun" Setup.exe /S
        expect "$row: the run after the killed one" 0 "$app_rc"
      fi
      uninstall_silently "$t"
      expect "$row: uninstallation, exit code" 0 "$app_rc"
      nothing_left "$row"
      echo "ok: $row"
    done < <(printf '%s\n' \
      "version 2 killed early in its payload over version 1|v1|v2|40|" \
      "version 2 killed late in its payload over version 1|v1|v2|2000|" \
      "a first installation killed|  |v2|300|" \
      "killed twice, then complete|v1|v2|200 1200|v2" \
      "killed, then version 1 again over it|v1|v2|500|v1")
    exit_scenario=1
  fi
  if [ -z "${exit_scenario:-}" ]; then
  version v2 2.0 "$SCRATCH/add2" "" 'Read me|readme.txt'
  version v2bad 2.0 "$SCRATCH/add2" "" 'Read me|readme.txt'
  flip_byte "$SCRATCH/v2bad/demo.001" 5000
  run_silent_in "$SCRATCH/v1" Setup.exe /S
  expect "version 1: exit code" 0 "$app_rc"
  run_silent_in "$SCRATCH/v2" Setup.exe /S
  expect "version 2: exit code" 0 "$app_rc"
  expect "version 2's readme" "version 2" "$(cat "$t/readme.txt")"
  # What version 2 no longer installs is retired: gone, and no longer listed.
  tr -d '\r' <"$t/Install.log" | grep -qxF 'Zorvan Demo\Read me.lnk' || fail "the upgrade's log does not list its shortcut"
  for p in b.txt 'sub\x.dat' '\sub' 'Zorvan Demo\Old one.lnk' Old; do
    tr -d '\r' <"$t/Install.log" | grep -qxF "$p" && fail "the upgrade's log still lists $p, which version 2 does not install"
  done
  for p in "$t/b.txt" "$t/sub" "$programs_unix/Zorvan Demo/Old one.lnk"; do [ -e "$p" ] && fail "not retired: $p"; done
  wine reg query "$REGKEY\\V1" >/dev/null 2>&1 </dev/null && fail "not retired: version 1's key"
  echo "ok: version 1's own items retired"
  # The product in a second folder while it is installed in this one: refused, nothing made.
  run_silent_in "$SCRATCH/v2" Setup.exe /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\Second"
  expect "a second folder: exit code" 1 "$app_rc"
  grep -qF "Zorvan Demo is installed in '$dir'" "$SCRATCH/silent.log" || fail "the refusal: $(cat "$SCRATCH/silent.log")"
  [ -e "$TARGET_ROOT_UNIX/Second" ] && fail "the second folder was made"
  uninstall_silently "$t"
  expect "uninstallation after the upgrade: exit code" 0 "$app_rc"
  nothing_left "after the upgrade"

  run_silent_in "$SCRATCH/v1" Setup.exe /S
  run_silent_in "$SCRATCH/v2bad" Setup.exe /S
  expect "a damaged version 2: exit code" 2 "$app_rc"
  # A run that failed retires nothing, and lists both versions' items.
  [ -f "$t/b.txt" ] || fail "the failed upgrade retired b.txt"
  tr -d '\r' <"$t/Install.log" | grep -qxF b.txt || fail "the failed upgrade's log does not list b.txt"
  uninstall_silently "$t"
  expect "uninstallation after the damaged upgrade: exit code" 0 "$app_rc"
  nothing_left "after the damaged upgrade"

  # A file of version 1 held open during the upgrade: one that version 2 replaces, one that it no
  # longer installs. Rows: the file, what it holds before the restart and after it (empty: gone),
  # what the silent log says of it; the other of the two, and what it holds after the upgrade.
  while IFS='|' read -r row held before after said other other_holds; do
    run_silent_in "$SCRATCH/v1" Setup.exe /S
    hold_file "$dir\\$held"
    run_silent_in "$SCRATCH/v2" Setup.exe /S "/LOG=$SILENT_LOG"
    # 3010, of which a Unix exit status keeps the low byte.
    expect "$row: exit code" $((3010 % 256)) "$app_rc"
    expect "$row: the file in use, before the restart" "$before" "$(cat "$t/$held" 2>/dev/null)"
    grep -qF "'$dir\\$held' $said" "$SCRATCH/silent.log" || fail "$row: the log: $(cat "$SCRATCH/silent.log")"
    [ -f "$t/docs/guide.txt" ] || fail "$row: the rest of the upgrade was not done"
    expect "$row: $other after the upgrade" "$other_holds" "$(cat "$t/$other" 2>/dev/null)"
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
    timeout 120 wine wineboot -r >"$SCRATCH/restart.log" 2>&1 </dev/null || fail "wineboot -r: $(cat "$SCRATCH/restart.log")"
    expect "$row: the file in use, after the restart" "$after" "$(cat "$t/$held" 2>/dev/null)"
    [ -e "$t/$held.zrvnew" ] && fail "$row: the replacement is still beside it"
    uninstall_silently "$t"
    expect "$row: uninstallation after the restart: exit code" 0 "$app_rc"
    nothing_left "$row"
    echo "ok: $row"
  done < <(printf '%s\n' \
    "a held file that version 2 replaces|readme.txt|version 1|version 2|is in use by a program: it is replaced when|b.txt|" \
    "a held file that version 2 no longer installs|b.txt|one||is in use by a program; removed when Windows restarts|readme.txt|version 2")

  # Three versions one over another, the first with a value of its own under the product's key
  # that the later ones drop: listed under that key while it is there, retired with the first
  # upgrade; one uninstallation leaves nothing.
  mkdir -p "$SCRATCH/add3" && echo "version 3" >"$SCRATCH/add3/readme.txt"
  version v1only 1.0 "$SCRATCH/add1" $'[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo]\n"Only1"="1"' 'Old one|b.txt'
  version v3 3.0 "$SCRATCH/add3" $'[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo\\V3]\n"New"="3"' 'Read me|readme.txt'
  for m in v1only v2 v3; do
    run_silent_in "$SCRATCH/$m" Setup.exe /S
    expect "$m over the one before: exit code" 0 "$app_rc"
    under=$(tr -d '\r' <"$t/Install.log" | awk '/^\\\[/ { key = $0 } $0 == "Only1" { print key }')
    if [ "$m" = v1only ]; then
      expect "$m: Only1 is listed under" '\[HKEY_LOCAL_MACHINE\Software\Nexal\Zorvan Demo]' "$under"
    else
      expect "$m: Only1 is listed under" "" "$under"
      expect "$m: Only1 retired" "" "$(reg_value "$REGKEY" Only1)"
    fi
  done
  uninstall_silently "$t"
  expect "uninstallation after three versions: exit code" 0 "$app_rc"
  nothing_left "after three versions"

  # A name the next version spells another way is the same name to Windows, and keeps what that
  # version writes: a key with a closing backslash and then without; a key and a value in other
  # letters beyond ASCII. One uninstallation leaves nothing.
  polish=$'Ustawienia \xc5\xbb\xc3\xb3\xc5\x82\xc4\x87' turtle=$'\xc5\xbb\xc3\xb3\xc5\x82w'
  polish_lower=$'ustawienia \xc5\xbc\xc3\xb3\xc5\x82\xc4\x87' turtle_lower=$'\xc5\xbc\xc3\xb3\xc5\x82w'
  for v in "v1spelt|1.0|add1|Zorvan Demo\\Hello\\|$polish|$turtle" "v2spelt|2.0|add2|Zorvan Demo\\Hello|$polish_lower|$turtle_lower"; do
    IFS='|' read -r m ver add hello key value <<<"$v"
    version "$m" "$ver" "$SCRATCH/$add" "$(printf '[HKEY_LOCAL_MACHINE\\Software\\Nexal\\%s]\n"Dir"="%s"\n%s\n"%s"="%s"\n"Plain"="%s"' \
      "$hello" "$ver" "[HKEY_LOCAL_MACHINE\\Software\\Nexal\\Zorvan Demo\\$key]" "$value" "$ver" "$ver")"
    run_silent_in "$SCRATCH/$m" Setup.exe /S
    expect "$m: exit code" 0 "$app_rc"
  done
  expect "the key spelt with a closing backslash, after the upgrade" "REG_SZ 2.0" "$(reg_value "$REGKEY\\Hello" Dir)"
  for v in "$polish|$turtle" "$polish|Plain"; do
    wine reg query "$REGKEY\\${v%|*}" /v "${v#*|}" >/dev/null 2>&1 </dev/null || fail "the upgrade lost ${v#*|} of ${v%|*}"
  done
  echo "ok: names spelt another way by version 2 keep what it wrote"
  uninstall_silently "$t"
  expect "uninstallation after names spelt another way: exit code" 0 "$app_rc"
  nothing_left "after names spelt another way"

  # A name that is a file in one version and a folder in the next, and the reverse, in one upgrade.
  mkdir -p "$SCRATCH/kindA/turn" "$SCRATCH/kindB/swap"
  echo "file A" >"$SCRATCH/kindA/swap" && echo "inner A" >"$SCRATCH/kindA/turn/inner.txt"
  echo "inner B" >"$SCRATCH/kindB/swap/inner.txt" && echo "file B" >"$SCRATCH/kindB/turn"
  version vkindA 1.0 "$SCRATCH/kindA"
  version vkindB 2.0 "$SCRATCH/kindB"
  for m in vkindA vkindB; do
    run_silent_in "$SCRATCH/$m" Setup.exe /S "/LOG=$SILENT_LOG"
    [ "$app_rc" = 0 ] || fail "$m: exit code $app_rc: $(cat "$SCRATCH/silent.log")"
  done
  expect "a file that became a folder" "inner B" "$(cat "$t/swap/inner.txt" 2>/dev/null)"
  expect "a folder that became a file" "file B" "$(cat "$t/turn" 2>/dev/null)"
  uninstall_silently "$t"
  expect "uninstallation after names that changed kind: exit code" 0 "$app_rc"
  nothing_left "after names that changed kind"
  echo "ok: names that change between file and folder upgrade"

  # The product's name in other letters beyond ASCII: the same entry in Add/Remove programs, which
  # keeps what version 2 registers.
  wine reg delete $'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zorvan \xc5\xbb\xc3\xb3\xc5\x82\xc4\x87' /f >/dev/null 2>&1 </dev/null || true
  for v in $'vnameA|1.0|Zorvan \xc5\xbb\xc3\xb3\xc5\x82\xc4\x87' $'vnameB|2.0|ZORVAN \xc5\xbb\xc3\x93\xc5\x81\xc4\x86'; do
    IFS='|' read -r m ver name <<<"$v"
    sed "s/^\[Zorvan Demo\]/[$name]/" "$ZRV_SOURCE/examples/demo/Setup.ini.txt" >"$SCRATCH/$m.ini.txt"
    ZRV_DEMO_INI="$SCRATCH/$m.ini.txt" version "$m" "$ver" "$SCRATCH/add2"
    run_silent_in "$SCRATCH/$m" Setup.exe /S "/LOG=$SILENT_LOG"
    [ "$app_rc" = 0 ] || fail "$m: exit code $app_rc: $(cat "$SCRATCH/silent.log")"
  done
  named_entry="HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\\$name"
  wine reg query "$named_entry" /v DisplayName >/dev/null 2>&1 </dev/null || fail "the upgrade emptied the entry of the product named in other letters"
  expect "its version" "REG_SZ 2.0" "$(reg_value "$named_entry" DisplayVersion)"
  uninstall_silently "$t"
  expect "uninstallation after the product's name in other letters: exit code" 0 "$app_rc"
  gone_soon "$t"
  wine reg query "$named_entry" >/dev/null 2>&1 </dev/null && fail "the entry of the product named in other letters is still there"
  echo "ok: the product's name in other letters keeps its entry"

  # With the window: the box names the file; Try Again once the program has let go replaces it.
  run_silent_in "$SCRATCH/v1" Setup.exe /S
  hold_file "$dir\\readme.txt"
  (cd "$SCRATCH/v2" && wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  must wait "$WELCOME" 30000
  must click "$WELCOME" $INSTALL
  must msgbox 60000
  case $out in *"'$dir\\readme.txt' is in use by a program"*) ;; *) fail "the question: $out" ;; esac
  shot file-in-use
  kill "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  answer 2000 TryAgain
  complete_message
  finished
  expect "windowed, Try Again: exit code" 0 "$app_rc"
  expect "windowed, Try Again: the file" "version 2" "$(cat "$t/readme.txt")"
  fi
  ;;
uninstall-in-use)
  # A file held open by another program: silently it goes at the restart, with its folder, the
  # record and the target, everything else at once; Wine's restart then removes them. With the
  # window, Retry after the program has let go removes it there and then.
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  dir="$TARGET_ROOT\\Demo"
  held="$dir\\docs\\guide.txt"
  listed_paths "$t/Install.log" "$t" >"$SCRATCH/listed.txt"
  hold_file "$held"
  app_rc=0
  (cd "$SCRATCH" && timeout 120 wine "$t/Uninstal.exe" /S /LOG=uninstall.log >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
  # 3010; a Unix exit status keeps its low byte only (the whole code: win32_uninstall_tests).
  expect "exit code" $((3010 % 256)) "$app_rc"
  [ -f "$t/docs/guide.txt" ] || fail "the file in use was removed"
  while read -r p; do
    case "$p" in "$t/docs" | "$t/docs/guide.txt" | "$t/Uninstal.exe") continue ;; esac
    [ -e "$p" ] && fail "left behind: $p"
  done <"$SCRATCH/listed.txt"
  gone_soon "$t/Uninstal.exe"
  [ -f "$t/Install.log" ] || fail "Install.log went before the file that it lists"
  entry_gone
  wine reg query "$REGKEY" >/dev/null 2>&1 </dev/null && fail "the product's key is still there"
  # The log, made relative to the caller's folder. Rules, one a row: a line that must be there
  # and, after the bar, one that must come before it.
  tr -d '\r' <"$SCRATCH/uninstall.log" >"$SCRATCH/ulog.txt"
  grep -qE '^Removed: [1-9][0-9]* items$' "$SCRATCH/ulog.txt" || fail "no count: $(cat "$SCRATCH/ulog.txt")"
  grep -q '^Left: ' "$SCRATCH/ulog.txt" && fail "an item left: $(cat "$SCRATCH/ulog.txt")"
  in_use="At restart: $held (in use by a program; removed when Windows restarts)"
  docs="At restart: $dir\\docs (removed when Windows restarts)"
  while IFS='|' read -r line before; do
    n=$(grep -nxF "$line" "$SCRATCH/ulog.txt" | head -1 | cut -d: -f1)
    [ -n "$n" ] || fail "the log lacks [$line]: $(cat "$SCRATCH/ulog.txt")"
    [ -z "$before" ] && continue
    m=$(grep -nxF "$before" "$SCRATCH/ulog.txt" | head -1 | cut -d: -f1)
    [ -n "$m" ] && [ "$m" -lt "$n" ] || fail "[$before] does not come before [$line]"
  done < <(printf '%s\n' "$in_use|" "$docs|$in_use" "At restart: $dir\\Install.log (removed when Windows restarts)|" \
    "At restart: $dir (removed when Windows restarts)|$docs" "Windows must restart to finish the removal|")
  echo "ok: the file in use and what holds it wait for the restart; the log says so"
  kill "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  timeout 120 wine wineboot -r >"$SCRATCH/restart.log" 2>&1 </dev/null || fail "wineboot -r: $(cat "$SCRATCH/restart.log")"
  gone_soon "$t"
  echo "ok: the restart removed the file, its folder and the target"

  # With the window: the box names the file; Retry once the program has let go removes it.
  install_demo Demo
  hold_file "$held"
  start_app "$t/Uninstal.exe"
  answer 30000 Yes
  must msgbox 30000
  case "$out" in "$UNINSTALLER"$'\n'"'$held' is in use by "*" and cannot be removed now."*Retry*Cancel*) echo "ok: the question" ;;
    *) fail "the in-use question: [$out]" ;; esac
  shot uninstall-in-use
  kill "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  answer 2000 Retry
  must msgbox 30000
  expect "the outcome" "$UNINSTALLER"$'\n'"Zorvan Demo was removed from your computer." "$out"
  answer 2000 OK
  end_app
  expect "exit code after Retry" 0 "$app_rc"
  gone_soon "$t"
  entry_gone
  echo "ok: Retry removed the file once it was free"
  ;;
uninstall-link)
  # A folder of the installation replaced by a link to another folder: nothing is removed through it.
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  mkdir -p "$TARGET_ROOT_UNIX/elsewhere"
  mv "$t/docs"/* "$TARGET_ROOT_UNIX/elsewhere/"
  rmdir "$t/docs"
  ln -s "$TARGET_ROOT_UNIX/elsewhere" "$t/docs"
  app_rc=0
  (cd /tmp && wine "$t/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
  expect "exit code" 2 "$app_rc"
  tr -d '\r' <"$SCRATCH/silent.log" | grep -qxF "Left: $TARGET_ROOT\\Demo\\docs (a link or junction on its path; not followed)" ||
    fail "the log does not name the link: [$(cat -A "$SCRATCH/silent.log")]"
  tr -d '\r' <"$SCRATCH/silent.log" | grep -q '^At restart: ' && fail "something waits for the restart: $(cat "$SCRATCH/silent.log")"
  [ -f "$TARGET_ROOT_UNIX/elsewhere/guide.txt" ] || fail "a file was removed through the link"
  [ -e "$t/readme.txt" ] && fail "a file outside the link was left"
  echo "ok: nothing removed through the link"
  ;;
uninstall-cancelled)
  # A cancel in the middle of a large file, then an uninstallation: the half-written file goes too.
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1 48000000 16M
  start_setup
  must click "$WELCOME" $INSTALL
  large_file_in_hand
  must click "$PROGRESS" $CANCEL
  finished
  t="$TARGET_ROOT_UNIX/Demo"
  [ -f "$t/samples/noise.bin" ] || fail "no half-written file to remove"
  uninstall_silently "$t"
  expect "exit code" 0 "$app_rc"
  gone_soon "$t"
  echo "ok: the cancelled installation is gone"
  ;;
default)
  dir="$TARGET_ROOT\\Zorvan Demo"
  make_media "$dir" 1
  start_setup
  shot welcome
  must text "$WELCOME" $DIRTEXT;  expect "the default directory is shown" "$dir" "$out"
  must text "$BACKDROP" 0;        expect "backdrop caption" "$BACKDROP" "$out"
  must click "$WELCOME" $INSTALL
  must msgbox 20000
  expect "the question" "Setup"$'\n'"The directory '$dir' does not exist."$'\n'"Do you wish to create it?" "$out"
  shot question
  answer 2000 OK
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/Zorvan Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/Zorvan Demo"
  ;;
missing-dir)
  dir="$TARGET_ROOT\\one\\two\\three"
  make_media "$dir" 1
  start_setup
  must click "$WELCOME" $INSTALL
  answer 20000 Cancel
  must wait "$WELCOME" 10000
  must text "$WELCOME" $DIRTEXT;  expect "Cancel returns to the welcome dialog with the same directory" "$dir" "$out"
  [ -e "$TARGET_ROOT_UNIX/one" ] && fail "Cancel at the question created something"
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/one/two/three"
  # The folders made on the way are the installation's: recorded, and gone with it; the folder that
  # was there stays.
  for made in "$TARGET_ROOT\\one" "$TARGET_ROOT\\one\\two"; do
    tr -d '\r' <"$TARGET_ROOT_UNIX/one/two/three/Install.prior" | grep -qxF "madefolder	$made" ||
      fail "Install.prior does not name $made as made: $(cat -A "$TARGET_ROOT_UNIX/one/two/three/Install.prior")"
  done
  uninstall_silently "$TARGET_ROOT_UNIX/one/two/three"
  expect "uninstallation: exit code" 0 "$app_rc"
  gone_soon "$TARGET_ROOT_UNIX/one"
  [ -d "$TARGET_ROOT_UNIX" ] || fail "the folder that was there went with the installation"
  echo "ok: the folders made on the way went with the installation"
  ;;
free-space)
  dir="$TARGET_ROOT\\Demo"
  make_media "$dir" 2000000000
  start_setup
  must click "$WELCOME" $INSTALL
  must msgbox 20000
  shot no-space
  first=$(echo "$out" | sed -n 2p)
  expect "free space message, first line" "Not enough free space left on drive ${dir:0:1}:" "$first"
  expect "free space message, second line" "You need 2000000000 megabytes, and currently have" "$(echo "$out" | sed -n 3p)"
  echo "$out" | sed -n 4p | grep -qE '^only [0-9]+ megabytes free\.$' || fail "third line: $(echo "$out" | sed -n 4p)"
  answer 2000 OK
  must wait "$WELCOME" 10000
  must text "$WELCOME" $DIRTEXT;  expect "the welcome dialog again, same directory" "$dir" "$out"
  must click "$WELCOME" $CANCEL
  finished
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed"
  ;;
name-is-file)
  : >"$TARGET_ROOT_UNIX/taken"
  make_media "$TARGET_ROOT\\taken" 1
  start_setup
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  expect "the name is in use" "Setup"$'\n'"The name '$TARGET_ROOT\\taken' is already in use,"$'\n'"and it's not a directory!" "$out"
  must wait "$WELCOME" 10000
  must click "$WELCOME" $BROWSE
  must wait "$CHOOSER" 10000
  shot chooser
  mkdir -p "$TARGET_ROOT_UNIX/chosen"
  must settext "$CHOOSER" $CHOOSER_EDIT "$TARGET_ROOT\\chosen"
  must click "$CHOOSER" 1
  must gone "$CHOOSER" 20000
  must text "$WELCOME" $DIRTEXT;  expect "the chosen directory is shown" "$TARGET_ROOT\\chosen" "$out"
  must click "$WELCOME" $INSTALL
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/chosen"
  ;;
language)
  # /LANG= picks the language table: the welcome's title, Install button and caption, and the
  # backdrop's caption, read back through the driver, are the table's texts. German under the
  # Western code page, Russian under the Cyrillic one (LANG sets Wine's code page); each kept as a
  # screenshot. A table that lang/ lacks is left out; one of them must be there.
  make_media "$TARGET_ROOT\\Lang" 1
  # table_text TAG KEY: the text of KEY in lang/TAG.lang (no escapes in the texts read here).
  table_text() { grep -m1 "^$2=" "$ZRV_SOURCE/lang/$1.lang" | cut -d= -f2- | tr -d '\r'; }
  # The driver finds the dialog by its class ("*@#32770", the one dialog up) and reads the
  # captions from its list of windows, in UTF-8 whatever the code page.
  checked=0
  for run in "de C.UTF-8" "ru ru_RU.UTF-8" "pl pl_PL.UTF-8"; do
    read -r tag locale <<<"$run"
    [ -f "$ZRV_SOURCE/lang/$tag.lang" ] || { echo "skipped: no lang/$tag.lang"; continue; }
    export LANG=$locale LC_ALL=$locale
    dialog="*@#32770"
    (cd "$MEDIA" && wine Setup.exe "/LANG=$tag" >"$SCRATCH/app.log" 2>&1 </dev/null) &
    APP_PID=$!
    must wait "$dialog" 30000
    must windows
    windows=$out
    expect "the $tag welcome caption" "$(table_text "$tag" dlg.welcome.caption)@#32770" "$(grep '@#32770$' <<<"$windows")"
    backdrop=$(table_text "$tag" backdrop.caption | sed 's/%s/Zorvan Demo/')
    grep -q "^$backdrop@" <<<"$windows" || fail "the $tag backdrop caption [$backdrop] is not among the windows: $windows"
    echo "ok: the backdrop's caption is the $tag one"
    must text "$dialog" 1006
    expect "the $tag welcome title" "$(table_text "$tag" welcome.title)" "$out"
    must text "$dialog" $INSTALL
    expect "the $tag Install button" "$(table_text "$tag" dlg.welcome.install)" "$out"
    shot "welcome-$tag"
    must click "$dialog" $CANCEL
    BACKDROP=$dialog
    finished
    expect "exit code" 1 "$app_rc"
    checked=$((checked + 1))
  done
  unset LANG LC_ALL
  [ "$checked" -gt 0 ] || fail "lang/ holds neither de.lang nor ru.lang"
  # A Japanese user, no /LANG=: the user's language picks the table, and a Windows-1252 medium's
  # description with accented letters is read as Windows-1252 on that machine too (the backdrop in
  # the screenshot shows it as written).
  sed 's/^AppDescription=.*/AppDescription=Zorvan Démo – café, crème brûlée/' "$ZRV_SOURCE/examples/demo/Setup.ini.txt" \
    >"$SCRATCH/accented.ini.txt"
  ZRV_DEMO_INI="$SCRATCH/accented.ini.txt" make_media "$TARGET_ROOT\\Lang" 1
  "$ZRVTOOL" ini decode "$MEDIA/Setup.ini" "$SCRATCH/stored.ini" >/dev/null
  LC_ALL=C grep -aq $'^AppDescription=Zorvan D\xe9mo \x96 caf\xe9' "$SCRATCH/stored.ini" || fail "the medium does not hold the description in Windows-1252"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  (cd "$MEDIA" && wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  must wait "*@#32770" 30000
  must text "*@#32770" 1006
  expect "the Japanese welcome title" "$(table_text ja welcome.title)" "$out"
  shot "welcome-ja-accented-medium"
  # A box in Japanese: the question before making the folder, its buttons the system's.
  rm -rf "$TARGET_ROOT_UNIX/Lang"
  must click "*@#32770" $INSTALL
  must msgbox 20000
  shot "question-ja"
  answer 2000 Cancel
  must wait "*@#32770" 10000
  must click "*@#32770" $CANCEL
  BACKDROP="*@#32770"
  finished
  unset LANG LC_ALL
  ;;
cancel-welcome)
  make_media "$TARGET_ROOT\\Demo" 1
  start_setup
  must click "$WELCOME" $CANCEL
  finished
  expect "exit code" 1 "$app_rc"
  drv msgbox 500 && fail "a message appeared: $out"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed"
  echo "ok: Cancel ends without a message"
  ;;
cancel-progress)
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1 48000000 16M
  start_setup
  must click "$WELCOME" $INSTALL
  large_file_in_hand
  sleep 0.5
  shot progress
  must click "$PROGRESS" $CANCEL
  finished
  expect "exit code after a cancel with files written" 2 "$app_rc"
  drv msgbox 500 && fail "a message appeared after Cancel: $out"
  log="$TARGET_ROOT_UNIX/Demo/Install.log"
  expect "the log ends with the file cut short" 'samples\noise.bin' "$(tail -1 "$log" | tr -d '\r')"
  grep -q REGEDIT4 "$log" && fail "the registry step ran after Cancel"
  size=$(stat -c %s "$TARGET_ROOT_UNIX/Demo/samples/noise.bin")
  [ "$size" -gt 0 ] && [ "$size" -lt 48000000 ] || fail "the large file is not cut short: $size bytes"
  cmp -s -n "$size" "$SRC/samples/noise.bin" "$TARGET_ROOT_UNIX/Demo/samples/noise.bin" || fail "what was written differs"
  echo "ok: cut at $size bytes, closed and logged"
  ;;
missing-volume)
  retry_prompt_for_demo_002
  shot retry
  mv "$SCRATCH/demo.002" "$MEDIA/demo.002"
  answer 2000 Retry
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/Demo"
  ;;
corrupt-language)
  # The reader's message about a damaged image speaks the language of the run: with /LANG=de its
  # box starts with the German table's prefix of the reader's texts, not with the English one.
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1
  flip_byte "$MEDIA/demo.001" 5000
  prefix=$(grep -m1 '^archive.not_zrv=' "$ZRV_SOURCE/lang/de.lang" | cut -d= -f2- | cut -d: -f1)
  english=$(grep -m1 '^archive.not_zrv=' "$ZRV_SOURCE/lang/en.lang" | cut -d= -f2- | cut -d: -f1)
  [ -n "$prefix" ] && [ "$prefix" != "$english" ] || fail "lang/de.lang has no German archive.not_zrv"
  dialog="*@#32770"
  (cd "$MEDIA" && wine Setup.exe /LANG=de >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  must wait "$dialog" 30000
  must click "$dialog" $INSTALL
  must msgbox 30000
  shot fatal-de
  case "$(echo "$out" | sed -n 2p)" in "$prefix:"*) echo "ok: $(echo "$out" | sed -n 2,3p | paste -sd' ')" ;; *) fail "no German reader message: $out" ;; esac
  answer 2000 OK
  finished
  ;;
corrupt)
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1
  # One data byte of the first volume changed: the volume no longer matches its CRC, or its
  # blocks no longer decode.
  flip_byte "$MEDIA/demo.001" 5000
  start_setup
  must click "$WELCOME" $INSTALL
  must msgbox 30000
  shot fatal
  case "$(echo "$out" | sed -n 2p)" in FATAL:*) echo "ok: $(echo "$out" | sed -n 2,3p | paste -sd' ')" ;; *) fail "no FATAL message: $out" ;; esac
  answer 2000 OK
  finished
  drv msgbox 500 && fail "a second message appeared: $out"
  ;;
cancel-at-retry)
  # Cancel on the progress dialog while the worker's retry prompt for a missing volume is up: the
  # flow then waits for the worker, whose prompt must stay answerable until the worker has ended.
  retry_prompt_for_demo_002
  must click "$PROGRESS" $CANCEL
  must gone "$PROGRESS" 10000
  shot retry-after-cancel
  answer 5000 Cancel
  finished
  drv msgbox 500 && fail "a message appeared after Cancel: $out"
  grep -q REGEDIT4 "$TARGET_ROOT_UNIX/Demo/Install.log" && fail "the registry step ran after Cancel"
  echo "ok: the prompt was answered and the program ended"
  ;;
refused-choice)
  # A directory chosen in the chooser that fails a check is the one shown again, not the default.
  mkdir -p "$TARGET_ROOT_UNIX/chosen"
  make_media "$TARGET_ROOT\\Demo" 2000000000
  start_setup
  must click "$WELCOME" $BROWSE
  must wait "$CHOOSER" 10000
  must settext "$CHOOSER" $CHOOSER_EDIT "$TARGET_ROOT\\chosen"
  must click "$CHOOSER" 1
  must gone "$CHOOSER" 20000
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  expect "free space message, first line" "Not enough free space left on drive ${TARGET_ROOT:0:1}:" "$(echo "$out" | sed -n 2p)"
  must wait "$WELCOME" 10000
  must text "$WELCOME" $DIRTEXT;  expect "the refused choice is shown again" "$TARGET_ROOT\\chosen" "$out"
  must click "$WELCOME" $CANCEL
  finished
  [ -e "$TARGET_ROOT_UNIX/chosen/Install.log" ] && fail "something was installed"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed in the default directory"
  echo "ok: the chosen directory came back"
  ;;
registry-fails)
  # A script that stops half-way (a root the grammar refuses): the keys before it are set, the
  # product is registered all the same (its files are in place), and the run says where the script
  # stopped and ends with exit code 2, never with the completion message.
  dir="$TARGET_ROOT\\Demo"
  make_media "$dir" 1
  "$ZRVTOOL" ini decode "$MEDIA/Setup.ini" "$SCRATCH/plain.txt"
  printf '[HKEY_CURRENT_CONFIG\\Software\\Nexal]\r\n"a"="b"\r\n' >>"$SCRATCH/plain.txt"
  "$ZRVTOOL" ini encode "$SCRATCH/plain.txt" "$MEDIA/Setup.ini"
  stop_line=$(grep -c '' "$SCRATCH/plain.txt")
  stop_line=$((stop_line - 1))
  start_setup
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  answer 60000 OK
  case $out in *"stopped at line $stop_line of Setup.ini"*) ;; *) fail "the stop was not told: $out" ;; esac
  finished
  expect "the exit code" 2 "$app_rc"
  expect "WindowWidth" "REG_DWORD 0x280" "$(reg_value 'HKCU\Software\Nexal\Zorvan Demo\Settings' WindowWidth)"
  expect "the uninstall entry" "REG_SZ Zorvan Demo" "$(reg_value "$UNINSTKEY" DisplayName)"
  uninstall_silently "$TARGET_ROOT_UNIX/Demo"
  expect "the uninstaller's exit code" 0 "$app_rc"
  gone_soon "$TARGET_ROOT_UNIX/Demo"
  wine reg query 'HKCU\Software\Nexal\Zorvan Demo\Settings' >/dev/null 2>&1 </dev/null && fail "the script's key is still there"
  wine reg query "$UNINSTKEY" >/dev/null 2>&1 </dev/null && fail "the entry is still there"
  ;;
medium-target)
  # The target directory is the medium's own folder and the image holds a Setup.ini: it may not
  # replace the medium's, whose script must be the one that counts.
  medium_dir="Z:$(printf '%s' "$MEDIA" | tr / '\\')"
  make_media "$medium_dir" 1
  printf 'INSTALL4\r\n[Other]\r\n' >"$SRC/Setup.ini"
  rm -f "$MEDIA"/demo.0*
  "$ZRVTOOL" pack "$SRC" "$MEDIA/demo.001" --volume-size 128k --arch "$ZRV_ARCH" >/dev/null
  cp "$MEDIA/Setup.ini" "$SCRATCH/Setup.ini.before"
  start_setup
  must click "$WELCOME" $INSTALL
  answer 30000 OK
  expect "the refusal" $'Setup\nFATAL: the entry \'Setup.ini\' would replace \'Setup.ini\' of the installation medium' "$out"
  finished
  drv msgbox 500 && fail "a second message appeared: $out"
  cmp -s "$SCRATCH/Setup.ini.before" "$MEDIA/Setup.ini" || fail "the medium's Setup.ini was changed"
  expect "no registry value" "" "$(reg_value "$REGKEY" InstallDir)"
  echo "ok: the medium stayed as it was"
  ;;
empty-volume)
  # A later volume of no bytes at all: one fatal message naming it.
  mkdir -p "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1
  : >"$MEDIA/demo.002"
  start_setup
  must click "$WELCOME" $INSTALL
  answer 30000 OK
  expect "the message" $'Setup\nFATAL: the file \'demo.002\' is too short to be a ZRV-Zip volume' "$out"
  finished
  drv msgbox 500 && fail "a second message appeared: $out"
  ;;
no-config | broken-config)
  # Without a usable Setup.ini the program ends at once, with no window and no message, and with
  # the exit code of a refusal.
  make_media "$TARGET_ROOT\\Demo" 1
  if [ "$scenario" = no-config ]; then
    rm "$MEDIA/Setup.ini"
  else
    printf 'INSTALL4\r\n[Demo]\r\nAppDescription=x\r\nDiskImage=demo.001\r\n' >"$SCRATCH/short.txt"
    "$ZRVTOOL" ini encode "$SCRATCH/short.txt" "$MEDIA/Setup.ini"
  fi
  (cd "$MEDIA" && wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  finished
  expect "exit code" 1 "$app_rc"
  drv msgbox 300 && fail "a message appeared: $out"
  drv wait "$WELCOME" 300 && fail "the welcome dialog appeared"
  echo "ok: ended silently"
  ;;
bundle-demo)
  # The demo's medium in one volume, as one program run from a folder holding nothing else.
  mkdir -p "$TARGET_ROOT_UNIX/Zorvan Demo"
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 0
  bundle_of_media demo-setup.exe
  install_from_bundle "$TARGET_ROOT\\Zorvan Demo" "$TARGET_ROOT_UNIX/Zorvan Demo"
  ;;
bundle-version)
  # The bundle's version information names the product, as Explorer shows it, and the bundle
  # still unpacks and installs.
  ZRV_DEMO_EXTRA=$'DisplayVersion=1.0.3\nPublisher=Nexal Ltd' make_media "$TARGET_ROOT\\Demo" 1
  bundle_of_media demo-setup.exe
  bundle_win="Z:$(printf '%s' "$BUNDLE" | tr / '\\')"
  for pair in "ProductName|Zorvan Demo" "ProductVersion|1.0.3" "FileDescription|Zorvan Demo Setup" "CompanyName|Nexal Ltd"; do
    must version "$bundle_win" "${pair%%|*}"
    expect "${pair%%|*}" "${pair#*|}" "$out"
  done
  run_silent_in "$BUNDLE_DIR" demo-setup.exe /S
  expect "the bundle's exit code" 0 "$app_rc"
  listed_all_present "$TARGET_ROOT_UNIX/Demo"
  expect "DisplayVersion" "REG_SZ 1.0.3" "$(reg_value "$UNINSTKEY" DisplayVersion)"
  ;;
bundle-volumes)
  # A medium of several volumes is bundled whole: no Retry prompt, nothing missing.
  mkdir -p "$TARGET_ROOT_UNIX/Zorvan Demo"
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 64k
  [ -f "$MEDIA/demo.004" ] || fail "the medium has fewer volumes than meant: $(ls "$MEDIA")"
  bundle_of_media "Demo Setup.exe"
  install_from_bundle "$TARGET_ROOT\\Zorvan Demo" "$TARGET_ROOT_UNIX/Zorvan Demo"
  ;;
bundle-signed)
  # Signed by the author's command with a throwaway certificate, the bundle still installs.
  mkdir -p "$TARGET_ROOT_UNIX/Zorvan Demo"
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 128k
  (cd "$SCRATCH" && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj '/CN=Zorvan Test Signer' -addext extendedKeyUsage=codeSigning >/dev/null 2>&1 &&
    openssl pkcs12 -export -out key.pfx -inkey key.pem -in cert.pem -passout pass:pw >/dev/null 2>&1) ||
    fail "no certificate"
  bundle_of_media demo-setup.exe --sign "osslsigncode sign -pkcs12 '$SCRATCH/key.pfx' -pass pw -in {in} -out {out}"
  osslsigncode verify -CAfile "$SCRATCH/cert.pem" -in "$BUNDLE" >"$SCRATCH/verify.log" 2>&1 ||
    fail "the signature is not accepted: $(tail -5 "$SCRATCH/verify.log")"
  echo "ok: the bundle's signature verifies"
  install_from_bundle "$TARGET_ROOT\\Zorvan Demo" "$TARGET_ROOT_UNIX/Zorvan Demo"
  ;;
bundle-silent)
  # The silent switches through the bundle: Setup.exe gets them as given, installs with no window
  # and the launcher ends with its exit code, leaving the temporary folder as it was.
  make_media "$TARGET_ROOT\\Demo" 1
  bundle_of_media "Demo Setup.exe"
  dir="$TARGET_ROOT\\My Programs\\Zorvan Demo"
  temp_listing >"$SCRATCH/temp-before"
  run_silent_in "$BUNDLE_DIR" "Demo Setup.exe" /S "/LOG=$SILENT_LOG" "/D=$dir"
  expect "exit code" 0 "$app_rc"
  installed_ok "$TARGET_ROOT_UNIX/My Programs/Zorvan Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/My Programs/Zorvan Demo"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "the default directory was used"
  silent_log "The directory '$dir' does not exist. Do you wish to create it?" "Installation complete!"
  temp_listing >"$SCRATCH/temp-after"
  cmp -s "$SCRATCH/temp-before" "$SCRATCH/temp-after" ||
    fail "the temporary folder changed: $(diff "$SCRATCH/temp-before" "$SCRATCH/temp-after" | tail -5)"
  expect "the download folder" "Demo Setup.exe" "$(ls -A "$BUNDLE_DIR")"
  # The product is installed in one folder at a time: it is removed before the runs that name
  # other folders. (The uninstaller's copy leaves its private folder to the restart under Wine:
  # the listing starts again after it.)
  uninstall_silently "$TARGET_ROOT_UNIX/My Programs/Zorvan Demo"
  expect "exit code of the uninstallation" 0 "$app_rc"
  temp_listing >"$SCRATCH/temp-before"
  # A refused target: Setup.exe's exit code and its line, through the launcher.
  : >"$TARGET_ROOT_UNIX/taken"
  run_silent_in "$BUNDLE_DIR" "Demo Setup.exe" /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\taken"
  expect "exit code for a file" 1 "$app_rc"
  silent_log "The name '$TARGET_ROOT\\taken' is already in use, and it's not a directory!"
  temp_listing >"$SCRATCH/temp-after"
  cmp -s "$SCRATCH/temp-before" "$SCRATCH/temp-after" || fail "the temporary folder changed after the refusal"
  echo "ok: the refusal leaves the temporary folder as it was"
  # Relative paths are the caller's, as for any program: run from another folder, the log and the
  # product land there, not in the temporary folder that Setup.exe runs in and that is removed.
  caller="$SCRATCH/admin scripts"
  mkdir -p "$caller"
  dir="Z:$(printf '%s' "$caller" | tr / '\\')\\Zorvan Demo"
  run_silent_in "$caller" "$BUNDLE" /S /LOG=setup.log "/D=Zorvan Demo"
  expect "exit code with relative paths" 0 "$app_rc"
  mv "$caller/setup.log" "$SCRATCH/silent.log" || fail "no log in the caller's folder: $(ls -A "$caller")"
  silent_log "The directory '$dir' does not exist. Do you wish to create it?" "Installation complete!"
  installed_ok "$caller/Zorvan Demo"
  registry_ok "$dir" "$caller/Zorvan Demo"
  temp_listing >"$SCRATCH/temp-after"
  cmp -s "$SCRATCH/temp-before" "$SCRATCH/temp-after" || fail "the temporary folder changed after relative paths"
  ;;
bundle-cut)
  # A download cut short by one byte.
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 128k
  bundle_of_media demo-setup.exe
  truncate -s -1 "$BUNDLE"
  refused_bundle "Setup"$'\n'"FATAL: this installer is incomplete: its download was cut short."$'\n'"Please download it again."
  ;;
bundle-no-room)
  # A temporary folder on a file system of 256 KB: the medium does not fit, and nothing is written.
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 128k
  bundle_of_media demo-setup.exe
  tiny="$SCRATCH/tiny"
  mkdir -p "$tiny"
  mount -t tmpfs -o size=256k tmpfs "$tiny" || fail "a small file system cannot be mounted here"
  at_exit 'umount "$tiny" 2>/dev/null'
  BUNDLE_TEMP="Z:$(echo "$tiny" | tr / '\\')"
  pattern=$(printf '%s' "$BUNDLE_TEMP" | sed 's/\\/\\\\/g')
  refused_bundle "Setup"$'\n'"FATAL: not enough room in the temporary folder '$pattern' to unpack the installation"
  expect "the small temporary folder" "" "$(ls -A "$tiny")"
  ;;
bundle-no-start)
  # A medium whose Setup.exe is cut short after its headers (the tool bundles it, as it names its
  # machine, but Windows cannot load it): the launcher cannot start it, says so, and removes what
  # it unpacked.
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 128k
  head -c 4096 "$MEDIA/Setup.exe" >"$SCRATCH/cut.exe" && mv "$SCRATCH/cut.exe" "$MEDIA/Setup.exe"
  bundle_of_media demo-setup.exe
  refused_bundle "Setup"$'\n'"FATAL: unable to start '*\\Setup.exe'"
  ;;
bundle-altered)
  # One byte of the contents changed, in the last volume's data.
  make_media "$TARGET_ROOT\\Zorvan Demo" 1 300000 128k
  bundle_of_media demo-setup.exe
  flip_byte "$BUNDLE" $(($(stat -c %s "$BUNDLE") - 2000))
  refused_bundle "Setup"$'\n'"FATAL: this installer is damaged: its contents do not match their checksums."$'\n'"Please download it again."
  ;;
installed-tool)
  # An author's copy of zrvtool, installed outside the build tree, makes the medium on its own:
  # it runs from elsewhere with a bare environment, and Setup.exe and Uninstal.exe come from it.
  author="$SCRATCH/author"
  cmake --install "$ZRV_HOST_BIN" --prefix "$author" >"$SCRATCH/install.log" 2>&1 || fail "cmake --install: $(cat "$SCRATCH/install.log")"
  expect "what is installed" "bin/zrvtool
lib/cmake/zrvtool/ZrvCPack.cmake
lib/cmake/zrvtool/ZrvCPackMedium.cmake
lib/cmake/zrvtool/zrvtoolConfig.cmake
lib/cmake/zrvtool/zrvtoolConfigVersion.cmake
lib/cmake/zrvtool/zrvtoolTargets-relwithdebinfo.cmake
lib/cmake/zrvtool/zrvtoolTargets.cmake
share/doc/zrvtool/copyright
share/man/man1/zrvtool.1.gz" "$(cd "$author" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)"
  cp -r "$author" "$SCRATCH/moved" && rm -rf "$author"
  ZRVTOOL="$SCRATCH/bare-zrvtool"
  printf '#!/bin/sh\ncd / && exec env -i PATH=/usr/bin:/bin "%s" "$@"\n' "$SCRATCH/moved/bin/zrvtool" >"$ZRVTOOL"
  chmod +x "$ZRVTOOL"
  "$ZRVTOOL" --version >"$SCRATCH/version" || fail "--version failed"
  grep -q "^Setup.exe ($ZRV_ARCH): v0.9, " "$SCRATCH/version" || fail "no Setup.exe carried: $(cat "$SCRATCH/version")"
  dir="$TARGET_ROOT\\Zorvan Demo"
  make_media "$dir" 1
  [ -f "$MEDIA/Setup.exe" ] && [ -f "$MEDIA/Setup.ini" ] && [ -f "$MEDIA/demo.001" ] || fail "the medium is incomplete: $(ls "$MEDIA")"
  start_setup
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/Zorvan Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/Zorvan Demo"
  [ -f "$TARGET_ROOT_UNIX/Zorvan Demo/Uninstal.exe" ] || fail "no Uninstal.exe was installed"
  echo "ok: a medium of the installed tool installs"
  ;;
cpack-textview)
  # A real program from source to installed, running and removed: examples/textview, copied out
  # of the source tree, built with the mingw toolchain and packed by cpack through the tool's
  # CMake package, found through CMAKE_PREFIX_PATH alone.
  author="$SCRATCH/author"
  cmake --install "$ZRV_HOST_BIN" --prefix "$author" >"$SCRATCH/install.log" 2>&1 || fail "cmake --install: $(cat "$SCRATCH/install.log")"
  cp -r "$ZRV_SOURCE/examples/textview" "$SCRATCH/textview"
  tv_build="$SCRATCH/textview-build"
  # The product is built for this run's architecture, and its installer follows it unless told.
  cmake -S "$SCRATCH/textview" -B "$tv_build" -DCMAKE_TOOLCHAIN_FILE="$ZRV_SOURCE/cmake/$ZRV_MINGW_TOOLCHAIN.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$author" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    >"$SCRATCH/configure.log" 2>&1 || fail "configure: $(tail -20 "$SCRATCH/configure.log")"
  cmake --build "$tv_build" >"$SCRATCH/build.log" 2>&1 || fail "build: $(tail -20 "$SCRATCH/build.log")"
  (cd "$tv_build" && cpack) >"$SCRATCH/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$SCRATCH/cpack.log")"
  MEDIA="$tv_build/TextView-1.2-$WINEARCH"
  expect "the medium" "Setup.exe Setup.ini textview.001" "$(ls "$MEDIA" | paste -sd' ')"
  expect "the installer's machine" "$ZRV_PE_KIND" "$(file -b "$MEDIA/Setup.exe" | cut -c1-${#ZRV_PE_KIND})"
  "$ZRVTOOL" ini check "$MEDIA/Setup.ini" >"$SCRATCH/check.txt" 2>&1 || fail "ini check: $(cat "$SCRATCH/check.txt")"

  dir='C:\Program Files\TextView'
  t="$WINEPREFIX/drive_c/Program Files/TextView"
  tv_keys=('HKCU\Software\Nexal\TextView' 'HKLM\Software\Nexal\TextView' 'HKCR\.ztv' 'HKCR\Nexal.TextView'
           'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TextView')
  rm -rf "$t"
  for k in "${tv_keys[@]}"; do wine reg delete "$k" /f >/dev/null 2>&1 </dev/null || true; done
  # The vendor's keys exist already, with another product's value: they must stay as they are.
  wine reg add 'HKCU\Software\Nexal' /v Other /d kept /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKLM\Software\Nexal' /v Other /d kept /f >/dev/null 2>&1 </dev/null
  tv_snapshot() {
    registry_snapshot
    for k in 'HKCR\.ztv' 'HKCR\Nexal.TextView'; do wine reg query "$k" /s 2>/dev/null </dev/null | tr -d '\r' | grep -v '^$' || true; done
    find "$WINEPREFIX/drive_c/Program Files" | sort
  }
  tv_snapshot >"$SCRATCH/before.txt"

  start_setup
  shot textview-welcome
  must text "$WELCOME" $DIRTEXT;  expect "the default directory" "$dir" "$out"
  must text "TextView - Zorvan Installation System" 0
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  complete_message
  finished
  for f in "$tv_build/textview.exe" "$SCRATCH/textview/help.txt" "$SCRATCH/textview/data/welcome.txt"; do
    cmp -s "$f" "$t/${f#"$SCRATCH"/textview*/}" || fail "installed file differs or is missing: $f"
  done
  [ -f "$t/Uninstal.exe" ] || fail "no Uninstal.exe was installed"
  # FreeSpace: what the installed files take in 4096-byte clusters, in whole megabytes.
  need=$(find "$t" -type f ! -name Install.log -printf '%s\n' | awk '{ b += int(($1 + 4095) / 4096) * 4096 } END { print int((b + 1048575) / 1048576) }')
  expect "FreeSpace from the staged tree" "FreeSpace: $need MB" "$(grep '^FreeSpace:' "$SCRATCH/check.txt")"
  expect "the settings key" "REG_SZ data\\welcome.txt" "$(reg_value 'HKCU\Software\Nexal\TextView\Settings' StartFile)"
  expect "the file association" "REG_SZ Nexal.TextView" "$(reg_value 'HKCR\.ztv' '(Default)')"
  expect "the open command" "REG_SZ $dir\\textview.exe %1" "$(reg_value 'HKCR\Nexal.TextView\shell\open\command' '(Default)')"
  # The Start menu's shortcut from CPACK_PACKAGE_EXECUTABLES, the version and the vendor.
  must programs
  tv_menu="$WINEPREFIX/drive_c/$(printf '%s' "${out#C:\\}" | tr '\\' /)/TextView"
  must link "$out\\TextView\\TextView.lnk"
  expect "the shortcut" "$dir\\textview.exe" "$out"
  expect "the version in Add/Remove" "REG_SZ 1.2" "$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TextView' DisplayVersion)"
  expect "the publisher in Add/Remove" "REG_SZ Nexal" "$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TextView' Publisher)"

  # The installed program, started from its folder: its window and the data file's text in it.
  start_app "$t/textview.exe"
  must wait "TextView - welcome.txt@NexalTextView" 20000
  shot textview
  must text "TextView - welcome.txt@NexalTextView" 0
  expect "the window's title" "TextView - welcome.txt" "$out"
  must text "TextView - welcome.txt@NexalTextView" 100
  expect "the text shown" "$(cat "$ZRV_SOURCE/examples/textview/data/welcome.txt")" "$out"
  # F1: the help file beside the program.
  must keys "TextView - welcome.txt@NexalTextView" 100 F1
  must wait "TextView - help.txt@NexalTextView" 20000
  must text "TextView - help.txt@NexalTextView" 100
  expect "the help shown" "$(cat "$ZRV_SOURCE/examples/textview/help.txt")" "$out"
  must keys "TextView - help.txt@NexalTextView" 100 Escape
  end_app
  expect "the program's exit code" 0 "$app_rc"
  # A .ztv file opened as the shell opens it: through the association.
  printf 'opened through its type\r\n' >"$WINEPREFIX/drive_c/note.ztv"
  start_app start 'C:\note.ztv'
  # Through start, the shell and the association: on a loaded machine this took over 20 s once.
  must wait "TextView - note.ztv@NexalTextView" 60000
  must text "TextView - note.ztv@NexalTextView" 100
  expect "the associated file's text" "opened through its type" "$out"
  must keys "TextView - note.ztv@NexalTextView" 100 Escape
  must gone "TextView - note.ztv@NexalTextView" 10000
  end_app
  rm -f "$WINEPREFIX/drive_c/note.ztv"

  # Removed through Wine's own Add/Remove programs client: the machine as it was.
  (wine uninstaller --remove TextView >"$SCRATCH/arp-remove.log" 2>&1 </dev/null) &
  APP_PID=$!
  must msgbox 30000
  expect "the question" "TextView - Uninstall"$'\n'"Remove TextView from '$dir'?"$'\n\n'"Only the files, folders and registry entries that its installation made are removed; files of your own are kept." "$out"
  answer 2000 Yes
  must msgbox 30000
  expect "the outcome" "TextView - Uninstall"$'\n'"TextView was removed from your computer." "$out"
  answer 2000 OK
  end_app
  gone_soon "$t"
  [ -e "$tv_menu" ] && fail "the Start menu folder is still there"
  tv_snapshot >"$SCRATCH/after.txt"
  diff "$SCRATCH/before.txt" "$SCRATCH/after.txt" >&2 || fail "the machine is not as it was before the installation"

  # The same medium installed without a window into a folder with blanks, the program run from
  # there, and removed without a window: the machine as it was again.
  dir2='C:\Program Files\TextView Silent'
  t2="$WINEPREFIX/drive_c/Program Files/TextView Silent"
  rm -rf "$t2"
  app_rc=0
  (cd "$MEDIA" && wine Setup.exe /S "/D=$dir2" >"$SCRATCH/silent.log" 2>&1 </dev/null) || app_rc=$?
  expect "the silent install's exit code" 0 "$app_rc"
  cmp -s "$tv_build/textview.exe" "$t2/textview.exe" || fail "the silent install did not install textview.exe"
  expect "the folder in the registry" "REG_SZ $dir2" "$(reg_value 'HKLM\Software\Nexal\TextView' InstallDir)"
  start_app "$t2/textview.exe"
  must wait "TextView - welcome.txt@NexalTextView" 20000
  must text "TextView - welcome.txt@NexalTextView" 100
  expect "the text shown after the silent install" "$(cat "$ZRV_SOURCE/examples/textview/data/welcome.txt")" "$out"
  must keys "TextView - welcome.txt@NexalTextView" 100 Escape
  end_app
  uninstall_silently "$t2"
  expect "the silent removal's exit code" 0 "$app_rc"
  gone_soon "$t2"
  tv_snapshot >"$SCRATCH/after-silent.txt"
  diff "$SCRATCH/before.txt" "$SCRATCH/after-silent.txt" >&2 || fail "the machine is not as it was before the silent installation"
  echo "ok: built, packed, installed, run and removed"
  ;;
tour)
  # The main job's walk through every screen, with a product large enough to see the bars move.
  dir="$TARGET_ROOT\\Zorvan Demo"
  make_media "$dir" 1 40000000 1457664
  start_setup
  shot welcome
  must click "$WELCOME" $BROWSE
  must wait "$CHOOSER" 10000
  shot chooser
  must click "$CHOOSER" $CANCEL
  must gone "$CHOOSER" 20000
  must click "$WELCOME" $INSTALL
  answer 20000 OK
  large_file_in_hand
  sleep 1
  shot progress
  complete_message
  finished
  installed_ok "$TARGET_ROOT_UNIX/Zorvan Demo"
  registry_ok "$dir" "$TARGET_ROOT_UNIX/Zorvan Demo"
  ;;
utf8-medium)
  # A product whose name and file names Windows-1252 cannot write: zrvtool makes its medium in
  # UTF-8 by itself (CodePage=65001, UTF-8 names), and the installer installs it as written.
  product=$'\xe4\xb8\xad\xe6\x96\x87\xe6\xbc\x94\xe7\xa4\xba'   # four Chinese characters
  docs=$'\xe6\x96\x87\xe6\xa1\xa3' readme=$'\xe8\xaf\xb4\xe6\x98\x8e.txt'
  mkdir -p "$SRC/$docs" "$SRC/empty"
  printf 'Hello\r\n' >"$SRC/$docs/$readme"
  head -c 20000 /dev/urandom >"$SRC/$product.dat"
  dir="$TARGET_ROOT\\$product"
  printf 'INSTALL4\n[%s]\nAppDescription=%s\nDiskImage=cjk.001\nDefaultDir=%s\nFreeSpace=1\nREGEDIT4\n' \
    "$product" "$product" "$dir" >"$SCRATCH/Setup.ini.txt"
  "$ZRVTOOL" medium "$SCRATCH/Setup.ini.txt" "$SRC" "$MEDIA" --arch "$ZRV_ARCH" >"$SCRATCH/tool.out" 2>"$SCRATCH/tool.err" ||
    fail "zrvtool medium: $(cat "$SCRATCH/tool.err")"
  # (the rules, not the texts: one note of UTF-8 chosen, one of the line ends, the line in Setup.ini)
  expect "notes of the tool" 2 "$(grep -c ': note: ' "$SCRATCH/tool.err")"
  grep -q 'note: UTF-8 (' "$SCRATCH/tool.err" || fail "the tool did not say it chose UTF-8: $(cat "$SCRATCH/tool.err")"
  "$ZRVTOOL" ini decode "$MEDIA/Setup.ini" "$SCRATCH/stored.ini" >/dev/null
  expect "the CodePage line" "CodePage=65001" "$(grep -a '^CodePage=' "$SCRATCH/stored.ini" | tr -d '\r')"
  # Installed and removed on the Western code page (1252) and on the Japanese one (932) alike: the
  # medium's code page, not the machine's, says how its names are read.
  target="$TARGET_ROOT_UNIX/$product"
  for locale in C.UTF-8 ja_JP.UTF-8; do
    LANG=$locale LC_ALL=$locale run_silent /S "/LOG=$SILENT_LOG"
    [ "$app_rc" = 0 ] || echo "silent log: $(cat -A "$SCRATCH/silent.log" 2>&1)"
    expect "$locale: exit code" 0 "$app_rc"
    (cd "$SRC" && find . -type f) | while read -r f; do
      cmp -s "$SRC/$f" "$target/$f" || fail "$locale: installed file differs or is missing: $f"
    done
    [ -d "$target/empty" ] || fail "$locale: the empty directory was not made"
    [ -f "$target/Uninstal.exe" ] || fail "$locale: Uninstal.exe was not installed"
    log_form "$target/Install.log" utf8
    # The log lists the payload first (every entry of the tree and Uninstal.exe), then the registry.
    expect "$locale: Install.log lines of the payload" "$(( $(find "$SRC" -mindepth 1 | wc -l) + 1 ))" \
      "$(tail -c +4 "$target/Install.log" | tr -d '\r' | awk '/^\[/ { exit } { n++ } END { print n + 0 }')"
    grep -aq "^$docs\\\\$readme"$'\r'"\$" "$target/Install.log" || fail "$locale: the log does not name $docs\\$readme"
    LANG=$locale LC_ALL=$locale uninstall_silently "$target"
    expect "$locale: uninstallation, exit code" 0 "$app_rc"
    gone_soon "$target"
    echo "ok: the files under their Chinese names, installed and removed ($locale)"
  done
  wine reg delete "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" /f >/dev/null 2>&1 </dev/null || true
  ;;
*)
  source "$(dirname "$0")/safety-scenarios.sh"
  ;;
esac
shot end
echo "scenario $scenario passed"
