#!/usr/bin/env bash
# The real-kernel bench: boots a throw-away QEMU guest (TCG) with Debian 12's stock kernel, emulated
# storage controllers and disks, runs the built component and diaghost in it, and compares what they
# answer with expect.sh's expectations. Exit status 77 (skipped) when QEMU or a tool is missing, unless
# RAVELBANK_REQUIRE_QEMU=1.
#
#   bench.sh SOURCE_DIR BIN_DIR WORK_DIR
set -uo pipefail
export PATH=$PATH:/usr/sbin:/sbin  # depmod
source_dir=$1 bin=$2 work=$3
here=$source_dir/test/qemu

skip() {
  echo "qemu bench skipped: $1"
  [[ ${RAVELBANK_REQUIRE_QEMU:-0} == 1 ]] && { echo "RAVELBANK_REQUIRE_QEMU=1: failing instead"; exit 1; }
  exit 77
}
for tool in qemu-system-x86_64 cpio xz depmod; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh qemu)"
done
# (The list is read whole: grep -q leaving early would break busybox's pipe, and pipefail with it.)
applets=$([[ -x /bin/busybox ]] && /bin/busybox --list)
grep -qx modprobe <<<"$applets" || skip "busybox-static is not installed (scripts/install-deps.sh qemu)"
[[ -x $bin/diaghost && -f $bin/ravelbank.so ]] || skip "no built component in $bin"

mkdir -p "$work"
set -e
# The kernel is cached across runs; the initramfs follows the build.
"$here/fetch-kernel.sh" "$work/kernel"
"$here/build-initramfs.sh" "$work/kernel" "$bin" "$work/initramfs.cpio"
set +e

# Throw-away disks, sparse, made anew for every run.
disks=$work/disks
rm -rf "$disks"
mkdir -p "$disks"
# Block 0 of each starts with its name, which the guest reads back through the component.
for disk in lsi virtio ahci pata mega usb nvme vblk; do
  truncate -s 64M "$disks/$disk.img"
  printf 'RAVELBANK-%s' "$disk" | dd of="$disks/$disk.img" conv=notrunc status=none
done
drive() { echo "-drive if=none,id=$1,file=$disks/$1.img,format=raw"; }
# A data disc for a SCSI and an ATAPI optical drive: 512 blocks of 2048 bytes, block 0 starting with its
# name (a disc needs no file system for the drive to be ready and its blocks to read).
truncate -s 1M "$disks/disc.img"
printf 'RAVELBANK-disc' | dd of="$disks/disc.img" conv=notrunc status=none

# shellcheck disable=SC2046
timeout 600 qemu-system-x86_64 -M pc -accel tcg -m 1024 -smp 1 -nodefaults -display none -serial stdio \
  -no-reboot -kernel "$work/kernel/vmlinux" -initrd "$work/initramfs.cpio" \
  -append "console=ttyS0 panic=-1 quiet sym53c8xx.settle=0 usb_storage.delay_use=0" \
  -device lsi53c895a,id=lsi $(drive lsi) -device scsi-hd,bus=lsi.0,scsi-id=0,drive=lsi,serial=RBLSI0001 \
  -drive if=none,id=lsicd,media=cdrom -device scsi-cd,bus=lsi.0,scsi-id=2,drive=lsicd \
  -device virtio-scsi-pci,id=vscsi $(drive virtio) \
  -device scsi-hd,bus=vscsi.0,drive=virtio,vendor=RAVELBK,product=BENCHDISK,serial=RBVIO0001,wwn=0x5000c50012345678,rotation_rate=1 \
  -device ahci,id=ahci $(drive ahci) -device ide-hd,bus=ahci.0,drive=ahci,serial=RBAHCI0001,model=RAVELSATADISK \
  -drive if=none,id=ahcicd,media=cdrom -device ide-cd,bus=ahci.1,drive=ahcicd \
  $(drive pata) -device ide-hd,bus=ide.0,drive=pata,serial=RBPATA0001 \
  -device megasas,id=mega $(drive mega) -device scsi-hd,bus=mega.0,drive=mega,serial=RBMEGA0001 \
  -device qemu-xhci,id=xhci $(drive usb) -device usb-storage,bus=xhci.0,drive=usb,serial=RBUSB0001 \
  $(drive nvme) -device nvme,drive=nvme,serial=RBNVME0001 \
  $(drive vblk) -device virtio-blk-pci,drive=vblk,serial=RBVBLK0001 \
  -drive if=none,id=vscd,media=cdrom,readonly=on,format=raw,file="$disks/disc.img" \
  -device scsi-cd,bus=vscsi.0,scsi-id=1,drive=vscd,vendor=RAVELBK,product=BENCHDISC \
  -drive if=none,id=idedisc,media=cdrom,readonly=on,format=raw,file="$disks/disc.img" \
  -device ide-cd,bus=ide.1,drive=idedisc \
  </dev/null >"$work/console.log" 2>&1
status=$?
tr -d '\r' <"$work/console.log" >"$work/console.txt"
if ! grep -q '^@@@ checks end' "$work/console.txt"; then
  tail -n 40 "$work/console.txt"
  echo "qemu bench: the guest did not finish its checks (qemu exit status $status); console in $work/console.txt"
  exit 1
fi
# shellcheck source=expect.sh
source "$here/expect.sh"
check_console "$work/console.txt"
