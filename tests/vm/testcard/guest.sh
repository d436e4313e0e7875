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

# Unloads the module; the devices' last users may take a moment to let go.
testcard_unload() {
    local i
    for i in $(seq 50); do
        busybox rmmod kcard 2>/dev/null && return 0
        sleep 0.1
    done
    busybox rmmod kcard
}

# What the kernel logged since the last call, kept in the output folder: the lines that show
# a fault in the kernel.
kernel_complaints() {
    busybox dmesg -c | tee -a "$VM_OUT/kernel.log" |
        grep -E 'WARNING|BUG|Oops|Call Trace|refcount|underflow|use-after-free' || true
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

# Objects in use per slab cache, "name count" a line, into FILE. Each cache is shrunk first, so
# objects parked in per-CPU slabs are not counted as in use.
slab_objects() {
    local cache
    for cache in /sys/kernel/slab/*/shrink; do echo 1 >"$cache"; done 2>/dev/null
    awk 'NR > 2 { print $1, $2 }' /proc/slabinfo | sort >"$1"
}

meminfo_kb() {
    awk -v key="$1:" '$1 == key { print $2 }' /proc/meminfo
}

# Ten loads and unloads, each layout in turn, each waiting for the CI slot's link (which
# allocates the CA core's buffers): no cache may grow by an object a cycle, nor vmalloc by the
# module's buffers, nor the kernel complain.
testcard_load_cycles() {
    local before=$TMPDIR/slab.before after=$TMPDIR/slab.after vmalloc_before vmalloc_after i
    local status=0 grown complaints
    kernel_complaints >/dev/null
    testcard_load 1 && testcard_unload || return 1   # the first load's one-off costs
    slab_objects "$before"
    vmalloc_before=$(meminfo_kb VmallocUsed)
    # insmod returns with the devices registered; the CA core finds the CI module and sets up
    # its link within 0.1 s.
    for i in 1 2 3 4 5 6 7 8 9 10; do
        busybox insmod "$VM_KCARD" "adapters=$((i % 2 + 1))" && busybox usleep 300000 &&
            busybox rmmod kcard || { echo "FAIL: cycle $i"; return 1; }
    done
    echo "ten cycles done at $(uptime_s) s"
    slab_objects "$after"
    vmalloc_after=$(meminfo_kb VmallocUsed)
    echo "slab caches compared: $(wc -l <"$after"); VmallocUsed ${vmalloc_before} kB before, ${vmalloc_after} kB after"
    grown=$(join "$before" "$after" | awk '$3 - $2 >= 10 { printf "%s %d -> %d; ", $1, $2, $3 }')
    echo "caches grown by 10 objects or more: ${grown:-none}"
    [ -z "$grown" ] || status=1
    [ $((vmalloc_after - vmalloc_before)) -lt 640 ] || { echo "FAIL: vmalloc grew"; status=1; }
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; status=1; }
    echo "NOTE: testcard loaded and unloaded 10 times: ${grown:-no slab cache grew by 10 objects}, VmallocUsed $vmalloc_before -> $vmalloc_after kB"
    return $status
}
