#pragma once

// A block device this process holds exclusively for writing (Platform::HoldDiskForWriting opens it with
// O_EXCL). The kernel lets one exclusive opener in at a time, so while the hold lives the device's own
// writes cannot open it exclusively too; they ask whether this process holds it instead, and then
// write through an ordinary descriptor, the hold keeping any mount out.

#include <sys/types.h>

#include "platform/handletable.h"

namespace os {

class LinuxExclusiveHold : public HandleObject {
 public:
  // Takes over `fd`, an exclusive open of the block device `device`.
  LinuxExclusiveHold(int fd, dev_t device);
  ~LinuxExclusiveHold() override;
  LinuxExclusiveHold(const LinuxExclusiveHold&) = delete;
  LinuxExclusiveHold& operator=(const LinuxExclusiveHold&) = delete;

  // Whether a hold of this process keeps the block device `device`.
  static bool Holds(dev_t device);

 private:
  int fd_;
  dev_t device_;
};

}  // namespace os
