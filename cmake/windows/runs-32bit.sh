#!/usr/bin/env bash
# Decides whether this machine starts 32-bit x86 programs, and writes the answer into RESULT:
# "yes", or "no" with what the start said on the next line. The 32-bit suites run under 32-bit
# Wine, whose loader is such a program, and a kernel built with IA32 emulation may have it off at
# run time (ia32_emulation=0), when every one of them fails with "Exec format error". So the
# answer comes from starting one: a static i386 program that only exits with 0, made here with
# binutils (as --32, ld -m elf_i386), which needs no 32-bit library. PROBE_IA32_PROBE names
# another program to start instead, to see what the build does with the other answer.
#
# `make windows` asks once, before the 32-bit suites; everything that starts a 32-bit program then
# reads RESULT: mk/windows.mk, and wine-run.sh, to which it names the file as PROBE_WIN32_RUNS.
#
# usage: runs-32bit.sh RESULT
set -euo pipefail

result=$1
dir=$(dirname "$result")
mkdir -p "$dir"
probe=${PROBE_IA32_PROBE:-}
if [ -z "$probe" ]; then
  # Made beside RESULT, not in /tmp, which may be mounted noexec.
  probe=$dir/exit0-i386
  printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' |
    as --32 -o "$probe.o" - && ld -m elf_i386 -o "$probe" "$probe.o" ||
    { echo "runs-32bit.sh: cannot make a 32-bit program with as and ld (binutils)" >&2; exit 2; }
  rm -f "$probe.o"
fi

status=0
said=$("$probe" </dev/null 2>&1) || status=$?
if [ "$status" = 0 ]; then
  printf 'yes\n' >"$result.new"
else
  printf 'no\n%s (exit status %s)\n' "$said" "$status" >"$result.new"
fi
mv "$result.new" "$result"
