# What the bench's guest must show (sourced by bench.sh). Devices are matched by their host driver and
# what QEMU declared (vendor, model, serial), never by the sdX or sgN names, which change from boot to
# boot. A failed expectation names the device and shows what the guest printed instead.

failures=0
expect_fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# The lines of one "@@ name" section of the console.
section() {  # console name
  awk -v name="@@ $2" '$0 == name { on = 1; next } /^@@/ { on = 0 } on' "$1"
}

# A SCSI device the kernel found: description, then the exact fields after its address.
expect_scsi() {  # console description fields
  if ! section "$1" scsi | cut -d' ' -f2- | grep -qxF "$3"; then
    expect_fail "$2: no SCSI device with \"$3\"; the guest has:"
    section "$1" scsi | sed 's/^/    /'
  fi
}

expect_block() {  # console description name-pattern fields
  if ! section "$1" block | grep -qE "^$3 $4\$"; then
    expect_fail "$2: no block device $3 with \"$4\"; the guest has:"
    section "$1" block | sed 's/^/    /'
  fi
}

# A diaghost command in the guest: it exited 0 and printed each of the given lines.
expect_diaghost() {  # console command line...
  local console=$1 command=$2 output line before=$failures
  shift 2
  output=$(section "$console" "diaghost $command")
  grep -qx 'exit 0' <<<"$output" || expect_fail "diaghost $command: did not exit 0"
  for line in "$@"; do
    grep -qxF "$line" <<<"$output" || expect_fail "diaghost $command: no line \"$line\""
  done
  ((failures == before)) || sed 's/^/    /' <<<"$output"
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

  expect_diaghost "$console" version "diagnostics version 7.9.1.2401A"
  expect_diaghost "$console" env "dvmIsOnline         1"
  expect_diaghost "$console" id "* Device Discovery Started"

  if ((failures > 0)); then
    echo "qemu bench: $failures expectation(s) failed; the console is in ${console}"
    return 1
  fi
  echo "qemu bench: every expectation holds"
}
