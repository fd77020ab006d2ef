#include "platform/linux/linuxportdevice.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/linuxplatform.h"

namespace os {

std::shared_ptr<LinuxPortDevice> LinuxPortDevice::Open(const std::string& file, win::DWORD access,
                                                       win::DWORD& error) {
  const bool readable = (access & win::GENERIC_READ) != 0;
  const bool writable = (access & win::GENERIC_WRITE) != 0;
  const int flags = (writable ? (readable ? O_RDWR : O_WRONLY) : O_RDONLY) | O_CLOEXEC;
  const int fd = ::open(file.c_str(), flags);
  if (fd < 0) {
    error = WindowsErrorFromErrno(errno);
    return nullptr;
  }
  error = win::ERROR_SUCCESS;
  return std::make_shared<LinuxPortDevice>(fd, readable, writable);
}

LinuxPortDevice::~LinuxPortDevice() {
  ::close(fd_);
}

namespace {

// One pread or pwrite of `count` bytes, repeated when a signal interrupted it. /dev/port moves all
// bytes of a request or fails; a short count only comes from a stand-in file that ends early.
template <class Call>
win::DWORD MoveBytes(std::uint32_t count, Call call) {
  ssize_t n;
  do {
    n = call();
  } while (n < 0 && errno == EINTR);
  if (n < 0) return WindowsErrorFromErrno(errno);
  return static_cast<std::uint32_t>(n) == count ? win::ERROR_SUCCESS : win::ERROR_IO_DEVICE;
}

}  // namespace

win::DWORD LinuxPortDevice::ReadPorts(std::uint32_t port, std::uint8_t* bytes, std::uint32_t count) {
  if (!readable_) return win::ERROR_ACCESS_DENIED;
  return MoveBytes(count, [&] { return ::pread(fd_, bytes, count, static_cast<off_t>(port)); });
}

win::DWORD LinuxPortDevice::WritePorts(std::uint32_t port, const std::uint8_t* bytes, std::uint32_t count) {
  if (!writable_) return win::ERROR_ACCESS_DENIED;
  return MoveBytes(count, [&] { return ::pwrite(fd_, bytes, count, static_cast<off_t>(port)); });
}

}  // namespace os
