#pragma once

// A recording fake of the kernel's calls the linux SCSI and NVMe devices make: keeps each SG_IO header
// with the CDB it points to and each NVMe admin command, and answers as the test says.

#include <errno.h>
#include <gtest/gtest.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/linuxioctllayer.h"

namespace rbtest {

class RecordingIoctlLayer : public os::LinuxIoctlLayer {
 public:
  struct SgCall {
    sg_io_hdr_t header;
    std::vector<std::uint8_t> cdb;
  };

  int Open(const std::string& path, int flags) override {
    opened.push_back(path);
    openFlags = flags;
    if (openErrno != 0) {
      errno = openErrno;
      return -1;
    }
    return 42;
  }
  int Close(int fd) override {
    closed.push_back(fd);
    return 0;
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    EXPECT_EQ(fd, 42);
    requests.push_back(request);
    if (request == SG_IO) {
      auto* header = static_cast<sg_io_hdr_t*>(argument);
      sgCalls.push_back({*header, std::vector<std::uint8_t>(header->cmdp, header->cmdp + header->cmd_len)});
      if (answer) answer(*header);
    }
    if (request == NVME_IOCTL_ADMIN_CMD) {
      auto* command = static_cast<nvme_admin_cmd*>(argument);
      nvmeCalls.push_back(*command);
      if (nvmeAnswer) nvmeAnswer(*command);
    }
    if (other) {
      // A request the test answers itself: its errno when not 0.
      if (const int error = other(request, argument)) {
        errno = error;
        return -1;
      }
      return 0;
    }
    if (ioctlErrno != 0) {
      errno = ioctlErrno;
      return -1;
    }
    return ioctlResult;
  }

  std::vector<std::string> opened;
  std::vector<int> closed;
  std::vector<unsigned long> requests;
  std::vector<SgCall> sgCalls;
  std::vector<nvme_admin_cmd> nvmeCalls;
  std::function<void(sg_io_hdr_t&)> answer;
  std::function<void(nvme_admin_cmd&)> nvmeAnswer;
  // Answers every request (after the SG_IO and NVMe recording above) when set; returns an errno or 0.
  std::function<int(unsigned long request, void* argument)> other;
  int openFlags = 0;
  int openErrno = 0;
  int ioctlErrno = 0;
  int ioctlResult = 0;  // a positive value is an NVMe controller's status
};

}  // namespace rbtest
