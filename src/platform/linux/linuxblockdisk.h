#pragma once

// A disk of the own port (an NVMe namespace, a virtio-blk disk, an attached loop device) answering the
// SCSI commands the component sends to a disk, as a SCSI translation layer would: INQUIRY (standard
// data, VPD pages 00h, 80h and B1h; 80h only when the kernel knows a serial number), READ CAPACITY(10) and
// (16), TEST UNIT READY, REQUEST SENSE, READ, WRITE and VERIFY(10) and (16) by positioned direct I/O
// on the block device, SYNCHRONIZE CACHE, and for NVMe LOG SENSE of the temperature (0Dh) and
// informational exceptions (2Fh) pages, made from the controller's SMART/health log (a critical warning
// reads as ASC 5Dh).
//
// Failures come back as a disk reports them, a CHECK CONDITION with fixed-format sense: an unknown
// opcode 05/20/00, a bad field 05/24/00, an address past the end 05/21/00, an I/O error on reading
// 03/11/00 and on writing 03/0C/00; a device that cannot be opened for reading is not ready (02/04/00),
// or fails the request with ERROR_ACCESS_DENIED when the process may not read it. Writes open the device
// exclusively, or within this process's own hold of it: a disk that has another holder (a mounted file
// system, a RAID or LVM member) refuses them with 07/27/00, so nothing is ever written under a mounted
// file system. Reads and verifies need only read access.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/linux/linuxioctllayer.h"
#include "platform/linux/linuxstoragemap.h"
#include "platform/winapi.h"

namespace os {

struct PassThroughRequest;

// The 36 bytes of standard INQUIRY data of an own-port disk.
std::array<std::uint8_t, 36> StandardInquiryOf(const LinuxStorageUnit& unit);

class LinuxBlockDisk {
 public:
  // `file` is the block device (/dev/nvme0n1), or a regular file standing in for it; `devRoot` holds
  // the NVMe controller's character device.
  LinuxBlockDisk(LinuxStorageUnit unit, std::string file, LinuxIoctlLayer& layer,
                 std::string devRoot = "/dev");
  ~LinuxBlockDisk();
  LinuxBlockDisk(const LinuxBlockDisk&) = delete;
  LinuxBlockDisk& operator=(const LinuxBlockDisk&) = delete;

  // Carries out the request's CDB and completes the request (status, sense, count moved).
  win::DWORD Execute(PassThroughRequest& request, win::DWORD* returned);

 private:
  struct Outcome;
  Outcome Run(const PassThroughRequest& request);
  Outcome Inquiry(const PassThroughRequest& request);
  Outcome Capacity(const PassThroughRequest& request);
  Outcome Transfer(const PassThroughRequest& request);
  Outcome LogSense(const PassThroughRequest& request);
  // The NVMe controller's SMART / health information log (GET LOG PAGE 02h); false when it fails.
  bool ReadNvmeHealthLog(std::uint8_t (&log)[512]);
  int ReadDescriptor(int& error);
  // A descriptor of its own for one write, which the caller closes.
  int OpenForWriting(int& error);

  const LinuxStorageUnit unit_;
  const std::string file_;
  LinuxIoctlLayer& layer_;
  const std::string devRoot_;
  std::mutex mutex_;  // guards the read descriptor, opened on first use
  int readFd_ = -1;
};

}  // namespace os
