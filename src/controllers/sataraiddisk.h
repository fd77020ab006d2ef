#pragma once

// A SATA disk behind an array controller. Addressed and identified like any array disk; the
// controller reports its link rate rather than a parallel bus speed.

#include <memory>

#include "controllers/raiddisk.h"

namespace rb {

class SATARaidDisk : public RaidDisk {
 public:
  static constexpr const char* kStreamableName = "SATARaidDisk";

  using RaidDisk::RaidDisk;

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SATARaidDisk>(); }
};

}  // namespace rb
