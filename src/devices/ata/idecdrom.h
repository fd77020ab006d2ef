#pragma once

#include <memory>
#include <string>

#include "devices/ata/ideremovabledrive.h"

namespace rb {

// An ATAPI optical drive ("\\.\CDROM%d").
class IdeCdrom : public IdeRemovableDrive {
 public:
  static constexpr const char* kStreamableName = "IdeCdrom";

  IdeCdrom(std::string name, bool makeUnique, std::string devicePath);
  IdeCdrom();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeCdrom>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
