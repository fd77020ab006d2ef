# What the bench's guest must show (sourced by bench.sh). Devices are matched by their host driver and
# what QEMU declared (vendor, model, serial), never by the sdX or sgN names, which change from boot to
# boot. A failed expectation names the device and shows what the guest printed instead. (grep -q reads
# here-strings, never a pipe: leaving a pipe early would fail the pipeline under pipefail.)

failures=0
expect_fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# The lines of one "@@ name" section of the console.
section() {  # console name
  awk -v name="@@ $2" '$0 == name { on = 1; next } /^@@/ { on = 0 } on' "$1"
}

# A SCSI device the kernel found: description, then the exact fields after its address.
expect_scsi() {  # console description fields
  if ! grep -qxF "$3" <<<"$(section "$1" scsi | cut -d' ' -f2-)"; then
    expect_fail "$2: no SCSI device with \"$3\"; the guest has:"
    section "$1" scsi | sed 's/^/    /'
  fi
}

expect_block() {  # console description name-pattern fields
  if ! grep -qE "^$3 $4\$" <<<"$(section "$1" block)"; then
    expect_fail "$2: no block device $3 with \"$4\"; the guest has:"
    section "$1" block | sed 's/^/    /'
  fi
}

# The component's own commands to one SCSI device through SG_IO (scsiprobe): the device is the one of
# host driver `host` that printed the `selector` line; each further line must be among its answers.
expect_probe() {  # console description host selector line...
  local console=$1 description=$2 host=$3 selector=$4 address line before=$failures
  shift 4
  address=$(section "$console" probe | grep -F " $selector" | grep "^host=$host " |
            sed -nE '1s/^host=[^ ]+ address=([^ ]+) .*/\1/p')
  if [[ -z $address ]]; then
    expect_fail "$description: no device of $host answered \"$selector\"; the probe printed:"
    section "$console" probe | sed 's/^/    /'
    return
  fi
  for line in "$@"; do
    grep -qxF "host=$host address=$address $line" <<<"$(section "$console" probe)" ||
      expect_fail "$description ($address): no answer \"$line\""
  done
  ((failures == before)) || section "$console" probe | grep "^host=$host address=$address " | sed 's/^/    /'
}

# Lines a section must hold, each whole.
expect_section() {  # console section description line...
  local console=$1 name=$2 description=$3 output line before=$failures
  shift 3
  output=$(section "$console" "$name")
  for line in "$@"; do
    grep -qxF "$line" <<<"$output" || expect_fail "$description: no line \"$line\""
  done
  ((failures == before)) || sed 's/^/    /' <<<"$output"
}

# Every device whose ATA identify data the probe read agrees with what the kernel shows in sysfs for
# that address: the model starts with the kernel's model and the serial number is the kernel's.
expect_ata_agrees_with_sysfs() {  # console
  local console=$1 line address model serial scsi kernel checked=0
  local pattern='^host=[^ ]+ address=([^ ]+) ata identify model=(.*) serial=([^ ]*) firmware=.*$'
  while IFS= read -r line; do
    [[ $line =~ $pattern ]] || continue
    address=${BASH_REMATCH[1]} model=${BASH_REMATCH[2]} serial=${BASH_REMATCH[3]}
    scsi=$(section "$console" scsi | grep "^$address ")
    kernel=${scsi#* model=}
    kernel=${kernel% serial=*}
    # An ATAPI drive has no unit serial number page for the kernel to read.
    [[ $scsi == *" serial=$serial" || $scsi == *" serial=" ]] || expect_fail "ATA $address: identify serial \"$serial\" is not the kernel's: $scsi"
    [[ -n $kernel && $model == "$kernel"* ]] ||
      expect_fail "ATA $address: identify model \"$model\" does not start with the kernel's \"$kernel\""
    checked=$((checked + 1))
  done <<<"$(section "$console" probe)"
  ((checked >= 3)) || expect_fail "ATA: the probe read identify data from $checked device(s), not the AHCI and PIIX disks and the AHCI CD"
}

# A diaghost command in the guest: it exited 0 and printed each of the given lines.
expect_diaghost() {  # console command line...
  local console=$1 command=$2
  shift 2
  grep -qx 'exit 0' <<<"$(section "$console" "diaghost $command")" || expect_fail "diaghost $command: did not exit 0"
  expect_section "$console" "diaghost $command" "diaghost $command" "$@"
}

# A device `diaghost id` listed (its block: the name line and the indented lines under it) that has a
# line matching each pattern (basic regular expressions matched against whole lines).
expect_id_device() {  # console description pattern...
  local console=$1 description=$2 block line missing
  shift 2
  while IFS= read -r -d $'\x1e' block; do
    missing=
    for line in "$@"; do
      grep -qx -- "$line" <<<"$block" || { missing=1 && break; }
    done
    [[ -z $missing ]] && return
  done < <(section "$console" "diaghost id" | awk 'NR > 1 && !/^ / { printf "\x1e" } { print } END { printf "\x1e" }')
  expect_fail "diaghost id: no $description with the lines:"
  printf '    %s\n' "$@"
}

# The vendor and product INQUIRY names of each bench disk (QEMU's, or those bench.sh declares).
vendor_of() {
  case $1 in
    virtio) echo "RAVELBK product=BENCHDISK" ;;
    ahci) echo "ATA product=RAVELSATADISK" ;;
    pata) echo "ATA product=QEMU HARDDISK" ;;
    *) echo "QEMU product=QEMU HARDDISK" ;;
  esac
}

check_console() {  # console
  local console=$1
  expect_scsi "$console" "lsi53c895a disk" "host=sym53c8xx type=0 vendor=QEMU model=QEMU HARDDISK serial=RBLSI0001"
  expect_scsi "$console" "lsi53c895a CD (empty)" "host=sym53c8xx type=5 vendor=QEMU model=QEMU CD-ROM serial="
  expect_scsi "$console" "virtio-scsi disk" "host=virtio_scsi type=0 vendor=RAVELBK model=BENCHDISK serial=RBVIO0001"
  expect_scsi "$console" "AHCI disk" "host=ahci type=0 vendor=ATA model=RAVELSATADISK serial=RBAHCI0001"
  expect_scsi "$console" "AHCI CD (empty)" "host=ahci type=5 vendor=QEMU model=QEMU DVD-ROM serial="
  expect_scsi "$console" "PIIX IDE disk" "host=ata_piix type=0 vendor=ATA model=QEMU HARDDISK serial=RBPATA0001"
  expect_scsi "$console" "megasas disk" "host=megaraid_sas type=0 vendor=QEMU model=QEMU HARDDISK serial=RBMEGA0001"
  expect_scsi "$console" "USB disk" "host=usb-storage type=0 vendor=QEMU model=QEMU HARDDISK serial="
  expect_block "$console" "NVMe disk" "nvme[0-9]+n1" "size=131072 serial=RBNVME0001"
  expect_block "$console" "virtio-blk disk" "vd[a-z]+" "size=131072 serial=RBVBLK0001"

  # The same devices through the component's SCSI pass-through: INQUIRY, VPD page 80h, TEST UNIT
  # READY, READ CAPACITY(10) and READ(10) of block 0, which starts with the disk's name (bench.sh).
  local disk driver
  for disk in lsi:sym53c8xx virtio:virtio_scsi ahci:ahci pata:ata_piix mega:megaraid_sas usb:usb-storage; do
    driver=${disk#*:} disk=${disk%%:*}
    local serial=RB$(tr a-z A-Z <<<"${disk/virtio/vio}")0001
    expect_probe "$console" "$disk disk" "$driver" "serial status=0 $serial" \
      "inquiry status=0 type=0 vendor=$(vendor_of "$disk")" "ready yes" \
      "capacity blocks=131072 length=512" "read0 status=0 data=RAVELBANK-$disk"
  done
  expect_probe "$console" "lsi53c895a CD (empty)" sym53c8xx "inquiry status=0 type=5 vendor=QEMU product=QEMU CD-ROM" \
    "ready no: Check Condition: Not Ready: MEDIUM NOT PRESENT"
  expect_probe "$console" "AHCI CD (empty)" ahci "inquiry status=0 type=5 vendor=QEMU product=QEMU DVD-ROM" \
    "ready no: Check Condition: Not Ready: MEDIUM NOT PRESENT"

  # The component's ATA requests through the disk driver's SMART and pass-through requests, which the
  # linux backend carries as ATA PASS-THROUGH(16) over SG_IO: the identify data agrees with what the
  # kernel read (its INQUIRY model is the identify model's first 16 characters, its unit serial
  # number the identify serial), and SMART RETURN STATUS says healthy.
  expect_probe "$console" "AHCI disk (ATA)" ahci "serial status=0 RBAHCI0001" \
    "ata identify model=RAVELSATADISK serial=RBAHCI0001 firmware=2.5+" "ata smart-status=0"
  expect_probe "$console" "PIIX IDE disk (ATA)" ata_piix "serial status=0 RBPATA0001" \
    "ata identify model=QEMU HARDDISK serial=RBPATA0001 firmware=2.5+" "ata smart-status=0"
  expect_probe "$console" "AHCI CD (ATA)" ahci "inquiry status=0 type=5 vendor=QEMU product=QEMU DVD-ROM" \
    "ata identify model=QEMU DVD-ROM serial=QM00007 firmware=2.5+"
  expect_ata_agrees_with_sysfs "$console"

  # The NVMe and virtio-blk disks on the backend's own port, answered from sysfs and by direct I/O.
  expect_section "$console" ownport "NVMe disk on the own port" "target=0 inquiry status=0 type=0 vendor=NVMe product=QEMU NVMe Ctrl" \
    "target=0 serial status=0 RBNVME0001" "target=0 ready yes" "target=0 capacity blocks=131072 length=512" \
    "target=0 read0 status=0 data=RAVELBANK-nvme"
  expect_section "$console" ownport "virtio-blk disk on the own port" \
    "target=1 inquiry status=0 type=0 vendor=Virtio product=Block Device" "target=1 serial status=0 RBVBLK0001" \
    "target=1 ready yes" "target=1 capacity blocks=131072 length=512" "target=1 read0 status=0 data=RAVELBANK-vblk"

  # Writing waits for the disk: refused (ERROR_BUSY) while a file system is mounted on it.
  expect_section "$console" hold "the write hold of the virtio-blk disk" "free hold granted holds=1" \
    "mounted hold refused GLE=170" "unmounted hold granted holds=1"

  # The access test: reading the NVMe disk passes; writing the virtio-blk disk is refused while a file
  # system is mounted on it and passes once it is not, its blocks unchanged either way.
  expect_section "$console" access "the access test on the NVMe and virtio-blk disks" "read exit 0" \
    "read SeqReadTest: passed, 100%" "mounted exit 1" \
    "mounted Write refused: the disk holds a mounted file system or is in use" "mounted blocks unchanged" \
    "unmounted exit 0" "unmounted SeqRwrcTest: passed, 100%" "unmounted blocks unchanged"

  expect_diaghost "$console" version "diagnostics version 7.9.1.2401A"
  expect_diaghost "$console" env "dvmIsOnline         1"
  expect_diaghost "$console" id "* Device Discovery Started"
  # Discovery through the linux backend's device map, port scan, DOS names, device installer and
  # management classes: every disk with its capacity, the NVMe one with the temperature of its health
  # log, and the optical drives.
  local capacity="  Capacity: 67 Mbytes"
  expect_id_device "$console" "lsi53c895a disk" "  Model: QEMU QEMU HARDDISK" "  Serial Number: RBLSI0001" "$capacity"
  expect_id_device "$console" "virtio-scsi disk" "  Model: RAVELBK BENCHDISK" "  Serial Number: RBVIO0001" "$capacity"
  expect_id_device "$console" "megasas disk" "  Serial Number: RBMEGA0001" "$capacity"
  # The AHCI and PIIX disks are the ATA family's: a SATA disk on the SATA controller, an IDE disk on the
  # legacy IDE controller's primary channel, each with its identify data.
  expect_id_device "$console" "SATA controller" "sataController[0-9]*: SATA Controller.*" "  Type of Controller: SATA Controller"
  expect_id_device "$console" "IDE controller" "IdeLegacyController[0-9]*: IDE PATA Controller.*" \
    "  Type of Controller: IDE PATA Controller"
  expect_id_device "$console" "AHCI disk" "/dev/sda[0-9]*: SATA Hard Disk [0-9]* \\[sataDisk\\]" "  Model: RAVELSATADISK" \
    "  Serial Number: RBAHCI0001" "  Firmware: 2.5+" "  Capacity: 67.11 Mbytes" "  Controller: SATA Controller.*"
  expect_id_device "$console" "PIIX IDE disk" "ideDisk[0-9]*: IDE Hard Disk [0-9]* \\[ideDisk\\]" "  Model: QEMU HARDDISK" \
    "  Serial Number: RBPATA0001" "  Capacity: 67.11 Mbytes" "  Connector: Primary Master" \
    "  Ultra DMA: Ultra DMA mode [0-9] and below are supported"
  expect_id_device "$console" "USB disk" "usbDisk[0-9]*: .*" "  Serial Number: RBUSB0001" "$capacity"
  expect_id_device "$console" "NVMe disk" "  Model: NVMe QEMU NVMe Ctrl" "  Serial Number: RBNVME0001" "$capacity" \
    "  Temperature: [0-9][0-9]* Degrees Celsius"
  expect_id_device "$console" "virtio-blk disk" "  Model: Virtio Block Device" "  Serial Number: RBVBLK0001" "$capacity"
  expect_id_device "$console" "AHCI CD (empty)" "cdrom[0-9]*: Optical Drive .*" "  Model: QEMU DVD-ROM" \
    "  Capacity: Media Not Installed" "  Controller: SATA Controller.*"
  expect_id_device "$console" "lsi53c895a CD (empty)" "cdrom[0-9]*: Optical Drive .*" "  Model: QEMU QEMU CD-ROM" \
    "  Capacity: Media Not Installed"

  # The optical drives' readiness test through the drive path's TEST UNIT READY: a drive with a disc
  # passes, an empty one fails, on SCSI (virtio-scsi, sym53c8xx) and ATAPI (PIIX IDE, AHCI) alike; the
  # no-media test fails on the ATAPI drive with a disc and passes on the empty one.
  expect_section "$console" optical "the optical drives' tests" "scsi disc exit 0" \
    "scsi disc testUnitReadyTest: passed, 100%" "scsi empty exit 1" "scsi empty testUnitReadyTest: failed, 100%" \
    "scsi empty error: Unit is not ready" "atapi disc exit 1" "atapi disc testUnitReadyTest: passed, 100%" \
    "atapi disc cdNoMediaPresentTest: failed, 100%" \
    "atapi disc error: Check for no media test fails, media is installed" "atapi empty exit 1" \
    "atapi empty testUnitReadyTest: failed, 100%" "atapi empty error: Unit is not ready" \
    "atapi empty cdNoMediaPresentTest: passed, 100%"

  # scsi_debug's disk with an injected medium error: the read test over it fails with the decoded sense
  # and the block address of the failed access; a read of the blocks before it passes.
  expect_section "$console" "medium error" "scsi_debug disk with a medium error" "injected exit 1" \
    "injected error: Could not read block" "injected Medium Error: UNRECOVERED READ ERROR" "injected [LBA=4608]" \
    "clean exit 0" "clean SeqReadTest: passed, 100%"

  # scsi_debug's tape through st: listed with its device file; the drive information is refused
  # (scsi_debug refuses READ BLOCK LIMITS), which shows as the driver's "not supported". The eject test
  # unloads the loaded tape; the media test then finds the drive empty and stops at its first rewind,
  # and on a fresh tape fails writing, since scsi_debug keeps no tape data: never a pass.
  grep -q ' type=1 vendor=Linux model=scsi_debug tape=nst0 ' <<<"$(section "$console" "tape kernel")" ||
    expect_fail "scsi_debug tape: st made no nst0"
  expect_section "$console" "diaghost tape" "diaghost's scsi_debug tape" "scsiTape0: Tape Drive [scsiTape]" \
    "  Model: Linux scsi_debug" "  Device File: \\\\.\\Tape0" "  Status Description: Drive Ready" \
    "  Drive Parameters: GetTapeParmErr" \
    "  Drive Parameters Error: Function Not Supported: The tape driver does not support a requested function." \
    "    The tape was ejected." "  error: Unable to Rewind Tape"
  local result
  for result in "scsiEjectTapeTest: passed" "scsiTapeTest: failed" "scsiInsertTapeTest: passed"; do
    grep -q "^scsiTape0 $result, " <<<"$(section "$console" "diaghost tape")" ||
      expect_fail "diaghost's scsi_debug tape: no \"$result\""
  done
  expect_section "$console" "diaghost tape media" "the media test on a fresh scsi_debug tape" "  error: Media Test Failed" \
    "    detail: Tape Drive, The request could not be performed because of an I/O device error. (writing block 0), Ran on CPU 0"
  grep -q '^scsiTape0 scsiTapeTest: failed' <<<"$(section "$console" "diaghost tape media")" ||
    expect_fail "the media test on a fresh scsi_debug tape did not fail"

  # The AHCI disk's SMART status and short self-test through ATA PASS-THROUGH: QEMU's drive answers
  # RETURN STATUS healthy and completes a self-test at once with result 0, which the first poll reads.
  local smart before=$failures
  smart=$(section "$console" "diaghost smart")
  grep -qx 'exit 0' <<<"$smart" || expect_fail "diaghost smart: did not exit 0"
  for result in "IdeSmartErrTest: passed" "ShortSelfTest: passed"; do
    grep -qE "^/dev/sda[0-9]* $result, " <<<"$smart" || expect_fail "diaghost smart: the AHCI disk's $result is missing"
  done
  grep -qE 'Will timeout in [0-9]+ minutes' <<<"$smart" || expect_fail "diaghost smart: no \"Will timeout in\" line"
  ((failures == before)) || sed 's/^/    /' <<<"$smart"

  if ((failures > 0)); then
    echo "qemu bench: $failures expectation(s) failed; the console is in ${console}"
    return 1
  fi
  echo "qemu bench: every expectation holds"
}
