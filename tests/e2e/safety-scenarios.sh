# Scenarios of the programs' defences, sourced by setup-scenarios.sh for the scenario names it does
# not know itself; its helpers and variables are at hand.

# copy_folders: the private folders of elevated programs (every program under Wine starts elevated),
# one per line: in the Windows folder's temporary folder, not the user's, where the user's everyday
# programs could rename them aside once let go.
TEMP_UNIX="$WINEPREFIX/drive_c/users/$(whoami)/Temp"
PRIVATE_UNIX="$WINEPREFIX/drive_c/windows/temp"
copy_folders() { find "$PRIVATE_UNIX" -maxdepth 1 -name 'zrv*' -type d 2>/dev/null | sort; }

# private_folder_done DIR_UNIX: the copy's folder is gone, or holds only the copy's own file, and both
# are marked for the next restart. A new Wine session is such a restart: they are gone after it.
private_folder_done() {
  local i left
  for i in $(seq 1 25); do
    [ -e "$1" ] || { echo "ok: the copy's folder is gone"; return 0; }
    sleep 0.2
  done
  left=$(ls -A "$1" | paste -sd' ')
  [ "$left" = Uninstal.exe ] || fail "the copy's folder still holds: $left"
  # The registry reaches its file when the session's wineserver ends.
  zrv_wait_server || true
  grep -aqF "$(basename "$1")" "$WINEPREFIX/system.reg" || fail "the copy's folder is neither gone nor marked for the restart"
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  [ -e "$1" ] && fail "the copy's folder outlived the restart"
  echo "ok: the copy's folder went at the restart"
}

# prepare_planting: $plant names a COMCTL32.DLL that records its loading in $SCRATCH/plant.log, to
# be put where a hostile user could put one, and Wine is told to prefer such a DLL to its own, as
# Windows does for a DLL found beside a program. (The common controls are the one DLL outside the
# system's own list that our programs load by name.)
prepare_planting() {
  plant="$ZRV_WIN32_BIN/tests/win32/planted/COMCTL32.DLL"
  export ZRV_PLANT_LOG="Z:$(printf '%s' "$SCRATCH/plant.log" | tr / '\\')"
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=n,b"
}

# install_through_the_chooser WHAT: from the welcome screen of the installer that WHAT started,
# a look at the chooser (it draws with the common controls' image lists), then the installation.
install_through_the_chooser() {
  drv wait "$WELCOME" 60000 || fail "$1 did not start; the planted DLL's record: $(cat "$SCRATCH/plant.log" 2>/dev/null)"
  must click "$WELCOME" $BROWSE
  must wait "$CHOOSER" 10000
  shot chooser
  must click "$CHOOSER" $CANCEL
  must gone "$CHOOSER" 20000
  must click "$WELCOME" $INSTALL
  complete_message
  finished
  [ -s "$SCRATCH/plant.log" ] && fail "the planted DLL was loaded: $(cat "$SCRATCH/plant.log")"
  echo "ok: $1 installed without loading the planted DLL"
}

# plant_recorded DIR_UNIX: the control: the DLL planted in DIR does record a program that loads it.
plant_recorded() {
  local rc=0
  wine regsvr32 /s "Z:$(printf '%s' "$1/COMCTL32.DLL" | tr / '\\')" >"$SCRATCH/regsvr32.log" 2>&1 </dev/null || rc=$?
  grep -q 'regsvr32' "$SCRATCH/plant.log" 2>/dev/null ||
    fail "the planted DLL records no loading at all (regsvr32: exit code $rc, $(tail -n 5 "$SCRATCH/regsvr32.log" | paste -sd' '))"
}

case "$scenario" in
planted-dll)
  # The planted DLL beside Setup.exe on the medium, in the temporary folder, beside the installed
  # Uninstal.exe.
  prepare_planting
  mkdir -p "$TEMP_UNIX" "$PRIVATE_UNIX" "$TARGET_ROOT_UNIX/Demo"
  make_media "$TARGET_ROOT\\Demo" 1
  cp "$plant" "$MEDIA/"
  cp "$plant" "$TEMP_UNIX/"
  cp "$plant" "$PRIVATE_UNIX/"
  (cd "$MEDIA" && wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  install_through_the_chooser Setup.exe
  t="$TARGET_ROOT_UNIX/Demo"
  cp "$plant" "$t/"
  copy_folders >"$SCRATCH/folders-before.txt"
  start_app "$t/Uninstal.exe"
  answer 30000 Yes
  # The outcome is told by the copy, from its private folder.
  must msgbox 30000
  shot uninstall-outcome
  copy_folders | comm -13 "$SCRATCH/folders-before.txt" - >"$SCRATCH/folders-new.txt"
  expect "one new private folder" 1 "$(wc -l <"$SCRATCH/folders-new.txt")"
  copy_dir=$(cat "$SCRATCH/folders-new.txt")
  # Wine keeps an access list as Unix permissions: nobody but the owner's side may enter.
  case "$(stat -c %A "$copy_dir")" in d??????---) echo "ok: others have no right on $(basename "$copy_dir")" ;;
    *) fail "the copy's folder is open to others: $(stat -c %A "$copy_dir")" ;; esac
  answer 2000 OK
  end_app
  expect "exit code (the planted file is not the product's)" 2 "$app_rc"
  private_folder_done "$copy_dir"
  [ -s "$SCRATCH/plant.log" ] && fail "the planted DLL was loaded: $(cat "$SCRATCH/plant.log")"
  echo "ok: the planted DLL was never loaded"
  plant_recorded "$t"
  rm -f "$TEMP_UNIX/COMCTL32.DLL" "$PRIVATE_UNIX/COMCTL32.DLL"
  ;;
planted-dll-bundle)
  # The planted DLL beside the downloaded bundle, as in a Downloads folder. The launcher loads no
  # DLL by name; the Setup.exe it starts loads the common controls, from the system folder only,
  # and runs from the private folder, out of the planted DLL's reach.
  prepare_planting
  mkdir -p "$TARGET_ROOT_UNIX/Zorvan Demo"
  make_media "$TARGET_ROOT\\Zorvan Demo" 1
  bundle_of_media demo-setup.exe
  cp "$plant" "$BUNDLE_DIR/"
  start_bundle
  install_through_the_chooser "the bundle"
  expect "the bundle's exit code" 0 "$app_rc"
  installed_ok "$TARGET_ROOT_UNIX/Zorvan Demo"
  plant_recorded "$BUNDLE_DIR"
  ;;
no-comctl32)
  # Without the system's common controls Setup.exe says so and ends; nothing is installed.
  make_media "$TARGET_ROOT\\Demo" 1
  (cd "$MEDIA" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;comctl32=" wine Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
  APP_PID=$!
  must msgbox 30000
  shot no-comctl32
  answer 2000 OK
  expect "the message" $'Setup\nFATAL: unable to load the common controls (COMCTL32.DLL) from the Windows system folder' "$out"
  finished
  drv msgbox 300 && fail "a second message appeared: $out"
  [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "something was installed"
  echo "ok: one FATAL message, nothing installed"
  ;;
uninstall-options)
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  find "$t" | sort >"$SCRATCH/tree.txt"
  # Silent runs that end with 1 and show nothing: an unknown option, the usage, a lone /HANDOVER.
  # Options are case-insensitive. (A run that waited on a box nobody answers would end by the
  # timeout, with its code.)
  for args in "/S /quiet" "/quiet /S" "/s /x" "/S /?" "/S /HANDOVER"; do
    rc=0
    (cd /tmp && timeout 20 wine "$t/Uninstal.exe" $args >"$SCRATCH/opt.log" 2>&1 </dev/null) || rc=$?
    expect "exit code of $args" 1 "$rc"
    drv msgbox 300 && fail "a window appeared for $args: $out"
  done
  for args in "/?" "/quiet"; do
    start_app "$t/Uninstal.exe" "$args"
    must msgbox 30000
    case "$out" in *"Uninstal.exe [/S]"*) echo "ok: $args shows the usage" ;; *) fail "$args: $out" ;; esac
    shot "usage$(printf '%s' "$args" | tr -dc a-z)"
    answer 2000 OK
    end_app
    expect "exit code of $args" 1 "$app_rc"
  done
  find "$t" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "something was removed"
  app_rc=0
  (cd /tmp && wine "$t/Uninstal.exe" /s >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
  expect "exit code of /s" 0 "$app_rc"
  gone_soon "$t"
  ;;
uninstall-forged)
  # A hand-over that the uninstaller did not make, naming a file that no log lists or the
  # installed uninstaller itself: nothing is removed, exit 1, no window.
  install_demo Demo
  t="$TARGET_ROOT_UNIX/Demo"
  echo precious >"$TARGET_ROOT_UNIX/victim.txt"
  find "$TARGET_ROOT_UNIX" | sort >"$SCRATCH/tree.txt"
  for handles in 4:4 4:8 c:10 1f8:1fc; do
    for program in "$TARGET_ROOT\\victim.txt" "$TARGET_ROOT\\Demo\\Uninstal.exe"; do
      rc=0
      (cd /tmp && timeout 20 wine "$t/Uninstal.exe" /S /HANDOVER "$handles" "$program" >"$SCRATCH/forged.log" 2>&1 </dev/null) || rc=$?
      expect "exit code for $handles $program" 1 "$rc"
    done
  done
  drv msgbox 300 && fail "a window appeared: $out"
  find "$TARGET_ROOT_UNIX" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "something was removed"
  expect "the product's value" "REG_SZ 1.0" "$(reg_value "$REGKEY" Version)"
  echo "ok: nothing removed"
  ;;
elevated-attacks)
  # What a user who can write the folder around an installation, plant links or edit the files
  # they reach tries against the elevated programs, one row each. The scenario runs under umask
  # 000 (setup-scenarios.sh): under Wine an access list is kept as Unix permissions, and a file
  # made without a list of its own then lets everyone write. After every row nothing outside the
  # installation was written, put back or removed.
  outside="$TARGET_ROOT_UNIX/outside"
  victim='HKLM\Software\Victim'
  make_media "$TARGET_ROOT\\Demo" 1
  hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
  fresh_row() {
    rm -rf "$outside"
    (cd "$SRC" && find . -type f) | while read -r f; do mkdir -p "$(dirname "$outside/$f")"; echo precious >"$outside/$f"; done
    for k in "$REGKEY" "$UNINSTKEY" 'HKCU\Software\Nexal\Zorvan Demo' "$victim"; do wine reg delete "$k" /f >/dev/null 2>&1 </dev/null || true; done
    wine reg add "$victim" /v ImagePath /d 'C:\good.exe' /f >/dev/null 2>&1 </dev/null
    t="$TARGET_ROOT_UNIX/$1"
    rm -rf "$t" "$t.moved"
    find "$outside" | sort >"$SCRATCH/outside.txt"
  }
  outside_intact() {
    local changed
    changed=$(grep -rL '^precious$' "$outside" 2>/dev/null; (cd "$SRC" && find . -type f) | while read -r f; do [ -f "$outside/$f" ] || echo "$f gone"; done)
    [ -z "$changed" ] || fail "$1: outside the installation: $changed"
    find "$outside" | sort | cmp -s - "$SCRATCH/outside.txt" || fail "$1: made outside the installation: $(find "$outside" | sort | comm -13 "$SCRATCH/outside.txt" -)"
    expect "$1: the unrelated value" 'REG_SZ C:\good.exe' "$(reg_value "$victim" ImagePath)"
  }
  # plant DIR LOG RECORD: a forged Install.log and Install.prior (lines without their CR LF).
  plant() {
    printf '%s\r\n' $2 >"$1/Install.log"
    printf '%s\r\n' $'ZORVAN-PRIOR\t1' "$3" >"$1/Install.prior"
  }
  install_silently() { run_silent /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\$1"; }
  forged_log=$'Uninstal.exe [\\REGEDIT4] \\[HKEY_LOCAL_MACHINE\\Software\\Victim] ImagePath'
  forged_value="value"$'\tHKEY_LOCAL_MACHINE\tSoftware\\Victim\tImagePath\tREG_SZ\t'"$(hex 'C:\evil.exe')00"$'\tREG_SZ\t'"$(hex 'C:\good.exe')00"
  # ZRV_ATTACK_ROWS runs some rows only (to watch each fail on its own against another build).
  rows="made-folder planted-record planted-own forged-open forged-kept swapped-own copied-record shortcut-only"
  rows="$rows open-target link-inside race-link target-swapped log-link caller-env log-folder-link target-folder-link long-caller"
  rows="$rows user-anchor huge-log registry-link user-entry"
  rows="$rows log-hard-link target-hard-link"
  rows="$rows planted-copy temp-env open-parent"
  # pending NAME: whether a delete or rename left to the restart names NAME. restart: Wine's
  # restart, which carries those out.
  pending() {
    wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null </dev/null |
      tr -d '\r' | grep -qiF "$1"
  }
  restart() { timeout 120 wine wineboot -r >"$SCRATCH/restart.log" 2>&1 </dev/null || fail "wineboot -r: $(cat "$SCRATCH/restart.log")"; }
  # swap_for_link DIR VICTIM: the user renames DIR aside and puts a link to VICTIM in its place.
  swap_for_link() { mv "$1" "$1.aside" && ln -s "$2" "$1"; }
  for row in ${ZRV_ATTACK_ROWS:-$rows}; do
    fresh_row "$row"
    case $row in
    made-folder)
      # Everything the installation makes, and its record, only administrators can change.
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      for p in "$t" "$t/docs" "$t/docs/guide.txt" "$t/Uninstal.exe" "$t/Install.log" "$t/Install.prior"; do
        perm=$(stat -c %A "$p")
        [ "${perm:8:1}" = - ] || fail "$row: others may write ${p#"$t"}: $perm"
      done
      ;;
    planted-record | planted-own)
      # A record planted before the installation claims that the script's Version held the
      # attacker's data: the uninstallation puts back what was really there. planted-own: the
      # pair admits its user alone, as the administrator's own everyday programs can make it.
      wine reg add "$REGKEY" /v Version /d 0.9 /f >/dev/null 2>&1 </dev/null
      mkdir -p "$t"
      printf '%s\r\n' '[\REGEDIT4]' '\[HKEY_LOCAL_MACHINE\Software\Nexal\Zorvan Demo]' Version >"$t/Install.log"
      printf '%s\r\n' $'ZORVAN-PRIOR\t1' \
        "value"$'\tHKEY_LOCAL_MACHINE\tSoftware\\Nexal\\Zorvan Demo\tVersion\tREG_SZ\t'"$(hex 'C:\evil.exe')00"$'\tREG_SZ\t'"$(hex 1.0)00" \
        >"$t/Install.prior"
      [ "$row" = planted-own ] && chmod 600 "$t/Install.log" "$t/Install.prior"
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      grep -q 'is not trusted' "$SCRATCH/silent.log" || fail "$row: the planted record was not named: $(cat "$SCRATCH/silent.log")"
      uninstall_silently "$t"
      expect "$row: the value put back" 'REG_SZ 0.9' "$(reg_value "$REGKEY" Version)"
      ;;
    forged-open | forged-kept)
      # A forged pair after the installation, writable by everyone or not: the uninstaller
      # refuses both (who may write it; the digests kept in the uninstall entry).
      install_silently "$row"
      plant "$t" "$forged_log" "$forged_value"
      [ "$row" = forged-kept ] && chmod 640 "$t/Install.log" "$t/Install.prior"
      uninstall_silently "$t"
      expect "$row: exit code" 1 "$app_rc"
      [ -f "$t/docs/guide.txt" ] || fail "$row: the product's files were removed"
      ;;
    swapped-own)
      # After an installation, a pair of the user's own in place of the genuine one says that the
      # entry's UninstallString held the user's program before it: neither a reinstallation nor
      # the uninstallation puts that into the entry.
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      entry='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo'
      printf '%s\r\n' Uninstal.exe '[\REGEDIT4]' "\\[HKEY_LOCAL_MACHINE\\$entry]" UninstallString >"$t/Install.log"
      printf '%s\r\n' $'ZORVAN-PRIOR\t1' "value"$'\tHKEY_LOCAL_MACHINE\t'"$entry"$'\tUninstallString\tREG_SZ\t'"$(hex 'C:\evil.exe')00"$'\tREG_SZ\t'"$(hex "\"$TARGET_ROOT\\$row\\Uninstal.exe\"")00" \
        >"$t/Install.prior"
      chmod 600 "$t/Install.log" "$t/Install.prior"
      install_silently "$row"
      expect "$row: exit code of the reinstallation" 0 "$app_rc"
      grep -q 'is not trusted' "$SCRATCH/silent.log" || fail "$row: the swapped pair was believed: $(cat "$SCRATCH/silent.log")"
      uninstall_silently "$t"
      # The reinstallation took the first installation's entry as there before, and puts it back.
      expect "$row: exit code of the uninstallation" 0 "$app_rc"
      case $(reg_value "$UNINSTKEY" UninstallString) in *evil*) fail "$row: the entry names the user's program" ;; esac
      ;;
    copied-record)
      # The genuine pair of one installation copied, with the uninstaller, into another folder:
      # that uninstaller removes nothing of the first installation.
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      other="$TARGET_ROOT_UNIX/$row-other"
      rm -rf "$other" && mkdir -p "$other"
      cp "$t/Uninstal.exe" "$t/Install.log" "$t/Install.prior" "$other/"
      uninstall_silently "$other"
      expect "$row: exit code" 1 "$app_rc"
      expect "$row: the product's value" "REG_SZ 1.0" "$(reg_value "$REGKEY" Version)"
      [ -n "$(reg_value "$UNINSTKEY" UninstallString)" ] || fail "$row: the entry was removed"
      [ -f "$t/docs/guide.txt" ] || fail "$row: the product's files were removed"
      rm -rf "$other"
      ;;
    shortcut-only)
      # A log of shortcut lines alone beside the uninstaller names another product's shortcut in
      # the all-users Start menu: without the digest kept for it, nothing is removed.
      install_silently "$row"
      must programs
      others="$WINEPREFIX/drive_c/$(printf '%s' "${out#C:\\}" | tr '\\' /)/Other Product"
      mkdir -p "$others" && echo keep >"$others/Other.lnk"
      printf '%s\r\n' Uninstal.exe '[\SHORTCUTS]' '\Other Product' 'Other Product\Other.lnk' >"$t/Install.log"
      rm -f "$t/Install.prior"
      uninstall_silently "$t"
      expect "$row: exit code" 1 "$app_rc"
      [ -f "$others/Other.lnk" ] || fail "$row: another product's shortcut was removed"
      rm -rf "$others"
      ;;
    user-anchor)
      # A genuine installation's uninstaller, log and record copied into a folder of the user's, and
      # an entry of the user's own keeping the machine's digests for that folder: the user can write
      # that entry, so the elevated uninstaller does not believe it, and removes nothing.
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      mine="$TARGET_ROOT_UNIX/$row-mine"
      users_entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo'
      rm -rf "$mine" && mkdir -p "$mine"
      wine reg delete "$users_entry" /f >/dev/null 2>&1 </dev/null || true
      cp "$t/Uninstal.exe" "$t/Install.log" "$t/Install.prior" "$mine/"
      kept=$(reg_value "$UNINSTKEY" InstallRecordDigest)
      read -r _ log_digest prior_digest _ <<<"$kept"
      [ -n "$prior_digest" ] || fail "$row: no digests in the machine's entry: [$kept]"
      wine reg add "$users_entry" /v InstallRecordDigest /d "$log_digest $prior_digest $TARGET_ROOT\\$row-mine" /f >/dev/null 2>&1 </dev/null
      find "$TARGET_ROOT_UNIX" | sort >"$SCRATCH/tree.txt"
      app_rc=0
      (cd /tmp && wine "$mine/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
      expect "$row: exit code" 1 "$app_rc"
      # Refused elevated (the user's entry is not believed), or by the copy that sheds the rights: a
      # user's entry vouches for nothing outside that user's part of the registry.
      grep -qE "one user's own, which a program running with administrator rights does not believe|an installation for one user lists a key outside that user's part of the registry" \
        "$SCRATCH/silent.log" || fail "$row: the uninstaller's log: $(cat "$SCRATCH/silent.log")"
      find "$TARGET_ROOT_UNIX" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "$row: something was removed"
      expect "$row: the product's value" "REG_SZ 1.0" "$(reg_value "$REGKEY" Version)"
      [ -n "$(reg_value "$UNINSTKEY" UninstallString)" ] || fail "$row: the machine's entry was removed"
      [ -n "$(reg_value "$users_entry" InstallRecordDigest)" ] || fail "$row: the user's entry was removed"
      wine reg delete "$users_entry" /f >/dev/null 2>&1 </dev/null || true
      rm -rf "$mine"
      ;;
    user-entry)
      # An entry of the user's own for the product, which is installed only for everyone: a folder of
      # the user's holding any Install.log, digests of zeros. The administrator's installation reads
      # no entry of the user's: it installs, and names no program of the user's folder.
      mine="$TARGET_ROOT_UNIX/$row-mine"
      users_entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Demo'
      rm -rf "$mine" && mkdir -p "$mine" && echo mine >"$mine/Install.log"
      zeros=$(printf '0%.0s' $(seq 1 64))
      wine reg add "$users_entry" /v InstallLocation /d "$TARGET_ROOT\\$row-mine" /f >/dev/null 2>&1 </dev/null
      wine reg add "$users_entry" /v InstallRecordDigest /d "$zeros $zeros $TARGET_ROOT\\$row-mine" /f >/dev/null 2>&1 </dev/null
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      grep -q 'Uninstal.exe' "$SCRATCH/silent.log" && fail "$row: the log names an uninstaller: $(cat "$SCRATCH/silent.log")"
      [ -f "$t/docs/guide.txt" ] || fail "$row: the product was not installed"
      expect "$row: the user's folder" "Install.log" "$(ls -A "$mine" | paste -sd' ')"
      expect "$row: the user's entry" "REG_SZ $TARGET_ROOT\\$row-mine" "$(reg_value "$users_entry" InstallLocation)"
      uninstall_silently "$t"
      expect "$row: exit code of the uninstallation" 0 "$app_rc"
      wine reg delete "$users_entry" /f >/dev/null 2>&1 </dev/null || true
      rm -rf "$mine"
      ;;
    registry-link)
      # The user's own key that the installation wrote to, made a link to a key of the machine
      # between the installation and the uninstallation (Wine's reg makes no links: reglink does).
      # Greeting was there before, with data of the user's choosing, which the record keeps as what
      # to put back; the machine's key holds a Greeting as the installation wrote its own, and a
      # WindowWidth. Nothing of the machine's is put back or deleted through the link.
      settings='HKCU\Software\Nexal\Zorvan Demo\Settings'
      wine reg add "$settings" /v Greeting /d 'C:\evil.exe' /f >/dev/null 2>&1 </dev/null
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      wine reg add "$victim" /v Greeting /d 'Hello from the demo' /f >/dev/null 2>&1 </dev/null
      wine reg add "$victim" /v WindowWidth /t REG_DWORD /d 7 /f >/dev/null 2>&1 </dev/null
      wine reg delete "$settings" /f >/dev/null 2>&1 </dev/null
      wine "$ZRV_WIN32_BIN/tests/win32/reglink.exe" make 'Software\Nexal\Zorvan Demo\Settings' '\REGISTRY\MACHINE\Software\Victim' \
        >"$SCRATCH/reglink.log" 2>&1 </dev/null || fail "$row: no link was made: $(cat "$SCRATCH/reglink.log")"
      # The control: the system follows the link.
      expect "$row: the machine's value through the link" 'REG_SZ Hello from the demo' "$(reg_value "$settings" Greeting)"
      app_rc=0
      (cd /tmp && wine "$t/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
      wine "$ZRV_WIN32_BIN/tests/win32/reglink.exe" remove 'Software\Nexal\Zorvan Demo\Settings' >/dev/null 2>&1 </dev/null
      echo "$row: the uninstaller's exit code $app_rc"
      grep -qF 'Zorvan Demo\Settings: Greeting' "$SCRATCH/silent.log" && grep -qF 'is a registry link' "$SCRATCH/silent.log" ||
        fail "$row: the uninstaller's log does not name the link: $(cat "$SCRATCH/silent.log")"
      expect "$row: the machine's Greeting" 'REG_SZ Hello from the demo' "$(reg_value "$victim" Greeting)"
      expect "$row: the machine's WindowWidth" 'REG_DWORD 0x7' "$(reg_value "$victim" WindowWidth)"
      [ -f "$t/docs/guide.txt" ] && fail "$row: the product's files were left"
      # The same link made before an installation: its script stops at that key, nothing is written
      # through it, and the run says so and ends with exit code 2; the product is registered all
      # the same, and its uninstaller removes it.
      wine reg add 'HKCU\Software\Nexal\Zorvan Demo' /f >/dev/null 2>&1 </dev/null
      wine "$ZRV_WIN32_BIN/tests/win32/reglink.exe" make 'Software\Nexal\Zorvan Demo\Settings' '\REGISTRY\MACHINE\Software\Victim' \
        >"$SCRATCH/reglink.log" 2>&1 </dev/null || fail "$row: no link was made: $(cat "$SCRATCH/reglink.log")"
      install_silently "$row"
      wine "$ZRV_WIN32_BIN/tests/win32/reglink.exe" remove 'Software\Nexal\Zorvan Demo\Settings' >/dev/null 2>&1 </dev/null
      expect "$row: exit code of the installation through the link" 2 "$app_rc"
      grep -qF 'is a registry link' "$SCRATCH/silent.log" || fail "$row: the stop was not told: $(cat "$SCRATCH/silent.log")"
      grep -qF 'Installation complete!' "$SCRATCH/silent.log" && fail "$row: a stopped run told success"
      expect "$row: the machine's Greeting after the installation" 'REG_SZ Hello from the demo' "$(reg_value "$victim" Greeting)"
      expect "$row: the machine's WindowWidth after the installation" 'REG_DWORD 0x7' "$(reg_value "$victim" WindowWidth)"
      expect "$row: the product's name in Add/Remove programs" 'REG_SZ Zorvan Demo' "$(reg_value "$UNINSTKEY" DisplayName)"
      case $(reg_value "$UNINSTKEY" UninstallString) in *Uninstal.exe*) ;; *) fail "$row: no uninstall command" ;; esac
      uninstall_silently "$t"
      expect "$row: exit code of the uninstallation" 0 "$app_rc"
      # The uninstaller's copy takes the folder away once it has ended.
      gone_soon "$t"
      wine reg query "$UNINSTKEY" >/dev/null 2>&1 </dev/null && fail "$row: the entry is still there"
      expect "$row: the machine's Greeting at the end" 'REG_SZ Hello from the demo' "$(reg_value "$victim" Greeting)"
      ;;
    huge-log)
      # A log larger than any installation writes (sparse: it costs no disk) planted in an existing
      # target: the installation does not read it, and its log says so; planted again over the
      # installation's own, the uninstaller refuses it before reading it, and removes nothing.
      mkdir -p "$t"
      truncate -s 70M "$t/Install.log"
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      grep -q "is not trusted: Install.log is larger than 64 MB" "$SCRATCH/silent.log" ||
        fail "$row: the installation's log does not name the planted log: $(cat "$SCRATCH/silent.log")"
      [ "$(stat -c %s "$t/Install.log")" -lt 1048576 ] || fail "$row: the installation kept the planted log"
      truncate -s 70M "$t/Install.log"
      find "$TARGET_ROOT_UNIX" | sort >"$SCRATCH/tree.txt"
      app_rc=0
      (cd /tmp && wine "$t/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
      expect "$row: the uninstaller's exit code" 1 "$app_rc"
      grep -qF "Install.log in '$TARGET_ROOT\\$row' is damaged at line 1: the record is larger than 64 MB." "$SCRATCH/silent.log" ||
        fail "$row: the uninstaller's log: $(cat "$SCRATCH/silent.log")"
      find "$TARGET_ROOT_UNIX" | sort | cmp -s - "$SCRATCH/tree.txt" || fail "$row: something was removed"
      expect "$row: the product's value" "REG_SZ 1.0" "$(reg_value "$REGKEY" Version)"
      ;;
    open-target)
      # An existing target that everyone may change gets the installation's list; the log says so.
      mkdir -p "$t" && chmod 777 "$t"
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      perm=$(stat -c %A "$t")
      [ "${perm:8:1}" = - ] || fail "$row: others may still write the target: $perm"
      grep -q 'could be changed by users other than the administrators' "$SCRATCH/silent.log" ||
        fail "$row: the log does not say so: $(cat "$SCRATCH/silent.log")"
      ;;
    race-link)
      # While the installation writes into docs, a racer on this side renames the folder aside, puts
      # a link to the outside folder in its place and back, again and again: in no run is
      # anything written outside.
      for run in 1 2 3 4 5 6; do
        rm -rf "$t" "$SCRATCH/stop" && mkdir -p "$t"
        python3 - "$t/docs" "$outside/docs" "$SCRATCH/stop" "$SCRATCH/swaps" <<'RACER' &
import os, sys, time
docs, target, stop, count = sys.argv[1:]
swaps, end = 0, time.time() + 60
while not os.path.exists(stop) and time.time() < end:
    try:
        os.rename(docs, docs + ".aside")
    except OSError:
        continue
    try:
        os.symlink(target, docs)
        time.sleep(0.0005)
        os.unlink(docs)
    finally:
        os.rename(docs + ".aside", docs)
    swaps += 1
open(count, "w").write(str(swaps))
RACER
        racer=$!
        install_silently "$row"
        : >"$SCRATCH/stop"
        wait "$racer" || true
        echo "run $run: exit code $app_rc after $(cat "$SCRATCH/swaps") swaps"
        outside_intact "$row, run $run"
      done
      ;;
    link-inside)
      # A link inside an existing target, where the payload has a folder of that name.
      mkdir -p "$t"
      ln -s "$outside/docs" "$t/docs"
      install_silently "$row"
      [ "$app_rc" = 0 ] && fail "$row: the installation went through the link"
      ;;
    target-swapped)
      # While the question is open the target is renamed and a link to another folder takes its place.
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      start_app "$t/Uninstal.exe"
      must msgbox 30000
      mv "$t" "$t.moved"
      ln -s "$outside" "$t"
      answer 2000 Yes
      must msgbox 30000
      answer 2000 OK
      end_app
      rm -f "$t"
      ;;
    log-link)
      # /LOG= naming a link to another file.
      ln -sf "$outside/readme.txt" "$SCRATCH/link.log"
      run_silent /S "/LOG=Z:$(printf '%s' "$SCRATCH/link.log" | tr / '\\')" "/D=$TARGET_ROOT\\$row"
      ;;
    caller-env)
      # A caller's folder set in the environment (as any user can, for their own programs) does
      # not move a relative /LOG= there.
      ZRV_CALLER_DIRECTORY=$(winpath_c "$outside") run_silent /S /LOG=caller.log "/D=$TARGET_ROOT\\$row"
      [ -e "$outside/caller.log" ] && fail "$row: the log was written into the planted folder"
      ;;
    log-folder-link)
      # /LOG= naming a file of the outside folder through a link to that folder: the folder is the
      # link, the file's own name is not.
      rm -f "$SCRATCH/logdir"
      ln -s "$outside" "$SCRATCH/logdir"
      run_silent /S "/LOG=Z:$(printf '%s' "$SCRATCH/logdir/readme.txt" | tr / '\\')" "/D=$TARGET_ROOT\\$row"
      expect "$row: exit code" 1 "$app_rc"
      [ -e "$t" ] && fail "$row: something was installed"
      rm -f "$SCRATCH/logdir"
      ;;
    log-hard-link)
      # /LOG= naming a hard link to a file outside: refused before a byte is written (exit code 1,
      # nothing installed); that file keeps its content and its mode bits.
      rm -f "$SCRATCH/hard.log"
      ln "$outside/readme.txt" "$SCRATCH/hard.log"
      mode=$(stat -c %a "$outside/readme.txt")
      run_silent /S "/LOG=Z:$(printf '%s' "$SCRATCH/hard.log" | tr / '\\')" "/D=$TARGET_ROOT\\$row"
      expect "$row: exit code" 1 "$app_rc"
      [ -e "$t" ] && fail "$row: something was installed"
      expect "$row: the outside file's mode" "$mode" "$(stat -c %a "$outside/readme.txt")"
      rm -f "$SCRATCH/hard.log"
      ;;
    target-hard-link)
      # An existing target where a product file and the record are hard links to files outside:
      # each name gets a file of its own, the outside files keep their content and mode bits, and
      # the uninstallation removes the product's names only.
      mkdir -p "$t/docs"
      ln "$outside/docs/guide.txt" "$t/docs/guide.txt"
      ln "$outside/readme.txt" "$t/Install.log"
      modes=$(stat -c %a "$outside/docs/guide.txt" "$outside/readme.txt" | paste -sd' ')
      install_silently "$row"
      expect "$row: exit code" 0 "$app_rc"
      cmp -s "$SRC/docs/guide.txt" "$t/docs/guide.txt" || fail "$row: the product's file was not written"
      expect "$row: names of the installed file and the log" "1 1" "$(stat -c %h "$t/docs/guide.txt" "$t/Install.log" | paste -sd' ')"
      expect "$row: the outside files' modes" "$modes" "$(stat -c %a "$outside/docs/guide.txt" "$outside/readme.txt" | paste -sd' ')"
      uninstall_silently "$t"
      expect "$row: exit code of the uninstallation" 0 "$app_rc"
      ;;
    target-folder-link)
      # /D= below a folder that is a link to the outside folder.
      ln -s "$outside" "$TARGET_ROOT_UNIX/linked"
      run_silent /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\linked\\$row"
      expect "$row: exit code" 1 "$app_rc"
      silent_log "The directory '$TARGET_ROOT\\linked\\$row' leads through a link (a symbolic link or a junction); nothing is installed there."
      [ -e "$outside/$row" ] && fail "$row: the target was made in the linked folder"
      rm -f "$TARGET_ROOT_UNIX/linked"
      ;;
    long-caller)
      # A caller's folder of 246 characters and a relative /D=: the target's own files would not
      # fit the installer's file calls, so nothing is made (the log beside it still fits).
      caller_win="$TARGET_ROOT\\$row" caller_unix="$t"
      while [ ${#caller_win} -lt 246 ]; do
        r=$((246 - ${#caller_win}))
        part=$(printf 'd%.0s' $(seq 1 $((r > 70 ? 60 : r - 1))))
        caller_win="$caller_win\\$part" caller_unix="$caller_unix/$part"
      done
      mkdir -p "$caller_unix"
      run_silent "/CALLERDIR=$caller_win" /S /LOG=setup.log "/D=Zorvan Demo"
      expect "$row: exit code" 1 "$app_rc"
      expect "$row: what the caller's folder holds" setup.log "$(ls -A "$caller_unix")"
      mv "$caller_unix/setup.log" "$SCRATCH/silent.log"
      silent_log "The directory '$caller_win\\Zorvan Demo' is too long: the path of 'Install.log' in it would be longer than 259 characters."
      ;;
    planted-copy)
      # A folder of the private form that the user made in the Windows folder's temporary folder,
      # holding an Uninstal.exe the user keeps open: the uninstaller's clean-up of left copies does
      # not take it (it never made it), and leaves nothing to the restart there, so that the folder
      # swapped for a link to another product's folder later changes nothing.
      install_silently "$row"
      planted="$PRIVATE_UNIX/zrv00112233445566778899aabb"
      theirs="$TARGET_ROOT_UNIX/$row-theirs"
      rm -rf "$planted" "$planted.aside" "$theirs" && mkdir -p "$planted" "$theirs"
      cp "$t/Uninstal.exe" "$planted/" && echo precious >"$theirs/Uninstal.exe"
      hold_file "$(winpath_c "$planted/Uninstal.exe")"
      uninstall_silently "$t"
      expect "$row: exit code" 0 "$app_rc"
      [ -f "$planted/Uninstal.exe" ] || fail "$row: the planted folder was taken"
      pending "$(basename "$planted")" && fail "$row: the planted folder was left to the restart"
      kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true
      swap_for_link "$planted" "$theirs"
      restart
      expect "$row: the other product's file after the restart" precious "$(cat "$theirs/Uninstal.exe" 2>/dev/null)"
      rm -rf "$planted" "$planted.aside" "$theirs"
      ;;
    temp-env)
      # TEMP and TMP of the user's own environment name a folder of the user's below the Windows
      # folder's temporary folder: no elevated program makes anything there.
      mine="$PRIVATE_UNIX/mine-$row"
      rm -rf "$mine" && mkdir -p "$mine"
      env_key='HKCU\Environment'
      saved_temp=$(reg_value "$env_key" TEMP) saved_tmp=$(reg_value "$env_key" TMP)
      for v in TEMP TMP; do wine reg add "$env_key" /v $v /d "C:\\windows\\temp\\mine-$row" /f >/dev/null 2>&1 </dev/null; done
      TEMP="C:\\windows\\temp\\mine-$row" TMP="C:\\windows\\temp\\mine-$row" install_silently "$row"
      expect "$row: exit code of the installation" 0 "$app_rc"
      (export TEMP="C:\\windows\\temp\\mine-$row" TMP="C:\\windows\\temp\\mine-$row"; uninstall_silently "$t")
      for v in TEMP TMP; do
        saved=$([ $v = TEMP ] && echo "$saved_temp" || echo "$saved_tmp")
        wine reg add "$env_key" /v $v /t "${saved%% *}" /d "${saved#* }" /f >/dev/null 2>&1 </dev/null
      done
      [ -z "$(ls -A "$mine")" ] || fail "$row: made in the user's folder: $(ls -A "$mine" | paste -sd' ')"
      pending "mine-$row" && fail "$row: the user's folder was named for the restart"
      [ -e "$t" ] && fail "$row: the installation was left: $(find "$t" | head -5 | paste -sd' ')"
      restart
      rm -rf "$mine"
      ;;
    open-parent)
      # A machine installation below a folder that everyone may write, one of its files held
      # during the uninstallation: nothing is left to the restart by name; the file stays and is
      # named, and the product stays registered. The user then renames the installation aside and
      # links another folder in its place: the restart changes nothing there.
      chmod 777 "$(dirname "$t")" && mkdir -p "$t" && chmod 777 "$t"
      run_silent /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\$row\\Demo"
      expect "$row: exit code of the installation" 0 "$app_rc"
      theirs="$TARGET_ROOT_UNIX/$row-theirs"
      rm -rf "$theirs" && mkdir -p "$theirs/docs" && echo precious >"$theirs/docs/guide.txt"
      hold_file "$TARGET_ROOT\\$row\\Demo\\docs\\guide.txt"
      app_rc=0
      (cd /tmp && wine "$t/Demo/Uninstal.exe" /S "/LOG=$SILENT_LOG" >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
      kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true
      expect "$row: exit code of the uninstallation" 2 "$app_rc"
      grep -qF 'guide.txt (in use by a program; not left to the restart' "$SCRATCH/silent.log" ||
        fail "$row: the file left is not named: $(cat "$SCRATCH/silent.log")"
      pending "$row" && fail "$row: something was left to the restart by name"
      [ -f "$t/Demo/docs/guide.txt" ] || fail "$row: the held file is gone"
      [ -n "$(reg_value "$UNINSTKEY" UninstallString)" ] || fail "$row: the entry was removed with files left"
      swap_for_link "$t/Demo" "$theirs"
      restart
      expect "$row: the other folder's file after the restart" precious "$(cat "$theirs/docs/guide.txt" 2>/dev/null)"
      rm -rf "$t/Demo" "$t/Demo.aside" "$theirs"
      ;;
    esac
    outside_intact "$row"
    echo "ok: $row"
  done
  ;;
rights)
  # What the programs do with the rights they have. Under Wine every program starts elevated;
  # as-user.exe starts one with the limited twin of that token, as an administrator's everyday
  # programs run (a separate program, so that what our programs decide is checked against a token
  # made without their code). One row each; after each, nothing is left.
  NOTES_USER='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes'
  NOTES_MACHINE='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zorvan Notes'
  RUNONCE='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
  FINISH_NAME='Zorvan Notes (finish)'
  # runonce_value: the command kept for the next sign-in, as "REG_SZ COMMAND" (its name has blanks).
  runonce_value() {
    wine reg query "$RUNONCE" /v "$FINISH_NAME" 2>/dev/null </dev/null | tr -d '\r' | grep -F "$FINISH_NAME" |
      sed -e "s/^ *$FINISH_NAME *//" -e 's/^REG_SZ */REG_SZ /'
  }
  # notes_media SCOPE: the product for one user (examples/demo-user) with Scope=SCOPE, in $NOTES.
  NOTES="$SCRATCH/notes"
  notes_media() {
    sed "s/^Scope=user/Scope=$1/" "$ZRV_SOURCE/examples/demo-user/Setup.ini.txt" >"$SCRATCH/notes.ini.txt"
    ZRV_DEMO_INI="$SCRATCH/notes.ini.txt" make_media 'C:\Program Files\Zorvan Notes' 1
    rm -rf "$NOTES" && mv "$MEDIA" "$NOTES"
  }
  clean_notes() {
    local k
    for k in "$NOTES_USER" "$NOTES_MACHINE" 'HKCU\Software\Nexal\Zorvan Notes' 'HKCU\Software\Classes\.zrvnote' \
      'HKCU\Software\Classes\ZorvanNotes.Note' 'HKLM\Software\Classes\.zrvnote' 'HKLM\Software\Classes\ZorvanNotes.Note'; do
      wine reg delete "$k" /f >/dev/null 2>&1 </dev/null || true
    done
    wine reg delete "$RUNONCE" /v "$FINISH_NAME" /f >/dev/null 2>&1 </dev/null || true
    rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Programs/"Zorvan Notes"
  }
  # notes_folder: the installed folder as the user's entry names it, as a Unix path in $t.
  notes_folder() {
    local loc
    loc=$(reg_value "$NOTES_USER" InstallLocation)
    loc=${loc#REG_SZ }
    [ -n "$loc" ] || fail "$row: no entry for one user"
    t="$WINEPREFIX/drive_c/$(printf '%s' "${loc#C:\\}" | tr '\\' /)"
    tw=$loc
  }
  # pending_names_none DIR_UNIX: the restart's renames name nothing of DIR.
  pending_names_none() {
    wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
      2>/dev/null </dev/null | grep -qaiF "$(basename "$1")" &&
      fail "$row: something of $(basename "$1") was arranged for the restart"
    return 0
  }
  let_go() { kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true; }
  # as_user_silent DIR WINPROGRAM ARGS...: WINPROGRAM from DIR without the administrators' rights.
  as_user_silent() { local dir=$1; shift; run_silent_in "$dir" "$AS_USER" "$@"; }
  notes_media user
  make_media "$TARGET_ROOT\\Demo" 1
  for row in ${ZRV_RIGHTS_ROWS:-user-as-user user-in-use-as-user user-in-use-window user-from-elevated user-from-arp machine-as-user either-user-entry}; do
    clean_notes
    case $row in
    user-as-user)
      # Without the administrators' rights the product for one user installs and goes as always.
      # The uninstaller's copy cannot delete its own running file, nor arrange that for the
      # restart: its folder goes at the user's next sign-in, or with the next uninstaller's copy,
      # whichever comes first.
      user_copies() { find "$TEMP_UNIX" -maxdepth 1 -name 'zrv*' -type d 2>/dev/null | sort; }
      for pass in 1 2; do
        as_user_silent "$NOTES" "$(winpath_z "$NOTES/Setup.exe")" /S
        expect "$row: exit code" 0 "$app_rc"
        notes_folder
        listed_all_present "$t"
        user_copies >"$SCRATCH/copies-before.txt"
        as_user_silent /tmp "$tw\\Uninstal.exe" /S
        expect "$row: uninstallation, exit code" 0 "$app_rc"
        gone_soon "$t"
        user_copies >"$SCRATCH/copies-after.txt"
        copy=$(comm -13 "$SCRATCH/copies-before.txt" "$SCRATCH/copies-after.txt")
        [ "$(printf '%s\n' "$copy" | grep -c .)" = 1 ] || fail "$row: pass $pass: the copies left: [$copy]"
        expect "$row: pass $pass: what the copy left" Uninstal.exe "$(ls -A "$copy")"
        name=$(basename "$copy")
        wine reg query "$RUNONCE" /v "$name" 2>/dev/null </dev/null | tr -d '\r' | grep -qF "cmd.exe\" /c rd /s /q \"$(winpath_c "$copy")\"" ||
          fail "$row: pass $pass: no command for the sign-in removes $name"
        [ "$pass" = 2 ] && [ -e "$first_copy" ] && fail "$row: the second copy did not remove what the first left"
        first_copy=$copy
        wine reg delete "$RUNONCE" /v "$name" /f >/dev/null 2>&1 </dev/null || true
      done
      ;;
    user-in-use-as-user)
      # A file in use, without the rights to arrange anything for the restart: the installation
      # and the removal finish at the user's next sign-in, through the installed uninstaller.
      as_user_silent "$NOTES" "$(winpath_z "$NOTES/Setup.exe")" /S
      notes_folder
      echo "changed since" >"$t/readme.txt"
      hold_file "$tw\\readme.txt"
      as_user_silent "$NOTES" "$(winpath_z "$NOTES/Setup.exe")" /S "/LOG=$SILENT_LOG"
      expect "$row: exit code of the installation over a file in use" 194 "$app_rc"
      grep -q "readme.txt' is in use by a program: it is replaced when you next sign in to Windows." "$SCRATCH/silent.log" ||
        fail "$row: the log: $(cat "$SCRATCH/silent.log")"
      expect "$row: the command at the next sign-in" "REG_SZ \"$tw\\Uninstal.exe\" /FINISH" "$(runonce_value)"
      pending_names_none "$t"
      let_go
      # The sign-in, as Windows runs the command: the replacement goes in its place.
      as_user_silent /tmp "$tw\\Uninstal.exe" /FINISH
      expect "$row: exit code of the finishing run" 0 "$app_rc"
      cmp -s "$t/readme.txt" "$SRC/readme.txt" || fail "$row: readme.txt was not replaced: $(cat "$t/readme.txt")"
      [ -e "$t/readme.txt.zrvnew" ] && fail "$row: the replacement is still beside it"
      # The removal with the file in use: the same, with the uninstaller run again at the sign-in.
      hold_file "$tw\\readme.txt"
      as_user_silent /tmp "$tw\\Uninstal.exe" /S
      expect "$row: exit code of the removal over a file in use" 194 "$app_rc"
      expect "$row: the removal's command at the next sign-in" "REG_SZ \"$tw\\Uninstal.exe\" /S" "$(runonce_value)"
      [ -n "$(reg_value "$NOTES_USER" InstallRecordDigest)" ] || fail "$row: the entry went before its last item"
      pending_names_none "$t"
      let_go
      as_user_silent /tmp "$tw\\Uninstal.exe" /S
      expect "$row: exit code of the removal at the sign-in" 0 "$app_rc"
      gone_soon "$t"
      [ -z "$(runonce_value)" ] || fail "$row: the command for the sign-in outlived the removal"
      ;;
    user-in-use-window)
      # The same with the window: the question offers the sign-in for Continue, and the completion
      # asks for the restart (which signs the user in again).
      as_user_silent "$NOTES" "$(winpath_z "$NOTES/Setup.exe")" /S
      notes_folder
      echo "changed since" >"$t/readme.txt"
      hold_file "$tw\readme.txt"
      BACKDROP="Zorvan Notes - Zorvan Installation System"
      (cd "$NOTES" && wine "$AS_USER" Setup.exe >"$SCRATCH/app.log" 2>&1 </dev/null) &
      APP_PID=$!
      must wait "$WELCOME" 30000
      must click "$WELCOME" $INSTALL
      must msgbox 60000
      case $out in *"'$tw\readme.txt' is in use by a program"*"Continue: replace it when you next sign in to Windows."*) ;;
        *) fail "$row: the question: $out" ;; esac
      shot file-in-use-sign-in
      answer 2000 Continue
      must msgbox 60000
      expect "$row: the completion" $'Setup\nInstallation complete!\nSome files were in use: restart Windows to finish the installation.' "$out"
      answer 2000 OK
      finished
      expect "$row: exit code" 194 "$app_rc"
      expect "$row: the command at the next sign-in" "REG_SZ \"$tw\\Uninstal.exe\" /FINISH" "$(runonce_value)"
      let_go
      as_user_silent /tmp "$tw\Uninstal.exe" /FINISH
      cmp -s "$t/readme.txt" "$SRC/readme.txt" || fail "$row: readme.txt was not replaced"
      as_user_silent /tmp "$tw\Uninstal.exe" /S
      expect "$row: uninstallation, exit code" 0 "$app_rc"
      gone_soon "$t"
      ;;
    user-from-elevated)
      # Started with the administrators' rights (as Wine's own Add/Remove programs starts every
      # uninstaller), the programs of a product for one user start themselves again without them:
      # a file in use is then left to the user's next sign-in, never to the restart, and the
      # uninstaller's copy runs from the user's temporary folder, not the Windows folder's.
      run_silent_in "$NOTES" Setup.exe /S "/LOG=$SILENT_LOG"
      [ "$app_rc" = 0 ] || fail "$row: exit code $app_rc: $(cat "$SCRATCH/silent.log" 2>/dev/null)"
      notes_folder
      hold_file "$tw\\readme.txt"
      copy_folders >"$SCRATCH/folders-before.txt"
      uninstall_silently "$t"
      expect "$row: exit code of the removal over a file in use" 194 "$app_rc"
      expect "$row: the command at the next sign-in" "REG_SZ \"$tw\\Uninstal.exe\" /S" "$(runonce_value)"
      pending_names_none "$t"
      copy_folders | cmp -s - "$SCRATCH/folders-before.txt" || fail "$row: the copy ran with the administrators' rights"
      let_go
      # A log named relative to the caller's folder lands there, whichever process writes it.
      rm -f "$SCRATCH/relative.log"
      app_rc=0
      (cd "$SCRATCH" && wine "$t/Uninstal.exe" /S /LOG=relative.log >"$SCRATCH/uninst.log" 2>&1 </dev/null) || app_rc=$?
      expect "$row: exit code of the second removal" 0 "$app_rc"
      grep -q '^Removed: ' "$SCRATCH/relative.log" 2>/dev/null || fail "$row: the log is not in the caller's folder"
      gone_soon "$t"
      ;;
    user-from-arp)
      # Wine's own Add/Remove programs starts every uninstaller elevated: the product for one user
      # goes all the same, by its uninstaller started again with the user's rights.
      run_silent_in "$NOTES" Setup.exe /S
      expect "$row: exit code" 0 "$app_rc"
      notes_folder
      wine uninstaller --list >"$SCRATCH/arp.txt" 2>/dev/null </dev/null || true
      grep -q 'Zorvan Notes' "$SCRATCH/arp.txt" || fail "$row: Add/Remove programs does not list it: $(cat "$SCRATCH/arp.txt")"
      (wine uninstaller --remove 'Zorvan Notes' >"$SCRATCH/arp-remove.log" 2>&1 </dev/null) &
      APP_PID=$!
      must msgbox 30000
      case "$out" in *"Remove Zorvan Notes from '$tw'?"*) ;; *) fail "$row: the question: $out" ;; esac
      answer 2000 Yes
      must msgbox 30000
      expect "$row: the outcome" "Zorvan Notes - Uninstall"$'\n'"Zorvan Notes was removed from your computer." "$out"
      answer 2000 OK
      end_app
      gone_soon "$t"
      wine reg query "$NOTES_USER" >/dev/null 2>&1 </dev/null && fail "$row: the entry is still there"
      ;;
    machine-as-user)
      # An installation and a removal for everyone started without the administrators' rights ask
      # for them once; a program so started that still has none says so and ends, never starting
      # itself again.
      as_user_silent "$MEDIA" "$(winpath_z "$MEDIA/Setup.exe")" /S "/LOG=$SILENT_LOG" "/D=$TARGET_ROOT\\Demo"
      case "$app_rc:$(tr -d '\r' <"$SCRATCH/silent.log" 2>/dev/null)" in
        1:'FATAL: this installer was started again for administrator rights and still runs without them: nothing was installed')
          [ -e "$TARGET_ROOT_UNIX/Demo" ] && fail "$row: the refused run made the folder" ;;
        0:*) installed_ok "$TARGET_ROOT_UNIX/Demo" ;;
        *) fail "$row: exit code $app_rc, log: $(cat "$SCRATCH/silent.log" 2>/dev/null)" ;;
      esac
      echo "ok: $row: the installation, exit code $app_rc"
      [ -e "$TARGET_ROOT_UNIX/Demo" ] || run_silent /S "/D=$TARGET_ROOT\\Demo"
      as_user_silent /tmp "$TARGET_ROOT\\Demo\\Uninstal.exe" /S "/LOG=$SILENT_LOG"
      case "$app_rc:$(tr -d '\r' <"$SCRATCH/silent.log")" in
        1:*'removing it needs administrator rights, this uninstaller was started again for them and still runs without them.'*)
          [ -e "$TARGET_ROOT_UNIX/Demo/Install.log" ] || fail "$row: the refused removal removed the record" ;;
        0:*) gone_soon "$TARGET_ROOT_UNIX/Demo" ;;
        *) fail "$row: removal: exit code $app_rc, log: $(cat "$SCRATCH/silent.log")" ;;
      esac
      echo "ok: $row: the removal, exit code $app_rc"
      [ -e "$TARGET_ROOT_UNIX/Demo" ] && uninstall_silently "$TARGET_ROOT_UNIX/Demo"
      ;;
    either-user-entry)
      # A product that may be installed either way, installed for the user: an elevated
      # reinstallation goes where it is, made with the user's rights alone, and leaves the
      # machine's part of the registry as it was.
      notes_media either
      run_silent_in "$NOTES" Setup.exe /S /CURRENTUSER
      expect "$row: exit code" 0 "$app_rc"
      notes_folder
      run_silent_in "$NOTES" Setup.exe /S
      expect "$row: exit code of the reinstallation" 0 "$app_rc"
      wine reg query "$NOTES_MACHINE" >/dev/null 2>&1 </dev/null && fail "$row: an entry for the machine"
      listed_all_present "$t"
      uninstall_silently "$t"
      expect "$row: uninstallation, exit code" 0 "$app_rc"
      gone_soon "$t"
      notes_media user
      ;;
    esac
    echo "ok: $row"
  done
  clean_notes
  ;;
*)
  echo "unknown scenario $scenario" >&2
  exit 2
  ;;
esac
