#!/usr/bin/env bash
# orvalen-cam's other endings: a quirk it does not know and a second device are a wrong command
# line (2); a device that is not there is a module that did not become ready (1), with the
# reason on standard error. Usage: cam_refusals.sh PROGRAM
set -uo pipefail
program=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
"$program" --simulated=no-such-quirk >/dev/null 2>&1
[ $? -eq 2 ] || fail "an unknown quirk does not exit 2"
"$program" /dev/null /dev/null >/dev/null 2>&1
[ $? -eq 2 ] || fail "two devices do not exit 2"
err=$("$program" /nonexistent/ca0 2>&1 >/dev/null)
[ $? -eq 1 ] || fail "a missing device does not exit 1"
grep -q 'No such file' <<<"$err" || fail "a missing device gives no reason: $err"
exit $failed
