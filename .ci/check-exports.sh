#!/usr/bin/env bash
# Checks the Windows DLLs of the cross-build: vmmemmgr.dll exports exactly the allocator's five
# functions, strtrans.dll exactly the message-catalog library's four entry points, vmlhw_dl.dll exactly
# GetPCISummary, qlsdm.dll exactly the fibre-channel adapter library's four entry points, ravelbank.dll
# exactly the component's fifteen (the names of its version script), and no DLL imports a mingw runtime
# DLL (each must load with system DLLs and the suite's own alone). The Linux libraries are checked
# against their version scripts by the tests (ctest -R ExportsExactly).
# Usage: .ci/check-exports.sh [DIRECTORY]   (default: build/mingw/bin, the mingw preset's)
set -euo pipefail
cd "$(dirname "$0")/.."

directory=${1:-build/mingw/bin}
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

check_library() {  # dll expected-name...
  local dll=$1
  shift
  local expected dump dll_exports imports runtime
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
}

for name in vmmemmgr strtrans vmlhw_dl qlsdm ravelbank; do
  [[ -f "$directory/$name.dll" ]] || { echo "missing: $directory/$name.dll (cmake --preset mingw && cmake --build --preset mingw first)"; exit 1; }
done

check_library "$directory/vmmemmgr.dll" OruAlloc OruFree OruGetOutstandingBlocks OruGetOutstandingBytes OruGetPeakBytes
check_library "$directory/strtrans.dll" AddCatalog GetLanguageCode OruErrorCrossRef Translate
check_library "$directory/vmlhw_dl.dll" GetPCISummary
check_library "$directory/qlsdm.dll" SDCloseDevice SDGetHbaInformation SDOpenDevice SDRunDiagLoopback
# The component: the names of its version script's global section, nothing else.
mapfile -t component_exports < <(sed -n '/global:/,/local:/p' src/component/dll/ravelbank.map |
                                 grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*;' | tr -d ' \t;')
((${#component_exports[@]} == 15)) || { echo "ravelbank.map: expected 15 exports, read ${#component_exports[@]}"; exit 1; }
check_library "$directory/ravelbank.dll" "${component_exports[@]}"

exit $status
