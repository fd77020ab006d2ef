#!/bin/sh
# Regenerates pcivendors.txt, the PCI vendor list, from the vendor lines of a pci.ids file (Debian's
# hwdata package installs one as /usr/share/misc/pci.ids): one vendor a line, the ID in lower-case
# hexadecimal, one space, the name from the sixth character on, in ascending ID order.
# Usage: data/genpcivendors.sh [pci.ids] [output]
set -eu
ids=${1:-/usr/share/misc/pci.ids}
out=${2:-$(dirname "$0")/pcivendors.txt}
[ -r "$ids" ] || { echo "cannot read $ids (apt-get install hwdata)" >&2; exit 1; }

version=$(sed -n 's/^#[[:space:]]*Version:[[:space:]]*//p' "$ids" | head -n 1)
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
{
  echo "# PCI vendor names from pci.ids ${version:-(unknown version)}, made by genpcivendors.sh"
  # Vendor lines start with four hex digits and two spaces; device and class lines do not.
  LC_ALL=C awk '/^[0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F]  / {
    printf "%s %s\n", tolower(substr($0, 1, 4)), substr($0, 7)
  }' "$ids" | LC_ALL=C sort -s -k1,1
} >"$tmp"
mv "$tmp" "$out"
chmod 644 "$out"
trap - EXIT
