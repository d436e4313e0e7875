# shellcheck shell=bash
# Driving Orvalen on a private X server the way a person does: a fresh Xvfb, the program started
# in a scratch copy of the example lists, keys pressed with xdotool, and screenshots read back
# pixel by pixel. Sourced by the end-to-end test and by docs/screenshot.sh.
#
# Every wait polls for what a person would see, with generous limits, because the machine running
# it may be slow and busy; nothing here measures speed.

SESSION_DIR=""  # scratch directory: the program's working directory, logs and screenshots
XVFB_PID=""
APP_PID=""
APP_WINDOW=""
CLIENT_LEFT=0  # screen position of the main window's client view
CLIENT_TOP=0

# Colours of the client view: meter bars and the first two traces of the spectrum picture.
readonly BAR_CURRENT="50,210,50"
readonly BAR_PEAK="210,50,50"
readonly BAR_REST="50,50,50"
readonly TRACE_GREEN="0,255,0"
readonly TRACE_RED="255,0,0"

# Client rows through the middle of each bar; index: 2 x (tuner - 1) + (0 level, 1 quality).
readonly BAR_ROWS=(122 177 272 327)
# The spectrum picture sits at (100, 400); its plot spans pixels 20-620 by 20-270 of it.
readonly PLOT_LEFT=120 PLOT_TOP=420 PLOT_WIDTH=601 PLOT_HEIGHT=251

session_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs `command...` every 0.2 s until it succeeds; false once `seconds` have passed.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# The scratch directory and the clean-up that ends whatever the session started. The directory
# is removed after a passing run and kept, with its logs and screenshots, after a failing one.
session_begin() {
    SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/orvalen-e2e.XXXXXX")
    trap session_end EXIT
    # A test run that is stopped from outside still ends the server and the program.
    trap 'exit 143' TERM INT HUP
}

session_end() {
    local status=$?
    set +e
    if [ "$status" -ne 0 ] && [ -n "$XVFB_PID" ]; then
        screenshot "$SESSION_DIR/at-failure.png"
    fi
    if [ -n "$APP_PID" ]; then
        kill "$APP_PID" 2>/dev/null
        wait_until 10 process_ended "$APP_PID" || kill -KILL "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    if [ "$status" -eq 0 ]; then
        rm -rf "$SESSION_DIR"
    else
        echo "--- program output ---" >&2
        tail -n 40 "$SESSION_DIR/orvalen.log" >&2 2>/dev/null
        echo "kept for inspection: $SESSION_DIR" >&2
    fi
    exit "$status"
}

# Xvfb on the first free display number, which it reports itself once it accepts clients. A
# server that loses the race for its number to another one starting at the same moment ends, or
# never answers; the next attempt takes another number.
start_xserver() {
    local attempt
    for attempt in 1 2 3 4 5; do
        rm -f "$SESSION_DIR/display"
        # -noreset: the server would otherwise reset as its last client leaves (the check
        # below), and refuse the program while it does.
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$SESSION_DIR/display" \
            >>"$SESSION_DIR/xvfb.log" 2>&1 &
        XVFB_PID=$!
        wait_until 60 xserver_settled && xserver_answers && return 0
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    done
    session_fail "Xvfb did not start (attempts: $attempt)"
}

# The server has reported its display number, or has ended.
xserver_settled() {
    test -s "$SESSION_DIR/display" || process_ended "$XVFB_PID"
}

xserver_answers() {
    process_ended "$XVFB_PID" && return 1
    DISPLAY=":$(tr -d '[:space:]' <"$SESSION_DIR/display")"
    export DISPLAY
    xdotool getdisplaygeometry >/dev/null 2>&1
}

# True when `pid` has ended (gone, or a zombie waiting to be reaped).
process_ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    [[ $state == Z* ]]
}

# The program's visible window whose title matches `title` (a regular expression), if any.
program_window() {
    xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null | head -n 1
}

main_window() {
    program_window '^Orvalen$'
}

# Starts `program` (with `arguments`) in a copy of `examples` on the session's display, as the
# only X client a person would see, and waits until its main window shows.
start_program() {
    local program=$1 examples=$2
    shift 2
    mkdir -p "$SESSION_DIR/work"
    cp -r "$examples/." "$SESSION_DIR/work/"
    # The program sees the X server, never an offscreen platform or a desktop's own dialogs.
    (cd "$SESSION_DIR/work" &&
        exec env -u QT_QPA_PLATFORMTHEME -u QT_SCALE_FACTOR QT_QPA_PLATFORM=xcb "$program" "$@") \
        >"$SESSION_DIR/orvalen.log" 2>&1 &
    APP_PID=$!
    wait_until 120 window_shown || session_fail "the main window did not appear"
    APP_WINDOW=$(main_window)
}

window_shown() {
    process_ended "$APP_PID" && session_fail "the program ended during start-up"
    [ -n "$(main_window)" ]
}

# Fails unless the tools a session drives X with are installed.
require_session_tools() {
    local tool
    for tool in Xvfb xdotool import convert; do
        command -v "$tool" >/dev/null || session_fail "$tool is missing (cmake/install-deps.sh installs it)"
    done
}

# File > Exit: the program ends by itself, with status 0.
exit_program() {
    press alt+f x
    wait_until 60 process_ended "$APP_PID" || session_fail "the program did not end after File > Exit"
    local status=0
    wait "$APP_PID" || status=$?
    APP_PID=""
    [ "$status" -eq 0 ] || session_fail "the program ended with status $status"
}

# A session on a fresh X server with `program` started in a copy of `examples`, once its client
# view is found on the screen (shot as start.png in the session's folder).
begin_program_session() {
    session_begin
    start_xserver
    start_program "$1" "$2"
    wait_until 60 client_view_located || session_fail "no meter bars in the main window"
}

client_view_located() {
    screenshot "$SESSION_DIR/start.png" && locate_client_view "$SESSION_DIR/start.png"
}

# Gives the main window the keyboard, as clicking it would.
focus_main_window() {
    xdotool windowfocus --sync "$APP_WINDOW"
}

# Presses each key in turn (xdotool names, e.g. ctrl+a, alt+f, Right, Return), a little apart.
press() {
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.3
    done
}

# Types `text` into whatever has the keyboard.
type_text() {
    xdotool type --delay 40 "$1"
}

# The whole screen as a PNG.
screenshot() {
    import -window root "$1"
}

# The colours of a `width` x `height` block at screen (x, y) as lines "x,y r,g,b".
pixels() {
    local file=$1 x=$2 y=$3 width=$4 height=$5
    convert "$file" -crop "${width}x${height}+${x}+${y}" +repage -depth 8 txt:- |
        sed -n 's/^\([0-9]*,[0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\)[,)].*/\1 \2,\3,\4/p'
}

# The pixels of `colour` ("r,g,b", not black) in a `width` x `height` block at screen (x, y), as
# lines "x,y" counted from the block's corner. Every other pixel is made transparent and only the
# rest is listed: a text dump of every pixel of the spectrum's plot takes tens of seconds in the
# test machine, this a fraction of one.
colour_pixels() {
    local file=$1 x=$2 y=$3 width=$4 height=$5 colour=$6
    convert "$file" -crop "${width}x${height}+${x}+${y}" +repage \
        -fill black +opaque "rgb($colour)" -transparent black sparse-color:- |
        tr ' ' '\n' | sed -n 's/^\([0-9]*,[0-9]*\),.*/\1/p'
}

# Finds the client view on a screenshot by its meter bars, which always cover client columns
# 100-1100 of rows 100-144: the first bar pixel down the column, then along the row.
locate_client_view() {
    local file=$1 geometry x y row column
    geometry=$(xdotool getwindowgeometry --shell "$APP_WINDOW") || return 1
    x=$(sed -n 's/^X=//p' <<<"$geometry")
    y=$(sed -n 's/^Y=//p' <<<"$geometry")
    row=$(pixels "$file" "$((x + 200))" "$y" 1 400 | awk -v a="$BAR_CURRENT" -v b="$BAR_PEAK" \
        -v c="$BAR_REST" '$2 == a || $2 == b || $2 == c { split($1, p, ","); print p[2]; exit }')
    [ -n "$row" ] || return 1
    column=$(pixels "$file" "$x" "$((y + row + 20))" 400 1 | awk -v a="$BAR_CURRENT" \
        -v b="$BAR_PEAK" -v c="$BAR_REST" '$2 == a || $2 == b || $2 == c { split($1, p, ","); print p[1]; exit }')
    [ -n "$column" ] || return 1
    CLIENT_TOP=$((y + row - 100))
    CLIENT_LEFT=$((x + column - 100))
}

# The colour of client pixel (x, y) on a screenshot.
client_pixel() {
    pixels "$1" "$((CLIENT_LEFT + $2))" "$((CLIENT_TOP + $3))" 1 1 | awk '{ print $2 }'
}

# The colour at the start of a tuner's bar (`kind` 0 level, 1 quality): green while the value is
# above zero, the rest-of-scale grey while it is zero.
bar_start_colour() {
    local file=$1 tuner=$2 kind=$3
    client_pixel "$file" 101 "${BAR_ROWS[$((2 * (tuner - 1) + kind))]}"
}

# How many of the plot's 601 columns hold a pixel of a trace's colour (the first trace's green
# unless given); the grid, its labels and the black background hold none.
trace_columns() {
    colour_pixels "$1" "$((CLIENT_LEFT + PLOT_LEFT))" "$((CLIENT_TOP + PLOT_TOP))" \
        "$PLOT_WIDTH" "$PLOT_HEIGHT" "${2:-$TRACE_GREEN}" | cut -d, -f1 | sort -u | wc -l
}
