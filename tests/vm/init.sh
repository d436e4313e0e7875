#!/bin/sh
# The first process of the test machine, run by busybox from the initial RAM disk. It loads the
# kernel's virtual DVB card with the frequencies under test, mounts the host's root, the source
# tree and the build tree (read-only) and the run's output folder (writable) over 9p, and runs
# guest.sh from the source tree in a chroot there, so the guest runs the host's own programs and
# libraries unchanged. run.sh writes /vm.conf beside this script: VM_FREQS, VM_SOURCE, VM_BUILD,
# VM_OUT, VM_STAGES, VM_SOAK_S.
export PATH=/bin:/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
# The RAM disk has no device nodes of its own: the console comes with devtmpfs.
exec </dev/console >/dev/console 2>&1
# shellcheck source=/dev/null
. /vm.conf

# A failure here ends the run at once: the host sees a failed check and no end marker.
halt_with() {
    echo "VM-CHECK boot FAIL $*"
    poweroff -f
}

depmod -a
for module in virtio_pci 9pnet_virtio 9p; do
    modprobe "$module" || halt_with "modprobe $module"
done
mkdir -p /host
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose host /host ||
    halt_with "the host's root did not mount"

# vidtv takes its satellite frequencies in kHz; the bridge loads its tuner and demodulator.
khz=""
for mhz in $(echo "$VM_FREQS" | tr ',' ' '); do
    khz="$khz${khz:+,}$((mhz * 1000))"
done
modprobe dvb_vidtv_bridge "vidtv_valid_dvb_s_freqs=$khz" || halt_with "modprobe dvb_vidtv_bridge"
echo "VM-INFO vidtv loaded with vidtv_valid_dvb_s_freqs=$khz"

mount -t proc proc /host/proc
mount -t sysfs sysfs /host/sys
mount -t devtmpfs devtmpfs /host/dev
mkdir -p /host/dev/pts && mount -t devpts devpts /host/dev/pts
for scratch in /run /tmp /var/tmp; do
    mount -t tmpfs tmpfs "/host$scratch"
done
# The test card's module, for guest.sh to load once vidtv's checks are done.
cp "/lib/modules/$(uname -r)/extra/kcard.ko" /host/run/kcard.ko ||
    halt_with "the test card's module is not in the RAM disk"
# The source and build trees come on shares of their own, mounted at their host paths after the
# scratch folders so that a clone under /tmp is not hidden by them. Whichever path is shorter
# goes first: a build tree inside the source tree is mounted over the source share, not under it.
mount_tree() {
    mkdir -p "/host$2" || halt_with "no mount point for the $1 tree at $2"
    mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose "$1" "/host$2" ||
        halt_with "the $1 tree ($2) did not mount"
}
if [ ${#VM_SOURCE} -le ${#VM_BUILD} ]; then
    mount_tree source "$VM_SOURCE"
    mount_tree build "$VM_BUILD"
else
    mount_tree build "$VM_BUILD"
    mount_tree source "$VM_SOURCE"
fi
# No caching on the output share: what the guest writes must be on the host at power-off.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out "/host$VM_OUT" ||
    halt_with "the output folder did not mount"
chroot /host /usr/bin/env -i VM_FREQS="$VM_FREQS" VM_SOURCE="$VM_SOURCE" VM_BUILD="$VM_BUILD" \
    VM_OUT="$VM_OUT" VM_STAGES="$VM_STAGES" VM_SOAK_S="$VM_SOAK_S" VM_KCARD=/run/kcard.ko \
    /bin/bash "$VM_SOURCE/tests/vm/guest.sh" ||
    echo "VM-CHECK guest FAIL guest.sh ended with status $?"
sync
poweroff -f
