#pragma once

// \\.\FloppyN on Linux: the floppy controller's drive /dev/fdN. The disk driver's requests become the
// floppy driver's ioctls: the geometry from FDGETPRM, track formatting with FDFMTBEG, FDFMTTRK and
// FDFMTEND, reset with FDRESET, writability from FDPOLLDRVSTAT; blocks are read and written at the
// handle's position.

#include <memory>
#include <string>
#include <vector>

#include "platform/devicehandle.h"
#include "platform/linux/linuxioctllayer.h"

namespace os {

class LinuxFloppyDrive : public DeviceHandle {
 public:
  // The numbers N of the machine's floppy drives (/sys/block/fdN), in order.
  static std::vector<unsigned> List(const std::string& sysfsRoot);
  static std::shared_ptr<LinuxFloppyDrive> Open(unsigned index, win::DWORD& error, LinuxIoctlLayer& layer,
                                                const std::string& devRoot = "/dev");

  LinuxFloppyDrive(int fd, LinuxIoctlLayer& layer) : fd_(fd), layer_(layer) {}
  ~LinuxFloppyDrive() override;
  LinuxFloppyDrive(const LinuxFloppyDrive&) = delete;
  LinuxFloppyDrive& operator=(const LinuxFloppyDrive&) = delete;

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;
  win::DWORD Read(void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Write(const void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) override;

 private:
  win::DWORD Format(const void* in, win::DWORD inLength);

  int fd_;
  LinuxIoctlLayer& layer_;
  std::uint64_t position_ = 0;
};

}  // namespace os
