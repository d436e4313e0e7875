#!/usr/bin/env bash
# The program against a real Linux kernel: boots Debian's own kernel in QEMU (TCG, no KVM), with
# the kernel's virtual DVB card (vidtv) tuned to the frequencies of ORVALEN_VM_FREQS, and runs
# the build tree's own programs there (guest.sh). Passes only when every guest check passed and
# the guest reached its end marker within the time limit.
#
# usage: tests/vm/run.sh BUILD_DIR
#   ORVALEN_VM_FREQS  Ku-band frequencies in MHz, comma-separated (default below)
#   ORVALEN_VM_CACHE  where downloads and the vidtv build are kept (default /var/cache/orvalen-vm)
#   ORVALEN_VM_STAGES only these guest stages, comma-separated (vidtv, module, card, window;
#                     scan: the card stage's scanners alone); for local iteration: the default
#                     runs every stage
#   ORVALEN_VM_SOAK_S how long the test card's soak records in each layout (default 120 s);
#                     for local iteration: the default run soaks two minutes
set -euo pipefail
readonly started=$SECONDS
readonly time_limit=1620  # seconds for the whole run, set-up included: about 1200 s on a
                          # quiet machine (250 s of it the two scanners compared on the test
                          # card), with room for a busy one

here=$(cd "$(dirname "$0")" && pwd)
# Both trees with their links resolved: the guest mounts them at these paths.
source_dir=$(cd "$here/../.." && pwd -P)
build_dir=$(realpath "$1")
out=$build_dir/vm
export ORVALEN_VM_FREQS=${ORVALEN_VM_FREQS:-10994,11362,12188,12522}

# shellcheck source=tests/vm/frequencies.sh
source "$here/frequencies.sh"
# shellcheck source=tests/vm/kernel.sh
source "$here/kernel.sh"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check_frequencies "$ORVALEN_VM_FREQS" || fail "ORVALEN_VM_FREQS=$ORVALEN_VM_FREQS cannot be tested"
[ -x "$build_dir/bin/orvalen" ] || fail "$build_dir/bin/orvalen is not built"

prepare_kernel
echo "kernel $KVER, vidtv built, cache $VM_CACHE ($((SECONDS - started)) s)"

# The initial RAM disk: busybox, the modules, init.sh and this run's settings.
rm -rf "$out"
mkdir -p "$out/guest" "$out/initramfs"
build_kcard "$here/testcard" "$out/kcard" || fail "the test card's module"
echo "test card's module built without warnings ($((SECONDS - started)) s)"
ramdisk=$out/initramfs
mkdir -p "$ramdisk"/{bin,sbin,proc,sys,dev,lib/modules}
cp /bin/busybox "$ramdisk/bin/"
for tool in $(/bin/busybox --list); do [ "$tool" = busybox ] || ln -s busybox "$ramdisk/bin/$tool"; done
# The kernel asks /sbin/modprobe for the modules that vidtv's bridge pulls in.
ln -s ../bin/busybox "$ramdisk/sbin/modprobe"
cp -r "$MODULES_DIR" "$ramdisk/lib/modules/"
mkdir -p "$ramdisk/lib/modules/$KVER/extra"
cp "$VIDTV_DIR"/*.ko "$KCARD_KO" "$ramdisk/lib/modules/$KVER/extra/"
cp "$here/init.sh" "$ramdisk/init"
cat >"$ramdisk/vm.conf" <<CONF
VM_FREQS=$ORVALEN_VM_FREQS
VM_SOURCE=$source_dir
VM_BUILD=$build_dir
VM_OUT=$out/guest
VM_STAGES=${ORVALEN_VM_STAGES:-all}
VM_SOAK_S=${ORVALEN_VM_SOAK_S:-120}
CONF
(cd "$ramdisk" && find . | cpio -o -H newc --quiet) >"$out/initramfs.cpio"
rm -rf "$ramdisk"

remaining=$((time_limit - (SECONDS - started)))
echo "booting the test machine (at most $remaining s)"
qemu_status=0
timeout --kill-after=10 "$remaining" qemu-system-x86_64 -accel tcg -m 2048 -smp 2 \
    -display none -monitor none -no-reboot -serial "file:$out/console.log" \
    -kernel "$VMLINUZ" -initrd "$out/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 quiet loglevel=3" \
    -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$source_dir,mount_tag=source,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$build_dir,mount_tag=build,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$out/guest,mount_tag=out,security_model=none,multidevs=remap" \
    </dev/null >"$out/qemu.log" 2>&1 || qemu_status=$?

console=$(tr -d '\r' <"$out/console.log")
grep -E '^VM-(CHECK|SUMMARY|INFO)|^    ' <<<"$console" || true
echo "whole run: $((SECONDS - started)) s; console, logs and screenshots in $out"
if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
    fail "time-out: the test machine ran out of its $remaining s"
fi
[ "$qemu_status" -eq 0 ] || { cat "$out/qemu.log" >&2; fail "QEMU ended with status $qemu_status"; }
if ! grep -q '^VM-END$' <<<"$console"; then
    tail -n 40 <<<"$console" >&2
    fail "the guest did not reach its end marker"
fi
grep -q '^VM-CHECK .* FAIL' <<<"$console" && fail "a guest check failed"
# The console shows the kernel's own reports of a crash, also those after the end marker (the
# power-off walks every device still registered).
if grep -qE '^\[ *[0-9.]+\] (BUG:|Oops:|general protection fault|kernel BUG)' <<<"$console"; then
    grep -E -A 12 '^\[ *[0-9.]+\] (BUG:|Oops:|general protection fault|kernel BUG)' <<<"$console" | head -n 40 >&2
    fail "the test machine's kernel crashed"
fi
grep -q '^VM-CHECK .* PASS' <<<"$console" || fail "the guest ran no check"
echo "PASS: every guest check passed"
