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

# orvalen_scan_run NAME ARGS...: orvalen-scan on tuner 1 (the card's first frontend alone) into
# $(scan_dir)/NAME, its output in scan.log and scan.err there; its status is orvalen-scan's.
orvalen_scan_run() {
    local dir
    dir=$(scan_dir)/$1
    shift
    mkdir -p "$dir"
    timeout 600 "$VM_BUILD/bin/orvalen-scan" --card=dvb --dvb-frontends=adapter0/frontend0 \
        --tuner 1 --source "$scan_source" --out "$dir" "$@" >"$dir/scan.log" 2>"$dir/scan.err"
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

# Debian's dvbv5-scan on tuner 2 from the one transponder "MHz POL ksym/s SYS" in $1, behind
# the same extended universal LNB and committed switch as orvalen-scan uses; it follows the
# NIT to the others itself (-F would turn that off). The card's daemon plays each stream at a
# quarter of its rate, so a table comes four times as seldom as its stream says: dvbv5-scan's
# time-outs are doubled (-T 2), as with its own the SDT of some transponders did not come in time.
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
    timeout 900 dvbv5-scan -a 0 -f 1 -d 1 -l EXTENDED -S "$scan_dvbv5_sat" -T 2 \
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

# The satellite's plan, as the card's daemon plays it.
scan_plan() {
    echo "$VM_SOURCE/card/sky/B-Vestra.csv"
}

# The plan's DVB-S2 transponders at roll-off 0.35, "MHz POL ksym/s" a line: dvbv5-scan (libdvbv5
# 1.22) takes the delivery system of a transponder the NIT names from its roll-off alone (DVB-S2
# when not 0.35), not from the descriptor's modulation-system flag, so it tunes these as DVB-S,
# which the test card's demodulator, like a real one told the wrong system, does not lock.
dvbv5_wrong_system() {
    awk -F, '$1 == "transponder" && $5 == "DVB-S2" && $8 == "0.35" { print $2, $3, $4 }' \
        "$(scan_plan)" | sort -u
}

# The services of FILE ("MHz POL SID NAME") whose name, in UTF-8, has a byte from 0x80 to 0x9f:
# dvbv5-scan (libdvbv5 1.22) takes those bytes for the control codes of the one-byte tables also
# in a name sent in UTF-8 (Ö, Ü, Ç, Ł, Æ ...), and cuts the name there.
undecoded_names() {
    LC_ALL=C grep "$(printf '[\x80-\x9f]')" "$1" || true
}

# Every transponder and service, compared, but those dvbv5-scan tunes with the wrong system.
# dvbv5-zap of dvb-tools 1.22 puts 13 V on the LNB for either polarisation (see
# testcard_dvbv5_run); dvbv5-scan does not: it raises the supply to 18 V for the horizontal
# transponders, as the daemon's log of tuner 2's cable shows (the note counts the supplies it
# set), so both polarisations are within its reach.
scan_compare() {
    local dir side voltages status=0
    dir=$(scan_dir)
    dvbv5_wrong_system >"$dir/dvbv5.wrong-system"
    orvalen_transponders "$dir/blind/scan.log" >"$dir/orvalen.transponders"
    orvalen_services "$dir/blind/scan.log" >"$dir/orvalen.services"
    comm -23 "$dir/orvalen.transponders" "$dir/dvbv5.wrong-system" >"$dir/orvalen.transponders.compared"
    awk 'NR == FNR { skip[$1 " " $2] = 1; next } !(($1 " " $2) in skip)' "$dir/dvbv5.wrong-system" \
        "$dir/orvalen.services" >"$dir/orvalen.services.compared"
    dvbv5_entries "$dir/dvbv5/channels.conf" transponders >"$dir/dvbv5.transponders"
    dvbv5_entries "$dir/dvbv5/channels.conf" services >"$dir/dvbv5.services"
    diff_named transponder orvalen-scan "$dir/orvalen.transponders.compared" \
        dvbv5-scan "$dir/dvbv5.transponders" || status=1
    # every service by its ids; by its name too unless dvbv5-scan cannot decode the name
    for side in orvalen dvbv5; do
        cut -d' ' -f1-3 "$dir/$side.services$([ $side = orvalen ] && echo .compared)" | sort -u \
            >"$dir/$side.service-ids"
    done
    diff_named service orvalen-scan "$dir/orvalen.service-ids" dvbv5-scan "$dir/dvbv5.service-ids" ||
        status=1
    undecoded_names "$dir/orvalen.services.compared" >"$dir/undecoded"
    for side in orvalen dvbv5; do
        awk 'NR == FNR { skip[$1 " " $2 " " $3] = 1; next } !(($1 " " $2 " " $3) in skip)' \
            "$dir/undecoded" "$dir/$side.services$([ $side = orvalen ] && echo .compared)" \
            >"$dir/$side.service-names"
    done
    diff_named "service name" orvalen-scan "$dir/orvalen.service-names" \
        dvbv5-scan "$dir/dvbv5.service-names" || status=1
    voltages=$(awk '$3 == "voltage" { print $4 }' "$dir/dvbv5/bus.log" | sort -n | uniq -c |
        awk '{ printf "%s%s V %s times", (NR > 1 ? ", " : ""), $2, $1 }')
    echo "NOTE: scan compared: orvalen-scan and dvbv5-scan found" \
        "$(wc -l <"$dir/orvalen.transponders.compared") and $(wc -l <"$dir/dvbv5.transponders") transponders" \
        "($(grep -c '^[0-9]* H ' "$dir/orvalen.transponders.compared") and" \
        "$(grep -c '^[0-9]* H ' "$dir/dvbv5.transponders") horizontal), $(wc -l <"$dir/orvalen.services.compared")" \
        "and $(wc -l <"$dir/dvbv5.services") services; dvbv5-scan set the supply to ${voltages:-nothing}"
    echo "NOTE: scan names compared by id alone, as dvbv5-scan cannot decode them:" \
        "$(awk 'function name(line) { sub(/^[^ ]+ [^ ]+ [^ ]+ ?/, "", line); return line }
            NR == FNR { theirs[$1 " " $2 " " $3] = name($0); next }
            { printf "%s%s \"%s\" (dvbv5-scan: \"%s\")", (n++ ? ", " : ""), $3, name($0),
              theirs[$1 " " $2 " " $3] }' "$dir/dvbv5.services" "$dir/undecoded")"
    echo "NOTE: scan not compared: $(wc -l <"$dir/dvbv5.wrong-system") DVB-S2 transponders at roll-off" \
        "0.35, which dvbv5-scan tunes as DVB-S; orvalen-scan locked" \
        "$(comm -12 "$dir/orvalen.transponders" "$dir/dvbv5.wrong-system" | wc -l) of them:" \
        "$(comm -12 "$dir/orvalen.transponders" "$dir/dvbv5.wrong-system" | tr '\n' ',' | sed 's/,$//')"
    return "$status"
}

# The first vertical transponder of the satellite's plan, as the card's daemon plays it:
# "MHz V ksym/s SYSTEM", dvbv5-scan's one transponder to start from.
scan_seed() {
    awk -F, '$1 == "transponder" && $3 == "V" { print $2, $3, $4, $5; exit }' \
        "$(scan_plan)"
}

# orvalen_scan_figures NAME START: its summary and shares as notes, or a FAIL with its errors.
orvalen_scan_figures() {
    local log
    log=$(scan_dir)/$1/scan.log
    if ! grep -q ' transponders locked of ' "$log"; then
        echo "FAIL: orvalen-scan's $1 scan did not end with its summary"
        cat "$(scan_dir)/$1/scan.err"
        return 1
    fi
    echo "NOTE: scan $1, guest time $(seconds_since "$2") s: $(grep ' transponders locked of ' "$log")"
    echo "NOTE: scan $1 $(grep '^time: ' "$log")"
}

# The whole check: orvalen-scan's blind scan on tuner 1 and then its network scan alone from the
# plan's first vertical transponder, while dvbv5-scan scans from that same transponder on tuner
# 2 (each tuner has a cable of its own to the same switch input, and orvalen-scan is given tuner
# 1's frontend alone), so that the two scanners share the run's time; then the comparisons.
testcard_scan_check() {
    local dir start dvbv5_start seed mhz pol rate dvbv5_pid dvbv5_status=0 status=0 bus_lines
    dir=$(scan_dir)
    rm -rf "$dir"
    mkdir -p "$dir"
    seed=$(scan_seed)
    read -r mhz pol rate _ <<<"$seed"
    bus_lines=$(wc -l <"$ORVALEN_TESTCARD_BUS_LOG")
    start=$(uptime_s)
    dvbv5_start=$start
    dvbv5_scan_run "$seed" &
    dvbv5_pid=$!

    orvalen_scan_run blind || echo "FAIL: orvalen-scan's blind scan ended with status $?"
    orvalen_scan_figures blind "$start" || status=1
    start=$(uptime_s)
    orvalen_scan_run network --from "$mhz:$pol:$rate" ||
        echo "FAIL: orvalen-scan's network scan ended with status $?"
    orvalen_scan_figures network "$start" || status=1

    wait "$dvbv5_pid" || dvbv5_status=$?
    echo "NOTE: scan dvbv5-scan from $seed on tuner 2, alongside both: guest time" \
        "$(seconds_since "$dvbv5_start") s"
    if [ "$dvbv5_status" -ne 0 ]; then
        echo "FAIL: dvbv5-scan ended with status $dvbv5_status"
        tail -n 20 "$dir/dvbv5/scan.log"
        return 1
    fi
    [ "$status" -eq 0 ] || return 1
    # the chroot has no /dev/fd for a process substitution: files
    orvalen_transponders "$dir/blind/scan.log" >"$dir/blind/transponders"
    orvalen_transponders "$dir/network/scan.log" >"$dir/network/transponders"
    diff_named transponder "the blind scan" "$dir/blind/transponders" \
        "the network scan" "$dir/network/transponders" || status=1
    # what happened on tuner 2's cable since the scans began: dvbv5-scan's doing alone
    tail -n +$((bus_lines + 1)) "$ORVALEN_TESTCARD_BUS_LOG" | awk '$2 == 1' >"$dir/dvbv5/bus.log"
    scan_compare || status=1
    return "$status"
}
