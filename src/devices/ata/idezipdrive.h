#pragma once

#include <memory>
#include <string>

#include "devices/ata/ideremovabledrive.h"

namespace rb {

// An ATAPI zip drive, a removable disk of the system's disk class.
class IdeZipDrive : public IdeRemovableDrive {
 public:
  static constexpr const char* kStreamableName = "IdeZipDrive";

  IdeZipDrive(std::string name, bool makeUnique, std::string devicePath);
  IdeZipDrive();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeZipDrive>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
