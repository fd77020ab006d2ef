#!/bin/sh
# Runs in the guest: prints what the kernel sees and what the component answers, one section each
# ("@@ name"), for the host to compare with its expectations (expect.sh).
bin=/bench/bin

echo "@@ scsi"
# One line a SCSI device: address, type, vendor, model (as the kernel read them from INQUIRY), the
# unit serial number (VPD page 80h, where the kernel read it) and the driver of its host.
for device in /sys/bus/scsi/devices/*:*:*:*; do
  [ -e "$device/type" ] || continue
  serial=
  [ -r "$device/vpd_pg80" ] && serial=$(tail -c +5 "$device/vpd_pg80" | tr -d '\000' | sed 's/^ *//; s/ *$//')
  address=${device##*/}
  host=$(cat "/sys/class/scsi_host/host${address%%:*}/proc_name" 2>/dev/null)
  printf '%s host=%s type=%s vendor=%s model=%s serial=%s\n' "$address" "$host" "$(cat "$device/type")" \
    "$(sed 's/ *$//' "$device/vendor")" "$(sed 's/ *$//' "$device/model")" "$serial"
done

echo "@@ block"
# One line a whole block device: name, size in 512-byte sectors, serial where the driver shows one.
for block in /sys/block/*; do
  name=${block##*/}
  case $name in loop* | ram*) continue ;; esac
  serial=
  for file in "$block/serial" "$block/device/serial"; do
    [ -r "$file" ] && serial=$(sed 's/ *$//' "$file") && break
  done
  printf '%s size=%s serial=%s\n' "$name" "$(cat "$block/size")" "$serial"
done

echo "@@ probe"
# The component's own SCSI commands to each SCSI device, through SG_IO; each line carries the device's
# host driver and address (the guest's hosts have no gaps, so a host's number is its port's).
for device in /sys/bus/scsi/devices/*:*:*:*; do
  [ -e "$device/type" ] || continue
  address=${device##*/}
  host=$(cat "/sys/class/scsi_host/host${address%%:*}/proc_name" 2>/dev/null)
  "$bin/scsiprobe" $(echo "$address" | tr ':' ' ') 2>&1 | sed "s/^/host=$host address=$address /"
done

echo "@@ ownport"
# The disks Linux does not reach through SCSI (NVMe, virtio-blk) on the backend's own port, the port
# after the SCSI hosts' (numbered from 0 without gaps), one target each in that order: the component's
# commands to them.
own=$(ls -d /sys/class/scsi_host/host* | wc -l)
for target in 0 1; do
  "$bin/scsiprobe" "$own" 0 "$target" 0 2>&1 | sed "s/^/target=$target /"
done

echo "@@ hold"
# A disk is given for writing while nothing holds it, and refused while a file system is mounted on
# it: the virtio-blk disk (the own port's second target) gets a scratch file system after the other
# checks have read its block 0.
"$bin/scsiprobe" hold "$own" 0 1 0 2>&1 | sed 's/^/free /'
if mkdosfs /dev/vda >/dev/null 2>&1 && mount -t vfat /dev/vda /mnt 2>&1; then
  "$bin/scsiprobe" hold "$own" 0 1 0 2>&1 | sed 's/^/mounted /'
  umount /mnt
fi
"$bin/scsiprobe" hold "$own" 0 1 0 2>&1 | sed 's/^/unmounted /'

echo "@@ access"
# The access test on real drivers: a sequential read of the NVMe disk passes; save-write-read-compare-
# restore on the virtio-blk disk is refused before any block is touched while a file system is mounted
# on it (read-only, so that the mount itself writes nothing), and passes once it is unmounted, leaving
# every block as it was. The disks are found by their serial numbers in diaghost's list.
name_of() {
  "$bin/diaghost" id 2>/dev/null |
    awk -v serial="$1" '/^[^ ]/ { name = $1 } $0 == "  Serial Number: " serial { sub(":$", "", name); print name; exit }'
}
access_run() {  # label device test parameters...
  label=$1 device=$2
  shift 2
  printf 'id\nrun %s %s\n' "$device" "$*" >/tmp/access.txt
  "$bin/diaghost" script /tmp/access.txt >/tmp/access.out 2>&1
  echo "$label exit $?"
  grep -o "^$device [A-Za-z]*: [a-z]*, [0-9]*%" /tmp/access.out | sed "s/^$device /$label /"
  grep -o "Write refused: the disk holds a mounted file system or is in use" /tmp/access.out | head -1 | sed "s/^/$label /"
}
nvme=$(name_of RBNVME0001)
vblk=$(name_of RBVBLK0001)
access_run read "$nvme" SeqReadTest SkipFactor=0 retries=0
before=$(md5sum /dev/vda | cut -d' ' -f1)
if mkdosfs /dev/vda >/dev/null 2>&1 && mount -o ro -t vfat /dev/vda /mnt 2>&1; then
  before=$(md5sum /dev/vda | cut -d' ' -f1)
  access_run mounted "$vblk" SeqRwrcTest SkipFactor=0 retries=0
  [ "$(md5sum /dev/vda | cut -d' ' -f1)" = "$before" ] && echo "mounted blocks unchanged"
  umount /mnt
fi
access_run unmounted "$vblk" SeqRwrcTest SkipFactor=0 blockCount=16384 retries=0
[ "$(md5sum /dev/vda | cut -d' ' -f1)" = "$before" ] && echo "unmounted blocks unchanged"

echo "@@ optical"
# The optical drives' readiness and no-media tests, each drive found in diaghost's list by its model
# (and, for the ATAPI drives, which are both QEMU DVD-ROMs, its controller): the SCSI (virtio-scsi) and
# ATAPI (PIIX IDE) drives with a disc are ready, the empty ones (sym53c8xx, AHCI) are not; the no-media
# test fails on a drive with a disc. The operator's answer to the SCSI drive's request for a disc is OK.
name_of_optical() {  # model [controller]
  "$bin/diaghost" id 2>/dev/null |
    awk -v model="$1" -v controller="$2" '
      /^[^ ]/ { name = $1; found = 0 }
      $0 == "  Model: " model { found = 1 }
      found && (controller == "" || index($0, "  Controller: " controller) == 1) { sub(":$", "", name); print name; exit }'
}
optical_run() {  # label drive test...
  label=$1 drive=$2
  shift 2
  { echo id && for test in "$@"; do printf 'run %s %s retries=0\n' "$drive" "$test"; done; } >/tmp/optical.txt
  echo OK >/tmp/optical.answers
  "$bin/diaghost" --answers /tmp/optical.answers script /tmp/optical.txt >/tmp/optical.out 2>&1
  echo "$label exit $?"
  grep -o -e "^$drive [A-Za-z]*: [a-z]*, [0-9]*%" -e "error: .*" /tmp/optical.out | sed "s/^$drive /$label /; s/^error/$label error/"
}
optical_run "scsi disc" "$(name_of_optical "RAVELBK BENCHDISC")" testUnitReadyTest
optical_run "scsi empty" "$(name_of_optical "QEMU QEMU CD-ROM")" testUnitReadyTest
optical_run "atapi disc" "$(name_of_optical "QEMU DVD-ROM" "IDE PATA Controller")" testUnitReadyTest cdNoMediaPresentTest
optical_run "atapi empty" "$(name_of_optical "QEMU DVD-ROM" "SATA Controller")" testUnitReadyTest cdNoMediaPresentTest

for command in version env id; do
  echo "@@ diaghost $command"
  "$bin/diaghost" "$command" 2>&1
  echo "exit $?"
done

echo "@@ diaghost smart"
# The AHCI disk judges itself through ATA PASS-THROUGH: its SMART status, then its short self-test,
# polled in real time (the settling and the first two-minute poll take a little over two minutes).
sata=$("$bin/diaghost" id 2>/dev/null | sed -n 's/^\(\/dev\/sda[0-9]*\): SATA Hard Disk.*/\1/p' | head -n 1)
printf 'id\nrun %s IdeSmartErrTest retries=0\nrun %s ShortSelfTest retries=0\n' "$sata" "$sata" >/tmp/smart.script
"$bin/diaghost" script /tmp/smart.script >/tmp/smart.out 2>/tmp/smart.err
echo "exit $?"
sed -n '/^> run/,$p' /tmp/smart.out
grep 'Will timeout in' /tmp/smart.err | head -n 1

echo "@@ medium error"
# scsi_debug's disk with a medium error injected (opts=2: blocks 4660 to 4669 answer MEDIUM ERROR,
# UNRECOVERED READ ERROR): a sequential read over them fails with the decoded sense, and a read of the
# blocks before them passes. Unloaded again before the tape takes its place.
modprobe scsi_debug opts=2 dev_size_mb=8 2>&1 | sed 's/^/modprobe: /'
for tick in $(seq 1 20); do
  grep -qs scsi_debug /sys/block/sd*/device/model && break
  sleep 0.5
done
debug=$("$bin/diaghost" id 2>/dev/null |
  awk '/^[^ ]/ { name = $1 } $0 == "  Model: Linux scsi_debug" { sub(":$", "", name); print name; exit }')
access_run injected "$debug" SeqReadTest SkipFactor=0 retries=0
grep -o -e '^error: .*' -e 'Medium Error: [A-Z ]*' -e '\[LBA=[0-9]*\]' /tmp/access.out | sort -u | sed 's/^/injected /'
access_run clean "$debug" SeqReadTest SkipFactor=0 blockCount=4608 retries=0
rmmod scsi_debug

echo "@@ tape kernel"
# scsi_debug's tape (peripheral type 1) on a host of its own, loaded after every other check so that
# the ports and disks they saw stay as they were; st makes it /dev/nst0.
modprobe scsi_debug ptype=1 dev_size_mb=8 2>&1 | sed 's/^/modprobe: /'
for tick in $(seq 1 20); do
  [ -e /sys/class/scsi_tape/nst0 ] && break
  sleep 0.5
done
for device in /sys/bus/scsi/devices/*:*:*:*; do
  [ "$(cat "$device/type" 2>/dev/null)" = 1 ] || continue
  printf '%s type=1 vendor=%s model=%s tape=%s\n' "${device##*/}" "$(sed 's/ *$//' "$device/vendor")" \
    "$(sed 's/ *$//' "$device/model")" "$(ls "$device/scsi_tape" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
done

echo "@@ diaghost tape"
# The tape as diaghost lists it, then its tests in one session: the eject test (the tape is loaded), the
# media test (confirmed; the drive is empty now) and the insert test.
tape=$("$bin/diaghost" id 2>/dev/null | sed -n 's/^\([a-z]*Tape[0-9]*\): .*/\1/p' | head -n 1)
tape_session() {  # test...
  local test
  { echo id && for test in "$@"; do printf 'run %s %s retries=0\n' "$tape" "$test"; done; } >/tmp/tape.script
  printf 'OK\nOK\n' >/tmp/tape.answers
  "$bin/diaghost" --answers /tmp/tape.answers script /tmp/tape.script >/tmp/tape.out 2>/dev/null
  echo "exit $?"
  sed -n "/^$tape: /,/^[^ ]/p; /^> run/,\$p" /tmp/tape.out
}
tape_session scsiEjectTapeTest scsiTapeTest scsiInsertTapeTest

echo "@@ diaghost tape media"
# The media test on a fresh tape (discovery names it as before): scsi_debug keeps no tape data, so
# writing the pattern fails.
rmmod scsi_debug && modprobe scsi_debug ptype=1 dev_size_mb=8 2>&1 | sed 's/^/modprobe: /'
for tick in $(seq 1 20); do
  [ -e /sys/class/scsi_tape/nst0 ] && break
  sleep 0.5
done
tape_session scsiTapeTest
