#!/usr/bin/env bash
# The cross-built Windows programs under Wine, answer for answer against the Linux build:
#  - the demo session on the simulated machine (standard output, standard error and exit status);
#  - version, id, catalog, env, a malformed and an unknown command on Wine's own win32 backend
#    (id: the same lines but for the logical disks, which are each system's own);
#  - scsiprobe's SCSI commands to a port that neither system has (the failure, in each system's words);
#  - enumerationprobe (Windows only): the registry, DOS devices, device installer and management
#    queries of the win32 backend answer Wine's own system, checked by the probe;
#  - a persistent state file: written by the DLL byte for byte as the Linux build writes it, and read
#    back by the DLL (a fresh component on Wine's own backend would hold Wine's PCI functions instead).
# A crash fails the test whatever status Wine reports. Exit status 77 (skipped) when Wine or a build is
# missing, unless RAVELBANK_REQUIRE_WINE=1.
#
#   smoke.sh WINDOWS_BIN LINUX_BIN SOURCE_DIR WORK_DIR
set -uo pipefail

windows_bin=$1 linux_bin=$2 source_dir=$3 work=$4
machine=$source_dir/machines/demo.xml
script=$source_dir/machines/demo.script

skip() {
  echo "wine smoke test skipped: $1"
  [[ ${RAVELBANK_REQUIRE_WINE:-0} == 1 ]] && { echo "RAVELBANK_REQUIRE_WINE=1: failing instead"; exit 1; }
  exit 77
}
command -v wine >/dev/null || skip "wine is not installed (scripts/install-deps.sh wine)"
[[ -x $linux_bin/diaghost ]] || skip "no Linux build to compare with at $linux_bin (cmake --preset default && cmake --build --preset default)"
[[ -f $windows_bin/diaghost.exe ]] || skip "no $windows_bin/diaghost.exe"

failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

# Wine's own prefix under the build folder; no Mono, no Gecko, no display.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$work"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  # Creating a prefix prints a few lines of its own on standard error; they are kept apart here.
  if ! timeout 300 wine wineboot --init >"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log"
    fail "wineboot could not create the prefix $WINEPREFIX"
    exit 1
  fi
  timeout 60 wineserver --wait 2>/dev/null
fi

run=$work/run
rm -rf "$run"
mkdir -p "$run/linux" "$run/windows"

# Time stamps differ by the second between the two runs; line ends by the system.
normalise() {
  tr -d '\r' <"$1" |
    sed -E 's/[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}/<time>/g'
}

crashed() {  # stderr-file
  grep -aE 'Unhandled exception|Unhandled page fault|[Uu]nimplemented function|starting debugger|^Backtrace:|err:seh' "$1"
}

# Runs one invocation of a program (diaghost unless PROGRAM says otherwise) on both sides: NAME ARGUMENTS...
both() {
  local name=$1 program=${PROGRAM:-diaghost}
  shift
  (cd "$run/linux" && timeout 120 "$linux_bin/$program" "$@" >"$name.out" 2>"$name.err")
  echo $? >"$run/linux/$name.status"
  (cd "$run/windows" && timeout 120 wine "$windows_bin/$program.exe" "$@" >"$name.out" 2>"$name.err")
  echo $? >"$run/windows/$name.status"
  if crashed "$run/windows/$name.err"; then
    fail "$name: $program.exe crashed under Wine (exit status $(cat "$run/windows/$name.status"))"
    return 1
  fi
  if ! cmp -s "$run/linux/$name.status" "$run/windows/$name.status"; then
    fail "$name: exit status $(cat "$run/windows/$name.status") under Wine, $(cat "$run/linux/$name.status") on Linux"
  fi
}

same() {  # name file-kind [filter]
  local name=$1 kind=$2 filter=${3:-cat}
  if ! diff -u --label "linux/$name.$kind" --label "windows/$name.$kind" \
       <(normalise "$run/linux/$name.$kind" | $filter) <(normalise "$run/windows/$name.$kind" | $filter); then
    fail "$name: the std$kind of the two builds differs"
  fi
}

# The simulated machine: everything alike.
both demo --machine "$machine" script "$script" && { same demo out; same demo err; }

# Wine's own win32 backend.
both version version && { same version out; same version err; }
both catalog catalog && { same catalog out; same catalog err; }
both env env && { same env out; same env err; }
both malformed send '<bad' && { same malformed out; same malformed err; }
both unknown send '<noSuchCommand/>' && { same unknown out; same unknown err; }
# id: each system lists its own fixed volumes, at least one, one line each after the count.
without_volumes() { sed -E '/^  [^ ].*  Volume Name:/d; s/^Logical Disks: [0-9]+$/Logical Disks: N/'; }
# Each system lists its own storage devices too (the Linux backend this machine's disks, Wine none):
# the listing is compared from the logical disks on.
without_devices() { awk '/^Logical Disks:/ { on = 1 } on' | without_volumes; }
if both id id; then
  same id out without_devices
  count=$(sed -nE 's/^Logical Disks: ([0-9]+)\r?$/\1/p' "$run/windows/id.out")
  listed=$(grep -c 'Volume Name:' "$run/windows/id.out")
  if [[ -z $count || $count -lt 1 || $count -ne $listed ]]; then
    fail "id: Wine's logical disks are missing or miscounted (count '${count}', $listed listed)"
  fi
fi

# The component's SCSI pass-through to a port that neither system has (Wine has none; the Linux
# backend numbers its ports from 0, its own port for NVMe, virtio and loop disks among them): opening
# the port fails with the system's text for a missing file, worded by each system.
system_text() { sed -E 's/(\\\\\.\\SCSI63: ).*/\1<system text>/'; }
if PROGRAM=scsiprobe both scsiport 63 0 0 0; then
  same scsiport out system_text
  grep -q '^inquiry error Driver reported problem: \\\\\.\\SCSI63: ' "$run/windows/scsiport.out" ||
    fail "scsiport: INQUIRY to \\.\SCSI63: did not fail as a missing port under Wine"
fi

# The win32 backend's enumeration sources on Wine's own system (Wine has no SCSI devices): the probe
# checks each answer itself; here it must end, in time and without a crash.
(cd "$run/windows" && timeout 120 wine "$windows_bin/enumerationprobe.exe" >enumeration.out 2>enumeration.err)
echo $? >"$run/windows/enumeration.status"
tr -d '\r' <"$run/windows/enumeration.out"
if crashed "$run/windows/enumeration.err"; then
  fail "enumeration: enumerationprobe.exe crashed under Wine"
elif [[ $(cat "$run/windows/enumeration.status") == 124 ]]; then
  fail "enumeration: enumerationprobe.exe did not finish within 120 s under Wine"
elif [[ $(cat "$run/windows/enumeration.status") != 0 ]]; then
  fail "enumeration: the win32 backend's enumeration answers under Wine failed their checks"
fi

# The persistent state file.
both write --machine "$machine" --persistent state.bin id &&
  { cmp "$run/linux/state.bin" "$run/windows/state.bin" || fail "write: the DLL's state file differs from the Linux build's"; }
if [[ -f $run/linux/state.bin ]]; then
  cp "$run/linux/state.bin" "$run/windows/state.bin"
  (cd "$run/windows" && timeout 120 wine "$windows_bin/diaghost.exe" --persistent state.bin version >read.out 2>read.err)
  status=$?
  if crashed "$run/windows/read.err" || [[ $status -ne 0 ]]; then
    fail "read: diaghost.exe --persistent state.bin version failed under Wine (status $status)"
  elif ! cmp "$run/linux/state.bin" "$run/windows/state.bin"; then
    fail "read: the DLL did not carry the state file it was given (it wrote a different one back)"
  fi
fi

for name in demo version catalog env malformed unknown id scsiport write; do
  [[ -f $run/windows/$name.status ]] && printf '%-10s exit %s (Linux %s)\n' "$name" \
    "$(cat "$run/windows/$name.status")" "$(cat "$run/linux/$name.status")"
done
printf '%-10s exit %s (Windows only)\n' enumeration "$(cat "$run/windows/enumeration.status")"
if ((failures > 0)); then
  echo "wine smoke test: $failures failure(s); the runs are in $run"
  exit 1
fi
echo "wine smoke test: the Windows build answers as the Linux build does"
