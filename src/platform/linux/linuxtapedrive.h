#pragma once

// \\.\TapeN on Linux: the st driver's non-rewinding node /dev/nstN of a tape unit of the storage map.
// The node is opened on first use (without waiting for a medium, so that an empty drive can say so);
// blocks are read and written one per call; the tape functions become the driver's ioctls: MTIOCGET
// for the status (no medium, not ready, cleaning requested), MTIOCTOP for positioning (MTREW, MTFSF,
// MTBSF, MTFSR, MTBSR, MTEOM, MTSEEK), filemarks and setmarks (MTWEOF, MTWEOFI, MTWSM) and the eject
// request (MTOFFL). The drive information comes from the drive itself: READ BLOCK LIMITS and MODE
// SENSE through SG_IO on its generic node (tapedriveinformation.h). The driver's errno values become
// the Windows tape errors, with the driver's status bits where an I/O error needs telling apart.
// The address, pass-through and readiness requests are the unit's (linuxunitdevice.h).

#include <string>

#include "platform/devicehandle.h"
#include "platform/linux/linuxunitdevice.h"
#include "platform/tapehandle.h"

namespace os {

class LinuxTapeDrive : public DeviceHandle, public TapeHandle {
 public:
  LinuxTapeDrive(LinuxStorageUnit unit, LinuxIoctlLayer& layer, std::string sysfsRoot = "/sys",
                 std::string devRoot = "/dev");
  ~LinuxTapeDrive() override;
  LinuxTapeDrive(const LinuxTapeDrive&) = delete;
  LinuxTapeDrive& operator=(const LinuxTapeDrive&) = delete;

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;
  win::DWORD Read(void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Write(const void* buffer, win::DWORD count, win::DWORD* moved) override;

  win::DWORD TapeStatus() override;
  win::DWORD TapeParameters(win::DWORD operation, win::DWORD* size, void* information) override;
  win::DWORD TapePosition(win::DWORD method, win::DWORD partition, std::uint64_t offset,
                          bool immediate) override;
  win::DWORD Tapemark(win::DWORD type, win::DWORD count, bool immediate) override;

 private:
  // Opens the node for reading and writing, or for reading alone when the medium is write-protected.
  win::DWORD Open();
  // One MTIOCTOP operation.
  win::DWORD Operation(short operation, int count);
  // The driver's status bits (MTIOCGET); false when they cannot be read.
  bool StatusBits(unsigned long* bits);
  // The tape error of a failed call (errno `error`); `writing` for a write or a mark.
  win::DWORD ErrorOf(int error, bool writing);

  const LinuxStorageUnit unit_;
  LinuxIoctlLayer& layer_;
  const std::string sysfsRoot_;
  const std::string devRoot_;
  LinuxUnitDevice drive_;
  int fd_ = -1;
  bool readOnly_ = false;
};

}  // namespace os
