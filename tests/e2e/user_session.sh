#!/usr/bin/env bash
# A person's first session with the real program on its own X server, driven only by keys:
# Ctrl+A creates both tuner graphs, the keyboard walks Tuner 1 > Sat 1 to the first channel,
# File > Record 1 asks for a file name, which is typed, and Ctrl+1 right after it sweeps tuner 1
# without a click, Ctrl+S saves the sweep under a name typed into the file dialog, and
# File > Exit ends the program. The screen and the saved file are checked on the way.
#
# usage: user_session.sh ORVALEN_PROGRAM EXAMPLES_DIR
set -euo pipefail

program=$(realpath "$1")
examples=$(realpath "$2")
# shellcheck source=tests/e2e/xsession.sh
source "$(dirname "$0")/xsession.sh"
require_session_tools

begin_program_session "$program" "$examples"
shots=$SESSION_DIR

# --- the window as it opens: meters at zero, no picture --------------------------------------
[ "$(bar_start_colour "$shots/start.png" 1 0)" = "$BAR_REST" ] ||
    session_fail "tuner 1's level bar is not empty at start"
[ "$(trace_columns "$shots/start.png")" -eq 0 ] || session_fail "a trace before any sweep"

# --- Ctrl+A: both graphs report their level; nothing is locked yet -----------------------------
focus_main_window
press ctrl+a
graphs_report() {
    screenshot "$shots/created.png" &&
        [ "$(bar_start_colour "$shots/created.png" 1 0)" = "$BAR_CURRENT" ] &&
        [ "$(bar_start_colour "$shots/created.png" 2 0)" = "$BAR_CURRENT" ]
}
wait_until 60 graphs_report || session_fail "Ctrl+A did not bring both level meters up"
[ "$(bar_start_colour "$shots/created.png" 1 1)" = "$BAR_REST" ] ||
    session_fail "tuner 1 shows a quality before any channel was chosen"

# --- File, then Right to Tuner 1 (Sat 1 highlighted), Right into Sat 1, Enter on its first
# channel: tuner 1 locks, and its level and quality bars fill green ---------------------------
press alt+f Right Right Return
tuner1_locked() {
    screenshot "$shots/tuned.png" &&
        [ "$(bar_start_colour "$shots/tuned.png" 1 0)" = "$BAR_CURRENT" ] &&
        [ "$(bar_start_colour "$shots/tuned.png" 1 1)" = "$BAR_CURRENT" ]
}
wait_until 60 tuner1_locked || session_fail "choosing Tuner 1 > Sat 1's first channel did not lock tuner 1"
[ "$(bar_start_colour "$shots/tuned.png" 2 1)" = "$BAR_REST" ] ||
    session_fail "tuning tuner 1 gave tuner 2 a quality"

# --- File > Record 1: its save dialog has the keyboard; a typed name, Enter ---------------------
save_dialog() {
    program_window '^Save As$'
}
dialog_open() {
    [ -n "$(save_dialog)" ]
}
dialog_gone() {
    [ -z "$(save_dialog)" ]
}
press alt+f Down Down Down Return
wait_until 60 dialog_open || session_fail "Record 1 opened no save dialog"
type_text "tuner1.ts"
press Return
wait_until 60 dialog_gone || session_fail "the record dialog did not take the typed name"

# --- Ctrl+1 at once, with no click: the keyboard is back with the main window, and the sweep
# draws its green trace across the whole plot --------------------------------------------------
press ctrl+1
swept() {
    screenshot "$shots/swept.png" && [ "$(trace_columns "$shots/swept.png")" -ge 595 ]
}
wait_until 180 swept || session_fail "Ctrl+1 drew no complete trace (columns: $(trace_columns "$shots/swept.png"))"

# --- Ctrl+S: the save dialog, a typed name, Enter -----------------------------------------------
# Saving is refused until the sweep's end has arrived, which may be a moment after its last point
# is on the screen; a person would press Ctrl+S again, and so does this.
for _ in 1 2 3 4 5 6; do
    focus_main_window
    press ctrl+s
    wait_until 20 dialog_open && break
done
dialog=$(save_dialog)
[ -n "$dialog" ] || session_fail "Ctrl+S opened no save dialog"
xdotool windowfocus --sync "$dialog"
# The name field has the keyboard, holding the suggested name selected: typing replaces it.
type_text "first-sweep.csv"
press Return
csv="$SESSION_DIR/work/first-sweep.csv"
saved() {
    [ -f "$csv" ] && [ "$(wc -l <"$csv")" -ge 602 ] && [ -z "$(save_dialog)" ]
}
wait_until 60 saved || session_fail "the spectrum file was not written"

# --- the file: the header, one line per sweep point, CR LF line ends ---------------------------
[ "$(head -n 1 "$csv")" = $'Freq. Mhz;Tuner 1\r' ] || session_fail "wrong header: $(head -n 1 "$csv" | od -c | head -n 2)"
lines=$(wc -l <"$csv")
[ "$lines" -eq 602 ] || session_fail "$((lines - 1)) data lines instead of 601"
[ "$(tail -c 2 "$csv" | od -An -c | tr -d ' ')" = '\r\n' ] || session_fail "the last line does not end in CR LF"
bad=$(awk 'NR > 1 && $0 !~ ("^" (950 + 2 * (NR - 2)) ";[0-9]+,[0-9]\r$") { print NR ": " $0; exit }' "$csv")
[ -z "$bad" ] || session_fail "malformed data line $bad"

# --- the picture still shows the trace after the dialog has gone -------------------------------
screenshot "$shots/saved.png"
columns=$(trace_columns "$shots/saved.png")
[ "$columns" -ge 595 ] || session_fail "the trace covers only $columns of 601 plot columns after saving"

# --- File > Exit, with the keyboard back from the save dialog: the program ends by itself, with
# status 0 -------------------------------------------------------------------------------------
exit_program
echo "PASS: created, tuned, recorded, swept, saved $((lines - 1)) points, exited with 0"
