#!/usr/bin/env bash
# Installs, with apt, the Debian packages that the named parts of the work need and this machine lacks;
# says nothing when everything is there. Safe to run again and again.
#
#   scripts/install-deps.sh [GROUP ...]      (no group: build)
#
#   build   the component, the suite libraries and diaghost: a compiler and CMake
#   test    the unit and end-to-end tests (GoogleTest, pugixml), with build
#   bench   the benchmarks under bench/ (Google Benchmark, pugixml), with build
#   mingw   the Windows x86-64 cross-build (mingw-w64)
#   wine    the Windows build run under Wine (the wine smoke test)
#   fuzz    the libFuzzer targets (clang-14 and its runtime)
#   qemu    the real-kernel bench (QEMU, busybox-static, cpio, xz, depmod)
#   all     every group (what .ci/run needs)
set -euo pipefail

declare -A groups=(
  [build]="cmake g++ make"
  [test]="cmake g++ make libgtest-dev libgmock-dev libpugixml-dev"
  [bench]="cmake g++ make libbenchmark-dev libpugixml-dev fio"
  [mingw]="cmake make g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64"
  [wine]="wine wine64"
  [fuzz]="cmake make clang-14 libclang-rt-14-dev"
  [qemu]="qemu-system-x86 busybox-static cpio xz-utils kmod"
)

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}

wanted=()
(($# > 0)) || set -- build
for group in "$@"; do
  case $group in
    all) for name in build test bench mingw wine fuzz qemu; do wanted+=(${groups[$name]}); done ;;
    -h | --help) usage ;;
    *)
      [[ -n ${groups[$group]+set} ]] || { echo "install-deps.sh: unknown group '$group'" >&2; usage; }
      wanted+=(${groups[$group]})
      ;;
  esac
done

missing=()
for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]} > 0)) || exit 0

command -v apt-get >/dev/null || {
  echo "install-deps.sh: needs these Debian packages, and apt-get is not here: ${missing[*]}" >&2
  exit 1
}
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || {
    echo "install-deps.sh: run as root, or install sudo, to install: ${missing[*]}" >&2
    exit 1
  }
  sudo=(sudo)
fi
echo "install-deps.sh: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
