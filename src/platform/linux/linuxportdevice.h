#pragma once

// The port-I/O driver on Linux: the kernel's /dev/port, whose file offset is the port number. The
// kernel moves one byte per port (inb/outb), so an access of width 2 or 4 is that many byte accesses
// to consecutive ports. Without /dev/port (a kernel built without it) there is no driver.

#include <memory>
#include <string>

#include "platform/portdevice.h"

namespace os {

class LinuxPortDevice : public PortDevice {
 public:
  static constexpr const char* kPortFile = "/dev/port";

  // Opens `file` (/dev/port, or a stand-in for it) with the CreateFile access bits; null with the
  // Windows error when it cannot be opened (ERROR_FILE_NOT_FOUND when it does not exist).
  static std::shared_ptr<LinuxPortDevice> Open(const std::string& file, win::DWORD access, win::DWORD& error);

  LinuxPortDevice(int fd, bool readable, bool writable) : fd_(fd), readable_(readable), writable_(writable) {}
  ~LinuxPortDevice() override;
  LinuxPortDevice(const LinuxPortDevice&) = delete;
  LinuxPortDevice& operator=(const LinuxPortDevice&) = delete;

 protected:
  win::DWORD ReadPorts(std::uint32_t port, std::uint8_t* bytes, std::uint32_t count) override;
  win::DWORD WritePorts(std::uint32_t port, const std::uint8_t* bytes, std::uint32_t count) override;

 private:
  const int fd_;
  const bool readable_;
  const bool writable_;
};

}  // namespace os
