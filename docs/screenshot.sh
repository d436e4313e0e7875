#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window on a private Xvfb server after tuner 1 has swept the
# band and both tuners are tuned to an example channel, cropped to the window.
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

focus_main_window
press ctrl+a ctrl+1
swept() {
    screenshot "$shot" && [ "$(trace_columns "$shot")" -ge 595 ]
}
wait_until 180 swept || session_fail "no trace"

# A sweep leaves its tuner off the channel: both tune after it. Tuner 1 through File, Right;
# tuner 2 through File, Left past Help, View and CI. Each takes Sat 1's second channel.
press alt+f Right Right Down Return
press alt+f Left Left Left Left Right Down Return
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
