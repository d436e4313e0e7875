#!/usr/bin/env bash
# orvalen-scan on a simulated card pulled out during the sweeps, then while the candidates are
# tuned: each scan ends with exit status 1 and one line saying the card is gone, and nothing in
# the output folder changes, --force or not: the list and SatelliteList.csv already there stay
# byte for byte and no file is added. Usage: scan_unplugged.sh PROGRAM
set -uo pipefail
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

printf 'NAME,Tuner,LNBSource,ChannelList,Comment\r\nHelion,1,1,T1-LNB1-A-Helion.csv,kept\r\n' \
    >"$dir/SatelliteList.csv"
printf 'NAME,FREQ,POL,SR,ONID,TSID,SID,Comment\r\nKept,10729,H,22000,1,1,1,tv\r\n' \
    >"$dir/T1-LNB1-A-Helion.csv"
snapshot() { (cd "$dir" && find . -type f -print0 | sort -z | xargs -0 md5sum); }
before=$(snapshot)

# Sweeps take 601 steps and 2 tunes each: step 700 falls in the second sweep, tune 12 on the
# candidates after the four sweeps.
for point in step:700 tune:12; do
    err=$(ORVALEN_SIM_UNPLUG=$point "$program" --card=sim --force --out "$dir" 2>&1 >/dev/null)
    status=$?
    [ "$status" -eq 1 ] || fail "$point: exits $status"
    [ "$(grep -c 'gone' <<<"$err")" -eq 1 ] || fail "$point: not one line saying so: $err"
    [ "$(tail -n 1 <<<"$err")" = "orvalen-scan: the card is gone: no file written" ] ||
        fail "$point: the last line on standard error is not the reason: $err"
    [ "$(snapshot)" = "$before" ] || fail "$point: the output folder changed"
done
exit $failed
