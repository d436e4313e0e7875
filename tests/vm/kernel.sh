# shellcheck shell=bash disable=SC2034  # the paths are for run.sh
# The test machine's kernel: the version Debian's linux-image-amd64 points at today, its image
# and the few modules the machine needs taken from the image package, and the kernel's virtual
# DVB card (vidtv) built out of tree from the matching kernel source. Everything lands in a
# cache outside the build tree, so a second run only checks that it is there; the test card's
# module is built into the run's folder every time. Sourced by run.sh.

VM_CACHE=${ORVALEN_VM_CACHE:-}
if [ -z "$VM_CACHE" ]; then
    VM_CACHE=/var/cache/orvalen-vm
    mkdir -p "$VM_CACHE" 2>/dev/null && [ -w "$VM_CACHE" ] || VM_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/orvalen-vm
fi

KVER=""            # kernel release, e.g. 6.1.0-57-amd64
KERNEL_DIR=""      # $VM_CACHE/$KVER: image package, vmlinuz, modules, vidtv
VMLINUZ=""
MODULES_DIR=""     # lib/modules/$KVER as extracted from the image package
VIDTV_DIR=""       # the built vidtv modules
KCARD_KO=""        # the test card's module, built by build_kcard

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are not installed yet; waits for another apt run to finish.
install_missing() {
    local p missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends "${missing[@]}" >/dev/null
}

# What linux-image-amd64 depends on in the package index right now.
current_kernel_release() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: linux-image-\([0-9][^ ]*-amd64\)$/\1/p' | head -n 1
}

# The image package of $KVER in $KERNEL_DIR, downloaded once. Old kernel versions leave the
# mirror, so a failed look-up or download refreshes the index and asks again.
fetch_kernel_image() {
    local attempt
    for attempt in 1 2; do
        KVER=$(current_kernel_release)
        if [ -n "$KVER" ]; then
            KERNEL_DIR=$VM_CACHE/$KVER
            mkdir -p "$KERNEL_DIR"
            compgen -G "$KERNEL_DIR/linux-image-${KVER}_*.deb" >/dev/null && return 0
            (cd "$KERNEL_DIR" && apt-get -qq -o APT::Sandbox::User=root download "linux-image-$KVER") &&
                return 0
        fi
        [ "$attempt" -eq 1 ] && as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
    done
    echo "FAIL: no linux-image package for the kernel linux-image-amd64 points at (${KVER:-none})" >&2
    return 1
}

# vmlinuz and the modules of the DVB core, virtio and 9p, out of the image package.
extract_kernel() {
    local deb
    VMLINUZ=$KERNEL_DIR/boot/vmlinuz-$KVER
    MODULES_DIR=$KERNEL_DIR/lib/modules/$KVER
    [ -f "$KERNEL_DIR/extracted" ] && return 0
    deb=$(compgen -G "$KERNEL_DIR/linux-image-${KVER}_*.deb" | head -n 1)
    rm -rf "${KERNEL_DIR:?}/boot" "${KERNEL_DIR:?}/lib"
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$KERNEL_DIR" --wildcards \
        "./boot/vmlinuz-$KVER" \
        "./lib/modules/$KVER/kernel/drivers/media/mc/*" \
        "./lib/modules/$KVER/kernel/drivers/media/dvb-core/*" \
        "./lib/modules/$KVER/kernel/drivers/virtio/*" \
        "./lib/modules/$KVER/kernel/net/9p/*" \
        "./lib/modules/$KVER/kernel/fs/9p/*" \
        "./lib/modules/$KVER/kernel/fs/netfs/*" \
        "./lib/modules/$KVER/kernel/fs/fscache/*" \
        "./lib/modules/$KVER/modules.builtin" \
        "./lib/modules/$KVER/modules.builtin.modinfo" \
        "./lib/modules/$KVER/modules.order"
    touch "$KERNEL_DIR/extracted"
}

# vidtv from the kernel source of the same version, built with the kernel's own makefile for it
# against the headers of $KVER. Rebuilt when the source package changes.
build_vidtv() {
    local series=${KVER%%-*} source_version stamp tarball unpacked
    series=${series%.*}
    source_version=$(dpkg-query -W -f='${Version}' "linux-source-$series")
    stamp="$KVER $source_version"
    VIDTV_DIR=$KERNEL_DIR/vidtv
    [ "$(cat "$KERNEL_DIR/vidtv.stamp" 2>/dev/null)" = "$stamp" ] && return 0
    tarball=/usr/src/linux-source-$series.tar.xz
    unpacked=$KERNEL_DIR/vidtv-source
    rm -rf "$VIDTV_DIR" "$unpacked" "$KERNEL_DIR/vidtv.stamp"
    mkdir -p "$VIDTV_DIR" "$unpacked"
    tar -xJf "$tarball" -C "$unpacked" --wildcards "linux-source-$series/drivers/media/test-drivers/vidtv/*"
    cp "$unpacked/linux-source-$series/drivers/media/test-drivers/vidtv/"* "$VIDTV_DIR/"
    rm -rf "$unpacked"
    make -s -C "/usr/src/linux-headers-$KVER" M="$VIDTV_DIR" CONFIG_DVB_VIDTV=m modules -j "$(nproc)"
    # Debug information would make up nine tenths of the machine's start-up disk.
    strip --strip-debug "$VIDTV_DIR"/*.ko
    echo "$stamp" >"$KERNEL_DIR/vidtv.stamp"
}

# Everything above, under a lock, since two test runs may share the cache.
prepare_kernel() {
    mkdir -p "$VM_CACHE"
    exec {lock}>"$VM_CACHE/lock"
    flock "$lock"
    fetch_kernel_image
    local series=${KVER%%-*}
    install_missing qemu-system-x86 busybox-static cpio make gcc xz-utils dvb-tools \
        "linux-headers-$KVER" "linux-source-${series%.*}"
    extract_kernel
    build_vidtv
    flock -u "$lock"
    exec {lock}>&-
}

# The test card's module, built out of tree against the headers of $KVER as vidtv is, into
# DEST (the run's own folder: the module changes with the source tree, the kernel does not).
# Sets KCARD_KO. Any compiler warning fails the build: the module must build clean.
build_kcard() {   # source folder (tests/vm/testcard), DEST
    local src=$1 dest=$2 log
    rm -rf "$dest"
    mkdir -p "$dest/module"
    cp "$src/kcard_uapi.h" "$dest/"
    cp "$src"/module/{Kbuild,*.c,*.h} "$dest/module/"
    if ! log=$(make -C "/usr/src/linux-headers-$KVER" M="$dest/module" W=1 modules -j "$(nproc)" 2>&1); then
        echo "$log" >&2
        echo "FAIL: the test card's module did not build" >&2
        return 1
    fi
    if grep -E 'warning:|error:' <<<"$log" >&2; then
        echo "FAIL: the test card's module builds with warnings" >&2
        return 1
    fi
    KCARD_KO=$dest/module/kcard.ko
    strip --strip-debug "$KCARD_KO"
}
