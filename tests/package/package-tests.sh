#!/usr/bin/env bash
# The tool as it is shipped: its CMake package found by a product outside the source tree, the
# CPack generator's settings and refusals, and the Debian package.
#   package-tests.sh find|settings|deb
#   Environment: ZRV_HOST_BIN (the host build folder).
set -euo pipefail
case_name=${1:?case}
: "${ZRV_HOST_BIN:?}"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zrv-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect() { if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; else echo "ok: $1"; fi; }
contains() { if ! grep -qF -- "$2" "$3"; then fail "$1: no [$2] in: $(cat "$3")"; else echo "ok: $1"; fi; }

prefix="$tmp/prefix"
cmake --install "$ZRV_HOST_BIN" --prefix "$prefix" >/dev/null

# Only CMAKE_PREFIX_PATH may lead find_package to the tool: no registry, no system or PATH prefixes.
isolated=(-DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
          -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF -DCMAKE_FIND_USE_SYSTEM_ENVIRONMENT_PATH=OFF
          -DCMAKE_MAKE_PROGRAM="$(command -v make)")

# product DIR SETTINGS: a small product of a text file and a data file, its CPACK_* settings given
# as CMake code, packed through the generator.
product() {
  mkdir -p "$1/data"
  printf 'Tiny product\r\n' >"$1/readme.txt"
  python3 -c "import random,sys; sys.stdout.buffer.write(random.Random(3).randbytes(300000))" >"$1/data/noise.bin"
  cat >"$1/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.19)
project(Tiny VERSION 2.0 LANGUAGES NONE)
install(FILES readme.txt DESTINATION .)
install(FILES data/noise.bin DESTINATION data)
install(FILES data/noise.bin DESTINATION data RENAME noise.exe)
install(FILES readme.exe DESTINATION bin)
$2
find_package(zrvtool REQUIRED)
set(CPACK_GENERATOR External)
include(ZrvCPack)
EOF
  printf 'MZ' >"$1/readme.exe"
  # The order CMake's documentation teaches for every generator: CPack last.
  if [ "${3:-}" = cpack-last ]; then echo 'include(CPack)' >>"$1/CMakeLists.txt"; fi
}

# pack DIR: configures and packs the product; the output of both in DIR.out, cpack's exit code
# returned.
pack() {
  local rc=0
  cmake -S "$1" -B "$1/build" -DCMAKE_PREFIX_PATH="$prefix" "${isolated[@]}" >"$1.out" 2>&1 || return 1
  (cd "$1/build" && cpack) >>"$1.out" 2>&1 || rc=$?
  return $rc
}

case "$case_name" in
find)
  # Found through CMAKE_PREFIX_PATH, and only through it: without it the same product fails.
  src="$tmp/outside"
  mkdir -p "$src"
  cat >"$src/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.19)
project(Outside LANGUAGES NONE)
find_package(zrvtool 0.9 REQUIRED)
get_target_property(tool zrvtool::zrvtool LOCATION)
include(ZrvCPack)
message(STATUS "zrvtool at ${tool}; package script ${CPACK_EXTERNAL_PACKAGE_SCRIPT}")
EOF
  cmake -S "$src" -B "$src/build" -DCMAKE_PREFIX_PATH="$prefix" "${isolated[@]}" >"$tmp/found.txt" 2>&1 || fail "not found: $(cat "$tmp/found.txt")"
  contains "the imported executable" "zrvtool at $prefix/bin/zrvtool;" "$tmp/found.txt"
  contains "the generator's script" "package script $prefix/lib/cmake/zrvtool/ZrvCPackMedium.cmake" "$tmp/found.txt"
  rm -rf "$src/build"
  if cmake -S "$src" -B "$src/build" "${isolated[@]}" >"$tmp/notfound.txt" 2>&1; then
    fail "found without CMAKE_PREFIX_PATH"
  else
    contains "not found elsewhere" 'Could not find a package configuration file provided by "zrvtool"' "$tmp/notfound.txt"
  fi
  # Without CPACK_GENERATOR naming External the author is told that plain cpack makes no medium.
  contains "the generator not named" "CPACK_GENERATOR does not name External" "$tmp/found.txt"
  # ZrvCPack in the wrong order: after CPack.
  printf 'cmake_minimum_required(VERSION 3.19)\nproject(Late LANGUAGES NONE)\nfind_package(zrvtool REQUIRED)\ninclude(CPack)\ninclude(ZrvCPack)\n' >"$src/CMakeLists.txt"
  rm -rf "$src/build"
  if cmake -S "$src" -B "$src/build" -DCMAKE_PREFIX_PATH="$prefix" "${isolated[@]}" >"$tmp/late.txt" 2>&1; then
    fail "ZrvCPack after CPack was accepted"
  else
    contains "ZrvCPack after CPack" "CPack was included before ZrvCPack" "$tmp/late.txt"
  fi
  ;;
settings)
  # One row per product: its settings, an optional registry script, whether cpack must succeed,
  # and a text its output must hold. Registry scripts have LF line ends, as an author's file in
  # Git has; they reach the installer as CR LF.
  rows=(
    "defaults|||ok|DefaultDir: C:\\Program Files\\Tiny 2.0"
    "named|set(CPACK_PACKAGE_NAME \"Tiny Tool\")\nset(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"Tiny Tool - the smallest\")\nset(CPACK_ZRV_DEFAULT_DIR \"D:\\\\\\\\Tiny\")\nset(CPACK_ZRV_FREE_SPACE 7)||ok|FreeSpace: 7 MB"
    "volumes|set(CPACK_ZRV_BLOCK_SIZE 1)\nset(CPACK_ZRV_VOLUME_SIZE 64k)||ok|compressed:"
    "script|set(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n\n[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n\"Dir\"=\"%INSTALLPATH%\"\n|ok|value \"Dir\" REG_SZ \"C:\\Program Files\\Tiny 2.0\""
    "script-warning|set(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n\n[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n\"Dir\"=\"C:\\\\\\\\Tiny\"\n|ok|tiny.reg:4: warning: \\\\ is stored as two backslashes"
    "script-error|set(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n\n[-HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n|fail|tiny.reg:3: error:"
    "script-no-marker|set(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n|fail|holds no REGEDIT4 line"
    "script-missing|set(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/none.reg)||fail|CPACK_ZRV_REGISTRY_SCRIPT: '"
    "free-space-word|set(CPACK_ZRV_FREE_SPACE lots)||fail|CPACK_ZRV_FREE_SPACE: error:"
    "bracket-name|set(CPACK_PACKAGE_NAME \"A]B\")||fail|the product needs a name without [ or ]"
    "marker-in-summary|set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"see REGEDIT4\")||fail|REGEDIT4 in a setting would start the registry script there"
    "block-size|set(CPACK_ZRV_BLOCK_SIZE 300)||fail|--block-size"
    "signed-bundle|set(CPACK_ZRV_BUNDLE ON)\nset(CPACK_ZRV_SIGN \"cp {in} {out}\")||ok|Tiny-2.0-Linux.exe"
    "sign-fails|set(CPACK_ZRV_SIGN \"false {}\")||fail|--sign: the command"
    "code-page|set(CPACK_PACKAGE_NAME \"Caf\xc3\xa9\")\nset(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n\"Price\"=\"5 \xe2\x82\xac\"\n|ok|Product: Caf\\xe9"
    "arch-x64|set(CPACK_ZRV_ARCH x64)\nset(CPACK_ZRV_BUNDLE ON)||ok|programs: x64"
    "arch-unknown|set(CPACK_ZRV_ARCH arm64)||fail|CPACK_ZRV_ARCH is 'arm64'; give x86 or x64"
    "code-page-lacks|set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"Tiny \xe2\x98\x83\")\nset(CPACK_ZRV_CODE_PAGE 1252)||fail|CPACK_PACKAGE_DESCRIPTION_SUMMARY: holds a character that Windows-1252, the installer's code page, lacks"
    "code-page-utf8|set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"Tiny \xe2\x98\x83\")||ok|Code page: UTF-8 (CodePage=65001)"
    "code-page-utf8-script|set(CPACK_PACKAGE_NAME \"Caf\xc3\xa9 \xe2\x98\x83\")\nset(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n\"Price\"=\"5 \x80\"\n|ok|value \"Price\" REG_SZ \"5 €\""
    "code-page-unknown|set(CPACK_ZRV_CODE_PAGE 936)||fail|CPACK_ZRV_CODE_PAGE is '936'; give 1252, utf-8 or auto"
    "language-missing|set(CPACK_ZRV_LANGUAGES \${CMAKE_CURRENT_SOURCE_DIR}/none.lang)||fail|CPACK_ZRV_LANGUAGES: '"
    "version-vendor|set(CPACK_PACKAGE_VERSION 2.0.1)\nset(CPACK_PACKAGE_VENDOR \"Nexal Ltd\")||ok|value \"Publisher\" REG_SZ \"Nexal Ltd\""
    "executables|set(CPACK_PACKAGE_EXECUTABLES readme \"Read me\" noise Noise)||ok|Shortcut: Noise -> data\\noise.exe"
    "executable-missing|set(CPACK_PACKAGE_EXECUTABLES tiny Tiny)||fail|CPACK_PACKAGE_EXECUTABLES: 'tiny.exe' is not among the installed files"
    "executable-label|set(CPACK_PACKAGE_EXECUTABLES readme \"a/b\")||fail|CPACK_PACKAGE_EXECUTABLES: error: the shortcut's name cannot be a file name"
    "misspelt|set(CPACK_ZRV_BUNDEL ON)||ok|did you mean CPACK_ZRV_BUNDLE?"
    "scope-user|set(CPACK_ZRV_SCOPE user)\nset(CPACK_ZRV_BUNDLE ON)||ok|Scope: user (for the user who runs Setup.exe"
    "scope-either|set(CPACK_ZRV_SCOPE either)\nset(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n[HKEY_CLASSES_ROOT\\\\.tiny]\n|ok|: key HKEY_CURRENT_USER\\Software\\Classes\\.tiny"
    "scope-unknown|set(CPACK_ZRV_SCOPE everyone)||fail|CPACK_ZRV_SCOPE is 'everyone'; give machine, user, either"
    "scope-machine-wide|set(CPACK_ZRV_SCOPE user)\nset(CPACK_ZRV_REGISTRY_SCRIPT \${CMAKE_CURRENT_SOURCE_DIR}/tiny.reg)|REGEDIT4\n[HKEY_CURRENT_USER\\\\Software\\\\Tiny]\n[HKEY_LOCAL_MACHINE\\\\Software\\\\Tiny]\n|fail|tiny.reg:3: error: a key under HKEY_LOCAL_MACHINE or HKEY_USERS"
  )
  for row in "${rows[@]}"; do
    IFS='|' read -r name settings script outcome text <<<"$row"
    echo "--- $name"
    dir="$tmp/$name"
    product "$dir" "$(printf '%b' "$settings")"
    [ -n "$script" ] && printf '%b' "$script" >"$dir/tiny.reg"
    rc=0
    pack "$dir" || rc=$?
    medium=$(find "$dir/build" -mindepth 1 -maxdepth 1 -type d ! -name CMakeFiles ! -name _CPack_Packages | head -1)
    if [ "$outcome" = ok ]; then
      expect "$name: cpack succeeds" 0 "$rc"
      [ -f "$medium/Setup.ini" ] || { fail "$name: no medium: $(cat "$dir.out")"; continue; }
      "$prefix/bin/zrvtool" ini check "$medium/Setup.ini" >>"$dir.out" 2>&1 || fail "$name: the medium's Setup.ini fails its check"
    else
      [ "$rc" -ne 0 ] || fail "$name: cpack succeeded"
      expect "$name: no medium" "" "$medium"
    fi
    contains "$name: the message" "$text" "$dir.out"
  done
  # include(CPack) after include(ZrvCPack) makes the same medium, without CMake's warning of CPack
  # included twice and without packages of other generators.
  dir="$tmp/cpack-last"
  product "$dir" "" cpack-last
  pack "$dir" || fail "cpack-last: cpack failed: $(cat "$dir.out")"
  [ -f "$dir/build/Tiny-2.0-Linux/Setup.ini" ] || fail "cpack-last: no medium: $(cat "$dir.out")"
  if ls "$dir/build" | grep -qiE '[.](zip|7z|tar|gz)$'; then fail "cpack-last: other packages: $(ls "$dir/build")"; fi
  cmake -S "$dir" -B "$dir/build" -DCMAKE_PREFIX_PATH="$prefix" "${isolated[@]}" >"$dir.configure" 2>&1
  if grep -q "already been included" "$dir.configure"; then fail "cpack-last: CPack included twice"; else echo "ok: cpack-last"; fi
  # The defaults: the staged tree (the files and the carried uninstaller) decides FreeSpace, and
  # the marker alone registers the product for Add/Remove programs.
  # The staged files (two copies of the noise, the readme and the stub), each in whole 4 KB blocks,
  # and the x86 uninstaller that the tool carries, as its --version tells it.
  uninstaller=$("$prefix/bin/zrvtool" --version | sed -n 's/^Uninstal\.exe (x86): .*, \([0-9]*\) bytes.*/\1/p')
  staged=$(( 2 * ((300000 + 4095) / 4096 * 4096) + 2 * 4096 + (uninstaller + 4095) / 4096 * 4096 ))
  contains "defaults: FreeSpace" "FreeSpace: $(( (staged + 1048575) / 1048576 )) MB" "$tmp/defaults.out"
  contains "defaults: the uninstall entry" "uninstall entry: key HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tiny" "$tmp/defaults.out"
  contains "named: the description" "AppDescription: Tiny Tool - the smallest" "$tmp/named.out"
  expect "signed-bundle: one program" "PE32 executable (GUI) Intel 80386" "$(file -b "$tmp/signed-bundle/build/Tiny-2.0-Linux.exe" | cut -c1-33)"
  # A product without a compiler gets the default installer; one that names x64 gets x64 programs
  # throughout, its bundle's launcher too.
  expect "defaults: x86 programs" "PE32 executable (GUI) Intel 80386" "$(file -b "$tmp/defaults/build/Tiny-2.0-Linux/Setup.exe" | cut -c1-33)"
  for f in Tiny-2.0-Linux/Setup.exe Tiny-2.0-Linux.exe; do
    expect "arch-x64: $f" "PE32+ executable (GUI) x86-64" "$(file -b "$tmp/arch-x64/build/$f" | cut -c1-29)"
  done
  contains "code-page: the script's text" 'value "Price" REG_SZ "5 \x80"' "$tmp/code-page.out"
  contains "named: the directory" "DefaultDir: D:\\Tiny" "$tmp/named.out"
  contains "misspelt: the name" "CPACK_ZRV_BUNDEL is not a setting of the generator" "$tmp/misspelt.out"
  contains "defaults: the version" 'value "DisplayVersion" REG_SZ "2.0"' "$tmp/defaults.out"
  contains "executables: the program in bin" 'Shortcut: Read me -> bin\readme.exe' "$tmp/executables.out"
  contains "defaults: the medium named" "ZrvCPack: the medium is $tmp/defaults/build/Tiny-2.0-Linux" "$tmp/defaults.out"
  contains "signed-bundle: the bundle named" "ZrvCPack: the bundle is $tmp/signed-bundle/build/Tiny-2.0-Linux.exe" "$tmp/signed-bundle.out"
  # A product for one user: its Scope line in the stored Setup.ini, and every program it ships
  # (Setup.exe, the payload's Uninstal.exe, the bundle's launcher) running as the invoker; one for
  # every user keeps asking for administrator rights.
  tool="$prefix/bin/zrvtool"
  manifest="$(dirname "$0")/../e2e/check-manifest.sh"
  "$tool" ini decode "$tmp/scope-user/build/Tiny-2.0-Linux/Setup.ini" "$tmp/scope-user.ini" >/dev/null
  expect "scope-user: the line" "Scope=user" "$(grep -a '^Scope=' "$tmp/scope-user.ini" | tr -d '\r')"
  "$tool" ini decode "$tmp/defaults/build/Tiny-2.0-Linux/Setup.ini" "$tmp/defaults.ini" >/dev/null
  expect "defaults: no Scope line" "" "$(grep -a '^Scope=' "$tmp/defaults.ini" || true)"
  "$tool" extract "$tmp/scope-user/build/Tiny-2.0-Linux/tiny.001" "$tmp/scope-user.payload" >/dev/null
  if "$manifest" --as-invoker x86 "$tmp/scope-user/build/Tiny-2.0-Linux/Setup.exe" \
       "$tmp/scope-user.payload/Uninstal.exe" "$tmp/scope-user/build/Tiny-2.0-Linux.exe" >"$tmp/scope.manifest" 2>&1 &&
     "$manifest" x86 "$tmp/defaults/build/Tiny-2.0-Linux/Setup.exe" >>"$tmp/scope.manifest" 2>&1; then
    echo "ok: the programs' manifests follow the scope"
  else
    fail "the programs' manifests: $(cat "$tmp/scope.manifest")"
  fi
  expect "volumes: several" yes "$([ -f "$tmp/volumes/build/Tiny-2.0-Linux/tiny.003" ] && echo yes || echo no)"
  # A second run replaces the medium of the first; a folder of something else is left alone.
  (cd "$tmp/defaults/build" && cpack) >"$tmp/again.out" 2>&1 || fail "a second cpack failed: $(cat "$tmp/again.out")"
  medium="$tmp/defaults/build/Tiny-2.0-Linux"
  rm -rf "$medium" && mkdir -p "$medium" && echo mine >"$medium/mine.txt"
  if (cd "$tmp/defaults/build" && cpack) >"$tmp/other.out" 2>&1; then fail "a folder of something else was replaced"; fi
  contains "a folder of something else" "exists and is not a medium; nothing is replaced" "$tmp/other.out"
  expect "what it held" mine "$(cat "$medium/mine.txt")"
  # Nor is a file, or a link to a medium elsewhere, under that name.
  mkdir -p "$tmp/elsewhere"
  touch "$tmp/elsewhere/Setup.exe" "$tmp/elsewhere/Setup.ini"
  for kind in file link; do
    rm -rf "$medium"
    if [ $kind = file ]; then echo mine >"$medium"; else ln -s "$tmp/elsewhere" "$medium"; fi
    if (cd "$tmp/defaults/build" && cpack) >"$tmp/other.out" 2>&1; then fail "a $kind under the medium's name was replaced"; fi
    contains "a $kind under the medium's name" "exists and is not a medium; nothing is replaced" "$tmp/other.out"
  done
  expect "the medium the link leads to" "Setup.exe Setup.ini" "$(ls "$tmp/elsewhere" | paste -sd' ')"

  # CPACK_ZRV_BUNDLE and CPACK_ZRV_SIGN reach the tool as --bundle and --sign, and the bundle it
  # makes lands beside the medium. A stand-in for the tool records its arguments, makes the
  # bundle file and leaves the medium to the real tool.
  cp -r "$prefix" "$tmp/recording"
  mv "$tmp/recording/bin/zrvtool" "$tmp/recording/bin/zrvtool.real"
  cat >"$tmp/recording/bin/zrvtool" <<'EOF'
#!/usr/bin/env bash
here=$(dirname "$0")
[ "$1" = medium ] && printf '%s\n' "$@" >"$here/args.txt"
args=()
while [ $# -gt 0 ]; do
  case "$1" in
  --bundle) printf 'MZ bundle\n' >"$2"; shift 2 ;;
  --sign) shift 2 ;;
  *) args+=("$1"); shift ;;
  esac
done
exec "$here/zrvtool.real" "${args[@]}"
EOF
  chmod +x "$tmp/recording/bin/zrvtool"
  dir="$tmp/bundled"
  product "$dir" 'set(CPACK_ZRV_BUNDLE ON)
set(CPACK_ZRV_SIGN "osslsigncode sign -pkcs12 key.pfx -in {in} -out {out}")'
  cmake -S "$dir" -B "$dir/build" -DCMAKE_PREFIX_PATH="$tmp/recording" "${isolated[@]}" >"$dir.out" 2>&1 || fail "configure: $(cat "$dir.out")"
  (cd "$dir/build" && cpack) >"$dir.out" 2>&1 || fail "cpack with a bundle: $(cat "$dir.out")"
  grep -A1 -E '^--(bundle|sign)$' "$tmp/recording/bin/args.txt" | grep -v '^--$' >"$tmp/options.txt" || true
  expect "the options passed" "--bundle
$dir/build/_CPack_Packages/Linux/External/Tiny-2.0-Linux.exe
--sign
osslsigncode sign -pkcs12 key.pfx -in {in} -out {out}" "$(cat "$tmp/options.txt")"
  expect "the bundle beside the medium" "MZ bundle" "$(cat "$dir/build/Tiny-2.0-Linux.exe" 2>/dev/null)"
  [ -f "$dir/build/Tiny-2.0-Linux/Setup.ini" ] || fail "no medium beside the bundle"
  ;;
zip)
  # The ZIP for Windows: zrvtool.exe, a 64-bit console program (what it makes: x64_tool_same_bytes),
  # and its page as text with CR LF line ends, holding every command of the usage text.
  zip=$(ls "$ZRV_HOST_BIN"/zrvtool-*-win64.zip)
  unzip -Z1 "$zip" | LC_ALL=C sort >"$tmp/contents.txt"
  expect "contents" "zrvtool-0.9-win64/
zrvtool-0.9-win64/copyright.txt
zrvtool-0.9-win64/zrvtool.exe
zrvtool-0.9-win64/zrvtool.txt" "$(cat "$tmp/contents.txt")"
  unzip -q "$zip" -d "$tmp/zip"
  dir="$tmp/zip/zrvtool-0.9-win64"
  contains "a 64-bit console program" "PE32+ executable (console) x86-64" <(file "$dir/zrvtool.exe")
  expect "every line ends in CR LF" "" "$(grep -c $'[^\r]$' "$dir/zrvtool.txt" | grep -v '^0$')"
  tr -d '\r' <"$dir/zrvtool.txt" | tr -s ' ' >"$tmp/page.txt"
  contains "the page's name" "zrvtool - make and read installation media" "$tmp/page.txt"
  "$ZRV_HOST_BIN/tools/zrvtool" --help | sed -n 's/^  zrvtool \([a-z]*\( [a-z]*\)\?\).*/\1/p' | while read -r words; do
    grep -qE "zrvtool ${words%% *}" "$tmp/page.txt" || echo "$words" >>"$tmp/missing.txt"
  done
  expect "every command on the page" "" "$(cat "$tmp/missing.txt" 2>/dev/null)"
  ;;
deb)
  # The Debian package: what it holds, the tool and its page run from the unpacked tree, and the
  # CMake package found there.
  (cd "$ZRV_HOST_BIN" && cpack -G DEB -B "$tmp/deb") >"$tmp/cpack.txt" 2>&1 || { cat "$tmp/cpack.txt" >&2; exit 1; }
  deb=$(ls "$tmp"/deb/zrvtool_*.deb)
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||' | grep -v '/$' | LC_ALL=C sort >"$tmp/contents.txt"
  expect "contents" "usr/bin/zrvtool
usr/lib/cmake/zrvtool/ZrvCPack.cmake
usr/lib/cmake/zrvtool/ZrvCPackMedium.cmake
usr/lib/cmake/zrvtool/zrvtoolConfig.cmake
usr/lib/cmake/zrvtool/zrvtoolConfigVersion.cmake
usr/lib/cmake/zrvtool/zrvtoolTargets-relwithdebinfo.cmake
usr/lib/cmake/zrvtool/zrvtoolTargets.cmake
usr/share/doc/zrvtool/copyright
usr/share/man/man1/zrvtool.1.gz" "$(cat "$tmp/contents.txt")"
  dpkg-deb -f "$deb" Package Version Architecture >"$tmp/fields.txt"
  expect "control fields" "Package: zrvtool
Version: 0.9
Architecture: $(dpkg --print-architecture)" "$(cat "$tmp/fields.txt")"
  dpkg-deb -f "$deb" Depends Description >"$tmp/depends.txt"
  contains "depends on the C library" "libc6" "$tmp/depends.txt"
  contains "the summary" "Description: makes installation media for 32-bit Windows" "$tmp/depends.txt"
  # apt would install it here: every dependency is known (a simulation changes nothing). apt reads
  # this machine's package state without any zrvtool in it, so that a zrvtool installed already,
  # of this version or another, does not change the answer.
  eval "$(apt-config shell status Dir::State::status/f)"
  awk -v RS= -v ORS='\n\n' '$0 !~ /^Package: zrvtool\n/' "${status:-/var/lib/dpkg/status}" >"$tmp/status"
  (cd "$tmp/deb" && apt-get -o Dir::State::status="$tmp/status" install -s "./$(basename "$deb")") >"$tmp/apt.txt" 2>&1 ||
    fail "apt-get install -s: $(cat "$tmp/apt.txt")"
  contains "apt installs it" "Inst zrvtool (0.9 local-deb" "$tmp/apt.txt"
  root="$tmp/root"
  dpkg-deb -x "$deb" "$root"
  (cd / && env -i PATH=/usr/bin:/bin "$root/usr/bin/zrvtool" --version) >"$tmp/version.txt" 2>&1 || fail "--version: $(cat "$tmp/version.txt")"
  expect "the version line" "zrvtool v0.9" "$(head -1 "$tmp/version.txt")"
  contains "Setup.exe carried" "Setup.exe (x86): v0.9, " "$tmp/version.txt"
  # The page renders without a warning and holds every command of the usage text.
  LC_ALL=C MANWIDTH=100 man --warnings -l "$root/usr/share/man/man1/zrvtool.1.gz" >"$tmp/man-wide.txt" 2>"$tmp/man-err.txt" || fail "man -l failed"
  tr -s ' ' <"$tmp/man-wide.txt" >"$tmp/man.txt"
  expect "no warnings from the formatter" "" "$(cat "$tmp/man-err.txt")"
  contains "the page's name" "zrvtool - make and read installation media" "$tmp/man.txt"
  "$root/usr/bin/zrvtool" --help | sed -n 's/^  zrvtool \([a-z]*\( [a-z]*\)\?\).*/\1/p' | while read -r words; do
    first=${words%% *}
    grep -qE "zrvtool $words( |$)" "$tmp/man.txt" || grep -qE "zrvtool $first " "$tmp/man.txt" || echo "$words" >>"$tmp/missing.txt"
  done
  expect "every command on the page" "" "$(cat "$tmp/missing.txt" 2>/dev/null)"
  contains "a description on the page" "make a whole medium in OUT_DIR" "$tmp/man.txt"
  contains "examples on the page" "zrvtool medium Setup.ini.txt product/ media/" "$tmp/man.txt"
  head -1 "$root/usr/share/doc/zrvtool/copyright" >"$tmp/copyright.txt"
  contains "the copyright file in Debian's format" "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$tmp/copyright.txt"
  printf 'cmake_minimum_required(VERSION 3.19)\nproject(FromDeb LANGUAGES NONE)\nfind_package(zrvtool REQUIRED)\nget_target_property(t zrvtool::zrvtool LOCATION)\nmessage(STATUS "tool: ${t}")\n' >"$tmp/CMakeLists.txt"
  cmake -S "$tmp" -B "$tmp/from-deb" -DCMAKE_PREFIX_PATH="$root/usr" "${isolated[@]}" >"$tmp/from-deb.txt" 2>&1 || fail "the unpacked package is not found: $(cat "$tmp/from-deb.txt")"
  contains "the package's CMake files" "tool: $root/usr/bin/zrvtool" "$tmp/from-deb.txt"
  ;;
*)
  echo "unknown case $case_name" >&2
  exit 2
  ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "package case $case_name passed"
