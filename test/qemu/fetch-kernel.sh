#!/usr/bin/env bash
# Puts Debian 12's stock kernel into CACHE, once: CACHE/vmlinux (uncompressed, for QEMU's PVH entry,
# which skips the decompressor), CACHE/modules/ (the package's /lib/modules tree, with modules.dep)
# and CACHE/release.
# The package is fetched with apt-get download and unpacked, never installed.
#
#   fetch-kernel.sh CACHE
set -euo pipefail
export PATH=$PATH:/usr/sbin:/sbin  # depmod
cache=$1
[[ -s $cache/vmlinux && -s $cache/release ]] && exit 0

mkdir -p "$cache"
scratch=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The kernel package that Debian's metapackage names today (linux-image-6.1.0-N-amd64).
package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
if [[ -z $package ]]; then
  apt-get update -q >/dev/null || true
  package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
fi
[[ -n $package ]] || { echo "fetch-kernel.sh: apt knows no linux-image-amd64 package" >&2; exit 1; }
echo "fetch-kernel.sh: fetching $package"
# apt's sandbox user may not write into the cache; the download then runs as the caller, which is fine.
(cd "$scratch" && apt-get download -q "$package" 2>&1 | grep -v 'Download is performed unsandboxed' || true)
deb=$(compgen -G "$scratch/*.deb" | head -n 1 || true)
[[ -n $deb ]] || { echo "fetch-kernel.sh: apt-get download $package gave no package" >&2; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"

vmlinuz=$(compgen -G "$scratch/root/boot/vmlinuz-*" | head -n 1 || true)
[[ -n $vmlinuz ]] || { echo "fetch-kernel.sh: $package holds no vmlinuz" >&2; exit 1; }
release=${vmlinuz##*/vmlinuz-}
# The bzImage carries the kernel as an xz stream (Debian's CONFIG_KERNEL_XZ): unpack it from its magic.
offset=$(set +o pipefail; LC_ALL=C grep -abo -m 1 $'\xfd7zXZ' "$vmlinuz" | head -n 1 | cut -d: -f1)
[[ -n $offset ]] || { echo "fetch-kernel.sh: no xz stream in $vmlinuz" >&2; exit 1; }
# (xz stops at the end of its stream; what follows it is the bzImage's trailer.)
xz -dc --single-stream < <(tail -c +$((offset + 1)) "$vmlinuz") >"$scratch/vmlinux"

# The package leaves modules.dep to depmod at installation; it is made here.
depmod -b "$scratch/root" "$release"
rm -rf "$cache/modules"
mv "$scratch/root/lib/modules" "$cache/modules"
mv "$scratch/vmlinux" "$cache/vmlinux"
echo "$release" >"$cache/release"
echo "fetch-kernel.sh: $release ready in $cache"
