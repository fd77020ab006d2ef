#pragma once

#include "devices/ata/ideblockdevice.h"

namespace rb {

// The ATA side's removable-media drives: optical drives, zip drives and diskette drives. Each shows its
// identity and the capacity of its medium ("Media Not Installed" without one) and answers the
// removable-media requests.
class IdeRemovableDrive : public IdeBlockDevice {
 public:
  bool Eject();
  bool Load();
  bool Reset();
  // Whether a medium is in and ready, and whether it can be written.
  bool MediumReady();
  bool Writable();

 protected:
  using IdeBlockDevice::IdeBlockDevice;
  bool RemovableMedium() const override { return true; }
  // The medium's extent is read again for each use: it may have been changed.
  void ForgetExtent() {
    blockSize_ = 0;
    lastBlock_ = 0;
  }
  // What every removable drive shows: description, storage kind, capacity, path and controller.
  void DescribeRemovable(XmlObject& element, const char* storage);
};

}  // namespace rb
