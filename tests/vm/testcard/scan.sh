# shellcheck shell=bash
# orvalen-scan on the test card, checked against Debian's dvbv5-scan, a scanner nobody here
# wrote: the blind scan of one satellite, the network scan alone from one of its transponders,
# and dvbv5-scan from that same transponder. Both scanners must find the same transponders and
# the same services (ids and names). Sourced by tests/vm/guest.sh after testcard/guest.sh; the
# test card must be loaded in layout 1 with its daemon running.

# Vestra 13.0E, behind committed-switch input B: orvalen-scan's source 2, dvbv5's satellite 1.
readonly scan_source=2 scan_dvbv5_sat=1

scan_dir() {
    echo "$VM_OUT/scan-layout$TESTCARD_LAYOUT"
}

# seconds_since START: the guest time since START (an uptime_s reading), one decimal.
seconds_since() {
    awk -v a="$1" -v b="$(uptime_s)" 'BEGIN { printf "%.1f", b - a }'
}

# orvalen_scan_run NAME ARGS...: orvalen-scan on tuner 1 into $(scan_dir)/NAME, its output in
# scan.log and scan.err there; its status is orvalen-scan's.
orvalen_scan_run() {
    local dir
    dir=$(scan_dir)/$1
    shift
    mkdir -p "$dir"
    timeout 600 "$VM_BUILD/bin/orvalen-scan" --card=dvb --tuner 1 --source "$scan_source" \
        --out "$dir" "$@" >"$dir/scan.log" 2>"$dir/scan.err"
}

# The transponders of an orvalen-scan log, "MHz POL ksym/s" a line, from its final table.
orvalen_transponders() {
    awk '/^ *[0-9]+\.[0-9]+  [HV] / { printf "%d %s %d\n", $1, $2, $3 }' "$1" | sort -u
}

# The services of an orvalen-scan log, "MHz POL SID NAME" a line, from its lines per transponder
# (10741 MHz V 30000: TSID 12022, 2 services: 2114 "Nord Plus", 2119 "Nova Info"), where a quote
# inside a name is doubled.
orvalen_services() {
    awk '/^[0-9]+ MHz [HV] [0-9]+: TSID / {
        head = $1 " " $3
        rest = substr($0, index($0, "services:") + 9)
        while (match(rest, /^,? ?[0-9]+ "/)) {
            sid = substr(rest, 1, RLENGTH - 2); sub(/^,? ?/, "", sid)
            rest = substr(rest, RLENGTH + 1); name = ""
            while (rest != "") {
                c = substr(rest, 1, 1); rest = substr(rest, 2)
                if (c != "\"") { name = name c; continue }
                if (substr(rest, 1, 1) != "\"") break
                name = name "\""; rest = substr(rest, 2)
            }
            print head, sid, name
        }
    }' "$1" | sort -u
}

# dvbv5's channel file as the same two lists: transponders ("MHz POL ksym/s") with
# what=transponders, services ("MHz POL SID NAME") with what=services.
dvbv5_entries() {
    awk -v what="$2" '
        function flush() {
            if (freq == "") return
            pol = polarization ~ /^H/ ? "H" : polarization ~ /^V/ ? "V" : "?"
            if (what == "transponders") printf "%d %s %d\n", freq / 1000, pol, rate / 1000
            else if (sid != "") printf "%d %s %s %s\n", freq / 1000, pol, sid, name
        }
        /^\[/ { flush(); name = substr($0, 2, length($0) - 2); freq = sid = polarization = rate = "" }
        /^[ \t]*FREQUENCY = / { freq = $3 }
        /^[ \t]*POLARIZATION = / { polarization = $3 }
        /^[ \t]*SYMBOL_RATE = / { rate = $3 }
        /^[ \t]*SERVICE_ID = / { sid = $3 }
        END { flush() }' "$1" | sort -u
}

# Debian's dvbv5-scan on tuner 1 from the one transponder "MHz POL ksym/s SYS" in $1, behind
# the same extended universal LNB and committed switch as orvalen-scan uses; it follows the
# NIT to the others itself (nothing on its command line turns that on: -F would turn it off).
dvbv5_scan_run() {
    local dir mhz pol rate system
    dir=$(scan_dir)/dvbv5
    mkdir -p "$dir"
    read -r mhz pol rate system <<<"$1"
    cat >"$dir/initial.conf" <<INITIAL
[seed]
	DELIVERY_SYSTEM = ${system/-/}
	FREQUENCY = $((mhz * 1000))
	POLARIZATION = $([ "$pol" = V ] && echo VERTICAL || echo HORIZONTAL)
	SYMBOL_RATE = $((rate * 1000))
	INNER_FEC = AUTO
	MODULATION = $([ "$system" = DVB-S2 ] && echo PSK/8 || echo QPSK)
	INVERSION = AUTO
INITIAL
    timeout 900 dvbv5-scan -a 0 -f 0 -d 0 -l EXTENDED -S "$scan_dvbv5_sat" \
        -o "$dir/channels.conf" "$dir/initial.conf" >"$dir/scan.log" 2>&1
}

# diff_named WHAT NAME1 FILE1 NAME2 FILE2 (sorted lists): a FAIL line for every entry that only
# one of the two found.
diff_named() {
    local what=$1 only
    only=$(comm -23 "$3" "$5")
    [ -z "$only" ] || sed "s/^/FAIL: $what only $2 found: /" <<<"$only"
    only=$(comm -13 "$3" "$5")
    [ -z "$only" ] || sed "s/^/FAIL: $what only $4 found: /" <<<"$only"
    [ -z "$(comm -3 "$3" "$5")" ]
}

# The transponders and services both scanners can reach, compared. dvb-tools 1.22 puts 13 V on
# the LNB whatever the polarisation (it names the polarisation only in the committed-switch
# message), and the test card's LNB, as a real universal LNB does, picks the polarisation by the
# supply: dvbv5-scan tunes the horizontal transponders the NIT names with the vertical probe,
# and on this satellite, whose vertical carriers sit between the horizontal ones, nothing
# locks there. So the comparison is of the vertical transponders, unless dvbv5-scan turns out
# to have reached horizontal ones (then of both), and the horizontal ones that only
# orvalen-scan found are counted in a note with the supplies dvbv5-scan used.
scan_compare() {
    local dir pols status=0 voltages
    dir=$(scan_dir)
    orvalen_transponders "$dir/blind/scan.log" >"$dir/orvalen.transponders"
    orvalen_services "$dir/blind/scan.log" >"$dir/orvalen.services"
    dvbv5_entries "$dir/dvbv5/channels.conf" transponders >"$dir/dvbv5.transponders"
    dvbv5_entries "$dir/dvbv5/channels.conf" services >"$dir/dvbv5.services"
    pols=V
    grep -q '^[0-9]* H ' "$dir/dvbv5.transponders" && pols=HV
    for list in transponders services; do
        grep "^[0-9]* [$pols] " "$dir/orvalen.$list" >"$dir/orvalen.$list.compared"
        cp "$dir/dvbv5.$list" "$dir/dvbv5.$list.compared"
    done
    diff_named transponder orvalen-scan "$dir/orvalen.transponders.compared" \
        dvbv5-scan "$dir/dvbv5.transponders.compared" || status=1
    diff_named service orvalen-scan "$dir/orvalen.services.compared" \
        dvbv5-scan "$dir/dvbv5.services.compared" || status=1
    voltages=$(awk '$2 == 0 && $3 == "voltage" { print $4 " V" }' "$dir/dvbv5/bus.log" | sort | uniq -c |
        awk '{ printf "%s%s x %s %s", NR > 1 ? ", " : "", $1, $2, $3 }')
    echo "NOTE: scan compared (polarisations $pols): orvalen-scan and dvbv5-scan each found" \
        "$(wc -l <"$dir/orvalen.transponders.compared") and $(wc -l <"$dir/dvbv5.transponders.compared") transponders," \
        "$(wc -l <"$dir/orvalen.services.compared") and $(wc -l <"$dir/dvbv5.services.compared") services;" \
        "$(grep -c '^[0-9]* H ' "$dir/orvalen.transponders") horizontal transponders orvalen-scan found are out of" \
        "dvbv5-scan's reach (its supplies on the cable: ${voltages:-none})"
    return "$status"
}

# The whole check: the blind scan, the network scan alone from its first vertical transponder,
# dvbv5-scan from the same one, and the comparison; the figures as notes.
testcard_scan_check() {
    local dir start seed summary mhz pol rate bus_lines
    dir=$(scan_dir)
    rm -rf "$dir"
    start=$(uptime_s)
    orvalen_scan_run blind ||
        { echo "FAIL: orvalen-scan's blind scan ended with status $?"; cat "$dir/blind/scan.err"; return 1; }
    summary=$(grep ' transponders locked of ' "$dir/blind/scan.log")
    echo "NOTE: scan blind, source $scan_source, guest time $(seconds_since "$start") s: $summary"
    echo "NOTE: scan blind $(grep '^time: ' "$dir/blind/scan.log")"
    seed=$(awk '/^ *[0-9]+\.[0-9]+  V / { printf "%d V %d %s\n", $1, $3, $4; exit }' "$dir/blind/scan.log")
    [ -n "$seed" ] || { echo "FAIL: orvalen-scan locked no vertical transponder"; return 1; }

    start=$(uptime_s)
    read -r mhz pol rate _ <<<"$seed"
    orvalen_scan_run network --from "$mhz:$pol:$rate" ||
        { echo "FAIL: orvalen-scan's network scan ended with status $?"; cat "$dir/network/scan.err"; return 1; }
    summary=$(grep ' transponders locked of ' "$dir/network/scan.log")
    echo "NOTE: scan network from $mhz $pol $rate, guest time $(seconds_since "$start") s: $summary"
    echo "NOTE: scan network $(grep '^time: ' "$dir/network/scan.log")"
    diff_named transponder "the blind scan" <(orvalen_transponders "$dir/blind/scan.log") \
        "the network scan" <(orvalen_transponders "$dir/network/scan.log") || return 1

    bus_lines=$(wc -l <"$ORVALEN_TESTCARD_BUS_LOG")
    start=$(uptime_s)
    dvbv5_scan_run "$seed" ||
        { echo "FAIL: dvbv5-scan ended with status $?"; tail -n 20 "$dir/dvbv5/scan.log"; return 1; }
    tail -n +$((bus_lines + 1)) "$ORVALEN_TESTCARD_BUS_LOG" >"$dir/dvbv5/bus.log"
    echo "NOTE: scan dvbv5-scan from $seed, guest time $(seconds_since "$start") s"
    scan_compare
}
