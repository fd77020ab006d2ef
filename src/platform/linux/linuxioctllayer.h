#pragma once

// The system calls the linux SCSI devices make, behind an interface so that tests can record the exact
// requests (sg_io_hdr and the rest) without a kernel device. The real layer calls the kernel.

#include <string>

namespace os {

class LinuxIoctlLayer {
 public:
  virtual ~LinuxIoctlLayer() = default;
  // As open(2), close(2) and ioctl(2): -1 with errno set on failure.
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // As read(2) and write(2), for the devices whose data moves by plain reads and writes (a tape's
  // blocks); the base calls the kernel.
  virtual long Read(int fd, void* buffer, unsigned long count);
  virtual long Write(int fd, const void* buffer, unsigned long count);

  // The process's layer: the kernel's.
  static LinuxIoctlLayer& Kernel();
};

}  // namespace os
