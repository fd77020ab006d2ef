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

LinuxIoctlLayer& LinuxIoctlLayer::Kernel() {
  static KernelLayer layer;
  return layer;
}

}  // namespace os
