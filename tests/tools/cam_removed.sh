#!/usr/bin/env bash
# orvalen-cam against a simulated module that is pulled out when its main menu is answered: the
# walk must end at once with exit status 1 and the reason on standard error, never as a menu the
# module closed. Usage: cam_removed.sh PROGRAM
set -uo pipefail
program=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
out=$(printf '2\n\n0\n' | "$program" --simulated=remove-in-dialogue --menu 2>"$err")
status=$?
failed=0
fail() { echo "FAIL: $*"; failed=1; }
[ "$status" -eq 1 ] || fail "exits $status"
grep -q '^menu string: Kestrel CAM$' <<<"$out" || fail "the module is not named"
grep -q '^  2\. Parental control$' <<<"$out" || fail "the main menu is not shown"
grep -q 'closed its menu' <<<"$out" && fail "the removal reads as a menu the module closed"
grep -q '^orvalen-cam: the module was removed during its menu$' "$err" ||
    fail "no reason on standard error: $(cat "$err")"
[ "$failed" -eq 0 ] || echo "$out"
exit $failed
