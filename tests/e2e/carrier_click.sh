#!/usr/bin/env bash
# Tuning a carrier straight from the spectrum: Ctrl+A creates both graphs, Ctrl+1 sweeps tuner 1,
# and a double click with the mouse on a carrier of the trace (Helion's 10971 V, at 1221 MHz on
# the tuner's input) locks tuner 1 there: its quality bar fills, and the message pane names the
# carrier, the system that locked and then the transport stream and network its tables give
# (read back from the program's log of what the pane shows, as the screen holds no readable
# text).
#
# usage: carrier_click.sh ORVALEN_PROGRAM EXAMPLES_DIR
set -euo pipefail

program=$(realpath "$1")
examples=$(realpath "$2")
# shellcheck source=tests/e2e/xsession.sh
source "$(dirname "$0")/xsession.sh"
require_session_tools

export QT_LOGGING_RULES="orvalen.messagepane.info=true"
begin_program_session "$program" "$examples"
shots=$SESSION_DIR

focus_main_window
press ctrl+a
graphs_report() {
    screenshot "$shots/created.png" && [ "$(bar_start_colour "$shots/created.png" 1 0)" = "$BAR_CURRENT" ]
}
wait_until 60 graphs_report || session_fail "Ctrl+A did not bring tuner 1's level meter up"

press ctrl+1
swept() {
    screenshot "$shots/swept.png" && [ "$(trace_columns "$shots/swept.png")" -ge 595 ]
}
wait_until 180 swept || session_fail "Ctrl+1 drew no complete trace"

# 1221 MHz is picture column 20 + (1221 - 950) / 2, rounded up: 156; the picture stands at
# (100, 400) in the client view. The sweep's end may arrive a moment after its last point is on
# the screen; until it has, the pane says the tuner is sweeping, and a person clicks again.
message_log="$SESSION_DIR/orvalen.log"
click_carrier() {
    xdotool mousemove --sync "$((CLIENT_LEFT + 256))" "$((CLIENT_TOP + 545))" click --repeat 2 --delay 80 1
    sleep 0.5
    ! tail -n 1 "$message_log" | grep -q "is sweeping"
}
wait_until 60 click_carrier || session_fail "the double click found tuner 1 sweeping for a minute"
grep -Eq 'messagepane: Tuner 1: 1097[0-2] MHz V, [0-9]+ ksym/s: trying DVB-S and DVB-S2 \.\.\.$' "$message_log" ||
    session_fail "the message pane did not say which carrier it tries: $(tail -n 3 "$message_log")"

quality_fills() {
    screenshot "$shots/clicked.png" && [ "$(bar_start_colour "$shots/clicked.png" 1 1)" = "$BAR_CURRENT" ]
}
wait_until 60 quality_fills || session_fail "tuner 1's quality bar did not fill after the double click"
locked_said() {
    grep -Eq 'messagepane: Tuner 1: 1097[0-2] MHz V, [0-9]+ ksym/s: locked \(DVB-S\)$' "$message_log"
}
wait_until 60 locked_said || session_fail "the message pane did not say the carrier locked: $(tail -n 3 "$message_log")"
stream_named() {
    grep -Eq 'messagepane: Tuner 1: 1097[0-2] MHz V, [0-9]+ ksym/s: transport stream 11030, network "Helion Digital"$' "$message_log"
}
wait_until 60 stream_named || session_fail "the message pane did not name the transport stream: $(tail -n 3 "$message_log")"
[ "$(bar_start_colour "$shots/clicked.png" 2 1)" = "$BAR_REST" ] || session_fail "the click tuned tuner 2 too"

exit_program
echo "PASS: swept tuner 1, double-clicked 10971 V: $(grep -E ': locked \(|: transport stream ' "$message_log" | tail -n 2 | tr '\n' ' ')"
