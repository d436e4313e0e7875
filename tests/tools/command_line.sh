#!/usr/bin/env bash
# Checks a command-line program's standard options: --version prints "NAME VERSION" on standard
# output, --help prints the usage there, both exit 0; an unknown option prints nothing on
# standard output, says what was wrong on standard error and exits 2.
# Usage: command_line.sh PROGRAM VERSION
set -uo pipefail
program=$1
name=$(basename "$program")
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

run() {   # option: runs the program, leaves out, err and status
    "$program" "$1" >"$scratch/out" 2>"$scratch/err"
    status=$?
}
fail() { echo "FAIL: $name $*"; failed=1; }

run --version
[ "$status" -eq 0 ] || fail "--version exits $status"
[ "$(cat "$scratch/out")" = "$name $version" ] || fail "--version printed '$(cat "$scratch/out")'"
[ -s "$scratch/err" ] && fail "--version wrote to standard error"

run --help
[ "$status" -eq 0 ] || fail "--help exits $status"
grep -q "^usage: $name" "$scratch/out" || fail "--help printed no usage line"
[ -s "$scratch/err" ] && fail "--help wrote to standard error"

run --no-such-option
[ "$status" -eq 2 ] || fail "an unknown option exits $status"
[ -s "$scratch/out" ] && fail "an unknown option wrote to standard output"
grep -q -- "--no-such-option" "$scratch/err" || fail "an unknown option is not named on standard error"

exit $failed
