#!/usr/bin/env bash
# The real program's window on the test card, in the test machine, driven only by keys as a
# person would drive it against a two-tuner card with a CAM: Ctrl+A, a channel on each tuner
# (both quality meters fill), Ctrl+1 and Ctrl+2 (both sweeps drawn, saved with Ctrl+S), a double
# click on a carrier of tuner 2's trace (tuner 2 locks there, the message pane names the carrier
# and its transport stream), CI > CAM menu walked to the PIN enquiry and back, Record 1 and
# Record 2 at once; then File > Exit. The
# recordings come last and end at once: at the stream's rate they would soon fill the machine.
# The channel lists are the example lists, which hold channels of the sky the card's daemon
# plays. Each step is checked on the screen or in the files the program writes, and each
# screenshot is kept in SHOTS_DIR under a name that says what it shows.
#
# usage: window.sh ORVALEN_PROGRAM VM_GUEST_TOOL EXAMPLES_DIR SHOTS_DIR [CARD_OPTION]
#   CARD_OPTION defaults to --card=dvb; --card=sim drives the same keys on the host.
set -euo pipefail

program=$(realpath "$1")
tool=$(realpath "$2")
examples=$(realpath "$3")
shots=$(realpath "$4")
card_option=${5:---card=dvb}
readonly recordings=(tuner1.ts tuner2.ts)
readonly spectrum_file=sweeps.csv
# The first channel of each tuner's list on the satellite it tunes: tuner 1 on Sat 1 (Helion),
# tuner 2 on Sat 2 (Vestra), so that the two tuners' cables carry different satellites.
readonly tuner1_list=T1-LNB1-A-Helion.csv tuner2_list=T2-LNB2-B-Vestra.csv
# The CAM's main menu lists its PIN item second; a cancelled enquiry returns to that menu.
readonly pin_item_row=1
# A step of the sweep counts as above the floor when it stands this many dB over the median.
readonly carrier_above_median_db=6
# The satellite tuner 2's list is on, as the card's daemon plays it: what a click there must lock.
tuner2_plan=$(dirname "$examples")/card/sky/B-Vestra.csv
# The first channel of tuner 2's list is on a horizontal low-band transponder: its sweep is of
# that polarisation and band, on the LNB's 9750 MHz oscillator.
readonly tuner2_sweep_polarisation=H tuner2_sweep_oscillator_mhz=9750

# shellcheck source=tests/e2e/xsession.sh
source "$(dirname "$0")/../../e2e/xsession.sh"

now_ms() {
    date +%s%3N
}
# A time the window took, for the run's summary: bounded below by the screenshot polling
# (a shot and its reading take most of a second in the test machine), never checked.
note_time() {
    echo "NOTE: time window on the test card: $1 $(($(now_ms) - $2)) ms"
}

session_begin
start_xserver
# What the message pane shows goes to the program's log too, as "messagepane: " lines.
export QT_LOGGING_RULES="orvalen.messagepane.info=true"
message_log=$SESSION_DIR/orvalen.log
start_program "$program" "$examples" "$card_option"
work=$SESSION_DIR/work

located() {
    screenshot "$shots/testcard-start.png" && locate_client_view "$shots/testcard-start.png"
}
wait_until 120 located || session_fail "no meter bars in the main window"

# --- Ctrl+A: both graphs report their levels ----------------------------------------------------
focus_main_window
started=$(now_ms)
press ctrl+a
both_report() {
    screenshot "$shots/testcard-created-both.png" &&
        [ "$(bar_start_colour "$shots/testcard-created-both.png" 1 0)" = "$BAR_CURRENT" ] &&
        [ "$(bar_start_colour "$shots/testcard-created-both.png" 2 0)" = "$BAR_CURRENT" ]
}
wait_until 120 both_report || session_fail "Ctrl+A did not bring both level meters up"
note_time "Ctrl+A to both level meters up" "$started"

# --- Tuner 1 > Sat 1 > its first channel, Tuner 2 > Sat 2 > its first channel -----------------
# From File, Right opens Tuner 1 on its Sat 1 and Right again enters Sat 1; Left goes round the
# menu bar the other way, to Tuner 2 after Help, View and CI: Down to its Sat 2, Right into it.
locked() {
    local shot=$shots/testcard-$1.png tuner
    screenshot "$shot" || return 1
    for tuner in "${@:2}"; do
        [ "$(bar_start_colour "$shot" "$tuner" 1)" = "$BAR_CURRENT" ] || return 1
    done
}
started=$(now_ms)
press alt+f Right Right Return
wait_until 120 locked tuned-tuner1 1 || session_fail "Tuner 1 > Sat 1's first channel did not lock"
note_time "channel chosen to tuner 1's quality meter up" "$started"
focus_main_window
started=$(now_ms)
press alt+f Left Left Left Left Down Right Return
wait_until 120 locked tuned-both 1 2 || session_fail "Tuner 2 > Sat 2's first channel did not lock"
note_time "channel chosen to tuner 2's quality meter up" "$started"

# --- Ctrl+1, Ctrl+S; Ctrl+2, Ctrl+S: each sweep drawn in its trace colour and saved ----------
# Saving is refused while a sweep runs, so the save dialog opening says the sweep has ended, and
# the next Spectrum command must start one. Both saves write every trace: the second file holds
# tuner 1's sweep and tuner 2's, a column each.
save_dialog_open() {
    [ -n "$(program_window '^Save As$')" ]
}
# Presses Ctrl+S until the save dialog opens (the sweep has ended) and saves under `name`.
save_sweeps() {
    local name=$1 tries
    for tries in $(seq 60); do
        focus_main_window
        press ctrl+s
        wait_until 5 save_dialog_open && break
    done
    save_dialog_open || session_fail "Ctrl+S opened no save dialog in $tries tries: the sweep did not end"
    xdotool windowfocus --sync "$(program_window '^Save As$')"
    type_text "$name"
    press Return
    wait_until 60 eval "[ -f '$work/$name' ] && ! save_dialog_open" ||
        session_fail "the sweeps were not saved in $name"
}
# Column `column` (2 for the first trace) of a saved file: "step level" per line.
saved_levels() {
    awk -F';' -v c="$2" 'NR > 1 { sub(/\r$/, ""); v = $c; sub(/,/, ".", v); print NR - 2, v + 0 }' "$1"
}
# A tuner's sweep in a saved file: 601 steps, the sky's carriers standing above the floor of the
# steps with a level, and on the screenshot `shot` a pixel of the trace's colour in the column of
# every step whose level lies on the plot (30 to 80 dB). A step the card has not answered within
# its settle time has no level (100 dB, the top of the scale) and is drawn off the picture: the
# card's daemon answers from user space, which a loaded test machine makes late, at times for
# most steps. A quarter of the steps with a level still show the carriers.
check_sweep() {
    local file=$1 column=$2 shot=$3 colour=$4 tuner=$(($2 - 1)) steps with_level median peaks missing
    steps=$(saved_levels "$file" "$column" | wc -l)
    [ "$steps" -eq 601 ] || session_fail "tuner $tuner's sweep has $steps steps"
    saved_levels "$file" "$column" | awk '$2 < 100 { print $2 }' | sort -n >"$SESSION_DIR/read"
    with_level=$(wc -l <"$SESSION_DIR/read")
    [ "$with_level" -ge 150 ] || session_fail "tuner $tuner's sweep has a level at only $with_level steps"
    median=$(sed -n "$(((with_level + 1) / 2))p" "$SESSION_DIR/read")
    peaks=$(awk -v floor="$median" -v above="$carrier_above_median_db" \
        '$1 >= floor + above { n++ } END { print n + 0 }' "$SESSION_DIR/read")
    saved_levels "$file" "$column" | awk '$2 >= 30 && $2 <= 80 { print $1 }' | sort >"$SESSION_DIR/on-plot"
    colour_pixels "$shot" "$((CLIENT_LEFT + PLOT_LEFT))" "$((CLIENT_TOP + PLOT_TOP))" "$PLOT_WIDTH" \
        "$PLOT_HEIGHT" "$colour" | cut -d, -f1 | sort -u >"$SESSION_DIR/drawn"
    missing=$(join -v 1 "$SESSION_DIR/on-plot" "$SESSION_DIR/drawn" | sort -n | tr '\n' ' ')
    echo "tuner $tuner's sweep: $steps steps, $with_level with a level, $peaks of them" \
        "$carrier_above_median_db dB or more above their median $median dB; not drawn: ${missing:-none}"
    if [ "$peaks" -lt 3 ] || [ "$peaks" -lt $((with_level / 60)) ]; then
        session_fail "tuner $tuner's sweep shows no carriers"
    fi
    [ "$(wc -w <<<"$missing")" -le 3 ] || session_fail "tuner $tuner's trace misses the steps $missing"
}
sweep_started() {
    screenshot "$shots/testcard-sweeping-tuner2.png" &&
        [ "$(trace_columns "$shots/testcard-sweeping-tuner2.png" "$TRACE_RED")" -gt 0 ]
}
focus_main_window
started=$(now_ms)
press ctrl+1
save_sweeps sweep-tuner1.csv
note_time "Ctrl+1 to tuner 1's sweep ended (601 steps; a save allowed)" "$started"
screenshot "$shots/testcard-swept-tuner1.png"
[ "$(head -n 1 "$work/sweep-tuner1.csv")" = $'Freq. Mhz;Tuner 1\r' ] ||
    session_fail "the first saved sweep is not tuner 1's: $(head -n 1 "$work/sweep-tuner1.csv")"
check_sweep "$work/sweep-tuner1.csv" 2 "$shots/testcard-swept-tuner1.png" "$TRACE_GREEN"
focus_main_window
started=$(now_ms)
press ctrl+2
wait_until 60 sweep_started || session_fail "Ctrl+2 started no sweep of tuner 2 after tuner 1's had ended"
save_sweeps "$spectrum_file"
note_time "Ctrl+2 to tuner 2's sweep ended (601 steps; a save allowed)" "$started"
screenshot "$shots/testcard-swept-both.png"
[ "$(head -n 1 "$work/$spectrum_file")" = $'Freq. Mhz;Tuner 1;Tuner 2\r' ] ||
    session_fail "the saved sweeps are not tuner 1's and tuner 2's: $(head -n 1 "$work/$spectrum_file")"
check_sweep "$work/$spectrum_file" 3 "$shots/testcard-swept-both.png" "$TRACE_RED"

# --- A double click on a carrier of tuner 2's trace: tuner 2 locks there -----------------------
# The widest run of steps of tuner 2's saved sweep that stand above the floor, "first last" (its
# carrier is the surest to be found where it was drawn); a step without a level ends a run.
widest_carrier_steps() {
    local levels median
    levels=$(saved_levels "$1" 3 | awk '$2 < 100 { print $2 }' | sort -n)
    median=$(sed -n "$((($(wc -l <<<"$levels") + 1) / 2))p" <<<"$levels")
    saved_levels "$1" 3 | awk -v median="$median" -v above="$carrier_above_median_db" '
        $2 < 100 { level[$1] = $2 }
        BEGIN { floor = median + above }
        END {
            for (step = 0; step <= 601; step++) {
                if (step in level && level[step] >= floor) {
                    if (run++ == 0) first = step
                    continue
                }
                if (run > best) { best = run; from = first; to = step - 1 }
                run = 0
            }
            if (best > 0) print from, to
        }'
}
# The plan's transport stream id of the POLARISATION transponder within half its symbol rate of
# MHZ, or nothing.
planned_tsid() {
    awk -F, -v mhz="$1" -v pol="$2" '$1 == "transponder" && $3 == pol {
        d = $2 - mhz; if (d < 0) d = -d
        if (d * 1000 <= $4 / 2) { print $11; exit }
    }' "$tuner2_plan"
}
# The carrier and its lock, as the message pane says them once tuner 2 has locked:
# "Tuner 2: 11090 MHz H, 29700 ksym/s: locked", the system that locked may follow in brackets.
said_locked() {
    grep -E "messagepane: Tuner 2: [0-9]+ MHz $tuner2_sweep_polarisation, [0-9]+ ksym/s: locked( \\(DVB-S2?\\))?\$" \
        "$message_log" | tail -n 1
}
# Once the tables of the locked carrier have come, the message pane names its transport stream
# (and the network, when its NIT names one): the line for carrier "F MHz P, SR ksym/s" in $1.
said_transport_stream() {
    grep -E "messagepane: Tuner 2: $1: transport stream [0-9]+(, network \".*\")?\$" "$message_log" | tail -n 1
}
some_line() {
    [ -n "$("$@")" ]
}
quality_fills_tuner2() {
    screenshot "$shots/testcard-carrier-click.png" &&
        [ "$(bar_start_colour "$shots/testcard-carrier-click.png" 2 1)" = "$BAR_CURRENT" ]
}
click_carrier_tuner2() {
    local steps first last column mhz carrier line tsid wanted
    steps=$(widest_carrier_steps "$work/$spectrum_file")
    [ -n "$steps" ] || session_fail "tuner 2's sweep shows no carrier to click"
    read -r first last <<<"$steps"
    column=$(((first + last) / 2))
    mhz=$((950 + 2 * column + tuner2_sweep_oscillator_mhz))
    echo "double click on tuner 2's carrier at steps $first to $last: column $column, about $mhz MHz"
    focus_main_window
    started=$(now_ms)
    xdotool mousemove --sync "$((CLIENT_LEFT + PLOT_LEFT + column))" \
        "$((CLIENT_TOP + PLOT_TOP + PLOT_HEIGHT / 2))" click --repeat 2 --delay 80 1
    wait_until 60 quality_fills_tuner2 ||
        session_fail "tuner 2's quality bar did not fill after the double click: $(tail -n 3 "$message_log")"
    note_time "double click on tuner 2's carrier to its quality meter up" "$started"
    wait_until 60 some_line said_locked ||
        session_fail "the message pane did not say tuner 2 locked: $(tail -n 3 "$message_log")"
    line=$(said_locked)
    echo "message pane: ${line#*messagepane: }"
    carrier=$(sed -E 's/.*Tuner 2: (.*): locked.*/\1/' <<<"$line")
    wait_until 60 some_line said_transport_stream "$carrier" ||
        session_fail "the message pane did not name tuner 2's transport stream: $(tail -n 3 "$message_log")"
    line=$(said_transport_stream "$carrier")
    echo "message pane: ${line#*messagepane: }"
    tsid=$(sed -E 's/.*transport stream ([0-9]+).*/\1/' <<<"$line")
    wanted=$(planned_tsid "${carrier%% MHz*}" "$tuner2_sweep_polarisation")
    [ "$tsid" = "$wanted" ] ||
        session_fail "tuner 2 locked transport stream $tsid at $carrier, where the sky has ${wanted:-none}"
}
click_carrier_tuner2

# --- CI > CAM menu: the CAM's menu, its PIN item, the PIN enquiry, Cancel back to the menu,
# Cancel again: the CAM ends the dialogue and the dialog goes ----------------------------------
cam_dialog() {
    program_window '^Cam menu$'
}
# The dialog's look on a shot of its own: a menu fills the middle with its list; an enquiry
# shows only its answer field near the top, over the dialog's plain background.
cam_shows() {
    local shot=$shots/testcard-cam-$1.png id width height list field
    id=$(cam_dialog)
    [ -n "$id" ] && import -window "$id" "$shot" || return 1
    read -r width height <<<"$(identify -format '%w %h' "$shot")"
    list=$(pixels "$shot" "$((width / 2))" "$((height * 120 / 235))" 1 1 | awk '{ print $2 }')
    field=$(pixels "$shot" "$((width / 2))" "$((height * 56 / 235))" 1 1 | awk '{ print $2 }')
    case $1 in
        menu | menu-again) [ "$list" = "255,255,255" ] ;;
        pin-enquiry) [ "$list" != "255,255,255" ] && [ "$field" = "255,255,255" ] ;;
    esac
}
cam_gone() {
    [ -z "$(cam_dialog)" ]
}
focus_main_window
# From View, Left opens CI on its first item, "CAM Menu ..." (its text names the CAM by now).
press alt+v Left Return
wait_until 60 cam_shows menu || session_fail "CI > CAM menu showed no menu"
xdotool windowfocus --sync "$(cam_dialog)"
keys=(Home)
for _ in $(seq "$pin_item_row"); do keys+=(Down); done
press "${keys[@]}" Return
wait_until 30 cam_shows pin-enquiry || session_fail "the CAM's PIN item asked for no PIN"
press Escape
wait_until 30 cam_shows menu-again || session_fail "cancelling the PIN enquiry did not return to the menu"
press Escape
wait_until 30 cam_gone || session_fail "leaving the CAM's menu left the dialog open"
screenshot "$shots/testcard-cam-closed.png"

# --- File > Record 1, a name, Tuner 1's channel; File > Record 2, a name, Tuner 2's channel ----
record() {
    local tuner=$1 name=$2 to_record=(alt+f Down Down Down) to_channel=(alt+f Right Right)
    [ "$tuner" -eq 1 ] || to_record+=(Down)
    [ "$tuner" -eq 1 ] || to_channel=(alt+f Left Left Left Left Down Right)
    focus_main_window
    press "${to_record[@]}" Return
    wait_until 60 save_dialog_open || session_fail "Record $tuner opened no file dialog"
    xdotool windowfocus --sync "$(program_window '^Save As$')"
    type_text "$name"
    press Return
    wait_until 30 eval '! save_dialog_open' || session_fail "the file dialog stayed open"
    focus_main_window
    press "${to_channel[@]}" Return
}
record 1 "${recordings[0]}"
wait_until 120 locked recording-tuner1 1 || session_fail "tuner 1's recording graph did not lock"
record 2 "${recordings[1]}"
wait_until 120 locked recording-both 1 2 || session_fail "tuner 2's recording graph did not lock"
sizes() {
    stat -c %s "$work/${recordings[0]}" "$work/${recordings[1]}" 2>/dev/null | tr '\n' ' '
}
before=$(sizes)
sleep 3
after=$(sizes)
read -r first1 first2 <<<"$before"
read -r then1 then2 <<<"$after"
echo "recordings: $before bytes, 3 s later $after bytes"
if [ "${then1:-0}" -le "${first1:-0}" ] || [ "${then2:-0}" -le "${first2:-0}" ]; then
    session_fail "the recordings do not both grow: $before, then $after bytes"
fi

# --- File > Exit: status 0, both recordings whole, each its own transponder's --------------------
focus_main_window
press alt+f x
wait_until 60 process_ended "$APP_PID" || session_fail "the program did not end after File > Exit"
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" -eq 0 ] || session_fail "the program ended with status $status"
# The transport stream id of a list file's first channel (its column is named TSID).
first_tsid() {
    awk -F',' 'NR == 1 { for (i = 1; i <= NF; i++) if (toupper($i) == "TSID") c = i; next }
               { print $c; exit }' "$examples/$1"
}
"$tool" recording "$work/${recordings[0]}" "$(first_tsid "$tuner1_list")" ||
    session_fail "tuner 1's recording is not its transponder's stream, whole"
"$tool" recording "$work/${recordings[1]}" "$(first_tsid "$tuner2_list")" ||
    session_fail "tuner 2's recording is not its transponder's stream, whole"
echo "PASS: both tuners created, locked, swept, recorded at once; the CAM's menu walked to its PIN" \
    "enquiry and back; exited with 0"
