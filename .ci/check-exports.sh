#!/usr/bin/env bash
# Checks the host allocator's binaries: libvmmemmgr.so and vmmemmgr.dll export exactly the allocator's
# five functions, and vmmemmgr.dll imports no mingw runtime DLL (it must load with system DLLs alone).
# Usage: .ci/check-exports.sh [vmmemmgr.dll] [libvmmemmgr.so]   (defaults: the preset build folders)
set -euo pipefail
cd "$(dirname "$0")/.."

dll=${1:-build/mingw/bin/vmmemmgr.dll}
so=${2:-build/default/bin/libvmmemmgr.so}
expected=$(printf '%s\n' OruAlloc OruFree OruGetOutstandingBlocks OruGetOutstandingBytes OruGetPeakBytes | sort)
status=0

check_names() {  # label actual-names
  if [[ "$2" == "$expected" ]]; then
    echo "$1: exports exactly: $(tr '\n' ' ' <<<"$2")"
  else
    echo "$1: exports differ from the expected set (< expected, > found):"
    diff <(echo "$expected") <(echo "$2") || true
    status=1
  fi
}

for file in "$dll" "$so"; do
  [[ -f "$file" ]] || { echo "missing: $file (build it first)"; exit 1; }
done

dump=$(x86_64-w64-mingw32-objdump -p "$dll")
# The export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] Name" line each.
dll_exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
                   table && /^[ \t]+\[ *[0-9]+\] / { print $NF; next }
                   { table = 0 }' <<<"$dump" | sort)
check_names "$dll" "$dll_exports"

imports=$(awk '/DLL Name:/ { print $NF }' <<<"$dump" | sort -u)
echo "$dll: imports: $(tr '\n' ' ' <<<"$imports")"
runtime=$(grep -iE '^(libstdc\+\+-6|libgcc_s_[a-z0-9_-]+|libwinpthread-1)\.dll$' <<<"$imports" || true)
if [[ -n "$runtime" ]]; then
  echo "$dll: needs mingw runtime DLLs: $(tr '\n' ' ' <<<"$runtime")"
  status=1
fi

so_exports=$(nm -D --defined-only "$so" | awk '{ print $NF }' | sort)
check_names "$so" "$so_exports"

exit $status
