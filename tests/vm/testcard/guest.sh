# shellcheck shell=bash
# The test card in the test machine: loading and unloading its module in either layout, the
# module's own check through the kernel's devices, and ten loads and unloads that must leave
# nothing behind. Sourced by tests/vm/guest.sh (VM_BUILD, VM_KCARD: the module's path).
# The chroot has no module tools of its own; the host's static busybox has them.

# The kernel's virtual card goes first, so the test card is the only one in the machine. vidtv's
# driver is unbound rather than unloaded: its bridge leaves its I2C adapter registered when it
# goes, and with the module's memory gone that adapter would oops the machine's power-off.
vidtv_unload() {
    echo vidtv.0 >/sys/bus/platform/drivers/vidtv/unbind || return 1
    ! ls /dev/dvb/adapter* >/dev/null 2>&1
}

# testcard_load LAYOUT [PARAMETER=VALUE...]: LAYOUT 1 puts both tuners on one adapter, 2 gives
# each its own. Returns once the control device and every node of the layout are there.
testcard_load() {
    local layout=$1 i node
    shift
    busybox insmod "$VM_KCARD" "adapters=$layout" "$@" || return 1
    TESTCARD_LAYOUT=$layout
    for node in /dev/kcard /dev/dvb/adapter0/frontend$((2 - layout)) /dev/dvb/adapter$((layout - 1))/dvr0 \
        /dev/dvb/adapter0/ca0; do
        for i in $(seq 50); do
            [ -e "$node" ] && break
            sleep 0.1
        done
        [ -e "$node" ] || { echo "no $node after loading the test card"; return 1; }
    done
    echo "test card loaded in layout $layout at $(uptime_s) s"
}

# The adapter and the frontend (= demux = dvr) number of TUNER (0 or 1) in the loaded layout.
testcard_nodes() {
    if [ "$TESTCARD_LAYOUT" = 1 ]; then echo "0 $1"; else echo "$1 0"; fi
}

# Where dvbv5-zap's channel file, log and recording for TUNER [and STREAM_ID] go.
testcard_dvbv5_dir() {
    echo "$VM_OUT/dvbv5-zap-layout$TESTCARD_LAYOUT-tuner$1${2:+-isi$2}"
}

# testcard_dvbv5_run TUNER SAT FREQUENCY_KHZ POLARIZATION SYMBOL_RATE DELIVERY_SYSTEM MODULATION
#                    [STREAM_ID]
# Debian's dvbv5-zap, a program nobody here wrote, tunes TUNER to a transponder behind an
# extended universal LNB (LO 9750/10600 MHz, switch at 11700 MHz) on committed-switch input SAT
# (0..3), waits for the lock and records the whole stream for 5 s with its own options, in
# testcard_dvbv5_dir; its status is dvbv5-zap's. The card behind the module (the daemon) must be
# running. POLARIZATION is HORIZONTAL or VERTICAL, DELIVERY_SYSTEM DVBS or DVBS2, MODULATION
# QPSK or PSK/8, as dvbv5's channel files spell them; on a multistream carrier STREAM_ID picks
# the input stream (dvb-tools 1.22 cannot carry a gold code: it does not store
# SCRAMBLING_SEQUENCE_INDEX for DVB-S2). dvb-tools 1.22 puts 13 V on the LNB for either
# polarisation and names the polarisation only in the committed-switch message, so a
# transponder behind an LNB that follows its supply must be a vertical one.
testcard_dvbv5_run() {
    local tuner=$1 sat=$2 khz=$3 pol=$4 rate=$5 delsys=$6 modulation=$7 isi=${8:-}
    local adapter frontend dir
    read -r adapter frontend <<<"$(testcard_nodes "$tuner")"
    dir=$(testcard_dvbv5_dir "$tuner" "$isi")
    mkdir -p "$dir"
    cat >"$dir/channels.conf" <<CHANNELS
[testcard]
	DELIVERY_SYSTEM = $delsys
	FREQUENCY = $khz
	POLARIZATION = $pol
	SYMBOL_RATE = $rate
	INNER_FEC = AUTO
	MODULATION = $modulation
	INVERSION = AUTO
CHANNELS
    [ -z "$isi" ] || printf '\tSTREAM_ID = %s\n' "$isi" >>"$dir/channels.conf"
    timeout 60 dvbv5-zap -a "$adapter" -f "$frontend" -d "$frontend" -l EXTENDED -S "$sat" \
        -c "$dir/channels.conf" -P -r -o "$dir/record.ts" -t 5 testcard >"$dir/zap.log" 2>&1
}

# testcard_dvbv5_zap: testcard_dvbv5_run's arguments. dvbv5-zap must lock and record whole
# packets.
testcard_dvbv5_zap() {
    local adapter frontend dir size bad
    read -r adapter frontend <<<"$(testcard_nodes "$1")"
    dir=$(testcard_dvbv5_dir "$1" "${8:-}")
    testcard_dvbv5_run "$@" ||
        { echo "FAIL: dvbv5-zap ended with status $? (log: $dir/zap.log)"; tail -n 20 "$dir/zap.log"; return 1; }
    grep -q 'Lock' "$dir/zap.log" || { echo "FAIL: dvbv5-zap saw no lock"; return 1; }
    size=$(stat -c %s "$dir/record.ts" 2>/dev/null || echo 0)
    # the first 5000 packets: a whole recording takes minutes to read through od in the machine
    bad=$(head -c $((188 * 5000)) "$dir/record.ts" | od -An -tx1 -v -w188 | awk '$1 != "47"' | wc -l)
    echo "dvbv5-zap on adapter $adapter frontend $frontend: $size bytes recorded," \
        "$bad of the first 5000 packets out of sync"
    if [ "$size" -eq 0 ] || [ $((size % 188)) -ne 0 ] || [ "$bad" -ne 0 ]; then
        echo "FAIL: the recording is not whole packets"
        return 1
    fi
}

# The transport stream id in the first PAT of the recording FILE, or nothing. The PAT's
# packets carry no adaptation field and start their section at once (pointer field 0). A PAT
# comes every 0.1 s, which on Helion's multistream carrier is every 7800 packets or so: the
# first 20000 hold one.
ts_first_pat_tsid() {
    local hex
    hex=$(head -c $((188 * 20000)) "$1" | od -An -tx1 -v -w188 | awk '$1 == "47" && $2 == "40" && $3 == "00" &&
        $5 == "00" && $6 == "00" { print $9 $10; exit }')
    [ -n "$hex" ] && echo $((16#$hex))
}

# testcard_dvbv5_multistream SAT FREQUENCY_KHZ POLARIZATION SYMBOL_RATE ISI:TSID...
# dvbv5-zap tunes tuner 1 to input streams of a multistream DVB-S2 8PSK carrier in turn: with
# TSID, the recording must hold that stream's own PAT; with "-", the card must not lock (a
# stream the carrier lacks, or one behind a gold code dvbv5-zap cannot send).
testcard_dvbv5_multistream() {
    local sat=$1 khz=$2 pol=$3 rate=$4 stream isi tsid seen dir failed=0
    shift 4
    for stream in "$@"; do
        IFS=: read -r isi tsid <<<"$stream"
        dir=$(testcard_dvbv5_dir 1 "$isi")
        if [ "$tsid" = - ]; then
            if testcard_dvbv5_run 1 "$sat" "$khz" "$pol" "$rate" DVBS2 PSK/8 "$isi" ||
                ! grep -q "doesn't lock" "$dir/zap.log"; then
                echo "FAIL: input stream $isi locked (log: $dir/zap.log)"
                failed=1
            else
                echo "dvbv5-zap on input stream $isi: no lock, as it should be"
            fi
            continue
        fi
        testcard_dvbv5_zap 1 "$sat" "$khz" "$pol" "$rate" DVBS2 PSK/8 "$isi" || {
            failed=1
            continue
        }
        seen=$(ts_first_pat_tsid "$dir/record.ts")
        echo "dvbv5-zap on input stream $isi: PAT of TSID ${seen:-none}"
        [ "$seen" = "$tsid" ] || { echo "FAIL: input stream $isi carries TSID $tsid"; failed=1; }
    done
    return "$failed"
}

# Unloads the module; the devices' last users may take a moment to let go. An unload that hangs
# in the kernel (a device whose users never leave) is left behind with the blocked tasks listed
# in kernel.log, so the run still reaches its end.
testcard_unload() {
    local i pid
    for i in $(seq 50); do
        [ -e /sys/module/kcard/refcnt ] && [ "$(cat /sys/module/kcard/refcnt)" = 0 ] && break
        sleep 0.1
    done
    busybox rmmod kcard &
    pid=$!
    for i in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; return; }
        sleep 0.1
    done
    echo "FAIL: unloading the test card hangs"
    echo w >/proc/sysrq-trigger
    return 1
}

# What the kernel logged since the last call, kept in the output folder: the lines that show
# a fault in the kernel.
kernel_complaints() {
    busybox dmesg -c | tee -a "$VM_OUT/kernel.log" |
        grep -E 'WARNING|BUG|Oops|Call Trace|refcount|underflow|use-after-free|blocked for more than' ||
        true
}

# Runs the module's check binary with ARGS; a hang is a failure, with the kernel's list of
# blocked tasks in kernel.log.
module_checks() {
    timeout 120 "$VM_BUILD/bin/vm_testcard_module_checks" --gtest_color=no "$@" && return 0
    [ $? -eq 124 ] && { echo "FAIL: the module's check hung"; echo w >/proc/sysrq-trigger; }
    return 1
}

# The module's own check in LAYOUT: everything through the devices, then the unplug on its own.
testcard_module_check() {
    local layout=$1 status=0 complaints
    kernel_complaints >/dev/null
    testcard_load "$layout" || return 1
    export VM_TESTCARD_LAYOUT=$layout
    module_checks --gtest_filter='-*Unplug*' || status=1
    module_checks --gtest_filter='*Unplug*' || status=1
    testcard_unload || { echo "FAIL: the module did not unload"; status=1; }
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; status=1; }
    return $status
}

# Objects in use per slab cache, "name count objects-a-slab" a line, into FILE, once what waits
# for an RCU grace period is freed and each cache is shrunk.
slab_objects() {
    local cache
    busybox usleep 500000
    for cache in /sys/kernel/slab/*/shrink; do echo 1 >"$cache"; done 2>/dev/null
    awk 'NR > 2 { print $1, $2, $5 }' /proc/slabinfo | sort >"$1"
}

meminfo_kb() {
    awk -v key="$1:" '$1 == key { print $2 }' /proc/meminfo
}

# Ten loads and unloads, each layout in turn, each waiting for the CI slot's link (which
# allocates the CA core's buffers): no cache may grow by an object a cycle, nor vmalloc by the
# module's buffers, nor the kernel complain. Only the caches the module and dvb-core use are
# compared (the page cache's and the files' own grow with whatever else the machine did), and
# SLUB counts a slab held by a CPU as wholly in use, so up to one slab a CPU of growth is the
# measurement's own noise, not a leak.
testcard_load_cycles() {
    local before=$TMPDIR/slab.before after=$TMPDIR/slab.after vmalloc_before vmalloc_after i
    local status=0 grown complaints
    # what the module and dvb-core allocate from: kmalloc, their threads, their device nodes
    local module_caches='^(kmalloc-|task_struct$|kernfs_node_cache$)'
    kernel_complaints >/dev/null
    testcard_load 1 && testcard_unload || return 1   # the first load's one-off costs
    slab_objects "$before"
    vmalloc_before=$(meminfo_kb VmallocUsed)
    # insmod returns with the devices registered; the CA core finds the CI module and sets up
    # its link within 0.1 s.
    for i in 1 2 3 4 5 6 7 8 9 10; do
        if ! busybox insmod "$VM_KCARD" "adapters=$((i % 2 + 1))" || ! busybox usleep 300000 ||
            ! busybox rmmod kcard; then
            echo "FAIL: cycle $i"
            return 1
        fi
    done
    echo "ten cycles done at $(uptime_s) s"
    slab_objects "$after"
    vmalloc_after=$(meminfo_kb VmallocUsed)
    echo "slab caches compared: $(grep -cE "$module_caches" "$after") ($module_caches); VmallocUsed ${vmalloc_before} kB before, ${vmalloc_after} kB after"
    grown=$(join "$before" "$after" | awk -v cpus="$(nproc)" -v caches="$module_caches" '
        $1 ~ caches && $4 - $2 >= 10 && $4 - $2 > cpus * $5 { printf "%s %d -> %d; ", $1, $2, $4 }')
    echo "compared caches (before -> after, objects a slab):"
    join "$before" "$after" | awk -v caches="$module_caches" '$1 ~ caches { printf "  %s %d -> %d (%d)\n", $1, $2, $4, $5 }'
    echo "caches grown by 10 objects or more: ${grown:-none}"
    [ -z "$grown" ] || status=1
    [ $((vmalloc_after - vmalloc_before)) -lt 640 ] || { echo "FAIL: vmalloc grew"; status=1; }
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; status=1; }
    echo "NOTE: testcard loaded and unloaded 10 times: ${grown:-no kmalloc, task or kernfs cache grew}, VmallocUsed $vmalloc_before -> $vmalloc_after kB"
    return $status
}
