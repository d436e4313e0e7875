#!/usr/bin/env bash
# Runs inside the test machine, in a chroot into the host's root: each check in turn, with its
# result as one line on the serial console ("VM-CHECK name PASS|FAIL ...") and its whole output
# in the run's output folder, then the summary line and the end marker that the host waits for.
# Environment (from init.sh): VM_FREQS, VM_SOURCE, VM_BUILD, VM_OUT, VM_KCARD, VM_STAGES,
# VM_SOAK_S.
set -uo pipefail
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/var/tmp TMPDIR=/var/tmp XDG_RUNTIME_DIR=/run/user/0 LANG=C.UTF-8
export ORVALEN_VM_FREQS=$VM_FREQS
mkdir -p /run/user && mkdir -m 700 "$XDG_RUNTIME_DIR"

passed=0
failed=0

# Whether stage `name` runs: every stage unless VM_STAGES names some (a local shortcut).
stage() {
    [ "${VM_STAGES:-all}" = all ] || [[ ",$VM_STAGES," == *",$1,"* ]]
}

uptime_s() {
    cut -d' ' -f1 /proc/uptime
}

# Runs `command...` as check `name`; its output goes to $VM_OUT/name.log, and on failure the
# lines that say what failed also go to the console. Returns the command's success.
check() {
    local name=$1 start status=0
    shift
    start=$(uptime_s)
    if "$@" >"$VM_OUT/$name.log" 2>&1; then
        passed=$((passed + 1))
        echo "VM-CHECK $name PASS ($(awk -v a="$start" -v b="$(uptime_s)" 'BEGIN { printf "%.1f s", b - a }'))"
    else
        status=1
        failed=$((failed + 1))
        echo "VM-CHECK $name FAIL (log: $VM_OUT/$name.log)"
        grep -E 'FAIL|Failure|error' "$VM_OUT/$name.log" | head -n 40 | sed 's/^/    /'
    fi
    grep '^NOTE: ' "$VM_OUT/$name.log" | sed 's/^NOTE: /VM-INFO /'
    return "$status"
}

vidtv_frontend() {
    ls -l /dev/dvb/adapter0 && test -c /dev/dvb/adapter0/frontend0
}

backend_checks() {
    "$VM_BUILD/bin/vm_guest_checks" --gtest_color=no
}

window_session() {
    mkdir -p "$VM_OUT/window"
    bash "$VM_SOURCE/tests/vm/window.sh" "$VM_BUILD/bin/orvalen" "$VM_BUILD/bin/vm_guest_tool" \
        "$VM_OUT/window"
}

# The same window on the test card, both tuners and the CAM, its screenshots beside vidtv's.
testcard_window_session() {
    mkdir -p "$VM_OUT/window"
    bash "$VM_SOURCE/tests/vm/testcard/window.sh" "$VM_BUILD/bin/orvalen" \
        "$VM_BUILD/bin/vm_guest_tool" "$VM_SOURCE/examples" "$VM_OUT/window"
}

# shellcheck source=tests/vm/testcard/guest.sh
source "$VM_SOURCE/tests/vm/testcard/guest.sh"
# shellcheck source=tests/vm/testcard/scan.sh
source "$VM_SOURCE/tests/vm/testcard/scan.sh"

# The test card: its daemon plays the card behind the module, the checks drive it through the
# program's backend. Runs only when the card's control device is there (the module loaded).
testcard_daemon_pid=""
# A quarter of each transponder's bit rate: whole, paced streams that leave a machine without
# acceleration the time for the checks.
readonly testcard_rate_scale=0.25
# In layout 2 the CI module behaves as some real ones do, so that the kernel's CA core meets
# them: it answers the transport connection 1.5 s late, hands over several units in one read
# and chains units longer than 64 bytes.
readonly testcard_layout2_cam_quirks=late=1500,several-per-read,chain=64
testcard_start() {
    local layout=$1 quirks=()
    [ "$layout" = 2 ] && quirks=(--cam-quirks "$testcard_layout2_cam_quirks")
    export ORVALEN_TESTCARD_SOCKET=/run/orvalen-testcard.sock
    export ORVALEN_TESTCARD_BUS_LOG=$VM_OUT/testcard-layout$layout-bus.log
    echo "CAM quirks: ${quirks[*]:-none}"
    "$VM_BUILD/bin/orvalen-testcardd" --socket "$ORVALEN_TESTCARD_SOCKET" \
        --bus-log "$ORVALEN_TESTCARD_BUS_LOG" --rate-scale "$testcard_rate_scale" "${quirks[@]}" \
        2>"$VM_OUT/testcardd-layout$layout.log" &
    testcard_daemon_pid=$!
    local tries=0
    until [ -S "$ORVALEN_TESTCARD_SOCKET" ] || [ "$tries" -ge 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -S "$ORVALEN_TESTCARD_SOCKET" ]
}
# A daemon stuck in the kernel (a card that wedged its control channel) is a failure of its own,
# with the kernel's list of blocked tasks in its log, and is left behind so the run goes on.
testcard_stop() {
    [ -n "$testcard_daemon_pid" ] || return 0
    local pid=$testcard_daemon_pid status
    testcard_daemon_pid=""
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the test card's daemon does not end"
        echo w >/proc/sysrq-trigger
        return 1
    fi
    wait "$pid"
    status=$?
    return "$status"
}
# A hang is a failure of its own, with the kernel's view of the blocked tasks in its log.
testcard_run_checks() {
    local limit=$1
    shift
    timeout "$limit" "$VM_BUILD/bin/vm_testcard_checks" --gtest_color=no "$@" && return 0
    [ $? -eq 124 ] && { echo "FAIL: the test card's checks hung"; echo w >/proc/sysrq-trigger; }
    return 1
}
testcard_checks() {
    testcard_run_checks 480 --gtest_filter=-SoakTest.*
}
# The soak ends with the card unplugged, which ends it until the module is loaded again: last.
testcard_soak() {
    ORVALEN_TESTCARD_SOAK_S=${VM_SOAK_S:-120} testcard_run_checks $((${VM_SOAK_S:-120} + 120)) \
        --gtest_filter=SoakTest.*
}
# No oops, warning or hung task in the kernel's log since the stage began.
testcard_kernel_clean() {
    local complaints
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; return 1; }
}
# Runs the test card's checks in `layout` against the module already loaded.
testcard_stage() {
    local layout=$1
    [ -c /dev/kcard ] || return 0
    kernel_complaints >/dev/null
    check "testcard-layout$layout-daemon" testcard_start "$layout"
    if [ -S "$ORVALEN_TESTCARD_SOCKET" ]; then
        # A program nobody here wrote: Vestra's 10785 V (DVB-S2 8PSK) behind switch input 1.
        if stage card; then
            check "testcard-layout$layout-dvbv5-zap" testcard_dvbv5_zap 1 1 10785000 VERTICAL \
                23000000 DVBS2 PSK/8
            # Helion's multistream carrier, 10883 V: streams 0, 5 and 12, the last behind gold
            # code 8 (which dvbv5-zap cannot send), and no stream 7.
            check "testcard-layout$layout-dvbv5-multistream" testcard_dvbv5_multistream 0 10883000 \
                VERTICAL 45000000 0:11026 5:11201 12:- 7:-
            check "testcard-layout$layout" testcard_checks
        fi
        # one layout is enough for the scanners, which see the same sky through either
        [ "$layout" != 1 ] || check "testcard-layout$layout-scan" testcard_scan_check
        ! stage card || check "testcard-layout$layout-soak-unplug" testcard_soak
    fi
    check "testcard-layout$layout-daemon-stop" testcard_stop
    check "testcard-layout$layout-kernel" testcard_kernel_clean
}

echo "VM-INFO guest up at $(uptime_s) s, kernel $(uname -r)"
[ "${VM_STAGES:-all}" = all ] || echo "VM-INFO only the stages $VM_STAGES"
if stage vidtv; then
    check vidtv vidtv_frontend
    check backend backend_checks
    check window window_session
fi
# From here on the test card is the machine's only card.
check vidtv-unload vidtv_unload
if stage module; then
    check testcard-module-layout1 testcard_module_check 1
    check testcard-module-layout2 testcard_module_check 2
    check testcard-leaks testcard_load_cycles
fi
# The scan stage alone (a local shortcut) is the card stage's layout 1 without its other checks.
if stage card || stage scan; then
    for layout in 1 2; do
        stage card || [ "$layout" = 1 ] || continue
        check "testcard-layout$layout-load" testcard_load "$layout"
        testcard_stage "$layout"
        check "testcard-layout$layout-unload" testcard_unload
    done
fi
if stage window && check testcard-window-load testcard_load 1; then
    if check testcard-window-daemon testcard_start 1-window; then
        check testcard-window testcard_window_session
    fi
    check testcard-window-daemon-stop testcard_stop
    check testcard-window-unload testcard_unload
fi
backend="not run"
if [ -f "$VM_OUT/backend.log" ]; then
    tests=$(sed -n 's/^\[==========\] \([0-9]*\) tests from .* ran\..*/\1/p' "$VM_OUT/backend.log")
    backend="${tests:-no} tests; $(grep -c '^\[       OK \]' "$VM_OUT/backend.log") passed"
fi
echo "VM-SUMMARY $passed of $((passed + failed)) checks passed (backend: $backend)," \
    "frequencies $VM_FREQS, $(uptime_s) s of machine time"
echo "VM-END"
