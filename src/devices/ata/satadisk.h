#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/ata/idedisk.h"

namespace rb {

// A SATA disk on a SATA controller. It is named "/dev/sda%d" with its SATA disk number, a name that
// identifies it and is never opened.
class SataDisk : public IdeDisk {
 public:
  static constexpr const char* kStreamableName = "SataDisk";

  SataDisk(std::int32_t sataNumber, std::string devicePath);
  SataDisk();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SataDisk>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
