#!/bin/busybox sh
# The guest's init: mounts the kernel's file systems, loads the bench's modules, waits for the emulated
# controllers' devices to settle, runs the checks and powers off. Everything it prints goes to the
# serial console, which the host reads.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for module in $(cat /bench/modules); do
  [ "$module" = scsi_debug ] && continue
  modprobe "$module" 2>&1 | sed 's/^/modprobe: /'
done
# Disks appear as their controllers finish scanning; wait until the count of SCSI generic nodes and
# block devices stops changing (at most 20 s).
last=-1 same=0
for tick in $(seq 1 40); do
  count=$(ls /sys/class/scsi_generic /sys/class/block 2>/dev/null | wc -l)
  if [ "$count" = "$last" ]; then same=$((same + 1)); else same=0; fi
  [ $same -ge 4 ] && break
  last=$count
  sleep 0.5
done
echo "@@@ checks begin"
cd /tmp
/bench/checks.sh
echo "@@@ checks end $?"
poweroff -f
