#!/usr/bin/env bash
# Builds the guest's initramfs: busybox-static, the kernel modules the bench's controllers need (with
# the modules they depend on), the built component with diaghost and the suite libraries (and the shared
# libraries ldd names for them), and the guest's init.
#
#   build-initramfs.sh KERNEL_CACHE BIN_DIR OUTPUT
set -euo pipefail
cache=$1 bin=$2 output=$3
here=$(cd "$(dirname "$0")" && pwd)
release=$(cat "$cache/release")
modules=$cache/modules/$release

root=$(mktemp -d "${output}.root.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,mnt,bench,lib/modules/$release}

cp /bin/busybox "$root/bin/busybox"
cp "$here/guest-init.sh" "$root/init"
cp "$here/guest-checks.sh" "$root/bench/checks.sh"
chmod +x "$root/init" "$root/bench/checks.sh"

# The modules, each with what modules.dep says it needs.
wanted=(sd_mod sr_mod sg st ahci ata_piix sym53c8xx virtio_scsi virtio_pci virtio_blk nvme megaraid_sas
        usb-storage xhci_pci scsi_debug vfat nls_cp437 nls_ascii)
printf '%s\n' "${wanted[@]}" >"$root/bench/modules"
declare -A copied=()
copy_module() {  # relative path in the modules tree
  [[ -n ${copied[$1]+set} ]] && return
  copied[$1]=1
  mkdir -p "$root/lib/modules/$release/$(dirname "$1")"
  cp "$modules/$1" "$root/lib/modules/$release/$1"
  local line dependency
  line=$(grep -m 1 "^$1:" "$modules/modules.dep")
  for dependency in ${line#*:}; do copy_module "$dependency"; done
}
for name in "${wanted[@]}"; do
  # modules.dep names files with '-' or '_' as the source did; modprobe takes either.
  pattern=$(sed 's/[-_]/[-_]/g' <<<"$name")
  path=$(grep -m 1 -E "(^|/)${pattern}\.ko(\.[a-z]+)?:" "$modules/modules.dep" | cut -d: -f1)
  [[ -n $path ]] || { echo "build-initramfs.sh: no module $name in $release" >&2; exit 1; }
  copy_module "$path"
done
cp "$modules"/modules.{dep,alias,builtin,order} "$root/lib/modules/$release/" 2>/dev/null || true

# The component's folder as the build lays it out (the libraries, diaghost, the data files and
# catalogs beside them), without debug information, and the C library they need.
mkdir -p "$root/bench/bin"
for file in "$bin"/*.so "$bin/diaghost" "$bin/scsiprobe" "$bin"/*.xml "$bin"/*.txt "$bin/catalogs"; do
  if [[ -e $file ]]; then cp -r "$file" "$root/bench/bin/"; fi
done
programs=("$root/bench/bin/diaghost")
if [[ -e $root/bench/bin/scsiprobe ]]; then programs+=("$root/bench/bin/scsiprobe"); fi
strip --strip-debug "$root"/bench/bin/*.so "${programs[@]}"
for file in "$root"/bench/bin/*.so "${programs[@]}"; do
  # "name => /path (address)" lines, and the loader's "/path (address)" line.
  ldd "$file" | awk '/=> \// { print $3 } /^\t\/[^ ]+ \(/ { print $1 }'
done | sort -u | while read -r library; do
  # The build's own libraries are already beside the programs, which find them there ($ORIGIN).
  [[ $library == "$root"/* ]] && continue
  mkdir -p "$root$(dirname "$library")"
  cp -L "$library" "$root$library"
done

(cd "$root" && find . -print0 | cpio --null -o -H newc --quiet) >"$output.tmp"
mv "$output.tmp" "$output"
