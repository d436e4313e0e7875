#!/usr/bin/env bash
# Runs orvalen-cam against the simulated module with the quirks given and walks its menu as a
# user on a shell would: the PIN enquiry of "Parental control", cancelled, and back out.
# The module must be named, its CA system listed, the enquiry shown and the menu closed, and the
# program must exit 0. Usage: cam_walk.sh PROGRAM QUIRKS
set -uo pipefail
program=$1
quirks=$2
out=$(printf '2\n\n0\n' | "$program" --simulated="$quirks" --reset --menu 2>&1)
status=$?
failed=0
fail() { echo "FAIL ($quirks): $*"; failed=1; }
[ "$status" -eq 0 ] || fail "exits $status"
grep -q '^slot: module ready$' <<<"$out" || fail "the slot is not ready"
grep -q '^menu string: Kestrel CAM$' <<<"$out" || fail "the module is not named"
grep -q '^CA system ids: 0x0B00$' <<<"$out" || fail "its CA systems are not listed"
grep -q '^  2\. Parental control$' <<<"$out" || fail "the main menu's items are not numbered"
grep -q 'Please enter your 4-digit PIN' <<<"$out" || fail "the PIN enquiry is not shown"
[ "$(grep -c '^== Kestrel CAM$' <<<"$out")" -eq 2 ] || fail "the main menu does not come back"
grep -q '^menu: the module closed its menu$' <<<"$out" || fail "the menu does not end"
[ "$failed" -eq 0 ] || echo "$out"
exit $failed
