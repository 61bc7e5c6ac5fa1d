#!/usr/bin/env bash
# Tells whether this machine can run the Win32 build under Wine: exits 0
# when it can, else prints why not (one line) and exits 1. Asks the kernel
# itself, by running a real 32-bit x86 program, not the processor's name:
# some x86-64 machines execute no 32-bit code at all ("Exec format error").
#
# Usage: scripts/runs-win32.sh [--wine]
#   --wine  and 32-bit Wine is installed (install-deps.sh asks without it,
#           to decide whether to install it)
# QARVEL_WIN64_ONLY=1 answers no on any machine, to take the 64-bit-only
# path where both would run.
set -uo pipefail

if [ "${QARVEL_WIN64_ONLY:-0}" = 1 ]; then
  echo "QARVEL_WIN64_ONLY=1 is set"
  exit 1
fi
if ! command -v as >/dev/null 2>&1 || ! command -v ld >/dev/null 2>&1; then
  echo "cannot tell: no assembler and linker (binutils) to make a 32-bit program"
  exit 1
fi

tmp="$(mktemp -d "${TMPDIR:-/tmp}/runs-win32.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
# exit(0) through the 32-bit system call gate.
cat >"$tmp/exit0.s" <<'ASM'
    .globl _start
_start:
    movl $1, %eax
    xorl %ebx, %ebx
    int $0x80
ASM
if ! as --32 -o "$tmp/exit0.o" "$tmp/exit0.s" 2>"$tmp/err" \
   || ! ld -m elf_i386 -o "$tmp/exit0" "$tmp/exit0.o" 2>>"$tmp/err"; then
  echo "cannot tell: the 32-bit probe did not build: $(head -1 "$tmp/err")"
  exit 1
fi
if ! "$tmp/exit0" 2>"$tmp/err"; then
  echo "this machine does not execute 32-bit x86 code ($(sed 's/.*: //' "$tmp/err" | head -1))"
  exit 1
fi
if [ "${1:-}" = --wine ] && [ ! -x /usr/lib/wine/wine ]; then
  echo "32-bit Wine (/usr/lib/wine/wine) is not installed"
  exit 1
fi
exit 0
