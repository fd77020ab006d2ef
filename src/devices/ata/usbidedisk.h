#pragma once

#include <memory>
#include <string>

#include "devices/ata/idedisk.h"

namespace rb {

// A USB disk whose bridge passes ATA commands through.
class UsbIdeDisk : public IdeDisk {
 public:
  static constexpr const char* kStreamableName = "UsbIdeDisk";

  UsbIdeDisk(std::string name, bool makeUnique, std::string devicePath);
  UsbIdeDisk();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<UsbIdeDisk>(); }
};

}  // namespace rb
