#!/usr/bin/env bash
# The real program's window against the kernel's virtual DVB card, in the test machine, driven
# only by keys as a person would drive it against a card: "Create 1", a channel of Tuner 1 >
# Sat 1, Ctrl+1, "Record 1" with a typed file name and a channel, File > Exit. The channel lists
# come from the frequency setting (vm_guest_tool lists); the screen and the recording are
# checked on the way, and every screenshot is kept in SHOTS_DIR.
#
# usage: window.sh ORVALEN_PROGRAM VM_GUEST_TOOL SHOTS_DIR
set -euo pipefail

program=$(realpath "$1")
tool=$(realpath "$2")
shots=$(realpath "$3")
readonly recording_name=vidtv-recording.ts
readonly recording_seconds=5
readonly peak_db=55

# shellcheck source=tests/e2e/xsession.sh
source "$(dirname "$0")/../e2e/xsession.sh"

session_begin
mkdir -p "$SESSION_DIR/lists"
"$tool" lists "$SESSION_DIR/lists" || session_fail "no list files"
start_xserver
start_program "$program" "$SESSION_DIR/lists" --card=dvb

located() {
    screenshot "$shots/start.png" && locate_client_view "$shots/start.png"
}
wait_until 120 located || session_fail "no meter bars in the main window"

expected=$("$tool" sweep-points)

# --- File > Create 1, then Tuner 1 > Sat 1 > its last channel (the guest checks before leave
# vidtv locked on the first): vidtv locks, tuner 1's quality bar fills, and tuner 2, without a
# graph, shows nothing ---------------------------------------------------------------------------
focus_main_window
press alt+f Down Return
screenshot "$shots/created.png"
last_channel=(alt+f Right Right)
for _ in $(seq 2 "$(wc -l <<<"$expected")"); do last_channel+=(Down); done
press "${last_channel[@]}" Return
locked() {
    screenshot "$shots/$1.png" && [ "$(bar_start_colour "$shots/$1.png" 1 1)" = "$BAR_CURRENT" ]
}
wait_until 120 locked tuned || session_fail "the last channel of Tuner 1 > Sat 1 did not lock"
[ "$(bar_start_colour "$shots/tuned.png" 2 0)" = "$BAR_REST" ] || session_fail "tuner 2 shows a level"

# --- Ctrl+1: the sweep's trace peaks at the carried IFs and nowhere else -----------------------
# A peak is a run of plot columns whose trace rises above `peak_db`; it is represented by its
# highest column. vidtv's carriers reach about 75 dB; between them it reports no level at all,
# which the plot shows below its 30 dB floor. A column that reaches the plot's top edge is a step
# whose level could not be read (the program draws it at full scale): it is listed apart.
trace_peaks() {
    local limit=$(((80 - peak_db) * (PLOT_HEIGHT - 1) / 50))
    colour_pixels "$1" "$((CLIENT_LEFT + PLOT_LEFT))" "$((CLIENT_TOP + PLOT_TOP))" "$PLOT_WIDTH" \
        "$PLOT_HEIGHT" "$TRACE_GREEN" |
        awk -F, '!($1 in top) || $2 + 0 < top[$1] { top[$1] = $2 + 0 } END { for (x in top) print x, top[x] }' |
        sort -n |
        awk -v limit="$limit" -v unread="$SESSION_DIR/unread-steps" '
            $2 == 0 { print $1 >> unread; next }
            $1 != last + 1 || $2 > limit { if (best != "") print best; best = "" }
            $2 <= limit && (best == "" || $2 < bestTop) { best = $1; bestTop = $2 }
            { last = $1 }
            END { if (best != "") print best }'
}
# Every carried IF's sweep point, within a column, and no other peak.
peaks_as_carried() {
    screenshot "$shots/swept.png" || return 1
    peaks=$(trace_peaks "$shots/swept.png")
    [ "$(wc -w <<<"$peaks")" -eq "$(wc -w <<<"$expected")" ] || return 1
    local point
    for point in $expected; do
        grep -qxE "$((point - 1))|$point|$((point + 1))" <<<"$peaks" || return 1
    done
}
peaks=""
press ctrl+1
wait_until 300 peaks_as_carried ||
    session_fail "the trace peaks at plot columns $(tr '\n' ' ' <<<"$peaks")instead of $(tr '\n' ' ' <<<"$expected")"
if [ -s "$SESSION_DIR/unread-steps" ]; then
    echo "NOTE: sweep steps drawn at full scale (level not read) at plot columns" \
        "$(sort -nu "$SESSION_DIR/unread-steps" | tr '\n' ' ')"
fi

# --- File > Record 1, a typed file name, then the first channel: five seconds of its stream ----
focus_main_window
press alt+f Down Down Down Return
record_dialog_open() {
    [ -n "$(program_window '^Save As$')" ]
}
wait_until 60 record_dialog_open || session_fail "Record 1 opened no file dialog"
xdotool windowfocus --sync "$(program_window '^Save As$')"
type_text "$recording_name"
press Return
wait_until 30 eval '! record_dialog_open' || session_fail "the file dialog stayed open"
focus_main_window
press alt+f Right Right Return
wait_until 120 locked recording || session_fail "the recording graph did not lock"
sleep "$recording_seconds"

# --- File > Exit: the program ends with status 0 and the recording is complete -----------------
focus_main_window
press alt+f x
wait_until 60 process_ended "$APP_PID" || session_fail "the program did not end after File > Exit"
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" -eq 0 ] || session_fail "the program ended with status $status"
"$tool" recording "$SESSION_DIR/work/$recording_name" || session_fail "the recording does not hold vidtv's stream whole"
echo "PASS: created, locked, swept with peaks at every carried IF, recorded, exited with 0"
