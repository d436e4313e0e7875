# shellcheck shell=bash
# The test card in the test machine: loading and unloading its module in either layout, the
# module's own check through the kernel's devices, and ten loads and unloads that must leave
# nothing behind. Sourced by tests/vm/guest.sh (VM_BUILD, VM_KCARD: the module's path).
# The chroot has no module tools of its own; the host's static busybox has them.

# The kernel's virtual card goes first, so the test card is the only one in the machine.
vidtv_unload() {
    local module
    for module in dvb_vidtv_bridge dvb_vidtv_tuner dvb_vidtv_demod; do
        busybox rmmod "$module" || return 1
    done
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

# The module's own check in LAYOUT: everything through the devices, then the unplug on its own.
testcard_module_check() {
    local layout=$1 status=0 complaints
    kernel_complaints >/dev/null
    testcard_load "$layout" || return 1
    export VM_TESTCARD_LAYOUT=$layout
    "$VM_BUILD/bin/vm_testcard_module_checks" --gtest_color=no --gtest_filter='-*Unplug*' || status=1
    "$VM_BUILD/bin/vm_testcard_module_checks" --gtest_color=no --gtest_filter='*Unplug*' || status=1
    testcard_unload || { echo "FAIL: the module did not unload"; status=1; }
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; status=1; }
    return $status
}

# Objects in use per slab cache, "name count" a line.
slab_objects() {
    awk 'NR > 2 { print $1, $2 }' /proc/slabinfo | sort
}

meminfo_kb() {
    awk -v key="$1:" '$1 == key { print $2 }' /proc/meminfo
}

# Ten loads and unloads, each layout in turn, each waiting for the CI slot's link (which
# allocates the CA core's buffers): no cache may grow by an object a cycle, nor vmalloc by the
# module's buffers, nor the kernel complain.
testcard_load_cycles() {
    local before after vmalloc_before vmalloc_after i status=0 grown complaints
    kernel_complaints >/dev/null
    testcard_load 1 && sleep 0.5 && testcard_unload || return 1   # the first load's one-off costs
    sync && echo 3 >/proc/sys/vm/drop_caches
    before=$(slab_objects)
    vmalloc_before=$(meminfo_kb VmallocUsed)
    for i in $(seq 10); do
        testcard_load $((i % 2 + 1)) || return 1
        sleep 0.3
        testcard_unload || return 1
    done
    sync && echo 3 >/proc/sys/vm/drop_caches
    after=$(slab_objects)
    vmalloc_after=$(meminfo_kb VmallocUsed)
    echo "slab caches compared: $(wc -l <<<"$after"); VmallocUsed ${vmalloc_before} kB before, ${vmalloc_after} kB after"
    grown=$(join <(echo "$before") <(echo "$after") | awk '$3 - $2 >= 10 { print $1, $2, "->", $3 }')
    echo "caches grown by 10 objects or more: ${grown:-none}"
    [ -z "$grown" ] || status=1
    [ $((vmalloc_after - vmalloc_before)) -lt 640 ] || { echo "FAIL: vmalloc grew"; status=1; }
    complaints=$(kernel_complaints)
    [ -z "$complaints" ] || { echo "FAIL: the kernel complained:"; echo "$complaints"; status=1; }
    echo "NOTE: testcard loaded and unloaded 10 times: ${grown:-no cache grew}, VmallocUsed $vmalloc_before -> $vmalloc_after kB"
    return $status
}
