#!/usr/bin/env bash
# orvalen-lists --import and --export from the shell: files written whole and never replaced
# without --force, a round trip through each format giving the same list, and every refusal said
# in one line on standard error with exit status 1 (a file) or 2 (an option).
# Usage: lists_convert.sh ORVALEN_LISTS
set -uo pipefail
lists=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

run() {   # arguments: runs orvalen-lists, leaves out, err and status
    "$lists" "$@" >out 2>err
    status=$?
}
expect() {   # status, what: the last run's status, and one line on stderr when it failed
    [ "$status" -eq "$1" ] || fail "$2: status $status, not $1 ($(cat err))"
    if [ "$1" -ne 0 ] && [ "$(wc -l <err)" -lt 1 ]; then fail "$2: nothing said"; fi
}

cat >scan.conf <<'CONF'
[Helion Eins HD]
	SERVICE_ID = 10301
	NETWORK_ID = 318
	TRANSPORT_ID = 1103
	FREQUENCY = 11362000
	POLARIZATION = HORIZONTAL
	SYMBOL_RATE = 22000000
	DELIVERY_SYSTEM = DVBS2
	STREAM_ID = 3
[Radio Kestrel, Nord]
	SERVICE_ID = 10310
	FREQUENCY = 12188000
	POLARIZATION = VERTICAL
	SYMBOL_RATE = 27500000
	DELIVERY_SYSTEM = DVBS
[Kanal T]
	FREQUENCY = 506000000
	DELIVERY_SYSTEM = DVBT2
CONF

run --import scan.conf
expect 0 "import"
[ "$(cat out)" = "scan.csv: 2 channels from scan.conf (dvbv5 channel file)" ] ||
    fail "import printed '$(cat out)'"
grep -q "scan.conf:16: \[Kanal T\] left out: delivery system DVBT2" err ||
    fail "the terrestrial entry was not said: $(cat err)"
[ "$(sed -n 3p scan.csv)" = '"Radio Kestrel, Nord",12188,V,27500,-1,-1,10310,DVB-S,' ] ||
    fail "the list reads '$(sed -n 3p scan.csv)'"

# The program reads the list as written.
printf 'NAME,Tuner,LNBSource,ChannelList\nHelion,1,1,scan.csv\n' >SatelliteList.csv
run
printf -v want '10000\tHelion Eins HD\t11362000\t22000\t1\t318\t1103\t10301\t2\t3\t-1'
grep -qF "$want" out || fail "the listing does not show the first channel: $(cat out)"
grep -qF "Radio Kestrel, Nord" out || fail "the listing does not show the quoted name"
rm SatelliteList.csv

printf '\xef\xbb\xbf' | cat - scan.conf >marked.conf
run --import marked.conf
expect 0 "import of a file with a byte-order mark"
cmp -s scan.csv marked.csv || fail "a byte-order mark changed what was read"

echo "kept" >scan.csv
run --import scan.conf
expect 1 "import over an existing list"
[ "$(cat scan.csv)" = kept ] || fail "an existing list was replaced without --force"
[ "$(cat err)" = "orvalen-lists: scan.csv: exists (--force replaces it)" ] ||
    fail "the refusal reads '$(cat err)'"
run --import scan.conf --force
expect 0 "import with --force"

for format in vdr dvbv5; do
    source=()
    [ "$format" = vdr ] && source=(--source S19.2E)
    run --export "$format" scan.csv "${source[@]}"
    expect 0 "export $format"
    run --import "scan-$format.conf" --out "back-$format.csv"
    expect 0 "import of the $format export"
    cmp -s scan.csv "back-$format.csv" || fail "the $format round trip changed the list"
done
ls | grep -q tmp && fail "a temporary file was left behind"

echo ":Terrestrial only" >t.conf
echo "Kanal T:506000:B8M64:T:27500:101:102:0:0:1:8468:1:0" >>t.conf
run --import t.conf
expect 1 "import of no satellite channel"
[ -e t.csv ] && fail "a list was written with no channel"
run --import absent.conf
expect 1 "import of a missing file"
grep -q "cannot read absent.conf: No such file or directory" err || fail "said '$(cat err)'"
run --import scan.conf --out no/such/folder.csv
expect 1 "import into a missing folder"
grep -q "cannot write no/such/folder.csv" err || fail "said '$(cat err)'"

for wrong in "--export xml scan.csv" "--export vdr" "--import" "--out x.csv" \
    "--import scan.conf --export vdr scan.csv" "--export vdr scan.csv --source 19.2E" \
    "--export dvbv5 scan.csv --source S19.2E" "--why --import scan.conf" "--force"; do
    # shellcheck disable=SC2086
    run $wrong
    expect 2 "$wrong"
    [ -s out ] && fail "$wrong wrote to standard output"
    [ "$(wc -l <err)" -eq 1 ] || fail "$wrong said more than one line"
done
exit $failed
