#pragma once

#include "tests/accesstest.h"

namespace rb {

// The access test of a diskette drive: the operator chooses mode and order and is asked for a diskette
// first; a writing run wants one that is not write-protected and refuses to start on one that is.
class IdeFloppyAccessTest : public AccessTest {
 public:
  static constexpr const char* kStreamableName = "IdeFloppyAccessTest";

  IdeFloppyAccessTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeFloppyAccessTest>(); }
  bool Execute(const XmlObject& command) override;

 protected:
  bool RemovableMedium() const override { return true; }
};

}  // namespace rb
