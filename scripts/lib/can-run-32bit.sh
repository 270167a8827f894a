#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 programs, 1 when it
# cannot, and prints the reason in one line. The answer comes from running a
# tiny 32-bit program (an i386 ELF that only calls exit(0)), not from the
# package list: some kernels are built without 32-bit support, and there
# i386 packages install but none of their programs start.
set -u
probe=$(mktemp /tmp/slidewright-i386-probe.XXXXXX)
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one program header (32 bytes), then the code:
# xor ebx,ebx; mov eax,1; int 0x80
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
printf '\000\000\000\000' >>"$probe"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
printf '\061\333\270\001\000\000\000\315\200' >>"$probe"
chmod +x "$probe"
err=$("$probe" 2>&1)
status=$?
if [ "$status" -eq 0 ]; then
  echo "this machine runs 32-bit x86 programs"
  exit 0
fi
echo "this machine cannot run 32-bit x86 programs (a tiny i386 program exited with $status${err:+: ${err##*: }})"
exit 1
