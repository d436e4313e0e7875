#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window on a private Xvfb server after each tuner has swept
# its input and both are tuned to an example channel, cropped to the window.
#
# usage: docs/screenshot.sh [ORVALEN_PROGRAM]   (default: build/bin/orvalen)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/bin/orvalen}")
# shellcheck source=tests/e2e/xsession.sh
source "$root/tests/e2e/xsession.sh"

session_begin
start_xserver
start_program "$program" "$root/examples"
shot=$SESSION_DIR/screen.png
located() {
    screenshot "$shot" && locate_client_view "$shot"
}
wait_until 60 located || session_fail "no meter bars in the main window"

# Tuner 1 takes Sat 1's second channel through File, Right; tuner 2 Sat 2's second channel
# through File, Left past Help, View and CI. Each sweep shows its tuner's LNB input: tuner 1
# Helion's horizontal low band, tuner 2 Vestra's vertical high band.
tune_both() {
    press alt+f Right Right Down Return
    press alt+f Left Left Left Left Down Right Down Return
}
focus_main_window
press ctrl+a
tune_both
press ctrl+1
swept() {   # colour
    screenshot "$shot" && [ "$(trace_columns "$shot" "$1")" -ge 595 ]
}
wait_until 180 swept "$TRACE_GREEN" || session_fail "no trace of tuner 1"
press ctrl+2
wait_until 180 swept "$TRACE_RED" || session_fail "no trace of tuner 2"

# A sweep leaves its tuner off the channel: both tune again after them.
tune_both
both_locked() {
    screenshot "$shot" &&
        [ "$(bar_start_colour "$shot" 1 1)" = "$BAR_CURRENT" ] &&
        [ "$(bar_start_colour "$shot" 2 1)" = "$BAR_CURRENT" ]
}
wait_until 60 both_locked || session_fail "the tuners did not lock"
sleep 3  # a few reports more, so that the peak marks show
screenshot "$shot"
geometry=$(xdotool getwindowgeometry --shell "$APP_WINDOW")
field() { sed -n "s/^$1=//p" <<<"$geometry"; }
convert "$shot" -crop "$(field WIDTH)x$(field HEIGHT)+$(field X)+$(field Y)" +repage \
    "$root/docs/screenshot.png"

press alt+f x
wait_until 60 process_ended "$APP_PID" || session_fail "the program did not end"
echo "wrote $root/docs/screenshot.png"
