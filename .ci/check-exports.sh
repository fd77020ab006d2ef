#!/usr/bin/env bash
# Checks the suite libraries' binaries: libvmmemmgr.so / vmmemmgr.dll export exactly the allocator's five
# functions, strtrans.so / strtrans.dll exactly the message-catalog library's four entry points,
# vmlhw_dl.so / vmlhw_dl.dll exactly GetPCISummary, ravelbank.so / ravelbank.dll exactly the component's fifteen, and no DLL imports a mingw runtime DLL (each must load with system DLLs and the suite's own alone).
# Usage: .ci/check-exports.sh [vmmemmgr.dll] [libvmmemmgr.so]   (defaults: the preset build folders;
# strtrans, vmlhw_dl and the component are looked for beside each of them)
set -euo pipefail
cd "$(dirname "$0")/.."

vmmemmgr_dll=${1:-build/mingw/bin/vmmemmgr.dll}
vmmemmgr_so=${2:-build/default/bin/libvmmemmgr.so}
strtrans_dll=$(dirname "$vmmemmgr_dll")/strtrans.dll
strtrans_so=$(dirname "$vmmemmgr_so")/strtrans.so
vmlhw_dl_dll=$(dirname "$vmmemmgr_dll")/vmlhw_dl.dll
vmlhw_dl_so=$(dirname "$vmmemmgr_so")/vmlhw_dl.so
component_dll=$(dirname "$vmmemmgr_dll")/ravelbank.dll
component_so=$(dirname "$vmmemmgr_so")/ravelbank.so
status=0

check_names() {  # label expected-names actual-names
  if [[ "$3" == "$2" ]]; then
    echo "$1: exports exactly: $(tr '\n' ' ' <<<"$3")"
  else
    echo "$1: exports differ from the expected set (< expected, > found):"
    diff <(echo "$2") <(echo "$3") || true
    status=1
  fi
}

check_library() {  # dll so expected-name...
  local dll=$1 so=$2
  shift 2
  local expected dump dll_exports imports runtime so_exports
  expected=$(printf '%s\n' "$@" | sort)

  dump=$(x86_64-w64-mingw32-objdump -p "$dll")
  # The export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] Name" line each.
  dll_exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
                     table && /^[ \t]+\[ *[0-9]+\] / { print $NF; next }
                     { table = 0 }' <<<"$dump" | sort)
  check_names "$dll" "$expected" "$dll_exports"

  imports=$(awk '/DLL Name:/ { print $NF }' <<<"$dump" | sort -u)
  echo "$dll: imports: $(tr '\n' ' ' <<<"$imports")"
  runtime=$(grep -iE '^(libstdc\+\+-6|libgcc_s_[a-z0-9_-]+|libwinpthread-1)\.dll$' <<<"$imports" || true)
  if [[ -n "$runtime" ]]; then
    echo "$dll: needs mingw runtime DLLs: $(tr '\n' ' ' <<<"$runtime")"
    status=1
  fi

  so_exports=$(nm -D --defined-only "$so" | awk '{ print $NF }' | sort)
  check_names "$so" "$expected" "$so_exports"
}

for file in "$vmmemmgr_dll" "$vmmemmgr_so" "$strtrans_dll" "$strtrans_so" "$vmlhw_dl_dll" "$vmlhw_dl_so" \
            "$component_dll" "$component_so"; do
  [[ -f "$file" ]] || { echo "missing: $file (build it first)"; exit 1; }
done

check_library "$vmmemmgr_dll" "$vmmemmgr_so" OruAlloc OruFree OruGetOutstandingBlocks OruGetOutstandingBytes OruGetPeakBytes
check_library "$strtrans_dll" "$strtrans_so" AddCatalog GetLanguageCode OruErrorCrossRef Translate
check_library "$vmlhw_dl_dll" "$vmlhw_dl_so" GetPCISummary
# The component: the names of its version script's global section, nothing else.
mapfile -t component_exports < <(sed -n '/global:/,/local:/p' src/component/dll/ravelbank.map |
                                 grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*;' | tr -d ' \t;')
((${#component_exports[@]} == 15)) || { echo "ravelbank.map: expected 15 exports, read ${#component_exports[@]}"; exit 1; }
check_library "$component_dll" "$component_so" "${component_exports[@]}"

exit $status
