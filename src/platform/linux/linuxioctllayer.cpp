#include "platform/linux/linuxioctllayer.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace os {

namespace {

class KernelLayer : public LinuxIoctlLayer {
 public:
  int Open(const std::string& path, int flags) override { return ::open(path.c_str(), flags | O_CLOEXEC); }
  int Close(int fd) override { return ::close(fd); }
  int Ioctl(int fd, unsigned long request, void* argument) override { return ::ioctl(fd, request, argument); }
};

}  // namespace

long LinuxIoctlLayer::Read(int fd, void* buffer, unsigned long count) {
  return ::read(fd, buffer, count);
}

long LinuxIoctlLayer::Write(int fd, const void* buffer, unsigned long count) {
  return ::write(fd, buffer, count);
}

LinuxIoctlLayer& LinuxIoctlLayer::Kernel() {
  static KernelLayer layer;
  return layer;
}

}  // namespace os
