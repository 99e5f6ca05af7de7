#!/usr/bin/env bash
# Which Windows architectures this host's Wine can run: prints "x86 x64" or "x64".
#   host-arch.sh           the list
#   host-arch.sh --why     one line that says which and why
# 64-bit Wine runs on every x86-64 host. 32-bit Wine needs the kernel's 32-bit emulation, which
# some kernels ship turned off: then every 32-bit program fails to start with "Exec format error".
# A 93-byte 32-bit program that only exits tells. ZRV_HOST_ARCHES, when set, overrides the probe
# (to see what a host without 32-bit code does, on one with it).
set -euo pipefail

runs_x86() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/zrv-probe32.XXXXXX")
  # ELF32 i386: mov eax,1; xor ebx,ebx; int 0x80 (exit 0).
  base64 -d >"$probe" <<'ELF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A
ELF
  chmod 700 "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  return $rc
}

if [ -n "${ZRV_HOST_ARCHES:-}" ]; then
  arches=$ZRV_HOST_ARCHES
  why="ZRV_HOST_ARCHES says so"
elif runs_x86; then
  arches="x86 x64"
  why="this host runs 32-bit x86 code"
else
  arches="x64"
  why="this host cannot execute 32-bit code (its kernel has no 32-bit emulation)"
fi
if [ "${1:-}" = "--why" ]; then
  echo "$arches ($why)"
else
  echo "$arches"
fi
